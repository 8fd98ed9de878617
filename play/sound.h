// The program's own sound operations over the sound library's entry points.
#pragma once

#include <string>

#include "core/game.h"

namespace rindou {

// Creation flags of the sound buffers.
constexpr int SOUND_FLAG_EFFECT = 3;
constexpr int SOUND_FLAG_MUSIC = 1;

// Initialises the library and loads the four sound files, in the order
// other, refusal, piece, music.
void init_sound(Game& g);
int load_sound(Game& g, const std::string& file_name, int flag);
void play_other_sound(Game& g);
void play_refusal_sound(Game& g);
void play_piece_sound(Game& g);
void start_music(Game& g);
void stop_music(Game& g);
// Frees the buffers (other, refusal, piece, music) and the library context.
void shutdown_sound(Game& g);

}  // namespace rindou
