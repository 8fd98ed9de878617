// The square control maps: counts, cheapest guards and attackers with their
// squares, check maps, and the places where the two sides are not alike.
#include <gtest/gtest.h>

#include "analysis/analysis.h"
#include "tests/support/position.h"

namespace rindou {
namespace {

struct Board : test::Pos {
    void coin(int c, int r) { put(c, r, COIN); }
    void analyse() { analyse_position(s, maps); }
    int at(const Grid& g, int c, int r) const { return g[size_t(c)][size_t(r)]; }
    const Maps& m() const { return maps; }
    Maps maps;
};

TEST(Maps, EmptyBoardHoldsOnlyTheResetValues) {
    Board b;
    b.analyse();
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            EXPECT_EQ(b.at(b.m().lower_attacks, c, r), 0);
            EXPECT_EQ(b.at(b.m().upper_attacks, c, r), 0);
            EXPECT_EQ(b.at(b.m().upper_king_checks, c, r), 0);
            EXPECT_EQ(b.at(b.m().lower_king_checks, c, r), 0);
            EXPECT_EQ(b.at(b.m().lower_guard, c, r), NO_GUARD);
            EXPECT_EQ(b.at(b.m().upper_guard, c, r), NO_GUARD);
            EXPECT_EQ(b.at(b.m().upper_threat, c, r), NO_GUARD);
            EXPECT_EQ(b.at(b.m().lower_threat, c, r), NO_THREAT);
        }
}

TEST(Maps, RookCheckMarksTheLineAndCountsBehindTheKing) {
    Board b;
    b.coin(1, 5);  // off the lines looked at
    b.put(5, 9, -900);
    b.put(5, 3, 950);
    b.analyse();
    for (int r = 4; r <= 8; ++r) EXPECT_EQ(b.at(b.m().upper_king_checks, 5, r), CHECK_LINE) << r;
    EXPECT_EQ(b.at(b.m().upper_king_checks, 5, 9), CHECKER);
    EXPECT_EQ(b.at(b.m().upper_king_checks, 5, 3), 0);
    EXPECT_EQ(b.at(b.m().lower_attacks, 5, 1), 1);
    EXPECT_EQ(b.at(b.m().lower_attacks, 5, 2), 1);
    EXPECT_EQ(b.at(b.m().lower_threat, 5, 3), -900);
    EXPECT_EQ(b.s.upper_king_col, 5);
    EXPECT_EQ(b.s.upper_king_row, 3);
}

TEST(Maps, KnightCheckMarksTheKnightAndTheKingSquare) {
    Board b;
    b.put(4, 5, -30);
    b.put(3, 3, 950);
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_king_checks, 4, 5), CHECKER);
    EXPECT_EQ(b.at(b.m().upper_king_checks, 3, 3), CHECKER);
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) EXPECT_NE(b.at(b.m().upper_king_checks, c, r), CHECK_LINE);
    // The same for an upper knight and the lower king.
    Board u;
    u.put(4, 5, 30);
    u.put(5, 7, -950);
    u.analyse();
    EXPECT_EQ(u.at(u.m().lower_king_checks, 4, 5), CHECKER);
    EXPECT_EQ(u.at(u.m().lower_king_checks, 5, 7), CHECKER);
}

TEST(Maps, TiesKeepTheAttackerMetFirstInScanOrder) {
    Board b;
    b.put(5, 5, 100);   // upper silver
    b.put(4, 6, -110);  // covers (5,5) diagonally forward
    b.put(6, 6, -110);
    b.analyse();
    EXPECT_EQ(b.at(b.m().lower_threat, 5, 5), -110);
    EXPECT_EQ(b.at(b.m().lower_threat_col, 5, 5), 4);
    EXPECT_EQ(b.at(b.m().lower_threat_row, 5, 5), 6);
    EXPECT_EQ(b.at(b.m().lower_attacks, 5, 5), 2);
    // Same column: the smaller row wins.
    Board c;
    c.put(5, 5, 100);
    c.put(5, 4, -110);  // covers (5,5) backwards
    c.put(5, 6, -110);
    c.analyse();
    EXPECT_EQ(c.at(c.m().lower_threat_row, 5, 5), 4);
}

TEST(Maps, CheapestAttackerAndMostValuableGuard) {
    Board b;
    b.put(5, 5, 100);   // upper silver
    b.put(4, 6, -110);  // gold, met first
    b.put(5, 6, -10);   // pawn, cheaper
    b.analyse();
    EXPECT_EQ(b.at(b.m().lower_threat, 5, 5), -10);
    EXPECT_EQ(b.at(b.m().lower_threat_col, 5, 5), 5);
    EXPECT_EQ(b.at(b.m().lower_threat_row, 5, 5), 6);

    Board g;
    g.put(5, 5, -110);  // lower gold, covered by a pawn and a bishop
    g.put(5, 6, -10);
    g.put(7, 7, -800);
    g.analyse();
    EXPECT_EQ(g.at(g.m().lower_guard, 5, 5), -800);
}

TEST(Maps, UpperPatternsWithoutSquareLeaveTheSquaresAlone) {
    Board b;
    b.put(5, 4, 11);   // promoted pawn, gold pattern: covers (5,5) forwards
    b.put(5, 5, 100);  // upper silver
    b.maps.upper_guard_col[5][5] = 42;
    b.maps.upper_guard_row[5][5] = 43;
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_guard, 5, 5), 110);
    EXPECT_EQ(b.at(b.m().upper_guard_col, 5, 5), 42);
    EXPECT_EQ(b.at(b.m().upper_guard_row, 5, 5), 43);

    // A silver records its square.
    b.put(4, 4, 100);
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_guard, 5, 5), 100);
    EXPECT_EQ(b.at(b.m().upper_guard_col, 5, 5), 4);
    EXPECT_EQ(b.at(b.m().upper_guard_row, 5, 5), 4);
}

TEST(Maps, OnlySomeUpperPiecesRecordThreats) {
    Board b;
    b.put(5, 5, 100);  // silver covers (5,6)
    b.put(5, 6, -10);
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_attacks, 5, 6), 1);
    EXPECT_EQ(b.at(b.m().upper_threat, 5, 6), NO_GUARD);

    b.put(5, 5, 10);  // a pawn instead of the silver
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_threat, 5, 6), 10);

    // The steps of a promoted bishop only count.
    Board h;
    h.put(5, 5, 801);
    h.put(5, 6, -10);
    h.put(5, 4, 110);
    h.analyse();
    EXPECT_EQ(h.at(h.m().upper_attacks, 5, 6), 1);
    EXPECT_EQ(h.at(h.m().upper_threat, 5, 6), NO_GUARD);
    EXPECT_EQ(h.at(h.m().upper_guard, 5, 4), NO_GUARD);
}

TEST(Maps, TheNeverResetSquaresKeepWhatAnEarlierRunLeft) {
    Board b;
    b.coin(1, 5);  // off the lines looked at
    b.put(5, 2, 900);  // rook covers (5,6) down the column, with square
    b.put(5, 6, -100);
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_threat, 5, 6), 900);
    EXPECT_EQ(b.at(b.m().upper_threat_col, 5, 6), 5);
    EXPECT_EQ(b.at(b.m().upper_threat_row, 5, 6), 2);
    // The rook goes: the threat is reset, its square is not.
    b.put(5, 2, EMPTY);
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_threat, 5, 6), NO_GUARD);
    EXPECT_EQ(b.at(b.m().upper_threat_col, 5, 6), 5);
    EXPECT_EQ(b.at(b.m().upper_threat_row, 5, 6), 2);
    // A pawn records no square: the old one stays beside the new code.
    b.put(5, 5, 10);
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_threat, 5, 6), 10);
    EXPECT_EQ(b.at(b.m().upper_threat_col, 5, 6), 5);
    EXPECT_EQ(b.at(b.m().upper_threat_row, 5, 6), 2);
}

TEST(Maps, TheCoinCountsAsUpperOnlyForCodeAboveZeroTests) {
    Board b;
    b.put(5, 6, -100);  // silver: the coin diagonally in front
    b.coin(4, 5);
    b.analyse();
    EXPECT_EQ(b.at(b.m().lower_threat, 4, 5), -100);
    EXPECT_EQ(b.at(b.m().lower_threat_col, 4, 5), 5);
    EXPECT_EQ(b.at(b.m().lower_threat_row, 4, 5), 6);

    Board p;
    p.put(5, 6, -10);  // pawn: the coin directly in front
    p.coin(5, 5);
    p.analyse();
    EXPECT_EQ(p.at(p.m().lower_attacks, 5, 5), 1);
    EXPECT_EQ(p.at(p.m().lower_threat, 5, 5), NO_THREAT);

    // A rook: towards row 1 and column 1 the coin counts, towards row 9 and
    // column 9 it does not; every line stops on it.
    Board r;
    r.put(5, 5, -900);
    r.coin(5, 3);
    r.analyse();
    EXPECT_EQ(r.at(r.m().lower_threat, 5, 3), -900);
    EXPECT_EQ(r.at(r.m().lower_attacks, 5, 2), 0);
    Board d;
    d.put(5, 5, -900);
    d.coin(5, 7);
    d.analyse();
    EXPECT_EQ(d.at(d.m().lower_attacks, 5, 7), 1);
    EXPECT_EQ(d.at(d.m().lower_threat, 5, 7), NO_THREAT);
    EXPECT_EQ(d.at(d.m().lower_attacks, 5, 8), 0);
    Board e;
    e.put(5, 5, -900);
    e.coin(7, 5);
    e.analyse();
    EXPECT_EQ(e.at(e.m().lower_threat, 7, 5), NO_THREAT);
    Board w;
    w.put(5, 5, -900);
    w.coin(3, 5);
    w.analyse();
    EXPECT_EQ(w.at(w.m().lower_threat, 3, 5), -900);
}

TEST(Maps, LowerLinesStopAtTheirOwnKingUpperLinesPassTheEnemyKing) {
    Board b;
    b.coin(1, 5);  // off the lines looked at
    b.put(5, 9, -900);
    b.put(5, 6, -950);
    b.analyse();
    EXPECT_EQ(b.at(b.m().lower_attacks, 5, 6), 1);
    EXPECT_EQ(b.at(b.m().lower_guard, 5, 6), -900);
    EXPECT_EQ(b.at(b.m().lower_attacks, 5, 5), 1);  // the king's step only

    Board u;
    u.coin(1, 5);
    u.put(5, 1, 900);
    u.put(5, 4, -950);
    u.analyse();
    for (int r = 2; r <= 3; ++r) EXPECT_EQ(u.at(u.m().lower_king_checks, 5, r), CHECK_LINE);
    EXPECT_EQ(u.at(u.m().lower_king_checks, 5, 1), CHECKER);
    for (int r = 5; r <= 9; ++r) EXPECT_EQ(u.at(u.m().upper_attacks, 5, r), 1) << r;
    EXPECT_EQ(u.s.lower_king_col, 5);
    EXPECT_EQ(u.s.lower_king_row, 4);
}

TEST(Maps, StepChecksAreMarkedButNotByTheKings) {
    Board b;
    b.put(5, 4, 950);
    b.put(5, 5, -10);   // pawn gives check
    b.put(4, 5, -950);  // the lower king next to the upper king: no mark
    b.analyse();
    EXPECT_EQ(b.at(b.m().upper_king_checks, 5, 5), CHECKER);
    EXPECT_EQ(b.at(b.m().upper_king_checks, 4, 5), 0);
    EXPECT_EQ(b.at(b.m().lower_king_checks, 5, 4), 0);
    EXPECT_EQ(b.at(b.m().lower_attacks, 5, 4), 2);
}

TEST(Maps, AMissingKingKeepsItsLastSquare) {
    Board b;
    b.put(3, 2, 950);
    b.put(7, 8, -950);
    b.analyse();
    b.put(3, 2, EMPTY);
    b.put(7, 8, EMPTY);
    b.analyse();
    EXPECT_EQ(b.s.upper_king_col, 3);
    EXPECT_EQ(b.s.upper_king_row, 2);
    EXPECT_EQ(b.s.lower_king_col, 7);
    EXPECT_EQ(b.s.lower_king_row, 8);
}

TEST(Maps, StartPositionCounts) {
    Board b;
    static constexpr int back[10] = {0, 20, 30, 100, 110, 950, 110, 100, 30, 20};
    for (int c = 1; c <= 9; ++c) {
        b.put(c, 1, back[c]);
        b.put(c, 3, 10);
        b.put(c, 7, -10);
        b.put(c, 9, -back[c]);
    }
    b.put(2, 2, 900);
    b.put(8, 2, 800);
    b.put(2, 8, -800);
    b.put(8, 8, -900);
    b.coin(5, 5);
    b.analyse();
    // The squares in front of the pawns are covered once each.
    for (int c = 1; c <= 9; ++c) {
        EXPECT_EQ(b.at(b.m().upper_attacks, c, 4), 1);
        EXPECT_EQ(b.at(b.m().lower_attacks, c, 6), 1);
    }
    // The golds beside each king guard it.
    EXPECT_EQ(b.at(b.m().upper_attacks, 5, 1), 2);
    EXPECT_EQ(b.at(b.m().upper_guard, 5, 1), 110);
    EXPECT_EQ(b.at(b.m().lower_guard, 5, 9), -110);
    EXPECT_EQ(b.s.upper_king_col, 5);
    EXPECT_EQ(b.s.lower_king_row, 9);
}

}  // namespace
}  // namespace rindou
