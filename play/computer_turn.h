// The computer player's whole turn around the engine's choice.
#pragma once

#include "core/game.h"

namespace rindou {

// Plays one whole turn of the computer (the upper side).
void com_ban(Game& g);

}  // namespace rindou
