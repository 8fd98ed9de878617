// Redoing and undoing the moves of the move record on the position, and the
// tests that keep a record and the position it is stepped on in agreement.
#pragma once

#include "core/rules.h"
#include "core/state.h"

namespace rindou {

// True when entry e can be redone on position s without harm: the codes exist,
// the origin holds the moving piece (or the hand holds the dropped one), the
// destination holds what the entry says was captured, and the coin lands on
// an empty square of the board (or on the square the piece leaves).
bool can_redo(const Position& s, const RecordEntry& e);
// True when entry e, the last move played on s, can be taken back without
// harm: the destination holds the piece after the move, the coin's way back
// is free and the capturer's hand holds what it captured.
bool can_undo(const Position& s, const RecordEntry& e);
// True when e is a move the rules allow on s (a loaded record must consist of
// such moves): can_redo, the piece's movement under the coin rule, drops and
// promotion as in play, no move once a king has been taken.
bool is_possible_move(const Position& s, const RecordEntry& e);

// The turn value of the side that made entry e (the sign of the piece it
// leaves on the board), as the sides of s hold them.
Side mover_of(const GameState& s, const RecordEntry& e);
// Whose move it is once the first n moves of the record stand on the board.
// Passes write no entry, so the sides need not alternate: the move after
// them names its own mover; past the record's end the side after the last
// mover is to move (and passes at its first click if it has no board move).
Side side_to_move_after(const GameState& s, int n);

// The position changes of a step forward and a step back (no drawing).
void redo_move(Position& s, const RecordEntry& e);
void undo_move(Position& s, const RecordEntry& e);

}  // namespace rindou
