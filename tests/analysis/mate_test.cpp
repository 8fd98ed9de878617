// The checkmate test of the upper king.
#include <gtest/gtest.h>

#include "analysis/analysis.h"
#include "tests/support/position.h"

namespace rindou {
namespace {

struct Position : test::Pos {
    void coin(int c, int r) { put(c, r, COIN); }
    void hand(int slot, int n) { upper_hand(slot, n); }
    int test() {
        analyse_position(s, maps);
        return upper_mate_test(s, maps);
    }
    Maps maps;
};

// Upper king in the corner, boxed in by its own knights, which cannot move
// while the coin stands on the last row.
Position lance_check() {
    Position p;
    p.put(1, 1, 950);
    p.put(2, 1, 30);
    p.put(2, 2, 30);
    p.put(1, 9, -20);
    p.coin(9, 9);
    return p;
}

TEST(UpperMate, NotInCheckIsNoMate) {
    Position p;
    p.put(5, 1, 950);
    p.put(5, 9, -950);
    p.coin(5, 5);
    Grid before = p.s.codes();
    EXPECT_EQ(p.test(), 0);
    EXPECT_EQ(p.s.codes(), before);
}

TEST(UpperMate, ADropCannotBlockAKnightCheck) {
    Position p;
    p.put(1, 1, 950);
    p.put(2, 1, 30);
    p.put(1, 2, 30);
    p.put(2, 2, 30);
    p.put(2, 3, -30);
    p.coin(9, 9);
    p.hand(4, 1);  // a silver in hand does not help
    EXPECT_EQ(p.test(), 1);
}

TEST(UpperMate, ADropBlocksALanceFromAfar) {
    Position p = lance_check();
    p.hand(4, 1);
    EXPECT_EQ(p.test(), 0);
    // Without anything in hand the king is mated.
    Position q = lance_check();
    EXPECT_EQ(q.test(), 1);
}

// Only a checker beside the king rules a drop out: a lance two squares away
// is stopped by a drop on the square between.
TEST(UpperMate, ADropBlocksALanceTwoSquaresAwayButNotOneBesideTheKing) {
    Position two_away = lance_check();
    two_away.put(1, 9, EMPTY);
    two_away.put(1, 3, -20);
    two_away.hand(4, 1);
    EXPECT_EQ(two_away.test(), 0);
    Position beside = lance_check();
    beside.put(1, 9, EMPTY);
    beside.put(1, 2, -20);
    beside.hand(4, 1);
    EXPECT_EQ(beside.test(), 1);
}

TEST(UpperMate, OnlyPawnsInHandNeedALegalPawnDrop) {
    Position p = lance_check();
    p.hand(1, 2);
    p.s.upper_pawn_file[1] = 1;  // taken as it stands, not rescanned
    EXPECT_EQ(p.test(), 1);

    Position q = lance_check();
    q.hand(1, 2);
    EXPECT_EQ(q.test(), 0);
}

TEST(UpperMate, TheSquareBehindTheKingOnTheCheckLineIsNoEscape) {
    Position p;
    p.put(5, 3, 950);
    for (int r = 2; r <= 4; ++r) {
        p.put(4, r, 100);
        p.put(6, r, 100);
    }
    p.put(5, 9, -900);
    p.coin(9, 9);
    EXPECT_EQ(p.test(), 1);
    EXPECT_EQ(p.maps.lower_attacks[5][2], 1);
    // A gold that checks from the same square leaves (5,2) free.
    p.put(5, 9, EMPTY);
    p.put(5, 4, -110);
    p.put(5, 5, -10);  // covering the gold
    EXPECT_EQ(p.test(), 0);
}

TEST(UpperMate, ACaptureThatLeavesAnotherCheckFailsAndTheMapsStayAsTried) {
    Position p;
    p.put(1, 1, 950);
    p.put(2, 1, 30);
    p.put(2, 2, 110);
    p.put(1, 2, -10);   // checks, covered by the gold below it
    p.put(1, 3, -110);
    p.put(2, 3, -30);   // checks too
    p.coin(5, 5);
    Grid before = p.s.codes();
    analyse_position(p.s, p.maps);
    EXPECT_EQ(p.maps.lower_attacks[3][1], 1);  // the knight's other square
    EXPECT_EQ(upper_mate_test(p.s, p.maps), 1);
    EXPECT_EQ(p.s.codes(), before);
    // The last try was the gold taking the knight.
    EXPECT_EQ(p.maps.lower_attacks[3][1], 0);
    EXPECT_EQ(p.maps.upper_attacks[2][4], 1);
}

TEST(UpperMate, ABoardPieceTakingTheOnlyCheckerSaves) {
    Position p;
    p.put(1, 1, 950);
    p.put(2, 1, 30);
    p.put(2, 2, 110);
    p.put(1, 2, -10);
    p.put(1, 3, -110);
    p.coin(5, 5);
    EXPECT_EQ(p.test(), 0);
}

TEST(UpperMate, AMissingKingIsNeverMated) {
    Position p;
    p.put(5, 9, -900);
    p.coin(9, 9);
    EXPECT_EQ(p.test(), 0);
}

}  // namespace
}  // namespace rindou
