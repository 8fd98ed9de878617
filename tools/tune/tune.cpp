// Tunes the deep evaluation's weights by Texel's method on positions written
// by rindou-tune-gen: the chance the upper side wins is taken as a logistic
// of the evaluation, 1 / (1 + exp(-score / scale)); the scale is fitted first
// with today's weights, then the weights are changed one at a time, with
// steps that shrink, for as long as the mean squared difference between the
// chances and the games' results goes down.  The positions of every tenth
// game are kept out of the fit, and their error is shown beside, so that a
// fit that learns the games rather than the positions shows.
//
//   rindou-tune DATA [--passes N]
//
// Prints the error before and after and the tuned set as a C++ initializer.
// A set that fits better is not yet one that plays better: only a match can
// tell.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "deep/evaluate.h"
#include "tools/match/self_play.h"
#include "tools/tune/sample.h"

using namespace rindou;

namespace {

struct Data {
    std::vector<deep::Position> positions;
    std::vector<double> results;  // for the upper side
};

double sigmoid(double x) { return 1.0 / (1.0 + std::exp(-x)); }

// The upper side's evaluation of each position.
std::vector<int> scores(const Data& d, const deep::EvalWeights& w) {
    const deep::Evaluator e(w);
    std::vector<int> out(d.positions.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const int s = e.evaluate(d.positions[i]);
        out[i] = d.positions[i].side == UPPER ? s : -s;
    }
    return out;
}

double error(const Data& d, const std::vector<int>& s, double scale) {
    double sum = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double diff = d.results[i] - sigmoid(s[i] / scale);
        sum += diff * diff;
    }
    return s.empty() ? 0 : sum / static_cast<double>(s.size());
}

double error(const Data& d, const deep::EvalWeights& w, double scale) { return error(d, scores(d, w), scale); }

// The error of one scale has a single minimum.
double fit_scale(const Data& d, const std::vector<int>& s) {
    return tools::fit_log_scale([&](double k) { return error(d, s, k); });
}

// One weight the tuner may change, and the range it may take.
struct Param {
    std::string name;
    int* value;
    int least, most;
};

// The pawn on the board stays as it is: it fixes the unit the other weights
// are counted in, which the fitted scale was fitted for.
std::vector<Param> params(deep::EvalWeights& w) {
    static const char* const KIND[KIND_COUNT] = {"", "P", "L", "N", "S", "G", "B", "R", "K",
                                                       "PP", "PL", "PN", "PS", "PB", "PR"};
    std::vector<Param> out;
    for (int k = 2; k < KIND_COUNT; ++k)
        if (k != KING) out.push_back({std::string("board ") + KIND[k], &w.board[size_t(k)], 0, 5000});
    for (int k = 1; k <= 7; ++k) out.push_back({std::string("hand ") + KIND[k], &w.hand[size_t(k)], 0, 5000});
    out.push_back({"pawn_advance", &w.pawn_advance, -100, 100});
    out.push_back({"deep_gold", &w.deep_gold, -200, 200});
    out.push_back({"king_advance", &w.king_advance, -200, 200});
    out.push_back({"reach_bishop", &w.reach_bishop, 0, 50});
    out.push_back({"reach_rook", &w.reach_rook, 0, 50});
    out.push_back({"reach_lance", &w.reach_lance, 0, 50});
    // Bounded so that the square of the danger stays well inside an int.
    for (int k = 1; k < KIND_COUNT; ++k)
        if (k != KING) out.push_back({std::string("attack ") + KIND[k], &w.attack[size_t(k)], 0, 100});
    out.push_back({"defender", &w.defender, -200, 200});
    out.push_back({"danger_base", &w.danger_base, 1, 64});
    out.push_back({"danger_hand_cap", &w.danger_hand_cap, 0, 30});
    out.push_back({"danger_square", &w.danger_square, 1, 1000});
    return out;
}

std::string list(const int* v, size_t n) {
    std::string out = "{";
    for (size_t i = 0; i < n; ++i) {
        if (i) out += ", ";
        out += std::to_string(v[i]);
    }
    return out + "}";
}

void print_weights(const deep::EvalWeights& w) {
    std::printf("deep::EvalWeights{\n");
    std::printf("    .board = %s,\n", list(w.board.data(), w.board.size()).c_str());
    std::printf("    .hand = %s,\n", list(w.hand.data(), w.hand.size()).c_str());
    std::printf("    .pawn_advance = %d,\n    .deep_gold = %d,\n    .king_advance = %d,\n", w.pawn_advance,
                w.deep_gold, w.king_advance);
    std::printf("    .reach_bishop = %d,\n    .reach_rook = %d,\n    .reach_lance = %d,\n", w.reach_bishop,
                w.reach_rook, w.reach_lance);
    std::printf("    .attack = %s,\n", list(w.attack.data(), w.attack.size()).c_str());
    std::printf("    .defender = %d,\n    .danger_base = %d,\n    .danger_hand_cap = %d,\n"
                "    .danger_square = %d,\n}\n",
                w.defender, w.danger_base, w.danger_hand_cap, w.danger_square);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: rindou-tune DATA [--passes N]\n");
        return 2;
    }
    int passes = 40;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--passes") {
            passes = std::atoi(argv[i + 1]);
        } else {
            std::fprintf(stderr, "unknown option %s\n", argv[i]);
            return 2;
        }
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::perror(argv[1]);
        return 1;
    }
    Data fit, held;
    std::string line;
    long bad = 0, games = 0, last_game = -1;
    while (std::getline(in, line)) {
        tune::Sample s;
        if (!parse_sample(line, s)) {
            ++bad;
            continue;
        }
        if (s.game != last_game) ++games;
        last_game = s.game;
        Data& d = s.game % 10 == 9 ? held : fit;
        d.positions.push_back(s.position);
        d.results.push_back(s.result);
    }
    if (bad) std::fprintf(stderr, "%ld lines left out: not positions\n", bad);
    if (fit.positions.empty()) {
        std::fprintf(stderr, "no positions\n");
        return 1;
    }
    std::printf("%zu positions from %ld games fitted, %zu kept out\n", fit.positions.size(), games,
                held.positions.size());

    deep::EvalWeights w = deep::DEFAULT_EVAL_WEIGHTS;
    const double scale = fit_scale(fit, scores(fit, w));
    const double before = error(fit, w, scale), held_before = error(held, w, scale);
    std::printf("scale %.1f\nerror before: %.6f (kept out: %.6f)\n", scale, before, held_before);
    std::fflush(stdout);

    std::vector<Param> ps = params(w);
    std::vector<int> step(ps.size());
    for (size_t i = 0; i < ps.size(); ++i) step[i] = std::max(1, std::abs(*ps[i].value) / 8);
    double best = before;
    for (int pass = 1; pass <= passes; ++pass) {
        bool improved = false;
        for (size_t i = 0; i < ps.size(); ++i) {
            int& v = *ps[i].value;
            bool moved = false;
            for (const int dir : {1, -1}) {
                // Keep going the way that helps.
                while (v + dir * step[i] >= ps[i].least && v + dir * step[i] <= ps[i].most) {
                    v += dir * step[i];
                    const double e = error(fit, w, scale);
                    if (e < best) {
                        best = e;
                        moved = true;
                    } else {
                        v -= dir * step[i];
                        break;
                    }
                }
                if (moved) break;
            }
            if (moved)
                improved = true;
            else if (step[i] > 1)
                step[i] /= 2;
        }
        std::printf("pass %d: error %.6f (kept out: %.6f)\n", pass, best, error(held, w, scale));
        std::fflush(stdout);
        bool smallest = true;
        for (int s : step) smallest = smallest && s == 1;
        if (!improved && smallest) break;
    }
    std::printf("error after: %.6f (kept out: %.6f), before %.6f (kept out: %.6f)\n", best,
                error(held, w, scale), before, held_before);
    print_weights(w);
    return 0;
}
