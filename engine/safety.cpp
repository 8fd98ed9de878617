// The board safety sweep: after a candidate move, every square is looked at
// for weak spots around the computer's camp, drop threats, hanging pieces and
// forks made by the moved piece.
#include "core/rules.h"
#include "engine/evaluation.h"
#include "engine/squares.h"

namespace rindou {

using sq::iabs;
using sq::val;

double board_safety(GameState& s, int placed, int to_col, int to_row) {
    const Maps& m = s.maps;
    const EngineMemory& e = s.engine;
    const int kc = s.upper_king_col, kr = s.upper_king_row;
    const bool gold_or_silver_in_hand = s.lower_hand[4] > 0 || s.lower_hand[5] > 0;
    const bool destination_safe = val(m.lower_attacks, to_col, to_row) == 0;

    double sum = 0;
    int fork_targets = 0;
    int cheapest_target = 9999;

    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            const int code = val(s.board, c, r);
            const int human = val(m.lower_attacks, c, r);
            const int computer = val(m.upper_attacks, c, r);

            if (code == EMPTY) {
                // 1.1 Squares the person covers.
                if (human > 0) {
                    if (iabs(c - kc) <= 1 && iabs(r - kr) <= 1) {
                        sum -= 0.5 * human;
                        if (computer == 1 && human > 1) sum -= 10;
                        if (gold_or_silver_in_hand) sum -= 10;
                    }
                    if (computer == 0 && r <= 3) {
                        sum -= 0.1;
                        if (file_exposure(s, c, r) == 1) sum -= 10;
                    }
                    if (r <= 3 && val(s.board, c, r + 1) == -10 && human >= computer) {
                        sum -= 30;
                        if (file_exposure(s, c, r + 1) == 1) sum -= 70;
                    }
                }
                // 1.2
                if (s.lower_hand_total == 0) continue;
                // 1.3 Lance skewer.
                if (s.lower_hand[2] > 0 && r >= 3 && val(s.board, c, r - 1) > 20 &&
                    (human > 0 || computer == 0)) {
                    for (int rr = r - 2; rr >= 1; --rr) {
                        int p = val(s.board, c, rr);
                        if (p == EMPTY) continue;
                        if (p > 20) sum -= 100 + 0.5 * p;
                        break;
                    }
                }
                // 1.4 Knight fork.
                if (s.lower_hand[3] > 0 && (computer == 0 || human > 0) && r >= 3 && c >= 2 &&
                    c <= 8 && val(s.board, c - 1, r - 2) > 10 && val(s.board, c + 1, r - 2) > 10)
                    sum -= 20;
                // 1.5 Gold or silver drops beside the major pieces.
                if (gold_or_silver_in_hand && computer <= 1) {
                    int majors = major_neighbours(s, c, r);
                    if (majors < -1) sum -= 5;
                    if (computer == 0 && majors < 0) {
                        sum -= 1;
                        if (r <= 3) sum -= 10;
                    }
                }
                // 1.6
                if (computer != 0) continue;
                // 1.7
                if (r == 2 && val(s.board, c, 1) == 30) sum -= 5;
                if (r <= 3) sum -= 0.1;
                // 1.8 Silver fork.
                if (s.lower_hand[4] > 0 && r >= 2 && r <= 8 && c >= 2 && c <= 8) {
                    if (val(s.board, c - 1, r - 1) >= 10 && val(s.board, c + 1, r + 1) >= 10 &&
                        val(m.upper_attacks, c - 1, r - 1) == 0 &&
                        val(m.upper_attacks, c + 1, r + 1) == 0)
                        sum -= 20;
                    if (val(s.board, c - 1, r + 1) >= 10 && val(s.board, c + 1, r - 1) >= 10 &&
                        val(m.upper_attacks, c - 1, r + 1) == 0 &&
                        val(m.upper_attacks, c + 1, r - 1) == 0)
                        sum -= 20;
                }
            } else if (code < 10) {
                // 2. A human piece or the coin.
                // 2.1 Newly attacked.
                if (val(e.pre_upper_attacks, c, r) == 0 && computer > 0) {
                    if (code == -30 && r >= 3) {
                        int above = val(s.board, c, r - 1);
                        if ((above == 100 || above == 801 || above == 901) &&
                            val(m.lower_attacks, c, r - 1) == 0)
                            sum += 1;
                    }
                    if (iabs(c - kc) <= 2 && iabs(r - kr) <= 2) sum += 15;
                }
                // 2.2
                if (code == -30 && r >= 5 && val(s.board, c, r - 4) >= 100) {
                    if (c > 1 && val(s.board, c - 1, r - 2) > -10 &&
                        val(m.upper_attacks, c - 1, r - 2) == 0)
                        sum -= 1;
                    if (c < 9 && val(s.board, c + 1, r - 2) > -10 &&
                        val(m.upper_attacks, c + 1, r - 2) == 0)
                        sum -= 1;
                }
                if ((code == -900 || code == -901 || code == -20) && c == kc) sum -= 1;
                // 2.3 Fork by the moved piece.
                if (destination_safe && (human == 0 || code == -OU) &&
                    is_legal_move(s, to_col, to_row, c, r, placed)) {
                    sum += 0.1;
                    ++fork_targets;
                    if (iabs(code) < cheapest_target) cheapest_target = iabs(code);
                }
            } else {
                // 3. A computer piece.
                // 3.1 The king on its back rank.
                if (code == OU && r == 1 && val(m.lower_attacks, c, 2) > 0) {
                    sum -= 50;
                    if (val(m.lower_attacks, c, 2) >= val(m.upper_attacks, c, 2)) sum -= 250;
                    if (gold_or_silver_in_hand) sum -= 700;
                }
                const int threat = val(m.lower_threat, c, r);
                // 3.2
                if (code == 10 && threat == -900 && s.lower_hand[1] > 0 && human >= computer &&
                    r < 9 && val(m.upper_attacks, c, r + 1) == 1)
                    sum -= 5;
                // 3.3
                if (human == 0) continue;
                const int guard = val(m.upper_guard, c, r);
                const bool attacker_free =
                    val(e.lower_pins, val(m.lower_threat_col, c, r), val(m.lower_threat_row, c, r)) ==
                    0;
                // 3.4
                if (guard == OU && (human > 1 || code > iabs(threat))) sum -= 100;
                // 3.5 The exchange loses the difference.
                if (attacker_free && code > iabs(threat)) {
                    sum -= code;
                    sum += iabs(threat);
                }
                // 3.6 Defended.
                if (computer > 0) {
                    if (attacker_free && human > computer && guard >= iabs(threat)) sum -= code;
                    if (r <= 3 && human == computer && val(s.board, c, r + 1) != EMPTY &&
                        file_exposure(s, c, r + 1) == 1)
                        sum -= code + iabs(val(m.lower_threat, c, r + 1));
                    continue;
                }
                // 3.7 Undefended.
                sum -= code;
                if (r <= 3) sum -= 10;
                int before = val(e.turn_start_board, c, r);
                if (before <= -10) sum += iabs(before);
                if (r <= 3 && (threat == -10 || threat == -20)) sum -= 20;
            }
        }
    // 4.
    if (fork_targets >= 2) sum += cheapest_target;
    return sum;
}

}  // namespace rindou
