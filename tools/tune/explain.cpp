// The deep evaluation of positions term by term, so that a term can be read:
// for each side what each term counts for it, the pressure on its king and
// the other side's pieces in hand that sharpen it, and the total the search
// sees for the side to move.
//
//   rindou-explain-deep [FILE]
//
// Reads positions one to a line, as rindou-tune-gen writes them, or the word
// `start` for the opening position with the lower side to move (standard
// input without FILE).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "deep/evaluate.h"
#include "deep/search.h"
#include "tools/tune/sample.h"

using namespace rindou;

namespace {

void show(const deep::Position& p) {
    const deep::EvalTerms e = deep::explain(p);
    std::printf("%-12s %7s %7s %7s\n", "term", "upper", "lower", "upper-lower");
    int sum[2] = {0, 0};
    for (int t = 0; t < deep::EvalTerms::TERM_COUNT; ++t) {
        std::printf("%-12s %7d %7d %7d\n", deep::EvalTerms::NAMES[t], e.term[t][UPPER],
                    e.term[t][LOWER], e.term[t][UPPER] - e.term[t][LOWER]);
        for (int s = 0; s < 2; ++s) sum[s] += e.term[t][s];
    }
    std::printf("%-12s %7d %7d %7d\n", "sum", sum[UPPER], sum[LOWER],
                sum[UPPER] - sum[LOWER]);
    std::printf("pressure on the upper king %d (lower hand %d), on the lower king %d (upper hand %d)\n",
                e.pressure[UPPER], e.attacker_hand[UPPER], e.pressure[LOWER],
                e.attacker_hand[LOWER]);
    std::printf("%s to move: %d (the search's evaluation: %d)\n\n", p.side == UPPER ? "upper" : "lower",
                e.total, deep::evaluate(p));
}

}  // namespace

int main(int argc, char** argv) {
    std::ifstream file;
    if (argc > 1) {
        file.open(argv[1]);
        if (!file) {
            std::perror(argv[1]);
            return 1;
        }
    }
    std::istream& in = argc > 1 ? file : std::cin;
    std::string line;
    int status = 0;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line == "start") {
            GameState s;
            reset_to_no_game(s);
            show(deep::Position::from_state(s, s.lower_turn));
            continue;
        }
        tune::Sample sample;
        if (!tune::parse_sample(line, sample)) {
            std::fprintf(stderr, "not a position: %s\n", line.c_str());
            status = 1;
            continue;
        }
        show(sample.position);
    }
    return status;
}
