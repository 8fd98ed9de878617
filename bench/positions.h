// Positions met before the computer's turns in scripted games: the computer
// (upper side) plays against a lower side that picks uniformly among its
// legal moves with a fixed-seed generator.  Used by the benchmark and by the
// tests that check properties of the search over many positions.
#pragma once

#include <cstdint>
#include <vector>

#include "analysis/analysis.h"
#include "core/null_platform.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "play/computer_turn.h"
#include "play/game_in_play.h"
#include "play/move.h"
#include "play/flow.h"

namespace rindou::bench {

struct LowerMove {
    int fc, fr, tc, tr, piece;
};

// A small linear congruential generator: the same numbers on every platform.
struct Lcg {
    uint64_t x;
    uint32_t next() {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(x >> 33);
    }
};

inline int lower_moves(GameState& s, LowerMove* out, int cap) {
    int n = 0;
    for (int fc = 1; fc <= 9; ++fc)
        for (int fr = 1; fr <= 9; ++fr) {
            int p = s.code_at(fc, fr);
            if (p > -10) continue;
            for (int tc = 1; tc <= 9; ++tc)
                for (int tr = 1; tr <= 9; ++tr)
                    if (n < cap && is_legal_move(s, fc, fr, tc, tr, p)) out[n++] = {fc, fr, tc, tr, p};
        }
    scan_pawn_files(s);
    for (int slot = 1; slot <= 7; ++slot) {
        if (s.hand[LOWER][size_t(slot)] == 0) continue;
        int code = -SLOT_CODE[size_t(slot)];
        for (int tc = 1; tc <= 9; ++tc)
            for (int tr = 1; tr <= 9; ++tr)
                if (n < cap && is_legal_move(s, 11, slot + 2, tc, tr, code))
                    out[n++] = {11, slot + 2, tc, tr, code};
    }
    return n;
}

// Plays `games` games of at most `turns` computer moves each and returns the
// game before every computer turn, with the maps and the memory the computer
// finds then, and no ports.  The computer moves second.
inline std::vector<GameInPlay> scripted_positions(int games, int turns, uint64_t seed) {
    std::vector<GameInPlay> seen;
    NullPlatform quiet;
    Lcg rng{seed};
    static LowerMove moves[2000];
    for (int game = 0; game < games; ++game) {
        GameInPlay g;
        g.io = &quiet;
        new_game_reset(g);
        GameState& s = g.st;
        s.game_mode = MODE_COM;
        s.lower_turn = UPPER;
        s.side_to_move = UPPER;
        s.level = 3;
        for (int t = 0; t < turns; ++t) {
            int n = lower_moves(s, moves, 2000);
            if (n == 0 || has_no_board_move(s, LOWER)) break;
            LowerMove m = moves[rng.next() % static_cast<uint32_t>(n)];
            int piece = m.piece;
            if (can_promote(m.fc, m.fr, m.tc, m.tr, piece) &&
                (!may_stay_unpromoted(m.tr, piece) || rng.next() % 2 == 0))
                piece = promotion_on(m.fc, m.fr, m.tr, piece);
            append_move_record(s, RecordEntry{m.fc, m.fr, m.tc, m.tr, m.piece, EMPTY, piece, MoveTimes{}}, MoveTimes{});
            s.move_number += 1;
            int captured = s.code_at(m.tc, m.tr);
            execute_move(g, m.fc, m.fr, m.tc, m.tr, piece);
            analyse_position(s, g.computer.maps);
            if (upper_mate_test(s, g.computer.maps) == 1 || captured == OU || s.winner != NO_SIDE)
                break;
            s.side_to_move = s.upper_turn();
            seen.push_back(g);
            seen.back().io = Ports{};
            (void)run_at_once(g, com_ban(g));
            if (s.winner != NO_SIDE || s.side_to_move == NO_SIDE) break;
        }
    }
    return seen;
}

}  // namespace rindou::bench
