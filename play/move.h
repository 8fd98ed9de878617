// Playing a move: the state changes by the rules, then the board shows it.
// This is where changing the game and drawing meet; the rules below it draw
// nothing and the drawing routines change nothing.
#pragma once

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

// Applies a move already found legal to the game's position and, when it
// takes a king, names the winner.  Draws nothing.  Returns the move as
// played.
RecordEntry play_move(GameState& s, int from_col, int from_row, int to_col, int to_row, int piece);
// The same for a move made by `side` (the side of the board that drops).
RecordEntry play_move(GameState& s, Side side, Move m);

// Applies a move already found legal (as play_move) and draws what changed.
void execute_move(Game& g, int from_col, int from_row, int to_col, int to_row, int piece);
void execute_move(Game& g, Side side, Move m);

// Who makes a move: the person (at the board, against the computer or in a
// game of two) or the computer.
enum class Mover { Person, Computer };

// Carries out a move already judged legal, whoever makes it: it is
// recorded, counted, shown, played and heard, and then the game ends or the
// turn passes.  The computer plays the upper side; the person the side of
// the piece picked.
Work<> carry_out_move(GameInPlay& g, Move move, Mover who);

// Blinks the piece `code` on a square (or hand cell) `times` times, pausing
// between the pictures so that the eye can follow it.
Work<> blink_square(Game& g, int code, int c, int r, int times);

}  // namespace rindou
