// A consistency check of the game state, in the spirit of an assertion that
// every command leaves a state the rest of the program can rely on: one coin
// where the state says it is, only known codes on the board, at most one king
// a side, hand counts that are not negative and add up to their totals, and a
// move record within its bounds.  Tests, the soak and the fuzzers call it
// after every command; debug builds of the front ends do too.
#pragma once

#include <string>

#include "core/state.h"

namespace rindou {

// The first inconsistency found, in words; empty when there is none.
std::string state_problem(const GameState& s);

// Whether the front ends check the state after every command: always in
// debug builds, and when the environment variable RINDOU_CHECK_STATE is set
// (the soak sets it for the console it drives).
bool checking_state();

// Checks the state and, on a problem, prints it with the command that caused
// it to standard error and aborts: an inconsistent state must stop the run
// where it arose.
void check_state_after(const GameState& s, const std::string& command);

}  // namespace rindou
