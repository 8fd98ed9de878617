// The page's one game, as the online bridge (online_wire.cpp) reaches it.
#pragma once

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou::web {

GameInPlay& page_game();
// No work in progress and the program not ended: the board may be set.
bool page_idle();
// Starts work on the page's game, as a command of the page does.
void page_run(Work<> work);

}  // namespace rindou::web
