// Every game played from the standard start is kept: when it ends or is
// left it is written once, as a record file, to the games folder, under a
// name from the local date and time.  Only the newest games are kept there.
#pragma once

#include <cstdint>
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
// the shelf under a new name and adds it to the shelf's list of kept games;
// then removes the games kept longest ago beyond the newest `limit` of the
// list, each only when it is still the file that was kept (same size and
// digest).  A file the list does not name is never removed, nor is the game
// just written.  False when the game could not be written.
bool write_kept_game(GameShelf& shelf, const GameState& s, size_t limit = KEPT_GAMES_LIMIT);
// The same for a record file made elsewhere (a game played on a server),
// named after the local time `t`.
bool keep_record_file(GameShelf& shelf, const std::string& bytes, const LocalTime& t,
                      size_t limit = KEPT_GAMES_LIMIT);

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

// One game of the list of kept games: a line "<size> <digest> <name>", in the
// order the games were kept, oldest first.
struct KeptEntry {
    size_t size = 0;
    uint64_t digest = 0;
    std::string name;
};
std::vector<KeptEntry> parse_kept_list(const std::string& text);
std::string format_kept_list(const std::vector<KeptEntry>& entries);
// The digest by which a kept game is known to be unchanged (64-bit FNV-1a:
// it tells a file the player replaced from ours, it is not a seal).
uint64_t kept_digest(const std::string& bytes);

}  // namespace rindou
