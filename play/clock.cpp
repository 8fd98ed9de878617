#include "play/clock.h"

#include "view/draw.h"

namespace rindou {

void clock_tick(Game& g) {
    GameState& s = g.st;
    if (!s.timer_enabled) return;
    s.move_elapsed = elapsed_seconds(s.move_start_time, g.io.clock->now());
    int whole = static_cast<int>(s.move_elapsed);
    if (whole == g.view.clock_shown_second) return;
    g.view.clock_shown_second = whole;
    if (s.side_to_move == s.upper_turn())
        draw_clock(g, s.upper_turn(), s.move_elapsed + s.upper_time_total);
    else if (s.side_to_move == s.lower_turn)
        draw_clock(g, s.lower_turn, s.move_elapsed + s.lower_time_total);
    g.io.surface->present();
}

void set_clock_tick(Game& g, bool enabled) { g.st.timer_enabled = enabled; }

}  // namespace rindou
