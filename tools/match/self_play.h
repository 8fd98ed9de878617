// What the tools that play the deep search against itself share: finding
// the move the search named, and fitting the scale of a logistic of scores.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "deep/search.h"

namespace rindou::tools {

// The move of the position that the search's answer names.
inline deep::Move find_move(const deep::Position& p, Move g) {
    deep::MoveList moves;
    p.generate(moves);
    for (const deep::Move& m : moves)
        if (m.code == g) return m;
    std::fprintf(stderr, "the search named a move the position does not have\n");
    std::exit(3);
}

// The scale between 10 and 20000 at which loss(scale) is least, for a loss
// with a single minimum: a golden section search over its logarithm.
template <class Loss>
double fit_log_scale(Loss loss) {
    const double golden = (std::sqrt(5.0) - 1) / 2;
    double lo = std::log(10.0), hi = std::log(20000.0);
    double a = hi - golden * (hi - lo), b = lo + golden * (hi - lo);
    double fa = loss(std::exp(a)), fb = loss(std::exp(b));
    for (int i = 0; i < 100; ++i) {
        if (fa < fb) {
            hi = b;
            b = a;
            fb = fa;
            a = hi - golden * (hi - lo);
            fa = loss(std::exp(a));
        } else {
            lo = a;
            a = b;
            fa = fb;
            b = lo + golden * (hi - lo);
            fb = loss(std::exp(b));
        }
    }
    return std::exp((lo + hi) / 2);
}

}  // namespace rindou::tools
