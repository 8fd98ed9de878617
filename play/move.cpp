#include "play/move.h"

#include "analysis/analysis.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "core/texts.h"
#include "engine/evaluation.h"
#include "engine/squares.h"
#include "play/clock.h"
#include "play/computer_turn.h"
#include "play/flow.h"
#include "play/input.h"
#include "play/sound.h"
#include "view/draw.h"

namespace rindou {

namespace {

// The person's move against the computer: a win ends the game and otherwise
// the computer plays at once.
Work<> after_person_against_computer(GameInPlay& g, const RecordEntry& move) {
    GameState& s = g.st;
    set_clock_tick(g, false);
    s.lower_time_total += s.move_elapsed;
    analyse_position(s, g.computer.maps);
    const int mate = upper_mate_test(s, g.computer.maps);
    if (mate == 1 || move.captured == OU) {
        co_await end_of_game(g, text(Text::PlayerYou));
    } else if (s.winner == NO_SIDE) {
        s.side_to_move = s.upper_turn();
        co_await com_ban(g);
    }
}

// A move in a game of two: a captured king ends the game, and the turn
// passes with the mover's time booked.
Work<> after_move_of_two(GameInPlay& g) {
    GameState& s = g.st;
    if (s.winner == s.lower_turn)
        co_await end_of_game(g, text(Text::PlayerFirst));
    else if (s.winner == s.upper_turn())
        co_await end_of_game(g, text(Text::PlayerSecond));
    if (s.side_to_move == s.sente_turn) {
        s.side_to_move = s.gote_turn();
        s.lower_time_total += s.move_elapsed;
    } else if (s.side_to_move == s.gote_turn()) {
        s.side_to_move = s.sente_turn;
        s.upper_time_total += s.move_elapsed;
    }
    s.move_start_time = g.io.clock->now();
}

// The computer's move: a win ends the game; otherwise mate or check is
// announced before the move's notation shows, and the person's clock starts.
Work<> after_computer(GameInPlay& g, const RecordEntry& move) {
    GameState& s = g.st;
    set_clock_tick(g, false);
    if (s.winner == s.upper_turn()) {
        co_await end_of_game(g, text(Text::PlayerComputer));
        co_return;
    }
    const Maps& maps = g.computer.maps;
    analyse_position(s, g.computer.maps);
    if (is_mated(s, maps) == 1) {
        co_await notice(text(Text::TitleMate), text(Text::MateFound));
    } else if (sq::val(maps.upper_attacks, s.lower_king_col, s.lower_king_row) > 0) {
        co_await notice("", text(Text::Check));
    }
    show_last_move(g, s.upper_turn(), move.to_col, move.to_row, move.piece_after, WHITE);
    frame_square(g, WHITE, move.to_col, move.to_row);
    s.upper_time_total += s.move_elapsed;
    hand_back_to_person(g);
}

// The rules name the side of the board that took the king; the match names
// the winner by the turn value of the player who holds that side.
RecordEntry settle(GameState& s, const MoveOutcome& out) {
    if (out.king_taken_by == LOWER) s.winner = s.lower_turn;
    if (out.king_taken_by == UPPER) s.winner = s.upper_turn();
    return out.played;
}

}  // namespace

RecordEntry play_move(GameState& s, int fc, int fr, int tc, int tr, int piece) {
    return settle(s, apply_move(s, fc, fr, tc, tr, piece));
}

RecordEntry play_move(GameState& s, Side side, Move m) { return settle(s, apply_move(s, side, m)); }

void execute_move(Game& g, int fc, int fr, int tc, int tr, int piece) {
    draw_move(g, play_move(g.st, fc, fr, tc, tr, piece));
}

void execute_move(Game& g, Side side, Move m) { draw_move(g, play_move(g.st, side, m)); }

Work<> carry_out_move(GameInPlay& g, Move move, Mover who) {
    GameState& s = g.st;
    const bool person = who == Mover::Person;
    const Side side = person ? side_of(piece_from_code(s.sel_piece)) : UPPER;

    // Recorded before it is played: the entry reads the captured piece from
    // the board as it still stands.  The record names a person's drop by the
    // hand cell that was pressed, as its files always have, and the
    // computer's by its slot.  The time of the move goes on the lower clock
    // for the person (in a game of two as well) and on the upper clock for
    // the computer.
    const RecordEntry played =
        record_entry(s, side, move, person ? DropNaming::PressedCell : DropNaming::Slot);
    const float lower = s.lower_time_total, upper = s.upper_time_total;
    append_move_record(s, played,
                       person ? MoveTimes{lower, lower + s.move_elapsed, upper, upper}
                              : MoveTimes{lower, lower, upper, upper + s.move_elapsed});
    s.move_number += 1;
    draw_move_number(g, s.move_number);

    if (person) {
        // The pick's frames and guidance come off.  The pick keeps the piece
        // as it landed and, for an upper-hand drop, the slot: a later press
        // beside the board takes the frames off from there.
        s.sel_piece = played.piece_after;
        s.select_state = 0;
        frame_square(g, FRAME_COLOUR, s.sel_from_col, s.sel_from_row);
        frame_square(g, FRAME_COLOUR, played.to_col, played.to_row);
        show_guidance(g, s.sel_from_col, s.sel_from_row, FRAME_COLOUR, s.sel_piece);
        if (move.is_drop() && side == UPPER) s.sel_from_row = move.dropped();
    } else {
        // The computer's piece blinks on its origin (a drop on its hand cell)
        // so that the person sees what is about to move.
        if (move.is_drop())
            co_await blink_square(g, played.piece_after, UPPER_HAND_COL, upper_hand_row(played.from_row), 2);
        else
            co_await blink_square(g, played.piece_before, played.from_col, played.from_row, 2);
        g.io.observer->computer_move(played, g.computer.memory.best_score);
    }

    execute_move(g, side, move);
    // The computer's move is heard a moment after it shows; the person's
    // sounds at once, under the hand that made it.
    if (!person) co_await pause_seconds(g, 0.5);
    play_piece_sound(g);

    if (!person) {
        co_await after_computer(g, played);
    } else {
        show_last_move(g, played.piece_after >= HU ? s.upper_turn() : s.lower_turn, played.to_col,
                       played.to_row, played.piece_after, WHITE);
        if (s.game_mode == MODE_COM)
            co_await after_person_against_computer(g, played);
        else if (s.game_mode == MODE_HUMAN)
            co_await after_move_of_two(g);
    }
}

Work<> blink_square(Game& g, int code, int c, int r, int times) {
    for (int i = 0; i < times; ++i) {
        draw_picture(g, EMPTY, c, r);
        frame_square(g, FRAME_COLOUR, c, r);
        g.io.surface->present();
        co_await pause_seconds(g, 0.2);
        draw_picture(g, code, c, r);
        frame_square(g, FRAME_COLOUR, c, r);
        g.io.surface->present();
        co_await pause_seconds(g, 0.2);
    }
}

}  // namespace rindou
