// The rule book: legality of moves and drops under the coin rule, promotion,
// applying a move with captures into the hand, the pawn-file scan and the
// test for a side that has no move on the board.  Yes/no answers are 1 and 0.
// How the pieces move, promote and drop and how the coin follows are stated
// once in core/movement.h; these are the game's questions built on them.
// It reads and writes the position alone: nothing of the match (who plays
// which side, the winner, the record) and nothing of the drawing.  What a
// move means for the match, such as a taken king ending the game, is
// answered here and written by the code that owns the match.
#pragma once

#include "core/state.h"

namespace rindou {

// A code of a piece of either side (promoted ones included); not EMPTY,
// COIN or any stray value.
bool is_piece_code(int code);

// Whether a piece may go from one cell to another on the position: the board,
// the coin and the pawn-file flags as the last scan left them, nothing of
// the match.
int is_legal_move(const Position& s, int from_col, int from_row, int to_col, int to_row,
                  int piece);
int may_stay_unpromoted(int to_row, int piece);
// The promoted code of a piece of either side.
constexpr int promoted(int code) { return code >= HU ? code + 1 : code - 1; }
// The code the piece may become on this move, or 0 when it cannot promote.
int promotion_on(int from_col, int from_row, int to_row, int piece);
// Whether the piece can promote on this move (1) or not (0); what it becomes
// is promotion_on's answer.  Asking changes nothing.
int can_promote(int from_col, int from_row, int to_col, int to_row, int piece);
void scan_pawn_files(Position& s);
// Whether the pieces of one side of the board (UPPER: the positive codes)
// have no move on it; 1 for NO_SIDE.  The side is the board's, not a
// player's turn value: the caller that knows who holds which side names it.
int has_no_board_move(const Position& s, Side side);

// What applying a move tells the game: the move as played, with what stood
// on its origin and destination, and the side of the board that took a
// king with it (NO_SIDE when no king was taken), which decides the game.
struct MoveOutcome {
    RecordEntry played;
    Side king_taken_by = NO_SIDE;
};

// Applies a move already found legal to the position: a capture goes to
// the hand (a king to nobody's), the piece goes to its destination, its
// origin empties (a hand count for a drop) and the coin moves by the same
// displacement.  Where the coin stood before follows from where it stands
// now and the move's displacement.
MoveOutcome apply_move(Position& s, int from_col, int from_row, int to_col, int to_row, int piece);
// The same for a move made by `side` (the side of the board that drops; a
// board move's side is its piece's).  The move as played names an upper
// drop by its slot and a lower one by its hand cell, as the cells above.
// A pass changes nothing.
MoveOutcome apply_move(Position& s, Side side, Move m);
// Puts a captured piece into the hand of the side that took it, as its base
// kind.  A king goes to no hand: the answer is the side that took it
// (NO_SIDE for any other piece).
Side add_captured_to_hand(Position& s, int code);

}  // namespace rindou
