#include <gtest/gtest.h>

#include <algorithm>

#include "play/clock.h"
#include "tests/view/recording_surface.h"
#include "view/draw.h"

namespace rindou {
namespace {

using test::DrawCall;
using test::RecordingSurface;

class DrawTest : public ::testing::Test {
protected:
    DrawTest() {
        g.io = &surface;
        g.st.elapsed_shown = true;
    }
    // The coloured (second) text of a shadowed pair with the given content.
    const DrawCall* text(const std::string& content, int colour) const {
        for (const DrawCall& c : surface.calls)
            if (c.kind == DrawCall::Text && c.text == content && c.code == colour) return &c;
        return nullptr;
    }
    RecordingSurface surface;
    Game g;
};

TEST(ClockFormat, HoursMinutesSecondsAndTheirEdges) {
    EXPECT_EQ(format_hms(5), "00:00:05");
    EXPECT_EQ(format_hms(59.9f), "00:00:59");
    EXPECT_EQ(format_hms(60), "00:01:00");
    EXPECT_EQ(format_hms(3600), "01:00:00");
    EXPECT_EQ(format_hms(3725), "01:02:05");
    EXPECT_EQ(format_hms(99 * 3600 + 59 * 60 + 59), "99:59:59");
    // From 100 hours on the hours field is empty.
    EXPECT_EQ(format_hms(100 * 3600 + 61), ":01:01");
}

TEST(ClockFormat, ElapsedTimeAcrossMidnight) {
    EXPECT_FLOAT_EQ(elapsed_seconds(100, 130.5f), 30.5f);
    EXPECT_FLOAT_EQ(elapsed_seconds(86399.5f, 1.5f), 2.0f);
    EXPECT_FLOAT_EQ(elapsed_seconds(86000, 0), 400.0f);
    EXPECT_FLOAT_EQ(elapsed_seconds(42, 42), 0.0f);
}

TEST_F(DrawTest, ClockTickDrawsOncePerWholeSecond) {
    GameState& s = g.st;
    s.side_to_move = s.lower_turn;
    s.lower_time_total = 3590;
    s.move_start_time = 86399;  // the move began a second before midnight
    s.timer_enabled = true;
    surface.clock_ = 0.2f;  // 1200 ms later
    clock_tick(g);
    surface.clock_ = 0.6f;
    clock_tick(g);
    surface.clock_ = 0.9f;
    clock_tick(g);
    auto t = surface.texts();
    ASSERT_EQ(t.size(), 2u) << "one shadowed clock for three ticks in the same second";
    EXPECT_EQ(t[1].text, "00:59:51");
    EXPECT_EQ(t[1].code, WHITE);
    EXPECT_DOUBLE_EQ(t[1].x, cell_x(13));
    EXPECT_DOUBLE_EQ(t[1].y, cell_y(9.2));
    EXPECT_EQ(t[0].code, BLACK);
    EXPECT_DOUBLE_EQ(t[0].x, cell_x(13.1));

    surface.calls.clear();
    surface.clock_ = 1.0f;  // the next second
    clock_tick(g);
    EXPECT_EQ(surface.texts().size(), 2u);
    EXPECT_EQ(surface.calls.back().kind, DrawCall::Present);

    surface.calls.clear();
    s.timer_enabled = false;
    surface.clock_ = 5.0f;
    clock_tick(g);
    EXPECT_TRUE(surface.calls.empty());
}

TEST_F(DrawTest, ClockOfTheUpperSideAndTheOptionOff) {
    draw_clock(g, g.st.upper_turn(), 3600);
    const DrawCall* c = text("01:00:00", WHITE);
    ASSERT_NE(c, nullptr);
    EXPECT_DOUBLE_EQ(c->x, cell_x(-1.6));
    // The text may touch the board's corner square: its outline comes last.
    EXPECT_EQ(surface.calls.back().kind, DrawCall::Outline);
    EXPECT_DOUBLE_EQ(surface.calls.back().x, cell_x(1));

    surface.calls.clear();
    g.st.elapsed_shown = false;
    draw_clock(g, g.st.upper_turn(), 10);
    draw_clock(g, g.st.lower_turn, 10);
    EXPECT_TRUE(surface.calls.empty());
}

TEST_F(DrawTest, MoveNumberShiftsLeftAtTenAndAtAHundred) {
    const struct {
        int n;
        double c;
        const char* shown;
    } cases[] = {{9, 13.2, " 9"}, {10, 13.1, " 10"}, {99, 13.1, " 99"}, {100, 13.0, " 100"},
                 {500, 13.0, " 500"}};
    for (const auto& k : cases) {
        surface.calls.clear();
        draw_move_number(g, k.n);
        const DrawCall* number = text(k.shown, WHITE);
        ASSERT_NE(number, nullptr) << k.n;
        EXPECT_NEAR(number->x, cell_x(k.c), 1e-6) << k.n;
        EXPECT_NEAR(number->y, cell_y(3.3), 1e-6);
        const DrawCall* shadow = text(k.shown, BLACK);
        ASSERT_NE(shadow, nullptr);
        EXPECT_NEAR(shadow->x, cell_x(k.c + 0.1), 1e-6);
        // The suffix stays where it is.
        const DrawCall* suffix = text("手目", WHITE);
        ASSERT_NE(suffix, nullptr);
        EXPECT_NEAR(suffix->x, 120 + cell_x(13.8), 1e-6);
        EXPECT_NEAR(suffix->y, 160 + cell_y(3.1), 1e-6);
    }
}

TEST_F(DrawTest, HandCountsOfTenAndMoreAndEmptySlots) {
    g.st.hand[LOWER][1] = 12;  // pawns
    g.st.hand[LOWER][7] = 1;   // a rook
    g.st.hand[UPPER][6] = 10;  // bishops
    draw_lower_hand(g);
    draw_upper_hand(g);
    const DrawCall* pawns = text(" 12", LIGHT_RED);
    ASSERT_NE(pawns, nullptr);
    EXPECT_DOUBLE_EQ(pawns->x, cell_x(12));
    EXPECT_NEAR(pawns->y, cell_y(3.2), 1e-6);
    EXPECT_EQ(pawns->size, 14);
    const DrawCall* bishops = text(" 10", LIGHT_RED);
    ASSERT_NE(bishops, nullptr);
    EXPECT_DOUBLE_EQ(bishops->x, cell_x(0));
    EXPECT_NEAR(bishops->y, cell_y(2.2), 1e-6);  // bishop: upper hand row 2
    ASSERT_NE(text(" 1", LIGHT_RED), nullptr);
    // Six texts in all: three shadowed counts; empty slots show no count.
    EXPECT_EQ(surface.texts().size(), 6u);
    // Every slot first gets the empty square; a held kind then its piece.
    auto images_at = [this](double c, double r) {
        std::vector<int> codes;
        for (const DrawCall& d : surface.calls)
            if (d.kind == DrawCall::Image && d.x == cell_x(c) && d.y == cell_y(r))
                codes.push_back(d.code);
        return codes;
    };
    EXPECT_EQ(images_at(11, 3), (std::vector<int>{EMPTY, -HU}));
    EXPECT_EQ(images_at(11, 4), (std::vector<int>{EMPTY}));
    EXPECT_EQ(images_at(11, 9), (std::vector<int>{EMPTY, -SYA}));
    EXPECT_EQ(images_at(-1, 2), (std::vector<int>{EMPTY, KAKU}));
}

TEST_F(DrawTest, RedrawAllPaintsInItsOrder) {
    g.st.put_code(make_square(5, 5), COIN);
    g.st.put_code(make_square(5, 9), -OU);
    g.st.game_mode = MODE_COM;
    g.st.level = 2;
    g.st.handicap_set = 1;
    g.st.handicap_grade = 3;
    redraw_all(g);
    const auto& calls = surface.calls;
    int from = 0;
    auto first = [&calls, &from](auto pred) {
        auto it = std::find_if(calls.begin() + from, calls.end(), pred);
        return it == calls.end() ? -1 : static_cast<int>(it - calls.begin());
    };
    auto last = [&calls](auto pred) {
        auto it = std::find_if(calls.rbegin(), calls.rend(), pred);
        return it == calls.rend() ? -1 : static_cast<int>(calls.rend() - it) - 1;
    };
    auto image_at = [](double c, double r) {
        return [c, r](const DrawCall& d) {
            return d.kind == DrawCall::Image && d.x == cell_x(c) && d.y == cell_y(r);
        };
    };
    auto text_is = [](const std::string& t) {
        return [t](const DrawCall& d) { return d.kind == DrawCall::Text && d.text == t; };
    };
    // The background over everything outside the board, starting top left;
    EXPECT_EQ(first([](const DrawCall&) { return true; }), first(image_at(-3, -2)));
    int background_end = last(image_at(28, 17));
    int tiles = 0;
    for (int i = 0; i <= background_end; ++i) tiles += calls[static_cast<size_t>(i)].kind == DrawCall::Image;
    EXPECT_EQ(tiles, 32 * 20 - 81);
    from = background_end + 1;
    // then frame labels, the lower hand, the upper hand, the board, the clocks,
    // the level, the handicap caption and the logo.
    int labels = first(text_is(" 9"));
    int lower_hand = first(image_at(11, 3));
    int upper_hand = first(image_at(-1, 1));
    int board = first(image_at(1, 1));
    int upper_clock = first(text_is("00:00:00"));
    int level = first(text_is("LEVEL"));
    int handicap = first(text_is(caption_text(3)));
    int logo = first([](const DrawCall& d) { return d.kind == DrawCall::Image && d.code == 1; });
    EXPECT_LT(background_end, labels);
    EXPECT_LT(labels, lower_hand);
    EXPECT_LT(lower_hand, upper_hand);
    EXPECT_LT(upper_hand, board);
    EXPECT_LT(board, upper_clock);
    EXPECT_LT(upper_clock, level);
    EXPECT_LT(level, handicap);
    EXPECT_LT(handicap, logo);
    EXPECT_EQ(calls[static_cast<size_t>(logo)].x, cell_x(10.8));
    EXPECT_EQ(calls[static_cast<size_t>(logo)].y, cell_y(0));
    EXPECT_EQ(calls.back().kind, DrawCall::Present);
    EXPECT_EQ(logo, static_cast<int>(calls.size()) - 2);
    // The board entries are drawn as they stand.
    EXPECT_NE(first([](const DrawCall& d) {
                  return d.kind == DrawCall::Image && d.code == COIN && d.x == cell_x(5) &&
                         d.y == cell_y(5);
              }),
              -1);
    // From the frame on, every text is bold.
    for (size_t i = static_cast<size_t>(labels); i < calls.size(); ++i) {
        if (calls[i].kind == DrawCall::Text) {
            EXPECT_TRUE(calls[i].bold) << calls[i].text;
        }
    }
}

TEST_F(DrawTest, NumeralsAndCaptionsOutsideTheirRangeWriteNothing) {
    print_at(g, 1, 1, 10, WHITE, 1, 12);
    print_at(g, 1, 1, 0, WHITE, 1, 12);
    print_caption(g, 1, 1, 11, WHITE, 10);
    print_caption(g, 1, 1, -11, WHITE, 10);
    EXPECT_TRUE(surface.calls.empty());
    print_at(g, 1, 1, 9, WHITE, 1, 12);
    print_at(g, 1, 1, -5, WHITE, 0, 12);
    auto t = surface.texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, "九");
    EXPECT_EQ(t[1].text, "-5");  // the sign takes the blank's place
}

}  // namespace
}  // namespace rindou
