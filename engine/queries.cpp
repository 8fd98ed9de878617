// Small questions the computer asks about a position: the mate test of the
// person's king, escape squares, safe mobility, pins and a handful of pattern
// detectors.
#include "core/rules.h"
#include "engine/evaluation.h"
#include "engine/squares.h"

namespace rindou {

using sq::iabs;
using sq::ref;
using sq::val;

namespace {

bool is_lower_slider(int code) {
    return code == -KYOU || code == -KAKU || code == -UMA || code == -SYA || code == -RYU;
}
bool is_upper_slider(int code) {
    return code == KYOU || code == KAKU || code == UMA || code == SYA || code == RYU;
}
bool is_lower_major(int code) { return code <= -KAKU && code >= -RYU; }

// The drop part of the mate test: 1 when some check-line drop was found not to
// help (or a checker stands next to the king), 0 when every line square
// tried was blocked.
int drops_fail(Position& s, const Maps& m, int kc, int kr) {
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int v = val(m.lower_king_checks, c, r);
            if (v == CHECKER && iabs(c - kc) <= 1 && iabs(r - kr) <= 1) return 1;
            if (v != CHECK_LINE) continue;
            bool place = true;
            if (s.hand_total(LOWER) == s.hand[LOWER][HU_SLOT] && !is_legal_move(s, LOWER_HAND_COL, lower_hand_row(HU_SLOT), c, r, -HU))
                place = false;
            if (place) s.put_code(make_square(c, r), -HU);
            bool reaches = false;
            for (int mc = 1; mc <= 9 && !reaches; ++mc)
                for (int mr = 1; mr <= 9; ++mr)
                    if (val(m.lower_king_checks, mc, mr) == CHECKER &&
                        is_legal_move(s, mc, mr, kc, kr, s.code_at(mc, mr))) {
                        reaches = true;
                        break;
                    }
            s.clear(make_square(c, r));
            if (reaches) return 1;
        }
    return 0;
}

}  // namespace

int human_king_attacked(const Position& s) {
    int kc = s.lower_king_col, kr = s.lower_king_row;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int p = s.code_at(c, r);
            if (p >= HU && is_legal_move(s, c, r, kc, kr, p)) return 1;
        }
    return 0;
}

int is_mated(Position& s, const Maps& m) {
    const int kc = s.lower_king_col, kr = s.lower_king_row;
    if (!on_board(kc, kr)) return 0;
    // Not in check.
    if (val(m.upper_attacks, kc, kr) == 0) return 0;
    // Blocks by a drop.
    if (s.hand_total(LOWER) >= 1 && drops_fail(s, m, kc, kr) == 0) return 0;
    // King steps.
    for (int c = kc - 1; c <= kc + 1; ++c)
        for (int r = kr - 1; r <= kr + 1; ++r) {
            if (!on_board(c, r)) continue;
            if (is_legal_move(s, kc, kr, c, r, -OU) && val(m.upper_attacks, c, r) == 0) return 0;
        }
    // Captures and blocks by pieces on the board.
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int p = s.code_at(c, r);
            if (p > -HU || p < -RYU) continue;
            for (int mc = 1; mc <= 9; ++mc)
                for (int mr = 1; mr <= 9; ++mr) {
                    if (val(m.lower_king_checks, mc, mr) <= 0) continue;
                    if (!is_legal_move(s, c, r, mc, mr, p)) continue;
                    int saved = s.code_at(mc, mr);
                    s.put_code(make_square(mc, mr), p);
                    s.clear(make_square(c, r));
                    int attacked = human_king_attacked(s);
                    s.put_code(make_square(c, r), p);
                    s.put_code(make_square(mc, mr), saved);
                    if (attacked == 0) return 0;
                }
        }
    return 1;
}

int count_escape_squares(const Position& s, const Maps& m) {
    static constexpr int D[8][2] = {{0, -1}, {-1, -1}, {1, -1}, {0, 1},
                                    {-1, 1}, {1, 1},   {-1, 0}, {1, 0}};
    int kc = s.lower_king_col, kr = s.lower_king_row, n = 0;
    for (const auto& d : D) {
        int c = kc + d[0], r = kr + d[1];
        if (!on_board(c, r)) continue;
        if (s.code_at(c, r) == EMPTY && val(m.upper_attacks, c, r) == 0) ++n;
    }
    return n;
}

int safe_mobility(const Position& s, const Maps& m, int col, int row, int piece) {
    const Grid& opp = piece >= HU ? m.lower_attacks : m.upper_attacks;
    int n = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r)
            if (is_legal_move(s, col, row, c, r, piece) && val(opp, c, r) == 0) ++n;
    return n;
}

int file_exposure(Position& s, int col, int row) {
    if (!on_board(col, row)) return 0;
    int saved = s.code_at(col, row);
    s.clear(make_square(col, row));
    int answer = 0;
    for (int r = row + 1; r <= 9; ++r) {
        int p = s.code_at(col, r);
        if (p >= HU) break;
        if (p == -KYOU || p == -SYA || p == -RYU) {
            answer = is_legal_move(s, col, r, col, row, p);
            break;
        }
    }
    s.put_code(make_square(col, row), saved);
    return answer;
}

int major_neighbours(const Position& s, int col, int row) {
    int n = 0;
    for (int c = col - 1; c <= col + 1; ++c)
        for (int r = row - 1; r <= row + 1; ++r) {
            if ((c == col && r == row) || !on_board(c, r)) continue;
            if (s.code_at(c, r) >= KAKU) n -= 1;
        }
    return n;
}

void compute_pin_maps(Position& s, EngineMemory& e) {
    for (auto& col : e.lower_pins) col.fill(0);
    for (auto& col : e.upper_pins) col.fill(0);
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int p = s.code_at(c, r);
            if (p == EMPTY) continue;
            s.clear(make_square(c, r));
            if (p <= -HU) {
                for (int ac = 1; ac <= 9; ++ac)
                    for (int ar = 1; ar <= 9; ++ar) {
                        int a = s.code_at(ac, ar);
                        if (is_upper_slider(a) &&
                            is_legal_move(s, ac, ar, s.lower_king_col, s.lower_king_row, a))
                            ref(e.lower_pins, c, r) = 1;
                    }
            } else if (p >= HU) {
                for (int ac = 1; ac <= 9; ++ac)
                    for (int ar = 1; ar <= 9; ++ar) {
                        int a = s.code_at(ac, ar);
                        if (is_lower_slider(a) &&
                            is_legal_move(s, ac, ar, s.upper_king_col, s.upper_king_row, a))
                            ref(e.upper_pins, c, r) = 1;
                    }
            }
            s.put_code(make_square(c, r), p);
        }
}

void compute_bishop_check_squares(const Position& s, const Maps& m, EngineMemory& e) {
    for (auto& col : e.bishop_check_squares) col.fill(0);
    int kc = s.upper_king_col, kr = s.upper_king_row;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            if (s.code_at(c, r) != EMPTY) continue;
            int n = val(m.upper_attacks, c, r);
            bool open = n == 0 || (n == 1 && iabs(kc - c) < 2 && iabs(kr - r) < 2);
            if (open && is_legal_move(s, c, r, kc, kr, -KAKU)) ref(e.bishop_check_squares, c, r) = 1;
        }
}

int bishop_fork_loss(const Position& s, const EngineMemory& e, int col, int row, int piece) {
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            if (val(e.bishop_check_squares, c, r) != 1) continue;
            if (!is_legal_move(s, col, row, c, r, -KAKU) && !is_legal_move(s, col, row, c, r, -UMA))
                continue;
            // The first bishop-check square on a line through the piece: can
            // a human bishop get there?
            for (int bc = 1; bc <= 9; ++bc)
                for (int br = 1; br <= 9; ++br) {
                    int b = s.code_at(bc, br);
                    if ((b == -KAKU || b == -UMA) && is_legal_move(s, bc, br, c, r, b)) return piece;
                }
            if (s.hand[LOWER][KAKU_SLOT] > 0 && is_legal_move(s, LOWER_HAND_COL, lower_hand_row(KAKU_SLOT), c, r, -KAKU)) return piece;
            return 0;
        }
    return 0;
}

int lance_follow_gain(const Position& s, const Maps& m, int col, int row) {
    if (row < 7) return 0;
    if (val(m.upper_attacks, col, row - 1) == 0 || val(m.lower_attacks, col, row - 1) != 0)
        return 0;
    if (!is_lower_major(val(m.lower_threat, col, row))) return 0;
    for (int r = row + 1; r <= 9; ++r) {
        int p = s.code_at(col, r);
        if (p == EMPTY) continue;
        if (is_legal_move(s, col, row, col, r, KYOU)) return iabs(p);
        return 0;
    }
    return 0;
}

int knight_fork_gain(const Position& s, const Maps& m, int col, int row) {
    int cheapest = val(m.lower_threat, col, row);
    if (!is_lower_major(cheapest) || row < 6) return 0;
    int ac = val(m.lower_threat_col, col, row), ar = val(m.lower_threat_row, col, row);
    int sum = 0;
    auto side = [&](int jump_col, int target_col) {
        if (s.code_at(jump_col, row - 2) != EMPTY) return;
        if (val(m.lower_attacks, jump_col, row - 2) != 0) return;
        int t = s.code_at(target_col, row);
        if (!is_lower_major(t)) return;
        if (target_col == ac && row == ar) return;
        sum += iabs(t);
    };
    if (col > 2) side(col - 1, col - 2);
    if (col < 8) side(col + 1, col + 2);
    return sum;
}

}  // namespace rindou
