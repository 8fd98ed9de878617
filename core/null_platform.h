// A platform that discards everything: used when the game is run on a copy of
// its state (exploring a position) and by tests that only look at the state.
#pragma once

#include "core/platform.h"

namespace rindou {

class NullPlatform : public Platform {
public:
    void draw_image(int, double, double) override {}
    void draw_outline(int, double, double, double, double) override {}
    void draw_text(double, double, const std::string&, int, int, bool) override {}
    void present() override {}
    void message(const std::string&, const std::string&) override {}
    bool ask_yes_no(const std::string&, const std::string&) override { return true; }
    float now() override { return static_cast<float>(clock_); }
    // The clock is kept in double precision and every wait moves it by at
    // least a microsecond, so a pause always ends whatever the rounding of
    // its single-precision readings.
    void idle(double seconds) override {
        double t = clock_ + (seconds > 1e-6 ? seconds : 1e-6);
        while (t >= 86400.0) t -= 86400.0;
        if (static_cast<float>(t) >= 86400.0f) t = 0.0;
        clock_ = t;
    }
    SoundLibrary* sound_library() override { return nullptr; }
    FileRead read_data_file(const std::string&, std::vector<unsigned char>&,
                            std::error_code&) override {
        return FileRead::Missing;
    }
    void panel_hide_lists() override {}
    void panel_hide_entry() override {}
    void panel_empty_boxes() override {}
    void panel_show_write() override {}
    void panel_show_read() override {}
    void panel_refresh_files() override {}
    std::string panel_box(int) override { return {}; }
    std::string panel_folder() override { return {}; }
    FileRead read_settings(std::string&) override { return FileRead::Missing; }
    bool write_settings(const std::string&) override { return true; }
    std::string current_folder() override { return "."; }
    void open_page(const std::string&) override {}
    void show_help_page(const std::string&) override {}
    bool about_box() override { return false; }
    void end_program() override {}

    double clock_ = 0;
};

}  // namespace rindou
