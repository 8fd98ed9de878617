// Writes positions for tuning the deep evaluation: seeded games of the deep
// search against itself at a small node budget (a game between two people,
// so a captured king ends it), each position with how its game ended.
//
//   rindou-tune-gen --out FILE [--games N] [--seed S] [--nodes N]
//                   [--opening MOVES] [--cap PLIES]
//
// The first MOVES moves (6 by default) are drawn with the seed among moves a
// short search does not find clearly worse than its best, so that the games
// differ; their positions are not written.  Every other move is the
// search's at N nodes (10000).  Written are only the quiet positions, where
// a static score can be judged by the result: the search found neither a
// win nor a loss, the side to move has more than one move, its king is not
// attacked and the move it chose neither captures nor promotes.  A game still
// running after PLIES moves (300) counts as neither side's.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "deep/search.h"
#include "tools/match/opening.h"
#include "tools/match/self_play.h"
#include "tools/tune/sample.h"

using namespace rindou;

int main(int argc, char** argv) {
    int games = 100, opening = 6, cap = 300;
    unsigned seed = 1;
    uint64_t nodes = 10000;
    std::string out_name;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i];
        const char* v = argv[i + 1];
        if (k == "--games") games = std::atoi(v);
        else if (k == "--seed") seed = static_cast<unsigned>(std::atoi(v));
        else if (k == "--nodes") nodes = std::strtoull(v, nullptr, 10);
        else if (k == "--opening") opening = std::atoi(v);
        else if (k == "--cap") cap = std::atoi(v);
        else if (k == "--out") out_name = v;
        else {
            std::fprintf(stderr, "unknown option %s\n", k.c_str());
            return 2;
        }
    }
    if (out_name.empty() || games < 1 || nodes < 1 || cap < 1 || opening < 0) {
        std::fprintf(stderr, "usage: rindou-tune-gen --out FILE [--games N] [--seed S] [--nodes N] "
                             "[--opening MOVES] [--cap PLIES]\n");
        return 2;
    }
    std::FILE* out = std::fopen(out_name.c_str(), "w");
    if (!out) {
        std::perror(out_name.c_str());
        return 1;
    }

    GameState start;
    reset_to_no_game(start);
    long written = 0;
    int wins[2] = {0, 0}, draws = 0;
    for (int game = 0; game < games; ++game) {
        std::mt19937 rng(seed * 7919u + static_cast<unsigned>(game));
        deep::Position p = deep::Position::from_state(start, start.lower_turn);
        GameState s = start;
        std::vector<uint64_t> met;  // the keys of the positions before each move
        std::vector<deep::Position> kept;
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
                m = tools::find_move(p, r.best);
                const Square king = p.king[p.side];
                if (r.depth > 0 && std::abs(r.score) <= deep::WIN_BOUND && !m.pass() && !m.captured &&
                    !m.promote() && king != NO_SQUARE && !p.attacked_pattern(~p.side, king))
                    kept.push_back(p);
            }
            met.push_back(p.key);
            deep::Undo u;
            p.make(m, u);
            p.to_state(s);
            ++plies;
        }
        double upper_result = 0.5;
        if (p.winner == UPPER) {
            upper_result = 1;
            ++wins[UPPER];
        } else if (p.winner == LOWER) {
            upper_result = 0;
            ++wins[LOWER];
        } else {
            ++draws;
        }
        for (const deep::Position& q : kept) std::fprintf(out, "%s\n", tune::sample_line(game, upper_result, q).c_str());
        std::fflush(out);
        written += static_cast<long>(kept.size());
        std::fprintf(stderr, "game %d: %d plies, %s, %zu positions (%ld in all)\n", game + 1, plies,
                     upper_result == 1 ? "upper won" : upper_result == 0 ? "lower won" : "neither won",
                     kept.size(), written);
    }
    std::fclose(out);
    std::printf("%d games (upper won %d, lower %d, neither %d), %ld positions, budget %llu nodes\n", games,
                wins[UPPER], wins[LOWER], draws, written, static_cast<unsigned long long>(nodes));
    return 0;
}
