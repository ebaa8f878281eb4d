#pragma once
// The receive ring: the last 38 datagrams that arrived, each with its arrival tick, sender and
// length. The receiver (another thread) stores; the game takes the newest unread packet of a type
// once per frame. A datagram that no reader could use whole is dropped before it takes a slot.
#include <array>
#include <cstddef>
#include <cstdint>
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

    // Copies a datagram into the next slot, overwriting the one stored 38 datagrams ago, read or
    // not. False (nothing stored) when the datagram is not a whole packet.
    bool store(std::span<const uint8_t> datagram, int32_t arrival, platform::UdpEndpoint from);
    // The newest unread packet of `type`, copied out and marked read; false when there is none.
    bool takeNewest(uint8_t type, ReceivedPacket* out);
    // Forgets everything: every slot empty, the next datagram goes into slot 0.
    void clear();

    long dropped() const;  // datagrams refused by store() since the last clear
    long stored() const;   // datagrams stored since the last clear

private:
    struct Slot {
        ReceivedPacket packet;
        bool unread = false;
    };
    mutable std::mutex mutex_;
    std::array<Slot, kSlots> slots_{};
    int next_ = 0;  // slot of the next datagram
    long dropped_ = 0, stored_ = 0;
};

}  // namespace pellam::net
