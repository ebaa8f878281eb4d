// Two real games on one machine, as two players would run them: one hosts its mission on a free
// port, the other joins it by 127.0.0.1 and that port. Each waits to see the other's aircraft
// in the world, they exchange typed messages, the joiner quits and the host sees it go. The
// games host and join through their test switches (PELLAM_NETWORK_HOST, PELLAM_NETWORK_JOIN).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/UdpSocket.h"
#include "tests/game/GameProcess.h"

namespace {

namespace fs = std::filesystem;

pid_t start(const fs::path& folder, const std::string& network, const std::string& script) {
    fs::create_directories(folder);
    std::ofstream(folder / "script") << script;
    const std::string command = "env XDG_CONFIG_HOME='" + (folder / "config").string() + "' PELLAM_AUTOFLY=1 PELLAM_AUTOQUIT_SECONDS=240 " + network +
                                " PELLAM_PLAYER_SCRIPT='" + (folder / "script").string() + "' '" PELLAM_EXECUTABLE "'";
    return pellam::testing::startProcess(command);
}

TEST(NetworkProcesses, HostAndJoinerSeeEachOtherTalkAndPart) {
    pellam::platform::UdpSocket probe;
    std::string error;
    ASSERT_TRUE(probe.open(0, &error)) << error;
    const std::string port = std::to_string(probe.localPort());
    probe.close();
    const fs::path folder = fs::temp_directory_path() / ("pellam-network-" + std::to_string(getpid()));

    const pid_t host = start(folder / "host", "PELLAM_NETWORK_HOST=" + port,
                             "until joined\nuntil seen 1\nuntil message hello from the joiner\n"
                             "key m\ntype welcome aboard\nkey Return\nuntil message has quit the game\nquit\n");
    const pid_t joiner = start(folder / "joiner", "PELLAM_NETWORK_JOIN=127.0.0.1:" + port,
                               "until joined\nuntil seen 1\nkey m\ntype hello from the joiner\nkey Return\n"
                               "until message welcome aboard\nquit\n");
    EXPECT_EQ(pellam::testing::finishProcess(joiner), 0);
    EXPECT_EQ(pellam::testing::finishProcess(host), 0);
    fs::remove_all(folder);
}

}  // namespace
