// The PostgreSQL store whose writes run on threads of its own.  libpq's
// plain calls block, so a few writers each hold a connection and commit
// everything that waits for them in one transaction (a savepoint per batch,
// so that one batch's conflict does not fail the others), and one listener
// waits for news.  A game's batches always go to the same writer, so they
// are stored in the order they were submitted.
#include <poll.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <thread>

#include "server/postgresql.h"

namespace rindou::server {

namespace {

using namespace pg;

constexpr size_t WRITERS = 4;

// A change of a game's version another server made first.
struct Conflict {};

class PoolStorage final : public Base {
public:
    explicit PoolStorage(std::string address) : Base(std::move(address)) {
        for (size_t i = 0; i < WRITERS; ++i) writers_.push_back(std::make_unique<Writer>());
        // Every writer connects now, so that a database that cannot be used
        // is found at start and not at the first move.
        for (auto& w : writers_) {
            w->conn = std::make_unique<Connection>(address_);
            w->conn->prepare_all();
        }
        for (auto& w : writers_) w->thread = std::thread([this, w = w.get()] { write_loop(*w); });
    }

    ~PoolStorage() override { close(); }

    void submit(WriteBatch batch, std::function<void(Stored)> done) override {
        Writer& w = *writers_[lane_of(batch, WRITERS)];
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

    static void write(Connection& c, const std::vector<Call>& calls) {
        for (const Call& call : calls) {
            Result r = c.run(call);
            if ((call.kind == Call::cas && r.touched() != 1) || (call.kind == Call::step && r.rows() != 1))
                throw Conflict{};
        }
    }

    // Everything waiting for this writer in one transaction, each batch
    // under a savepoint of its own.
    void commit(Writer& w, std::vector<Job>& jobs, std::vector<Stored>& out) {
        out.assign(jobs.size(), Stored::failed);
        if (!w.conn || !w.conn->alive()) {
            try {
                w.conn = std::make_unique<Connection>(address_);
                w.conn->prepare_all();
            } catch (const StorageError&) {
                w.conn.reset();
                return;
            }
        }
        Connection& c = *w.conn;
        if (jobs.size() == 1) {
            // Alone in its transaction: no savepoint needed, two round trips
            // fewer (and a move alone is one statement, its own transaction).
            const auto calls = plan(jobs[0].batch, server_id_);
            const bool alone = calls.size() == 1;
            try {
                if (!alone) c.exec("BEGIN");
                write(c, calls);
                if (!alone) c.exec("COMMIT");
                out[0] = Stored::ok;
            } catch (const Conflict&) {
                if (!alone) PQclear(PQexec(c.raw(), "ROLLBACK"));
                out[0] = Stored::conflict;
            } catch (const Refused& e) {
                if (!alone) PQclear(PQexec(c.raw(), "ROLLBACK"));
                out[0] = e.conflict ? Stored::conflict : Stored::failed;
            } catch (const StorageError&) {
                if (!alone) PQclear(PQexec(c.raw(), "ROLLBACK"));
            }
            return;
        }
        try {
            c.exec("BEGIN");
            for (size_t i = 0; i < jobs.size(); ++i) {
                c.exec("SAVEPOINT batch");
                try {
                    write(c, plan(jobs[i].batch, server_id_));
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
                decode_news(n->extra, changed);
                PQfreemem(n);
            }
        }
    }

    std::vector<std::unique_ptr<Writer>> writers_;
    std::mutex listen_mutex_;
    std::thread listener_;
    std::atomic<bool> stop_listening_{false};
};

}  // namespace

std::unique_ptr<Storage> open_postgresql_pool_storage(const std::string& address) {
    return std::make_unique<PoolStorage>(address);
}

}  // namespace rindou::server
