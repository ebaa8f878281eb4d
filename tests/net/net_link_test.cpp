// Network links on this machine's loopback ports: a busy port failing the start aloud, a
// joiner's particulars, a line too long for the table, the accept's slot search, the decline
// list, the data senders' hit counts, a datagram longer than any packet refused whole, the host's
// quit, and a host hosting again on its port at once.
#include <gtest/gtest.h>

#include "net/DataPackets.h"
#include "net/NetworkSockets.h"
#include "tests/net/engine_rig.h"
#include "platform/Beep.h"

namespace pellam::net::rig {
namespace {

TEST(NetworkLink, ABusyPortFailsAloud) {
    BSDNetworkSockets first, second;
    ASSERT_EQ(first.startNetworkRoutines(0, BSDNetworkSockets::kHost, 1), 0);
    const long beeps = platform::beepCount();
    EXPECT_EQ(second.startNetworkRoutines(first.localPort(), BSDNetworkSockets::kJoiner, 1), -1);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_NE(second.startError().find(std::to_string(first.localPort())), std::string::npos) << second.startError();
    EXPECT_EQ(second.getNetworkMode(), BSDNetworkSockets::kNoGame);

    // Sending with no socket, or to no one, sends nothing.
    second.sendDataPacket(kLoopback, std::vector<uint8_t>{0, 12, 12});
    first.sendDataPacket(0, std::vector<uint8_t>{0, 12, 12});
    EXPECT_EQ(second.packetsSent() + first.packetsSent(), 0);
}

TEST(NetworkLink, AJoinersParticularsLeaveTheHostsTeamAndALongLineKeepsTheRelayMarks) {
    BSDNetworkSockets link;
    link.setJoinerParticularsName(makePlayerString("Voss"), kLoopback, 3, 4);
    EXPECT_EQ(link.getHostTeam(), 1) << "a joiner's particulars leave the host's team alone";
    link.setMessageLine(1, std::string(400, 'z'));
    EXPECT_EQ(link.messageLine(1).size(), kMaxLineChars);
    EXPECT_EQ(link.getMessageLines()[1][255], kNoRelay) << "a long line keeps the relay marks";
}

TEST(NetworkLink, AcceptSlotsAndDeclineList) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    BSDNetworkSockets host;
    for (int n = 1; n <= 7; ++n) {
        EXPECT_TRUE(host.AcceptJoiner(0, n));
        host.setJoiner(n, 0x0A000000u + n, 1);
    }
    const long beeps = platform::beepCount();
    EXPECT_FALSE(host.AcceptJoiner(0, 1)) << "every slot taken";
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_FALSE(BSDNetworkSockets{}.AcceptJoiner(0, 9)) << "no joiner 9";

    // The same address twice takes one entry; an eighth distinct address replaces the oldest.
    BSDNetworkSockets link;
    link.DeclineJoiner(100, 1);
    ++clockTicks;
    link.DeclineJoiner(100, 1);
    for (uint32_t a = 101; a <= 106; ++a, ++clockTicks) link.DeclineJoiner(a, 2);
    for (uint32_t a = 100; a <= 106; ++a) EXPECT_TRUE(link.wasDeclined(a));
    link.DeclineJoiner(107, 2);
    EXPECT_FALSE(link.wasDeclined(100));
    EXPECT_TRUE(link.wasDeclined(107));
}

// A joiner's and the host's hit counts: each joiner counts on its own aircraft in the host's
// place; the host sums everybody's counts but a joiner's on itself, and forgets what was counted
// on an aircraft set up again moments ago without shooting it down by it. Then a datagram longer
// than any packet, and the quit.
TEST(NetworkLink, HitCountsAnOversizedDatagramAndTheHostsQuit) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    Machine host(0, "McCudden", 1), joiner(1, "Ball", 1);
    host.host();
    joiner.join(host.link.localPort());
    joiner.link.setJoinerNumber(4);

    joiner.world.planes[0].totalHits = 1.5;
    joiner.world.planes[4].totalHits = 300.0;
    joiner.link.exchange().lastSquawkTime = clockTicks - 21;
    joiner.link.SendJoinerData();
    ReceivedPacket p;
    ASSERT_TRUE(arrive(host.link, {kLoopback, joiner.link.localPort()}, kJoinerDataPacket, &p));
    auto jd = parseJoinerData(p.packet());
    ASSERT_TRUE(jd);
    EXPECT_EQ(jd->hits[0], 255) << "its own 300 hits, saturated and swapped into the host's place";
    EXPECT_EQ(jd->hits[4], 1);

    DataExchange& hx = host.link.exchange();
    hx.hostHitTally[3][1] = 2.0;  // joiner 3 counted two hits on joiner 1
    hx.hostHitTally[1][1] = 9.0;  // joiner 1's count on itself does not count
    host.world.planes[1].totalHits = 1.0;
    host.world.planes[6].timeOfReset = clockTicks;
    hx.hostHitTally[2][6] = 30.0;  // a wreck's hits, past the limit
    host.link.setCurrentPort(p.from.port);
    host.link.SendHostData(kLoopback, 4);
    ASSERT_TRUE(arrive(joiner.link, {kLoopback, host.link.localPort()}, kHostDataPacket, &p));
    auto hd = parseHostData(p.packet());
    ASSERT_TRUE(hd);
    EXPECT_EQ(hd->hits[1], 3) << "the host's and joiner 3's counts";
    EXPECT_EQ(hd->hits[6], 0) << "reset moments ago";
    EXPECT_EQ(hx.hostHitTally[2][6], 0.0);
    EXPECT_FALSE(host.world.planes[6].down);

    // Cut at 500 bytes by the receiver, it must not be half-read as the host data it claims.
    std::vector<uint8_t> huge(1400, 0);
    huge[0] = 0x05, huge[1] = 0x78, huge[2] = kHostDataPacket;
    host.link.sendDataPacket(kLoopback, huge);
    host.link.setJoiner(1, kLoopback, joiner.link.localPort());
    host.link.HostQuit();
    ASSERT_TRUE(arrive(joiner.link, {kLoopback, host.link.localPort()}, kQuitPacket, &p));
    EXPECT_EQ(parseQuit(p.packet())->name, "McCudden");
    EXPECT_FALSE(joiner.link.ring().takeNewestFrom(0, kHostDataPacket, &p));
}

// A host ends its game and at once hosts again on its port while the old quits still go out from
// it: the new game has the port. A newcomer where an old joiner was hears the old quits while he
// waits and takes none of them, nor the last one kept unread, for his new game's end; once in, he
// hears no more of them, which go on to the other old joiner whole; the new game's own quit ends
// his game.
TEST(NetworkLink, HostingAgainAtOnceLeavesTheOldQuitsToTheOldJoiners) {
    platform::ScopedTickSource clock([] { return clockTicks.load(); });
    std::array<platform::UdpSocket, 2> joiners;
    std::string error;
    for (platform::UdpSocket& j : joiners) ASSERT_TRUE(j.open(0, &error)) << error;
    std::array<int, 2> quits{};
    const auto listen = [&] {
        std::array<uint8_t, 600> bytes;
        platform::UdpEndpoint from;
        for (size_t k = 0; k < 2; ++k)
            for (long n; (n = joiners[k].receive(bytes, &from)) >= 0;) quits[k] += n >= 3 && bytes[2] == kQuitPacket;
    };
    BSDNetworkSockets host;
    ASSERT_EQ(host.startNetworkRoutines(0, BSDNetworkSockets::kHost, 1), 0);
    const uint16_t port = host.localPort();
    for (int k = 0; k < 2; ++k) host.setJoiner(k + 1, kLoopback, joiners[size_t(k)].localPort());
    host.closeNetworkRoutines();
    ASSERT_TRUE(testing::waitFor([&] { return listen(), quits[0] == 1; }, "the first quit"));

    ASSERT_EQ(host.startNetworkRoutines(port, BSDNetworkSockets::kHost, 1), 0) << host.startError();
    EXPECT_EQ(host.localPort(), port);
    const uint16_t at = joiners[0].localPort();
    joiners[0].close();
    Machine newcomer(1, "Roy", 1);
    ASSERT_EQ(newcomer.link.startNetworkRoutines(at, BSDNetworkSockets::kJoiner, 1), 0) << newcomer.link.startError();
    newcomer.link.setCurrentPort(port);
    newcomer.link.NetworkComm(0);  // asks to join
    clockTicks += 3;
    ASSERT_TRUE(testing::waitFor([&] { return listen(), quits[1] == 1; }, "the other old joiner's first quit"));
    clockTicks += 3;
    ASSERT_TRUE(testing::waitFor([&] { return newcomer.heard() == 1; }, "an old quit at the newcomer"));
    newcomer.link.NetworkComm(0);
    EXPECT_EQ(newcomer.link.getNetworkMode(), BSDNetworkSockets::kJoining);
    host.setCurrentPort(at);
    ASSERT_TRUE(host.AcceptJoiner(kLoopback, 1));
    host.setJoiner(1, kLoopback, at);
    ASSERT_TRUE(testing::waitFor([&] { return newcomer.heard() == 2; }, "the accept"));
    newcomer.link.NetworkComm(0);
    ASSERT_TRUE(newcomer.link.accepted()) << newcomer.line(1);
    EXPECT_EQ(newcomer.link.getNetworkMode(), BSDNetworkSockets::kJoining);
    for (int sent = 2; sent <= 10; ++sent) {  // each 3 ticks on, the next, to the other old joiner
        clockTicks += 3;
        ASSERT_TRUE(testing::waitFor([&] { return listen(), quits[1] == sent; }, "an old quit"));
        EXPECT_EQ(newcomer.heard(), 2) << "the newcomer hears none of them";
    }
    host.closeNetworkRoutines();
    ASSERT_TRUE(testing::waitFor([&] { return newcomer.heard() == 3; }, "the new game's quit"));
    newcomer.link.NetworkComm(0);
    EXPECT_EQ(newcomer.link.getNetworkMode(), BSDNetworkSockets::kNoGame);
    EXPECT_EQ(newcomer.line(1), "Host has ended the game");
}

}  // namespace
}  // namespace pellam::net::rig
