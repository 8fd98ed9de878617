#include "core/movement.h"

#include <initializer_list>

#include "core/state.h"

namespace rindou {

MoveTables::MoveTables() : step_set{}, steps_by_delta{}, near_mask{}, ray_mask{}, lines_through{}, zone{}, drop_on{},
                           column{}, coin_stays_on{} {
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        col[sq] = static_cast<uint8_t>(col_of(sq));
        row[sq] = static_cast<uint8_t>(row_of(sq));
        column[col_of(sq)].set(sq);
        for (Side side : {UPPER, LOWER})
            if (in_promotion_zone(side, row_of(sq))) zone[side].set(sq);
        for (Square f = FIRST_SQUARE; f <= LAST_SQUARE; ++f) near_delta[sq][f] = -1;
        for (int dc = -1; dc <= 1; ++dc)
            for (int dr = -2; dr <= 2; ++dr) {
                const int fc = col_of(sq) - dc, fr = row_of(sq) - dr;
                if ((dc == 0 && dr == 0) || !on_board(fc, fr)) continue;
                near_mask[sq].set(make_square(fc, fr));
                near_delta[sq][make_square(fc, fr)] = static_cast<int8_t>((dc + 1) * 5 + (dr + 2));
            }
        for (int d = 0; d < 8; ++d) {
            int n = 0;
            for (int c = col_of(sq) + LINES[d].dc, r = row_of(sq) + LINES[d].dr; on_board(c, r);
                 c += LINES[d].dc, r += LINES[d].dr)
                ray[sq][d][n++] = make_square(c, r);
            for (int i = n; i < 8; ++i) ray[sq][d][i] = FIRST_SQUARE;
            ray_n[sq][d] = static_cast<uint8_t>(n);
            for (int i = 0; i < n; ++i) {
                ray_mask[sq][d].set(ray[sq][d][i]);
                lines_through[sq].set(ray[sq][d][i]);
            }
        }
    }
    for (Side side : {UPPER, LOWER})
        for (int kind = 0; kind < KIND_COUNT; ++kind) {
            const PieceKind k = PieceKind(kind);
            slides[side][k] = static_cast<uint8_t>(slide_lines(side, k));
            const Steps steps = short_steps(side, k);
            for (int i = 0; i < steps.n; ++i) {
                const Step d = steps.step[i];
                steps_by_delta[side][k][(d.dc + 1) * 5 + (d.dr + 2)] = true;
            }
            for (int fr = 0; fr <= 9; ++fr) {
                may_stay_on[side][k][fr] = may_stand_unpromoted(side, k, fr);
                for (int tr = 0; tr <= 9; ++tr) may_promote[side][k][fr][tr] = rindou::may_promote(side, k, fr, tr);
            }
            for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
                for (int i = 0; i < steps.n; ++i) {
                    const int c = col_of(sq) + steps.step[i].dc, r = row_of(sq) + steps.step[i].dr;
                    if (on_board(c, r)) step_set[side][k][sq].set(make_square(c, r));
                }
                if (is_hand_kind(k))
                    for (int pawn = 0; pawn < 2; ++pawn)
                        if (may_drop(side, k, row_of(sq), pawn != 0)) drop_on[side][k][pawn].set(sq);
            }
        }
    // Each placement of the coin against the origin, tried on one pair of
    // squares that has it.
    for (int dc = -8; dc <= 8; ++dc)
        for (int dr = -8; dr <= 8; ++dr) {
            const Square from = make_square(dc < 0 ? 9 : 1, dr < 0 ? 9 : 1);
            const Square coin = make_square(col_of(from) + dc, row_of(from) + dr);
            for (Square to = FIRST_SQUARE; to <= LAST_SQUARE; ++to)
                if (coin_after(coin, from, to) != NO_SQUARE) coin_stays_on[dc + 8][dr + 8].set(to);
        }
}

const MoveTables& move_tables() {
    static const MoveTables tables;
    return tables;
}

}  // namespace rindou
