#include "server/server.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <array>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <mutex>
#include <unordered_map>
#include <variant>

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/bind_executor.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "core/files.h"
#include "server/protocol.h"
#include "server/referee.h"
#include "server/secrets.h"

namespace rindou::server {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = net::ip::tcp;
using Strand = net::strand<net::io_context::executor_type>;
using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;
constexpr auto use_tuple = net::as_tuple(net::use_awaitable);

namespace {

// How many versioned messages a game keeps for clients that reconnect.
constexpr size_t REPLAY_WINDOW = 64;
constexpr size_t FRAME_LIMIT = 4096;
constexpr int MESSAGES_PER_SECOND = 20;
// Past this many in one second the connection is closed.
constexpr int MESSAGES_BEFORE_CLOSE = 40;
// A reader slower than this many waiting messages is let go.
constexpr size_t SEND_QUEUE_LIMIT = 4096;
constexpr auto HELLO_TIME = std::chrono::seconds(10);
constexpr auto SILENCE_TIME = std::chrono::seconds(60);
constexpr auto HEARTBEAT_EVERY = std::chrono::seconds(5);
// A shared store's lease is renewed this often, well inside LEASE_MS, and the
// other servers' leases looked at as often: a dead server's connections stop
// counting within LEASE_MS and this.
constexpr auto LEASE_EVERY = std::chrono::seconds(3);
// How often a server of a shared store looks for clocks that ran out in
// games it may hold no connection of.
constexpr auto SWEEP_EVERY = std::chrono::seconds(1);
constexpr size_t BODY_LIMIT = 8192;

int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string message(const char* type, const Json& d) { return dump(Json{{"t", type}, {"d", d}}); }
std::string versioned(const std::string& type, int64_t v, const Json& d) {
    return dump(Json{{"t", type}, {"v", v}, {"d", d}});
}
std::string error_message(const std::string& code, const Json& a) {
    return message("error", Json{{"code", code}, {"a", a}});
}

class WsSession;
class Room;

// Connections per client address.
class AddressSlots {
public:
    explicit AddressSlots(size_t limit) : limit_(limit) {}
    // A slot held while the connection lives; empty when the address has
    // used up its connections.
    std::shared_ptr<void> take(const std::string& address) {
        std::lock_guard lock(mutex_);
        size_t& n = counts_[address];
        if (n >= limit_) return nullptr;
        ++n;
        return std::make_shared<Slot>(*this, address);
    }

private:
    struct Slot {
        Slot(AddressSlots& o, std::string a) : owner(o), address(std::move(a)) {}
        ~Slot() {
            std::lock_guard lock(owner.mutex_);
            if (--owner.counts_[address] == 0) owner.counts_.erase(address);
        }
        AddressSlots& owner;
        std::string address;
    };
    size_t limit_;
    std::mutex mutex_;
    std::unordered_map<std::string, size_t> counts_;
};

struct Hub;

// One connected WebSocket: a reader coroutine and a queue of frames to
// write, both on the connection's own strand.
class WsSession : public std::enable_shared_from_this<WsSession> {
public:
    WsSession(beast::tcp_stream&& stream, std::shared_ptr<Room> room, std::shared_ptr<void> slot)
        : ws_(std::move(stream)), room_(std::move(room)), slot_(std::move(slot)), hello_timer_(ws_.get_executor()) {}

    net::awaitable<void> run(Request req);
    // Queues a frame (from any thread).
    void send(std::shared_ptr<const std::string> text) {
        net::post(ws_.get_executor(), [self = shared_from_this(), text] { self->enqueue(Item{text}); });
    }
    void send(std::string text) { send(std::make_shared<const std::string>(std::move(text))); }
    void close(websocket::close_code code) {
        net::post(ws_.get_executor(), [self = shared_from_this(), code] { self->enqueue(Item{code}); });
    }

private:
    using Item = std::variant<std::shared_ptr<const std::string>, websocket::close_code>;
    void enqueue(Item item);
    void write_next();
    void on_message(const std::string& text);

    websocket::stream<beast::tcp_stream> ws_;
    std::shared_ptr<Room> room_;
    std::shared_ptr<void> slot_;
    net::steady_timer hello_timer_;
    std::deque<Item> queue_;
    bool closing_ = false;
    bool done_ = false;
    bool hello_ = false;
    int64_t window_start_ = 0;
    int window_count_ = 0;
};

struct Hub {
    net::io_context& io;
    Options options;
    Storage& storage;
    AddressSlots slots;
    std::mutex mutex;
    std::unordered_map<std::string, std::shared_ptr<Room>> rooms;
    std::string own_address;  // host:port as listened on

    Hub(net::io_context& i, Options o, Storage& s)
        : io(i), options(std::move(o)), storage(s), slots(options.max_connections_per_address) {}
    std::shared_ptr<Room> find(const std::string& id);
    // The game if this server holds it, without reading the store.
    std::shared_ptr<Room> held(const std::string& id) {
        std::lock_guard lock(mutex);
        auto it = rooms.find(id);
        return it == rooms.end() ? nullptr : it->second;
    }
    std::vector<std::shared_ptr<Room>> all() {
        std::lock_guard lock(mutex);
        std::vector<std::shared_ptr<Room>> out;
        for (auto& [id, room] : rooms) out.push_back(room);
        return out;
    }
    // News from the store: another server changed a game (`v` its new
    // version) or its connections (`v` -1); an empty id when news may have
    // been lost.
    void changed(const std::string& id, int64_t v);
    void add(const std::shared_ptr<Room>& room);
    // Forgets a game nobody watches any more (it is read again when asked for).
    void forget(const std::string& id, const Room* room);
    std::string fresh_id() {
        for (;;) {
            std::string id = new_game_id();
            {
                std::lock_guard lock(mutex);
                if (rooms.count(id)) continue;
            }
            if (!storage.load(id)) return id;
        }
    }
};

struct RematchSeat {
    std::string id;
    Side side;
    std::string seat;
};

// The seats of a rematch by the side each player has in this game: the
// sides swap, so this game's lower player plays upper there.
std::array<RematchSeat, SIDE_COUNT> rematch_seats(const std::string& next, const GameRow& row) {
    std::array<RematchSeat, SIDE_COUNT> seats;
    seats[LOWER] = RematchSeat{next, UPPER, row.seat_upper};
    seats[UPPER] = RematchSeat{next, LOWER, row.seat_lower};
    return seats;
}

// One game on its strand: the referee, the secrets of its seats, the
// connections that watch or play it, and its flag.  Requests run one at a
// time; while a change is being stored the next requests wait, so that
// nothing is shown or acknowledged before it is durable.
class Room : public std::enable_shared_from_this<Room> {
public:
    Room(Hub& hub, Referee referee, GameRow row)
        : hub_(hub), strand_(net::make_strand(hub.io)), ref_(std::move(referee)), row_(std::move(row)),
          flag_timer_(strand_) {
        away_since_.fill(now_ms());
    }
    const std::string& id() const { return ref_.id(); }

    // Runs an operation on the game's strand, after any change being stored.
    void run(std::function<void()> op) {
        net::post(strand_, [self = shared_from_this(), op = std::move(op)]() mutable {
            if (self->writing_)
                self->deferred_.push_back(std::move(op));
            else
                op();
        });
    }

    // The game as stored: events replayed, the clock resumed.
    static std::shared_ptr<Room> from_stored(Hub& hub, const StoredGame& g, int64_t last_alive);
    // Takes what other servers stored since this game's version, and shows
    // it to this server's connections.  On the strand.
    void catch_up();
    // Takes the other servers' connections to this game.  On the strand.
    void presence_elsewhere();

    void hello(const std::shared_ptr<WsSession>& s, const std::string& seat, std::optional<int64_t> v, Json a);
    void request(const std::shared_ptr<WsSession>& s, const ClientMessage& m);
    // `fresh` once the game has been read from a shared store for this
    // request: a refusal is then final.
    void judge(const std::shared_ptr<WsSession>& s, const ClientMessage& m, bool fresh = false);
    void leave(const std::shared_ptr<WsSession>& s);

    // HTTP (on the strand).
    Json game_json() const { return ref_.to_json(online(), now_ms()); }
    const Referee& referee() const { return ref_; }
    void join(const JoinRequest& r, std::function<void(int, Json)> answer);
    void arm_flag();
    void on_flag();

private:
    struct Member {
        std::shared_ptr<WsSession> session;
        std::optional<Side> side;
    };
    std::array<bool, SIDE_COUNT> online() const {
        std::array<bool, SIDE_COUNT> on{};
        for (Side side : {UPPER, LOWER}) on[side] = elsewhere_[side] > 0;
        for (const Member& m : members_)
            if (m.side) on[*m.side] = true;
        return on;
    }
    // This server's connections: players by side, then watchers.
    std::array<int, 3> here() const {
        std::array<int, 3> n{};
        for (const Member& m : members_) ++n[m.side ? size_t{*m.side} : WATCHERS];
        return n;
    }
    // Shows the presence to this server's connections; `mine` when this
    // server's own connections changed (a shared store then tells the others).
    void presence(bool mine = true);
    void show(const Event& e);
    void broadcast(const std::shared_ptr<const std::string>& text) {
        for (const Member& m : members_) m.session->send(text);
    }
    // Stores the events (and whatever else the batch holds), then applies
    // and shows them and calls `after` with whether they were stored.
    // `rejudge`, when another server changed the game first: called on the
    // strand once the game has caught up, to judge the request again.
    void commit(std::vector<Event> events, WriteBatch batch, std::function<void(bool)> after,
                std::function<void()> rejudge);
    void finish_write();
    void start_rematch(const Event& rematch, const std::shared_ptr<WsSession>& s, const ClientMessage& m);

    Hub& hub_;
    Strand strand_;
    Referee ref_;
    GameRow row_;
    net::steady_timer flag_timer_;
    std::vector<Member> members_;
    std::deque<std::pair<int64_t, std::shared_ptr<const std::string>>> recent_;
    bool writing_ = false;
    std::deque<std::function<void()>> deferred_;
    std::array<int64_t, SIDE_COUNT> away_since_{};
    std::optional<std::array<RematchSeat, SIDE_COUNT>> rematch_seats_;
    std::array<int, 3> elsewhere_{};
};

void Hub::add(const std::shared_ptr<Room>& room) {
    std::lock_guard lock(mutex);
    rooms.emplace(room->id(), room);
}

void Hub::forget(const std::string& id, const Room* room) {
    std::lock_guard lock(mutex);
    if (auto it = rooms.find(id); it != rooms.end() && it->second.get() == room) rooms.erase(it);
}

std::shared_ptr<Room> Hub::find(const std::string& id) {
    if (!is_game_id(id)) return nullptr;
    {
        std::lock_guard lock(mutex);
        if (auto it = rooms.find(id); it != rooms.end()) return it->second;
    }
    std::optional<StoredGame> g;
    try {
        g = storage.load(id);
    } catch (const StorageError& e) {
        std::cerr << "rindou-server: cannot read game " << id << ": " << e.what() << '\n';
        return nullptr;
    }
    if (!g) return nullptr;
    // A shared store's game is read while this server runs: no time was
    // lost to charge.
    auto room = Room::from_stored(*this, *g, storage.shared() ? now_ms() : storage.last_heartbeat());
    if (!room) return nullptr;
    std::lock_guard lock(mutex);
    auto [it, inserted] = rooms.emplace(id, room);
    if (inserted) room->arm_flag();
    return it->second;
}

std::shared_ptr<Room> Room::from_stored(Hub& hub, const StoredGame& g, int64_t last_alive) {
    auto settings = settings_from_json(Json::parse(g.row.settings, nullptr, false));
    if (!settings) return nullptr;
    Referee ref(g.row.id, *settings, g.row.created_ms);
    auto room = std::make_shared<Room>(hub, std::move(ref), g.row);
    for (const EventRow& e : g.events) {
        Json data = Json::parse(e.data, nullptr, false);
        if (data.is_discarded() || e.v != room->ref_.version() + 1 ||
            !room->ref_.apply(Event{e.type, data, e.at_ms})) {
            std::cerr << "rindou-server: game " << g.row.id << " has a damaged event " << e.v << '\n';
            return nullptr;
        }
        room->recent_.emplace_back(e.v, std::make_shared<const std::string>(versioned(e.type, e.v, data)));
        if (room->recent_.size() > REPLAY_WINDOW) room->recent_.pop_front();
    }
    // The seats of the rematch, for the players who come back to this game.
    if (const auto& next = room->ref_.rematch_id(); next && !next->empty()) {
        if (auto n = hub.storage.load(*next)) {
            room->rematch_seats_ = rematch_seats(*next, n->row);
        }
    }
    if (room->ref_.playing()) {
        // Time lost while no server ran is not charged: neither what earlier
        // restarts since the last event gave back nor the time since the
        // last heartbeat.
        int64_t given_back = 0;
        const Json resume = Json::parse(g.resume.empty() ? "{}" : g.resume, nullptr, false);
        if (resume.is_object() && resume.value("v", int64_t{-1}) == room->ref_.version()) {
            given_back = resume.value("lost_ms", int64_t{0});
            room->ref_.shift_clock(given_back);
        }
        const int64_t lost = room->ref_.resume_clock(last_alive, now_ms());
        if (lost > 0) {
            WriteBatch b;
            b.resumes.push_back({g.row.id, dump(Json{{"v", room->ref_.version()}, {"lost_ms", given_back + lost}})});
            hub.storage.submit(std::move(b), nullptr);
        }
    }
    return room;
}

void Room::arm_flag() {
    net::post(strand_, [self = shared_from_this()] {
        const auto at = self->ref_.flag_at();
        if (!at) {
            self->flag_timer_.cancel();
            return;
        }
        self->flag_timer_.expires_after(std::chrono::milliseconds(std::max<int64_t>(0, *at - now_ms())));
        self->flag_timer_.async_wait([weak = std::weak_ptr<Room>(self)](beast::error_code ec) {
            if (ec) return;
            if (auto room = weak.lock()) room->on_flag();
        });
    });
}

void Room::on_flag() {
    run([self = shared_from_this()] {
        const bool shared = self->hub_.storage.shared();
        // Another server may have moved the game on: its clock is judged as
        // it now stands.
        if (shared) self->catch_up();
        auto out = self->ref_.flag(now_ms());
        if (out.events.empty()) {
            if (shared) {
                // The store's time of the flag was early (time given back
                // after a restart): the sweeps should look again only then.
                WriteBatch b;
                b.changes.push_back({self->id(), self->ref_.version(), self->ref_.version(), self->ref_.flag_at()});
                self->hub_.storage.submit(std::move(b), nullptr);
            }
            self->arm_flag();
            return;
        }
        self->commit(std::move(out.events), {}, [](bool) {}, [self] { self->on_flag(); });
    });
}

void Room::show(const Event& e) {
    auto text = std::make_shared<const std::string>(versioned(e.type, ref_.version(), e.data));
    recent_.emplace_back(ref_.version(), text);
    if (recent_.size() > REPLAY_WINDOW) recent_.pop_front();
    broadcast(text);
}

void Room::commit(std::vector<Event> events, WriteBatch batch, std::function<void(bool)> after,
                  std::function<void()> rejudge) {
    const int64_t from = ref_.version();
    int64_t v = from;
    for (const Event& e : events) {
        batch.events.push_back({id(), EventRow{++v, e.type, dump(e.data), e.at_ms}});
        if (e.type == "end") batch.ended.push_back(id());
    }
    if (hub_.storage.shared()) {
        // Stored only if no other server moved the game on meanwhile; the
        // store also learns when this game's flag falls, for the sweeps.
        Referee next = ref_;
        for (const Event& e : events) next.apply(e);
        batch.changes.insert(batch.changes.begin(), WriteBatch::Change{id(), from, v, next.flag_at()});
    }
    writing_ = true;
    hub_.storage.submit(std::move(batch), [self = shared_from_this(), events = std::move(events),
                                           after = std::move(after), rejudge = std::move(rejudge)](Stored got) mutable {
        net::post(self->strand_, [self, events = std::move(events), after = std::move(after),
                                  rejudge = std::move(rejudge), got] {
            if (got == Stored::conflict) {
                // Another server changed the game first: catch up and judge
                // the request again on the game as it now stands.
                self->catch_up();
                self->writing_ = false;
                if (rejudge)
                    rejudge();
                else
                    after(false);
                if (!self->writing_) self->finish_write();
                return;
            }
            const bool ok = got == Stored::ok;
            if (ok) {
                for (const Event& e : events) {
                    if (!self->ref_.apply(e)) {
                        std::cerr << "rindou-server: game " << self->id() << " refused its own event\n";
                        break;
                    }
                    self->show(e);
                }
                self->arm_flag();
            } else {
                std::cerr << "rindou-server: game " << self->id() << ": a change could not be stored\n";
            }
            after(ok);
            self->finish_write();
        });
    });
}

void Room::catch_up() {
    std::optional<StoredGame> g;
    try {
        g = hub_.storage.load_since(id(), ref_.version());
    } catch (const StorageError& e) {
        std::cerr << "rindou-server: cannot read game " << id() << ": " << e.what() << '\n';
        return;
    }
    if (!g) return;
    // The seats another server gave out.
    if (g->with_row) {
        row_.seat_lower = g->row.seat_lower;
        row_.seat_upper = g->row.seat_upper;
        row_.join_key = g->row.join_key;
    }
    for (const EventRow& r : g->events) {
        if (r.v <= ref_.version()) continue;
        Json data = Json::parse(r.data, nullptr, false);
        const Event e{r.type, data, r.at_ms};
        if (data.is_discarded() || r.v != ref_.version() + 1 || !ref_.apply(e)) {
            std::cerr << "rindou-server: game " << id() << " has a damaged event " << r.v << '\n';
            break;
        }
        show(e);
        if (e.type == "rematch") {
            const std::string next = data.value("id", std::string());
            if (auto n = hub_.storage.load(next)) {
                rematch_seats_ = rematch_seats(next, n->row);
                for (const Member& m : members_)
                    if (m.side) {
                        const RematchSeat& rs = (*rematch_seats_)[*m.side];
                        m.session->send(message("seat", Json{{"id", rs.id}, {"side", side_name(rs.side)}, {"seat", rs.seat}}));
                    }
            }
        }
    }
    arm_flag();
}

void Room::presence_elsewhere() {
    std::array<int, 3> n{};
    try {
        n = hub_.storage.presence_elsewhere(id());
    } catch (const StorageError&) {
        return;
    }
    if (n == elsewhere_) return;
    const auto before = online();
    elsewhere_ = n;
    const auto after = online();
    for (Side side : {UPPER, LOWER})
        if (before[side] && !after[side]) away_since_[side] = now_ms();
    presence(false);
}

void Hub::changed(const std::string& id, int64_t v) {
    if (id.empty()) {
        for (auto& room : all())
            room->run([room] {
                room->catch_up();
                room->presence_elsewhere();
            });
        return;
    }
    auto room = held(id);
    if (!room) return;
    if (v < 0)
        room->run([room] { room->presence_elsewhere(); });
    else
        room->run([room, v] {
            if (room->referee().version() < v) room->catch_up();
        });
}

void Room::finish_write() {
    writing_ = false;
    while (!writing_ && !deferred_.empty()) {
        auto op = std::move(deferred_.front());
        deferred_.pop_front();
        op();
    }
}

void Room::presence(bool mine) {
    if (mine && hub_.storage.shared()) {
        WriteBatch b;
        b.presence.push_back({id(), here()});
        hub_.storage.submit(std::move(b), nullptr);
    }
    const int watchers = here()[WATCHERS] + elsewhere_[WATCHERS];
    const auto on = online();
    broadcast(std::make_shared<const std::string>(
        message("presence", Json{{"lower", on[LOWER]}, {"upper", on[UPPER]}, {"watchers", watchers}})));
}

void Room::hello(const std::shared_ptr<WsSession>& s, const std::string& seat, std::optional<int64_t> v, Json a) {
    run([self = shared_from_this(), s, seat, v, a] {
        std::optional<Side> side;
        // A seat another server gave out a moment ago may not have reached
        // this server's copy of the game yet.
        if (!seat.empty() && !same_secret(seat, self->row_.seat_lower) && !same_secret(seat, self->row_.seat_upper) &&
            self->hub_.storage.shared())
            self->catch_up();
        if (same_secret(seat, self->row_.seat_lower))
            side = LOWER;
        else if (same_secret(seat, self->row_.seat_upper))
            side = UPPER;
        else if (!seat.empty())
            s->send(error_message("not-a-player", a));
        // What the client missed, or the whole game.
        const int64_t now_v = self->ref_.version();
        const bool replay = v && *v <= now_v &&
                            (*v == now_v || (!self->recent_.empty() && self->recent_.front().first <= *v + 1));
        if (replay) {
            for (const auto& [ver, text] : self->recent_)
                if (ver > *v) s->send(text);
        } else {
            s->send(versioned("game", now_v, self->game_json()));
        }
        if (side && self->rematch_seats_) {
            const RematchSeat& r = (*self->rematch_seats_)[*side];
            s->send(message("seat", Json{{"id", r.id}, {"side", side_name(r.side)}, {"seat", r.seat}}));
        }
        self->members_.push_back(Member{s, side});
        if (self->hub_.storage.shared() && self->members_.size() == 1) {
            try {
                self->elsewhere_ = self->hub_.storage.presence_elsewhere(self->id());
            } catch (const StorageError&) {
            }
        }
        self->presence();
    });
}

void Room::leave(const std::shared_ptr<WsSession>& s) {
    run([self = shared_from_this(), s] {
        auto& ms = self->members_;
        auto it = std::find_if(ms.begin(), ms.end(), [&](const Member& m) { return m.session == s; });
        if (it == ms.end()) return;
        const auto side = it->side;
        ms.erase(it);
        if (side && !self->online()[*side]) self->away_since_[*side] = now_ms();
        self->presence();
        // An ended game keeps no memory once its last connection goes.
        if (ms.empty() && self->ref_.ended() && !self->writing_) self->hub_.forget(self->id(), self.get());
    });
}

void Room::request(const std::shared_ptr<WsSession>& s, const ClientMessage& m) {
    run([self = shared_from_this(), s, m] { self->judge(s, m); });
}

void Room::judge(const std::shared_ptr<WsSession>& s, const ClientMessage& m, bool fresh) {
    {
        auto self = shared_from_this();
        auto it = std::find_if(self->members_.begin(), self->members_.end(),
                               [&](const Member& x) { return x.session == s; });
        if (it == self->members_.end() || !it->side) {
            s->send(error_message("not-a-player", m.a));
            return;
        }
        const Side by = *it->side;
        const int64_t now = now_ms();
        const Referee& ref = self->ref_;
        Referee::Outcome out;
        if (m.type == "move")
            out = ref.move(by, m.ply, m.move, now);
        else if (m.type == "resign")
            out = ref.resign(by, now);
        else if (m.type == "abort")
            out = ref.abort(by, now);
        else if (m.type == "takeback")
            out = ref.takeback(by, m.what, now);
        else if (m.type == "rematch")
            out = ref.rematch(by, m.what, now);
        else if (m.type == "claim")
            out = ref.claim(by, self->online()[opposite(by)] ? now : self->away_since_[opposite(by)],
                            now);
        else
            out.refusal = Refusal{"bad-message"};
        if (out.refusal && !fresh && self->hub_.storage.shared()) {
            // The refusal may come from this server's copy of the game
            // lagging behind another server's change (a move at a ply this
            // copy has not reached yet): it is judged again on the game as
            // stored.
            self->catch_up();
            self->judge(s, m, true);
            return;
        }
        auto answer = [s, a = m.a, refusal = out.refusal](bool ok) {
            if (!ok) return;  // not stored: the client sends it again
            if (refusal)
                s->send(error_message(refusal->code, a));
            else
                s->send(message("ack", a));
        };
        if (out.events.empty()) {
            answer(true);
            return;
        }
        if (out.events.size() == 1 && out.events[0].type == "rematch") {
            self->start_rematch(out.events[0], s, m);
            return;
        }
        self->commit(std::move(out.events), {}, answer, [self, s, m] { self->judge(s, m); });
    }
}

void Room::start_rematch(const Event& rematch, const std::shared_ptr<WsSession>& s, const ClientMessage& m) {
    // The same settings with the sides swapped: each player takes the other side.
    Settings next = ref_.settings();
    next.creator = opposite(next.creator);
    next.creator_name = ref_.player_name(ref_.settings().creator);
    const std::string id = hub_.fresh_id();
    const int64_t now = now_ms();
    GameRow row{id, now, dump(settings_json(next)), new_secret(), new_secret(), new_secret(), "", false};
    // This game's lower player plays upper there, and the other way round.
    const auto seats = rematch_seats(id, row);
    Referee game(id, next, now);
    const Side joiner = opposite(next.creator);
    Event joined{"joined", Json{{"side", side_name(joiner)}, {"name", ref_.player_name(opposite(joiner))}}, now};
    game.apply(joined);
    WriteBatch batch;
    batch.new_games.push_back(row);
    batch.events.push_back({id, EventRow{1, joined.type, dump(joined.data), now}});
    if (hub_.storage.shared()) batch.changes.push_back({id, 0, 1, std::nullopt});
    Event e = rematch;
    e.data["id"] = id;
    auto room = std::make_shared<Room>(hub_, std::move(game), row);
    room->recent_.emplace_back(1, std::make_shared<const std::string>(versioned("joined", 1, joined.data)));
    commit({e}, std::move(batch), [self = shared_from_this(), room, seats, s, a = m.a](bool ok) {
        if (!ok) return;
        self->hub_.add(room);
        self->rematch_seats_ = seats;
        for (const Member& m : self->members_)
            if (m.side) {
                const RematchSeat& r = seats[*m.side];
                m.session->send(message("seat", Json{{"id", r.id}, {"side", side_name(r.side)}, {"seat", r.seat}}));
            }
        s->send(message("ack", a));
    }, [self = shared_from_this(), s, m] { self->judge(s, m); });
}

void Room::join(const JoinRequest& r, std::function<void(int, Json)> answer) {
    if (!same_secret(r.invite, row_.invite)) return answer(403, Json{{"error", "wrong-invite"}});
    const Side side = opposite(ref_.settings().creator);
    std::string& seat = side == LOWER ? row_.seat_lower : row_.seat_upper;
    auto granted = [this, side](const std::string& secret) {
        return Json{{"id", id()}, {"side", side_name(side)}, {"seat", secret}};
    };
    if (ref_.joined(side)) {
        // The same join again (its answer was lost): the same seat.
        if (!r.key.empty() && same_secret(r.key, row_.join_key)) return answer(200, granted(seat));
        return answer(409, Json{{"error", "seat-taken"}});
    }
    auto out = ref_.join(side, r.name, now_ms());
    if (out.refusal) return answer(409, Json{{"error", out.refusal->code}});
    const std::string secret = new_secret();
    WriteBatch batch;
    batch.seats.push_back({id(), side == UPPER, secret, r.key});
    commit(std::move(out.events), std::move(batch),
           [this, side, secret, key = r.key, answer, granted](bool ok) {
               if (!ok) return answer(503, Json{{"error", "bad-message"}});
               (side == LOWER ? row_.seat_lower : row_.seat_upper) = secret;
               row_.join_key = key;
               answer(200, granted(secret));
           },
           [this, r, answer] { join(r, answer); });
}

// ---- WebSocket sessions ----------------------------------------------------

net::awaitable<void> WsSession::run(Request req) {
    auto self = shared_from_this();
    ws_.set_option(websocket::stream_base::timeout{HELLO_TIME, SILENCE_TIME, false});
    ws_.read_message_max(FRAME_LIMIT);
    beast::get_lowest_layer(ws_).expires_never();
    auto [ec] = co_await ws_.async_accept(req, use_tuple);
    if (ec) co_return;
    hello_timer_.expires_after(HELLO_TIME);
    hello_timer_.async_wait([self](beast::error_code e) {
        if (!e && !self->hello_) self->enqueue(Item{websocket::close_code::policy_error});
    });
    beast::flat_buffer buffer;
    for (;;) {
        auto [rec, n] = co_await ws_.async_read(buffer, use_tuple);
        if (rec) break;
        const bool text = ws_.got_text();
        std::string frame = beast::buffers_to_string(buffer.data());
        buffer.consume(buffer.size());
        if (closing_) continue;
        if (!text) {
            enqueue(Item{std::make_shared<const std::string>(error_message("bad-message", nullptr))});
            continue;
        }
        on_message(frame);
    }
    done_ = true;
    queue_.clear();
    hello_timer_.cancel();
    room_->leave(self);
}

void WsSession::on_message(const std::string& text) {
    // At most so many messages a second; a client that keeps on is let go.
    const int64_t now = now_ms();
    if (now - window_start_ >= 1000) {
        window_start_ = now;
        window_count_ = 0;
    }
    ++window_count_;
    Json a;
    auto m = parse_client_message(text, a);
    if (window_count_ > MESSAGES_BEFORE_CLOSE) {
        enqueue(Item{websocket::close_code::policy_error});
        return;
    }
    if (window_count_ > MESSAGES_PER_SECOND) {
        enqueue(Item{std::make_shared<const std::string>(error_message("rate-limited", a))});
        return;
    }
    if (!m) {
        enqueue(Item{std::make_shared<const std::string>(error_message("bad-message", a))});
        return;
    }
    if (m->type == "ping") {
        enqueue(Item{std::make_shared<const std::string>(dump(Json{{"t", "pong"}}))});
        return;
    }
    if (m->type == "hello") {
        if (hello_) {
            enqueue(Item{std::make_shared<const std::string>(error_message("bad-message", a))});
            return;
        }
        hello_ = true;
        hello_timer_.cancel();
        room_->hello(shared_from_this(), m->seat, m->v, m->a);
        return;
    }
    if (!hello_) {
        enqueue(Item{std::make_shared<const std::string>(error_message("bad-message", a))});
        return;
    }
    room_->request(shared_from_this(), *m);
}

void WsSession::enqueue(Item item) {
    if (done_ || closing_) return;
    if (queue_.size() >= SEND_QUEUE_LIMIT) {
        // Too slow a reader: nothing more is queued; the socket goes.
        closing_ = true;
        beast::get_lowest_layer(ws_).close();
        return;
    }
    queue_.push_back(std::move(item));
    if (queue_.size() == 1) write_next();
}

void WsSession::write_next() {
    if (queue_.empty() || done_) return;
    Item& item = queue_.front();
    if (auto* code = std::get_if<websocket::close_code>(&item)) {
        closing_ = true;
        ws_.async_close(*code, [self = shared_from_this()](beast::error_code) { self->queue_.clear(); });
        return;
    }
    auto text = std::get<std::shared_ptr<const std::string>>(item);
    ws_.text(true);
    ws_.async_write(net::buffer(*text), [self = shared_from_this(), text](beast::error_code ec, size_t) {
        if (ec) {
            self->queue_.clear();
            self->done_ = true;
            return;
        }
        self->queue_.pop_front();
        self->write_next();
    });
}

// ---- HTTP --------------------------------------------------------------------

Response json_response(const Request& req, http::status status, const Json& body) {
    Response res{status, req.version()};
    res.set(http::field::content_type, "application/json");
    res.set(http::field::cache_control, "no-store");
    res.keep_alive(req.keep_alive());
    res.body() = dump(body);
    res.prepare_payload();
    return res;
}

Response error_response(const Request& req, http::status status, const char* code) {
    return json_response(req, status, Json{{"error", code}});
}

std::string content_type(const std::string& ext) {
    static const std::unordered_map<std::string, std::string> TYPES = {
        {".html", "text/html; charset=utf-8"},  {".htm", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"}, {".mjs", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},    {".json", "application/json"},
        {".wasm", "application/wasm"},          {".png", "image/png"},
        {".jpg", "image/jpeg"},                 {".jpeg", "image/jpeg"},
        {".gif", "image/gif"},                  {".svg", "image/svg+xml"},
        {".ico", "image/x-icon"},               {".webmanifest", "application/manifest+json"},
        {".wav", "audio/wav"},                  {".mp3", "audio/mpeg"},
        {".ogg", "audio/ogg"},                  {".txt", "text/plain; charset=utf-8"},
        {".woff2", "font/woff2"},               {".map", "application/json"},
        {".webp", "image/webp"},
    };
    auto it = TYPES.find(ext);
    return it == TYPES.end() ? "application/octet-stream" : it->second;
}

// The path of a request decoded, or empty when it is not a plain path.
std::optional<std::string> decode_path(std::string_view target) {
    const auto q = target.find_first_of("?#");
    if (q != std::string_view::npos) target = target.substr(0, q);
    std::string out;
    for (size_t i = 0; i < target.size(); ++i) {
        char c = target[i];
        if (c == '%') {
            if (i + 2 >= target.size()) return std::nullopt;
            auto hex = [](char h) -> int {
                if (h >= '0' && h <= '9') return h - '0';
                if (h >= 'a' && h <= 'f') return h - 'a' + 10;
                if (h >= 'A' && h <= 'F') return h - 'A' + 10;
                return -1;
            };
            const int hi = hex(target[i + 1]), lo = hex(target[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            c = static_cast<char>(hi * 16 + lo);
            i += 2;
        }
        if (c == '\0') return std::nullopt;
        out += c;
    }
    if (out.empty() || out[0] != '/') return std::nullopt;
    return out;
}

// Whether the request's Accept-Encoding admits `coding` (a q of zero refuses it).
bool accepts(const Request& req, std::string_view coding) {
    const auto it = req.find(http::field::accept_encoding);
    if (it == req.end()) return false;
    std::string_view list = it->value();
    bool star = false, named = false, named_ok = false;
    while (!list.empty()) {
        const auto comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        const auto semi = item.find(';');
        std::string_view name = item.substr(0, semi), params = semi == std::string_view::npos ? "" : item.substr(semi + 1);
        auto trim = [](std::string_view v) {
            while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
            while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
            return v;
        };
        name = trim(name);
        params = trim(params);
        bool ok = true;
        if (params.size() >= 2 && (params[0] == 'q' || params[0] == 'Q') && params[1] == '=') {
            // q=0, q=0.0, q=0.000 refuse; anything else admits.
            const std::string_view q = trim(params.substr(2));
            ok = q.find_first_not_of("0.") != std::string_view::npos;
        }
        if (beast::iequals(name, coding)) {
            named = true;
            named_ok = ok;
        } else if (name == "*") {
            star = ok;
        }
    }
    return named ? named_ok : star;
}

std::string http_date(time_t t) {
    struct tm tm {};
    gmtime_r(&t, &tm);
    static const char* const DAYS[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const MONTHS[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char out[40];
    std::snprintf(out, sizeof out, "%s, %02d %s %04d %02d:%02d:%02d GMT", DAYS[tm.tm_wday], tm.tm_mday,
                  MONTHS[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return out;
}

// Whether an If-None-Match list names `etag` (weakly compared, as for GET).
bool etag_matches(std::string_view list, const std::string& etag) {
    auto strip = [](std::string_view v) {
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
        if (v.substr(0, 2) == "W/") v.remove_prefix(2);
        return v;
    };
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view item = strip(list.substr(0, comma));
        if (item == "*" || item == strip(etag)) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

// How long a browser may keep a file of the site.  The page's files keep
// their names from build to build, so none may be kept unasked: the page, the
// service worker and the manifest are asked for every time, the scripts and
// the module (which must come from one build together) too but cheaply
// answered by a 304 while unchanged, and the pictures and sounds, which seldom
// change and need no partner, for a day before they are asked again.
const char* cache_lifetime(const std::string& rel) {
    const std::string ext = std::filesystem::path(rel).extension().string();
    static const char* const STILL[] = {".png", ".webp", ".jpg", ".jpeg", ".gif", ".svg",
                                        ".ico", ".wav", ".mp3", ".ogg", ".woff2"};
    for (const char* e : STILL)
        if (ext == e) return "public, max-age=86400";
    return "no-cache";
}

Response static_file(const Hub& hub, const Request& req) {
    const auto path = decode_path(req.target());
    if (!path || hub.options.site.empty()) return error_response(req, http::status::not_found, "no-game");
    // No part may climb out of the site's folder, nor be hidden.
    std::string rel = *path == "/" ? "/index.html" : *path;
    if (rel.back() == '/') rel += "index.html";
    for (const auto& part : std::filesystem::path(rel.substr(1)))
        if (part == ".." || part == "." || part.string().empty() || part.string()[0] == '.')
            return error_response(req, http::status::not_found, "no-game");
    const std::filesystem::path file = std::filesystem::path(hub.options.site) / rel.substr(1);
    struct stat plain {};
    if (::stat(file.c_str(), &plain) != 0 || !S_ISREG(plain.st_mode))
        return error_response(req, http::status::not_found, "no-game");
    // A compressed form made beside the file by the build is sent instead
    // when the browser takes it; one older than the file is stale and unused.
    std::string served = file.string(), coding;
    struct stat st = plain;
    for (const char* c : {"br", "gzip"}) {
        const std::string candidate = file.string() + (c[0] == 'b' ? ".br" : ".gz");
        struct stat cs {};
        if (accepts(req, c) && ::stat(candidate.c_str(), &cs) == 0 && S_ISREG(cs.st_mode) &&
            cs.st_mtime >= plain.st_mtime) {
            served = candidate;
            coding = c;
            st = cs;
            break;
        }
    }
    char tag[96];
    std::snprintf(tag, sizeof tag, "\"%llx-%llx-%llx%s%s\"", static_cast<unsigned long long>(plain.st_size),
                  static_cast<unsigned long long>(plain.st_mtime), static_cast<unsigned long long>(st.st_size),
                  coding.empty() ? "" : "-", coding.c_str());
    const std::string etag = tag, modified = http_date(plain.st_mtime);
    auto headers = [&](Response& res) {
        res.set(http::field::content_type, content_type(file.extension().string()));
        res.set("X-Content-Type-Options", "nosniff");
        res.set(http::field::cache_control, cache_lifetime(rel));
        res.set(http::field::etag, etag);
        res.set(http::field::last_modified, modified);
        res.set(http::field::vary, "Accept-Encoding");
        if (!coding.empty()) res.set(http::field::content_encoding, coding);
        res.keep_alive(req.keep_alive());
    };
    const auto inm = req.find(http::field::if_none_match);
    const auto ims = req.find(http::field::if_modified_since);
    if (inm != req.end() ? etag_matches(inm->value(), etag) : ims != req.end() && ims->value() == modified) {
        Response res{http::status::not_modified, req.version()};
        headers(res);
        return res;
    }
    std::string bytes;
    std::error_code ec;
    if (!rindou::read_whole_file(served, bytes, ec, 256u * 1024u * 1024u))
        return error_response(req, http::status::not_found, "no-game");
    Response res{http::status::ok, req.version()};
    headers(res);
    if (req.method() == http::verb::head) {
        res.content_length(bytes.size());
    } else {
        res.body() = std::move(bytes);
        res.prepare_payload();
    }
    return res;
}

// Runs `op` on the game's strand and resumes the coroutine with what it
// answers.
template <class T>
net::awaitable<T> on_room(std::shared_ptr<Room> room, std::function<void(std::function<void(T)>)> op) {
    auto initiation = [room, op](auto handler) {
        using Handler = decltype(handler);
        auto h = std::make_shared<Handler>(std::move(handler));
        room->run([op, h] {
            op([h](T value) {
                auto ex = net::get_associated_executor(*h);
                net::post(ex, [h, value = std::move(value)]() mutable { std::move (*h)(std::move(value)); });
            });
        });
    };
    T result = co_await net::async_initiate<decltype(net::use_awaitable), void(T)>(initiation, net::use_awaitable);
    co_return result;
}

// Waits until a batch is stored.
net::awaitable<bool> stored(Storage& storage, WriteBatch batch) {
    auto initiation = [&storage, &batch](auto handler) {
        using Handler = decltype(handler);
        auto h = std::make_shared<Handler>(std::move(handler));
        storage.submit(std::move(batch), [h](Stored got) {
            const bool ok = got == Stored::ok;
            auto ex = net::get_associated_executor(*h);
            net::post(ex, [h, ok]() mutable { std::move(*h)(ok); });
        });
    };
    const bool ok = co_await net::async_initiate<decltype(net::use_awaitable), void(bool)>(initiation, net::use_awaitable);
    co_return ok;
}

using Answer = std::pair<int, Json>;

net::awaitable<Response> create_game(Hub& hub, const Request& req) {
    const auto r = parse_create(req.body());
    if (!r) co_return error_response(req, http::status::bad_request, "bad-message");
    Settings settings = r->settings;
    settings.creator = r->side ? *r->side : (random_bytes(1)[0] & 1 ? UPPER : LOWER);
    const std::string id = hub.fresh_id();
    const int64_t now = now_ms();
    GameRow row{id, now, dump(settings_json(settings)), new_secret(), "", "", "", false};
    (settings.creator == LOWER ? row.seat_lower : row.seat_upper) = new_secret();
    WriteBatch batch;
    batch.new_games.push_back(row);
    if (!co_await stored(hub.storage, std::move(batch)))
        co_return error_response(req, http::status::service_unavailable, "bad-message");
    hub.add(std::make_shared<Room>(hub, Referee(id, settings, now), row));
    co_return json_response(req, http::status::created,
                            Json{{"id", id},
                                 {"side", side_name(settings.creator)},
                                 {"seat", settings.creator == LOWER ? row.seat_lower : row.seat_upper},
                                 {"invite", row.invite}});
}

net::awaitable<Response> handle_api(Hub& hub, const Request& req, const std::string& path) {
    // /api/server, /api/games, /api/games/ID, /api/games/ID/join, /api/games/ID/record
    // A page asks /api/server at start to learn that it may offer online play.
    if (path == "/api/server" && (req.method() == http::verb::get || req.method() == http::verb::head))
        co_return json_response(req, http::status::ok, Json{{"server", "rindou-server"}});
    if (path == "/api/games") {
        if (req.method() != http::verb::post) co_return error_response(req, http::status::method_not_allowed, "bad-message");
        co_return co_await create_game(hub, req);
    }
    if (path.rfind("/api/games/", 0) != 0) co_return error_response(req, http::status::not_found, "no-game");
    std::string rest = path.substr(11);
    std::string action;
    if (const auto slash = rest.find('/'); slash != std::string::npos) {
        action = rest.substr(slash + 1);
        rest = rest.substr(0, slash);
    }
    if (action != "" && action != "join" && action != "record")
        co_return error_response(req, http::status::not_found, "no-game");
    const bool post = action == "join";
    if (post ? req.method() != http::verb::post : (req.method() != http::verb::get && req.method() != http::verb::head))
        co_return error_response(req, http::status::method_not_allowed, "bad-message");
    std::optional<JoinRequest> join;
    if (post) {
        join = parse_join(req.body());
        if (!join) co_return error_response(req, http::status::bad_request, "bad-message");
    }
    auto room = hub.find(rest);
    if (!room) co_return error_response(req, http::status::not_found, "no-game");
    // The operations are named before they are awaited: gcc 12 destroys a
    // temporary of a co_await expression twice.
    if (action.empty()) {
        std::function<void(std::function<void(Json)>)> op = [room](std::function<void(Json)> done) {
            done(room->game_json());
        };
        const Json game = co_await on_room<Json>(room, op);
        co_return json_response(req, http::status::ok, game);
    }
    if (action == "record") {
        std::function<void(std::function<void(Answer)>)> op = [room](std::function<void(Answer)> done) {
            if (room->referee().settings().handicap != 0) return done({409, Json{{"error", "handicap-game"}}});
            done({200, Json(room->referee().record_file())});
        };
        const Answer a = co_await on_room<Answer>(room, op);
        if (a.first != 200) co_return json_response(req, static_cast<http::status>(a.first), a.second);
        Response res{http::status::ok, req.version()};
        res.set(http::field::content_type, "application/octet-stream");
        res.set(http::field::content_disposition,
                "attachment; filename=\"" + rest + ".kifu\"; filename*=UTF-8''" + rest +
                    ".%E6%A3%8B%E8%AD%9C");
        res.set(http::field::cache_control, "no-store");
        res.keep_alive(req.keep_alive());
        // The record's bytes (code page 932) came in a JSON string value,
        // which holds any bytes as long as it is not written out as JSON.
        res.body() = a.second.get<std::string>();
        res.prepare_payload();
        co_return res;
    }
    std::function<void(std::function<void(Answer)>)> op = [room, join = *join](std::function<void(Answer)> done) {
        room->join(join, [done](int status, Json body) { done({status, std::move(body)}); });
    };
    const Answer a = co_await on_room<Answer>(room, op);
    co_return json_response(req, static_cast<http::status>(a.first), a.second);
}

std::string origin_of(const std::string& url) {
    std::string o = url;
    while (!o.empty() && o.back() == '/') o.pop_back();
    std::transform(o.begin(), o.end(), o.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return o;
}

bool origin_allowed(const Hub& hub, const Request& req) {
    const auto it = req.find(http::field::origin);
    if (it == req.end()) return true;  // not a browser page
    const std::string origin = origin_of(std::string(it->value()));
    if (!hub.options.origins.empty()) {
        for (const auto& o : hub.options.origins)
            if (origin_of(o) == origin) return true;
        return false;
    }
    // By default only pages the server itself serves: the origin names the
    // host the browser asked for, or the address the server listens on.
    const std::string host = origin_of(std::string(req[http::field::host]));
    for (const std::string& authority : {host, origin_of(hub.own_address)})
        if (!authority.empty() && (origin == "http://" + authority || origin == "https://" + authority)) return true;
    return false;
}

// The client's address: the peer's, or the one a trusted proxy names.
std::string client_address(const Hub& hub, const std::string& peer, const Request& req) {
    if (hub.options.trusted_proxy.empty() || peer != hub.options.trusted_proxy) return peer;
    const auto it = req.find("X-Forwarded-For");
    if (it == req.end()) return peer;
    std::string list(it->value());
    // The last entry is the one the proxy itself added.
    const auto comma = list.rfind(',');
    std::string last = comma == std::string::npos ? list : list.substr(comma + 1);
    last.erase(0, last.find_first_not_of(" \t"));
    last.erase(last.find_last_not_of(" \t") + 1);
    beast::error_code ec;
    const auto addr = net::ip::make_address(last, ec);
    return ec ? peer : addr.to_string();
}

net::awaitable<void> http_session(Hub& hub, beast::tcp_stream stream) {
    beast::flat_buffer buffer;
    std::string peer;
    {
        beast::error_code ec;
        const auto ep = stream.socket().remote_endpoint(ec);
        if (ec) co_return;
        peer = ep.address().to_string();
    }
    std::shared_ptr<void> slot;
    for (;;) {
        stream.expires_after(std::chrono::seconds(30));
        http::request_parser<http::string_body> parser;
        parser.header_limit(8192);
        parser.body_limit(BODY_LIMIT);
        auto [ec, n] = co_await http::async_read(stream, buffer, parser, use_tuple);
        if (ec) break;
        Request req = parser.release();
        if (!slot) {
            slot = hub.slots.take(client_address(hub, peer, req));
            if (!slot) {
                Response res = error_response(req, http::status::too_many_requests, "rate-limited");
                res.keep_alive(false);
                co_await http::async_write(stream, res, use_tuple);
                break;
            }
        }
        const auto path = decode_path(req.target());
        if (websocket::is_upgrade(req)) {
            std::shared_ptr<Room> room;
            if (path && path->rfind("/ws/", 0) == 0) room = hub.find(path->substr(4));
            std::optional<Response> refusal;
            if (!room)
                refusal = error_response(req, http::status::not_found, "no-game");
            else if (!origin_allowed(hub, req))
                refusal = error_response(req, http::status::forbidden, "bad-message");
            if (refusal) {
                refusal->keep_alive(false);
                co_await http::async_write(stream, *refusal, use_tuple);
                break;
            }
            stream.expires_never();
            auto session = std::make_shared<WsSession>(std::move(stream), room, slot);
            co_await session->run(std::move(req));
            co_return;
        }
        Response res;
        if (path && path->rfind("/api/", 0) == 0)
            res = co_await handle_api(hub, req, *path);
        else if (req.method() == http::verb::get || req.method() == http::verb::head)
            res = static_file(hub, req);
        else
            res = error_response(req, http::status::method_not_allowed, "bad-message");
        auto [wec, wn] = co_await http::async_write(stream, res, use_tuple);
        if (wec || !res.keep_alive()) break;
    }
    beast::error_code ignored;
    stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
}

}  // namespace

// ---- The server -------------------------------------------------------------

struct Server::Impl : std::enable_shared_from_this<Server::Impl> {
    Hub hub;
    tcp::acceptor acceptor;
    net::steady_timer heartbeat;
    net::steady_timer sweep;
    std::vector<std::string> live;  // the servers whose lease was fresh at the last look

    Impl(net::io_context& io, Options options, Storage& storage)
        : hub(io, std::move(options), storage), acceptor(io), heartbeat(io), sweep(io) {}

    net::awaitable<void> accept_loop() {
        for (;;) {
            auto [ec, socket] = co_await acceptor.async_accept(net::make_strand(hub.io), use_tuple);
            if (ec) {
                if (ec == net::error::operation_aborted || !acceptor.is_open()) co_return;
                continue;
            }
            beast::tcp_stream stream(std::move(socket));
            auto ex = stream.get_executor();
            net::co_spawn(ex, http_session(hub, std::move(stream)), net::detached);
        }
    }

    void beat() {
        WriteBatch b;
        b.heartbeat_ms = now_ms();
        hub.storage.submit(std::move(b), nullptr);
        if (hub.storage.shared()) look_at_leases();
        heartbeat.expires_after(hub.storage.shared() ? LEASE_EVERY : HEARTBEAT_EVERY);
        heartbeat.async_wait([self = shared_from_this()](beast::error_code ec) {
            if (!ec) self->beat();
        });
    }

    // A server whose lease went stale is dead: its connections no longer
    // count in the games this server shows.
    void look_at_leases() {
        std::vector<std::string> now;
        try {
            now = hub.storage.live_servers();
        } catch (const StorageError&) {
            return;
        }
        const bool lost = std::any_of(live.begin(), live.end(), [&](const std::string& id) {
            return !std::binary_search(now.begin(), now.end(), id);
        });
        live = std::move(now);
        if (!lost) return;
        for (auto& room : hub.all()) room->run([room] { room->presence_elsewhere(); });
    }

    // Clocks that ran out in games of the shared store, whichever server
    // holds them: each is judged on the game as stored, and the store's
    // compare-and-set lets one server alone end it.
    void sweep_flags() {
        std::vector<std::string> ids;
        try {
            ids = hub.storage.flagged(now_ms());
        } catch (const StorageError&) {
        }
        for (const auto& id : ids)
            if (auto room = hub.find(id)) room->on_flag();
        sweep.expires_after(SWEEP_EVERY);
        sweep.async_wait([self = shared_from_this()](beast::error_code ec) {
            if (!ec) self->sweep_flags();
        });
    }
};

Server::Server(net::io_context& io, Options options, Storage& storage)
    : impl_(std::make_shared<Impl>(io, std::move(options), storage)) {}

Server::~Server() = default;

std::string Server::start() {
    Hub& hub = impl_->hub;
    beast::error_code ec;
    const auto address = net::ip::make_address(hub.options.host, ec);
    if (ec) throw std::runtime_error("bad address " + hub.options.host);
    tcp::endpoint endpoint{address, hub.options.port};
    auto& acc = impl_->acceptor;
    acc.open(endpoint.protocol(), ec);
    if (!ec) acc.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec) acc.bind(endpoint, ec);
    if (!ec) acc.listen(net::socket_base::max_listen_connections, ec);
    if (ec) throw std::runtime_error("cannot listen on " + hub.options.host + ":" + std::to_string(hub.options.port) +
                                     ": " + ec.message());
    const auto local = acc.local_endpoint();
    const std::string host = local.address().is_v6() ? "[" + local.address().to_string() + "]" : local.address().to_string();
    hub.own_address = host + ":" + std::to_string(local.port());
    // Every unfinished game is read now, so that its clock runs and its flag
    // can fall with nobody connected.
    int64_t last_alive = hub.storage.last_heartbeat();
    if (hub.storage.shared()) {
        // News of changes from now on; then the games as they stand.
        std::weak_ptr<Impl> weak = impl_;
        hub.storage.listen([weak](const std::string& id, int64_t v) {
            if (auto impl = weak.lock()) impl->hub.changed(id, v);
        });
        // While another server runs, it has charged the clocks all along.
        impl_->live = hub.storage.live_servers();
        if (!impl_->live.empty()) last_alive = now_ms();
    }
    for (const auto& id : hub.storage.unfinished()) {
        auto g = hub.storage.load(id);
        if (!g) continue;
        if (auto room = Room::from_stored(hub, *g, last_alive)) {
            hub.add(room);
            room->arm_flag();
        }
    }
    impl_->beat();
    if (hub.storage.shared()) impl_->sweep_flags();
    net::co_spawn(acc.get_executor(), impl_->accept_loop(), net::detached);
    return hub.own_address;
}

void Server::stop() {
    net::post(impl_->acceptor.get_executor(), [impl = impl_] {
        beast::error_code ec;
        impl->acceptor.close(ec);
        impl->heartbeat.cancel();
        impl->sweep.cancel();
    });
}

}  // namespace rindou::server
