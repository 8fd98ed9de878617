// The online server's messages and referee: the first line is a game's
// creation body, every further line a WebSocket frame, played by the side
// the frame's number names on a game both seats have joined.  Whatever the
// referee accepts must replay from its events to the same game, as a game
// read back from storage does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "server/protocol.h"
#include "server/referee.h"

using namespace rindou::server;
using rindou::LOWER;
using rindou::UPPER;
using rindou::Side;

namespace {

void check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    for (size_t start = 0; start <= input.size();) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        lines.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    parse_join(lines[0]);
    const auto created = parse_create(lines[0]);
    if (!created) return 0;
    Settings settings = created->settings;
    settings.creator = created->side.value_or(LOWER);

    Referee game("FUZZGAME", settings, 0);
    std::vector<Event> log;
    int64_t now = 0;
    auto play = [&](const Referee::Outcome& out) {
        int64_t v = game.version();
        for (const Event& e : out.events) {
            Event stored = e;
            // The rematch's id is the server's to fill in.
            if (stored.type == "rematch") stored.data["id"] = "NEXTGAME";
            check(game.apply(stored));
            check(game.version() == ++v);
            log.push_back(stored);
        }
    };
    play(game.join(opposite(settings.creator), "guest", now));
    for (size_t i = 1; i < lines.size(); ++i) {
        now += 997;
        Json a;
        const auto m = parse_client_message(lines[i], a);
        if (!m) continue;
        const Side by = m->a.is_number_integer() && m->a.get<int64_t>() % 2 ? UPPER : LOWER;
        if (m->type == "move")
            play(game.move(by, m->ply, m->move, now));
        else if (m->type == "resign")
            play(game.resign(by, now));
        else if (m->type == "abort")
            play(game.abort(by, now));
        else if (m->type == "takeback")
            play(game.takeback(by, m->what, now));
        else if (m->type == "rematch")
            play(game.rematch(by, m->what, now));
        else if (m->type == "claim")
            play(game.claim(by, 0, now));
        else if (m->type == "ping")
            play(game.flag(now + 3'600'000));
    }
    Referee replayed("FUZZGAME", settings, 0);
    for (const Event& e : log) check(replayed.apply(e));
    check(replayed.to_json({false, false}, now) == game.to_json({false, false}, now));
    check(replayed.record_file() == game.record_file());
    return 0;
}
