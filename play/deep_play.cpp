#include "play/deep_play.h"

#include "core/record_store.h"
#include "core/rules.h"
#include "core/types.h"
#include "core/texts.h"
#include "deep/search.h"
#include "engine/evaluation.h"
#include "play/clock.h"
#include "play/sound.h"
#include "view/draw.h"
#include "view/move_list.h"

namespace rindou {

namespace {

constexpr int HINT_COLOUR = 11;  // light cyan

// What tells one position from another for the hint: the board, the hands
// and the side to move (FNV-1a).
uint64_t position_print(const GameState& s) {
    uint64_t h = 1469598103934665603ULL;
    auto add = [&h](int v) {
        h ^= static_cast<uint64_t>(static_cast<uint32_t>(v));
        h *= 1099511628211ULL;
    };
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) add(s.code_at(c, r));
    for (PieceKind k = PAWN; k <= ROOK; ++k) {
        add(s.hand[LOWER][k]);
        add(s.hand[UPPER][k]);
    }
    add(turn_value(s.side_to_move));
    return h;
}

// The search's choice as the computer's turn reads it (nothing chosen when
// the search found no move or only the pass).
// The search ran on `start`; the memory keeps what the move captures as it
// stood (never filled in).
void record_choice(EngineMemory& e, const deep::Position& start, const deep::SearchResult& r) {
    if (!r.found || r.best.is_pass()) return;
    e.best_found = true;
    e.best_score = r.score;
    const RecordEntry chosen = deep::move_entry(start, r.best);
    e.best.from_col = chosen.from_col;
    e.best.from_row = chosen.from_row;
    e.best.to_col = chosen.to_col;
    e.best.to_row = chosen.to_row;
    e.best.piece_before = chosen.piece_before;
    e.best.piece_after = chosen.piece_after;
}

}  // namespace

SearchRequest search_request(const Game& g, Side turn, int level) {
    SearchRequest r;
    r.start = deep::Position::from_state(g.st, turn);
    r.mode_com = g.st.game_mode == MODE_COM;
    r.nodes = deep::level_budget(level);
    r.history = deep::history_keys(g.st);
    return r;
}

void origin_cell(Move m, bool upper, int& col, int& row) {
    if (m.is_drop()) {
        col = upper ? UPPER_HAND_COL : LOWER_HAND_COL;
        row = upper ? upper_hand_row(m.dropped()) : lower_hand_row(m.dropped());
    } else {
        col = col_of(m.from());
        row = row_of(m.from());
    }
}

Work<> deep_choose(GameInPlay& g) {
    GameState& s = g.st;
    EngineMemory& e = g.computer.memory;
    e.best_found = false;
    e.best_score = NO_SCORE;
    g.io.surface->present();
    const SearchRequest request = search_request(g, s.upper_turn(), s.level);
    // A search that could not be run is asked for once more: the front end
    // runs it afresh (a new thread, a new worker).  Twice failed, no move is
    // chosen, and the turn says so.
    for (int attempt = 1; attempt <= 2; ++attempt) {
        const SearchOutcome o = co_await searched(request);
        clock_tick(g);
        if (o.failed) continue;
        record_choice(e, request.start, o.result);
        co_return;
    }
}

Work<> give_hint(GameInPlay& g) {
    GameState& s = g.st;
    clear_hint(g);
    const bool person_to_move =
        s.side_to_move != NO_SIDE && s.record_mode == 0 &&
        (s.game_mode == MODE_HUMAN || s.side_to_move == s.lower_turn);
    if (!person_to_move) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleHint), text(Text::NoHintNow));
        co_return;
    }
    s.hint_known = false;
    const Side turn = s.side_to_move;
    const SearchOutcome o = co_await searched(search_request(g, turn, 5));
    if (o.failed) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleHint), text(Text::HintSearchFailed));
        co_return;
    }
    const deep::SearchResult& r = o.result;
    if (!r.found) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleHint), text(Text::NoHintNow));
        co_return;
    }
    if (r.best.is_pass()) {
        g.io.observer->hint_given(RecordEntry{});
        co_return;
    }
    const bool upper = turn == s.upper_turn();
    int col = 0, row = 0;
    origin_cell(r.best, upper, col, row);
    s.hint_shown = true;
    s.hint_known = true;
    s.hint_move = r.best;
    s.hint_side = upper ? UPPER : LOWER;
    s.hint_position = position_print(s);
    frame_square(g, HINT_COLOUR, col, row);
    frame_square(g, HINT_COLOUR, col_of(r.best.to()), row_of(r.best.to()));
    g.io.surface->present();
    g.io.observer->hint_given(record_entry(s, s.hint_side, s.hint_move, DropNaming::Slot));
}

std::string hint_words(const GameState& s) {
    if (!s.hint_known || s.hint_position != position_print(s)) return {};
    // The words of a drop name the hand it comes from.
    const RecordEntry m = record_entry(s, s.hint_side, s.hint_move, DropNaming::PressedCell);
    return text(Text::HintLine, {{"move", move_words(s, m)}});
}

void clear_hint(Game& g) {
    GameState& s = g.st;
    if (!s.hint_shown) return;
    s.hint_shown = false;
    int col = 0, row = 0;
    origin_cell(s.hint_move, s.hint_side == UPPER, col, row);
    frame_square(g, FRAME_COLOUR, col, row);
    frame_square(g, FRAME_COLOUR, col_of(s.hint_move.to()), row_of(s.hint_move.to()));
}

}  // namespace rindou
