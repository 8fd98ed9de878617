#include "core/rules.h"

#include <cstdlib>


namespace rindou {

namespace {

inline int at(const Position& s, int c, int r) { return s.code_at(c, r); }

// Every square strictly between origin and destination, walked from the
// origin, first along the column and then along the row, must be empty.
bool straight_clear(const Position& s, int fc, int fr, int tc, int tr) {
    if (fc != tc && fr != tr) return false;
    int c = fc, r = fr;
    int sr = tr > fr ? 1 : -1;
    while (r != tr) {
        r += sr;
        if (r == tr && c == tc) return true;
        if (at(s, c, r) != EMPTY) return false;
    }
    int sc = tc > fc ? 1 : -1;
    while (c != tc) {
        c += sc;
        if (c == tc) return true;
        if (at(s, c, r) != EMPTY) return false;
    }
    return true;
}

bool diagonal_clear(const Position& s, int fc, int fr, int tc, int tr) {
    int dc = tc - fc, dr = tr - fr;
    if (std::abs(dc) != std::abs(dr) || dc == 0) return false;
    int sc = dc > 0 ? 1 : -1, sr = dr > 0 ? 1 : -1;
    for (int c = fc + sc, r = fr + sr; c != tc; c += sc, r += sr)
        if (at(s, c, r) != EMPTY) return false;
    return true;
}

bool gold_step(int dc, int dr, int forward) {
    return (std::abs(dc) <= 1 && (dr == 0 || dr == forward)) || (dc == 0 && dr == -forward);
}

bool king_step(int dc, int dr) { return std::abs(dc) <= 1 && std::abs(dr) <= 1; }

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
    int dc = tc - fc, dr = tr - fr;
    bool board_move = fc >= 1 && fc <= 9;
    bool drop = fc == LOWER_HAND_COL || fc == UPPER_HAND_COL;

    // The coin moves by the same displacement: it must stay on the board and
    // land on an empty square or the square the piece leaves.
    if (board_move) {
        int nc = s.coin_col() + dc, nr = s.coin_row() + dr;
        if (!on_board(nc, nr)) return 0;
        if (!(nc == fc && nr == fr) && at(s, nc, nr) != EMPTY) return 0;
    }
    // On the board and not the origin.
    if (!on_board(tc, tr)) return 0;
    if (tc == fc && tr == fr) return 0;
    // A board move needs an origin on the board; anything else is no move.
    if (board_move && !on_board(fc, fr)) return 0;
    if (!board_move && !drop) return 0;
    // Not onto one's own piece.
    int dest = at(s, tc, tr);
    if (piece >= HU && dest >= HU) return 0;
    if (piece <= -HU && dest <= -HU) return 0;
    // Drops: onto an empty square, no second pawn on a file, and no piece
    // where it could never move again.
    if (drop) {
        if (dest != EMPTY) return 0;
        if (piece == -HU && s.lower_pawn_file[tc] == 1) return 0;
        if (piece == HU && s.upper_pawn_file[tc] == 1) return 0;
        switch (piece) {
            case HU: case KYOU: return tr != 9 ? 1 : 0;
            case KEI: return tr <= 7 ? 1 : 0;
            case -HU: case -KYOU: return tr != 1 ? 1 : 0;
            case -KEI: return tr >= 3 ? 1 : 0;
            default: return 1;
        }
    }
    // Movement of each kind.
    switch (piece) {
        case HU: return dc == 0 && dr == 1;
        case KYOU: return dc == 0 && tr > fr && straight_clear(s, fc, fr, tc, tr);
        case KEI: return dr == 2 && std::abs(dc) == 1;
        case GIN: return std::abs(dc) <= 1 && (dr == 1 || (dr == -1 && dc != 0));
        case KIN: case TOKIN: case NARIKYOU: case NARIKEI: case NARIGIN: return gold_step(dc, dr, 1);
        case KAKU: return diagonal_clear(s, fc, fr, tc, tr);
        case UMA: return king_step(dc, dr) || diagonal_clear(s, fc, fr, tc, tr);
        case SYA: return straight_clear(s, fc, fr, tc, tr);
        case RYU: return king_step(dc, dr) || straight_clear(s, fc, fr, tc, tr);
        case OU: case -OU: return king_step(dc, dr);
        case -HU: return dc == 0 && dr == -1;
        case -KYOU: return dc == 0 && tr < fr && straight_clear(s, fc, fr, tc, tr);
        case -KEI: return dr == -2 && std::abs(dc) == 1;
        case -GIN: return std::abs(dc) <= 1 && (dr == -1 || (dr == 1 && dc != 0));
        case -KIN: case -TOKIN: case -NARIKYOU: case -NARIKEI: case -NARIGIN: return gold_step(dc, dr, -1);
        case -KAKU: return diagonal_clear(s, fc, fr, tc, tr);
        case -UMA: return king_step(dc, dr) || diagonal_clear(s, fc, fr, tc, tr);
        case -SYA: return straight_clear(s, fc, fr, tc, tr);
        case -RYU: return king_step(dc, dr) || straight_clear(s, fc, fr, tc, tr);
        default: return 1;  // the coin: only the coin rule and the tests above apply
    }
}

int may_stay_unpromoted(int to_row, int piece) {
    switch (piece) {
        case HU: case KYOU: return to_row == 9 ? 0 : 1;
        case KEI: return to_row >= 8 ? 0 : 1;
        case -HU: case -KYOU: return to_row == 1 ? 0 : 1;
        case -KEI: return to_row <= 2 ? 0 : 1;
        default: return 1;
    }
}

int promotion_on(int fc, int fr, int tr, int piece) {
    if (fc == LOWER_HAND_COL || fc == UPPER_HAND_COL) return 0;
    bool yes = false;
    switch (piece) {
        case -HU: case -KYOU: case -KEI: yes = tr <= 3; break;
        case -GIN: case -KAKU: case -SYA: yes = tr <= 3 || fr <= 3; break;
        case HU: case KYOU: case KEI: yes = tr >= 7; break;
        case GIN: case KAKU: case SYA: yes = tr >= 7 || fr >= 7; break;
        default: yes = false;
    }
    return yes ? promoted(piece) : 0;
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
    const bool upper = side == UPPER;
    for (int fc = 1; fc <= 9; ++fc)
        for (int fr = 1; fr <= 9; ++fr) {
            int p = at(s, fc, fr);
            if (upper ? p < HU : p > -HU) continue;
            for (int tc = 1; tc <= 9; ++tc)
                for (int tr = 1; tr <= 9; ++tr)
                    if (is_legal_move(s, fc, fr, tc, tr, p)) return 0;
        }
    return 1;
}

MoveOutcome apply_move(Position& s, int fc, int fr, int tc, int tr, int piece) {
    const bool board_move = fc >= 1 && fc <= 9;
    MoveOutcome out;
    out.played = Move{fc, fr, tc, tr, board_move ? at(s, fc, fr) : piece, at(s, tc, tr), piece};
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
    if (board_move) s.move_coin(make_square(s.coin_col() + tc - fc, s.coin_row() + tr - fr));
    return out;
}

}  // namespace rindou
