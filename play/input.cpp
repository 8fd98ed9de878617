#include "play/input.h"

#include <cmath>

#include "analysis/analysis.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "core/texts.h"
#include "play/clock.h"
#include "play/computer_turn.h"
#include "play/deep_play.h"
#include "play/flow.h"
#include "play/move.h"
#include "play/sound.h"
#include "record/notation.h"
#include "view/draw.h"

namespace rindou {

namespace {

constexpr int PICK_COLOUR = 12;

bool belongs_to_mover(const GameState& s, int code) {
    return (code <= -10 && s.side_to_move == s.lower_turn) ||
           (code >= 10 && s.side_to_move == s.upper_turn);
}

bool belongs_to_other(const GameState& s, int code) {
    return (code <= -10 && s.side_to_move == s.upper_turn) ||
           (code >= 10 && s.side_to_move == s.lower_turn);
}

void start_move_time(Game& g) {
    g.st.move_start_time = g.io.clock->now();
    if (g.st.menu().keika) set_clock_tick(g, true);
}

// Notices at the first click after stepping through the record; a click
// while the computer is to move resumes it.
Work<> first_click_notices(Game& g) {
    GameState& s = g.st;
    if (s.game_mode == MODE_HUMAN) {
        if (s.turn_notice_pending == 1) {
            s.turn_notice_pending = 0;
            start_move_time(g);
            if (s.side_to_move == s.sente_turn)
                co_await notice(text(Text::TitleGame), text(Text::FirstsTurn));
            else if (s.side_to_move == s.gote_turn())
                co_await notice(text(Text::TitleGame), text(Text::SecondsTurn));
        }
    } else if (s.game_mode == MODE_COM) {
        if (s.side_to_move == s.upper_turn) {
            s.turn_notice_pending = 0;
            co_await notice(text(Text::TitleResume), text(Text::ResumeQuestion));
            co_await com_ban(g);
        } else if (s.side_to_move == s.lower_turn && s.turn_notice_pending == 1) {
            s.turn_notice_pending = 0;
            start_move_time(g);
            co_await notice(text(Text::TitleGame), text(Text::YourTurn));
        }
    }
}

// Picking a piece from the board (or showing an opponent's piece's reach).
void pick_from_board(Game& g, int col, int row) {
    GameState& s = g.st;
    int code = s.board[static_cast<size_t>(col)][static_cast<size_t>(row)];
    if (code == EMPTY) return;
    s.sel_from_col = col;
    s.sel_from_row = row;
    s.sel_piece = code;
    show_guidance(g, col, row, s.guidance_colour(), s.sel_piece);
    if (belongs_to_mover(s, code)) {
        s.select_state = 1;
        frame_square(g, PICK_COLOUR, col, row);
    } else if (belongs_to_other(s, code)) {
        frame_square(g, s.guidance_colour(), col, row);
    }
}

// The hand-over after the person's move: against the computer, a win ends
// the game and otherwise the computer plays at once.
Work<> hand_over(Game& g, int captured) {
    GameState& s = g.st;
    if (s.game_mode == MODE_COM) {
        set_clock_tick(g, false);
        s.lower_time_total += s.move_elapsed;
        analyse_position(s);
        int mate = upper_mate_test(s);
        if (mate == 1 || captured == 950) {
            co_await end_of_game(g, text(Text::PlayerYou));
        } else if (s.winner == 0) {
            s.side_to_move = s.upper_turn;
            co_await com_ban(g);
        }
        co_return;
    }
    if (s.game_mode == MODE_HUMAN) {
        if (s.winner == s.lower_turn)
            co_await end_of_game(g, text(Text::PlayerFirst));
        else if (s.winner == s.upper_turn)
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
}

// The destination of a picked piece: a re-pick, a refusal, or the move.
Work<> choose_destination(Game& g, int button, int col, int row) {
    GameState& s = g.st;
    s.sel_to_col = col;
    s.sel_to_row = row;
    int code = s.board[static_cast<size_t>(col)][static_cast<size_t>(row)];
    // Another piece of the mover's own: it is picked instead.
    if (belongs_to_mover(s, code)) {
        frame_square(g, FRAME_COLOUR, s.sel_from_col, s.sel_from_row);
        s.sel_from_col = col;
        s.sel_from_row = row;
        s.sel_piece = code;
        show_guidance(g, col, row, s.guidance_colour(), s.sel_piece);
        frame_square(g, PICK_COLOUR, col, row);
        co_return;
    }
    // A destination the piece cannot reach drops the pick.
    if (!is_legal_move(s, s.sel_from_col, s.sel_from_row, col, row, s.sel_piece)) {
        play_refusal_sound(g);
        drop_pick(g);
        co_return;
    }
    // A piece that must promote there is moved with the right button only,
    // which is the button that promotes.
    if (button == 1 && !may_stay_unpromoted(row, s.sel_piece)) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitlePromotion), text(Text::PromoteWithRightButton));
        co_return;
    }
    // The record holds 500 moves; no move is played beyond them.
    if (record_full(s)) {
        co_await refuse_record_full(g);
        co_return;
    }
    // Recorded before it is played: the entry reads the captured piece from
    // the board as it still stands.
    append_move_record(
        s, Move{s.sel_from_col, s.sel_from_row, col, row, s.sel_piece, EMPTY, s.sel_piece},
        MoveTimes{s.lower_time_total, s.lower_time_total + s.move_elapsed, s.upper_time_total,
                  s.upper_time_total});
    s.move_number += 1;
    draw_move_number(g, s.move_number);
    // The right button promotes where the piece may promote.
    if (button == 2) {
        const int promoted_to = promotion_on(s.sel_from_col, s.sel_from_row, row, s.sel_piece);
        if (promoted_to != 0) s.sel_piece = promoted_to;
    }
    s.record[static_cast<size_t>(s.record_count)].piece_after = s.sel_piece;
    // The pick's frames and guidance come off.
    s.select_state = 0;
    frame_square(g, FRAME_COLOUR, s.sel_from_col, s.sel_from_row);
    frame_square(g, FRAME_COLOUR, col, row);
    show_guidance(g, s.sel_from_col, s.sel_from_row, FRAME_COLOUR, s.sel_piece);
    // An upper-hand drop is named by its hand slot, as the record names it.
    if (s.sel_from_col == UPPER_HAND_COL) s.sel_from_row = upper_hand_slot(s.sel_from_row);
    int captured = code;
    execute_move(g, s.sel_from_col, s.sel_from_row, col, row, s.sel_piece);
    play_piece_sound(g);
    int side = s.sel_piece >= 10 ? s.upper_turn : s.lower_turn;
    show_last_move(g, side, col, row, s.sel_piece, WHITE);
    // The turn passes (or the game ends).
    co_await hand_over(g, captured);
}

// A click outside the board: a hand cell picks a piece to drop.
void click_outside(Game& g, int col, int row) {
    GameState& s = g.st;
    if (s.sel_piece >= 10 || s.sel_piece <= -10) {
        show_guidance(g, s.sel_from_col, s.sel_from_row, FRAME_COLOUR, s.sel_piece);
        frame_square(g, FRAME_COLOUR, s.sel_from_col, s.sel_from_row);
    }
    bool lower_cell = col == LOWER_HAND_COL && row >= lower_hand_row(1) && row <= lower_hand_row(7);
    bool upper_cell = col == UPPER_HAND_COL && row >= upper_hand_row(7) && row <= upper_hand_row(1);
    if (!lower_cell && !upper_cell) return;
    int slot = lower_cell ? lower_hand_slot(row) : upper_hand_slot(row);
    const auto& hand = lower_cell ? s.hand[LOWER] : s.hand[UPPER];
    if (hand[static_cast<size_t>(slot)] == 0) return;
    scan_pawn_files(s);
    s.sel_from_col = col;
    s.sel_from_row = row;
    int code = SLOT_CODE[static_cast<size_t>(slot)];
    s.sel_piece = lower_cell ? -code : code;
    int owner = lower_cell ? s.lower_turn : s.upper_turn;
    int other = lower_cell ? s.upper_turn : s.lower_turn;
    if (s.side_to_move == owner) {
        s.select_state = 1;
        frame_square(g, PICK_COLOUR, col, row);
    } else if (s.side_to_move == other) {
        s.select_state = 0;
        frame_square(g, s.guidance_colour(), col, row);
    }
    show_guidance(g, col, row, s.guidance_colour(), s.sel_piece);
}

}  // namespace

PromotionChoice promotion_choice(const GameState& state, double x, double y) {
    const int col = static_cast<int>(std::floor((x - board_left) / square_width));
    const int row = static_cast<int>(std::floor((y - board_top) / square_height));
    if (state.record_mode == 1 || state.side_to_move == TURN_NONE || state.select_state == 0 ||
        !on_board(col, row))
        return PromotionChoice::None;
    const int code = state.board[static_cast<size_t>(col)][static_cast<size_t>(row)];
    if (belongs_to_mover(state, code) ||
        !is_legal_move(state, state.sel_from_col, state.sel_from_row, col, row, state.sel_piece))
        return PromotionChoice::None;
    if (can_promote(state.sel_from_col, state.sel_from_row, col, row, state.sel_piece) != 1)
        return PromotionChoice::None;
    return may_stay_unpromoted(row, state.sel_piece) ? PromotionChoice::Optional
                                                     : PromotionChoice::Forced;
}

void clear_frames(Game& g) {
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) frame_square(g, FRAME_COLOUR, c, r);
}

void drop_pick(Game& g) {
    GameState& s = g.st;
    // A piece picked from a hand is framed beside the board, where the
    // board's frames do not reach: left there it would say a piece is still
    // picked.
    const bool from_hand = s.sel_from_col == LOWER_HAND_COL || s.sel_from_col == UPPER_HAND_COL;
    if (s.select_state == 1 && from_hand) frame_square(g, FRAME_COLOUR, s.sel_from_col, s.sel_from_row);
    s.select_state = 0;
    clear_frames(g);
}

void show_guidance(Game& g, int col, int row, int colour, int piece) {
    clear_frames(g);
    if (g.st.guidance_on != 1) return;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r)
            if (is_legal_move(g.st, col, row, c, r, piece)) frame_square(g, colour, c, r);
}

Work<> on_mouse_down(Game& g, int button, double x, double y) {
    GameState& s = g.st;
    // A hint's frames go at the next click.
    clear_hint(g);
    // Any click closes the record panels.
    close_record_panels(g);
    // A loaded record is stepped, not played.
    if (s.record_mode == 1) {
        const bool step_on = co_await question(text(Text::TitleRecord), text(Text::StepThroughRecord));
        if (!step_on) {
            play_refusal_sound(g);
            new_game_reset(g);
        }
        co_return;
    }
    // The cell under the pointer.
    int col = static_cast<int>(std::floor((x - board_left) / square_width));
    int row = static_cast<int>(std::floor((y - board_top) / square_height));
    // No game in progress.
    if (s.side_to_move == TURN_NONE) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleStart), text(Text::StartWithGameMenu));
        co_return;
    }
    co_await first_click_notices(g);
    // The computer's resumed turn may have ended the game and set up a new
    // one: the click has nothing left to do then (no pass to announce).
    if (s.side_to_move == TURN_NONE) co_return;
    // A side without a move on the board passes, even with pieces in hand.
    if (has_no_board_move(s, s.side_to_move) == 1) {
        co_await notice(text(Text::TitlePass), text(Text::NoBoardMovePass));
        pass_turn(s);
        if (s.game_mode == MODE_COM) co_await com_ban(g);
        co_return;
    }
    // A pick or a destination on the board, or a hand cell.
    if (on_board(col, row)) {
        if (s.select_state == 0)
            pick_from_board(g, col, row);
        else
            co_await choose_destination(g, button, col, row);
    } else {
        click_outside(g, col, row);
    }
}

}  // namespace rindou
