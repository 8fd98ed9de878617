// The settings file Rindou.ini and the option commands of the menu.
//
// The file is always written from the game's settings, and reading the file
// sets them; the menus' marks are worked out from the same settings.  The
// file holds one "key=value" line per setting, CP932 text ended by CR LF.
#include "shell/settings.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "core/file_texts.h"
#include "core/record_store.h"
#include "core/texts.h"
#include "core/text_codec.h"
#include "play/clock.h"
#include "play/flow.h"
#include "play/sound.h"
#include "shell/data_files.h"
#include "view/draw.h"

namespace rindou {

namespace {

constexpr const char* KEY_BACKGROUND = SETTINGS_KEY_BACKGROUND;
constexpr const char* KEY_GUIDANCE = SETTINGS_KEY_GUIDANCE;
constexpr const char* KEY_ELAPSED = SETTINGS_KEY_ELAPSED;
constexpr const char* KEY_MUSIC = "BGM";

// The backgrounds the file can name, by their names in the file.
struct BackgroundName {
    int code;
    const char* name;
};
constexpr BackgroundName BACKGROUNDS[] = {
    {BG_MIDORI, SETTINGS_GREEN}, {BG_TAKE, SETTINGS_BAMBOO}, {BG_TATAMI, SETTINGS_TATAMI},
    {BG_UCHU, SETTINGS_SPACE},   {BG_RENGA, SETTINGS_BRICK},
};

// The home page the about box's button opens: a build setting.  Without
// one the button shows the help page, which says where the program is from.
#ifndef RINDOU_HOME_PAGE
#define RINDOU_HOME_PAGE ""
#endif
constexpr const char* HOME_PAGE = RINDOU_HOME_PAGE;

// The settings' texts are all code page 932 characters.
std::string to_cp932(const std::string& text) {
    std::string out, bad;
    encode_cp932(text, out, bad);
    return out;
}

std::string line(const char* key, const std::string& value) {
    return std::string(key) + "=" + value + "\r\n";
}

std::string on_off(bool on) { return on ? "ON" : "OFF"; }

// The file of the first run.
std::string default_file() {
    return to_cp932(line(KEY_BACKGROUND, SETTINGS_GREEN) + line(KEY_GUIDANCE, "OFF") +
                    line(KEY_ELAPSED, "ON") + line(KEY_MUSIC, "ON"));
}

void set_guidance(GameState& s, bool on) { s.guidance_on = on ? 1 : 0; }

// Applies one line of the file; lines without "=" or with an unknown key
// are skipped.  `music_started` tells whether an earlier line started the
// music, so that a later "BGM=OFF" in the same file can silence it again.
void apply_line(GameInPlay& g, const std::string& text, bool& music_started) {
    GameState& s = g.st;
    size_t eq = text.find('=');
    if (eq == std::string::npos) return;
    std::string key = text.substr(0, eq);
    std::string value = text.substr(eq + 1);
    if (key == KEY_BACKGROUND) {
        for (const auto& b : BACKGROUNDS) {
            if (value != b.name) continue;
            select_background(s, b.code);
            paint_background(g, b.code);
        }
    } else if (key == KEY_GUIDANCE) {
        set_guidance(s, value == "ON");
    } else if (key == KEY_ELAPSED) {
        s.elapsed_shown = value == "ON";
    } else if (key == SETTINGS_KEY_LANGUAGE) {
        if (value == SETTINGS_JAPANESE || value == SETTINGS_ENGLISH) {
            set_language(value == SETTINGS_ENGLISH ? Language::English : Language::Japanese);
            g.view.language_chosen = true;
        }
    } else if (key == SETTINGS_KEY_MOVE_LIST) {
        g.view.move_list_shown = value == "ON";
    } else if (key == KEY_MUSIC) {
        s.music_on = value == "ON";
        if (s.music_on) {
            start_music(g);
            music_started = true;
        } else if (music_started) {
            stop_music(g);
            music_started = false;
        }
    }
}

// The settings as the window is designed, before the file is read: the
// start-up background and guidance as start-up left them (off), the elapsed
// time shown, and the music off since nothing plays yet.
void apply_design_settings(GameState& s) {
    s.elapsed_shown = true;
    s.music_on = false;
}

// The default settings of the first run.
void reset_settings(GameState& s) {
    select_background(s, BG_MIDORI);
    set_guidance(s, false);
    s.elapsed_shown = true;
    s.music_on = true;
}

// A file:// address of a local path, with everything but the unreserved
// characters and "/" percent-encoded.
std::string file_url(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(path, ec);
    if (ec) abs = path;
    static const char* HEX = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char ch : abs.lexically_normal().string()) {
        bool plain = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                     (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' || ch == '.' ||
                     ch == '~' || ch == '/';
        if (plain) {
            url += static_cast<char>(ch);
        } else {
            url += '%';
            url += HEX[ch >> 4];
            url += HEX[ch & 15];
        }
    }
    return url;
}

}  // namespace

void select_background(GameState& s, int code) { s.background_code = code; }

void load_settings(GameInPlay& g) {
    GameState& s = g.st;
    apply_design_settings(s);
    // The desktop's language, unless the file names the player's own choice.
    g.view.language_chosen = false;
    g.view.move_list_shown = false;
    set_language(g.io.host->preferred_language());
    std::string bytes;
    FileRead read = g.io.storage->read_settings(bytes);
    if (read == FileRead::Ok) {
        bool music_started = false;
        for (const std::string& text : split_lines(decode_cp932(bytes).text))
            apply_line(g, text, music_started);
        return;
    }
    // First run: the file is made with the defaults.  A file that exists but
    // cannot be read holds the user's settings: it is left alone, and the
    // defaults apply for this run only (until the user changes one).
    if (read == FileRead::Missing) g.io.storage->write_settings(default_file());
    reset_settings(s);
    paint_background(g, BG_MIDORI);
    start_music(g);
}

void save_settings(Game& g) {
    const GameState& s = g.st;
    std::string text;
    for (const auto& b : BACKGROUNDS) {
        if (s.background_code == b.code) {
            text += line(KEY_BACKGROUND, b.name);
            break;
        }
    }
    text += line(KEY_GUIDANCE, on_off(s.guidance_on != 0));
    text += line(KEY_ELAPSED, on_off(s.elapsed_shown));
    text += line(KEY_MUSIC, on_off(s.music_on));
    // Only a choice the player made is kept: an untouched file stays as it
    // always was, and the desktop's locale decides.
    if (g.view.move_list_shown) text += line(SETTINGS_KEY_MOVE_LIST, "ON");
    if (g.view.language_chosen)
        text += line(SETTINGS_KEY_LANGUAGE,
                     language() == Language::English ? SETTINGS_ENGLISH : SETTINGS_JAPANESE);
    // A failed write leaves the old file as it was, and the new choice stays
    // in effect and marked.
    g.io.storage->write_settings(to_cp932(text));
}

void choose_background(Game& g, int code) {
    // Applied even when the entry is already checked: the file is written and
    // the board painted again.
    select_background(g.st, code);
    save_settings(g);
    redraw_all(g);
}

void toggle_guidance(Game& g) {
    GameState& s = g.st;
    if (s.guidance_on) {
        for (int c = 1; c <= 9; ++c)
            for (int r = 1; r <= 9; ++r) frame_square(g, FRAME_COLOUR, c, r);
        for (int i = 1; i <= 7; ++i) {
            frame_square(g, FRAME_COLOUR, -1, i);
            frame_square(g, FRAME_COLOUR, 11, i + 2);
        }
        g.io.surface->present();
        set_guidance(s, false);
    } else {
        set_guidance(s, true);
    }
    save_settings(g);
}

void toggle_elapsed_time(Game& g) {
    GameState& s = g.st;
    if (s.elapsed_shown) {
        s.elapsed_shown = false;
        set_clock_tick(g, false);
        clear_clock(g, s.lower_turn);
        clear_clock(g, s.upper_turn());
    } else {
        s.elapsed_shown = true;
        set_clock_tick(g, true);
        draw_clock(g, s.upper_turn(), s.upper_time_total);
        draw_clock(g, s.lower_turn, s.lower_time_total);
    }
    g.io.surface->present();
    save_settings(g);
}

void toggle_music(GameInPlay& g) {
    GameState& s = g.st;
    if (s.music_on) {
        s.music_on = false;
        stop_music(g);
    } else {
        s.music_on = true;
        start_music(g);
    }
    save_settings(g);
}

std::string home_page() { return HOME_PAGE; }

std::string help_page_address() {
    std::string page =
        find_data_file(language() == Language::English ? "Rindou-en.htm" : "Rindou.htm");
    return page.empty() ? std::string() : file_url(page);
}

void show_help(Game& g) {
    // Even without a page the help window opens, and says so.
    g.io.host->show_help_page(help_page_address());
}

Work<> show_about(GameInPlay& g) {
    close_record_panels(g);
    play_other_sound(g);
    const bool home_page_asked = co_await about_box_closed();
    if (!home_page_asked) co_return;
    if (home_page().empty())
        show_help(g);
    else
        g.io.host->open_page(home_page());
}

const std::vector<LanguageEntry>& language_entries() {
    static const std::vector<LanguageEntry> entries = {
        {"JAPANESE", Language::Japanese},
        {"ENGLISH", Language::English},
    };
    return entries;
}

void show_move_list(Game& g, bool shown) {
    g.view.move_list_shown = shown;
    save_settings(g);
}

void choose_language(Game& g, Language l) {
    set_language(l);
    g.view.language_chosen = true;
    save_settings(g);
    // Everything the board shows in words is drawn anew; the game itself is
    // not touched.
    redraw_position(g);
}

}  // namespace rindou
