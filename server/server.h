// The online game server: the HTTP API, the WebSocket connections of players
// and watchers, the web page's files, and the games kept through a storage.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>

#include "server/storage.h"

namespace rindou::server {

struct Options {
    std::string host = "127.0.0.1";
    uint16_t port = 8080;
    std::string database;          // empty: the per-user default
    std::string site;              // empty: the installed page
    std::vector<std::string> origins;  // empty: the server's own address
    std::string trusted_proxy;     // empty: none
    size_t max_connections_per_address = 64;
    unsigned threads = 0;          // 0: one per core
    // How a PostgreSQL database is written: "pool" on threads of its own,
    // "async" on the network loop.
    std::string postgresql_driver = "pool";
};

// Reads the command line; empty with `error` set when it cannot be used.
// `help` is set for --help.
std::optional<Options> parse_options(int argc, char** argv, std::string& error, bool& help);
extern const char* const USAGE;

class Server {
public:
    Server(boost::asio::io_context& io, Options options, Storage& storage);
    ~Server();
    // Loads the unfinished games (their clocks run again) and starts
    // listening; throws std::runtime_error with a one-line reason when it
    // cannot.  Answers the address it listens on, "addr:port".
    std::string start();
    // Stops accepting and closes every connection.
    void stop();

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace rindou::server
