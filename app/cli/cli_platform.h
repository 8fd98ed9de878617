// The console front end's platform: events are printed, the clock is
// simulated, nothing is drawn.
#pragma once

#include <deque>
#include <ostream>
#include <string>

#include "core/null_platform.h"

namespace rindou {

// Writes a title or text with \r, \n and \ escaped.
std::string escape_text(const std::string& text);

class CliSound : public SoundLibrary {
public:
    explicit CliSound(std::ostream& out) : out_(out) {}
    int32_t dsInitialize(int32_t) override { return 1; }
    int32_t dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                        int32_t flags) override;
    int32_t dsPlay(int32_t buffer) override;
    int32_t dsPlayLooping(int32_t buffer) override;
    int32_t dsStop(int32_t buffer) override;
    int32_t dsFree(int32_t) override { return 0; }
    int32_t dsTerminate(int32_t) override { return 0; }

private:
    std::ostream& out_;
    std::string names_[8];
    int count_ = 0;
};

class CliPlatform : public NullPlatform {
public:
    explicit CliPlatform(std::ostream& out) : out_(out), sound_(out) {}

    void message(const std::string& title, const std::string& text) override;
    bool ask_yes_no(const std::string& title, const std::string& text) override;
    float now() override;
    void idle(double seconds) override;
    SoundLibrary* sound_library() override { return &sound_; }
    FileRead read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                            std::error_code& error) override;

    void panel_hide_lists() override { lists_shown = false; }
    void panel_hide_entry() override { entry_shown = false; }
    void panel_empty_boxes() override {
        for (auto& b : boxes) b.clear();
    }
    void panel_show_write() override {
        lists_shown = true;
        entry_shown = true;
    }
    void panel_show_read() override {
        lists_shown = true;
        entry_shown = false;
    }
    std::string panel_box(int index) override {
        return index >= 0 && index < 4 ? boxes[index] : std::string();
    }
    std::string panel_folder() override { return folder; }
    void end_program() override;
    GameShelf* game_shelf() override { return shelf; }
    void computer_move(const RecordEntry& m, double score) override;

    void hint_given(const RecordEntry& m) override;

    void advance(double seconds);

    std::deque<bool> answers;
    bool lists_shown = false;
    bool entry_shown = false;
    std::string boxes[4];
    std::string folder = ".";
    GameShelf* shelf = nullptr;  // where games are kept; none when null

private:
    std::ostream& out_;
    CliSound sound_;
    double sim_clock_ = 0.0;
};

}  // namespace rindou
