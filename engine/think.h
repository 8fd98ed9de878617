// The computer's search on a copy of the game, printed for the console.
#pragma once

#include <ostream>

#include "core/state.h"
#include "engine/computer.h"

namespace rindou {

// Runs the computer's turn on a copy of the state and of the computer's parts
// as far as the end of its search and prints every candidate and the best
// move (console protocol `think`).  Changes nothing.
void think(const GameState& s, const Computer& c, std::ostream& out);

// Runs the same search as `think` on a copy and prints the terms of the
// evaluation of one of its candidates, in the order they were added, and
// their total, which is the score `think` prints for it (console protocol
// `explain`).  `promote` names the promoting choice of a board move.  False,
// printing nothing, when `think` would not examine that candidate.
bool explain(const GameState& s, const Computer& c, int from_col, int from_row, int to_col,
             int to_row, bool promote, std::ostream& out);

}  // namespace rindou
