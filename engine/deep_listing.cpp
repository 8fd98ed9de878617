#include "engine/deep_listing.h"

#include "deep/search.h"

namespace rindou {

void deep_listing(const GameState& s, Side turn, int level, std::ostream& out) {
    if (turn == NO_SIDE) {
        out << "best none\n";
        return;
    }
    deep::SearchLimits limits;
    limits.nodes = deep::level_budget(level);
    // The moves are printed with their pieces, which each line's moves take
    // from the positions it walks through from the one searched.
    const deep::Position start = deep::Position::from_state(s, turn);
    deep::SearchResult r = deep::search_position(s, turn, s.game_mode == MODE_COM, limits,
                                                 [&out, &start](const deep::SearchInfo& info) {
        out << "info depth " << info.depth << " score " << info.score << " nodes " << info.nodes
            << " pv";
        deep::Position walk = start;
        for (const Move code : info.pv) {
            deep::Move m;
            m.code = code;
            if (m.pass()) {
                out << " pass";
            } else {
                walk.complete(m);
                const RecordEntry e = deep::move_entry(walk, code);
                out << ' ' << e.from_col << ',' << e.from_row << ',' << e.to_col << ',' << e.to_row
                    << ',' << e.piece_after;
            }
            deep::Undo u;
            walk.make(m, u);
        }
        out << '\n';
    });
    if (!r.found)
        out << "best none\n";
    else
        out << "best " << deep::move_text(deep::move_entry(start, r.best)) << '\n';
}

}  // namespace rindou
