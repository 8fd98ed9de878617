// Reading and writing grid cells by (column, row).  `val` answers 0 for a
// square off the board, so that a stale or missing king square can never lead
// a read outside the board.
#pragma once

#include "core/state.h"

namespace rindou::sq {

inline int val(const Grid& g, int c, int r) {
    return on_board(c, r) ? g[c][r] : 0;
}

inline int& ref(Grid& g, int c, int r) {
    return g[c][r];
}

inline int iabs(int v) { return v < 0 ? -v : v; }

}  // namespace rindou::sq
