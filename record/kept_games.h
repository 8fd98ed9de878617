// Every game played from the standard start is kept: when it ends or is
// left it is written once, as a record file, to the games folder, under a
// name from the local date and time.  Only the newest games are kept there.
#pragma once

#include <string>
#include <vector>

#include "core/platform.h"
#include "core/state.h"

namespace rindou {

constexpr size_t KEPT_GAMES_LIMIT = 1000;

// True when the game on the board is still to be kept: moves of it were
// recorded, it started from the standard position (no handicap, no flip)
// and it is not a loaded record being stepped through.
bool game_to_keep(const GameState& s);

// Writes the whole record of a game (moves stepped back over included) to
// the shelf under a new name, then removes the oldest games beyond `limit`.
bool write_kept_game(GameShelf& shelf, const GameState& s, size_t limit = KEPT_GAMES_LIMIT);

// The header lines of a kept game: the date and time as its name, and the
// players as the game itself calls them ("あなた" and "ｺﾝﾋﾟｭｰﾀ LEVELn"
// against the computer, "先手" and "後手" between two people).
struct KeptHeader {
    std::string game_name;
    std::string first_player;
    std::string second_player;
};
KeptHeader kept_game_header(const GameState& s, const LocalTime& t);

// "2026-12-08_14-05-33.棋譜", or with "_2", "_3", ... when that is taken.
std::string kept_game_name(const LocalTime& t, const std::vector<std::string>& taken);

// Of the names on the shelf, the kept games beyond the newest `limit`, oldest
// first.  Files not named as kept games are never among them.
std::vector<std::string> kept_games_beyond(const std::vector<std::string>& names, size_t limit);

}  // namespace rindou
