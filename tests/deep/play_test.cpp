// The deep search in the game: LEVEL4/LEVEL5 turns, the hint, the console's
// `search`, and the game's own ends seen by the search.
#include <gtest/gtest.h>

#include <algorithm>

#include "deep/search.h"
#include "tests/support/console.h"
#include "tests/support/position.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

// The upper king on (5,1) with nothing to defend it; a lower gold dropped on
// (5,2), backed by the pawn on (5,3), leaves it no escape.  The lower king
// can still move, so the lower side may drop.
Pos mate_by_drop() {
    Pos p;
    p.put(5, 1, OU).put(5, 3, -HU).put(5, 9, -OU).put(9, 5, COIN).lower_hand(5, 1);
    return p;
}

std::string first_line(const std::string& text, const std::string& prefix) {
    std::string all = lines_with(text, prefix);
    return all.substr(0, all.find('\n'));
}

TEST(DeepPlay, TheGamesOwnMateTestIsAWinOnlyAgainstTheComputer) {
    std::string setup = setup_line(mate_by_drop().s, -1, 1);
    std::string com = run_console(setup + "\nsearch 4\n");
    EXPECT_EQ(first_line(com, "best"), "best -1 5 5 2 -110") << com;
    // Found at the first depth: the test ends the game right after the drop.
    EXPECT_EQ(first_line(com, "info depth 1").rfind("info depth 1 score 29999 ", 0), 0u) << com;

    // Between two people only taking the king wins, a move later.
    std::string two = run_console(setup_line(mate_by_drop().s, -1, 0) + "\nsearch 4\n");
    EXPECT_EQ(first_line(two, "info depth 1").find("score 29999"), std::string::npos) << two;

    // The upper side takes a king it can reach, and the output is the same on
    // every run.
    Pos take;
    take.put(5, 1, OU).put(5, 9, -OU).put(2, 9, SYA).put(1, 5, COIN).put(1, 1, -KAKU);
    std::string line = setup_line(take.s, 1, 1) + "\nsearch 5\n";
    std::string once = run_console(line);
    EXPECT_EQ(first_line(once, "best").rfind("best 2 9 5 9 ", 0), 0u) << once;
    EXPECT_EQ(once, run_console(line));
}

TEST(DeepPlay, ComputerAtLevelFiveMovesAsThinkSaysAndLevelMarksAreExclusive) {
    TestGame t;
    t.menu("LEVEL5");
    EXPECT_TRUE(t.g.st.menu().level5);
    EXPECT_FALSE(t.g.st.menu().level3);
    EXPECT_EQ(t.g.st.level, 5);
    t.menu("LEVEL4");
    EXPECT_TRUE(t.g.st.menu().level4);
    EXPECT_FALSE(t.g.st.menu().level5);
    t.menu("LEVEL5");

    std::string out = run_console("menu LEVEL5\nmenu SENTE\nmove 7 7 7 6\n");
    std::string com = first_line(out, "com ");
    ASSERT_FALSE(com.empty()) << out;
    // think on the position the computer met names the move it played.
    t.menu("START");
    t.move(7, 7, 7, 6);
    std::string think = run_console(setup_line(t.g.st, 1, 1) + "\nmenu LEVEL5\nthink\n");
    std::string best = first_line(think, "best ");
    ASSERT_EQ(best.size() > 5, true) << think;
    std::string coords = best.substr(5, best.rfind(' ') - 5);  // fc fr tc tr
    EXPECT_EQ(com.rfind("com " + coords + " ", 0), 0u) << com << " / " << best;
}

TEST(DeepPlay, HintFramesTheSearchsMoveOrIsRefused) {
    TestGame t;
    t.take();
    t.menu("HINT");
    EXPECT_EQ(t.take(), "sound refusal\nmessage ヒント|今はヒントを出せません\n");

    t.menu("START");
    t.take();
    GameState before = t.g.st;
    t.menu("HINT");
    std::string hint = t.take();
    ASSERT_EQ(hint.rfind("hint ", 0), 0u) << hint;
    EXPECT_EQ(t.g.st.codes(), before.codes());
    EXPECT_EQ(t.g.st.move_number, before.move_number);
    // The hint is the LEVEL5 search's move for the side to move.
    std::string search = run_console("menu START\nsearch 5\n");
    EXPECT_EQ(hint.substr(5), first_line(search, "best").substr(5) + "\n");
    EXPECT_TRUE(t.g.st.hint_shown);
    t.click(1, 1, 5);  // any click takes the frames away
    EXPECT_FALSE(t.g.st.hint_shown);

    // The computer to move: refused.
    t.g.st.game_mode = MODE_COM;
    t.g.st.side_to_move = t.g.st.upper_turn();
    t.take();
    t.menu("HINT");
    EXPECT_EQ(t.take(), "sound refusal\nmessage ヒント|今はヒントを出せません\n");
}

}  // namespace
}  // namespace rindou::test

namespace rindou::test {
namespace {

TEST(DeepPlay, GameHistoryIsTakenBackToEveryEarlierPosition) {
    TestGame t;
    t.menu("START");
    std::vector<uint64_t> seen{deep::Position::from_state(t.g.st, t.g.st.side_to_move).key};
    // A capture, a coin push back and forth, and a drop.
    const int moves[][5] = {{3, 7, 3, 6, 0}, {7, 3, 7, 4, 0}, {3, 6, 3, 5, 0}, {7, 4, 7, 5, 0},
                            {3, 5, 3, 4, 0}, {7, 5, 7, 6, 0}, {3, 4, 3, 3, 1}, {7, 6, 7, 7, 0},
                            {11, 3, 7, 6, 0}};
    for (const auto& m : moves) {
        t.move(m[0], m[1], m[2], m[3], m[4] == 1);
        seen.push_back(deep::Position::from_state(t.g.st, t.g.st.side_to_move).key);
    }
    ASSERT_EQ(t.g.st.move_number, 9) << t.take();
    ASSERT_EQ(t.g.st.code_at(7, 6), -HU);
    seen.pop_back();  // the present position is not history
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(deep::history_keys(t.g.st), seen);
}

}  // namespace
}  // namespace rindou::test
