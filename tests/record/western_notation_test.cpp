// Western notation of moves of both sides, from positions set up on an
// otherwise empty board: the coin takes part in deciding whether the origin
// must be written.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "core/rules.h"
#include "core/state.h"
#include "record/notation.h"
#include "record/western_notation.h"

namespace rindou {
namespace {

struct Placed {
    int col, row, code;
};

struct Case {
    const char* what;
    std::vector<Placed> pieces;
    int coin_col, coin_row;
    std::array<int, 7> move;  // from, to, piece before, captured, piece after
    const char* expected;
};

RecordEntry entry(const std::array<int, 7>& f) {
    return RecordEntry{f[0], f[1], f[2], f[3], f[4], f[5], f[6], MoveTimes{}};
}

GameState position(const Case& c) {
    GameState s;
    s.squares.fill(NO_PIECE);
    for (const Placed& p : c.pieces)
        s.put_code(make_square(p.col, p.row), p.code);
    s.move_coin(make_square(c.coin_col, c.coin_row));
    return s;
}

// Columns count from the left as drawn, so file = 10 - column; rank = row.
const std::vector<Case> CASES = {
    // The lower side, moving towards row 1.
    {"pawn step", {{3, 7, -HU}}, 5, 5, {3, 7, 3, 6, -HU, 0, -HU}, "P-76"},
    {"capture", {{6, 6, -GIN}, {6, 5, HU}}, 5, 5, {6, 6, 6, 5, -GIN, HU, -GIN}, "Sx45"},
    {"drop beside a knight that could also go there", {{8, 5, -KEI}}, 5, 5,
     {LOWER_HAND_COL, lower_hand_row(KEI_SLOT), 7, 3, -KEI, 0, -KEI}, "N*33"},
    {"promotion", {{2, 8, -KAKU}}, 1, 9, {2, 8, 8, 2, -KAKU, 0, -UMA}, "B-22+"},
    {"promotion with a capture", {{2, 8, -KAKU}, {8, 2, KAKU}}, 1, 9,
     {2, 8, 8, 2, -KAKU, KAKU, -UMA}, "Bx22+"},
    {"declined promotion", {{6, 4, -GIN}}, 5, 5, {6, 4, 6, 3, -GIN, 0, -GIN}, "S-43="},
    {"two golds reach the square", {{4, 9, -KIN}, {6, 9, -KIN}}, 5, 5,
     {4, 9, 5, 8, -KIN, 0, -KIN}, "G69-58"},
    {"the coin keeps the other gold away", {{4, 9, -KIN}, {6, 9, -KIN}}, 1, 5,
     {4, 9, 5, 8, -KIN, 0, -KIN}, "G-58"},
    {"gold of the other side, and a tokin, reach it too",
     {{4, 9, -KIN}, {6, 7, KIN}, {6, 9, -TOKIN}}, 5, 5, {4, 9, 5, 8, -KIN, 0, -KIN}, "G-58"},
    {"promoted piece", {{5, 5, -TOKIN}}, 1, 9, {5, 5, 5, 4, -TOKIN, 0, -TOKIN}, "+P-54"},
    // The upper side, moving towards row 9.
    {"upper pawn step", {{7, 3, HU}}, 5, 5, {7, 3, 7, 4, HU, 0, HU}, "P-34"},
    {"upper drop", {}, 1, 1, {UPPER_HAND_COL, HU_SLOT, 5, 5, HU, 0, HU}, "P*55"},
    {"upper promotion", {{9, 6, HU}}, 5, 5, {9, 6, 9, 7, HU, 0, TOKIN}, "P-17+"},
    {"upper declined promotion", {{2, 6, GIN}}, 5, 5, {2, 6, 2, 7, GIN, 0, GIN}, "S-87="},
    {"upper silvers, with a capture", {{5, 3, GIN}, {7, 3, GIN}, {6, 4, -HU}}, 5, 5,
     {5, 3, 6, 4, GIN, -HU, GIN}, "S53x44"},
    {"upper dragons along a rank", {{1, 1, RYU}, {5, 5, RYU}}, 9, 1,
     {1, 1, 1, 5, RYU, 0, RYU}, "+R91-95"},
    {"a piece between takes the other dragon out", {{1, 1, RYU}, {5, 5, RYU}, {3, 5, -HU}}, 9, 1,
     {1, 1, 1, 5, RYU, 0, RYU}, "+R-95"},
    {"horse capturing", {{5, 5, UMA}, {6, 6, -KIN}}, 1, 1, {5, 5, 6, 6, UMA, -KIN, UMA},
     "+Bx46"},
    // Nothing to write.
    {"no piece", {}, 5, 5, {3, 7, 3, 6, EMPTY, 0, EMPTY}, ""},
    {"off the board", {{3, 1, -HU}}, 5, 5, {3, 1, 3, 0, -HU, 0, -HU}, ""},
};

TEST(WesternNotation, MovesOfBothSides) {
    for (const Case& c : CASES) {
        const GameState s = position(c);
        const RecordEntry m = entry(c.move);
        // Each position is one the move can be played in.
        if (*c.expected && on_board(m.from_col, m.from_row)) {
            EXPECT_TRUE(is_legal_move(s, m.from_col, m.from_row, m.to_col, m.to_row, m.piece_before))
                << c.what;
        }
        EXPECT_EQ(western_notation(s, m), c.expected) << c.what;
    }
}

// The digits name the squares the Japanese notation names.
TEST(WesternNotation, SquaresAreThoseOfTheJapaneseNotation) {
    const std::map<std::string, char> digit = {
        {"１", '1'}, {"２", '2'}, {"３", '3'}, {"４", '4'}, {"５", '5'}, {"６", '6'},
        {"７", '7'}, {"８", '8'}, {"９", '9'}, {"一", '1'}, {"二", '2'}, {"三", '3'},
        {"四", '4'}, {"五", '5'}, {"六", '6'}, {"七", '7'}, {"八", '8'}, {"九", '9'}};
    const GameState empty{};
    for (int col = 1; col <= 9; ++col)
        for (int row = 1; row <= 9; ++row) {
            const RecordEntry drop = entry({UPPER_HAND_COL, KIN_SLOT, col, row, KIN, 0, KIN});
            const std::string expected = {'G', '*', digit.at(move_notation_text(10 - col)),
                                          digit.at(move_notation_text(1000 + row))};
            EXPECT_EQ(western_notation(empty, drop), expected) << col << "," << row;
        }
}

}  // namespace
}  // namespace rindou
