// Levels and the handicap ladder.
#pragma once

#include "core/game.h"

namespace rindou {

void set_level(Game& g, int n);     // LEVEL1..LEVEL5
void handicap_up(Game& g);          // LBEL_UP "△"
void handicap_down(Game& g);        // LEBEL_DOWN "▽"
void refuse_handicap(Game& g, int reason);

}  // namespace rindou
