// The deep search's move generator: its staged parts against the whole, the
// leaf counts that pin the rules it is built from, and its make/unmake
// against the game's own move execution.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "core/null_platform.h"
#include "core/record_store.h"
#include "deep/position.h"
#include "deep/search.h"
#include "play/move.h"

namespace rindou {
namespace {

using deep::Move;
using deep::MoveList;
using deep::Position;

constexpr int CODES[] = {HU,      TOKIN, KYOU, NARIKYOU, KEI, NARIKEI, GIN,
                         NARIGIN, KIN,   KAKU, UMA,      SYA, RYU};

GameState random_setup(std::mt19937& rng) {
    GameState s;
    s.squares.fill(NO_PIECE);
    std::uniform_int_distribution<int> sq(1, 9), pct(0, 99), code(0, 12), cnt(0, 3);
    const int fill = 10 + pct(rng) % 45;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r)
            if (pct(rng) < fill) s.put_code(make_square(c, r), CODES[code(rng)] * (pct(rng) < 50 ? 1 : -1));
    for (int king : {OU, -OU})
        if (pct(rng) < 90) s.put_code(make_square(sq(rng), sq(rng)), king);
    s.move_coin(make_square(sq(rng), sq(rng)));
    s.put_code(make_square(s.coin_col(), s.coin_row()), COIN);
    for (int k = 1; k <= 7; ++k) {
        s.hand[UPPER][size_t(k)] = pct(rng) < 30 ? cnt(rng) : 0;
        s.hand[LOWER][size_t(k)] = pct(rng) < 30 ? cnt(rng) : 0;
    }
    return s;
}

// The search's staged generation: the tactical part then the quiet part
// hold exactly the moves of the whole generator, each once, the tactical
// part only captures and promotions; the check a killer from another
// position gets accepts exactly the moves of this one.
void compare_stages(const Position& p, const MoveList& all, const MoveList& elsewhere) {
    std::set<uint32_t> whole;
    for (const Move& m : all) whole.insert(m.key());
    MoveList parts;
    p.generate_tactical(parts);
    for (const Move& m : parts) ASSERT_TRUE(m.captured || m.promote());
    const size_t tactical = parts.size();
    const int board_moves = p.append_quiet(parts);
    ASSERT_EQ(p.has_board_move(), tactical + static_cast<size_t>(board_moves) > 0);
    if (all.size() == 1 && all[0].pass()) {
        ASSERT_EQ(tactical, 0u);
        ASSERT_EQ(board_moves, 0);
        return;
    }
    // The cheapest capturer of each square is the cheapest piece among the
    // generated captures onto it (by an arbitrary order of kinds).
    static constexpr int VALUE[KIND_COUNT] = {0, 1, 3, 4, 5, 6, 9, 10, 50, 7, 7, 7, 7, 11, 13};
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        const int8_t target = p.board[sq];
        if (!deep::is_piece(target) || deep::cell_side(target) == p.side) continue;
        int want = -1;
        for (const Move& m : all)
            if (!m.pass() && !m.is_drop() && m.to() == sq)
                want = want < 0 ? VALUE[m.moved] : std::min(want, VALUE[m.moved]);
        const Square from = p.cheapest_capturer(p.side, sq, VALUE);
        const int got = from == NO_SQUARE ? -1 : VALUE[deep::kind_of(p.board[from])];
        ASSERT_EQ(got, want) << "square " << int(sq);
    }
    std::set<uint32_t> staged;
    for (size_t i = 0; i < parts.size(); ++i) {
        ASSERT_TRUE(staged.insert(parts[i].key()).second) << "a move in both parts";
        if (i >= tactical) {
            ASSERT_TRUE(!parts[i].captured && !parts[i].promote());
        }
    }
    ASSERT_EQ(staged, whole);
    for (const MoveList* list : {&all, &elsewhere})
        for (Move m : *list) {
            const Move want = m;
            const bool here = whole.count(m.key()) > 0;
            ASSERT_EQ(p.is_move(m), here) << int(m.from()) << "-" << int(m.to()) << " promote " << int(m.promote());
            if (here) {
                const auto it = std::find_if(all.begin(), all.end(), [&](const Move& a) { return a.key() == want.key(); });
                ASSERT_EQ(m.captured, it->captured);
                ASSERT_EQ(m.moved, it->moved);
            }
        }
}

void check(const GameState& s, int& positions) {
    static MoveList previous;
    MoveList moves;
    for (Side turn : {UPPER, LOWER}) {
        const Position p = Position::from_state(s, turn);
        p.generate(moves);
        std::set<uint32_t> keys;
        for (const Move& m : moves) keys.insert(m.key());
        ASSERT_EQ(keys.size(), moves.size()) << "a move generated twice, position " << positions;
        compare_stages(p, moves, previous);
        if (::testing::Test::HasFatalFailure()) return;
        previous = moves;
    }
    ++positions;
}

GameState start_position() {
    GameState s;
    reset_to_no_game(s);
    return s;
}

TEST(DeepMoveGen, StagesAndMakeUnmakeHoldOnRandomPositionsAndSeededPlay) {
    std::mt19937 rng(20261208);
    int positions = 0;
    for (int i = 0; i < 60000; ++i) {
        check(random_setup(rng), positions);
        if (HasFatalFailure()) return;
    }
    // Seeded play from the start, each move also played by the game itself;
    // the two positions must stay the same and unmake must restore all.
    NullPlatform quiet;
    while (positions < 100000) {
        Game g{start_position(), &quiet};
        GameState& s = g.st;
        Side turn = (positions % 2) ? UPPER : LOWER;
        for (int ply = 0; ply < 160 && s.winner == NO_SIDE; ++ply) {
            check(s, positions);
            if (HasFatalFailure()) return;
            Position p = Position::from_state(s, turn);
            MoveList moves;
            p.generate(moves);
            // The key foretold for every move is the one making it gives.
            for (const Move& any : moves) {
                const uint64_t foretold = p.key_after(any);
                deep::Undo undo;
                p.make(any, undo);
                ASSERT_EQ(foretold, p.key) << "position " << positions;
                p.unmake(any, undo);
            }
            Move m = moves[std::uniform_int_distribution<size_t>(0, moves.size() - 1)(rng)];
            Position before = p;
            deep::Undo u;
            p.make(m, u);
            Position after = p;
            p.unmake(m, u);
            ASSERT_EQ(p.board, before.board);
            ASSERT_EQ(p.hand, before.hand);
            ASSERT_EQ(p.pawns, before.pawns);
            ASSERT_EQ(p.king, before.king);
            ASSERT_EQ(p.coin, before.coin);
            ASSERT_EQ(p.key, before.key);
            ASSERT_EQ(p.placed, before.placed);
            ASSERT_TRUE(p.occupied == before.occupied && p.sliders == before.sliders);
            if (!m.pass()) execute_move(g, turn, m.code);
            turn = ~turn;
            Position replayed = Position::from_state(s, turn);
            ASSERT_EQ(after.board, replayed.board);
            ASSERT_EQ(after.hand, replayed.hand);
            ASSERT_EQ(after.coin, replayed.coin);
            ASSERT_EQ(after.pawns, replayed.pawns);
            // What make keeps up to date is what a fresh look at the board finds.
            ASSERT_EQ(after.placed, replayed.placed);
            ASSERT_TRUE(after.occupied == replayed.occupied && after.sliders == replayed.sliders);
            if (after.winner == NO_SIDE) {
                ASSERT_EQ(after.key, replayed.key);
            }
            int lower_total = 0, upper_total = 0;
            for (int k = 1; k <= 7; ++k) {
                lower_total += after.hand[LOWER][size_t(k)];
                upper_total += after.hand[UPPER][size_t(k)];
            }
            ASSERT_EQ(s.hand_total(LOWER), lower_total);
            ASSERT_EQ(s.hand_total(UPPER), upper_total);
        }
    }
    EXPECT_GE(positions, 100000);
}

// Leaf counts from fixed positions, recorded when the generator was checked
// against the game's own questions: a change in them is a change in the
// rules.
TEST(DeepMoveGen, PerftFromFixedPositions) {
    const GameState s = start_position();
    Position start = Position::from_state(s, LOWER);
    EXPECT_EQ(deep::perft(start, 1), 29u);
    EXPECT_EQ(deep::perft(start, 2), 839u);
    EXPECT_EQ(deep::perft(start, 3), 19758u);

    // A middle game with pieces in hand, the coin near the edge.
    GameState m = s;
    m.put_code(make_square(5, 5), EMPTY);
    m.put_code(make_square(3, 7), EMPTY);
    m.put_code(make_square(7, 3), EMPTY);
    m.put_code(make_square(8, 2), EMPTY);
    m.put_code(make_square(2, 8), EMPTY);
    m.put_code(make_square(6, 8), COIN);
    m.move_coin(make_square(6, 8));
    m.put_code(make_square(6, 9), EMPTY);
    m.put_code(make_square(5, 6), -KIN);
    m.hand[LOWER][1] = 1;
    m.hand[LOWER][6] = 1;
    m.hand[UPPER][1] = 1;
    m.hand[UPPER][6] = 1;
    Position mid = Position::from_state(m, UPPER);
    EXPECT_EQ(deep::perft(mid, 1), 68u);
    EXPECT_EQ(deep::perft(mid, 2), 4095u);
    EXPECT_EQ(deep::perft(mid, 3), 114596u);

    // Knights and lances in both hands, where the rows they may not be
    // dropped on are empty for both sides.
    GameState h = s;
    for (Side side : {UPPER, LOWER}) {
        h.hand[side][KNIGHT] = 1;
        h.hand[side][LANCE] = 1;
    }
    Position hands = Position::from_state(h, UPPER);
    EXPECT_EQ(deep::perft(hands, 1), 102u);
    EXPECT_EQ(deep::perft(hands, 2), 10191u);
}

}  // namespace
}  // namespace rindou
