#include "server/referee.h"

#include <algorithm>

#include "core/handicap.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "core/text_codec.h"
#include "record/kifu_text.h"
#include "record/record_file.h"
#include "record/record_moves.h"

namespace rindou::server {

namespace {

constexpr int64_t DAY_MS = 86'400'000;
// Away this long on one's own turn lets the opponent claim the game.
constexpr int64_t AWAY_TIMED_MS = 60'000;
constexpr int64_t AWAY_UNTIMED_MS = 600'000;

int cell(const Position& s, int c, int r) { return s.code_at(c, r); }

bool mine(Side by, int code) { return by == UPPER ? code >= HU : code <= -HU; }

bool read_int(const Json& j, const char* key, int lo, int hi, int& out) {
    auto it = j.find(key);
    if (it == j.end() || !it->is_number_integer()) return false;
    const auto v = it->get<int64_t>();
    if (v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

bool read_square(const Json& j, const char* key, int& col, int& row) {
    auto it = j.find(key);
    if (it == j.end() || !it->is_array() || it->size() != 2) return false;
    const Json& a = *it;
    if (!a[0].is_number_integer() || !a[1].is_number_integer()) return false;
    const auto c = a[0].get<int64_t>(), r = a[1].get<int64_t>();
    if (c < 1 || c > 9 || r < 1 || r > 9) return false;
    col = static_cast<int>(c);
    row = static_cast<int>(r);
    return true;
}

Json result_json(const Result& r) {
    return {{"winner", r.winner ? Json(side_name(*r.winner)) : Json(nullptr)}, {"reason", r.reason}};
}

Event event(const char* type, Json data, int64_t now) { return Event{type, std::move(data), now}; }

}  // namespace

const char* side_name(Side s) { return s == LOWER ? "lower" : "upper"; }

std::optional<Side> parse_side(const std::string& text) {
    if (text == "lower") return LOWER;
    if (text == "upper") return UPPER;
    return std::nullopt;
}

bool is_valid_name(const std::string& name) {
    bool non_ascii = false;
    if (!is_strict_utf8(name, non_ascii)) return false;
    size_t count = 0;
    for (size_t i = 0; i < name.size();) {
        const size_t n = utf8_sequence(name, i);
        if (n == 0) return false;
        if (n == 1) {
            const auto c = static_cast<unsigned char>(name[i]);
            if (c < 0x20 || c == 0x7F) return false;
        }
        i += n;
        ++count;
    }
    if (count > 20) return false;
    std::string encoded, bad;
    return encode_cp932(name, encoded, bad);
}

Json settings_json(const Settings& s) {
    Json clock = nullptr;
    if (s.clock.kind == ClockSettings::Kind::minutes)
        clock = {{"initial", s.clock.initial_s}, {"increment", s.clock.increment_s}};
    else if (s.clock.kind == ClockSettings::Kind::days)
        clock = {{"days", s.clock.days}};
    return {{"creator", side_name(s.creator)}, {"first", side_name(s.first)}, {"clock", clock},
            {"handicap", s.handicap}, {"name", s.name}, {"creator_name", s.creator_name}};
}

std::optional<Settings> settings_from_json(const Json& j) {
    if (!j.is_object()) return std::nullopt;
    Settings s;
    try {
        auto creator = parse_side(j.at("creator").get<std::string>());
        auto first = parse_side(j.at("first").get<std::string>());
        if (!creator || !first) return std::nullopt;
        s.creator = *creator;
        s.first = *first;
        s.handicap = j.at("handicap").get<int>();
        s.name = j.at("name").get<std::string>();
        s.creator_name = j.at("creator_name").get<std::string>();
        const Json& c = j.at("clock");
        if (c.is_object() && c.contains("days")) {
            s.clock.kind = ClockSettings::Kind::days;
            s.clock.days = c.at("days").get<int64_t>();
        } else if (c.is_object()) {
            s.clock.kind = ClockSettings::Kind::minutes;
            s.clock.initial_s = c.at("initial").get<int64_t>();
            s.clock.increment_s = c.at("increment").get<int64_t>();
        }
    } catch (const Json::exception&) {
        return std::nullopt;
    }
    return s;
}

Json move_json(Move m) {
    if (m.is_pass()) return {{"pass", true}};
    const Json to = {col_of(m.to()), row_of(m.to())};
    if (m.is_drop()) return {{"drop", code_of(make_piece(UPPER, m.dropped()))}, {"to", to}};
    return {{"from", {col_of(m.from()), row_of(m.from())}}, {"to", to}, {"promote", m.promotes()}};
}

std::optional<Move> parse_move(const Json& j) {
    if (!j.is_object()) return std::nullopt;
    if (j.contains("pass")) {
        if (j.size() != 1 || j["pass"] != true) return std::nullopt;
        return Move::pass();
    }
    int to_col = 0, to_row = 0;
    if (j.contains("drop")) {
        // A drop never promotes; a drop that asks to is no drop the game has.
        for (const auto& [key, value] : j.items())
            if (key != "drop" && key != "to" && !(key == "promote" && value.is_boolean()))
                return std::nullopt;
        int code = 0;
        if (!read_int(j, "drop", 0, 1000, code)) return std::nullopt;
        // Only the upper side's code of a kind a hand can hold names a drop.
        const Piece dropped = piece_from_code(code);
        if (dropped == NO_PIECE || side_of(dropped) != UPPER || !is_hand_kind(kind_of(dropped)))
            return std::nullopt;
        if (!read_square(j, "to", to_col, to_row)) return std::nullopt;
        const Move m = Move::drop(kind_of(dropped), make_square(to_col, to_row));
        return j.value("promote", false) ? m.asking_promotion() : m;
    }
    for (const auto& [key, value] : j.items())
        if (key != "from" && key != "to" && key != "promote") return std::nullopt;
    int from_col = 0, from_row = 0;
    if (!read_square(j, "from", from_col, from_row) || !read_square(j, "to", to_col, to_row)) return std::nullopt;
    auto p = j.find("promote");
    if (p == j.end() || !p->is_boolean()) return std::nullopt;
    return Move::board(make_square(from_col, from_row), make_square(to_col, to_row), p->get<bool>());
}

Position start_position(int handicap) {
    // The pieces as a new game sets them out; nothing of a match on a
    // screen (its record, clocks or turns) is the server's.
    GameState game;
    reset_to_no_game(game);
    Position s = game;
    // Each grade above zero takes one more of the upper side's pieces off,
    // each grade below zero one more of the lower side's.
    for (int g = 1; g <= std::min(handicap, 10); ++g) {
        const HandicapSquare& q = UPPER_STEPS[g];
        s.clear(make_square(q.col, q.row));
    }
    for (int g = 1; g <= std::min(-handicap, 10); ++g) {
        const HandicapSquare& q = LOWER_STEPS[g];
        s.clear(make_square(q.col, q.row));
    }
    scan_pawn_files(s);
    return s;
}

namespace {

// The start of every game of a grade, shared by all of them.
std::shared_ptr<const Position> shared_start(int handicap) {
    static const auto starts = [] {
        std::array<std::shared_ptr<const Position>, 21> all;
        for (int g = -10; g <= 10; ++g) all[g + 10] = std::make_shared<const Position>(start_position(g));
        return all;
    }();
    return starts[std::clamp(handicap, -10, 10) + 10];
}

}  // namespace

Referee::Referee(std::string id, Settings settings, int64_t created_ms)
    : Referee(std::move(id), settings, created_ms, shared_start(settings.handicap)) {}

Referee::Referee(std::string id, Settings settings, int64_t created_ms, const Position& start)
    : Referee(std::move(id), settings, created_ms, std::make_shared<const Position>(start)) {}

Referee::Referee(std::string id, Settings settings, int64_t created_ms, std::shared_ptr<const Position> start)
    : id_(std::move(id)), settings_(std::move(settings)), start_(std::move(start)) {
    pos_ = *start_;
    scan_pawn_files(pos_);
    turn_ = settings_.first;
    turn_since_ms_ = created_ms;
    joined_[settings_.creator] = true;
    names_[settings_.creator] = settings_.creator_name;
    if (settings_.clock.kind == ClockSettings::Kind::minutes)
        clock_.left_ms.fill(settings_.clock.initial_s * 1000);
    clock_.since_ms = created_ms;
}

Referee::Outcome Referee::refuse(const char* code) const { return Outcome{{}, Refusal{code}}; }

bool Referee::has_moved(Side s) const {
    return std::any_of(plies_.begin(), plies_.end(),
                       [s](const Played& p) { return p.by == s && !p.move.is_pass(); });
}

namespace {

int64_t left_of(const Clock& c, Side s, int64_t now) {
    int64_t left = c.left_ms[s];
    if (c.running == s) left -= std::max<int64_t>(0, now - c.since_ms);
    return left;
}

Json clock_json_of(const ClockSettings& settings, const Clock& c, bool playing, int64_t now) {
    switch (settings.kind) {
        case ClockSettings::Kind::none: return nullptr;
        case ClockSettings::Kind::minutes:
            return {{"initial", settings.initial_s},
                    {"increment", settings.increment_s},
                    {"lower_ms", std::max<int64_t>(0, left_of(c, LOWER, now))},
                    {"upper_ms", std::max<int64_t>(0, left_of(c, UPPER, now))},
                    {"running", c.running && playing ? Json(side_name(*c.running)) : Json(nullptr)}};
        case ClockSettings::Kind::days:
            return {{"days", settings.days},
                    {"deadline_ms", c.deadline_ms && playing ? Json(*c.deadline_ms) : Json(nullptr)}};
    }
    return nullptr;
}

}  // namespace

int64_t Referee::left_now(Side s, int64_t now) const { return left_of(clock_, s, now); }

std::optional<int64_t> Referee::flag_at() const {
    if (!playing()) return std::nullopt;
    if (settings_.clock.kind == ClockSettings::Kind::minutes && clock_.running)
        return clock_.since_ms + clock_.left_ms[*clock_.running];
    if (settings_.clock.kind == ClockSettings::Kind::days) return clock_.deadline_ms;
    return std::nullopt;
}

std::optional<int64_t> Referee::claim_after_ms() const {
    switch (settings_.clock.kind) {
        case ClockSettings::Kind::none: return AWAY_UNTIMED_MS;
        case ClockSettings::Kind::minutes: return AWAY_TIMED_MS;
        case ClockSettings::Kind::days: return std::nullopt;
    }
    return std::nullopt;
}

// Checks a move of `by` on the position as it stands and describes it as
// played; empty (with the reason) when the rules refuse it.
std::optional<Played> Referee::check_move(Side by, Move m, std::string& why) const {
    why = "illegal-move";
    Played p;
    p.move = m;
    p.by = by;
    if (m.is_pass()) {
        if (has_no_board_move(pos_, by) != 1) return std::nullopt;
        return p;
    }
    Position s = pos_;
    scan_pawn_files(s);
    const Square to = m.to();
    const int to_col = col_of(to), to_row = row_of(to);
    if (m.is_drop()) {
        if (m.promotes()) return std::nullopt;
        const PieceKind kind = m.dropped();
        const int slot = kind;
        if (s.hand[by][kind] < 1) return std::nullopt;
        const int piece = code_of(make_piece(by, kind));
        // The lower hand's cells are named by their row beside the board; the
        // upper side's drop by the cell a person clicks (slot 1 nearest the
        // board's lower edge), as the desktop's record writes them.
        const int fc = by == UPPER ? UPPER_HAND_COL : LOWER_HAND_COL;
        const int fr = by == UPPER ? upper_hand_row(slot) : lower_hand_row(slot);
        if (is_legal_move(s, fc, fr, to_col, to_row, piece) != 1) return std::nullopt;
        p.entry = record_entry(s, by, m, DropNaming::PressedCell);
        return p;
    }
    const int from_col = col_of(m.from()), from_row = row_of(m.from());
    const int piece = cell(s, from_col, from_row);
    if (!mine(by, piece)) return std::nullopt;
    if (is_legal_move(s, from_col, from_row, to_col, to_row, piece) != 1) return std::nullopt;
    const int promoted_code = promotion_on(from_col, from_row, to_row, piece);
    if (m.promotes() ? promoted_code == 0 : may_stay_unpromoted(to_row, piece) != 1) return std::nullopt;
    p.entry = record_entry(s, by, m, DropNaming::PressedCell);
    return p;
}

Clock Referee::clock_after_move(Side mover, bool pass, int64_t now) const {
    Clock c = clock_;
    c.since_ms = now;
    const Side next = opposite(mover);
    if (settings_.clock.kind == ClockSettings::Kind::minutes) {
        // A pass is made at once and takes nothing from the clock.
        if (c.running == mover)
            c.left_ms[mover] = left_now(mover, now) + (pass ? 0 : settings_.clock.increment_s * 1000);
        // A side's first move is free; after it, its clock runs on its turn.
        c.running = has_moved(next) ? std::optional<Side>(next) : std::nullopt;
    } else if (settings_.clock.kind == ClockSettings::Kind::days) {
        c.deadline_ms = now + settings_.clock.days * DAY_MS;
    }
    return c;
}

Json Referee::clock_json(int64_t now) const {
    return clock_json_of(settings_.clock, clock_, playing(), now);
}

Referee::Outcome Referee::apply_all(std::vector<Event> events) const {
    return Outcome{std::move(events), std::nullopt};
}

void Referee::follow_move(Referee& after, std::vector<Event>& events, int64_t now) const {
    auto push = [&](Event e) {
        after.apply(e);
        events.push_back(std::move(e));
    };
    if (after.takeback_offer_)
        push(event("offer", {{"kind", "takeback"}, {"withdrawn", true}}, now));
    const Played& last = after.plies_.back();
    if (last.entry.captured == OU || last.entry.captured == -OU) {
        push(event("end", {{"result", result_json(Result{last.by, "king"})}}, now));
        return;
    }
    const auto recorded = std::count_if(after.plies_.begin(), after.plies_.end(),
                                        [](const Played& p) { return !p.move.is_pass(); });
    if (recorded >= RECORD_MAX) {
        push(event("end", {{"result", result_json(Result{std::nullopt, "length"})}}, now));
        return;
    }
    const Side next = after.turn_;
    if (has_no_board_move(after.pos_, next) != 1) return;
    if (has_no_board_move(after.pos_, opposite(next)) == 1) {
        push(event("end", {{"result", result_json(Result{std::nullopt, "no-move"})}}, now));
        return;
    }
    // The side with no move on the board passes at once, taking no time.
    const Move pass = Move::pass();
    const Clock c = after.clock_after_move(next, true, now);
    Json d = {{"ply", after.ply()}, {"move", move_json(pass)}, {"coin", {after.pos_.coin_col(), after.pos_.coin_row()}},
              {"captured", 0}, {"clock", clock_json_of(settings_.clock, c, true, now)}, {"spent_ms", 0}};
    push(event("move", std::move(d), now));
}

Referee::Outcome Referee::join(Side side, const std::string& name, int64_t now) const {
    if (joined_[side]) return refuse("seat-taken");
    return apply_all({event("joined", {{"side", side_name(side)}, {"name", name}}, now)});
}

Referee::Outcome Referee::move(Side by, int ply, Move m, int64_t now) const {
    if (ply >= 0 && ply < this->ply()) {
        const Played& p = plies_[ply];
        if (p.by == by && p.move == m) return Outcome{};
        return refuse("stale");
    }
    if (ended()) return refuse("game-over");
    if (ply != this->ply()) return refuse("stale");
    if (waiting() || turn_ != by) return refuse("not-your-turn");
    Outcome flagged = flag(now);
    if (!flagged.events.empty()) {
        flagged.refusal = Refusal{"game-over"};
        return flagged;
    }
    if (m.is_pass()) return refuse("illegal-move");
    std::string why;
    const auto played = check_move(by, m, why);
    if (!played) return refuse(why.c_str());

    Referee after = *this;
    std::vector<Event> events;
    const int64_t spent = std::max<int64_t>(0, now - turn_since_ms_);
    const Clock c = clock_after_move(by, false, now);
    // The coin moves with every board move by the piece's displacement.
    int coin_c = pos_.coin_col(), coin_r = pos_.coin_row();
    if (!m.is_drop()) {
        coin_c += col_of(m.to()) - col_of(m.from());
        coin_r += row_of(m.to()) - row_of(m.from());
    }
    Json d = {{"ply", ply},
              {"move", move_json(m)},
              {"coin", {coin_c, coin_r}},
              {"captured", played->entry.captured == COIN ? 0 : played->entry.captured},
              {"clock", clock_json_of(settings_.clock, c, true, now)},
              {"spent_ms", spent}};
    Event e = event("move", std::move(d), now);
    if (!after.apply(e)) return refuse("illegal-move");
    events.push_back(std::move(e));
    follow_move(after, events, now);
    return apply_all(std::move(events));
}

Referee::Outcome Referee::flag(int64_t now) const {
    const auto at = flag_at();
    if (!at || now < *at) return Outcome{};
    // The side whose time ran out is the side to move.
    return apply_all({event("end", {{"result", result_json(Result{opposite(turn_), "time"})}}, now)});
}

Referee::Outcome Referee::resign(Side by, int64_t now) const {
    if (result_) {
        if (result_->reason == "resign" && result_->winner == opposite(by)) return Outcome{};
        return refuse("game-over");
    }
    if (waiting()) return refuse("not-your-turn");
    return apply_all({event("end", {{"result", result_json(Result{opposite(by), "resign"})}}, now)});
}

Referee::Outcome Referee::abort(Side by, int64_t now) const {
    if (result_) {
        if (result_->reason == "abort") return Outcome{};
        return refuse("game-over");
    }
    if (has_moved(LOWER) && has_moved(UPPER)) return refuse("too-late");
    return apply_all({event("end", {{"result", result_json(Result{std::nullopt, "abort"})}}, now)});
}

Referee::Outcome Referee::takeback(Side by, const std::string& what, int64_t now) const {
    if (result_) return refuse("game-over");
    if (waiting()) return refuse("no-move");
    const Side other = opposite(by);
    if (what == "offer" && takeback_offer_ == by) return Outcome{};
    if (what == "accept" || (what == "offer" && takeback_offer_ == other)) {
        if (takeback_offer_ != other) return refuse("no-offer");
        // Back to the offerer's last move: the offerer is to move again.
        int n = ply() - 1;
        while (n >= 0 && (plies_[n].by != other || plies_[n].move.is_pass())) --n;
        if (n < 0) return refuse("no-move");
        Referee probe = *this;
        probe.plies_.resize(n);
        Clock c = clock_;
        c.since_ms = now;
        if (settings_.clock.kind == ClockSettings::Kind::minutes) {
            for (Side s : {LOWER, UPPER}) c.left_ms[s] = left_now(s, now);
            c.running = probe.has_moved(other) ? std::optional<Side>(other) : std::nullopt;
        } else if (settings_.clock.kind == ClockSettings::Kind::days) {
            c.deadline_ms = n > 0 ? std::optional<int64_t>(now + settings_.clock.days * DAY_MS) : std::nullopt;
        }
        return apply_all({event("takeback", {{"ply", n}, {"clock", clock_json_of(settings_.clock, c, true, now)}}, now)});
    }
    if (what == "offer") {
        if (!has_moved(by)) return refuse("no-move");
        return apply_all({event("offer", {{"kind", "takeback"}, {"by", side_name(by)}}, now)});
    }
    if (what == "decline") {
        if (takeback_offer_ != other) return refuse("no-offer");
        return apply_all({event("offer", {{"kind", "takeback"}, {"declined", true}}, now)});
    }
    return refuse("bad-message");
}

Referee::Outcome Referee::rematch(Side by, const std::string& what, int64_t now) const {
    if (what != "offer" && what != "accept" && what != "decline") return refuse("bad-message");
    if (!result_) return refuse("too-early");
    const Side other = opposite(by);
    if (rematch_id_) {
        if (what == "decline") return refuse("no-offer");
        return Outcome{};
    }
    if (what == "offer" && rematch_offer_ == by) return Outcome{};
    if (what == "accept" || (what == "offer" && rematch_offer_ == other)) {
        if (rematch_offer_ != other) return refuse("no-offer");
        return apply_all({event("rematch", {{"id", ""}}, now)});
    }
    if (what == "offer")
        return apply_all({event("offer", {{"kind", "rematch"}, {"by", side_name(by)}}, now)});
    if (rematch_offer_ != other) return refuse("no-offer");
    return apply_all({event("offer", {{"kind", "rematch"}, {"declined", true}}, now)});
}

Referee::Outcome Referee::claim(Side by, int64_t away_since_ms, int64_t now) const {
    if (result_) return refuse("game-over");
    const auto after = claim_after_ms();
    if (!playing() || !after || turn_ == by) return refuse("too-early");
    const int64_t since = std::max(away_since_ms, turn_since_ms_);
    if (now - since < *after) return refuse("too-early");
    return apply_all({event("end", {{"result", result_json(Result{by, "abandon"})}}, now)});
}

namespace {

// The clock as a move or take-back event carries it, read back.
void read_clock(const Json& j, Clock& c, int64_t at) {
    c.since_ms = at;
    if (!j.is_object()) return;
    if (j.contains("lower_ms")) {
        c.left_ms[LOWER] = j.value("lower_ms", int64_t{0});
        c.left_ms[UPPER] = j.value("upper_ms", int64_t{0});
        const Json running = j.value("running", Json(nullptr));
        c.running = running.is_string() ? parse_side(running.get<std::string>()) : std::nullopt;
    }
    if (j.contains("deadline_ms")) {
        const Json d = j["deadline_ms"];
        c.deadline_ms = d.is_number_integer() ? std::optional<int64_t>(d.get<int64_t>()) : std::nullopt;
    }
}

std::optional<Result> read_result(const Json& j) {
    if (!j.is_object() || !j.contains("reason") || !j["reason"].is_string()) return std::nullopt;
    Result r;
    r.reason = j["reason"].get<std::string>();
    const Json w = j.value("winner", Json(nullptr));
    if (w.is_string()) r.winner = parse_side(w.get<std::string>());
    return r;
}

}  // namespace

void Referee::rebuild_position(int plies) {
    pos_ = *start_;
    for (int i = 0; i < plies; ++i) {
        const Played& p = plies_[i];
        if (p.move.is_pass()) continue;
        redo_move(pos_, p.entry);
    }
    scan_pawn_files(pos_);
}

bool Referee::apply(const Event& e) {
    try {
        const Json& d = e.data;
        if (e.type == "joined") {
            const auto side = parse_side(d.at("side").get<std::string>());
            if (!side) return false;
            joined_[*side] = true;
            names_[*side] = d.at("name").get<std::string>();
            if (!waiting()) turn_since_ms_ = e.at_ms;
        } else if (e.type == "move") {
            if (result_ || waiting()) return false;
            const auto m = parse_move(d.at("move"));
            if (!m || d.at("ply").get<int>() != ply()) return false;
            std::string why;
            const auto played = check_move(turn_, *m, why);
            if (!played) return false;
            Played p = *played;
            p.spent_ms = d.value("spent_ms", int64_t{0});
            think_ms_[p.by] += p.spent_ms;
            plies_.push_back(p);
            if (!m->is_pass()) {
                redo_move(pos_, p.entry);
                scan_pawn_files(pos_);
            }
            turn_ = opposite(turn_);
            turn_since_ms_ = e.at_ms;
            read_clock(d.at("clock"), clock_, e.at_ms);
        } else if (e.type == "end") {
            result_ = read_result(d.at("result"));
            if (!result_) return false;
            takeback_offer_.reset();
            // The clocks stop where they stood when the game ended.
            if (clock_.running) {
                const size_t i = *clock_.running;
                clock_.left_ms[i] = std::max<int64_t>(0, left_of(clock_, *clock_.running, e.at_ms));
                clock_.since_ms = e.at_ms;
            }
            clock_.running.reset();
        } else if (e.type == "offer") {
            const std::string kind = d.at("kind").get<std::string>();
            auto& offer = kind == "takeback" ? takeback_offer_ : rematch_offer_;
            if (kind != "takeback" && kind != "rematch") return false;
            if (d.contains("by")) {
                offer = parse_side(d["by"].get<std::string>());
                if (!offer) return false;
            } else {
                offer.reset();
            }
        } else if (e.type == "takeback") {
            const int n = d.at("ply").get<int>();
            if (n < 0 || n >= ply()) return false;
            turn_ = plies_[n].by;
            plies_.resize(n);
            rebuild_position(n);
            takeback_offer_.reset();
            turn_since_ms_ = e.at_ms;
            read_clock(d.at("clock"), clock_, e.at_ms);
        } else if (e.type == "rematch") {
            rematch_id_ = d.at("id").get<std::string>();
            rematch_offer_.reset();
        } else {
            return false;
        }
    } catch (const Json::exception&) {
        return false;
    }
    ++version_;
    return true;
}

int64_t Referee::resume_clock(int64_t last_alive, int64_t now) {
    if (!playing()) return 0;
    const int64_t lost = std::max<int64_t>(0, now - std::max(last_alive, clock_.since_ms));
    shift_clock(lost);
    return lost;
}

void Referee::shift_clock(int64_t ms) {
    clock_.since_ms += ms;
    if (clock_.deadline_ms) *clock_.deadline_ms += ms;
    turn_since_ms_ += ms;
}

Json Referee::to_json(const std::array<bool, 2>& online, int64_t now) const {
    Json players = Json::object();
    for (Side s : {LOWER, UPPER})
        players[side_name(s)] = {{"joined", joined_[s]},
                                 {"online", online[s]},
                                 {"name", names_[s]}};
    Json moves = Json::array();
    for (const Played& p : plies_) moves.push_back(move_json(p.move));
    Json board = Json::array();
    for (int r = 1; r <= 9; ++r) {
        Json row = Json::array();
        for (int c = 1; c <= 9; ++c) row.push_back(cell(pos_, c, r));
        board.push_back(row);
    }
    Json hands = Json::object();
    Json lower = Json::array(), upper = Json::array();
    for (size_t k = 1; k <= 7; ++k) {
        lower.push_back(pos_.hand[LOWER][k]);
        upper.push_back(pos_.hand[UPPER][k]);
    }
    hands["lower"] = lower;
    hands["upper"] = upper;
    auto offer = [](const std::optional<Side>& s) { return s ? Json(side_name(*s)) : Json(nullptr); };
    return {{"id", id_},
            {"v", version_},
            {"status", waiting() ? "waiting" : ended() ? "ended" : "playing"},
            {"first", side_name(settings_.first)},
            {"handicap", settings_.handicap},
            {"name", settings_.name},
            {"players", players},
            {"clock", clock_json(now)},
            {"moves", moves},
            {"ply", ply()},
            {"turn", side_name(turn_)},
            {"board", board},
            {"coin", {pos_.coin_col(), pos_.coin_row()}},
            {"hands", hands},
            {"offers", {{"takeback", offer(takeback_offer_)}, {"rematch", offer(rematch_offer_)}}},
            {"result", result_ ? result_json(*result_) : Json(nullptr)},
            {"rematch", rematch_id_ ? Json(*rematch_id_) : Json(nullptr)}};
}

std::string Referee::record_file() const {
    // The record file is the desktop's: a game on the board from the even
    // start, with the state's default turns.
    GameState s;
    reset_to_no_game(s);
    std::array<int64_t, SIDE_COUNT> total{};
    for (const Played& p : plies_) {
        if (p.move.is_pass()) continue;
        if (s.record_count >= RECORD_MAX) break;
        RecordEntry& e = s.record[++s.record_count];
        e = p.entry;
        const auto seconds = [&total](Side s) { return static_cast<float>(total[s]) / 1000.0f; };
        e.times.lower_before = seconds(LOWER);
        e.times.upper_before = seconds(UPPER);
        total[p.by] += p.spent_ms;
        e.times.lower_after = seconds(LOWER);
        e.times.upper_after = seconds(UPPER);
    }
    std::string bytes, bad;
    // With the state's default turns the first name is written on line 2
    // (the upper player) and the second on line 3 (the lower player).
    if (build_record_file(s, settings_.name, names_[UPPER],
                          names_[LOWER], bytes, bad) != RecordWriteProblem::None)
        return {};
    return bytes;
}

}  // namespace rindou::server
