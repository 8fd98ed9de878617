#include "deep/position.h"

#include <algorithm>
#include <cstdlib>

namespace rindou::deep {

namespace {

// The rules' tables, looked up once when the program starts, so that the
// generator's inner loops do not ask on every call whether they are built.
const MoveTables& TABLES = move_tables();

inline const MoveTables& tables() { return TABLES; }

}  // namespace

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

int code_from_cell(int8_t v) { return v == CELL_COIN ? COIN : code_of(Piece(v)); }

Position Position::from_state(const GameState& s, Side turn) {
    Position p;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) p.board[sq] = s.piece_on(sq);
    p.coin = s.coin;
    p.board[p.coin] = CELL_COIN;
    for (int k = PAWN; k <= ROOK; ++k) {
        p.hand[UPPER][k] = std::max(0, s.hand[UPPER][k]);
        p.hand[LOWER][k] = std::max(0, s.hand[LOWER][k]);
    }
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        int8_t v = p.board[sq];
        if (!is_piece(v)) continue;
        if (kind_of(v) == PAWN) p.pawn_count(cell_side(v), sq)++;
        if (kind_of(v) == KING) p.king[cell_side(v)] = sq;
    }
    p.side = turn == s.upper_turn() ? UPPER : LOWER;
    p.recompute_key();
    p.recompute_summary();
    return p;
}

void Position::to_state(GameState& s) const {
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq)
        s.put(sq, board[sq] == CELL_COIN ? NO_PIECE : Piece(board[sq]));
    s.move_coin(coin);
    for (int k = PAWN; k <= ROOK; ++k) {
        s.hand[UPPER][k] = hand[UPPER][k];
        s.hand[LOWER][k] = hand[LOWER][k];
    }
}

void Position::recompute_key() {
    const Zobrist& z = ZOBRIST;
    key = 0;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        int8_t v = board[sq];
        if (is_piece(v)) key ^= z.piece[sq][v + 14];
    }
    key ^= z.coin[coin];
    for (Side s : {UPPER, LOWER})
        for (int k = PAWN; k <= ROOK; ++k) key ^= z.hand[s][k][hand[s][k] & 63];
    if (side == LOWER) key ^= z.side;
}

void Position::recompute_summary() {
    occupied = {};
    sliders = SquareSet{};
    placed = 0;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        const int8_t v = board[sq];
        if (is_piece(v)) put_piece(sq, v);
    }
}

void Position::put_piece(Square sq, int8_t v) {
    const Side s = cell_side(v);
    occupied[s].set(sq);
    if (counts_reach(kind_of(v))) sliders.set(sq);
    const int pv = PLACEMENT.value[v + 14][sq];
    placed += s == UPPER ? pv : -pv;
}

void Position::remove_piece(Square sq, int8_t v) {
    const Side s = cell_side(v);
    occupied[s].clear(sq);
    sliders.clear(sq);
    const int pv = PLACEMENT.value[v + 14][sq];
    placed -= s == UPPER ? pv : -pv;
}

inline bool Position::coin_ok(Square from, Square to) const {
    return coin_may_follow(coin, from, to, [this](Square sq) { return board[sq] == 0; });
}

// A board move onto `to`, each promotion choice its own move.  The tactical
// part keeps the captures and, of the other moves, only the promotions; the
// quiet part (called for empty squares only) the unpromoted rest.
template <Position::Gen G>
inline void Position::add_board_move(MoveList& out, Square from, Square to, PieceKind kind) const {
    Move m;
    m.code = rindou::Move::board(from, to);
    m.moved = kind;
    int8_t t = board[to];
    m.captured = is_piece(t) ? kind_of(t) : NO_KIND;
    const MoveTables& tb = tables();
    const int fr = tb.row[from], tr = tb.row[to];
    const bool can = tb.may_promote[side][kind][fr][tr];
    const bool stay = !can || tb.may_stay_on[side][kind][tr];
    if (G == Gen::QUIET) {
        if (stay) out.push_back(m);
        return;
    }
    if (stay && (G != Gen::TACTICAL || m.captured)) out.push_back(m);
    if (can) {
        m.code = rindou::Move::board(from, to, true);
        out.push_back(m);
    }
}

// The destinations of each piece are worked out as sets: what its pattern
// reaches, less its own side's squares, and only where the coin, moved by
// the same displacement, lands on the board on an empty square (or on the
// square the piece leaves).
template <Position::Gen G>
void Position::gen_board(MoveList& out) const {
    const MoveTables& t = tables();
    const SquareBits own = bits(occupied[side]);
    const SquareBits theirs = bits(occupied[~side]);
    const SquareBits occ = own | theirs | bit(coin);
    const SquareBits empty = ~occ & BOARD_BITS;
    const SquareBits zone = bits(t.zone[side]);
    occupied[side].each([&](Square from) {
        const PieceKind k = kind_of(board[from]);
        const SquareSet& steps = t.step_set[side][k][from];
        // A piece with short steps only and nothing to take there has no
        // capture, nor a tactical move outside the far rows.
        if ((G == Gen::CAPTURES || G == Gen::TACTICAL) && t.slides[side][k] == 0) {
            SquareSet wanted = occupied[~side];
            if (G == Gen::TACTICAL && promotable(k)) {
                if (t.zone[side].has(from)) wanted = steps;
                wanted.w[0] |= t.zone[side].w[0];
                wanted.w[1] |= t.zone[side].w[1];
            }
            if ((steps.w[0] & wanted.w[0]) == 0 && (steps.w[1] & wanted.w[1]) == 0) return;
        }
        const SquareBits reach = pattern_reach(t, side, k, from, occ);
        SquareBits targets;
        if (G == Gen::CAPTURES) {
            targets = reach & theirs;
        } else if (G == Gen::QUIET) {
            targets = reach & ~(own | theirs);
        } else if (G == Gen::TACTICAL) {
            // Besides the captures only promotions, so only for a piece that
            // can promote, and outside the far rows only into them.
            targets = reach & theirs;
            if (promotable(k))
                targets |= reach & ~(own | theirs) & (t.zone[side].has(from) ? BOARD_BITS : zone);
        } else {
            targets = reach & ~own;
        }
        if (targets == 0) return;
        targets &= coin_follows(t, from, coin, empty);
        for (uint64_t b = static_cast<uint64_t>(targets); b; b &= b - 1)
            add_board_move<G>(out, from, Square(__builtin_ctzll(b)), k);
        for (uint64_t b = static_cast<uint64_t>(targets >> 64); b; b &= b - 1)
            add_board_move<G>(out, from, Square(64 + __builtin_ctzll(b)), k);
    });
}

void Position::append_drops(MoveList& out) const {
    // The empty squares, the coin's excluded.
    const SquareBits empty = ~(bits(occupied[UPPER]) | bits(occupied[LOWER]) | bit(coin)) & BOARD_BITS;
    const MoveTables& t = tables();
    // The columns that hold an unpromoted pawn of the side.
    SquareBits pawn_columns = 0;
    for (int col = 1; col <= 9; ++col)
        if (pawns[side][col] > 0) pawn_columns |= bits(t.column[col]);
    for (PieceKind k = PAWN; k <= ROOK; ++k) {
        if (hand[side][k] <= 0) continue;
        const SquareBits targets =
            empty & ((bits(t.drop_on[side][k][0]) & ~pawn_columns) | (bits(t.drop_on[side][k][1]) & pawn_columns));
        Move m;
        m.moved = k;
        for (uint64_t b = static_cast<uint64_t>(targets); b; b &= b - 1) {
            m.code = rindou::Move::drop(k, Square(__builtin_ctzll(b)));
            out.push_back(m);
        }
        for (uint64_t b = static_cast<uint64_t>(targets >> 64); b; b &= b - 1) {
            m.code = rindou::Move::drop(k, Square(64 + __builtin_ctzll(b)));
            out.push_back(m);
        }
    }
}

void Position::generate(MoveList& out) const {
    out.clear();
    gen_board<Gen::ALL>(out);
    if (out.empty()) {
        Move m;
        m.code = rindou::Move::pass();
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
    if (m.pass() || m.to() >= SQUARE_COUNT) return false;
    m.captured = NO_KIND;
    if (m.is_drop()) {
        const PieceKind k = m.drop_kind();
        if (k > ROOK || m.promote() || hand[side][k] <= 0 || board[m.to()] != 0) return false;
        m.moved = k;
        return true;
    }
    const Square from = m.origin();
    const int8_t v = board[from], c = board[m.to()];
    if (!is_piece(v) || cell_side(v) != side || c == CELL_COIN || (is_piece(c) && cell_side(c) == side) ||
        from == m.to() || !coin_ok(from, m.to()) || (m.promote() && !promotable(kind_of(v))))
        return false;
    m.moved = kind_of(v);
    m.captured = is_piece(c) ? kind_of(c) : NO_KIND;
    return true;
}

bool Position::is_move(Move& m) const {
    const MoveTables& t = tables();
    if (m.pass() || m.to() >= SQUARE_COUNT) return false;
    const Square to = m.to();
    if (m.is_drop()) {
        const PieceKind k = m.drop_kind();
        if (k > ROOK || m.promote() || hand[side][k] <= 0 || board[to] != 0) return false;
        if (!t.drop_on[side][k][pawns[side][t.col[to]] > 0].has(to)) return false;
        m.moved = k;
        m.captured = NO_KIND;
        return true;
    }
    const Square from = m.origin();
    const int8_t v = board[from], c = board[to];
    if (from == to || !is_piece(v) || cell_side(v) != side || (is_piece(c) && cell_side(c) == side)) return false;
    const PieceKind k = kind_of(v);
    if (!rindou::reaches(side, k, from, to, [this](Square sq) { return board[sq] == 0; })) return false;
    if (!coin_ok(from, to)) return false;
    const bool can = t.may_promote[side][k][t.row[from]][t.row[to]];
    if (m.promote() ? !can : can && !t.may_stay_on[side][k][t.row[to]]) return false;
    m.moved = k;
    m.captured = is_piece(c) ? kind_of(c) : NO_KIND;
    return true;
}

bool Position::has_board_move() const {
    const MoveTables& t = tables();
    const SquareBits own = bits(occupied[side]);
    const SquareBits occ = own | bits(occupied[~side]) | bit(coin);
    const SquareBits empty = ~occ & BOARD_BITS;
    // Every destination gives at least one move (promoting or not), so the
    // first piece with one settles it.
    for (int h = 0; h < 2; ++h)
        for (uint64_t b = occupied[side].w[h]; b; b &= b - 1) {
            const Square from = Square(h * 64 + __builtin_ctzll(b));
            const PieceKind k = kind_of(board[from]);
            if ((pattern_reach(t, side, k, from, occ) & ~own & coin_follows(t, from, coin, empty)) != 0)
                return true;
        }
    return false;
}

// Is `target` reached by a piece of `by`: by a short step (knight jumps
// included) from a neighbour, or by a slide from the first occupied square
// along a line out of the target.  With the coin rule the coin must also be
// free to move along.
template <bool CoinRule>
bool Position::reaches(Side by, Square target) const {
    const MoveTables& t = tables();
    const SquareSet& own = occupied[by];
    const SquareSet& near = t.near_mask[target];
    const int8_t* delta = t.near_delta[target];
    for (int h = 0; h < 2; ++h)
        for (uint64_t b = own.w[h] & near.w[h]; b; b &= b - 1) {
            const Square from = Square(h * 64 + __builtin_ctzll(b));
            if (t.steps_by_delta[by][kind_of(board[from])][delta[from]] && (!CoinRule || coin_ok(from, target)))
                return true;
        }
    // Only sliders on a line through the target can reach it.
    const SquareSet& lines = t.lines_through[target];
    const uint64_t mine0 = own.w[0] & sliders.w[0] & lines.w[0], mine1 = own.w[1] & sliders.w[1] & lines.w[1];
    if ((mine0 | mine1) == 0) return false;
    const uint64_t occ0 = occupied[UPPER].w[0] | occupied[LOWER].w[0] | (coin < 64 ? uint64_t{1} << coin : 0);
    const uint64_t occ1 = occupied[UPPER].w[1] | occupied[LOWER].w[1] | (coin >= 64 ? uint64_t{1} << (coin - 64) : 0);
    for (int d = 0; d < 8; ++d) {
        const SquareSet& line = t.ray_mask[target][d];
        if ((line.w[0] & mine0) == 0 && (line.w[1] & mine1) == 0) continue;
        // Only the first occupied square of the line can reach the target.
        const uint64_t b0 = line.w[0] & occ0, b1 = line.w[1] & occ1;
        const Square from = first_on_line(d, b0, b1);
        const int8_t v = board[from];
        const int back = d ^ 1;  // the direction from the attacker to the target
        if (is_piece(v) && cell_side(v) == by && (t.slides[by][kind_of(v)] >> back & 1) &&
            (!CoinRule || coin_ok(from, target)))
            return true;
    }
    return false;
}

Square Position::cheapest_capturer(Side by, Square target, const int* value) const {
    const MoveTables& t = tables();
    const SquareSet& own = occupied[by];
    const SquareSet& near = t.near_mask[target];
    const int8_t* delta = t.near_delta[target];
    Square best = NO_SQUARE;
    int best_value = 0;
    auto consider = [&](Square from) {
        const int v = value[kind_of(board[from])];
        if ((best == NO_SQUARE || v < best_value) && coin_ok(from, target)) {
            best = from;
            best_value = v;
        }
    };
    for (int h = 0; h < 2; ++h)
        for (uint64_t b = own.w[h] & near.w[h]; b; b &= b - 1) {
            const Square from = Square(h * 64 + __builtin_ctzll(b));
            if (t.steps_by_delta[by][kind_of(board[from])][delta[from]]) consider(from);
        }
    const uint64_t mine0 = own.w[0] & sliders.w[0], mine1 = own.w[1] & sliders.w[1];
    if ((mine0 | mine1) == 0) return best;
    const uint64_t occ0 = occupied[UPPER].w[0] | occupied[LOWER].w[0] | (coin < 64 ? uint64_t{1} << coin : 0);
    const uint64_t occ1 = occupied[UPPER].w[1] | occupied[LOWER].w[1] | (coin >= 64 ? uint64_t{1} << (coin - 64) : 0);
    for (int d = 0; d < 8; ++d) {
        const SquareSet& line = t.ray_mask[target][d];
        if ((line.w[0] & mine0) == 0 && (line.w[1] & mine1) == 0) continue;
        const uint64_t b0 = line.w[0] & occ0, b1 = line.w[1] & occ1;
        const Square from = first_on_line(d, b0, b1);
        const int8_t v = board[from];
        // (A piece next to the target may be met twice: no matter.)
        if (is_piece(v) && cell_side(v) == by && (t.slides[by][kind_of(v)] >> (d ^ 1) & 1)) consider(from);
    }
    return best;
}

bool Position::can_capture(Side by, Square target) const { return reaches<true>(by, target); }

bool Position::attacked_pattern(Side by, Square target) const { return reaches<false>(by, target); }

void Position::change_hand(Side s, PieceKind kind, int delta) {
    const Zobrist& z = ZOBRIST;
    int& n = hand[s][kind];
    key ^= z.hand[s][kind][n & 63];
    n += delta;
    key ^= z.hand[s][kind][n & 63];
}

uint64_t Position::key_after(const Move& m) const {
    const Zobrist& z = ZOBRIST;
    uint64_t k = key ^ z.side;
    if (m.pass()) return k;
    auto hand_change = [&](PieceKind kind, int delta) {
        const int n = hand[side][kind];
        k ^= z.hand[side][kind][n & 63] ^ z.hand[side][kind][(n + delta) & 63];
    };
    if (m.is_drop()) {
        k ^= z.piece[m.to()][make_cell(side, m.drop_kind()) + 14];
        hand_change(m.drop_kind(), -1);
        return k;
    }
    const int8_t mv = board[m.from()], cap = board[m.to()];
    if (is_piece(cap)) {
        k ^= z.piece[m.to()][cap + 14];
        if (kind_of(cap) != KING) hand_change(base_kind(kind_of(cap)), +1);
    }
    const int8_t put = m.promote() ? make_cell(side, promoted_kind(kind_of(mv))) : mv;
    k ^= z.piece[m.from()][mv + 14] ^ z.piece[m.to()][put + 14];
    k ^= z.coin[coin] ^ z.coin[coin_after(coin, m.origin(), m.to())];
    return k;
}

void Position::make(const Move& m, Undo& u) {
    u.key = key;
    u.winner = winner;
    u.coin_old = u.coin_new = coin;
    u.captured_cell = 0;
    u.placed = placed;
    u.occupied[UPPER] = occupied[UPPER];
    u.occupied[LOWER] = occupied[LOWER];
    u.sliders = sliders;
    if (m.is_drop())
        make_drop(m);
    else if (!m.pass())
        make_board_move(m, u);
    side = ~side;
    key ^= ZOBRIST.side;
}

void Position::make_drop(const Move& m) {
    const PieceKind k = m.drop_kind();
    const int8_t v = make_cell(side, k);
    board[m.to()] = v;
    put_piece(m.to(), v);
    key ^= ZOBRIST.piece[m.to()][v + 14];
    change_hand(side, k, -1);
    if (k == PAWN) pawn_count(side, m.to())++;
}

// The side to move takes the piece `cap` standing on `sq`: a king ends the
// game, any other piece goes to the hand unpromoted.
void Position::take(int8_t cap, Square sq) {
    const Side other = ~side;
    const PieceKind ck = kind_of(cap);
    key ^= ZOBRIST.piece[sq][cap + 14];
    remove_piece(sq, cap);
    if (ck == KING) {
        winner = side;
        king[other] = NO_SQUARE;
        return;
    }
    change_hand(side, base_kind(ck), +1);
    if (ck == PAWN) pawn_count(other, sq)--;
}

// The piece moves (promoting when the move says so) and the coin moves by
// the same displacement.
void Position::make_board_move(const Move& m, Undo& u) {
    const Zobrist& z = ZOBRIST;
    const Square from = m.origin();
    const int8_t mv = board[from];
    u.captured_cell = board[m.to()];
    if (is_piece(u.captured_cell)) take(u.captured_cell, m.to());
    const Square coin_new = coin_after(coin, from, m.to());
    u.coin_new = coin_new;
    key ^= z.coin[coin];
    board[coin] = 0;
    key ^= z.piece[from][mv + 14];
    board[from] = 0;
    remove_piece(from, mv);
    const PieceKind k = kind_of(mv);
    if (k == PAWN) pawn_count(side, from)--;
    const int8_t put = m.promote() ? make_cell(side, promoted_kind(k)) : mv;
    board[m.to()] = put;
    put_piece(m.to(), put);
    key ^= z.piece[m.to()][put + 14];
    if (kind_of(put) == PAWN) pawn_count(side, m.to())++;
    if (k == KING) king[side] = m.to();
    coin = coin_new;
    board[coin] = CELL_COIN;
    key ^= z.coin[coin];
}

void Position::unmake(const Move& m, const Undo& u) {
    side = ~side;
    key = u.key;
    winner = u.winner;
    placed = u.placed;
    occupied[UPPER] = u.occupied[UPPER];
    occupied[LOWER] = u.occupied[LOWER];
    sliders = u.sliders;
    if (m.is_drop())
        unmake_drop(m);
    else if (!m.pass())
        unmake_board_move(m, u);
}

void Position::unmake_drop(const Move& m) {
    const PieceKind k = m.drop_kind();
    board[m.to()] = 0;
    hand[side][k]++;
    if (k == PAWN) pawn_count(side, m.to())--;
}

void Position::unmake_board_move(const Move& m, const Undo& u) {
    const Side other = ~side;
    const Square from = m.origin();
    board[u.coin_new] = 0;
    if (kind_of(board[m.to()]) == PAWN) pawn_count(side, m.to())--;
    board[from] = make_cell(side, m.moved);
    if (m.moved == PAWN) pawn_count(side, from)++;
    if (m.moved == KING) king[side] = from;
    const int8_t cap = u.captured_cell;
    board[m.to()] = cap;
    if (is_piece(cap)) {
        const PieceKind ck = kind_of(cap);
        if (ck == KING) {
            king[other] = m.to();
        } else {
            hand[side][base_kind(ck)]--;
            if (ck == PAWN) pawn_count(other, m.to())++;
        }
    }
    board[u.coin_old] = CELL_COIN;
    coin = u.coin_old;
}

}  // namespace rindou::deep
