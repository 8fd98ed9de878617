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
void append_move_record(GameState& s, const RecordEntry& move, const MoveTimes& times);

// How an entry names the hand a drop comes from.  The computer and the
// search name a drop of either side by column -1 and the hand's slot; a
// person's drop is written as the hand cell pressed (column -1 or 11 and
// that cell's row), as the record files always have.
enum class DropNaming { Slot, PressedCell };

// The entry of a move made by `side` (the side of the board that drops; a
// board move's side is its piece's) on the position before it: its cells,
// the piece before and after, and what stands on the destination.  No
// clocks.  A pass is the entry of zeros.
RecordEntry record_entry(const Position& before, Side side, Move m, DropNaming naming);

// The move an entry names.  A drop's kind is read from its piece, since its
// row depends on who made it; an entry that names no move gives no move.
Move move_of(const RecordEntry& e);

// The record holds 500 moves; a full record refuses further moves.
bool record_full(const GameState& s);

}  // namespace rindou
