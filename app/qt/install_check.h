// `rindou --check-install`: starts the window out of sight, as a user's first
// start would, and reports where it found each of its files.  Used to check
// that an installation (moved anywhere as a whole) finds everything of its
// own and nothing of the machine it was built on.
#pragma once

#include <ostream>

namespace rindou::qt {

// Prints one line per file looked for and returns 0 when every one of them
// was found and usable, 1 otherwise.
int check_installation(std::ostream& out);

}  // namespace rindou::qt
