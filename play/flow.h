// The flow of a game: the start commands, the pass, the end of a
// game, the ways the program ends, and the busy-wait pause.
#pragma once

#include <string>

#include "core/game.h"

namespace rindou {

void start_com_first_human(Game& g);     // SENTE
void start_com_first_computer(Game& g);  // GOTE
void start_two_players(Game& g);         // START

void pass_turn(GameState& s);

// Puts the whole state into the no-game position and redraws the window.
void new_game_reset(Game& g);
// Tells the user that no further move can be played (refusal sound, message).
void refuse_record_full(Game& g);
// The end dialogue; winner_text is "あなた", "先手", "後手" or "ｺﾝﾋﾟｭｰﾀ".
void end_of_game(Game& g, const std::string& winner_text);
// Releases the sound resources and ends the program (throws ProgramEnded).
[[noreturn]] void quit_program(Game& g);
// Hides the record-file browser and the record-entry panel (emptied).
void close_record_panels(Game& g);

// Waits until the clock has advanced by the given seconds, serving no input.
void pause_seconds(Game& g, double seconds);

}  // namespace rindou
