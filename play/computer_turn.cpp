// The computer's whole turn: pass test, thinking caption, the search, and the
// chosen move recorded, blinked, played and announced.
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

// The turn goes back to the person without a move of the computer.
void hand_back(Game& g) {
    GameState& s = g.st;
    s.move_start_time = g.io.clock->now();
    s.side_to_move = s.lower_turn;
    if (s.menu().keika) set_clock_tick(g, true);
}

}  // namespace

Work<> com_ban(Game& g) {
    GameState& s = g.st;
    EngineMemory& e = s.engine;

    // No move on the board: the computer passes, even with pieces in hand.
    if (has_no_board_move(s, s.upper_turn) == 1) {
        co_await notice(text(Text::TitlePass), text(Text::NoBoardMovePass));
        // The person's clock starts now, as after any move of the computer.
        hand_back(g);
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
        search_best_move(s, nullptr, &hooks);
    }
    // The pass test found a move on the board, so a turn without a chosen
    // move is a search that failed.  The computer keeps the move and says
    // so: handing it back without a word would let the person move twice,
    // and the record would stop loading there.  A click on the board
    // resumes the computer, as after stepping.
    if (!e.best_found) {
        set_clock_tick(g, false);
        clear_last_move(g, s.upper_turn);
        co_await notice(text(Text::TitleGame), text(Text::SearchFailed));
        co_return;
    }

    Move move = e.best;
    const int fc = move.from_col, fr = move.from_row;
    const int tc = move.to_col, tr = move.to_row;
    const int before = move.piece_before, placed = move.piece_after;
    const bool drop = fc == -1;
    move.captured = s.board[static_cast<size_t>(tc)][static_cast<size_t>(tr)];

    // Recorded before it is played, as the person's moves are.
    append_move_record(s, move,
                       MoveTimes{s.lower_time_total, s.lower_time_total, s.upper_time_total,
                                 s.upper_time_total + s.move_elapsed});
    s.move_number += 1;
    draw_move_number(g, s.move_number);
    // The piece that moves blinks on its origin (a drop on its hand cell).
    if (drop)
        co_await blink_square(g, placed, UPPER_HAND_COL, upper_hand_row(fr), 2);
    else
        co_await blink_square(g, before, fc, fr, 2);
    // The move, a short pause, and its sound.
    g.io.observer->computer_move(move, e.best_score);
    execute_move(g, fc, fr, tc, tr, placed);
    co_await pause_seconds(g, 0.5);
    play_piece_sound(g);
    set_clock_tick(g, false);
    // A win ends the game; otherwise mate or check is announced.
    if (s.winner == s.upper_turn) {
        co_await end_of_game(g, text(Text::PlayerComputer));
        co_return;
    }
    analyse_position(s);
    if (is_mated(s) == 1) {
        co_await notice(text(Text::TitleMate), text(Text::MateFound));
    } else if (sq::val(s.maps.upper_attacks, s.lower_king_col, s.lower_king_row) > 0) {
        co_await notice("", text(Text::Check));
    }
    // The notation of the move and a frame on its destination.
    show_last_move(g, s.upper_turn, tc, tr, placed, WHITE);
    frame_square(g, WHITE, tc, tr);
    // The person's turn.
    s.upper_time_total += s.move_elapsed;
    hand_back(g);
}

}  // namespace rindou
