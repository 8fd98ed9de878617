// The messages clients send, read and checked field by field: the bodies of
// the HTTP requests and the WebSocket frames.  Anything that is not exactly
// what a client may send is refused as a bad message.
#pragma once

#include <optional>
#include <string>

#include "server/referee.h"

namespace rindou::server {

// POST /api/games.  `side` empty means random.
struct CreateRequest {
    std::optional<Side> side;
    Settings settings;
};
std::optional<CreateRequest> parse_create(const std::string& body);

// POST /api/games/ID/join.
struct JoinRequest {
    std::string invite;
    std::string key;
    std::string name;
};
std::optional<JoinRequest> parse_join(const std::string& body);

// A WebSocket frame from a client.
struct ClientMessage {
    std::string type;  // hello, move, resign, abort, takeback, rematch, claim, ping
    Json a;            // the client's number, null when absent
    // hello
    std::string seat;
    std::optional<int64_t> v;
    // move
    int ply = 0;
    Move move;
    // takeback, rematch: offer, accept or decline
    std::string what;
};
// Empty when the frame is no message; `a` then holds the client's number
// when one could be read, for the error's answer.
std::optional<ClientMessage> parse_client_message(const std::string& text, Json& a);

}  // namespace rindou::server
