// The deep search in the game: the computer's choice at LEVEL4 and LEVEL5,
// the hint for a person, and the console's listing of a search.
#pragma once

#include <ostream>

#include "core/game.h"

namespace rindou {

// Levels whose moves come from the deep search.
inline bool is_deep_level(int level) { return level >= 4; }

// Chooses the computer's (upper side's) move at the current level and leaves
// it in the engine memory as the one-move search does (best_found false when
// there is none).
void deep_choose(Game& g);

// Searches a copy at `level` for the side holding `turn` and prints the
// `info` lines and the `best` line (console `search`, and `think` at LEVEL4
// and LEVEL5).
void deep_listing(const GameState& s, int turn, int level, std::ostream& out);

// The menu command HINT: frames the suggested move for the person to move,
// or refuses.
void give_hint(Game& g);
// Takes the hint's frames off again (the next click).
void clear_hint(Game& g);

}  // namespace rindou
