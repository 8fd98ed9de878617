// How the pieces move, where they may promote, stand and be dropped, and
// where the coin goes: each rule of the board stated once.  The game's
// questions (core/rules.h) and the deep search's move generator are both
// built from these statements; the tables further down are worked out from
// them when the program starts, so that the searches can ask by a lookup or
// a set operation.  The tables are speed, not rules: a change of a rule is
// made in its statement and nowhere else.
#pragma once

#include <cstdint>

#include "core/types.h"

namespace rindou {

// ---- The rules ------------------------------------------------------------------

// A displacement on the board, in columns and rows.
struct Step {
    int dc;
    int dr;
};

// The eight lines out of a square: 0 towards row 9, 1 towards row 1, 2
// towards column 9, 3 towards column 1, then the diagonals (+1,+1), (+1,-1),
// (-1,+1), (-1,-1).  Lines 0, 2, 4 and 5 run towards higher square numbers,
// the others towards lower ones; line d ^ 1 runs the opposite way of line d.
constexpr Step LINES[8] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}};

// The short steps of a kind (a knight's jumps included), at most eight.
struct Steps {
    Step step[8];
    int n;
};

// The short steps of a kind for a side.  The upper side moves towards row 9,
// the lower side towards row 1: its steps are the upper side's with the rows
// mirrored.  A sliding kind lists only the steps its lines do not give it.
constexpr Steps short_steps(Side side, PieceKind kind) {
    Steps s{};
    auto add = [&](int dc, int forward) { s.step[s.n++] = Step{dc, side == UPPER ? forward : -forward}; };
    switch (kind) {
    case PAWN: add(0, 1); break;
    case KNIGHT: add(-1, 2); add(1, 2); break;
    case SILVER: add(-1, 1); add(0, 1); add(1, 1); add(-1, -1); add(1, -1); break;
    case GOLD: case PROMOTED_PAWN: case PROMOTED_LANCE: case PROMOTED_KNIGHT: case PROMOTED_SILVER:
        add(-1, 1); add(0, 1); add(1, 1); add(-1, 0); add(1, 0); add(0, -1); break;
    case KING:
        add(0, 1); add(0, -1); add(1, 0); add(-1, 0); add(1, 1); add(1, -1); add(-1, 1); add(-1, -1); break;
    case HORSE: add(0, 1); add(0, -1); add(1, 0); add(-1, 0); break;
    case DRAGON: add(1, 1); add(1, -1); add(-1, 1); add(-1, -1); break;
    default: break;
    }
    return s;
}

// The lines a kind slides along for a side, bit d for line d of LINES: a
// lance straight ahead, a bishop (and horse) the diagonals, a rook (and
// dragon) the columns and rows.
constexpr unsigned slide_lines(Side side, PieceKind kind) {
    switch (kind) {
    case LANCE: return side == UPPER ? 1u << 0 : 1u << 1;
    case BISHOP: case HORSE: return 0xf0;
    case ROOK: case DRAGON: return 0x0f;
    default: return 0;
    }
}

// The promotion zone: the three far rows of a side.
constexpr bool in_promotion_zone(Side side, int row) { return side == UPPER ? row >= 7 : row <= 3; }

// Whether a move of a piece from one row to another may promote.  A pawn, a
// lance or a knight promotes by arriving in the zone; a silver, a bishop or
// a rook also by leaving it.  Golds, kings and promoted pieces never do.
constexpr bool may_promote(Side side, PieceKind kind, int from_row, int to_row) {
    if (!promotable(kind)) return false;
    if (kind == PAWN || kind == LANCE || kind == KNIGHT) return in_promotion_zone(side, to_row);
    return in_promotion_zone(side, to_row) || in_promotion_zone(side, from_row);
}

// Whether a piece may stand unpromoted on a row: not where it could never
// move again (a pawn or a lance on the far row, a knight on the two far
// rows).  A move there must promote, and no drop may go there.
constexpr bool may_stand_unpromoted(Side side, PieceKind kind, int row) {
    const int ahead = side == UPPER ? 9 - row : row - 1;  // rows left in front of it
    if (kind == PAWN || kind == LANCE) return ahead != 0;
    if (kind == KNIGHT) return ahead >= 2;
    return true;
}

// Whether a kind may be dropped on an empty square of a row: not a second
// unpromoted pawn of the side on its column, and nothing where it could
// never move.
constexpr bool may_drop(Side side, PieceKind kind, int row, bool own_pawn_on_column) {
    if (kind == PAWN && own_pawn_on_column) return false;
    return may_stand_unpromoted(side, kind, row);
}

// Where the coin goes when a piece moves from one square to another: by the
// same displacement, or NO_SQUARE when that takes it off the board.  Drops do
// not move it.
constexpr Square coin_after(Square coin, Square from, Square to) {
    const int c = col_of(coin) + col_of(to) - col_of(from);
    const int r = row_of(coin) + row_of(to) - row_of(from);
    if (c < 1 || c > 9 || r < 1 || r > 9) return NO_SQUARE;
    return make_square(c, r);
}

// Where on the board the coin may land: on an empty square or on the square
// the piece leaves.  Stated over sets, so that a single square (a bool) and
// a set of squares ask it alike.
template <class Set>
constexpr Set coin_may_land(Set empty, Set left_by_the_piece) {
    return empty | left_by_the_piece;
}

// Whether the coin can follow a board move: it stays on the board and may
// land where it goes.  `empty(sq)` tells whether nothing stands on a square
// (the coin itself is not nothing).
template <class IsEmpty>
bool coin_may_follow(Square coin, Square from, Square to, IsEmpty empty) {
    const Square n = coin_after(coin, from, to);
    return n != NO_SQUARE && coin_may_land<bool>(empty(n), n == from);
}

// ---- Sets of squares ----------------------------------------------------------------

// Sets of squares, one bit each: squares 0..63 in the first word, 64..80 in
// the second.
struct SquareSet {
    uint64_t w[2] = {0, 0};
    void set(Square sq) { w[sq >> 6] |= uint64_t{1} << (sq & 63); }
    void clear(Square sq) { w[sq >> 6] &= ~(uint64_t{1} << (sq & 63)); }
    bool has(Square sq) const { return (w[sq >> 6] >> (sq & 63) & 1) != 0; }
    bool operator==(const SquareSet& o) const { return w[0] == o.w[0] && w[1] == o.w[1]; }
    // Calls f(sq) for every square in the set, lowest first.
    template <class F>
    void each(F f) const {
        for (int h = 0; h < 2; ++h)
            for (uint64_t b = w[h]; b; b &= b - 1) f(Square(h * 64 + __builtin_ctzll(b)));
    }
};

// The same sets as one 81-bit number, for set arithmetic.
__extension__ typedef unsigned __int128 SquareBits;

inline SquareBits bits(const SquareSet& s) { return static_cast<SquareBits>(s.w[1]) << 64 | s.w[0]; }
constexpr SquareBits BOARD_BITS = (static_cast<SquareBits>(1) << 81) - 1;
constexpr SquareBits bit(Square sq) { return static_cast<SquareBits>(1) << sq; }

// The nearest square of a line of direction d among the squares b0 | b1 of
// that line, which must not be empty: the lowest when the line runs towards
// higher numbers, else the highest.
inline Square first_on_line(int d, uint64_t b0, uint64_t b1) {
    if ((0x35u >> d) & 1) return Square(b0 ? __builtin_ctzll(b0) : 64 + __builtin_ctzll(b1));
    return Square(b1 ? 127 - __builtin_clzll(b1) : 63 - __builtin_clzll(b0));
}

// ---- The rules as tables --------------------------------------------------------------
// Every entry is the answer of a statement above for one case.
struct MoveTables {
    // The squares a kind's short steps reach from a square.
    SquareSet step_set[SIDE_COUNT][KIND_COUNT][SQUARE_COUNT];
    // The lines a kind slides along (bit d for line d).
    uint8_t slides[SIDE_COUNT][KIND_COUNT];
    // Whether a piece of (side, kind) standing at target - delta reaches
    // target by a short step: index (dc + 1) * 5 + (dr + 2).
    bool steps_by_delta[SIDE_COUNT][KIND_COUNT][15];
    // The squares a short step (a knight's jump included) can come from
    // onto a square, and the index into steps_by_delta of each (-1 for the
    // others).
    SquareSet near_mask[SQUARE_COUNT];
    int8_t near_delta[SQUARE_COUNT][SQUARE_COUNT];
    // The squares along each line out of a square, nearest first, their
    // number, the same squares as a set, and those of all eight lines.
    Square ray[SQUARE_COUNT][8][8];
    uint8_t ray_n[SQUARE_COUNT][8];
    SquareSet ray_mask[SQUARE_COUNT][8];
    SquareSet lines_through[SQUARE_COUNT];
    uint8_t col[SQUARE_COUNT], row[SQUARE_COUNT];
    // Whether a move of (side, kind) may promote, and whether the kind may
    // stand unpromoted: index [side][kind][from row][to row], [..][row].
    bool may_promote[SIDE_COUNT][KIND_COUNT][10][10];
    bool may_stay_on[SIDE_COUNT][KIND_COUNT][10];
    SquareSet zone[SIDE_COUNT];  // the promotion zone of each side
    // Where a hand kind may be dropped among the empty squares, with and
    // without an unpromoted pawn of the side on the square's column.
    SquareSet drop_on[SIDE_COUNT][HAND_KIND_COUNT][2];
    SquareSet column[10];  // the squares of each column 1..9
    // The destinations of a board move after which the coin is still on the
    // board, by where the coin stands from the origin: index
    // [coin col - from col + 8][coin row - from row + 8].
    SquareSet coin_stays_on[17][17];

    MoveTables();
};

// Worked out before anything else of the program runs.
const MoveTables& move_tables();

// Whether a kind of a side reaches `to` from `from` by its pattern: a short
// step, or a slide along one of its lines over squares that are all empty
// before it.  `empty(sq)` tells whether nothing stands on a square.
template <class IsEmpty>
bool reaches(Side side, PieceKind kind, Square from, Square to, IsEmpty empty) {
    const MoveTables& t = move_tables();
    if (t.step_set[side][kind][from].has(to)) return true;
    for (unsigned lines = t.slides[side][kind]; lines; lines &= lines - 1) {
        const int d = __builtin_ctz(lines);
        if (!t.ray_mask[from][d].has(to)) continue;
        for (int i = 0; i < t.ray_n[from][d]; ++i) {
            const Square sq = t.ray[from][d][i];
            if (sq == to) return true;
            if (!empty(sq)) return false;
        }
    }
    return false;
}

// The same pattern as a set: every square a kind reaches from a square over
// the occupied squares `occ`, each line up to and including its first
// occupied square.
inline SquareBits pattern_reach(const MoveTables& t, Side side, PieceKind k, Square from, SquareBits occ) {
    SquareBits reach = bits(t.step_set[side][k][from]);
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

// The coin rule as a set: the destinations of a piece on `from` to which
// the coin can follow, given the empty squares (the coin's own excluded).
inline SquareBits coin_follows(const MoveTables& t, Square from, Square coin, SquareBits empty) {
    // The coin lands on coin + (to - from): the squares it may land on,
    // moved by from - coin, are the destinations that let it.
    const SquareBits landing = coin_may_land<SquareBits>(empty, bit(from));
    const int shift = from - coin;
    const SquareBits allowed = shift >= 0 ? landing << shift : landing >> -shift;
    return allowed & bits(t.coin_stays_on[t.col[coin] - t.col[from] + 8][t.row[coin] - t.row[from] + 8]);
}

}  // namespace rindou
