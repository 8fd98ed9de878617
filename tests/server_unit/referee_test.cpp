#include <gtest/gtest.h>

#include "server/protocol.h"
#include "server/referee.h"
#include "tests/support/position.h"

namespace rindou::server {
namespace {

using test::Pos;

Move board(int fc, int fr, int tc, int tr, bool promote = false) {
    return Move::board(make_square(fc, fr), make_square(tc, tr), promote);
}

Move drop(int code, int c, int r) { return Move::drop(kind_of(piece_from_code(code)), make_square(c, r)); }

// Plays the outcome's events on the game and keeps them, as the server
// stores them.
struct Played {
    Referee game;
    std::vector<Event> log;

    explicit Played(Referee r) : game(std::move(r)) { ok(game.join(UPPER, "bob", 0)); }
    void ok(const Referee::Outcome& o) {
        ASSERT_FALSE(o.refusal) << o.refusal->code;
        for (const Event& e : o.events) {
            ASSERT_TRUE(game.apply(e)) << e.type;
            log.push_back(e);
        }
    }
    std::string refused(const Referee::Outcome& o) {
        EXPECT_TRUE(o.events.empty());
        return o.refusal ? o.refusal->code : "";
    }
};

Settings lower_first(ClockSettings clock = {}) {
    Settings s;
    s.creator = LOWER;
    s.first = LOWER;
    s.clock = clock;
    s.name = "game";
    s.creator_name = "alice";
    return s;
}

TEST(Referee, RefusesWhatTheRulesRefuseAndAcknowledgesAResentMove) {
    Played p(Referee("ABCDEFGH", lower_first(), 0));
    EXPECT_EQ(p.refused(p.game.move(UPPER, 0, board(3, 3, 3, 4), 1)), "not-your-turn");
    EXPECT_EQ(p.refused(p.game.move(LOWER, 1, board(7, 7, 7, 6), 1)), "stale");
    p.ok(p.game.move(LOWER, 0, board(7, 7, 7, 6), 1));
    EXPECT_EQ(p.game.version(), 2);
    // Resent: acknowledged again, nothing changes; another move at that ply is stale.
    const auto again = p.game.move(LOWER, 0, board(7, 7, 7, 6), 2);
    EXPECT_TRUE(again.events.empty());
    EXPECT_FALSE(again.refusal);
    EXPECT_EQ(p.refused(p.game.move(LOWER, 0, board(3, 7, 3, 6), 2)), "stale");
    // A pawn that cannot promote there, and the rook whose coin would leave the board.
    EXPECT_EQ(p.refused(p.game.move(UPPER, 1, board(3, 3, 3, 4, true), 3)), "illegal-move");
    EXPECT_EQ(p.refused(p.game.move(UPPER, 1, board(2, 2, 7, 2), 3)), "illegal-move");
    EXPECT_EQ(p.refused(p.game.move(UPPER, 1, board(7, 7, 7, 6), 3)), "illegal-move");
    EXPECT_EQ(p.refused(p.game.move(UPPER, 1, drop(10, 5, 5), 3)), "illegal-move");
    p.ok(p.game.move(UPPER, 1, board(2, 2, 6, 2), 3));
    EXPECT_EQ(p.game.position().coin_col(), 9);
    EXPECT_EQ(p.game.position().coin_row(), 4);
}

TEST(Referee, PromotionMustBeAskedWhereItIsForcedAndIsRefusedWhereItCannotBe) {
    Pos pos;
    pos.put(5, 1, OU).put(5, 9, -OU).put(1, 2, -HU).put(9, 8, HU).put(5, 5, COIN).upper_hand(1, 1);
    Played p(Referee("ABCDEFGH", lower_first(), 0, pos.s));
    EXPECT_EQ(p.refused(p.game.move(LOWER, 0, board(1, 2, 1, 1), 1)), "illegal-move");
    p.ok(p.game.move(LOWER, 0, board(1, 2, 1, 1, true), 1));
    EXPECT_EQ(p.game.position().code_at(1, 1), -TOKIN);
    // A drop never promotes.
    const Move promoted_drop = drop(10, 5, 3).asking_promotion();
    EXPECT_EQ(p.refused(p.game.move(UPPER, 1, promoted_drop, 2)), "illegal-move");
    EXPECT_EQ(p.refused(p.game.move(UPPER, 1, board(9, 8, 9, 9), 2)), "illegal-move");
    p.ok(p.game.move(UPPER, 1, drop(10, 5, 3), 2));
    // The upper side's drop is recorded by the hand cell a person clicks, and
    // its pawn by its own code; the coin, pushed by the lower pawn, moved up.
    const std::string record = p.game.record_file();
    EXPECT_NE(record.find("\r\n 1211 -11 -10   0"), std::string::npos) << record;
    EXPECT_NE(record.find("\r\n-1753  10  10   0"), std::string::npos) << record;
}

TEST(Referee, PassesForASideWithoutABoardMoveAndTakesBackAcrossThePass) {
    GameState walled;
    test::wall_in_the_computer(walled);
    Played p(Referee("ABCDEFGH", lower_first(), 0, walled));
    p.ok(p.game.move(LOWER, 0, board(3, 5, 3, 4), 10));
    // The upper side, walled in, passed at once: the lower side moves again.
    ASSERT_EQ(p.game.ply(), 2);
    EXPECT_TRUE(p.game.plies()[1].move.is_pass());
    EXPECT_EQ(p.game.turn(), LOWER);
    EXPECT_EQ(p.refused(p.game.takeback(UPPER, "offer", 20)), "no-move");
    EXPECT_EQ(p.refused(p.game.takeback(UPPER, "accept", 20)), "no-offer");
    p.ok(p.game.takeback(LOWER, "offer", 20));
    EXPECT_TRUE(p.game.takeback(LOWER, "offer", 21).events.empty());
    p.ok(p.game.takeback(UPPER, "accept", 22));
    EXPECT_EQ(p.game.ply(), 0);
    EXPECT_EQ(p.game.turn(), LOWER);
    EXPECT_EQ(p.game.position().code_at(3, 5), -KIN);
    EXPECT_EQ(p.game.position().coin_row(), 9);
}

TEST(Referee, TakingTheKingEndsTheGameAndNeitherSideMovingEndsItWithoutWinner) {
    Pos king;
    king.put(5, 1, OU).put(5, 2, -KIN).put(5, 9, -OU).put(1, 5, COIN);
    Played p(Referee("ABCDEFGH", lower_first(), 0, king.s));
    p.ok(p.game.move(LOWER, 0, board(5, 2, 5, 1), 5));
    ASSERT_TRUE(p.game.result());
    EXPECT_EQ(p.game.result()->reason, "king");
    EXPECT_EQ(p.game.result()->winner, LOWER);
    EXPECT_EQ(p.refused(p.game.resign(UPPER, 6)), "game-over");

    // The lower pawn pushes the coin into the corner, where every step of
    // every piece would put it on a piece or off the board.
    Pos stuck;
    stuck.put(8, 1, OU).put(7, 1, KIN).put(8, 2, KIN).put(7, 3, KIN);
    stuck.put(1, 9, -OU).put(9, 3, -HU).put(9, 2, COIN);
    Played q(Referee("ABCDEFGH", lower_first(), 0, stuck.s));
    q.ok(q.game.move(LOWER, 0, board(9, 3, 9, 2), 5));
    ASSERT_TRUE(q.game.result()) << q.game.ply();
    EXPECT_EQ(q.game.result()->reason, "no-move");
    EXPECT_FALSE(q.game.result()->winner);
}

TEST(Referee, ClocksRunAfterEachSidesFirstMoveAndAFlagFallsOnTime) {
    ClockSettings clock;
    clock.kind = ClockSettings::Kind::minutes;
    clock.initial_s = 60;
    clock.increment_s = 2;
    Played p(Referee("ABCDEFGH", lower_first(clock), 0));
    p.ok(p.game.move(LOWER, 0, board(7, 7, 7, 6), 1'000));
    EXPECT_FALSE(p.game.flag_at());
    p.ok(p.game.move(UPPER, 1, board(3, 3, 3, 4), 5'000));
    EXPECT_EQ(p.game.flag_at(), 65'000);
    p.ok(p.game.move(LOWER, 2, board(2, 7, 2, 6), 15'000));
    EXPECT_EQ(p.game.clock().left_ms[LOWER], 52'000);
    EXPECT_EQ(p.game.flag_at(), 75'000);
    // Down from the last heartbeat (20 s) to the restart (100 s): not charged.
    p.game.resume_clock(20'000, 100'000);
    EXPECT_EQ(p.game.flag_at(), 155'000);
    EXPECT_TRUE(p.game.flag(154'999).events.empty());
    // A move after the flag fell ends the game by time instead.
    const auto late = p.game.move(UPPER, 3, board(4, 3, 4, 4), 155'000);
    ASSERT_TRUE(late.refusal);
    EXPECT_EQ(late.refusal->code, "game-over");
    p.ok(Referee::Outcome{late.events, std::nullopt});
    EXPECT_EQ(p.game.result()->reason, "time");
    EXPECT_EQ(p.game.result()->winner, LOWER);
    EXPECT_EQ(p.game.clock_json(200'000)["upper_ms"], 0);
    EXPECT_EQ(p.game.clock_json(200'000)["lower_ms"], 52'000);
}

TEST(Referee, ClaimsAbortsRematchesAndTheReplayOfItsEvents) {
    Played p(Referee("ABCDEFGH", lower_first(), 0));
    p.ok(p.game.move(LOWER, 0, board(7, 7, 7, 6), 1'000));
    // Upper away on its own turn since 5 s: ten minutes without a clock.
    EXPECT_EQ(p.refused(p.game.claim(LOWER, 5'000, 600'000)), "too-early");
    EXPECT_EQ(p.refused(p.game.claim(UPPER, 5'000, 700'000)), "too-early");
    p.ok(p.game.move(UPPER, 1, board(3, 3, 3, 4), 2'000));
    EXPECT_EQ(p.refused(p.game.abort(LOWER, 3'000)), "too-late");
    EXPECT_EQ(p.refused(p.game.rematch(LOWER, "offer", 3'000)), "too-early");
    p.ok(p.game.claim(UPPER, 2'000, 602'000));
    EXPECT_EQ(p.game.result()->reason, "abandon");
    p.ok(p.game.rematch(LOWER, "offer", 603'000));
    EXPECT_TRUE(p.game.rematch(LOWER, "offer", 603'001).events.empty());
    const auto accepted = p.game.rematch(UPPER, "accept", 604'000);
    ASSERT_EQ(accepted.events.size(), 1u);
    EXPECT_EQ(accepted.events[0].type, "rematch");

    // The stored events replayed give the same game.
    Referee replayed("ABCDEFGH", lower_first(), 0);
    for (const Event& e : p.log) ASSERT_TRUE(replayed.apply(e)) << e.type;
    EXPECT_EQ(replayed.to_json({true, false}, 604'000), p.game.to_json({true, false}, 604'000));
    EXPECT_EQ(replayed.record_file(), p.game.record_file());
}

TEST(Protocol, ReadsOnlyWhatAClientMaySend) {
    Json a;
    const auto move = parse_client_message(
        R"({"t":"move","a":7,"d":{"ply":3,"move":{"from":[7,7],"to":[7,6],"promote":false}}})", a);
    ASSERT_TRUE(move);
    EXPECT_EQ(move->ply, 3);
    EXPECT_EQ(move->move, board(7, 7, 7, 6));
    EXPECT_EQ(move->a, 7);
    for (const char* bad : {
             R"({"t":"move","a":1,"d":{"ply":0,"move":{"from":[0,7],"to":[7,6],"promote":false}}})",
             R"({"t":"move","a":1,"d":{"ply":0,"move":{"from":[7,7],"to":[7,6]}}})",
             R"({"t":"move","a":1,"d":{"ply":-1,"move":{"drop":10,"to":[5,5]}}})",
             R"({"t":"move","a":1,"d":{"ply":0,"move":{"drop":11,"to":[5,5]}}})",
             R"({"t":"move","a":1,"d":{"ply":0,"move":{"drop":10,"to":[5,5.5]}}})",
             R"({"t":"takeback","a":1,"d":{"do":"maybe"}})", R"({"t":"hello","d":{"v":-1}})",
             R"({"t":"launch","a":1})", R"({"t":"ping","a":"x"})", R"([1,2])", "{\"t\":\"ping\"",
         }) {
        EXPECT_FALSE(parse_client_message(bad, a)) << bad;
    }
    EXPECT_EQ(a, Json(nullptr));
    EXPECT_FALSE(parse_create(R"({"handicap":11})"));
    EXPECT_FALSE(parse_create(R"({"name":"123456789012345678901"})"));
    EXPECT_FALSE(parse_create(R"({"name":"\u00e9\u0301"})"));  // no code-page form
    EXPECT_FALSE(parse_create(R"({"clock":{"initial":60,"days":2}})"));
    const auto create = parse_create(R"({"side":"upper","clock":{"days":3},"handicap":-2,"name":"将棋"})");
    ASSERT_TRUE(create);
    EXPECT_EQ(create->side, UPPER);
    EXPECT_EQ(create->settings.clock.days, 3);
    EXPECT_TRUE(parse_create(""));
    EXPECT_FALSE(parse_join(R"({"invite":"a\nb"})"));
    EXPECT_FALSE(parse_join(R"({"invite":1})"));
}

}  // namespace
}  // namespace rindou::server
