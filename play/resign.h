// Giving up a game: the side that resigns loses as if its king were taken.
#pragma once

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

// Resigns the game in progress.  Against the computer the person gives up;
// between two people the side to move does.  Refused with the refusal sound
// when no game is in progress or a loaded record is being stepped through.
Work<> resign(GameInPlay& g);

}  // namespace rindou
