// The rule book: legality of moves and drops under the coin rule, promotion,
// move execution with captures into the hand, the pawn-file scan and the test
// for a side that has no move on the board.  Yes/no answers are 1 and 0.
#pragma once

#include "core/game.h"

namespace rindou {

// A code of a piece of either side (promoted ones included); not EMPTY,
// COIN or any stray value.
bool is_piece_code(int code);

// Pure tests on a state.
int is_legal_move(const GameState& s, int from_col, int from_row, int to_col, int to_row,
                  int piece);
int may_stay_unpromoted(int to_row, int piece);
// Sets promoted_code when the answer is 1.
int can_promote(GameState& s, int from_col, int from_row, int to_col, int to_row, int piece);
void scan_pawn_files(GameState& s);
int has_no_board_move(const GameState& s, int turn);

// Applies a move already found legal, drawing what changes.
void execute_move(Game& g, int from_col, int from_row, int to_col, int to_row, int piece);
void add_captured_to_hand(GameState& s, int code);

}  // namespace rindou
