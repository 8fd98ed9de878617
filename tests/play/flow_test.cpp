// Start commands, the pass, the pause and the ways the program ends.
#include <gtest/gtest.h>

#include <sstream>

#include "core/null_platform.h"
#include "play/flow.h"
#include "shell/start.h"
#include "tests/support/test_game.h"
#include "view/draw.h"

namespace rindou {
namespace {

using test::TestGame;

TEST(StartUp, NoGameLevelThreeAndTheFirstRunSettings) {
    std::ostringstream out;
    test::EventLog io(out);
    GameInPlay started;
    started.io = &io;
    test::now(started, start_up(started));
    EXPECT_EQ(out.str(), "music on\n");
    TestGame t;
    const GameState& s = t.g.st;
    EXPECT_EQ(s.side_to_move, NO_SIDE);
    EXPECT_EQ(s.level, 3);
    EXPECT_TRUE(s.menu().level3);
    EXPECT_EQ(s.lower_turn, LOWER);
    EXPECT_EQ(s.upper_turn(), UPPER);
    int pieces = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) pieces += t.at(c, r) != EMPTY && t.at(c, r) != COIN;
    EXPECT_EQ(pieces, 40);
    EXPECT_EQ(t.at(5, 5), COIN);
}

TEST(StartCommands, SenteAtStartGivesTheLowerSideTheFirstMove) {
    TestGame t;
    GameState& s = t.g.st;
    s.elapsed_shown = false;
    t.menu("SENTE");
    EXPECT_EQ(t.take(), "message  |MANの番です\n");
    EXPECT_EQ(s.game_mode, MODE_COM);
    EXPECT_EQ(s.lower_turn, s.sente_turn);
    EXPECT_EQ(s.side_to_move, s.lower_turn);
    EXPECT_TRUE(s.timer_enabled);  // the clock runs even with the elapsed time unchecked
}

TEST(StartCommands, SenteInTheMiddleOfATwoPersonGameContinuesIt) {
    TestGame t;
    GameState& s = t.g.st;
    t.menu("START");
    t.move(5, 7, 5, 6);
    t.move(5, 3, 5, 4);
    t.take();
    ASSERT_EQ(s.side_to_move, s.lower_turn);
    t.menu("SENTE");
    EXPECT_EQ(t.take(), "message 対局|MANの番です\n");
    EXPECT_EQ(s.lower_turn, s.sente_turn);
    EXPECT_EQ(s.side_to_move, s.sente_turn);
    EXPECT_EQ(t.at(5, 6), -10);
    EXPECT_EQ(s.move_number, 2);
    EXPECT_EQ(s.record_end, s.record_count);
}

TEST(StartCommands, StartWhileAGameIsOnNamesTheSideToMove) {
    TestGame t;
    t.menu("START");
    t.move(5, 7, 5, 6);
    t.take();
    t.menu("START");
    EXPECT_EQ(t.take(), "message  |後手の番です\n");
    EXPECT_EQ(t.g.st.turn_notice_pending, 0);
}

TEST(Pass, AlternatesAndNoGameStaysNoGame) {
    GameState s;
    s.sente_turn = UPPER;
    s.side_to_move = UPPER;
    pass_turn(s);
    EXPECT_EQ(s.side_to_move, LOWER);
    pass_turn(s);
    EXPECT_EQ(s.side_to_move, UPPER);
    s.side_to_move = NO_SIDE;
    pass_turn(s);
    EXPECT_EQ(s.side_to_move, NO_SIDE);
}

TEST(Pause, EndsAcrossMidnight) {
    NullPlatform io;
    GameInPlay g;
    g.io = &io;
    io.clock_ = 86399.8f;
    test::now(g, pause_seconds(g, 0.5));
    EXPECT_GT(io.clock_, 0.29f);
    EXPECT_LT(io.clock_, 0.32f);
    EXPECT_FLOAT_EQ(elapsed_seconds(86399.5f, 1.5f), 2.0f);
}

}  // namespace
}  // namespace rindou
