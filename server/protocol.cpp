#include "server/protocol.h"

#include "core/text_codec.h"

namespace rindou::server {

namespace {

constexpr int64_t MAX_INITIAL_S = 7 * 86'400;
constexpr int64_t MAX_INCREMENT_S = 3'600;
constexpr int64_t MAX_DAYS = 30;
constexpr size_t MAX_TOKEN = 128;

Json parse_object(const std::string& text) {
    Json j = Json::parse(text, nullptr, false);
    if (j.is_discarded() || !j.is_object()) return Json();
    return j;
}

bool only_keys(const Json& j, std::initializer_list<const char*> keys) {
    for (const auto& item : j.items()) {
        bool known = false;
        for (const char* k : keys) known = known || item.key() == k;
        if (!known) return false;
    }
    return true;
}

bool read_string(const Json& j, const char* key, std::string& out) {
    auto it = j.find(key);
    if (it == j.end()) return true;
    if (!it->is_string()) return false;
    out = it->get<std::string>();
    return true;
}

bool read_integer(const Json& j, const char* key, int64_t lo, int64_t hi, int64_t& out) {
    if (!j.is_object()) return false;
    auto it = j.find(key);
    if (it == j.end() || !it->is_number_integer()) return false;
    const int64_t v = it->is_number_unsigned() && it->get<uint64_t>() > uint64_t(INT64_MAX) ? hi + 1 : it->get<int64_t>();
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

// Keys and secrets: text without control characters, bounded.
bool is_text(const std::string& s) {
    if (s.size() > MAX_TOKEN) return false;
    for (char c : s)
        if ((c >= 0 && c < ' ') || c == 0x7F) return false;
    bool non_ascii = false;
    return is_strict_utf8(s, non_ascii);
}

}  // namespace

std::optional<CreateRequest> parse_create(const std::string& body) {
    Json j = body.find_first_not_of(" \t\r\n") == std::string::npos ? Json::object() : parse_object(body);
    if (!j.is_object() || !only_keys(j, {"side", "first", "clock", "handicap", "name", "player"}))
        return std::nullopt;
    CreateRequest r;
    std::string side = "random", first = "lower";
    if (!read_string(j, "side", side) || !read_string(j, "first", first)) return std::nullopt;
    if (side != "random") {
        r.side = parse_side(side);
        if (!r.side) return std::nullopt;
    }
    const auto f = parse_side(first);
    if (!f) return std::nullopt;
    r.settings.first = *f;
    if (j.contains("handicap")) {
        int64_t h = 0;
        if (!read_integer(j, "handicap", -10, 10, h)) return std::nullopt;
        r.settings.handicap = static_cast<int>(h);
    }
    if (!read_string(j, "name", r.settings.name) || !is_valid_name(r.settings.name)) return std::nullopt;
    if (!read_string(j, "player", r.settings.creator_name) || !is_valid_name(r.settings.creator_name))
        return std::nullopt;
    if (j.contains("clock") && !j["clock"].is_null()) {
        const Json& c = j["clock"];
        ClockSettings& clock = r.settings.clock;
        if (c.is_object() && c.contains("days") && only_keys(c, {"days"})) {
            clock.kind = ClockSettings::Kind::days;
            if (!read_integer(c, "days", 1, MAX_DAYS, clock.days)) return std::nullopt;
        } else if (c.is_object() && only_keys(c, {"initial", "increment"})) {
            clock.kind = ClockSettings::Kind::minutes;
            if (!read_integer(c, "initial", 1, MAX_INITIAL_S, clock.initial_s)) return std::nullopt;
            if (!c.contains("increment"))
                clock.increment_s = 0;
            else if (!read_integer(c, "increment", 0, MAX_INCREMENT_S, clock.increment_s))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return r;
}

std::optional<JoinRequest> parse_join(const std::string& body) {
    const Json j = parse_object(body);
    if (!j.is_object() || !only_keys(j, {"invite", "key", "name"})) return std::nullopt;
    JoinRequest r;
    // Any invite is compared (a wrong one is refused as wrong); the key is
    // whatever the client picked, within bounds.
    if (!read_string(j, "invite", r.invite) || !is_text(r.invite)) return std::nullopt;
    if (!read_string(j, "key", r.key) || !is_text(r.key)) return std::nullopt;
    if (!read_string(j, "name", r.name) || !is_valid_name(r.name)) return std::nullopt;
    return r;
}

std::optional<ClientMessage> parse_client_message(const std::string& text, Json& a) {
    a = nullptr;
    const Json j = parse_object(text);
    if (!j.is_object()) return std::nullopt;
    if (auto it = j.find("a"); it != j.end() && it->is_number()) a = *it;
    if (!only_keys(j, {"t", "a", "d"})) return std::nullopt;
    ClientMessage m;
    if (!read_string(j, "t", m.type)) return std::nullopt;
    if (j.contains("a") && !j["a"].is_number()) return std::nullopt;
    m.a = a;
    const Json d = j.value("d", Json(nullptr));
    if (m.type == "hello") {
        if (d.is_null()) return m;
        if (!d.is_object() || !only_keys(d, {"seat", "v"})) return std::nullopt;
        if (d.contains("seat") && !d["seat"].is_null()) {
            if (!read_string(d, "seat", m.seat) || m.seat.size() > MAX_TOKEN) return std::nullopt;
        }
        if (d.contains("v") && !d["v"].is_null()) {
            int64_t v = 0;
            if (!read_integer(d, "v", 0, INT64_MAX, v)) return std::nullopt;
            m.v = v;
        }
        return m;
    }
    if (m.type == "move") {
        if (!d.is_object() || !only_keys(d, {"ply", "move"})) return std::nullopt;
        int64_t ply = 0;
        if (!read_integer(d, "ply", 0, 1'000'000, ply)) return std::nullopt;
        m.ply = static_cast<int>(ply);
        const auto mv = parse_move(d.value("move", Json(nullptr)));
        if (!mv) return std::nullopt;
        m.move = *mv;
        return m;
    }
    if (m.type == "takeback" || m.type == "rematch") {
        if (!d.is_object() || !only_keys(d, {"do"}) || !read_string(d, "do", m.what)) return std::nullopt;
        if (m.what != "offer" && m.what != "accept" && m.what != "decline") return std::nullopt;
        return m;
    }
    if (m.type == "resign" || m.type == "abort" || m.type == "claim" || m.type == "ping") return m;
    return std::nullopt;
}

}  // namespace rindou::server
