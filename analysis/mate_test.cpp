// Is the computer's king checkmated?  Asked right after each move of the
// person in a game against the computer.  Board moves are tried on the board
// itself, analysed and taken back.
#include <cstdlib>

#include "analysis/analysis.h"
#include "core/rules.h"

namespace rindou {

namespace {

inline int cell(const Grid& g, int c, int r) {
    return g[c][r];
}

// Can a drop on a check-line square block every check?  0: yes, the king is
// saved; 1: no drop helps, go on with the king's escapes.
int drop_cannot_block(Position& s, const Maps& m, int kx, int ky) {
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int v = cell(m.upper_king_checks, c, r);
            if (v == CHECKER && std::abs(c - kx) < 2 && std::abs(r - ky) < 2) return 1;
            if (v != CHECK_LINE) continue;
            bool place = true;
            if (s.hand_total(UPPER) == s.hand[UPPER][HU_SLOT] && !is_legal_move(s, -1, 0, c, r, HU))
                place = false;
            if (place) s.put_code(make_square(c, r), HU);
            bool still_checked = false;
            for (int mc = 1; mc <= 9 && !still_checked; ++mc)
                for (int mr = 1; mr <= 9; ++mr)
                    if (cell(m.upper_king_checks, mc, mr) == CHECKER &&
                        is_legal_move(s, mc, mr, kx, ky, s.code_at(mc, mr))) {
                        still_checked = true;
                        break;
                    }
            s.clear(make_square(c, r));
            if (still_checked) return 1;
        }
    return 0;
}

}  // namespace

int upper_mate_test(Position& s, Maps& m) {
    const int kx = s.upper_king_col, ky = s.upper_king_row;
    // Without a king ever seen there is nothing to test.
    if (!on_board(kx, ky)) return 0;

    // Not in check.
    if (cell(m.lower_attacks, kx, ky) == 0) return 0;

    // A drop between the checker and the king.
    if (s.hand_total(UPPER) > 0 && drop_cannot_block(s, m, kx, ky) == 0) return 0;

    // The king steps to a square no lower piece covers.
    for (int c = kx - 1; c <= kx + 1; ++c)
        for (int r = ky - 1; r <= ky + 1; ++r) {
            if (!on_board(c, r)) continue;
            if (is_legal_move(s, kx, ky, c, r, OU) && cell(m.lower_attacks, c, r) == 0) return 0;
        }

    // A piece on the board takes the checker or stands in the line.  The
    // maps are those of the last position tried, as they come.
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int p = s.code_at(c, r);
            if (p < HU || p > RYU) continue;
            for (int mc = 1; mc <= 9; ++mc)
                for (int mr = 1; mr <= 9; ++mr) {
                    if (cell(m.upper_king_checks, mc, mr) <= 0) continue;
                    if (!is_legal_move(s, c, r, mc, mr, p)) continue;
                    int saved = s.code_at(mc, mr);
                    s.put_code(make_square(mc, mr), p);
                    s.clear(make_square(c, r));
                    analyse_position(s, m);
                    s.put_code(make_square(c, r), p);
                    s.put_code(make_square(mc, mr), saved);
                    if (cell(m.lower_attacks, kx, ky) == 0) return 0;
                }
        }
    return 1;
}

}  // namespace rindou
