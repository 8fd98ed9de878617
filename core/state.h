// The game state of Rindou, made of its parts: the position (board, coin,
// hands, side to move), the match (who plays which side, status, clocks, the
// move record), the person's selection and hint, and the settings.  It is a
// plain value: copying it is enough to explore a position without changing
// what happens next.  What the computer and the sounds keep belongs to the
// layers above (the game as the playing layer holds it, play/game_in_play.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/types.h"

namespace rindou {

// ---- Codes ---------------------------------------------------------------
constexpr int EMPTY = 0;
constexpr int COIN = 7;

constexpr int HU = 10;     // pawn
constexpr int KYOU = 20;   // lance
constexpr int KEI = 30;    // knight
constexpr int GIN = 100;   // silver
constexpr int KIN = 110;   // gold
constexpr int KAKU = 800;  // bishop
constexpr int SYA = 900;   // rook
constexpr int OU = 950;    // king

// Promoted codes: one more than the piece's own.
constexpr int TOKIN = 11;      // promoted pawn
constexpr int NARIKYOU = 21;   // promoted lance
constexpr int NARIKEI = 31;    // promoted knight
constexpr int NARIGIN = 101;   // promoted silver
constexpr int UMA = 801;       // promoted bishop
constexpr int RYU = 901;       // promoted rook

// Hand slots 1..7, one per kind that can be held.
constexpr int HU_SLOT = 1;
constexpr int KYOU_SLOT = 2;
constexpr int KEI_SLOT = 3;
constexpr int GIN_SLOT = 4;
constexpr int KIN_SLOT = 5;
constexpr int KAKU_SLOT = 6;
constexpr int SYA_SLOT = 7;

// The hand cells beside the board: the lower hand in column 11, slot 1 on
// row 3 down to slot 7 on row 9; the upper hand in column -1, slot 1 on row 7
// up to slot 7 on row 1.  A drop of the upper side is named by its slot in
// the record and the search (column -1, row = slot).
constexpr int LOWER_HAND_COL = 11;
constexpr int UPPER_HAND_COL = -1;
constexpr int lower_hand_row(int slot) { return slot + 2; }
constexpr int upper_hand_row(int slot) { return 8 - slot; }
constexpr int lower_hand_slot(int row) { return row - 2; }
constexpr int upper_hand_slot(int row) { return 8 - row; }

// Unpromoted code of each hand slot 1..7 (index 0 unused).
constexpr std::array<int, 8> SLOT_CODE = {0, HU, KYOU, KEI, GIN, KIN, KAKU, SYA};

constexpr int MODE_HUMAN = 0;
constexpr int MODE_COM = 1;

constexpr int BOARD_SIZE = 9;
constexpr int RECORD_MAX = 500;

// Palette indices.
constexpr int BLACK = 0;
constexpr int GREEN = 2;
constexpr int FRAME_COLOUR = 2;
constexpr int LIGHT_RED = 12;
constexpr int LIGHT_YELLOW = 14;
constexpr int WHITE = 15;

// Board geometry in twips.
constexpr int board_left = 1300;
constexpr int board_top = 100;
constexpr int square_width = 615;
constexpr int square_height = 690;

// Background picture codes.
constexpr int BG_MIDORI = 2;
constexpr int BG_TATAMI = 3;
constexpr int BG_TAKE = 4;
constexpr int BG_UCHU = 5;
constexpr int BG_RENGA = 6;

// A 10 by 10 grid indexed [column][row]; only 1..9 are used.
using Grid = std::array<std::array<int, 10>, 10>;

inline bool on_board(int c, int r) { return c >= 1 && c <= 9 && r >= 1 && r <= 9; }
inline bool is_upper(int code) { return code >= HU; }
inline bool is_lower(int code) { return code <= -HU; }

// Hand slot 1..7 of a piece code of either side (promoted codes count as
// their base kind); 0 for kings and anything else.
int hand_slot(int code);

// ---- The move record -------------------------------------------------------
// The clocks of both sides before and after a move, in seconds, as the
// record keeps them.
struct MoveTimes {
    float lower_before = 0;
    float lower_after = 0;
    float upper_before = 0;
    float upper_after = 0;
};

// A move as it happened, in the numbers the record file writes: the cells
// it went from and to, the piece before and after (they differ by a
// promotion), what stood on the destination, and the clocks around it.  A
// board move goes from a square to a square.  A drop comes from column -1
// (the upper hand) or 11 (the lower hand); its row is the hand's slot where
// the computer or the search names it and the hand cell pressed where a
// person made it, as the record files always have.  A pass goes nowhere:
// every field is 0.  The move itself, as the rules play it, is the typed
// Move; core/record_store.h turns one into the other.
struct RecordEntry {
    int from_col = 0;
    int from_row = 0;
    int to_col = 0;
    int to_row = 0;
    int piece_before = 0;
    int captured = 0;
    int piece_after = 0;
    MoveTimes times;

    bool pass() const { return to_col == 0; }
};

// ---- Keeping the game on the board -------------------------------------------------
constexpr int KEEP_NOTHING = 0;  // no move of this game recorded yet
constexpr int KEEP_PENDING = 1;  // moves recorded: to be kept when it ends or is left
constexpr int KEEP_DONE = 2;     // kept (or tried to, once)
constexpr int KEEP_NEVER = 3;    // a set-up position, which no record file can replay

// ---- The parts of the game, each kept by the part of the program that owns it
// The position: what the rules read and a move changes.  The pawn-file flags
// and the kings' squares are kept here, not worked out afresh, because the
// computer reads them as they stood at its last scan of the board.
struct Position {
    // The pieces by square.  The coin stands apart: no square's piece is the
    // coin, and the grids' COIN code is made up where they are read.
    std::array<Piece, SQUARE_COUNT> squares{};
    Square coin = make_square(5, 5);
    // What each side holds, by kind (PAWN..ROOK, the hand's slots 1..7).
    std::array<std::array<int, HAND_KIND_COUNT>, SIDE_COUNT> hand{};
    std::array<int, 10> lower_pawn_file{};  // columns 1..9
    std::array<int, 10> upper_pawn_file{};
    int lower_king_col = 0, lower_king_row = 0;
    int upper_king_col = 0, upper_king_row = 0;
    // Whose move it is, as the turn values of the match name the players;
    // NO_SIDE while no game is on.
    Side side_to_move = NO_SIDE;

    Piece piece_on(Square sq) const { return squares[sq]; }
    void put(Square sq, Piece p) { squares[sq] = p; }
    void clear(Square sq) { squares[sq] = NO_PIECE; }
    void move_coin(Square sq) { coin = sq; }
    int coin_col() const { return col_of(coin); }
    int coin_row() const { return row_of(coin); }

    // The code of a square as the grids of the game read it: the piece's
    // code, COIN on the coin's square, EMPTY elsewhere and off the board.  A
    // piece the computer sets down on the coin's square while it tries a
    // move hides the coin until it is taken away again, as the coin is
    // pushed on only when the move is really made.
    int code_at(Square sq) const {
        if (squares[sq] != NO_PIECE) return code_of(squares[sq]);
        return sq == coin ? COIN : EMPTY;
    }
    int code_at(int c, int r) const { return on_board(c, r) ? code_at(make_square(c, r)) : EMPTY; }
    // Sets a square from a grid's code: a piece is put there; EMPTY and COIN
    // leave it without a piece (the coin is moved only by move_coin).
    void put_code(Square sq, int code) { squares[sq] = piece_from_code(code); }

    // The whole board as a grid of codes, indexed [column][row].
    Grid codes() const {
        Grid g{};
        for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
            const int c = col_of(sq), r = row_of(sq);
            g[c][r] = code_at(sq);
        }
        return g;
    }

    // How many pieces a side holds: the sum of its hand, never kept apart
    // from it.
    int hand_total(Side side) const {
        int n = 0;
        for (PieceKind k = PAWN; k <= ROOK; ++k) n += hand[side][k];
        return n;
    }
};

// The match: who plays which side, how it stands, its record and clocks, and
// whether it is still to be kept.
struct Match {
    // Which side moves first (the other moves second) and which side the
    // lower player holds (the upper player holds the other).  These are the
    // players' turn values, not where they sit: at start the first player
    // holds UPPER (+1 where the console and the files write it), and a game
    // the lower player starts gives that value to the lower player.
    Side sente_turn = UPPER;
    Side lower_turn = LOWER;

    int game_mode = MODE_HUMAN;
    int move_number = 0;
    Side winner = NO_SIDE;  // the turn value of the side that won
    int record_mode = 0;
    int flipped = 0;
    int turn_notice_pending = 0;

    // Clocks (seconds since midnight, single precision).
    float move_start_time = 0;
    float move_elapsed = 0;
    float lower_time_total = 0;
    float upper_time_total = 0;
    bool timer_enabled = false;  // the 50 ms clock tick (Timer1)

    // Move record: entries 1..500, entry 0 holds no move.
    std::array<RecordEntry, RECORD_MAX + 1> record{};
    int record_count = 0;
    int record_end = 0;

    Side gote_turn() const { return ~sente_turn; }
    Side upper_turn() const { return ~lower_turn; }

    // Handicap.
    int handicap_grade = 0;
    int handicap_set = 0;

    // Whether the game on the board is still to be kept (KEEP_...).
    int keep_state = KEEP_NOTHING;
};

// The person's click in progress and the hint on the board.
struct Selection {
    int select_state = 0;
    int sel_from_col = 0, sel_from_row = 0;
    int sel_to_col = 0, sel_to_row = 0;
    int sel_piece = 0;

    // The hint's move.  Its frames (the cell it starts from, its
    // destination) show while hint_shown; its words stand only as long as
    // the position is the one it was given for (hint_position, see
    // hint_words).  A new hint replaces the move only after the old frames
    // are taken off, so that the move always names the frames on the board.
    bool hint_shown = false;
    bool hint_known = false;
    Move hint_move;
    Side hint_side = NO_SIDE;  // the side of the board it is for
    uint64_t hint_position = 0;
};

// The check marks of the menus: what the settings say, one entry by one.
struct MenuMarks {
    bool level1 = false, level2 = false, level3 = false, level4 = false, level5 = false;
    bool midori = false, tatami = false, take = false, uchu = false, renga = false;
    bool sidou = false, keika = false, bgm = false;
};

// What the person chose under the menus.  The menus' check marks are worked
// out from these, so that a mark can never say other than what is in effect.
struct Settings {
    int level = 3;
    int guidance_on = 0;
    int background_code = BG_MIDORI;
    bool elapsed_shown = false;  // the clocks show the time spent
    bool music_on = false;

    // Where a piece may go is framed in white while guidance is on, and the
    // frames are wiped in the board's own green when it is off.
    int guidance_colour() const { return guidance_on ? WHITE : GREEN; }

    MenuMarks menu() const {
        MenuMarks m;
        m.level1 = level == 1;
        m.level2 = level == 2;
        m.level3 = level == 3;
        m.level4 = level == 4;
        m.level5 = level == 5;
        m.midori = background_code == BG_MIDORI;
        m.tatami = background_code == BG_TATAMI;
        m.take = background_code == BG_TAKE;
        m.uchu = background_code == BG_UCHU;
        m.renga = background_code == BG_RENGA;
        m.sidou = guidance_on != 0;
        m.keika = elapsed_shown;
        m.bgm = music_on;
        return m;
    }
};

// ---- The game state -----------------------------------------------------------
// The game is its parts.  They are bases, so that a routine that needs only
// one part can take that part, while the code that reads the game as a whole
// names each fact as before.
struct GameState : Position, Match, Selection, Settings {};

}  // namespace rindou
