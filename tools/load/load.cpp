// rindou-load: many online games at once against a running rindou-server,
// to measure it.  Each game has two players and a watcher on WebSockets;
// each player answers the other's move after a think time drawn evenly
// between half a second and 2 s, choosing a random legal move with the game's own rules on the
// position it follows from the server's messages.  Connections come from
// several loopback addresses (127.0.0.2, 127.0.0.3, ...) so that the
// server's limits per client address hold.  A game that ends is replaced by
// a new one.
//
// It prints the moves stored per second, the time from a player's send to
// its ack and to the opponent's receipt of the move (p50, p99), and, given
// the server's process id, its memory per connection and its CPU.  With
// --verify, the players reconnect and resend across a server that is killed
// and restarted during the run, and at the end every game is fetched and
// every acknowledged move must be stored.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <boost/asio.hpp>
#include <boost/beast.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/record_store.h"
#include "deep/position.h"

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using json = nlohmann::json;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using rindou::deep::Position;

namespace {

constexpr auto token = asio::as_tuple(asio::use_awaitable);

struct Options {
    std::string host = "127.0.0.1";
    unsigned short port = 8080;
    int games = 100;
    double seconds = 60;
    int pid = 0;
    int sources = 0;  // 0: one address per 40 connections
    double think_min = 0.5, think_max = 2.0;
    bool verify = false;
    bool series = false;
    double warmup = 5;
};

struct Stats {
    bool measuring = false;
    long stored = 0;
    std::vector<double> ack_ms, receipt_ms;
    std::map<std::string, long> errors;
    Clock::time_point window;
    std::vector<double> worst;  // the slowest receipt of each second of the window
    long reconnects = 0, games_started = 0, games_ended = 0, resyncs = 0, resends = 0;
};

Options opt;
Stats stats;
bool running = true;
tcp::endpoint server_endpoint;
std::mt19937_64 rng{20261209};
Position start_position;

double ms_since(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

asio::ip::address source(int n) {
    return asio::ip::make_address_v4("127.0.0." + std::to_string(2 + n % opt.sources));
}

asio::awaitable<void> sleep_for(Clock::duration d) {
    asio::steady_timer t(co_await asio::this_coro::executor, d);
    co_await t.async_wait(token);
}

// One HTTP request on a connection of its own; status 0 when it failed.
asio::awaitable<std::pair<int, std::string>> http_call(asio::ip::address from, http::verb verb,
                                                        std::string target, std::string body) {
    beast::tcp_stream stream(co_await asio::this_coro::executor);
    beast::error_code ec;
    stream.socket().open(tcp::v4(), ec);
    if (!ec) stream.socket().bind(tcp::endpoint(from, 0), ec);
    if (ec) co_return std::pair<int, std::string>{0, ec.message()};
    stream.expires_after(20s);
    auto [cec] = co_await stream.async_connect(server_endpoint, token);
    if (cec) co_return std::pair<int, std::string>{0, cec.message()};
    http::request<http::string_body> req{verb, target, 11};
    req.set(http::field::host, opt.host + ":" + std::to_string(opt.port));
    if (!body.empty()) {
        req.set(http::field::content_type, "application/json");
        req.body() = body;
    }
    req.prepare_payload();
    auto [wec, wn] = co_await http::async_write(stream, req, token);
    if (wec) co_return std::pair<int, std::string>{0, wec.message()};
    beast::flat_buffer buffer;
    http::response<http::string_body> res;
    auto [rec, rn] = co_await http::async_read(stream, buffer, res, token);
    if (rec) co_return std::pair<int, std::string>{0, rec.message()};
    stream.socket().shutdown(tcp::socket::shutdown_both, ec);
    co_return std::pair<int, std::string>{static_cast<int>(res.result_int()), res.body()};
}

// The wire form of a move and back.
json wire(const rindou::deep::Move& m) {
    using namespace rindou::deep;
    static const int codes[8] = {0, 10, 20, 30, 100, 110, 800, 900};
    if (m.pass()) return {{"pass", true}};
    if (m.is_drop())
        return {{"drop", codes[m.drop_kind()]}, {"to", {col_of(m.to()), row_of(m.to())}}};
    return {{"from", {col_of(m.origin()), row_of(m.origin())}},
            {"to", {col_of(m.to()), row_of(m.to())}},
            {"promote", m.promote()}};
}

// Whether two moves on the wire are the same move (fields the protocol may
// add later aside).
bool same_move(const json& a, const json& b) {
    if (!a.is_object() || !b.is_object()) return false;
    for (const char* key : {"pass", "drop", "from", "to"})
        if (a.contains(key) != b.contains(key) || (a.contains(key) && a.at(key) != b.at(key))) return false;
    return a.value("promote", false) == b.value("promote", false);
}

// Plays a move given on the wire if the rules allow it here.
bool play_wire(Position& p, const json& w) {
    rindou::deep::MoveList list;
    p.generate(list);
    for (const auto& m : list) {
        if (!same_move(wire(m), w)) continue;
        rindou::deep::Undo u;
        p.make(m, u);
        return true;
    }
    return false;
}

struct Game;

// One WebSocket connection of a game: a player (side 0 upper, 1 lower) or
// the watcher (2).  It follows the game from the server's messages and, for
// a player, moves when its turn comes.
struct Conn : std::enable_shared_from_this<Conn> {
    std::shared_ptr<Game> game;
    int role;
    asio::ip::address from;
    std::unique_ptr<websocket::stream<beast::tcp_stream>> ws;
    bool open = false, stopped = false;
    std::deque<std::string> out;
    bool writing = false;
    long v = -1;
    int ply = 0;
    Position pos = start_position;
    bool over = false;
    bool thinking = false;
    // The move sent and not yet acknowledged.
    bool pending = false;
    int pending_ply = 0;
    json pending_move;
    std::vector<long> pending_as;
    Clock::time_point pending_since;
    long next_a = 1;

    Conn(std::shared_ptr<Game> g, int r, asio::ip::address a) : game(std::move(g)), role(r), from(a) {}

    void send(std::string text) {
        if (!open) return;
        out.push_back(std::move(text));
        if (!writing) {
            writing = true;
            asio::co_spawn(ws->get_executor(), write_all(shared_from_this()), asio::detached);
        }
    }
    static asio::awaitable<void> write_all(std::shared_ptr<Conn> self) {
        while (!self->out.empty() && self->open) {
            auto* stream = self->ws.get();
            auto [ec, n] = co_await stream->async_write(asio::buffer(self->out.front()), token);
            if (ec) break;
            self->out.pop_front();
        }
        self->out.clear();
        self->writing = false;
    }
    void drop_connection() {
        if (!ws) return;
        beast::error_code ec;
        beast::get_lowest_layer(*ws).socket().close(ec);
    }
    void stop() {
        stopped = true;
        drop_connection();
    }

    bool my_turn() const;
    void maybe_think();
    void send_move_request();
    void handle(const json& m);
    void rebuild(const json& d);
    void on_move(const json& d);
    static asio::awaitable<void> run(std::shared_ptr<Conn> self);
    static asio::awaitable<void> think(std::shared_ptr<Conn> self, int at_ply);
    static asio::awaitable<void> resend(std::shared_ptr<Conn> self, int at_ply);
    static asio::awaitable<void> pinger(std::shared_ptr<Conn> self, long epoch);
    long epoch = 0;
};

struct Game {
    int slot = 0;
    std::string id;
    std::string seat[2];
    std::map<int, Clock::time_point> sent_at;  // by ply: the first send of that move
    std::map<int, json> acked;                 // by ply: every acknowledged move
    std::shared_ptr<Conn> conns[3];
    bool ended = false;
    std::unique_ptr<asio::steady_timer> done;
    void end() {
        if (ended) return;
        ended = true;
        if (stats.measuring) ++stats.games_ended;
        if (done) done->cancel();
    }
};

std::vector<std::shared_ptr<Game>> all_games;
long connections_open = 0;

bool Conn::my_turn() const {
    return role < 2 && !over && !game->ended && pos.side == role && pos.winner == rindou::NO_SIDE;
}

void Conn::maybe_think() {
    if (!my_turn() || pending || thinking || !open) return;
    thinking = true;
    asio::co_spawn(ws->get_executor(), think(shared_from_this(), ply), asio::detached);
}

asio::awaitable<void> Conn::think(std::shared_ptr<Conn> self, int at_ply) {
    std::uniform_real_distribution<double> d(opt.think_min, opt.think_max);
    co_await sleep_for(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(d(rng))));
    self->thinking = false;
    if (!running || self->stopped || self->ply != at_ply || !self->my_turn() || self->pending) co_return;
    rindou::deep::MoveList list;
    self->pos.generate(list);
    if (list.empty() || list[0].pass()) co_return;  // the server passes for us
    const auto& m = list[std::uniform_int_distribution<size_t>(0, list.size() - 1)(rng)];
    self->pending = true;
    self->pending_ply = at_ply;
    self->pending_move = wire(m);
    self->pending_as.clear();
    self->pending_since = Clock::now();
    self->game->sent_at.emplace(at_ply, self->pending_since);
    self->send_move_request();
    asio::co_spawn(self->ws->get_executor(), resend(self, at_ply), asio::detached);
}

void Conn::send_move_request() {
    const long a = next_a++;
    pending_as.push_back(a);
    json m = {{"t", "move"}, {"a", a}, {"d", {{"ply", pending_ply}, {"move", pending_move}}}};
    send(m.dump());
}

// A request without an answer is sent again, as the protocol asks of every
// client; on a new connection the hello's replay comes first.
asio::awaitable<void> Conn::resend(std::shared_ptr<Conn> self, int at_ply) {
    for (;;) {
        co_await sleep_for(5s);
        if (!running || self->stopped || !self->pending || self->pending_ply != at_ply) co_return;
        if (self->open) {
            ++stats.resends;
            self->send_move_request();
        }
    }
}

void Conn::rebuild(const json& d) {
    pos = start_position;
    ply = 0;
    for (const auto& w : d.at("moves")) {
        if (!play_wire(pos, w)) {
            std::fprintf(stderr, "game %s: the server's move %d is no legal move here\n",
                         game->id.c_str(), ply);
            stop();
            return;
        }
        ++ply;
    }
    over = d.at("status") == "ended";
    if (over) game->end();
    if (pending && pending_ply < ply) pending = false;  // it was stored before we heard
}

void Conn::on_move(const json& d) {
    const int at = d.at("ply");
    if (at < ply) return;
    if (at > ply) {  // missed something: the replay after reconnecting fills it in
        ++stats.resyncs;
        drop_connection();
        return;
    }
    const bool theirs = role < 2 && pos.side != role;
    if (!play_wire(pos, d.at("move"))) {
        std::fprintf(stderr, "game %s: move %d is no legal move here\n", game->id.c_str(), at);
        ++stats.resyncs;
        v = -1;
        drop_connection();
        return;
    }
    ++ply;
    if (theirs && stats.measuring && !d.at("move").contains("pass")) {
        auto sent = game->sent_at.find(at);
        if (sent != game->sent_at.end()) {
            const double ms = ms_since(sent->second);
            stats.receipt_ms.push_back(ms);
            if (opt.series) {
                const auto second = static_cast<size_t>(
                    std::chrono::duration<double>(Clock::now() - stats.window).count());
                if (stats.worst.size() <= second) stats.worst.resize(second + 1, 0);
                stats.worst[second] = std::max(stats.worst[second], ms);
            }
        }
    }
}

void Conn::handle(const json& m) {
    const std::string t = m.at("t");
    if (m.contains("v")) {
        const long mv = m.at("v");
        if (t != "game") {
            if (v >= 0 && mv <= v) return;  // already seen
            if (v >= 0 && mv != v + 1) {    // a gap: reconnect with what we have
                ++stats.resyncs;
                drop_connection();
                return;
            }
        }
        v = mv;
    }
    if (t == "game") {
        rebuild(m.at("d"));
    } else if (t == "move") {
        on_move(m.at("d"));
    } else if (t == "end") {
        over = true;
        game->end();
    } else if (t == "ack") {
        const long a = m.at("d");
        if (pending && std::find(pending_as.begin(), pending_as.end(), a) != pending_as.end()) {
            pending = false;
            game->acked[pending_ply] = pending_move;
            if (stats.measuring) {
                ++stats.stored;
                stats.ack_ms.push_back(ms_since(pending_since));
            }
        }
    } else if (t == "error") {
        const json& d = m.at("d");
        ++stats.errors[d.value("code", std::string("?"))];
        if (pending && d.contains("a") &&
            std::find(pending_as.begin(), pending_as.end(), d.at("a").get<long>()) != pending_as.end()) {
            pending = false;
            v = -1;  // out of step: start again from the whole game
            drop_connection();
        }
    }
    maybe_think();
}

asio::awaitable<void> Conn::pinger(std::shared_ptr<Conn> self, long epoch) {
    for (;;) {
        co_await sleep_for(20s);
        if (!running || self->stopped || self->epoch != epoch || !self->open) co_return;
        self->send(R"({"t":"ping"})");
    }
}

asio::awaitable<void> Conn::run(std::shared_ptr<Conn> self) {
    auto ex = co_await asio::this_coro::executor;
    bool first = true;
    while (running && !self->stopped && !self->game->ended) {
        if (!first) {
            ++stats.reconnects;
            co_await sleep_for(300ms);
            if (!running || self->stopped) break;
        }
        first = false;
        self->ws = std::make_unique<websocket::stream<beast::tcp_stream>>(ex);
        auto& stream = beast::get_lowest_layer(*self->ws);
        beast::error_code ec;
        stream.socket().open(tcp::v4(), ec);
        if (!ec) stream.socket().bind(tcp::endpoint(self->from, 0), ec);
        if (ec) {
            std::fprintf(stderr, "bind %s: %s\n", self->from.to_string().c_str(), ec.message().c_str());
            continue;
        }
        stream.expires_after(20s);
        auto [cec] = co_await stream.async_connect(server_endpoint, token);
        if (cec) continue;
        stream.expires_never();
        self->ws->set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
        self->ws->text(true);
        auto [hec] = co_await self->ws->async_handshake(
            opt.host + ":" + std::to_string(opt.port), "/ws/" + self->game->id, token);
        if (hec) continue;
        self->open = true;
        ++connections_open;
        ++self->epoch;
        json hello = {{"t", "hello"}, {"d", json::object()}};
        if (self->role < 2) hello["d"]["seat"] = self->game->seat[self->role];
        if (self->v >= 0) hello["d"]["v"] = self->v;
        self->send(hello.dump());
        if (self->pending) {
            ++stats.resends;
            self->send_move_request();
        }
        asio::co_spawn(ex, pinger(self, self->epoch), asio::detached);
        beast::flat_buffer buffer;
        for (;;) {
            auto [rec, n] = co_await self->ws->async_read(buffer, token);
            if (rec) break;
            json m = json::parse(beast::buffers_to_string(buffer.data()), nullptr, false);
            buffer.consume(buffer.size());
            if (m.is_discarded() || !m.is_object() || !m.contains("t")) continue;
            try {
                self->handle(m);
            } catch (const json::exception& e) {
                std::fprintf(stderr, "game %s: unreadable message %s\n", self->game->id.c_str(), e.what());
            }
        }
        self->open = false;
        --connections_open;
    }
}

// One slot of the load: a game made, joined and played to its end, then
// the next, until the run ends.
int setting_up = 0;
long games_ready = 0;

asio::awaitable<void> run_slot(int slot) {
    auto ex = co_await asio::this_coro::executor;
    bool counted = false;
    while (running) {
        while (setting_up >= 32 && running) co_await sleep_for(5ms);
        ++setting_up;
        auto g = std::make_shared<Game>();
        g->slot = slot;
        const auto a = source(slot * 3);
        auto made = co_await http_call(a, http::verb::post, "/api/games", R"({"side":"lower"})");
        json mj = json::parse(made.second, nullptr, false);
        if (made.first != 201 || mj.is_discarded()) {
            --setting_up;
            ++stats.errors["create " + std::to_string(made.first)];
            co_await sleep_for(500ms);
            continue;
        }
        g->id = mj.at("id");
        g->seat[rindou::LOWER] = mj.at("seat");
        json join = {{"invite", mj.at("invite")}, {"key", "load-" + g->id}};
        std::pair<int, std::string> joined;
        for (int tries = 0; tries < 20 && running; ++tries) {
            joined = co_await http_call(source(slot * 3 + 1), http::verb::post,
                                        "/api/games/" + g->id + "/join", join.dump());
            if (joined.first == 200) break;
            co_await sleep_for(500ms);
        }
        --setting_up;
        if (joined.first != 200) {
            ++stats.errors["join " + std::to_string(joined.first)];
            continue;
        }
        g->seat[rindou::UPPER] = json::parse(joined.second).at("seat");
        g->done = std::make_unique<asio::steady_timer>(ex, Clock::time_point::max());
        all_games.push_back(g);
        if (stats.measuring) ++stats.games_started;
        for (int r = 0; r < 3; ++r) {
            g->conns[r] = std::make_shared<Conn>(g, r, source(slot * 3 + r));
            asio::co_spawn(ex, Conn::run(g->conns[r]), asio::detached);
        }
        if (!counted) {
            counted = true;
            ++games_ready;
        }
        co_await g->done->async_wait(token);
        for (auto& c : g->conns) c->stop();
    }
}

// Figures of the server's process from /proc.
long rss_kib(int pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}
double cpu_seconds(int pid, int tid = 0) {
    std::ifstream f("/proc/" + std::to_string(pid) + (tid ? "/task/" + std::to_string(tid) : "") + "/stat");
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const auto close = all.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(all.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    // Fields after the name: state is the third of the line, utime the 14th.
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}
// Seconds a thread has waited, runnable, for a processor (schedstat's
// second field): on a shared machine, time the server lost to others.
double run_delay_seconds(int pid, int tid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/schedstat");
    unsigned long long on_cpu = 0, waiting = 0;
    f >> on_cpu >> waiting;
    return static_cast<double>(waiting) / 1e9;
}

// The CPU seconds of each thread of a process, by thread id, with its name,
// and the seconds it waited for a processor.
struct ThreadTimes {
    std::string name;
    double cpu = 0, waited = 0;
};
std::map<int, ThreadTimes> thread_cpu(int pid) {
    std::map<int, ThreadTimes> out;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& entry : std::filesystem::directory_iterator(tasks, std::filesystem::directory_options::skip_permission_denied)) {
        const int tid = std::atoi(entry.path().filename().c_str());
        std::ifstream f(entry.path() / "comm");
        std::string name;
        std::getline(f, name);
        out[tid] = {name + (tid == pid ? "(main)" : "/" + std::to_string(tid - pid)), cpu_seconds(pid, tid),
                    run_delay_seconds(pid, tid)};
    }
    return out;
}

double own_cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Every acknowledged move of every game must be in the stored game.
asio::awaitable<void> verify(long& checked, long& lost, long& unreadable) {
    for (size_t i = 0; i < all_games.size(); ++i) {
        const auto& g = all_games[i];
        if (g->acked.empty()) continue;
        std::pair<int, std::string> got;
        for (int tries = 0; tries < 20; ++tries) {
            got = co_await http_call(source(static_cast<int>(i)), http::verb::get, "/api/games/" + g->id, "");
            if (got.first == 200) break;
            co_await sleep_for(500ms);
        }
        json game = json::parse(got.second, nullptr, false);
        if (got.first != 200 || game.is_discarded() || !game.contains("moves")) {
            ++unreadable;
            lost += static_cast<long>(g->acked.size());
            continue;
        }
        const json& moves = game.at("moves");
        for (const auto& [ply, move] : g->acked) {
            ++checked;
            if (static_cast<size_t>(ply) >= moves.size() || !same_move(moves.at(static_cast<size_t>(ply)), move)) {
                ++lost;
                std::fprintf(stderr, "game %s: acknowledged move %d %s is not stored\n", g->id.c_str(), ply,
                             move.dump().c_str());
            }
        }
    }
}

asio::awaitable<int> main_run() {
    const auto began = Clock::now();
    const long rss_idle = opt.pid ? rss_kib(opt.pid) : -1;
    for (int s = 0; s < opt.games; ++s)
        asio::co_spawn(co_await asio::this_coro::executor, run_slot(s), asio::detached);
    // Every game made and its connections opened before the measuring starts.
    while (games_ready < opt.games || connections_open < 3L * opt.games) {
        co_await sleep_for(100ms);
        if (Clock::now() - began > 300s) {
            std::fprintf(stderr, "only %ld of %d games ready after 300 s\n", games_ready, opt.games);
            break;
        }
    }
    std::printf("%d games, %ld connections from %d addresses, ready after %.1f s\n", opt.games,
                connections_open, opt.sources, ms_since(began) / 1000);
    std::fflush(stdout);

    const double cpu_before = opt.pid ? cpu_seconds(opt.pid) : 0;
    const auto threads_before = opt.pid ? thread_cpu(opt.pid) : std::map<int, ThreadTimes>{};
    const double own_before = own_cpu_seconds();
    // The games' first moves all fall in the same few seconds after they
    // connect: the measuring starts once the play has spread out.
    co_await sleep_for(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(opt.warmup)));
    const auto window = Clock::now();
    stats.window = window;
    stats.measuring = true;
    co_await sleep_for(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(opt.seconds)));
    stats.measuring = false;
    const double secs = ms_since(window) / 1000;
    const long conns = connections_open;
    const long rss_after = opt.pid ? rss_kib(opt.pid) : -1;
    const double cpu_after = opt.pid ? cpu_seconds(opt.pid) : 0;
    const auto threads_after = opt.pid ? thread_cpu(opt.pid) : std::map<int, ThreadTimes>{};
    const double own = own_cpu_seconds() - own_before;

    running = false;
    for (auto& g : all_games)
        for (auto& c : g->conns)
            if (c) c->stop();
    for (auto& g : all_games)
        if (g->done) g->done->cancel();

    std::printf("measured %.1f s: %ld moves stored, %.1f a second; %ld games ended, %ld begun\n", secs,
                stats.stored, static_cast<double>(stats.stored) / secs, stats.games_ended, stats.games_started);
    for (const auto& [what, v] : {std::pair{"send to ack:               ", &stats.ack_ms},
                                  std::pair{"send to opponent's receipt:", &stats.receipt_ms}})
        std::printf("%s p50 %.2f ms  p99 %.2f ms  (p90 %.2f, max %.2f; %zu moves)\n", what, percentile(*v, 0.5),
                    percentile(*v, 0.99), percentile(*v, 0.9), percentile(*v, 1), v->size());
    if (opt.series) {
        std::printf("slowest receipt of each second (ms):");
        for (double w : stats.worst) std::printf(" %.0f", w);
        std::printf("\n");
    }
    if (opt.pid) {
        std::printf("server: RSS %ld KiB before the games, %ld KiB at the end with %ld connections: "
                    "%.1f KiB a connection (%.1f KiB each of the whole)\n",
                    rss_idle, rss_after, conns, conns ? static_cast<double>(rss_after - rss_idle) / conns : 0.0,
                    conns ? static_cast<double>(rss_after) / conns : 0.0);
        std::printf("server: CPU %.1f s in %.1f s, %.0f%% of one core; by thread:", cpu_after - cpu_before, secs,
                    100 * (cpu_after - cpu_before) / secs);
        for (const auto& [tid, t] : threads_after) {
            const auto b = threads_before.find(tid);
            const double used = t.cpu - (b == threads_before.end() ? 0 : b->second.cpu);
            const double waited = t.waited - (b == threads_before.end() ? 0 : b->second.waited);
            if (used > 0)
                std::printf(" %s %.0f%% (waited for a processor %.0f%%)", t.name.c_str(), 100 * used / secs,
                            100 * waited / secs);
        }
        std::printf("\n");
    }
    std::printf("load tool: CPU %.1f s, %.0f%% of one core\n", own, 100 * own / secs);
    std::printf("connection attempts after a drop %ld, resyncs %ld, moves sent again %ld\n", stats.reconnects,
                stats.resyncs, stats.resends);
    for (const auto& [code, n] : stats.errors) std::printf("error %s: %ld\n", code.c_str(), n);

    int status = 0;
    if (opt.verify) {
        long checked = 0, lost = 0, unreadable = 0;
        co_await verify(checked, lost, unreadable);
        long acked = 0;
        for (const auto& g : all_games) acked += static_cast<long>(g->acked.size());
        std::printf("verify: %ld games, %ld acknowledged moves checked, %ld lost, %ld games unreadable\n",
                    static_cast<long>(all_games.size()), checked, lost, unreadable);
        if (lost || checked != acked) status = 1;
    }
    std::fflush(stdout);
    co_return status;
}

int usage() {
    std::fprintf(stderr,
                 "usage: rindou-load [--server ADDR:PORT] [--games N] [--seconds S] [--server-pid PID]\n"
                 "                   [--sources N] [--think MIN MAX] [--warmup S] [--verify] [--series]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string k = argv[i];
        const bool has = i + 1 < argc;
        if (k == "--server" && has) {
            const std::string s = argv[++i];
            const auto colon = s.rfind(':');
            if (colon == std::string::npos) return usage();
            opt.host = s.substr(0, colon);
            opt.port = static_cast<unsigned short>(std::atoi(s.c_str() + colon + 1));
        } else if (k == "--games" && has) {
            opt.games = std::atoi(argv[++i]);
        } else if (k == "--seconds" && has) {
            opt.seconds = std::atof(argv[++i]);
        } else if (k == "--server-pid" && has) {
            opt.pid = std::atoi(argv[++i]);
        } else if (k == "--sources" && has) {
            opt.sources = std::atoi(argv[++i]);
        } else if (k == "--think" && i + 2 < argc) {
            opt.think_min = std::atof(argv[++i]);
            opt.think_max = std::atof(argv[++i]);
        } else if (k == "--verify") {
            opt.verify = true;
        } else if (k == "--warmup" && has) {
            opt.warmup = std::atof(argv[++i]);
        } else if (k == "--series") {
            opt.series = true;
        } else {
            return usage();
        }
    }
    if (opt.games < 1 || opt.seconds <= 0 || opt.warmup < 0 || opt.sources < 0 || opt.sources > 250 ||
        opt.think_min < 0 || opt.think_max < opt.think_min)
        return usage();
    // The server allows 64 connections an address unless told otherwise.
    if (opt.sources == 0) opt.sources = std::clamp(opt.games * 3 / 40 + 1, 1, 250);

    // Three connections a game, and the HTTP calls beside them.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    rindou::GameState start;
    rindou::reset_to_no_game(start);
    start_position = Position::from_state(start, start.lower_turn);

    asio::io_context io;
    beast::error_code ec;
    server_endpoint = tcp::endpoint(asio::ip::make_address(opt.host, ec), opt.port);
    if (ec) {
        std::fprintf(stderr, "rindou-load: %s is no address\n", opt.host.c_str());
        return 2;
    }
    int status = 1;
    asio::co_spawn(io, main_run(), [&](std::exception_ptr e, int s) {
        if (e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                std::fprintf(stderr, "rindou-load: %s\n", x.what());
            }
        }
        status = s;
        io.stop();
    });
    io.run();
    return status;
}
