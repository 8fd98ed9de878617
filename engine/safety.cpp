// The board safety sweep: after a candidate move, every square is looked at
// for weak spots around the computer's camp, drop threats, hanging pieces and
// forks made by the moved piece.
#include "core/rules.h"
#include "engine/evaluation.h"
#include "engine/squares.h"

namespace rindou {

using sq::iabs;
using sq::val;

namespace {

// One sweep over the board after a candidate move.  The terms are summed in
// square order (columns, then rows) into one value, which the evaluation adds
// as a single term.
class Sweep {
public:
    Sweep(Position& s, const Maps& m, const EngineMemory& e, int placed, int to_col, int to_row)
        : s_(s), m_(m), e_(e), placed_(placed), to_col_(to_col), to_row_(to_row),
          kc_(s.upper_king_col), kr_(s.upper_king_row),
          gold_or_silver_in_hand_(s.hand[LOWER][GIN_SLOT] > 0 || s.hand[LOWER][KIN_SLOT] > 0),
          destination_safe_(val(m_.lower_attacks, to_col, to_row) == 0) {}

    double run() {
        for (int c = 1; c <= 9; ++c)
            for (int r = 1; r <= 9; ++r) {
                const int code = s_.code_at(c, r);
                if (code == EMPTY)
                    empty_square(c, r);
                else if (code < HU)
                    person_piece_or_coin(c, r, code);
                else
                    computer_piece(c, r, code);
            }
        // A move that attacks two or more of the person's pieces from a safe
        // square wins at least the cheapest of them.
        if (fork_targets_ >= 2) sum_ += cheapest_target_;
        return sum_;
    }

private:
    int human(int c, int r) const { return val(m_.lower_attacks, c, r); }
    int computer(int c, int r) const { return val(m_.upper_attacks, c, r); }
    int board(int c, int r) const { return s_.code_at(c, r); }

    void empty_square(int c, int r) {
        const int h = human(c, r), k = computer(c, r);
        if (h > 0) covered_by_person(c, r, h, k);
        // Every threat below is a drop: none without pieces in the person's hand.
        if (s_.hand_total(LOWER) == 0) return;
        drop_threats(c, r, h, k);
        // The rest concern squares the computer does not cover at all.
        if (k != 0) return;
        if (r == 2 && board(c, 1) == KEI) sum_ -= 5;
        if (r <= 3) sum_ -= 0.1;
        silver_fork(c, r);
    }

    // Squares the person covers near the computer's king or in its camp.
    void covered_by_person(int c, int r, int h, int k) {
        if (iabs(c - kc_) <= 1 && iabs(r - kr_) <= 1) {
            sum_ -= 0.5 * h;
            if (k == 1 && h > 1) sum_ -= 10;
            if (gold_or_silver_in_hand_) sum_ -= 10;
        }
        if (k == 0 && r <= 3) {
            sum_ -= 0.1;
            if (file_exposure(s_, c, r) == 1) sum_ -= 10;
        }
        if (r <= 3 && board(c, r + 1) == -HU && h >= k) {
            sum_ -= 30;
            if (file_exposure(s_, c, r + 1) == 1) sum_ -= 70;
        }
    }

    // A lance skewer, a knight fork and gold or silver drops beside the
    // computer's major pieces, each from a drop on this square.
    void drop_threats(int c, int r, int h, int k) {
        if (s_.hand[LOWER][KYOU_SLOT] > 0 && r >= 3 && board(c, r - 1) > KYOU && (h > 0 || k == 0)) {
            for (int rr = r - 2; rr >= 1; --rr) {
                int p = board(c, rr);
                if (p == EMPTY) continue;
                if (p > KYOU) sum_ -= 100 + 0.5 * p;
                break;
            }
        }
        if (s_.hand[LOWER][KEI_SLOT] > 0 && (k == 0 || h > 0) && r >= 3 && c >= 2 && c <= 8 &&
            board(c - 1, r - 2) > HU && board(c + 1, r - 2) > HU)
            sum_ -= 20;
        if (gold_or_silver_in_hand_ && k <= 1) {
            int majors = major_neighbours(s_, c, r);
            if (majors < -1) sum_ -= 5;
            if (k == 0 && majors < 0) {
                sum_ -= 1;
                if (r <= 3) sum_ -= 10;
            }
        }
    }

    // A silver dropped here would attack two undefended pieces diagonally.
    void silver_fork(int c, int r) {
        if (!(s_.hand[LOWER][GIN_SLOT] > 0 && r >= 2 && r <= 8 && c >= 2 && c <= 8)) return;
        if (board(c - 1, r - 1) >= HU && board(c + 1, r + 1) >= HU &&
            computer(c - 1, r - 1) == 0 && computer(c + 1, r + 1) == 0)
            sum_ -= 20;
        if (board(c - 1, r + 1) >= HU && board(c + 1, r - 1) >= HU &&
            computer(c - 1, r + 1) == 0 && computer(c + 1, r - 1) == 0)
            sum_ -= 20;
    }

    void person_piece_or_coin(int c, int r, int code) {
        const int h = human(c, r), k = computer(c, r);
        // Newly attacked by this move.
        if (val(e_.pre_upper_attacks, c, r) == 0 && k > 0) {
            if (code == -KEI && r >= 3) {
                int above = board(c, r - 1);
                if ((above == GIN || above == UMA || above == RYU) && human(c, r - 1) == 0)
                    sum_ += 1;
            }
            if (iabs(c - kc_) <= 2 && iabs(r - kr_) <= 2) sum_ += 15;
        }
        // A knight that could jump at an uncovered square next to a strong piece.
        if (code == -KEI && r >= 5 && board(c, r - 4) >= GIN) {
            if (c > 1 && board(c - 1, r - 2) > -HU && computer(c - 1, r - 2) == 0) sum_ -= 1;
            if (c < 9 && board(c + 1, r - 2) > -HU && computer(c + 1, r - 2) == 0) sum_ -= 1;
        }
        if ((code == -SYA || code == -RYU || code == -KYOU) && c == kc_) sum_ -= 1;
        // A target of a fork by the moved piece.
        if (destination_safe_ && (h == 0 || code == -OU) &&
            is_legal_move(s_, to_col_, to_row_, c, r, placed_)) {
            sum_ += 0.1;
            ++fork_targets_;
            if (iabs(code) < cheapest_target_) cheapest_target_ = iabs(code);
        }
    }

    void computer_piece(int c, int r, int code) {
        const int h = human(c, r), k = computer(c, r);
        // The king on its back rank with the square before it attacked.
        if (code == OU && r == 1 && human(c, 2) > 0) {
            sum_ -= 50;
            if (human(c, 2) >= computer(c, 2)) sum_ -= 250;
            if (gold_or_silver_in_hand_) sum_ -= 700;
        }
        const int threat = val(m_.lower_threat, c, r);
        // A pawn a rook attacks, which a pawn drop behind it would cut off.
        if (code == HU && threat == -SYA && s_.hand[LOWER][HU_SLOT] > 0 && h >= k && r < 9 &&
            computer(c, r + 1) == 1)
            sum_ -= 5;
        if (h == 0) return;
        attacked_computer_piece(c, r, code, h, k, threat);
    }

    // A computer piece the person attacks: what the exchange would lose.
    void attacked_computer_piece(int c, int r, int code, int h, int k, int threat) {
        const int guard = val(m_.upper_guard, c, r);
        const bool attacker_free =
            val(e_.lower_pins, val(m_.lower_threat_col, c, r), val(m_.lower_threat_row, c, r)) == 0;
        if (guard == OU && (h > 1 || code > iabs(threat))) sum_ -= 100;
        if (attacker_free && code > iabs(threat)) {
            sum_ -= code;
            sum_ += iabs(threat);
        }
        if (k > 0) {
            if (attacker_free && h > k && guard >= iabs(threat)) sum_ -= code;
            if (r <= 3 && h == k && board(c, r + 1) != EMPTY && file_exposure(s_, c, r + 1) == 1)
                sum_ -= code + iabs(val(m_.lower_threat, c, r + 1));
            return;
        }
        // Undefended: lost, unless it stands where it just captured.
        sum_ -= code;
        if (r <= 3) sum_ -= 10;
        int before = val(e_.turn_start_board, c, r);
        if (before <= -HU) sum_ += iabs(before);
        if (r <= 3 && (threat == -HU || threat == -KYOU)) sum_ -= 20;
    }

    Position& s_;
    const Maps& m_;
    const EngineMemory& e_;
    const int placed_, to_col_, to_row_;
    const int kc_, kr_;
    const bool gold_or_silver_in_hand_;
    const bool destination_safe_;
    double sum_ = 0;
    int fork_targets_ = 0;
    int cheapest_target_ = 9999;
};

}  // namespace

double board_safety(Position& s, const Maps& m, const EngineMemory& e, int placed, int to_col,
                    int to_row) {
    return Sweep(s, m, e, placed, to_col, to_row).run();
}

}  // namespace rindou
