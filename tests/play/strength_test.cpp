// Levels and the handicap ladder.
#include <gtest/gtest.h>

#include "core/null_platform.h"
#include "core/record_store.h"
#include "play/strength.h"
#include "tests/support/console.h"
#include "tests/support/test_game.h"
#include "play/flow.h"

namespace rindou::test {
namespace {

constexpr const char* ADVICE = "\\r\\r局面→最初にして下さい";

int pieces(const GameState& s, bool upper) {
    int n = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int p = s.code_at(c, r);
            if (upper ? p >= 10 : p <= -10) ++n;
        }
    return n;
}

TEST(Handicap, TenStepsUpLeaveTheKingAndPawnsAndTheEleventhDoesNothing) {
    TestGame t;
    Grid start = t.g.st.codes();
    for (int i = 0; i < 10; ++i) t.menu("LBEL_UP");
    std::string sounds;
    for (int i = 0; i < 10; ++i) sounds += "sound piece\n";
    EXPECT_EQ(t.take(), sounds);
    const GameState& s = t.g.st;
    EXPECT_EQ(s.handicap_grade, 10);
    EXPECT_EQ(pieces(s, true), 10);
    EXPECT_EQ(s.code_at(5, 1), 950);
    for (int c = 1; c <= 9; ++c) EXPECT_EQ(s.code_at(c, 3), 10);
    EXPECT_EQ(pieces(s, false), 20);

    Grid at_ten = s.codes();
    t.g.st.record_end = 7;
    t.menu("LBEL_UP");
    EXPECT_EQ(t.take(), "");  // no sound
    EXPECT_EQ(s.codes(), at_ten);
    EXPECT_EQ(s.handicap_grade, 10);
    EXPECT_EQ(s.handicap_set, 1);
    EXPECT_EQ(s.record_end, 0);

    for (int i = 0; i < 10; ++i) t.menu("LEBEL_DOWN");
    EXPECT_EQ(s.codes(), start);
    EXPECT_EQ(s.handicap_grade, 0);
}

TEST(Handicap, TheLowerSideLosesItsPiecesInTheSameOrder) {
    TestGame t;
    const GameState& s = t.g.st;
    t.menu("LEBEL_DOWN");
    EXPECT_EQ(s.code_at(2, 8), EMPTY);
    EXPECT_EQ(s.handicap_grade, -1);
    t.menu("LBEL_UP");
    EXPECT_EQ(s.code_at(2, 8), -800);
    EXPECT_EQ(s.handicap_grade, 0);
    EXPECT_EQ(s.handicap_set, 1);

    const int order[10][2] = {{2, 8}, {8, 8}, {1, 9}, {9, 9}, {2, 9},
                              {8, 9}, {3, 9}, {7, 9}, {4, 9}, {6, 9}};
    for (int i = 0; i < 10; ++i) {
        int before = pieces(s, false);
        t.menu("LEBEL_DOWN");
        EXPECT_EQ(s.code_at(order[i][0], order[i][1]), EMPTY) << i;
        EXPECT_EQ(pieces(s, false), before - 1);
    }
    EXPECT_EQ(s.handicap_grade, -10);
    EXPECT_EQ(pieces(s, false), 10);
    EXPECT_EQ(s.code_at(5, 9), -950);
    t.take();
    t.menu("LEBEL_DOWN");
    EXPECT_EQ(t.take(), "");
    EXPECT_EQ(s.handicap_grade, -10);
    // Removed pieces go to nobody's hand.
    EXPECT_EQ(s.hand_total(LOWER) + s.hand_total(UPPER), 0);
}

TEST(Handicap, RefusedAfterAMoveInRecordModeAndWhenFlipped) {
    TestGame t;
    t.menu("START");
    t.move(7, 7, 7, 6);
    t.take();
    t.menu("LBEL_UP");
    EXPECT_EQ(t.take(), std::string("sound refusal\nmessage ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定|対局途中ではできません") +
                            ADVICE + "\n");
    EXPECT_EQ(t.g.st.handicap_set, 0);

    TestGame r;
    r.g.st.record_mode = 1;
    r.g.st.record_end = 5;
    r.menu("LEBEL_DOWN");
    EXPECT_EQ(r.take(), std::string("sound refusal\nmessage ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定|棋譜ﾓｰﾄﾞではできません") +
                            ADVICE + "\n");
    EXPECT_EQ(r.g.st.record_end, 5);
    EXPECT_EQ(r.g.st.code_at(2, 8), -800);

    TestGame f;
    f.g.st.flipped = 1;
    f.menu("LBEL_UP");
    EXPECT_EQ(f.take(), std::string("sound refusal\nmessage ﾊﾝﾃﾞｨｷｬｯﾌﾟ設定|反転後ではできません") +
                            ADVICE + "\n");
    // The first reason found wins.
    f.g.st.record_count = f.g.st.record_end = 1;
    f.menu("LBEL_UP");
    EXPECT_NE(f.take().find("対局途中ではできません"), std::string::npos);
}

TEST(Handicap, TheComputerPlaysTheReducedPosition) {
    std::string out = run_console("menu LBEL_UP\nmenu GOTE\nshow\n");
    EXPECT_NE(out.find("com "), std::string::npos);
    // The bishop's square stays empty and the grade is kept by the start.
    EXPECT_NE(out.find("handicap grade 1 set 1"), std::string::npos) << out;
    EXPECT_NE(out.find("\n0 900 0 0 0 0 0 0 0\n"), std::string::npos);
}

struct CountingPlatform : NullPlatform {
    int texts = 0;
    void draw_text(double, double, const std::string&, int, int, bool) override { ++texts; }
};

struct TextPlatform : NullPlatform {
    std::string texts;
    void draw_text(double, double, const std::string& text, int, int, bool) override {
        texts += text + "\n";
    }
};

TEST(Handicap, TheCaptionNamesTheGrade) {
    TextPlatform io;
    GameInPlay g;
    g.io = &io;
    new_game_reset(g);
    for (int i = 0; i < 10; ++i) test::now(g, handicap_up(g));
    EXPECT_NE(io.texts.find("ﾊﾝﾃﾞｨｷｬｯﾌﾟ:12級"), std::string::npos);
    io.texts.clear();
    for (int i = 0; i < 20; ++i) test::now(g, handicap_down(g));
    EXPECT_NE(io.texts.find("ﾊﾝﾃﾞｨｷｬｯﾌﾟ:２級"), std::string::npos);
    EXPECT_EQ(io.texts.substr(io.texts.rfind("ﾊﾝﾃﾞｨｷｬｯﾌﾟ")), "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:名人\n");
}

TEST(Level, SetsTheLevelAndItsCheckMarkAndDrawsOnlyAgainstTheComputer) {
    CountingPlatform io;
    GameInPlay g;
    g.io = &io;
    set_level(g, 2);
    EXPECT_EQ(g.st.level, 2);
    EXPECT_FALSE(g.st.menu().level1);
    EXPECT_TRUE(g.st.menu().level2);
    EXPECT_FALSE(g.st.menu().level3);
    EXPECT_EQ(io.texts, 0);
    g.st.game_mode = MODE_COM;
    set_level(g, 1);
    EXPECT_TRUE(g.st.menu().level1);
    EXPECT_FALSE(g.st.menu().level2);
    EXPECT_EQ(g.st.level, 1);
    EXPECT_GT(io.texts, 0);
}

TEST(Level, ChangingTheLevelDuringAGameChangesTheNextMove) {
    std::string three = run_console("menu GOTE\n");
    std::string one = run_console("menu LEVEL1\nmenu GOTE\n");
    EXPECT_NE(three.find("com 7 3 7 4 10 10 0 10.0000"), std::string::npos);
    EXPECT_EQ(one.find("com 7 3 7 4 "), std::string::npos) << one;
}

// A position set up by hand can hold the coin on a square the handicap steps
// write; stepping down and up again must keep the one coin where it is.
TEST(Handicap, StepsNeverRemoveTheCoinOfASetUpPosition) {
    TestGame probe;
    Grid start = probe.g.st.codes();
    probe.menu("LEBEL_DOWN");
    int col = 0, row = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r)
            if (probe.g.st.code_at(c, r) != start[size_t(c)][size_t(r)]) col = c, row = r;
    ASSERT_NE(col, 0);

    TestGame t;
    t.g.st.put_code(make_square(5, 5), EMPTY);
    t.g.st.put_code(make_square(col, row), COIN);
    t.g.st.move_coin(make_square(col, row));
    t.menu("LEBEL_DOWN");
    t.menu("LBEL_UP");
    int coins = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) coins += t.g.st.code_at(c, r) == COIN;
    EXPECT_EQ(coins, 1);
    EXPECT_EQ(t.g.st.code_at(col, row), COIN);
}

}  // namespace
}  // namespace rindou::test
