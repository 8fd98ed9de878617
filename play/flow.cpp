#include "play/flow.h"

#include "core/record_store.h"
#include "core/texts.h"
#include "play/clock.h"
#include "play/computer_turn.h"
#include "play/input.h"
#include "play/record_commands.h"
#include "play/sound.h"
#include "record/kept_games.h"
#include "view/draw.h"

namespace rindou {

namespace {

// No game yet, or one without a move: a start command begins afresh.
bool no_game_yet(const GameState& s) { return s.side_to_move == NO_SIDE || s.move_number == 0; }

// What every start command does first: a game begun afresh leaves the one on
// the board (which is kept), and the frame around the board is drawn anew.
void open_start(Game& g) {
    if (no_game_yet(g.st)) keep_game_before_fresh_start(g);
    draw_start_frame(g);
}

// The common part of both starts against the computer.  record_end is set
// from record_count: both count the same moves except after a flip, where the
// record was given up while the move number went on counting, and replaying
// "moves" from before the flip would corrupt the turned position.
void open_start_against_computer(Game& g) {
    GameState& s = g.st;
    open_start(g);
    draw_level(g, s.level);
    clear_frames(g);
    s.select_state = 0;
    s.game_mode = MODE_COM;
    s.record_mode = 0;
    s.record_end = s.record_count;
}

}  // namespace

Work<> start_com_first_human(GameInPlay& g) {
    GameState& s = g.st;
    open_start_against_computer(g);
    s.move_start_time = g.io.clock->now();
    set_clock_tick(g, true);
    if (no_game_yet(s)) {
        s.lower_turn = s.sente_turn;
        s.side_to_move = s.sente_turn;
        co_await notice(" ", text(Text::YourTurn));
        s.turn_notice_pending = 0;
    } else if (s.side_to_move == s.lower_turn) {
        s.lower_turn = s.sente_turn;
        s.side_to_move = s.sente_turn;
        co_await notice(text(Text::TitleGame), text(Text::YourTurn));
        s.turn_notice_pending = 0;
    } else if (s.side_to_move == s.upper_turn()) {
        co_await com_ban(g);
    }
}

Work<> start_com_first_computer(GameInPlay& g) {
    GameState& s = g.st;
    open_start_against_computer(g);
    set_clock_tick(g, true);
    if (no_game_yet(s)) {
        s.lower_turn = s.gote_turn();
        s.side_to_move = s.sente_turn;
        co_await com_ban(g);
    } else if (s.side_to_move == s.lower_turn) {
        co_await notice(text(Text::TitleGame), text(Text::YourTurn));
        s.turn_notice_pending = 0;
    } else if (s.side_to_move == s.upper_turn()) {
        co_await com_ban(g);
    }
}

Work<> start_two_players(Game& g) {
    GameState& s = g.st;
    open_start(g);
    clear_level(g);
    clear_frames(g);
    s.move_start_time = g.io.clock->now();
    if (s.menu().keika) set_clock_tick(g, true);
    s.game_mode = MODE_HUMAN;
    s.record_mode = 0;
    if (no_game_yet(s)) {
        s.lower_turn = s.sente_turn;
        s.side_to_move = s.sente_turn;
        co_await notice(" ", text(Text::FirstsTurn));
    } else if (s.side_to_move == s.sente_turn) {
        co_await notice(" ", text(Text::FirstsTurn));
    } else if (s.side_to_move == s.gote_turn()) {
        co_await notice(" ", text(Text::SecondsTurn));
    }
    s.turn_notice_pending = 0;
}

void new_game_reset(Game& g) {
    reset_to_no_game(g.st);
    g.view.clock_shown_second = 0;
    redraw_all(g);
}

Work<> refuse_record_full(GameInPlay& g) {
    play_refusal_sound(g);
    co_await notice(text(Text::TitleGame), text(Text::RecordFullNoMore));
}

void pass_turn(GameState& s) {
    if (s.side_to_move == s.sente_turn)
        s.side_to_move = s.gote_turn();
    else if (s.side_to_move == s.gote_turn())
        s.side_to_move = s.sente_turn;
}

Work<> end_of_game(GameInPlay& g, std::string winner_text) {
    keep_game(g);
    const std::string wins = text(Text::Wins, {{"winner", winner_text}});
    co_await notice(text(Text::TitleEnd), wins);
    const bool again = co_await question(text(Text::TitleAgain), text(Text::ContinueQuestion));
    if (again)
        new_game_reset(g);
    else
        co_await quit_program(g);
}

Work<> quit_program(GameInPlay& g) {
    keep_game(g);
    shutdown_sound(g);
    g.io.host->end_program();
    co_await program_end();
}

void close_record_panels(Game& g) {
    g.io.panel->panel_hide_lists();
    g.io.panel->panel_empty_boxes();
    g.io.panel->panel_hide_entry();
}

Work<> pause_seconds(Game& g, double seconds) {
    // The clock is read again after every step: a front end may end a step
    // early or late, and the pause lasts until the clock says it is over.
    float start = g.io.clock->now();
    for (;;) {
        double e = elapsed_seconds(start, g.io.clock->now());
        if (e >= seconds) co_return;
        co_await pause_step(seconds - e);
    }
}

}  // namespace rindou
