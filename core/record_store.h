// The position of no game, and the move record.
#pragma once

#include "core/state.h"

namespace rindou {

// Puts the whole state into the no-game position: the standard position
// with nobody to move, nothing recorded, no handicap and the clocks stopped.
void reset_to_no_game(GameState& s);

// Appends a move to the record (reading `captured` from the board as it
// stands) and cuts off anything beyond it.  Never writes past entry 500:
// callers check record_full first.
void append_move_record(GameState& s, const Move& move, const MoveTimes& times);

// The record holds 500 moves; a full record refuses further moves.
bool record_full(const GameState& s);

}  // namespace rindou
