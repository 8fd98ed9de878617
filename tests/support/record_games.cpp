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
    return a.squares == b.squares && a.coin_col() == b.coin_col() && a.coin_row() == b.coin_row() &&
           a.hand[LOWER] == b.hand[LOWER] && a.hand[UPPER] == b.hand[UPPER] &&
           a.hand_total(LOWER) == b.hand_total(LOWER) && a.hand_total(UPPER) == b.hand_total(UPPER);
}

}  // namespace rindou::test
