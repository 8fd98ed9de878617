#include "play/move.h"

#include "core/rules.h"
#include "view/draw.h"

namespace rindou {

void execute_move(Game& g, int fc, int fr, int tc, int tr, int piece) {
    const AppliedMove applied = apply_move(g.st, fc, fr, tc, tr, piece);
    draw_move(g, applied, fc, fr, tc, tr, piece);
}

}  // namespace rindou
