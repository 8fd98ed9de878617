// The study of a game as the console lists it (`analyse <level>`).
#pragma once

#include <ostream>
#include <string>

#include "core/state.h"
#include "study/study.h"

namespace rindou::study {

// One line a move, a `pass` line where a side passed, a summary line a side
// and the line saying where the analysis ended (docs/console.md).
void print_analysis(const GameAnalysis& a, std::ostream& out);
// The move the search preferred to the one played, as the listing and the
// page write it: fc,fr,tc,tr,placed, a drop of either side as -1,<slot>.
std::string best_field(const MoveReview& m);
// Analyses the record of s at `level` (4 or 5) and prints it.
void analysis_listing(const GameState& s, int level, std::ostream& out);

}  // namespace rindou::study
