// The position queries and the board safety sweep, asked directly.
#include <gtest/gtest.h>

#include "analysis/analysis.h"
#include "engine/evaluation.h"
#include "tests/support/position.h"

namespace rindou::test {
namespace {

struct Board : Pos {
    Board& at(int c, int r, int code) {
        put(c, r, code);
        return *this;
    }
    GameState& analysed() {
        analyse_position(s, computer.maps);
        return s;
    }
    Computer computer;
};

TEST(Safety, TheCoinIsAForkTargetOfValueSeven) {
    // A silver on (5,4) that could take the pawn on (4,5) and push the coin.
    Board b;
    b.at(9, 1, 950).at(5, 4, 100).at(4, 5, -10).at(5, 5, COIN);
    EXPECT_DOUBLE_EQ(board_safety(b.analysed(), b.computer.maps, b.computer.memory, 100, 5, 4), 0.1 + 0.1 + 7);
    // The coin out of reach: one target, no fork.
    Board c;
    c.at(9, 1, 950).at(5, 4, 100).at(4, 5, -10).at(2, 2, COIN);
    EXPECT_DOUBLE_EQ(board_safety(c.analysed(), c.computer.maps, c.computer.memory, 100, 5, 4), 0.1);
    // A pawn and a lance: the cheaper one's value.
    Board d;
    d.at(9, 1, 950).at(5, 4, 100).at(4, 5, -10).at(6, 5, -20).at(2, 2, COIN);
    // The lance covers (6,4) to (6,1): three camp squares the computer does
    // not cover less the silver's (6,3).
    EXPECT_DOUBLE_EQ(board_safety(d.analysed(), d.computer.maps, d.computer.memory, 100, 5, 4), 0.1 + 0.1 + 10 - 0.2);
    d.at(6, 5, -10);
    EXPECT_DOUBLE_EQ(board_safety(d.analysed(), d.computer.maps, d.computer.memory, 100, 5, 4), 0.1 + 0.1 + 10);
}

TEST(Safety, NoForkWhenTheDestinationIsAttacked) {
    Board b;
    b.at(9, 1, 950).at(5, 4, 100).at(4, 5, -10).at(6, 5, -10).at(5, 5, -10).at(2, 2, COIN);
    // The silver hangs to the pawn on (5,5): the exchange (-90) and the
    // undefended piece (-100); the two pawns it attacks count for nothing.
    EXPECT_DOUBLE_EQ(board_safety(b.analysed(), b.computer.maps, b.computer.memory, 100, 5, 4), -190);
}

TEST(Safety, AHangingPieceLosesItsCodeUnlessItJustCaptured) {
    Board b;
    b.at(9, 1, 950).at(5, 5, 110).at(5, 6, -10).at(1, 9, COIN);
    // The exchange loses 110 - 10, and an undefended piece its whole code.
    EXPECT_DOUBLE_EQ(board_safety(b.analysed(), b.computer.maps, b.computer.memory, 110, 5, 5), -100 - 110);
    b.computer.memory.turn_start_board[5][5] = -100;  // the gold took a silver there
    EXPECT_DOUBLE_EQ(board_safety(b.analysed(), b.computer.maps, b.computer.memory, 110, 5, 5), -100 - 110 + 100);
}

TEST(Safety, AnExposedCampPieceLosesEvenWhenItsAttackerIsPinned) {
    // A gold on (5,3), defended once and attacked once by the pawn on (5,4),
    // with a lance behind the pawn.  The pin spares the exchange term only.
    Board b;
    b.at(9, 1, 950).at(5, 3, 110).at(4, 2, 100).at(5, 4, -10).at(5, 9, -20).at(1, 9, COIN);
    GameState& s = b.analysed();
    // The exchange: -110 + 10.  The exposure: the gold and the value of the
    // "cheapest attacker" of the pawn's square, which holds no upper piece
    // and so keeps its reset value -999.
    EXPECT_DOUBLE_EQ(board_safety(s, b.computer.maps, b.computer.memory, 110, 5, 3), -100 - (110 + 999));
    b.computer.memory.lower_pins[5][4] = 1;
    EXPECT_DOUBLE_EQ(board_safety(s, b.computer.maps, b.computer.memory, 110, 5, 3), -(110 + 999));
}

TEST(Safety, EmptySquaresCountOnlyTheirCoverWhenTheHandIsEmpty) {
    // A bishop-check square, a knight-fork square and camp squares: none of
    // it matters without pieces in the person's hand.
    Board b;
    b.at(5, 1, 950).at(4, 1, 110).at(6, 1, 110).at(4, 3, 10).at(6, 3, 10).at(9, 9, COIN);
    double empty_hand = board_safety(b.analysed(), b.computer.maps, b.computer.memory, 110, 4, 1);
    EXPECT_DOUBLE_EQ(empty_hand, 0);
    b.lower_hand(3, 1);  // a knight: (5,5) forks the two pawns? No: codes above 10 only
    b.at(4, 3, 100).at(6, 3, 100);
    double knight = board_safety(b.analysed(), b.computer.maps, b.computer.memory, 110, 4, 1);
    EXPECT_LE(knight, -20);
}

TEST(Queries, EscapeSquaresAreEmptyAndUncovered) {
    Board b;
    b.at(5, 9, -950).at(4, 9, -110).at(6, 7, 10).at(1, 1, COIN);
    GameState& s = b.analysed();
    // (5,8), (4,8) and (6,9); (6,8) is covered by the pawn, (4,9) occupied.
    EXPECT_EQ(count_escape_squares(s, b.computer.maps), 3);
}

TEST(Queries, FileExposureLooksDownTheColumnForLancesAndRooks) {
    Board b;
    b.at(5, 9, -20).at(5, 3, 110).at(1, 9, COIN);
    GameState& s = b.analysed();
    EXPECT_EQ(file_exposure(s, 5, 3), 1);
    EXPECT_EQ(s.code_at(5, 3), 110);  // put back
    b.at(5, 6, -10);  // walked over, but it blocks the lance
    EXPECT_EQ(file_exposure(s, 5, 3), 0);
    b.at(5, 6, 10);  // a computer piece ends the walk
    EXPECT_EQ(file_exposure(s, 5, 3), 0);
    b.at(5, 6, EMPTY).at(5, 9, -900);
    EXPECT_EQ(file_exposure(s, 5, 3), 1);
    b.at(5, 9, -800);
    EXPECT_EQ(file_exposure(s, 5, 3), 0);
}

TEST(Queries, MajorNeighboursCountEveryCodeFrom800Up) {
    Board b;
    b.at(5, 1, 950).at(4, 2, 900).at(6, 2, -900).at(6, 3, 801).at(4, 3, 110);
    EXPECT_EQ(major_neighbours(b.s, 5, 2), -3);
}

TEST(Queries, SafeMobilityCountsUncoveredDestinations) {
    Board b;
    b.at(1, 1, 950).at(5, 5, COIN).at(3, 3, -10);
    GameState& s = b.analysed();
    // (2,1), (1,2), (2,2): the pawn on (3,3) covers (3,2) only.
    EXPECT_EQ(safe_mobility(s, b.computer.maps, 1, 1, 950), 3);
    b.at(2, 3, -10);  // covers (2,2)
    EXPECT_EQ(safe_mobility(b.analysed(), b.computer.maps, 1, 1, 950), 2);
}

// The person's king in the corner behind its lances.
Board cornered() {
    Board b;
    b.at(1, 9, -950).at(2, 8, -20).at(2, 9, -20).at(5, 1, COIN);
    return b;
}

TEST(HumanMate, NotAttackedIsNoMate) {
    Board b = cornered();
    b.at(3, 7, 110);
    EXPECT_EQ(is_mated(b.analysed(), b.computer.maps), 0);
}

TEST(HumanMate, AnAdjacentCheckerIsNotSavedByADrop) {
    Board b = cornered();
    b.at(1, 8, 110).at(1, 7, 10).lower_hand(5, 1);
    Grid before = b.s.codes();
    EXPECT_EQ(is_mated(b.analysed(), b.computer.maps), 1);
    EXPECT_EQ(b.s.codes(), before);
}

TEST(HumanMate, ALineCheckIsBlockedByADrop) {
    Board b = cornered();
    b.at(1, 1, 20);
    EXPECT_EQ(is_mated(b.analysed(), b.computer.maps), 1);
    b.lower_hand(5, 1);
    EXPECT_EQ(is_mated(b.analysed(), b.computer.maps), 0);
    // Only pawns, and a pawn of its own in the column: no blocker.
    Board c = cornered();
    c.at(1, 1, 20).lower_hand(1, 1);
    c.s.lower_pawn_file[1] = 1;
    EXPECT_EQ(is_mated(c.analysed(), c.computer.maps), 1);
    c.s.lower_pawn_file[1] = 0;
    EXPECT_EQ(is_mated(c.analysed(), c.computer.maps), 0);
}

TEST(HumanMate, ABoardPieceThatTakesTheCheckerSaves) {
    Board b = cornered();
    b.at(1, 8, 110).at(1, 7, 10).at(3, 9, -110);  // this gold can't reach (1,8)
    EXPECT_EQ(is_mated(b.analysed(), b.computer.maps), 1);
    b.at(2, 7, -100);  // a silver can: (2,7) -> (1,8)
    EXPECT_EQ(is_mated(b.analysed(), b.computer.maps), 0);
}

TEST(Pins, PiecesInFrontOfAKingArePinned) {
    Board b;
    b.at(5, 9, -950).at(5, 7, -100).at(5, 2, 900).at(1, 1, 950).at(1, 5, -20).at(1, 3, 10);
    b.at(9, 9, COIN);
    GameState& s = b.analysed();
    compute_pin_maps(s, b.computer.memory);
    // With the coin on (9,9) the rook cannot move down the column: nothing
    // is pinned against the person's king.
    EXPECT_EQ(b.computer.memory.lower_pins[5][7], 0);
    // The lance below the computer's pawn pins it against (1,1).
    EXPECT_EQ(b.computer.memory.upper_pins[1][3], 1);
    EXPECT_EQ(b.computer.memory.upper_pinned(), 1);
    EXPECT_EQ(b.computer.memory.upper_pins[5][2], 0);

    b.at(9, 9, EMPTY).at(9, 1, COIN);
    compute_pin_maps(s, b.computer.memory);
    EXPECT_EQ(b.computer.memory.lower_pins[5][7], 1);
    EXPECT_EQ(b.computer.memory.upper_pins[1][3], 0);  // now the coin stops the lance
    EXPECT_EQ(b.computer.memory.upper_pinned(), 0);
    EXPECT_EQ(s.codes(), b.s.codes());
}

TEST(Pins, BishopCheckSquaresAreOpenDiagonalsToTheComputerKing) {
    Board b;
    b.at(5, 1, 950).at(4, 1, 110).at(5, 5, COIN);
    GameState& s = b.analysed();
    compute_bishop_check_squares(s, b.computer.maps, b.computer.memory);
    // (6,2) is covered once, by the king itself: still counted next to it.
    EXPECT_EQ(b.computer.memory.bishop_check_squares[6][2], 1);
    EXPECT_EQ(b.computer.memory.bishop_check_squares[7][3], 1);
    // (4,2) is covered by the king and the gold.
    EXPECT_EQ(b.computer.memory.bishop_check_squares[4][2], 0);
    // (3,3) looks through the empty (4,2); covered once away from the king
    // it is no longer counted.
    EXPECT_EQ(b.computer.memory.bishop_check_squares[3][3], 1);
    b.at(3, 2, 10);
    compute_bishop_check_squares(b.analysed(), b.computer.maps, b.computer.memory);
    EXPECT_EQ(b.computer.memory.bishop_check_squares[3][3], 0);
    EXPECT_EQ(b.computer.memory.bishop_check_squares[5][1], 0);  // occupied squares never
}

}  // namespace
}  // namespace rindou::test
