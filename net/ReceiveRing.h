#pragma once
// The receive ring: the last 38 datagrams that arrived, each with its arrival tick, sender and
// length, beside the newest packet of each type from each peer in the game. The receiver (another
// thread) stores; the game takes packets once per frame. A datagram that no reader could use
// whole is dropped before it takes a slot.
//
// A peer's packets never enter the ring: whatever strangers send, however fast, they cannot
// overwrite or outdate one. Nor do join requests, kept apart by sender, so that no other traffic
// overwrites a newcomer's. The ring holds the rest, none of which the game acts on.
//
// Join requests: the newest of each of up to 64 senders, beside a table of the senders that asked
// lately (up to 8,192 of them, the least telling forgotten first) and how hard each asks. A
// newcomer asks once every five seconds from one address and port; a flood asks many times a
// second, from few senders or from many. The hardest askers' requests make room first and are
// served last, so however a flood rotates its senders, it pushes out its own requests before a
// newcomer's, and a newcomer who has asked before comes before anybody asking for the first time.
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
    uint64_t order = 0;                   // the ring's count of datagrams when it came: the larger, the newer
    std::array<uint8_t, kMaxPacketBytes> bytes{};
    std::span<const uint8_t> packet() const { return {bytes.data(), length}; }
};

class ReceiveRing {
public:
    static constexpr int kSlots = 38;
    static constexpr int kPeers = 8;  // host numbering: the host 0, the joiners 1..7
    static constexpr int kRequests = 64;                           // join requests kept, one a sender
    static constexpr int kSenderSets = 2048, kSenderWays = 4;      // senders remembered: 8,192
    using Peers = std::array<platform::UdpEndpoint, kPeers>;

    ReceiveRing();

    // A peer's datagram replaces the one kept of its type from that peer, read or not; so does
    // anybody else's join request the one kept from that sender. When 64 senders' requests wait
    // unread, a new sender's pushes out the one of the sender asking hardest, unless it asks as
    // hard itself (then it is the one that goes). Anything else goes into the next ring slot,
    // overwriting the one stored 38 datagrams ago. False (nothing stored) when the datagram is
    // not a whole packet.
    bool store(std::span<const uint8_t> datagram, int32_t arrival, platform::UdpEndpoint from);

    // Who the peers are: entry k the address and port of peer k, address 0 for none. A peer whose
    // sender changes forgets what was kept from the last one, and takes over the new sender's
    // unread packets waiting apart from the peers', but for its quits: sent before it was in
    // this game, they told of another.
    void setPeers(const Peers& peers);
    // The newest unread packet of `type` from peer `peer`, copied out and marked read.
    bool takeNewestFrom(int peer, uint8_t type, ReceivedPacket* out);
    // Marks read the packet of `type` kept from peer `peer` if it came no later than `order`.
    void forgetFrom(int peer, uint8_t type, uint64_t order);
    // An unread join request from somebody who is no peer, copied out and marked read: of the
    // sender that asks least hard, a sender that has asked before first, then the one that has
    // waited longest.
    bool takeNewcomersRequest(ReceivedPacket* out);
    // Forgets everything: every slot empty, no peers, the next datagram goes into ring slot 0.
    void clear();

    long dropped() const;  // datagrams refused by store() since the last clear
    long stored() const;   // datagrams stored since the last clear, a peer's or not

private:
    struct Slot {
        ReceivedPacket packet;  // its order 0 while the slot has never been used
        bool unread = false;
        uint32_t rank = 0;  // a join request's: the lower, the sooner served and the later pushed out
    };
    // A sender of join requests. `asks` counts its requests, halved for each second since its
    // last: about twice the requests it sends a second, 1 for one asking once in a while.
    struct Sender {
        platform::UdpEndpoint who;  // address 0: none
        int32_t last = 0;           // arrival tick of its last request
        uint16_t asks = 0;
        bool again = false;  // it asked before its last request
    };
    static constexpr int kTypes = 13;  // packet types 1..12; 0 is never stored
    using PeerSlots = std::array<std::array<Slot, kTypes>, kPeers>;
    // The peer `from` is, or -1; the join request slot for `from`. Under the lock.
    int peerOf(platform::UdpEndpoint from) const;
    // The request's rank, its sender's table entry brought up to date; the slot for it, or null
    // when it is itself the one to go.
    uint32_t rankRequest(platform::UdpEndpoint from, int32_t arrival);
    Slot* requestSlotFor(platform::UdpEndpoint from, uint32_t rank);
    // Every slot kept, peers' and join requests' and the ring's, in no order.
    template <class Visit>
    void forEachSlot(Visit&& visit);

    mutable std::mutex mutex_;
    std::array<Slot, kSlots> slots_{};
    std::unique_ptr<PeerSlots> peerSlots_;  // made once; a peer's newest of each type
    Peers peers_{};
    std::unique_ptr<std::array<Slot, kRequests>> requests_;  // made once; join requests from no peer
    std::unique_ptr<std::array<Sender, kSenderSets * kSenderWays>> senders_;  // made once
    uint32_t salt_ = 0;  // mixed into a sender's place in the table, so a flood cannot aim at one
    int next_ = 0;  // ring slot of the next datagram
    long dropped_ = 0, stored_ = 0;
};

}  // namespace pellam::net
