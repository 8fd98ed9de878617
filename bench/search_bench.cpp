// Timing of the deep search (LEVEL4, LEVEL5 and the hint) over positions
// from scripted games.
//
// For each level: nodes per second, the depth reached and the median and
// worst time of one search at the level's node budget, and a signature over
// every chosen move, score, depth and node count.  Then, per position, the
// depth reached in one second and the time each depth was finished.
//
//   rindou_search_bench                 full run
//   rindou_search_bench --quick         small budgets, no timed run
//   rindou_search_bench --no-timed      the levels' budgets, no timed run
//   rindou_search_bench --expect HEX    fail unless the signature is HEX
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "bench/positions.h"
#include "deep/search.h"

using namespace rindou;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of this thread: on a busy machine the wall clock also counts the
// time other programs had the core.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

using bench::Signature;
using bench::median;

}  // namespace

int main(int argc, char** argv) {
    bool quick = false, timed = true;
    const char* expected = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--no-timed") == 0)
            timed = false;
        else if (std::strcmp(argv[i], "--expect") == 0 && i + 1 < argc)
            expected = argv[++i];
    }
    // Every fifth position met before a computer turn of the scripted games,
    // searched for the side to move there.
    std::vector<GameInPlay> all = bench::scripted_positions(8, 60, 12345);
    std::vector<GameState> positions;
    for (size_t i = 0; i < all.size(); i += 5) positions.push_back(all[i].st);
    if (quick) positions.resize(std::min<size_t>(positions.size(), 12));
    std::printf("positions %zu\n", positions.size());

    Signature total;
    for (int level = 4; level <= 5; ++level) {
        // The quick run keeps the budgets small and fixed, whatever the
        // environment says, so that its signature is always the same.
        deep::SearchLimits limits;
        limits.nodes = quick ? (level == 4 ? 3000 : 12000) : deep::level_budget(level);
        Signature sig;
        std::vector<double> times;
        std::vector<int> depths;
        uint64_t nodes = 0;
        double spent = 0, cpu = 0;
        for (const GameState& s : positions) {
            auto t0 = Clock::now();
            double c0 = cpu_seconds();
            deep::SearchResult r = deep::search_position(s, s.side_to_move, true, limits);
            cpu += cpu_seconds() - c0;
            double t = seconds(Clock::now() - t0);
            times.push_back(t);
            spent += t;
            nodes += r.nodes;
            depths.push_back(r.depth);
            // Signed in the numbers the search writes its move in.
            const RecordEntry best = deep::move_entry(deep::Position::from_state(s, s.side_to_move), r.best);
            for (long long v : {best.from_col, best.from_row, best.to_col, best.to_row, best.piece_after,
                                r.score, r.depth})
                sig.add(v);
            sig.add(static_cast<long long>(r.nodes));
        }
        total.add(static_cast<long long>(sig.h));
        std::sort(depths.begin(), depths.end());
        std::printf("level %d: budget %llu nodes; %.0f nodes/s (%.0f per CPU second); depth median %d (least %d, most %d); "
                    "time median %.3f s, worst %.3f s; signature %016llx\n",
                    level, static_cast<unsigned long long>(limits.nodes),
                    spent > 0 ? static_cast<double>(nodes) / spent : 0.0,
                    cpu > 0 ? static_cast<double>(nodes) / cpu : 0.0, depths[depths.size() / 2],
                    depths.front(), depths.back(), median(times),
                    *std::max_element(times.begin(), times.end()),
                    static_cast<unsigned long long>(sig.h));
    }

    if (!quick && timed) {
        // Depth in one second, and when each depth was finished.
        std::vector<int> reached;
        for (size_t i = 0; i < positions.size(); i += 4) {
            const GameState& s = positions[i];
            std::atomic<bool> stop{false};
            deep::SearchLimits limits;
            limits.nodes = ~0ull;
            limits.stop = &stop;
            std::thread timer([&stop] {
                std::this_thread::sleep_for(std::chrono::seconds(1));
                stop = true;
            });
            auto t0 = Clock::now();
            std::printf("position %zu:", i);
            deep::SearchResult r = deep::search_position(s, s.side_to_move, true, limits,
                                                         [&](const deep::SearchInfo& info) {
                                                             std::printf(" d%d %.3fs", info.depth,
                                                                         seconds(Clock::now() - t0));
                                                         });
            timer.join();
            std::printf("  (depth %d in 1 s, %.0f nodes/s)\n", r.depth,
                        static_cast<double>(r.nodes) / seconds(Clock::now() - t0));
            reached.push_back(r.depth);
        }
        std::sort(reached.begin(), reached.end());
        std::printf("depth in 1 s: median %d, least %d, most %d\n", reached[reached.size() / 2],
                    reached.front(), reached.back());
    }

    std::printf("signature %016llx\n", static_cast<unsigned long long>(total.h));
    if (expected != nullptr) {
        char got[32];
        std::snprintf(got, sizeof got, "%016llx", static_cast<unsigned long long>(total.h));
        if (std::strcmp(got, expected) != 0) {
            std::printf("the deep search's choices changed: signature %s, expected %s\n", got,
                        expected);
            return 1;
        }
    }
    return 0;
}
