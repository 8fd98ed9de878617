// Resigning: who gives up, the end it leads to, and when it is refused.
#include <gtest/gtest.h>

#include "tests/support/test_game.h"

namespace rindou {
namespace {

using test::TestGame;

TEST(Resign, IsRefusedWithoutAGameAndWhileARecordIsStepped) {
    TestGame t;
    t.menu("TOURYOU");
    EXPECT_EQ(t.take(), "sound refusal\n");
    EXPECT_EQ(t.g.st.side_to_move, NO_SIDE);

    t.menu("START");
    t.move(7, 7, 7, 6);
    t.take();
    t.g.st.record_mode = 1;  // what loading a record leaves
    const GameState before = t.g.st;
    t.menu("TOURYOU");
    EXPECT_EQ(t.take(), "sound refusal\n");
    EXPECT_EQ(t.g.st.side_to_move, before.side_to_move);
    EXPECT_EQ(t.g.st.move_number, 1);
}

TEST(Resign, AgainstTheComputerThePersonLosesAsIfTheKingWereTaken) {
    TestGame t;
    t.menu("SENTE");
    t.move(7, 7, 7, 6);
    t.take();
    ASSERT_EQ(t.g.st.side_to_move, t.g.st.lower_turn);
    t.menu("TOURYOU");
    EXPECT_EQ(t.take(), "message 終了|ｺﾝﾋﾟｭｰﾀの勝ちです\nask 再ゲーム|続けますか？ -> yes\n");
    // Yes leaves no game, as after any win.
    EXPECT_EQ(t.g.st.side_to_move, NO_SIDE);
    EXPECT_FALSE(t.g.st.timer_enabled);

    // No ends the program, as after any win.
    t.menu("GOTE");
    t.take();
    t.io.answers.push_back(false);
    EXPECT_THROW(t.menu("TOURYOU"), test::Ended);
    EXPECT_EQ(t.take().rfind("message 終了|ｺﾝﾋﾟｭｰﾀの勝ちです\nask 再ゲーム|続けますか？ -> no\n", 0), 0u);
}

TEST(Resign, BetweenTwoPeopleTheSideToMoveLoses) {
    TestGame t;
    t.menu("START");
    t.take();
    t.menu("TOURYOU");  // the first player gives up before moving
    EXPECT_EQ(t.take(), "message 終了|後手の勝ちです\nask 再ゲーム|続けますか？ -> yes\n");

    t.menu("START");
    t.move(7, 7, 7, 6);
    t.take();
    t.menu("TOURYOU");
    EXPECT_EQ(t.take(), "message 終了|先手の勝ちです\nask 再ゲーム|続けますか？ -> yes\n");
}

}  // namespace
}  // namespace rindou
