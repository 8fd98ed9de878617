#include "app/cli/cli.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli_platform.h"
#include "core/consistency.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "engine/think.h"
#include "play/clock.h"
#include "play/computer_turn.h"
#include "play/deep_play.h"
#include "play/flow.h"
#include "play/game_in_play.h"
#include "play/input.h"
#include "play/record_commands.h"
#include "record/record_file.h"
#include "shell/menu.h"
#include "shell/start.h"
#include "study/listing.h"
#include "view/draw.h"

namespace rindou {

namespace {

// A malformed or refused command line: nothing has changed.
struct BadCommand {
    std::string reason;
};

std::vector<std::string> split(const std::string& line, char sep) {
    std::vector<std::string> words;
    std::string word;
    for (char ch : line) {
        if (ch == sep) {
            words.push_back(word);
            word.clear();
        } else {
            word += ch;
        }
    }
    words.push_back(word);
    return words;
}

int to_int(const std::string& word, int lo, int hi) {
    int value = 0;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    if (!word.empty() && word[0] == '+') throw BadCommand{"bad number"};
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (word.empty() || ec != std::errc() || ptr != last) throw BadCommand{"bad number"};
    if (value < lo || value > hi) throw BadCommand{"number out of range"};
    return value;
}

double to_seconds(const std::string& word) {
    if (word.empty()) throw BadCommand{"bad number"};
    for (char ch : word)
        if (!(std::isdigit(static_cast<unsigned char>(ch)) || ch == '.'))
            throw BadCommand{"bad number"};
    double value = 0;
#if defined(__cpp_lib_to_chars)
    auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    const bool read = ec == std::errc() && ptr == word.data() + word.size();
#else
    // A library without the floating-point from_chars (the WebAssembly
    // build's): strtod reads the same digits and point alike, since the
    // word holds nothing else, and a value out of range is refused as
    // from_chars refuses it.
    errno = 0;
    char* end = nullptr;
    value = std::strtod(word.c_str(), &end);
    const bool read = errno != ERANGE && end == word.c_str() + word.size();
#endif
    if (!read || !std::isfinite(value)) throw BadCommand{"bad number"};
    if (value > 86400.0) throw BadCommand{"number out of range"};
    return value;
}

void expect_words(const std::vector<std::string>& w, size_t n) {
    if (w.size() != n) throw BadCommand{"wrong number of arguments"};
}

constexpr int CELL_LIMIT = 1000;

// True when the program ended in the click.
bool click_cell(GameInPlay& g, int button, int col, int row) {
    double x = board_left + square_width * col + 307;
    double y = board_top + square_height * row + 345;
    return run_at_once(g, on_mouse_down(g, button, x, y));
}

}  // namespace

// ---- show ---------------------------------------------------------------------

void print_show(const GameState& s, std::ostream& out) {
    out << "board\n";
    for (int r = 1; r <= 9; ++r) {
        for (int c = 1; c <= 9; ++c)
            out << (c > 1 ? " " : "") << s.code_at(c, r);
        out << '\n';
    }
    out << "coin " << s.coin_col() << ' ' << s.coin_row() << '\n';
    out << "lower_hand";
    for (PieceKind k = PAWN; k <= ROOK; ++k) out << ' ' << s.hand[LOWER][k];
    out << " total " << s.hand_total(LOWER) << '\n';
    out << "upper_hand";
    for (PieceKind k = PAWN; k <= ROOK; ++k) out << ' ' << s.hand[UPPER][k];
    out << " total " << s.hand_total(UPPER) << '\n';
    out << "turn side " << turn_value(s.side_to_move) << " sente " << turn_value(s.sente_turn) << " gote "
        << turn_value(s.gote_turn()) << " lower " << turn_value(s.lower_turn) << " upper "
        << turn_value(s.upper_turn()) << '\n';
    out << "game mode " << s.game_mode << " move " << s.move_number << " winner " << turn_value(s.winner)
        << " level " << s.level << '\n';
    out << "record count " << s.record_count << " end " << s.record_end << " mode "
        << s.record_mode << " flipped " << s.flipped << '\n';
    out << "handicap grade " << s.handicap_grade << " set " << s.handicap_set << '\n';
    out << "select state " << s.select_state << " from " << s.sel_from_col << ' '
        << s.sel_from_row << " piece " << s.sel_piece << '\n';
}

namespace {

// ---- legal --------------------------------------------------------------------

void print_legal(const GameState& original, std::ostream& out) {
    GameState s = original;
    bool upper;
    if (s.side_to_move == NO_SIDE) return;
    if (s.side_to_move == s.upper_turn())
        upper = true;
    else if (s.side_to_move == s.lower_turn)
        upper = false;
    else
        return;
    for (int fc = 1; fc <= 9; ++fc)
        for (int fr = 1; fr <= 9; ++fr) {
            int p = s.code_at(fc, fr);
            if (upper ? p < 10 : p > -10) continue;
            for (int tc = 1; tc <= 9; ++tc)
                for (int tr = 1; tr <= 9; ++tr) {
                    if (!is_legal_move(s, fc, fr, tc, tr, p)) continue;
                    const char* promo = "no";
                    if (can_promote(fc, fr, tc, tr, p))
                        promo = may_stay_unpromoted(tr, p) ? "may" : "must";
                    out << "legal " << fc << ' ' << fr << ' ' << tc << ' ' << tr << ' ' << promo
                        << '\n';
                }
        }
    scan_pawn_files(s);
    const Side side = upper ? UPPER : LOWER;
    for (PieceKind slot = PAWN; slot <= ROOK; ++slot) {
        if (s.hand[side][slot] <= 0) continue;
        int code = code_of(make_piece(side, slot));
        int hc = upper ? UPPER_HAND_COL : LOWER_HAND_COL;
        int hr = upper ? upper_hand_row(slot) : lower_hand_row(slot);
        for (int tc = 1; tc <= 9; ++tc)
            for (int tr = 1; tr <= 9; ++tr)
                if (is_legal_move(s, hc, hr, tc, tr, code))
                    out << "legal " << hc << ' ' << hr << ' ' << tc << ' ' << tr << " no\n";
    }
}

// ---- setup --------------------------------------------------------------------

void run_setup(GameInPlay& g, const std::vector<std::string>& w) {
    if (w.size() != 98) throw BadCommand{"setup needs 97 integers"};
    std::vector<int> v;
    for (size_t i = 1; i < w.size(); ++i) v.push_back(to_int(w[i], -100000, 100000));
    int coins = 0, upper_kings = 0, lower_kings = 0;
    for (size_t i = 0; i < 81; ++i) {
        int code = v[i];
        if (code == COIN) ++coins;
        else if (code == 950) ++upper_kings;
        else if (code == -950) ++lower_kings;
        if (code != EMPTY && code != COIN && !is_piece_code(code)) throw BadCommand{"bad position"};
    }
    if (coins != 1 || upper_kings > 1 || lower_kings > 1) throw BadCommand{"bad position"};
    for (size_t i = 81; i < 95; ++i)
        if (v[i] < 0 || v[i] > 18)
            throw BadCommand{"bad position"};
    int side = v[95], mode = v[96];
    if ((side != 1 && side != -1) || (mode != 0 && mode != 1)) throw BadCommand{"bad position"};

    new_game_reset(g);
    GameState& s = g.st;
    // The console lists the board row by row.
    size_t at = 0;
    for (int r = 1; r <= 9; ++r)
        for (int c = 1; c <= 9; ++c) {
            int code = v[at++];
            s.put_code(make_square(c, r), code);
            if (code == COIN) s.move_coin(make_square(c, r));
        }
    // Then the lower hand and the upper hand, pawn to rook.
    for (PieceKind k = PAWN; k <= ROOK; ++k) {
        s.hand[LOWER][k] = v[at + k - PAWN];
        s.hand[UPPER][k] = v[at + 7 + k - PAWN];
    }
    s.sente_turn = UPPER;
    s.lower_turn = LOWER;
    s.side_to_move = side_of_turn_value(side);
    s.game_mode = mode;
    // No record file can replay a game from a set-up position.
    s.keep_state = KEEP_NEVER;
}

// ---- the command loop ---------------------------------------------------------------

struct Session {
    CliPlatform io;
    GameInPlay game;
    std::ostream& out;

    explicit Session(std::ostream& o) : io(o), out(o) { game.io = &io; }

    // Every wait of the game is answered at once: answers from the queue,
    // the simulated clock on by each pause, the search inline.
    bool at_once(Work<> work) { return run_at_once(game, std::move(work)); }

    // Runs one command line; true when the program ended in it.
    bool run(const std::string& line) {
        if (line.empty()) throw BadCommand{"empty line"};
        std::vector<std::string> w = split(line, ' ');
        const std::string& cmd = w[0];
        if (cmd == "click") {
            expect_words(w, 4);
            int button = to_int(w[1], 1, 2);
            int col = to_int(w[2], -CELL_LIMIT, CELL_LIMIT);
            int row = to_int(w[3], -CELL_LIMIT, CELL_LIMIT);
            return click_cell(game, button, col, row);
        } else if (cmd == "move") {
            expect_words(w, 5);
            std::string last = w[4];
            int button = 1;
            if (!last.empty() && last.back() == '+') {
                button = 2;
                last.pop_back();
            }
            int c1 = to_int(w[1], -CELL_LIMIT, CELL_LIMIT);
            int r1 = to_int(w[2], -CELL_LIMIT, CELL_LIMIT);
            int c2 = to_int(w[3], -CELL_LIMIT, CELL_LIMIT);
            int r2 = to_int(last, -CELL_LIMIT, CELL_LIMIT);
            if (click_cell(game, 1, c1, r1)) return true;
            return click_cell(game, button, c2, r2);
        } else if (cmd == "menu") {
            expect_words(w, 2);
            if (!is_menu_entry(w[1])) throw BadCommand{"unknown menu entry"};
            return at_once(menu_command(game, w[1]));
        } else if (cmd == "key") {
            expect_words(w, 2);
            int code = to_int(w[1], 0, 0x10FFFF);
            if (code == 27) return at_once(quit_program(game));
        } else if (cmd == "answer") {
            if (w.size() < 2) throw BadCommand{"wrong number of arguments"};
            std::deque<bool> more;
            for (size_t i = 1; i < w.size(); ++i) {
                if (w[i] == "yes") more.push_back(true);
                else if (w[i] == "no") more.push_back(false);
                else throw BadCommand{"answer must be yes or no"};
            }
            if (io.answers.size() + more.size() > ANSWER_LIMIT)
                throw BadCommand{"too many answers"};
            io.answers.insert(io.answers.end(), more.begin(), more.end());
        } else if (cmd == "wait") {
            expect_words(w, 2);
            io.advance(to_seconds(w[1]));
            clock_tick(game);
        } else if (cmd == "save") {
            std::string rest = line.size() > 5 ? line.substr(5) : std::string();
            if (line.size() < 5 || line[4] != ' ') throw BadCommand{"wrong number of arguments"};
            std::vector<std::string> f = split(rest, '|');
            if (f.size() != 5) throw BadCommand{"save needs five fields"};
            if (at_once(menu_command(game, "KIFU_WRITE"))) return true;
            if (!io.entry_shown) return false;
            io.folder = f[0];
            io.boxes[3] = f[1];
            io.boxes[0] = f[2];
            io.boxes[1] = f[3];
            io.boxes[2] = f[4];
            return at_once(save_record(game));
        } else if (cmd == "load") {
            if (line.size() < 6 || line[4] != ' ') throw BadCommand{"wrong number of arguments"};
            std::string path = line.substr(5);
            if (at_once(menu_command(game, "KIFU_READ"))) return true;
            if (!io.lists_shown) return false;
            return at_once(load_record(game, path));
        } else if (cmd == "setup") {
            run_setup(game, w);
        } else if (cmd == "show") {
            expect_words(w, 1);
            print_show(game.st, out);
        } else if (cmd == "legal") {
            expect_words(w, 1);
            print_legal(game.st, out);
        } else if (cmd == "think") {
            expect_words(w, 1);
            think(game.st, game.computer, out);
        } else if (cmd == "search") {
            expect_words(w, 2);
            int level = to_int(w[1], 4, 5);
            deep_listing(game.st, game.st.side_to_move, level, out);
        } else if (cmd == "analyse") {
            expect_words(w, 2);
            study::analysis_listing(game.st, to_int(w[1], 4, 5), out);
        } else if (cmd == "explain") {
            expect_words(w, 5);
            std::string last = w[4];
            const bool promote = !last.empty() && last.back() == '+';
            if (promote) last.pop_back();
            int fc = to_int(w[1], -CELL_LIMIT, CELL_LIMIT);
            int fr = to_int(w[2], -CELL_LIMIT, CELL_LIMIT);
            int tc = to_int(w[3], -CELL_LIMIT, CELL_LIMIT);
            int tr = to_int(last, -CELL_LIMIT, CELL_LIMIT);
            std::ostringstream terms;
            if (!explain(game.st, game.computer, fc, fr, tc, tr, promote, terms))
                throw BadCommand{"not a candidate"};
            out << terms.str();
        } else {
            throw BadCommand{"unknown command"};
        }
        return false;
    }
};

}  // namespace

LineRead read_command_line(std::istream& in, std::string& line, size_t limit) {
    line.clear();
    std::streambuf* buf = in.rdbuf();
    if (!buf) return LineRead::End;
    bool any = false, too_long = false;
    // One byte more than the limit is kept, for a CR before the LF.
    for (;;) {
        int ch = buf->sbumpc();
        if (ch == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            if (!any) return LineRead::End;
            break;
        }
        any = true;
        if (ch == '\n') break;
        if (line.size() <= limit)
            line += static_cast<char>(ch);
        else
            too_long = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (too_long || line.size() > limit) {
        line.clear();
        std::string().swap(line);
        return LineRead::TooLong;
    }
    return LineRead::Line;
}

namespace {

// Starts the game and answers every line until the input ends.
void serve(Session& session, std::istream& in, std::ostream& out, size_t line_limit) {
    session.at_once(start_up(session.game));
    const bool check = checking_state();
    if (check) check_state_after(session.game.st, "start-up");
    out << "ready\n";
    out.flush();
    std::string line;
    for (;;) {
        LineRead read = read_command_line(in, line, line_limit);
        if (read == LineRead::End) break;
        if (read == LineRead::TooLong) {
            out << "error line too long\n";
            out.flush();
            continue;
        }
        // Commands work on the state only when they complete: a bad line
        // leaves the game exactly as it was.
        const GameState before = session.game.st;
        const Computer computer_before = session.game.computer;
        const SoundHandles sound_before = session.game.sound;
        try {
            const bool ended = session.run(line);
            out << "ok\n";
            // The program ended in this command: no line after it is read.
            if (ended) return;
        } catch (const BadCommand& bad) {
            session.game.st = before;
            session.game.computer = computer_before;
            session.game.sound = sound_before;
            out << "error " << bad.reason << '\n';
        }
        if (check) check_state_after(session.game.st, line);
        out.flush();
    }
}

}  // namespace

int run_cli(std::istream& in, std::ostream& out, size_t line_limit, GameShelf* shelf) {
    Session session(out);
    session.io.shelf = shelf;
    serve(session, in, out, line_limit);
    out.flush();
    return 0;
}

}  // namespace rindou
