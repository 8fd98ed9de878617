// The game's words as types, at the edges where they meet the integers of
// the files, the console and the game's grids.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/record_store.h"
#include "core/rules.h"
#include "core/state.h"
#include "core/types.h"

namespace rindou {
namespace {

// Every code the game writes for a piece turns into a piece of the right
// side and kind and back into the same code, its promotion and its return
// to the hand agree with the game's own rules, and nothing else is a piece.
TEST(Types, PieceCodesRoundTripAndAgreeWithTheGame) {
    const int codes[] = {HU, KYOU, KEI, GIN, KIN, KAKU, SYA, OU, TOKIN, NARIKYOU, NARIKEI, NARIGIN, UMA, RYU};
    std::set<int> kinds;
    for (int code : codes)
        for (int sign : {1, -1}) {
            const int c = sign * code;
            const Piece p = piece_from_code(c);
            ASSERT_NE(p, NO_PIECE) << c;
            EXPECT_EQ(code_of(p), c);
            EXPECT_EQ(side_of(p), sign > 0 ? UPPER : LOWER);
            EXPECT_EQ(sign_of(side_of(p)), sign);
            EXPECT_EQ(make_piece(side_of(p), kind_of(p)), p);
            EXPECT_EQ(is_promoted(p), code % 10 == 1) << c;
            // The game promotes a code by one step and sends a captured piece
            // to the hand slot of its base kind.
            const PieceKind k = kind_of(p);
            if (promotable(k)) {
                EXPECT_EQ(code_of(make_piece(side_of(p), promoted_kind(k))), promoted(c));
            } else {
                EXPECT_EQ(promoted_kind(k), NO_KIND);
            }
            if (k != KING) {
                EXPECT_EQ(base_kind(k), hand_slot(c)) << c;
                EXPECT_EQ(code_of(make_piece(UPPER, base_kind(k))), SLOT_CODE[base_kind(k)]);
            }
            kinds.insert(k);
        }
    EXPECT_EQ(kinds.size(), size_t(KIND_COUNT - 1));
    for (int c = -1000; c <= 1000; ++c) {
        if (!is_piece_code(c)) {
            EXPECT_EQ(piece_from_code(c), NO_PIECE) << c;
        }
    }
}

TEST(Types, SidesSquaresAndMovesRoundTrip) {
    EXPECT_EQ(~UPPER, LOWER);
    EXPECT_EQ(opposite(LOWER), UPPER);
    EXPECT_EQ(side_of_sign(1), UPPER);
    EXPECT_EQ(side_of_sign(-1), LOWER);

    int count = 0;
    for (Square s = FIRST_SQUARE; s <= LAST_SQUARE; ++s, ++count) {
        EXPECT_EQ(int(s), count);
        EXPECT_TRUE(on_board(col_of(s), row_of(s)));
        EXPECT_EQ(make_square(col_of(s), row_of(s)), s);
    }
    EXPECT_EQ(count, SQUARE_COUNT);

    // Every board move, drop and the pass is told apart from every other and
    // from "no move", and reads back as it was made.
    std::set<uint16_t> seen;
    for (Square to = FIRST_SQUARE; to <= LAST_SQUARE; ++to) {
        for (Square from = FIRST_SQUARE; from <= LAST_SQUARE; ++from) {
            if (from == to) continue;
            for (bool promote : {false, true}) {
                const Move m = Move::board(from, to, promote);
                ASSERT_TRUE(!m.is_none() && !m.is_pass() && !m.is_drop());
                ASSERT_EQ(m.from(), from);
                ASSERT_EQ(m.to(), to);
                ASSERT_EQ(m.promotes(), promote);
                ASSERT_EQ(Move::from_raw(m.raw()), m);
                ASSERT_TRUE(seen.insert(m.raw()).second);
            }
        }
        for (PieceKind k = PAWN; k <= ROOK; ++k) {
            const Move m = Move::drop(k, to);
            ASSERT_TRUE(!m.is_none() && !m.is_pass() && m.is_drop() && !m.promotes());
            ASSERT_EQ(m.dropped(), k);
            ASSERT_EQ(m.to(), to);
            ASSERT_TRUE(seen.insert(m.raw()).second);
        }
    }
    const Move pass = Move::pass();
    EXPECT_TRUE(pass.is_pass() && !pass.is_drop() && !pass.promotes() && !pass.is_none());
    EXPECT_TRUE(seen.insert(pass.raw()).second);
    EXPECT_TRUE(Move().is_none());
    EXPECT_EQ(seen.count(Move().raw()), 0u);
}

// A move's record entry carries its pieces and what it takes and names the
// move again.  A drop is written as the record files always have: by the
// slot where the computer or the search makes it, by the hand cell pressed
// where a person does.  Played, a drop leaves the hand of the side that
// drops.
TEST(Types, RecordEntriesWriteMovesAsTheRecordDoes) {
    Position pos;
    pos.put(make_square(3, 6), make_piece(UPPER, SILVER));
    pos.put(make_square(3, 7), make_piece(LOWER, PAWN));
    pos.hand[UPPER][GOLD] = pos.hand[LOWER][GOLD] = 1;
    const auto fields = [](const RecordEntry& e) {
        return std::vector<int>{e.from_col, e.from_row, e.to_col, e.to_row, e.piece_before, e.captured, e.piece_after};
    };
    const Move up = Move::board(make_square(3, 6), make_square(3, 7), true);
    const RecordEntry e = record_entry(pos, UPPER, up, DropNaming::PressedCell);
    EXPECT_EQ(fields(e), (std::vector<int>{3, 6, 3, 7, GIN, -HU, NARIGIN}));
    EXPECT_EQ(move_of(e), up);
    const Move stay = Move::board(make_square(3, 6), make_square(3, 7));
    EXPECT_EQ(record_entry(pos, UPPER, stay, DropNaming::Slot).piece_after, GIN);

    const Square to = make_square(5, 4);
    const Move drop = Move::drop(GOLD, to);
    const struct {
        Side side;
        DropNaming naming;
        int col, row;
    } cases[] = {{UPPER, DropNaming::Slot, UPPER_HAND_COL, KIN_SLOT},
                 {LOWER, DropNaming::Slot, UPPER_HAND_COL, KIN_SLOT},
                 {UPPER, DropNaming::PressedCell, UPPER_HAND_COL, upper_hand_row(KIN_SLOT)},
                 {LOWER, DropNaming::PressedCell, LOWER_HAND_COL, lower_hand_row(KIN_SLOT)}};
    for (const auto& c : cases) {
        const int gold = c.side == UPPER ? KIN : -KIN;
        const RecordEntry d = record_entry(pos, c.side, drop, c.naming);
        EXPECT_EQ(fields(d), (std::vector<int>{c.col, c.row, 5, 4, gold, EMPTY, gold})) << c.side;
        EXPECT_EQ(move_of(d), drop);
        Position after = pos;
        const RecordEntry played = apply_move(after, c.side, drop).played;
        EXPECT_EQ(played.piece_after, gold);
        EXPECT_EQ(after.piece_on(to), make_piece(c.side, GOLD));
        EXPECT_EQ(after.hand[c.side][GOLD], 0);
        EXPECT_EQ(after.hand[~c.side][GOLD], 1);
    }
    EXPECT_TRUE(record_entry(pos, UPPER, Move::pass(), DropNaming::Slot).pass());
    EXPECT_EQ(move_of(RecordEntry{}), Move::pass());
}

}  // namespace
}  // namespace rindou
