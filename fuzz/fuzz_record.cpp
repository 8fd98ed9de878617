// Any bytes as a record file: loaded, stepped forward to the end of the
// record and back to the start, and written again.  Aborts when the position
// or the record breaks what the game relies on.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/consistency.h"
#include "core/null_platform.h"
#include "core/record_store.h"
#include "play/flow.h"
#include "play/game_in_play.h"
#include "play/record_commands.h"
#include "play/replay.h"
#include "record/kifu_text.h"
#include "record/record_file.h"
#include "record/record_moves.h"

namespace {

using namespace rindou;

void require(bool ok) {
    if (!ok) std::abort();
}

// The state is consistent after every command.
void check_position(const GameState& s) { require(state_problem(s).empty()); }

bool same_position(const GameState& a, const GameState& b) {
    return a.squares == b.squares && a.coin == b.coin &&
           a.hand[LOWER] == b.hand[LOWER] && a.hand[UPPER] == b.hand[UPPER];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NullPlatform io;
    GameInPlay g;
    g.io = &io;
    new_game_reset(g);
    const GameState start = g.st;

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)run_at_once(g, load_record_bytes(g, bytes));
    GameState& s = g.st;
    check_position(s);
    if (s.record_mode != 1) {
        // Refused: nothing was loaded.
        require(same_position(s, start) && s.record_end == 0);
        return 0;
    }
    require(s.record_end >= 1);

    // Every loaded move can be stepped over, forward and back.
    const int end = s.record_end;
    for (int i = 1; i <= end; ++i) {
        (void)run_at_once(g, step_forward(g));
        check_position(s);
        require(s.record_count == i);
    }
    (void)run_at_once(g, step_forward(g));  // the end of the record
    require(s.record_count == end);
    const GameState final_position = s;

    // Written again, the record reads back to the same moves.
    std::string written, bad;
    require(build_record_file(s, "g", "f", "s", written, bad) == RecordWriteProblem::None);
    const RecordFile again = read_record_file(written, start);
    require(static_cast<int>(again.moves.size()) == end && again.stop_line == 0);

    for (int i = end - 1; i >= 0; --i) {
        (void)run_at_once(g, step_back(g));
        check_position(s);
        require(s.record_count == i);
    }
    require(same_position(s, start));
    for (int i = 1; i <= end; ++i) (void)run_at_once(g, step_forward(g));
    require(same_position(s, final_position));
    return 0;
}
