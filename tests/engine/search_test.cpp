// Properties of the search over positions from scripted games.
#include <gtest/gtest.h>

#include <vector>

#include "bench/positions.h"
#include "core/null_platform.h"
#include "engine/evaluation.h"

namespace rindou {
namespace {

struct Cand {
    int fc, fr, tc, tr, placed;
    double score;
};

struct Collect : CandidateSink {
    std::vector<Cand> all;
    void candidate(int fc, int fr, int tc, int tr, int placed, double score) override {
        all.push_back({fc, fr, tc, tr, placed, score});
    }
};

const std::vector<GameState>& positions() {
    static const std::vector<GameState> p = bench::scripted_positions(8, 60, 12345);
    return p;
}

TEST(Search, ThereAreEnoughPositionsWithDrops) {
    int with_hand = 0;
    for (const GameState& s : positions()) with_hand += s.upper_hand_total > 0;
    EXPECT_GE(positions().size(), 30u);
    EXPECT_GE(with_hand, 5);
}

TEST(Search, TheFirstCandidateWithTheHighestScoreIsChosen) {
    int drop_ties = 0;
    for (const GameState& start : positions()) {
        NullPlatform quiet;
        Game g{start, &quiet};
        Collect c;
        search_best_move(g, &c);
        ASSERT_FALSE(c.all.empty());
        size_t first = 0;
        for (size_t i = 1; i < c.all.size(); ++i)
            if (c.all[i].score > c.all[first].score) first = i;
        const EngineMemory& e = g.st.engine;
        ASSERT_TRUE(e.best_found);
        EXPECT_EQ(e.best_score, c.all[first].score);
        EXPECT_EQ(e.best_from_col, c.all[first].fc);
        EXPECT_EQ(e.best_from_row, c.all[first].fr);
        EXPECT_EQ(e.best_to_col, c.all[first].tc);
        EXPECT_EQ(e.best_to_row, c.all[first].tr);
        EXPECT_EQ(e.best_placed, c.all[first].placed);
        // Board moves come before drops, so a drop with the same score as a
        // board move can never be chosen.
        if (e.best_from_col != -1)
            for (const Cand& k : c.all)
                if (k.fc == -1 && k.score == e.best_score) ++drop_ties;
        // The search leaves the board as it found it.
        EXPECT_EQ(g.st.board, start.board);
        EXPECT_EQ(g.st.upper_hand, start.upper_hand);
    }
    RecordProperty("drop_ties", drop_ties);
}

TEST(Search, TheComputerPlaysWhatThinkChooses) {
    for (const GameState& start : positions()) {
        NullPlatform quiet;
        Game probe{start, &quiet};
        search_best_move(probe, nullptr);

        struct Seen : NullPlatform {
            int fc = 0, fr = 0, tc = 0, tr = 0, placed = 0;
            double score = 0;
            void computer_move(int a, int b, int c, int d, int, int p, int, double s) override {
                fc = a, fr = b, tc = c, tr = d, placed = p, score = s;
            }
        } seen;
        Game g{start, &seen};
        com_ban(g);
        EXPECT_EQ(seen.fc, probe.st.engine.best_from_col);
        EXPECT_EQ(seen.fr, probe.st.engine.best_from_row);
        EXPECT_EQ(seen.tc, probe.st.engine.best_to_col);
        EXPECT_EQ(seen.tr, probe.st.engine.best_to_row);
        EXPECT_EQ(seen.placed, probe.st.engine.best_placed);
        EXPECT_EQ(seen.score, probe.st.engine.best_score);
    }
}

TEST(Search, OptionalPromotionOfLanceKnightAndSilverNeedsAStrictlyHigherScore) {
    int checked = 0;
    for (const GameState& start : positions()) {
        NullPlatform quiet;
        Game g{start, &quiet};
        Collect c;
        search_best_move(g, &c);
        GameState& s = g.st;
        for (const Cand& k : c.all) {
            if (k.fc == -1) continue;
            int piece = start.board[size_t(k.fc)][size_t(k.fr)];
            if (piece != 20 && piece != 30 && piece != 100) continue;
            if (!can_promote(s, k.fc, k.fr, k.tc, k.tr, piece) || !may_stay_unpromoted(k.tr, piece))
                continue;
            // Score both choices in the state the search left behind.
            int promoted = s.promoted_code;
            int captured = s.board[size_t(k.tc)][size_t(k.tr)];
            s.engine.moving_piece = piece;
            int dk = std::abs(k.fc - s.lower_king_col), dr = std::abs(k.fr - s.lower_king_row);
            s.engine.origin_distance = std::max(dk, dr);
            s.board[size_t(k.fc)][size_t(k.fr)] = EMPTY;
            s.board[size_t(k.tc)][size_t(k.tr)] = piece;
            analyse_position(s);
            double plain = evaluate_move(s, captured, piece, k.fc, k.fr, k.tc, k.tr);
            s.board[size_t(k.tc)][size_t(k.tr)] = promoted;
            analyse_position(s);
            double raised = evaluate_move(s, captured, promoted, k.fc, k.fr, k.tc, k.tr);
            s.board[size_t(k.tc)][size_t(k.tr)] = captured;
            s.board[size_t(k.fc)][size_t(k.fr)] = piece;
            EXPECT_EQ(k.placed, raised > plain ? promoted : piece);
            EXPECT_EQ(k.score, raised > plain ? raised : plain);
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
    RecordProperty("checked", checked);
}

}  // namespace
}  // namespace rindou
