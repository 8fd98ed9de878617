// The rule book: legality of moves and drops under the coin rule, promotion,
// applying a move with captures into the hand, the pawn-file scan and the
// test for a side that has no move on the board.  Yes/no answers are 1 and 0.
// Pure: nothing here draws.
#pragma once

#include "core/game.h"

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
int has_no_board_move(const GameState& s, Side turn);

// Applies a move already found legal to the state: a capture goes to the
// hand (a king decides the game), the piece goes to its destination, its
// origin empties (a hand count for a drop) and the coin moves by the same
// displacement.  Draws nothing.  Returns the move as played, with what stood
// on its origin and destination; where the coin stood before follows from
// where it stands now and the move's displacement.
Move apply_move(GameState& s, int from_col, int from_row, int to_col, int to_row, int piece);
void add_captured_to_hand(GameState& s, int code);

}  // namespace rindou
