// The study of a game in the page: the game's state written for the study's
// worker, and what the worker runs, the same study the window and the
// console run, with its result as JSON for the page to show.
//
// The worker is a module of its own, so the state crosses as text: only
// what the study reads (the position, the turn values, how the game began
// and its record), the rest left as a game not yet begun has it.
#include "app/web/study_wire.h"

#include <emscripten.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "core/record_store.h"
#include "study/listing.h"
#include "study/study.h"
#include "view/move_list.h"

// clang-format off
// How far the study has come; the worker passes it on to the page.
EM_JS(void, js_study_progress, (int done, int total), {
    if (Module.rindouStudyProgress) Module.rindouStudyProgress(done, total);
});
// clang-format on

namespace rindou::web {

namespace {

constexpr const char* STUDY_REQUEST_VERSION = "rindou-study 1";

// The fields in the order they are written: the position first, then the
// game's values, then the record's entries.  A side is written as its turn
// value (+1, -1, or 0 for none); false when one read back is none of these,
// or none where the game always holds a side.
template <class Visit>
bool visit_state(GameState& s, Visit&& visit) {
    bool sides_ok = true;
    const auto visit_side = [&](Side& side, bool may_be_none) {
        int v = turn_value(side);
        visit(v);
        if (v < -1 || v > 1 || (v == 0 && !may_be_none))
            sides_ok = false;
        else
            side = side_of_turn_value(v);
    };
    // The board goes as the grids' codes, the coin's among them, and then
    // the coin's square; the position is what those say.
    Grid codes = s.codes();
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) visit(codes[c][r]);
    int coin_col = s.coin_col(), coin_row = s.coin_row();
    visit(coin_col);
    visit(coin_row);
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) s.put_code(sq, codes[col_of(sq)][row_of(sq)]);
    if (on_board(coin_col, coin_row)) s.move_coin(make_square(coin_col, coin_row));
    for (PieceKind k = PAWN; k <= ROOK; ++k) {
        visit(s.hand[LOWER][k]);
        visit(s.hand[UPPER][k]);
    }
    // The totals follow from the hands: written for the reader's sake and
    // read into nothing.
    int lower_total = s.hand_total(LOWER), upper_total = s.hand_total(UPPER);
    visit(lower_total);
    visit(upper_total);
    for (size_t c = 1; c <= 9; ++c) {
        visit(s.lower_pawn_file[c]);
        visit(s.upper_pawn_file[c]);
    }
    for (int* v : {&s.lower_king_col, &s.lower_king_row, &s.upper_king_col, &s.upper_king_row})
        visit(*v);
    visit_side(s.sente_turn, false);
    visit_side(s.lower_turn, false);
    // The upper player's side keeps its place in the text but follows from
    // the lower player's: what is read there is not kept.
    int upper_turn = turn_value(s.upper_turn());
    visit(upper_turn);
    visit_side(s.side_to_move, true);
    visit(s.game_mode);
    visit_side(s.winner, true);
    for (int* v : {&s.move_number, &s.flipped, &s.handicap_grade, &s.handicap_set, &s.keep_state,
                   &s.record_count, &s.record_end})
        visit(*v);
    return sides_ok;
}

template <class Visit>
void visit_entry(RecordEntry& e, Visit&& visit) {
    for (int* v : {&e.from_col, &e.from_row, &e.to_col, &e.to_row, &e.piece_before, &e.captured,
                   &e.piece_after})
        visit(*v);
}

std::string json_string(const std::string& s) {
    std::string out = "\"";
    for (unsigned char ch : s) {
        if (ch == '"' || ch == '\\') out += '\\';
        if (ch < 0x20) continue;
        out += static_cast<char>(ch);
    }
    return out + "\"";
}

void summary(std::ostream& out, const study::SideSummary& s) {
    out << "{\"moves\":" << s.moves << ",\"inaccuracies\":" << s.inaccuracies
        << ",\"mistakes\":" << s.mistakes << ",\"blunders\":" << s.blunders
        << ",\"totalDrop\":" << s.total_drop << '}';
}

const char* ending_name(study::Ending e) {
    switch (e) {
        case study::Ending::KingTaken: return "king";
        case study::Ending::Unplayable: return "unplayable";
        case study::Ending::Cancelled: return "cancelled";
        case study::Ending::RecordEnd: break;
    }
    return "record";
}

}  // namespace

std::string write_study_request(const GameState& state) {
    GameState s = state;
    std::string out = STUDY_REQUEST_VERSION;
    visit_state(s, [&](int& v) { out += ' ' + std::to_string(v); });
    const int end = std::clamp(s.record_end, 0, RECORD_MAX);
    for (int i = 1; i <= end; ++i)
        visit_entry(s.record[i], [&](int& v) { out += ' ' + std::to_string(v); });
    return out;
}

bool read_study_request(const std::string& text, GameState& out) {
    std::istringstream in(text);
    std::string word, version;
    in >> word >> version;
    if (word + ' ' + version != STUDY_REQUEST_VERSION) return false;
    GameState s;
    reset_to_no_game(s);
    bool ok = true;
    const auto read = [&](int& v) {
        long long x = 0;
        if (!(in >> x) || x < -100000 || x > 100000) ok = false;
        v = static_cast<int>(x);
    };
    if (!visit_state(s, read) || !ok || s.record_end < 0 || s.record_end > RECORD_MAX || s.record_count < 0 ||
        s.record_count > s.record_end)
        return false;
    for (int i = 1; i <= s.record_end; ++i) visit_entry(s.record[i], read);
    if (!ok || (in >> word)) return false;
    out = s;
    return true;
}

std::string analysis_json(const study::GameAnalysis& a, bool upper_first) {
    std::ostringstream out;
    out.precision(17);
    out << "{\"moves\":[";
    bool first = true;
    for (const study::MoveReview& m : a.moves) {
        if (!first) out << ',';
        first = false;
        // The graph shows every position from the first player's side.
        const double sign = m.upper == upper_first ? 1.0 : -1.0;
        out << "{\"number\":" << m.number << ",\"upper\":" << (m.upper ? "true" : "false")
            << ",\"afterPass\":" << (m.after_pass ? "true" : "false") << ",\"before\":" << m.before
            << ",\"after\":" << m.after << ",\"drop\":" << m.drop
            << ",\"mark\":" << static_cast<int>(m.mark)
            << ",\"markName\":" << json_string(study::mark_name(m.mark))
            << ",\"forced\":" << (m.forced ? "true" : "false")
            << ",\"chancesBefore\":" << sign * study::winning_chances(m.before)
            << ",\"chancesAfter\":" << sign * study::winning_chances(m.after);
        if (m.better)
            out << ",\"best\":" << json_string(m.best_notation) << ",\"bestMove\":\""
                << study::best_field(m) << '"';
        out << '}';
    }
    out << "],\"lower\":";
    summary(out, a.lower);
    out << ",\"upper\":";
    summary(out, a.upper);
    out << ",\"upperFirst\":" << (upper_first ? "true" : "false") << ",\"ending\":\""
        << ending_name(a.ending) << "\",\"stopEntry\":" << a.stop_entry << ",\"nodes\":" << a.nodes
        << '}';
    return out.str();
}

}  // namespace rindou::web

extern "C" {

// What the study's worker runs: the state written by rindou_study_request,
// analysed at `level` (4 or 5), the result as JSON; empty when the request
// cannot be read or the level is no study level.  Progress reaches the page
// through Module.rindouStudyProgress after every position; the page stops a
// study by ending its worker.
EMSCRIPTEN_KEEPALIVE const char* rindou_study_analyse(const char* request, int level) {
    static std::string slot;
    rindou::GameState s;
    if (!request || (level != 4 && level != 5) || !rindou::web::read_study_request(request, s)) {
        slot.clear();
        return slot.c_str();
    }
    rindou::study::Hooks hooks;
    hooks.progress = [](int done, int total) { js_study_progress(done, total); };
    const rindou::study::GameAnalysis a = rindou::study::analyse_game(s, level, hooks);
    slot = rindou::web::analysis_json(a, s.sente_turn == s.upper_turn());
    return slot.c_str();
}

// Where the board and the move list go on a desktop's page of `width` by
// `height` CSS pixels, as the window places them:
// {"below", "board": [w, h], "list": [x, y, w, h]}.
EMSCRIPTEN_KEEPALIVE const char* rindou_study_place(int width, int height) {
    static std::string slot;
    const rindou::MoveListPlace p = rindou::place_move_list(width, height);
    slot = "{\"below\":" + std::string(p.below ? "true" : "false") + ",\"board\":[" +
           std::to_string(p.board_width) + ',' + std::to_string(p.board_height) + "],\"list\":[" +
           std::to_string(p.list_x) + ',' + std::to_string(p.list_y) + ',' +
           std::to_string(p.list_width) + ',' + std::to_string(p.list_height) + "]}";
    return slot.c_str();
}

}  // extern "C"
