// Position analysis: the square control maps and the checkmate test of the
// upper king.
#pragma once

#include "core/state.h"

namespace rindou {

// Fills every map of s.maps (but the four never-reset arrays) and the king
// squares from the board.
void analyse_position(GameState& s);
// 1 when the upper king is checkmated; analyse_position must have just run.
int upper_mate_test(GameState& s);

}  // namespace rindou
