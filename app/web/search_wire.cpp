#include "app/web/search_wire.h"

#include <sstream>

namespace rindou::web {

namespace {

// Numbers beyond the history's length are refused: a worker never needs
// more than a game can hold.
constexpr size_t HISTORY_LIMIT = 1u << 20;

class Writer {
public:
    template <class T>
    Writer& operator<<(T value) {
        if (!first_) out_ << ' ';
        first_ = false;
        out_ << +value;
        return *this;
    }
    std::string str() const { return out_.str(); }

private:
    std::ostringstream out_;
    bool first_ = true;
};

class Reader {
public:
    explicit Reader(const std::string& text) : in_(text) {}
    template <class T>
    bool operator()(T& value) {
        long long v = 0;
        if constexpr (std::is_same_v<T, uint64_t>) {
            unsigned long long u = 0;
            if (!(in_ >> u)) return false;
            value = u;
            return true;
        } else {
            if (!(in_ >> v)) return false;
            value = static_cast<T>(v);
            return static_cast<long long>(value) == v;
        }
    }
    bool at_end() {
        in_ >> std::ws;
        return in_.eof();
    }

private:
    std::istringstream in_;
};

}  // namespace

std::string write_request(const SearchRequest& r) {
    Writer w;
    const deep::Position& p = r.start;
    for (int8_t cell : p.board) w << cell;
    w << p.coin;
    for (const auto& side : p.hand)
        for (int n : side) w << n;
    for (const auto& side : p.pawns)
        for (int n : side) w << n;
    w << p.king[0] << p.king[1] << p.side << p.winner << p.key;
    w << (r.mode_com ? 1 : 0) << r.nodes << r.history.size();
    for (uint64_t h : r.history) w << h;
    return w.str();
}

bool read_request(const std::string& text, SearchRequest& r) {
    Reader in(text);
    deep::Position& p = r.start;
    for (int8_t& cell : p.board)
        if (!in(cell)) return false;
    if (!in(p.coin)) return false;
    for (auto& side : p.hand)
        for (int& n : side)
            if (!in(n)) return false;
    for (auto& side : p.pawns)
        for (int& n : side)
            if (!in(n)) return false;
    int mode_com = 0;
    uint64_t count = 0;
    if (!in(p.king[0]) || !in(p.king[1]) || !in(p.side) || !in(p.winner) || !in(p.key) ||
        !in(mode_com) || !in(r.nodes) || !in(count) || count > HISTORY_LIMIT)
        return false;
    r.mode_com = mode_com != 0;
    // What the position keeps beside its board (the squares of each side's
    // pieces and sliders, the placement sum) is worked out here, not sent:
    // it follows from the board, and the wire stays the board's.
    p.recompute_summary();
    r.history.assign(static_cast<size_t>(count), 0);
    for (uint64_t& h : r.history)
        if (!in(h)) return false;
    return in.at_end();
}

std::string write_result(const deep::SearchResult& r) {
    Writer w;
    w << (r.found ? 1 : 0) << r.best.raw() << r.score << r.depth << r.nodes;
    return w.str();
}

bool read_result(const std::string& text, deep::SearchResult& r) {
    Reader in(text);
    int found = 0;
    uint16_t best = 0;
    if (!in(found) || !in(best) || !in(r.score) || !in(r.depth) || !in(r.nodes)) return false;
    r.found = found != 0;
    r.best = Move::from_raw(best);
    return in.at_end();
}

}  // namespace rindou::web
