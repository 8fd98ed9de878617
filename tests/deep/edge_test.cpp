// The deep search at the edges: set-up positions far outside any game, a
// game where one side can only pass, and the node cap read from the
// environment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "deep/search.h"
#include "tests/support/position.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

// Sets an environment variable for the life of the object, then puts back
// what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Both kings, a lance each and the coin; one hand holds 18 of every piece, so
// that the evaluation of the other side is far below anything a game meets.
Pos full_hand(bool upper_holds) {
    Pos p;
    p.put(5, 1, OU).put(5, 9, -OU).put(1, 1, KYOU).put(9, 9, -KYOU).put(5, 5, COIN);
    for (int k = 1; k <= 7; ++k) upper_holds ? p.upper_hand(k, 18) : p.lower_hand(k, 18);
    return p;
}

TEST(DeepEdge, HandsFullOfPiecesStillGiveALegalMoveWithinTheBounds) {
    for (bool upper_holds : {false, true}) {
        // The side without the pieces is to move: every move it has looks lost.
        const Pos p = full_hand(upper_holds);
        const Side turn = upper_holds ? p.s.lower_turn : p.s.upper_turn();
        const deep::Position start = deep::Position::from_state(p.s, turn);
        EXPECT_LE(std::abs(deep::evaluate(start)), deep::EVAL_LIMIT);
        deep::Position other = start;
        other.side = ~other.side;
        EXPECT_LE(std::abs(deep::evaluate(other)), deep::EVAL_LIMIT);

        std::set<std::string> legal;
        deep::MoveList moves;
        start.generate(moves);
        for (const deep::Move& m : moves) legal.insert(deep::move_text(deep::move_entry(start, m.code)));
        ASSERT_EQ(legal.count("pass"), 0u);

        deep::SearchLimits limits;
        limits.nodes = 3000;
        int depths = 0;
        const deep::SearchResult r =
            deep::search_position(p.s, turn, true, limits, [&](const deep::SearchInfo& info) {
                ++depths;
                EXPECT_LT(std::abs(info.score), deep::WIN) << info.depth;
                EXPECT_FALSE(info.pv.empty()) << info.depth;
            });
        ASSERT_TRUE(r.found);
        EXPECT_GT(depths, 0);
        const std::string best = deep::move_text(deep::move_entry(start, r.best));
        EXPECT_EQ(legal.count(best), 1u) << best;
        EXPECT_LT(std::abs(r.score), deep::WIN);
    }
}

// Against the computer, with its king and golds walled in on columns 7 and
// 8 and the coin on column 9, the computer can only pass while the person's
// king and two golds step up and down.  The person, far behind in material,
// must still not come back to a position met before while new ones remain.
TEST(DeepEdge, FollowingTheHintAgainstAPassingComputerFindsNewPositions) {
    ScopedEnv cap("RINDOU_SEARCH_NODES", "3000");
    TestGame t;
    t.menu("START");
    GameState& s = t.g.st;
    wall_in_the_computer(s);
    s.side_to_move = s.lower_turn;
    t.take();

    std::set<uint64_t> seen;
    std::vector<uint64_t> met;  // also where the computer passed, which the record does not hold
    for (int ply = 0; ply < 12; ++ply) {
        met.push_back(deep::Position::from_state(s, s.side_to_move).key);
        ASSERT_TRUE(seen.insert(met.back()).second) << "came back at ply " << ply;
        t.menu("HINT");
        std::istringstream hint(t.take());
        std::string word;
        int fc = 0, fr = 0, tc = 0, tr = 0;
        ASSERT_TRUE(hint >> word >> fc >> fr >> tc >> tr) << hint.str();
        ASSERT_EQ(word, "hint");
        t.move(fc, fr, tc, tr);
        ASSERT_NE(t.take().find("パスです"), std::string::npos) << "the computer moved";
        ASSERT_EQ(s.side_to_move, s.lower_turn);
        met.push_back(deep::Position::from_state(s, s.upper_turn()).key);
    }
    std::sort(met.begin(), met.end());
    EXPECT_EQ(deep::history_keys(s), met);
}

TEST(DeepEdge, NodeCapIsReadFromDigitsOnly) {
    {
        ScopedEnv cap("RINDOU_SEARCH_NODES", "5");
        testing::internal::CaptureStderr();
        EXPECT_EQ(deep::level_budget(4), 5u);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    for (const char* bad : {" 5", "5x", "-5", "0", ""}) {
        ScopedEnv cap("RINDOU_SEARCH_NODES", bad);
        testing::internal::CaptureStderr();
        EXPECT_EQ(deep::level_budget(4), 200000u) << '"' << bad << '"';
        EXPECT_EQ(deep::level_budget(5), 1200000u) << '"' << bad << '"';
        const std::string said = testing::internal::GetCapturedStderr();
        // One line for the value, however often the budget is asked for.
        EXPECT_EQ(said.find('\n'), said.size() - 1) << '"' << bad << '"' << said;
        EXPECT_NE(said.find("RINDOU_SEARCH_NODES"), std::string::npos) << said;
    }
}

}  // namespace
}  // namespace rindou::test
