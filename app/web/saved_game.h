// The game in progress written as text, so that the page can put it aside
// when it is closed and take it up again, exactly where it stood, on the
// next visit.
#pragma once

#include <string>

#include "core/state.h"
#include "engine/computer.h"

namespace rindou::web {

// The first line of every saved game; a text of another version is not
// read (the game on the board stays as it is).
inline constexpr const char* SAVED_GAME_VERSION = "rindou-saved-game 1";

// Everything of the state a game needs to go on as it would have: the
// position, the turn values, the record and its cursor, the clocks, the
// level, the record mode, the flip, the handicap, and what the computer
// carries from one turn to the next.  `now` is the clock's reading when it
// is written: the seconds the present move has taken so far go with it.
std::string write_saved_game(const GameState& s, const Computer& c, float now);

// Reads a saved game into `s` and the computer's parts `c` (the settings in
// `s` stay), with the present move's clock going on from `now` where it
// stood when the game was written.  False, and both untouched, for a text
// that is not a saved game of this version or not a sound state.
bool read_saved_game(const std::string& text, float now, GameState& s, Computer& c);

}  // namespace rindou::web
