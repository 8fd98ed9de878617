#include "shell/start.h"

#include "play/flow.h"
#include "play/sound.h"
#include "shell/settings.h"
#include "shell/sound_loading.h"

namespace rindou {

Work<> start_up(GameInPlay& g) {
    GameState& s = g.st;
    // Sound first: the settings applied below may start the music.
    co_await init_sound(g);
    // No record, no guidance, level 3.
    s.record_mode = 0;
    s.guidance_on = 0;
    s.record_end = 0;
    s.level = 3;
    // The first player holds the upper turn value, the second the lower; the
    // start commands give the lower and upper players to them.
    s.sente_turn = UPPER;
    s.lower_turn = LOWER;
    // The settings decide the background and options the new game is drawn with.
    load_settings(g);
    new_game_reset(g);
    g.io.host->place_window();
}

}  // namespace rindou
