// The computer's whole turn: pass test, thinking caption, the search, and the
// chosen move carried out as every move is.
#include "play/computer_turn.h"

#include "analysis/analysis.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "core/texts.h"
#include "engine/evaluation.h"
#include "engine/squares.h"
#include "play/clock.h"
#include "play/deep_play.h"
#include "play/flow.h"
#include "play/move.h"
#include "play/sound.h"
#include "record/notation.h"
#include "view/draw.h"

namespace rindou {

namespace {

// The board shows once the search is prepared; the clock runs on meanwhile.
class TurnHooks : public SearchHooks {
public:
    explicit TurnHooks(Game& g) : g_(g) {}
    void prepared() override { g_.io.surface->present(); }
    void tick() override { clock_tick(g_); }

private:
    Game& g_;
};

}  // namespace

void hand_back_to_person(Game& g) {
    GameState& s = g.st;
    s.move_start_time = g.io.clock->now();
    s.side_to_move = s.lower_turn;
    if (s.menu().keika) set_clock_tick(g, true);
}

Work<> com_ban(GameInPlay& g) {
    GameState& s = g.st;
    EngineMemory& e = g.computer.memory;

    // No move on the board: the computer passes, even with pieces in hand.
    if (has_no_board_move(s, UPPER) == 1) {
        co_await notice(text(Text::TitlePass), text(Text::NoBoardMovePass));
        // The person's clock starts now, as after any move of the computer.
        hand_back_to_person(g);
        co_return;
    }
    // The record holds 500 moves: the computer does not play beyond them.
    if (record_full(s)) {
        co_await refuse_record_full(g);
        s.side_to_move = s.lower_turn;
        co_return;
    }
    // The computer's clock runs while it thinks.
    s.move_start_time = g.io.clock->now();
    if (s.menu().keika) set_clock_tick(g, true);
    // The thinking caption stays until the move is shown.
    draw_thinking(g);
    // Levels 4 and 5 choose by the deep search; the turn around the choice is the same.
    if (is_deep_level(s.level))
        co_await deep_choose(g);
    else {
        TurnHooks hooks(g);
        search_best_move(s, g.computer, nullptr, &hooks);
    }
    // The pass test found a move on the board, so a turn without a chosen
    // move is a search that failed.  The computer keeps the move and says
    // so: handing it back without a word would let the person move twice,
    // and the record would stop loading there.  A click on the board
    // resumes the computer, as after stepping.
    if (!e.best_found) {
        set_clock_tick(g, false);
        clear_last_move(g, s.upper_turn());
        co_await notice(text(Text::TitleGame), text(Text::SearchFailed));
        co_return;
    }

    co_await carry_out_move(g, move_of(e.best), Mover::Computer);
}

}  // namespace rindou
