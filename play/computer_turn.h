// The computer player's whole turn around the engine's choice.
#pragma once

#include "core/game.h"
#include "play/work.h"

namespace rindou {

// Plays one whole turn of the computer (the upper side).
Work<> com_ban(Game& g);

// The person's turn begins, with the person's clock.
void hand_back_to_person(Game& g);

}  // namespace rindou
