// A platform that keeps a log of the drawing calls, for tests of the
// drawing routines.
#pragma once

#include <string>
#include <vector>

#include "core/null_platform.h"

namespace rindou::test {

struct DrawCall {
    enum Kind { Image, Outline, Text, Present } kind;
    int code = 0;  // picture code or colour
    double x = 0, y = 0, x2 = 0, y2 = 0;
    std::string text;
    int size = 0;
    bool bold = false;
};

class RecordingSurface : public NullPlatform {
public:
    void draw_image(int code, double x, double y) override {
        calls.push_back({DrawCall::Image, code, x, y, 0, 0, {}, 0, false});
    }
    void draw_outline(int colour, double x1, double y1, double x2, double y2) override {
        calls.push_back({DrawCall::Outline, colour, x1, y1, x2, y2, {}, 0, false});
    }
    void draw_text(double x, double y, const std::string& text, int colour, int size,
                   bool bold) override {
        calls.push_back({DrawCall::Text, colour, x, y, 0, 0, text, size, bold});
    }
    void present() override { calls.push_back({DrawCall::Present, 0, 0, 0, 0, 0, {}, 0, false}); }

    std::vector<DrawCall> texts() const {
        std::vector<DrawCall> out;
        for (const DrawCall& c : calls)
            if (c.kind == DrawCall::Text) out.push_back(c);
        return out;
    }

    std::vector<DrawCall> calls;
};

}  // namespace rindou::test
