// The network lobby on the controller: what the host/join and join windows accept, the unattended
// host, and a games list that is slow or gone. A listed game is also tried with the real games and
// server in the lobby process test.
#include <gtest/gtest.h>

#include "game/Scoring.h"
#include "game/StandInNeighbours.h"
#include "game/VADArizodazar2.h"
#include "platform/TickCount.h"
#include "tests/TestFolder.h"
#include "tests/WaitFor.h"
#include "tests/game/GameProcess.h"
#include "tests/game/mission_rig.h"
#include "tests/gamesserver/LoopbackServer.h"

namespace pellam {
namespace {

struct LobbyNetwork : StandInNetwork {
    int32_t mode = 0;
    bool host = false, pending = false, typing = false, gameOver = false;
    int32_t othersOver = 0, accepted = 0, team = 0;
    uint32_t address = 0;
    std::vector<std::pair<uint16_t, int32_t>> starts;  // port, role
    int32_t getNetworkMode() override { return mode; }
    bool amIHost() override { return host; }
    int32_t startNetworkRoutines(uint16_t port, int32_t role) override {
        starts.push_back({port, role});
        host = role == kHostRole;
        mode = host ? 2 : 1;
        return 0;
    }
    void setJoinerParticularsName(const std::array<uint8_t, 48>&, uint32_t a, int32_t t, int32_t, int32_t) override {
        address = a;
        team = t;
    }
    bool getJoinerPending() override { return pending; }
    bool getInTextMode() override { return typing; }
    void acceptJoinerPublic() override { ++accepted, pending = false; }
    bool getImInGameOver() override { return gameOver; }
    void setImInGameOver(bool over) override { gameOver = over; }
    int32_t getOthersInGameOver() override { return othersOver; }
};

class LobbyTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        c = std::make_unique<VADArizodazar2>(GameController::Links{store_.get(), nullptr, nullptr, nullptr, &net},
                                             VADArizodazar2::Content{{}, [](ModelArray&, GameController&) {}});
        c->awakeFromNib();
    }
    LobbyNetwork net;
    testing::TestFolder dir_{"pellam lobby"};
    std::filesystem::path folder_ = dir_.path();
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<VADArizodazar2> c;
};

TEST_F(LobbyTest, OnlyWholePortsAndFourPartAddressesWithAnyPortStartAGame) {
    c->fromStartNetworkGame();
    for (const char* bad : {"0", "70000", "abc", "12x", ""}) {
        c->lobbyControls().toPortNumber2.stringValue = bad;
        c->fromHostNetworkGameButton();
        c->fromNetworkGameJoinButton();
        EXPECT_TRUE(c->lobbyControls().toHostJoinWindow2.open) << bad;
        EXPECT_FALSE(c->lobbyControls().portProblem.empty()) << bad;
    }
    EXPECT_TRUE(net.starts.empty());
    c->lobbyControls().toPortNumber2.stringValue = "5000";
    c->fromNetworkGameJoinButton();
    EXPECT_TRUE(c->lobbyControls().toNewJoinerWindow.open);
    EXPECT_EQ(store_->stringForKey("NetworkPortNumberKey"), "5000");

    // A refused address stays in the field, the reason beside it.
    for (const char* bad : {"192.168.1", "10.0.0.1.5", "pellam.example.org", "1.2.3.256", "1.2..3", "1.2.3.-4",
                            "1.2.3.4:", "1.2.3.4:0", "1.2.3.4:70000", "1.2.3.4:12x"}) {
        c->lobbyControls().toNewIPAddress.stringValue = bad;
        c->fromJoinButton();
        EXPECT_EQ(c->lobbyControls().toNewIPAddress.stringValue, bad);
        EXPECT_EQ(c->lobbyControls().addressProblem, "Bad IP Address") << bad;
    }
    EXPECT_TRUE(net.starts.empty());
    c->lobbyControls().toNewIPAddress.stringValue = " 192.168.1.20 ";
    c->fromJoinButton();
    ASSERT_EQ(net.starts.size(), 1u);
    EXPECT_EQ(net.starts[0], std::make_pair(uint16_t(5000), ControllerNetwork::kJoinerRole));
    EXPECT_EQ(net.address, 0xC0A80114u);
    EXPECT_EQ(net.team, 1);  // no team chosen: red
    EXPECT_EQ(c->lobbyControls().addressProblem, "");

    // The host's port typed after its address.
    c->endNetworkGame();
    net.mode = 0;
    c->lobbyControls().toNewJoinerWindow.makeKeyAndOrderFront();
    c->lobbyControls().toNewIPAddress.stringValue = "10.1.2.3:5001";
    c->fromJoinButton();
    ASSERT_EQ(net.starts.size(), 2u);
    EXPECT_EQ(net.starts[1], std::make_pair(uint16_t(5001), ControllerNetwork::kJoinerRole));
    EXPECT_EQ(net.address, 0x0A010203u);

    // During the game the command offers the end, and a stale table row joins nothing.
    c->fromStartNetworkGame();
    EXPECT_TRUE(c->lobbyControls().toEndNetworkGameDialog.open);
    EXPECT_FALSE(c->joinTableShouldSelectRow(4));  // no list fetched: no row to choose
    c->buttonAction();
    EXPECT_EQ(net.starts.size(), 2u);
}

TEST_F(LobbyTest, UnattendedHostTakesJoinersAndRestartsFiveSecondsAfterGameOver) {
    uint32_t now = 100000;
    platform::ScopedTickSource clock([&] { return static_cast<int32_t>(now); });
    c->fromStartNetworkGame();
    c->lobbyControls().toAutoHost.state = true;
    c->fromHostNetworkGameButton();
    ASSERT_TRUE(c->lobbySettings().doTheAutoHost);

    // A waiting joiner is taken in, but not while the host types.
    net.pending = net.typing = true;
    c->doAutoHost();
    EXPECT_EQ(net.accepted, 0);
    net.typing = false;
    c->doAutoHost();
    EXPECT_EQ(net.accepted, 1);

    // Game over: the window goes 300 ticks after it was first seen; the game runs again; the
    // new game waits for the joiners still in game over.
    c->setRunning(false);
    net.gameOver = true;
    net.othersOver = 1;
    c->interface().toGameOverWindow.makeKeyAndOrderFront();
    for (int frame = 0; frame < 299; ++frame, ++now) c->doAutoHost();
    EXPECT_TRUE(c->interface().toGameOverWindow.open);
    ++now;
    c->doAutoHost();
    EXPECT_FALSE(c->interface().toGameOverWindow.open);
    EXPECT_FALSE(net.gameOver);
    c->doAutoHost();
    EXPECT_TRUE(c->clock().gamePause);
    c->doAutoHost();
    EXPECT_TRUE(c->lobbySettings().AutoRestart);
    net.othersOver = 0;
    c->doAutoHost();
    EXPECT_FALSE(c->lobbySettings().AutoRestart);
    EXPECT_EQ(c->lobbySettings().AutoRestartTime, 0u);
}

TEST_F(LobbyTest, TheFramesNeverWaitForASlowOrMissingServer) {
    std::optional<testing::LoopbackSocket> slow(std::in_place, true);  // a server that never answers
    store_->setString("GamesListServerKey", "127.0.0.1:" + std::to_string(slow->port));
    c->setGamesListTimeout(600000);  // no request ends by itself while the frames run
    c->fromStartNetworkGame();
    c->fromNetworkGameJoinButton();
    // Frames, each asking the table for its cells and refreshing, while no answer comes: each
    // returns with the request still out, as a frame that waited for it would not.
    for (int frame = 0; frame < 30; ++frame) {
        for (int column = 0; column < 4; ++column) c->joinTableValue(column, 0);
        c->fromRefreshButton();
    }
    EXPECT_EQ(c->joinTableValue(2, 0), "looking for public games...");
    // The server gone: the player hears so as soon as the connection is refused.
    slow.reset();
    std::string shown;
    testing::waitFor([&] { return (shown = c->joinTableValue(2, 0)).rfind("couldn't", 0) == 0; },
                     "the refused connection to reach the join table");
    EXPECT_EQ(shown.rfind("couldn't reach the games list", 0), 0u) << shown;
}

// A listed host over the real server: announced in its first frame even in the program's first
// minute, its text whole through the query's escaping (less the characters the list refuses, which
// would keep it off the list), with the teams of the host and the occupied slots only; a joiner's
// list kept through a failed Refresh; the end report unlists it.
class ListedHostTest : public testing::MissionRig {};

TEST_F(ListedHostTest, AnnouncesItsOccupiedSlotsAtOnceAndLeavesTheListAtTheEnd) {
    games::LoopbackServer server;
    store_->setString("GamesListServerKey", server.base);
    c->setGamesListTimeout(60000);  // a loaded machine's slow answer is still an answer
    c->fromPilotSignInMenu();
    c->interface().pilotNameFields[0].stringValue = "Ann\u202E& Co=1 <b>";  // escaped on the way, whole on return
    c->fromPlayerSignInOkay();
    c->interface().toListGamePublicly.state = true;
    c->lobbyControls().toHostMessage = "Dawn\u200B patrol\nover\u2028 Albert\t";
    network.mode = 2;
    network.host = true;
    for (long n = 0; n < 8; ++n) aircraft(n).setRemoteLocal(n == 3 ? 1 : 0);  // slot 3 a joiner
    aircraft(0).ThisAircraft.Team = 1;
    aircraft(3).ThisAircraft.Team = 2;
    int32_t now = 500;
    platform::ScopedTickSource clock([&] { return now++; });
    c->Wait1Tick();
    auto fetched = [&](int32_t expected) {
        c->checkForNetworkGames(true);
        testing::waitFor(
            [&] {
                c->checkForNetworkGames(false);
                return c->lobbySettings().currentNumberOfPublicGames == expected &&
                       c->lobbySettings().gamesListProblem.empty();
            },
            "a games list of " + std::to_string(expected), testing::kHangBound, std::chrono::milliseconds(10));
        return c->lobbySettings().currentNumberOfPublicGames;
    };
    ASSERT_EQ(fetched(1), 1);
    EXPECT_EQ(c->joinTableValue(1, 0), "Ann& Co=1 <b>");
    EXPECT_EQ(c->joinTableValue(2, 0), "Dawn patrol\nover Albert");
    EXPECT_EQ(c->joinTableValue(3, 0), "Red:1\nBlue:1\nYellow:0\nBlack:0");
    // A joiner taken in is listed in the next frame, not a minute later.
    network.joiners = 2;
    aircraft(5).setRemoteLocal(1);
    aircraft(5).ThisAircraft.Team = 2;
    c->Wait1Tick();
    c->checkForNetworkGames(true);
    testing::waitFor([&] {
        c->checkForNetworkGames(false);
        return c->joinTableValue(3, 0) == "Red:1\nBlue:2\nYellow:0\nBlack:0";
    }, "the newcomer in the list", testing::kHangBound, std::chrono::milliseconds(10));
    // A Refresh that fails keeps the games listed, and the window says why and that they are old.
    EXPECT_EQ(c->staleGamesNotice(), "");
    {
        const testing::LoopbackSocket gone(false);  // bound, never listening: refused at once
        store_->setString("GamesListServerKey", "127.0.0.1:" + std::to_string(gone.port));
        c->fromRefreshButton();
        testing::waitFor([&] {
            c->checkForNetworkGames(false);
            return !c->staleGamesNotice().empty();
        }, "the failed refresh told", testing::kHangBound, std::chrono::milliseconds(10));
    }
    EXPECT_EQ(c->staleGamesNotice(), "Couldn't refresh the games list (Couldn't connect to server). The games below "
                                     "are from the last list and may be out of date.");
    EXPECT_EQ(c->joinTableValue(1, 0), "Ann& Co=1 <b>");
    store_->setString("GamesListServerKey", server.base);
    c->tellServerToEnd();
    EXPECT_EQ(fetched(0), 0);
}

// A host whose game the list keeps off its full page hears so once, not at each minute's
// announcement; and once the game shares the page's last row with another, that it shows in turns.
TEST_F(ListedHostTest, AHostPastAFullPageIsToldOnceWhereItsGameStands) {
    games::ServerOptions options;
    options.limits.listRows = 2;
    games::LoopbackServer server(options);
    const auto list = [&](const char* from, const std::string& name, int port) {
        return games::status(games::ask(from, server.server->port(),
                                        "/hostgameruzk.php?host=" + name + "&port=" + std::to_string(port) + "&title=t"));
    };
    ASSERT_EQ(list("127.80.0.1", "A", 5000), 200);
    ASSERT_EQ(list("127.0.0.2", "B", 5000), 200);  // of the host's own network: its game comes second
    store_->setString("GamesListServerKey", server.base);
    c->setGamesListTimeout(60000);
    c->interface().toListGamePublicly.state = true;
    network.mode = 2;
    network.host = true;
    int32_t now = 500;
    platform::ScopedTickSource clock([&] { return now++; });
    const auto told = [&](std::string_view what) {
        return std::count_if(c->interface().notices.begin(), c->interface().notices.end(),
                             [&](const std::string& notice) { return notice.find(what) != std::string::npos; });
    };
    // The first frame announces the game, and the host hears the answer. Only one frame: on this
    // clock, which moves at each reading, frames run through a minute while the answer is on its
    // way and announce again, and an answer heard later would be that older announcement's.
    c->Wait1Tick();
    const auto hear = [&] {
        testing::waitFor([&] { return c->hearGamesListAnswer(); }, "the list's answer", testing::kHangBound,
                         std::chrono::milliseconds(10));
    };
    hear();
    EXPECT_EQ(told("does not show it"), 1);
    const auto announce = [&] { c->sendHostDataToServer(), hear(); };
    announce();
    EXPECT_EQ(told("does not show it"), 1) << "told once, not every minute";
    EXPECT_EQ(told("in turns"), 0);
    ASSERT_EQ(list("127.80.0.1", "C", 5001), 202);  // a second game of that network: the host's turn, unshown
    ASSERT_EQ(list("127.80.0.1", "A", 0), 200);     // its first ends: two games now share the last row
    announce();
    EXPECT_EQ(told("in turns"), 1);
}

// A host the list refuses hears why, in the server's words, once a run for each refusal rather
// than at every minute's announcement, though several reasons share a status (429 for the
// address's games, the network's, and the rate); and so when the list does not answer at all.
TEST_F(ListedHostTest, AHostTheListRefusesIsToldOnceOfEachRefusalWhy) {
    games::ServerOptions options;
    options.limits.gamesPerAddress = 1;
    options.limits.gamesPerBlock = 2;
    options.limits.totalGames = 3;
    options.burst = 7;  // the host's address may announce seven times, and never gets more
    options.perSecond = 1e-6;
    games::LoopbackServer server(options);
    const auto list = [&](const char* from, const std::string& name, int port) {
        return games::status(games::ask(from, server.server->port(),
                                        "/hostgameruzk.php?host=" + name + "&port=" + std::to_string(port) + "&title=t"));
    };
    ASSERT_EQ(list("127.0.0.1", "B", 5000), 200);  // the one game the host's address may list (1st of 7)
    store_->setString("GamesListServerKey", server.base);
    c->setGamesListTimeout(60000);
    c->interface().toListGamePublicly.state = true;
    network.mode = 2;
    network.host = true;
    const auto& notices = c->interface().notices;
    const auto announced = [&](std::string_view what) {
        c->sendHostDataToServer();
        testing::waitFor([&] { return c->hearGamesListAnswer(); }, "the list's answer", testing::kHangBound,
                         std::chrono::milliseconds(10));
        return std::count_if(notices.begin(), notices.end(),
                             [&](const std::string& notice) { return notice.find(what) != std::string::npos; });
    };
    EXPECT_EQ(announced("does not list your game: too many games from this address."), 1);
    EXPECT_EQ(announced("too many games"), 1) << "told once, not every minute";
    // The address is free, its network is not: another 429, for another reason.
    ASSERT_EQ(list("127.0.0.2", "D", 5000), 200);
    ASSERT_EQ(list("127.0.0.1", "B", 0), 200);
    ASSERT_EQ(list("127.0.0.3", "E", 5000), 200);
    EXPECT_EQ(announced("does not list your game: too many games from this network."), 1);
    EXPECT_EQ(announced("too many games from this network"), 1);
    ASSERT_EQ(list("127.0.0.2", "D", 0), 200);
    ASSERT_EQ(list("127.0.0.3", "E", 0), 200);
    for (const char* from : {"127.80.0.1", "127.81.0.1", "127.82.0.1"}) ASSERT_EQ(list(from, "A", 5000), 200);
    EXPECT_EQ(announced("does not list your game: the list is full."), 1);  // the 7th
    EXPECT_EQ(announced("does not list your game: too many requests."), 1);
    EXPECT_EQ(announced("too many requests"), 1);
    const testing::LoopbackSocket gone(false);  // bound, never listening: refused at once
    store_->setString("GamesListServerKey", "127.0.0.1:" + std::to_string(gone.port));
    EXPECT_EQ(announced("did not answer when your game was announced (Couldn't connect to server)"), 1);
    EXPECT_EQ(announced("did not answer"), 1);
    EXPECT_EQ(notices.size(), 5u);
}

// Hosting plays the mission chosen in Select Mission, though that window was closed unflown.
TEST_F(ListedHostTest, HostingPlaysTheMissionChosenInSelectMission) {
    ASSERT_EQ(c->missionState().CurrentMissionNumber, 0);
    c->handleThisMenu(kMenuSelectMission);
    c->fromMissionMenu(c->missionWindowControls().toMissionMenuPopUp.positionOfTag(1));
    c->missionWindowControls().toSelectMission.close();
    network.opens = true;
    c->fromStartNetworkGame();
    c->lobbyControls().toPortNumber2.stringValue = "5000";
    c->fromHostNetworkGameButton();
    EXPECT_EQ(network.mode, 2);
    EXPECT_EQ(c->missionState().CurrentMissionNumber, 1);
}

}  // namespace
}  // namespace pellam
