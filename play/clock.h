// The running clock of the side to move: the 50 ms tick that counts the
// move's time and shows it whole second by whole second.
#pragma once

#include "core/game.h"

namespace rindou {

// Counts the time of the move so far into move_elapsed and, when a new whole
// second has begun, shows the mover's total on its clock.
void clock_tick(Game& g);
// Starts or stops the tick (the front end's timer follows timer_enabled).
void set_clock_tick(Game& g, bool enabled);

}  // namespace rindou
