// Record files: their bytes from a game and a game from their bytes.
#pragma once

#include <string>
#include <vector>

#include "core/state.h"

namespace rindou {

// Record files larger than this are refused unread.
constexpr size_t RECORD_FILE_LIMIT = 1024 * 1024;

// What a record file holds, as far as it can be loaded.
struct RecordFile {
    std::string game_name;   // line 1
    std::string upper_name;  // line 2
    std::string lower_name;  // line 3
    int move_lines = 0;      // lines after the three header lines
    // The moves up to the first line that is unreadable or describes no
    // possible move from the position the moves before it reach (replayed
    // from `start`), and at most 500 of them.
    std::vector<RecordEntry> moves;
    int stop_line = 0;       // the line (1-based) loading stopped at, 0 if none
    bool too_long = false;   // stopped because the record holds 500 moves
};
RecordFile read_record_file(const std::string& bytes, const GameState& start);
// The position every record starts from, for a game in state `s`: the
// standard position with the sides as `s` has them.
GameState record_start_position(const GameState& s);

// The bytes of a record file: the game name, the upper and the lower
// player's names (taken from the first and second player's names by who moved
// first), record entries 1..record_count; code page 932, CR LF after every
// line.  Anything but None leaves `bytes` unusable: a name holding a
// character the code page lacks or a control character (`bad_char` then
// holds it as it is shown, a control character as \xNN), or a move whose
// fields do not fit their widths.
enum class RecordWriteProblem { None, GameName, FirstName, SecondName, MoveField };
RecordWriteProblem build_record_file(const GameState& s, const std::string& game_name,
                                     const std::string& first_name,
                                     const std::string& second_name, std::string& bytes,
                                     std::string& bad_char);

}  // namespace rindou
