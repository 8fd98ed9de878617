// The square control maps: one pass over the board in which every piece walks
// its movement patterns and leaves its mark on the squares it reaches.
//
// The two sides are not treated alike.  Every lower piece records the guards
// it gives and the threats it makes with the square they come from; upper
// pieces record guards and threats only for some patterns, some with and some
// without the square.  The tables below are the whole of it.
#include "analysis/analysis.h"

namespace rindou {

namespace {

// How a lower pattern decides that a square holds an upper piece.
enum class UpperHeld { ByPiece, ByCode };  // code >= 10, or code > 0 (the coin counts)

// What an upper pattern records.
enum class Rec { No, NoSquare, WithSquare };

struct Step {
    int dc, dr;
};

constexpr Step GOLD_LOWER[] = {{0, -1}, {-1, -1}, {1, -1}, {0, 1}, {-1, 0}, {1, 0}};
constexpr Step GOLD_UPPER[] = {{0, -1}, {0, 1}, {-1, 1}, {1, 1}, {-1, 0}, {1, 0}};
constexpr Step SILVER_LOWER[] = {{0, -1}, {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
constexpr Step SILVER_UPPER[] = {{0, 1}, {-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
constexpr Step KING[] = {{0, -1}, {-1, -1}, {1, -1}, {0, 1}, {-1, 1}, {1, 1}, {-1, 0}, {1, 0}};
constexpr Step ORTHO_STEPS[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
constexpr Step DIAGONALS[] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

inline int& cell(Grid& g, int c, int r) {
    return g[c][r];
}

class Analyser {
public:
    Analyser(Position& p, Maps& m) : s_(p), m_(m) {}

    void run() {
        reset();
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 9; ++y) piece(x, y, s_.code_at(x, y));
    }

private:
    Position& s_;
    Maps& m_;

    void reset() {
        for (int c = 1; c <= 9; ++c)
            for (int r = 1; r <= 9; ++r) {
                cell(m_.lower_attacks, c, r) = 0;
                cell(m_.upper_attacks, c, r) = 0;
                cell(m_.upper_king_checks, c, r) = 0;
                cell(m_.lower_king_checks, c, r) = 0;
                cell(m_.lower_threat_col, c, r) = 0;
                cell(m_.lower_threat_row, c, r) = 0;
                cell(m_.lower_threat, c, r) = NO_THREAT;
                cell(m_.upper_threat, c, r) = NO_GUARD;
                cell(m_.lower_guard, c, r) = NO_GUARD;
                cell(m_.upper_guard, c, r) = NO_GUARD;
            }
    }

    // ---- Lower side --------------------------------------------------------
    // A lower piece reaching t: counted, recorded as guard or threat; true
    // when t holds an upper piece by the pattern's test.
    bool lower_reach(int x, int y, int tc, int tr, int k, UpperHeld held) {
        cell(m_.lower_attacks, tc, tr) += 1;
        int t = s_.code_at(tc, tr);
        if (t < 0) {
            int& guard = cell(m_.lower_guard, tc, tr);
            if (guard > k) guard = k;
            return false;
        }
        bool upper = held == UpperHeld::ByPiece ? t >= HU : t > 0;
        if (!upper) return false;
        int& threat = cell(m_.lower_threat, tc, tr);
        if (threat < k) {
            threat = k;
            cell(m_.lower_threat_col, tc, tr) = x;
            cell(m_.lower_threat_row, tc, tr) = y;
        }
        return true;
    }

    void lower_step(int x, int y, Step d, int k, UpperHeld held, bool marks, bool knight = false) {
        int tc = x + d.dc, tr = y + d.dr;
        if (!on_board(tc, tr)) return;
        if (lower_reach(x, y, tc, tr, k, held) && marks && s_.code_at(tc, tr) == OU) {
            cell(m_.upper_king_checks, x, y) = CHECKER;
            if (knight) cell(m_.upper_king_checks, tc, tr) = CHECKER;
        }
    }

    void lower_line(int x, int y, Step d, int k, UpperHeld held) {
        for (int tc = x + d.dc, tr = y + d.dr; on_board(tc, tr); tc += d.dc, tr += d.dr) {
            lower_reach(x, y, tc, tr, k, held);
            int t = s_.code_at(tc, tr);
            if (t == OU) {
                mark_line(m_.upper_king_checks, x, y, tc, tr, d);
            } else if (t != EMPTY) {
                return;
            }
        }
    }

    // ---- Upper side --------------------------------------------------------
    void upper_reach(int x, int y, int tc, int tr, int k, Rec guard, Rec threat) {
        cell(m_.upper_attacks, tc, tr) += 1;
        int t = s_.code_at(tc, tr);
        if (guard != Rec::No && t >= HU) {
            int& g = cell(m_.upper_guard, tc, tr);
            if (g > k) {
                g = k;
                if (guard == Rec::WithSquare) {
                    cell(m_.upper_guard_col, tc, tr) = x;
                    cell(m_.upper_guard_row, tc, tr) = y;
                }
            }
        } else if (threat != Rec::No && t <= -HU) {
            int& th = cell(m_.upper_threat, tc, tr);
            if (th > k) {
                th = k;
                if (threat == Rec::WithSquare) {
                    cell(m_.upper_threat_col, tc, tr) = x;
                    cell(m_.upper_threat_row, tc, tr) = y;
                }
            }
        }
    }

    void upper_step(int x, int y, Step d, int k, Rec guard, Rec threat, bool marks,
                    bool knight = false) {
        int tc = x + d.dc, tr = y + d.dr;
        if (!on_board(tc, tr)) return;
        upper_reach(x, y, tc, tr, k, guard, threat);
        if (marks && s_.code_at(tc, tr) == -OU) {
            cell(m_.lower_king_checks, x, y) = CHECKER;
            if (knight) cell(m_.lower_king_checks, tc, tr) = CHECKER;
        }
    }

    void upper_line(int x, int y, Step d, int k) {
        for (int tc = x + d.dc, tr = y + d.dr; on_board(tc, tr); tc += d.dc, tr += d.dr) {
            upper_reach(x, y, tc, tr, k, Rec::WithSquare, Rec::WithSquare);
            int t = s_.code_at(tc, tr);
            if (t == -OU) {
                mark_line(m_.lower_king_checks, x, y, tc, tr, d);
            } else if (t != EMPTY) {
                return;
            }
        }
    }

    // A line from (x, y) reaches the enemy king on (kc, kr): the squares in
    // between are check-line squares, the piece a checker.
    static void mark_line(Grid& checks, int x, int y, int kc, int kr, Step d) {
        for (int c = x + d.dc, r = y + d.dr; !(c == kc && r == kr); c += d.dc, r += d.dr)
            cell(checks, c, r) = CHECK_LINE;
        cell(checks, x, y) = CHECKER;
    }

    // ---- The pieces --------------------------------------------------------
    static constexpr auto BY_PIECE = UpperHeld::ByPiece;
    static constexpr auto BY_CODE = UpperHeld::ByCode;
    static constexpr auto NS = Rec::NoSquare;
    static constexpr auto WS = Rec::WithSquare;
    static constexpr auto NO = Rec::No;

    void piece(int x, int y, int p) {
        if (is_lower(p))
            lower_piece(x, y, p);
        else
            upper_piece(x, y, p);
    }

    void lower_piece(int x, int y, int p) {
        switch (p) {
            case -HU:
                lower_step(x, y, {0, -1}, -HU, BY_PIECE, true);
                break;
            case -TOKIN: case -NARIKYOU: case -NARIKEI: case -NARIGIN: case -KIN:
                for (Step d : GOLD_LOWER) lower_step(x, y, d, p, BY_CODE, true);
                break;
            case -KYOU:
                lower_line(x, y, {0, -1}, -KYOU, BY_CODE);
                break;
            case -KEI:
                if (y > 2) {
                    lower_step(x, y, {-1, -2}, -KEI, BY_CODE, true, true);
                    lower_step(x, y, {1, -2}, -KEI, BY_CODE, true, true);
                }
                break;
            case -GIN:
                for (Step d : SILVER_LOWER) lower_step(x, y, d, -GIN, BY_CODE, true);
                break;
            case -KAKU:
                for (Step d : DIAGONALS) lower_line(x, y, d, -KAKU, BY_CODE);
                break;
            case -UMA:
                for (Step d : ORTHO_STEPS) lower_step(x, y, d, -UMA, BY_CODE, true);
                for (Step d : DIAGONALS) lower_line(x, y, d, -KAKU, BY_CODE);
                break;
            case -SYA:
            case -RYU:
                lower_line(x, y, {0, 1}, p, BY_PIECE);
                lower_line(x, y, {0, -1}, p, BY_CODE);
                lower_line(x, y, {1, 0}, p, BY_PIECE);
                lower_line(x, y, {-1, 0}, p, BY_CODE);
                if (p == -RYU)
                    for (Step d : DIAGONALS) lower_step(x, y, d, -RYU, BY_CODE, true);
                break;
            case -OU:
                s_.lower_king_col = x;
                s_.lower_king_row = y;
                for (Step d : KING) lower_step(x, y, d, -OU, BY_PIECE, false);
                break;
            default:
                break;
        }
    }

    void upper_piece(int x, int y, int p) {
        switch (p) {
            case HU:
                upper_step(x, y, {0, 1}, HU, NS, NS, true);
                break;
            case TOKIN: case NARIKYOU: case NARIKEI: case NARIGIN: case KIN:
                for (Step d : GOLD_UPPER) upper_step(x, y, d, KIN, NS, NO, true);
                break;
            case KYOU:
                upper_line(x, y, {0, 1}, KYOU);
                break;
            case KEI:
                if (y < 8) {
                    upper_step(x, y, {-1, 2}, KEI, WS, NO, true, true);
                    upper_step(x, y, {1, 2}, KEI, WS, NO, true, true);
                }
                break;
            case GIN:
                for (Step d : SILVER_UPPER) upper_step(x, y, d, GIN, WS, NO, true);
                break;
            case KAKU:
                for (Step d : DIAGONALS) upper_line(x, y, d, KAKU);
                break;
            case UMA:
                for (Step d : ORTHO_STEPS) upper_step(x, y, d, UMA, NO, NO, true);
                for (Step d : DIAGONALS) upper_line(x, y, d, UMA);
                break;
            case SYA:
            case RYU:
                upper_line(x, y, {0, 1}, p);
                upper_line(x, y, {0, -1}, p);
                upper_line(x, y, {1, 0}, p);
                upper_line(x, y, {-1, 0}, p);
                if (p == RYU)
                    for (Step d : DIAGONALS) upper_step(x, y, d, RYU, WS, WS, true);
                break;
            case OU:
                s_.upper_king_col = x;
                s_.upper_king_row = y;
                for (Step d : KING) upper_step(x, y, d, OU, NS, NO, false);
                break;
            default:
                break;  // empty, the coin, anything else
        }
    }
};

}  // namespace

void analyse_position(Position& p, Maps& m) { Analyser(p, m).run(); }

}  // namespace rindou
