// Move notation: the text of a move as the board shows it.
#pragma once

#include <string>


namespace rindou {

// 1..9 full-width file digits, 1001..1009 kanji rank numerals, piece codes
// their names; anything else empty.
std::string move_notation_text(int value);
// The three-part notation of a move to (col, row) by `piece`, e.g. "７六銀".
std::string move_notation(int col, int row, int piece);

}  // namespace rindou
