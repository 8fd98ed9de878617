// Seeded play for the golden tests: the moves the person may make now, listed
// as clicks in the order of the console's `legal`, and a small generator that
// gives the same numbers on every platform.
#pragma once

#include <cstdint>
#include <vector>

#include "core/state.h"

namespace rindou::test {

struct Choice {
    int c1, r1, c2, r2;
    bool may_promote, must_promote;
};

// Every move of the side to move (none when no game is in progress).
std::vector<Choice> legal_choices(const GameState& s);

struct Lcg {
    uint64_t x;
    uint32_t next() {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(x >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
};

}  // namespace rindou::test
