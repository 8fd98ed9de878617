// The desktop's drawing calls for what a person did on the page: reads the
// page's log of presses and menu commands ("> press B X Y", "> menu NAME"),
// plays them on the console's platform from a fresh start, and writes each
// command and every drawing call after it in the page's words.  Notices are
// closed at once and questions answered Yes, as the page's test answers them.
//
//   rindou_draw_log < commands
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "app/cli/cli_platform.h"
#include "play/input.h"
#include "play/work.h"
#include "shell/menu.h"
#include "shell/start.h"

namespace {

using namespace rindou;

class DrawingLog : public CliPlatform {
public:
    DrawingLog(std::ostream& events, std::ostream& log) : CliPlatform(events), log_(log) {}
    void draw_image(int code, double x, double y) override { line("image %d %.3f %.3f", code, x, y); }
    void draw_outline(int colour, double x1, double y1, double x2, double y2) override {
        line("outline %d %.3f %.3f %.3f %.3f", colour, x1, y1, x2, y2);
    }
    void draw_text(double x, double y, const std::string& text, int colour, int size,
                   bool bold) override {
        char buf[96];
        std::snprintf(buf, sizeof buf, "text %.3f %.3f %d %d %d ", x, y, colour, size, bold ? 1 : 0);
        if (logging) log_ << buf << escape_text(text) << '\n';
    }
    void present() override {
        if (logging) log_ << "present\n";
    }
    bool ask_yes_no(const std::string&, const std::string&) override { return true; }
    bool logging = false;

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

}  // namespace

int main() {
    std::ostringstream events;
    DrawingLog io(events, std::cout);
    Game g;
    g.io = &io;
    run_at_once(g, start_up(g));
    io.logging = true;
    std::string text;
    while (std::getline(std::cin, text)) {
        std::istringstream words(text);
        std::string mark, what;
        words >> mark >> what;
        if (mark != ">") continue;
        std::cout << text << '\n';
        bool ended = false;
        if (what == "press") {
            int button = 0;
            double x = 0, y = 0;
            words >> button >> x >> y;
            ended = run_at_once(g, on_mouse_down(g, button, x, y));
        } else if (what == "menu") {
            std::string entry;
            words >> entry;
            ended = run_at_once(g, menu_command(g, entry));
        }
        if (ended) break;
    }
    return 0;
}
