// The game's ports on Qt: the board surface, message boxes, the clock, the
// sound library, data and settings files, the record panel and the host.
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

class Dialogs;
class HelpWindow;
class RecordPanel;

class QtPlatform : public Platform {
public:
    // `window` parents the dialogs, `surface` shows the canvas.
    QtPlatform(QWidget* window, QWidget* surface, Canvas* canvas, RecordPanel* panel,
               Dialogs* dialogs);
    ~QtPlatform() override;

    void draw_image(int picture_code, double x, double y) override;
    void draw_outline(int colour, double x1, double y1, double x2, double y2) override;
    void draw_text(double x, double y, const std::string& text, int colour, int size_pt,
                   bool bold) override;
    void present() override;

    void message(const std::string& title, const std::string& text) override;
    bool ask_yes_no(const std::string& title, const std::string& text) override;

    float now() override;
    void idle(double seconds) override;

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

    std::string current_folder() override;
    void open_page(const std::string& address) override;
    void show_help_page(const std::string& address) override;
    bool about_box() override;
    void end_program() override { ended_ = true; }
    void place_window() override;
    void run_work(const std::function<void()>& work, std::atomic<bool>& stop,
                  const std::function<void()>& tick) override;
    // The window is being closed: long work running now is cut short.
    void request_stop() { stop_requested_ = true; }
    GameShelf* game_shelf() override { return shelf_; }
    void set_game_shelf(GameShelf* shelf) { shelf_ = shelf; }

    // True while idle() lets the window repaint: user input is then dropped.
    bool idling() const { return idling_; }
    bool ended() const { return ended_; }
    void set_dialogs(Dialogs* dialogs) { dialogs_ = dialogs; }
    // The help window, once help was asked for (nullptr before).
    HelpWindow* help_window() const { return help_; }
    // Replaces the sound library (the window loads it once at start-up).
    void set_sound_library(std::unique_ptr<SoundLibrary> library) { sound_ = std::move(library); }
    // Replaces the sleep of one idle step (tests watch how long idle sleeps).
    void set_sleeper(std::function<void(double seconds)> sleeper) { sleep_ = std::move(sleeper); }

private:
    QWidget* window_;
    QWidget* surface_;
    Canvas* canvas_;
    RecordPanel* panel_;
    Dialogs* dialogs_;
    std::unique_ptr<SoundLibrary> sound_;
    HelpWindow* help_ = nullptr;  // owned by the window
    GameShelf* shelf_ = nullptr;
    std::function<void(double seconds)> sleep_;
    bool idling_ = false;
    bool ended_ = false;
    bool stop_requested_ = false;
};

}  // namespace rindou::qt
