#include "view/move_list.h"

#include "core/texts.h"
#include "record/notation.h"
#include "record/record_moves.h"
#include "record/western_notation.h"

namespace rindou {

std::string move_words(const GameState& before, const Move& m) {
    if (language() == Language::English) {
        const std::string western = western_notation(before, m);
        if (!western.empty()) return western;
    }
    return move_notation(m.to_col, m.to_row, m.piece_after);
}

std::vector<std::string> move_list_lines(const GameState& s) {
    std::vector<std::string> lines{text(Text::MoveListStart)};
    const int end = std::min(s.record_end, RECORD_MAX);
    // The position before each move: the present one with the moves since
    // taken back, then each move of the record played again in turn.
    GameState at = s;
    bool known = true;
    for (int i = std::min(s.record_count, end); i >= 1 && known; --i) {
        const RecordEntry& e = at.record[static_cast<size_t>(i)];
        known = can_undo(at, e);
        if (known) undo_move(at, e);
    }
    const bool upper_first = s.sente_turn == s.upper_turn;
    for (int i = 1; i <= end; ++i) {
        const RecordEntry& e = s.record[static_cast<size_t>(i)];
        const bool upper = e.piece_before > 0;
        const std::string words = known ? move_words(at, e) : move_notation(e.to_col, e.to_row, e.piece_after);
        lines.push_back(text(Text::MoveListLine,
                             {{"number", std::to_string(i)},
                              {"side", text(upper == upper_first ? Text::SenteMark : Text::GoteMark)},
                              {"move", words}}));
        if (known) {
            known = can_redo(at, e);
            if (known) redo_move(at, e);
        }
    }
    return lines;
}

}  // namespace rindou
