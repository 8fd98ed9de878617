// The deep search's own position: a compact board with the coin, both hands,
// pawn files, king squares and a Zobrist key, with a move generator that
// produces exactly the moves the rule book accepts, and make/unmake.
//
// Sides: 0 is the upper side (positive codes, moving towards row 9), 1 the
// lower side.  Squares are 0..80, sq = (column - 1) * 9 + (row - 1).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/state.h"

namespace rindou::deep {

// Piece kinds.  1..7 are also the hand slots.
enum Kind : int8_t {
    NO_KIND = 0,
    P = 1, L = 2, N = 3, S = 4, G = 5, B = 6, R = 7, K = 8,
    PP = 9, PL = 10, PN = 11, PS = 12, PB = 13, PR = 14,
};
constexpr int KIND_COUNT = 15;

// A board cell: 0 empty, +kind upper piece, -kind lower piece, CELL_COIN.
constexpr int8_t CELL_COIN = 64;
constexpr int UPPER = 0;
constexpr int LOWER = 1;

inline int cell_side(int8_t v) { return v > 0 ? UPPER : LOWER; }  // only for pieces
inline bool is_piece(int8_t v) { return v != 0 && v != CELL_COIN; }
inline int kind_of(int8_t v) { return v < 0 ? -v : v; }
inline int8_t make_cell(int side, int kind) {
    return static_cast<int8_t>(side == UPPER ? kind : -kind);
}
inline int sq_col(int sq) { return sq / 9 + 1; }
inline int sq_row(int sq) { return sq % 9 + 1; }
inline int make_sq(int col, int row) { return (col - 1) * 9 + (row - 1); }

int promote_kind(int kind);    // the promoted kind, or 0 when it cannot promote
int unpromote_kind(int kind);  // the hand kind of a captured piece
int kind_from_code(int code);  // game code magnitude -> kind (0 for anything else)
int code_from_cell(int8_t v);  // cell -> game code

// A move.  from 0..80 is a board square; 81..87 a drop of kind from - 80.
// Moved and captured kinds ride along for ordering.
struct Move {
    uint8_t from = 0, to = 0;
    uint8_t promote = 0;
    uint8_t moved = 0;     // kind before the move
    uint8_t captured = 0;  // kind captured (0 none); K marks a king capture
    uint8_t pass = 0;

    bool is_drop() const { return from >= 81; }
    int drop_kind() const { return from - 80; }
    bool null() const { return !pass && from == 0 && to == 0; }
    uint32_t key() const {
        return pass ? 0xffffffffu
                    : (static_cast<uint32_t>(from) << 8 | to | static_cast<uint32_t>(promote) << 16);
    }
    bool operator==(const Move& o) const { return key() == o.key(); }
};

constexpr int MAX_MOVES = 1024;
using MoveList = std::vector<Move>;

// Sets of squares, one bit each: squares 0..63 in the first word, 64..80 in
// the second.
struct SquareSet {
    uint64_t w[2] = {0, 0};
    void set(int sq) { w[sq >> 6] |= uint64_t{1} << (sq & 63); }
    void clear(int sq) { w[sq >> 6] &= ~(uint64_t{1} << (sq & 63)); }
    bool has(int sq) const { return (w[sq >> 6] >> (sq & 63) & 1) != 0; }
    bool operator==(const SquareSet& o) const { return w[0] == o.w[0] && w[1] == o.w[1]; }
    // Calls f(sq) for every square in the set, lowest first.
    template <class F>
    void each(F f) const {
        for (int h = 0; h < 2; ++h)
            for (uint64_t b = w[h]; b; b &= b - 1) f(h * 64 + __builtin_ctzll(b));
    }
};

// The nearest square of a line of direction d (as the line tables number
// them) among the squares b0 | b1 of that line, which must not be empty: the
// lowest when the line runs towards higher numbers, else the highest.
inline int first_on_line(int d, uint64_t b0, uint64_t b1) {
    if ((0x35u >> d) & 1) return b0 ? __builtin_ctzll(b0) : 64 + __builtin_ctzll(b1);
    return b1 ? 127 - __builtin_clzll(b1) : 63 - __builtin_clzll(b0);
}

// The evaluation's value of a piece standing on a square (material and
// placement), from its owner's point of view: index [cell + 14][sq].  The
// position keeps the sum of it up to date through make and unmake.
struct Placement {
    int value[29][81];
};
const Placement& placement();

// Sliders: the kinds whose reach the evaluation counts.
inline bool counts_reach(int kind) { return kind == L || kind == B || kind == R || kind == PB || kind == PR; }

struct Undo {
    int8_t captured_cell;
    uint8_t coin_old;
    uint8_t coin_new;
    uint64_t key;
    int8_t winner;
    int placed;
    SquareSet occupied[2];
    SquareSet sliders;
};

class Position {
public:
    std::array<int8_t, 81> board{};
    int coin = make_sq(5, 5);
    std::array<std::array<int, 8>, 2> hand{};  // [side][kind 1..7]
    std::array<std::array<int, 10>, 2> pawns{};  // unpromoted pawns per column 1..9
    std::array<int, 2> king{-1, -1};
    int side = LOWER;  // to move
    int winner = -1;   // the side that captured a king, or -1
    uint64_t key = 0;
    // Kept by make and unmake from the board: the squares of each side's
    // pieces, those of the sliders of both sides, and the sum of the
    // placement values (the upper side's less the lower side's).
    std::array<SquareSet, 2> occupied{};
    SquareSet sliders;
    int placed = 0;

    // The position of a game state, with `turn` (a turn value) to move.
    static Position from_state(const GameState& s, int turn);
    // Writes board, coin and hands back into a game state's position fields.
    void to_state(GameState& s) const;

    void recompute_key();
    // Works out the squares and the placement sum kept with the board afresh.
    void recompute_summary();

    // Every legal move of the side to move: board moves (each promotion
    // choice its own move), then drops; a single pass when the side has no
    // board move.  Empty only when a king is gone.
    void generate(MoveList& out) const;
    // Only the captures of board pieces (for quiescence).
    void generate_captures(MoveList& out) const;
    // The same moves as generate() in two parts, so that a search which
    // stops early need not make the second: the captures and promotions,
    // then the other board moves and the drops (appended).  The second
    // returns how many board moves it added; a side with no board move in
    // either part can only pass, and then gets neither drops nor a pass
    // from them.
    void generate_tactical(MoveList& out) const;
    int append_quiet(MoveList& out) const;
    // Whether a move known by its squares, promotion and moved kind (a
    // killer from another position) is one generate() would give here: the
    // piece is there, its pattern reaches, the path is clear, the coin can
    // follow, and it may promote or stay as the move says.  Completes the
    // captured kind.
    bool is_move(Move& m) const;
    // Whether the side to move has any board move (else it must pass),
    // without generating them.
    bool has_board_move() const;
    // Completes a move known only by its squares and promotion (as the
    // search's table keeps it) with the kinds it moves and takes; false when
    // it cannot be a move of the side to move here.
    bool complete(Move& m) const;

    void make(const Move& m, Undo& u);
    // The key the position will have once m is made, without making it.
    uint64_t key_after(const Move& m) const;
    void unmake(const Move& m, const Undo& u);

    // Can `by` capture the piece on `target` with a legal board move?
    bool can_capture(int by, int target) const;
    // The square of the cheapest piece of `by` (by the order of `value`,
    // indexed by kind) that can take on `target` with a board move, the coin
    // rule included, or -1.
    int cheapest_capturer(int by, int target, const int* value) const;
    // Is `target` reached by a movement pattern of a piece of `by`, the
    // coin rule aside (the map of squares a side attacks)?
    bool attacked_pattern(int by, int target) const;

private:
    bool coin_ok(int from, int to) const;
    enum class Gen { ALL, CAPTURES, TACTICAL, QUIET };
    template <Gen G>
    void gen_board(MoveList& out) const;
    template <Gen G>
    void add_board_move(MoveList& out, int from, int to, int kind) const;
    void append_drops(MoveList& out) const;
    template <bool CoinRule>
    bool reaches(int by, int target) const;

    // The unpromoted pawns of side `s` on the column of `sq`.
    int& pawn_count(int s, int sq) {
        return pawns[static_cast<size_t>(s)][static_cast<size_t>(sq_col(sq))];
    }
    // Changes a hand count by `delta`, keeping the key in step.
    void change_hand(int s, int kind, int delta);
    void make_drop(const Move& m);
    void make_board_move(const Move& m, Undo& u);
    void take(int8_t cap, int sq);
    void put_piece(int sq, int8_t v);     // onto an empty square
    void remove_piece(int sq, int8_t v);  // v: what stood there
    void unmake_drop(const Move& m);
    void unmake_board_move(const Move& m, const Undo& u);
};

// Zobrist numbers.
struct Zobrist {
    uint64_t piece[81][29];  // index cell + 14
    uint64_t coin[81];
    uint64_t hand[2][8][64];  // counts taken modulo 64
    uint64_t side;
};
const Zobrist& zobrist();

// The squares along each of the eight lines out of a square, nearest first:
// 0 towards row 9, 1 towards row 1, 2 towards column 9, 3 towards column 1,
// then the diagonals (+1,+1), (+1,-1), (-1,+1), (-1,-1).
// Lines 0, 2, 4 and 5 run towards higher square numbers, the others towards
// lower ones.
struct Rays {
    uint8_t to[81][8][8];
    uint8_t n[81][8];
    SquareSet mask[81][8];  // the same squares as a set
};
const Rays& rays();

}  // namespace rindou::deep
