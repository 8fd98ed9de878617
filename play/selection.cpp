#include "play/selection.h"

#include "core/record_store.h"
#include "core/rules.h"

namespace rindou {

bool belongs_to_mover(const GameState& s, int code) {
    return (code <= -10 && s.side_to_move == s.lower_turn) ||
           (code >= 10 && s.side_to_move == s.upper_turn());
}

bool belongs_to_other(const GameState& s, int code) {
    return (code <= -10 && s.side_to_move == s.upper_turn()) ||
           (code >= 10 && s.side_to_move == s.lower_turn);
}

Destination judge_destination(const GameState& s, int button, int col, int row) {
    Destination d;
    const int there = s.code_at(col, row);
    if (belongs_to_mover(s, there)) {
        d.kind = Destination::Repick;
        return d;
    }
    if (!is_legal_move(s, s.sel_from_col, s.sel_from_row, col, row, s.sel_piece)) {
        d.kind = Destination::Unreachable;
        return d;
    }
    const Square to = make_square(col, row);
    if (s.sel_from_col == UPPER_HAND_COL || s.sel_from_col == LOWER_HAND_COL) {
        // A hand cell holds the kind of its slot; legal, it is one of 1..7.
        const int slot = s.sel_from_col == UPPER_HAND_COL ? upper_hand_slot(s.sel_from_row)
                                                          : lower_hand_slot(s.sel_from_row);
        d.move = Move::drop(PieceKind(slot), to);
    } else {
        const bool promote =
            button == 2 && promotion_on(s.sel_from_col, s.sel_from_row, row, s.sel_piece) != 0;
        d.move = Move::board(make_square(s.sel_from_col, s.sel_from_row), to, promote);
    }
    if (button == 1 && !may_stay_unpromoted(row, s.sel_piece))
        d.kind = Destination::MustPromote;
    else if (record_full(s))
        d.kind = Destination::RecordFull;
    else
        d.kind = Destination::Play;
    return d;
}

}  // namespace rindou
