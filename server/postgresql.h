// What the two PostgreSQL stores share: the schema, the statements, the
// statements a batch becomes, the reads and the decoding of news.  The store
// whose writes run on threads of its own and the one whose writes run on the
// server's network loop differ only in how they send a batch's statements.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "server/storage.h"

namespace rindou::server::pg {

constexpr int SCHEMA_VERSION = 1;
constexpr const char* CHANNEL = "rindou";

// A statement every connection prepares: name, text, number of parameters.
struct Prepared {
    const char* name;
    const char* sql;
    int params;
};
extern const Prepared STATEMENTS[];
extern const size_t STATEMENT_COUNT;

int64_t wall_ms();
std::string one_line(std::string s);

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

// The database refused a statement; `conflict` when the reason is that
// another server stored the same thing first.
struct Refused : StorageError {
    Refused(const std::string& what, bool c) : StorageError(what), conflict(c) {}
    bool conflict;
};

// Whether a refusal's SQLSTATE means another server stored the same key
// first (an event's version, a game's id).
bool unique_violation(const PGresult* r);

// One statement of a batch, with its parameters (empty: SQL's NULL).
struct Call {
    enum Kind {
        plain,
        cas,   // a compare-and-set: refused as a conflict unless it touched one row
        step,  // a move alone: no row back when the version moved
    };
    const char* name;
    std::vector<std::optional<std::string>> params;
    Kind kind = plain;
};

// A statement's parameters as libpq takes them: the texts (null for SQL's
// NULL) and their lengths.  No statement has more than eight.
struct Arguments {
    const char* values[8] = {};
    int lengths[8] = {};
    int count = 0;

    explicit Arguments(const Call& call) {
        for (const auto& p : call.params) add(p ? &*p : nullptr);
    }
    Arguments(std::initializer_list<const std::string*> params) {
        for (const std::string* p : params) add(p);
    }

private:
    void add(const std::string* p) {
        values[count] = p ? p->data() : nullptr;
        lengths[count] = p ? static_cast<int>(p->size()) : 0;
        ++count;
    }
};

// The statements that store a batch, in order, the news of its changes last
// (sent when the transaction commits, and not at all when it is rolled back).
std::vector<Call> plan(const WriteBatch& b, const std::string& server_id);

// Which of `lanes` writers stores a batch: by the first game it names, so
// that one game's batches keep their order.
size_t lane_of(const WriteBatch& b, size_t lanes);

// Reads news from the channel: "g ID V" a game's new version, "p ID" its
// connections changed.  Anything else is ignored.
void decode_news(const char* payload, const std::function<void(const std::string&, int64_t)>& changed);

// A connection whose calls block.
class Connection {
public:
    explicit Connection(const std::string& address);
    ~Connection() { PQfinish(conn_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void prepare_all();
    // Runs a prepared statement; a null parameter is SQL's NULL.
    Result run(const char* name, std::initializer_list<const std::string*> params);
    Result run(const Call& call);
    // Runs text without parameters (transaction control, the schema).
    Result exec(const char* sql) { return check(Result(PQexec(conn_, sql))); }
    bool broken() const { return PQstatus(conn_) != CONNECTION_OK; }
    // Whether an idle connection still stands: one the database closed
    // while it waited (a restart, an administrator) is found here rather
    // than by failing the next statement.
    // The database's last words arrive before the end of the stream, so it
    // takes a second read to meet the end (libpq never waits to read).
    bool alive() { return PQconsumeInput(conn_) == 1 && PQconsumeInput(conn_) == 1 && !broken(); }
    PGconn* raw() { return conn_; }

private:
    Result check(Result r);
    PGconn* conn_;
};

// Makes the schema on an empty database (one server at a time) and refuses
// a newer one.
void prepare_schema(Connection& c);

// What both stores do alike: the reads, on a pool of blocking connections
// (the storage's reads answer at once, so they cannot wait on the loop).
class Base : public Storage {
public:
    explicit Base(std::string address);
    bool shared() const override { return true; }
    std::optional<StoredGame> load(const std::string& id) override { return load_since(id, 0); }
    std::optional<StoredGame> load_since(const std::string& id, int64_t after) override;
    std::vector<std::string> unfinished() override;
    int64_t last_heartbeat() override;
    std::vector<std::string> flagged(int64_t now) override;
    std::array<int, 3> presence_elsewhere(const std::string& id) override;
    std::vector<std::string> live_servers() override;

protected:
    // Runs a read on a connection of the pool (a new one when none is free;
    // a broken one is not given back).
    template <class F>
    auto read(F&& f) -> decltype(f(std::declval<Connection&>())) {
        std::unique_ptr<Connection> c;
        {
            std::lock_guard lock(pool_mutex_);
            while (!c && !pool_.empty()) {
                c = std::move(pool_.back());
                pool_.pop_back();
                if (!c->alive()) c.reset();
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

    std::string address_;
    std::string server_id_;

private:
    std::mutex pool_mutex_;
    std::vector<std::unique_ptr<Connection>> pool_;
};

}  // namespace rindou::server::pg
