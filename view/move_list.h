// The words of a move list: the start and every move of the game's record,
// numbered, with the side that made it, in the notation of the language
// chosen (the game's own in Japanese, Western notation in English).
#pragma once

#include <string>
#include <vector>

#include "core/state.h"

namespace rindou {

// The notation of a move played from the position `before`.
std::string move_words(const GameState& before, const Move& m);

// Line 0 names the start; line n is entry n of the record, up to record_end.
std::vector<std::string> move_list_lines(const GameState& s);

}  // namespace rindou
