// Western notation of a move, as English-speaking shogi players write it:
// piece letter, the origin only where it is needed, "-" for a move, "x" for
// a capture, "*" for a drop, the destination as file and rank digits, and
// "+" or "=" for a promotion taken or declined: P-76, Sx45, N*33, B-22+,
// S-43=, G69-58.
#pragma once

#include <string>

#include "core/state.h"

namespace rindou {

// The letter of a piece code of either side: P L N S G B R K, the promoted
// ones +P +L +N +S +B +R; anything else empty.
std::string western_piece(int code);

// The notation of `m` played from the position `before`.  The files and
// ranks are those of the Japanese notation (file 10 - column, rank = row).
// The origin is written when another piece of the same kind and side could
// legally reach the destination in `before`, coin rule included.  Empty for
// a move that names no piece or no square on the board.
std::string western_notation(const GameState& before, const RecordEntry& m);

}  // namespace rindou
