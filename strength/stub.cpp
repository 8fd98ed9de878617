// Placeholder until levels and handicap land.
#include "strength/strength.h"

namespace rindou {
void set_level(Game&, int) { throw NotBuilt{}; }
void handicap_up(Game&) { throw NotBuilt{}; }
void handicap_down(Game&) { throw NotBuilt{}; }
void refuse_handicap(Game&, int) { throw NotBuilt{}; }
}  // namespace rindou
