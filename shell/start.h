// The program's start: sound, settings and the empty board, in that order.
#pragma once

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

// The window's load event: the sound library and its sounds, the settings
// (which may start the music and choose the background), the standard
// position drawn, then the window placed.
Work<> start_up(GameInPlay& g);

}  // namespace rindou
