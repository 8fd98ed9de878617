#include "core/record_store.h"

#include "core/rules.h"

namespace rindou {

void reset_to_no_game(GameState& s) {
    // Moves recorded on a handicap, a turned board or a set-up position only
    // fit the position they were played on: once the flags that say so are
    // gone they must not be stepped into, saved or studied on the standard
    // one.  Any other game's moves stay to be stepped through again.
    if (s.handicap_set == 1 || s.flipped == 1 || s.keep_state == KEEP_NEVER) s.record_end = 0;
    // No game: nobody to move, nothing recorded, no handicap.
    s.handicap_grade = 0;
    s.handicap_set = 0;
    s.game_mode = MODE_HUMAN;
    s.winner = NO_SIDE;
    s.side_to_move = NO_SIDE;
    s.record_count = 0;
    s.move_number = 0;
    s.flipped = 0;
    s.keep_state = KEEP_NOTHING;
    // The clocks stop and start again from zero.
    s.timer_enabled = false;
    s.upper_time_total = 0;
    s.lower_time_total = 0;
    s.turn_notice_pending = 0;
    s.record_mode = 0;
    s.record[0].piece_after = HU;
    // Nothing picked; the coin back in the centre.
    s.select_state = 0;
    s.move_coin(make_square(5, 5));
    // Empty hands and board, then the standard position.
    s.hand = {};
    s.squares.fill(NO_PIECE);
    static constexpr PieceKind back_rank[10] = {NO_KIND, LANCE, KNIGHT, SILVER, GOLD, KING,
                                                GOLD,    SILVER, KNIGHT, LANCE};
    for (int c = 1; c <= 9; ++c) {
        s.put(make_square(c, 1), make_piece(UPPER, back_rank[c]));
        s.put(make_square(c, 3), make_piece(UPPER, PAWN));
        s.put(make_square(c, 7), make_piece(LOWER, PAWN));
        s.put(make_square(c, 9), make_piece(LOWER, back_rank[c]));
    }
    s.put(make_square(2, 2), make_piece(UPPER, ROOK));
    s.put(make_square(8, 2), make_piece(UPPER, BISHOP));
    s.put(make_square(2, 8), make_piece(LOWER, BISHOP));
    s.put(make_square(8, 8), make_piece(LOWER, ROOK));
}

bool record_full(const GameState& s) { return s.record_count >= RECORD_MAX; }

void append_move_record(GameState& s, const RecordEntry& move, const MoveTimes& times) {
    if (record_full(s)) return;
    if (s.keep_state == KEEP_NOTHING) s.keep_state = KEEP_PENDING;
    s.record_count += 1;
    RecordEntry& e = s.record[s.record_count];
    e = move;
    e.captured = on_board(move.to_col, move.to_row)
                     ? s.code_at(move.to_col, move.to_row)
                     : EMPTY;
    e.times = times;
    s.record_end = s.record_count;
}

RecordEntry record_entry(const Position& before, Side side, Move m, DropNaming naming) {
    RecordEntry e;
    if (m.is_pass() || m.is_none()) return e;
    e.to_col = col_of(m.to());
    e.to_row = row_of(m.to());
    e.captured = before.code_at(m.to());
    if (m.is_drop()) {
        const PieceKind k = m.dropped();
        e.piece_before = e.piece_after = code_of(make_piece(side, k));
        const bool by_slot = naming == DropNaming::Slot;
        e.from_col = by_slot || side == UPPER ? UPPER_HAND_COL : LOWER_HAND_COL;
        e.from_row = by_slot ? k : side == UPPER ? upper_hand_row(k) : lower_hand_row(k);
    } else {
        e.from_col = col_of(m.from());
        e.from_row = row_of(m.from());
        e.piece_before = before.code_at(m.from());
        e.piece_after = m.promotes() ? promoted(e.piece_before) : e.piece_before;
    }
    return e;
}

Move move_of(const RecordEntry& e) {
    if (e.pass()) return Move::pass();
    if (!on_board(e.to_col, e.to_row)) return Move();
    const Square to = make_square(e.to_col, e.to_row);
    if (e.from_col == UPPER_HAND_COL || e.from_col == LOWER_HAND_COL) {
        const PieceKind k = PieceKind(hand_slot(e.piece_after));
        return is_hand_kind(k) ? Move::drop(k, to) : Move();
    }
    if (!on_board(e.from_col, e.from_row)) return Move();
    return Move::board(make_square(e.from_col, e.from_row), to, e.piece_after != e.piece_before);
}

}  // namespace rindou
