// The deep search's evaluation: material on the board and in hand, piece
// placement, the safety of each king, and the reach of the sliding pieces
// (which is where the coin shows: it blocks their lines).
#include <cstdlib>

#include "deep/position.h"
#include "deep/search.h"

namespace rindou::deep {

namespace {

constexpr int BOARD_VALUE[KIND_COUNT] = {0,   90,  315, 405, 495, 540, 855, 990,
                                         0,   540, 540, 540, 540, 945, 1395};
constexpr int HAND_VALUE[8] = {0, 105, 350, 450, 550, 600, 950, 1100};

// How much a piece near the other side's king adds to the pressure on it.
constexpr int ATTACK_WEIGHT[KIND_COUNT] = {0, 4, 6, 8, 12, 12, 14, 16, 0, 12, 12, 12, 12, 20, 24};

// Squares reached along a line until the first occupied one.
int ray_reach(const Position& p, int sq, int dc, int dr) {
    int n = 0;
    for (int c = sq_col(sq) + dc, r = sq_row(sq) + dr; on_board(c, r); c += dc, r += dr) {
        ++n;
        if (p.board[static_cast<size_t>(make_sq(c, r))] != 0) break;
    }
    return n;
}

int chebyshev(int a, int b) {
    int dc = std::abs(sq_col(a) - sq_col(b)), dr = std::abs(sq_row(a) - sq_row(b));
    return dc > dr ? dc : dr;
}

}  // namespace

int evaluate(const Position& p) {
    int score[2] = {0, 0};
    int pressure[2] = {0, 0};   // on the king of that side
    int defenders[2] = {0, 0};  // golds and silvers next to the king of that side
    for (int sq = 0; sq < 81; ++sq) {
        int8_t v = p.board[static_cast<size_t>(sq)];
        if (!is_piece(v)) continue;
        const int side = cell_side(v), k = kind_of(v), other = side ^ 1;
        int& sc = score[side];
        sc += BOARD_VALUE[k];
        // Rows advanced from the side's own back row.
        const int adv = side == UPPER ? sq_row(sq) - 1 : 9 - sq_row(sq);
        switch (k) {
        case P: sc += adv * 3; break;
        case S: case G: case PP: case PL: case PN: case PS:
            sc += adv >= 6 ? 10 : 0;
            break;
        case K: sc -= adv >= 3 ? (adv - 2) * 25 : 0; break;
        case B: case PB:
            sc += 4 * (ray_reach(p, sq, 1, 1) + ray_reach(p, sq, 1, -1) + ray_reach(p, sq, -1, 1) +
                       ray_reach(p, sq, -1, -1));
            break;
        case R: case PR:
            sc += 3 * (ray_reach(p, sq, 1, 0) + ray_reach(p, sq, -1, 0) + ray_reach(p, sq, 0, 1) +
                       ray_reach(p, sq, 0, -1));
            break;
        case L: sc += 2 * ray_reach(p, sq, 0, side == UPPER ? 1 : -1); break;
        default: break;
        }
        const int ok = p.king[static_cast<size_t>(other)];
        if (ok >= 0 && k != K) {
            int d = chebyshev(sq, ok);
            if (d <= 2) pressure[other] += ATTACK_WEIGHT[k] * (3 - d);
        }
        const int own_king = p.king[static_cast<size_t>(side)];
        if (own_king >= 0 && (k == G || k == S || k == PP || k == PS) && chebyshev(sq, own_king) <= 2)
            defenders[side] += chebyshev(sq, own_king) == 1 ? 2 : 1;
    }
    for (int side = 0; side < 2; ++side) {
        int in_hand = 0;
        for (int k = 1; k <= 7; ++k) {
            int n = p.hand[static_cast<size_t>(side)][static_cast<size_t>(k)];
            score[side] += n * HAND_VALUE[k];
            in_hand += k >= S ? n * 2 : n;
        }
        // Pieces in hand sharpen an attack on the other king.
        const int other = side ^ 1;
        int danger = pressure[other] * (8 + (in_hand < 12 ? in_hand : 12)) / 8;
        score[other] -= danger * danger / 48 + danger;
        score[other] += defenders[other] * 12;
    }
    int s = score[UPPER] - score[LOWER];
    s = s > EVAL_LIMIT ? EVAL_LIMIT : s < -EVAL_LIMIT ? -EVAL_LIMIT : s;
    return p.side == UPPER ? s : -s;
}

}  // namespace rindou::deep
