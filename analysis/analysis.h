// Position analysis: the square control maps and the checkmate test of the
// upper king.
#pragma once

#include "analysis/maps.h"
#include "core/state.h"

namespace rindou {

// Fills every map (but the four never-reset arrays) and the position's king
// squares from the board.
void analyse_position(Position& p, Maps& m);
// 1 when the upper king is checkmated; analyse_position must have just run
// on the same position and maps.  The board is tried and left as found; the
// maps are those of the last position tried.
int upper_mate_test(Position& p, Maps& m);

}  // namespace rindou
