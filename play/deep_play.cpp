#include "play/deep_play.h"

#include "core/rules.h"
#include "core/texts.h"
#include "deep/search.h"
#include "engine/evaluation.h"
#include "play/clock.h"
#include "play/sound.h"
#include "view/draw.h"

namespace rindou {

namespace {

constexpr int HINT_COLOUR = 11;  // light cyan

}  // namespace

SearchRequest search_request(const Game& g, int turn, int level) {
    SearchRequest r;
    r.start = deep::Position::from_state(g.st, turn);
    r.mode_com = g.st.game_mode == MODE_COM;
    r.nodes = deep::level_budget(level);
    r.history = deep::history_keys(g.st);
    return r;
}

void origin_cell(const deep::GameMove& m, bool upper, int& col, int& row) {
    if (m.from_col == -1) {
        col = upper ? -1 : 11;
        row = upper ? 8 - m.from_row : m.from_row + 2;
    } else {
        col = m.from_col;
        row = m.from_row;
    }
}

Work<> deep_choose(Game& g) {
    GameState& s = g.st;
    EngineMemory& e = s.engine;
    e.best_found = false;
    e.best_score = NO_SCORE;
    g.io.surface->present();
    const deep::SearchResult r = co_await searched(search_request(g, s.upper_turn, s.level));
    clock_tick(g);
    if (!r.found || r.best.pass) co_return;
    e.best_found = true;
    e.best_score = r.score;
    e.best.from_col = r.best.from_col;
    e.best.from_row = r.best.from_row;
    e.best.to_col = r.best.to_col;
    e.best.to_row = r.best.to_row;
    e.best.piece_before = r.best.before;
    e.best.piece_after = r.best.placed;
}

Work<> give_hint(Game& g) {
    GameState& s = g.st;
    clear_hint(g);
    const bool person_to_move =
        s.side_to_move != TURN_NONE && s.record_mode == 0 &&
        (s.game_mode == MODE_HUMAN || s.side_to_move == s.lower_turn);
    if (!person_to_move) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleHint), text(Text::NoHintNow));
        co_return;
    }
    const int turn = s.side_to_move;
    const deep::SearchResult r = co_await searched(search_request(g, turn, 5));
    if (!r.found) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleHint), text(Text::NoHintNow));
        co_return;
    }
    if (r.best.pass) {
        g.io.observer->hint_given(true, Move{});
        co_return;
    }
    int col = 0, row = 0;
    origin_cell(r.best, turn == s.upper_turn, col, row);
    s.hint_from_col = col;
    s.hint_from_row = row;
    s.hint_to_col = r.best.to_col;
    s.hint_to_row = r.best.to_row;
    s.hint_shown = true;
    frame_square(g, HINT_COLOUR, col, row);
    frame_square(g, HINT_COLOUR, r.best.to_col, r.best.to_row);
    g.io.surface->present();
    g.io.observer->hint_given(false, Move{r.best.from_col, r.best.from_row, r.best.to_col,
                                          r.best.to_row, r.best.before, EMPTY, r.best.placed});
}

void clear_hint(Game& g) {
    GameState& s = g.st;
    if (!s.hint_shown) return;
    s.hint_shown = false;
    frame_square(g, FRAME_COLOUR, s.hint_from_col, s.hint_from_row);
    frame_square(g, FRAME_COLOUR, s.hint_to_col, s.hint_to_row);
}

}  // namespace rindou
