#include "deep/position.h"

#include <algorithm>
#include <cstdlib>

namespace rindou::deep {

namespace {

struct Delta {
    int dc, dr;
};

// Directions of the sliding tables: 0 down (towards row 9), 1 up, 2 right,
// 3 left, then the four diagonals.
constexpr Delta DIRS[8] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

// The short steps of each kind for the upper side (the lower side mirrors
// the rows).  Sliding kinds list only their extra steps.
const std::vector<Delta>& upper_steps(int kind) {
    static const std::vector<Delta> none;
    static const std::vector<Delta> pawn = {{0, 1}};
    static const std::vector<Delta> knight = {{-1, 2}, {1, 2}};
    static const std::vector<Delta> silver = {{-1, 1}, {0, 1}, {1, 1}, {-1, -1}, {1, -1}};
    static const std::vector<Delta> gold = {{-1, 1}, {0, 1}, {1, 1}, {-1, 0}, {1, 0}, {0, -1}};
    static const std::vector<Delta> king = {{0, 1},  {0, -1}, {1, 0},  {-1, 0},
                                            {1, 1},  {1, -1}, {-1, 1}, {-1, -1}};
    static const std::vector<Delta> orth = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
    static const std::vector<Delta> diag = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    switch (kind) {
    case P: return pawn;
    case N: return knight;
    case S: return silver;
    case G: case PP: case PL: case PN: case PS: return gold;
    case K: return king;
    case PB: return orth;
    case PR: return diag;
    default: return none;
    }
}

// Bit d of the sliding directions of a kind for a side.
int slide_dirs(int side, int kind) {
    switch (kind) {
    case L: return side == UPPER ? 1 << 0 : 1 << 1;
    case B: case PB: return 0xf0;
    case R: case PR: return 0x0f;
    default: return 0;
    }
}

bool in_zone(int side, int row) { return side == UPPER ? row >= 7 : row <= 3; }

// May a piece stay unpromoted on this row (it still has a move from it)?
bool may_stay(int side, int kind, int row) {
    int far = side == UPPER ? 9 - row : row - 1;  // rows left ahead
    if (kind == P || kind == L) return far >= 1;
    if (kind == N) return far >= 2;
    return true;
}

struct Tables {
    uint8_t step_to[2][KIND_COUNT][81][8];
    uint8_t step_n[2][KIND_COUNT][81];
    SquareSet step_set[2][KIND_COUNT][81];  // the squares of step_to
    uint8_t ray[81][8][8];
    uint8_t ray_n[81][8];
    uint8_t slides[2][KIND_COUNT];
    // Whether a piece of (side, kind) standing at target - delta reaches
    // target by a step: index (dc + 1) * 5 + (dr + 2).
    bool steps_by_delta[2][KIND_COUNT][15];
    // The squares a short step (a knight's jump included) can come from onto
    // a square, and the index into steps_by_delta of each; the squares of
    // each line out of a square as a set.
    SquareSet near_mask[81];
    int8_t near_delta[81][81];
    SquareSet ray_mask[81][8];
    SquareSet lines_through[81];  // the squares of all eight lines
    uint8_t col[81], row[81];
    // Whether a move of (side, kind) may promote, and whether it may also
    // stay unpromoted: index [side][kind][from row][to row].
    bool may_promote[2][KIND_COUNT][10][10];
    bool may_stay_on[2][KIND_COUNT][10];
    SquareSet zone[2];  // the three far rows of each side

    Tables() {
        for (int sq = 0; sq < 81; ++sq) {
            for (int side = 0; side < 2; ++side)
                if (in_zone(side, sq_row(sq))) zone[side].set(sq);
            col[sq] = static_cast<uint8_t>(sq_col(sq));
            row[sq] = static_cast<uint8_t>(sq_row(sq));
            for (int f = 0; f < 81; ++f) near_delta[sq][f] = -1;
            for (int dc = -1; dc <= 1; ++dc)
                for (int dr = -2; dr <= 2; ++dr) {
                    const int fc = sq_col(sq) - dc, fr = sq_row(sq) - dr;
                    if ((dc == 0 && dr == 0) || !on_board(fc, fr)) continue;
                    near_mask[sq].set(make_sq(fc, fr));
                    near_delta[sq][make_sq(fc, fr)] = static_cast<int8_t>((dc + 1) * 5 + (dr + 2));
                }
        }
        for (int side = 0; side < 2; ++side)
            for (int k = 0; k < KIND_COUNT; ++k) {
                slides[side][k] = static_cast<uint8_t>(slide_dirs(side, k));
                for (int i = 0; i < 15; ++i) steps_by_delta[side][k][i] = false;
                for (Delta d : upper_steps(k)) {
                    int dr = side == UPPER ? d.dr : -d.dr;
                    steps_by_delta[side][k][(d.dc + 1) * 5 + (dr + 2)] = true;
                }
                for (int fr = 1; fr <= 9; ++fr) {
                    may_stay_on[side][k][fr] = may_stay(side, k, fr);
                    for (int tr = 1; tr <= 9; ++tr) {
                        bool can = false;
                        if (promote_kind(k) != 0) {
                            if (k == P || k == L || k == N)
                                can = in_zone(side, tr);
                            else
                                can = in_zone(side, tr) || in_zone(side, fr);
                        }
                        may_promote[side][k][fr][tr] = can;
                    }
                }
                for (int sq = 0; sq < 81; ++sq) {
                    int n = 0;
                    for (Delta d : upper_steps(k)) {
                        int dr = side == UPPER ? d.dr : -d.dr;
                        int c = sq_col(sq) + d.dc, r = sq_row(sq) + dr;
                        if (!on_board(c, r)) continue;
                        step_to[side][k][sq][n++] = static_cast<uint8_t>(make_sq(c, r));
                        step_set[side][k][sq].set(make_sq(c, r));
                    }
                    step_n[side][k][sq] = static_cast<uint8_t>(n);
                }
            }
        for (int sq = 0; sq < 81; ++sq)
            for (int d = 0; d < 8; ++d) {
                int n = 0;
                for (int c = sq_col(sq) + DIRS[d].dc, r = sq_row(sq) + DIRS[d].dr; on_board(c, r);
                     c += DIRS[d].dc, r += DIRS[d].dr)
                    ray[sq][d][n++] = static_cast<uint8_t>(make_sq(c, r));
                ray_n[sq][d] = static_cast<uint8_t>(n);
                for (int i = 0; i < n; ++i) {
                    ray_mask[sq][d].set(ray[sq][d][i]);
                    lines_through[sq].set(ray[sq][d][i]);
                }
            }
    }
};

// Built when the program starts, so that the move generator's inner loops
// do not test on every call whether it has been built.
const Tables TABLES;

inline const Tables& tables() { return TABLES; }

}  // namespace

const Rays& rays() {
    static const Rays r = [] {
        Rays out{};
        const Tables& t = tables();
        for (int sq = 0; sq < 81; ++sq)
            for (int d = 0; d < 8; ++d) {
                out.n[sq][d] = t.ray_n[sq][d];
                out.mask[sq][d] = t.ray_mask[sq][d];
                for (int i = 0; i < 8; ++i) out.to[sq][d][i] = t.ray[sq][d][i];
            }
        return out;
    }();
    return r;
}

namespace {

uint64_t splitmix(uint64_t& x) {
    uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

const Zobrist& zobrist() {
    static const Zobrist z = [] {
        Zobrist t{};
        uint64_t seed = 0x52494e444f55ULL;
        for (auto& sq : t.piece)
            for (auto& v : sq) v = splitmix(seed);
        for (auto& v : t.coin) v = splitmix(seed);
        for (auto& s : t.hand)
            for (auto& k : s)
                for (auto& v : k) v = splitmix(seed);
        t.side = splitmix(seed);
        return t;
    }();
    return z;
}

namespace {

// Asked for in every make and unmake: looked up once, when the program
// starts, like the tables above.
const Zobrist& ZOBRIST = zobrist();
const Placement& PLACEMENT = placement();

}  // namespace

int promote_kind(int kind) {
    switch (kind) {
    case P: return PP;
    case L: return PL;
    case N: return PN;
    case S: return PS;
    case B: return PB;
    case R: return PR;
    default: return 0;
    }
}

int unpromote_kind(int kind) {
    switch (kind) {
    case PP: return P;
    case PL: return L;
    case PN: return N;
    case PS: return S;
    case PB: return B;
    case PR: return R;
    default: return kind;
    }
}

int kind_from_code(int code) {
    switch (std::abs(code)) {
    case HU: return P;
    case TOKIN: return PP;
    case KYOU: return L;
    case NARIKYOU: return PL;
    case KEI: return N;
    case NARIKEI: return PN;
    case GIN: return S;
    case NARIGIN: return PS;
    case KIN: return G;
    case KAKU: return B;
    case UMA: return PB;
    case SYA: return R;
    case RYU: return PR;
    case OU: return K;
    default: return 0;
    }
}

int code_from_cell(int8_t v) {
    static constexpr int CODES[KIND_COUNT] = {EMPTY, HU,    KYOU,     KEI,     GIN,     KIN, KAKU, SYA,
                                              OU,    TOKIN, NARIKYOU, NARIKEI, NARIGIN, UMA, RYU};
    if (v == CELL_COIN) return COIN;
    if (v == 0) return EMPTY;
    return v > 0 ? CODES[v] : -CODES[-v];
}

Position Position::from_state(const GameState& s, int turn) {
    Position p;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            int code = s.board[static_cast<size_t>(c)][static_cast<size_t>(r)];
            int k = kind_from_code(code);
            int8_t v = 0;
            if (k != 0 && (is_upper(code) || is_lower(code))) v = make_cell(code > 0 ? UPPER : LOWER, k);
            p.board[static_cast<size_t>(make_sq(c, r))] = v;
        }
    if (on_board(s.coin_col, s.coin_row)) {
        p.coin = make_sq(s.coin_col, s.coin_row);
        p.board[static_cast<size_t>(p.coin)] = CELL_COIN;
    }
    for (int k = 1; k <= 7; ++k) {
        p.hand[UPPER][static_cast<size_t>(k)] = std::max(0, s.upper_hand[static_cast<size_t>(k)]);
        p.hand[LOWER][static_cast<size_t>(k)] = std::max(0, s.lower_hand[static_cast<size_t>(k)]);
    }
    for (int sq = 0; sq < 81; ++sq) {
        int8_t v = p.board[static_cast<size_t>(sq)];
        if (!is_piece(v)) continue;
        if (kind_of(v) == P) p.pawn_count(cell_side(v), sq)++;
        if (kind_of(v) == K) p.king[static_cast<size_t>(cell_side(v))] = sq;
    }
    p.side = turn == s.upper_turn ? UPPER : LOWER;
    p.recompute_key();
    p.recompute_summary();
    return p;
}

void Position::to_state(GameState& s) const {
    for (int sq = 0; sq < 81; ++sq)
        s.board[static_cast<size_t>(sq_col(sq))][static_cast<size_t>(sq_row(sq))] =
            code_from_cell(board[static_cast<size_t>(sq)]);
    s.coin_col = sq_col(coin);
    s.coin_row = sq_row(coin);
    s.upper_hand_total = s.lower_hand_total = 0;
    for (size_t k = 1; k <= 7; ++k) {
        s.upper_hand[k] = hand[UPPER][k];
        s.lower_hand[k] = hand[LOWER][k];
        s.upper_hand_total += hand[UPPER][k];
        s.lower_hand_total += hand[LOWER][k];
    }
}

void Position::recompute_key() {
    const Zobrist& z = ZOBRIST;
    key = 0;
    for (int sq = 0; sq < 81; ++sq) {
        int8_t v = board[static_cast<size_t>(sq)];
        if (is_piece(v)) key ^= z.piece[sq][v + 14];
    }
    key ^= z.coin[coin];
    for (int s = 0; s < 2; ++s)
        for (int k = 1; k <= 7; ++k) key ^= z.hand[s][k][hand[static_cast<size_t>(s)][static_cast<size_t>(k)] & 63];
    if (side == LOWER) key ^= z.side;
}

void Position::recompute_summary() {
    occupied = {};
    sliders = SquareSet{};
    placed = 0;
    for (int sq = 0; sq < 81; ++sq) {
        const int8_t v = board[static_cast<size_t>(sq)];
        if (is_piece(v)) put_piece(sq, v);
    }
}

void Position::put_piece(int sq, int8_t v) {
    const int s = cell_side(v);
    occupied[static_cast<size_t>(s)].set(sq);
    if (counts_reach(kind_of(v))) sliders.set(sq);
    const int pv = PLACEMENT.value[v + 14][sq];
    placed += s == UPPER ? pv : -pv;
}

void Position::remove_piece(int sq, int8_t v) {
    const int s = cell_side(v);
    occupied[static_cast<size_t>(s)].clear(sq);
    sliders.clear(sq);
    const int pv = PLACEMENT.value[v + 14][sq];
    placed -= s == UPPER ? pv : -pv;
}

inline bool Position::coin_ok(int from, int to) const {
    const Tables& t = tables();
    const int nc = t.col[coin] + t.col[to] - t.col[from];
    const int nr = t.row[coin] + t.row[to] - t.row[from];
    if (!on_board(nc, nr)) return false;
    const int n = coin + to - from;  // the same displacement in square numbers
    return n == from || board[static_cast<size_t>(n)] == 0;
}

// A board move onto `to`, each promotion choice its own move.  The tactical
// part keeps the captures and, of the other moves, only the promotions; the
// quiet part (called for empty squares only) the unpromoted rest.
template <Position::Gen G>
inline void Position::add_board_move(MoveList& out, int from, int to, int kind) const {
    Move m;
    m.from = static_cast<uint8_t>(from);
    m.to = static_cast<uint8_t>(to);
    m.moved = static_cast<uint8_t>(kind);
    int8_t t = board[static_cast<size_t>(to)];
    m.captured = static_cast<uint8_t>(is_piece(t) ? kind_of(t) : 0);
    const Tables& tb = tables();
    const int fr = tb.row[from], tr = tb.row[to];
    const bool can = tb.may_promote[side][kind][fr][tr];
    const bool stay = !can || tb.may_stay_on[side][kind][tr];
    if (G == Gen::QUIET) {
        if (stay) out.push_back(m);
        return;
    }
    if (stay && (G != Gen::TACTICAL || m.captured)) out.push_back(m);
    if (can) {
        m.promote = 1;
        out.push_back(m);
    }
}

namespace {

// Squares as one 81-bit number, for the set arithmetic of the generator.
__extension__ typedef unsigned __int128 Bits;

inline Bits bits(const SquareSet& s) { return static_cast<Bits>(s.w[1]) << 64 | s.w[0]; }
constexpr Bits BOARD_BITS = (static_cast<Bits>(1) << 81) - 1;
inline Bits bit(int sq) { return static_cast<Bits>(1) << sq; }

// The squares whose row lies in rows 1 + dr .. 9 + dr (within 1..9), for
// dr = -8..8: where a square moved by dr rows may land.
struct RowBands {
    Bits band[17];
    RowBands() {
        for (int dr = -8; dr <= 8; ++dr) {
            band[dr + 8] = 0;
            for (int sq = 0; sq < 81; ++sq) {
                const int r = sq_row(sq);
                if (r - dr >= 1 && r - dr <= 9) band[dr + 8] |= bit(sq);
            }
        }
    }
};
const RowBands ROW_BANDS;

}  // namespace

// What a piece reaches by its pattern, each line up to and including its
// first occupied square, the coin rule aside.
inline Bits pattern_reach(const Tables& t, int side, int k, int from, Bits occ) {
    Bits reach = bits(t.step_set[side][k][from]);
    for (unsigned dirs = t.slides[side][k]; dirs; dirs &= dirs - 1) {
        const int d = __builtin_ctz(dirs);
        const SquareSet& line = t.ray_mask[from][d];
        const uint64_t b0 = line.w[0] & static_cast<uint64_t>(occ), b1 = line.w[1] & static_cast<uint64_t>(occ >> 64);
        if ((b0 | b1) == 0) {
            reach |= bits(line);
            continue;
        }
        reach |= bits(line) & ~bits(t.ray_mask[first_on_line(d, b0, b1)][d]);
    }
    return reach;
}

// The destinations for a piece on `from` that leave the coin, moved by the
// same displacement, on the board on an empty square or on the square the
// piece leaves.
inline Bits coin_follows(const Tables& t, int from, int coin, int coin_row, Bits empty) {
    const Bits free = empty | bit(from);
    const int shift = from - coin;
    const Bits allowed = shift >= 0 ? free << shift : free >> -shift;
    return allowed & ROW_BANDS.band[t.row[from] - coin_row + 8] & BOARD_BITS;
}

// The destinations of each piece are worked out as sets: what its pattern
// reaches, less its own side's squares, and only where the coin, moved by
// the same displacement, lands on the board on an empty square (or on the
// square the piece leaves).
template <Position::Gen G>
void Position::gen_board(MoveList& out) const {
    const Tables& t = tables();
    const Bits own = bits(occupied[static_cast<size_t>(side)]);
    const Bits theirs = bits(occupied[static_cast<size_t>(side ^ 1)]);
    const Bits occ = own | theirs | bit(coin);
    const Bits empty = ~occ & BOARD_BITS;
    const Bits zone = bits(t.zone[side]);
    const int coin_row = t.row[coin];
    occupied[static_cast<size_t>(side)].each([&](int from) {
        const int k = kind_of(board[static_cast<size_t>(from)]);
        const SquareSet& steps = t.step_set[side][k][from];
        // A piece with short steps only and nothing to take there has no
        // capture, nor a tactical move outside the far rows.
        if ((G == Gen::CAPTURES || G == Gen::TACTICAL) && t.slides[side][k] == 0) {
            SquareSet wanted = occupied[static_cast<size_t>(side ^ 1)];
            if (G == Gen::TACTICAL && promote_kind(k) != 0) {
                if (t.zone[side].has(from)) wanted = steps;
                wanted.w[0] |= t.zone[side].w[0];
                wanted.w[1] |= t.zone[side].w[1];
            }
            if ((steps.w[0] & wanted.w[0]) == 0 && (steps.w[1] & wanted.w[1]) == 0) return;
        }
        const Bits reach = pattern_reach(t, side, k, from, occ);
        Bits targets;
        if (G == Gen::CAPTURES) {
            targets = reach & theirs;
        } else if (G == Gen::QUIET) {
            targets = reach & ~(own | theirs);
        } else if (G == Gen::TACTICAL) {
            // Besides the captures only promotions, so only for a piece that
            // can promote, and outside the far rows only into them.
            targets = reach & theirs;
            if (promote_kind(k) != 0)
                targets |= reach & ~(own | theirs) & (t.zone[side].has(from) ? BOARD_BITS : zone);
        } else {
            targets = reach & ~own;
        }
        if (targets == 0) return;
        targets &= coin_follows(t, from, coin, coin_row, empty);
        for (uint64_t b = static_cast<uint64_t>(targets); b; b &= b - 1)
            add_board_move<G>(out, from, __builtin_ctzll(b), k);
        for (uint64_t b = static_cast<uint64_t>(targets >> 64); b; b &= b - 1)
            add_board_move<G>(out, from, 64 + __builtin_ctzll(b), k);
    });
}

void Position::append_drops(MoveList& out) const {
    // The empty squares, the coin's excluded.
    SquareSet empty;
    empty.w[0] = ~(occupied[0].w[0] | occupied[1].w[0]);
    empty.w[1] = ~(occupied[0].w[1] | occupied[1].w[1]) & ((uint64_t{1} << 17) - 1);
    empty.clear(coin);
    const Tables& t = tables();
    for (int k = 1; k <= 7; ++k) {
        if (hand[static_cast<size_t>(side)][static_cast<size_t>(k)] <= 0) continue;
        Move m;
        m.from = static_cast<uint8_t>(80 + k);
        m.moved = static_cast<uint8_t>(k);
        const bool limited = k == P || k == L || k == N;
        empty.each([&](int to) {
            if (k == P && pawns[static_cast<size_t>(side)][t.col[to]] > 0) return;
            if (limited && !t.may_stay_on[side][k][t.row[to]]) return;
            m.to = static_cast<uint8_t>(to);
            out.push_back(m);
        });
    }
}

void Position::generate(MoveList& out) const {
    out.clear();
    gen_board<Gen::ALL>(out);
    if (out.empty()) {
        Move m;
        m.pass = 1;
        out.push_back(m);
        return;
    }
    append_drops(out);
}

void Position::generate_captures(MoveList& out) const {
    out.clear();
    gen_board<Gen::CAPTURES>(out);
}

void Position::generate_tactical(MoveList& out) const {
    out.clear();
    gen_board<Gen::TACTICAL>(out);
}

int Position::append_quiet(MoveList& out) const {
    const size_t before = out.size();
    gen_board<Gen::QUIET>(out);
    const int board_moves = static_cast<int>(out.size() - before);
    append_drops(out);
    return board_moves;
}

bool Position::complete(Move& m) const {
    if (m.pass || m.to >= 81) return false;
    m.captured = 0;
    if (m.is_drop()) {
        const int k = m.drop_kind();
        if (k > 7 || m.promote || hand[static_cast<size_t>(side)][static_cast<size_t>(k)] <= 0 ||
            board[m.to] != 0)
            return false;
        m.moved = static_cast<uint8_t>(k);
        return true;
    }
    const int8_t v = board[m.from], c = board[m.to];
    if (!is_piece(v) || cell_side(v) != side || c == CELL_COIN || (is_piece(c) && cell_side(c) == side) ||
        m.from == m.to || !coin_ok(m.from, m.to) || (m.promote && promote_kind(kind_of(v)) == 0))
        return false;
    m.moved = static_cast<uint8_t>(kind_of(v));
    m.captured = static_cast<uint8_t>(is_piece(c) ? kind_of(c) : 0);
    return true;
}

bool Position::is_move(Move& m) const {
    const Tables& t = tables();
    if (m.pass || m.to >= 81) return false;
    const int to = m.to;
    if (m.is_drop()) {
        const int k = m.drop_kind();
        if (k > 7 || m.promote || hand[static_cast<size_t>(side)][static_cast<size_t>(k)] <= 0 ||
            board[static_cast<size_t>(to)] != 0)
            return false;
        if (k == P && pawns[static_cast<size_t>(side)][t.col[to]] > 0) return false;
        if ((k == P || k == L || k == N) && !t.may_stay_on[side][k][t.row[to]]) return false;
        m.moved = static_cast<uint8_t>(k);
        m.captured = 0;
        return true;
    }
    const int from = m.from;
    const int8_t v = board[static_cast<size_t>(from)], c = board[static_cast<size_t>(to)];
    if (from == to || !is_piece(v) || cell_side(v) != side || (is_piece(c) && cell_side(c) == side)) return false;
    const int k = kind_of(v);
    if (!t.step_set[side][k][from].has(to)) {
        // A slide: along one of the kind's lines, every square before the
        // destination empty.
        bool reached = false;
        for (int d = 0; d < 8 && !reached; ++d) {
            if (!(t.slides[side][k] >> d & 1) || !t.ray_mask[from][d].has(to)) continue;
            for (int i = 0; i < t.ray_n[from][d]; ++i) {
                const int sq = t.ray[from][d][i];
                if (sq == to) {
                    reached = true;
                    break;
                }
                if (board[static_cast<size_t>(sq)] != 0) break;
            }
        }
        if (!reached) return false;
    }
    if (!coin_ok(from, to)) return false;
    const bool can = t.may_promote[side][k][t.row[from]][t.row[to]];
    if (m.promote ? !can : can && !t.may_stay_on[side][k][t.row[to]]) return false;
    m.moved = static_cast<uint8_t>(k);
    m.captured = static_cast<uint8_t>(is_piece(c) ? kind_of(c) : 0);
    return true;
}

bool Position::has_board_move() const {
    const Tables& t = tables();
    const Bits own = bits(occupied[static_cast<size_t>(side)]);
    const Bits occ = own | bits(occupied[static_cast<size_t>(side ^ 1)]) | bit(coin);
    const Bits empty = ~occ & BOARD_BITS;
    const int coin_row = t.row[coin];
    // Every destination gives at least one move (promoting or not), so the
    // first piece with one settles it.
    for (int h = 0; h < 2; ++h)
        for (uint64_t b = occupied[static_cast<size_t>(side)].w[h]; b; b &= b - 1) {
            const int from = h * 64 + __builtin_ctzll(b);
            const int k = kind_of(board[static_cast<size_t>(from)]);
            if ((pattern_reach(t, side, k, from, occ) & ~own & coin_follows(t, from, coin, coin_row, empty)) != 0)
                return true;
        }
    return false;
}

// Is `target` reached by a piece of `by`: by a short step (knight jumps
// included) from a neighbour, or by a slide from the first occupied square
// along a line out of the target.  With the coin rule the coin must also be
// free to move along.
template <bool CoinRule>
bool Position::reaches(int by, int target) const {
    const Tables& t = tables();
    const SquareSet& own = occupied[static_cast<size_t>(by)];
    const SquareSet& near = t.near_mask[target];
    const int8_t* delta = t.near_delta[target];
    for (int h = 0; h < 2; ++h)
        for (uint64_t b = own.w[h] & near.w[h]; b; b &= b - 1) {
            const int from = h * 64 + __builtin_ctzll(b);
            if (t.steps_by_delta[by][kind_of(board[static_cast<size_t>(from)])][delta[from]] &&
                (!CoinRule || coin_ok(from, target)))
                return true;
        }
    // Only sliders on a line through the target can reach it.
    const SquareSet& lines = t.lines_through[target];
    const uint64_t mine0 = own.w[0] & sliders.w[0] & lines.w[0], mine1 = own.w[1] & sliders.w[1] & lines.w[1];
    if ((mine0 | mine1) == 0) return false;
    const uint64_t occ0 = occupied[0].w[0] | occupied[1].w[0] | (coin < 64 ? uint64_t{1} << coin : 0);
    const uint64_t occ1 = occupied[0].w[1] | occupied[1].w[1] | (coin >= 64 ? uint64_t{1} << (coin - 64) : 0);
    for (int d = 0; d < 8; ++d) {
        const SquareSet& line = t.ray_mask[target][d];
        if ((line.w[0] & mine0) == 0 && (line.w[1] & mine1) == 0) continue;
        // Only the first occupied square of the line can reach the target.
        const uint64_t b0 = line.w[0] & occ0, b1 = line.w[1] & occ1;
        const int from = first_on_line(d, b0, b1);
        const int8_t v = board[static_cast<size_t>(from)];
        const int back = d ^ 1;  // the direction from the attacker to the target
        if (is_piece(v) && cell_side(v) == by && (t.slides[by][kind_of(v)] >> back & 1) &&
            (!CoinRule || coin_ok(from, target)))
            return true;
    }
    return false;
}

int Position::cheapest_capturer(int by, int target, const int* value) const {
    const Tables& t = tables();
    const SquareSet& own = occupied[static_cast<size_t>(by)];
    const SquareSet& near = t.near_mask[target];
    const int8_t* delta = t.near_delta[target];
    int best = -1, best_value = 0;
    auto consider = [&](int from) {
        const int v = value[kind_of(board[static_cast<size_t>(from)])];
        if ((best < 0 || v < best_value) && coin_ok(from, target)) {
            best = from;
            best_value = v;
        }
    };
    for (int h = 0; h < 2; ++h)
        for (uint64_t b = own.w[h] & near.w[h]; b; b &= b - 1) {
            const int from = h * 64 + __builtin_ctzll(b);
            if (t.steps_by_delta[by][kind_of(board[static_cast<size_t>(from)])][delta[from]]) consider(from);
        }
    const uint64_t mine0 = own.w[0] & sliders.w[0], mine1 = own.w[1] & sliders.w[1];
    if ((mine0 | mine1) == 0) return best;
    const uint64_t occ0 = occupied[0].w[0] | occupied[1].w[0] | (coin < 64 ? uint64_t{1} << coin : 0);
    const uint64_t occ1 = occupied[0].w[1] | occupied[1].w[1] | (coin >= 64 ? uint64_t{1} << (coin - 64) : 0);
    for (int d = 0; d < 8; ++d) {
        const SquareSet& line = t.ray_mask[target][d];
        if ((line.w[0] & mine0) == 0 && (line.w[1] & mine1) == 0) continue;
        const uint64_t b0 = line.w[0] & occ0, b1 = line.w[1] & occ1;
        const int from = first_on_line(d, b0, b1);
        const int8_t v = board[static_cast<size_t>(from)];
        // (A piece next to the target may be met twice: no matter.)
        if (is_piece(v) && cell_side(v) == by && (t.slides[by][kind_of(v)] >> (d ^ 1) & 1)) consider(from);
    }
    return best;
}

bool Position::can_capture(int by, int target) const { return reaches<true>(by, target); }

bool Position::attacked_pattern(int by, int target) const { return reaches<false>(by, target); }

void Position::change_hand(int s, int kind, int delta) {
    const Zobrist& z = ZOBRIST;
    int& n = hand[static_cast<size_t>(s)][static_cast<size_t>(kind)];
    key ^= z.hand[s][kind][n & 63];
    n += delta;
    key ^= z.hand[s][kind][n & 63];
}

uint64_t Position::key_after(const Move& m) const {
    const Zobrist& z = ZOBRIST;
    uint64_t k = key ^ z.side;
    if (m.pass) return k;
    auto hand_change = [&](int kind, int delta) {
        const int n = hand[static_cast<size_t>(side)][static_cast<size_t>(kind)];
        k ^= z.hand[side][kind][n & 63] ^ z.hand[side][kind][(n + delta) & 63];
    };
    if (m.is_drop()) {
        k ^= z.piece[m.to][make_cell(side, m.drop_kind()) + 14];
        hand_change(m.drop_kind(), -1);
        return k;
    }
    const int8_t mv = board[m.from], cap = board[m.to];
    if (is_piece(cap)) {
        k ^= z.piece[m.to][cap + 14];
        if (kind_of(cap) != K) hand_change(unpromote_kind(kind_of(cap)), +1);
    }
    const int8_t put = m.promote ? make_cell(side, promote_kind(kind_of(mv))) : mv;
    k ^= z.piece[m.from][mv + 14] ^ z.piece[m.to][put + 14];
    k ^= z.coin[coin] ^ z.coin[coin + m.to - m.from];
    return k;
}

void Position::make(const Move& m, Undo& u) {
    u.key = key;
    u.winner = static_cast<int8_t>(winner);
    u.coin_old = u.coin_new = static_cast<uint8_t>(coin);
    u.captured_cell = 0;
    u.placed = placed;
    u.occupied[0] = occupied[0];
    u.occupied[1] = occupied[1];
    u.sliders = sliders;
    if (m.is_drop())
        make_drop(m);
    else if (!m.pass)
        make_board_move(m, u);
    side ^= 1;
    key ^= ZOBRIST.side;
}

void Position::make_drop(const Move& m) {
    const int k = m.drop_kind();
    const int8_t v = make_cell(side, k);
    board[m.to] = v;
    put_piece(m.to, v);
    key ^= ZOBRIST.piece[m.to][v + 14];
    change_hand(side, k, -1);
    if (k == P) pawn_count(side, m.to)++;
}

// The side to move takes the piece `cap` standing on `sq`: a king ends the
// game, any other piece goes to the hand unpromoted.
void Position::take(int8_t cap, int sq) {
    const int other = side ^ 1, ck = kind_of(cap);
    key ^= ZOBRIST.piece[sq][cap + 14];
    remove_piece(sq, cap);
    if (ck == K) {
        winner = side;
        king[static_cast<size_t>(other)] = -1;
        return;
    }
    change_hand(side, unpromote_kind(ck), +1);
    if (ck == P) pawn_count(other, sq)--;
}

// The piece moves (promoting when the move says so) and the coin moves by
// the same displacement.
void Position::make_board_move(const Move& m, Undo& u) {
    const Zobrist& z = ZOBRIST;
    const int8_t mv = board[m.from];
    u.captured_cell = board[m.to];
    if (is_piece(u.captured_cell)) take(u.captured_cell, m.to);
    const int coin_new = make_sq(sq_col(coin) + sq_col(m.to) - sq_col(m.from),
                                 sq_row(coin) + sq_row(m.to) - sq_row(m.from));
    u.coin_new = static_cast<uint8_t>(coin_new);
    key ^= z.coin[coin];
    board[static_cast<size_t>(coin)] = 0;
    key ^= z.piece[m.from][mv + 14];
    board[m.from] = 0;
    remove_piece(m.from, mv);
    const int k = kind_of(mv);
    if (k == P) pawn_count(side, m.from)--;
    const int8_t put = m.promote ? make_cell(side, promote_kind(k)) : mv;
    board[m.to] = put;
    put_piece(m.to, put);
    key ^= z.piece[m.to][put + 14];
    if (kind_of(put) == P) pawn_count(side, m.to)++;
    if (k == K) king[static_cast<size_t>(side)] = m.to;
    coin = coin_new;
    board[static_cast<size_t>(coin)] = CELL_COIN;
    key ^= z.coin[coin];
}

void Position::unmake(const Move& m, const Undo& u) {
    side ^= 1;
    key = u.key;
    winner = u.winner;
    placed = u.placed;
    occupied[0] = u.occupied[0];
    occupied[1] = u.occupied[1];
    sliders = u.sliders;
    if (m.is_drop())
        unmake_drop(m);
    else if (!m.pass)
        unmake_board_move(m, u);
}

void Position::unmake_drop(const Move& m) {
    const int k = m.drop_kind();
    board[m.to] = 0;
    hand[static_cast<size_t>(side)][static_cast<size_t>(k)]++;
    if (k == P) pawn_count(side, m.to)--;
}

void Position::unmake_board_move(const Move& m, const Undo& u) {
    const int other = side ^ 1;
    board[u.coin_new] = 0;
    if (kind_of(board[m.to]) == P) pawn_count(side, m.to)--;
    board[m.from] = make_cell(side, m.moved);
    if (m.moved == P) pawn_count(side, m.from)++;
    if (m.moved == K) king[static_cast<size_t>(side)] = m.from;
    const int8_t cap = u.captured_cell;
    board[m.to] = cap;
    if (is_piece(cap)) {
        const int ck = kind_of(cap);
        if (ck == K) {
            king[static_cast<size_t>(other)] = m.to;
        } else {
            hand[static_cast<size_t>(side)][static_cast<size_t>(unpromote_kind(ck))]--;
            if (ck == P) pawn_count(other, m.to)++;
        }
    }
    board[u.coin_old] = CELL_COIN;
    coin = u.coin_old;
}

}  // namespace rindou::deep
