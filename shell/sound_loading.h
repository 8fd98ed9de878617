// Loading the game's sounds at start-up: the library initialised and the
// four sound files read from the program's data into its buffers.
#pragma once

#include <string>

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

// Creation flags of the sound buffers.
constexpr int SOUND_FLAG_EFFECT = 3;
constexpr int SOUND_FLAG_MUSIC = 1;

// Initialises the library and loads the four sound files, in the order
// other, refusal, piece, music.
Work<> init_sound(GameInPlay& g);
Work<int> load_sound(GameInPlay& g, std::string file_name, int flag);

}  // namespace rindou
