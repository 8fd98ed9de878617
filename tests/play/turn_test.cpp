// The computer's turn as the console shows it: `think` listings, the moves it
// plays and what it announces.
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>
#include <utility>
#include <vector>

#include "core/record_store.h"
#include "play/clock.h"
#include "core/texts.h"
#include "play/computer_turn.h"
#include "play/deep_play.h"
#include "play/input.h"
#include "tests/support/console.h"
#include "tests/support/position.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

// The person's king in the corner behind two lances; a gold dropped on (1,8)
// under the cover of the gold on (1,7) mates, and so would a pawn.
Pos drop_mate() {
    Pos p;
    p.put(1, 9, -950).put(2, 8, -20).put(2, 9, -20).put(1, 7, 110).put(9, 1, 950);
    p.put(5, 5, COIN);
    p.upper_hand(1, 1).upper_hand(5, 1);
    return p;
}

TEST(ComputerTurn, MateByAPawnScoresMinus9998AndTheSearchStopsAt9998) {
    std::string out = run_console(drop_mate().line() + "think\n");
    EXPECT_NE(out.find("cand -1 1 1 8 10 -9998.0000\n"), std::string::npos);
    std::string cands = lines_with(out, "cand");
    // The gold drop is the last candidate examined.
    std::string last = cands.substr(cands.rfind("cand", cands.size() - 2));
    EXPECT_EQ(last, "cand -1 5 1 8 110 9998.0000\n");
    EXPECT_NE(out.find("best -1 5 1 8 110 9998.0000\n"), std::string::npos);
}

TEST(ComputerTurn, AMateIsAnnouncedInsteadOfTheCheck) {
    std::string out = run_console(drop_mate().line() + "menu GOTE\nshow\n");
    EXPECT_NE(out.find("com -1 5 1 8 110 110 0 9998.0000\nsound piece\nmessage 詰め ?|よし！!\nok\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("王手"), std::string::npos);
    // The game goes on with the person to move.
    EXPECT_NE(out.find("turn side -1 "), std::string::npos);
    EXPECT_NE(out.find("upper_hand 1 0 0 0 0 0 0 total 1"), std::string::npos);
}

TEST(ComputerTurn, ACheckIsAnnouncedWithAnEmptyTitle) {
    // The coin in the corner lets the gold move only up or to the left, and
    // both give check.
    Pos p;
    p.put(1, 1, 950).put(3, 5, 110).put(2, 4, -950).put(9, 9, COIN);
    std::string out = run_console(p.line() + "menu GOTE\n");
    EXPECT_NE(out.find("sound piece\nmessage |   ** 王手 **\nok\n"), std::string::npos) << out;
}

TEST(ComputerTurn, TakingTheKingIsChosenAtOnce) {
    Pos p;
    p.put(1, 1, 950).put(5, 5, 110).put(9, 3, 10).put(5, 6, -950).put(1, 7, -10);
    p.put(9, 1, COIN);
    std::string out = run_console(p.line() + "think\n");
    std::string cands = lines_with(out, "cand");
    EXPECT_EQ(cands.substr(cands.rfind("cand", cands.size() - 2)), "cand 5 5 5 6 110 9999.0000\n");
    EXPECT_EQ(cands.find("cand 9 3"), std::string::npos);  // never examined
    EXPECT_NE(out.find("best 5 5 5 6 110 9999.0000\n"), std::string::npos);

    std::string game = run_console(p.line() + "answer yes\nmenu GOTE\nshow\n");
    EXPECT_NE(game.find("com 5 5 5 6 110 110 -950 9999.0000\nsound piece\n"
                        "message 終了|ｺﾝﾋﾟｭｰﾀの勝ちです\nask 再ゲーム|続けますか？ -> yes\n"),
              std::string::npos)
        << game;
    // A new game has been set up.
    EXPECT_NE(game.find("turn side 0 "), std::string::npos);
}

TEST(ComputerTurn, TheComputerPassesEvenWithPiecesInHand) {
    // Pawns cannot move while the coin stands on the last row.
    Pos p;
    p.put(3, 3, 10).put(6, 3, 10).put(5, 9, -950).put(7, 9, COIN);
    p.upper_hand(5, 2);
    std::string think = run_console(p.line() + "think\n");
    EXPECT_NE(think.find("ok\nbest pass\nok\n"), std::string::npos) << think;
    EXPECT_EQ(think.find("cand"), std::string::npos);

    std::string out = run_console(p.line() + "menu GOTE\nshow\n");
    EXPECT_NE(out.find("message パス|打てる場所がありません。パスです。\nok\n"), std::string::npos);
    EXPECT_EQ(out.find("com "), std::string::npos);
    EXPECT_NE(out.find("turn side -1 "), std::string::npos);
    EXPECT_NE(out.find("record count 0 "), std::string::npos);
}

TEST(ComputerTurn, AfterTheComputerPassesThePersonsClockStartsFromThePass) {
    TestGame t;
    t.io.advance(3600);  // an hour into the day
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) t.put(c, r, EMPTY);
    // Pawns cannot move while the coin stands on the last row.
    t.put(3, 3, 10);
    t.put(5, 9, -950);
    t.put(7, 9, COIN);
    t.g.st.move_coin(make_square(7, 9));
    t.menu("GOTE");
    ASSERT_EQ(t.g.st.side_to_move, t.g.st.lower_turn);
    t.io.advance(5);
    clock_tick(t.g);
    EXPECT_NEAR(t.g.st.move_elapsed, 5, 0.01) << "counted from the pass, not from the day's start";
    EXPECT_TRUE(t.g.st.timer_enabled);
}

TEST(ComputerTurn, PromotionIsForcedOrChosenByKind) {
    Pos p;
    p.put(9, 1, 950).put(5, 9, -950).put(5, 2, COIN);
    p.put(2, 8, 10);   // must promote on row 9
    p.put(3, 7, 30);   // must promote on row 9
    p.put(7, 5, 800);  // may promote in rows 7 to 9: always does
    p.put(8, 6, 100);  // may promote in rows 7 to 9: does when it scores higher
    std::string out = run_console(p.line() + "think\n");
    EXPECT_NE(out.find("cand 2 8 2 9 11 "), std::string::npos) << out;
    EXPECT_NE(out.find("cand 3 7 2 9 31 "), std::string::npos);
    EXPECT_NE(out.find("cand 3 7 4 9 31 "), std::string::npos);
    EXPECT_NE(out.find("cand 7 5 6 6 800 "), std::string::npos);  // outside the zone
    EXPECT_NE(out.find("cand 7 5 5 7 801 "), std::string::npos);
    EXPECT_NE(out.find("cand 7 5 4 8 801 "), std::string::npos);
    // Promotion earns 10 and nothing here takes it back.
    EXPECT_NE(out.find("cand 8 6 8 7 101 "), std::string::npos);
}

TEST(ComputerTurn, ThinkChangesNothingThatFollows) {
    Pos p = drop_mate();
    p.put(1, 7, EMPTY).put(4, 4, 800).put(6, 2, 100).put(3, 6, -100);
    std::string with = run_console(p.line() + "think\nmenu GOTE\nshow\n");
    std::string without = run_console(p.line() + "menu GOTE\nshow\n");
    EXPECT_EQ(lines_with(with, "com") + lines_with(with, "board") + lines_with(with, "turn"),
              lines_with(without, "com") + lines_with(without, "board") +
                  lines_with(without, "turn"));
    size_t think_end = with.find("best");
    ASSERT_NE(think_end, std::string::npos);
    EXPECT_EQ(with.substr(with.find("com ")), without.substr(without.find("com ")));
}

TEST(ComputerTurn, ALevelChangesOnlyTheEvaluation) {
    std::string deep = run_console("menu START\nthink\n");
    std::string shallow = run_console("menu LEVEL1\nmenu START\nthink\n");
    // The same candidates in the same order.
    auto moves = [](const std::string& text) {
        std::string out;
        for (std::string l = lines_with(text, "cand"); !l.empty();) {
            size_t end = l.find('\n');
            std::string line = l.substr(0, end);
            out += line.substr(0, line.rfind(' ')) + "\n";
            l = l.substr(end + 1);
        }
        return out;
    };
    EXPECT_EQ(moves(deep), moves(shallow));
    EXPECT_NE(deep.find("best 7 3 7 4 10 10.0000"), std::string::npos) << deep;
    // At level 1 a quiet pawn move scores nothing but the sweep.
    EXPECT_NE(shallow.find("cand 7 3 7 4 10 0.0000"), std::string::npos) << shallow;
}

TEST(ComputerTurn, AFullRecordStopsTheComputer) {
    TestGame t;
    t.menu("SENTE");
    t.take();
    t.g.st.record_count = RECORD_MAX;
    t.g.st.side_to_move = t.g.st.upper_turn();
    Grid before = t.g.st.codes();
    test::now(t.g, com_ban(t.g));
    std::string out = t.take();
    EXPECT_EQ(out.find("com "), std::string::npos);
    EXPECT_NE(out.find("sound refusal"), std::string::npos);
    EXPECT_EQ(t.g.st.codes(), before);
    EXPECT_EQ(t.g.st.record_count, RECORD_MAX);
    EXPECT_EQ(t.g.st.side_to_move, t.g.st.lower_turn);
}

TEST(ComputerTurn, BoardsWithoutKingsAreSearchedSafely) {
    Pos p;
    p.put(4, 4, 900).put(6, 6, -800).put(5, 7, -10).put(2, 2, 30).put(5, 5, COIN);
    p.upper_hand(4, 1).lower_hand(3, 1);
    std::string out = run_console(p.line() + "think\nmenu GOTE\nshow\n");
    EXPECT_NE(out.find("best "), std::string::npos);
    EXPECT_NE(out.find("com "), std::string::npos);
    EXPECT_EQ(out.find("error"), std::string::npos);
}

TEST(ComputerTurn, TheFirstMoveOfAGameAsSecondPlayer) {
    std::string out = run_console("menu GOTE\nshow\n");
    EXPECT_NE(out.find("com 7 3 7 4 10 10 0 10.0000\n"), std::string::npos) << out;
    EXPECT_NE(out.find("coin 5 6\n"), std::string::npos);
    EXPECT_NE(out.find("record count 1 end 1 "), std::string::npos);
}


// The shape terms of a gold compare the origin with the destination; a drop
// names column -1 and its hand slot (5) as its origin, so a gold dropped on
// rows 1 to 4 counts as a retreat to another column.
TEST(ComputerTurn, AGoldDropOnTheUpperRowsCountsAsARetreat) {
    Pos p;
    p.put(1, 1, 950).put(9, 9, -950).put(9, 1, COIN).put(1, 3, 10);
    p.upper_hand(5, 1);
    auto gold_drops = [&](const char* level) {
        std::string out = run_console(std::string("menu ") + level + "\n" + p.line() + "think\n");
        return lines_with(out, "cand -1 5 ");
    };
    std::string two = gold_drops("LEVEL2"), three = gold_drops("LEVEL3");
    ASSERT_FALSE(two.empty());
    size_t a = 0, b = 0;
    int compared = 0;
    while (a < two.size()) {
        size_t ea = two.find('\n', a), eb = three.find('\n', b);
        std::string la = two.substr(a, ea - a), lb = three.substr(b, eb - b);
        int col = 0, row = 0;
        double sa = 0, sb = 0;
        ASSERT_EQ(std::sscanf(la.c_str(), "cand -1 5 %d %d 110 %lf", &col, &row, &sa), 3);
        ASSERT_EQ(std::sscanf(lb.c_str(), "cand -1 5 %*d %*d 110 %lf", &sb), 1);
        if (row != 2) {
            EXPECT_NEAR(sb - sa, row <= 4 ? -0.5 : 0.0, 1e-9) << la << " / " << lb;
            ++compared;
        }
        a = ea + 1;
        b = eb + 1;
    }
    EXPECT_GT(compared, 40);
}

}  // namespace
}  // namespace rindou::test

namespace rindou::test {
namespace {

// A click at the centre of a cell, as work the test's own runner holds.
Work<> click_at(GameInPlay& g, int col, int row) {
    return on_mouse_down(g, 1, board_left + square_width * col + 307,
                         board_top + square_height * row + 345);
}

// A search that found a move without promotion; a drop from column -1 names
// its kind by the row.
deep::SearchResult found(int fc, int fr, int tc, int tr) {
    deep::SearchResult r;
    r.found = true;
    const Square to = make_square(tc, tr);
    r.best = fc == -1 ? Move::drop(PieceKind(fr), to) : Move::board(make_square(fc, fr), to);
    return r;
}

// A search that could not be run is asked for once more.  Failed again, or
// ended without a move although the pass test found one, the computer keeps
// its turn and says so instead of handing the move back without a word; a
// click on the board resumes it.
TEST(ComputerTurn, AFailedSearchKeepsTheTurnAndSaysSo) {
    TestGame t;
    t.menu("LEVEL4");
    t.menu("SENTE");
    GameState& s = t.g.st;
    Runner r;
    r.start(click_at(t.g, 7, 7));
    r.start(click_at(t.g, 7, 6));
    ASSERT_EQ(r.wait().kind, Wait::Kind::Search);
    r.search_failed();
    ASSERT_EQ(r.wait().kind, Wait::Kind::Search) << "asked once more";
    r.search_failed();
    ASSERT_EQ(r.wait().kind, Wait::Kind::Notice);
    EXPECT_EQ(r.wait().text, text(Text::SearchFailed));
    r.resume();
    EXPECT_FALSE(r.busy());
    EXPECT_EQ(s.side_to_move, s.upper_turn());
    EXPECT_EQ(s.record_count, 1);

    // The next click resumes the computer; a search that ends without a
    // move is told the same way.
    r.start(click_at(t.g, 3, 7));
    ASSERT_EQ(r.wait().kind, Wait::Kind::Notice);
    EXPECT_EQ(r.wait().title, text(Text::TitleResume));
    r.resume();
    ASSERT_EQ(r.wait().kind, Wait::Kind::Search);
    r.deliver(deep::SearchResult{});
    ASSERT_EQ(r.wait().kind, Wait::Kind::Notice);
    EXPECT_EQ(r.wait().text, text(Text::SearchFailed));
    r.resume();
    EXPECT_EQ(s.side_to_move, s.upper_turn());
    EXPECT_EQ(s.record_count, 1);

    // A search that answers plays its move, and the person moves next.
    r.start(click_at(t.g, 3, 7));
    r.resume();
    ASSERT_EQ(r.wait().kind, Wait::Kind::Search);
    r.deliver(found(3, 3, 3, 4));
    while (r.busy()) {
        if (r.wait().kind == Wait::Kind::Pause) t.io.advance(r.wait().seconds);
        r.resume();
    }
    EXPECT_EQ(s.record_count, 2);
    EXPECT_EQ(s.code_at(3, 4), HU);
    EXPECT_EQ(s.side_to_move, s.lower_turn);
}

// The hint's words stand for the position they were given for: in the
// language of the moment, and gone once a move is played.
TEST(Hint, TheWordsBelongToThePositionTheyWereGivenFor) {
    TestGame t;
    t.menu("START");
    Runner r;
    r.start(give_hint(t.g));
    ASSERT_EQ(r.wait().kind, Wait::Kind::Search);
    r.deliver(found(7, 7, 7, 6));
    const std::string japanese = hint_words(t.g.st);
    EXPECT_EQ(japanese.rfind("ヒント ", 0), 0u) << japanese;
    set_language(Language::English);
    const std::string english = hint_words(t.g.st);
    set_language(Language::Japanese);
    EXPECT_EQ(english.rfind("Hint ", 0), 0u) << english;
    EXPECT_EQ(japanese_in(english), "");
    t.move(7, 7, 7, 6);
    EXPECT_EQ(hint_words(t.g.st), "");

    // A hint that could not be worked out says so.
    r.start(give_hint(t.g));
    r.search_failed();
    ASSERT_EQ(r.wait().kind, Wait::Kind::Notice);
    EXPECT_EQ(r.wait().text, text(Text::HintSearchFailed));
    r.resume();
    EXPECT_EQ(hint_words(t.g.st), "");
}

// The hint's frames come off the cells they were put on, for a drop from
// either hand as for a board move: the cells are worked out again from the
// hint's move when it is taken off.
TEST(Hint, ItsFramesComeOffTheCellsTheyWerePutOn) {
    using Outline = std::tuple<int, double, double>;  // colour, left, top
    struct Outlines : SurfacePort {
        void draw_image(int, double, double) override {}
        void draw_outline(int colour, double x1, double y1, double, double) override {
            seen.push_back({colour, x1, y1});
        }
        void draw_text(double, double, const std::string&, int, int, bool) override {}
        void present() override {}
        std::vector<Outline> seen;
    };
    // Where the outlines of one colour were drawn, in order.
    auto cells = [](const std::vector<Outline>& outlines, int colour) {
        std::vector<std::pair<double, double>> out;
        for (const auto& [c, x, y] : outlines)
            if (c == colour) out.push_back({x, y});
        return out;
    };
    const struct {
        bool upper;
        deep::SearchResult hint;
    } cases[] = {{false, found(-1, KIN_SLOT, 5, 5)},
                 {true, found(-1, KIN_SLOT, 5, 5)},
                 {true, found(3, 3, 3, 4)}};
    for (const auto& c : cases) {
        TestGame t;
        t.menu("START");
        GameState& s = t.g.st;
        if (c.upper) s.side_to_move = s.upper_turn();
        Outlines drawn;
        t.g.io.surface = &drawn;
        Runner r;
        r.start(give_hint(t.g));
        ASSERT_EQ(r.wait().kind, Wait::Kind::Search);
        r.deliver(c.hint);
        ASSERT_TRUE(s.hint_shown);
        const std::vector<Outline> put = drawn.seen;
        ASSERT_EQ(put.size(), 2u);
        drawn.seen.clear();
        clear_hint(t.g);
        EXPECT_EQ(drawn.seen.size(), 2u);
        EXPECT_EQ(cells(drawn.seen, FRAME_COLOUR), cells(put, std::get<0>(put[0])))
            << "upper " << c.upper;
    }
}

}  // namespace
}  // namespace rindou::test
