#include "play/move.h"

#include "core/rules.h"
#include "play/flow.h"
#include "view/draw.h"

namespace rindou {

void execute_move(Game& g, int fc, int fr, int tc, int tr, int piece) {
    const AppliedMove applied = apply_move(g.st, fc, fr, tc, tr, piece);
    draw_move(g, applied, fc, fr, tc, tr, piece);
}

Work<> blink_square(Game& g, int code, int c, int r, int times) {
    for (int i = 0; i < times; ++i) {
        draw_picture(g, EMPTY, c, r);
        frame_square(g, FRAME_COLOUR, c, r);
        g.io.surface->present();
        co_await pause_seconds(g, 0.2);
        draw_picture(g, code, c, r);
        frame_square(g, FRAME_COLOUR, c, r);
        g.io.surface->present();
        co_await pause_seconds(g, 0.2);
    }
}

}  // namespace rindou
