// The computer player's inner parts: the search over every candidate, the
// move evaluation, the board safety sweep and the position queries they ask.
// Each takes the parts it reads: the position, the square maps, the
// computer's memory; temporary changes to the board are undone before they
// return.
#pragma once

#include <ostream>
#include <vector>

#include "core/state.h"
#include "engine/computer.h"

namespace rindou {

// ---- Position queries -----------------------------------------------------------
int is_mated(Position& s, const Maps& m);
int human_king_attacked(const Position& s);
int count_escape_squares(const Position& s, const Maps& m);
int safe_mobility(const Position& s, const Maps& m, int col, int row, int piece);
int file_exposure(Position& s, int col, int row);
int major_neighbours(const Position& s, int col, int row);
void compute_pin_maps(Position& s, EngineMemory& e);
void compute_bishop_check_squares(const Position& s, const Maps& m, EngineMemory& e);
int bishop_fork_loss(const Position& s, const EngineMemory& e, int col, int row, int piece);
int lance_follow_gain(const Position& s, const Maps& m, int col, int row);
int knight_fork_gain(const Position& s, const Maps& m, int col, int row);

// ---- Evaluation -------------------------------------------------------------------
// One term of an evaluation as it was added: its name and the value it added.
struct EvalTerm {
    const char* name;
    double value;
};
using EvalTrace = std::vector<EvalTerm>;

double board_safety(Position& s, const Maps& m, const EngineMemory& e, int placed, int to_col,
                    int to_row);
// The score of a candidate already placed on the board and analysed into the
// computer's maps; the level of the settings decides which terms count.
double evaluate_move(GameState& s, const Computer& c, int captured, int placed, int from_col,
                     int from_row, int to_col, int to_row);
// The same evaluation, recording every term in the order it was added; the
// terms summed in that order from zero give the score exactly.
double evaluate_move_traced(GameState& s, const Computer& c, int captured, int placed,
                            int from_col, int from_row, int to_col, int to_row, EvalTrace& trace);

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
    // A move of the upper side as the search placed it (promoting when the
    // placement compared was the promoted piece), on the position the search
    // started from.
    virtual void candidate(Move move, double score) = 0;
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
// analysed, scored and taken back.  Leaves the chosen move in the computer's
// memory (best_found false when nothing was chosen).
void search_best_move(GameState& s, Computer& c, CandidateSink* sink,
                      SearchHooks* hooks = nullptr);

}  // namespace rindou
