// The positions of the tuning data, one to a line of text:
//
//   GAME RESULT SIDE CODE*81 COIN_COL COIN_ROW UPPER_HAND*7 LOWER_HAND*7
//
// GAME numbers the game the position comes from, RESULT is how it ended for
// the upper side (1 won, 0 lost, 0.5 neither), SIDE the side to move (u or
// l), the codes are the game's board codes column by column (column 1 rows
// 1..9 first), the hands are counts by slot 1..7.
#pragma once

#include <cstdio>
#include <sstream>
#include <string>

#include "core/record_store.h"
#include "deep/position.h"

namespace rindou::tune {

struct Sample {
    long game = 0;
    double result = 0.5;  // for the upper side
    deep::Position position;
};

inline std::string sample_line(long game, double result, const deep::Position& p) {
    GameState s;
    reset_to_no_game(s);
    p.to_state(s);
    std::string out = std::to_string(game);
    out += result == 1 ? " 1" : result == 0 ? " 0" : " 0.5";
    out += p.side == UPPER ? " u" : " l";
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            out += ' ';
            out += std::to_string(s.code_at(c, r));
        }
    out += ' ';
    out += std::to_string(s.coin_col());
    out += ' ';
    out += std::to_string(s.coin_row());
    for (const auto* hand : {&s.hand[UPPER], &s.hand[LOWER]})
        for (size_t k = 1; k <= 7; ++k) {
            out += ' ';
            out += std::to_string((*hand)[k]);
        }
    return out;
}

// False when the line is not one of the form above.
inline bool parse_sample(const std::string& line, Sample& out) {
    std::istringstream in(line);
    std::string side;
    GameState s;
    reset_to_no_game(s);
    if (!(in >> out.game >> out.result >> side) || (side != "u" && side != "l")) return false;
    // The coin's cell among the codes says no more than the coin's square
    // after them.
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        int code = 0;
        if (!(in >> code)) return false;
        s.put_code(sq, code);
    }
    int coin_col = 0, coin_row = 0;
    if (!(in >> coin_col >> coin_row) || !on_board(coin_col, coin_row)) return false;
    s.move_coin(make_square(coin_col, coin_row));
    for (auto* hand : {&s.hand[UPPER], &s.hand[LOWER]})
        for (size_t k = 1; k <= 7; ++k)
            if (!(in >> (*hand)[k]) || (*hand)[k] < 0) return false;
    out.position = deep::Position::from_state(s, side == "u" ? s.upper_turn() : s.lower_turn);
    return true;
}

}  // namespace rindou::tune
