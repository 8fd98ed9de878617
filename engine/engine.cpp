// The computer's whole turn: pass test, thinking caption, the search, and the
// chosen move recorded, blinked, played and announced.
#include "engine/engine.h"

#include <cstdio>

#include "analysis/analysis.h"
#include "core/flow.h"
#include "core/null_platform.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "play/move.h"
#include "engine/evaluation.h"
#include "engine/squares.h"
#include "record/notation.h"
#include "shell/sound.h"
#include "view/draw.h"

namespace rindou {

namespace {

void show_thinking(Game& g) {
    GameState& s = g.st;
    draw_picture(g, s.background_code, -2, 8);
    draw_picture(g, s.background_code, -1, 8);
    draw_picture(g, s.background_code, 0, 8);
    frame_square(g, FRAME_COLOUR, -1, 7);
    print_at(g, -1.5, 8.5, "思考中", BLACK, 12);
    print_at(g, -1.6, 8.4, "思考中", WHITE, 12);
    frame_square(g, FRAME_COLOUR, 1, 8);
}

// The turn goes back to the person without a move of the computer.
void hand_back(Game& g) {
    GameState& s = g.st;
    s.move_start_time = g.io->now();
    s.side_to_move = s.lower_turn;
    if (s.menu.keika) set_clock_tick(g, true);
}

std::string score_text(double score) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.4f", score);
    return buf;
}

class Listing : public CandidateSink {
public:
    explicit Listing(std::ostream& out) : out_(out) {}
    void candidate(int fc, int fr, int tc, int tr, int placed, double score) override {
        out_ << "cand " << fc << ' ' << fr << ' ' << tc << ' ' << tr << ' ' << placed << ' '
             << score_text(score) << '\n';
    }

private:
    std::ostream& out_;
};

// Keeps the terms of one candidate: the placement asked for must be the one
// the search placed.
class Explanation : public CandidateSink {
public:
    Explanation(int fc, int fr, int tc, int tr, int before, bool promote)
        : fc_(fc), fr_(fr), tc_(tc), tr_(tr), before_(before), promote_(promote) {}
    bool wants_terms(int fc, int fr, int tc, int tr) const override {
        return fc == fc_ && fr == fr_ && tc == tc_ && tr == tr_;
    }
    void terms(int, const EvalTrace& trace, bool compared) override {
        if (compared) compared_ = trace;
    }
    void candidate(int fc, int fr, int tc, int tr, int placed, double score) override {
        if (!wants_terms(fc, fr, tc, tr) || (placed != before_) != promote_) return;
        found = true;
        score_ = score;
        terms_ = compared_;
    }
    void print(std::ostream& out) const {
        for (const EvalTerm& t : terms_) out << "term " << t.name << ' ' << score_text(t.value) << '\n';
        out << "total " << score_text(score_) << '\n';
    }
    bool found = false;

private:
    int fc_, fr_, tc_, tr_, before_;
    bool promote_;
    EvalTrace compared_, terms_;
    double score_ = 0;
};

// The computer's turn on a copy as far as the end of its search.
void search_on_copy(const GameState& st, CandidateSink& sink, std::ostream* out) {
    NullPlatform quiet;
    Game g{st, &quiet};
    GameState& s = g.st;
    if (has_no_board_move(s, s.upper_turn) == 1) {
        if (out) *out << "best pass\n";
        return;
    }
    s.move_start_time = quiet.now();
    if (s.menu.keika) set_clock_tick(g, true);
    show_thinking(g);
    search_best_move(g, &sink);
    if (!out) return;
    const EngineMemory& e = s.engine;
    if (!e.best_found) {
        *out << "best none\n";
        return;
    }
    *out << "best " << e.best_from_col << ' ' << e.best_from_row << ' ' << e.best_to_col << ' '
         << e.best_to_row << ' ' << e.best_placed << ' ' << score_text(e.best_score) << '\n';
}

}  // namespace

void com_ban(Game& g) {
    GameState& s = g.st;
    EngineMemory& e = s.engine;

    // No move on the board: the computer passes, even with pieces in hand.
    if (has_no_board_move(s, s.upper_turn) == 1) {
        g.io->message("パス", "打てる場所がありません。パスです。");
        s.side_to_move = s.lower_turn;
        return;
    }
    // The record holds 500 moves: the computer does not play beyond them.
    if (record_full(s)) {
        refuse_record_full(g);
        s.side_to_move = s.lower_turn;
        return;
    }
    // The computer's clock runs while it thinks.
    s.move_start_time = g.io->now();
    if (s.menu.keika) set_clock_tick(g, true);
    // The thinking caption stays until the move is shown.
    show_thinking(g);
    search_best_move(g, nullptr);
    if (!e.best_found) {
        set_clock_tick(g, false);
        hand_back(g);
        return;
    }

    const int fc = e.best_from_col, fr = e.best_from_row;
    const int tc = e.best_to_col, tr = e.best_to_row;
    const int before = e.best_before, placed = e.best_placed;
    const bool drop = fc == -1;

    // Recorded before it is played, as the person's moves are.
    append_move_record(s, fc, fr, tc, tr, before, placed, s.lower_time_total, s.lower_time_total,
                       s.upper_time_total, s.upper_time_total + s.move_elapsed);
    s.move_number += 1;
    draw_move_number(g, s.move_number);
    // The piece that moves blinks on its origin (a drop on its hand cell).
    if (drop)
        blink_square(g, placed, UPPER_HAND_COL, upper_hand_row(fr), 2);
    else
        blink_square(g, before, fc, fr, 2);
    // The move, a short pause, and its sound.
    g.io->computer_move(fc, fr, tc, tr, before, placed,
                        s.board[static_cast<size_t>(tc)][static_cast<size_t>(tr)], e.best_score);
    execute_move(g, fc, fr, tc, tr, placed);
    pause_seconds(g, 0.5);
    play_piece_sound(g);
    set_clock_tick(g, false);
    // A win ends the game; otherwise mate or check is announced.
    if (s.winner == s.upper_turn) {
        end_of_game(g, "ｺﾝﾋﾟｭｰﾀ");
        return;
    }
    analyse_position(s);
    if (is_mated(s) == 1) {
        g.io->message("詰め ?", "よし！!");
    } else if (sq::val(s.maps.upper_attacks, s.lower_king_col, s.lower_king_row) > 0) {
        g.io->message("", "   ** 王手 **");
    }
    // The notation of the move and a frame on its destination.
    show_last_move(g, s.upper_turn, tc, tr, placed, WHITE);
    frame_square(g, WHITE, tc, tr);
    // The person's turn.
    s.upper_time_total += s.move_elapsed;
    hand_back(g);
}

void think(const GameState& st, std::ostream& out) {
    Listing listing(out);
    search_on_copy(st, listing, &out);
}

bool explain(const GameState& st, int fc, int fr, int tc, int tr, bool promote,
             std::ostream& out) {
    const bool drop = fc == -1;
    if (drop ? promote : !on_board(fc, fr)) return false;
    const int before =
        drop ? (fr >= 1 && fr <= 7 ? SLOT_CODE[static_cast<size_t>(fr)] : 0)
             : st.board[static_cast<size_t>(fc)][static_cast<size_t>(fr)];
    Explanation explanation(fc, fr, tc, tr, before, promote);
    search_on_copy(st, explanation, nullptr);
    if (!explanation.found) return false;
    explanation.print(out);
    return true;
}

}  // namespace rindou
