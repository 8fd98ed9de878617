// Move notation and the last-move areas beside the board.
#pragma once

#include <string>

#include "core/game.h"

namespace rindou {

// 1..9 full-width file digits, 1001..1009 kanji rank numerals, piece codes
// their names; anything else empty.
std::string move_notation_text(int value);
// The three-part notation of a move to (col, row) by `piece`, e.g. "７六銀".
std::string move_notation(int col, int row, int piece);
void show_last_move(Game& g, int side, int to_col, int to_row, int piece, int colour);
void clear_last_move(Game& g, int side);

}  // namespace rindou
