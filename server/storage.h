// Where the server keeps its games.  The server asks through this interface
// only, so that another database can stand behind it.  Writes are batched:
// a batch is durable when its callback says so, and the callbacks of batches
// are called in the order the batches were submitted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

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
};

// The store cannot be opened or used: the message says why, in one line.
struct StorageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Storage {
public:
    virtual ~Storage() = default;
    // Stores a batch; `done` is called (on the storage's own thread) with
    // true once it is durable, false when it could not be stored.
    virtual void submit(WriteBatch batch, std::function<void(bool)> done) = 0;
    // Reads a game; empty when there is none.  Safe from any thread.
    virtual std::optional<StoredGame> load(const std::string& id) = 0;
    // The games that have not ended.
    virtual std::vector<std::string> unfinished() = 0;
    // The last heartbeat stored (0 if none).
    virtual int64_t last_heartbeat() = 0;
    // Waits until everything submitted is stored, then stops taking writes.
    virtual void close() = 0;
};

// The SQLite store in a file (made with its folder when missing).  Throws
// StorageError when the file cannot be opened or holds a newer schema.
std::unique_ptr<Storage> open_sqlite_storage(const std::string& path);

}  // namespace rindou::server
