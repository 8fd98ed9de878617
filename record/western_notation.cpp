#include "record/western_notation.h"

#include <cstdlib>

#include "core/rules.h"

namespace rindou {

namespace {

std::string square(int col, int row) {
    return {static_cast<char>('0' + (10 - col)), static_cast<char>('0' + row)};
}

int at(const GameState& s, int c, int r) {
    return s.code_at(c, r);
}

}  // namespace

std::string western_piece(int code) {
    switch (std::abs(code)) {
        case HU: return "P";
        case KYOU: return "L";
        case KEI: return "N";
        case GIN: return "S";
        case KIN: return "G";
        case KAKU: return "B";
        case SYA: return "R";
        case OU: return "K";
        case TOKIN: return "+P";
        case NARIKYOU: return "+L";
        case NARIKEI: return "+N";
        case NARIGIN: return "+S";
        case UMA: return "+B";
        case RYU: return "+R";
        default: return {};
    }
}

std::string western_notation(const GameState& before, const RecordEntry& m) {
    const int piece = m.piece_before;
    if (!is_piece_code(piece) || !on_board(m.to_col, m.to_row)) return {};
    const std::string letter = western_piece(piece);
    const std::string to = square(m.to_col, m.to_row);

    // A drop says so by its mark alone: no board move is written with "*".
    if (m.from_col == LOWER_HAND_COL || m.from_col == UPPER_HAND_COL) return letter + "*" + to;
    if (!on_board(m.from_col, m.from_row)) return {};

    // The origin is needed when another piece of the same kind and side
    // could go there instead; the coin decides that as much as the pieces.
    bool ambiguous = false;
    for (int c = 1; c <= 9 && !ambiguous; ++c)
        for (int r = 1; r <= 9 && !ambiguous; ++r)
            if ((c != m.from_col || r != m.from_row) && at(before, c, r) == piece &&
                is_legal_move(before, c, r, m.to_col, m.to_row, piece))
                ambiguous = true;

    const int target = at(before, m.to_col, m.to_row);
    const bool capture = is_piece_code(target) && (target > 0) != (piece > 0);

    std::string out = letter;
    if (ambiguous) out += square(m.from_col, m.from_row);
    out += capture ? "x" : "-";
    out += to;
    if (m.piece_after != piece && m.piece_after == promoted(piece))
        out += "+";
    else if (promotion_on(m.from_col, m.from_row, m.to_row, piece) != 0)
        out += "=";
    return out;
}

}  // namespace rindou
