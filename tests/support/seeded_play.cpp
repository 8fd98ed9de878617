#include "tests/support/seeded_play.h"

#include "core/rules.h"

namespace rindou::test {

std::vector<Choice> legal_choices(const GameState& original) {
    std::vector<Choice> out;
    GameState s = original;
    if (s.side_to_move == NO_SIDE) return out;
    const bool upper = s.side_to_move == s.upper_turn();
    auto at = [&](int c, int r) { return s.code_at(c, r); };
    for (int fc = 1; fc <= 9; ++fc)
        for (int fr = 1; fr <= 9; ++fr) {
            const int p = at(fc, fr);
            if (upper ? !is_upper(p) : !is_lower(p)) continue;
            for (int tc = 1; tc <= 9; ++tc)
                for (int tr = 1; tr <= 9; ++tr) {
                    if (!is_legal_move(s, fc, fr, tc, tr, p)) continue;
                    bool may = can_promote(fc, fr, tc, tr, p) != 0;
                    bool must = may && may_stay_unpromoted(tr, p) == 0;
                    out.push_back({fc, fr, tc, tr, may, must});
                }
        }
    scan_pawn_files(s);
    const auto& hand = upper ? s.hand[UPPER] : s.hand[LOWER];
    for (int slot = 1; slot <= 7; ++slot) {
        if (hand[static_cast<size_t>(slot)] <= 0) continue;
        const int code = upper ? SLOT_CODE[static_cast<size_t>(slot)]
                               : -SLOT_CODE[static_cast<size_t>(slot)];
        const int hc = upper ? -1 : 11, hr = upper ? 8 - slot : slot + 2;
        for (int tc = 1; tc <= 9; ++tc)
            for (int tr = 1; tr <= 9; ++tr)
                if (is_legal_move(s, hc, hr, tc, tr, code)) out.push_back({hc, hr, tc, tr, false, false});
    }
    return out;
}

}  // namespace rindou::test
