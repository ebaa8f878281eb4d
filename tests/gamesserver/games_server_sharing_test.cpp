// What attackers of a few networks can take from the games-list server, and what they cannot: the
// page's rows are shared among the networks present, so that a player of another network still
// lists his game.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>

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
    int listed = 0, turnedAway = 0;
    for (int block = 0; block < 5; ++block)
        for (int address = 1; address <= 6; ++address)
            for (int k = 0; k < 8; ++k) {
                const std::string from = "127.50." + std::to_string(block) + "." + std::to_string(address);
                const int got = status(ask(from, port, "/hostgameruzk.php?port=" + std::to_string(5000 + k) +
                                                           "&title=" + escapedQuotes(299) + game));
                listed += got == 200;
                turnedAway += got == 429;
            }
    EXPECT_EQ(listed, 5 * 32);
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

}  // namespace
}  // namespace pellam::games
