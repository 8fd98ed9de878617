#include "play/resign.h"

#include "core/texts.h"
#include "play/clock.h"
#include "play/flow.h"
#include "play/sound.h"

namespace rindou {

Work<> resign(GameInPlay& g) {
    GameState& s = g.st;
    if (s.side_to_move == NO_SIDE || s.record_mode == 1) {
        play_refusal_sound(g);
        co_return;
    }
    // The end follows exactly as when the winner takes the king, so the
    // game is kept and offered again by the one end dialogue.
    set_clock_tick(g, false);
    s.select_state = 0;
    if (s.game_mode == MODE_COM) {
        s.winner = s.upper_turn();
        co_await end_of_game(g, text(Text::PlayerComputer));
    } else if (s.side_to_move == s.sente_turn) {
        s.winner = s.gote_turn();
        co_await end_of_game(g, text(Text::PlayerSecond));
    } else {
        s.winner = s.sente_turn;
        co_await end_of_game(g, text(Text::PlayerFirst));
    }
}

}  // namespace rindou
