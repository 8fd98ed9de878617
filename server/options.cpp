#include <charconv>
#include <cstring>

#include <boost/asio/ip/address.hpp>

#include "core/files.h"
#include "server/server.h"

namespace rindou::server {

const char* const USAGE =
    "usage: rindou-server [--listen ADDR:PORT] [--database DB] [--site DIR] [--origin URL]...\n"
    "                     [--trusted-proxy ADDR] [--max-connections-per-address N] [--threads N]\n"
    "                     [--postgresql-driver pool|async]\n"
    "  --listen ADDR:PORT   where to accept connections (default 127.0.0.1:8080; port 0 picks a free one)\n"
    "  --database DB        the SQLite file of the games (default $XDG_DATA_HOME/rindou/server.sqlite),\n"
    "                       or a postgresql:// address that several servers may share\n"
    "  --site DIR           the web page's folder (default: the installed page)\n"
    "  --origin URL         an origin whose pages may open WebSockets (repeatable; default: this server)\n"
    "  --trusted-proxy ADDR a proxy whose X-Forwarded-For names the client\n"
    "  --max-connections-per-address N   connections one client address may hold (default 64)\n"
    "  --threads N          network threads (default: one per core)\n"
    "  --postgresql-driver pool|async   write PostgreSQL from a pool of threads of its own (default),\n"
    "                       or from the network threads without waiting\n";

namespace {

bool parse_number(const std::string& text, unsigned long long lo, unsigned long long hi, unsigned long long& out) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end && !text.empty() && out >= lo && out <= hi;
}

bool parse_listen(const std::string& text, Options& o) {
    std::string host, port;
    if (!text.empty() && text[0] == '[') {
        const auto close = text.find("]:");
        if (close == std::string::npos) return false;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos) return false;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    unsigned long long n = 0;
    if (host.empty() || !parse_number(port, 0, 65535, n)) return false;
    o.host = host;
    o.port = static_cast<uint16_t>(n);
    return true;
}

}  // namespace

std::optional<Options> parse_options(int argc, char** argv, std::string& error, bool& help) {
    Options o;
    help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
            return std::nullopt;
        }
        static const char* const KNOWN[] = {"--listen", "--database", "--site", "--origin", "--trusted-proxy",
                                            "--max-connections-per-address", "--threads",
                                            "--postgresql-driver"};
        bool known = false;
        for (const char* k : KNOWN) known = known || arg == k;
        if (!known) {
            error = (arg.rfind("-", 0) == 0 ? "unknown option " : "unknown argument ") + arg;
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return std::nullopt;
        }
        const std::string value = argv[++i];
        unsigned long long n = 0;
        if (arg == "--listen") {
            if (!parse_listen(value, o)) {
                error = "--listen needs ADDR:PORT, not " + value;
                return std::nullopt;
            }
        } else if (arg == "--database") {
            o.database = value;
        } else if (arg == "--site") {
            o.site = value;
        } else if (arg == "--origin") {
            o.origins.push_back(value);
        } else if (arg == "--trusted-proxy") {
            boost::system::error_code ec;
            const auto address = boost::asio::ip::make_address(value, ec);
            if (ec) {
                error = "--trusted-proxy needs an IP address, not " + value;
                return std::nullopt;
            }
            o.trusted_proxy = address.to_string();
        } else if (arg == "--max-connections-per-address") {
            if (!parse_number(value, 1, 1'000'000, n)) {
                error = "--max-connections-per-address needs a number from 1 to 1000000";
                return std::nullopt;
            }
            o.max_connections_per_address = static_cast<size_t>(n);
        } else if (arg == "--threads") {
            if (!parse_number(value, 1, 256, n)) {
                error = "--threads needs a number from 1 to 256";
                return std::nullopt;
            }
            o.threads = static_cast<unsigned>(n);
        } else if (arg == "--postgresql-driver") {
            if (value != "async" && value != "pool") {
                error = "--postgresql-driver needs async or pool, not " + value;
                return std::nullopt;
            }
            o.postgresql_driver = value;
        }
    }
    if (o.database.empty()) {
        const std::string folder = rindou::user_data_folder();
        if (folder.empty()) {
            error = "no --database given and no home folder for the default one";
            return std::nullopt;
        }
        o.database = folder + "/server.sqlite";
    }
    if (o.site.empty()) {
        const std::string bin = rindou::executable_folder();
        if (!bin.empty()) o.site = bin + "/" RINDOU_DATA_FROM_BIN "/site";
    }
    return o;
}

}  // namespace rindou::server
