// The page playing on a server.  The server is the referee: it holds the
// game and says what was played.  The page's game only shows it: the
// server's position is put on the board as the game draws any position, the
// server's moves are played on it with the game's own move and drawing, and
// a move the person makes with the game's own picking is handed to the page
// to send, not played.  It is played when the server's `move` comes back, so
// that the board never shows a move the server has not taken.
//
// Positions and moves come in as whole numbers apart by spaces (the page
// reads the server's JSON); moves go out as the server's JSON.
#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/web/online_wire.h"
#include "core/rules.h"
#include "core/texts.h"
#include "play/flow.h"
#include "play/input.h"
#include "play/move.h"
#include "play/sound.h"
#include "record/kept_games.h"
#include "view/draw.h"

namespace rindou::web {
namespace {

bool read_ints(const char* text, std::vector<int>& out, size_t count) {
    if (!text) return false;
    std::istringstream in(text);
    out.clear();
    int v = 0;
    while (out.size() < count && in >> v) out.push_back(v);
    std::string rest;
    return out.size() == count && !(in >> rest);
}

int cell(const GameState& s, int c, int r) { return s.code_at(c, r); }

// The page's script names a player by number as it calls in (1 the lower
// player, 2 the upper, 0 or anything else nobody); this is where those
// numbers become the game's sides, and nowhere else.
Side turn_of(const GameState& s, int player) {
    switch (player) {
    case 1: return s.lower_turn;
    case 2: return s.upper_turn();
    default: return NO_SIDE;
    }
}

bool owned_by(const GameState& s, Side turn, int code) {
    return turn == s.lower_turn ? code <= -HU : turn == s.upper_turn() && code >= HU;
}

// The kings' squares, which the rules read from the state, not the board.
void find_kings(GameState& s) {
    s.lower_king_col = s.lower_king_row = s.upper_king_col = s.upper_king_row = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            if (cell(s, c, r) == -OU) s.lower_king_col = c, s.lower_king_row = r;
            if (cell(s, c, r) == OU) s.upper_king_col = c, s.upper_king_row = r;
        }
}

// The record shown beside the board stays empty: the server keeps the game's
// record, and this state is never put aside, kept or written as a game of
// the page's own.
void settle(GameState& s) {
    s.game_mode = MODE_HUMAN;
    s.winner = NO_SIDE;
    s.record_mode = 0;
    s.flipped = 0;
    s.turn_notice_pending = 0;
    s.select_state = 0;
    s.hint_shown = false;
    s.hint_known = false;
    s.record_count = 0;
    s.record_end = 0;
    s.keep_state = KEEP_DONE;
    s.timer_enabled = false;
}

// A press that finishes a move of the person's side: the server's words for
// it, or empty when the press finishes no move.
std::string finished_move(GameState& s, Side mine, int button, int col, int row) {
    if (s.select_state != 1 || !on_board(col, row) || !owned_by(s, mine, s.sel_piece)) return {};
    if (owned_by(s, mine, cell(s, col, row))) return {};
    scan_pawn_files(s);
    if (is_legal_move(s, s.sel_from_col, s.sel_from_row, col, row, s.sel_piece) != 1) return {};
    const std::string to = "[" + std::to_string(col) + "," + std::to_string(row) + "]";
    if (s.sel_from_col == LOWER_HAND_COL || s.sel_from_col == UPPER_HAND_COL)
        return "{\"drop\":" + std::to_string(std::abs(s.sel_piece)) + ",\"to\":" + to + "}";
    // The right button promotes; a piece that must promote does, whichever
    // button moved it (the server takes no move that leaves it unpromoted).
    const bool can = can_promote(s.sel_from_col, s.sel_from_row, col, row, s.sel_piece) == 1;
    const bool must = may_stay_unpromoted(row, s.sel_piece) != 1;
    const bool promote = can && (button == 2 || must);
    return "{\"from\":[" + std::to_string(s.sel_from_col) + "," + std::to_string(s.sel_from_row) +
           "],\"to\":" + to + ",\"promote\":" + (promote ? "true" : "false") + "}";
}

std::string json_string(std::string_view s) {
    std::string out = "\"";
    for (char ch : s) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (static_cast<unsigned char>(ch) < 0x20) continue;
        out += ch;
    }
    return out + "\"";
}

struct NamedText {
    const char* name;
    Text text;
};

constexpr NamedText ALL_TEXTS[] = {
#define TEXT(name, words) {#name, Text::name},
#include "core/texts_japanese.inc"
#undef TEXT
};

// The texts the page's online screens show besides those named Online….
bool wanted(std::string_view name) {
    return name.rfind("Online", 0) == 0 || name == "MenuOnline" || name == "PlayerFirst" ||
           name == "PlayerSecond" || name == "TitleHandicap" || name == "ButtonDownload" ||
           name == "HelpClose" || name == "ButtonYes" || name == "ButtonNo";
}

}  // namespace
}  // namespace rindou::web

using namespace rindou;
using namespace rindou::web;

extern "C" {

// Puts a server's position on the board: whole numbers, the side to move
// (1 lower, 2 upper, 0 nobody: the game is over), the side that moved first,
// the handicap grade, the plies played, the square of the last move (0 0 for
// none), each side's seconds left on its clock (shown in the game's clock
// places), 1 when the position given is the server's turned round for the
// player of the upper side (0 as it stands), then the board's rows 1 to 9
// (each from column 1), then the lower and the upper hand (pawn to rook).
// 1 when the board shows it, 0 when the numbers are no position or the game
// is busy.
EMSCRIPTEN_KEEPALIVE int rindou_online_set(const char* text) {
    constexpr size_t HEAD = 9;
    std::vector<int> v;
    if (!page_idle() || !read_ints(text, v, HEAD + 81 + 14)) return 0;
    const int turn = v[0], first = v[1], handicap = v[2], ply = v[3], turned = v[8];
    if (turn < 0 || turn > 2 || first < 1 || first > 2 || handicap < -10 || handicap > 10 || ply < 0 ||
        turned < 0 || turned > 1)
        return 0;
    GameState next = page_game().st;
    int coins = 0;
    // The board comes row by row, then the lower hand and the upper hand.
    size_t at = HEAD;
    for (int r = 1; r <= 9; ++r)
        for (int c = 1; c <= 9; ++c) {
            const int code = v[at++];
            if (code == COIN) {
                ++coins;
                next.move_coin(make_square(c, r));
            } else if (code != EMPTY && !is_piece_code(code)) {
                return 0;
            }
            next.put_code(make_square(c, r), code);
        }
    if (coins != 1) return 0;
    for (PieceKind k = PAWN; k <= ROOK; ++k) {
        const int lower = v[at + k - PAWN];
        const int upper = v[at + 7 + k - PAWN];
        if (lower < 0 || upper < 0 || lower > 40 || upper > 40) return 0;
        next.hand[LOWER][k] = lower;
        next.hand[UPPER][k] = upper;
    }
    next.lower_turn = LOWER;
    next.sente_turn = turn_of(next, first);
    settle(next);
    next.side_to_move = turn_of(next, turn);
    next.move_number = ply;
    next.handicap_grade = handicap;
    next.handicap_set = handicap != 0 ? 1 : 0;
    next.lower_time_total = static_cast<float>(std::max(v[6], 0));
    next.upper_time_total = static_cast<float>(std::max(v[7], 0));
    find_kings(next);
    scan_pawn_files(next);

    GameInPlay& g = page_game();
    g.st = next;
    g.view.clock_shown_second = 0;
    g.view.turned = turned == 1;
    redraw_all(g);
    draw_move_number(g, ply);
    const int lc = v[4], lr = v[5];
    if (on_board(lc, lr) && is_piece_code(cell(g.st, lc, lr))) {
        const int piece = cell(g.st, lc, lr);
        show_last_move(g, piece > 0 ? g.st.upper_turn() : g.st.lower_turn, lc, lr, piece, WHITE);
    }
    g.io.surface->present();
    return 1;
}

// Plays a move the server reports on the board: 0 for a pass; 1 from to
// (columns and rows) and 1 to promote; 2 the code dropped and the square.
// Then the coin's square the server gives.  1 when played; 0, playing
// nothing, when the move does not fit the board shown or the coin would not
// land where the server says (the page then asks the server for the whole
// game).
EMSCRIPTEN_KEEPALIVE int rindou_online_move(const char* text) {
    std::vector<int> v;
    if (!page_idle() || !read_ints(text, v, 8)) return 0;
    GameInPlay& g = page_game();
    GameState& s = g.st;
    if (s.side_to_move == NO_SIDE) return 0;
    drop_pick(g);
    const Side mover = s.side_to_move;
    if (v[0] == 0) {
        if (s.coin_col() != v[6] || s.coin_row() != v[7]) return 0;
        pass_turn(s);
        g.io.surface->present();
        return 1;
    }
    scan_pawn_files(s);
    int fc = 0, fr = 0, tc = 0, tr = 0, piece = 0, legal_row = 0;
    if (v[0] == 1) {
        fc = v[1], fr = v[2], tc = v[3], tr = v[4];
        if (!on_board(fc, fr) || !on_board(tc, tr)) return 0;
        piece = cell(s, fc, fr);
        if (!owned_by(s, mover, piece)) return 0;
        legal_row = fr;
        if (v[5] != 0) {
            piece = promotion_on(fc, fr, tr, piece);
            if (piece == 0) return 0;
        }
    } else if (v[0] == 2) {
        const int slot = hand_slot(v[1]);
        tc = v[2], tr = v[3];
        if (slot < 1 || slot > 7 || !on_board(tc, tr)) return 0;
        const bool upper = mover == s.upper_turn();
        const Side side = upper ? UPPER : LOWER;
        if (s.hand[side][PieceKind(slot)] < 1) return 0;
        piece = code_of(make_piece(side, PieceKind(slot)));
        // The upper hand's drop names its slot as the move's row, as the
        // record names it; the rules look at the cell a person clicks.
        fc = upper ? UPPER_HAND_COL : LOWER_HAND_COL;
        fr = upper ? slot : lower_hand_row(slot);
        legal_row = upper ? upper_hand_row(slot) : fr;
    } else {
        return 0;
    }
    const int before = v[0] == 1 ? cell(s, fc, fr) : piece;
    if (is_legal_move(s, fc, legal_row, tc, tr, before) != 1) return 0;
    // The coin goes where the server says, or the board shown is not the
    // server's: nothing is played then.
    const int coin_col = s.coin_col() + (v[0] == 1 ? tc - fc : 0);
    const int coin_row = s.coin_row() + (v[0] == 1 ? tr - fr : 0);
    if (coin_col != v[6] || coin_row != v[7]) return 0;
    execute_move(g, fc, fr, tc, tr, piece);
    play_piece_sound(g);
    show_last_move(g, mover, tc, tr, piece, WHITE);
    pass_turn(s);
    s.winner = NO_SIDE;
    s.move_number += 1;
    draw_move_number(g, s.move_number);
    find_kings(s);
    g.io.surface->present();
    return 1;
}

// The clocks as the server last gave them, ticking on the page: each side's
// seconds left, shown in the game's own clock places.
EMSCRIPTEN_KEEPALIVE void rindou_online_clock(int lower_seconds, int upper_seconds) {
    if (!page_idle()) return;
    GameInPlay& g = page_game();
    g.st.lower_time_total = static_cast<float>(std::max(lower_seconds, 0));
    g.st.upper_time_total = static_cast<float>(std::max(upper_seconds, 0));
    draw_clock(g, g.st.lower_turn, g.st.lower_time_total);
    draw_clock(g, g.st.upper_turn(), g.st.upper_time_total);
    g.io.surface->present();
}

// A press on the board of `player` (1 lower, 2 upper; 0 watches).
// A press that finishes a move gives the move as the server's JSON and plays
// nothing; any other press on the player's own turn picks, re-picks or drops
// a pick as the game's own clicks do.  Empty when there is nothing to send.
EMSCRIPTEN_KEEPALIVE const char* rindou_online_press(int button, double x, double y, int player) {
    static std::string slot;
    slot.clear();
    if (!page_idle()) return slot.c_str();
    GameInPlay& g = page_game();
    GameState& s = g.st;
    const Side mine = turn_of(s, player);
    if (mine == NO_SIDE || s.side_to_move != mine) return slot.c_str();
    const int col = static_cast<int>(std::floor((x - board_left) / square_width));
    const int row = static_cast<int>(std::floor((y - board_top) / square_height));
    slot = finished_move(s, mine, button, col, row);
    if (!slot.empty()) {
        drop_pick(g);
        g.io.surface->present();
        return slot.c_str();
    }
    page_run(on_mouse_down(g, button, x, y));
    return slot.c_str();
}

// A finished game's record file from the server, kept with the games the
// page keeps itself.  1 when kept.
EMSCRIPTEN_KEEPALIVE int rindou_online_keep(const char* bytes, int size) {
    GameInPlay& g = page_game();
    GameShelf* shelf = g.io.storage->game_shelf();
    if (!shelf || !bytes || size <= 0) return 0;
    try {
        return keep_record_file(*shelf, std::string(bytes, static_cast<size_t>(size)),
                                shelf->local_time())
                   ? 1
                   : 0;
    } catch (...) {
        return 0;
    }
}

// 1 while the board still shows the server's game: a command of the page's
// own menu that starts or loads a game of the page's own ends that.
EMSCRIPTEN_KEEPALIVE int rindou_online_intact() {
    const GameState& s = page_game().st;
    return s.keep_state == KEEP_DONE && s.game_mode == MODE_HUMAN && s.record_mode == 0 &&
                   s.record_count == 0 && s.handicap_set == (s.handicap_grade != 0 ? 1 : 0)
               ? 1
               : 0;
}

// The person leaves the online game: the board goes back to no game, or,
// given 1 (or while the game is busy), stays as the page's own, which names
// its squares as drawn (the edge's numerals are drawn anew if they were
// turned).
EMSCRIPTEN_KEEPALIVE void rindou_online_leave(int keep_board) {
    GameInPlay& g = page_game();
    const bool was_turned = g.view.turned;
    g.view.turned = false;
    if (keep_board != 1 && page_idle())
        new_game_reset(g);
    else if (was_turned)
        draw_frame(g);
    g.io.surface->present();
}

// The words of the online screens in the language shown, places unfilled:
// {"lang", "texts": {name: words}, "handicaps": [grade -10 .. 10]}.
EMSCRIPTEN_KEEPALIVE const char* rindou_online_texts() {
    static std::string slot;
    std::string out = std::string("{\"lang\":\"") +
                      (language() == Language::English ? "en" : "ja") + "\",\"texts\":{";
    bool first = true;
    for (const NamedText& t : ALL_TEXTS) {
        if (!wanted(t.name)) continue;
        if (!first) out += ',';
        first = false;
        out += json_string(t.name) + ":" + json_string(text_pattern(t.text));
    }
    out += "},\"handicaps\":[";
    for (int grade = -10; grade <= 10; ++grade)
        out += (grade > -10 ? "," : "") + json_string(caption_text(grade));
    slot = out + "]}";
    return slot.c_str();
}

}  // extern "C"
