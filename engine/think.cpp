// The computer's search run on a copy of the game and printed: every
// candidate it compares (`think`) or the terms of one candidate's score
// (`explain`).
#include "engine/think.h"

#include <cstdio>

#include "analysis/analysis.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "engine/deep_listing.h"
#include "engine/evaluation.h"

namespace rindou {

namespace {

std::string score_text(double score) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.4f", score);
    return buf;
}

class Listing : public CandidateSink {
public:
    Listing(std::ostream& out, const Position& start) : out_(out), start_(start) {}
    void candidate(Move move, double score) override {
        const RecordEntry m = record_entry(start_, UPPER, move, DropNaming::Slot);
        out_ << "cand " << m.from_col << ' ' << m.from_row << ' ' << m.to_col << ' ' << m.to_row
             << ' ' << m.piece_after << ' ' << score_text(score) << '\n';
    }

private:
    std::ostream& out_;
    const Position& start_;
};

// Keeps the terms of one candidate: the placement asked for must be the one
// the search placed.
class Explanation : public CandidateSink {
public:
    Explanation(const Position& start, int fc, int fr, int tc, int tr, int before, bool promote)
        : start_(start), fc_(fc), fr_(fr), tc_(tc), tr_(tr), before_(before), promote_(promote) {}
    bool wants_terms(int fc, int fr, int tc, int tr) const override {
        return fc == fc_ && fr == fr_ && tc == tc_ && tr == tr_;
    }
    void terms(int, const EvalTrace& trace, bool compared) override {
        if (compared) compared_ = trace;
    }
    void candidate(Move move, double score) override {
        const RecordEntry m = record_entry(start_, UPPER, move, DropNaming::Slot);
        if (!wants_terms(m.from_col, m.from_row, m.to_col, m.to_row) ||
            (m.piece_after != before_) != promote_)
            return;
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
    const Position& start_;
    int fc_, fr_, tc_, tr_, before_;
    bool promote_;
    EvalTrace compared_, terms_;
    double score_ = 0;
};

// The computer's turn on a copy as far as the end of its search.
void search_on_copy(const GameState& st, const Computer& computer, CandidateSink& sink,
                    std::ostream* out) {
    GameState s = st;
    Computer c = computer;
    if (has_no_board_move(s, UPPER) == 1) {
        if (out) *out << "best pass\n";
        return;
    }
    search_best_move(s, c, &sink);
    if (!out) return;
    const EngineMemory& e = c.memory;
    if (!e.best_found) {
        *out << "best none\n";
        return;
    }
    *out << "best " << e.best.from_col << ' ' << e.best.from_row << ' ' << e.best.to_col << ' '
         << e.best.to_row << ' ' << e.best.piece_after << ' ' << score_text(e.best_score) << '\n';
}

}  // namespace

void think(const GameState& st, const Computer& c, std::ostream& out) {
    if (is_deep_level(st.level)) {
        // As `search` does: nothing to search without a game.
        deep_listing(st, st.side_to_move == NO_SIDE ? NO_SIDE : st.upper_turn(), st.level, out);
        return;
    }
    Listing listing(out, st);
    search_on_copy(st, c, listing, &out);
}

bool explain(const GameState& st, const Computer& c, int fc, int fr, int tc, int tr, bool promote,
             std::ostream& out) {
    const bool drop = fc == -1;
    if (drop ? promote : !on_board(fc, fr)) return false;
    const int before =
        drop ? (fr >= 1 && fr <= 7 ? code_of(make_piece(UPPER, PieceKind(fr))) : 0)
             : st.code_at(fc, fr);
    Explanation explanation(st, fc, fr, tc, tr, before, promote);
    search_on_copy(st, c, explanation, nullptr);
    if (!explanation.found) return false;
    explanation.print(out);
    return true;
}

}  // namespace rindou
