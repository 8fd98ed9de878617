// The deep search used by LEVEL4, LEVEL5 and the hint: iterative deepening
// principal variation search with a transposition table, move ordering,
// late-move reductions driven by the history of cut-offs, late-move and
// futility pruning near the leaves (never while the side's king can be
// taken) and a quiescence search on captures, limited by a fixed node budget
// so that the same position always gives the same move.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/state.h"
#include "deep/position.h"

namespace rindou::deep {

constexpr int WIN = 30000;        // capturing a king, less the plies it takes
constexpr int WIN_BOUND = 29000;  // scores beyond this are wins or losses
// The evaluation never goes beyond this either way, however many pieces a
// set-up position puts in a hand: it must stay clear of the win scores and
// inside the search's window and the table's 16-bit field.
constexpr int EVAL_LIMIT = 20000;

// The node budget of a level (4 or 5); a node is a move made on the board or
// a drop, quiescence included.  The environment variable
// RINDOU_SEARCH_NODES, when set to a positive number written in digits
// only, caps every budget (for soak, fuzz and sanitizer runs); any other
// value is ignored, with one line on standard error.
uint64_t level_budget(int level);

// A move of the side to move on `p` as the search writes it, in the
// numbers of the console's `cand`: a drop of either side is -1 <slot>.  What
// it captures is left 0.
RecordEntry move_entry(const Position& p, rindou::Move m);
std::string move_text(const RecordEntry& m);  // "fc fr tc tr piece_after" or "pass"

struct SearchInfo {
    int depth = 0;
    int score = 0;
    uint64_t nodes = 0;
    std::vector<rindou::Move> pv;  // from the position searched
};

struct SearchLimits {
    uint64_t nodes = 0;
    // Set from outside to end the search early (the window's safety net);
    // the best move found so far is kept.
    const std::atomic<bool>* stop = nullptr;
    // Keys of the positions met earlier in the game (sorted): the search
    // treats coming back to one as even, so that it does not walk in circles.
    std::vector<uint64_t> history;
};

// The keys of the positions before each move of the game's record, and of
// those where a side passed (the record holds no passes: a side moving twice
// running shows one), found by taking the recorded moves back from the
// present position (sorted; empty when the record does not lead to the
// present position).
std::vector<uint64_t> history_keys(const GameState& s);

struct SearchResult {
    bool found = false;  // false: the side has no move at all (a king is gone)
    rindou::Move best;
    int score = 0;
    int depth = 0;
    uint64_t nodes = 0;
};

// Searches for the side holding `turn` (a turn value) in the position of s.
// With `mode_com` the person (the lower side) also wins when the computer's
// king is found mated right after the person's move.  `on_info` receives one
// report per finished depth.
SearchResult search_position(const GameState& s, Side turn, bool mode_com, const SearchLimits& limits,
                             const std::function<void(const SearchInfo&)>& on_info = {});
SearchResult search_from(const Position& p, bool mode_com, const SearchLimits& limits,
                         const std::function<void(const SearchInfo&)>& on_info = {});

// The evaluation from the side to move's point of view, within
// -EVAL_LIMIT..EVAL_LIMIT.
int evaluate(const Position& p);

// Counts the leaf positions `depth` moves ahead (positions where a king has
// been captured end the count there).
uint64_t perft(Position& p, int depth);

}  // namespace rindou::deep
