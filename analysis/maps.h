// The square control maps: what each side reaches, guards and threatens on
// every square, and the lines of check to each king, as one pass over the
// board leaves them.
#pragma once

#include "core/state.h"

namespace rindou {

// Map values.
constexpr int NO_GUARD = 999;
constexpr int NO_THREAT = -999;
constexpr int CHECKER = 9;
constexpr int CHECK_LINE = 1;

struct Maps {
    Grid lower_attacks{};
    Grid upper_attacks{};
    Grid lower_guard{};
    Grid upper_guard{};
    Grid upper_guard_col{};   // never reset by the analysis
    Grid upper_guard_row{};   // never reset by the analysis
    Grid lower_threat{};
    Grid lower_threat_col{};
    Grid lower_threat_row{};
    Grid upper_threat{};
    Grid upper_threat_col{};  // never reset by the analysis
    Grid upper_threat_row{};  // never reset by the analysis
    Grid upper_king_checks{};
    Grid lower_king_checks{};
};

}  // namespace rindou
