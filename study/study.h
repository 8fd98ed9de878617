// Studying a game: the deep search scores every position of the game's
// record, and each move is judged by how much of the mover's winning chances
// it gave away.  Pure: the game is read from a copy, nothing is drawn, and
// the same record at the same budget always gives the same analysis.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/state.h"
#include "deep/search.h"

namespace rindou::study {

// A score of the deep search (for one side) as that side's winning chances
// on a scale of -1 (lost) to +1 (won): 2p - 1 with
// p = 1 / (1 + exp(-score / SCORE_SCALE)).
//
// The scale was fitted by tools/study/fit_scale.cpp, at the least log loss
// of p against the results: 29 seeded games of the deep search against
// itself at LEVEL4's budget (the first 14 and 15 games of `rindou-fit-scale
// --seed 2 --keep FILE` and `--seed 3`, fitted together with `--from`: upper
// won 7, lower 13, 9 draws), 5,915 positions, those where the search had
// found a win or a loss left out.  A few dozen games pin the scale only loosely: refitted on
// 1,000 sets of those games drawn with replacement, the middle 95% of the
// scales runs from 609 to 3746, and another 25 games (seed 1) alone gave
// 4401 (896 to the search's limit of 20000).  The fit of 200 games to the
// evaluation before this one gave 1852, inside both ranges.  From an even
// position, a rook given away for nothing (its worth on the board and in the
// taker's hand, about 2,600 today) then loses about 0.6.
constexpr double SCORE_SCALE = 1898.0;
double winning_chances(int score);

// How bad a move was, by the winning chances it lost on the -1..+1 scale:
// at least 0.1 an inaccuracy, 0.2 a mistake, 0.3 a blunder (the drops the
// common analysis boards use on the same scale).
enum class Mark { None, Inaccuracy, Mistake, Blunder };
constexpr double INACCURACY_DROP = 0.1;
constexpr double MISTAKE_DROP = 0.2;
constexpr double BLUNDER_DROP = 0.3;
Mark mark_for_drop(double drop);
const char* mark_name(Mark m);  // "none", "inaccuracy", "mistake", "blunder"

// One move of the record as the analysis judges it.
struct MoveReview {
    int number = 0;           // its entry in the record, 1..
    bool upper = false;       // made by the upper side (positive codes)
    RecordEntry move;
    std::string notation;     // in the game's notation, e.g. "７六歩"
    bool after_pass = false;  // the other side had no move on the board and passed just before
    int before = 0;           // the mover's score before the move (the search's best)
    int after = 0;            // the mover's score after it
    double drop = 0;          // winning chances lost, 0..2
    Mark mark = Mark::None;   // never set for the search's own choice or a move forced
    bool forced = false;      // the only move the mover had
    bool better = false;      // the search preferred another move
    Move best;            // that move (when `better`)
    int best_placed = 0;      // the piece as it leaves it
    std::string best_notation;
};

struct SideSummary {
    int moves = 0;
    int inaccuracies = 0, mistakes = 0, blunders = 0;
    double total_drop = 0;  // over its moves; the average is total_drop / moves
};

enum class Ending {
    RecordEnd,   // every move of the record was analysed
    KingTaken,   // the record ends with a king taken
    Unplayable,  // an entry of the record could not be replayed (stop_entry)
    Cancelled,   // asked to stop: the moves analysed so far are kept
};

struct GameAnalysis {
    std::vector<MoveReview> moves;
    SideSummary lower, upper;
    Ending ending = Ending::RecordEnd;
    int stop_entry = 0;  // with Unplayable: the first entry that could not be replayed
    uint64_t nodes = 0;  // the budget of each search
};

struct Hooks {
    // After each position scored: positions done, positions in all.
    std::function<void(int done, int total)> progress;
    // Set from outside to stop; the analysis stops before the next position
    // and the search under way is cut short.
    const std::atomic<bool>* cancel = nullptr;
};

// Analyses the whole record (entries 1..record_end, however far it has been
// stepped back) of the game in `s` at the node budget of `level` (4 or 5).
// The record is replayed from the position it starts from: the standard
// position, or for a game begun on a handicap, a set-up or a turned board,
// the present position with the recorded moves taken back.
// What an analysis is of: the record's moves, so that a front end shows the
// marks only while the record is the one analysed.
std::string analysed_record_key(const GameState& s);

GameAnalysis analyse_game(const GameState& s, int level, const Hooks& hooks = {});
// The same at any node budget.
GameAnalysis analyse_game_nodes(const GameState& s, uint64_t nodes, const Hooks& hooks = {});

}  // namespace rindou::study
