// The person's selection: what a second press makes of the piece the first
// one picked.
#pragma once

#include "core/game.h"

namespace rindou {

// The answer to a press on a square while a piece is picked.  Every kind but
// Repick and Unreachable names the move the press asks for; only Play plays
// it.
struct Destination {
    enum Kind {
        Repick,       // another piece of the mover's own: it is picked instead
        Unreachable,  // the picked piece cannot go there
        MustPromote,  // it must promote there, and the left button does not promote
        RecordFull,   // the record has no room for another move
        Play,
    } kind = Unreachable;
    // The move, promoting where the right button asks it to (the button
    // that promotes) and promotion is allowed.
    Move move;
};

// Judges a press with `button` (1 left, 2 right) on the square (col, row)
// against the piece picked in `s`.  Reads the state and changes nothing.
Destination judge_destination(const GameState& s, int button, int col, int row);

// Whether a piece code belongs to the side to move, or to the other side.
bool belongs_to_mover(const GameState& s, int code);
bool belongs_to_other(const GameState& s, int code);

}  // namespace rindou
