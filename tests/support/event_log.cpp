#include "tests/support/event_log.h"

#include <cmath>
#include <cstdio>

namespace rindou::test {

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\r') out += "\\r";
        else if (ch == '\n') out += "\\n";
        else if (ch == '\\') out += "\\\\";
        else out += ch;
    }
    return out;
}

}  // namespace

int32_t EventSound::dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                                int32_t) {
    if (context == 0 || wav == nullptr || length <= 0 || count_ >= 7) return 0;
    names_[++count_].assign(reinterpret_cast<const char*>(wav), static_cast<size_t>(length));
    return count_;
}

std::string EventSound::name(int32_t buffer) const {
    return buffer > 0 && buffer <= count_ ? names_[buffer] : std::string();
}

int32_t EventSound::dsPlay(int32_t buffer) {
    const std::string file = name(buffer);
    if (file.empty()) return 0;
    if (file == "その他.wav") out_ << "sound other\n";
    if (file == "禁止.wav") out_ << "sound refusal\n";
    if (file == "駒打音.wav") out_ << "sound piece\n";
    return 1;
}

int32_t EventSound::dsPlayLooping(int32_t buffer) {
    const std::string file = name(buffer);
    if (file.empty()) return 0;
    if (file == "BGM.wav") out_ << "music on\n";
    return 1;
}

int32_t EventSound::dsStop(int32_t buffer) {
    const std::string file = name(buffer);
    if (file.empty()) return 0;
    if (file == "BGM.wav") out_ << "music off\n";
    return 1;
}

void EventLog::message(const std::string& title, const std::string& text) {
    out_ << "message " << escaped(title) << '|' << escaped(text) << '\n';
}

bool EventLog::ask_yes_no(const std::string& title, const std::string& text) {
    bool yes = answers.empty() || answers.front();
    if (!answers.empty()) answers.pop_front();
    out_ << "ask " << escaped(title) << '|' << escaped(text) << " -> " << (yes ? "yes" : "no")
         << '\n';
    return yes;
}

void EventLog::advance(double seconds) {
    if (!(seconds > 0)) return;
    clock_ = std::fmod(clock_ + seconds, 86400.0);
    if (static_cast<float>(clock_) >= 86400.0f) clock_ = 0.0;
}

void EventLog::computer_move(const RecordEntry& m, double score) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4f", score);
    out_ << "com " << m.from_col << ' ' << m.from_row << ' ' << m.to_col << ' ' << m.to_row << ' '
         << m.piece_before << ' ' << m.piece_after << ' ' << m.captured << ' ' << buf << '\n';
}

void EventLog::hint_given(const RecordEntry& m) {
    if (m.pass())
        out_ << "hint pass\n";
    else
        out_ << "hint " << m.from_col << ' ' << m.from_row << ' ' << m.to_col << ' ' << m.to_row
             << ' ' << m.piece_after << '\n';
}

}  // namespace rindou::test
