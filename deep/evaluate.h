// The deep search's evaluation, its weights and a term-by-term account of
// it.  The search plays with the default weights; other sets are for the
// tools that tune them and read the terms.
#pragma once

#include <array>

#include "deep/position.h"

namespace rindou::deep {

// Every number the evaluation weighs a position by.  The defaults were
// fitted to the results of fast self-play games (tools/tune) and kept
// because they won matches against the earlier hand-set numbers, not for
// the fit alone.
struct EvalWeights {
    // A piece on the board by kind (the king's counts nothing) and in hand.
    std::array<int, KIND_COUNT> board = {0, 90, 0, 148, 175, 386, 507, 510, 0, 641, 678, 387, 387, 1719, 2385};
    std::array<int, HAND_KIND_COUNT> hand = {0, 213, 575, 512, 677, 1169, 1141, 2058};
    // Placement: per row a pawn has advanced from its side's back row; a
    // gold, silver or promoted minor piece six rows or more advanced; per row
    // a king stands beyond its side's first three (taken off, so that a
    // negative weight is a gain).
    int pawn_advance = -33;
    int deep_gold = -69;
    int king_advance = -200;
    // Per square a slider reaches, up to and including the first occupied
    // one (the coin included).
    int reach_bishop = 8;  // also the promoted bishop
    int reach_rook = 0;    // also the promoted rook
    int reach_lance = 0;
    // A piece one or two steps from the other side's king adds
    // attack[kind] * (3 - steps) to the pressure on it.
    std::array<int, KIND_COUNT> attack = {0, 4, 28, 0, 25, 20, 18, 61, 0, 39, 40, 0, 0, 72, 64};
    // Per point of golds, silvers, promoted pawns and promoted silvers
    // around the own king (two next to it, one two steps away).
    int defender = -33;
    // The pressure grows with the attacker's pieces in hand (silvers and
    // above counting twice, up to danger_hand_cap):
    //   danger = pressure * (danger_base + in hand) / danger_base,
    // and the king's side loses danger + danger^2 / danger_square.
    int danger_base = 8;
    int danger_hand_cap = 15;
    int danger_square = 50;
};

inline constexpr EvalWeights DEFAULT_EVAL_WEIGHTS{};

// The evaluation of a position term by term, each for one side as it
// counts for that side (a cost negative).
struct EvalTerms {
    enum Term { MATERIAL, PLACEMENT, HAND, REACH, KING_DANGER, DEFENDERS, TERM_COUNT };
    static constexpr const char* NAMES[TERM_COUNT] = {"material", "placement", "hand", "reach",
                                                      "king danger", "defenders"};
    int term[TERM_COUNT][SIDE_COUNT] = {};
    // What the danger is made of, on each side's own king: the pressure of
    // the other side's pieces near it and the other side's hand count.
    int pressure[SIDE_COUNT] = {};
    int attacker_hand[SIDE_COUNT] = {};
    // The upper side's sum less the lower side's, within the limit, for the
    // side to move: what evaluate() gives.
    int total = 0;
};

// An evaluation with a set of weights of its own, tables made once.
class Evaluator {
public:
    explicit Evaluator(const EvalWeights& w = DEFAULT_EVAL_WEIGHTS);
    const EvalWeights& weights() const { return w_; }
    // From the board alone: does not rely on what the position keeps.
    EvalTerms explain(const Position& p) const;
    int evaluate(const Position& p) const { return explain(p).total; }

private:
    EvalWeights w_;
    Placement placement_;
    std::array<int, 29> reach_{};  // per square a slider reaches, [cell + 14]
};

// The terms with the default weights, as the search sees them.
EvalTerms explain(const Position& p);

}  // namespace rindou::deep
