// Fuzz target: the settings file loader.  Any bytes are read as Rindou.ini;
// the marks must then be consistent, and saving and reading them back must
// give the same marks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/null_platform.h"
#include "play/game_in_play.h"
#include "shell/settings.h"

namespace {

class SettingsPlatform : public rindou::NullPlatform {
public:
    rindou::FileRead read_settings(std::string& bytes) override {
        bytes = file;
        return readable ? rindou::FileRead::Ok : rindou::FileRead::Failed;
    }
    bool write_settings(const std::string& bytes) override {
        file = bytes;
        return true;
    }
    std::string file;
    bool readable = true;
};

bool consistent(const rindou::GameState& s) {
    if (s.background_code < 2 || s.background_code > 6) return false;
    return s.guidance_on == 0 || s.guidance_on == 1;
}

bool same_marks(const rindou::MenuMarks& a, const rindou::MenuMarks& b) {
    return a.midori == b.midori && a.tatami == b.tatami && a.take == b.take && a.uchu == b.uchu &&
           a.renga == b.renga && a.sidou == b.sidou && a.keika == b.keika && a.bgm == b.bgm;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SettingsPlatform io;
    io.file.assign(reinterpret_cast<const char*>(data), size);
    rindou::GameInPlay g;
    g.io = &io;
    rindou::load_settings(g);
    if (!consistent(g.st)) std::abort();
    rindou::MenuMarks marks = g.st.menu();
    rindou::save_settings(g);
    rindou::GameInPlay again;
    again.io = &io;
    rindou::load_settings(again);
    if (!consistent(again.st)) std::abort();
    // A file without a background line leaves the design-time background.
    if (marks.midori + marks.tatami + marks.take + marks.uchu + marks.renga == 1 &&
        !same_marks(marks, again.st.menu()))
        std::abort();
    return 0;
}
