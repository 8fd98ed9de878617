// Timing of the computer's search over positions from scripted games.
//
// For each level: the median and the worst time of one search (preparation
// and every candidate, without the pauses of the blink), the number of
// candidates, and a signature over every chosen move and score, so that two
// builds can be compared for identical play.  Also the time of one position
// analysis, the worst time of the upper mate test, and the time of keeping a
// finished game in a games folder that already holds the most it keeps.
//
//   rindou_bench           full run (each search timed as the best of 5)
//   rindou_bench --quick   each search once
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "analysis/analysis.h"
#include "bench/measure.h"
#include "bench/positions.h"
#include "core/null_platform.h"
#include "engine/evaluation.h"
#include "play/game_in_play.h"
#include "record/kept_games.h"
#include "shell/games_shelf.h"

using namespace rindou;

namespace {

using Clock = std::chrono::steady_clock;

double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

struct Counter : CandidateSink {
    long n = 0;
    void candidate(Move, double) override { ++n; }
};

using bench::Signature;
using bench::median;

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    const char* expected = nullptr;  // --expect HEX: fail unless the signature is this
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--expect") == 0 && i + 1 < argc)
            expected = argv[++i];
    }
    const int repeats = quick ? 1 : 5;

    std::vector<GameInPlay> positions = bench::scripted_positions(8, 60, 12345);
    int with_hand = 0;
    for (const GameInPlay& p : positions) with_hand += p.st.hand_total(UPPER) > 0;
    std::printf("positions %zu (with pieces in the computer's hand: %d)\n", positions.size(),
                with_hand);

    NullPlatform quiet;
    Signature all;
    for (int level = 1; level <= 3; ++level) {
        std::vector<double> times;
        Signature sig;
        long candidates = 0, most = 0;
        for (const GameInPlay& start : positions) {
            double best = 1e300;
            for (int k = 0; k < repeats; ++k) {
                GameInPlay g = start;
                g.io = &quiet;
                g.st.level = level;
                auto t0 = Clock::now();
                search_best_move(g.st, g.computer, nullptr);
                best = std::min(best, micros(Clock::now() - t0));
                if (k == 0) {
                    const EngineMemory& e = g.computer.memory;
                    for (long long v : {e.best.from_col, e.best.from_row, e.best.to_col,
                                        e.best.to_row, e.best.piece_after})
                        sig.add(v);
                    sig.add(std::llround(e.best_score * 10000));
                }
            }
            times.push_back(best);
            GameInPlay g = start;
            g.io = &quiet;
            g.st.level = level;
            Counter c;
            search_best_move(g.st, g.computer, &c);
            candidates += c.n;
            most = std::max(most, c.n);
        }
        all.add(static_cast<long long>(sig.h));
        std::printf(
            "level %d: search median %.3f ms, worst %.3f ms; candidates %.1f a turn (most %ld); "
            "signature %016llx\n",
            level, median(times) / 1000, *std::max_element(times.begin(), times.end()) / 1000,
            static_cast<double>(candidates) / static_cast<double>(positions.size()), most,
            static_cast<unsigned long long>(sig.h));
    }

    // One analysis of a position.
    {
        const int rounds = quick ? 20 : 400;
        std::vector<GameInPlay> copies(positions.begin(), positions.end());
        auto t0 = Clock::now();
        for (int k = 0; k < rounds; ++k)
            for (GameInPlay& g : copies) analyse_position(g.st, g.computer.maps);
        double each = micros(Clock::now() - t0) / (rounds * static_cast<double>(copies.size()));
        std::printf("analyse_position: %.3f us\n", each);
    }

    // The upper mate test, asked after each of the person's moves.
    {
        double worst = 0;
        int in_check = 0;
        for (const GameInPlay& start : positions) {
            GameState s = start.st;
            Maps maps = start.computer.maps;
            analyse_position(s, maps);
            in_check += maps.lower_attacks[size_t(s.upper_king_col)][size_t(s.upper_king_row)] > 0;
            double best = 1e300;
            for (int k = 0; k < repeats; ++k) {
                GameState t = s;
                Maps m = maps;
                auto t0 = Clock::now();
                volatile int r = upper_mate_test(t, m);
                (void)r;
                best = std::min(best, micros(Clock::now() - t0));
            }
            worst = std::max(worst, best);
        }
        std::printf("upper_mate_test: worst %.3f us (%d positions with the king in check)\n", worst,
                    in_check);
    }

    // The same test on positions made harder: a lower rook put on each empty
    // square of the upper king's column and row from which it gives check,
    // so that every defence gets tried.
    {
        double worst = 0, total = 0;
        int tried = 0, mates = 0;
        for (const GameInPlay& start : positions) {
            GameState base = start.st;
            Maps maps = start.computer.maps;
            analyse_position(base, maps);
            const int kc = base.upper_king_col, kr = base.upper_king_row;
            if (!on_board(kc, kr) || base.code_at(kc, kr) != OU) continue;
            static constexpr int D[4][2] = {{0, 1}, {0, -1}, {1, 0}, {-1, 0}};
            for (const auto& d : D)
                for (int c = kc + d[0], r = kr + d[1]; on_board(c, r); c += d[0], r += d[1]) {
                    if (base.code_at(c, r) != EMPTY) break;
                    GameState s = base;
                    Maps with_rook = maps;
                    s.put(make_square(c, r), make_piece(LOWER, ROOK));
                    analyse_position(s, with_rook);
                    double best = 1e300;
                    int result = 0;
                    for (int k = 0; k < repeats; ++k) {
                        GameState t = s;
                        Maps m = with_rook;
                        auto t0 = Clock::now();
                        result = upper_mate_test(t, m);
                        best = std::min(best, micros(Clock::now() - t0));
                    }
                    worst = std::max(worst, best);
                    total += best;
                    mates += result;
                    ++tried;
                }
        }
        std::printf("upper_mate_test with a rook check: mean %.3f us, worst %.3f us over %d "
                    "positions (%d mates)\n",
                    tried ? total / tried : 0.0, worst, tried, mates);
    }
    // Keeping a game of 150 moves in a scratch games folder that already
    // holds 1000 kept games: the write, the listing and the removal of the
    // oldest, as at the end of every game.
    {
        namespace fs = std::filesystem;
        const char* data = std::getenv("XDG_DATA_HOME");
        std::string tmpl = std::string(data && data[0] == '/' ? data : "/tmp") + "/bench-XXXXXX";
        fs::create_directories(fs::path(tmpl).parent_path());
        if (::mkdtemp(tmpl.data()) != nullptr) {
            FolderShelf shelf(tmpl);
            std::vector<KeptEntry> list;
            for (int i = 0; i < 1000; ++i) {
                char name[64];
                std::snprintf(name, sizeof name, "2020-01-%02d_%02d-%02d-00.棋譜", 1 + i / 100,
                              i / 10 % 10, i % 10);
                std::ofstream(tmpl + "/" + name) << "old\r\n";
                list.push_back({5, kept_digest("old\r\n"), name});
            }
            std::ofstream(tmpl + "/" + KEPT_LIST_NAME) << format_kept_list(list);
            GameState game = positions.front().st;
            for (int i = 1; i <= 150; ++i)
                game.record[size_t(i)] = {7, 7, 7, 6, -10, 0, -10, {float(i), float(i + 1), 0, 0}};
            game.record_end = 150;
            // Wall time, and the processor time of this process, which a
            // busy machine does not inflate.
            std::vector<double> times, cpu;
            int written = 0;
            for (int k = 0; k < (quick ? 5 : 30); ++k) {
                std::clock_t c0 = std::clock();
                auto t0 = Clock::now();
                written += write_kept_game(shelf, game) ? 1 : 0;
                times.push_back(micros(Clock::now() - t0) / 1000.0);
                cpu.push_back(1000.0 * double(std::clock() - c0) / CLOCKS_PER_SEC);
            }
            std::printf("keeping a game of 150 moves (1000 kept): median %.3f ms, worst %.3f ms, "
                        "processor median %.3f ms (%d of %zu written)\n",
                        median(times), *std::max_element(times.begin(), times.end()),
                        median(cpu), written, times.size());
            std::error_code ec;
            fs::remove_all(tmpl, ec);
        }
    }
    std::printf("signature %016llx\n", static_cast<unsigned long long>(all.h));
    if (expected != nullptr) {
        char got[32];
        std::snprintf(got, sizeof got, "%016llx", static_cast<unsigned long long>(all.h));
        if (std::strcmp(got, expected) != 0) {
            std::printf("the computer's choices changed: signature %s, expected %s\n", got,
                        expected);
            return 1;
        }
    }
    return 0;
}
