#pragma once
// The games-list server: two GET requests over HTTP.
//   /hostgameruzk.php?host=&port=&players=&title=&teams=   lists or refreshes the caller's game;
//                                                          keyed by address and port; port 0 ends the
//                                                          caller's game of that name
//   /vantorgames.php                                       the page of listed games the game parses
// The host's address is the connection's, never the query's, and IPv4: the page and the game
// read no other. Every stored text is HTML-escaped on the page, so no name or title can make a
// marker the game's parser would read.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "gamesserver/ConnectionGate.h"
#include "gamesserver/GamesStore.h"


namespace pellam::games {

// Text made safe for the page: & < > " ' as entities, and the page's "no games" phrase broken.
std::string htmlEscape(std::string_view text);
// The list page: rows "<!-- i -->" from 0 with the markers the game reads, or "No games currently".
std::string renderPage(const std::vector<Game>& games);

// An announcement read from its query: the game, or why it was refused.
struct Refusal {
    int status;
    std::string reason;
};
using Announcement = std::variant<Game, Refusal>;
// `param` answers a query key's value, or null when it is missing.
Announcement readAnnouncement(const std::string& address, const std::function<const std::string*(const char*)>& param,
                              const Limits& limits);

// Requests per address: a bucket of `burst` that refills at `perSecond`.
class RateLimiter {
public:
    RateLimiter(double burst, double perSecond) : burst_(burst), perSecond_(perSecond) {}
    bool allow(const std::string& address, double nowSeconds);

private:
    struct Bucket {
        double tokens, at;
    };
    double burst_, perSecond_;
    std::mutex mutex_;
    std::map<std::string, Bucket> buckets_;
};

struct ServerOptions {
    std::string listenHost = "0.0.0.0";
    int port = 8080;              // 0: any free port (tests)
    std::string dbPath = "pellam-games.sqlite";
    Limits limits;
    double burst = 30, perSecond = 2;  // requests per address, announcements and lists counted apart
    GateLimits gate;                   // connections per address, the whole request's time bound
    std::function<int64_t()> clock;    // seconds; empty: the system clock
};

class GamesServer {
public:
    explicit GamesServer(ServerOptions options);
    ~GamesServer();
    // Opens the store and binds; false with `error` set when either fails.
    bool bind(std::string& error);
    // Serves until stop(): on the calling thread, or on a thread of its own. stop() may come from
    // any thread, before the serving has begun as well.
    void run();
    void start();
    void stop();
    int port() const { return port_; }

private:
    int64_t now() const;
    class GatedHttp;
    ServerOptions options_;
    std::unique_ptr<GamesStore> store_;
    std::unique_ptr<GatedHttp> http_;
    RateLimiter announceLimiter_, listLimiter_;  // a player's list fetches never starve his announcements
    std::thread thread_;
    int port_ = 0;
    std::atomic<int> listening_{-1};  // the listening socket, once made, until its loop ends
};

}  // namespace pellam::games
