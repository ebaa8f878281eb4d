#include "net/ReceiveRing.h"

#include <algorithm>

namespace pellam::net {

bool ReceiveRing::store(std::span<const uint8_t> datagram, int32_t arrival, platform::UdpEndpoint from) {
    const bool whole = packetIsWhole(datagram);
    std::lock_guard lock(mutex_);
    if (!whole) {
        ++dropped_;
        return false;
    }
    Slot& slot = slots_[next_];
    slot.packet.arrival = arrival;
    slot.packet.from = from;
    if (slot.packet.from.address == 0) slot.packet.from.address = 4;
    slot.packet.length = static_cast<uint16_t>(datagram.size());
    std::copy(datagram.begin(), datagram.end(), slot.packet.bytes.begin());
    std::fill(slot.packet.bytes.begin() + datagram.size(), slot.packet.bytes.end(), uint8_t{0});
    slot.unread = true;
    ++stored_;
    next_ = (next_ + 1) % kSlots;
    return true;
}

bool ReceiveRing::takeNewest(uint8_t type, ReceivedPacket* out) {
    std::lock_guard lock(mutex_);
    for (int i = 1; i <= kSlots; ++i) {
        Slot& slot = slots_[(next_ - i + kSlots) % kSlots];
        if (slot.unread && slot.packet.bytes[2] == type) {
            slot.unread = false;
            if (out) *out = slot.packet;
            return true;
        }
    }
    return false;
}

void ReceiveRing::clear() {
    std::lock_guard lock(mutex_);
    for (Slot& slot : slots_) slot = Slot{};
    next_ = 0;
    dropped_ = stored_ = 0;
}

long ReceiveRing::stored() const {
    std::lock_guard lock(mutex_);
    return stored_;
}

long ReceiveRing::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

}  // namespace pellam::net
