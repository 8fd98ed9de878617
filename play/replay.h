// Stepping through the move record, turning the board, back to the start.
#pragma once

#include "core/game.h"

namespace rindou {

void step_back(Game& g);      // REPLAY "戻"
void step_forward(Game& g);   // AFTER "進"
void flip_board(Game& g);     // REVERSE "反転"
void back_to_start(Game& g);  // CANCEL "最初"

}  // namespace rindou
