#include "tests/support/record_games.h"

#include <gtest/gtest.h>

#include "play/clock.h"
#include "view/draw.h"

namespace rindou::test {

std::vector<Snapshot> play_long_game(TestGame& t, size_t count) {
    t.menu("START");
    std::vector<Snapshot> shots{Snapshot(t.g.st)};
    const auto& moves = long_game();
    for (size_t i = 0; i < count && i < moves.size(); ++i) {
        const MoveText& m = moves[i];
        t.io.advance(2.5 + static_cast<double>(i % 4));
        clock_tick(t.g);
        int before = t.g.st.move_number;
        t.move(m.c1, m.r1, m.c2, m.r2, m.promote);
        EXPECT_EQ(t.g.st.move_number, before + 1) << "move " << i + 1 << " was not played";
        shots.emplace_back(t.g.st);
    }
    t.take();
    return shots;
}

bool same_position(const GameState& a, const GameState& b) {
    return a.board == b.board && a.coin_col == b.coin_col && a.coin_row == b.coin_row &&
           a.lower_hand == b.lower_hand && a.upper_hand == b.upper_hand &&
           a.lower_hand_total == b.lower_hand_total && a.upper_hand_total == b.upper_hand_total;
}

}  // namespace rindou::test
