// The sounds of the game as it is played, over the sound library's entry
// points; the sounds themselves are loaded at start-up (shell/sound_loading).
#pragma once

#include "core/game.h"

namespace rindou {

void play_other_sound(Game& g);
void play_refusal_sound(Game& g);
void play_piece_sound(Game& g);
void start_music(Game& g);
void stop_music(Game& g);
// Frees the buffers (other, refusal, piece, music) and the library context.
void shutdown_sound(Game& g);

}  // namespace rindou
