// The game's words as types: a side, a kind of piece, a piece, a square and
// a move.  Each is a small value without cost (an enum or a packed 16-bit
// code), so that the game and the searches can hold and index by them
// directly; integers appear only where a file, the console or a grid of the
// game needs them, through the conversions at the end of each section.
#pragma once

#include <cstdint>

namespace rindou {

// ---- Sides -----------------------------------------------------------------
// The upper side plays the positive codes and moves towards row 9; the lower
// side the negative codes, towards row 1.  As an index a side is 0 or 1, so
// that arrays of two (hands, kings, pieces of each side) take it as it is.
enum Side : uint8_t { UPPER = 0, LOWER = 1, NO_SIDE = 2 };
constexpr int SIDE_COUNT = 2;

constexpr Side operator~(Side s) { return Side(s ^ 1); }
constexpr Side opposite(Side s) { return ~s; }

// The sign of a side's piece codes: +1 for the upper side, -1 for the lower.
constexpr int sign_of(Side s) { return s == UPPER ? 1 : -1; }
// The side of a non-zero signed number (a piece code, a sign).
constexpr Side side_of_sign(int v) { return v > 0 ? UPPER : LOWER; }
// A side or none as the console and the saved games write it: +1 for the
// upper side, -1 for the lower, 0 for none; and back.
constexpr int turn_value(Side s) { return s == NO_SIDE ? 0 : sign_of(s); }
constexpr Side side_of_turn_value(int v) { return v == 0 ? NO_SIDE : side_of_sign(v); }

// ---- Kinds of piece ----------------------------------------------------------
// The kinds that can be held in hand come first, in the order of the hand's
// slots 1..7, so that a hand kind is its slot.
enum PieceKind : uint8_t {
    NO_KIND = 0,
    PAWN = 1, LANCE, KNIGHT, SILVER, GOLD, BISHOP, ROOK,
    KING,
    PROMOTED_PAWN, PROMOTED_LANCE, PROMOTED_KNIGHT, PROMOTED_SILVER, HORSE, DRAGON,
};
constexpr int KIND_COUNT = 15;
constexpr int HAND_KIND_COUNT = 8;  // hand kinds are 1..7

// So that `for (PieceKind k = PAWN; k <= ROOK; ++k)` walks the hand kinds.
constexpr PieceKind& operator++(PieceKind& k) { return k = PieceKind(k + 1); }

constexpr bool is_hand_kind(PieceKind k) { return k >= PAWN && k <= ROOK; }
constexpr bool is_promoted(PieceKind k) { return k >= PROMOTED_PAWN; }
// Golds and kings never promote.
constexpr bool promotable(PieceKind k) { return is_hand_kind(k) && k != GOLD; }
// The promoted form of a promotable kind; NO_KIND for any other.
constexpr PieceKind promoted_kind(PieceKind k) {
    constexpr PieceKind TO[KIND_COUNT] = {NO_KIND,         PROMOTED_PAWN, PROMOTED_LANCE, PROMOTED_KNIGHT,
                                          PROMOTED_SILVER, NO_KIND,       HORSE,          DRAGON,
                                          NO_KIND,         NO_KIND,       NO_KIND,        NO_KIND,
                                          NO_KIND,         NO_KIND,       NO_KIND};
    return TO[k];
}
// The kind a piece goes back to when it is captured into a hand (a king and
// the unpromoted kinds stay as they are).
constexpr PieceKind base_kind(PieceKind k) {
    constexpr PieceKind TO[KIND_COUNT] = {NO_KIND, PAWN,  LANCE, KNIGHT, SILVER, GOLD,   BISHOP, ROOK,
                                          KING,    PAWN,  LANCE, KNIGHT, SILVER, BISHOP, ROOK};
    return TO[k];
}

// ---- Pieces -------------------------------------------------------------------
// A piece of a side: its kind, positive for the upper side and negative for
// the lower, as the game's codes are signed.
enum Piece : int8_t { NO_PIECE = 0 };

constexpr Piece make_piece(Side s, PieceKind k) { return Piece(s == UPPER ? k : -k); }
constexpr PieceKind kind_of(Piece p) { return PieceKind(p < 0 ? -p : p); }
// The side of a piece (not of NO_PIECE).
constexpr Side side_of(Piece p) { return p > 0 ? UPPER : LOWER; }
constexpr bool is_promoted(Piece p) { return is_promoted(kind_of(p)); }

// The piece's code as the record file, the console and the game's grids
// write it: 10 (pawn) ... 950 (king), a promoted kind one more than its own,
// negative for the lower side.
constexpr int code_of(Piece p) {
    constexpr int CODE[KIND_COUNT] = {0, 10, 20, 30, 100, 110, 800, 900, 950, 11, 21, 31, 101, 801, 901};
    return p < 0 ? -CODE[-p] : CODE[p];
}
// The piece of a code, or NO_PIECE for 0, the coin and any stray number.
constexpr Piece piece_from_code(int code) {
    const int m = code < 0 ? -code : code;
    PieceKind k = NO_KIND;
    switch (m) {
    case 10: k = PAWN; break;
    case 11: k = PROMOTED_PAWN; break;
    case 20: k = LANCE; break;
    case 21: k = PROMOTED_LANCE; break;
    case 30: k = KNIGHT; break;
    case 31: k = PROMOTED_KNIGHT; break;
    case 100: k = SILVER; break;
    case 101: k = PROMOTED_SILVER; break;
    case 110: k = GOLD; break;
    case 800: k = BISHOP; break;
    case 801: k = HORSE; break;
    case 900: k = ROOK; break;
    case 901: k = DRAGON; break;
    case 950: k = KING; break;
    default: return NO_PIECE;
    }
    return make_piece(side_of_sign(code), k);
}

// ---- Squares ------------------------------------------------------------------
// A square of the board, by column and row 1..9, numbered column by column:
// (column - 1) * 9 + (row - 1).  The cells of the hands beside the board are
// not squares.
enum Square : uint8_t { FIRST_SQUARE = 0, LAST_SQUARE = 80, NO_SQUARE = 81 };
constexpr int SQUARE_COUNT = 81;

constexpr Square make_square(int col, int row) { return Square((col - 1) * 9 + (row - 1)); }
constexpr int col_of(Square s) { return s / 9 + 1; }
constexpr int row_of(Square s) { return s % 9 + 1; }

// So that `for (Square s = FIRST_SQUARE; s <= LAST_SQUARE; ++s)` walks the board.
constexpr Square& operator++(Square& s) { return s = Square(s + 1); }

// ---- Moves -------------------------------------------------------------------
// A move: a board move from a square to a square, promoting or not; a drop of
// a hand kind onto a square; or a pass.  Sixteen bits: the destination in
// bits 0..6, the origin in bits 7..13 (a square, or 80 + the kind for a
// drop), promotion in bit 14; a pass is bit 15 alone.  No move has the code
// 0 (a board move never stays on its square), which marks "no move".
class Move {
public:
    constexpr Move() = default;

    static constexpr Move board(Square from, Square to, bool promote = false) {
        return Move(static_cast<uint16_t>(to | from << 7 | (promote ? 1 << 14 : 0)));
    }
    static constexpr Move drop(PieceKind k, Square to) {
        return Move(static_cast<uint16_t>(to | (SQUARE_COUNT - 1 + k) << 7));
    }
    static constexpr Move pass() { return Move(PASS_BIT); }
    // The move of a raw code as raw() gave it.
    static constexpr Move from_raw(uint16_t raw) { return Move(raw); }

    constexpr bool is_none() const { return v_ == 0; }
    constexpr bool is_pass() const { return v_ == PASS_BIT; }
    // (A pass has origin 0 and no promotion bit, so neither test below needs
    // to rule it out.)
    constexpr bool is_drop() const { return origin() >= SQUARE_COUNT; }
    constexpr Square to() const { return Square(v_ & 127); }
    // The origin of a board move.
    constexpr Square from() const { return Square(origin()); }
    // The origin as a number 0..87: the square of a board move, 80 + the
    // kind of a drop (tables of moves by origin and destination use it).
    constexpr int origin() const { return v_ >> 7 & 127; }
    // The kind a drop puts down.
    constexpr PieceKind dropped() const { return PieceKind(origin() - (SQUARE_COUNT - 1)); }
    constexpr bool promotes() const { return (v_ >> 14 & 1) != 0; }
    // The same move asking to promote, which the rules then judge: a drop
    // that asks it is a move no rule allows, as a board move asking it
    // outside the zone is.
    constexpr Move asking_promotion() const { return is_pass() ? *this : Move(v_ | 1u << 14); }
    constexpr uint16_t raw() const { return v_; }

    constexpr bool operator==(Move o) const { return v_ == o.v_; }
    constexpr bool operator!=(Move o) const { return v_ != o.v_; }

private:
    static constexpr uint16_t PASS_BIT = 1u << 15;
    constexpr explicit Move(uint16_t v) : v_(v) {}
    uint16_t v_ = 0;
};

}  // namespace rindou
