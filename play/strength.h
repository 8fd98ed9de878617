// Levels and the handicap ladder.
#pragma once

#include "core/game.h"
#include "play/work.h"

namespace rindou {

void set_level(Game& g, int n);     // LEVEL1..LEVEL5
Work<> handicap_up(Game& g);        // LBEL_UP
Work<> handicap_down(Game& g);      // LEBEL_DOWN
Work<> refuse_handicap(Game& g, int reason);

}  // namespace rindou
