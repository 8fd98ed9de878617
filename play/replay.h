// Stepping through the move record, turning the board, back to the start.
#pragma once

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

Work<> step_back(GameInPlay& g);     // REPLAY
Work<> step_forward(GameInPlay& g);  // AFTER
Work<> flip_board(GameInPlay& g);    // REVERSE
void back_to_start(GameInPlay& g);   // CANCEL
// Takes back the person's last move against the computer with the
// computer's reply (two steps back), or one move between two people;
// refused where stepping back is refused.
Work<> take_back(GameInPlay& g);     // MATTA

// Shows the position after `n` moves of the record (0 the start, up to
// record_end) at once: the state is exactly what stepping there leaves, the
// board is drawn once, and no step sounds.  False when the record cannot be
// stepped that far (nothing changes then).
bool jump_to(GameInPlay& g, int n);

}  // namespace rindou
