#include "shell/menu.h"

#include <map>

#include "play/deep_play.h"
#include "play/flow.h"
#include "play/record_commands.h"
#include "play/replay.h"
#include "play/resign.h"
#include "play/strength.h"
#include "record/record_file.h"
#include "shell/settings.h"

namespace rindou {

const std::vector<MenuEntry>& menu_tree() {
    static const std::vector<MenuEntry> tree = {
        {"TAIKYOKU", Text::MenuTaikyoku, "", false},
        {"MATCH_MAN", Text::MenuMatchMan, "TAIKYOKU", false},
        {"START", Text::MenuStart, "MATCH_MAN", false},
        {"START2", Text::MenuStart2, "TAIKYOKU", false},
        {"SENTE", Text::MenuSente, "START2", false},
        {"GOTE", Text::MenuGote, "START2", false},
        {"LEVEL", Text::MenuLevel, "TAIKYOKU", false},
        {"LEVEL1", Text::MenuLevel1, "LEVEL", true},
        {"LEVEL2", Text::MenuLevel2, "LEVEL", true},
        {"LEVEL3", Text::MenuLevel3, "LEVEL", true},
        {"LEVEL4", Text::MenuLevel4, "LEVEL", true},
        {"LEVEL5", Text::MenuLevel5, "LEVEL", true},
        {"HINT", Text::MenuHint, "TAIKYOKU", false},
        {"MATTA", Text::MenuMatta, "TAIKYOKU", false},
        {"TOURYOU", Text::MenuTouryou, "TAIKYOKU", false},
        {"OWARI", Text::MenuOwari, "TAIKYOKU", false},
        {"STOP", Text::MenuStop, "", false},
        {"CANCEL", Text::MenuCancel, "STOP", false},
        {"REVERSE", Text::MenuReverse, "STOP", false},
        {"REPLAY", Text::MenuReplay, "", false},
        {"AFTER", Text::MenuAfter, "", false},
        {"LBEL_UP", Text::MenuLevelUp, "", false},
        {"LEBEL_DOWN", Text::MenuLevelDown, "", false},
        {"KIFU", Text::MenuKifu, "", false},
        {"KIFU_READ", Text::MenuKifuRead, "KIFU", false},
        {"KIFU_WRITE", Text::MenuKifuWrite, "KIFU", false},
        {"OPTION", Text::MenuOption, "", false},
        {"HAIKEI_GA", Text::MenuHaikeiGa, "OPTION", false},
        {"MIDORI", Text::MenuMidori, "HAIKEI_GA", true},
        {"TATAMI", Text::MenuTatami, "HAIKEI_GA", true},
        {"TAKE", Text::MenuTake, "HAIKEI_GA", true},
        {"UCHU", Text::MenuUchu, "HAIKEI_GA", true},
        {"RENGA", Text::MenuRenga, "HAIKEI_GA", true},
        {"SIDOU", Text::MenuSidou, "OPTION", true},
        {"KEIKA", Text::MenuKeika, "OPTION", true},
        {"BGM", Text::MenuBgm, "OPTION", true},
        {"SONOTA", Text::MenuSonota, "", false},
        {"KAISETU", Text::MenuKaisetu, "SONOTA", false},
        {"VER", Text::MenuVer, "SONOTA", false},
    };
    return tree;
}

namespace {

using Command = Work<> (*)(GameInPlay&);

// Commands that never wait, as work; those that need only core's game are
// handed the game in play as that.
template <auto Plain>
Work<> at_once(GameInPlay& g) {
    Plain(g);
    co_return;
}
template <Work<> (*Waiting)(Game&)>
Work<> on_game(GameInPlay& g) {
    return Waiting(g);
}
Work<> nothing(GameInPlay&) { co_return; }
template <int N>
Work<> level(GameInPlay& g) {
    set_level(g, N);
    co_return;
}
template <int Code>
Work<> background(GameInPlay& g) {
    choose_background(g, Code);
    co_return;
}

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table = {
        {"TAIKYOKU", at_once<close_record_panels>},
        {"MATCH_MAN", nothing},
        {"START", on_game<start_two_players>},
        {"START2", nothing},
        {"SENTE", start_com_first_human},
        {"GOTE", start_com_first_computer},
        {"LEVEL", nothing},
        {"LEVEL1", level<1>},
        {"LEVEL2", level<2>},
        {"LEVEL3", level<3>},
        {"LEVEL4", level<4>},
        {"LEVEL5", level<5>},
        {"HINT", give_hint},
        {"MATTA", take_back},
        {"TOURYOU", resign},
        {"OWARI", quit_program},
        {"STOP", at_once<close_record_panels>},
        {"CANCEL", at_once<back_to_start>},
        {"REVERSE", flip_board},
        {"REPLAY", step_back},
        {"AFTER", step_forward},
        {"LBEL_UP", handicap_up},
        {"LEBEL_DOWN", handicap_down},
        {"KIFU", nothing},
        {"KIFU_READ", at_once<kifu_read_command>},
        {"KIFU_WRITE", on_game<kifu_write_command>},
        {"OPTION", at_once<close_record_panels>},
        {"HAIKEI_GA", nothing},
        {"MIDORI", background<BG_MIDORI>},
        {"TATAMI", background<BG_TATAMI>},
        {"TAKE", background<BG_TAKE>},
        {"UCHU", background<BG_UCHU>},
        {"RENGA", background<BG_RENGA>},
        {"SIDOU", at_once<toggle_guidance>},
        {"KEIKA", at_once<toggle_elapsed_time>},
        {"BGM", at_once<toggle_music>},
        {"SONOTA", nothing},
        {"KAISETU", at_once<show_help>},
        {"VER", show_about},
    };
    return table;
}

}  // namespace

bool is_menu_entry(const std::string& entry) { return commands().count(entry) != 0; }

Work<> menu_command(GameInPlay& g, const std::string& entry) {
    auto it = commands().find(entry);
    if (it == commands().end()) return nothing(g);
    return it->second(g);
}

bool menu_checked(const GameState& s, const std::string& entry) {
    const MenuMarks m = s.menu();
    if (entry == "LEVEL1") return m.level1;
    if (entry == "LEVEL2") return m.level2;
    if (entry == "LEVEL3") return m.level3;
    if (entry == "LEVEL4") return m.level4;
    if (entry == "LEVEL5") return m.level5;
    if (entry == "MIDORI") return m.midori;
    if (entry == "TATAMI") return m.tatami;
    if (entry == "TAKE") return m.take;
    if (entry == "UCHU") return m.uchu;
    if (entry == "RENGA") return m.renga;
    if (entry == "SIDOU") return m.sidou;
    if (entry == "KEIKA") return m.keika;
    if (entry == "BGM") return m.bgm;
    return false;
}

}  // namespace rindou
