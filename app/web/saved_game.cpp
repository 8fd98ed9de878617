#include "app/web/saved_game.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <sstream>
#include <vector>

#include "core/consistency.h"
#include "core/rules.h"

namespace rindou::web {

namespace {

// One field a line: its name, then its values.  Floats are written with
// nine digits, which read back to the same float; the search's score with
// seventeen.
class Writer {
public:
    void put(const char* name, std::initializer_list<double> values, int digits = 9) {
        out_ << name;
        for (double v : values) number(v, digits);
        out_ << '\n';
    }
    void grid(const char* name, const Grid& g) {
        out_ << name;
        for (const auto& column : g)
            for (int v : column) out_ << ' ' << v;
        out_ << '\n';
    }
    template <size_t N>
    void ints(const char* name, const std::array<int, N>& a) {
        out_ << name;
        for (int v : a) out_ << ' ' << v;
        out_ << '\n';
    }
    void text(const std::string& t) { out_ << t << '\n'; }
    std::string str() const { return out_.str(); }

private:
    void number(double v, int digits) {
        char buf[40];
        std::snprintf(buf, sizeof buf, " %.*g", digits, v);
        out_ << buf;
    }
    std::ostringstream out_;
};

class Reader {
public:
    explicit Reader(const std::string& text) {
        std::istringstream in(text);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string name;
            if (!(words >> name)) continue;
            std::vector<double> values;
            std::string w;
            while (words >> w) {
                char* end = nullptr;
                const double v = std::strtod(w.c_str(), &end);
                if (end == w.c_str() || *end != '\0' || !std::isfinite(v)) {
                    ok_ = false;
                    return;
                }
                values.push_back(v);
            }
            if (!fields_.emplace(name, std::move(values)).second) ok_ = false;
        }
    }
    bool ok() const { return ok_; }

    const std::vector<double>* get(const std::string& name, size_t n) {
        auto it = fields_.find(name);
        if (it == fields_.end() || it->second.size() != n) {
            ok_ = false;
            return nullptr;
        }
        return &it->second;
    }
    void integer(const char* name, int& into) {
        if (auto* v = get(name, 1)) into = whole((*v)[0]);
    }
    // A side is written as its turn value: +1, -1, or 0 for none.
    void integer(const char* name, Side& into) {
        int v = turn_value(into);
        integer(name, v);
        if (v < -1 || v > 1)
            ok_ = false;
        else
            into = side_of_turn_value(v);
    }
    void flag(const char* name, bool& into) {
        int i = 0;
        integer(name, i);
        into = i != 0;
    }
    // Clocks and scores: any value a game reaches fits far inside.
    template <typename F>
    void real(const char* name, F& into) {
        auto* v = get(name, 1);
        if (!v) return;
        if (std::fabs((*v)[0]) > 1e9)
            ok_ = false;
        else
            into = static_cast<F>((*v)[0]);
    }
    void grid(const char* name, Grid& g) {
        if (auto* v = get(name, 100))
            for (size_t i = 0; i < 100; ++i) g[i / 10][i % 10] = whole((*v)[i]);
    }
    template <size_t N>
    void ints(const char* name, std::array<int, N>& a) {
        if (auto* v = get(name, N))
            for (size_t i = 0; i < N; ++i) a[i] = whole((*v)[i]);
    }

    // Values of the state are small whole numbers; anything else spoils the
    // text.
    int whole(double v) {
        if (v != std::floor(v) || std::fabs(v) > 1e6) {
            ok_ = false;
            return 0;
        }
        return static_cast<int>(v);
    }

private:
    std::map<std::string, std::vector<double>> fields_;
    bool ok_ = true;
};

// The seconds from `from` to `to` on the clock that starts again at
// midnight.
float seconds_between(float from, float to) {
    float d = to - from;
    return d < 0 ? d + 86400.0f : d;
}

double number(int v) { return v; }
double number(Side s) { return turn_value(s); }

// The board as the text holds it: the grids' codes, the coin's cell among
// them, where the coin's square says.  False when they describe no board.
bool board_from_codes(const Grid& codes, int coin_col, int coin_row, Position& p) {
    int coins = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            const int code = codes[c][r];
            if (code == COIN) {
                ++coins;
                if (c != coin_col || r != coin_row) return false;
            } else if (code != EMPTY && !is_piece_code(code)) {
                return false;
            }
        }
    if (coins != 1) return false;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) p.put_code(sq, codes[col_of(sq)][row_of(sq)]);
    p.move_coin(make_square(coin_col, coin_row));
    return true;
}

#define RINDOU_SAVED_INTS(X)                                                                      \
    X(lower_king_col)                                                                            \
    X(lower_king_row) X(upper_king_col) X(upper_king_row) X(sente_turn)                          \
    X(lower_turn)

// The upper player's side stands between these in the text; it follows
// from the lower player's.
#define RINDOU_SAVED_INTS_AFTER_TURNS(X)                                                          \
    X(side_to_move) X(game_mode) X(move_number) X(winner)                                        \
    X(record_mode) X(flipped) X(turn_notice_pending) X(level) X(record_count)                    \
    X(sel_from_col) X(sel_from_row) X(sel_to_col) X(sel_to_row) X(sel_piece)                     \
    X(record_end) X(handicap_grade) X(handicap_set) X(keep_state)

#define RINDOU_SAVED_MAPS(X)                                                                      \
    X(lower_attacks) X(upper_attacks) X(lower_guard) X(upper_guard) X(upper_guard_col)           \
    X(upper_guard_row) X(lower_threat) X(lower_threat_col) X(lower_threat_row) X(upper_threat)   \
    X(upper_threat_col) X(upper_threat_row) X(upper_king_checks) X(lower_king_checks)

#define RINDOU_SAVED_ENGINE_GRIDS(X)                                                              \
    X(pre_lower_attacks) X(pre_upper_attacks) X(pre_upper_threat_col) X(pre_upper_threat_row)    \
    X(turn_start_board) X(lower_pins) X(upper_pins) X(bishop_check_squares)

// Written after these: whether a piece is pinned against the computer's
// king, which follows from its pins and is not read back.
#define RINDOU_SAVED_ENGINE_INTS(X)                                                               \
    X(moving_piece) X(origin_distance) X(baseline_escapes) X(pre_upper_hand_total)

// The last record entry that holds anything: moves stepped back over stay
// in the record beyond its cursor.
int last_entry(const GameState& s) {
    for (int i = RECORD_MAX; i >= 1; --i) {
        const RecordEntry& e = s.record[i];
        if (e.from_col || e.from_row || e.to_col || e.to_row || e.piece_before || e.captured ||
            e.piece_after || e.times.lower_before || e.times.lower_after || e.times.upper_before ||
            e.times.upper_after)
            return i;
    }
    return 0;
}

}  // namespace

std::string write_saved_game(const GameState& s, const Computer& c, float now) {
    Writer w;
    w.text(SAVED_GAME_VERSION);
#define X(f) w.put(#f, {number(s.f)});
    // The hands' totals are written between the coin and the kings, for the
    // pages that read them; they follow from the hands and are not read back.
    w.put("coin_col", {number(s.coin_col())});
    w.put("coin_row", {number(s.coin_row())});
    w.put("lower_hand_total", {static_cast<double>(s.hand_total(LOWER))});
    w.put("upper_hand_total", {static_cast<double>(s.hand_total(UPPER))});
    RINDOU_SAVED_INTS(X)
    w.put("upper_turn", {number(s.upper_turn())});
    RINDOU_SAVED_INTS_AFTER_TURNS(X)
#undef X
    // Written for the pages that read it; it follows from sente_turn.
    w.put("gote_turn", {number(s.gote_turn())});
    w.put("timer_enabled", {s.timer_enabled ? 1.0 : 0.0});
    w.put("move_elapsed", {s.move_elapsed});
    w.put("move_so_far", {seconds_between(s.move_start_time, now)});
    w.put("lower_time_total", {s.lower_time_total});
    w.put("upper_time_total", {s.upper_time_total});
    w.put("level_marks", {double(s.menu().level1), double(s.menu().level2), double(s.menu().level3),
                          double(s.menu().level4), double(s.menu().level5)});
    w.grid("board", s.codes());
    w.ints("lower_hand", s.hand[LOWER]);
    w.ints("upper_hand", s.hand[UPPER]);
    w.ints("lower_pawn_file", s.lower_pawn_file);
    w.ints("upper_pawn_file", s.upper_pawn_file);
#define X(f) w.grid("maps." #f, c.maps.f);
    RINDOU_SAVED_MAPS(X)
#undef X
#define X(f) w.grid("engine." #f, c.memory.f);
    RINDOU_SAVED_ENGINE_GRIDS(X)
#undef X
#define X(f) w.put("engine." #f, {static_cast<double>(c.memory.f)});
    RINDOU_SAVED_ENGINE_INTS(X)
#undef X
    w.put("engine.upper_pinned", {static_cast<double>(c.memory.upper_pinned())});
    const RecordEntry& b = c.memory.best;
    w.put("engine.best", {double(b.from_col), double(b.from_row), double(b.to_col), double(b.to_row),
                          double(b.piece_before), double(b.captured), double(b.piece_after)});
    w.put("engine.best_found", {c.memory.best_found ? 1.0 : 0.0});
    w.put("engine.best_score", {c.memory.best_score}, 17);
    const int entries = last_entry(s);
    w.put("record_entries", {double(entries)});
    for (int i = 1; i <= entries; ++i) {
        const RecordEntry& e = s.record[i];
        const std::string name = "record." + std::to_string(i);
        w.put(name.c_str(), {double(e.from_col), double(e.from_row), double(e.to_col),
                             double(e.to_row), double(e.piece_before), double(e.captured),
                             double(e.piece_after), e.times.lower_before, e.times.lower_after,
                             e.times.upper_before, e.times.upper_after});
    }
    return w.str();
}

bool read_saved_game(const std::string& text, float now, GameState& out, Computer& out_computer) {
    const size_t first_line = text.find('\n');
    if (first_line == std::string::npos || text.compare(0, first_line, SAVED_GAME_VERSION) != 0)
        return false;
    Reader r(text.substr(first_line + 1));
    if (!r.ok()) return false;
    GameState s = out;
    Computer c = out_computer;
#define X(f) r.integer(#f, s.f);
    int coin_col = s.coin_col(), coin_row = s.coin_row();
    r.integer("coin_col", coin_col);
    r.integer("coin_row", coin_row);
    RINDOU_SAVED_INTS(X)
    Side upper_turn = s.upper_turn();
    r.integer("upper_turn", upper_turn);
    RINDOU_SAVED_INTS_AFTER_TURNS(X)
#undef X
    r.flag("timer_enabled", s.timer_enabled);
    r.real("move_elapsed", s.move_elapsed);
    float so_far = 0;
    r.real("move_so_far", so_far);
    r.real("lower_time_total", s.lower_time_total);
    r.real("upper_time_total", s.upper_time_total);
    // The level's marks are written for the pages that read them, but they
    // follow the level: nothing to read back.
    Grid board = s.codes();
    r.grid("board", board);
    r.ints("lower_hand", s.hand[LOWER]);
    r.ints("upper_hand", s.hand[UPPER]);
    r.ints("lower_pawn_file", s.lower_pawn_file);
    r.ints("upper_pawn_file", s.upper_pawn_file);
#define X(f) r.grid("maps." #f, c.maps.f);
    RINDOU_SAVED_MAPS(X)
#undef X
#define X(f) r.grid("engine." #f, c.memory.f);
    RINDOU_SAVED_ENGINE_GRIDS(X)
#undef X
#define X(f) r.integer("engine." #f, c.memory.f);
    RINDOU_SAVED_ENGINE_INTS(X)
#undef X
    if (auto* b = r.get("engine.best", 7)) {
        RecordEntry& m = c.memory.best;
        m.from_col = r.whole((*b)[0]);
        m.from_row = r.whole((*b)[1]);
        m.to_col = r.whole((*b)[2]);
        m.to_row = r.whole((*b)[3]);
        m.piece_before = r.whole((*b)[4]);
        m.captured = r.whole((*b)[5]);
        m.piece_after = r.whole((*b)[6]);
    }
    r.flag("engine.best_found", c.memory.best_found);
    r.real("engine.best_score", c.memory.best_score);
    int entries = 0;
    r.integer("record_entries", entries);
    if (!r.ok() || entries < 0 || entries > RECORD_MAX) return false;
    s.record = {};
    for (int i = 1; i <= entries; ++i) {
        const auto* v = r.get("record." + std::to_string(i), 11);
        if (!v) return false;
        RecordEntry& e = s.record[i];
        e.from_col = r.whole((*v)[0]);
        e.from_row = r.whole((*v)[1]);
        e.to_col = r.whole((*v)[2]);
        e.to_row = r.whole((*v)[3]);
        e.piece_before = r.whole((*v)[4]);
        e.captured = r.whole((*v)[5]);
        e.piece_after = r.whole((*v)[6]);
        for (size_t k = 7; k < 11; ++k)
            if (std::fabs((*v)[k]) > 1e9) return false;
        e.times.lower_before = float((*v)[7]);
        e.times.lower_after = float((*v)[8]);
        e.times.upper_before = float((*v)[9]);
        e.times.upper_after = float((*v)[10]);
    }
    if (!r.ok()) return false;
    // A text that reads but describes no game the program could be in is
    // not taken up: it would mislead every routine that trusts the state.
    if (s.sente_turn == NO_SIDE || s.lower_turn == NO_SIDE || upper_turn != s.upper_turn() ||
        s.side_to_move == NO_SIDE || s.winner != NO_SIDE ||
        (s.game_mode != MODE_HUMAN && s.game_mode != MODE_COM) ||
        (s.record_mode != 0 && s.record_mode != 1) || s.level < 1 || s.level > 5 ||
        s.move_number < 0 || s.record_count < 0 || s.record_count > RECORD_MAX ||
        s.record_end < 0 || s.record_end > RECORD_MAX || s.handicap_grade < -10 ||
        s.handicap_grade > 10 || !(so_far >= 0.0f && so_far < 86400.0f) ||
        !board_from_codes(board, coin_col, coin_row, s) || !state_problem(s).empty())
        return false;
    // The clock goes on from where it stood: the time the page was closed
    // does not count.
    s.move_start_time = now - so_far;
    if (s.move_start_time < 0) s.move_start_time += 86400.0f;
    // A board drawn afresh shows no pick and no hint: a piece picked before
    // the page was closed is picked again, as after any redraw.
    s.select_state = 0;
    s.hint_shown = false;
    out = s;
    out_computer = c;
    return true;
}

}  // namespace rindou::web
