// The SQLite store: one file in WAL mode with full synchronisation, so a
// committed transaction survives a power cut.  One writer thread commits
// everything that waits when it wakes in one transaction (moves of many games
// that arrive together cost one sync), and only then reports the writes
// done.  Reads go through a connection of their own.
#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "server/storage.h"

namespace rindou::server {

namespace {

constexpr int SCHEMA_VERSION = 1;

const char* const SCHEMA[] = {
    "CREATE TABLE schema_version(version INTEGER NOT NULL)",
    ("CREATE TABLE games(id TEXT PRIMARY KEY, created_ms INTEGER NOT NULL, settings TEXT NOT NULL,"
     " invite TEXT NOT NULL, seat_lower TEXT NOT NULL, seat_upper TEXT NOT NULL,"
     " join_key TEXT NOT NULL, ended INTEGER NOT NULL DEFAULT 0, resume TEXT NOT NULL DEFAULT '')"),
    "CREATE INDEX games_unfinished ON games(ended)",
    ("CREATE TABLE events(game TEXT NOT NULL, v INTEGER NOT NULL, type TEXT NOT NULL,"
     " data TEXT NOT NULL, at_ms INTEGER NOT NULL, PRIMARY KEY(game, v)) WITHOUT ROWID"),
    "CREATE TABLE heartbeat(id INTEGER PRIMARY KEY CHECK(id = 1), at_ms INTEGER NOT NULL)",
};

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw StorageError(sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int i, const std::string& text) {
        check(sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bind(int i, int64_t value) {
        check(sqlite3_bind_int64(stmt_, i, value));
        return *this;
    }
    // One step: true while a row is there.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw StorageError(sqlite3_errmsg(db_));
    }
    void run() {
        step();
        reset();
    }
    void reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    std::string text(int col) const {
        const auto* p = sqlite3_column_text(stmt_, col);
        return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
                 : std::string();
    }
    int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }

private:
    void check(int rc) {
        if (rc != SQLITE_OK) throw StorageError(sqlite3_errmsg(db_));
    }
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

void exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        throw StorageError(message);
    }
}

sqlite3* open_connection(const std::string& path) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                   nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        throw StorageError(path + ": " + message);
    }
    sqlite3_busy_timeout(db, 10000);
    try {
        exec(db, "PRAGMA journal_mode=WAL");
        exec(db, "PRAGMA synchronous=FULL");
    } catch (const StorageError& e) {
        sqlite3_close(db);
        throw StorageError(path + ": " + e.what());
    }
    return db;
}

class SqliteStorage final : public Storage {
public:
    explicit SqliteStorage(const std::string& path) {
        const auto folder = std::filesystem::path(path).parent_path();
        std::error_code ec;
        if (!folder.empty()) std::filesystem::create_directories(folder, ec);
        writer_db_ = open_connection(path);
        try {
            prepare_schema(path);
            // The writer never copies the log into the database itself: that
            // would hold back the acknowledgements of the batch that crossed
            // the threshold.  A thread of its own does it every second.
            exec(writer_db_, "PRAGMA wal_autocheckpoint=0");
            reader_db_ = open_connection(path);
            insert_game_ = std::make_unique<Statement>(
                writer_db_,
                "INSERT INTO games(id, created_ms, settings, invite, seat_lower, seat_upper, join_key, ended)"
                " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, 0)");
            insert_event_ = std::make_unique<Statement>(
                writer_db_, "INSERT INTO events(game, v, type, data, at_ms) VALUES(?1, ?2, ?3, ?4, ?5)");
            seat_lower_ = std::make_unique<Statement>(writer_db_,
                                                      "UPDATE games SET seat_lower = ?2, join_key = ?3 WHERE id = ?1");
            seat_upper_ = std::make_unique<Statement>(writer_db_,
                                                      "UPDATE games SET seat_upper = ?2, join_key = ?3 WHERE id = ?1");
            end_game_ = std::make_unique<Statement>(writer_db_, "UPDATE games SET ended = 1 WHERE id = ?1");
            resume_ = std::make_unique<Statement>(writer_db_, "UPDATE games SET resume = ?2 WHERE id = ?1");
            heartbeat_ = std::make_unique<Statement>(
                writer_db_, "INSERT INTO heartbeat(id, at_ms) VALUES(1, ?1)"
                            " ON CONFLICT(id) DO UPDATE SET at_ms = max(at_ms, excluded.at_ms)");
            begin_ = std::make_unique<Statement>(writer_db_, "BEGIN IMMEDIATE");
            commit_ = std::make_unique<Statement>(writer_db_, "COMMIT");
            select_game_ = std::make_unique<Statement>(
                reader_db_,
                "SELECT id, created_ms, settings, invite, seat_lower, seat_upper, join_key, ended, resume"
                " FROM games WHERE id = ?1");
            select_events_ = std::make_unique<Statement>(
                reader_db_, "SELECT v, type, data, at_ms FROM events WHERE game = ?1 ORDER BY v");
            select_unfinished_ = std::make_unique<Statement>(reader_db_, "SELECT id FROM games WHERE ended = 0");
            select_heartbeat_ = std::make_unique<Statement>(reader_db_, "SELECT at_ms FROM heartbeat WHERE id = 1");
        } catch (...) {
            release();
            throw;
        }
        writer_ = std::thread([this] { write_loop(); });
        checkpointer_ = std::thread([this, path] { checkpoint_loop(path); });
    }

    ~SqliteStorage() override {
        close();
        release();
    }

    void submit(WriteBatch batch, std::function<void(Stored)> done) override {
        {
            std::lock_guard lock(mutex_);
            if (!closing_) {
                queue_.push_back({std::move(batch), std::move(done)});
                wake_.notify_one();
                return;
            }
        }
        done(Stored::failed);
    }

    std::optional<StoredGame> load(const std::string& id) override {
        std::lock_guard lock(read_mutex_);
        StoredGame g;
        Statement& q = *select_game_;
        q.bind(1, id);
        try {
            if (!q.step()) {
                q.reset();
                return std::nullopt;
            }
            g.row = GameRow{q.text(0), q.integer(1), q.text(2), q.text(3), q.text(4), q.text(5), q.text(6),
                            q.integer(7) != 0};
            g.resume = q.text(8);
            q.reset();
            Statement& e = *select_events_;
            e.bind(1, id);
            while (e.step()) g.events.push_back(EventRow{e.integer(0), e.text(1), e.text(2), e.integer(3)});
            e.reset();
        } catch (...) {
            q.reset();
            select_events_->reset();
            throw;
        }
        return g;
    }

    std::vector<std::string> unfinished() override {
        std::lock_guard lock(read_mutex_);
        std::vector<std::string> ids;
        Statement& q = *select_unfinished_;
        while (q.step()) ids.push_back(q.text(0));
        q.reset();
        return ids;
    }

    int64_t last_heartbeat() override {
        std::lock_guard lock(read_mutex_);
        Statement& q = *select_heartbeat_;
        const int64_t at = q.step() ? q.integer(0) : 0;
        q.reset();
        return at;
    }

    void close() override {
        {
            std::lock_guard lock(mutex_);
            if (closing_) return;
            closing_ = true;
            wake_.notify_one();
            wake_checkpoint_.notify_one();
        }
        if (writer_.joinable()) writer_.join();
        if (checkpointer_.joinable()) checkpointer_.join();
    }

private:
    struct Job {
        WriteBatch batch;
        std::function<void(Stored)> done;
    };

    void prepare_schema(const std::string& path) {
        try {
            exec(writer_db_, "BEGIN IMMEDIATE");
            bool has_version = false;
            {
                Statement q(writer_db_, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'");
                has_version = q.step();
            }
            if (has_version) {
                Statement q(writer_db_, "SELECT max(version) FROM schema_version");
                const int64_t version = q.step() ? q.integer(0) : 0;
                if (version > SCHEMA_VERSION)
                    throw StorageError("the database's schema (version " + std::to_string(version) +
                                       ") is newer than this server's (version " +
                                       std::to_string(SCHEMA_VERSION) + ")");
            } else {
                for (const char* sql : SCHEMA) exec(writer_db_, sql);
                Statement q(writer_db_, "INSERT INTO schema_version(version) VALUES(?1)");
                q.bind(1, int64_t{SCHEMA_VERSION}).run();
            }
            exec(writer_db_, "COMMIT");
        } catch (const StorageError& e) {
            sqlite3_exec(writer_db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw StorageError(path + ": " + e.what());
        }
    }

    void write(const WriteBatch& b) {
        for (const GameRow& g : b.new_games) {
            insert_game_->bind(1, g.id).bind(2, g.created_ms).bind(3, g.settings).bind(4, g.invite);
            insert_game_->bind(5, g.seat_lower).bind(6, g.seat_upper).bind(7, g.join_key).run();
        }
        for (const auto& a : b.events)
            insert_event_->bind(1, a.game).bind(2, a.event.v).bind(3, a.event.type).bind(4, a.event.data)
                .bind(5, a.event.at_ms)
                .run();
        for (const auto& s : b.seats) {
            Statement& q = s.upper ? *seat_upper_ : *seat_lower_;
            q.bind(1, s.game).bind(2, s.secret).bind(3, s.join_key).run();
        }
        for (const auto& id : b.ended) end_game_->bind(1, id).run();
        for (const auto& r : b.resumes) resume_->bind(1, r.game).bind(2, r.resume).run();
        if (b.heartbeat_ms) heartbeat_->bind(1, *b.heartbeat_ms).run();
    }

    // Commits every batch that waits in one transaction; when that fails,
    // each batch alone, so one bad batch does not fail the others.
    bool commit(const std::vector<Job>& jobs, std::vector<bool>& ok) {
        try {
            begin_->run();
            for (const Job& j : jobs) write(j.batch);
            commit_->run();
            ok.assign(jobs.size(), true);
            return true;
        } catch (const StorageError&) {
            sqlite3_exec(writer_db_, "ROLLBACK", nullptr, nullptr, nullptr);
            reset_statements();
        }
        ok.assign(jobs.size(), false);
        for (size_t i = 0; i < jobs.size(); ++i) {
            try {
                begin_->run();
                write(jobs[i].batch);
                commit_->run();
                ok[i] = true;
            } catch (const StorageError&) {
                sqlite3_exec(writer_db_, "ROLLBACK", nullptr, nullptr, nullptr);
                reset_statements();
            }
        }
        return false;
    }

    void reset_statements() {
        for (auto* s : {insert_game_.get(), insert_event_.get(), seat_lower_.get(), seat_upper_.get(),
                        end_game_.get(), resume_.get(), heartbeat_.get(), begin_.get(), commit_.get()})
            s->reset();
    }

    void write_loop() {
        for (;;) {
            std::vector<Job> jobs;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return closing_ || !queue_.empty(); });
                if (queue_.empty()) return;
                while (!queue_.empty()) {
                    jobs.push_back(std::move(queue_.front()));
                    queue_.pop_front();
                }
            }
            std::vector<bool> ok;
            commit(jobs, ok);
            for (size_t i = 0; i < jobs.size(); ++i)
                if (jobs[i].done) jobs[i].done(ok[i] ? Stored::ok : Stored::failed);
        }
    }

    void checkpoint_loop(const std::string& path) {
        sqlite3* db = nullptr;
        try {
            db = open_connection(path);
        } catch (const StorageError&) {
            return;  // the writer's own connection copies nothing then; the log grows
        }
        std::unique_lock lock(mutex_);
        while (!closing_) {
            wake_checkpoint_.wait_for(lock, std::chrono::seconds(1));
            lock.unlock();
            sqlite3_exec(db, "PRAGMA wal_checkpoint(PASSIVE)", nullptr, nullptr, nullptr);
            lock.lock();
        }
        lock.unlock();
        // Everything into the database file before the program ends.
        sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

    void release() {
        for (auto* s : {&insert_game_, &insert_event_, &seat_lower_, &seat_upper_, &end_game_, &resume_, &heartbeat_,
                        &begin_, &commit_, &select_game_, &select_events_, &select_unfinished_, &select_heartbeat_})
            s->reset();
        if (reader_db_) sqlite3_close(reader_db_);
        if (writer_db_) sqlite3_close(writer_db_);
        reader_db_ = writer_db_ = nullptr;
    }

    sqlite3* writer_db_ = nullptr;
    sqlite3* reader_db_ = nullptr;
    std::unique_ptr<Statement> insert_game_, insert_event_, seat_lower_, seat_upper_, end_game_, resume_,
        heartbeat_, begin_, commit_;
    std::unique_ptr<Statement> select_game_, select_events_, select_unfinished_, select_heartbeat_;
    std::mutex read_mutex_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable wake_checkpoint_;
    std::thread checkpointer_;
    std::deque<Job> queue_;
    bool closing_ = false;
    std::thread writer_;
};

}  // namespace

std::unique_ptr<Storage> open_sqlite_storage(const std::string& path) {
    return std::make_unique<SqliteStorage>(path);
}

}  // namespace rindou::server
