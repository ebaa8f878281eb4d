// Two real games on one machine, as two players would run them: one hosts its mission on a port
// it chooses and names, the other joins it by 127.0.0.1 and that port. Each waits to see the
// other's aircraft in the world (the host told of the joiner's arrival, listed by his team and
// kills), they exchange typed messages, the joiner quits and the host sees it go. The games host
// and join through their test switches (PELLAM_NETWORK_HOST, PELLAM_NETWORK_JOIN). The joiner
// plays on a screen of its own, as on a machine of its own: the host keeps the keyboard, so his
// game flies on, seen from his cockpit, as the joiner is taken in, talks and leaves. (A window
// opened over his would take the keyboard: his game would pause, and after 15 s of pause the
// circling camera would show his aircraft from outside.)
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/TestFolder.h"
#include "tests/game/GameProcess.h"

namespace pellam::testing {
namespace {

TEST(NetworkProcesses, HostAndJoinerSeeEachOtherTalkAndPart) {
    const TestFolder folder{"pellam-network"};
    auto start = [&](const char* name, const std::string& network, const char* script, const std::string& screen = "") {
        // The quit is only a guard against a hang (both games under the sanitizers on a loaded
        // machine have taken 50 s); it stays inside the test's own 600 s.
        const std::string environment = "PELLAM_AUTOFLY=1 PELLAM_AUTOQUIT_SECONDS=480 " + network;
        const std::string log = (folder.path() / name).string() + ".log";
        return startProcess(screen + gameCommand(folder.path() / name, environment, script) + " 2> '" + log + "'");
    };

    // The host takes any free port and names it; the joiner is started with that port.
    const pid_t host = start("host", "PELLAM_NETWORK_HOST=0",
                             "until joined\nuntil message :B/ 0: has joined the game\nexpect flying\nexpect camera 0\n"
                             "until seen 1\nuntil message hello from the joiner\nexpect camera 0\n"
                             "key m\ntype welcome aboard\nkey Return\nuntil message has quit the game\nframes 30\n"
                             "expect flying\nexpect camera 0\nquit\n");
    const long port = awaitNumberAfter(host, folder.path() / "host.log", "Hosting on port ");
    ASSERT_GT(port, 0);
    const pid_t joiner = start("joiner", "PELLAM_NETWORK_JOIN=127.0.0.1:" + std::to_string(port),
                               "until joined\nuntil seen 1\nkey m\ntype hello from the joiner\nkey Return\n"
                               "until message welcome aboard\nquit\n",
                               "'" PELLAM_UNDER_XVFB "' '" PELLAM_XVFB "' '" PELLAM_TEST_SCREEN "' ");
    // What a script found otherwise, from its game's log.
    auto failures = [&](const char* name) {
        std::ifstream log(folder.path() / (std::string(name) + ".log"));
        std::string found;
        for (std::string line; std::getline(log, line);)
            if (line.find("\" failed: ") != std::string::npos) found += line + "\n";
        return found;
    };
    EXPECT_EQ(finishProcess(joiner), 0) << failures("joiner");
    EXPECT_EQ(finishProcess(host), 0) << failures("host");
}

}  // namespace
}  // namespace pellam::testing
