// The varied openings of the match tools.
#pragma once

#include <algorithm>
#include <random>

#include "deep/search.h"

namespace rindou {

// A random move of the side holding `turn` that a short search does not find
// more than a little worse than its best, so that seeded games differ
// without giving one side a lost game from the start.
inline deep::Move opening_move(const GameState& s, Side turn, std::mt19937& rng) {
    deep::Position p = deep::Position::from_state(s, turn);
    deep::MoveList moves;
    p.generate(moves);
    deep::SearchLimits quick;
    quick.nodes = 3000;
    deep::SearchResult best = deep::search_from(p, true, quick);
    std::shuffle(moves.begin(), moves.end(), rng);
    for (const deep::Move& m : moves) {
        if (m.pass()) return m;
        deep::Position q = p;
        deep::Undo u;
        q.make(m, u);
        deep::SearchResult reply = deep::search_from(q, true, quick);
        if (-reply.score >= best.score - 60) return m;
    }
    return moves.front();
}

}  // namespace rindou
