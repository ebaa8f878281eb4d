// The receive ring: newest unread packet of a type first, overwrite after 38 datagrams,
// datagrams that no reader could use whole refused, and all of it while a receiver thread stores.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "net/ReceiveRing.h"

namespace pellam::net {
namespace {

// A decline packet whose reason byte tells datagrams apart.
std::vector<uint8_t> decline(uint8_t tag) { return {0, 8, kDeclinePacket, tag, 0, 0, 0, 0}; }

TEST(ReceiveRing, NewestUnreadFirstAndOverwrite) {
    ReceiveRing ring;
    ReceivedPacket p;
    EXPECT_FALSE(ring.takeNewest(kDeclinePacket, &p)) << "an empty ring";
    // One datagram more than the ring holds: the first is overwritten, and around the wrap the
    // newest still comes first, each handed out once.
    ring.store(decline(200), 0, {});
    for (int i = 0; i < ReceiveRing::kSlots; ++i) ring.store(decline(static_cast<uint8_t>(i)), i, {});
    for (int i = ReceiveRing::kSlots - 1; i >= 0; --i) {
        ASSERT_TRUE(ring.takeNewest(kDeclinePacket, &p));
        EXPECT_EQ(p.bytes[3], i);
    }
    EXPECT_FALSE(ring.takeNewest(kDeclinePacket, &p)) << "the first datagram was overwritten";
}

TEST(ReceiveRing, RefusesWhatNoReaderCouldUse) {
    ReceiveRing ring;
    const platform::UdpEndpoint peer{0x7F000001, 1};
    std::vector<uint8_t> joiner(59, 0), text(70, 0);
    joiner[1] = 58, joiner[2] = kJoinerDataPacket;
    text[1] = 70, text[2] = kJoinerDataPacket, text[60] = 30;
    const std::pair<const char*, std::vector<uint8_t>> refused[] = {
        {"no header", {0, 8}},
        {"header longer than the datagram", {0, 8, kDeclinePacket, 1}},
        {"zero length", {0, 0, kDeclinePacket, 1, 0, 0, 0, 0}},
        {"an unused type", {0, 8, 7, 1, 0, 0, 0, 0}},
        {"shorter than the joiner data a reader takes", joiner},
        {"a text running past the packet", text},
    };
    for (const auto& [what, datagram] : refused) EXPECT_FALSE(ring.store(datagram, 0, peer)) << what;
    EXPECT_EQ(ring.dropped(), 6);

    // A short datagram in a slot that once held a long one reads as itself, not the old bytes.
    std::vector<uint8_t> host(300, 0x77);
    host[0] = 1, host[1] = 10, host[2] = kHostDataPacket;
    for (int i = 0; i < ReceiveRing::kSlots; ++i) ASSERT_TRUE(ring.store(host, 0, peer));
    ASSERT_TRUE(ring.store(decline(9), 0, peer));
    ReceivedPacket p;
    ASSERT_TRUE(ring.takeNewest(kDeclinePacket, &p));
    EXPECT_EQ(p.length, 8);
    EXPECT_EQ(p.bytes[8], 0);
    EXPECT_EQ(p.bytes[299], 0);
}

// A receiver thread stores as fast as it can while the game takes packets: every packet handed
// out is one that was stored whole (the two tag bytes agree), never a half-refilled slot.
TEST(ReceiveRing, WholePacketsUnderARunningReceiver) {
    ReceiveRing ring;
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        std::vector<uint8_t> d(266, 0);
        d[0] = 1, d[1] = 10, d[2] = kHostDataPacket;
        for (uint32_t i = 0; !stop; ++i) {
            std::fill(d.begin() + 3, d.end(), static_cast<uint8_t>(i));
            ring.store(d, static_cast<int32_t>(i), {0x7F000001, 1});
        }
    });
    ReceivedPacket p;
    int taken = 0;
    for (int i = 0; i < 20000; ++i) {
        if (!ring.takeNewest(kHostDataPacket, &p)) continue;
        ++taken;
        ASSERT_EQ(p.bytes[3], p.bytes[265]);
        ASSERT_EQ(p.bytes[3], static_cast<uint8_t>(p.arrival));
    }
    stop = true;
    receiver.join();
    EXPECT_GT(taken, 0);
}

}  // namespace
}  // namespace pellam::net
