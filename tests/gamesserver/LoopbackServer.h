#pragma once
// The games-list server on 127.0.0.1 at a free port, its games in memory, for a test's lifetime.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gamesserver/GamesServer.h"

namespace pellam::games {

struct LoopbackServer {
    std::unique_ptr<GamesServer> server;
    std::string base;  // "http://127.0.0.1:PORT/"
    explicit LoopbackServer(ServerOptions options = {}) {
        options.listenHost = "127.0.0.1";
        options.port = 0;
        if (options.dbPath == ServerOptions{}.dbPath) options.dbPath = ":memory:";
        server = std::make_unique<GamesServer>(options);
        std::string error;
        EXPECT_TRUE(server->bind(error)) << error;
        server->start();
        base = "http://127.0.0.1:" + std::to_string(server->port()) + "/";
    }
    ~LoopbackServer() { server->stop(); }
};

}  // namespace pellam::games
