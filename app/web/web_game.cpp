// The game in a web page.  The page (rindou.js) draws, opens the boxes and
// keeps the timers; this side holds the game and the work in progress.  A
// page cannot block its thread, so every wait of the work is handed to the
// page (a timer, a <dialog>, the search in a worker) and the page calls back
// with the wait's number when it is over: an answer to an older wait (a box
// still open when the work was dropped) is no answer.
//
// The page reaches this side through the exported rindou_* functions, and
// this side reaches the page through the hooks the page gave the module
// (Module.rindouHooks).
#include <emscripten.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "app/web/online_wire.h"
#include "app/web/saved_game.h"
#include "build_id.h"
#include "app/web/search_wire.h"
#include "app/web/study_wire.h"
#include "core/consistency.h"
#include "core/files.h"
#include "core/null_platform.h"
#include "core/texts.h"
#include "play/clock.h"
#include "play/deep_play.h"
#include "play/flow.h"
#include "play/game_in_play.h"
#include "play/input.h"
#include "play/record_commands.h"
#include "play/replay.h"
#include "play/work.h"
#include "record/notation.h"
#include "record/record_file.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "shell/start.h"
#include "view/draw.h"
#include "view/look.h"
#include "view/move_list.h"

// ---- The page's hooks -----------------------------------------------------------

// clang-format off
EM_JS(void, js_draw_image, (int code, double x, double y), {
    Module.rindouHooks.drawImage(code, x, y);
});
EM_JS(void, js_draw_outline, (int colour, double x1, double y1, double x2, double y2), {
    Module.rindouHooks.drawOutline(colour, x1, y1, x2, y2);
});
EM_JS(void, js_draw_text, (double x, double y, const char* text, int colour, int size, int bold), {
    Module.rindouHooks.drawText(x, y, UTF8ToString(text), colour, size, bold !== 0);
});
EM_JS(void, js_present, (), { Module.rindouHooks.present(); });
EM_JS(double, js_seconds_since_midnight, (), {
    const d = new Date();
    return d.getHours() * 3600 + d.getMinutes() * 60 + d.getSeconds() + d.getMilliseconds() / 1000;
});
EM_JS(void, js_wait, (int serial, int kind, double seconds, const char* title, const char* text), {
    Module.rindouHooks.wait(serial, kind, seconds, UTF8ToString(title), UTF8ToString(text));
});
EM_JS(void, js_idle, (), { Module.rindouHooks.idle(); });
EM_JS(void, js_ended, (), { Module.rindouHooks.ended(); });
EM_JS(void, js_open_page, (const char* address), {
    Module.rindouHooks.openPage(UTF8ToString(address));
});
EM_JS(void, js_show_help, (const char* page), { Module.rindouHooks.showHelp(UTF8ToString(page)); });
EM_JS(void, js_computer_move, (const char* move), {
    Module.rindouHooks.computerMove(UTF8ToString(move));
});
// The settings file's bytes, kept by the page (one character a byte).
EM_JS(int, js_settings_size, (), { return Module.rindouHooks.settingsSize(); });
EM_JS(void, js_settings_read, (char* into), { Module.rindouHooks.settingsRead(into); });
EM_JS(int, js_settings_write, (const char* bytes, int size), {
    return Module.rindouHooks.settingsWrite(bytes, size) ? 1 : 0;
});
// The record panel: 0 hide the lists, 1 hide the entry, 2 empty the boxes,
// 3 show the entry (writing), 4 show the file choice (reading), 5 the files
// changed.
EM_JS(void, js_panel, (int what), { Module.rindouHooks.panel(what); });
// The text of a box of the panel, in memory the caller frees (none when
// there is no memory for it).
EM_JS(char*, js_panel_box, (int index), {
    const text = Module.rindouHooks.panelBox(index);
    const size = lengthBytesUTF8(text) + 1;
    const at = _malloc(size);
    if (at) stringToUTF8(text, at, size);
    return at;
});
// A record file handed to the person as a download.
EM_JS(int, js_download, (const char* name, const char* bytes, int size), {
    return Module.rindouHooks.download(UTF8ToString(name), HEAPU8.slice(bytes, bytes + size)) ? 1 : 0;
});
// The sound library on the page's audio: buffers by number, 0 for none.
EM_JS(int, js_sound_start, (), { return Module.rindouHooks.soundStart() ? 1 : 0; });
EM_JS(int, js_sound_create, (const unsigned char* wav, int size), {
    return Module.rindouHooks.soundCreate(HEAPU8.slice(wav, wav + size));
});
EM_JS(int, js_sound_play, (int buffer, int looping), {
    return Module.rindouHooks.soundPlay(buffer, looping !== 0) ? 1 : 0;
});
EM_JS(int, js_sound_stop, (int buffer), { return Module.rindouHooks.soundStop(buffer) ? 1 : 0; });
// A data file of the program the page has fetched (the sounds): its size,
// -1 when the page has none of that name, then its bytes.
EM_JS(int, js_data_file_size, (const char* name), {
    return Module.rindouHooks.dataFileSize(UTF8ToString(name));
});
EM_JS(void, js_data_file_read, (const char* name, unsigned char* into), {
    Module.rindouHooks.dataFileRead(UTF8ToString(name), into);
});
// The games kept in the browser's own storage (the page keeps them in
// IndexedDB): names, bytes by name, the list of what the game kept itself.
// A text handed back lives in memory the caller frees.
EM_JS(int, js_kept_ready, (), { return Module.rindouHooks.keptReady() ? 1 : 0; });
EM_JS(char*, js_kept_names, (), {
    const text = Module.rindouHooks.keptNames().join('\n');
    const size = lengthBytesUTF8(text) + 1;
    const at = _malloc(size);
    if (at) stringToUTF8(text, at, size);
    return at;
});
EM_JS(int, js_kept_size, (const char* name), {
    return Module.rindouHooks.keptSize(UTF8ToString(name));
});
EM_JS(void, js_kept_read, (const char* name, char* into), {
    Module.rindouHooks.keptRead(UTF8ToString(name), into);
});
// 0 written, 1 the name is taken, 2 failed.
EM_JS(int, js_kept_put, (const char* name, const char* bytes, int size), {
    return Module.rindouHooks.keptPut(UTF8ToString(name), HEAPU8.slice(bytes, bytes + size));
});
EM_JS(void, js_kept_remove, (const char* name), {
    Module.rindouHooks.keptRemove(UTF8ToString(name));
});
EM_JS(void, js_local_time, (int* fields), {
    const d = new Date();
    const values = [d.getFullYear(), d.getMonth() + 1, d.getDate(), d.getHours(), d.getMinutes(),
                    d.getSeconds()];
    for (let i = 0; i < 6; ++i) HEAP32[(fields >> 2) + i] = values[i];
});
EM_JS(int, js_language_is_japanese, (), {
    const l = (navigator.languages && navigator.languages[0]) || navigator.language || "";
    return l.toLowerCase().startsWith('ja') ? 1 : 0;
});
// clang-format on

namespace rindou::web {
namespace {

class WebSound : public SoundLibrary {
public:
    int32_t dsInitialize(int32_t) override { return js_sound_start(); }
    int32_t dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                        int32_t) override {
        if (context == 0 || wav == nullptr || length <= 0) return 0;
        return js_sound_create(wav, length);
    }
    int32_t dsPlay(int32_t buffer) override { return js_sound_play(buffer, 0); }
    int32_t dsPlayLooping(int32_t buffer) override { return js_sound_play(buffer, 1); }
    int32_t dsStop(int32_t buffer) override { return js_sound_stop(buffer); }
    int32_t dsFree(int32_t) override { return 0; }
    int32_t dsTerminate(int32_t) override { return 0; }
};

// The list of kept games is kept beside them under a name no record file has.
constexpr const char* KEPT_LIST_KEY = "\x01kept-list";
// The longest list of kept games read; the page trims a longer one to its
// newest lines before the game reads it.
constexpr size_t KEPT_LIST_LIMIT = 1024 * 1024;
// The largest settings read, as the window reads its settings file.
constexpr size_t SETTINGS_LIMIT = 64 * 1024;

class WebShelf : public GameShelf {
public:
    std::vector<std::string> names() override {
        char* text = js_kept_names();
        std::vector<std::string> out;
        std::string all = text ? text : "";
        std::free(text);
        size_t at = 0;
        while (at < all.size()) {
            size_t end = all.find('\n', at);
            if (end == std::string::npos) end = all.size();
            if (end > at && all.compare(at, end - at, KEPT_LIST_KEY) != 0)
                out.push_back(all.substr(at, end - at));
            at = end + 1;
        }
        return out;
    }
    Put put(const std::string& name, const std::string& bytes) override {
        switch (js_kept_put(name.c_str(), bytes.data(), static_cast<int>(bytes.size()))) {
            case 0: return Put::Written;
            case 1: return Put::Taken;
            default: return Put::Failed;
        }
    }
    bool get(const std::string& name, std::string& bytes, size_t max_bytes) override {
        const int size = js_kept_size(name.c_str());
        if (size < 0) return false;
        // The page answers in an int; a size from here on.
        const size_t n = static_cast<size_t>(size);
        if (n > max_bytes) return false;
        bytes.assign(n, '\0');
        if (size > 0) js_kept_read(name.c_str(), bytes.data());
        return true;
    }
    void remove(const std::string& name) override { js_kept_remove(name.c_str()); }
    bool with_kept_list(const std::function<bool(std::string& list)>& change) override {
        // One page changes the storage at a time: its thread runs this whole.
        std::string list;
        if (!get(KEPT_LIST_KEY, list, KEPT_LIST_LIMIT) && js_kept_size(KEPT_LIST_KEY) >= 0)
            return false;
        if (!change(list)) return true;
        js_kept_remove(KEPT_LIST_KEY);
        return js_kept_put(KEPT_LIST_KEY, list.data(), static_cast<int>(list.size())) == 0;
    }
    LocalTime local_time() override {
        int f[6] = {};
        js_local_time(f);
        return LocalTime{f[0], f[1], f[2], f[3], f[4], f[5]};
    }
};

class WebPlatform : public NullPlatform {
public:
    SoundLibrary* sound_library() override { return &sound_; }
    GameShelf* game_shelf() override { return js_kept_ready() ? &shelf_ : nullptr; }
    Language preferred_language() override {
        return js_language_is_japanese() ? Language::Japanese : Language::English;
    }
    FileRead read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                            std::error_code&) override {
        const int size = js_data_file_size(name.c_str());
        if (size < 0) return FileRead::Missing;
        bytes.assign(static_cast<size_t>(size), 0);
        if (size > 0) js_data_file_read(name.c_str(), bytes.data());
        return FileRead::Ok;
    }
    void draw_image(int code, double x, double y) override { js_draw_image(code, x, y); }
    void draw_outline(int colour, double x1, double y1, double x2, double y2) override {
        js_draw_outline(colour, x1, y1, x2, y2);
    }
    void draw_text(double x, double y, const std::string& text, int colour, int size_pt,
                   bool bold) override {
        js_draw_text(x, y, text.c_str(), colour, size_pt, bold ? 1 : 0);
    }
    void present() override { js_present(); }
    float now() override {
        // Seconds since midnight on the local clock, never 86400 itself.
        float t = static_cast<float>(js_seconds_since_midnight());
        return t >= 86400.0f || !(t >= 0.0f) ? 0.0f : t;
    }
    FileRead read_settings(std::string& bytes) override {
        int size = js_settings_size();
        if (size < 0) return FileRead::Missing;
        // Settings grown past any the game writes are not ours: left alone,
        // as the desktop leaves a file it cannot read.
        const size_t n = static_cast<size_t>(size);
        if (n > SETTINGS_LIMIT) return FileRead::Failed;
        bytes.assign(n, '\0');
        if (size > 0) js_settings_read(bytes.data());
        return FileRead::Ok;
    }
    bool write_settings(const std::string& bytes) override {
        return js_settings_write(bytes.data(), static_cast<int>(bytes.size())) != 0;
    }
    std::string current_folder() override { return "."; }
    void open_page(const std::string& address) override { js_open_page(address.c_str()); }
    // The help page of the language shown, beside the page (the site has
    // no data folder to find it in).
    void show_help_page(const std::string&) override {
        js_show_help(language() == Language::English ? "Rindou-en.htm" : "Rindou.htm");
    }
    void end_program() override { ended = true; }
    // The computer's move, written as the console's `com` line writes it.
    void computer_move(const RecordEntry& m, double score) override {
        char line[128];
        std::snprintf(line, sizeof line, "%d %d %d %d %d %d %d %.4f", m.from_col, m.from_row,
                      m.to_col, m.to_row, m.piece_before, m.piece_after, m.captured, score);
        js_computer_move(line);
    }

    void panel_hide_lists() override { js_panel(0); }
    void panel_hide_entry() override { js_panel(1); }
    void panel_empty_boxes() override { js_panel(2); }
    void panel_show_write() override { js_panel(3); }
    void panel_show_read() override { js_panel(4); }
    void panel_refresh_files() override { js_panel(5); }
    std::string panel_box(int index) override {
        char* text = js_panel_box(index);
        std::string box = text ? text : "";
        std::free(text);
        return box;
    }
    // Records are written as downloads, and read from the file the person
    // chose, under its own name.
    std::string panel_folder() override { return "."; }
    bool write_record(const std::string& path, const std::string& bytes,
                      std::error_code& error) override {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        if (js_download(name.c_str(), bytes.data(), static_cast<int>(bytes.size())) != 0)
            return true;
        error = std::make_error_code(std::errc::io_error);
        return false;
    }
    bool read_record(const std::string& path, std::string& bytes, std::error_code& error,
                     size_t max_bytes) override {
        if (path != chosen_name) {
            error = std::make_error_code(std::errc::no_such_file_or_directory);
            return false;
        }
        if (chosen_too_large || chosen_bytes.size() > max_bytes) {
            error = FileError::TooLarge;
            return false;
        }
        bytes = chosen_bytes;
        return true;
    }

    std::string chosen_name, chosen_bytes;
    // The page refused to read the file chosen: it is over the record limit.
    bool chosen_too_large = false;
    bool ended = false;

private:
    WebSound sound_;
    WebShelf shelf_;
};

// The one game of the page.
class Front {
public:
    Front() { game_.io = &platform_; }

    bool ended() const { return finished_ || platform_.ended; }

    // Starts work unless work is in progress: what arrives while the game
    // waits is dropped, as the window drops it.
    void run(Work<> work) {
        if (ended() || runner_.busy()) return;
        go_on([this, &work] { runner_.start(std::move(work)); });
    }

    void resume(int serial) {
        if (serial == serial_) go_on([this] { runner_.resume(); });
    }
    void answer(int serial, bool yes) {
        if (serial == serial_) go_on([this, yes] { runner_.answer(yes); });
    }
    void deliver(int serial, deep::SearchResult result) {
        if (serial == serial_) go_on([this, &result] { runner_.deliver(std::move(result)); });
    }
    void search_failed(int serial) {
        if (serial == serial_) go_on([this] { runner_.search_failed(); });
    }
    // The request of the search the game waits for, when it waits for one.
    const SearchRequest* search_waited_for(int serial) const {
        if (serial != serial_ || !runner_.busy() || runner_.wait().kind != Wait::Kind::Search)
            return nullptr;
        return &runner_.wait().search;
    }

    // The 50 ms tick: the clock runs on while the computer thinks by the deep
    // search; during the game's other waits it stands.
    bool tick() {
        if (ended() || !game_.st.timer_enabled) return false;
        if (runner_.busy() && runner_.wait().kind != Wait::Kind::Search) return false;
        clock_tick(game_);
        return true;
    }

    // 0 when no work is in progress, else 1 + the kind of its wait.
    int waiting() const {
        return runner_.busy() ? 1 + static_cast<int>(runner_.wait().kind) : 0;
    }

    GameInPlay& game() { return game_; }
    WebPlatform& platform() { return platform_; }

private:
    void go_on(const std::function<void()>& step) {
        try {
            step();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "rindou: %s\n", e.what());
        }
        serve();
    }

    void serve() {
        if (runner_.ended() || platform_.ended) {
            finish();
            return;
        }
        if (!runner_.busy()) {
            if (checking_state()) check_state_after(game_.st, "a page command");
            js_idle();
            return;
        }
        const Wait& w = runner_.wait();
        if (w.kind == Wait::Kind::End) {
            finish();
            return;
        }
        ++serial_;
        js_wait(serial_, static_cast<int>(w.kind), std::max(w.seconds, 0.0), w.title.c_str(),
                w.text.c_str());
    }

    void finish() {
        if (finished_) return;
        finished_ = true;
        ++serial_;
        runner_.abandon();
        js_ended();
    }

    WebPlatform platform_;
    GameInPlay game_;
    Runner runner_;
    int serial_ = 0;
    bool finished_ = false;
};

Front& front() {
    static Front f;
    return f;
}

// Choosing a language, as work, so that it waits its turn as every command
// of the page does.
Work<> language_command(GameInPlay& g, Language l) {
    choose_language(g, l);
    co_return;
}

// What choosing an entry with the mouse runs: its title's command first.
Work<> keyed_command(GameInPlay& g, std::string title, std::string entry) {
    if (!title.empty()) co_await menu_command(g, title);
    co_await menu_command(g, entry);
}

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (unsigned char ch : s) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += static_cast<char>(ch);
        } else if (ch < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", ch);
            out += buf;
        } else {
            out += static_cast<char>(ch);
        }
    }
    return out + "\"";
}

// The texts handed to the page live until the next call of the same kind.
const char* kept(std::string& slot, std::string value) {
    slot = std::move(value);
    return slot.c_str();
}

// A kind of wait's name for the page (see rindou_wait_kinds).
const char* wait_kind_name(Wait::Kind kind) {
    switch (kind) {
    case Wait::Kind::Pause: return "pause";
    case Wait::Kind::Notice: return "notice";
    case Wait::Kind::Question: return "question";
    case Wait::Kind::About: return "about";
    case Wait::Kind::Search: return "search";
    case Wait::Kind::End: return "end";
    }
    return "";
}

}  // namespace

// What the online bridge reaches (online_wire.h).
GameInPlay& page_game() { return front().game(); }
bool page_idle() { return !front().ended() && front().waiting() == 0; }
void page_run(Work<> work) { front().run(std::move(work)); }

}  // namespace rindou::web

using rindou::web::front;

extern "C" {

EMSCRIPTEN_KEEPALIVE void rindou_start() { front().run(rindou::start_up(front().game())); }

EMSCRIPTEN_KEEPALIVE void rindou_mouse_down(int button, double x, double y) {
    front().run(rindou::on_mouse_down(front().game(), button, x, y));
}

EMSCRIPTEN_KEEPALIVE void rindou_menu(const char* entry) {
    front().run(rindou::menu_command(front().game(), entry));
}

// A key of an entry: what choosing it from its menu runs.
EMSCRIPTEN_KEEPALIVE void rindou_keyed(const char* title, const char* entry) {
    front().run(rindou::web::keyed_command(front().game(), title, entry));
}

// The record panel's save button.
EMSCRIPTEN_KEEPALIVE void rindou_panel_save() { front().run(rindou::save_record(front().game())); }

// The record file the person chose in the panel: its name and bytes, or no
// bytes when the file is larger than any record (the page did not read it).
EMSCRIPTEN_KEEPALIVE void rindou_panel_load(const char* name, const char* bytes, int size) {
    rindou::web::WebPlatform& p = front().platform();
    p.chosen_name = name;
    p.chosen_too_large = bytes == nullptr;
    if (bytes)
        p.chosen_bytes.assign(bytes, static_cast<size_t>(std::max(size, 0)));
    else
        p.chosen_bytes.clear();
    front().run(rindou::load_record(front().game(), p.chosen_name));
}

// The largest record file read, so that the page reads nothing larger.
EMSCRIPTEN_KEEPALIVE int rindou_record_limit() { return static_cast<int>(rindou::RECORD_FILE_LIMIT); }

// The longest list of kept games the game reads.
EMSCRIPTEN_KEEPALIVE int rindou_kept_list_limit() {
    return static_cast<int>(rindou::web::KEPT_LIST_LIMIT);
}

// The longest command line the console takes.
EMSCRIPTEN_KEEPALIVE int rindou_console_line_limit() { return static_cast<int>(rindou::LINE_LIMIT); }

// The build this module comes from; the page and its workers compare it.
EMSCRIPTEN_KEEPALIVE const char* rindou_build_id() { return RINDOU_BUILD_ID; }

// Esc ends the program, as in the window.
EMSCRIPTEN_KEEPALIVE void rindou_escape() { front().run(rindou::quit_program(front().game())); }

// 1 when the clock ran.
EMSCRIPTEN_KEEPALIVE int rindou_tick() { return front().tick() ? 1 : 0; }

// The page is being left (closed, reloaded, gone to another address): the
// game on the board is kept, as leaving the program keeps it.
EMSCRIPTEN_KEEPALIVE void rindou_leave() {
    if (!front().ended()) rindou::keep_game(front().game());
}

// What a press there would decide about promotion: 0 nothing, 1 the person
// may choose, 2 the piece must promote.
EMSCRIPTEN_KEEPALIVE int rindou_promotion_at(double x, double y) {
    return static_cast<int>(rindou::promotion_choice(front().game().st, x, y));
}

EMSCRIPTEN_KEEPALIVE void rindou_resume(int serial) { front().resume(serial); }

EMSCRIPTEN_KEEPALIVE void rindou_answer(int serial, int yes) { front().answer(serial, yes != 0); }

EMSCRIPTEN_KEEPALIVE int rindou_waiting() { return front().waiting(); }

// The kinds of wait by name, numbered as hooks.wait hands them to the page,
// so that the page reads them here instead of keeping a copy.  The switch
// in wait_kind_name names every kind: a kind added to Wait is a warning
// there until it is named.
EMSCRIPTEN_KEEPALIVE const char* rindou_wait_kinds() {
    static std::string slot;
    std::string json = "{";
    for (int k = 0; k <= static_cast<int>(rindou::Wait::Kind::End); ++k) {
        if (k > 0) json += ',';
        json += '"';
        json += rindou::web::wait_kind_name(static_cast<rindou::Wait::Kind>(k));
        json += "\":";
        json += std::to_string(k);
    }
    json += '}';
    return rindou::web::kept(slot, json);
}

// The words the page gives a screen reader: the board's name and its keys,
// the menu button's name, the number of moves in the record, and the moves
// after the first `since` of them in words (the last few at most), so that
// the page says each new move once.
EMSCRIPTEN_KEEPALIVE const char* rindou_access_words(int since) {
    static std::string slot;
    using rindou::text;
    using rindou::Text;
    using rindou::web::json_string;
    const std::vector<std::string> lines = rindou::move_list_lines(front().game().st);
    const int count = static_cast<int>(lines.size()) - 1;
    std::string fresh;
    for (int i = std::max({since + 1, count - 3, 1}); i <= count; ++i)
        fresh += (fresh.empty() ? "" : ",") + json_string(lines[i]);
    return rindou::web::kept(slot, "{\"board\":" + json_string(text(Text::A11yBoard)) +
                                       ",\"menu\":" + json_string(text(Text::A11yMenu)) +
                                       ",\"count\":" + std::to_string(count) + ",\"fresh\":[" +
                                       fresh + "]}");
}

// The name of the cell under the keys' cursor: a square (columns 1 to 9
// of the picture, rows 1 to 9) or a place of a hand (column -1 the upper
// hand, 11 the lower), as the record names squares in the language chosen.
EMSCRIPTEN_KEEPALIVE const char* rindou_cell_words(int col, int row) {
    static std::string slot;
    using rindou::text;
    using rindou::Text;
    if (col < 1 || col > 9)
        return rindou::web::kept(slot, text(col < 1 ? Text::A11yUpperHand : Text::A11yLowerHand,
                                            {{"place", std::to_string(row)}}));
    const bool english = rindou::language() == rindou::Language::English;
    const int file = rindou::shown_file(front().game(), col), rank = rindou::shown_rank(front().game(), row);
    return rindou::web::kept(
        slot, text(Text::A11ySquare,
                   {{"file", english ? std::to_string(file) : rindou::move_notation_text(file)},
                    {"rank", english ? std::to_string(rank) : rindou::move_notation_text(1000 + rank)}}));
}

EMSCRIPTEN_KEEPALIVE int rindou_ended() { return front().ended() ? 1 : 0; }

// The search the game waits for, written for a worker (empty when the game
// waits for none under that number).
EMSCRIPTEN_KEEPALIVE const char* rindou_search_request(int serial) {
    static std::string slot;
    const rindou::SearchRequest* request = front().search_waited_for(serial);
    return rindou::web::kept(slot, request ? rindou::web::write_request(*request) : "");
}

// The search the game waits for, run here and now (no worker, or the
// worker failed it twice).
EMSCRIPTEN_KEEPALIVE void rindou_search_here(int serial) {
    const rindou::SearchRequest* request = front().search_waited_for(serial);
    if (!request) return;
    rindou::deep::SearchResult result;
    try {
        result = rindou::run_search(*request);
    } catch (const std::exception& e) {
        // Even the page's own search failed: the game hears of the failure
        // and keeps the computer's turn, rather than taking "no move".
        std::fprintf(stderr, "rindou: %s\n", e.what());
        front().search_failed(serial);
        return;
    }
    front().deliver(serial, result);
}

// A worker's result for the search of that number: 1 when delivered, 0 when
// it cannot be read (nothing is delivered: the page searches again).
EMSCRIPTEN_KEEPALIVE int rindou_search_done(int serial, const char* result) {
    rindou::deep::SearchResult r;
    if (!rindou::web::read_result(result, r)) return 0;
    front().deliver(serial, r);
    return 1;
}

// What a worker runs: a written request in, a written result out, or an
// empty text when the search failed (the page then searches again
// elsewhere: a failure is not "no move").  No one can reach into a
// worker's search while it runs, so the safety net is its own: once
// `cap_ms` have passed, the search ends at the next finished depth with the
// best move found so far.
EMSCRIPTEN_KEEPALIVE const char* rindou_run_search(const char* request, double cap_ms) {
    static std::string slot;
    rindou::SearchRequest r;
    if (!rindou::web::read_request(request, r)) return rindou::web::kept(slot, "");
    std::atomic<bool> stop{false};
    const double started = emscripten_get_now();
    try {
        const rindou::deep::SearchResult result =
            rindou::run_search(r, &stop, [&](const rindou::deep::SearchInfo&) {
                if (emscripten_get_now() - started > cap_ms) stop = true;
            });
        return rindou::web::kept(slot, rindou::web::write_result(result));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rindou: %s\n", e.what());
        return rindou::web::kept(slot, "");
    }
}

// The position and the game's state as the console's `show` prints them.
EMSCRIPTEN_KEEPALIVE const char* rindou_show() {
    static std::string slot;
    std::ostringstream out;
    rindou::print_show(front().game().st, out);
    return rindou::web::kept(slot, out.str());
}

// The menu tree: [{"name", "caption", "parent", "checkable"}, ...] in order.
EMSCRIPTEN_KEEPALIVE const char* rindou_menu_tree() {
    static std::string slot;
    using rindou::web::json_string;
    std::string out = "[";
    for (const rindou::MenuEntry& e : rindou::menu_tree()) {
        if (out.size() > 1) out += ',';
        out += "{\"name\":" + json_string(e.name) +
               ",\"caption\":" + json_string(rindou::text(e.caption)) +
               ",\"parent\":" + json_string(e.parent) +
               ",\"checkable\":" + (e.checkable ? "true" : "false") + "}";
    }
    return rindou::web::kept(slot, out + "]");
}

// The languages, for the page's own submenu under the options:
// {"title", "entries": [{"name", "caption", "checked"}]}, each language
// named in its own words.
EMSCRIPTEN_KEEPALIVE const char* rindou_languages() {
    static std::string slot;
    using rindou::web::json_string;
    std::string out = "{\"title\":" + json_string(rindou::text(rindou::Text::MenuLanguage)) +
                      ",\"entries\":[";
    bool first = true;
    for (const rindou::LanguageEntry& e : rindou::language_entries()) {
        if (!first) out += ',';
        first = false;
        out += "{\"name\":" + json_string(e.name) + ",\"caption\":" +
               json_string(std::string(rindou::text_pattern(rindou::Text::LanguageName, e.language))) +
               ",\"checked\":" + (rindou::language() == e.language ? "true" : "false") + "}";
    }
    return rindou::web::kept(slot, out + "]}");
}

EMSCRIPTEN_KEEPALIVE void rindou_choose_language(const char* name) {
    for (const rindou::LanguageEntry& e : rindou::language_entries())
        if (std::string(e.name) == name)
            front().run(rindou::web::language_command(front().game(), e.language));
}

EMSCRIPTEN_KEEPALIVE int rindou_menu_checked(const char* entry) {
    return rindou::menu_checked(front().game().st, entry) ? 1 : 0;
}

// What the board looks like: {"pictures": {code: stem}, "palette": [[r,g,b]
// x16], "fonts": [...]}.
EMSCRIPTEN_KEEPALIVE const char* rindou_look() {
    static std::string slot;
    using rindou::web::json_string;
    std::string out = "{\"pictures\":{";
    bool first = true;
    for (int code : rindou::picture_codes()) {
        const std::string stem = rindou::picture_file_stem(code);
        if (stem.empty()) continue;
        if (!first) out += ',';
        first = false;
        out += "\"" + std::to_string(code) + "\":" + json_string(stem);
    }
    out += "},\"palette\":[";
    for (int i = 0; i < 16; ++i) {
        const rindou::Rgb c = rindou::palette_rgb(i);
        out += (i ? ",[" : "[") + std::to_string(c.red) + "," + std::to_string(c.green) + "," +
               std::to_string(c.blue) + "]";
    }
    out += "],\"fonts\":[";
    first = true;
    for (const std::string& family : rindou::text_font_families()) {
        if (!first) out += ',';
        first = false;
        out += json_string(family);
    }
    return rindou::web::kept(slot, out + "]}");
}

// The texts of the page's own boxes, from the table of texts.
EMSCRIPTEN_KEEPALIVE const char* rindou_box_texts() {
    static std::string slot;
    using rindou::Text;
    using rindou::text;
    using rindou::web::json_string;
    return rindou::web::kept(slot, "{\"lang\":\"" +
                                       std::string(rindou::language() == rindou::Language::English ? "en" : "ja") +
                                       "\",\"yes\":" + json_string(text(Text::ButtonYes)) +
                                       ",\"no\":" + json_string(text(Text::ButtonNo)) +
                                       ",\"aboutTitle\":" + json_string(text(Text::AboutTitle)) +
                                       ",\"homePage\":" + json_string(text(Text::AboutHomePage)) +
                                       ",\"keptGames\":" + json_string(text(Text::PanelKeptGames)) +
                                       ",\"noKeptGames\":" + json_string(text(Text::PanelNoKeptGames)) +
                                       ",\"open\":" + json_string(text(Text::ButtonOpen)) +
                                       ",\"download\":" + json_string(text(Text::ButtonDownload)) +
                                       ",\"promote\":" + json_string(text(Text::ButtonPromote)) +
                                       ",\"stay\":" + json_string(text(Text::ButtonStayUnpromoted)) +
                                       ",\"endTitle\":" + json_string(text(Text::TitleEnd)) +
                                       ",\"endKept\":" + json_string(text(Text::EndedGameKept)) +
                                       ",\"endPlain\":" + json_string(text(Text::EndedPlainly)) +
                                       ",\"startAgain\":" + json_string(text(Text::ButtonStartAgain)) +
                                       ",\"panel\":[" + json_string(text(Text::PanelGameName)) +
                                       "," + json_string(text(Text::PanelFirst)) + "," +
                                       json_string(text(Text::PanelSecond)) + "," +
                                       json_string(text(Text::PanelFileName)) + "]}");
}

// The console: runs a whole session on the `size` bytes of `input` (a NUL
// among them is a byte of a line, as on a console's input) and gives what
// rindou-cli prints for them; its size is rindou_console_size().
static std::string console_output;
EMSCRIPTEN_KEEPALIVE const char* rindou_console(const char* input, int size) {
    // The runtime's mask starts as 0777, so a record the console writes
    // would get no permissions at all and could not be read back: give it
    // the mask a console usually runs under.
    static const bool usual_mask = (::umask(022), true);
    (void)usual_mask;
    std::istringstream in{std::string(input, static_cast<size_t>(std::max(size, 0)))};
    std::ostringstream out;
    rindou::run_cli(in, out);
    console_output = out.str();
    return console_output.data();
}
EMSCRIPTEN_KEEPALIVE int rindou_console_size() { return static_cast<int>(console_output.size()); }

// The game in progress, written for the page to put aside: empty when there
// is none to put aside (no game, or one that has ended and was kept), "="
// while work is in progress (the game is then between two of its states, and
// what was put aside before stands).
EMSCRIPTEN_KEEPALIVE const char* rindou_saved_game() {
    static std::string slot;
    rindou::web::Front& f = front();
    const rindou::GameState& s = f.game().st;
    if (f.ended() || s.side_to_move == rindou::NO_SIDE || s.winner != rindou::NO_SIDE ||
        s.keep_state == rindou::KEEP_DONE)
        return rindou::web::kept(slot, "");
    if (f.waiting() != 0) return rindou::web::kept(slot, "=");
    return rindou::web::kept(slot, rindou::web::write_saved_game(s, f.game().computer, f.platform().now()));
}

// Takes up a game put aside: 1 when the board now holds it, 0 when the text
// is no game this version can go on with, or work is in progress.
EMSCRIPTEN_KEEPALIVE int rindou_restore_game(const char* text) {
    rindou::web::Front& f = front();
    if (f.ended() || f.waiting() != 0 || !text) return 0;
    rindou::GameInPlay& g = f.game();
    if (!rindou::web::read_saved_game(text, f.platform().now(), g.st, g.computer)) return 0;
    g.view.clock_shown_second = 0;
    rindou::redraw_position(g);
    return 1;
}

// The page's lines about a game put aside: {"resumed", "otherTab"}.
EMSCRIPTEN_KEEPALIVE const char* rindou_resume_texts() {
    static std::string slot;
    using rindou::Text;
    using rindou::web::json_string;
    return rindou::web::kept(slot, "{\"resumed\":" + json_string(rindou::text(Text::GameResumed)) +
                                       ",\"otherTab\":" +
                                       json_string(rindou::text(Text::GameTakenByOtherTab)) + "}");
}

}  // extern "C"

// ---- The study: the move list, jumping to a move, the hint's words --------------
// (the analysis itself runs in a worker: study_wire.cpp)

namespace rindou::web {
namespace {

// Jumping, as work, so that it waits its turn as every command does.
Work<> jump_command(GameInPlay& g, int n) {
    (void)jump_to(g, n);
    co_return;
}

}  // namespace
}  // namespace rindou::web

extern "C" {

// What the study shows of the game on the board: {"shown", "lines": [...],
// "current" (the line of the position shown), "hint" (the hint's words while
// they stand), "key" (the record's moves), "busy" (work in progress: no
// analysis starts then)}.
EMSCRIPTEN_KEEPALIVE const char* rindou_study_view() {
    static std::string slot;
    using rindou::web::json_string;
    rindou::GameInPlay& g = front().game();
    const rindou::GameState& s = g.st;
    std::string out = "{\"shown\":";
    out += g.view.move_list_shown ? "true" : "false";
    out += ",\"lines\":[";
    bool first = true;
    for (const std::string& line : rindou::move_list_lines(s)) {
        if (!first) out += ',';
        first = false;
        out += json_string(line);
    }
    out += "],\"current\":" + std::to_string(s.record_count) +
           ",\"hint\":" + json_string(rindou::hint_words(s)) +
           ",\"key\":" + json_string(rindou::study::analysed_record_key(s)) +
           ",\"busy\":" + (front().waiting() != 0 || front().ended() ? "true" : "false") + "}";
    return rindou::web::kept(slot, out);
}

// The move list shown or hidden, kept in the settings as the window keeps it.
EMSCRIPTEN_KEEPALIVE void rindou_study_show(int shown) {
    if (!front().ended()) rindou::show_move_list(front().game(), shown != 0);
}

// Shows the position after entry `n` of the record (0: the start).
EMSCRIPTEN_KEEPALIVE void rindou_study_jump(int n) {
    if (n != front().game().st.record_count)
        front().run(rindou::web::jump_command(front().game(), n));
}

// The game on the board as the study's worker reads it.
EMSCRIPTEN_KEEPALIVE const char* rindou_study_request() {
    static std::string slot;
    return rindou::web::kept(slot, rindou::web::write_study_request(front().game().st));
}

// The study's words in the language chosen; the summary's and the better
// move's keep their places ({blunders}, {mistakes}, {inaccuracies}, {move})
// for the page to fill.
EMSCRIPTEN_KEEPALIVE const char* rindou_study_texts() {
    static std::string slot;
    using rindou::Text;
    using rindou::text_pattern;
    using rindou::web::json_string;
    const rindou::Language l = rindou::language();
    const auto pattern = [l](Text t) { return json_string(std::string(text_pattern(t, l))); };
    const auto analyse = [](Text level) {
        return json_string(rindou::text(Text::MenuAnalyse, {{"level", rindou::text(level)}}));
    };
    return rindou::web::kept(
        slot, "{\"moveList\":" + pattern(Text::MenuMoveList) + ",\"analyse4\":" +
                  analyse(Text::MenuLevel4) + ",\"analyse5\":" + analyse(Text::MenuLevel5) +
                  ",\"cancel\":" + pattern(Text::AnalysisCancel) +
                  ",\"marks\":[\"\"," + pattern(Text::MarkInaccuracy) + "," +
                  pattern(Text::MarkMistake) + "," + pattern(Text::MarkBlunder) + "]" +
                  ",\"better\":" + pattern(Text::BetterMove) + ",\"sente\":" +
                  pattern(Text::SenteMark) + ",\"gote\":" + pattern(Text::GoteMark) +
                  ",\"summary\":" + pattern(Text::AnalysisSummary) +
                  ",\"close\":" + pattern(Text::StudyClose) + ",\"progress\":" +
                  pattern(Text::StudyProgress) + ",\"graph\":" + pattern(Text::StudyGraph) +
                  ",\"failed\":" + pattern(Text::StudyFailed) + "}");
}

}  // extern "C"
