// The settings file Rindou.ini and the option commands.
#pragma once

#include <string>
#include <vector>

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

void load_settings(GameInPlay& g);
void save_settings(Game& g);
void select_background(GameState& s, int code);

// Option menu commands.
void choose_background(Game& g, int code);  // MIDORI, TATAMI, TAKE, UCHU, RENGA
void toggle_guidance(Game& g);              // SIDOU
void toggle_elapsed_time(Game& g);          // KEIKA
void toggle_music(GameInPlay& g);           // BGM
void show_help(Game& g);                    // KAISETU
Work<> show_about(GameInPlay& g);           // VER

// The languages the player may choose, by entry name, in the order a menu
// lists them; each is named in its own words (Text::LanguageName of that
// language).
struct LanguageEntry {
    const char* name;
    Language language;
};
const std::vector<LanguageEntry>& language_entries();
// Shows every text in `l` from now on, keeps the choice in the settings and
// draws the board's words anew.  Nothing of the game changes.
void choose_language(Game& g, Language l);
// The window shows the move list or hides it; the choice is kept.
void show_move_list(Game& g, bool shown);
// The home page's address (the build setting RINDOU_HOME_PAGE); empty when
// none was given, and the about box's button then shows the help page.
std::string home_page();

// The file:// address of the help page where the data lookup finds it, or
// an empty string when there is none.
std::string help_page_address();

}  // namespace rindou
