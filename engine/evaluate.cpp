// The score of one candidate move of the computer, read from the position
// after the move and its square maps.  A long ordered sum of hand-tuned terms;
// the level decides how many groups of terms take part.
#include "core/rules.h"
#include "engine/evaluation.h"
#include "engine/squares.h"

namespace rindou {

using sq::iabs;
using sq::val;

namespace {

struct Candidate {
    int captured, placed, fc, fr, tc, tr;
    bool drop;
};

bool is_major(int code) { return code == 800 || code == 801 || code == 900 || code == 901; }
bool near_king(int c, int r, int kc, int kr) { return iabs(c - kc) <= 2 && iabs(r - kr) <= 2; }

// Level 3: the shape terms of the placed piece.  Returns the final score.
double shape_terms(GameState& s, const Candidate& m, double score) {
    const Maps& mp = s.maps;
    const EngineMemory& e = s.engine;
    const int c = m.tc, r = m.tr;
    const int human = val(mp.lower_attacks, c, r);
    const int computer = val(mp.upper_attacks, c, r);
    const int lkc = s.lower_king_col, lkr = s.lower_king_row;
    auto B = [&](int cc, int rr) { return val(s.board, cc, rr); };
    auto H = [&](int cc, int rr) { return val(mp.lower_attacks, cc, rr); };
    auto C = [&](int cc, int rr) { return val(mp.upper_attacks, cc, rr); };
    const int threat = val(mp.lower_threat, c, r);
    const int guard = val(mp.upper_guard, c, r);

    switch (m.placed) {
        case 10: {
            if (s.upper_hand[2] > 0) score += lance_follow_gain(s, c, r);
            if (s.upper_hand[3] > 0) score += knight_fork_gain(s, c, r);
            if (r < 9) {
                int ahead = B(c, r + 1);
                if (ahead == 110)
                    score += 0.5;
                else if (ahead == 900)
                    score -= 1;
                if (ahead < -10 && safe_mobility(s, c, r + 1, ahead) == 0) score += iabs(ahead);
            }
            if (computer > 0 && c >= 2 && c <= 8 && (B(c - 1, r) == 900 || B(c + 1, r) == 900))
                score -= 1;
            if (m.drop) {
                if (computer > 0 && r > 1 && B(c, r - 1) >= 100 &&
                    (s.lower_hand[1] > 0 || s.lower_hand[2] > 0))
                    score += 6;
                if (B(2, 8) == -800 && c == 2 && r == 7 && (H(2, 7) == 0 || C(2, 7) > 0))
                    score += 30;
                int ac = val(mp.lower_threat_col, c, r), ar = val(mp.lower_threat_row, c, r);
                bool attacker_gone = val(e.pre_upper_attacks, ac, ar) > 0 && H(ac, ar) == 0;
                if (!attacker_gone && computer > 0 && (threat == -900 || threat == -20) &&
                    ac == c && ar > r)
                    return score + 120;
                return score;
            }
            // A pawn moved on the board.
            score -= 0.1;
            if (guard == 110 || guard == 100) score += 0.6;
            if (r > 7) return score;
            if (guard == 20) {
                score += 1;
            } else if (guard == 900 && val(mp.upper_guard_col, c, r) == c &&
                       val(mp.upper_guard_row, c, r) < r && computer >= human) {
                score += 2;
            }
            if (H(c, r + 1) == 0 && B(c, r + 2) <= -30) score += 1;
            if (r < 7) {
                if (B(c, r + 1) == -10 && H(c, r + 1) > 0) score -= 5;
                if (c < 9 && B(c + 1, r) == 800) {
                    score += 0.5;
                    if (B(c + 1, r + 2) == -10) score += 5;
                }
                if (c > 1) {
                    if (c == 7 && r == 4 && B(8, 2) == 800) score += 10;
                    if (B(c - 1, r) == 800) {
                        score += 0.5;
                        if (B(c - 1, r + 2) == -10) score += 5;
                    }
                }
            }
            if (m.captured <= -10 && C(m.fc, m.fr) == 1) {
                if (threat == -20 && r > 2 && B(c, r - 2) == 800)
                    score -= 5;
                else
                    score += 5;
                if (m.captured == -10 && (threat == -20 || threat == -900)) score += 50;
            }
            int ahead = B(c, r + 1);
            if (ahead <= -10) {
                if (computer > human) return score + 1;
                if (ahead == -10) return score - 5;
                if (computer == 0) return human == 0 ? score + 1 : score;
                if (val(e.pre_upper_attacks, c, r + 1) > 0 && val(e.pre_lower_attacks, c, r + 1) == 0)
                    return score - 1;
                if (computer >= human) return score + 5;
            }
            return score;
        }
        case 11:
            return computer >= human ? score + 1 : score;
        case 20: {
            if (s.upper_hand[3] > 0) score += knight_fork_gain(s, c, r);
            if (m.drop && r <= 7 && s.lower_hand[1] > 0 && H(c, r + 1) > 0 && human == 0)
                score -= 10;
            if (B(c, r + 1) <= -20 && (human == 0 || computer >= human)) {
                for (int rr = r + 2; rr <= 9; ++rr) {
                    int p = B(c, rr);
                    if (p == EMPTY) continue;
                    if (is_legal_move(s, c, r + 1, c, rr, KYOU) && p < -20) return score + iabs(p);
                    break;
                }
            }
            if (!m.drop && m.captured == 0) return score - 0.9;
            return score;
        }
        case 30:
            score -= 0.1;
            if (H(c, r + 1) > 0) score -= 1;
            if (r <= 7 && c >= 2 && c <= 8) {
                if (H(c - 1, r + 2) > 0 && H(c + 1, r + 2) > 0) score -= 1;
                if (c == 7 && r == 3 && B(8, 4) == 800) return score - 5;
            }
            return score;
        case 100:
            if (r > 1) {
                if (m.fc == c && m.fr > r) score -= 0.1;
                if (B(c, r - 1) == 30) score -= 0.5;
                if (c == 7 && r == 3 && B(8, 3) == 10 && B(8, 5) == -10) return score + 115;
            }
            return score;
        case 110:
            if (m.fr > r && m.fc != c) score -= 0.5;
            if (r == 4 && B(6, 4) == 800 && H(6, 4) > 0) return score - 5;
            if (r == 2) {
                if (B(8, 3) == 10 && B(8, 6) == -10 && c == 7 && val(mp.lower_guard, 8, 6) == -900)
                    score += 10;
                if (s.lower_hand[6] > 0 && B(c, 3) >= 10 && val(e.pre_upper_attacks, c, 3) == 0) {
                    score += 2;
                    if (B(c, 4) == 800 && val(e.pre_upper_attacks, c, 4) == 1) return score + 125;
                }
            }
            return score;
        case 800:
            score += major_neighbours(s, c, r);
            if (r <= 8) {
                if (c == 9 && r == 3 && B(9, 4) == 10 && B(9, 6) == -10 && B(9, 9) == -20)
                    score -= 10;
                if (c == 7 && r == 3 && B(8, 5) == -10 && val(mp.lower_guard, 8, 5) == -900)
                    score += 9;
            }
            if (H(c, r + 1) > 0) {
                if (safe_mobility(s, c, r, 800) == 0) score -= 100;
                if (r <= 7 && B(c, r + 2) == -10) score -= 1;
            }
            if (!m.drop && m.fc == 9 && m.fr == 3 && B(9, 4) == 10 && B(9, 6) == -10 &&
                val(mp.lower_guard, 9, 6) == -20)
                return score + 10;
            if (!m.drop && m.fc == 7 && m.fr == 3 && B(8, 5) == -10 &&
                val(mp.lower_guard, 8, 5) == -900 && C(8, 4) < val(e.pre_upper_attacks, 8, 4))
                return score - 10;
            return score;
        case 801:
            return score + major_neighbours(s, c, r);
        case 900: {
            score += major_neighbours(s, c, r);
            if (m.drop) {
                if (r == 9 && B(c, 8) == -100 && c >= 2 && c <= 8 &&
                    ((B(c + 1, 8) == -110 && B(c - 1, 9) != EMPTY) ||
                     (B(c - 1, 8) == -110 && B(c + 1, 9) != EMPTY)))
                    return score - 1;
                return score;
            }
            if (c == 3 && r == 4 && human == 0 && B(3, 7) == -800 && B(3, 6) == -10 &&
                B(3, 5) == EMPTY)
                score += 7;
            if (r < 8) {
                if (H(c, r + 1) > 0) score -= 1;
                if (B(c, r + 2) == -10 && r == m.fr) score -= 5;
            }
            if (m.fr < 9 && B(8, m.fr + 1) == -10 && val(mp.lower_guard, 8, m.fr + 1) == -900) {
                if (C(8, m.fr) < val(e.pre_upper_attacks, 8, m.fr)) score -= 11;
                if (B(7, m.fr) == 10 && r != m.fr) score -= 11;
            }
            if (H(m.fc, m.fr) == 0 && m.fc == 2 && m.fr == 2 && c == 2 && r == 3) score -= 1;
            if (human == 0 || (computer > 0 && threat == -OU)) {
                if (safe_mobility(s, c, r, 900) <= 1) return score - 35;
                if ((c == lkc || r == lkr) && near_king(c, r, lkc, lkr)) return score + 100;
            }
            return score;
        }
        case 901:
            score += major_neighbours(s, c, r);
            if (r > 1 && B(c, r - 1) == -100 && c >= 2 && c <= 8 &&
                ((B(c + 1, r - 1) == -110 && B(c - 1, r) != EMPTY) ||
                 (B(c - 1, r - 1) == -110 && B(c + 1, r) != EMPTY)))
                score -= 10;
            if (!m.drop && m.fr == 9 && B(m.fc, 8) == -100) {
                if (m.fc > 1 && B(m.fc - 1, 8) == -110) score += 2;
                if (m.fc < 9 && B(m.fc + 1, 8) == -110) score += 2;
            }
            if (r == 9 && B(c, 8) <= -10) {
                if (c == 3 && B(2, 9) <= -10 && B(4, 8) == -110) score -= 150;
                if (c == 7 && B(8, 9) <= -10 && B(6, 8) == -110) score -= 150;
            }
            if ((human == 0 || (computer > 0 && threat == -OU)) && (c == lkc || r == lkr) &&
                near_king(c, r, lkc, lkr))
                return score + 100;
            return score;
        case 950:
            if (e.upper_pinned) score += 10;
            if (computer > val(e.pre_upper_attacks, c, r)) score += 1;
            if (safe_mobility(s, c, r, 950) < 2) return score - 20;
            return score;
        default:
            return score;  // promoted lance, knight and silver
    }
}

}  // namespace

double evaluate_move(GameState& s, int captured, int placed, int fc, int fr, int tc, int tr) {
    const Maps& mp = s.maps;
    const EngineMemory& e = s.engine;
    const Candidate m{captured, placed, fc, fr, tc, tr, fc == -1};
    const int lkc = s.lower_king_col, lkr = s.lower_king_row;
    const int human = val(mp.lower_attacks, tc, tr);
    const int computer = val(mp.upper_attacks, tc, tr);
    const int threat = val(mp.lower_threat, tc, tr);
    auto value = [](int code) { return iabs(code); };

    // 1. The person's king is taken.
    if (captured == -OU) return 9999;
    // 2. The computer's king is left attacked.
    if (val(mp.lower_attacks, s.upper_king_col, s.upper_king_row) >= 1) return -9998;

    double score = 0;
    // 3. Check.
    if (val(mp.upper_attacks, lkc, lkr) > 0) {
        if (is_mated(s) == 1) return placed == HU ? -9998 : 9998;
        if (threat == -OU && computer > 0) score += 100;
        if (human <= 2 && val(mp.upper_guard, tc, tr) == 901 && tc != lkc && tr != lkr &&
            iabs(tc - lkc) < 2 && iabs(tr - lkr) < 2 &&
            (val(mp.upper_guard_col, tc, tr) == lkc || val(mp.upper_guard_row, tc, tr) == lkr))
            score += 900;
        if (human == 0) score += 10;
    }
    // 4. Drop or promotion.
    if (m.drop)
        score -= 5;
    else if (placed > e.moving_piece)
        score += 10;
    // 5.
    score += board_safety(s, placed, tc, tr);

    if (s.level < 2) return score;

    // 6.1 Approach to the person's king.
    const int dx = iabs(tc - lkc), dy = iabs(tr - lkr);
    if (dx > dy && e.origin_distance > dx) score += 1;
    if (dx <= dy && e.origin_distance > dy) score += 0.1;

    // 6.2 The cheapest attacker of the destination is pinned.
    {
        const int ac = val(mp.lower_threat_col, tc, tr), ar = val(mp.lower_threat_row, tc, tr);
        bool defended = val(mp.lower_attacks, ac, ar) > 0;
        bool count_ok = human == 1 || (human == 2 && val(mp.upper_attacks, lkc, lkr) > 0 &&
                                       computer > 0);
        bool on_line = (ac == lkc && tc != lkc) || (ar == lkr && tr != lkr) ||
                       (ac != lkc && ar != lkr && (tc == lkc || tr == lkr));
        if (defended && count_ok && val(e.lower_pins, ac, ar) == 1 && on_line &&
            is_legal_move(s, tc, tr, ac, ar, e.moving_piece)) {
            bool skip = false;
            if (!m.drop) {
                int pc = val(e.pre_upper_threat_col, ac, ar), pr = val(e.pre_upper_threat_row, ac, ar);
                skip = val(s.board, pc, pr) == EMPTY;
            }
            if (!skip) score += value(val(s.board, ac, ar));
        }
    }

    if (human == 0) {
        // 6.3 Quiet destination.
        if (placed != 800 && placed != 801 && placed != 950 && placed != 10)
            score -= bishop_fork_loss(s, tc, tr, placed);
        if (near_king(tc, tr, lkc, lkr) || placed == 20 || is_major(placed)) {
            int now = count_escape_squares(s);
            if (e.baseline_escapes > now) score += e.baseline_escapes - now;
        }
    } else {
        // 6.4 Attacked destination.
        if (computer > 0) {
            if ((s.lower_hand[4] > 0 || s.lower_hand[5] > 0) && tc >= 2 && tc <= 8) {
                int left = val(s.board, tc - 1, tr), right = val(s.board, tc + 1, tr);
                bool rook_left = left == -900 || left == -901;
                bool rook_right = right == -900 || right == -901;
                if ((left == OU && rook_right) || (right == OU && rook_left)) score -= value(placed);
            }
            if (value(placed) > value(threat)) {
                score -= value(placed);
                score += value(threat);
            }
            if (threat == -OU && tr < lkr) score += value(placed);
        } else if (m.drop) {
            score -= value(placed) + 50;
        }
    }

    // 6.5 Edge lance.
    if ((tc == 1 || tc == 9) && val(s.board, tc, 9) == -20 && placed != 20 && placed != 900 &&
        placed != 901 && tc != fc)
        score -= 0.1;

    // 6.6 Captures.
    if (captured != 0) {
        if (human > 0 && computer > 0) {
            if (value(val(s.board, tc, tr)) < value(threat)) score += value(captured);
        } else if (human > 0) {
            if (val(e.pre_lower_attacks, fc, fr) > 0 && safe_mobility(s, fc, fr, placed) == 0)
                score += value(captured);
        } else {
            score += value(captured);
            if (captured == -11 || captured == -21 || captured == -31) score += 50;
        }
    }

    // 6.7
    if (s.level >= 3) return shape_terms(s, m, score);
    return score;
}

}  // namespace rindou
