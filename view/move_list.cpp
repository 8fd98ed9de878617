#include "view/move_list.h"

#include <algorithm>

#include "core/texts.h"
#include "record/notation.h"
#include "record/record_moves.h"
#include "record/western_notation.h"

namespace rindou {

std::string turned_back_squares(std::string western) {
    // Digits in Western words are files and ranks and nothing else, and the
    // true square of a turned one is ten less each.  The rest of the words
    // (the piece, a capture, whether the origin is needed, the promotion)
    // reads the same either way round: the rules treat both sides alike.
    for (char& ch : western)
        if (ch >= '1' && ch <= '9') ch = static_cast<char>('0' + 10 - (ch - '0'));
    return western;
}

namespace {
// The words of a move; `before` is null where the position it was made
// from is not known, which Western words need.
std::string words_of(const GameState* before, const RecordEntry& m, bool turned) {
    if (before && language() == Language::English) {
        const std::string western = western_notation(*before, m);
        if (!western.empty()) return turned ? turned_back_squares(western) : western;
    }
    return turned ? move_notation(10 - m.to_col, 10 - m.to_row, m.piece_after)
                  : move_notation(m.to_col, m.to_row, m.piece_after);
}
}  // namespace

std::string move_words(const GameState& before, const RecordEntry& m) { return words_of(&before, m, false); }

std::vector<std::string> move_list_lines(const GameState& s, bool turned) {
    std::vector<std::string> lines{text(Text::MoveListStart)};
    const int end = std::min(s.record_end, RECORD_MAX);
    // The position before each move: the present one with the moves since
    // taken back, then each move of the record played again in turn.
    GameState at = s;
    bool known = true;
    for (int i = std::min(s.record_count, end); i >= 1 && known; --i) {
        const RecordEntry& e = at.record[i];
        known = can_undo(at, e);
        if (known) undo_move(at, e);
    }
    const bool upper_first = s.sente_turn == s.upper_turn();
    for (int i = 1; i <= end; ++i) {
        const RecordEntry& e = s.record[i];
        const bool upper = e.piece_before > 0;
        const std::string words = words_of(known ? &at : nullptr, e, turned);
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

namespace {
// The board's drawing at its natural size, in pixels.
constexpr double BOARD_W = 707, BOARD_H = 555;
// The list beside the board: a move's line and the analysis's words need
// this much; wider than the most it is given only the background gains.
constexpr int LIST_LEAST_WIDTH = 180, LIST_MOST_WIDTH = 360;
// Below the board: a few lines of moves beside the graph.
constexpr int LIST_LEAST_HEIGHT = 170;

double board_scale(int w, int h) { return std::min(w / BOARD_W, h / BOARD_H); }
}  // namespace

MoveListPlace place_move_list(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    MoveListPlace beside;
    beside.list_width = std::clamp(width - static_cast<int>(height * BOARD_W / BOARD_H),
                                   LIST_LEAST_WIDTH, LIST_MOST_WIDTH);
    beside.list_width = std::min(beside.list_width, width - 1);
    beside.board_width = width - beside.list_width;
    beside.board_height = height;
    beside.list_x = beside.board_width;
    beside.list_height = height;

    MoveListPlace below;
    below.below = true;
    below.list_height = std::max(height - static_cast<int>(width * BOARD_H / BOARD_W),
                                 LIST_LEAST_HEIGHT);
    below.list_height = std::min(below.list_height, height - 1);
    below.board_width = width;
    below.board_height = height - below.list_height;
    below.list_y = below.board_height;
    below.list_width = width;

    // Beside, unless below leaves the board clearly larger.
    return board_scale(below.board_width, below.board_height) >
                   board_scale(beside.board_width, beside.board_height) * 1.02
               ? below
               : beside;
}

}  // namespace rindou
