// A public game tried as new players would: the games-list server started from its program, one
// game hosts a listed, unattended game from the lobby, a second finds it in the join window's
// table and joins it from its row and says so; the host ends the game, the joiner is told, and the
// game leaves the list.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <unistd.h>

#include "net/GamesListClient.h"
#include "net/PublicGames.h"
#include "platform/UdpSocket.h"
#include "tests/TestFolder.h"
#include "tests/game/GameProcess.h"

namespace pellam::testing {
namespace {
namespace fs = std::filesystem;

// One game with its own settings (the server's address, the pilot's name, the network port its
// lobby offers) and a player's script; what it logs goes to `log`. `screen` may name a command the
// game runs under (an X server of its own).
pid_t startGame(const fs::path& folder, const std::string& base, const std::string& pilot, const std::string& script,
                int networkPort = 12301, const std::string& screen = "") {
    fs::create_directories(folder / "config" / "pellam");
    std::ofstream(folder / "config" / "pellam" / "defaults.json")
        << R"({"GamesListServerKey": ")" << base << R"(", "Pilot1NameKey": ")" << pilot
        << R"(", "NetworkPortNumberKey": ")" << networkPort << "\"}";
    // The games' own quit guards against a hang only: a game whose script is stuck ends well
    // within the test's limit, and its log is printed.
    return startProcess(screen + gameCommand(folder, "PELLAM_AUTOFLY=1 PELLAM_AUTOQUIT_SECONDS=420", script) + " 2> '" +
                        (folder / "log").string() + "'");
}

// What a file holds; empty when it cannot be read.
std::string contents(const fs::path& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Whether a file holds `text`.
bool holds(const fs::path& file, const std::string& text) { return contents(file).find(text) != std::string::npos; }

// The games the server lists, polled until there are `count`, or `givenUp` holds, or five minutes
// pass (a game under the sanitizers on a loaded machine starts slowly).
int awaitListed(const std::string& base, int count, const std::function<bool()>& givenUp = [] { return false; }) {
    GamesListClient client(2000);
    PublicGamesList rows;
    int listed = -1;
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(300);
         listed != count && !givenUp() && std::chrono::steady_clock::now() < end;) {
        client.fetch(gamesListUrl(base));
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));  // within one address's request budget
        if (auto page = client.takeFetched(); page && page->ok) listed = parseGamesPage(page->page, rows);
    }
    return listed;
}

TEST(LobbyProcesses, AListedGameIsFoundJoinedFromTheTableAndLeavesTheListAtItsEnd) {
    const TestFolder dir{"pellam-lobby"};
    const fs::path& folder = dir.path();
    // What the test waits for now, in its folder: a run stopped at the suite's time limit leaves the
    // folder, and this names the process or the list it stood waiting on.
    const auto waitingFor = [&](const std::string& what) { std::ofstream(folder / "waiting") << what << "\n"; };
    // The server on a port found free; should another program take it first, the server says
    // so and ends, and another port is tried. The server names its port once it listens.
    pid_t server = -1;
    long port = -1;
    for (int attempt = 0; attempt < 20 && port < 0; ++attempt) {
        const fs::path log = folder / ("server" + std::to_string(attempt) + ".log");
        const int free = LoopbackSocket(false).port;  // closed again at once
        server = startProcess("'" PELLAM_GAMES_SERVER "' --listen 127.0.0.1:" + std::to_string(free) + " --db '" + (folder / "games.sqlite").string() + "' > '" + log.string() + "'");
        port = awaitNumberAfter(server, log, "listening on 127.0.0.1:");
    }
    ASSERT_GT(port, 0);
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
    waitingFor("the empty list");
    ASSERT_EQ(awaitListed(base, 0), 0);

    // The host pauses, opens the network game, lists the game, hosts it unattended, and ends it
    // once the joiner's word shows that it is in (the joiner's own start may take a while; ended
    // sooner, the game would be gone before the joiner saw itself join). Its lobby offers a port
    // found free; should another program take it first, the game says so, and it is started again
    // with another.
    pid_t host = -1;
    int listed = -1, hostAttempt = 0;
    for (int attempt = 0; attempt < 20 && listed != 1; ++attempt) {
        hostAttempt = attempt;
        const fs::path hostFolder = folder / ("host" + std::to_string(attempt));
        int free = 0;
        {
            platform::UdpSocket probe;
            std::string error;
            ASSERT_TRUE(probe.open(0, &error)) << error;
            free = probe.localPort();
        }
        host = startGame(hostFolder, base, "Lothar",
                         "frames 30\nkey p\nclick Menu|Game\nclick Game|Network Game\n"
                         "click Network Game|List publicly\nclick Network Game|Host unattended\n"
                         "click Network Game|Host\nuntil joined\nuntil message in from the list\nkey p\n"
                         "click Menu|Game\nclick Game|Network Game\nframes 10\nclick End Network Game|OK\n"
                         "until alone\nframes 30\nquit\n",
                         free);
        const auto refused = [&] { return holds(hostFolder / "log", "Cannot use network port"); };
        waitingFor("the host's game in the list");
        listed = awaitListed(base, 1, refused);
        if (listed != 1 && refused()) {
            kill(host, SIGTERM);
            finishProcess(host);
        }
    }
    EXPECT_EQ(listed, 1);
    // The joiner plays on a screen of its own, as on a machine of its own. On the host's screen its
    // window would lie over the host's, and the host's clicks, made while the joiner is in the game,
    // would land on the joiner's window.
    const std::string ownScreen = "'" PELLAM_UNDER_XVFB "' '" PELLAM_XVFB "' '" PELLAM_TEST_SCREEN "' ";
    const pid_t joiner = startGame(folder / "joiner", base, "Roy",
                                   "frames 30\nkey p\nclick Menu|Game\nclick Game|Network Game\n"
                                   "click Network Game|Join...\nuntil public-games 1\n"
                                   "click Join a Network Game|Join row 1\nuntil joined\n"
                                   "key m\ntype in from the list\nkey Return\nuntil alone\nquit\n",
                                   12301, ownScreen);
    waitingFor("the joiner's end");
    const int joined = finishProcess(joiner);
    EXPECT_EQ(joined, 0) << contents(folder / "joiner" / "log");
    if (joined != 0) kill(host, SIGTERM);  // it would wait for the joiner to the end of its script's patience
    const fs::path hostLog = folder / ("host" + std::to_string(hostAttempt)) / "log";
    waitingFor("the host's end");
    EXPECT_EQ(finishProcess(host), 0) << contents(hostLog);
    waitingFor("the list emptied");
    EXPECT_EQ(awaitListed(base, 0), 0);
    kill(server, SIGTERM);
    waitingFor("the server's end");
    EXPECT_EQ(finishProcess(server), 0);
}

}  // namespace
}  // namespace pellam::testing
