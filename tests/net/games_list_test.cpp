// The games list from the game's side: the page parse on its own, then an announcement and a
// fetch through the HTTP client against the real games-list server on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/gamesserver/LoopbackServer.h"
#include "net/GamesListClient.h"
#include "net/PublicGames.h"

namespace pellam {
namespace {

std::string row(int i, const std::string& players = "<!--NP--> 2<br>", const std::string& port = "12301<br>") {
    return "<!-- " + std::to_string(i) + " -->\n<UL><!--HN--> Pilot" + std::to_string(i) +
           "<br>\n<!--HM-->Hello</UL>\n" + players + "\n<!--IP--> 10.0.0." + std::to_string(i % 250) +
           ":<!--PO-->" + port + "\n";
}

TEST(GamesPageTest, ReadsNumberedRowsUntilOneIsMissingOrIncomplete) {
    std::string many;
    for (int i = 0; i < 120; ++i) many += row(i);
    // A row missing a terminator does not borrow the next row's: the list ends before it. So do
    // three team counts, and ports that cannot be joined.
    const std::pair<std::string, int> pages[] = {
        {row(0) + row(1) + row(3), 2},
        {many, 100},
        {row(0) + "No games currently", 0},
        {row(0, "<!--TD--> Red:1 Blue:2 Yellow:0 Black:0<br>", "5000abc<br>") + row(1), 2},
        {row(0) + row(1, "<!--NP--> 2<br>", "12301") + row(2), 1},
        {row(0) + row(1, "<!--TD--> Red:1 Blue:2 Yellow:0<br>") + row(2), 1},
        {row(0, "<!--NP--> 2<br>", "0<br>"), 0},
        {row(0, "<!--NP--> 2<br>", "70000<br>"), 0},
        {row(0).substr(0, 40), 0},
    };
    PublicGamesList rows;
    for (size_t i = 0; i < std::size(pages); ++i) EXPECT_EQ(parseGamesPage(pages[i].first, rows), pages[i].second) << i;
    parseGamesPage(pages[3].first, rows);
    EXPECT_EQ(rows[0].Port, 5000u) << "a port with letters after its digits";
}

class GamesListServerTest : public ::testing::Test {
protected:
    // Fetches the list through the client and parses it; -1 when no page came.
    int fetch() {
        client_.fetch(gamesListUrl(base_));
        for (int i = 0; i < 500; ++i) {
            if (auto page = client_.takeFetched()) return page->ok ? parseGamesPage(page->page, rows_) : -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    games::LoopbackServer loopback_;
    std::string base_ = loopback_.base;
    GamesListClient client_{2000};
    PublicGamesList rows_;
};

// The listing, team counts and end report through the client are the lobby's tests; here, text
// that looks like the page's own markup or a query's separators comes back as it was typed.
TEST_F(GamesListServerTest, AnnouncedTextComesBackIntact) {
    Announcement game;
    game.hostName = "Ann & Co=1";
    game.port = 5000;
    game.title = "Meet at 8&9 = dawn\nBring <b>tea</b> <!-- 7 -->" + std::string(400, '!');
    client_.announce(announcementUrl(base_, game));
    ASSERT_EQ(fetch(), 1);
    EXPECT_EQ(pageTextForDisplay(rows_[0].HostName), "Ann & Co=1");
    // Line feeds travel as "<br>"; 299 characters in all.
    const std::string shown = pageTextForDisplay(rows_[0].HostMessage);
    EXPECT_EQ(shown.substr(0, 47), "Meet at 8&9 = dawn\nBring <b>tea</b> <!-- 7 -->!");
    EXPECT_EQ(shown.size(), 299u);
}

}  // namespace
}  // namespace pellam
