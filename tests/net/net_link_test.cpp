// Network links on this machine's loopback ports: send slots that rotate, a busy port failing
// the start aloud, a joiner's particulars, the closing mode, a line too long for the table, the
// accept's slot search, the decline list, the data senders' hit counts, a datagram longer than
// any packet refused whole, and the host's quit.
#include <gtest/gtest.h>

#include <atomic>

#include "net/DataPackets.h"
#include "net/NetworkSockets.h"
#include "tests/net/engine_rig.h"
#include "platform/Beep.h"
#include "platform/TickCount.h"

namespace pellam::net {
namespace {

std::atomic<int32_t> now{5000};

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

TEST(NetworkLink, AcceptSlotsAndDeclineList) {
    platform::ScopedTickSource clock([] { return now.load(); });
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
    ++now;
    link.DeclineJoiner(100, 1);
    for (uint32_t a = 101; a <= 106; ++a, ++now) link.DeclineJoiner(a, 2);
    for (uint32_t a = 100; a <= 106; ++a) EXPECT_TRUE(link.wasDeclined(a));
    link.DeclineJoiner(107, 2);
    EXPECT_FALSE(link.wasDeclined(100));
    EXPECT_TRUE(link.wasDeclined(107));
    now += 3601;
    link.DeclineJoiner(108, 2);
    EXPECT_FALSE(link.wasDeclined(101)) << "forgotten after an hour";
}

struct FakeAircraft : DataServices {
    StateBlockBytes stateBlock(int slot) override {
        StateBlockBytes b{};
        b.fill(static_cast<uint8_t>(0x10 + slot));
        return b;
    }
    double totalHits(int slot) override { return hits[slot]; }
    void reportNetworkHits(int, double) override {}
    bool resetRecently(int slot) override { return slot == resetSlot; }
    void clearHits(int slot) override { hits[slot] = 0; }
    uint8_t kills(int slot) override { return static_cast<uint8_t>(slot * 2); }
    int modelCount() override { return 40; }
    bool isDead(int modelIndex) override { return modelIndex == 12; }
    std::array<double, 8> hits{};
    int resetSlot = -1;
};

// A joiner's and the host's hit counts: each joiner counts on its own aircraft in the host's
// place; the host sums everybody's counts but a joiner's on itself, and forgets what was counted
// on an aircraft set up again moments ago. Then a datagram longer than any packet, and the quit.
TEST(NetworkLink, HitCountsAnOversizedDatagramAndTheHostsQuit) {
    platform::ScopedTickSource clock([] { return now.load(); });
    FakeAircraft hostGame, joinerGame;
    BSDNetworkSockets host, joiner;
    host.setDataServices(&hostGame);
    joiner.setDataServices(&joinerGame);
    joiner.setJoinerParticulars(makePlayerString("Ball"), kLoopback, 1, 0);
    ASSERT_EQ(host.startNetworkRoutines(0, BSDNetworkSockets::kHost, 1), 0);
    ASSERT_EQ(joiner.startNetworkRoutines(0, BSDNetworkSockets::kJoiner, 1), 0);
    joiner.setCurrentPort(host.localPort());
    joiner.setJoinerNumber(4);

    joinerGame.hits = {1.5, 0, 0, 0, 300.0, 0, 0, 0};
    joiner.exchange().lastSquawkTime = now - 21;
    joiner.SendJoinerData();
    ReceivedPacket p;
    ASSERT_TRUE(arrive(host, kJoinerDataPacket, &p));
    auto jd = parseJoinerData(p.packet());
    ASSERT_TRUE(jd);
    EXPECT_EQ(jd->slot, 4);
    EXPECT_EQ(jd->hits[0], 255) << "its own 300 hits, saturated and swapped into the host's place";
    EXPECT_EQ(jd->hits[4], 1);
    EXPECT_EQ(jd->aircraft[0], 0x10);

    DataExchange& hx = host.exchange();
    hx.hostHitTally[3][1] = 2.0;  // joiner 3 counted two hits on joiner 1
    hx.hostHitTally[1][1] = 9.0;  // joiner 1's count on itself does not count
    hostGame.hits[1] = 1.0;
    hostGame.resetSlot = 6;
    hx.hostHitTally[2][6] = 4.0;
    host.setCurrentPort(p.from.port);
    host.SendHostData(kLoopback, 4);
    ASSERT_TRUE(arrive(joiner, kHostDataPacket, &p));
    auto hd = parseHostData(p.packet());
    ASSERT_TRUE(hd);
    EXPECT_EQ(hd->hits[1], 3) << "the host's and joiner 3's counts";
    EXPECT_EQ(hd->hits[6], 0) << "reset moments ago";
    EXPECT_EQ(hx.hostHitTally[2][6], 0.0);
    EXPECT_EQ(hd->aircraft[4][0], 0x15) << "records skip joiner 4";

    // Cut at 500 bytes by the receiver, it must not be half-read as the host data it claims.
    std::vector<uint8_t> huge(1400, 0);
    huge[0] = 0x05, huge[1] = 0x78, huge[2] = kHostDataPacket;
    host.sendDataPacket(kLoopback, huge);
    host.setJoinerParticulars(makePlayerString("McCudden"), 0, 1, 60);
    host.setJoiner(1, kLoopback, joiner.localPort());
    host.HostQuit(nullptr);
    ASSERT_TRUE(arrive(joiner, kQuitPacket, &p));
    EXPECT_EQ(parseQuit(p.packet())->name, "McCudden");
    EXPECT_FALSE(joiner.getMostRecentPacket(kHostDataPacket, &p));
}

}  // namespace
}  // namespace pellam::net
