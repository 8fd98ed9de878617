// The view's arrangements as the page reads them: each as JSON, and a
// press on one turned into what was pressed.
#include <emscripten.h>

#include <sstream>
#include <string>

#include "core/texts.h"
#include "view/arrangement.h"

namespace {

rindou::Shape shape_of(int shape) {
    if (shape == 1) return rindou::Shape::Portrait;
    if (shape == 2) return rindou::Shape::Landscape;
    return rindou::Shape::Desktop;
}

void area(std::ostream& out, const rindou::Area& a) {
    out << '[' << a.x1 << ',' << a.y1 << ',' << a.x2 << ',' << a.y2 << ']';
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int rindou_shape_for(double width, double height) {
    return static_cast<int>(rindou::shape_for(width, height));
}

EMSCRIPTEN_KEEPALIVE const char* rindou_arrangement(int shape) {
    static std::string slot;
    const rindou::Arrangement& a = rindou::arrangement(shape_of(shape));
    std::ostringstream out;
    out.precision(10);
    out << "{\"shape\":" << static_cast<int>(a.shape) << ",\"width\":" << a.width
        << ",\"height\":" << a.height << ",\"placements\":[";
    for (size_t i = 0; i < a.placements.size(); ++i) {
        if (i) out << ',';
        out << "{\"from\":";
        area(out, a.placements[i].from);
        out << ",\"to\":";
        area(out, a.placements[i].to);
        out << '}';
    }
    out << "],\"controls\":[";
    for (size_t i = 0; i < a.controls.size(); ++i) {
        if (i) out << ',';
        out << "{\"command\":\"" << a.controls[i].command << "\",\"to\":";
        area(out, a.controls[i].to);
        out << '}';
    }
    out << "],\"upper\":";
    area(out, a.upper_side);
    out << ",\"lower\":";
    area(out, a.lower_side);
    out << ",\"upperName\":";
    area(out, a.upper_name);
    out << ",\"lowerName\":";
    area(out, a.lower_name);
    out << ",\"board\":";
    area(out, a.board);
    out << ",\"menu\":";
    area(out, a.menu);
    out << '}';
    slot = out.str();
    return slot.c_str();
}

// The names of the side that moves first and of the other, in the
// language chosen.
EMSCRIPTEN_KEEPALIVE const char* rindou_side_names() {
    static std::string slot;
    slot = rindou::text(rindou::Text::PlayerFirst) + "\n" + rindou::text(rindou::Text::PlayerSecond);
    return slot.c_str();
}

// kind (0 nothing, 1 square, 2 hand cell, 3 control), then the cell, the
// point of the desktop's picture and the control's command.
EMSCRIPTEN_KEEPALIVE const char* rindou_hit(int shape, double x, double y) {
    static std::string slot;
    const rindou::Target t = rindou::hit_test(rindou::arrangement(shape_of(shape)), x, y);
    std::ostringstream out;
    out.precision(10);
    out << "{\"kind\":" << static_cast<int>(t.kind) << ",\"col\":" << t.col << ",\"row\":" << t.row
        << ",\"x\":" << t.x << ",\"y\":" << t.y << ",\"command\":\"" << t.command << "\"}";
    slot = out.str();
    return slot.c_str();
}

}  // extern "C"
