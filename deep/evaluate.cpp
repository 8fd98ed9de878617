// The deep search's evaluation: material on the board and in hand, piece
// placement, the safety of each king, and the reach of the sliding pieces
// (which is where the coin shows: it blocks their lines).
#include "deep/evaluate.h"

#include <cstdlib>

#include "deep/search.h"

namespace rindou::deep {

namespace {

int chebyshev(Square a, Square b) {
    int dc = std::abs(col_of(a) - col_of(b)), dr = std::abs(row_of(a) - row_of(b));
    return dc > dr ? dc : dr;
}

// What the evaluation needs to know of the board's geometry, worked out
// once: the lines a slider counts, and the squares within two steps of a
// king.
struct EvalTables {
    uint8_t slide_mask[29];  // [cell + 14]; bit d: the line d of LINES counts
    SquareSet zone[SQUARE_COUNT];              // the squares one or two steps from a square
    uint8_t dist[SQUARE_COUNT][SQUARE_COUNT];  // steps between two squares, as a king walks

    EvalTables() {
        for (int cell = -14; cell <= 14; ++cell) {
            const int i = cell + 14;
            slide_mask[i] = static_cast<uint8_t>(slide_lines(side_of_sign(cell), kind_of(static_cast<int8_t>(cell))));
        }
        for (Square k = FIRST_SQUARE; k <= LAST_SQUARE; ++k)
            for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
                const int d = chebyshev(sq, k);
                dist[k][sq] = static_cast<uint8_t>(d);
                if (d >= 1 && d <= 2) zone[k].set(sq);
            }
    }
};

// The lines out of each square, looked up once when the program starts.
const MoveTables& LINE_TABLES = move_tables();

const EvalTables& eval_tables() {
    static const EvalTables t;
    return t;
}

using ReachWeights = std::array<int, 29>;  // per square reached, [cell + 14]

void fill_tables(const EvalWeights& w, Placement& t, ReachWeights& reach) {
    for (int cell = -14; cell <= 14; ++cell) {
        const PieceKind k = kind_of(static_cast<int8_t>(cell));
        int& rw = reach[cell + 14];
        rw = k == BISHOP || k == HORSE ? w.reach_bishop : k == ROOK || k == DRAGON ? w.reach_rook : k == LANCE ? w.reach_lance : 0;
        if (cell == 0) {
            for (int& v : t.value[14]) v = 0;
            continue;
        }
        const Side side = side_of_sign(cell);
        for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
            // Rows advanced from the side's own back row.
            const int adv = side == UPPER ? row_of(sq) - 1 : 9 - row_of(sq);
            int v = w.board[k];
            switch (k) {
            case PAWN: v += adv * w.pawn_advance; break;
            case SILVER: case GOLD: case PROMOTED_PAWN: case PROMOTED_LANCE: case PROMOTED_KNIGHT: case PROMOTED_SILVER: v += adv >= 6 ? w.deep_gold : 0; break;
            case KING: v -= adv >= 3 ? (adv - 2) * w.king_advance : 0; break;
            default: break;
            }
            t.value[cell + 14][sq] = v;
        }
    }
}

// Everything but material and placement, added to `placed` (their sum, the
// upper side's less the lower side's); with a trace, each term goes there
// too.  The search's evaluate() and explain() are this one function, so
// that the account always adds up to what the search sees.
template <bool Trace>
inline int score_position(const Position& p, const EvalWeights& w, const ReachWeights& rw, int placed,
                          EvalTerms* out) {
    const EvalTables& t = eval_tables();
    const MoveTables& r = LINE_TABLES;
    // The reach of the sliders, up to and including the first occupied
    // square of each line.
    int score[SIDE_COUNT] = {placed, 0};
    SquareSet occ = p.occupied[UPPER];
    occ.w[0] |= p.occupied[LOWER].w[0];
    occ.w[1] |= p.occupied[LOWER].w[1];
    occ.set(p.coin);
    p.sliders.each([&](Square sq) {
        const int8_t v = p.board[sq];
        const int i = v + 14;
        // A kind whose reach weighs nothing need not be measured (the
        // tuned weights leave out the rooks' and lances').
        if (rw[i] == 0) return;
        unsigned lines = t.slide_mask[i];
        int reach = 0;
        while (lines) {
            const int d = __builtin_ctz(lines);
            lines &= lines - 1;
            const SquareSet& line = r.ray_mask[sq][d];
            const uint64_t b0 = line.w[0] & occ.w[0], b1 = line.w[1] & occ.w[1];
            if ((b0 | b1) == 0) {
                reach += r.ray_n[sq][d];
                continue;
            }
            reach += t.dist[sq][first_on_line(d, b0, b1)];
        }
        const int gain = rw[i] * reach;
        score[cell_side(v)] += gain;
        if constexpr (Trace) out->term[EvalTerms::REACH][cell_side(v)] += gain;
    });
    int pressure[SIDE_COUNT] = {0, 0};   // on the king of that side
    int defenders[SIDE_COUNT] = {0, 0};  // golds and silvers next to the king of that side
    for (Side side : {UPPER, LOWER}) {
        const Square k = p.king[side];
        if (k == NO_SQUARE) continue;
        const SquareSet& zone = t.zone[k];
        const uint8_t* dist = t.dist[k];
        const SquareSet& theirs = p.occupied[~side];
        const SquareSet& ours = p.occupied[side];
        for (int h = 0; h < 2; ++h) {
            for (uint64_t b = theirs.w[h] & zone.w[h]; b; b &= b - 1) {
                const int sq = h * 64 + __builtin_ctzll(b);
                const PieceKind kind = kind_of(p.board[Square(sq)]);
                pressure[side] += (kind != KING) * w.attack[kind] * (3 - dist[sq]);
            }
            for (uint64_t b = ours.w[h] & zone.w[h]; b; b &= b - 1) {
                const int sq = h * 64 + __builtin_ctzll(b);
                const PieceKind kind = kind_of(p.board[Square(sq)]);
                // Two points next to the king, one two steps away.
                constexpr unsigned DEFENDS = 1u << GOLD | 1u << SILVER | 1u << PROMOTED_PAWN | 1u << PROMOTED_SILVER;
                defenders[side] += static_cast<int>(DEFENDS >> kind & 1) * (3 - dist[sq]);
            }
        }
    }
    for (Side side : {UPPER, LOWER}) {
        int in_hand = 0;
        for (PieceKind k = PAWN; k <= ROOK; ++k) {
            int n = p.hand[side][k];
            const int v = n * w.hand[k];
            score[side] += v;
            if constexpr (Trace) out->term[EvalTerms::HAND][side] += v;
            in_hand += k >= SILVER ? n * 2 : n;
        }
        // Pieces in hand sharpen an attack on the other king.
        const Side other = ~side;
        const int counted = in_hand < w.danger_hand_cap ? in_hand : w.danger_hand_cap;
        const int danger = pressure[other] * (w.danger_base + counted) / w.danger_base;
        const int cost = danger * danger / w.danger_square + danger;
        score[other] -= cost;
        score[other] += defenders[other] * w.defender;
        if constexpr (Trace) {
            out->term[EvalTerms::KING_DANGER][other] = -cost;
            out->term[EvalTerms::DEFENDERS][other] = defenders[other] * w.defender;
            out->pressure[other] = pressure[other];
            out->attacker_hand[other] = in_hand;
        }
    }
    int s = score[UPPER] - score[LOWER];
    s = s > EVAL_LIMIT ? EVAL_LIMIT : s < -EVAL_LIMIT ? -EVAL_LIMIT : s;
    return p.side == UPPER ? s : -s;
}

struct DefaultTables {
    Placement placement;
    ReachWeights reach;
    DefaultTables() { fill_tables(DEFAULT_EVAL_WEIGHTS, placement, reach); }
};

const DefaultTables& default_tables() {
    static const DefaultTables t;
    return t;
}

EvalTerms explain_with(const Position& p, const EvalWeights& w, const Placement& placement,
                       const ReachWeights& reach) {
    EvalTerms out;
    int placed = 0;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        const int8_t v = p.board[sq];
        if (!is_piece(v)) continue;
        const Side side = cell_side(v);
        const int material = w.board[kind_of(v)];
        const int value = placement.value[v + 14][sq];
        out.term[EvalTerms::MATERIAL][side] += material;
        out.term[EvalTerms::PLACEMENT][side] += value - material;
        placed += side == UPPER ? value : -value;
    }
    out.total = score_position<true>(p, w, reach, placed, &out);
    return out;
}

}  // namespace

const Placement& placement() { return default_tables().placement; }

int evaluate(const Position& p) {
    return score_position<false>(p, DEFAULT_EVAL_WEIGHTS, default_tables().reach, p.placed, nullptr);
}

EvalTerms explain(const Position& p) {
    const DefaultTables& t = default_tables();
    return explain_with(p, DEFAULT_EVAL_WEIGHTS, t.placement, t.reach);
}

Evaluator::Evaluator(const EvalWeights& w) : w_(w) { fill_tables(w_, placement_, reach_); }

EvalTerms Evaluator::explain(const Position& p) const { return explain_with(p, w_, placement_, reach_); }

}  // namespace rindou::deep
