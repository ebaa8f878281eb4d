// The games-list page from the game's side: which rows are read, and the server's escaped text
// shown as it was typed. Announcing and fetching through the real server are the lobby's tests.
#include <gtest/gtest.h>

#include "net/PublicGames.h"

namespace pellam {
namespace {

std::string row(int i, const std::string& players = "<!--NP--> 2<br>", const std::string& port = "12301<br>") {
    return "<!-- " + std::to_string(i) + " -->\n<UL><!--HN--> Pilot" + std::to_string(i) +
           "<br>\n<!--HM-->Hello</UL>\n" + players + "\n<!--IP--> 10.0.0." + std::to_string(i % 250) +
           ":<!--PO-->" + port + "\n";
}

TEST(GamesPageTest, ReadsNumberedRowsUntilOneIsMissingOrIncompleteAndShowsTextAsTyped) {
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
    EXPECT_EQ(pageTextForDisplay("Meet at 8&amp;9<br>&lt;b&gt;tea&lt;/b&gt; &quot;&#39;No&#32;games"),
              "Meet at 8&9\n<b>tea</b> \"'No games");
}

}  // namespace
}  // namespace pellam
