// Every game played from the standard start is kept: when it ends or is
// left it is written once, as a record file, to the games folder, under a
// name from the local date and time.  Only the newest games are kept there.
#pragma once

#include <string>
#include <vector>

#include "core/game.h"

namespace rindou {

constexpr size_t KEPT_GAMES_LIMIT = 1000;

// True when the game on the board is still to be kept: moves of it were
// recorded, it started from the standard position (no handicap, no flip)
// and it is not a loaded record being stepped through.
bool game_to_keep(const GameState& s);

// The game ends or is left: it is written when it is one to keep, and then
// never again.  Nothing is shown, and a failure changes nothing else.
void keep_game(Game& g);

// A start command that begins a game afresh leaves the one on the board: it
// is kept, and the moves that follow make a new game.
void keep_game_before_fresh_start(Game& g);

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

// The games folder: "games" in the user's data folder
// ($XDG_DATA_HOME/rindou/games, by default ~/.local/share/rindou/games);
// empty when there is no such folder.
std::string games_folder();

// The games folder on disk.  It is made when the first game is written.
class FolderShelf : public GameShelf {
public:
    explicit FolderShelf(std::string folder) : folder_(std::move(folder)) {}
    std::vector<std::string> names() override;
    bool put(const std::string& name, const std::string& bytes) override;
    void remove(const std::string& name) override;
    LocalTime local_time() override;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace rindou
