// The PostgreSQL store whose writes and news run on the server's network
// loop: libpq's asynchronous calls, each connection's socket watched by the
// loop, so no thread of the store's own ever waits on the database.
//
// A connection sends everything waiting for it as one transaction in one
// go (pipeline mode: the statements of many batches and a single sync, one
// round trip and one commit), and sends the next transaction when the
// previous one's answers are in.  The statements of a pipeline cannot be
// chosen after seeing an earlier answer, so a batch that must be refused
// (its compare-and-set lost, a key written first elsewhere) makes its
// statement fail, which rolls back the whole transaction: that batch is
// answered alone and the others are sent again.  A move alone carries its
// compare-and-set in the one statement that stores it and does nothing when
// it loses, so it never rolls back the others.  A game's batches always go
// through the same connection, in the order they were submitted.
//
// Reads answer at once through the storage's interface, so they stay on
// blocking connections of their own.
#include <poll.h>

#include <atomic>
#include <deque>
#include <memory>

#include <boost/asio/bind_executor.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>

#include "server/postgresql.h"

namespace rindou::server {

namespace {

using namespace pg;
namespace net = boost::asio;

// Connections that write: a game's batches keep to one of them.
constexpr size_t LINKS = 2;
// The most batches one transaction carries (a bound on what one refusal
// sends again).
constexpr size_t MOST_AT_ONCE = 256;
constexpr auto RETRY = std::chrono::milliseconds(500);
// How long a stopping server waits for the database to answer at all.
constexpr int CLOSE_PATIENCE_MS = 30000;

using Changed = std::function<void(const std::string&, int64_t)>;

struct Job {
    WriteBatch batch;
    std::function<void(Stored)> done;
    std::vector<Call> calls;  // made once, kept for a second sending
};

// One connection on the loop, which writes batches or listens for news.
class Link : public std::enable_shared_from_this<Link> {
public:
    Link(net::io_context& io, std::string address, Changed listener)
        : strand_(net::make_strand(io)), timer_(strand_), address_(std::move(address)), listener_(std::move(listener)) {}

    ~Link() {
        if (sock_) sock_->release();
        if (conn_) PQfinish(conn_);
    }

    void start() {
        net::post(strand_, [self = shared_from_this()] { self->connect(); });
    }

    // From any thread.  False once the link is closed.
    bool submit(Job job) {
        {
            std::lock_guard lock(inbox_mutex_);
            if (closed_) return false;
            inbox_.push_back(std::move(job));
            if (kicked_) return true;
            kicked_ = true;
        }
        net::post(strand_, [self = shared_from_this()] { self->take_inbox(); });
        return true;
    }

    // Stores what is left once the loop has stopped, waiting on the socket
    // itself, then stops taking writes.
    void finish() {
        {
            std::lock_guard lock(inbox_mutex_);
            closed_ = true;
        }
        blocking_ = true;
        ++generation_;  // what the loop still holds is stale
        timer_.cancel();
        if (sock_) {
            sock_->release();
            sock_.reset();
        }
        move_inbox();
        if (listener_) {
            drop();
            return;
        }
        if (!ready_) {
            // Not connected, or half way: start again, waiting this time.
            drop();
            if (queue_.empty()) return;
            conn_ = PQconnectdb(address_.c_str());
            if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
                lost();
                return;
            }
            set_up();
        } else {
            send();
        }
        int waited = 0;
        while (conn_ && in_flight() && waited < CLOSE_PATIENCE_MS) {
            pollfd p{PQsocket(conn_), static_cast<short>(POLLIN | (PQflush(conn_) == 1 ? POLLOUT : 0)), 0};
            const int n = poll(&p, 1, 100);
            if (n <= 0) {
                waited += 100;
                continue;
            }
            if (p.revents & POLLOUT) flush();
            if (conn_ && (p.revents & (POLLIN | POLLHUP | POLLERR))) readable();
        }
        lost();
    }

private:
    struct Expect {
        size_t job;  // SIZE_MAX: the setting up
        Call::Kind kind;
    };

    bool in_flight() const { return !expect_.empty() || setting_up_ || !flight_.empty(); }

    void move_inbox() {
        std::lock_guard lock(inbox_mutex_);
        for (auto& j : inbox_) queue_.push_back(std::move(j));
        inbox_.clear();
        kicked_ = false;
    }

    void take_inbox() {
        move_inbox();
        if (blocking_) return;
        if (ready_)
            send();
        else if (!conn_)
            connect();  // a writer connects when it has something to write
    }

    // Connecting without waiting: libpq says which way its socket must be
    // ready next.  The socket may change while it connects, so it is
    // watched afresh each time.
    void connect() {
        if (conn_ || blocking_) return;
        conn_ = PQconnectStart(address_.c_str());
        if (!conn_ || PQstatus(conn_) == CONNECTION_BAD) {
            failed_to_connect();
            return;
        }
        connect_step(PGRES_POLLING_WRITING);
    }

    void connect_step(PostgresPollingStatusType how) {
        if (how == PGRES_POLLING_OK) {
            set_up();
            if (setting_up_) watch();
            return;
        }
        if (how == PGRES_POLLING_FAILED) {
            failed_to_connect();
            return;
        }
        if (sock_) sock_->release();
        sock_.emplace(strand_, PQsocket(conn_));
        const auto type = how == PGRES_POLLING_READING ? net::posix::stream_descriptor::wait_read
                                                       : net::posix::stream_descriptor::wait_write;
        sock_->async_wait(type, [self = shared_from_this(), g = generation_](const boost::system::error_code& ec) {
            if (g != self->generation_ || ec) return;
            self->connect_step(PQconnectPoll(self->conn_));
        });
    }

    void failed_to_connect() {
        lost();
        if (blocking_) return;
        // A listener keeps trying; a writer tries again with its next batch.
        if (listener_) {
            timer_.expires_after(RETRY);
            timer_.async_wait([self = shared_from_this(), g = generation_](const boost::system::error_code& ec) {
                if (!ec && g == self->generation_) self->connect();
            });
        }
    }

    // Connected: the writers' statements prepared, or the channel listened
    // to, as the first transaction of the pipeline.
    void set_up() {
        PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
        if (PQsetnonblocking(conn_, 1) != 0 || PQenterPipelineMode(conn_) != 1) {
            broken();
            return;
        }
        if (listener_) {
            const std::string sql = std::string("LISTEN ") + CHANNEL;
            if (!PQsendQueryParams(conn_, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0)) return broken();
            expect_.push_back({SIZE_MAX, Call::plain});
        } else {
            for (size_t i = 0; i < STATEMENT_COUNT; ++i) {
                const Prepared& p = STATEMENTS[i];
                if (!PQsendPrepare(conn_, p.name, p.sql, p.params, nullptr)) return broken();
                expect_.push_back({SIZE_MAX, Call::plain});
            }
        }
        if (!PQpipelineSync(conn_)) return broken();
        setting_up_ = true;
        flush();
    }

    // Watches the connected socket for answers and news for as long as it lasts.
    void watch() {
        if (!conn_ || blocking_) return;
        if (sock_) sock_->release();
        sock_.emplace(strand_, PQsocket(conn_));
        arm_read();
    }

    void arm_read() {
        if (blocking_ || !sock_ || reading_ || (!ready_ && !setting_up_)) return;
        reading_ = true;
        sock_->async_wait(net::posix::stream_descriptor::wait_read,
                          [self = shared_from_this(), g = generation_](const boost::system::error_code& ec) {
                              if (g != self->generation_) return;
                              self->reading_ = false;
                              if (ec) return self->broken();
                              self->readable();
                              // Unless the connection was lost and is being made again.
                              if (g == self->generation_) self->arm_read();
                          });
    }

    void flush() {
        if (!conn_) return;
        const int r = PQflush(conn_);
        if (r < 0) return broken();
        if (r == 0 || blocking_ || writing_ || !sock_) return;
        writing_ = true;
        sock_->async_wait(net::posix::stream_descriptor::wait_write,
                          [self = shared_from_this(), g = generation_](const boost::system::error_code& ec) {
                              if (g != self->generation_) return;
                              self->writing_ = false;
                              if (ec) return self->broken();
                              self->flush();
                          });
    }

    void readable() {
        if (!PQconsumeInput(conn_)) return broken();
        answers();
        if (!conn_) return;
        while (PGnotify* n = PQnotifies(conn_)) {
            if (listener_) decode_news(n->extra, listener_);
            PQfreemem(n);
        }
    }

    // Reads every answer that has come in.  Each statement's answer ends
    // with a null result; the sync's answer closes the transaction.
    void answers() {
        int nulls = 0;
        while (conn_ && in_flight() && !PQisBusy(conn_)) {
            PGresult* r = PQgetResult(conn_);
            if (!r) {
                if (answered_) {
                    ++current_;
                    answered_ = false;
                } else if (++nulls > 1) {
                    break;
                }
                continue;
            }
            nulls = 0;
            const auto status = PQresultStatus(r);
            if (status == PGRES_PIPELINE_SYNC) {
                PQclear(r);
                closed_transaction();
                continue;
            }
            answered_ = true;
            if (current_ < expect_.size()) {
                const Expect& e = expect_[current_];
                if (status == PGRES_FATAL_ERROR && !refused_) {
                    refused_ = e.job;
                    const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
                    // 22012: the strict compare-and-set found the version moved.
                    refused_conflict_ = unique_violation(r) ||
                                        (e.kind == Call::cas && state && std::string(state) == "22012");
                } else if (status == PGRES_TUPLES_OK && e.kind == Call::step && PQntuples(r) == 0 &&
                           e.job < lost_step_.size()) {
                    lost_step_[e.job] = true;
                }
            }
            PQclear(r);
        }
        if (conn_ && PQstatus(conn_) == CONNECTION_BAD) broken();
    }

    void closed_transaction() {
        const std::optional<size_t> refused = refused_;
        const bool conflict = refused_conflict_;
        expect_.clear();
        current_ = 0;
        answered_ = false;
        refused_.reset();
        if (setting_up_) {
            setting_up_ = false;
            if (refused) return broken();
            ready_ = true;
            if (listener_) listener_("", 0);  // news may have been missed before
            send();
            return;
        }
        std::vector<Job> jobs = std::move(flight_);
        flight_.clear();
        std::vector<std::pair<std::function<void(Stored)>, Stored>> answered;
        if (!refused) {
            for (size_t i = 0; i < jobs.size(); ++i)
                answered.emplace_back(std::move(jobs[i].done), lost_step_[i] ? Stored::conflict : Stored::ok);
        } else {
            // Everything was rolled back: the refused batch is answered, the
            // others go again, first and in their order.
            answered.emplace_back(std::move(jobs[*refused].done), conflict ? Stored::conflict : Stored::failed);
            for (size_t i = jobs.size(); i-- > 0;)
                if (i != *refused) queue_.push_front(std::move(jobs[i]));
        }
        send();
        for (auto& [done, got] : answered)
            if (done) done(got);
    }

    // Sends what waits as one transaction, unless one is on its way.
    void send() {
        if (!ready_ || in_flight() || queue_.empty()) return;
        while (!queue_.empty() && flight_.size() < MOST_AT_ONCE) {
            flight_.push_back(std::move(queue_.front()));
            queue_.pop_front();
        }
        lost_step_.assign(flight_.size(), false);
        for (size_t j = 0; j < flight_.size(); ++j) {
            Job& job = flight_[j];
            if (job.calls.empty()) job.calls = plan(job.batch, server_id);
            for (const Call& call : job.calls) {
                const Arguments a(call);
                const char* name = call.kind == Call::cas ? "change_strict" : call.name;
                if (!PQsendQueryPrepared(conn_, name, a.count, a.values, a.lengths, nullptr, 0)) return broken();
                expect_.push_back({j, call.kind});
            }
        }
        if (!PQpipelineSync(conn_)) return broken();
        flush();
    }

    // The connection is gone: what was on its way is reported failed (it
    // may or may not have been committed, as when a commit's answer is
    // lost), and a new connection is made.
    void broken() {
        lost();
        if (blocking_) return;
        if (listener_) {
            listener_("", 0);
            connect();
        } else if (!queue_.empty()) {
            connect();
        }
    }

    void drop() {
        ++generation_;
        reading_ = writing_ = false;
        if (sock_) {
            sock_->release();
            sock_.reset();
        }
        if (conn_) PQfinish(conn_);
        conn_ = nullptr;
        ready_ = false;
        setting_up_ = false;
        expect_.clear();
        current_ = 0;
        answered_ = false;
        refused_.reset();
    }

    // Drops the connection and fails what it carried; when it cannot be
    // made at all, what waits fails too rather than waiting for ever.
    void lost() {
        const bool was_connecting = !ready_;
        drop();
        std::vector<Job> failed = std::move(flight_);
        flight_.clear();
        if (was_connecting || blocking_)
            for (auto& j : queue_) failed.push_back(std::move(j));
        if (was_connecting || blocking_) queue_.clear();
        for (auto& j : failed)
            if (j.done) j.done(Stored::failed);
    }

public:
    std::string server_id;

private:
    net::strand<net::io_context::executor_type> strand_;
    net::steady_timer timer_;
    std::string address_;
    Changed listener_;  // set on the link that listens
    PGconn* conn_ = nullptr;
    std::optional<net::posix::stream_descriptor> sock_;
    uint64_t generation_ = 0;
    bool reading_ = false, writing_ = false;
    bool ready_ = false, setting_up_ = false;
    std::atomic<bool> blocking_{false};

    std::mutex inbox_mutex_;
    std::deque<Job> inbox_;
    bool kicked_ = false, closed_ = false;

    std::deque<Job> queue_;
    std::vector<Job> flight_;
    std::vector<Expect> expect_;
    std::vector<bool> lost_step_;
    size_t current_ = 0;
    bool answered_ = false;
    std::optional<size_t> refused_;
    bool refused_conflict_ = false;
};

class AsyncStorage final : public Base {
public:
    AsyncStorage(std::string address, net::io_context& io) : Base(std::move(address)), io_(io) {
        for (size_t i = 0; i < LINKS; ++i) {
            links_.push_back(std::make_shared<Link>(io_, address_, nullptr));
            links_.back()->server_id = server_id_;
            links_.back()->start();
        }
    }

    ~AsyncStorage() override { close(); }

    void submit(WriteBatch batch, std::function<void(Stored)> done) override {
        Link& link = *links_[lane_of(batch, LINKS)];
        Job job{std::move(batch), done, {}};
        if (!link.submit(std::move(job)) && done) done(Stored::failed);
    }

    void listen(Changed changed) override {
        std::lock_guard lock(mutex_);
        if (listener_) return;
        listener_ = std::make_shared<Link>(io_, address_, std::move(changed));
        listener_->start();
    }

    // Called once the loop has stopped.
    void close() override {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        closed_ = true;
        for (auto& l : links_) l->finish();
        if (listener_) listener_->finish();
    }

private:
    net::io_context& io_;
    std::vector<std::shared_ptr<Link>> links_;
    std::mutex mutex_;
    std::shared_ptr<Link> listener_;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<Storage> open_postgresql_async_storage(const std::string& address, net::io_context& io) {
    return std::make_unique<AsyncStorage>(address, io);
}

}  // namespace rindou::server
