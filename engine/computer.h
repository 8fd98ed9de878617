// What the one-move computer keeps of its own: the square maps it reads and
// what it remembers from one turn to the next.  Both outlive a turn and a
// new set-up on purpose: the next search starts from the maps and the values
// the last one left, so they are stored, never worked out afresh.
#pragma once

#include "analysis/maps.h"
#include "core/state.h"

namespace rindou {

struct EngineMemory {
    double best_score = 0;
    // The chosen move with its pieces (captured not filled in), kept as the
    // record writes it: the pieces outlive the position it was chosen on,
    // and the page's saved game keeps them.
    RecordEntry best;
    bool best_found = false;

    int moving_piece = 0;      // survives between turns
    int origin_distance = 0;   // survives between turns
    int baseline_escapes = 0;

    Grid pre_lower_attacks{};
    Grid pre_upper_attacks{};
    Grid pre_upper_threat_col{};
    Grid pre_upper_threat_row{};
    int pre_upper_hand_total = 0;
    Grid turn_start_board{};

    Grid lower_pins{};
    Grid upper_pins{};
    Grid bishop_check_squares{};

    // 1 when some piece of the computer's stands pinned against its king.
    int upper_pinned() const {
        for (const auto& col : upper_pins)
            for (int v : col)
                if (v != 0) return 1;
        return 0;
    }
};

// The computer's parts, handed to its search together with the game state.
// The maps are also what the game reads after each move to see whether a
// king is in check or mated, so the person's moves leave them for the
// computer's next turn.
struct Computer {
    Maps maps;
    EngineMemory memory;
};

}  // namespace rindou
