// The game: its one state value and the ports it reaches the platform through.
#pragma once

#include "core/platform.h"
#include "core/state.h"

namespace rindou {

struct Game {
    GameState st;
    Platform* io = nullptr;
};

// Thrown by quit_program, and only there, once the game is kept and the sound
// resources are released.  The end can be asked from deep inside a handler
// (the question after a won game comes in the middle of the click that let
// the computer move, under the engine's turn and the flow of the game), and
// nothing of that handler may run after it; unwinding stops every frame
// between without each one checking a result.  Each front end catches it in
// one place, where it dispatches a command.
struct ProgramEnded {};

}  // namespace rindou
