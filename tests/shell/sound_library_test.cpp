// The real sound library through its loader: playing from memory on SDL's
// dummy driver, audible output on the disk driver, damaged files, 0 handles.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "sound/loader.h"

namespace rindou::test {
namespace {

// A WAV image of a sine tone, mono 16-bit.
std::vector<unsigned char> tone_wav(double seconds, double hz, int rate = 22050) {
    size_t n = static_cast<size_t>(seconds * rate);
    std::vector<unsigned char> w;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto u16 = [&](uint16_t v) {
        w.push_back(static_cast<unsigned char>(v & 0xFF));
        w.push_back(static_cast<unsigned char>(v >> 8));
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<unsigned char>(t[i]));
    };
    tag("RIFF");
    u32(static_cast<uint32_t>(36 + 2 * n));
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * 2));
    u16(2);
    u16(16);
    tag("data");
    u32(static_cast<uint32_t>(2 * n));
    for (size_t i = 0; i < n; ++i)
        u16(static_cast<uint16_t>(static_cast<int16_t>(
            16000 * std::sin(2 * 3.14159265358979 * hz * static_cast<double>(i) / rate))));
    return w;
}

void use_driver(const char* driver) { setenv("SDL_AUDIODRIVER", driver, 1); }

std::unique_ptr<SoundLibrary> real_library() {
    return load_sound_library_from({RINDOU_SOUND_LIBRARY});
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

TEST(SoundLoader, MissingLibrariesGiveNoLibrary) {
    EXPECT_EQ(load_sound_library_from({}), nullptr);
    EXPECT_EQ(load_sound_library_from({"/nonexistent/librindou-sound.so", "librindou-nothing.so"}),
              nullptr);
    // A library that opens but is not the sound library.
    EXPECT_EQ(load_sound_library_from({"libm.so.6"}), nullptr);
    // The first candidate that works is taken.
    EXPECT_NE(load_sound_library_from({"/nonexistent/x.so", RINDOU_SOUND_LIBRARY}), nullptr);
}

TEST(SoundLoader, LooksInThePrivateFolderBesideTheProgramThenByNameOnly) {
    auto places = sound_library_candidates();
    ASSERT_EQ(places.size(), 2u);
    // The private folder found from the program's own folder: in the build
    // tree, the library that was built.
    EXPECT_EQ(places.front().rfind(
                  std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/", 0),
              0u);
    EXPECT_EQ(std::filesystem::canonical(places.front()),
              std::filesystem::canonical(RINDOU_SOUND_LIBRARY));
    // Then the dynamic loader's own search; no other folder, no current one.
    EXPECT_EQ(places.back(), "librindou-sound.so");
    std::string loaded;
    EXPECT_NE(load_sound_library(&loaded), nullptr);
    EXPECT_EQ(loaded, places.front());
}

TEST(SoundLibraryDummy, PlaysMixesLoopsAndStopsBuffersMadeFromMemory) {
    use_driver("dummy");
    auto lib = real_library();
    ASSERT_NE(lib, nullptr);
    int ctx = lib->dsInitialize(1);
    ASSERT_NE(ctx, 0);

    int a, b;
    {
        // The library keeps its own copy: the caller's bytes go away at once.
        auto wav = tone_wav(0.2, 440);
        a = lib->dsCreateDSB(ctx, wav.data(), static_cast<int32_t>(wav.size()), 3);
        std::fill(wav.begin(), wav.end(), 0xEE);
        auto music = tone_wav(0.3, 220);
        b = lib->dsCreateDSB(ctx, music.data(), static_cast<int32_t>(music.size()), 1);
    }
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(lib->dsPlayLooping(b), 1);
    EXPECT_EQ(lib->dsPlay(a), 1);
    EXPECT_EQ(lib->dsPlay(a), 1);  // restarts
    sleep_ms(50);
    EXPECT_EQ(lib->dsStop(b), 1);
    EXPECT_EQ(lib->dsStop(b), 1);  // stopping a stopped buffer is harmless
    EXPECT_EQ(lib->dsFree(a), 1);
    EXPECT_EQ(lib->dsPlay(a), 0);  // freed
    EXPECT_EQ(lib->dsFree(a), 0);
    EXPECT_EQ(lib->dsTerminate(ctx), 1);
    // Buffers die with their context.
    EXPECT_EQ(lib->dsPlay(b), 0);
    EXPECT_EQ(lib->dsTerminate(ctx), 0);

    // The device can be opened again afterwards.
    int again = lib->dsInitialize(1);
    EXPECT_NE(again, 0);
    EXPECT_EQ(lib->dsTerminate(again), 1);
}

TEST(SoundLibraryDummy, ZeroAndUnknownHandlesAndDamagedFilesAreHarmless) {
    use_driver("dummy");
    auto lib = real_library();
    ASSERT_NE(lib, nullptr);
    for (int h : {0, -1, 12345}) {
        EXPECT_EQ(lib->dsPlay(h), 0);
        EXPECT_EQ(lib->dsPlayLooping(h), 0);
        EXPECT_EQ(lib->dsStop(h), 0);
        EXPECT_EQ(lib->dsFree(h), 0);
        EXPECT_EQ(lib->dsTerminate(h), 0);
    }
    auto wav = tone_wav(0.05, 440);
    // No context, no buffer.
    EXPECT_EQ(lib->dsCreateDSB(0, wav.data(), static_cast<int32_t>(wav.size()), 3), 0);

    int ctx = lib->dsInitialize(1);
    ASSERT_NE(ctx, 0);
    std::vector<unsigned char> junk(64);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<unsigned char>(i * 37 + 11);
    EXPECT_EQ(lib->dsCreateDSB(ctx, junk.data(), static_cast<int32_t>(junk.size()), 3), 0);
    EXPECT_EQ(lib->dsCreateDSB(ctx, nullptr, 100, 3), 0);
    EXPECT_EQ(lib->dsCreateDSB(ctx, wav.data(), 0, 3), 0);
    EXPECT_EQ(lib->dsCreateDSB(ctx, wav.data(), -5, 3), 0);
    // Every cut of a real file: a buffer or none, never a crash.
    for (size_t cut = 0; cut < 200; ++cut) {
        std::unique_ptr<unsigned char[]> part(new unsigned char[cut + 1]);
        std::memcpy(part.get(), wav.data(), cut);
        int h = lib->dsCreateDSB(ctx, part.get(), static_cast<int32_t>(cut), 3);
        if (h != 0) {
            lib->dsPlay(h);
            EXPECT_EQ(lib->dsFree(h), 1);
        }
    }
    // A header claiming far more data than there is.
    auto lying = wav;
    lying[40] = lying[41] = lying[42] = 0xFF;
    lying[43] = 0x7F;
    int h = lib->dsCreateDSB(ctx, lying.data(), static_cast<int32_t>(lying.size()), 3);
    if (h != 0) {
        EXPECT_EQ(lib->dsFree(h), 1);
    }
    EXPECT_EQ(lib->dsTerminate(ctx), 1);
}

// A RIFF image with a format chunk of the given kind and `data_bytes` bytes
// of silence.
std::vector<unsigned char> wav_image(uint16_t kind, uint16_t channels, uint32_t rate,
                                     uint16_t bits, uint32_t data_bytes) {
    std::vector<unsigned char> w;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) w.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto u16 = [&](uint32_t v) { u32(v), w.pop_back(), w.pop_back(); };
    auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
    const uint32_t align = channels * bits / 8;
    tag("RIFF"), u32(36 + data_bytes), tag("WAVE");
    tag("fmt "), u32(16), u16(kind), u16(channels), u32(rate), u32(rate * align), u16(align);
    u16(bits);
    tag("data"), u32(data_bytes);
    w.resize(w.size() + data_bytes, kind == 1 && bits == 8 ? 0x80 : 0);
    return w;
}

// An AIFF image: a sound the mixer's other decoders would take.
std::vector<unsigned char> aiff_image() {
    std::vector<unsigned char> w;
    auto be = [&](uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) w.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
    const uint32_t frames = 2205;
    tag("FORM"), be(4 + 26 + 16 + 2 * frames, 4), tag("AIFF");
    tag("COMM"), be(18, 4), be(1, 2), be(frames, 4), be(16, 2);
    // 22050 as an 80-bit extended number.
    for (unsigned char b : {0x40, 0x0D, 0xAC, 0x44, 0, 0, 0, 0, 0, 0}) w.push_back(b);
    tag("SSND"), be(8 + 2 * frames, 4), be(0, 4), be(0, 4);
    w.resize(w.size() + 2 * frames, 0);
    return w;
}

TEST(SoundLibraryDummy, TakesOnlyPlainWaveSoundsOfTheUsualKinds) {
    use_driver("dummy");
    auto lib = real_library();
    ASSERT_NE(lib, nullptr);
    int ctx = lib->dsInitialize(1);
    ASSERT_NE(ctx, 0);
    auto create = [&](const std::vector<unsigned char>& w) {
        int h = lib->dsCreateDSB(ctx, w.data(), static_cast<int32_t>(w.size()), 3);
        if (h != 0) lib->dsFree(h);
        return h != 0;
    };
    const uint32_t MiB = 1024 * 1024;
    EXPECT_TRUE(create(wav_image(1, 1, 22050, 16, 4410)));
    EXPECT_TRUE(create(wav_image(1, 2, 8000, 8, 800)));
    EXPECT_TRUE(create(wav_image(3, 1, 48000, 32, 4800)));
    EXPECT_TRUE(create(wav_image(1, 2, 48000, 16, 16 * MiB)));

    EXPECT_FALSE(create(aiff_image()));
    EXPECT_FALSE(create(wav_image(6, 1, 8000, 8, 800)));     // A-law
    EXPECT_FALSE(create(wav_image(1, 3, 22050, 16, 600)));   // three channels
    EXPECT_FALSE(create(wav_image(1, 1, 96000, 16, 800)));   // over 48 kHz
    EXPECT_FALSE(create(wav_image(1, 1, 4000, 16, 800)));    // under 8 kHz
    EXPECT_FALSE(create(wav_image(1, 1, 22050, 24, 900)));   // 24-bit
    EXPECT_FALSE(create(wav_image(1, 2, 48000, 16, 16 * MiB + 4)));
    // Far longer than any sound of a game once decoded: its memory is not spent.
    EXPECT_FALSE(create(wav_image(1, 1, 8000, 8, 16 * MiB)));
    // Data before the format, or no data at all.
    auto swapped = wav_image(1, 1, 22050, 16, 0);
    swapped.resize(12);
    for (const char* t : {"data", "\0\0\0\0", "fmt "}) swapped.insert(swapped.end(), t, t + 4);
    auto format = wav_image(1, 1, 22050, 16, 0);
    swapped.insert(swapped.end(), format.begin() + 16, format.end() - 8);
    EXPECT_FALSE(create(swapped));
    EXPECT_FALSE(create(std::vector<unsigned char>(format.begin(), format.end() - 8)));
    EXPECT_EQ(lib->dsTerminate(ctx), 1);
}

// Reads the raw 16-bit samples the disk driver wrote.
std::vector<int16_t> read_raw(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

// Waits until the disk driver has written at least `samples` more samples
// than `from` (it writes in real time; a busy machine may make it late).
size_t wait_for(const std::filesystem::path& p, size_t from, size_t samples) {
    size_t now = 0;
    for (int i = 0; i < 200; ++i) {
        std::error_code ec;
        now = static_cast<size_t>(std::filesystem::file_size(p, ec)) / 2;
        if (!ec && now >= from + samples) break;
        sleep_ms(25);
    }
    return now;
}

long loudest(const std::vector<int16_t>& s, size_t from, size_t to) {
    long top = 0;
    for (size_t i = from; i < to && i < s.size(); ++i) top = std::max(top, std::labs(s[i]));
    return top;
}

TEST(SoundLibraryDisk, SoundIsReallyProducedAndLoopsUntilStopped) {
    auto out = std::filesystem::temp_directory_path() /
               ("rindou-disk-audio-" + std::to_string(getpid()) + ".raw");
    use_driver("disk");
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    auto lib = real_library();
    ASSERT_NE(lib, nullptr);
    int ctx = lib->dsInitialize(1);
    ASSERT_NE(ctx, 0);
    auto wav = tone_wav(0.05, 440);
    int h = lib->dsCreateDSB(ctx, wav.data(), static_cast<int32_t>(wav.size()), 1);
    ASSERT_NE(h, 0);

    // 44100 Hz stereo: 88200 samples a second on the disk.
    const size_t per_second = 88200;
    size_t before = wait_for(out, 0, per_second / 5);  // silence first
    ASSERT_EQ(lib->dsPlayLooping(h), 1);
    size_t looping = wait_for(out, before, per_second / 2);
    ASSERT_EQ(lib->dsStop(h), 1);
    size_t stopped = wait_for(out, looping, per_second / 2);
    ASSERT_EQ(lib->dsTerminate(ctx), 1);
    unsetenv("SDL_DISKAUDIOFILE");
    use_driver("dummy");

    auto s = read_raw(out);
    std::filesystem::remove(out);
    ASSERT_GE(looping, before + per_second / 2);
    ASSERT_GE(stopped, looping + per_second / 2);
    EXPECT_EQ(loudest(s, 0, before), 0);
    // A 50 ms tone is still heard a quarter of a second after the start...
    EXPECT_GT(loudest(s, before + per_second / 4, looping - per_second / 20), 8000);
    // ...and nothing after the stop has had time to act.
    EXPECT_EQ(loudest(s, looping + per_second / 5, s.size()), 0);
}

}  // namespace
}  // namespace rindou::test
