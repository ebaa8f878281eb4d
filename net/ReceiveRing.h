#pragma once
// The receive ring: the last 38 datagrams that arrived, each with its arrival tick, sender and
// length, beside the newest packet of each type from each peer in the game. The receiver (another
// thread) stores; the game takes packets once per frame. A datagram that no reader could use
// whole is dropped before it takes a slot.
//
// A peer's packets never enter the ring: whatever strangers send, however fast, they cannot
// overwrite or outdate one. Nor do join requests, kept apart by sender, so that no other traffic
// overwrites a newcomer's. The ring holds the rest, none of which the game acts on.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "net/Packet.h"
#include "platform/UdpSocket.h"

namespace pellam::net {

struct ReceivedPacket {
    int32_t arrival = 0;                  // TickCount when it was stored
    platform::UdpEndpoint from;           // sender; an address of 0 is kept as 4
    uint16_t length = 0;                  // bytes received, at least the header's length
    std::array<uint8_t, kMaxPacketBytes> bytes{};
    std::span<const uint8_t> packet() const { return {bytes.data(), length}; }
};

class ReceiveRing {
public:
    static constexpr int kSlots = 38;
    static constexpr int kPeers = 8;  // host numbering: the host 0, the joiners 1..7
    using Peers = std::array<platform::UdpEndpoint, kPeers>;

    ReceiveRing();

    // A peer's datagram replaces the one kept of its type from that peer, read or not; so does
    // anybody else's join request the one kept from that sender (of at most 8, the one stored
    // longest ago making room for a ninth). Anything else goes into the next ring slot,
    // overwriting the one stored 38 datagrams ago. False (nothing stored) when the datagram is
    // not a whole packet.
    bool store(std::span<const uint8_t> datagram, int32_t arrival, platform::UdpEndpoint from);

    // Who the peers are: entry k the address and port of peer k, address 0 for none. A peer whose
    // sender changes forgets what was kept from the last one, and takes over the new sender's
    // unread packets waiting apart from the peers'.
    void setPeers(const Peers& peers);
    // The newest unread packet of `type` from peer `peer`, copied out and marked read.
    bool takeNewestFrom(int peer, uint8_t type, ReceivedPacket* out);
    // An unread join request from somebody who is no peer, copied out and marked read: the one
    // whose sender was served longest ago, so that one sender's flood cannot hide another's.
    bool takeNewcomersRequest(ReceivedPacket* out);
    // The newest unread packet of `type` from anybody, peer or not.
    bool takeNewest(uint8_t type, ReceivedPacket* out);
    // Forgets everything: every slot empty, no peers, the next datagram goes into ring slot 0.
    void clear();

    long dropped() const;  // datagrams refused by store() since the last clear
    long stored() const;   // datagrams stored since the last clear, a peer's or not

private:
    struct Slot {
        ReceivedPacket packet;
        uint64_t order = 0;  // stored()'s count when it came: the larger, the newer
        bool unread = false;
    };
    static constexpr int kTypes = 13;  // packet types 1..12; 0 is never stored
    using PeerSlots = std::array<std::array<Slot, kTypes>, kPeers>;
    // The peer `from` is, or -1; the join request slot for `from`. Under the lock.
    int peerOf(platform::UdpEndpoint from) const;
    Slot& requestSlotFor(platform::UdpEndpoint from);
    // Every slot kept, peers' and join requests' and the ring's, in no order.
    template <class Visit>
    void forEachSlot(Visit&& visit);

    mutable std::mutex mutex_;
    std::array<Slot, kSlots> slots_{};
    std::unique_ptr<PeerSlots> peerSlots_;  // made once; a peer's newest of each type
    Peers peers_{};
    std::array<Slot, 8> requests_{};  // join requests from no peer, the newest of each sender
    // The senders takeNewcomersRequest() last served (address 0: none), each with when.
    struct Served {
        platform::UdpEndpoint who;
        uint64_t when = 0;
    };
    std::array<Served, 8> served_{};
    uint64_t servings_ = 0;
    int next_ = 0;  // ring slot of the next datagram
    long dropped_ = 0, stored_ = 0;
};

}  // namespace pellam::net
