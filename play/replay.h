// Stepping through the move record, turning the board, back to the start.
#pragma once

#include "core/game.h"
#include "play/work.h"

namespace rindou {

Work<> step_back(Game& g);     // REPLAY
Work<> step_forward(Game& g);  // AFTER
Work<> flip_board(Game& g);    // REVERSE
void back_to_start(Game& g);   // CANCEL

}  // namespace rindou
