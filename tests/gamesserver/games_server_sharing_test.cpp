// What attackers of a few networks can take from the games-list server, and what they cannot: the
// page's rows, the connections and the workers are shared among the networks present, so that a
// player of another network still lists his game, and still reads the list.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>

#include "gamesserver/ConnectionGate.h"
#include "net/PublicGames.h"
#include "tests/gamesserver/LoopbackServer.h"

namespace pellam::games {
namespace {

const std::string kList = "/vantorgames.php?doall=ruzkiph";

std::string escapedQuotes(int n) {
    std::string text;
    for (int k = 0; k < n; ++k) text += "%22";
    return text;
}

// Five /24s list all they may: six addresses each, every one as many games as it may, each name
// and title the longest the page can give (32 and 299 quotes, six bytes each escaped), with the
// longest team line. A host of another network then announces: the page, within its 256 KB, shows
// him to the game's own parser, among its first rows.
TEST(GamesListSharingTest, AFewNetworksCannotPushAnotherNetworksGameOffThePage) {
    LoopbackServer server;
    const int port = server.server->port();
    const std::string game = "&players=8&teams=R%3D8%20Blu%3D8%20Y%3D8%20Blk%3D8&host=" + escapedQuotes(32);
    EXPECT_EQ(status(ask("127.50.0.1", port, "/hostgameruzk.php?port=5000&title=" + escapedQuotes(300) + game)), 400);
    int listed = 0, notShown = 0, turnedAway = 0;
    for (int block = 0; block < 5; ++block)
        for (int address = 1; address <= 6; ++address)
            for (int k = 0; k < 8; ++k) {
                const std::string from = "127.50." + std::to_string(block) + "." + std::to_string(address);
                const int got = status(ask(from, port, "/hostgameruzk.php?port=" + std::to_string(5000 + k) +
                                                           "&title=" + escapedQuotes(299) + game));
                listed += got == 200;
                notShown += got == 202;
                turnedAway += got == 429;
            }
    // Kept, each; told it is not shown when, as it came, its network's earlier games and as many of
    // every other network's filled the page: the fourth network's 26th to 32nd, the fifth's 21st on.
    EXPECT_EQ(listed + notShown, 5 * 32);
    EXPECT_EQ(notShown, 7 + 12);
    EXPECT_EQ(turnedAway, 5 * 6 * 8 - 5 * 32);
    EXPECT_EQ(status(ask("127.60.0.1", port, "/hostgameruzk.php?host=Honest&port=12301&players=2&title=Dawn")), 200);

    const std::string answer = ask("127.61.0.1", port, kList);
    ASSERT_EQ(status(answer), 200);
    const std::string page = answer.substr(answer.find("\r\n\r\n") + 4);
    EXPECT_LE(page.size(), 256u * 1024);
    static PublicGamesList rows;
    const int shown = parseGamesPage(page, rows);
    EXPECT_EQ(shown, 100);  // all rows whole, none left off for its length
    int honest = -1;
    for (int i = 0; i < shown; ++i)
        if (rows[i].HostName == "Honest") honest = i;
    EXPECT_GE(honest, 0);
    EXPECT_LT(honest, 6) << "each network's first game comes before any network's second";
    EXPECT_EQ(rows[honest].theIP, "127.60.0.1");
}

// Networks holding idle connections up to the server's whole cap: a newcomer of a network holding
// as many as any is turned away, while one of another network takes the place of the connection
// that has waited longest among those of a network holding the most, and is answered.
TEST(GamesListSharingTest, IdleConnectionsOfManyNetworksCannotLockAnotherNetworkOut) {
    ServerOptions options;
    options.gate.perBlock = 3;
    options.gate.total = 6;
    options.gate.headSeconds = 600;  // only the room made for others ends them
    LoopbackServer server(options);
    const int port = server.server->port();
    const std::string list = "GET " + kList + " HTTP/1.1\r\nHost: games\r\n\r\n";
    std::vector<std::unique_ptr<Peer>> idle;
    for (int block = 0; block < 3; ++block)
        for (int k = 0; k < 2; ++k) idle.push_back(std::make_unique<Peer>(("127.70." + std::to_string(block) + ".1").c_str(), port));
    Peer greedy("127.70.0.2", port);
    EXPECT_EQ(status(greedy.answer()), 429);

    Peer honest("127.71.0.1", port);
    honest.send(list);
    EXPECT_EQ(status(honest.answer()), 200);
    EXPECT_EQ(idle[0]->answer(), "");  // closed unanswered to make room
    for (size_t k = 1; k < idle.size(); ++k) {
        idle[k]->send(list);
        EXPECT_EQ(status(idle[k]->answer()), 200) << k;
    }
}

// A hundred networks fill the page with a game each. A host of one more network is shown in turns
// with them, and so is the first host once his game has ended and he lists again: the fetches that
// take the page round once show every one. A network's second game, while first games fill the
// page, is kept and told it is not shown; it is shown, last, once there is room.
TEST(GamesListSharingTest, AHostPastAFullPageIsShownInTurnsOrToldItIsNot) {
    GamesStore store(":memory:");
    ASSERT_TRUE(store.ok()) << store.error();
    const auto announce = [&](int network, int port, int64_t now) {
        Game g;
        g.host = "10.1." + std::to_string(network) + ".1";
        g.port = port;
        g.name = "N" + std::to_string(network);
        return store.announce(g, now);
    };
    for (int k = 0; k < 100; ++k) ASSERT_EQ(announce(k, 5000, 1000), Stored::kListed) << k;
    EXPECT_EQ(announce(100, 5000, 1001), Stored::kListedInTurns);
    EXPECT_EQ(store.end("10.1.0.1", "N0", 1002), Stored::kEnded);
    EXPECT_EQ(announce(0, 5001, 1003), Stored::kListedInTurns);
    EXPECT_EQ(announce(1, 5001, 1004), Stored::kNotShown);

    std::map<std::string, int> seen;  // "host:port", pages shown on
    for (int fetch = 0; fetch < 2; ++fetch) {
        const auto page = store.list(1005);
        EXPECT_EQ(page.size(), 100u);
        for (const Game& g : page) ++seen[g.host + ":" + std::to_string(g.port)];
    }
    EXPECT_EQ(seen.size(), 101u);
    EXPECT_EQ(seen.count("10.1.1.1:5001"), 0u);
    EXPECT_EQ(seen["10.1.0.1:5001"], 1);
    EXPECT_EQ(seen["10.1.100.1:5000"], 1);

    EXPECT_EQ(store.end("10.1.50.1", "N50", 1006), Stored::kEnded);
    EXPECT_EQ(store.end("10.1.51.1", "N51", 1006), Stored::kEnded);
    EXPECT_EQ(announce(1, 5001, 1007), Stored::kListed);
    const auto page = store.list(1007);
    ASSERT_EQ(page.size(), 100u);
    EXPECT_EQ(page.back().host + ":" + std::to_string(page.back().port), "10.1.1.1:5001");
}

namespace {
// Lists `n` games from as many networks, each titled with 299 quotes: a page of some 190 KB, more
// than the sockets between a client that does not read and the server hold.
void listQuotedGames(int port, int n) {
    for (int k = 0; k < n; ++k)
        ASSERT_EQ(status(ask("127.80." + std::to_string(k) + ".1", port,
                             "/hostgameruzk.php?host=H" + std::to_string(k) + "&port=12301&title=" + escapedQuotes(299))),
                  200);
}

// Counts the answers the gate holds for clients that do not read, as it settles each.
struct HeldAnswers {
    std::mutex mutex;
    std::condition_variable changed;
    int held = 0;
    std::function<void(size_t)> hook() {
        return [this](size_t bytes) {
            std::lock_guard lock(mutex);
            held += bytes > 0;
            changed.notify_all();
        };
    }
    bool waitFor(int n) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::minutes(2), [&] { return held >= n; });
    }
};
}  // namespace

// As many clients of one network as there are workers ask for a 190 KB page and never read it. The
// sockets cannot take it all; the workers leave the rest to the gate and are free, so a player of
// another network is answered while those answers wait.
TEST(GamesListSharingTest, ClientsThatDoNotReadTheirAnswersHoldNoWorker) {
    HeldAnswers unread;
    ServerOptions options;
    options.gate.answerSeconds = 600;  // their answers wait as long as the test
    options.gate.served = unread.hook();
    LoopbackServer server(options);
    const int port = server.server->port();
    listQuotedGames(port, 100);
    std::vector<std::unique_ptr<Peer>> readers;
    for (int k = 0; k < GateLimits{}.workers; ++k) {
        readers.push_back(std::make_unique<Peer>(("127.90.0." + std::to_string(k / 4 + 1)).c_str(), port, true));
        readers.back()->send("GET " + kList + " HTTP/1.1\r\nHost: games\r\n\r\n");
    }
    EXPECT_TRUE(unread.waitFor(GateLimits{}.workers)) << unread.held << " answers left unread";
    const std::string page = ask("127.91.0.1", port, kList);
    EXPECT_EQ(status(page), 200);
    EXPECT_EQ(count(page, "<!--PO-->"), 100u);
}

// The connections are full: clients of one network (an office behind one address block) reading
// the page slowly, and idle connections of two others. A newcomer of a fourth takes the place of
// the idle connection that waited longest, though the office's network holds the most: an answer
// being written is never cut to make room.
TEST(GamesListSharingTest, MakingRoomClosesAnIdleConnectionAndCutsNoAnswer) {
    HeldAnswers unread;
    ServerOptions options;
    options.gate.total = 5;
    options.gate.headSeconds = 600;
    options.gate.answerSeconds = 600;
    options.gate.served = unread.hook();
    LoopbackServer server(options);
    const int port = server.server->port();
    listQuotedGames(port, 100);
    const std::string list = "GET " + kList + " HTTP/1.1\r\nHost: games\r\n\r\n";
    std::vector<std::unique_ptr<Peer>> office;
    for (int k = 0; k < 3; ++k) {
        office.push_back(std::make_unique<Peer>(("127.92.0." + std::to_string(k + 1)).c_str(), port, true));
        office.back()->send(list);
    }
    ASSERT_TRUE(unread.waitFor(3)) << unread.held << " answers held";
    Peer idle("127.93.0.1", port), otherIdle("127.94.0.1", port);

    Peer newcomer("127.95.0.1", port);
    newcomer.send(list);
    EXPECT_EQ(status(newcomer.answer()), 200);
    EXPECT_EQ(idle.answer(), "");  // closed unanswered to make room
    for (auto& reader : office) EXPECT_EQ(count(reader->answer(), "<!--PO-->"), 100u);
    otherIdle.send(list);
    EXPECT_EQ(status(otherIdle.answer()), 200);
}

// Answers left unread share a cap on their bytes: past it, the one written longest is given up, and
// a client that reads gets its answer whole from the gate, its bytes then given back. Each client
// is taken on once the gate has settled the one before (its bytes held, or room made for them).
TEST(ConnectionGateTest, UnreadAnswersShareACapOnTheirBytes) {
    const std::string answer(size_t(4) << 20, 'x');
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<size_t> held;  // of each answer, the bytes the gate holds for it
    GateLimits limits;
    limits.workers = 1;
    limits.answerBytes = size_t(10) << 20;  // two answers' unsent parts, not three
    limits.answerSeconds = 600;             // only the room made for others ends an answer
    limits.served = [&](size_t bytes) {
        std::lock_guard lock(mutex);
        held.push_back(bytes);
        changed.notify_all();
    };
    ConnectionGate gate(limits, [&](ConnectionGate::Connection& c) { c.send(answer); });
    const auto client = [&] {
        int pair[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
        // The gate's end takes some kilobytes at most: nearly all of each answer is left to the gate.
        const int least = 1;
        EXPECT_EQ(::setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &least, sizeof least), 0);
        const std::string head = "GET / HTTP/1.1\r\n\r\n";
        EXPECT_EQ(::send(pair[0], head.data(), head.size(), MSG_NOSIGNAL), ssize_t(head.size()));
        std::unique_lock lock(mutex);
        const size_t before = held.size();
        lock.unlock();
        gate.admit(pair[1]);
        lock.lock();
        EXPECT_TRUE(changed.wait_for(lock, std::chrono::minutes(2), [&] { return held.size() > before; }));
        return pair[0];
    };
    const auto readAll = [](int fd) {
        size_t got = 0;
        char buffer[65536];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) got += size_t(n);
        ::close(fd);
        return got;
    };
    const int first = client(), second = client();
    EXPECT_GT(held[0] + held[1], limits.answerBytes * 3 / 4);
    EXPECT_EQ(gate.answerBytesHeld(), held[0] + held[1]);
    EXPECT_EQ(gate.evicted(), 0);
    const int third = client();
    EXPECT_EQ(gate.evicted(), 1);
    EXPECT_EQ(gate.answerBytesHeld(), held[1] + held[2]);
    EXPECT_LT(readAll(first), answer.size());
    EXPECT_EQ(readAll(second), answer.size());
    const int fourth = client();
    EXPECT_EQ(gate.answerBytesHeld(), held[2] + held[3]);
    EXPECT_EQ(readAll(third), answer.size());
    EXPECT_EQ(readAll(fourth), answer.size());
    EXPECT_EQ(gate.evicted(), 1);
    EXPECT_EQ(gate.answerBytesHeld(), 0u);
}

// A store file kept before games had networks and turns opens with its game listed, and lists more.
TEST(GamesStoreTest, AFileKeptBeforeTurnsOpensWithItsGames) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("pellam-games-old-" + std::to_string(getpid()) + ".sqlite")).string();
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE games(host TEXT NOT NULL, port INTEGER NOT NULL, name TEXT NOT NULL,"
                           " title TEXT NOT NULL, players INTEGER NOT NULL, red INTEGER, blue INTEGER, yellow INTEGER,"
                           " black INTEGER, created INTEGER NOT NULL, updated INTEGER NOT NULL, PRIMARY KEY(host, port));"
                           "INSERT INTO games VALUES('10.0.0.1', 5000, 'Ann', 'Dawn', 2, NULL, NULL, NULL, NULL, 100, 100);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    for (int opened = 0; opened < 2; ++opened) {
        GamesStore store(path);
        ASSERT_TRUE(store.ok()) << store.error();
        Game g;
        g.host = "10.0.1.1";
        g.port = 5001 + opened;
        g.name = "Bob";
        EXPECT_EQ(store.announce(g, 150), Stored::kListed);
        const auto games = store.list(150);
        ASSERT_EQ(games.size(), size_t(2 + opened));
        EXPECT_EQ(games.front().name, "Ann");
    }
    for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path + tail);
}

// Every connection the store opens denies reading a game's turn while `deniedTurns` holds, as a
// store whose page order cannot be read after a write would.
std::atomic<bool> deniedTurns{false};
int denyTurns(void*, int action, const char*, const char* column, const char*, const char*) {
    return deniedTurns && action == SQLITE_READ && column && std::string_view(column) == "turn" ? SQLITE_DENY
                                                                                                 : SQLITE_OK;
}
int withTurnsDenied(sqlite3* db, const char**, const sqlite3_api_routines*) {
    return sqlite3_set_authorizer(db, denyTurns, nullptr);
}

// A game stored whose place on the page cannot then be read is told listed, never "not stored".
TEST(GamesStoreTest, AGameStoredWhosePlaceCannotBeReadIsListed) {
    const auto entry = reinterpret_cast<void (*)()>(withTurnsDenied);
    sqlite3_auto_extension(entry);
    GamesStore store(":memory:");
    sqlite3_cancel_auto_extension(entry);
    ASSERT_TRUE(store.ok()) << store.error();
    Game g;
    g.host = "10.0.2.1";
    g.port = 5000;
    g.name = "Ann";
    deniedTurns = true;
    EXPECT_EQ(store.announce(g, 100), Stored::kListedPlaceUnknown);
    deniedTurns = false;
    EXPECT_EQ(store.list(100).size(), 1u);
}

}  // namespace
}  // namespace pellam::games
