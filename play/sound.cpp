#include "play/sound.h"

#include "play/game_in_play.h"

namespace rindou {

namespace {
SoundLibrary* library(GameInPlay& g) { return g.io.sound; }
}  // namespace

void play_other_sound(GameInPlay& g) {
    if (SoundLibrary* lib = library(g)) lib->dsPlay(g.sound.other);
}

void play_refusal_sound(GameInPlay& g) {
    if (SoundLibrary* lib = library(g)) lib->dsPlay(g.sound.refusal);
}

void play_piece_sound(GameInPlay& g) {
    if (SoundLibrary* lib = library(g)) lib->dsPlay(g.sound.piece);
}

void start_music(GameInPlay& g) {
    if (SoundLibrary* lib = library(g)) lib->dsPlayLooping(g.sound.music);
}

void stop_music(GameInPlay& g) {
    if (SoundLibrary* lib = library(g)) lib->dsStop(g.sound.music);
}

void shutdown_sound(GameInPlay& g) {
    SoundHandles& h = g.sound;
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
