#include "play/sound.h"

#include <vector>

namespace rindou {

namespace {
SoundLibrary* library(Game& g) { return g.io.sound; }
}  // namespace

void init_sound(Game& g) {
    SoundHandles& h = g.st.sound;
    h = SoundHandles{};
    if (SoundLibrary* lib = library(g)) {
        h.context = lib->dsInitialize(1);
        if (h.context == 0)
            g.io.dialogs->message("Rindou.dll", "Direct Soundインターフェースが作成できません。");
    }
    h.other = load_sound(g, "その他.wav", SOUND_FLAG_EFFECT);
    h.refusal = load_sound(g, "禁止.wav", SOUND_FLAG_EFFECT);
    h.piece = load_sound(g, "駒打音.wav", SOUND_FLAG_EFFECT);
    h.music = load_sound(g, "BGM.wav", SOUND_FLAG_MUSIC);
}

int load_sound(Game& g, const std::string& file_name, int flag) {
    SoundLibrary* lib = library(g);
    if (g.st.sound.context == 0 || lib == nullptr) return 0;
    std::vector<unsigned char> bytes;
    std::error_code error;
    switch (g.io.storage->read_data_file(file_name, bytes, error)) {
        case FileRead::Missing: return 0;
        // The reason in its own words (the system's, for a failure it reports).
        case FileRead::Failed: g.io.dialogs->message("Rindou.dll", error.message()); return 0;
        case FileRead::Ok: break;
    }
    if (bytes.empty()) return 0;
    return lib->dsCreateDSB(g.st.sound.context, bytes.data(), static_cast<int32_t>(bytes.size()),
                            flag);
}

void play_other_sound(Game& g) {
    if (SoundLibrary* lib = library(g)) lib->dsPlay(g.st.sound.other);
}

void play_refusal_sound(Game& g) {
    if (SoundLibrary* lib = library(g)) lib->dsPlay(g.st.sound.refusal);
}

void play_piece_sound(Game& g) {
    if (SoundLibrary* lib = library(g)) lib->dsPlay(g.st.sound.piece);
}

void start_music(Game& g) {
    if (SoundLibrary* lib = library(g)) lib->dsPlayLooping(g.st.sound.music);
}

void stop_music(Game& g) {
    if (SoundLibrary* lib = library(g)) lib->dsStop(g.st.sound.music);
}

void shutdown_sound(Game& g) {
    SoundHandles& h = g.st.sound;
    if (SoundLibrary* lib = library(g)) {
        lib->dsFree(h.other);
        lib->dsFree(h.refusal);
        lib->dsFree(h.piece);
        lib->dsFree(h.music);
        if (h.context != 0) lib->dsTerminate(h.context);
    }
    h = SoundHandles{};
}

}  // namespace rindou
