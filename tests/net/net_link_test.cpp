// Two network links on this machine, host and joiner on their own loopback ports: every packet
// type crosses a real socket and reads back as sent; a busy port fails the start aloud; a
// joiner's particulars, the closing mode and a line too long for the table.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "net/DataPackets.h"
#include "net/NetworkSockets.h"
#include "tests/net/engine_rig.h"
#include "platform/Beep.h"

namespace pellam::net {
namespace {

struct Pair {
    BSDNetworkSockets host, joiner;
    Pair() {
        EXPECT_EQ(host.startNetworkRoutines(0, BSDNetworkSockets::kHost, 1), 0);
        EXPECT_EQ(joiner.startNetworkRoutines(0, BSDNetworkSockets::kJoiner, 2), 0);
        joiner.setCurrentPort(host.localPort());
    }
    // Joiner to host; the host answers at the port the joiner's packet came from.
    ReceivedPacket toHost(std::span<const uint8_t> bytes) {
        joiner.sendDataPacket(kLoopback, bytes);
        ReceivedPacket p;
        EXPECT_TRUE(arrive(host, bytes[2], &p));
        host.setCurrentPort(p.from.port);
        return p;
    }
    ReceivedPacket toJoiner(std::span<const uint8_t> bytes) {
        host.sendDataPacket(kLoopback, bytes);
        ReceivedPacket p;
        EXPECT_TRUE(arrive(joiner, bytes[2], &p));
        return p;
    }
};

TEST(NetworkLink, EveryPacketTypeCrossesTheLoopback) {
    Pair link;
    const std::string player = makePlayerString("Rhys Davids");

    SendSlot s = link.joiner.nextSendSlot();
    auto join = parseJoinRequest(link.toHost(s.first(buildJoinRequest({2, "", 0, 13, 2, 64}, player, s))).packet());
    ASSERT_TRUE(join);
    EXPECT_EQ(join->name, "Rhys Davids");
    EXPECT_EQ(link.host.packetsIn(), 1);

    GameRules rules;
    rules.missionNumber = 60;
    rules.missionHash = 0xDEADBEEF;
    rules.missionSeconds = 8.125e8;
    s = link.host.nextSendSlot();
    auto accept = parseAccept(link.toJoiner(s.first(buildAccept({1, rules, true}, s))).packet());
    ASSERT_TRUE(accept);
    EXPECT_EQ(accept->rules, rules);
    s = link.host.nextSendSlot();
    EXPECT_EQ(parseNewGame(link.toJoiner(s.first(buildNewGame({rules, false}, s))).packet())->rules, rules);
    s = link.host.nextSendSlot();
    EXPECT_EQ(parseDecline(link.toJoiner(s.first(buildDecline(5, s))).packet()), uint8_t{5});
    s = link.host.nextSendSlot();
    EXPECT_TRUE(parseNotHost(link.toJoiner(s.first(buildNotHost(s))).packet()));
    PlayerNames names;
    names.names[1] = "Rhys Davids";
    names.teams[1] = 2;
    s = link.host.nextSendSlot();
    EXPECT_EQ(parsePlayerNames(link.toJoiner(s.first(buildPlayerNames(names, s))).packet())->names[1], "Rhys Davids");
    s = link.joiner.nextSendSlot();
    EXPECT_EQ(parseQuit(link.toHost(s.first(buildQuit(1, player, s))).packet())->joinerNumber, 1);

    JoinerData jd;
    jd.slot = 1;
    jd.stamp = 777;
    jd.message = {true, 3, 0, 0, "Huns at six"};
    s = link.joiner.nextSendSlot();
    auto joinerData = parseJoinerData(link.toHost(s.first(buildJoinerData(jd, s))).packet());
    ASSERT_TRUE(joinerData);
    EXPECT_EQ(joinerData->stamp, 777);
    EXPECT_EQ(joinerData->message.text, "Huns at six");

    HostData hd;
    hd.echo = joinerData->stamp;
    hd.aircraft[6].fill(0x42);
    s = link.host.nextSendSlot();
    auto hostData = parseHostData(link.toJoiner(s.first(buildHostData(hd, s))).packet());
    ASSERT_TRUE(hostData);
    EXPECT_EQ(hostData->echo, 777);
    EXPECT_EQ(hostData->aircraft[6], hd.aircraft[6]);

    // A datagram longer than any packet is cut at 500 bytes and refused whole, not half-read.
    std::vector<uint8_t> huge(1400, 0);
    huge[0] = 0x05, huge[1] = 0x78, huge[2] = kHostDataPacket;
    link.host.sendDataPacket(kLoopback, huge);
    s = link.host.nextSendSlot();
    link.toJoiner(s.first(buildNotHost(s)));
    ReceivedPacket p;
    EXPECT_FALSE(link.joiner.getMostRecentPacket(kHostDataPacket, &p));
}

TEST(NetworkLink, SendSlotsRotateAndABusyPortFailsAloud) {
    BSDNetworkSockets first, second;
    ASSERT_EQ(first.startNetworkRoutines(0, BSDNetworkSockets::kHost, 1), 0);
    std::vector<uint8_t*> seen;
    for (int i = 0; i < 10; ++i) seen.push_back(first.nextSendSlot().data());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << "ten packets, ten slots";
    EXPECT_EQ(first.nextSendSlot().data(), seen.front());

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
    EXPECT_EQ(link.allPlayerNames()[0], "Voss");
    EXPECT_EQ(link.getHostTeam(), 1) << "a joiner's particulars leave the host's team alone";
    ASSERT_EQ(link.startNetworkRoutines(0, BSDNetworkSockets::kJoiner, 3), 0);
    EXPECT_TRUE(link.networkAndJoiner());
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
