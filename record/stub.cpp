// Placeholder until replay and record files land.
#include "record/record_file.h"
#include "record/replay.h"

namespace rindou {
void step_back(Game&) { throw NotBuilt{}; }
void step_forward(Game&) { throw NotBuilt{}; }
void flip_board(Game&) { throw NotBuilt{}; }
void back_to_start(Game&) { throw NotBuilt{}; }
void kifu_write_command(Game&) { throw NotBuilt{}; }
void kifu_read_command(Game&) { throw NotBuilt{}; }
void save_record(Game&) { throw NotBuilt{}; }
void load_record(Game&, const std::string&) { throw NotBuilt{}; }
}  // namespace rindou
