// Stepping through the move record, turning the board, back to the start.
#pragma once

#include "core/game.h"
#include "play/work.h"

namespace rindou {

Work<> step_back(Game& g);     // REPLAY
Work<> step_forward(Game& g);  // AFTER
Work<> flip_board(Game& g);    // REVERSE
void back_to_start(Game& g);   // CANCEL
// Takes back the person's last move against the computer with the
// computer's reply (two steps back), or one move between two people;
// refused where stepping back is refused.
Work<> take_back(Game& g);     // MATTA

// Shows the position after `n` moves of the record (0 the start, up to
// record_end) at once: the state is exactly what stepping there leaves, the
// board is drawn once, and no step sounds.  False when the record cannot be
// stepped that far (nothing changes then).
bool jump_to(Game& g, int n);

}  // namespace rindou
