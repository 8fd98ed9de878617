// Placeholder until the computer player lands.
#include "engine/engine.h"

namespace rindou {
void com_ban(Game&) { throw NotBuilt{}; }
void think(const GameState&, std::ostream&) { throw NotBuilt{}; }
}  // namespace rindou
