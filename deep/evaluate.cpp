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

int chebyshev(int a, int b) {
    int dc = std::abs(sq_col(a) - sq_col(b)), dr = std::abs(sq_row(a) - sq_row(b));
    return dc > dr ? dc : dr;
}

// What the evaluation needs of a slider and of a king's surroundings,
// worked out once: the lines a slider counts and what each square of reach
// is worth, and the squares within two steps of a king.
struct EvalTables {
    uint8_t slide_mask[29];   // [cell + 14]; bit d: the line d of Rays counts
    int8_t slide_weight[29];  // per square reached
    SquareSet zone[81];     // the squares one or two steps from a square
    uint8_t dist[81][81];   // steps between two squares, as a king walks

    EvalTables() {
        for (int cell = -14; cell <= 14; ++cell) {
            const int i = cell + 14;
            slide_mask[i] = 0;
            slide_weight[i] = 0;
            const int side = cell > 0 ? UPPER : LOWER, k = kind_of(static_cast<int8_t>(cell));
            switch (k) {
            case B: case PB: slide_mask[i] = 0xf0; slide_weight[i] = 4; break;
            case R: case PR: slide_mask[i] = 0x0f; slide_weight[i] = 3; break;
            case L: slide_mask[i] = side == UPPER ? 0x01 : 0x02; slide_weight[i] = 2; break;
            default: break;
            }
        }
        for (int k = 0; k < 81; ++k)
            for (int sq = 0; sq < 81; ++sq) {
                const int d = chebyshev(sq, k);
                dist[k][sq] = static_cast<uint8_t>(d);
                if (d >= 1 && d <= 2) zone[k].set(sq);
            }
    }
};

const EvalTables& eval_tables() {
    static const EvalTables t;
    return t;
}

}  // namespace

const Placement& placement() {
    static const Placement table = [] {
        Placement t{};
        for (int cell = -14; cell <= 14; ++cell) {
            if (cell == 0) continue;
            const int side = cell > 0 ? UPPER : LOWER, k = kind_of(static_cast<int8_t>(cell));
            for (int sq = 0; sq < 81; ++sq) {
                // Rows advanced from the side's own back row.
                const int adv = side == UPPER ? sq_row(sq) - 1 : 9 - sq_row(sq);
                int v = BOARD_VALUE[k];
                switch (k) {
                case P: v += adv * 3; break;
                case S: case G: case PP: case PL: case PN: case PS: v += adv >= 6 ? 10 : 0; break;
                case K: v -= adv >= 3 ? (adv - 2) * 25 : 0; break;
                default: break;
                }
                t.value[cell + 14][sq] = v;
            }
        }
        return t;
    }();
    return table;
}

int evaluate(const Position& p) {
    const EvalTables& t = eval_tables();
    const Rays& r = rays();
    // Material and placement are kept by the position; the reach of the
    // sliders, up to and including the first occupied square of each line.
    int score[2] = {p.placed, 0};
    SquareSet occ = p.occupied[0];
    occ.w[0] |= p.occupied[1].w[0];
    occ.w[1] |= p.occupied[1].w[1];
    occ.set(p.coin);
    p.sliders.each([&](int sq) {
        const int8_t v = p.board[static_cast<size_t>(sq)];
        const int i = v + 14;
        unsigned lines = t.slide_mask[i];
        int reach = 0;
        while (lines) {
            const int d = __builtin_ctz(lines);
            lines &= lines - 1;
            const SquareSet& line = r.mask[sq][d];
            const uint64_t b0 = line.w[0] & occ.w[0], b1 = line.w[1] & occ.w[1];
            if ((b0 | b1) == 0) {
                reach += r.n[sq][d];
                continue;
            }
            // The nearest occupied square: the lowest of the line's when it
            // runs towards higher numbers, else the highest.
            int first;
            if ((0x35u >> d) & 1)
                first = b0 ? __builtin_ctzll(b0) : 64 + __builtin_ctzll(b1);
            else
                first = b1 ? 127 - __builtin_clzll(b1) : 63 - __builtin_clzll(b0);
            reach += t.dist[sq][first];
        }
        score[cell_side(v)] += t.slide_weight[i] * reach;
    });
    int pressure[2] = {0, 0};   // on the king of that side
    int defenders[2] = {0, 0};  // golds and silvers next to the king of that side
    for (int side = 0; side < 2; ++side) {
        const int k = p.king[static_cast<size_t>(side)];
        if (k < 0) continue;
        const SquareSet& zone = t.zone[k];
        const uint8_t* dist = t.dist[k];
        const SquareSet& theirs = p.occupied[static_cast<size_t>(side ^ 1)];
        const SquareSet& ours = p.occupied[static_cast<size_t>(side)];
        for (int h = 0; h < 2; ++h) {
            for (uint64_t b = theirs.w[h] & zone.w[h]; b; b &= b - 1) {
                const int sq = h * 64 + __builtin_ctzll(b);
                const int kind = kind_of(p.board[static_cast<size_t>(sq)]);
                if (kind != K) pressure[side] += ATTACK_WEIGHT[kind] * (3 - dist[sq]);
            }
            for (uint64_t b = ours.w[h] & zone.w[h]; b; b &= b - 1) {
                const int sq = h * 64 + __builtin_ctzll(b);
                const int kind = kind_of(p.board[static_cast<size_t>(sq)]);
                if (kind == G || kind == S || kind == PP || kind == PS) defenders[side] += dist[sq] == 1 ? 2 : 1;
            }
        }
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
