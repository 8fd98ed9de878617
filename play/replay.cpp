#include "play/replay.h"

#include <cstdlib>

#include "core/record_store.h"
#include "core/null_platform.h"
#include "core/texts.h"
#include "play/clock.h"
#include "play/deep_play.h"
#include "play/flow.h"
#include "play/input.h"
#include "play/record_commands.h"
#include "play/sound.h"
#include "record/kept_games.h"
#include "record/notation.h"
#include "record/record_moves.h"
#include "view/draw.h"

namespace rindou {

namespace {

void draw_cell(Game& g, int code, int c, int r) {
    draw_picture(g, code, c, r);
    frame_square(g, FRAME_COLOUR, c, r);
}

bool is_drop(const RecordEntry& e) { return !(e.from_col >= 1 && e.from_col <= 9); }

// After a step the record says whose move it is: a pass leaves no entry, so
// turning the side over once per step would hand the move to the side that
// has just moved.
void follow_the_record(GameState& s) {
    if (s.side_to_move != NO_SIDE) s.side_to_move = side_to_move_after(s, s.record_count);
}

}  // namespace

Work<> step_back(GameInPlay& g) {
    GameState& s = g.st;
    close_record_panels(g);
    s.turn_notice_pending = 1;
    if (s.record_count < 1 || s.record_count > RECORD_MAX) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleBack), text(Text::CannotDoThat));
        co_return;
    }
    const RecordEntry e = s.record[s.record_count];
    // A record that no longer fits the position (it cannot arise from play)
    // is refused rather than allowed to corrupt the board or the hands.
    if (!can_undo(s, e)) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleBack), text(Text::CannotDoThat));
        co_return;
    }
    set_clock_tick(g, false);
    drop_pick(g);

    const Square old_coin = s.coin;
    undo_move(s, e);
    if (!is_drop(e)) {
        draw_cell(g, e.piece_before, e.from_col, e.from_row);
        if (old_coin != make_square(e.from_col, e.from_row))
            draw_cell(g, EMPTY, col_of(old_coin), row_of(old_coin));
        draw_cell(g, COIN, s.coin_col(), s.coin_row());
    }
    draw_clock(g, s.upper_turn(), s.upper_time_total = e.times.upper_before);
    draw_clock(g, s.lower_turn, s.lower_time_total = e.times.lower_before);
    draw_lower_hand(g);
    draw_upper_hand(g);
    draw_cell(g, EMPTY, e.to_col, e.to_row);
    if (e.captured != EMPTY) draw_cell(g, e.captured, e.to_col, e.to_row);
    play_piece_sound(g);
    clear_last_move(g, e.piece_before > 0 ? s.upper_turn() : s.lower_turn);
    s.record_count -= 1;
    if (s.move_number > 0) s.move_number -= 1;
    follow_the_record(s);
    draw_move_number(g, s.move_number);
}

Work<> step_forward(GameInPlay& g) {
    GameState& s = g.st;
    close_record_panels(g);
    if (s.side_to_move == NO_SIDE) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleStart), text(Text::StartWithGameMenu));
        co_return;
    }
    s.turn_notice_pending = 1;
    if (s.record_end > RECORD_MAX) s.record_end = RECORD_MAX;
    if (s.record_count >= s.record_end) {
        if (s.record_mode == 1) {
            co_await notice(text(Text::TitleForward), text(Text::EndOfRecord));
        } else {
            play_refusal_sound(g);
            co_await notice(text(Text::TitleForward), text(Text::CannotDoThat));
        }
        co_return;
    }
    const RecordEntry e = s.record[s.record_count + 1];
    // Moves kept from another position (a game set up differently since)
    // cannot be replayed here: they are given up.
    if (!can_redo(s, e)) {
        s.record_end = s.record_count;
        play_refusal_sound(g);
        co_await notice(text(Text::TitleForward), text(Text::CannotDoThat));
        co_return;
    }
    set_clock_tick(g, false);
    drop_pick(g);
    s.record_count += 1;
    s.move_number += 1;
    draw_move_number(g, s.move_number);

    const Square old_coin = s.coin;
    redo_move(s, e);
    if (!is_drop(e)) {
        draw_cell(g, EMPTY, e.from_col, e.from_row);
        draw_cell(g, EMPTY, col_of(old_coin), row_of(old_coin));
        draw_cell(g, COIN, s.coin_col(), s.coin_row());
    }
    draw_clock(g, s.upper_turn(), s.upper_time_total = e.times.upper_after);
    draw_clock(g, s.lower_turn, s.lower_time_total = e.times.lower_after);
    if (!(s.coin_col() == e.from_col && s.coin_row() == e.from_row))
        draw_cell(g, EMPTY, e.from_col, e.from_row);
    draw_cell(g, e.piece_after, e.to_col, e.to_row);
    draw_lower_hand(g);
    draw_upper_hand(g);
    play_piece_sound(g);
    show_last_move(g, e.piece_after > 0 ? s.upper_turn() : s.lower_turn, e.to_col, e.to_row,
                   e.piece_after, WHITE);
    follow_the_record(s);
    draw_move_number(g, s.move_number);
}

Work<> flip_board(GameInPlay& g) {
    GameState& s = g.st;
    if (s.record_mode == 1) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleFlip), text(Text::NotInRecordMode));
        co_return;
    }
    s.flipped = 1;
    s.select_state = 0;
    // Turned round, every square goes to the one opposite the centre and
    // every piece changes side.
    const Position before = s;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        const Piece p = before.piece_on(sq);
        s.put(make_square(10 - col_of(sq), 10 - row_of(sq)),
              p == NO_PIECE ? NO_PIECE : make_piece(~side_of(p), kind_of(p)));
    }
    s.move_coin(make_square(10 - before.coin_col(), 10 - before.coin_row()));
    std::swap(s.hand[LOWER], s.hand[UPPER]);
    redraw_all(g);
    draw_move_number(g, s.move_number);
    if (s.handicap_set == 1) {
        s.handicap_grade = -s.handicap_grade;
        draw_handicap_caption(g, s.handicap_grade);
    }
    play_piece_sound(g);
    if (s.side_to_move != NO_SIDE) s.side_to_move = ~s.side_to_move;
    s.record_count = 0;
    s.record_end = 0;
}

void back_to_start(GameInPlay& g) {
    keep_game(g);
    new_game_reset(g);
    play_piece_sound(g);
}

Work<> take_back(GameInPlay& g) {
    GameState& s = g.st;
    // Against the computer the person takes back their own last move, on
    // their own turn, with whatever the computer played after it: one reply,
    // none when it passed, two when the person passed in between.
    int steps = 1;
    if (s.game_mode == MODE_COM && s.record_mode == 0) {
        int own = s.record_count;
        while (own >= 1 && own <= RECORD_MAX &&
               mover_of(s, s.record[own]) != s.lower_turn)
            --own;
        if (s.side_to_move != s.lower_turn || own < 1 || own > RECORD_MAX) {
            close_record_panels(g);
            play_refusal_sound(g);
            co_await notice(text(Text::TitleBack), text(Text::CannotDoThat));
            co_return;
        }
        steps = s.record_count - own + 1;
    }
    for (int i = 0; i < steps; ++i) {
        const int before = s.record_count;
        co_await step_back(g);
        if (s.record_count == before) co_return;  // refused, and said so
    }
    // Whoever took the move back knows whose turn it is: no notice waits for
    // the next click, and the move's time starts now.
    s.turn_notice_pending = 0;
    s.move_start_time = g.io.clock->now();
    if (s.menu().keika) set_clock_tick(g, true);
}

bool jump_to(GameInPlay& g, int n) {
    GameState& s = g.st;
    if (n < 0 || n > s.record_end || n > RECORD_MAX) return false;
    // Stepped on a copy that draws, asks and sounds nothing, so that the
    // position, the clocks and every counter are what stepping leaves.
    GameInPlay quiet = g;
    quiet.io = Ports{};
    while (quiet.st.record_count != n) {
        const int at = quiet.st.record_count;
        (void)run_at_once(quiet, at > n ? step_back(quiet) : step_forward(quiet));
        if (quiet.st.record_count == at) return false;
    }
    close_record_panels(g);
    s = quiet.st;
    g.view = quiet.view;
    clear_hint(g);
    redraw_position(g);
    return true;
}

}  // namespace rindou
