// The computer's level and the handicap ladder, which takes pieces off one
// side of the starting position before the first move.
#include "play/strength.h"

#include "core/handicap.h"
#include "core/texts.h"
#include "play/flow.h"
#include "play/sound.h"
#include "view/draw.h"

namespace rindou {

namespace {

// Guards of both commands; false when the command was refused.
Work<bool> handicap_allowed(GameInPlay& g) {
    GameState& s = g.st;
    close_record_panels(g);
    int reason = 0;
    if (s.record_mode == 1)
        reason = 1;
    else if (s.record_count > 0)
        reason = 2;
    else if (s.flipped == 1)
        reason = 3;
    if (reason == 0) co_return true;
    play_refusal_sound(g);
    co_await refuse_handicap(g, reason);
    co_return false;
}

void put_square(GameInPlay& g, const HandicapSquare& sq, int code) {
    const Square at = make_square(sq.col, sq.row);
    // From the standard start the handicap squares hold pieces only; a
    // position set up by hand may have the coin there, and a handicap step
    // must never remove or cover the one coin.
    if (g.st.code_at(at) == COIN) return;
    g.st.put_code(at, code);
    draw_picture(g, code, sq.col, sq.row);
    frame_square(g, FRAME_COLOUR, sq.col, sq.row);
    play_piece_sound(g);
}

}  // namespace

void set_level(Game& g, int n) {
    GameState& s = g.st;
    if (n < 1 || n > 5) return;
    draw_picture(g, s.background_code, -2, 0);
    draw_picture(g, s.background_code, -1, 0);
    draw_picture(g, s.background_code, 0, 0);
    s.level = n;
    if (s.game_mode == MODE_COM) draw_level(g, n);
}

Work<> handicap_up(GameInPlay& g) {
    GameState& s = g.st;
    const bool allowed = co_await handicap_allowed(g);
    if (!allowed) co_return;
    s.record_end = 0;
    if (s.handicap_grade < 10) {
        s.handicap_grade += 1;
        draw_handicap_caption(g, s.handicap_grade);
        const HandicapSquare& sq = square_between(s.handicap_grade);
        put_square(g, sq, s.handicap_grade >= 1 ? EMPTY : sq.code);
    }
    s.handicap_set = 1;
}

Work<> handicap_down(GameInPlay& g) {
    GameState& s = g.st;
    const bool allowed = co_await handicap_allowed(g);
    if (!allowed) co_return;
    s.record_end = 0;
    if (s.handicap_grade > -10) {
        s.handicap_grade -= 1;
        draw_handicap_caption(g, s.handicap_grade);
        const HandicapSquare& sq = square_between(s.handicap_grade + 1);
        put_square(g, sq, s.handicap_grade >= 0 ? sq.code : EMPTY);
    }
    s.handicap_set = 1;
}

Work<> refuse_handicap(GameInPlay& g, int reason) {
    const Text why = reason == 1   ? Text::NotInRecordMode
                     : reason == 2 ? Text::NotDuringAGame
                                   : Text::NotAfterFlip;
    const std::string words = text(why) + "\r\r" + text(Text::BackToStartFirst);
    co_await notice(text(Text::TitleHandicap), words);
}

}  // namespace rindou
