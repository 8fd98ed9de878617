// Signature of every score the computer's search compares.
//
// The bench signature covers the move chosen in each position; this one
// covers every candidate the search examines and its score, so that a change
// of any weight of the evaluation shows even where the chosen move stays the
// same.  Two sets of positions, each searched at levels 1 to 3:
//   - the positions before the computer's turns in seeded scripted games;
//   - random positions given to the console with `setup`, listed with `think`
//     (the console's own output is what is signed there).
//
//   rindou_scores [--expect HEX]
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "bench/measure.h"
#include "bench/positions.h"
#include "core/null_platform.h"
#include "core/record_store.h"
#include "engine/evaluation.h"
#include "play/game_in_play.h"

using namespace rindou;

namespace {

using bench::Signature;

// Every candidate with its score to a millionth.
struct Signer : CandidateSink {
    Signature* sig;
    long count = 0;
    const Position* start = nullptr;  // the position searched
    explicit Signer(Signature* s) : sig(s) {}
    void candidate(Move move, double score) override {
        const RecordEntry m = record_entry(*start, UPPER, move, DropNaming::Slot);
        for (long long v : {m.from_col, m.from_row, m.to_col, m.to_row, m.piece_after}) sig->add(v);
        sig->add(std::llround(score * 1e6));
        ++count;
    }
};

constexpr int PIECES[] = {10, 11, 20, 21, 30, 31, 100, 101, 110, 800, 801, 900, 901};

// A random position as `setup` takes it: about a third of the squares hold a
// piece of either side, each king is present nine times in ten, one coin,
// a few pieces in each hand.
std::string random_setup(bench::Lcg& rng) {
    int board[81] = {};
    for (int& code : board) {
        if (rng.next() % 3 != 0) continue;
        int piece = PIECES[rng.next() % (sizeof PIECES / sizeof PIECES[0])];
        code = rng.next() % 2 ? piece : -piece;
    }
    for (int king : {950, -950})
        if (rng.next() % 10 != 0) board[rng.next() % 81] = king;
    board[rng.next() % 81] = COIN;
    // Appended piece by piece: GCC 12 at -O3 mistakes `" " + std::to_string(...)`
    // for an overlapping copy.
    std::string line = "setup";
    auto add = [&line](const std::string& number) {
        line += ' ';
        line += number;
    };
    for (int code : board) add(std::to_string(code));
    for (int k = 0; k < 14; ++k) add(std::to_string(rng.next() % 4 == 0 ? rng.next() % 3 : 0));
    line += " 1 1";
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    const char* expected = nullptr;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--expect") == 0 && i + 1 < argc) expected = argv[++i];

    Signature all;
    NullPlatform quiet;
    long played_candidates = 0;
    std::vector<GameInPlay> positions = bench::scripted_positions(32, 60, 777);
    for (int level = 1; level <= 3; ++level) {
        Signer signer(&all);
        for (const GameInPlay& start : positions) {
            GameInPlay g = start;
            g.io = &quiet;
            g.st.level = level;
            signer.start = &g.st;
            search_best_move(g.st, g.computer, &signer);
        }
        played_candidates += signer.count;
    }

    // Random positions through the console.
    constexpr int RANDOM_POSITIONS = 3000;
    bench::Lcg rng{4242};
    std::string script;
    for (int i = 0; i < RANDOM_POSITIONS; ++i) {
        script += "menu LEVEL" + std::to_string(1 + i % 3) + "\n";
        script += random_setup(rng) + "\nthink\n";
    }
    std::istringstream in(script);
    std::ostringstream out;
    run_cli(in, out);
    const std::string listing = out.str();
    all.add(listing);
    long listed = 0, refused = 0;
    for (size_t at = 0; (at = listing.find('\n', at)) != std::string::npos; ++at) {
        size_t next = at + 1;
        if (listing.compare(next, 5, "cand ") == 0) ++listed;
        if (listing.compare(next, 6, "error ") == 0) ++refused;
    }

    std::printf("scripted positions %zu: %ld candidates over levels 1-3\n", positions.size(),
                played_candidates);
    std::printf("random positions %d (%ld refused): %ld candidates listed\n", RANDOM_POSITIONS,
                refused, listed);
    char got[32];
    std::snprintf(got, sizeof got, "%016llx", static_cast<unsigned long long>(all.h));
    std::printf("signature %s\n", got);
    if (expected != nullptr && std::strcmp(got, expected) != 0) {
        std::printf("the computer's scores changed: signature %s, expected %s\n", got, expected);
        return 1;
    }
    return 0;
}
