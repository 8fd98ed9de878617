#include "play/sound.h"

namespace rindou {

namespace {
SoundLibrary* library(Game& g) { return g.io.sound; }
}  // namespace

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
