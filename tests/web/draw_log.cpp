// The desktop's drawing calls for what a person did on the page: reads the
// page's log of presses and menu commands ("> press B X Y", "> menu NAME"),
// plays them on the console's platform from a fresh start, and writes each
// command and every drawing call after it in the page's words.  Notices are
// closed at once and questions answered Yes, as the page's test answers them.
//
//   rindou_draw_log < commands
#include <iostream>
#include <sstream>
#include <string>

#include "play/game_in_play.h"
#include "play/input.h"
#include "play/work.h"
#include "shell/menu.h"
#include "shell/start.h"
#include "tests/support/drawing_log.h"

namespace {

using namespace rindou;

// Questions are answered Yes, as the page's test answers them.
class PageTestLog : public test::DrawingLog {
public:
    using DrawingLog::DrawingLog;
    bool ask_yes_no(const std::string&, const std::string&) override { return true; }
};

}  // namespace

int main() {
    std::ostringstream events;
    PageTestLog io(events, std::cout);
    io.logging = false;
    GameInPlay g;
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
