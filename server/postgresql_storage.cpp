// The PostgreSQL store, which several servers may share.  Every change of a
// game is a compare-and-set on the game's version inside its transaction, so
// two servers can never both write the same version; after the commit a
// notification (the game's id and new version) tells every server that
// listens.  Each server keeps a lease row fresh; its rows of connections
// count only while the lease does.
//
// libpq's calls block, so the store runs them on threads of its own rather
// than on the network threads: a few writers, each committing everything
// that waits for it in one transaction (a savepoint per batch, so that one
// batch's conflict does not fail the others), a pool of readers, and one
// listener.  A game's batches always go to the same writer, so they are
// stored in the order they were submitted.
#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "server/secrets.h"
#include "server/storage.h"

namespace rindou::server {

namespace {

constexpr int SCHEMA_VERSION = 1;
constexpr size_t WRITERS = 4;
// Any constant shared by every server: the lock that makes one of several
// servers starting at once create the schema while the others wait.
constexpr const char* SCHEMA_LOCK = "742913";
constexpr const char* CHANNEL = "rindou";

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

// The statements every connection prepares: name, text, number of parameters.
struct Prepared {
    const char* name;
    const char* sql;
    int params;
};
const Prepared STATEMENTS[] = {
    {"insert_game",
     "INSERT INTO games(id, created_ms, settings, invite, seat_lower, seat_upper, join_key)"
     " VALUES($1, $2, $3, $4, $5, $6, $7)",
     7},
    {"insert_event", "INSERT INTO events(game, v, type, data, at_ms) VALUES($1, $2, $3, $4, $5)", 5},
    {"change", "UPDATE games SET v = $3, flag_ms = $4 WHERE id = $1 AND v = $2", 4},
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

int64_t wall_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A result that frees itself.
class Result {
public:
    explicit Result(PGresult* r) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(Result&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    int rows() const { return PQntuples(r_); }
    std::string text(int row, int col) const {
        return std::string(PQgetvalue(r_, row, col), static_cast<size_t>(PQgetlength(r_, row, col)));
    }
    int64_t integer(int row, int col) const { return std::stoll(text(row, col)); }
    bool boolean(int row, int col) const { return text(row, col) == "t"; }
    // Rows an UPDATE or DELETE touched.
    int64_t touched() const {
        const char* n = PQcmdTuples(r_);
        return n && *n ? std::stoll(n) : 0;
    }
    PGresult* raw() const { return r_; }

private:
    PGresult* r_;
};

std::string one_line(std::string s) {
    for (char& c : s)
        if (c == '\n' || c == '\r') c = ' ';
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The database refused a statement; `conflict` when the reason is that
// another server stored the same thing first.
struct Refused : StorageError {
    Refused(const std::string& what, bool c) : StorageError(what), conflict(c) {}
    bool conflict;
};

class Connection {
public:
    explicit Connection(const std::string& address) : conn_(PQconnectdb(address.c_str())) {
        if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
            std::string why = conn_ ? PQerrorMessage(conn_) : "out of memory";
            PQfinish(conn_);
            conn_ = nullptr;
            throw StorageError(one_line(why));
        }
        // Nothing the server does should print the database's notices.
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    }
    ~Connection() { PQfinish(conn_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void prepare_all() {
        for (const Prepared& p : STATEMENTS) check(Result(PQprepare(conn_, p.name, p.sql, p.params, nullptr)));
    }
    // Runs a prepared statement; a null parameter is SQL's NULL.
    Result run(const char* name, std::initializer_list<const std::string*> params) {
        const char* values[8] = {};
        int lengths[8] = {};
        int i = 0;
        for (const std::string* p : params) {
            values[i] = p ? p->data() : nullptr;
            lengths[i] = p ? static_cast<int>(p->size()) : 0;
            ++i;
        }
        return check(Result(PQexecPrepared(conn_, name, i, values, lengths, nullptr, 0)));
    }
    // Runs text without parameters (transaction control, the schema).
    Result exec(const char* sql) { return check(Result(PQexec(conn_, sql))); }
    bool broken() const { return PQstatus(conn_) != CONNECTION_OK; }
    PGconn* raw() { return conn_; }

private:
    Result check(Result r) {
        const auto status = PQresultStatus(r.raw());
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return r;
        const char* state = PQresultErrorField(r.raw(), PG_DIAG_SQLSTATE);
        // 23505: a unique key (an event's version, a game's id) written first elsewhere.
        const bool conflict = state && std::string(state) == "23505";
        throw Refused(one_line(r.raw() ? PQresultErrorMessage(r.raw()) : PQerrorMessage(conn_)), conflict);
    }
    PGconn* conn_;
};

// A change of a game's version another server made first.
struct Conflict {};

class PostgresStorage final : public Storage {
public:
    explicit PostgresStorage(std::string address) : address_(std::move(address)) {
        server_id_ = new_secret().substr(0, 16);
        {
            Connection c(address_);
            prepare_schema(c);
        }
        for (size_t i = 0; i < WRITERS; ++i) writers_.push_back(std::make_unique<Writer>());
        // Every writer connects now, so that a database that cannot be used
        // is found at start and not at the first move.
        for (auto& w : writers_) {
            w->conn = std::make_unique<Connection>(address_);
            w->conn->prepare_all();
        }
        for (auto& w : writers_) w->thread = std::thread([this, w = w.get()] { write_loop(*w); });
    }

    ~PostgresStorage() override { close(); }

    bool shared() const override { return true; }

    void submit(WriteBatch batch, std::function<void(Stored)> done) override {
        Writer& w = *writers_[writer_of(batch)];
        {
            std::lock_guard lock(w.mutex);
            if (!w.closing) {
                w.queue.push_back({std::move(batch), std::move(done)});
                w.wake.notify_one();
                return;
            }
        }
        if (done) done(Stored::failed);
    }

    std::optional<StoredGame> load(const std::string& id) override { return load_since(id, 0); }

    std::optional<StoredGame> load_since(const std::string& id, int64_t after) override {
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
            g.row = GameRow{q.text(0, 0), q.integer(0, 1), q.text(0, 2), q.text(0, 3), q.text(0, 4),
                            q.text(0, 5), q.text(0, 6), q.boolean(0, 7)};
            g.resume = q.text(0, 8);
            return g;
        });
    }

    std::vector<std::string> unfinished() override {
        return read([](Connection& c) { return ids(c.run("select_unfinished", {})); });
    }

    int64_t last_heartbeat() override {
        return read([](Connection& c) { return c.run("select_heartbeat", {}).integer(0, 0); });
    }

    std::vector<std::string> flagged(int64_t now) override {
        const std::string at = std::to_string(now);
        return read([&](Connection& c) { return ids(c.run("select_flagged", {&at})); });
    }

    std::array<int, 3> presence_elsewhere(const std::string& id) override {
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

    std::vector<std::string> live_servers() override {
        const std::string fresh = std::to_string(wall_ms() - LEASE_MS);
        auto out = read([&](Connection& c) { return ids(c.run("select_live", {&fresh})); });
        std::sort(out.begin(), out.end());
        return out;
    }

    void listen(std::function<void(const std::string&, int64_t)> changed) override {
        std::lock_guard lock(listen_mutex_);
        if (listener_.joinable()) return;
        listener_ = std::thread([this, changed = std::move(changed)] { listen_loop(changed); });
    }

    void close() override {
        for (auto& w : writers_) {
            std::lock_guard lock(w->mutex);
            w->closing = true;
            w->wake.notify_one();
        }
        for (auto& w : writers_)
            if (w->thread.joinable()) w->thread.join();
        stop_listening_ = true;
        std::lock_guard lock(listen_mutex_);
        if (listener_.joinable()) listener_.join();
    }

private:
    struct Job {
        WriteBatch batch;
        std::function<void(Stored)> done;
    };
    struct Writer {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<Job> queue;
        bool closing = false;
        std::unique_ptr<Connection> conn;
        std::thread thread;
    };

    static std::vector<std::string> ids(const Result& r) {
        std::vector<std::string> out;
        for (int i = 0; i < r.rows(); ++i) out.push_back(r.text(i, 0));
        return out;
    }

    // The writer of a batch: by the first game it names, so that one game's
    // batches keep their order.
    size_t writer_of(const WriteBatch& b) const {
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
        return game ? std::hash<std::string>{}(*game) % WRITERS : 0;
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
                                       ") is newer than this server's (version " + std::to_string(SCHEMA_VERSION) +
                                       ")");
            } else {
                for (const char* sql : SCHEMA) c.exec(sql);
                const std::string insert = "INSERT INTO schema_version(version) VALUES(" +
                                           std::to_string(SCHEMA_VERSION) + ")";
                c.exec(insert.c_str());
            }
            c.exec("COMMIT");
        } catch (const StorageError&) {
            PQclear(PQexec(c.raw(), "ROLLBACK"));
            throw;
        }
    }

    // Runs a read on a connection of the pool (a new one when none is free;
    // a broken one is not given back).
    template <class F>
    auto read(F&& f) -> decltype(f(std::declval<Connection&>())) {
        std::unique_ptr<Connection> c;
        {
            std::lock_guard lock(pool_mutex_);
            if (!pool_.empty()) {
                c = std::move(pool_.back());
                pool_.pop_back();
            }
        }
        if (!c) {
            c = std::make_unique<Connection>(address_);
            c->prepare_all();
        }
        try {
            auto out = f(*c);
            std::lock_guard lock(pool_mutex_);
            pool_.push_back(std::move(c));
            return out;
        } catch (const StorageError&) {
            if (!c->broken()) {
                std::lock_guard lock(pool_mutex_);
                pool_.push_back(std::move(c));
            }
            throw;
        }
    }

    void write(Connection& c, const WriteBatch& b) {
        for (const auto& ch : b.changes) {
            const std::string from = std::to_string(ch.from_v), to = std::to_string(ch.to_v);
            const std::string flag = ch.flag_ms ? std::to_string(*ch.flag_ms) : std::string();
            const bool fresh = std::any_of(b.new_games.begin(), b.new_games.end(),
                                           [&](const GameRow& g) { return g.id == ch.game; });
            if (fresh) continue;  // made below with its version
            Result r = c.run("change", {&ch.game, &from, &to, ch.flag_ms ? &flag : nullptr});
            if (r.touched() != 1 && ch.from_v != ch.to_v) throw Conflict{};
        }
        for (const GameRow& g : b.new_games) {
            const std::string created = std::to_string(g.created_ms);
            c.run("insert_game", {&g.id, &created, &g.settings, &g.invite, &g.seat_lower, &g.seat_upper, &g.join_key});
            for (const auto& ch : b.changes)
                if (ch.game == g.id) {
                    const std::string zero = "0", to = std::to_string(ch.to_v);
                    const std::string flag = ch.flag_ms ? std::to_string(*ch.flag_ms) : std::string();
                    c.run("change", {&g.id, &zero, &to, ch.flag_ms ? &flag : nullptr});
                }
        }
        for (const auto& a : b.events) {
            const std::string v = std::to_string(a.event.v), at = std::to_string(a.event.at_ms);
            c.run("insert_event", {&a.game, &v, &a.event.type, &a.event.data, &at});
        }
        for (const auto& s : b.seats) c.run(s.upper ? "seat_upper" : "seat_lower", {&s.game, &s.secret, &s.join_key});
        for (const auto& id : b.ended) c.run("end_game", {&id});
        for (const auto& r : b.resumes) c.run("resume", {&r.game, &r.resume});
        if (b.heartbeat_ms) {
            const std::string at = std::to_string(*b.heartbeat_ms);
            c.run("lease", {&server_id_, &at});
            const std::string dead = std::to_string(*b.heartbeat_ms - LEASE_MS), gone = std::to_string(*b.heartbeat_ms - 3600000);
            c.run("sweep_presence", {&dead});
            c.run("sweep_servers", {&gone});
        }
        for (const auto& p : b.presence) {
            if (p.counts == std::array<int, 3>{}) {
                c.run("no_presence", {&p.game, &server_id_});
            } else {
                const std::string l = std::to_string(p.counts[LOWER]), u = std::to_string(p.counts[UPPER]),
                                  w = std::to_string(p.counts[WATCHERS]);
                c.run("presence", {&p.game, &server_id_, &l, &u, &w});
            }
            const std::string news = "p " + p.game;
            c.run("notify", {&news});
        }
        // The news goes out when the transaction commits, and not at all
        // when this batch is rolled back.
        for (const auto& ch : b.changes)
            if (ch.to_v != ch.from_v) {
                const std::string news = "g " + ch.game + " " + std::to_string(ch.to_v);
                c.run("notify", {&news});
            }
    }

    // A batch that moves one game on by one event and does nothing else.
    static bool one_step(const WriteBatch& b) {
        return b.changes.size() == 1 && b.events.size() == 1 && b.new_games.empty() && b.seats.empty() &&
               b.ended.empty() && b.resumes.empty() && !b.heartbeat_ms && b.presence.empty() &&
               b.changes[0].to_v == b.changes[0].from_v + 1 && b.events[0].game == b.changes[0].game &&
               b.events[0].event.v == b.changes[0].to_v;
    }

    // Everything waiting for this writer in one transaction, each batch
    // under a savepoint of its own.
    void commit(Writer& w, std::vector<Job>& jobs, std::vector<Stored>& out) {
        out.assign(jobs.size(), Stored::failed);
        if (!w.conn || w.conn->broken()) {
            try {
                w.conn = std::make_unique<Connection>(address_);
                w.conn->prepare_all();
            } catch (const StorageError&) {
                w.conn.reset();
                return;
            }
        }
        Connection& c = *w.conn;
        if (jobs.size() == 1 && one_step(jobs[0].batch)) {
            // Its own transaction, as a statement alone is.
            const WriteBatch& b = jobs[0].batch;
            const auto& ch = b.changes[0];
            const auto& e = b.events[0].event;
            const std::string from = std::to_string(ch.from_v), to = std::to_string(ch.to_v),
                              flag = ch.flag_ms ? std::to_string(*ch.flag_ms) : std::string(),
                              at = std::to_string(e.at_ms);
            try {
                Result r = c.run("change_one", {&ch.game, &from, &to, ch.flag_ms ? &flag : nullptr, &e.type, &e.data, &at});
                out[0] = r.rows() == 1 ? Stored::ok : Stored::conflict;
            } catch (const Refused& err) {
                out[0] = err.conflict ? Stored::conflict : Stored::failed;
            }
            return;
        }
        if (jobs.size() == 1) {
            // Alone in its transaction: no savepoint needed, two round trips fewer.
            try {
                c.exec("BEGIN");
                write(c, jobs[0].batch);
                c.exec("COMMIT");
                out[0] = Stored::ok;
            } catch (const Conflict&) {
                PQclear(PQexec(c.raw(), "ROLLBACK"));
                out[0] = Stored::conflict;
            } catch (const Refused& e) {
                PQclear(PQexec(c.raw(), "ROLLBACK"));
                out[0] = e.conflict ? Stored::conflict : Stored::failed;
            } catch (const StorageError&) {
                PQclear(PQexec(c.raw(), "ROLLBACK"));
            }
            return;
        }
        try {
            c.exec("BEGIN");
            for (size_t i = 0; i < jobs.size(); ++i) {
                c.exec("SAVEPOINT batch");
                try {
                    write(c, jobs[i].batch);
                    c.exec("RELEASE SAVEPOINT batch");
                    out[i] = Stored::ok;
                } catch (const Conflict&) {
                    c.exec("ROLLBACK TO SAVEPOINT batch");
                    out[i] = Stored::conflict;
                } catch (const Refused& e) {
                    c.exec("ROLLBACK TO SAVEPOINT batch");
                    out[i] = e.conflict ? Stored::conflict : Stored::failed;
                }
            }
            c.exec("COMMIT");
        } catch (const StorageError&) {
            PQclear(PQexec(c.raw(), "ROLLBACK"));
            out.assign(jobs.size(), Stored::failed);
        }
    }

    void write_loop(Writer& w) {
        for (;;) {
            std::vector<Job> jobs;
            {
                std::unique_lock lock(w.mutex);
                w.wake.wait(lock, [&w] { return w.closing || !w.queue.empty(); });
                if (w.queue.empty()) return;
                while (!w.queue.empty()) {
                    jobs.push_back(std::move(w.queue.front()));
                    w.queue.pop_front();
                }
            }
            std::vector<Stored> out;
            commit(w, jobs, out);
            for (size_t i = 0; i < jobs.size(); ++i)
                if (jobs[i].done) jobs[i].done(out[i]);
        }
    }

    // Waits for notifications on a connection of its own, connecting again
    // when it is lost (and saying then that news may have been missed).
    void listen_loop(const std::function<void(const std::string&, int64_t)>& changed) {
        std::unique_ptr<Connection> c;
        while (!stop_listening_) {
            if (!c || c->broken()) {
                c.reset();
                try {
                    c = std::make_unique<Connection>(address_);
                    c->exec((std::string("LISTEN ") + CHANNEL).c_str());
                } catch (const StorageError&) {
                    c.reset();
                    std::this_thread::sleep_for(std::chrono::milliseconds(500));
                    continue;
                }
                changed("", 0);
            }
            pollfd p{PQsocket(c->raw()), POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) continue;
            if (!PQconsumeInput(c->raw())) continue;  // broken: connects again above
            while (PGnotify* n = PQnotifies(c->raw())) {
                const std::string news = n->extra ? n->extra : "";
                PQfreemem(n);
                // "g ID V": a game's new version; "p ID": its connections.
                if (news.size() > 2 && news[0] == 'g') {
                    const auto space = news.find(' ', 2);
                    if (space == std::string::npos) continue;
                    try {
                        changed(news.substr(2, space - 2), std::stoll(news.substr(space + 1)));
                    } catch (const std::exception&) {
                    }
                } else if (news.size() > 2 && news[0] == 'p') {
                    changed(news.substr(2), -1);
                }
            }
        }
    }

    std::string address_;
    std::string server_id_;
    std::vector<std::unique_ptr<Writer>> writers_;
    std::mutex pool_mutex_;
    std::vector<std::unique_ptr<Connection>> pool_;
    std::mutex listen_mutex_;
    std::thread listener_;
    std::atomic<bool> stop_listening_{false};
};

}  // namespace

std::unique_ptr<Storage> open_postgresql_storage(const std::string& address) {
    return std::make_unique<PostgresStorage>(address);
}

}  // namespace rindou::server
