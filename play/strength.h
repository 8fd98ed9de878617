// Levels and the handicap ladder.
#pragma once

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

void set_level(Game& g, int n);       // LEVEL1..LEVEL5
Work<> handicap_up(GameInPlay& g);    // LBEL_UP
Work<> handicap_down(GameInPlay& g);  // LEBEL_DOWN
Work<> refuse_handicap(GameInPlay& g, int reason);

}  // namespace rindou
