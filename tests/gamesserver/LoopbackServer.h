#pragma once
// The games-list server on 127.0.0.1 at a free port, its games in memory, for a test's lifetime;
// and raw connections to it from loopback addresses of a test's choosing.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "gamesserver/GamesServer.h"

namespace pellam::games {

inline size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A raw connection to the server from a loopback address of the test's choosing (to 127.0.0.1,
// or to ::1 from "::1").
class Peer {
public:
    // A `slowReader` takes an answer a couple of kilobytes at a time, in Ethernet-sized segments
    // (loopback's 64 KB ones would let the server's socket take a whole page at once).
    Peer(const char* from, int port, bool slowReader = false)
        : fd_(::socket(std::strchr(from, ':') ? AF_INET6 : AF_INET, SOCK_STREAM, 0)) {
        if (slowReader) {
            const int least = 1, segment = 1448;
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &least, sizeof least);
            ::setsockopt(fd_, IPPROTO_TCP, TCP_MAXSEG, &segment, sizeof segment);
        }
        if (std::strchr(from, ':')) {
            sockaddr_in6 a{};
            a.sin6_family = AF_INET6;
            ::inet_pton(AF_INET6, from, &a.sin6_addr);
            a.sin6_port = htons(uint16_t(port));
            EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << from;
        } else {
            sockaddr_in a{};
            a.sin_family = AF_INET;
            ::inet_pton(AF_INET, from, &a.sin_addr);
            EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0) << from;
            ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
            a.sin_port = htons(uint16_t(port));
            EXPECT_EQ(::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        }
        const timeval hang{120, 0};  // an answer that never comes ends the read, not the test run
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &hang, sizeof hang);
    }
    ~Peer() { ::close(fd_); }
    bool send(const std::string& text) { return ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL) == ssize_t(text.size()); }
    // Everything until the server closes (or nothing comes for two minutes).
    std::string answer() {
        std::string got;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;) got.append(buffer, size_t(n));
        return got;
    }
    // Whether the server closed within `ms` (a pacing interval, not a verdict).
    bool closedWithin(int ms) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0) return false;
        char byte;
        return ::recv(fd_, &byte, 1, MSG_DONTWAIT) <= 0;
    }

private:
    int fd_;
};

// The whole answer to a GET of `path` from `from`, on a connection of its own.
inline std::string ask(const std::string& from, int port, const std::string& path) {
    Peer peer(from.c_str(), port);
    peer.send("GET " + path + " HTTP/1.1\r\nHost: games\r\n\r\n");
    return peer.answer();
}
// An answer's status: "HTTP/1.1 200 ..." gives 200; anything else -1.
inline int status(const std::string& answer) {
    return answer.rfind("HTTP/1.1 ", 0) == 0 && answer.size() >= 12 ? std::atoi(answer.c_str() + 9) : -1;
}


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
