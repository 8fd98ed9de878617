#include "core/rules.h"

#include <cstdlib>

#include "core/movement.h"


namespace rindou {

namespace {

inline int at(const Position& s, int c, int r) { return s.code_at(c, r); }

// Whether nothing stands on a square as the grids read it: the coin, and a
// piece the computer has set down on the coin's square, are something.
inline auto empty_on(const Position& s) {
    return [&s](Square sq) { return s.code_at(sq) == EMPTY; };
}

// The kind held in a hand slot 1..7 as the hand cells and the record number
// them (a hand kind is its slot); NO_KIND for any other number.
PieceKind kind_of_slot(int slot) { return slot >= 1 && slot <= 7 ? PieceKind(slot) : NO_KIND; }

}  // namespace

int hand_slot(int code) {
    switch (std::abs(code)) {
        case HU: case TOKIN: return 1;
        case KYOU: case NARIKYOU: return 2;
        case KEI: case NARIKEI: return 3;
        case GIN: case NARIGIN: return 4;
        case KIN: return 5;
        case KAKU: case UMA: return 6;
        case SYA: case RYU: return 7;
        default: return 0;
    }
}

bool is_piece_code(int code) {
    switch (std::abs(code)) {
        case HU: case TOKIN: case KYOU: case NARIKYOU: case KEI: case NARIKEI: case GIN: case NARIGIN:
        case KIN: case KAKU: case UMA: case SYA: case RYU: case OU:
            return true;
        default:
            return false;
    }
}

int is_legal_move(const Position& s, int fc, int fr, int tc, int tr, int piece) {
    const bool board_move = fc >= 1 && fc <= 9;
    const bool drop = fc == LOWER_HAND_COL || fc == UPPER_HAND_COL;

    // On the board and not the origin.
    if (!on_board(tc, tr)) return 0;
    if (tc == fc && tr == fr) return 0;
    // A board move needs an origin on the board; anything else is no move.
    if (board_move && !on_board(fc, fr)) return 0;
    if (!board_move && !drop) return 0;
    const Square to = make_square(tc, tr);
    // Not onto one's own piece.
    int dest = at(s, tc, tr);
    if (piece >= HU && dest >= HU) return 0;
    if (piece <= -HU && dest <= -HU) return 0;
    // The coin must be able to follow a board move.
    if (board_move && !coin_may_follow(s.coin, make_square(fc, fr), to, empty_on(s))) return 0;
    // Drops only onto an empty square.
    if (drop && dest != EMPTY) return 0;
    // What the code names: anything but a piece (the coin, a stray code)
    // has no rule of its own beyond those above.
    const Piece p = piece_from_code(piece);
    if (p == NO_PIECE) return 1;
    const Side side = side_of(p);
    if (drop) {
        const bool pawn_on_file = (side == LOWER ? s.lower_pawn_file : s.upper_pawn_file)[tc] == 1;
        return may_drop(side, kind_of(p), tr, pawn_on_file) ? 1 : 0;
    }
    return reaches(side, kind_of(p), make_square(fc, fr), to, empty_on(s)) ? 1 : 0;
}

int may_stay_unpromoted(int to_row, int piece) {
    const Piece p = piece_from_code(piece);
    if (p == NO_PIECE) return 1;
    return may_stand_unpromoted(side_of(p), kind_of(p), to_row) ? 1 : 0;
}

int promotion_on(int fc, int fr, int tr, int piece) {
    if (fc == LOWER_HAND_COL || fc == UPPER_HAND_COL) return 0;
    const Piece p = piece_from_code(piece);
    if (p == NO_PIECE) return 0;
    return may_promote(side_of(p), kind_of(p), fr, tr) ? promoted(piece) : 0;
}

int can_promote(int fc, int fr, int /*tc*/, int tr, int piece) {
    return promotion_on(fc, fr, tr, piece) != 0 ? 1 : 0;
}

Side add_captured_to_hand(Position& s, int code) {
    // The piece goes to the side that took it: the other side of the
    // piece's own.  A promoted piece goes to the hand as its own kind.
    const Piece piece = piece_from_code(code);
    if (piece == NO_PIECE) return NO_SIDE;
    const Side taker = ~side_of(piece);
    if (kind_of(piece) == KING) return taker;
    const PieceKind kind = base_kind(kind_of(piece));
    if (is_hand_kind(kind)) s.hand[taker][kind] += 1;
    return NO_SIDE;
}

// The flags are kept by column, 1..9, as the drops name them.
void scan_pawn_files(Position& s) {
    for (int col = 1; col <= 9; ++col) s.lower_pawn_file[col] = s.upper_pawn_file[col] = 0;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        const int col = col_of(sq);
        if (s.piece_on(sq) == make_piece(LOWER, PAWN)) s.lower_pawn_file[col] = 1;
        if (s.piece_on(sq) == make_piece(UPPER, PAWN)) s.upper_pawn_file[col] = 1;
    }
}

int has_no_board_move(const Position& s, Side side) {
    if (side == NO_SIDE) return 1;
    // The pieces as sets, the coin among the occupied squares; then, as the
    // deep search asks it, whether any piece reaches a square not its own
    // side's to which the coin can follow.
    const MoveTables& t = move_tables();
    SquareBits own = 0, occ = bit(s.coin);
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        const Piece p = s.piece_on(sq);
        if (p == NO_PIECE) continue;
        occ |= bit(sq);
        if (side_of(p) == side) own |= bit(sq);
    }
    const SquareBits empty = ~occ & BOARD_BITS;
    for (Square from = FIRST_SQUARE; from <= LAST_SQUARE; ++from) {
        if (!(own & bit(from))) continue;
        const PieceKind k = kind_of(s.piece_on(from));
        if ((pattern_reach(t, side, k, from, occ) & ~own & coin_follows(t, from, s.coin, empty)) != 0) return 0;
    }
    return 1;
}

MoveOutcome apply_move(Position& s, int fc, int fr, int tc, int tr, int piece) {
    const bool board_move = fc >= 1 && fc <= 9;
    MoveOutcome out;
    RecordEntry& e = out.played;
    e.from_col = fc;
    e.from_row = fr;
    e.to_col = tc;
    e.to_row = tr;
    e.piece_before = board_move ? at(s, fc, fr) : piece;
    e.captured = at(s, tc, tr);
    e.piece_after = piece;
    out.king_taken_by = add_captured_to_hand(s, out.played.captured);
    s.put(make_square(tc, tr), piece_from_code(piece));
    if (piece == -OU) {
        s.lower_king_col = tc;
        s.lower_king_row = tr;
    }
    if (fc == UPPER_HAND_COL || fc == LOWER_HAND_COL) {
        // The hand cell the drop came from names the kind taken from the
        // hand (an upper drop's row is its slot).
        const Side side = fc == UPPER_HAND_COL ? UPPER : LOWER;
        const PieceKind kind = kind_of_slot(side == UPPER ? fr : lower_hand_slot(fr));
        if (kind != NO_KIND && s.hand[side][kind] > 0) s.hand[side][kind] -= 1;
    } else {
        s.clear(make_square(fc, fr));
    }
    if (board_move) s.move_coin(coin_after(s.coin, make_square(fc, fr), make_square(tc, tr)));
    return out;
}

MoveOutcome apply_move(Position& s, Side side, Move m) {
    if (m.is_pass() || m.is_none()) return {};
    const int tc = col_of(m.to()), tr = row_of(m.to());
    if (m.is_drop()) {
        const PieceKind k = m.dropped();
        const int piece = code_of(make_piece(side, k));
        if (side == UPPER) return apply_move(s, UPPER_HAND_COL, k, tc, tr, piece);
        return apply_move(s, LOWER_HAND_COL, lower_hand_row(k), tc, tr, piece);
    }
    const int before = s.code_at(m.from());
    return apply_move(s, col_of(m.from()), row_of(m.from()), tc, tr, m.promotes() ? promoted(before) : before);
}

}  // namespace rindou
