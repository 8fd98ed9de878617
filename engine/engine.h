// The computer player: its whole turn, and an explanation of its search.
#pragma once

#include <ostream>

#include "core/game.h"

namespace rindou {

// Plays one whole turn of the computer (the upper side).
void com_ban(Game& g);

// Runs the computer's turn on a copy of the state as far as the end of its
// search and prints every candidate and the best move (console protocol
// `think`).  Changes nothing.
void think(const GameState& s, std::ostream& out);

}  // namespace rindou
