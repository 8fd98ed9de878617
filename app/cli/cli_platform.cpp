#include "app/cli/cli_platform.h"

#include <cmath>
#include <cstdio>

#include "core/file_texts.h"

namespace rindou {

std::string escape_text(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '\r')
            out += "\\r";
        else if (ch == '\n')
            out += "\\n";
        else if (ch == '\\')
            out += "\\\\";
        else
            out += ch;
    }
    return out;
}

// The console's sound files hold their own names, so each buffer knows which
// of the four sounds it is.
int32_t CliSound::dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                              int32_t) {
    if (context == 0 || wav == nullptr || length <= 0 || count_ >= 7) return 0;
    std::string name(reinterpret_cast<const char*>(wav), static_cast<size_t>(length));
    count_ += 1;
    names_[count_] = name;
    return count_;
}

namespace {
const char* event_name(const std::string& file) {
    if (file == SOUND_FILE_OTHER) return "other";
    if (file == SOUND_FILE_REFUSAL) return "refusal";
    if (file == SOUND_FILE_PIECE) return "piece";
    return nullptr;
}
}  // namespace

int32_t CliSound::dsPlay(int32_t buffer) {
    if (buffer <= 0 || buffer > count_) return 0;
    if (const char* name = event_name(names_[buffer])) out_ << "sound " << name << '\n';
    return 1;
}

int32_t CliSound::dsPlayLooping(int32_t buffer) {
    if (buffer <= 0 || buffer > count_) return 0;
    if (names_[buffer] == "BGM.wav") out_ << "music on\n";
    return 1;
}

int32_t CliSound::dsStop(int32_t buffer) {
    if (buffer <= 0 || buffer > count_) return 0;
    if (names_[buffer] == "BGM.wav") out_ << "music off\n";
    return 1;
}

void CliPlatform::message(const std::string& title, const std::string& text) {
    out_ << "message " << escape_text(title) << '|' << escape_text(text) << '\n';
}

bool CliPlatform::ask_yes_no(const std::string& title, const std::string& text) {
    bool yes = true;
    if (!answers.empty()) {
        yes = answers.front();
        answers.pop_front();
    }
    out_ << "ask " << escape_text(title) << '|' << escape_text(text) << " -> "
         << (yes ? "yes" : "no") << '\n';
    return yes;
}

float CliPlatform::now() { return static_cast<float>(sim_clock_); }

void CliPlatform::advance(double seconds) {
    if (!(seconds > 0)) return;
    sim_clock_ = std::fmod(sim_clock_ + seconds, 86400.0);
    // A float reading must never round up to 86400.
    if (static_cast<float>(sim_clock_) >= 86400.0f) sim_clock_ = 0.0;
}

void CliPlatform::idle(double seconds) {
    // A pause advances the simulated clock by what is still to wait; a step
    // of at least a microsecond keeps the wait finite whatever the rounding.
    advance(seconds > 1e-6 ? seconds : 1e-6);
}

FileRead CliPlatform::read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                                     std::error_code&) {
    bytes.assign(name.begin(), name.end());
    return FileRead::Ok;
}

void CliPlatform::end_program() { out_ << "quit\n"; }

void CliPlatform::computer_move(const RecordEntry& m, double score) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", score);
    out_ << "com " << m.from_col << ' ' << m.from_row << ' ' << m.to_col << ' ' << m.to_row << ' '
         << m.piece_before << ' ' << m.piece_after << ' ' << m.captured << ' ' << buf << '\n';
}

void CliPlatform::hint_given(const RecordEntry& m) {
    if (m.pass())
        out_ << "hint pass\n";
    else
        out_ << "hint " << m.from_col << ' ' << m.from_row << ' ' << m.to_col << ' ' << m.to_row
             << ' ' << m.piece_after << '\n';
}

}  // namespace rindou
