// Plays the deep search of two builds of the console against each other:
// each side is a rindou-cli program that is told every move of a game
// between two people and, on its turn, asked `search <level>` for its own.
// A referee game in this process checks every move by the game's own rules
// and says who won.
//
//   rindou-versus --a CLI --b CLI [--level N] [--level-b N] [--openings N]
//                 [--seed S] [--opening MOVES] [--cap PLIES]
//
// Each opening (its first MOVES moves, 2 by default, drawn with the seed
// among moves a short search does not find clearly worse than its best) is
// played twice, A moving first and then B, so that neither side gains by the
// draw of openings.  A game still running after PLIES moves (300) is a draw.
// It prints a line a game, then A's wins, losses and draws, its score with a
// 95 % confidence interval, and the median and worst time of a move per side.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/null_platform.h"
#include "core/record_store.h"
#include "core/texts.h"
#include "deep/search.h"
#include "play/deep_play.h"
#include "play/game_in_play.h"
#include "play/input.h"
#include "shell/menu.h"
#include "shell/start.h"
#include "tools/match/opening.h"

using namespace rindou;

namespace {

using Clock = std::chrono::steady_clock;

// A console program with its standard input and output on pipes.
class Console {
public:
    explicit Console(const std::string& path) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) std::exit(3);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            ::execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            std::perror(path.c_str());
            std::_Exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        to_ = ::fdopen(in[1], "w");
        from_ = ::fdopen(out[0], "r");
    }
    ~Console() {
        std::fputs("key 27\n", to_);
        std::fclose(to_);
        std::fclose(from_);
        ::waitpid(pid_, nullptr, 0);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // Sends one line and returns what it printed up to its closing `ok` (or
    // `error ...`).
    std::string ask(const std::string& line) {
        std::fprintf(to_, "%s\n", line.c_str());
        std::fflush(to_);
        std::string reply;
        char buf[4096];
        while (std::fgets(buf, sizeof buf, from_)) {
            const std::string l = buf;
            if (l == "ok\n" || l.rfind("error", 0) == 0) return reply + l;
            reply += l;
        }
        return reply + "ended\n";
    }

private:
    pid_t pid_ = -1;
    FILE* to_ = nullptr;
    FILE* from_ = nullptr;
};

// Hears who won: 1 the first player, 2 the second.
class Referee : public NullPlatform {
public:
    int winner = 0;
    void message(const std::string& title, const std::string& words) override {
        if (title != text(Text::TitleEnd)) return;
        if (words == text(Text::Wins, {{"winner", text(Text::PlayerFirst)}})) winner = 1;
        if (words == text(Text::Wins, {{"winner", text(Text::PlayerSecond)}})) winner = 2;
    }
};

void click(GameInPlay& g, int button, int col, int row) {
    (void)run_at_once(g, on_mouse_down(g, button, board_left + square_width * col + square_width / 2.0,
                  board_top + square_height * row + square_height / 2.0));
}

// The console's `move` line, and the same clicks on the referee's game.
std::string play(GameInPlay& g, Move m, bool upper) {
    if (m.is_pass()) {
        click(g, 1, 5, 5);
        return "click 1 5 5";
    }
    int c1, r1;
    origin_cell(m, upper, c1, r1);
    const bool promote = m.promotes();
    const int to_col = col_of(m.to()), to_row = row_of(m.to());
    click(g, 1, c1, r1);
    click(g, promote ? 2 : 1, to_col, to_row);
    std::ostringstream line;
    line << "move " << c1 << ' ' << r1 << ' ' << to_col << ' ' << to_row << (promote ? "+" : "");
    return line.str();
}

// The `best` line of a `search` reply, in its numbers; false when there is
// none.
bool parse_best(const std::string& reply, RecordEntry& m) {
    const size_t at = reply.find("best ");
    if (at == std::string::npos) return false;
    std::istringstream in(reply.substr(at + 5));
    std::string first;
    in >> first;
    if (first == "pass") {
        m = RecordEntry{};
        return true;
    }
    if (first == "none") return false;
    m = RecordEntry{};
    m.from_col = std::atoi(first.c_str());
    in >> m.from_row >> m.to_col >> m.to_row >> m.piece_after;
    m.piece_before = m.piece_after;  // a drop; a board move's piece is read off the board
    return static_cast<bool>(in);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double worst(const std::vector<double>& v) {
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

}  // namespace

int main(int argc, char** argv) {
    std::string cli_a, cli_b;
    int level_a = 5, level_b = 0, openings = 10, opening = 2, cap = 300;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i];
        const char* v = argv[i + 1];
        if (k == "--a") cli_a = v;
        else if (k == "--b") cli_b = v;
        else if (k == "--level") level_a = std::atoi(v);
        else if (k == "--level-b") level_b = std::atoi(v);
        else if (k == "--openings") openings = std::atoi(v);
        else if (k == "--opening") opening = std::atoi(v);
        else if (k == "--seed") seed = static_cast<unsigned>(std::atoi(v));
        else if (k == "--cap") cap = std::atoi(v);
        else {
            std::fprintf(stderr, "unknown option %s\n", k.c_str());
            return 2;
        }
    }
    if (level_b == 0) level_b = level_a;
    if (cli_a.empty() || cli_b.empty() || openings < 1 || level_a < 4 || level_a > 5 ||
        level_b < 4 || level_b > 5) {
        std::fprintf(stderr, "usage: rindou-versus --a CLI --b CLI [--level 4|5] [--level-b 4|5] "
                             "[--openings N] [--seed S] [--opening MOVES] [--cap PLIES]\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    // The consoles keep no games of their own in the player's folder.
    char scratch[] = "/tmp/rindou-versus-XXXXXX";
    if (!::mkdtemp(scratch)) return 3;
    ::setenv("XDG_DATA_HOME", scratch, 1);

    int wins = 0, losses = 0, draws = 0;
    std::vector<double> scores, times[2];
    for (int game = 0; game < 2 * openings; ++game) {
        const bool a_first = game % 2 == 0;
        std::mt19937 rng(seed * 7919u + static_cast<unsigned>(game / 2));
        Console a(cli_a), b(cli_b);
        Referee io;
        GameInPlay g;
        g.io = &io;
        (void)run_at_once(g, start_up(g));
        (void)run_at_once(g, menu_command(g, "START"));
        a.ask("menu START");
        b.ask("menu START");
        GameState& s = g.st;
        int plies = 0;
        std::string note;
        while (io.winner == 0 && s.side_to_move != NO_SIDE && plies < cap) {
            const bool sente = s.side_to_move == s.sente_turn;
            const bool a_moves = sente == a_first;
            const bool upper = s.side_to_move == s.upper_turn();
            Move m;
            if (plies < opening) {
                m = opening_move(s, s.side_to_move, rng).code;
            } else {
                const auto t0 = Clock::now();
                const std::string reply = (a_moves ? a : b).ask(
                    "search " + std::to_string(a_moves ? level_a : level_b));
                times[a_moves ? 0 : 1].push_back(
                    std::chrono::duration<double>(Clock::now() - t0).count());
                RecordEntry best;
                if (!parse_best(reply, best)) {
                    note = std::string(a_moves ? "A" : "B") + " gave no move";
                    break;
                }
                if (!best.pass() && best.from_col != -1)
                    best.piece_before = s.code_at(best.from_col, best.from_row);
                m = move_of(best);
            }
            const int before = s.record_count;
            const std::string line = play(g, m, upper);
            if (!m.is_pass() && s.record_count == before && io.winner == 0) {
                // An impossible move loses the game.
                note = std::string(a_moves ? "A" : "B") + " played an impossible move: " + line;
                io.winner = sente ? 2 : 1;
                break;
            }
            a.ask(line);
            b.ask(line);
            ++plies;
        }
        double score = 0.5;
        const char* outcome = "draw";
        if (io.winner != 0) {
            const bool a_won = (io.winner == 1) == a_first;
            score = a_won ? 1.0 : 0.0;
            outcome = a_won ? "A" : "B";
            ++(a_won ? wins : losses);
        } else {
            ++draws;
        }
        scores.push_back(score);
        std::printf("game %d: opening %d, A %s, %d plies, winner %s%s%s\n", game + 1, game / 2 + 1,
                    a_first ? "first" : "second", plies, outcome, note.empty() ? "" : ", ",
                    note.c_str());
        std::fflush(stdout);
    }
    const double n = static_cast<double>(scores.size());
    double mean = 0, var = 0;
    for (double x : scores) mean += x / n;
    for (double x : scores) var += (x - mean) * (x - mean) / std::max(1.0, n - 1);
    const double half = 1.96 * std::sqrt(var / n);
    std::printf("\nA = %s (LEVEL%d), B = %s (LEVEL%d), %d games\n", cli_a.c_str(), level_a,
                cli_b.c_str(), level_b, static_cast<int>(n));
    std::printf("A: wins %d, losses %d, draws %d; score %.1f %% (95 %% interval %.1f to %.1f %%)\n",
                wins, losses, draws, 100 * mean, 100 * std::max(0.0, mean - half),
                100 * std::min(1.0, mean + half));
    std::printf("A: %zu moves, median %.3f s, worst %.3f s\n", times[0].size(), median(times[0]),
                worst(times[0]));
    std::printf("B: %zu moves, median %.3f s, worst %.3f s\n", times[1].size(), median(times[1]),
                worst(times[1]));
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
    return 0;
}
