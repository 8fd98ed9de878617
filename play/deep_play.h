// The deep search in the game: the computer's choice at LEVEL4 and LEVEL5
// and the hint for a person.
#pragma once

#include <string>

#include "deep/search.h"
#include "engine/deep_listing.h"
#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

// Chooses the computer's (upper side's) move at the current level and leaves
// it in the engine memory as the one-move search does (best_found false when
// there is none).
Work<> deep_choose(GameInPlay& g);

// The menu command HINT: frames the suggested move for the person to move,
// or refuses.
Work<> give_hint(GameInPlay& g);

// What the deep search of `level` for the side holding `turn` is asked.
SearchRequest search_request(const Game& g, Side turn, int level);
// The hint's words ("Hint: ..."), in the language of the moment, while the
// position is the one the hint was given for; empty otherwise.
std::string hint_words(const GameState& s);
// Takes the hint's frames off again (the next click).
void clear_hint(Game& g);

// The cell a move of the deep search starts from as it is clicked: a drop
// names the hand cell of its slot on the side that drops.
void origin_cell(Move m, bool upper, int& col, int& row);

}  // namespace rindou
