// Where the pieces of the board's picture stand on screens of other shapes.
// Every front end draws the desktop's picture (draw.h), in twips; an
// arrangement lays parts of that picture out anew for a screen of its own
// shape, and turns a press on that screen back into what was pressed.  The
// desktop's arrangement is the picture itself, unchanged.
#pragma once

#include <string>
#include <vector>

#include "core/types.h"

namespace rindou {

struct Area {
    double x1, y1, x2, y2;
    double width() const { return x2 - x1; }
    double height() const { return y2 - y1; }
    bool contains(double x, double y) const { return x >= x1 && x < x2 && y >= y1 && y < y2; }
};

enum class Shape { Desktop, Portrait, Landscape };

// One part of the picture: the area `from` of the desktop's picture (twips)
// shown in the area `to` of the arrangement (its own units), scaled alike in
// both directions.  A part of a hand names the hand cell it shows, so that a
// press on its count picks that piece too.
struct Placement {
    Area from;
    Area to;
    int hand_col = 0, hand_row = 0;
};

// A button of the arrangement, running the menu table's command of that name.
struct ControlArea {
    std::string command;
    Area to;
};

struct Arrangement {
    Shape shape;
    double width, height;  // the arrangement's extent in its units
    std::vector<Placement> placements;
    std::vector<ControlArea> controls;
    // Each side's row of caption and clock, marked while that side moves,
    // and where the side's name (先手 or 後手) stands in it.
    Area upper_side, lower_side;
    Area upper_name, lower_name;
    // The squares of the board, where the person's eye and finger go.
    Area board;
    // The button that opens the menu as a drawer; empty where the menu bar
    // stands above the picture.
    Area menu;
};

const Arrangement& arrangement(Shape shape);

// The arrangement a screen of that size (CSS pixels) shows: a portrait
// screen narrower than a desktop the portrait one, a landscape screen too low
// for the desktop's picture the landscape one, any other the desktop's.
Shape shape_for(double width, double height);

// What a press at a point of an arrangement names.  A square or a hand cell
// comes with the point of the desktop's picture under the press, where the
// game's own input takes it; a control with its command.
struct Target {
    enum Kind { Nothing, Square, Hand, Control } kind = Nothing;
    int col = 0, row = 0;
    PieceKind hand_kind = NO_KIND;  // the kind a hand cell holds, which is its slot
    double x = 0, y = 0;
    std::string command;
};
Target hit_test(const Arrangement& a, double x, double y);

// The cell of the desktop's picture at a point of it (twips): a square, a
// hand cell with its slot, or Nothing anywhere else.  Every press the game
// takes is judged by this one test, whichever arrangement it came through.
Target cell_at(double x, double y);

}  // namespace rindou
