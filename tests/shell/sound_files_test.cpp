// The four sound files: where the game finds them, their form, the seam of
// the music loop, their regeneration, and the game playing them for real.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/files.h"
#include "play/flow.h"
#include "shell/data_files.h"
#include "shell/start.h"
#include "sound/loader.h"
#include "tests/shell/fake_platform.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

const char* const SOUND_FILES[] = {"その他.wav", "禁止.wav", "駒打音.wav", "BGM.wav"};

struct Wav {
    int channels = 0, rate = 0, bits = 0, format = 0;
    std::vector<int16_t> samples;
    double seconds() const { return static_cast<double>(samples.size()) / rate; }
};

uint32_t le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// Parses a RIFF WAVE image chunk by chunk; false when it is no such file.
bool parse(const std::string& b, Wav& w) {
    if (b.size() < 12 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0)
        return false;
    if (le(b, 4, 4) + 8 != b.size()) return false;
    bool have_fmt = false, have_data = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        std::string id = b.substr(at, 4);
        size_t size = le(b, at + 4, 4);
        if (at + 8 + size > b.size()) return false;
        if (id == "fmt ") {
            w.format = static_cast<int>(le(b, at + 8, 2));
            w.channels = static_cast<int>(le(b, at + 10, 2));
            w.rate = static_cast<int>(le(b, at + 12, 4));
            w.bits = static_cast<int>(le(b, at + 22, 2));
            have_fmt = true;
        } else if (id == "data") {
            for (size_t i = 0; i + 1 < size; i += 2)
                w.samples.push_back(static_cast<int16_t>(le(b, at + 8 + i, 2)));
            have_data = true;
        }
        at += 8 + size + (size & 1);
    }
    return have_fmt && have_data;
}

Wav load(const std::string& name) {
    std::string path = find_data_file(name);
    EXPECT_FALSE(path.empty()) << name;
    std::string bytes;
    std::error_code error;
    EXPECT_TRUE(read_whole_file(path, bytes, error)) << name << ": " << error.message();
    Wav w;
    EXPECT_TRUE(parse(bytes, w)) << name;
    return w;
}

TEST(SoundFiles, AreFoundByTheirBareNamesAndArePlainPcm) {
    for (const char* name : SOUND_FILES) {
        Wav w = load(name);
        EXPECT_EQ(w.format, 1) << name;
        EXPECT_EQ(w.channels, 1) << name;
        EXPECT_EQ(w.rate, 22050) << name;
        EXPECT_EQ(w.bits, 16) << name;
        // Never clipped, and not silent.
        long peak = 0;
        for (int16_t v : w.samples) peak = std::max(peak, std::labs(v));
        EXPECT_LT(peak, 32000) << name;
        EXPECT_GT(peak, 8000) << name;
    }
    EXPECT_LE(load("駒打音.wav").seconds(), 0.3);
    EXPECT_LE(load("禁止.wav").seconds(), 0.6);
    double chime = load("その他.wav").seconds();
    EXPECT_GE(chime, 0.5);
    EXPECT_LE(chime, 3.0);
}

TEST(SoundFiles, TheMusicLoopsWithoutAClickAtTheSeam) {
    Wav m = load("BGM.wav");
    EXPECT_GE(m.seconds(), 20.0);
    EXPECT_LE(m.seconds(), 40.0);
    // How far each sample lies from the straight continuation of the two
    // before it; the seam (last, last, first) must look like the inside.
    const auto& s = m.samples;
    auto surprise = [&](size_t a, size_t b, size_t c) {
        return std::abs(static_cast<long>(s[c]) - (2L * s[b] - s[a]));
    };
    std::vector<long> inside;
    for (size_t i = 2; i < s.size(); ++i) inside.push_back(surprise(i - 2, i - 1, i));
    std::sort(inside.begin(), inside.end());
    long p90 = inside[inside.size() * 9 / 10];
    size_t n = s.size();
    EXPECT_LE(surprise(n - 2, n - 1, 0), p90);
    EXPECT_LE(surprise(n - 1, 0, 1), p90);
}

TEST(SoundFiles, TheGeneratorWritesTheSameBytesAgain) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("rindou-sounds-" + std::to_string(getpid()));
    std::string command = std::string("\"") + RINDOU_GEN_SOUNDS + "\" \"" + dir.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : SOUND_FILES) {
        std::string fresh, kept;
        std::error_code error;
        ASSERT_TRUE(read_whole_file((dir / name).string(), fresh, error)) << name;
        ASSERT_TRUE(read_whole_file(
            (fs::path(RINDOU_SOURCE_DIR) / "assets" / "sounds" / name).string(), kept, error));
        EXPECT_TRUE(fresh == kept) << name << " differs from what the generator writes";
    }
    fs::remove_all(dir);
}

// The game on the real library, reading its sounds as the window does.
class RealSoundPlatform : public FakePlatform {
public:
    SoundLibrary* sound_library() override { return real.get(); }
    FileRead read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                            std::error_code& error) override {
        std::string path = find_data_file(name);
        if (path.empty()) return FileRead::Missing;
        std::string data;
        if (!read_whole_file(path, data, error)) return FileRead::Failed;
        bytes.assign(data.begin(), data.end());
        return FileRead::Ok;
    }
    std::unique_ptr<SoundLibrary> real = load_sound_library();
};

TEST(SoundFiles, TheGameLoadsAndPlaysThemThroughTheRealLibrary) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    RealSoundPlatform io;
    ASSERT_NE(io.real, nullptr);
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));  // first run: the music starts
    const SoundHandles& h = g.sound;
    EXPECT_NE(h.context, 0);
    EXPECT_NE(h.other, 0);
    EXPECT_NE(h.refusal, 0);
    EXPECT_NE(h.piece, 0);
    EXPECT_NE(h.music, 0);
    EXPECT_EQ(io.real->dsPlay(h.piece), 1);
    EXPECT_EQ(io.real->dsPlay(h.other), 1);
    EXPECT_TRUE(io.messages.empty());
    EXPECT_TRUE(run_at_once(g, quit_program(g)));
    EXPECT_EQ(g.sound.context, 0);
}

}  // namespace
}  // namespace rindou::test
