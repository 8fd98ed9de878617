// The computer player's inner parts: the search over every candidate, the
// move evaluation, the board safety sweep and the position queries they ask.
// All work on the shared state; temporary changes to the board are undone
// before they return.
#pragma once

#include <ostream>
#include <vector>

#include "core/state.h"

namespace rindou {

// ---- Position queries -----------------------------------------------------------
int is_mated(GameState& s);
int human_king_attacked(const GameState& s);
int count_escape_squares(const GameState& s);
int safe_mobility(const GameState& s, int col, int row, int piece);
int file_exposure(GameState& s, int col, int row);
int major_neighbours(const GameState& s, int col, int row);
void compute_pin_maps(GameState& s);
void compute_bishop_check_squares(GameState& s);
int bishop_fork_loss(const GameState& s, int col, int row, int piece);
int lance_follow_gain(const GameState& s, int col, int row);
int knight_fork_gain(const GameState& s, int col, int row);

// ---- Evaluation -------------------------------------------------------------------
// One term of an evaluation as it was added: its name and the value it added.
struct EvalTerm {
    const char* name;
    double value;
};
using EvalTrace = std::vector<EvalTerm>;

double board_safety(GameState& s, int placed, int to_col, int to_row);
double evaluate_move(GameState& s, int captured, int placed, int from_col, int from_row,
                     int to_col, int to_row);
// The same evaluation, recording every term in the order it was added; the
// terms summed in that order from zero give the score exactly.
double evaluate_move_traced(GameState& s, int captured, int placed, int from_col, int from_row,
                            int to_col, int to_row, EvalTrace& trace);

// ---- The search ---------------------------------------------------------------------
// Best score before any candidate.
constexpr double NO_SCORE = -99999;

// Receives every candidate the search compares (for the `think` listing).
// A sink that wants the terms of some candidates' evaluations says which;
// their terms arrive before the candidate, one call per placement evaluated
// (a move that may promote is evaluated both ways), `compared` marking the
// evaluation whose score the search compared.
class CandidateSink {
public:
    virtual ~CandidateSink() = default;
    // A move as the search placed it (piece_after the placement compared).
    virtual void candidate(const Move& move, double score) = 0;
    virtual bool wants_terms(int from_col, int from_row, int to_col, int to_row) const {
        (void)from_col, (void)from_row, (void)to_col, (void)to_row;
        return false;
    }
    virtual void terms(int placed, const EvalTrace& trace, bool compared) {
        (void)placed, (void)trace, (void)compared;
    }
};

// What the player around the search does while it runs: show the board once
// the search is prepared, and keep the clock going between columns and slots.
class SearchHooks {
public:
    virtual ~SearchHooks() = default;
    virtual void prepared() {}
    virtual void tick() {}
};

// The computer's search: the preparation (pawn files, analysis, pins and the
// maps of the turn's start) and every board move and drop, each made,
// analysed, scored and taken back.  Leaves the chosen move in s.engine
// (best_found false when nothing was chosen).
void search_best_move(GameState& s, CandidateSink* sink, SearchHooks* hooks = nullptr);

}  // namespace rindou
