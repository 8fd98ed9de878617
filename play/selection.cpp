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
    // The upper hand's cells count their slots upwards from row 7; the game
    // and the computer name such a drop by its slot.
    const int from_row =
        s.sel_from_col == UPPER_HAND_COL ? upper_hand_slot(s.sel_from_row) : s.sel_from_row;
    int after = s.sel_piece;
    if (button == 2) {
        const int promoted_to = promotion_on(s.sel_from_col, s.sel_from_row, row, s.sel_piece);
        if (promoted_to != 0) after = promoted_to;
    }
    d.move = Move{s.sel_from_col, from_row, col, row, s.sel_piece, there, after};
    if (button == 1 && !may_stay_unpromoted(row, s.sel_piece))
        d.kind = Destination::MustPromote;
    else if (record_full(s))
        d.kind = Destination::RecordFull;
    else
        d.kind = Destination::Play;
    return d;
}

}  // namespace rindou
