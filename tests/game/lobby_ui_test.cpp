// The join window on a real window under Xvfb: a game another pilot listed on the real games-list
// server shows in the table as plain text, and its row's button joins it.
#include <chrono>
#include <thread>

#include "net/GamesListClient.h"
#include "tests/game/InterfaceFixture.h"
#include "tests/gamesserver/LoopbackServer.h"

namespace pellam {
namespace {

TEST_F(InterfaceTest, APublicGameShowsInTheJoinTableAndItsRowJoinsIt) {
    games::LoopbackServer server;
    const std::string& base = server.base;
    {
        GamesListClient other(2000);  // another pilot's game, sent as the game sends it
        Announcement game;
        game.hostName = "Lothar";
        game.port = 5000;
        game.players = 2;
        game.title = "<i>Jasta 11</i> & friends\nAll welcome";
        other.announce(announcementUrl(base, game));
    }  // sent before the client goes
    store_->setString("GamesListServerKey", base);

    controller_->fromStartNetworkGame();
    press("Network Game", "Join...");
    ASSERT_TRUE(controller_->lobby.toNewJoinerWindow.open);
    for (int i = 0; i < 300 && controller_->currentNumberOfPublicGames == 0; ++i) {
        frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(controller_->currentNumberOfPublicGames, 1);
    EXPECT_EQ(controller_->joinTableValue(1, 0), "Lothar");
    EXPECT_EQ(controller_->joinTableValue(2, 0), "<i>Jasta 11</i> & friends\nAll welcome");

    press("Join a Network Game", "Join row 1");
    EXPECT_FALSE(controller_->lobby.toNewJoinerWindow.open);
    EXPECT_EQ(controller_->JoinAddress, 0x7F000001u);
    EXPECT_EQ(controller_->NetworkPortNumber, 5000);
}

}  // namespace
}  // namespace pellam
