// A platform for the shell's tests: Rindou.ini kept in memory (with writes
// that can be made to fail), a sound library that logs its calls, and a log
// of the drawing calls and pages opened.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/game.h"
#include "core/null_platform.h"

namespace rindou::test {

// Logs every call as one line, e.g. "create 1 3 -> 1", "play 1", "loop 4".
class LoggingSound : public SoundLibrary {
public:
    int32_t dsInitialize(int32_t) override {
        log.push_back("init");
        return context_result;
    }
    int32_t dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                        int32_t flags) override {
        int32_t handle = ++created;
        names[handle] = std::string(reinterpret_cast<const char*>(wav), static_cast<size_t>(length));
        log.push_back("create " + names[handle] + " ctx" + std::to_string(context) + " flag" +
                      std::to_string(flags) + " -> " + std::to_string(handle));
        return handle;
    }
    int32_t dsPlay(int32_t b) override { return note("play", b); }
    int32_t dsPlayLooping(int32_t b) override { return note("loop", b); }
    int32_t dsStop(int32_t b) override { return note("stop", b); }
    int32_t dsFree(int32_t b) override { return note("free", b); }
    int32_t dsTerminate(int32_t c) override {
        log.push_back("terminate " + std::to_string(c));
        return 1;
    }

    // The log lines that name one call kind, e.g. all "loop ..." lines.
    std::vector<std::string> calls(const std::string& kind) const {
        std::vector<std::string> out;
        for (const auto& l : log)
            if (l.rfind(kind + " ", 0) == 0) out.push_back(l);
        return out;
    }

    int32_t context_result = 7;
    int32_t created = 0;
    std::map<int32_t, std::string> names;
    std::vector<std::string> log;

private:
    int32_t note(const char* what, int32_t b) {
        log.push_back(std::string(what) + " " + std::to_string(b));
        return b != 0;
    }
};

class FakePlatform : public NullPlatform {
public:
    // Drawing calls as text lines.
    void draw_image(int code, double x, double y) override {
        draw_log.push_back("image " + std::to_string(code) + " " + cell(x, y));
    }
    void draw_outline(int colour, double x1, double y1, double, double) override {
        draw_log.push_back("outline " + std::to_string(colour) + " " + cell(x1, y1));
    }
    void draw_text(double x, double y, const std::string& text, int colour, int size,
                   bool) override {
        draw_log.push_back("text " + std::to_string(colour) + " " + std::to_string(size) + " " +
                           cell(x, y) + " " + text);
    }
    void present() override { draw_log.push_back("present"); }
    void message(const std::string& title, const std::string& text) override {
        messages.push_back(title + "|" + text);
    }

    SoundLibrary* sound_library() override { return with_sound ? &sound : nullptr; }
    FileRead read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                            std::error_code&) override {
        if (missing_sounds) return FileRead::Missing;
        bytes.assign(name.begin(), name.end());
        return FileRead::Ok;
    }

    FileRead read_settings(std::string& bytes) override {
        ++reads;
        if (unreadable_ini) return FileRead::Failed;
        if (!has_ini) return FileRead::Missing;
        bytes = ini;
        return FileRead::Ok;
    }
    bool write_settings(const std::string& bytes) override {
        writes.push_back(bytes);
        if (failing_writes > 0) {
            --failing_writes;
            return false;
        }
        set_ini(bytes);
        return true;
    }

    std::string current_folder() override { return folder; }
    void open_page(const std::string& address) override { pages.push_back(address); }
    void show_help_page(const std::string& address) override { help_pages.push_back(address); }
    bool about_box() override {
        draw_log.push_back("about box");
        return about_answer;
    }
    void panel_hide_lists() override { draw_log.push_back("hide lists"); }
    void panel_hide_entry() override { draw_log.push_back("hide entry"); }
    void panel_empty_boxes() override { draw_log.push_back("empty boxes"); }

    // The cell (column, row) of a twips position, e.g. "(-1,9)" or "(13.1,9.3)".
    static std::string cell(double x, double y) {
        std::ostringstream o;
        o << '(' << round1((x - board_left) / square_width) << ','
          << round1((y - board_top) / square_height) << ')';
        return o.str();
    }
    static double round1(double v) {
        double r = static_cast<double>(static_cast<long>(v * 10 + (v < 0 ? -0.5 : 0.5))) / 10;
        return r == 0 ? 0 : r;
    }

    LoggingSound sound;
    bool with_sound = true;
    bool missing_sounds = false;
    void set_ini(const std::string& bytes) {
        ini = bytes;
        has_ini = true;
    }
    bool has_ini = false;
    bool unreadable_ini = false;  // a file that exists but cannot be read
    std::string ini;  // the bytes of Rindou.ini when has_ini
    int failing_writes = 0;
    int reads = 0;
    std::vector<std::string> writes;
    std::vector<std::string> draw_log;
    std::vector<std::string> messages;
    std::vector<std::string> pages;       // opened in the desktop's browser
    std::vector<std::string> help_pages;  // shown in the help window
    bool about_answer = false;
    std::string folder = ".";
};

// UTF-8 text of the settings lines to CP932 bytes, and back.
std::string cp932(const std::string& utf8);
std::string utf8(const std::string& cp932_bytes);

}  // namespace rindou::test
