// rindou-server: the referee of online games.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include "server/server.h"
#include "server/storage.h"

int main(int argc, char** argv) {
    using namespace rindou::server;
    std::string error;
    bool help = false;
    auto options = parse_options(argc, argv, error, help);
    if (help) {
        std::cout << USAGE;
        return 0;
    }
    if (!options) {
        std::cerr << "rindou-server: " << error << '\n';
        return 2;
    }
    const unsigned threads = options->threads ? options->threads : std::max(1u, std::thread::hardware_concurrency());
    boost::asio::io_context io(static_cast<int>(threads));
    std::unique_ptr<Storage> storage;
    try {
        const std::string& db = options->database;
        if (db.rfind("postgresql://", 0) != 0 && db.rfind("postgres://", 0) != 0)
            storage = open_sqlite_storage(db);
        else if (options->postgresql_driver == "pool")
            storage = open_postgresql_pool_storage(db);
        else
            storage = open_postgresql_async_storage(db, io);
    } catch (const std::exception& e) {
        std::cerr << "rindou-server: cannot open the database " << e.what() << '\n';
        return 1;
    }
    Server server(io, *options, *storage);
    std::string address;
    try {
        address = server.start();
    } catch (const std::exception& e) {
        std::cerr << "rindou-server: " << e.what() << '\n';
        storage->close();
        return 1;
    }
    boost::asio::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](const boost::system::error_code& ec, int) {
        if (ec) return;
        server.stop();
        io.stop();
    });
    std::cout << "listening " << address << std::endl;
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < threads; ++i) pool.emplace_back([&io] { io.run(); });
    io.run();
    for (auto& t : pool) t.join();
    // Everything acknowledged is stored already; what is still on its way to
    // the disk is finished before the program ends.
    storage->close();
    std::fflush(stdout);
    // The games, connections and timers need no tidying: the process ends.
    _exit(0);
}
