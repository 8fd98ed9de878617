#include "view/arrangement.h"

#include <cmath>

#include "core/state.h"

namespace rindou {

namespace {

// The desktop's picture: 707 × 555 pixels of 15 twips.
constexpr double PICTURE_WIDTH = 707 * 15, PICTURE_HEIGHT = 555 * 15;

// The area of the desktop's picture between two cell coordinates.
Area cells(double c1, double r1, double c2, double r2) {
    return {board_left + square_width * c1, board_top + square_height * r1,
            board_left + square_width * c2, board_top + square_height * r2};
}

// The room a phone keeps clear at the screen's sides, so that a thumb
// reaching for a piece in hand does not also touch the screen's edge (about
// 18 CSS pixels where the board spans a 360-pixel screen).
constexpr double EDGE = 300;
// The board's right edge in columns: the rank numerals get what is left of
// the last column, so that a 360-pixel screen still shows squares of 38
// pixels.
constexpr double RIGHT_EDGE_COL = 10.45;
// A hand cell with its count beside it, cut where a count of two digits ends.
constexpr double COUNT_END = 0.65;

// The cells of the upper hand (its column, rows 1..7 for slots 7..1) and of
// the lower hand (rows 3..9 for slots 1..7), with their counts.
Area upper_hand_cell(int row) { return cells(UPPER_HAND_COL, row, UPPER_HAND_COL + 1 + COUNT_END, row + 1); }
Area lower_hand_cell(int row) { return cells(LOWER_HAND_COL, row, LOWER_HAND_COL + 1 + COUNT_END, row + 1); }

// What each side shows beside its hand: the level or the handicap, the
// thinking caption or the last move, and the clock.
const std::vector<Area>& upper_captions() {
    static const std::vector<Area> parts = {cells(-1.6, 0, 0.7, 1), cells(-1.7, 8, 0.6, 9),
                                            cells(-1.7, 9, 0.35, 10)};
    return parts;
}
const std::vector<Area>& lower_captions() {
    static const std::vector<Area> parts = {cells(11, 1, 14, 2), cells(12.3, 2, 15.3, 3),
                                            cells(12.9, 9, 15, 10)};
    return parts;
}
// The last move of each side with the move number between them.
const std::vector<Area>& last_moves() {
    static const std::vector<Area> parts = {cells(-1.7, 8, 0.6, 9), cells(12.9, 3, 15, 4),
                                            cells(12.3, 2, 15.3, 3)};
    return parts;
}

// The board's squares at (x, y), and beside them each rank's numeral cut
// round its glyph and shrunk to the narrow room the board leaves it.
void board_at(Arrangement& a, double x, double y) {
    const Area squares = cells(1, 1, 10, 10);
    a.board = {x, y, x + squares.width(), y + squares.height()};
    a.placements.push_back({squares, a.board});
    const double room = square_width * (RIGHT_EDGE_COL - 10);
    for (int r = 1; r <= 9; ++r) {
        const Area numeral = cells(10.02, r + 0.22, 10.62, r + 0.82);
        const double h = numeral.height() * room / numeral.width();
        const double top = y + square_height * (r - 1) + (square_height - h) / 2;
        a.placements.push_back({numeral, {a.board.x2, top, a.board.x2 + room, top + h}});
    }
}

// The controls, in the order a thumb meets them.
const std::vector<std::string>& control_commands() {
    static const std::vector<std::string> commands = {"MATTA",   "HINT",    "REPLAY",
                                                      "AFTER",   "REVERSE", "TOURYOU"};
    return commands;
}

// Parts laid side by side from (x, y) at the height h, all shrunk alike
// when they would pass `room`; returns the width used.
double row_of(Arrangement& a, const std::vector<Area>& parts, double x, double y, double room,
              double h, int hand_col = 0, const std::vector<int>& hand_rows = {}) {
    double natural = 0;
    for (const Area& p : parts) natural += p.width() * h / p.height();
    const double shrink = natural > room ? room / natural : 1;
    const double height = h * shrink;
    const double top = y + (h - height) / 2;
    double at = x;
    for (size_t i = 0; i < parts.size(); ++i) {
        const Area& p = parts[i];
        const double w = p.width() * height / p.height();
        Placement placed{p, {at, top, at + w, top + height}};
        if (hand_col != 0) {
            placed.hand_col = hand_col;
            placed.hand_row = hand_rows[i];
        }
        a.placements.push_back(placed);
        at += w;
    }
    return at - x;
}

// The same parts one above the other, each at the height h, from (x, y).
double column_of(Arrangement& a, const std::vector<Area>& parts, double x, double y, double room,
                 double h) {
    for (const Area& p : parts) {
        row_of(a, {p}, x, y, room, h);
        y += h;
    }
    return h * static_cast<double>(parts.size());
}

void controls_in(Arrangement& a, double x, double y, double width, double height, int per_row) {
    const auto& commands = control_commands();
    const double gap = 80;
    const int rows = (static_cast<int>(commands.size()) + per_row - 1) / per_row;
    const double w = (width - gap * (per_row - 1)) / per_row;
    const double h = (height - gap * (rows - 1)) / rows;
    for (size_t i = 0; i < commands.size(); ++i) {
        const double cx = x + static_cast<double>(static_cast<int>(i) % per_row) * (w + gap);
        const double cy = y + static_cast<double>(static_cast<int>(i) / per_row) * (h + gap);
        a.controls.push_back({commands[i], {cx, cy, cx + w, cy + h}});
    }
}

Arrangement desktop() {
    Arrangement a{};
    a.shape = Shape::Desktop;
    a.width = PICTURE_WIDTH;
    a.height = PICTURE_HEIGHT;
    const Area whole{0, 0, PICTURE_WIDTH, PICTURE_HEIGHT};
    a.placements.push_back({whole, whole});
    a.board = cells(1, 1, 10, 10);
    a.menu = {0, 0, 0, 0};
    return a;
}

// The board at the screen's whole width, each hand as a row above and below
// it with its side's captions outside it, then the controls and the last
// moves.
Arrangement portrait() {
    Arrangement a{};
    a.shape = Shape::Portrait;
    const double width = square_width * (RIGHT_EDGE_COL - 1);
    a.width = width;
    const double room = width - 2 * EDGE;
    const double strip = 600;
    // The menu's button at the top right, beside the upper side's captions.
    const double menu = 700;
    double y = 0;
    a.menu = {width - menu, 0, width, strip};
    const double upper_top = y;
    // Each side's name (先手 or 後手) first in its row of captions.
    const double name = 1000;
    a.upper_name = {EDGE, y, EDGE + name, y + strip};
    row_of(a, upper_captions(), EDGE + name, y, room - menu - name, strip);
    y += strip;
    std::vector<Area> hand;
    std::vector<int> rows;
    for (int r = 1; r <= 7; ++r) {
        hand.push_back(upper_hand_cell(r));
        rows.push_back(r);
    }
    const double hand_h = square_height * room / (hand[0].width() * 7);
    row_of(a, hand, EDGE, y, room, hand_h, UPPER_HAND_COL, rows);
    y += hand_h;
    a.upper_side = {0, upper_top, width, y};
    row_of(a, {cells(1, 0, RIGHT_EDGE_COL, 1)}, 0, y, width, square_height);
    y += square_height;
    board_at(a, 0, y);
    y += square_height * 9;
    // Under the board: the lower player's name of a loaded record.
    const Area names = cells(1, 10, RIGHT_EDGE_COL, 10.6);
    row_of(a, {names}, 0, y, width, names.height());
    y += names.height();
    const double lower_top = y;
    hand.clear();
    rows.clear();
    for (int r = 3; r <= 9; ++r) {
        hand.push_back(lower_hand_cell(r));
        rows.push_back(r);
    }
    row_of(a, hand, EDGE, y, room, hand_h, LOWER_HAND_COL, rows);
    y += hand_h;
    a.lower_name = {EDGE, y, EDGE + name, y + strip};
    row_of(a, lower_captions(), EDGE + name, y, room - name, strip);
    y += strip;
    a.lower_side = {0, lower_top, width, y};
    const double controls_h = 800;
    controls_in(a, EDGE / 2, y + 60, width - EDGE, controls_h - 120, 6);
    y += controls_h;
    row_of(a, last_moves(), EDGE, y, room, strip);
    y += strip;
    a.height = y;
    return a;
}

// A phone held sideways: the hands beside the board as on the desktop, and
// a column of captions, clocks, the last moves and the controls.
Arrangement landscape() {
    Arrangement a{};
    a.shape = Shape::Landscape;
    const double pad = 100, gap = 120;
    const double file_row = 0.7 * square_height;
    const double board_top_y = pad + file_row;
    const double hand_w = upper_hand_cell(1).width();
    double x = EDGE;
    for (int r = 1; r <= 7; ++r)
        row_of(a, {upper_hand_cell(r)}, x, board_top_y + square_height * (r - 1), hand_w,
               square_height, UPPER_HAND_COL, {r});
    x += hand_w + gap;
    row_of(a, {cells(1, 0.3, RIGHT_EDGE_COL, 1)}, x, pad, square_width * 9.45, file_row);
    board_at(a, x, board_top_y);
    x += square_width * (RIGHT_EDGE_COL - 1) + gap;
    for (int r = 3; r <= 9; ++r)
        row_of(a, {lower_hand_cell(r)}, x, board_top_y + square_height * (r - 3), hand_w,
               square_height, LOWER_HAND_COL, {r});
    x += hand_w + 2 * gap;
    const double side_w = 4300, line = 540, menu = 700;
    double y = pad;
    a.menu = {x + side_w - menu, y, x + side_w, y + menu};
    const double upper_top = y;
    a.upper_name = {x, y, x + side_w - menu, y + line};
    y += line;
    y += column_of(a, upper_captions(), x, y, side_w - menu, line);
    a.upper_side = {x - gap, upper_top, x + side_w, y};
    y += gap;
    const double lower_top = y;
    a.lower_name = {x, y, x + side_w, y + line};
    y += line;
    y += column_of(a, lower_captions(), x, y, side_w, line);
    a.lower_side = {x - gap, lower_top, x + side_w, y};
    y += gap;
    y += column_of(a, {last_moves()[1]}, x, y, side_w, line);
    y += gap;
    const double bottom = board_top_y + square_height * 9;
    controls_in(a, x, y, side_w, bottom - y, 3);
    a.width = x + side_w + EDGE;
    a.height = bottom + pad;
    return a;
}

}  // namespace

const Arrangement& arrangement(Shape shape) {
    static const Arrangement shapes[] = {desktop(), portrait(), landscape()};
    return shapes[static_cast<int>(shape)];
}

Shape shape_for(double width, double height) {
    // Below this width a portrait screen shows the desktop's picture with
    // squares too small for a finger.
    constexpr double DESKTOP_WIDTH = 980;
    // A landscape screen lower than this squeezes the desktop's picture so.
    constexpr double DESKTOP_HEIGHT = 500;
    if (height > width && width < DESKTOP_WIDTH) return Shape::Portrait;
    if (width >= height && height < DESKTOP_HEIGHT) return Shape::Landscape;
    return Shape::Desktop;
}

Target hit_test(const Arrangement& a, double x, double y) {
    Target t;
    for (const ControlArea& c : a.controls)
        if (c.to.contains(x, y)) {
            t.kind = Target::Control;
            t.command = c.command;
            return t;
        }
    for (const Placement& p : a.placements) {
        if (!p.to.contains(x, y)) continue;
        if (p.hand_col != 0) {
            // The centre of the hand cell, wherever on its picture or count
            // the press landed.
            return cell_at(board_left + square_width * (p.hand_col + 0.5),
                           board_top + square_height * (p.hand_row + 0.5));
        }
        return cell_at(p.from.x1 + (x - p.to.x1) * p.from.width() / p.to.width(),
                       p.from.y1 + (y - p.to.y1) * p.from.height() / p.to.height());
    }
    return t;
}

Target cell_at(double x, double y) {
    Target t;
    t.x = x;
    t.y = y;
    t.col = static_cast<int>(std::floor((x - board_left) / square_width));
    t.row = static_cast<int>(std::floor((y - board_top) / square_height));
    if (on_board(t.col, t.row)) {
        t.kind = Target::Square;
    } else if (t.col == UPPER_HAND_COL && t.row >= upper_hand_row(7) && t.row <= upper_hand_row(1)) {
        t.kind = Target::Hand;
        t.hand_kind = PieceKind(upper_hand_slot(t.row));
    } else if (t.col == LOWER_HAND_COL && t.row >= lower_hand_row(1) && t.row <= lower_hand_row(7)) {
        t.kind = Target::Hand;
        t.hand_kind = PieceKind(lower_hand_slot(t.row));
    } else {
        t = Target{};
    }
    return t;
}

}  // namespace rindou
