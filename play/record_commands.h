// The record-file commands: the "棋譜" menu, the panel's save and load, and
// keeping every game that ends or is left.
#pragma once

#include <string>

#include "core/game.h"
#include "play/work.h"

namespace rindou {

Work<> kifu_write_command(Game& g);  // KIFU_WRITE
void kifu_read_command(Game& g);     // KIFU_READ
// The panel's save button (Command1): saves into panel_folder() the file
// named by the file-name box plus ".棋譜".
Work<> save_record(Game& g);
// A click on a file in the panel's file list (File1).
Work<> load_record(Game& g, std::string path);
// Loading from the bytes of a record file (load_record after reading it).
Work<> load_record_bytes(Game& g, std::string bytes);

// The game ends or is left: it is written when it is one to keep, and then
// never again.  Nothing is shown, and a failure changes nothing else.
void keep_game(Game& g);

// A start command that begins a game afresh leaves the one on the board: it
// is kept, and the moves that follow make a new game.
void keep_game_before_fresh_start(Game& g);

}  // namespace rindou
