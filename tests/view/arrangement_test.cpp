#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>

#include "core/state.h"
#include "view/arrangement.h"

namespace rindou {
namespace {

// Every square, hand cell and control a grid of presses over the whole
// arrangement finds, each with how often; and whether each press that found
// a square or hand cell lands in that cell of the desktop's picture.
struct Scan {
    std::map<std::pair<int, int>, int> squares, hands;
    std::set<std::string> controls;
    bool points_in_their_cells = true;
};

Scan scan(const Arrangement& a, double step) {
    Scan s;
    for (double y = step / 2; y < a.height; y += step)
        for (double x = step / 2; x < a.width; x += step) {
            const Target t = hit_test(a, x, y);
            if (t.kind == Target::Control) s.controls.insert(t.command);
            if (t.kind != Target::Square && t.kind != Target::Hand) continue;
            (t.kind == Target::Square ? s.squares : s.hands)[{t.col, t.row}] += 1;
            const double c = (t.x - board_left) / square_width, r = (t.y - board_top) / square_height;
            if (c < t.col || c >= t.col + 1 || r < t.row || r >= t.row + 1) s.points_in_their_cells = false;
        }
    return s;
}

TEST(Arrangement, EveryShapeReachesEverySquareHandCellAndItsOwnControls) {
    for (Shape shape : {Shape::Desktop, Shape::Portrait, Shape::Landscape}) {
        SCOPED_TRACE(static_cast<int>(shape));
        const Arrangement& a = arrangement(shape);
        const Scan s = scan(a, 40);
        EXPECT_EQ(s.squares.size(), 81u);
        EXPECT_EQ(s.hands.size(), 14u);
        for (int r = 1; r <= 7; ++r) EXPECT_TRUE(s.hands.count({UPPER_HAND_COL, r})) << r;
        for (int r = 3; r <= 9; ++r) EXPECT_TRUE(s.hands.count({LOWER_HAND_COL, r})) << r;
        EXPECT_TRUE(s.points_in_their_cells);
        EXPECT_EQ(s.controls.size(), a.controls.size());
        // Nothing stands outside the arrangement or on another part.
        for (size_t i = 0; i < a.placements.size(); ++i) {
            const Area& p = a.placements[i].to;
            EXPECT_GE(p.x1, 0);
            EXPECT_GE(p.y1, 0);
            EXPECT_LE(p.x2, a.width + 1e-6);
            EXPECT_LE(p.y2, a.height + 1e-6);
            // Alike in both directions: no picture is stretched.
            EXPECT_NEAR(p.width() / p.height(), a.placements[i].from.width() / a.placements[i].from.height(), 1e-9);
            for (size_t j = i + 1; j < a.placements.size(); ++j) {
                const Area& q = a.placements[j].to;
                EXPECT_FALSE(p.x1 < q.x2 - 1e-6 && q.x1 < p.x2 - 1e-6 && p.y1 < q.y2 - 1e-6 && q.y1 < p.y2 - 1e-6)
                    << i << " overlaps " << j;
            }
        }
    }
}

TEST(Arrangement, TheDesktopIsItsPictureAndAPressLandsWhereItWas) {
    const Arrangement& a = arrangement(Shape::Desktop);
    EXPECT_TRUE(a.controls.empty());
    const double x = board_left + square_width * 3.2, y = board_top + square_height * 7.9;
    const Target t = hit_test(a, x, y);
    EXPECT_EQ(t.kind, Target::Square);
    EXPECT_EQ(t.col, 3);
    EXPECT_EQ(t.row, 7);
    EXPECT_DOUBLE_EQ(t.x, x);
    EXPECT_DOUBLE_EQ(t.y, y);
    // A hand's count is no piece.
    EXPECT_EQ(hit_test(a, board_left + square_width * 12.5, board_top + square_height * 5.5).kind,
              Target::Nothing);
}

// The game's own hit test: the hands' cells name the kinds they hold, counting up
// the lower hand and down the upper; nothing else beside the board is hit.
TEST(Arrangement, APointOfThePictureNamesItsSquareOrHandSlot) {
    const auto at = [](double c, double r) {
        return cell_at(board_left + square_width * c, board_top + square_height * r);
    };
    EXPECT_EQ(at(9.99, 1.01).kind, Target::Square);
    EXPECT_EQ(at(10.01, 5).kind, Target::Nothing);
    const Target lower_pawn = at(LOWER_HAND_COL + 0.5, 3.5), lower_rook = at(LOWER_HAND_COL + 0.5, 9.5);
    EXPECT_EQ(lower_pawn.kind, Target::Hand);
    EXPECT_EQ(lower_pawn.hand_kind, PAWN);
    EXPECT_EQ(lower_rook.hand_kind, ROOK);
    const Target upper_pawn = at(UPPER_HAND_COL + 0.5, 7.5), upper_rook = at(UPPER_HAND_COL + 0.5, 1.5);
    EXPECT_EQ(upper_pawn.kind, Target::Hand);
    EXPECT_EQ(upper_pawn.hand_kind, PAWN);
    EXPECT_EQ(upper_rook.hand_kind, ROOK);
    EXPECT_EQ(at(UPPER_HAND_COL + 0.5, 8.5).kind, Target::Nothing);
    EXPECT_EQ(at(LOWER_HAND_COL + 0.5, 2.5).kind, Target::Nothing);
    EXPECT_EQ(at(LOWER_HAND_COL + 1.5, 5.5).kind, Target::Nothing);
}

// The phone's sizes in CSS pixels: the arrangement scaled to fit them.
double fitted(const Arrangement& a, double width, double height) {
    return std::min(width / a.width, height / a.height);
}

TEST(Arrangement, PhoneSquaresTakeAFingerAndHandsStayOffTheSideEdges) {
    const Arrangement& tall = arrangement(Shape::Portrait);
    // A 360 × 740 phone keeps about 720 pixels below its menu button.
    const double s = fitted(tall, 360, 720);
    EXPECT_GE(square_width * s, 38);
    EXPECT_GE(tall.board.width() * s, 0.95 * 342);
    const Arrangement& wide = arrangement(Shape::Landscape);
    EXPECT_GE(square_width * fitted(wide, 844, 390), 32);
    for (const Arrangement* a : {&tall, &wide}) {
        const double k = fitted(*a, a == &tall ? 360 : 844, a == &tall ? 720 : 390);
        for (const Placement& p : a->placements) {
            if (p.hand_col == 0) continue;
            EXPECT_GE(p.to.x1 * k, 16);
            EXPECT_GE((a->width - p.to.x2) * k, 16);
        }
    }
    // A press on a hand's count picks the piece beside it.
    for (const Placement& p : tall.placements) {
        if (p.hand_col != LOWER_HAND_COL || p.hand_row != 5) continue;
        const Target t = hit_test(tall, p.to.x2 - 1, p.to.y2 - 1);
        EXPECT_EQ(t.kind, Target::Hand);
        EXPECT_EQ(t.row, 5);
        EXPECT_DOUBLE_EQ(t.x, board_left + square_width * (LOWER_HAND_COL + 0.5));
    }
}

TEST(Arrangement, TheScreensShapeChoosesTheArrangement) {
    EXPECT_EQ(shape_for(360, 740), Shape::Portrait);
    EXPECT_EQ(shape_for(390, 844), Shape::Portrait);
    EXPECT_EQ(shape_for(820, 1180), Shape::Portrait);
    EXPECT_EQ(shape_for(844, 390), Shape::Landscape);
    EXPECT_EQ(shape_for(1280, 800), Shape::Desktop);
    EXPECT_EQ(shape_for(1024, 1366), Shape::Desktop);
}

}  // namespace
}  // namespace rindou
