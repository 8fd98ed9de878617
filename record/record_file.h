// Record files: the "棋譜" menu commands and the panel's save and load.
#pragma once

#include <string>

#include "core/game.h"

namespace rindou {

void kifu_write_command(Game& g);  // KIFU_WRITE "書込"
void kifu_read_command(Game& g);   // KIFU_READ "読込"
// The panel's save button (Command1): saves into panel_folder() the file
// named by the file-name box plus ".棋譜".
void save_record(Game& g);
// A click on a file in the panel's file list (File1).
void load_record(Game& g, const std::string& path);

}  // namespace rindou
