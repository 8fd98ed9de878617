// The whole game as the playing layer holds it: core's game (the state, the
// ports and the picture's own values) with the parts that only this layer
// and those above it see: the one-move computer's maps and memory, and the
// handles of the sounds loaded at start-up.  The front ends, the shell and
// the playing layer's routines that move, think or sound take it; routines
// that only read or draw the game keep taking core's `Game`.
#pragma once

#include "core/game.h"
#include "engine/computer.h"
#include "play/sound.h"

namespace rindou {

struct GameInPlay : Game {
    GameInPlay() = default;
    GameInPlay(const GameState& state, Ports ports) : Game(state, ports) {}

    Computer computer;
    SoundHandles sound;
};

}  // namespace rindou
