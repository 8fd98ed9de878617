// Placeholder until the settings file and option menus land: start-up applies
// the first-run values so that the game starts as it will with no file.
#include "shell/settings.h"
#include "shell/sound.h"

namespace rindou {
void select_background(GameState& s, int code) {
    MenuMarks& m = s.menu;
    m.midori = m.take = m.tatami = m.uchu = m.renga = false;
    if (code == BG_MIDORI) m.midori = true;
}
void load_settings(Game& g) {
    select_background(g.st, BG_MIDORI);
    g.st.background_code = BG_MIDORI;
    g.st.menu.sidou = false;
    g.st.menu.keika = true;
    g.st.menu.bgm = true;
    start_music(g);
}
void save_settings(Game&) { throw NotBuilt{}; }
void choose_background(Game&, int) { throw NotBuilt{}; }
void toggle_guidance(Game&) { throw NotBuilt{}; }
void toggle_elapsed_time(Game&) { throw NotBuilt{}; }
void toggle_music(Game&) { throw NotBuilt{}; }
void show_help(Game&) { throw NotBuilt{}; }
void show_about(Game&) { throw NotBuilt{}; }
}  // namespace rindou
