// The console front end run on a script, for the tests of the console and
// of what it prints.
#pragma once

#include <string>

#include "tests/support/test_game.h"

namespace rindou::test {

// Runs the console front end on the given input and returns all its output.
std::string run_console(const std::string& input);

}  // namespace rindou::test
