// The console front end: runs the game with commands on one stream and the
// game's events on another (the protocol of rindou-cli).
#pragma once

#include <istream>
#include <ostream>

namespace rindou {

class GameShelf;

// Runs start-up and then every command line until the end of the input or
// the end of the program.  Returns the process exit status.  Games are kept
// on `shelf`; with none, no game is kept.
int run_cli(std::istream& in, std::ostream& out, GameShelf* shelf = nullptr);

}  // namespace rindou
