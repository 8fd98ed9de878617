// The game's ports on Qt: the board surface, the clock, the sound library,
// data and settings files, the record panel and the host.  The game's waits
// (pauses, message boxes, the deep search) are the window's to answer: see
// MainWindow.
#pragma once

#include <functional>
#include <memory>

#include "app/qt/canvas.h"
#include "core/platform.h"

class QWidget;

namespace rindou::qt {

// Where the settings file lives: Rindou.ini in the user's configuration
// folder (empty when there is no home folder).
std::string settings_path();

class HelpWindow;
class RecordPanel;

class QtPlatform : public Platform {
public:
    // `window` parents the help window, `surface` shows the canvas.
    QtPlatform(QWidget* window, QWidget* surface, Canvas* canvas, RecordPanel* panel);
    ~QtPlatform() override;

    void draw_image(int picture_code, double x, double y) override;
    void draw_outline(int colour, double x1, double y1, double x2, double y2) override;
    void draw_text(double x, double y, const std::string& text, int colour, int size_pt,
                   bool bold) override;
    void present() override;

    float now() override;

    SoundLibrary* sound_library() override { return sound_.get(); }
    FileRead read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                            std::error_code& error) override;

    void panel_hide_lists() override;
    void panel_hide_entry() override;
    void panel_empty_boxes() override;
    void panel_show_write() override;
    void panel_show_read() override;
    void panel_refresh_files() override;
    std::string panel_box(int index) override;
    std::string panel_folder() override;

    FileRead read_settings(std::string& bytes) override;
    bool write_settings(const std::string& bytes) override;
    // The online server's address the person gave, kept as a line of the
    // window's own in the settings file (the game's settings skip it).
    const std::string& online_server() const { return online_server_; }
    void set_online_server(const std::string& address) { online_server_ = address; }

    std::string current_folder() override;
    void open_page(const std::string& address) override;
    void show_help_page(const std::string& address) override;
    void end_program() override { ended_ = true; }
    void place_window() override;
    // Japanese for a Japanese locale (LC_ALL, LC_MESSAGES or LANG, the
    // first one set), English for any other.
    Language preferred_language() override;
    // The help window in the language now chosen, showing its page.
    void retranslate();
    GameShelf* game_shelf() override { return shelf_; }
    void hint_given(const RecordEntry& hint) override {
        if (on_hint) on_hint(hint);
    }
    // The hint was given (the window writes it under the move list).
    std::function<void(const RecordEntry& hint)> on_hint;
    void set_game_shelf(GameShelf* shelf) { shelf_ = shelf; }

    bool ended() const { return ended_; }
    // The help window, once help was asked for (nullptr before).
    HelpWindow* help_window() const { return help_; }
    // Replaces the sound library (the window loads it once at start-up).
    void set_sound_library(std::unique_ptr<SoundLibrary> library) { sound_ = std::move(library); }

private:
    std::string online_server_;
    QWidget* window_;
    QWidget* surface_;
    Canvas* canvas_;
    RecordPanel* panel_;
    std::unique_ptr<SoundLibrary> sound_;
    HelpWindow* help_ = nullptr;  // owned by the window
    GameShelf* shelf_ = nullptr;
    bool ended_ = false;
};

}  // namespace rindou::qt
