// The account of the deep evaluation term by term.
#include <gtest/gtest.h>

#include <random>

#include "core/record_store.h"
#include "deep/evaluate.h"
#include "deep/search.h"

namespace rindou {
namespace {

using deep::EvalTerms;
using deep::Position;

// The same position seen from the other side: the board turned round, the
// colours and hands swapped, the other side to move.
Position turned(const Position& p) {
    Position q;
    auto turn = [](Square sq) { return Square(LAST_SQUARE - sq); };
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        const int8_t v = p.board[sq];
        q.board[turn(sq)] = deep::is_piece(v) ? static_cast<int8_t>(-v) : v;
    }
    q.coin = turn(p.coin);
    q.hand = {p.hand[LOWER], p.hand[UPPER]};
    for (Side s : {UPPER, LOWER}) q.king[s] = p.king[~s] == NO_SQUARE ? NO_SQUARE : turn(p.king[~s]);
    q.side = ~p.side;
    q.recompute_key();
    q.recompute_summary();
    return q;
}

// Over positions of seeded random games, captures and drops included: the
// terms add up to the search's evaluation, and neither side is weighed
// differently from the other.
TEST(DeepEvaluate, TermsAddUpToTheEvaluationAndTreatBothSidesAlike) {
    GameState start;
    reset_to_no_game(start);
    std::mt19937 rng(7);
    int positions = 0, with_hands = 0, with_danger = 0;
    for (int game = 0; game < 150; ++game) {
        Position p = Position::from_state(start, start.lower_turn);
        for (int ply = 0; ply < 200 && p.winner == NO_SIDE; ++ply) {
            const EvalTerms e = deep::explain(p);
            ASSERT_EQ(e.total, deep::evaluate(p)) << "game " << game << " ply " << ply;
            const EvalTerms f = deep::explain(turned(p));
            ASSERT_EQ(f.total, e.total);
            for (int t = 0; t < EvalTerms::TERM_COUNT; ++t)
                for (int s = 0; s < 2; ++s) ASSERT_EQ(f.term[t][s ^ 1], e.term[t][s]) << EvalTerms::NAMES[t];
            ++positions;
            with_hands += e.term[EvalTerms::HAND][0] + e.term[EvalTerms::HAND][1] > 0;
            with_danger += e.term[EvalTerms::KING_DANGER][0] + e.term[EvalTerms::KING_DANGER][1] < 0;
            deep::MoveList moves;
            p.generate(moves);
            if (moves.empty()) break;
            deep::Undo u;
            p.make(moves[std::uniform_int_distribution<size_t>(0, moves.size() - 1)(rng)], u);
        }
    }
    EXPECT_GT(positions, 10000);
    EXPECT_GT(with_hands, positions / 4);
    EXPECT_GT(with_danger, positions / 4);
}

}  // namespace
}  // namespace rindou
