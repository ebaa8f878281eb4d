// A network link's socket on this machine: a datagram longer than any packet refused whole, send
// slots that rotate, a busy port failing the start aloud, a joiner's particulars, the closing
// mode and a line too long for the table.
#include <gtest/gtest.h>

#include "net/DataPackets.h"
#include "net/NetworkSockets.h"
#include "tests/net/engine_rig.h"
#include "platform/Beep.h"

namespace pellam::net {
namespace {

TEST(NetworkLink, ADatagramLongerThanAnyPacketIsRefusedWhole) {
    BSDNetworkSockets host, joiner;
    ASSERT_EQ(host.startNetworkRoutines(0, BSDNetworkSockets::kHost, 1), 0);
    ASSERT_EQ(joiner.startNetworkRoutines(0, BSDNetworkSockets::kJoiner, 2), 0);
    host.setCurrentPort(joiner.localPort());
    // Cut at 500 bytes by the receiver, it must not be half-read as the host data it claims.
    std::vector<uint8_t> huge(1400, 0);
    huge[0] = 0x05, huge[1] = 0x78, huge[2] = kHostDataPacket;
    host.sendDataPacket(kLoopback, huge);
    SendSlot s = host.nextSendSlot();
    host.sendDataPacket(kLoopback, s.first(buildNotHost(s)));
    ReceivedPacket p;
    ASSERT_TRUE(arrive(joiner, kNotHostPacket, &p));
    EXPECT_TRUE(parseNotHost(p.packet()));
    EXPECT_FALSE(joiner.getMostRecentPacket(kHostDataPacket, &p));
}

TEST(NetworkLink, SendSlotsRotateAndABusyPortFailsAloud) {
    BSDNetworkSockets first, second;
    ASSERT_EQ(first.startNetworkRoutines(0, BSDNetworkSockets::kHost, 1), 0);
    std::vector<uint8_t*> seen;
    for (int i = 0; i < 10; ++i) seen.push_back(first.nextSendSlot().data());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << "ten packets, ten slots";

    const long beeps = platform::beepCount();
    EXPECT_EQ(second.startNetworkRoutines(first.localPort(), BSDNetworkSockets::kJoiner, 1), -1);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_NE(second.startError().find(std::to_string(first.localPort())), std::string::npos) << second.startError();
    EXPECT_EQ(second.getNetworkMode(), BSDNetworkSockets::kNoGame);

    // Sending with no socket, or to no one, sends nothing; closing twice is harmless.
    second.sendDataPacket(kLoopback, std::vector<uint8_t>{0, 12, 12});
    first.sendDataPacket(0, std::vector<uint8_t>{0, 12, 12});
    EXPECT_EQ(second.packetsSent() + first.packetsSent(), 0);
    first.closeSocket();
    first.closeSocket();
    EXPECT_FALSE(first.socketOpen());
}

TEST(NetworkLink, AJoinersParticularsLeaveTheHostsTeamAndClosingKeepsThePlayersKills) {
    BSDNetworkSockets link;
    link.setJoinerParticulars(makePlayerString("Voss"), kLoopback, 3, 4);
    EXPECT_EQ(link.getHostTeam(), 1) << "a joiner's particulars leave the host's team alone";
    ASSERT_EQ(link.startNetworkRoutines(0, BSDNetworkSockets::kJoiner, 3), 0);
    const std::string kills(link.messageLine(5).substr(0, 17));
    link.setMode(BSDNetworkSockets::kClosing, 0);
    for (int line = 0; line < 5; ++line) EXPECT_TRUE(link.messageLine(line).empty());
    EXPECT_EQ(link.messageLine(5).substr(0, 17), kills) << "the players' entries stay";

    link.setMessageLine(1, std::string(400, 'z'));
    EXPECT_EQ(link.messageLine(1).size(), kMaxLineChars);
    EXPECT_EQ(link.getMessageLines()[1][255], kNoRelay) << "a long line keeps the relay marks";
}

}  // namespace
}  // namespace pellam::net
