// The sounds of the game as it is played, over the sound library's entry
// points; the sounds themselves are loaded at start-up (shell/sound_loading).
#pragma once

#include "core/game.h"

namespace rindou {

// The library's handles of the loaded sounds (0 = none).
struct SoundHandles {
    int context = 0;
    int other = 0;
    int refusal = 0;
    int piece = 0;
    int music = 0;
};

struct GameInPlay;

void play_other_sound(GameInPlay& g);
void play_refusal_sound(GameInPlay& g);
void play_piece_sound(GameInPlay& g);
void start_music(GameInPlay& g);
void stop_music(GameInPlay& g);
// Frees the buffers (other, refusal, piece, music) and the library context.
void shutdown_sound(GameInPlay& g);

}  // namespace rindou
