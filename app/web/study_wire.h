// The game's state as the study's worker reads it, and the study's result
// as the page reads it.
#pragma once

#include <string>

#include "core/state.h"
#include "study/study.h"

namespace rindou::web {

// What the study of `s` needs, as one line of text.
std::string write_study_request(const GameState& s);
// Reads such a line into `s` (every other field as before any game); false,
// and `s` untouched, for a text that is no request of this build.
bool read_study_request(const std::string& text, GameState& s);

// The study as JSON: each move's scores, drop, mark and the better move,
// the points of the graph from the first player's side, and both sides'
// counts.
std::string analysis_json(const study::GameAnalysis& a, bool upper_first);

}  // namespace rindou::web
