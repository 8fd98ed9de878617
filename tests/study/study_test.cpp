// The study of a game: scores and marks from the deep search at small
// budgets, on games played through the clicks as a player plays them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "core/record_store.h"
#include "record/record_moves.h"
#include "study/study.h"
#include "tests/support/record_games.h"
#include "tests/support/test_game.h"

namespace rindou {
namespace {

using study::Mark;

constexpr uint64_t BUDGET = 3000;

void play(test::TestGame& t, const std::vector<test::MoveText>& moves) {
    for (const test::MoveText& m : moves) t.move(m.c1, m.r1, m.c2, m.r2, m.promote);
}

// The lower side's fifth move puts its rook where the upper bishop takes it
// for nothing, and the bishop does.
const std::vector<test::MoveText> ROOK_LEFT_HANGING = {
    {8, 7, 8, 6, 0}, {7, 3, 7, 4, 0}, {8, 6, 8, 5, 0}, {8, 2, 6, 4, 0}, {8, 8, 8, 6, 0}, {6, 4, 8, 6, 0},
};

TEST(Study, ARookLeftToBeTakenIsABlunderAndABetterMoveIsNamed) {
    test::TestGame t;
    t.menu("START");
    play(t, ROOK_LEFT_HANGING);
    const GameState copy = t.g.st;
    const study::GameAnalysis a = study::analyse_game_nodes(t.g.st, BUDGET);
    EXPECT_EQ(test::Snapshot(t.g.st), test::Snapshot(copy));
    EXPECT_EQ(std::memcmp(&t.g.st.record, &copy.record, sizeof copy.record), 0);

    ASSERT_EQ(a.moves.size(), 6u);
    EXPECT_EQ(a.ending, study::Ending::RecordEnd);
    const study::MoveReview& blunder = a.moves[4];
    EXPECT_EQ(blunder.number, 5);
    EXPECT_FALSE(blunder.upper);
    EXPECT_EQ(blunder.notation, "２六飛");
    EXPECT_EQ(blunder.mark, Mark::Blunder);
    EXPECT_LT(blunder.after, blunder.before - 700);  // about a rook
    ASSERT_TRUE(blunder.better);
    EXPECT_NE(blunder.best, Move::board(make_square(8, 8), make_square(8, 6)));
    EXPECT_FALSE(blunder.best_notation.empty());
    // The capture that follows is what the upper side should play; the
    // position the blunder left is scored once, for both moves.
    EXPECT_EQ(a.moves[5].mark, Mark::None);
    EXPECT_EQ(a.moves[5].before, -blunder.after);
    EXPECT_EQ(a.lower.blunders, 1);
    EXPECT_EQ(a.lower.moves, 3);
    EXPECT_EQ(a.upper.blunders + a.upper.mistakes + a.upper.inaccuracies, 0);
}

TEST(Study, AQuietEvenOpeningHasNothingWorseThanAnInaccuracy) {
    test::TestGame t;
    t.menu("START");
    play(t, {{3, 7, 3, 6, 0}, {7, 3, 7, 4, 0}, {7, 7, 7, 6, 0}, {3, 3, 3, 4, 0},
             {2, 7, 2, 6, 0}, {8, 3, 8, 4, 0}, {6, 9, 5, 8, 0}, {4, 1, 5, 2, 0}});
    const study::GameAnalysis a = study::analyse_game_nodes(t.g.st, BUDGET);
    ASSERT_EQ(a.moves.size(), 8u);
    for (const study::MoveReview& m : a.moves) {
        EXPECT_LE(static_cast<int>(m.mark), static_cast<int>(Mark::Inaccuracy)) << m.number;
        EXPECT_LT(m.drop, study::MISTAKE_DROP) << m.number;
    }
}

// A record stepped back, one cut short by an entry that does not fit, and
// a game that ends with a king taken.
TEST(Study, TheWholeRecordUpToAnEntryThatDoesNotFitOrAKingTaken) {
    test::TestGame t;
    t.menu("START");
    play(t, ROOK_LEFT_HANGING);
    GameState s = t.g.st;
    s.record_count = 2;  // stepped back: the analysis still covers the whole record
    s.move_number = 2;
    EXPECT_EQ(study::analyse_game_nodes(s, BUDGET).moves.size(), 6u);

    s.record[4].to_row = 9;  // a bishop move that cannot be
    const study::GameAnalysis cut = study::analyse_game_nodes(s, BUDGET);
    EXPECT_EQ(cut.ending, study::Ending::Unplayable);
    EXPECT_EQ(cut.stop_entry, 4);
    EXPECT_EQ(cut.moves.size(), 3u);

    // Set up: the lower gold takes the upper king (a game the board leaves
    // at once; its kept record still holds it).
    GameState g;
    reset_to_no_game(g);
    g.squares.fill(NO_PIECE);
    g.put_code(make_square(5, 1), OU);
    g.put_code(make_square(5, 2), -KIN);
    g.put_code(make_square(5, 9), -OU);
    g.put_code(make_square(9, 9), COIN);
    g.move_coin(make_square(9, 9));
    g.keep_state = KEEP_NEVER;
    append_move_record(g, RecordEntry{5, 2, 5, 1, -KIN, OU, -KIN, MoveTimes{}}, MoveTimes{});
    redo_move(g, g.record[1]);
    g.move_number = 1;
    const study::GameAnalysis won = study::analyse_game_nodes(g, BUDGET);
    EXPECT_EQ(won.ending, study::Ending::KingTaken);
    ASSERT_EQ(won.moves.size(), 1u);
    EXPECT_GT(won.moves[0].after, deep::WIN_BOUND);
    EXPECT_EQ(won.moves[0].mark, Mark::None);
}

// Against the computer, walled in with its golds and with the coin in the
// corner, the computer can only pass: the record holds the person's moves
// one after another, from a position set up on the board.
TEST(Study, ASideThatMovesTwiceRunningFollowsAPass) {
    test::TestGame t;
    t.menu("START");
    GameState& s = t.g.st;
    test::wall_in_the_computer(s);
    s.keep_state = KEEP_NEVER;
    s.side_to_move = s.lower_turn;
    t.move(3, 5, 3, 4);
    t.move(5, 6, 5, 5);
    t.move(9, 5, 9, 6);
    ASSERT_EQ(s.record_count, 3);
    const study::GameAnalysis a = study::analyse_game_nodes(s, BUDGET);
    ASSERT_EQ(a.moves.size(), 3u);
    EXPECT_EQ(a.ending, study::Ending::RecordEnd);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FALSE(a.moves[i].upper);
        EXPECT_EQ(a.moves[i].after_pass, i > 0);
        // After a pass the mover moves again: the score after one move is the
        // score before the next, for the same side.
        if (i > 0) {
            EXPECT_EQ(a.moves[i].before, a.moves[i - 1].after);
        }
    }
    EXPECT_EQ(a.upper.moves, 0);
}

TEST(Study, ProgressCountsThePositionsAndCancellingKeepsTheMovesDone) {
    test::TestGame t;
    t.menu("START");
    play(t, ROOK_LEFT_HANGING);
    std::atomic<bool> cancel{false};
    std::vector<std::pair<int, int>> reports;
    study::Hooks hooks;
    hooks.cancel = &cancel;
    hooks.progress = [&](int done, int total) {
        reports.emplace_back(done, total);
        if (done == 3) cancel = true;
    };
    const study::GameAnalysis a = study::analyse_game_nodes(t.g.st, BUDGET, hooks);
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{1, 7}, {2, 7}, {3, 7}}));
    EXPECT_EQ(a.ending, study::Ending::Cancelled);
    ASSERT_EQ(a.moves.size(), 2u);
    // What was analysed is what the whole analysis says of those moves.
    const study::GameAnalysis whole = study::analyse_game_nodes(t.g.st, BUDGET);
    EXPECT_EQ(a.moves[1].after, whole.moves[1].after);
    EXPECT_EQ(a.moves[1].best_notation, whole.moves[1].best_notation);
}

}  // namespace
}  // namespace rindou
