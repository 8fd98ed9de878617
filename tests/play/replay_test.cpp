// Stepping back and forward through the moves, the board flip and the return
// to the start.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/null_platform.h"
#include "core/rules.h"
#include "play/computer_turn.h"
#include "play/replay.h"
#include "record/record_file.h"
#include "record/record_moves.h"
#include "tests/support/record_games.h"
#include "view/draw.h"
#include "tests/support/test_game.h"
#include "tests/support/seeded_play.h"
#include "app/cli/cli.h"
#include <sstream>

namespace rindou::test {
namespace {

bool is_promoted(int code) {
    switch (std::abs(code)) {
        case 11: case 21: case 31: case 101: case 801: case 901: return true;
        default: return false;
    }
}

bool hands_never_negative(const GameState& s) {
    int lower = 0, upper = 0;
    for (int k = 1; k <= 7; ++k) {
        if (s.hand[LOWER][static_cast<size_t>(k)] < 0 || s.hand[UPPER][static_cast<size_t>(k)] < 0)
            return false;
        lower += s.hand[LOWER][static_cast<size_t>(k)];
        upper += s.hand[UPPER][static_cast<size_t>(k)];
    }
    return lower == s.hand_total(LOWER) && upper == s.hand_total(UPPER);
}

int coins(const GameState& s) {
    int n = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) n += s.code_at(c, r) == COIN;
    return n;
}

TEST(Replay, StepsBackToTheStartAndForwardToTheEndThroughEveryPosition) {
    TestGame t;
    std::vector<Snapshot> shots = play_long_game(t);
    ASSERT_EQ(shots.size(), 61u);
    const GameState& s = t.g.st;

    // The game holds what these steps are about.
    bool promoted_capture = false, lower_drop = false, upper_drop = false;
    for (int i = 1; i <= s.record_count; ++i) {
        const RecordEntry& e = s.record[static_cast<size_t>(i)];
        if (is_promoted(e.piece_before) && e.captured != EMPTY && e.captured != COIN)
            promoted_capture = true;
        if (e.from_col == 11) lower_drop = true;
        if (e.from_col == -1) upper_drop = true;
    }
    EXPECT_TRUE(promoted_capture && lower_drop && upper_drop);

    for (size_t i = 60; i >= 1; --i) {
        t.menu("REPLAY");
        EXPECT_EQ(t.take(), "sound piece\n");
        ASSERT_EQ(Snapshot(s), shots[i - 1]) << "after stepping back over move " << i;
        EXPECT_EQ(s.record_count, static_cast<int>(i) - 1);
        EXPECT_EQ(s.record_end, 60);
        EXPECT_EQ(s.turn_notice_pending, 1);
    }
    t.menu("REPLAY");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 戻る|できません\n");

    for (size_t i = 1; i <= 60; ++i) {
        t.menu("AFTER");
        EXPECT_EQ(t.take(), "sound piece\n");
        // The clocks take the times the record holds for after the move.
        const RecordEntry& e = s.record[i];
        Snapshot expected = shots[i];
        expected.lower_time = e.times.lower_after;
        expected.upper_time = e.times.upper_after;
        ASSERT_EQ(Snapshot(s), expected) << "after stepping forward over move " << i;
    }
    // At the end of a game's own moves: refused with the refusal sound.
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 進む|できません\n");
}

TEST(Replay, StepBackOverACaptureByAPromotedPiece) {
    TestGame t;
    play_long_game(t);
    GameState& s = t.g.st;
    int n = 0;
    for (int i = 1; i <= s.record_count && n == 0; ++i) {
        const RecordEntry& e = s.record[static_cast<size_t>(i)];
        if (is_promoted(e.piece_before) && e.captured != EMPTY && e.captured != COIN) n = i;
    }
    ASSERT_GT(n, 0);
    while (s.record_count > n) test::now(t.g, step_back(t.g));
    const RecordEntry e = s.record[static_cast<size_t>(n)];
    const int slot = hand_slot(e.captured);
    const auto& capturer = e.piece_before > 0 ? s.hand[UPPER] : s.hand[LOWER];
    const int held = capturer[static_cast<size_t>(slot)];
    test::now(t.g, step_back(t.g));
    EXPECT_EQ(t.at(e.from_col, e.from_row), e.piece_before);
    EXPECT_EQ(t.at(e.to_col, e.to_row), e.captured);
    EXPECT_EQ(capturer[static_cast<size_t>(slot)], held - 1);
    EXPECT_TRUE(hands_never_negative(s));
}

TEST(Replay, DropsChangeTheHandByOneEachWayAndLeaveTheCoin) {
    TestGame t;
    play_long_game(t, 31);  // the 31st move is a lower drop
    GameState& s = t.g.st;
    const RecordEntry e = s.record[31];
    ASSERT_EQ(e.from_col, 11);
    const size_t slot = static_cast<size_t>(hand_slot(e.piece_after));
    const int held = s.hand[LOWER][slot], total = s.hand_total(LOWER);
    const int coin_col = s.coin_col(), coin_row = s.coin_row();
    test::now(t.g, step_back(t.g));
    EXPECT_EQ(s.hand[LOWER][slot], held + 1);
    EXPECT_EQ(s.hand_total(LOWER), total + 1);
    EXPECT_EQ(t.at(e.to_col, e.to_row), EMPTY);
    EXPECT_EQ(s.coin_col(), coin_col);
    EXPECT_EQ(s.coin_row(), coin_row);
    test::now(t.g, step_forward(t.g));
    EXPECT_EQ(s.hand[LOWER][slot], held);
    EXPECT_EQ(s.hand_total(LOWER), total);
    EXPECT_EQ(t.at(e.to_col, e.to_row), e.piece_after);
    EXPECT_EQ(s.coin_col(), coin_col);
    EXPECT_EQ(s.coin_row(), coin_row);
}

TEST(Replay, APushedCoinGoesBackAndForthWithTheMove) {
    // The upper rook goes onto the coin's square and pushes it on.
    TestGame t;
    t.put(5, 3, EMPTY);
    t.put(5, 4, EMPTY);
    t.put(5, 7, EMPTY);
    t.put(5, 8, EMPTY);
    t.put(2, 2, EMPTY);
    t.put(5, 2, 900);
    t.menu("START");
    t.move(7, 7, 7, 6);  // lower pawn; the coin goes from (5, 5) to (5, 4)
    ASSERT_EQ(t.g.st.coin_row(), 4);
    t.move(5, 2, 5, 4);  // onto the coin: the coin goes on to (5, 6)
    GameState& s = t.g.st;
    ASSERT_EQ(s.record[2].captured, COIN);
    EXPECT_EQ(s.coin_col(), 5);
    EXPECT_EQ(s.coin_row(), 6);
    test::now(t.g, step_back(t.g));
    EXPECT_EQ(t.at(5, 4), COIN);
    EXPECT_EQ(t.at(5, 2), 900);
    EXPECT_EQ(t.at(5, 6), EMPTY);
    EXPECT_EQ(coins(s), 1);
    EXPECT_EQ(s.coin_row(), 4);
    test::now(t.g, step_forward(t.g));
    EXPECT_EQ(t.at(5, 4), 900);
    EXPECT_EQ(t.at(5, 6), COIN);
    EXPECT_EQ(t.at(5, 2), EMPTY);
    EXPECT_EQ(coins(s), 1);
}

TEST(Replay, ACoinThatReturnsToTheOriginSquare) {
    // A lower gold steps back and the coin, carried by the same step, lands
    // on the square the gold left; stepping over it keeps one coin.
    TestGame t;
    t.put(5, 6, -110);
    t.put(5, 7, EMPTY);
    t.menu("START");
    t.move(5, 6, 5, 7);
    GameState& s = t.g.st;
    ASSERT_EQ(s.record_count, 1);
    ASSERT_EQ(t.at(5, 6), COIN);
    test::now(t.g, step_back(t.g));
    EXPECT_EQ(t.at(5, 6), -110);
    EXPECT_EQ(t.at(5, 5), COIN);
    EXPECT_EQ(t.at(5, 7), EMPTY);
    test::now(t.g, step_forward(t.g));
    EXPECT_EQ(t.at(5, 6), COIN);
    EXPECT_EQ(t.at(5, 7), -110);
    EXPECT_EQ(coins(s), 1);
}

bool near(double a, double b) { return std::abs(a - b) < 1e-6; }

// Keeps the texts drawn and the pictures put on cells.
class DrawLog : public NullPlatform {
public:
    void draw_text(double x, double y, const std::string& text, int colour, int, bool) override {
        texts.push_back({x, y, text, colour});
    }
    void draw_image(int code, double x, double y) override { images.push_back({x, y, "", code}); }
    struct Item {
        double x, y;
        std::string text;
        int code;
    };
    std::vector<Item> texts, images;
};

TEST(Replay, StepsShowAndClearTheLastMove) {
    TestGame t;
    play_long_game(t, 2);  // the upper pawn's 5-3 to 5-4 is the last move
    DrawLog log;
    t.g.io = &log;
    test::now(t.g, step_back(t.g));
    // The upper side's last-move area is painted over with background tiles.
    int tiles = 0;
    for (const auto& i : log.images)
        if (i.code == t.g.st.background_code && near(i.y, cell_y(8)) &&
            (near(i.x, cell_x(-2)) || near(i.x, cell_x(-1)) || near(i.x, cell_x(0))))
            ++tiles;
    EXPECT_EQ(tiles, 3);

    log.texts.clear();
    test::now(t.g, step_forward(t.g));
    // "５四歩": shadow in black, then white 0.1 cell left and up.
    std::vector<std::string> drawn;
    for (const auto& i : log.texts)
        if (near(i.y, cell_y(8.5)) || near(i.y, cell_y(8.4))) drawn.push_back(i.text);
    EXPECT_EQ(drawn, (std::vector<std::string>{"５", "５", "四", "四", "歩", "歩"}));
    bool shadow = false, white = false;
    for (const auto& i : log.texts) {
        if (i.text == "歩" && near(i.x, cell_x(-0.5)) && near(i.y, cell_y(8.5)) && i.code == BLACK)
            shadow = true;
        if (i.text == "歩" && near(i.x, cell_x(-0.6)) && near(i.y, cell_y(8.4)) && i.code == WHITE)
            white = true;
    }
    EXPECT_TRUE(shadow && white);
    t.g.io = &t.io;
}

TEST(Replay, AMoveAfterSteppingBackDiscardsTheMovesBeyond) {
    TestGame t;
    play_long_game(t, 6);
    t.menu("REPLAY");
    t.menu("REPLAY");
    t.take();
    t.click(1, 9, 7);  // the first click after stepping announces the turn
    EXPECT_EQ(t.take(), "message 対局|先手の番です\n");
    t.click(1, 9, 6);
    EXPECT_EQ(t.g.st.record_count, 5);
    EXPECT_EQ(t.g.st.record_end, 5);
    t.take();
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 進む|できません\n");
}

TEST(Replay, RefusalsBeforeAnyGame) {
    TestGame t;
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 開始|「対局」で始めて下さい\n");
    EXPECT_EQ(t.g.st.turn_notice_pending, 0);
    t.menu("REPLAY");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 戻る|できません\n");
}

TEST(Replay, StepsHideTheRecordPanel) {
    TestGame t;
    play_long_game(t, 2);
    t.menu("KIFU_WRITE");
    t.io.boxes[0] = "name";
    ASSERT_TRUE(t.io.entry_shown);
    t.menu("REPLAY");
    EXPECT_FALSE(t.io.entry_shown);
    EXPECT_FALSE(t.io.lists_shown);
    EXPECT_EQ(t.io.boxes[0], "");
}

TEST(Flip, TwiceRestoresThePosition) {
    TestGame t;
    play_long_game(t, 45);  // both sides hold pieces in hand
    GameState& s = t.g.st;
    const GameState before = s;
    ASSERT_GT(s.hand_total(LOWER) + s.hand_total(UPPER), 0);
    t.menu("REVERSE");
    EXPECT_EQ(t.take(), "sound piece\n");
    EXPECT_EQ(s.flipped, 1);
    // Turned half round, sides exchanged.
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int v = before.code_at(c, r);
            int expect = (v >= 10 || v <= -10) ? -v : v;
            ASSERT_EQ(t.at(10 - c, 10 - r), expect) << c << "," << r;
        }
    EXPECT_EQ(s.coin_col(), 10 - before.coin_col());
    EXPECT_EQ(s.coin_row(), 10 - before.coin_row());
    EXPECT_EQ(s.hand[LOWER], before.hand[UPPER]);
    EXPECT_EQ(s.hand[UPPER], before.hand[LOWER]);
    EXPECT_EQ(s.hand_total(LOWER), before.hand_total(UPPER));
    EXPECT_EQ(s.hand_total(UPPER), before.hand_total(LOWER));
    EXPECT_EQ(s.side_to_move, ~before.side_to_move);
    EXPECT_EQ(s.move_number, before.move_number);
    EXPECT_EQ(s.record_count, 0);
    EXPECT_EQ(s.record_end, 0);
    t.menu("REVERSE");
    EXPECT_TRUE(same_position(s, before));
    EXPECT_EQ(s.side_to_move, before.side_to_move);
    EXPECT_EQ(s.flipped, 1);
}

TEST(Flip, NothingToStepThroughAfterwards) {
    TestGame t;
    play_long_game(t, 4);
    t.menu("REVERSE");
    t.take();
    t.menu("REPLAY");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 戻る|できません\n");
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 進む|できません\n");
}

TEST(Flip, AStartCommandAfterwardsCannotReplayMovesFromBeforeIt) {
    // The move count goes on after the flip while the record was given up:
    // a start command must not open the old moves to stepping forward.
    TestGame t;
    play_long_game(t, 3);  // the upper side is to move; after the flip the lower
    t.menu("REVERSE");
    ASSERT_EQ(t.g.st.side_to_move, t.g.st.lower_turn);
    t.take();
    t.menu("SENTE");
    EXPECT_EQ(t.take(), "message 対局|MANの番です\n");
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 進む|できません\n");
    t.menu("START");
    t.take();
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 進む|できません\n");
    EXPECT_EQ(t.g.st.record_count, 0);
}

TEST(Flip, NegatesAHandicapGrade) {
    TestGame t;
    GameState& s = t.g.st;
    s.handicap_set = 1;
    s.handicap_grade = 3;
    t.menu("REVERSE");
    EXPECT_EQ(s.handicap_grade, -3);
    s.handicap_set = 0;
    s.handicap_grade = 2;
    t.menu("REVERSE");
    EXPECT_EQ(s.handicap_grade, 2);
}

TEST(Flip, RefusedWhileARecordIsLoaded) {
    TestGame t;
    t.g.st.record_mode = 1;
    const Grid board = t.g.st.codes();
    t.menu("REVERSE");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 反転|棋譜ﾓｰﾄﾞではできません\n");
    EXPECT_EQ(t.g.st.codes(), board);
    EXPECT_EQ(t.g.st.flipped, 0);
}

TEST(BackToStart, ResetsAndKeepsTheEndOfTheRecord) {
    TestGame t;
    play_long_game(t, 5);
    t.menu("REPLAY");
    t.take();
    t.menu("CANCEL");
    EXPECT_EQ(t.take(), "sound piece\n");
    const GameState& s = t.g.st;
    EXPECT_EQ(s.side_to_move, NO_SIDE);
    EXPECT_EQ(s.record_count, 0);
    EXPECT_EQ(s.record_end, 5);
    EXPECT_EQ(t.at(5, 5), COIN);
}

// Moves played on a handicap or a turned board fit only that board: once
// Home or Yes to "continue?" has cleared the flags, a new game can neither
// step into them nor save them.
TEST(BackToStart, MovesOfAHandicapOrTurnedBoardGoWithTheirFlags) {
    for (const char* leave : {"CANCEL", "the end dialogue"}) {
        for (const char* flag : {"LBEL_UP", "REVERSE"}) {
            TestGame t;
            t.menu(flag);
            t.menu("START");
            t.move(5, 7, 5, 6);
            t.move(5, 3, 5, 4);
            ASSERT_EQ(t.g.st.record_end, 2);
            if (std::string(leave) == "CANCEL") {
                t.menu("CANCEL");
            } else {
                t.put(6, 1, -900);  // the first player takes the king: Yes to continue
                t.move(6, 1, 5, 1);
            }
            const GameState& s = t.g.st;
            EXPECT_EQ(s.record_end, 0) << flag << " then " << leave;
            EXPECT_EQ(s.handicap_set + s.flipped, 0);
            t.menu("START");
            t.take();
            t.menu("AFTER");
            EXPECT_EQ(t.take(), "sound refusal\nmessage 進む|できません\n") << flag << " then " << leave;
            EXPECT_EQ(s.record_count, 0);
        }
    }
}

TEST(Replay, ARecordThatNoLongerFitsThePositionIsNotReplayed) {
    // Moves kept from a game that was played from another position: the
    // pawn that moved first is missing here.
    TestGame t;
    play_long_game(t, 3);
    t.menu("CANCEL");
    t.put(5, 7, EMPTY);  // the first move was the lower pawn from (5, 7)
    t.menu("START");
    t.take();
    ASSERT_EQ(t.g.st.record_end, 3);
    const Grid board = t.g.st.codes();
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 進む|できません\n");
    EXPECT_EQ(t.g.st.codes(), board);
    EXPECT_EQ(t.g.st.record_count, 0);
    EXPECT_EQ(t.g.st.record_end, 0);
}

TEST(Replay, NeitherStepDrivesAHandBelowZero) {
    TestGame t;
    t.menu("START");
    t.take();
    GameState& s = t.g.st;
    // A drop of a silver the lower hand does not hold.
    RecordEntry drop;
    drop.from_col = 11, drop.from_row = 6, drop.to_col = 5, drop.to_row = 6;
    drop.piece_before = drop.piece_after = -100;
    s.record[1] = drop;
    s.record_end = 1;
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 進む|できません\n");
    EXPECT_TRUE(hands_never_negative(s));
    EXPECT_EQ(t.at(5, 6), EMPTY);

    // Taking back a capture whose piece has left the capturer's hand: the
    // lower rook took an upper pawn from (8, 8) to (8, 6).
    RecordEntry capture;
    capture.from_col = 8, capture.from_row = 8, capture.to_col = 8, capture.to_row = 6;
    capture.piece_before = capture.piece_after = -900;
    capture.captured = 10;
    t.put(8, 8, EMPTY);
    t.put(8, 6, -900);
    t.put(5, 5, EMPTY);
    t.put(4, 6, COIN);
    s.move_coin(make_square(4, 6));
    s.record[1] = capture;
    s.record_count = 1;
    s.record_end = 1;
    s.move_number = 1;
    t.menu("REPLAY");
    EXPECT_EQ(t.take(), "sound refusal\nmessage 戻る|できません\n");
    EXPECT_TRUE(hands_never_negative(s));
    EXPECT_EQ(s.record_count, 1);
    // With the pawn in hand the same step is taken.
    s.hand[LOWER][1] = 1;
    t.menu("REPLAY");
    EXPECT_EQ(t.take(), "sound piece\n");
    EXPECT_EQ(s.hand_total(LOWER), 0);
    EXPECT_EQ(t.at(8, 8), -900);
    EXPECT_EQ(t.at(8, 6), 10);
    EXPECT_EQ(t.at(4, 8), COIN);
    EXPECT_EQ(coins(s), 1);
}

}  // namespace
}  // namespace rindou::test

namespace rindou::test {
namespace {

// What stepping and jumping must agree on: the position, the counters, the
// clocks and the record.
std::string snapshot(const GameState& s) {
    std::ostringstream out;
    print_show(s, out);
    out << s.upper_time_total << ' ' << s.lower_time_total << ' ' << s.turn_notice_pending << ' '
        << s.timer_enabled << '\n';
    for (int i = 1; i <= s.record_end; ++i) {
        const RecordEntry& e = s.record[static_cast<size_t>(i)];
        out << e.from_col << e.from_row << e.to_col << e.to_row << ' ' << e.piece_before << ' '
            << e.captured << ' ' << e.piece_after << ' ' << e.times.upper_after << '\n';
    }
    return out.str();
}

TEST(Jump, EveryMoveOfALongGameIsWhereSteppingLeavesItAndPlayingOnDiscardsTheRest) {
    TestGame t;
    t.menu("START");
    Lcg rng{7};
    for (int n = 0; n < 90 && t.g.st.winner == NO_SIDE; ++n) {
        const std::vector<Choice> choices = legal_choices(t.g.st);
        if (choices.empty()) break;
        const Choice& m = choices[static_cast<size_t>(rng.below(static_cast<int>(choices.size())))];
        t.move(m.c1, m.r1, m.c2, m.r2, m.must_promote);
    }
    const int end = t.g.st.record_count;
    ASSERT_GT(end, 40);
    // Stepped back one move at a time, each position is the one a jump
    // from the end gives.
    TestGame stepped;
    stepped.g.st = t.g.st;
    for (int n = end; n >= 0; --n) {
        GameInPlay jumped(t.g.st, Ports{});
        ASSERT_TRUE(jump_to(jumped, n)) << n;
        EXPECT_EQ(snapshot(jumped.st), snapshot(stepped.g.st)) << "at move " << n;
        if (n > 0) now(stepped.g, step_back(stepped.g));
    }
    // From the start forward again, and past the record's end nothing moves.
    GameInPlay g(stepped.g.st, Ports{});
    EXPECT_TRUE(jump_to(g, end / 2));
    EXPECT_EQ(g.st.record_count, end / 2);
    EXPECT_FALSE(jump_to(g, end + 1));
    EXPECT_EQ(g.st.record_count, end / 2);
    // Playing on after a jump discards the moves beyond, as stepping back
    // does: the record ends at the move played.
    TestGame on;
    on.g.st = g.st;
    const std::vector<Choice> choices = legal_choices(on.g.st);
    ASSERT_FALSE(choices.empty());
    on.move(choices[0].c1, choices[0].r1, choices[0].c2, choices[0].r2, choices[0].must_promote);
    EXPECT_EQ(on.g.st.record_count, end / 2 + 1);
    EXPECT_EQ(on.g.st.record_end, end / 2 + 1);
}

// The computer walled in can only pass: the person moves, the computer
// passes, and a take back goes back over the person's move alone, leaving
// no notice for the next click.
TEST(TakeBack, AfterTheComputerPassedOnlyThePersonsMoveGoes) {
    TestGame t;
    t.menu("LEVEL1");
    t.menu("SENTE");
    GameState& s = t.g.st;
    wall_in_the_computer(s);
    t.move(3, 5, 3, 4);
    t.move(3, 4, 3, 3);
    ASSERT_EQ(s.record_count, 2);
    ASSERT_EQ(s.side_to_move, s.lower_turn);
    t.take();
    t.menu("MATTA");
    EXPECT_EQ(s.record_count, 1);
    EXPECT_EQ(t.at(3, 4), -KIN);
    EXPECT_EQ(s.side_to_move, s.lower_turn);
    t.take();
    t.click(1, 3, 4);
    EXPECT_EQ(t.take(), "") << "no turn notice after a take back";
    EXPECT_EQ(s.select_state, 1);
    // Stepped back and forward instead, the notice waits as it always did,
    // and the side to move is still the person's.
    t.click(1, 3, 4);
    t.menu("REPLAY");
    t.menu("AFTER");
    EXPECT_EQ(s.side_to_move, s.lower_turn);
    t.take();
    t.click(1, 3, 4);
    EXPECT_EQ(t.take(), "message 対局|MANの番です\n");
}

// With the computer first the person's 250th move is the record's 500th and
// the computer can play no more: the take back goes back over the person's
// move alone, so that the move played again follows the computer's.
TEST(TakeBack, AtTheRecordsLimitOnlyThePersonsMoveGoes) {
    TestGame t;
    t.menu("LEVEL1");
    t.menu("GOTE");
    GameState& s = t.g.st;
    t.move(7, 7, 7, 6);
    t.move(3, 7, 3, 6);
    ASSERT_EQ(s.record_count, 5);
    // The person's move last: the computer's reply is taken off the board,
    // and the four moves made the last of a full record.
    undo_move(s, s.record[5]);
    for (int i = 4; i >= 1; --i)
        s.record[static_cast<size_t>(RECORD_MAX - 4 + i)] = s.record[static_cast<size_t>(i)];
    s.record_count = s.record_end = s.move_number = RECORD_MAX;
    s.side_to_move = s.upper_turn();
    now(t.g, com_ban(t.g));
    ASSERT_EQ(s.side_to_move, s.lower_turn);
    t.take();
    t.menu("MATTA");
    EXPECT_EQ(s.record_count, RECORD_MAX - 1);
    EXPECT_EQ(s.side_to_move, s.lower_turn);
    EXPECT_EQ(t.at(3, 7), -HU);
    EXPECT_EQ(t.at(7, 6), -HU) << "the computer's move before it stays";
}

TEST(TakeBack, AgainstTheComputerTheMoveAndItsReplyGoTogether) {
    TestGame t;
    t.menu("LEVEL1");
    t.menu("SENTE");
    t.move(7, 7, 7, 6);
    ASSERT_EQ(t.g.st.record_count, 2);
    t.take();
    t.menu("MATTA");
    EXPECT_EQ(t.g.st.record_count, 0);
    EXPECT_EQ(t.g.st.side_to_move, t.g.st.lower_turn);
    EXPECT_EQ(t.at(7, 7), -HU);
    // Nothing left to take back: refused as stepping back is.
    t.take();
    t.menu("MATTA");
    EXPECT_NE(t.take().find("message 戻る|できません"), std::string::npos);
    EXPECT_EQ(t.g.st.record_count, 0);
}

}  // namespace
}  // namespace rindou::test
