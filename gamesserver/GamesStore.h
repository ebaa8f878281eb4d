#pragma once
// The games-list server's store: one SQLite file in WAL mode holding the announced games, keyed by
// the host's address and port. Every call takes the time (seconds) from the caller, so expiry is
// testable; the store itself never reads a clock.
// The list goes by turns: a game's turn is one more than the games its network (/24) listed when it
// came, and the page shows every game of turn 1 before any of turn 2. So a network's k-th game
// follows every other network's first k - 1, and a few networks cannot push the rest off the page
// however many games or addresses they list: a host who is his network's only game is among the
// first rows as long as fewer than 100 networks list.
// When the games of one turn do not all fit in the rows the earlier turns leave, they share those
// rows in turns: each fetch shows the next of them, so that every one is seen, in every few fetches,
// and an honest host who comes last is seen as often as one who came first. The games of the turns
// after it are kept but not shown, and their announcements are answered so.
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace pellam::games {

struct Limits {
    int64_t expirySeconds = 180;   // a game not announced for this long is gone
    int gamesPerAddress = 8;       // one address may host this many games at once (on different ports)
    int gamesPerBlock = 32;        // and one /24 this many: 313 networks to fill `totalGames`
    int totalGames = 10000;        // the store refuses new games beyond this
    int listRows = 100;            // the list page shows at most this many
    size_t nameBytes = 32;         // a pilot's name: 23 characters in the game, some room for UTF-8
    size_t titleBytes = 1200;      // 299 characters, each line feed sent as "<br>"
    // A title as the page gives it, escaped: 299 characters of at most 6 bytes ("&quot;"). So 100
    // rows of the longest name and title, some 2.1 KB each, stay within the page's 256 KB.
    size_t titlePageBytes = 299 * 6;
};

struct Game {
    std::string host;    // dotted address, from the connection
    int port = 0;        // 1..65535
    std::string name;    // the host player's name, as sent
    std::string title;   // the host's message, as sent (line breaks as "<br>")
    int players = 1;     // 1..8
    std::optional<std::array<int, 4>> teams;  // aircraft of red, blue, yellow, black; none: not sent
};

// kListed: on every page; kListedInTurns: on some pages, sharing the last rows in turns; kNotShown:
// kept, and on no page while the games of earlier turns fill it; kListedPlaceUnknown: stored, but
// where the page shows it could not be read. kNotListed and kSeveralOfName answer an end report
// that took nothing down.
enum class Stored {
    kListed, kListedInTurns, kNotShown, kListedPlaceUnknown, kEnded, kTooManyFromAddress, kFull, kFailed, kNotListed,
    kSeveralOfName, kTooManyFromNetwork
};

class GamesStore {
public:
    // Opens (creating when missing) the store at `path`; ":memory:" keeps it in memory. Check ok().
    GamesStore(const std::string& path, Limits limits = {});
    ~GamesStore();
    GamesStore(const GamesStore&) = delete;
    GamesStore& operator=(const GamesStore&) = delete;
    bool ok() const { return db_ != nullptr; }
    const std::string& error() const { return error_; }
    const Limits& limits() const { return limits_; }

    // Lists or refreshes the game (host, port) at `now`, and tells where the page shows it.
    Stored announce(const Game& game, int64_t now);
    // The host at `address` ended its game at `now`: its game of that name goes (kEnded), unless the
    // address lists none of that name (kNotListed) or several (kSeveralOfName: players behind one
    // address), when none can be told to be the one.
    Stored end(const std::string& address, const std::string& name, int64_t now);
    // One fetch's page: the games announced within the expiry time, by turn and within a turn oldest
    // listing first, at most listRows; of a turn that does not fit whole, the next of its games in
    // turns. Each call moves those turns on.
    std::vector<Game> list(int64_t now);

private:
    void purge(int64_t now);
    // Where the page shows the listed game (host, port), under the lock.
    Stored standing(const std::string& host, int port);
    // Listed games of turns `first` to `last`, in page order, `count` of them from the `skip`th.
    void readGames(int64_t now, int64_t first, int64_t last, int64_t count, int64_t skip, std::vector<Game>& games);
    bool exec(const char* sql);
    bool addTurns();  // gives a file kept before them the columns of networks and turns
    sqlite3* db_ = nullptr;
    std::string error_;
    Limits limits_;
    std::mutex mutex_;  // one connection shared by the server's threads
    uint64_t rotation_ = 0;  // games of a shared turn shown so far: where the next page's begin
};

}  // namespace pellam::games
