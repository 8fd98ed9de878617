// The platform fake of the game's tests: what a player would see or hear is
// written as one line per event, in the console's event notation, so that
// tests read like console transcripts without linking the console.  The
// clock moves only by the game's own pauses and by advance(); Yes/No answers
// come from a queue (yes when it is empty); the record panel is four boxes.
#pragma once

#include <deque>
#include <ostream>
#include <string>

#include "core/null_platform.h"

namespace rindou::test {

class EventSound : public SoundLibrary {
public:
    explicit EventSound(std::ostream& out) : out_(out) {}
    int32_t dsInitialize(int32_t) override { return 1; }
    int32_t dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                        int32_t flags) override;
    int32_t dsPlay(int32_t buffer) override;
    int32_t dsPlayLooping(int32_t buffer) override;
    int32_t dsStop(int32_t buffer) override;
    int32_t dsFree(int32_t) override { return 0; }
    int32_t dsTerminate(int32_t) override { return 0; }

private:
    std::string name(int32_t buffer) const;
    std::ostream& out_;
    std::string names_[8];
    int count_ = 0;
};

class EventLog : public NullPlatform {
public:
    explicit EventLog(std::ostream& out) : out_(out), sound_(out) {}

    void message(const std::string& title, const std::string& text) override;
    bool ask_yes_no(const std::string& title, const std::string& text) override;
    float now() override { return static_cast<float>(clock_); }
    void idle(double seconds) override { advance(seconds > 1e-6 ? seconds : 1e-6); }
    SoundLibrary* sound_library() override { return &sound_; }
    // The sound "files" hold their own names.
    FileRead read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                            std::error_code&) override {
        bytes.assign(name.begin(), name.end());
        return FileRead::Ok;
    }
    void panel_hide_lists() override { lists_shown = false; }
    void panel_hide_entry() override { entry_shown = false; }
    void panel_empty_boxes() override {
        for (auto& b : boxes) b.clear();
    }
    void panel_show_write() override { lists_shown = entry_shown = true; }
    void panel_show_read() override {
        lists_shown = true;
        entry_shown = false;
    }
    std::string panel_box(int index) override {
        return index >= 0 && index < 4 ? boxes[index] : std::string();
    }
    std::string panel_folder() override { return folder; }
    void end_program() override { out_ << "quit\n"; }
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
    EventSound sound_;
};

}  // namespace rindou::test
