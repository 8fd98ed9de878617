// Move rules: the coin rule, slides, drops, promotion, captures and passes.
#include <gtest/gtest.h>

#include "core/consistency.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "play/move.h"
#include "tests/support/test_game.h"

namespace rindou {
namespace {

// An empty board with the coin on (cc, cr).
GameState empty_board(int cc = 5, int cr = 5) {
    GameState s;
    s.squares.fill(NO_PIECE);
    s.put_code(make_square(cc, cr), COIN);
    s.move_coin(make_square(cc, cr));
    return s;
}

void put(GameState& s, int c, int r, int code) {
    s.put_code(make_square(c, r), code);
}

TEST(CoinRule, PawnAdvanceCarriesTheCoinAndTheEdgeStopsIt) {
    test::TestGame t;
    GameState& s = t.g.st;
    EXPECT_EQ(is_legal_move(s, 5, 7, 5, 6, -10), 1);
    execute_move(t.g, 5, 7, 5, 6, -10);
    EXPECT_EQ(s.coin_col(), 5);
    EXPECT_EQ(s.coin_row(), 4);
    EXPECT_EQ(t.at(5, 4), COIN);
    EXPECT_EQ(t.at(5, 5), EMPTY);

    GameState top = empty_board(3, 1);
    put(top, 7, 7, -10);
    EXPECT_EQ(is_legal_move(top, 7, 7, 7, 6, -10), 0);  // the coin would leave the board
    put(top, 4, 6, -110);
    EXPECT_EQ(is_legal_move(top, 4, 6, 4, 7, -110), 1);  // backwards: the coin goes to row 2
}

TEST(CoinRule, CoinTargetMayBeTheOriginSquare) {
    test::TestGame t;
    GameState& s = t.g.st;
    s = empty_board(5, 5);
    put(s, 5, 6, -110);
    ASSERT_EQ(is_legal_move(s, 5, 6, 5, 7, -110), 1);
    execute_move(t.g, 5, 6, 5, 7, -110);
    EXPECT_EQ(t.at(5, 7), -110);
    EXPECT_EQ(t.at(5, 6), COIN);
    EXPECT_EQ(s.coin_row(), 6);
}

TEST(CoinRule, MovingOntoTheCoinPushesIt) {
    test::TestGame t;
    GameState& s = t.g.st;
    s = empty_board(5, 5);
    put(s, 5, 2, 900);
    put(s, 5, 8, -10);
    EXPECT_EQ(is_legal_move(s, 5, 2, 5, 5, 900), 0);  // the coin's target (5, 8) is taken
    put(s, 5, 8, EMPTY);
    ASSERT_EQ(is_legal_move(s, 5, 2, 5, 5, 900), 1);
    execute_move(t.g, 5, 2, 5, 5, 900);
    EXPECT_EQ(t.at(5, 5), 900);
    EXPECT_EQ(t.at(5, 8), COIN);
    EXPECT_EQ(s.coin_row(), 8);
    int coins = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) coins += t.at(c, r) == COIN;
    EXPECT_EQ(coins, 1);
}

TEST(CoinRule, SlidersStopAtTheCoinAndNothingIsDroppedOnIt) {
    GameState s = empty_board(5, 5);
    put(s, 5, 8, -20);
    EXPECT_EQ(is_legal_move(s, 5, 8, 5, 4, -20), 0);  // the lance cannot pass the coin
    put(s, 2, 2, 800);
    EXPECT_EQ(is_legal_move(s, 2, 2, 6, 6, 800), 0);  // nor can the bishop
    EXPECT_EQ(is_legal_move(s, 2, 2, 4, 4, 800), 1);
    put(s, 1, 5, 900);
    EXPECT_EQ(is_legal_move(s, 1, 5, 7, 5, 900), 0);
    scan_pawn_files(s);
    EXPECT_EQ(is_legal_move(s, 11, 9, 5, 5, -900), 0);  // drop onto the coin
    EXPECT_EQ(is_legal_move(s, 11, 9, 5, 6, -900), 1);
}

// The grids read the coin as a code of its own square.  A piece the
// computer sets down there while it tries a move hides the coin, which shows
// again when the piece is taken away; the whole board as a grid agrees.
TEST(CoinRule, TheGridsSeeTheCoinUnlessAPieceIsSetOnIt) {
    GameState s = empty_board(4, 6);
    EXPECT_EQ(s.code_at(4, 6), COIN);
    EXPECT_EQ(s.code_at(0, 6), EMPTY);
    s.put(make_square(4, 6), make_piece(LOWER, ROOK));
    EXPECT_EQ(s.code_at(4, 6), -SYA);
    s.clear(make_square(4, 6));
    EXPECT_EQ(s.code_at(4, 6), COIN);
    s.move_coin(make_square(9, 1));
    const Grid g = s.codes();
    EXPECT_EQ(g[9][1], COIN);
    EXPECT_EQ(g[4][6], EMPTY);
}

TEST(Drops, PawnFilesAndRowLimits) {
    GameState s = empty_board(5, 5);
    put(s, 3, 6, -11);  // a promoted pawn does not block a pawn drop
    put(s, 4, 6, -10);
    scan_pawn_files(s);
    EXPECT_EQ(is_legal_move(s, 11, 3, 3, 4, -10), 1);
    EXPECT_EQ(is_legal_move(s, 11, 3, 4, 4, -10), 0);
    EXPECT_EQ(is_legal_move(s, 11, 3, 6, 1, -10), 0);
    EXPECT_EQ(is_legal_move(s, 11, 5, 6, 3, -30), 1);
    EXPECT_EQ(is_legal_move(s, 11, 5, 6, 2, -30), 0);
    EXPECT_EQ(is_legal_move(s, 11, 5, 6, 1, -30), 0);
    EXPECT_EQ(is_legal_move(s, 11, 6, 6, 1, -100), 1);
    EXPECT_EQ(is_legal_move(s, -1, 7, 6, 9, 10), 0);
    EXPECT_EQ(is_legal_move(s, -1, 5, 6, 8, 30), 0);
    EXPECT_EQ(is_legal_move(s, -1, 5, 6, 7, 30), 1);
}

TEST(Movement, PiecesMoveAsShogiPiecesDo) {
    GameState s = empty_board(6, 6);
    put(s, 5, 5, -100);
    EXPECT_EQ(is_legal_move(s, 5, 5, 4, 6, -100), 1);  // silver backwards diagonal
    EXPECT_EQ(is_legal_move(s, 5, 5, 5, 6, -100), 0);  // not straight back
    GameState u = empty_board(6, 6);
    put(u, 5, 5, GIN);
    EXPECT_EQ(is_legal_move(u, 5, 5, 4, 4, GIN), 1);  // the other side's silver alike
    EXPECT_EQ(is_legal_move(u, 5, 5, 5, 4, GIN), 0);
    put(s, 3, 5, -30);
    EXPECT_EQ(is_legal_move(s, 3, 5, 2, 3, -30), 1);
    EXPECT_EQ(is_legal_move(s, 3, 5, 3, 3, -30), 0);

    GameState d = empty_board(1, 2);
    put(d, 7, 3, 901);
    EXPECT_EQ(is_legal_move(d, 7, 3, 8, 4, 901), 1);  // dragon's diagonal step
    EXPECT_EQ(is_legal_move(d, 7, 3, 9, 5, 901), 0);
    EXPECT_EQ(is_legal_move(d, 7, 3, 7, 9, 901), 1);
    EXPECT_EQ(is_legal_move(d, 7, 3, 7, 9, 900), 1);
    put(d, 7, 6, 10);
    EXPECT_EQ(is_legal_move(d, 7, 3, 7, 9, 901), 0);  // own pawn in the way
    EXPECT_EQ(is_legal_move(d, 7, 3, 7, 6, 901), 0);  // own piece
    put(d, 7, 6, -10);
    EXPECT_EQ(is_legal_move(d, 7, 3, 7, 6, 901), 1);  // capture
    EXPECT_EQ(is_legal_move(d, 7, 3, 8, 3, 20), 0);    // a lance only goes forward
}

TEST(Promotion, ZonesForcedAndOptional) {
    EXPECT_EQ(can_promote(4, 4, 4, 3, -100), 1);
    EXPECT_EQ(promotion_on(4, 4, 3, -100), -101);
    EXPECT_EQ(can_promote(4, 3, 4, 4, -100), 1);  // leaving the zone
    EXPECT_EQ(can_promote(4, 4, 4, 5, -100), 0);
    EXPECT_EQ(can_promote(11, 3, 4, 2, -10), 0);  // drops never promote
    EXPECT_EQ(can_promote(4, 3, 4, 4, -10), 0);    // a pawn needs to arrive in the zone
    EXPECT_EQ(can_promote(4, 6, 4, 7, 10), 1);
    EXPECT_EQ(promotion_on(4, 6, 7, 10), 11);
    EXPECT_EQ(can_promote(4, 4, 4, 5, -110), 0);
    EXPECT_EQ(may_stay_unpromoted(1, -10), 0);
    EXPECT_EQ(may_stay_unpromoted(2, -30), 0);
    EXPECT_EQ(may_stay_unpromoted(3, -30), 1);
    EXPECT_EQ(may_stay_unpromoted(8, 30), 0);
    EXPECT_EQ(may_stay_unpromoted(9, 20), 0);
    EXPECT_EQ(may_stay_unpromoted(1, -100), 1);
}

TEST(Captures, BaseKindToTheHandAndTheKingDecides) {
    test::TestGame t;
    GameState& s = t.g.st;
    s = empty_board(1, 5);
    // The lower player holds the first turn value here, so that a winner
    // named by the board's side rather than the player's turn shows.
    s.lower_turn = UPPER;
    put(s, 5, 5, -900);
    put(s, 5, 3, 801);
    ASSERT_EQ(is_legal_move(s, 5, 5, 5, 3, -900), 1);
    execute_move(t.g, 5, 5, 5, 3, -900);
    EXPECT_EQ(s.hand[LOWER][6], 1);  // a promoted bishop enters the hand as a bishop
    EXPECT_EQ(s.hand_total(LOWER), 1);
    EXPECT_EQ(s.coin_row(), 3);
    put(s, 5, 2, 950);
    ASSERT_EQ(is_legal_move(s, 5, 3, 5, 2, -900), 1);
    execute_move(t.g, 5, 3, 5, 2, -900);
    EXPECT_EQ(s.winner, s.lower_turn);
    EXPECT_EQ(s.hand_total(LOWER), 1);  // a king goes to nobody's hand

    // A drop takes one from the hand.
    scan_pawn_files(s);
    execute_move(t.g, 11, 8, 7, 7, -800);
    EXPECT_EQ(s.hand[LOWER][6], 0);
    EXPECT_EQ(s.hand_total(LOWER), 0);
    EXPECT_EQ(t.at(7, 7), -800);

    // On the position alone the answer is the side of the board that took
    // the king; the hands are left as they were.
    Position p = s;
    p.put(make_square(6, 6), make_piece(UPPER, BISHOP));
    const MoveOutcome out = apply_move(p, 6, 6, 7, 7, 800);
    EXPECT_EQ(out.king_taken_by, NO_SIDE);
    EXPECT_EQ(out.played.captured, -800);
    EXPECT_EQ(p.hand[UPPER][BISHOP], 1);
    p.put(make_square(7, 8), make_piece(LOWER, KING));
    EXPECT_EQ(apply_move(p, 7, 7, 7, 8, 800).king_taken_by, UPPER);
    EXPECT_EQ(p.hand_total(UPPER), 1);
}

TEST(Pass, BlockedByTheCoinWithPiecesInHand) {
    GameState s = empty_board(5, 1);
    s.lower_turn = LOWER;
    // The lower side has only pawns; every pawn move would push the coin off.
    put(s, 2, 7, -10);
    put(s, 8, 7, -10);
    s.hand[LOWER][5] = 2;
    EXPECT_EQ(has_no_board_move(s, LOWER), 1);
    put(s, 9, 9, -950);  // a king can step sideways: the coin moves sideways too
    EXPECT_EQ(has_no_board_move(s, LOWER), 0);
    EXPECT_EQ(has_no_board_move(s, NO_SIDE), 1);
}

// The consistency check finds each kind of damage a command could leave.
TEST(Consistency, EachKindOfDamageIsNamed) {
    GameState s = empty_board(5, 5);
    EXPECT_EQ(state_problem(s), "");
    GameState t = s;
    // The coin cannot be in two places nor a square hold a stray code: the
    // board has no cell for either.  A piece can still stand on its square.
    put(t, 5, 5, HU);
    EXPECT_NE(state_problem(t), "");
    t = s;
    put(t, 1, 1, -OU);
    put(t, 2, 1, -OU);
    EXPECT_NE(state_problem(t), "");
    t = s;
    t.hand[UPPER][HU_SLOT] = 2;
    EXPECT_EQ(state_problem(t), "");
    t.hand[LOWER][KIN_SLOT] = -1;
    t.hand[LOWER][GIN_SLOT] = 1;
    EXPECT_NE(state_problem(t), "");  // a negative count hidden in a right total
    t = s;
    t.record_count = 3;
    t.record_end = 2;
    EXPECT_NE(state_problem(t), "");
    t.record_end = RECORD_MAX + 1;
    EXPECT_NE(state_problem(t), "");
}

}  // namespace
}  // namespace rindou
