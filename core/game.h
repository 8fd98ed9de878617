// The game: its one state value and the ports it reaches the platform through.
#pragma once

#include "core/platform.h"
#include "core/state.h"

namespace rindou {

struct Game {
    GameState st;
    Platform* io = nullptr;
};

// Thrown by quit_program once the sound resources are released: the program
// ends at once, wherever the handler was.  Front ends catch it at the top of
// their event dispatch.
struct ProgramEnded {};

}  // namespace rindou
