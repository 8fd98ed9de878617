// The computer player's inner parts: the search over every candidate, the
// move evaluation, the board safety sweep and the position queries they ask.
// All work on the shared state; temporary changes to the board are undone
// before they return.
#pragma once

#include <ostream>

#include "core/game.h"

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
double board_safety(GameState& s, int placed, int to_col, int to_row);
double evaluate_move(GameState& s, int captured, int placed, int from_col, int from_row,
                     int to_col, int to_row);

// ---- The search ---------------------------------------------------------------------
// Best score before any candidate.
constexpr double NO_SCORE = -99999;

// Receives every candidate the search compares (for the `think` listing).
class CandidateSink {
public:
    virtual ~CandidateSink() = default;
    virtual void candidate(int from_col, int from_row, int to_col, int to_row, int placed,
                           double score) = 0;
};

// Steps 4 to 7 of the computer's turn: preparation and the search over every
// board move and drop.  Leaves the chosen move in s.engine (best_found false
// when nothing was chosen).  Ticks the clock through g.
void search_best_move(Game& g, CandidateSink* sink);

}  // namespace rindou
