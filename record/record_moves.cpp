#include "record/record_moves.h"

#include <cstdlib>

#include "core/rules.h"
#include "core/types.h"

namespace rindou {

namespace {

int cell(const Position& s, int c, int r) { return s.code_at(c, r); }

// The kind a piece is held as in hand, which is also its slot there;
// NO_KIND for a king, the coin, an empty square or a stray code from a file.
PieceKind hand_kind(int code) {
    const PieceKind k = base_kind(kind_of(piece_from_code(code)));
    return is_hand_kind(k) ? k : NO_KIND;
}

bool is_drop(const RecordEntry& e) {
    return e.from_col == LOWER_HAND_COL || e.from_col == UPPER_HAND_COL;
}
bool same_side(int a, int b) { return (a >= HU && b >= HU) || (a <= -HU && b <= -HU); }

// A piece of a base kind that may promote: pawn, lance, knight, silver,
// bishop, rook.
bool promotable_code(int code) {
    const Piece p = piece_from_code(code);
    return p != NO_PIECE && promotable(kind_of(p));
}

// The piece codes of the entry describe one piece of one side, unchanged or
// promoted once.
bool pieces_fit(const RecordEntry& e) {
    if (!is_piece_code(e.piece_before) || !is_piece_code(e.piece_after)) return false;
    if (!same_side(e.piece_before, e.piece_after)) return false;
    if (e.piece_after == e.piece_before) return true;
    if (!promotable_code(e.piece_before)) return false;
    return e.piece_after == promoted(e.piece_before);
}

// What may stand on a destination: nothing, the coin or the other side's piece.
bool capture_fits(const RecordEntry& e) {
    if (e.captured == EMPTY || e.captured == COIN) return true;
    return is_piece_code(e.captured) && !same_side(e.captured, e.piece_after);
}

// The coin is always on the board, but a piece may stand on its square in
// a state put together by hand: no move is taken back or made again then.
bool coin_in_place(const Position& s) { return s.piece_on(s.coin) == NO_PIECE; }

std::array<int, 8>& hand_of(Position& s, int code) {
    return code > 0 ? s.hand[UPPER] : s.hand[LOWER];
}

}  // namespace


bool can_redo(const Position& s, const RecordEntry& e) {
    if (!pieces_fit(e) || !capture_fits(e)) return false;
    if (!on_board(e.to_col, e.to_row) || !coin_in_place(s)) return false;
    if (cell(s, e.to_col, e.to_row) != e.captured) return false;
    if (is_drop(e)) {
        bool lower = e.from_col == LOWER_HAND_COL;
        if (lower ? e.piece_after > 0 : e.piece_after < 0) return false;
        if (e.piece_after != e.piece_before) return false;
        const PieceKind kind = hand_kind(e.piece_after);
        if (kind == NO_KIND || std::abs(e.piece_after) != SLOT_CODE[kind])
            return false;
        const auto& hand = lower ? s.hand[LOWER] : s.hand[UPPER];
        return hand[kind] > 0 && e.captured == EMPTY;
    }
    if (!on_board(e.from_col, e.from_row)) return false;
    if (e.from_col == e.to_col && e.from_row == e.to_row) return false;
    if (cell(s, e.from_col, e.from_row) != e.piece_before) return false;
    int nc = s.coin_col() + e.to_col - e.from_col;
    int nr = s.coin_row() + e.to_row - e.from_row;
    if (!on_board(nc, nr)) return false;
    return cell(s, nc, nr) == EMPTY || (nc == e.from_col && nr == e.from_row);
}

bool can_undo(const Position& s, const RecordEntry& e) {
    if (!pieces_fit(e) || !capture_fits(e)) return false;
    if (!on_board(e.to_col, e.to_row) || !coin_in_place(s)) return false;
    if (cell(s, e.to_col, e.to_row) != e.piece_after) return false;
    const PieceKind kind = hand_kind(e.captured);
    if (e.captured != COIN && kind != NO_KIND) {
        // The capturer holds the captured piece in hand.
        const auto& hand = e.captured > 0 ? s.hand[LOWER] : s.hand[UPPER];
        if (hand[kind] < 1) return false;
    }
    if (is_drop(e)) {
        if ((e.from_col == LOWER_HAND_COL) != (e.piece_after < 0)) return false;
        return e.piece_after == e.piece_before && e.captured == EMPTY &&
               hand_kind(e.piece_after) != NO_KIND;
    }
    if (!on_board(e.from_col, e.from_row)) return false;
    if (e.from_col == e.to_col && e.from_row == e.to_row) return false;
    bool coin_on_origin = s.coin_col() == e.from_col && s.coin_row() == e.from_row;
    if (!coin_on_origin && cell(s, e.from_col, e.from_row) != EMPTY) return false;
    int bc = s.coin_col() - (e.to_col - e.from_col);
    int br = s.coin_row() - (e.to_row - e.from_row);
    if (!on_board(bc, br)) return false;
    // The coin goes back onto the destination exactly when it was pushed from
    // there; anywhere else its square must be free.
    if (bc == e.to_col && br == e.to_row) return e.captured == COIN;
    return e.captured != COIN && cell(s, bc, br) == EMPTY;
}

bool is_possible_move(const Position& s, const RecordEntry& e) {
    if (!can_redo(s, e)) return false;
    // Once a king has been taken the game was over.
    bool upper_king = false, lower_king = false;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        if (s.piece_on(sq) == make_piece(UPPER, KING)) upper_king = true;
        if (s.piece_on(sq) == make_piece(LOWER, KING)) lower_king = true;
    }
    if (!upper_king || !lower_king) return false;
    if (e.times.lower_before < 0 || e.times.lower_after < 0 || e.times.upper_before < 0 ||
        e.times.upper_after < 0)
        return false;
    if (is_drop(e)) {
        bool lower = e.from_col == LOWER_HAND_COL;
        if (lower ? (e.from_row < 3 || e.from_row > 9) : (e.from_row < 1 || e.from_row > 7))
            return false;
        // The drop is judged on the pawn files as they stand now, without
        // changing the flags the game keeps between its own scans.
        Position t = s;
        scan_pawn_files(t);
        return is_legal_move(t, e.from_col, e.from_row, e.to_col, e.to_row, e.piece_before) == 1;
    }
    if (is_legal_move(s, e.from_col, e.from_row, e.to_col, e.to_row, e.piece_before) != 1)
        return false;
    if (e.piece_after != e.piece_before) {
        const int promoted_to = promotion_on(e.from_col, e.from_row, e.to_row, e.piece_before);
        return promoted_to != 0 && promoted_to == e.piece_after;
    }
    return may_stay_unpromoted(e.to_row, e.piece_before) == 1;
}

Side mover_of(const GameState& s, const RecordEntry& e) {
    return e.piece_after > 0 ? s.upper_turn() : s.lower_turn;
}

Side side_to_move_after(const GameState& s, int n) {
    // n counts moves, so it indexes the record (entries 1..RECORD_MAX) once
    // its range is checked.
    if (n >= 0 && n < s.record_end && n < RECORD_MAX) return mover_of(s, s.record[n + 1]);
    if (n >= 1 && n <= RECORD_MAX) return ~mover_of(s, s.record[n]);
    return s.sente_turn;
}

void redo_move(Position& s, const RecordEntry& e) {
    if (is_drop(e)) {
        const PieceKind kind = hand_kind(e.piece_after);
        hand_of(s, e.piece_after)[kind] -= 1;
    } else {
        s.clear(make_square(e.from_col, e.from_row));
        s.move_coin(make_square(s.coin_col() + e.to_col - e.from_col, s.coin_row() + e.to_row - e.from_row));
    }
    s.put_code(make_square(e.to_col, e.to_row), e.piece_after);
    const PieceKind kind = hand_kind(e.captured);
    if (e.captured <= -HU && kind != NO_KIND) {
        s.hand[UPPER][kind] += 1;
    } else if (e.captured >= HU && kind != NO_KIND) {
        s.hand[LOWER][kind] += 1;
    }
}

void undo_move(Position& s, const RecordEntry& e) {
    if (is_drop(e)) {
        const PieceKind kind = hand_kind(e.piece_after);
        hand_of(s, e.piece_after)[kind] += 1;
    } else {
        s.put_code(make_square(e.from_col, e.from_row), e.piece_before);
        s.move_coin(make_square(s.coin_col() + e.from_col - e.to_col, s.coin_row() + e.from_row - e.to_row));
    }
    const PieceKind kind = hand_kind(e.captured);
    if (e.captured <= -HU && kind != NO_KIND) {
        s.hand[UPPER][kind] -= 1;
    } else if (e.captured >= HU && kind != NO_KIND) {
        s.hand[LOWER][kind] -= 1;
    }
    // What stood on the destination comes back; the coin, when it was pushed
    // from there, has come back with the move above.
    s.put_code(make_square(e.to_col, e.to_row), e.captured);
}

}  // namespace rindou
