// Record files: the "棋譜" menu commands and the panel's save and load.
#pragma once

#include <string>
#include <vector>

#include "core/game.h"

namespace rindou {

void kifu_write_command(Game& g);  // KIFU_WRITE "書込"
void kifu_read_command(Game& g);   // KIFU_READ "読込"
// The panel's save button (Command1): saves into panel_folder() the file
// named by the file-name box plus ".棋譜".
void save_record(Game& g);
// A click on a file in the panel's file list (File1).
void load_record(Game& g, const std::string& path);
// Loading from the bytes of a record file (load_record after reading it).
void load_record_bytes(Game& g, const std::string& bytes);

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
