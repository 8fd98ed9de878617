// The console's platform with every drawing call written to a log, in the
// words the golden games and the web page's log use.
#pragma once

#include <cstdio>
#include <ostream>
#include <string>

#include "app/cli/cli_platform.h"

namespace rindou::test {

class DrawingLog : public CliPlatform {
public:
    // The events go to `events`, the drawing calls to `log` (the same stream
    // for one log of everything, in order).
    DrawingLog(std::ostream& events, std::ostream& log) : CliPlatform(events), log_(log) {}
    void draw_image(int code, double x, double y) override {
        line("image %d %.3f %.3f", code, x, y);
    }
    void draw_outline(int colour, double x1, double y1, double x2, double y2) override {
        line("outline %d %.3f %.3f %.3f %.3f", colour, x1, y1, x2, y2);
    }
    void draw_text(double x, double y, const std::string& text, int colour, int size,
                   bool bold) override {
        if (!logging) return;
        char buf[96];
        std::snprintf(buf, sizeof buf, "text %.3f %.3f %d %d %d ", x, y, colour, size, bold ? 1 : 0);
        log_ << buf << escape_text(text) << '\n';
    }
    void present() override {
        if (logging) log_ << "present\n";
    }
    // The desktop's language (Japanese unless told).
    Language preferred_language() override { return language; }

    Language language = Language::Japanese;
    bool logging = true;

private:
    template <typename... A>
    void line(const char* format, A... args) {
        if (!logging) return;
        char buf[160];
        std::snprintf(buf, sizeof buf, format, args...);
        log_ << buf << '\n';
    }
    std::ostream& log_;
};

}  // namespace rindou::test
