// A whole game between two people for the record tests: 60 moves from the
// standard position with captures by promoted pieces, drops from both hands
// and moves that push the coin.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/state.h"
#include "tests/support/test_game.h"

namespace rindou::test {

struct MoveText {
    int c1, r1, c2, r2;
    bool promote;
};

inline const std::vector<MoveText>& long_game() {
    static const std::vector<MoveText> moves = {
        {5, 7, 5, 6, 0},  {5, 3, 5, 4, 0},  {8, 8, 5, 8, 0},  {4, 1, 3, 2, 0},  {1, 7, 1, 6, 0},
        {3, 2, 4, 2, 0},  {1, 9, 1, 8, 0},  {2, 3, 2, 4, 0},  {5, 8, 7, 8, 0},  {9, 1, 9, 2, 0},
        {4, 7, 4, 6, 0},  {2, 2, 3, 2, 0},  {7, 9, 6, 8, 0},  {4, 3, 4, 4, 0},  {5, 9, 4, 8, 0},
        {3, 3, 3, 4, 0},  {4, 8, 3, 8, 0},  {2, 4, 2, 5, 0},  {7, 8, 8, 8, 0},  {4, 2, 5, 3, 0},
        {6, 9, 5, 8, 0},  {5, 3, 6, 4, 0},  {5, 8, 4, 7, 0},  {3, 2, 6, 2, 0},  {6, 7, 6, 6, 0},
        {6, 1, 7, 2, 0},  {7, 7, 7, 6, 0},  {6, 4, 7, 5, 0},  {7, 6, 7, 5, 0},  {6, 3, 6, 4, 0},
        {11, 7, 3, 6, 0}, {2, 1, 3, 3, 0},  {8, 9, 7, 7, 0},  {6, 2, 5, 2, 0},  {3, 6, 2, 5, 0},
        {3, 3, 2, 5, 0},  {4, 7, 5, 7, 0},  {2, 5, 3, 7, 1},  {3, 8, 3, 7, 0},  {-1, 3, 6, 7, 0},
        {11, 3, 3, 6, 0}, {6, 7, 6, 8, 0},  {8, 8, 6, 8, 0},  {-1, 4, 8, 5, 0}, {7, 7, 8, 5, 0},
        {-1, 7, 2, 6, 0}, {8, 5, 7, 3, 1},  {8, 1, 7, 3, 0},  {11, 7, 3, 2, 0}, {2, 6, 2, 7, 1},
        {3, 2, 3, 1, 0},  {2, 7, 1, 8, 0},  {11, 5, 1, 4, 0}, {1, 8, 2, 8, 0},  {11, 6, 3, 8, 0},
        {2, 8, 3, 8, 0},  {3, 7, 3, 8, 0},  {-1, 4, 2, 5, 0}, {11, 6, 8, 4, 0}, {2, 5, 1, 4, 0},
    };
    return moves;
}

// What stepping must restore: the position, the turn, the count and clocks.
struct Snapshot {
    Grid board;
    int coin_col, coin_row;
    std::array<int, 8> lower_hand, upper_hand;
    int lower_total, upper_total;
    Side side_to_move;
    int move_number;
    float lower_time, upper_time;

    explicit Snapshot(const GameState& s)
        : board(s.codes()), coin_col(s.coin_col()), coin_row(s.coin_row()), lower_hand(s.hand[LOWER]),
          upper_hand(s.hand[UPPER]), lower_total(s.hand_total(LOWER)),
          upper_total(s.hand_total(UPPER)), side_to_move(s.side_to_move),
          move_number(s.move_number), lower_time(s.lower_time_total),
          upper_time(s.upper_time_total) {}
    bool operator==(const Snapshot&) const = default;
};

// Plays the first `count` moves of the long game after START, a few seconds
// of thinking each; returns the snapshots before the first and after each.
std::vector<Snapshot> play_long_game(TestGame& t, size_t count = 60);

// The same position in the sense of the board, coin and hands.
bool same_position(const GameState& a, const GameState& b);

}  // namespace rindou::test
