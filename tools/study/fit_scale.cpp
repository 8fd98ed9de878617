// Fits the scale of the logistic that turns a deep-search score into a
// winning chance, p = 1 / (1 + exp(-score / scale)), from the engine's own
// games: it plays seeded games of the deep search against itself (a game
// between two people, so a captured king ends it), keeps the score the
// search gave the side to move in every position together with how the game
// ended for that side, and picks the scale with the least log loss.
//
//   rindou-fit-scale [--games N] [--seed S] [--nodes N] [--opening MOVES]
//                    [--cap PLIES] [--resamples R] [--keep FILE]
//   rindou-fit-scale --from FILE [--resamples R]
//
// The first MOVES moves of a game (4 by default) are drawn with the seed
// among moves a short search does not find clearly worse than its best, so
// that the games differ; their positions are not counted.  Every other move
// is the search's at the node budget (LEVEL4's by default).  Left out: the
// positions where the search found a win or a loss (their scores are plies to
// the end, not a judgement), where the side had one move only (nothing was
// searched) and where it had to pass.  A game still running after PLIES
// moves (300) counts as a draw, one half for either side.
//
// How far the scale can be trusted: the positions of one game are far from
// independent, so the fit is repeated on R sets of games (200) drawn with
// replacement from those played, and the middle 95% of those scales is
// printed beside the fit.
//
// --keep FILE adds each game's positions to FILE as it ends, one line a
// game ("<upper's result> <side>:<score> ..."), so that games played by
// several runs side by side (other seeds) can be fitted together:
// --from FILE fits the games such files hold instead of playing any.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/record_store.h"
#include "deep/search.h"
#include "tools/match/opening.h"
#include "tools/match/self_play.h"

using namespace rindou;

namespace {

struct Sample {
    int score;    // for the side to move
    int side;     // UPPER or LOWER
    size_t game;  // index of its game
};

double sigmoid(double x) { return 1.0 / (1.0 + std::exp(-x)); }

// Mean log loss of the samples at a scale; `result[g]` is 1 when the upper
// side won game g, 0 when the lower did, 0.5 for a draw.  With `times`, game
// g counts times[g] times (a resampled set of games).
double log_loss(const std::vector<Sample>& samples, const std::vector<double>& result, double scale,
                const std::vector<int>* times = nullptr) {
    double sum = 0, weight = 0;
    for (const Sample& s : samples) {
        const double w = times ? (*times)[s.game] : 1.0;
        if (w == 0) continue;
        const double y = s.side == UPPER ? result[s.game] : 1.0 - result[s.game];
        const double p = std::min(1.0 - 1e-12, std::max(1e-12, sigmoid(s.score / scale)));
        sum -= w * (y * std::log(p) + (1 - y) * std::log(1 - p));
        weight += w;
    }
    return weight > 0 ? sum / weight : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    int games = 40, opening = 4, cap = 300, resamples = 200;
    std::string keep, from;
    unsigned seed = 1;
    uint64_t nodes = deep::level_budget(4);
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i];
        const char* v = argv[i + 1];
        if (k == "--games") games = std::atoi(v);
        else if (k == "--seed") seed = static_cast<unsigned>(std::atoi(v));
        else if (k == "--nodes") nodes = std::strtoull(v, nullptr, 10);
        else if (k == "--opening") opening = std::atoi(v);
        else if (k == "--cap") cap = std::atoi(v);
        else if (k == "--resamples") resamples = std::atoi(v);
        else if (k == "--keep") keep = v;
        else if (k == "--from") from = v;
        else {
            std::fprintf(stderr, "unknown option %s\n", k.c_str());
            return 2;
        }
    }
    if (games < 1 || nodes < 1 || cap < 1 || opening < 0 || resamples < 0) {
        std::fprintf(stderr, "usage: rindou-fit-scale [--games N] [--seed S] [--nodes N] "
                             "[--opening MOVES] [--cap PLIES] [--resamples R] [--keep FILE]\n"
                             "       rindou-fit-scale --from FILE [--resamples R]\n");
        return 2;
    }

    GameState start;
    reset_to_no_game(start);
    std::vector<Sample> samples;
    std::vector<double> result;
    int wins[2] = {0, 0}, draws = 0;
    if (!from.empty()) {
        std::ifstream in(from);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            double upper_result = 0.5;
            if (!(words >> upper_result)) continue;
            std::string sample;
            while (words >> sample) {
                const size_t colon = sample.find(':');
                if (colon == std::string::npos) continue;
                samples.push_back({std::atoi(sample.c_str() + colon + 1), std::atoi(sample.c_str()),
                                   result.size()});
            }
            (upper_result == 1 ? wins[UPPER] : upper_result == 0 ? wins[LOWER] : draws) += 1;
            result.push_back(upper_result);
        }
        games = static_cast<int>(result.size());
    }
    for (int game = 0; from.empty() && game < games; ++game) {
        std::mt19937 rng(seed * 7919u + static_cast<unsigned>(game));
        // Two people: the lower side moves first.
        deep::Position p = deep::Position::from_state(start, start.lower_turn);
        GameState s = start;
        std::vector<uint64_t> met;  // the keys of the positions before each move
        const size_t first = samples.size();
        int plies = 0;
        while (p.winner == NO_SIDE && plies < cap) {
            const Side turn = p.side == UPPER ? s.upper_turn() : s.lower_turn;
            deep::Move m;
            if (plies < opening) {
                m = opening_move(s, turn, rng);
            } else {
                deep::SearchLimits limits;
                limits.nodes = nodes;
                limits.history = met;
                std::sort(limits.history.begin(), limits.history.end());
                const deep::SearchResult r = deep::search_from(p, false, limits);
                if (!r.found) break;
                if (r.depth > 0 && std::abs(r.score) <= deep::WIN_BOUND)
                    samples.push_back({r.score, p.side, result.size()});
                m = tools::find_move(p, r.best);
            }
            met.push_back(p.key);
            deep::Undo u;
            p.make(m, u);
            p.to_state(s);
            ++plies;
        }
        double upper_result = 0.5;
        const char* outcome = "draw";
        if (p.winner == UPPER) {
            upper_result = 1;
            outcome = "upper";
            ++wins[UPPER];
        } else if (p.winner == LOWER) {
            upper_result = 0;
            outcome = "lower";
            ++wins[LOWER];
        } else {
            ++draws;
        }
        result.push_back(upper_result);
        if (!keep.empty()) {
            std::ofstream out(keep, std::ios::app);
            out << upper_result;
            for (size_t i = first; i < samples.size(); ++i)
                out << ' ' << samples[i].side << ':' << samples[i].score;
            out << '\n';
        }
        std::printf("game %d: %d plies, winner %s, %zu positions\n", game + 1, plies, outcome,
                    samples.size() - first);
        std::fflush(stdout);
    }
    if (samples.empty()) {
        std::printf("no positions\n");
        return 1;
    }

    // The log loss of one scale is smooth with a single minimum.
    const double scale = tools::fit_log_scale([&](double k) { return log_loss(samples, result, k); });

    std::printf("\n%d games (upper won %d, lower %d, draws %d), %zu positions", games, wins[UPPER],
                wins[LOWER], draws, samples.size());
    if (from.empty()) std::printf(", budget %llu nodes", static_cast<unsigned long long>(nodes));
    std::printf("\n");
    std::printf("scale %.1f, log loss %.4f (a coin's: %.4f)\n", scale,
                log_loss(samples, result, scale), std::log(2.0));
    if (resamples > 0) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<size_t> pick(0, result.size() - 1);
        std::vector<double> scales;
        std::vector<int> times(result.size());
        for (int r = 0; r < resamples; ++r) {
            std::fill(times.begin(), times.end(), 0);
            for (size_t g = 0; g < result.size(); ++g) ++times[pick(rng)];
            scales.push_back(
                tools::fit_log_scale([&](double k) { return log_loss(samples, result, k, &times); }));
        }
        std::sort(scales.begin(), scales.end());
        const auto at = [&](double q) {
            return scales[std::min(scales.size() - 1, static_cast<size_t>(q * static_cast<double>(scales.size())))];
        };
        std::printf("95%% of %d resampled sets of games: scale %.1f to %.1f\n", resamples, at(0.025),
                    at(0.975));
    }
    // How well the fitted curve follows the games: the share of points the
    // side to move went on to score, by bands of the score.
    const int bands[] = {-100000, -1200, -800, -500, -300, -150, -50, 50, 150, 300, 500, 800, 1200};
    const size_t nb = sizeof bands / sizeof bands[0];
    for (size_t i = 0; i < nb; ++i) {
        const int lo_s = bands[i], hi_s = i + 1 < nb ? bands[i + 1] : 100000;
        double points = 0, expected = 0;
        int n = 0;
        for (const Sample& s : samples) {
            if (s.score < lo_s || s.score >= hi_s) continue;
            points += s.side == UPPER ? result[s.game] : 1.0 - result[s.game];
            expected += sigmoid(s.score / scale);
            ++n;
        }
        if (n == 0) continue;
        std::printf("scores %6d..%6d: %6d positions, scored %.3f, curve %.3f\n", lo_s, hi_s - 1, n,
                    points / n, expected / n);
    }
    return 0;
}
