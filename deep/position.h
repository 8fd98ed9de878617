// The deep search's own position: a compact board with the coin, both hands,
// pawn files, king squares and a Zobrist key, with a move generator built
// from the rules of core/movement.h (their tables and set forms), and
// make/unmake.
//
// The sides, kinds, pieces and squares are the game's own (core/types.h);
// a square is 0..80, column by column.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/movement.h"
#include "core/state.h"
#include "core/types.h"

namespace rindou::deep {

// A board cell: 0 empty, a piece (+kind upper, -kind lower), or CELL_COIN.
constexpr int8_t CELL_COIN = 64;

inline Side cell_side(int8_t v) { return side_of(Piece(v)); }  // only for pieces
inline bool is_piece(int8_t v) { return v != 0 && v != CELL_COIN; }
inline PieceKind kind_of(int8_t v) { return rindou::kind_of(Piece(v)); }
inline int8_t make_cell(Side side, PieceKind kind) { return make_piece(side, kind); }

int code_from_cell(int8_t v);  // cell -> game code

// The search's packed form of a move, four bytes in its move lists and
// tables: the game's move with the kinds it moves and takes, which the
// search orders moves by.
struct Move {
    rindou::Move code;
    PieceKind moved = NO_KIND;     // kind before the move
    PieceKind captured = NO_KIND;  // kind captured; KING marks a king capture

    bool pass() const { return code.is_pass(); }
    bool is_drop() const { return code.is_drop(); }
    bool promote() const { return code.promotes(); }
    PieceKind drop_kind() const { return code.dropped(); }
    // The origin of a board move.
    Square origin() const { return code.from(); }
    // The origin as a number 0..87: a square, or 80 + the kind of a drop.
    int from() const { return code.origin(); }
    Square to() const { return code.to(); }
    bool null() const { return code.is_none(); }
    uint32_t key() const { return code.raw(); }
    bool operator==(const Move& o) const { return code == o.code; }
};
static_assert(sizeof(Move) == 4);

constexpr int MAX_MOVES = 1024;
using MoveList = std::vector<Move>;

// The evaluation's value of a piece standing on a square (material and
// placement), from its owner's point of view: index [cell + 14][sq].  The
// position keeps the sum of it up to date through make and unmake.
struct Placement {
    int value[29][SQUARE_COUNT];
};
const Placement& placement();

// Sliders: the kinds whose reach the evaluation counts.
inline bool counts_reach(PieceKind kind) {
    return kind == LANCE || kind == BISHOP || kind == ROOK || kind == HORSE || kind == DRAGON;
}

struct Undo {
    int8_t captured_cell;
    Square coin_old;
    Square coin_new;
    uint64_t key;
    Side winner;
    int placed;
    SquareSet occupied[SIDE_COUNT];
    SquareSet sliders;
};

class Position {
public:
    std::array<int8_t, SQUARE_COUNT> board{};
    Square coin = make_square(5, 5);
    std::array<std::array<int, HAND_KIND_COUNT>, SIDE_COUNT> hand{};  // [side][kind 1..7]
    std::array<std::array<int, 10>, SIDE_COUNT> pawns{};  // unpromoted pawns per column 1..9
    std::array<Square, SIDE_COUNT> king{NO_SQUARE, NO_SQUARE};  // NO_SQUARE once taken
    Side side = LOWER;      // to move
    Side winner = NO_SIDE;  // the side that captured a king
    uint64_t key = 0;
    // Kept by make and unmake from the board: the squares of each side's
    // pieces, those of the sliders of both sides, and the sum of the
    // placement values (the upper side's less the lower side's).
    std::array<SquareSet, SIDE_COUNT> occupied{};
    SquareSet sliders;
    int placed = 0;

    // The position of a game state, with `turn` (a turn value) to move.
    static Position from_state(const GameState& s, Side turn);
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
    bool can_capture(Side by, Square target) const;
    // The square of the cheapest piece of `by` (by the order of `value`,
    // indexed by kind) that can take on `target` with a board move, the coin
    // rule included, or NO_SQUARE.
    Square cheapest_capturer(Side by, Square target, const int* value) const;
    // Is `target` reached by a movement pattern of a piece of `by`, the
    // coin rule aside (the map of squares a side attacks)?
    bool attacked_pattern(Side by, Square target) const;

private:
    bool coin_ok(Square from, Square to) const;
    enum class Gen { ALL, CAPTURES, TACTICAL, QUIET };
    template <Gen G>
    void gen_board(MoveList& out) const;
    template <Gen G>
    void add_board_move(MoveList& out, Square from, Square to, PieceKind kind) const;
    void append_drops(MoveList& out) const;
    template <bool CoinRule>
    bool reaches(Side by, Square target) const;

    // The unpromoted pawns of side `s` on the column of `sq`.
    int& pawn_count(Side s, Square sq) { return pawns[s][col_of(sq)]; }
    // Changes a hand count by `delta`, keeping the key in step.
    void change_hand(Side s, PieceKind kind, int delta);
    void make_drop(const Move& m);
    void make_board_move(const Move& m, Undo& u);
    void take(int8_t cap, Square sq);
    void put_piece(Square sq, int8_t v);     // onto an empty square
    void remove_piece(Square sq, int8_t v);  // v: what stood there
    void unmake_drop(const Move& m);
    void unmake_board_move(const Move& m, const Undo& u);
};

// Zobrist numbers.
struct Zobrist {
    uint64_t piece[SQUARE_COUNT][29];  // index cell + 14
    uint64_t coin[SQUARE_COUNT];
    uint64_t hand[SIDE_COUNT][HAND_KIND_COUNT][64];  // counts taken modulo 64
    uint64_t side;
};
const Zobrist& zobrist();

}  // namespace rindou::deep
