// The menu tree and the dispatch of menu commands by entry name.
#pragma once

#include <string>
#include <vector>

#include "core/texts.h"
#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

struct MenuEntry {
    const char* name;     // entry name, e.g. "SENTE"
    Text caption;         // caption, e.g. Text::MenuSente
    const char* parent;   // "" for the menu bar
    bool checkable;
};

// The whole menu tree in order (menu bar left to right, submenus in order).
const std::vector<MenuEntry>& menu_tree();

// True for the name of an entry of the tree.
bool is_menu_entry(const std::string& entry);
// The command of an entry exactly as the window runs it.  Opening the
// titles TAIKYOKU, STOP and OPTION closes the record panels.  A name that is
// no entry does nothing.
Work<> menu_command(GameInPlay& g, const std::string& entry);

// The check mark of a checkable entry as the state holds it.
bool menu_checked(const GameState& s, const std::string& entry);

}  // namespace rindou
