// The game: its one state value and the ports it reaches the platform through.
// The playing layer holds it together with the computer's parts and the
// sounds (GameInPlay); the layers below that one see this much of it.
#pragma once

#include "core/platform.h"
#include "core/state.h"

namespace rindou {

// What the drawing keeps for itself: display values that are no part of
// the game, so that the drawing routines can read the game without writing it.
struct ViewState {
    bool font_bold = false;      // captions are bold once the frame is drawn
    int clock_shown_second = 0;  // the whole second the running clock shows
    // The language the player chose from the menu (kept in the settings);
    // none until then, when the texts follow the desktop's locale.
    bool language_chosen = false;
    // The window shows the move list beside the board (kept in the settings).
    bool move_list_shown = false;
    // The board is shown turned round: the position held is the true one
    // with each square taken to the opposite one and the sides exchanged, so
    // that an online player of the upper side has their own pieces at the
    // foot.  The names a person reads of the squares (the numerals along the
    // edges, the last move, the move list) still name the true squares.
    bool turned = false;
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

}  // namespace rindou
