// Where the server keeps its games.  The server asks through this interface
// only, so that another database can stand behind it.  Writes are batched:
// a batch is durable when its callback says so.  A store that one server
// owns calls the callbacks in the order the batches were submitted; a store
// that several servers share calls them in order for each game, and refuses
// a change of a game whose version another server moved first.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/types.h"

namespace boost::asio {
class io_context;
}

namespace rindou::server {

// A game's row: what never changes once made, and the secrets of its seats.
struct GameRow {
    std::string id;
    int64_t created_ms = 0;
    std::string settings;  // JSON
    std::string invite;
    std::string seat_lower, seat_upper;  // empty while the seat is free
    std::string join_key;                // the key of the join that took the free seat
    bool ended = false;
};

// One versioned event of a game: its wire type and data, and when it happened.
struct EventRow {
    int64_t v = 0;
    std::string type;
    std::string data;  // JSON
    int64_t at_ms = 0;
};

struct StoredGame {
    GameRow row;
    std::vector<EventRow> events;  // in version order
    // Where the running clock was resumed after a restart, if it was since
    // the last event: {"at":ms,...} as the server wrote it.
    std::string resume;
    // False when only the events were read (load_since may leave out a row
    // that cannot have changed since).
    bool with_row = true;
};

// A write of one batch: everything in it is stored together or not at all.
struct WriteBatch {
    std::vector<GameRow> new_games;
    struct Append {
        std::string game;
        EventRow event;
    };
    std::vector<Append> events;
    struct Seat {
        std::string game;
        bool upper = false;
        std::string secret;
        std::string join_key;
    };
    std::vector<Seat> seats;
    std::vector<std::string> ended;  // games that ended
    struct Resume {
        std::string game;
        std::string resume;
    };
    std::vector<Resume> resumes;
    std::optional<int64_t> heartbeat_ms;  // the server is alive at this time
    // The games this batch changes: each is stored only when the game's
    // version is still `from_v`, and then becomes `to_v` (a batch with one
    // whose version moved is refused whole as a conflict).  `flag_ms` is
    // when its running clock runs out.  With `from_v == to_v` only the flag
    // time is written, and only while the version holds: never a conflict.
    struct Change {
        std::string game;
        int64_t from_v = 0, to_v = 0;
        std::optional<int64_t> flag_ms;
    };
    std::vector<Change> changes;
    // This server's connections to a game (a shared store tells the others).
    struct Presence {
        std::string game;
        std::array<int, 3> counts{};  // the players of each side (by Side), then the watchers
    };
    std::vector<Presence> presence;
};

enum class Stored { ok, conflict, failed };

// Where the watchers are counted in a presence, after the sides.
constexpr size_t WATCHERS = SIDE_COUNT;

// The store cannot be opened or used: the message says why, in one line.
struct StorageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Storage {
public:
    virtual ~Storage() = default;
    // Stores a batch; `done` is called (on a thread of the storage's, or of
    // the network loop's) with
    // `ok` once it is durable, `conflict` when another server changed one
    // of its games first, `failed` when it could not be stored.
    virtual void submit(WriteBatch batch, std::function<void(Stored)> done) = 0;
    // Reads a game; empty when there is none.  Safe from any thread.
    virtual std::optional<StoredGame> load(const std::string& id) = 0;
    // The games that have not ended.
    virtual std::vector<std::string> unfinished() = 0;
    // The last heartbeat stored (0 if none).
    virtual int64_t last_heartbeat() = 0;
    // Waits until everything submitted is stored, then stops taking writes.
    virtual void close() = 0;

    // What only a store shared by several servers does; one server's own
    // store has nothing to tell.
    virtual bool shared() const { return false; }
    // A game's events after version `after`, and its row unless no such
    // event can have changed it (empty: no game).
    virtual std::optional<StoredGame> load_since(const std::string& id, int64_t after) {
        auto g = load(id);
        if (g) std::erase_if(g->events, [after](const EventRow& e) { return e.v <= after; });
        return g;
    }
    // Calls `changed` (on a thread of the store's or of the loop's) with a game's id and its
    // new version after another server (or this one) stored a change, with
    // the id and -1 when a server's connections to it changed, and with an
    // empty id when news may have been missed.
    virtual void listen(std::function<void(const std::string&, int64_t)> changed) { (void)changed; }
    // Unfinished games whose running clock ran out by `now`.
    virtual std::vector<std::string> flagged(int64_t now) {
        (void)now;
        return {};
    }
    // The connections to a game of the other servers whose lease is fresh,
    // counted as WriteBatch::Presence counts them.
    virtual std::array<int, 3> presence_elsewhere(const std::string& id) {
        (void)id;
        return {};
    }
    // The servers whose lease is fresh, this one included.
    virtual std::vector<std::string> live_servers() { return {}; }
};

// The SQLite store in a file (made with its folder when missing).  Throws
// StorageError when the file cannot be opened or holds a newer schema.
std::unique_ptr<Storage> open_sqlite_storage(const std::string& path);

// The PostgreSQL store at a `postgresql://` address, which several servers
// may share.  Throws StorageError when it cannot connect or the database
// holds a newer schema.  The pool writes on threads of its own; the other
// writes and listens on the network loop `io`, and is closed only once that
// loop has stopped.
std::unique_ptr<Storage> open_postgresql_pool_storage(const std::string& address);
std::unique_ptr<Storage> open_postgresql_async_storage(const std::string& address, boost::asio::io_context& io);

// A lease older than this is a dead server's.
constexpr int64_t LEASE_MS = 10000;

}  // namespace rindou::server
