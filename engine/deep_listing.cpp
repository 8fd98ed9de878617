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
    deep::SearchResult r = deep::search_position(s, turn, s.game_mode == MODE_COM, limits,
                                                 [&out](const deep::SearchInfo& info) {
        out << "info depth " << info.depth << " score " << info.score << " nodes " << info.nodes
            << " pv";
        for (const Move& m : info.pv) {
            if (m.pass()) {
                out << " pass";
                continue;
            }
            out << ' ' << m.from_col << ',' << m.from_row << ',' << m.to_col << ',' << m.to_row
                << ',' << m.piece_after;
        }
        out << '\n';
    });
    if (!r.found)
        out << "best none\n";
    else
        out << "best " << deep::move_text(r.best) << '\n';
}

}  // namespace rindou
