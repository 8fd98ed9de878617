// The menu tree and the dispatch of menu commands by entry name.
#pragma once

#include <string>
#include <vector>

#include "core/game.h"
#include "core/texts.h"

namespace rindou {

struct MenuEntry {
    const char* name;     // entry name, e.g. "SENTE"
    Text caption;         // caption, e.g. Text::MenuSente
    const char* parent;   // "" for the menu bar
    bool checkable;
};

// The whole menu tree in order (menu bar left to right, submenus in order).
const std::vector<MenuEntry>& menu_tree();

// Runs the command of an entry exactly as the window does.  Opening the
// titles TAIKYOKU, STOP and OPTION closes the record panels.  Returns false
// for a name that is no entry.
bool menu_command(Game& g, const std::string& entry);

// The check mark of a checkable entry as the state holds it.
bool menu_checked(const GameState& s, const std::string& entry);

}  // namespace rindou
