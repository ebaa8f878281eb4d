// The data senders between a host and a joiner on loopback ports: the joiner's 21-tick rate,
// its text repeated until the host acknowledges it, the host's relay of other joiners' messages
// lowest slot first (never a joiner's own back to it), and the summed hit counts.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/NetworkSockets.h"
#include "tests/net/engine_rig.h"
#include "platform/TickCount.h"

namespace pellam::net {
namespace {

struct FakeAircraft : DataServices {
    StateBlockBytes stateBlock(int slot) override {
        StateBlockBytes b{};
        b.fill(static_cast<uint8_t>(0x10 + slot));
        return b;
    }
    double totalHits(int slot) override { return hits[slot]; }
    void reportNetworkHits(int slot, double sum) override { reported[slot] = sum; }
    bool resetRecently(int slot) override { return slot == resetSlot; }
    void clearHits(int slot) override { hits[slot] = 0; }
    uint8_t kills(int slot) override { return static_cast<uint8_t>(slot * 2); }
    int modelCount() override { return 40; }
    bool isDead(int modelIndex) override { return modelIndex == 12; }
    std::array<double, 8> hits{}, reported{};
    int resetSlot = -1;
};

std::atomic<int32_t> now{5000};

TEST(DataSenders, JoinerRateTextAndHostRelay) {
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

    // Called every frame for 64 ticks: sent at 0, 21, 42 and 63 ticks, never 20 apart.
    DataExchange& jx = joiner.exchange();
    jx.messageNumber = 3;
    jx.tempForSend = "Jasta over Cambrai";
    joinerGame.hits = {1.5, 0, 0, 0, 300.0, 0, 0, 0};
    const int32_t start = now;
    jx.lastSquawkTime = start - 21;
    for (int t = 0; t < 64; ++t, ++now) joiner.SendJoinerData();
    EXPECT_EQ(joiner.packetsSent(), 4);
    ReceivedPacket p;
    ASSERT_TRUE(arrive(host, kJoinerDataPacket, &p));
    auto jd = parseJoinerData(p.packet());
    ASSERT_TRUE(jd);
    EXPECT_EQ(jd->slot, 4);
    EXPECT_EQ(jd->message.text, "Jasta over Cambrai") << "not yet acknowledged";
    EXPECT_EQ(jd->acks[4], 3);
    EXPECT_EQ(jd->hits[0], 255) << "its own 300 hits, saturated and swapped into the host's place";
    EXPECT_EQ(jd->hits[4], 1);
    EXPECT_EQ(jd->aircraft[0], 0x10);

    // The host has messages from joiners 1, 2 and 4; joiner 4 has seen the host's own.
    DataExchange& hx = host.exchange();
    hx.lastMessageFrom[1] = {"one", 1, 5};
    hx.lastMessageFrom[2] = {"two", 0, 6};
    hx.lastMessageFrom[4] = {"Jasta over Cambrai", 0, 3};
    hx.hostHitTally[3][1] = 2.0;  // joiner 3 counted two hits on joiner 1
    hx.hostHitTally[1][1] = 9.0;  // joiner 1's count on itself does not count
    hostGame.hits[1] = 1.0;
    hostGame.resetSlot = 6;
    hx.hostHitTally[2][6] = 4.0;
    host.setCurrentPort(p.from.port);
    std::vector<std::string> relayed;
    for (int round = 0; round < 3; ++round) {
        host.SendHostData(kLoopback, 4);
        ReceivedPacket h;
        ASSERT_TRUE(arrive(joiner, kHostDataPacket, &h));
        auto hd = parseHostData(h.packet());
        ASSERT_TRUE(hd);
        relayed.push_back(hd->message.present ? hd->message.text : "");
        if (round == 0) {
            EXPECT_EQ(hd->message.fromSlot, 1);
            EXPECT_EQ(hd->hits[1], 3) << "the host's and joiner 3's counts";
            EXPECT_EQ(hd->hits[6], 0) << "reset moments ago";
            EXPECT_EQ(hx.hostHitTally[2][6], 0.0);
            EXPECT_EQ(hd->aircraft[4][0], 0x15) << "records skip joiner 4";
            EXPECT_EQ(hd->aircraft[4][33], 10) << "slot 5's kills";
            EXPECT_EQ(hd->joinerKills, 8);
        }
        if (hd->message.present) hx.joinerMessageNumbers[4][hd->message.fromSlot] = hd->message.number;
    }
    EXPECT_EQ(relayed, (std::vector<std::string>{"one", "two", ""}));
}

}  // namespace
}  // namespace pellam::net
