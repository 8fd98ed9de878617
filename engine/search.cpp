// The computer's one-move search: every legal board move and every drop is
// made on the board, analysed, scored and taken back; the first candidate
// with the strictly highest score is kept.
#include "analysis/analysis.h"
#include "core/rules.h"
#include "engine/evaluation.h"
#include "engine/squares.h"

namespace rindou {

using sq::iabs;
using sq::ref;

namespace {

void take(EngineMemory& e, double score, int fc, int fr, int tc, int tr, int before, int placed) {
    e.best_score = score;
    e.best.from_col = fc;
    e.best.from_row = fr;
    e.best.to_col = tc;
    e.best.to_row = tr;
    e.best.piece_before = before;
    e.best.piece_after = placed;
    e.best_found = true;
}

void prepare(GameState& s, Computer& c) {
    EngineMemory& e = c.memory;
    Maps& m = c.maps;
    e.turn_start_board = s.codes();
    scan_pawn_files(s);
    // The person's escapes as the last analysis left them, before this
    // turn's own analysis.
    e.baseline_escapes = count_escape_squares(s, m);
    analyse_position(s, m);
    compute_bishop_check_squares(s, m, e);
    compute_pin_maps(s, e);
    e.pre_lower_attacks = m.lower_attacks;
    e.pre_upper_attacks = m.upper_attacks;
    e.pre_upper_threat_col = m.upper_threat_col;
    e.pre_upper_threat_row = m.upper_threat_row;
    e.pre_upper_hand_total = s.hand_total(UPPER);
}

// Scores one placement of a candidate.  When its terms are wanted (`want`
// given) they are traced, from the same code path.
double score_placement(GameState& s, const Computer& c, int captured, int placed, int fc, int fr,
                       int tc, int tr, CandidateSink* want, EvalTrace& trace) {
    if (want) return evaluate_move_traced(s, c, captured, placed, fc, fr, tc, tr, trace);
    return evaluate_move(s, c, captured, placed, fc, fr, tc, tr);
}

// One board move, with the promotion choice; the board is left as found.
double score_board_move(GameState& s, Computer& c, int fc, int fr, int tc, int tr, int piece,
                        int captured, int& placed, CandidateSink* want) {
    s.clear(make_square(fc, fr));
    s.put_code(make_square(tc, tr), piece);
    double score;
    placed = piece;
    EvalTrace plain_terms, raised_terms;
    const int promoted = promotion_on(fc, fr, tr, piece);
    if (promoted == 0) {
        analyse_position(s, c.maps);
        score = score_placement(s, c, captured, piece, fc, fr, tc, tr, want, plain_terms);
        if (want) want->terms(piece, plain_terms, true);
    } else {
        if (may_stay_unpromoted(tr, piece) == 0) {
            s.put_code(make_square(tc, tr), promoted);
            analyse_position(s, c.maps);
            score = score_placement(s, c, captured, promoted, fc, fr, tc, tr, want, raised_terms);
            placed = promoted;
            if (want) want->terms(promoted, raised_terms, true);
        } else {
            analyse_position(s, c.maps);
            double plain = score_placement(s, c, captured, piece, fc, fr, tc, tr, want, plain_terms);
            s.put_code(make_square(tc, tr), promoted);
            analyse_position(s, c.maps);
            double raised =
                score_placement(s, c, captured, promoted, fc, fr, tc, tr, want, raised_terms);
            // The promoted piece is kept only for a strictly higher score.
            const bool raise = raised > plain;
            score = raise ? raised : plain;
            if (raise) placed = promoted;
            if (want) {
                want->terms(piece, plain_terms, !raise);
                want->terms(promoted, raised_terms, raise);
            }
            // A pawn, bishop or rook always promotes when it may (with the
            // better of the two scores).
            if (piece == HU || piece == KAKU || piece == SYA) placed = promoted;
        }
    }
    s.put_code(make_square(tc, tr), captured);
    s.put_code(make_square(fc, fr), piece);
    return score;
}

}  // namespace

void search_best_move(GameState& s, Computer& c, CandidateSink* sink, SearchHooks* hooks) {
    EngineMemory& e = c.memory;
    // Nothing chosen yet.
    e.best_score = NO_SCORE;
    e.best_found = false;
    prepare(s, c);
    if (hooks) hooks->prepared();

    // Board moves first, so that a drop never wins a tie with one.
    for (int fc = 1; fc <= 9; ++fc) {
        if (hooks) hooks->tick();
        for (int fr = 1; fr <= 9; ++fr) {
            const int piece = s.code_at(fc, fr);
            if (piece < HU) continue;
            for (int tc = 1; tc <= 9; ++tc)
                for (int tr = 1; tr <= 9; ++tr) {
                    if (!is_legal_move(s, fc, fr, tc, tr, piece)) continue;
                    const int captured = s.code_at(tc, tr);
                    e.moving_piece = piece;
                    int dk = iabs(fc - s.lower_king_col), dr = iabs(fr - s.lower_king_row);
                    e.origin_distance = dk > dr ? dk : dr;
                    int placed = piece;
                    CandidateSink* want =
                        sink && sink->wants_terms(fc, fr, tc, tr) ? sink : nullptr;
                    double score =
                        score_board_move(s, c, fc, fr, tc, tr, piece, captured, placed, want);
                    if (sink)
                        sink->candidate(Move::board(make_square(fc, fr), make_square(tc, tr), placed != piece),
                                        score);
                    if (score > e.best_score) {
                        take(e, score, fc, fr, tc, tr, piece, placed);
                        if (captured == -OU) return;
                    }
                }
        }
    }

    // Drops, only with pieces in hand at the start of the turn.
    if (e.pre_upper_hand_total <= 0) return;
    for (PieceKind kind = PAWN; kind <= ROOK; ++kind) {
        if (hooks) hooks->tick();
        if (s.hand[UPPER][kind] < 1) continue;
        const int slot = kind;  // an upper drop is named by its hand slot
        const int code = SLOT_CODE[kind];
        e.moving_piece = code;
        for (int tc = 1; tc <= 9; ++tc)
            for (int tr = 1; tr <= 9; ++tr) {
                if (!is_legal_move(s, -1, slot, tc, tr, code)) continue;
                s.put_code(make_square(tc, tr), code);
                analyse_position(s, c.maps);
                CandidateSink* want = sink && sink->wants_terms(-1, slot, tc, tr) ? sink : nullptr;
                EvalTrace trace;
                double score = score_placement(s, c, EMPTY, code, -1, slot, tc, tr, want, trace);
                if (want) want->terms(code, trace, true);
                s.clear(make_square(tc, tr));
                if (sink) sink->candidate(Move::drop(kind, make_square(tc, tr)), score);
                if (score > e.best_score) {
                    take(e, score, -1, slot, tc, tr, code, code);
                    if (e.best_score >= 9998) return;
                }
            }
    }
}

}  // namespace rindou
