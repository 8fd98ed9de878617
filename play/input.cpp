#include "play/input.h"

#include "core/rules.h"
#include "core/texts.h"
#include "play/clock.h"
#include "play/computer_turn.h"
#include "play/deep_play.h"
#include "play/flow.h"
#include "play/move.h"
#include "play/selection.h"
#include "play/sound.h"
#include "view/arrangement.h"
#include "view/draw.h"

namespace rindou {

namespace {

constexpr int PICK_COLOUR = 12;

void start_move_time(Game& g) {
    g.st.move_start_time = g.io.clock->now();
    if (g.st.menu().keika) set_clock_tick(g, true);
}

// Notices at the first click after stepping through the record; a click
// while the computer is to move resumes it.
Work<> first_click_notices(GameInPlay& g) {
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
        if (s.side_to_move == s.upper_turn()) {
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
    int code = s.code_at(col, row);
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

// The destination of a picked piece: a re-pick, a refusal, or the move.
Work<> choose_destination(GameInPlay& g, int button, int col, int row) {
    GameState& s = g.st;
    s.sel_to_col = col;
    s.sel_to_row = row;
    const Destination d = judge_destination(s, button, col, row);
    switch (d.kind) {
        case Destination::Repick:
            frame_square(g, FRAME_COLOUR, s.sel_from_col, s.sel_from_row);
            s.sel_from_col = col;
            s.sel_from_row = row;
            s.sel_piece = s.code_at(col, row);
            show_guidance(g, col, row, s.guidance_colour(), s.sel_piece);
            frame_square(g, PICK_COLOUR, col, row);
            co_return;
        case Destination::Unreachable:
            play_refusal_sound(g);
            drop_pick(g);
            co_return;
        case Destination::MustPromote:
            play_refusal_sound(g);
            co_await notice(text(Text::TitlePromotion), text(Text::PromoteWithRightButton));
            co_return;
        case Destination::RecordFull:
            co_await refuse_record_full(g);
            co_return;
        case Destination::Play:
            co_await carry_out_move(g, d.move, Mover::Person);
            co_return;
    }
}

// A click outside the board: a hand cell picks a piece to drop.
void click_outside(Game& g, const Target& cell) {
    GameState& s = g.st;
    if (s.sel_piece >= 10 || s.sel_piece <= -10) {
        show_guidance(g, s.sel_from_col, s.sel_from_row, FRAME_COLOUR, s.sel_piece);
        frame_square(g, FRAME_COLOUR, s.sel_from_col, s.sel_from_row);
    }
    if (cell.kind != Target::Hand) return;
    const bool lower_cell = cell.col == LOWER_HAND_COL;
    const auto& hand = lower_cell ? s.hand[LOWER] : s.hand[UPPER];
    if (hand[cell.hand_kind] == 0) return;
    scan_pawn_files(s);
    s.sel_from_col = cell.col;
    s.sel_from_row = cell.row;
    int code = SLOT_CODE[cell.hand_kind];
    s.sel_piece = lower_cell ? -code : code;
    const Side owner = lower_cell ? s.lower_turn : s.upper_turn();
    const Side other = lower_cell ? s.upper_turn() : s.lower_turn;
    if (s.side_to_move == owner) {
        s.select_state = 1;
        frame_square(g, PICK_COLOUR, cell.col, cell.row);
    } else if (s.side_to_move == other) {
        s.select_state = 0;
        frame_square(g, s.guidance_colour(), cell.col, cell.row);
    }
    show_guidance(g, cell.col, cell.row, s.guidance_colour(), s.sel_piece);
}

}  // namespace

PromotionChoice promotion_choice(const GameState& state, double x, double y) {
    const Target cell = cell_at(x, y);
    if (state.record_mode == 1 || state.side_to_move == NO_SIDE || state.select_state == 0 ||
        cell.kind != Target::Square)
        return PromotionChoice::None;
    // Asked with the button that promotes: the move then lands promoted
    // exactly where the piece can promote.
    const Destination d = judge_destination(state, 2, cell.col, cell.row);
    if (d.kind == Destination::Repick || d.kind == Destination::Unreachable ||
        !d.move.promotes())
        return PromotionChoice::None;
    return may_stay_unpromoted(cell.row, state.sel_piece) ? PromotionChoice::Optional
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

Work<> on_mouse_down(GameInPlay& g, int button, double x, double y) {
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
    const Target cell = cell_at(x, y);
    // No game in progress.
    if (s.side_to_move == NO_SIDE) {
        play_refusal_sound(g);
        co_await notice(text(Text::TitleStart), text(Text::StartWithGameMenu));
        co_return;
    }
    co_await first_click_notices(g);
    // The computer's resumed turn may have ended the game and set up a new
    // one: the click has nothing left to do then (no pass to announce).
    if (s.side_to_move == NO_SIDE) co_return;
    // A side without a move on the board passes, even with pieces in hand.
    if (has_no_board_move(s, s.side_to_move == s.lower_turn ? LOWER : UPPER) == 1) {
        co_await notice(text(Text::TitlePass), text(Text::NoBoardMovePass));
        pass_turn(s);
        if (s.game_mode == MODE_COM) co_await com_ban(g);
        co_return;
    }
    // A pick or a destination on the board, or a hand cell.
    if (cell.kind == Target::Square) {
        if (s.select_state == 0)
            pick_from_board(g, cell.col, cell.row);
        else
            co_await choose_destination(g, button, cell.col, cell.row);
    } else {
        click_outside(g, cell);
    }
}

}  // namespace rindou
