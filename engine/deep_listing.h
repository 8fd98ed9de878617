// The deep search as the console lists it, and the levels that use it.
#pragma once

#include <ostream>

#include "core/state.h"

namespace rindou {

// Levels whose moves come from the deep search.
inline bool is_deep_level(int level) { return level >= 4; }

// Searches a copy at `level` for the side holding `turn` and prints the
// `info` lines and the `best` line (console `search`, and `think` at LEVEL4
// and LEVEL5).
void deep_listing(const GameState& s, Side turn, int level, std::ostream& out);

}  // namespace rindou
