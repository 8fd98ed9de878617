// Plays games between the computer at some level and a person whose moves
// come from the deep search, through the same clicks and menu commands as a
// real player, and prints the results and the time each side took a move.
//
//   rindou-match --games N --com LEVEL --person 4|5 [--seed S] [--cap PLIES]
//                [--opening MOVES]
//
// Games alternate: even games the person moves first (SENTE), odd games the
// computer does (GOTE).  The person's first MOVES moves (2 by default) are
// drawn at random, with the seed, among the moves a short search does not
// find clearly worse than its best, so that the games differ.  A game still
// running after PLIES moves (300 by default) counts as a draw.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/null_platform.h"
#include "deep/search.h"
#include "play/deep_play.h"
#include "play/flow.h"
#include "play/game_in_play.h"
#include "play/input.h"
#include "shell/menu.h"
#include "shell/start.h"
#include "tools/match/opening.h"

using namespace rindou;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Watches the game's messages and the computer's moves.
class Watcher : public NullPlatform {
public:
    std::string result;
    Clock::time_point computer_moved{};
    bool computer_played = false;
    void message(const std::string& title, const std::string& text) override {
        if (title == "終了") result = text;
    }
    void computer_move(const RecordEntry&, double) override {
        computer_moved = Clock::now();
        computer_played = true;
    }
};

void click(GameInPlay& g, int button, int col, int row) {
    (void)run_at_once(g, on_mouse_down(g, button, board_left + square_width * col + square_width / 2.0,
                  board_top + square_height * row + square_height / 2.0));
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    int games = 10, com = 3, person = 5, cap = 300, opening = 2;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* k = argv[i];
        int v = std::atoi(argv[i + 1]);
        if (!std::strcmp(k, "--games")) games = v;
        else if (!std::strcmp(k, "--com")) com = v;
        else if (!std::strcmp(k, "--person")) person = v;
        else if (!std::strcmp(k, "--seed")) seed = static_cast<unsigned>(v);
        else if (!std::strcmp(k, "--cap")) cap = v;
        else if (!std::strcmp(k, "--opening")) opening = v;
        else {
            std::fprintf(stderr, "unknown option %s\n", k);
            return 2;
        }
    }
    if (com < 1 || com > 5 || person < 4 || person > 5 || games < 1) {
        std::fprintf(stderr, "usage: rindou-match --games N --com 1..5 --person 4|5\n");
        return 2;
    }
    std::mt19937 rng(seed);
    int wins[2] = {0, 0}, losses[2] = {0, 0}, draws[2] = {0, 0};  // [person first?]
    std::vector<double> person_times, com_times;
    deep::SearchLimits limits;
    limits.nodes = deep::level_budget(person);

    for (int game = 0; game < games; ++game) {
        const bool person_first = game % 2 == 0;
        Watcher io;
        GameInPlay g;
        g.io = &io;
        (void)run_at_once(g, start_up(g));
        (void)run_at_once(g, menu_command(g, "LEVEL" + std::to_string(com)));
        GameState& s = g.st;
        auto com_start = Clock::now();
        io.computer_played = false;
        (void)run_at_once(g, menu_command(g, person_first ? "SENTE" : "GOTE"));
        int person_moves = 0, com_moves = 0;
        if (io.computer_played) {
            com_times.push_back(seconds(io.computer_moved - com_start));
            ++com_moves;
        }
        while (io.result.empty() && s.side_to_move != NO_SIDE && person_moves * 2 < cap) {
            if (s.side_to_move != s.lower_turn) break;  // cannot happen: the computer moves at once
            auto t0 = Clock::now();
            Move m;
            if (person_moves < opening) {
                m = opening_move(s, s.lower_turn, rng).code;
            } else {
                m = deep::search_position(s, s.lower_turn, true, limits).best;  // with the game's history
            }
            if (person_moves >= opening) person_times.push_back(seconds(Clock::now() - t0));
            ++person_moves;
            io.computer_played = false;
            com_start = Clock::now();
            if (m.is_pass()) {
                click(g, 1, 5, 5);
            } else {
                int col, row;
                origin_cell(m, false, col, row);
                click(g, 1, col, row);
                click(g, m.promotes() ? 2 : 1, col_of(m.to()), row_of(m.to()));
            }
            if (io.computer_played) {
                com_times.push_back(seconds(io.computer_moved - com_start));
                ++com_moves;
            }
        }
        if (io.result.empty() && std::getenv("RINDOU_MATCH_SHOW_DRAWS")) {
            for (int r = 1; r <= 9; ++r) {
                for (int c = 1; c <= 9; ++c) std::printf(" %4d", s.code_at(c, r));
                std::printf("\n");
            }
            for (int k = 1; k <= 7; ++k) std::printf(" %d/%d", s.hand[LOWER][size_t(k)], s.hand[UPPER][size_t(k)]);
            std::printf("\n");
            for (int i = std::max(1, s.record_count - 12); i <= s.record_count; ++i) {
                const RecordEntry& e = s.record[size_t(i)];
                std::printf("  %d %d %d %d %d -> %d\n", e.from_col, e.from_row, e.to_col, e.to_row,
                            e.piece_before, e.piece_after);
            }
        }
        const char* outcome = "draw";
        if (io.result == "あなたの勝ちです") {
            ++wins[person_first];
            outcome = "person";
        } else if (io.result == "ｺﾝﾋﾟｭｰﾀの勝ちです") {
            ++losses[person_first];
            outcome = "computer";
        } else {
            ++draws[person_first];
        }
        std::printf("game %d: person %s, %d moves, winner %s\n", game + 1,
                    person_first ? "first" : "second", person_moves + com_moves, outcome);
        std::fflush(stdout);
    }
    std::printf("\nperson = search %d (budget %llu nodes), computer = LEVEL%d, %d games\n", person,
                static_cast<unsigned long long>(limits.nodes), com, games);
    std::printf("person first : wins %d, losses %d, draws %d\n", wins[1], losses[1], draws[1]);
    std::printf("person second: wins %d, losses %d, draws %d\n", wins[0], losses[0], draws[0]);
    std::printf("total        : wins %d, losses %d, draws %d\n", wins[0] + wins[1],
                losses[0] + losses[1], draws[0] + draws[1]);
    auto worst = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    std::printf("person  : %zu moves, median %.3f s, worst %.3f s\n", person_times.size(),
                median(person_times), worst(person_times));
    std::printf("computer: %zu moves, median %.3f s, worst %.3f s\n", com_times.size(),
                median(com_times), worst(com_times));
    return 0;
}
