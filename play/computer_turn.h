// The computer player's whole turn around the engine's choice.
#pragma once

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

// Plays one whole turn of the computer (the upper side).
Work<> com_ban(GameInPlay& g);

// The person's turn begins, with the person's clock.
void hand_back_to_person(Game& g);

}  // namespace rindou
