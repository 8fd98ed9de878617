// The game: its one state value and the ports it reaches the platform through.
#pragma once

#include "core/platform.h"
#include "core/state.h"

namespace rindou {

// What the drawing keeps for itself: display values that are no part of
// the game, so that the drawing routines can read the game without writing it.
struct ViewState {
    bool font_bold = false;      // captions are bold once the frame is drawn
    int clock_shown_second = 0;  // the whole second the running clock shows
};

struct Game {
    Game() = default;
    Game(const GameState& state, Ports ports) : st(state), io(ports) {}

    GameState st;
    Ports io;
    // Written by the drawing routines, which take the game as const: the
    // display values belong to the picture on the screen, not to the game.
    mutable ViewState view;
};

// Thrown by quit_program, and only there, once the game is kept and the sound
// resources are released.  The end can be asked from deep inside a handler
// (the question after a won game comes in the middle of the click that let
// the computer move, under the computer's turn and the flow of the game), and
// nothing of that handler may run after it; unwinding stops every frame
// between without each one checking a result.  Each front end catches it in
// one place, where it dispatches a command.
struct ProgramEnded {};

}  // namespace rindou
