// Seeded random sessions: games between two people and against the computer
// with passes, take backs, steps and jumps mixed in.  Whatever is stepped,
// the side to move is the one that made the next recorded move, a take back
// against the computer goes back to the person's own move, and every game
// kept loads to its end.
#include <gtest/gtest.h>

#include <map>

#include "core/rules.h"
#include "play/replay.h"
#include "record/record_file.h"
#include "tests/support/seeded_play.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

// Keeps the games written to it, in the order they were kept.
class MemoryShelf : public GameShelf {
public:
    std::vector<std::string> names() override {
        std::vector<std::string> out;
        for (const auto& [name, bytes] : files) out.push_back(name);
        return out;
    }
    Put put(const std::string& name, const std::string& bytes) override {
        if (files.count(name)) return Put::Taken;
        files[name] = bytes;
        kept.push_back(bytes);
        return Put::Written;
    }
    bool get(const std::string& name, std::string& bytes, size_t) override {
        auto it = files.find(name);
        if (it == files.end()) return false;
        bytes = it->second;
        return true;
    }
    void remove(const std::string& name) override { files.erase(name); }
    bool with_kept_list(const std::function<bool(std::string&)>& change) override {
        return change(list);
    }
    LocalTime local_time() override { return {2026, 12, 9, 10, 0, 0}; }

    std::map<std::string, std::string> files;
    std::vector<std::string> kept;
    std::string list;
};

Side mover(const GameState& s, int n) {
    return s.record[static_cast<size_t>(n)].piece_after > 0 ? s.upper_turn() : s.lower_turn;
}

struct Counts {
    int passes = 0, stepped_after_pass = 0, takebacks = 0;
};

// One session: starts, plays, steps and jumps by the seed; checks after
// every step or jump.
void session(uint64_t seed, MemoryShelf& shelf, Counts& n) {
    TestGame t;
    t.io.shelf = &shelf;
    GameState& s = t.g.st;
    Lcg rng{seed};
    bool passed = false;  // a pass happened in the game on the board
    t.menu("LEVEL1");
    for (int action = 0; action < 400; ++action) {
        if (s.side_to_move == NO_SIDE || s.record_mode == 1) {
            passed = false;
            static const char* starts[] = {"START", "SENTE", "GOTE"};
            t.menu(starts[rng.below(3)]);
            continue;
        }
        const int roll = rng.below(100);
        const char* what = nullptr;
        const int at = s.record_count;
        if (roll < 6) {
            what = "MATTA";
        } else if (roll < 12) {
            what = "REPLAY";
        } else if (roll < 17) {
            what = "AFTER";
        } else if (roll < 20) {
            GameInPlay jumped(s, Ports{});
            const int to = rng.below(s.record_end + 1);
            ASSERT_TRUE(jump_to(jumped, to)) << "seed " << seed;
            s = jumped.st;
        } else {
            const bool computer_to_move = s.game_mode == MODE_COM && s.side_to_move == s.upper_turn();
            const std::vector<Choice> moves = legal_choices(s);
            bool board_move = false;
            for (const Choice& c : moves) board_move = board_move || (c.c1 >= 1 && c.c1 <= 9);
            if (computer_to_move || !board_move) {
                // The click resumes the computer, or passes.
                t.click(1, 5, 5);
            } else {
                const Choice& c = moves[static_cast<size_t>(rng.below(static_cast<int>(moves.size())))];
                t.move(c.c1, c.r1, c.c2, c.r2, c.must_promote || (c.may_promote && rng.below(2)));
            }
            if (t.take().find("message パス|") != std::string::npos) ++n.passes, passed = true;
            continue;
        }
        if (what) {
            const bool person_takes_back = std::string(what) == "MATTA" && s.game_mode == MODE_COM;
            t.menu(what);
            t.take();
            if (person_takes_back && s.record_count < at) {
                ++n.takebacks;
                EXPECT_EQ(s.side_to_move, s.lower_turn) << "seed " << seed;
                EXPECT_EQ(mover(s, s.record_count + 1), s.lower_turn)
                    << "a take back ends before the person's own move, seed " << seed;
                EXPECT_EQ(s.turn_notice_pending, 0);
            }
        }
        // Only where a step was taken: a refused one changes nothing, and a
        // game started afresh may have another game's moves beyond it.
        if (s.record_count == at) continue;
        if (passed) ++n.stepped_after_pass;
        if (s.record_count < s.record_end) {
            ASSERT_EQ(s.side_to_move, mover(s, s.record_count + 1))
                << "seed " << seed << " at move " << s.record_count << " after "
                << (what ? what : "a jump");
        }
    }
    // Leaving the session keeps its game.
    t.menu("CANCEL");
}

TEST(Sessions, StepsFollowTheRecordThroughPassesAndKeptGamesLoadToTheirEnd) {
    MemoryShelf shelf;
    Counts n;
    for (uint64_t seed = 1; seed <= 60; ++seed) session(seed, shelf, n);
    // The sessions meet what they are about.
    EXPECT_GT(n.passes, 0);
    EXPECT_GT(n.stepped_after_pass, 0);
    EXPECT_GT(n.takebacks, 0);
    ASSERT_FALSE(shelf.kept.empty());
    const GameState start = record_start_position(TestGame().g.st);
    for (const std::string& bytes : shelf.kept) {
        const RecordFile f = read_record_file(bytes, start);
        EXPECT_EQ(f.stop_line, 0) << "loaded " << f.moves.size() << " of " << f.move_lines;
        EXPECT_EQ(static_cast<int>(f.moves.size()), f.move_lines);
    }
}

}  // namespace
}  // namespace rindou::test
