// The flow of a game: the start commands, the pass, the end of a
// game, the ways the program ends, and the pause.
#pragma once

#include <string>

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

Work<> start_com_first_human(GameInPlay& g);     // SENTE
Work<> start_com_first_computer(GameInPlay& g);  // GOTE
Work<> start_two_players(Game& g);               // START

void pass_turn(GameState& s);

// Puts the whole state into the no-game position and redraws the window.
void new_game_reset(Game& g);
// Tells the user that no further move can be played (refusal sound, message).
Work<> refuse_record_full(GameInPlay& g);
// The end dialogue, naming the winner (the person, the first or second
// player, or the computer).
Work<> end_of_game(GameInPlay& g, std::string winner_text);
// Keeps the game, releases the sound resources and ends the program: the
// work waits for the end, and nothing after it runs.
Work<> quit_program(GameInPlay& g);
// Hides the record-file browser and the record-entry panel (emptied).
void close_record_panels(Game& g);

// Waits until the clock has advanced by the given seconds, serving no input.
Work<> pause_seconds(Game& g, double seconds);

}  // namespace rindou
