// The referee of one online game: its settings, its players, the moves and
// passes played on the game's own position, the clocks, offers and result.
// The game changes only by events: every change is proposed against the game
// as it stands, comes back as the versioned events it makes, and is applied
// by the same routine that replays a stored game, so a game read back from
// storage is the game that was played.  Pure: no network, no storage, no
// clock of its own (the time is passed in).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/state.h"
#include "core/types.h"

namespace rindou::server {

using Json = nlohmann::json;

// Sides are the game's own (UPPER, LOWER), and index arrays of two as they
// are; the wire names them "upper" and "lower".
const char* side_name(Side s);
std::optional<Side> parse_side(const std::string& text);

// How the game is timed.
struct ClockSettings {
    enum class Kind { none, minutes, days } kind = Kind::none;
    int64_t initial_s = 0;
    int64_t increment_s = 0;
    int64_t days = 0;
};

// What the game was created with; never changes.
struct Settings {
    Side creator = LOWER;
    Side first = LOWER;
    ClockSettings clock;
    int handicap = 0;
    std::string name;          // the game's name (line 1 of the record)
    std::string creator_name;  // the creating player's name
};
Json settings_json(const Settings& s);
std::optional<Settings> settings_from_json(const Json& j);

// A move as the wire writes it: a board move's squares and its promotion, a
// drop's kind by the upper side's code of it, or a pass.
Json move_json(Move m);
// Strict: every field present, of its type and range, nothing else that
// changes the meaning.  Empty when the value is no move.  A drop that asks
// to promote is read as such, for the rules to refuse.
std::optional<Move> parse_move(const Json& j);

struct Result {
    std::optional<Side> winner;
    std::string reason;  // king, resign, time, abandon, abort, no-move, length
};

// One ply as played: what the record needs besides the wire move.
struct Played {
    Move move;
    Side by = LOWER;
    // The ply as the record keeps it (no clocks; zeros for a pass): its
    // origin as the record file names it, its pieces and the board code that
    // stood on the destination (the coin included).
    RecordEntry entry;
    int64_t spent_ms = 0;  // thinking time the server measured
};

// The clocks as they run: the time each side has left when the running one
// started (or the server resumed it), or a days game's deadline.
struct Clock {
    std::array<int64_t, SIDE_COUNT> left_ms{};
    std::optional<Side> running;
    int64_t since_ms = 0;
    std::optional<int64_t> deadline_ms;
};

// A versioned event: its type and data as the wire carries them, and when
// it happened (server time, milliseconds since the epoch).
struct Event {
    std::string type;
    Json data;
    int64_t at_ms = 0;
};

// A request refused: one of the contract's error codes.
struct Refusal {
    std::string code;
};

class Referee {
public:
    Referee(std::string id, Settings settings, int64_t created_ms);
    // A game from a set-up position instead of the handicap's (for tests).
    Referee(std::string id, Settings settings, int64_t created_ms, const rindou::Position& start);

    const std::string& id() const { return id_; }
    const Settings& settings() const { return settings_; }
    int64_t version() const { return version_; }
    bool waiting() const { return !joined_[opposite(settings_.creator)]; }
    bool ended() const { return result_.has_value(); }
    bool playing() const { return !waiting() && !ended(); }
    Side turn() const { return turn_; }
    int ply() const { return static_cast<int>(plies_.size()); }
    const std::vector<Played>& plies() const { return plies_; }
    const std::optional<Result>& result() const { return result_; }
    const std::string& player_name(Side s) const { return names_[s]; }
    bool joined(Side s) const { return joined_[s]; }
    const std::optional<std::string>& rematch_id() const { return rematch_id_; }
    const Clock& clock() const { return clock_; }
    const rindou::Position& position() const { return pos_; }

    // The requests of the contract, for the seat `by` at time `now`.  Each
    // answers the events it makes (none when its effect already holds: the
    // request is acknowledged again) or a refusal.  Nothing changes until
    // the events are applied.
    struct Outcome {
        std::vector<Event> events;
        std::optional<Refusal> refusal;
    };
    Outcome join(Side side, const std::string& name, int64_t now) const;
    Outcome move(Side by, int ply, Move m, int64_t now) const;
    Outcome resign(Side by, int64_t now) const;
    Outcome abort(Side by, int64_t now) const;
    Outcome takeback(Side by, const std::string& what, int64_t now) const;
    // A rematch accepted answers the `rematch` event whose id the caller
    // fills in (it makes the new game).
    Outcome rematch(Side by, const std::string& what, int64_t now) const;
    Outcome claim(Side by, int64_t away_since_ms, int64_t now) const;
    // The flag: the end by time when the running clock or the deadline has
    // run out at `now`.
    Outcome flag(int64_t now) const;

    // When the running clock runs out, if one runs.
    std::optional<int64_t> flag_at() const;
    // How long the side to move must have been away before a claim.
    std::optional<int64_t> claim_after_ms() const;

    // Applies one event (made by the requests above or read from storage).
    // False when the event does not fit the game (a damaged store).
    bool apply(const Event& e);

    // The clocks' time used while no server ran is not charged: the running
    // clock resumes at `now` from its value at `last_alive`.  Answers the
    // time not charged.
    int64_t resume_clock(int64_t last_alive, int64_t now);
    // Moves the clock's and the turn's start later by `ms`, time that is not
    // charged.
    void shift_clock(int64_t ms);

    // The whole game as the wire shows it (v, status, players, clock, ...).
    // `online` says which seats have a connection.
    Json to_json(const std::array<bool, SIDE_COUNT>& online, int64_t now) const;
    Json clock_json(int64_t now) const;

    // The record file (code page 932, CR LF): the game's name, the upper
    // and lower players' names, one line per recorded move.  Empty when a
    // name cannot be written.
    std::string record_file() const;

private:
    Referee(std::string id, Settings settings, int64_t created_ms, std::shared_ptr<const rindou::Position> start);
    Outcome refuse(const char* code) const;
    Outcome apply_all(std::vector<Event> events) const;
    // The events a move makes besides itself: passes, the end of the game.
    void follow_move(Referee& after, std::vector<Event>& events, int64_t now) const;
    int64_t left_now(Side s, int64_t now) const;
    bool has_moved(Side s) const;
    void rebuild_position(int plies);
    Clock clock_after_move(Side mover, bool pass, int64_t now) const;
    std::optional<Played> check_move(Side by, Move m, std::string& why) const;

    std::string id_;
    Settings settings_;
    int64_t version_ = 0;
    std::array<bool, SIDE_COUNT> joined_{};
    std::array<std::string, SIDE_COUNT> names_;
    std::vector<Played> plies_;
    std::shared_ptr<const rindou::Position> start_;
    rindou::Position pos_;
    Side turn_ = LOWER;
    int64_t turn_since_ms_ = 0;
    std::array<int64_t, SIDE_COUNT> think_ms_{};
    Clock clock_;
    std::optional<Result> result_;
    std::optional<Side> takeback_offer_, rematch_offer_;
    std::optional<std::string> rematch_id_;
};

// The position a game of this handicap grade starts from.
rindou::Position start_position(int handicap);
bool is_valid_name(const std::string& name);

}  // namespace rindou::server
