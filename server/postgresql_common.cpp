// The schema, the statements and the reads both PostgreSQL stores use.
#include "server/postgresql.h"

#include <algorithm>
#include <chrono>

#include "server/secrets.h"

namespace rindou::server::pg {

namespace {

// Any constant shared by every server: the lock that makes one of several
// servers starting at once create the schema while the others wait.
constexpr const char* SCHEMA_LOCK = "742913";

const char* const SCHEMA[] = {
    "CREATE TABLE schema_version(version integer NOT NULL)",
    ("CREATE TABLE games(id text PRIMARY KEY, created_ms bigint NOT NULL, settings text NOT NULL,"
     " invite text NOT NULL, seat_lower text NOT NULL, seat_upper text NOT NULL, join_key text NOT NULL,"
     " ended boolean NOT NULL DEFAULT false, resume text NOT NULL DEFAULT '', v bigint NOT NULL DEFAULT 0,"
     " flag_ms bigint)"),
    "CREATE INDEX games_unfinished ON games(id) WHERE NOT ended",
    "CREATE INDEX games_flag ON games(flag_ms) WHERE NOT ended AND flag_ms IS NOT NULL",
    ("CREATE TABLE events(game text NOT NULL, v bigint NOT NULL, type text NOT NULL, data text NOT NULL,"
     " at_ms bigint NOT NULL, PRIMARY KEY(game, v))"),
    "CREATE TABLE servers(id text PRIMARY KEY, at_ms bigint NOT NULL)",
    ("CREATE TABLE presence(game text NOT NULL, server text NOT NULL, lower integer NOT NULL,"
     " upper integer NOT NULL, watchers integer NOT NULL, PRIMARY KEY(game, server))"),
};

}  // namespace

const Prepared STATEMENTS[] = {
    {"insert_game",
     "INSERT INTO games(id, created_ms, settings, invite, seat_lower, seat_upper, join_key)"
     " VALUES($1, $2, $3, $4, $5, $6, $7)",
     7},
    {"insert_event", "INSERT INTO events(game, v, type, data, at_ms) VALUES($1, $2, $3, $4, $5)", 5},
    {"change", "UPDATE games SET v = $3, flag_ms = $4 WHERE id = $1 AND v = $2", 4},
    // The same, failing (division by zero) when the version moved: where a
    // batch's statements are all sent before any answer is read, the refusal
    // has to stop what follows in the database itself.
    {"change_strict",
     "WITH c AS (UPDATE games SET v = $3, flag_ms = $4 WHERE id = $1 AND v = $2 RETURNING 1) SELECT 1 / count(*) FROM c",
     4},
    {"seat_lower", "UPDATE games SET seat_lower = $2, join_key = $3 WHERE id = $1", 3},
    {"seat_upper", "UPDATE games SET seat_upper = $2, join_key = $3 WHERE id = $1", 3},
    {"end_game", "UPDATE games SET ended = true, flag_ms = NULL WHERE id = $1", 1},
    {"resume", "UPDATE games SET resume = $2 WHERE id = $1", 2},
    {"lease",
     "INSERT INTO servers(id, at_ms) VALUES($1, $2)"
     " ON CONFLICT(id) DO UPDATE SET at_ms = greatest(servers.at_ms, excluded.at_ms)",
     2},
    // What dead servers left: their connections, then, long after, their lease.
    {"sweep_presence", "DELETE FROM presence WHERE server IN (SELECT id FROM servers WHERE at_ms < $1)", 1},
    {"sweep_servers", "DELETE FROM servers WHERE at_ms < $1", 1},
    {"presence",
     "INSERT INTO presence(game, server, lower, upper, watchers) VALUES($1, $2, $3, $4, $5)"
     " ON CONFLICT(game, server) DO UPDATE SET lower = $3, upper = $4, watchers = $5",
     5},
    {"no_presence", "DELETE FROM presence WHERE game = $1 AND server = $2", 2},
    {"notify", "SELECT pg_notify('rindou', $1)", 1},
    // A change of one version by one event (a move, most often), in one
    // statement and so in one round trip: no row when the version moved.
    {"change_one",
     "WITH c AS (UPDATE games SET v = $3, flag_ms = $4 WHERE id = $1 AND v = $2 RETURNING id),"
     " e AS (INSERT INTO events(game, v, type, data, at_ms) SELECT id, $3, $5, $6, $7 FROM c RETURNING game)"
     " SELECT pg_notify('rindou', 'g ' || game || ' ' || $3::text) FROM e",
     7},
    {"select_game",
     "SELECT id, created_ms, settings, invite, seat_lower, seat_upper, join_key, ended, resume"
     " FROM games WHERE id = $1",
     1},
    {"select_events", "SELECT v, type, data, at_ms FROM events WHERE game = $1 AND v > $2 ORDER BY v", 2},
    {"select_unfinished", "SELECT id FROM games WHERE NOT ended", 0},
    {"select_heartbeat", "SELECT coalesce(max(at_ms), 0) FROM servers", 0},
    {"select_flagged",
     "SELECT id FROM games WHERE NOT ended AND flag_ms IS NOT NULL AND flag_ms <= $1 ORDER BY flag_ms LIMIT 256", 1},
    {"select_presence",
     "SELECT coalesce(sum(p.lower), 0), coalesce(sum(p.upper), 0), coalesce(sum(p.watchers), 0)"
     " FROM presence p JOIN servers s ON s.id = p.server WHERE p.game = $1 AND p.server <> $2 AND s.at_ms > $3",
     3},
    {"select_live", "SELECT id FROM servers WHERE at_ms > $1 ORDER BY id", 1},
};

const size_t STATEMENT_COUNT = std::size(STATEMENTS);

int64_t wall_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string one_line(std::string s) {
    for (char& c : s)
        if (c == '\n' || c == '\r') c = ' ';
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

bool unique_violation(const PGresult* r) {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return state && std::string(state) == "23505";
}

namespace {

std::string number(int64_t n) { return std::to_string(n); }

// A batch that moves one game on by one event and does nothing else.
bool one_step(const WriteBatch& b) {
    return b.changes.size() == 1 && b.events.size() == 1 && b.new_games.empty() && b.seats.empty() &&
           b.ended.empty() && b.resumes.empty() && !b.heartbeat_ms && b.presence.empty() &&
           b.changes[0].to_v == b.changes[0].from_v + 1 && b.events[0].game == b.changes[0].game &&
           b.events[0].event.v == b.changes[0].to_v;
}

std::optional<std::string> flag_of(const WriteBatch::Change& ch) {
    return ch.flag_ms ? std::optional<std::string>(number(*ch.flag_ms)) : std::nullopt;
}

}  // namespace

std::vector<Call> plan(const WriteBatch& b, const std::string& server_id) {
    std::vector<Call> out;
    if (one_step(b)) {
        // The compare-and-set, the event and the news in one statement.
        const auto& ch = b.changes[0];
        const auto& e = b.events[0].event;
        out.push_back({"change_one",
                       {ch.game, number(ch.from_v), number(ch.to_v), flag_of(ch), e.type, e.data, number(e.at_ms)},
                       Call::step});
        return out;
    }
    for (const auto& ch : b.changes) {
        const bool fresh = std::any_of(b.new_games.begin(), b.new_games.end(),
                                       [&](const GameRow& g) { return g.id == ch.game; });
        if (fresh) continue;  // made below with its version
        out.push_back({"change", {ch.game, number(ch.from_v), number(ch.to_v), flag_of(ch)},
                       ch.from_v != ch.to_v ? Call::cas : Call::plain});
    }
    for (const GameRow& g : b.new_games) {
        out.push_back({"insert_game",
                       {g.id, number(g.created_ms), g.settings, g.invite, g.seat_lower, g.seat_upper, g.join_key}});
        for (const auto& ch : b.changes)
            if (ch.game == g.id) out.push_back({"change", {g.id, "0", number(ch.to_v), flag_of(ch)}});
    }
    for (const auto& a : b.events)
        out.push_back({"insert_event", {a.game, number(a.event.v), a.event.type, a.event.data, number(a.event.at_ms)}});
    for (const auto& s : b.seats) out.push_back({s.upper ? "seat_upper" : "seat_lower", {s.game, s.secret, s.join_key}});
    for (const auto& id : b.ended) out.push_back({"end_game", {id}});
    for (const auto& r : b.resumes) out.push_back({"resume", {r.game, r.resume}});
    if (b.heartbeat_ms) {
        out.push_back({"lease", {server_id, number(*b.heartbeat_ms)}});
        out.push_back({"sweep_presence", {number(*b.heartbeat_ms - LEASE_MS)}});
        out.push_back({"sweep_servers", {number(*b.heartbeat_ms - 3600000)}});
    }
    for (const auto& p : b.presence) {
        if (p.counts == std::array<int, 3>{})
            out.push_back({"no_presence", {p.game, server_id}});
        else
            out.push_back({"presence",
                           {p.game, server_id, number(p.counts[LOWER]), number(p.counts[UPPER]),
                            number(p.counts[WATCHERS])}});
        out.push_back({"notify", {"p " + p.game}});
    }
    for (const auto& ch : b.changes)
        if (ch.to_v != ch.from_v) out.push_back({"notify", {"g " + ch.game + " " + number(ch.to_v)}});
    return out;
}

size_t lane_of(const WriteBatch& b, size_t lanes) {
    const std::string* game = nullptr;
    if (!b.changes.empty())
        game = &b.changes.front().game;
    else if (!b.events.empty())
        game = &b.events.front().game;
    else if (!b.new_games.empty())
        game = &b.new_games.front().id;
    else if (!b.presence.empty())
        game = &b.presence.front().game;
    else if (!b.resumes.empty())
        game = &b.resumes.front().game;
    else if (!b.seats.empty())
        game = &b.seats.front().game;
    return game ? std::hash<std::string>{}(*game) % lanes : 0;
}

void decode_news(const char* payload, const std::function<void(const std::string&, int64_t)>& changed) {
    const std::string news = payload ? payload : "";
    if (news.size() > 2 && news[0] == 'g' && news[1] == ' ') {
        const auto space = news.find(' ', 2);
        if (space == std::string::npos) return;
        int64_t v = 0;
        try {
            v = std::stoll(news.substr(space + 1));
        } catch (const std::exception&) {
            return;
        }
        changed(news.substr(2, space - 2), v);
    } else if (news.size() > 2 && news[0] == 'p' && news[1] == ' ') {
        changed(news.substr(2), -1);
    }
}

Connection::Connection(const std::string& address) : conn_(PQconnectdb(address.c_str())) {
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
        std::string why = conn_ ? PQerrorMessage(conn_) : "out of memory";
        PQfinish(conn_);
        conn_ = nullptr;
        throw StorageError(one_line(why));
    }
    // Nothing the server does should print the database's notices.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
}

void Connection::prepare_all() {
    for (const Prepared& p : STATEMENTS) check(Result(PQprepare(conn_, p.name, p.sql, p.params, nullptr)));
}

Result Connection::run(const char* name, std::initializer_list<const std::string*> params) {
    const Arguments a(params);
    return check(Result(PQexecPrepared(conn_, name, a.count, a.values, a.lengths, nullptr, 0)));
}

Result Connection::run(const Call& call) {
    const Arguments a(call);
    return check(Result(PQexecPrepared(conn_, call.name, a.count, a.values, a.lengths, nullptr, 0)));
}

Result Connection::check(Result r) {
    const auto status = PQresultStatus(r.raw());
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return r;
    throw Refused(one_line(r.raw() ? PQresultErrorMessage(r.raw()) : PQerrorMessage(conn_)), unique_violation(r.raw()));
}

void prepare_schema(Connection& c) {
    try {
        c.exec("BEGIN");
        const std::string lock = std::string("SELECT pg_advisory_xact_lock(") + SCHEMA_LOCK + ")";
        c.exec(lock.c_str());
        Result has = c.exec("SELECT to_regclass('schema_version') IS NOT NULL");
        if (has.boolean(0, 0)) {
            Result q = c.exec("SELECT coalesce(max(version), 0) FROM schema_version");
            const int64_t version = q.integer(0, 0);
            if (version > SCHEMA_VERSION)
                throw StorageError("the database's schema (version " + std::to_string(version) +
                                   ") is newer than this server's (version " + std::to_string(SCHEMA_VERSION) + ")");
        } else {
            for (const char* sql : SCHEMA) c.exec(sql);
            const std::string insert =
                "INSERT INTO schema_version(version) VALUES(" + std::to_string(SCHEMA_VERSION) + ")";
            c.exec(insert.c_str());
        }
        c.exec("COMMIT");
    } catch (const StorageError&) {
        PQclear(PQexec(c.raw(), "ROLLBACK"));
        throw;
    }
}

namespace {

std::vector<std::string> ids(const Result& r) {
    std::vector<std::string> out;
    for (int i = 0; i < r.rows(); ++i) out.push_back(r.text(i, 0));
    return out;
}

}  // namespace

Base::Base(std::string address) : address_(std::move(address)), server_id_(new_secret().substr(0, 16)) {
    Connection c(address_);
    prepare_schema(c);
}

std::optional<StoredGame> Base::load_since(const std::string& id, int64_t after) {
    return read([&](Connection& c) -> std::optional<StoredGame> {
        StoredGame g;
        // The events first, then the row: a row read later is never older
        // than the events, and what it adds (a seat, the end) only grows.
        const std::string from = std::to_string(after);
        Result e = c.run("select_events", {&id, &from});
        for (int i = 0; i < e.rows(); ++i)
            g.events.push_back(EventRow{e.integer(i, 0), e.text(i, 1), e.text(i, 2), e.integer(i, 3)});
        // Only a join or a rematch changes the row once the game is
        // made (its seats); other news spares the second read.
        const bool row = after == 0 || g.events.empty() ||
                         std::any_of(g.events.begin(), g.events.end(),
                                     [](const EventRow& r) { return r.type == "joined" || r.type == "rematch"; });
        if (!row) {
            g.with_row = false;
            return g;
        }
        Result q = c.run("select_game", {&id});
        if (q.rows() == 0) return std::nullopt;
        g.row = GameRow{q.text(0, 0), q.integer(0, 1), q.text(0, 2), q.text(0, 3),
                        q.text(0, 4), q.text(0, 5), q.text(0, 6), q.boolean(0, 7)};
        g.resume = q.text(0, 8);
        return g;
    });
}

std::vector<std::string> Base::unfinished() {
    return read([](Connection& c) { return ids(c.run("select_unfinished", {})); });
}

int64_t Base::last_heartbeat() {
    return read([](Connection& c) { return c.run("select_heartbeat", {}).integer(0, 0); });
}

std::vector<std::string> Base::flagged(int64_t now) {
    const std::string at = std::to_string(now);
    return read([&](Connection& c) { return ids(c.run("select_flagged", {&at})); });
}

std::array<int, 3> Base::presence_elsewhere(const std::string& id) {
    const std::string fresh = std::to_string(wall_ms() - LEASE_MS);
    return read([&](Connection& c) {
        Result r = c.run("select_presence", {&id, &server_id_, &fresh});
        std::array<int, 3> n{};
        n[LOWER] = static_cast<int>(r.integer(0, 0));
        n[UPPER] = static_cast<int>(r.integer(0, 1));
        n[WATCHERS] = static_cast<int>(r.integer(0, 2));
        return n;
    });
}

std::vector<std::string> Base::live_servers() {
    const std::string fresh = std::to_string(wall_ms() - LEASE_MS);
    auto out = read([&](Connection& c) { return ids(c.run("select_live", {&fresh})); });
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace rindou::server::pg
