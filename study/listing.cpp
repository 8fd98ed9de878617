#include "study/listing.h"

#include <cstdio>
#include <string>

namespace rindou::study {

namespace {

// fc,fr,tc,tr,placed as in the console's principal variations: a drop of
// either side is -1,<slot>.
std::string move_field(int fc, int fr, int tc, int tr, int placed) {
    std::string s = std::to_string(fc);
    for (int v : {fr, tc, tr, placed}) {
        s += ',';
        s += std::to_string(v);
    }
    return s;
}

}  // namespace

std::string best_field(const MoveReview& m) {
    const Move b = m.best;
    if (b.is_pass() || b.is_none()) return move_field(0, 0, 0, 0, 0);
    const int to_col = col_of(b.to()), to_row = row_of(b.to());
    if (b.is_drop()) return move_field(UPPER_HAND_COL, b.dropped(), to_col, to_row, m.best_placed);
    return move_field(col_of(b.from()), row_of(b.from()), to_col, to_row, m.best_placed);
}

namespace {

std::string played_field(const RecordEntry& e) {
    if (e.from_col == UPPER_HAND_COL || e.from_col == LOWER_HAND_COL)
        return move_field(UPPER_HAND_COL, hand_slot(e.piece_after), e.to_col, e.to_row, e.piece_after);
    return move_field(e.from_col, e.from_row, e.to_col, e.to_row, e.piece_after);
}

std::string fixed3(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

void print_summary(const char* side, const SideSummary& s, std::ostream& out) {
    out << "summary " << side << " moves " << s.moves << " inaccuracies " << s.inaccuracies
        << " mistakes " << s.mistakes << " blunders " << s.blunders << " average "
        << fixed3(s.moves > 0 ? s.total_drop / s.moves : 0.0) << '\n';
}

}  // namespace

void print_analysis(const GameAnalysis& a, std::ostream& out) {
    for (const MoveReview& m : a.moves) {
        const char* side = m.upper ? "upper" : "lower";
        if (m.after_pass) out << "pass " << (m.upper ? "lower" : "upper") << '\n';
        out << "move " << m.number << ' ' << side << ' ' << m.notation << ' ' << played_field(m.move)
            << " before " << m.before << " after " << m.after << " drop " << fixed3(m.drop) << ' '
            << mark_name(m.mark);
        if (m.better)
            out << " best " << m.best_notation << ' ' << best_field(m);
        out << '\n';
    }
    print_summary("lower", a.lower, out);
    print_summary("upper", a.upper, out);
    switch (a.ending) {
        case Ending::RecordEnd: out << "end record\n"; break;
        case Ending::KingTaken: out << "end king\n"; break;
        case Ending::Unplayable: out << "end unplayable " << a.stop_entry << '\n'; break;
        case Ending::Cancelled: out << "end cancelled\n"; break;
    }
}

void analysis_listing(const GameState& s, int level, std::ostream& out) {
    print_analysis(analyse_game(s, level), out);
}

}  // namespace rindou::study
