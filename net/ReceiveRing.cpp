#include "net/ReceiveRing.h"

#include <algorithm>
#include <limits>

namespace pellam::net {
namespace {

bool same(platform::UdpEndpoint a, platform::UdpEndpoint b) { return a.address == b.address && a.port == b.port; }

}  // namespace

ReceiveRing::ReceiveRing() : peerSlots_(std::make_unique<PeerSlots>()) {}

int ReceiveRing::peerOf(platform::UdpEndpoint from) const {
    for (int k = 0; k < kPeers; ++k)
        if (peers_[k].address != 0 && same(peers_[k], from)) return k;
    return -1;
}

ReceiveRing::Slot& ReceiveRing::requestSlotFor(platform::UdpEndpoint from) {
    Slot* oldest = &requests_[0];
    for (Slot& slot : requests_) {
        if (slot.order != 0 && same(slot.packet.from, from)) return slot;
        if (slot.order < oldest->order) oldest = &slot;
    }
    return *oldest;
}

template <class Visit>
void ReceiveRing::forEachSlot(Visit&& visit) {
    for (Slot& slot : slots_) visit(slot);
    for (Slot& slot : requests_) visit(slot);
    for (std::array<Slot, kTypes>& kept : *peerSlots_)
        for (Slot& slot : kept) visit(slot);
}

bool ReceiveRing::store(std::span<const uint8_t> datagram, int32_t arrival, platform::UdpEndpoint from) {
    const bool whole = packetIsWhole(datagram);
    std::lock_guard lock(mutex_);
    if (!whole) {
        ++dropped_;
        return false;
    }
    if (from.address == 0) from.address = 4;
    const int peer = peerOf(from);
    const uint8_t type = datagram[2];  // 1..12: a whole packet is of a known type
    const bool inRing = peer < 0 && type != kJoinRequestPacket;
    Slot& slot = peer >= 0 ? (*peerSlots_)[peer][type % kTypes] : inRing ? slots_[next_] : requestSlotFor(from);
    slot.packet.arrival = arrival;
    slot.packet.from = from;
    slot.packet.length = static_cast<uint16_t>(datagram.size());
    std::copy(datagram.begin(), datagram.end(), slot.packet.bytes.begin());
    std::fill(slot.packet.bytes.begin() + datagram.size(), slot.packet.bytes.end(), uint8_t{0});
    slot.unread = true;
    slot.order = static_cast<uint64_t>(++stored_);
    if (inRing) next_ = (next_ + 1) % kSlots;
    return true;
}

void ReceiveRing::setPeers(const Peers& peers) {
    std::lock_guard lock(mutex_);
    for (int k = 0; k < kPeers; ++k) {
        if (same(peers[k], peers_[k])) continue;
        peers_[k] = peers[k];
        std::array<Slot, kTypes>& kept = (*peerSlots_)[k];
        for (Slot& slot : kept) slot.unread = false;
        if (peers[k].address == 0) continue;
        // What the new peer sent before, the newest of each type kept (its own slots are read now).
        forEachSlot([&](Slot& slot) {
            if (!slot.unread || !same(slot.packet.from, peers[k])) return;
            Slot& into = kept[slot.packet.bytes[2] % kTypes];
            if (!into.unread || into.order < slot.order) into = slot;
            slot.unread = false;
        });
    }
}

bool ReceiveRing::takeNewestFrom(int peer, uint8_t type, ReceivedPacket* out) {
    if (peer < 0 || peer >= kPeers || type == 0 || type >= kTypes) return false;
    std::lock_guard lock(mutex_);
    Slot& slot = (*peerSlots_)[peer][type];
    if (!slot.unread) return false;
    slot.unread = false;
    if (out) *out = slot.packet;
    return true;
}

bool ReceiveRing::takeNewcomersRequest(ReceivedPacket* out) {
    std::lock_guard lock(mutex_);
    const auto lastServed = [&](platform::UdpEndpoint who) {
        for (const Served& s : served_)
            if (s.who.address != 0 && same(s.who, who)) return s.when;
        return uint64_t{0};
    };
    Slot* chosen = nullptr;
    uint64_t chosenServed = std::numeric_limits<uint64_t>::max();
    for (Slot& slot : requests_) {  // among senders served alike, the newest request
        if (!slot.unread) continue;
        const uint64_t served = lastServed(slot.packet.from);
        if (!chosen || served < chosenServed || (served == chosenServed && slot.order > chosen->order))
            chosen = &slot, chosenServed = served;
    }
    if (!chosen) return false;
    chosen->unread = false;
    if (out) *out = chosen->packet;
    // Remembered in place of itself, else of the sender served longest ago.
    Served* entry = &served_[0];
    for (Served& s : served_) {
        if (s.who.address != 0 && same(s.who, chosen->packet.from)) {
            entry = &s;
            break;
        }
        if (s.when < entry->when) entry = &s;
    }
    *entry = {chosen->packet.from, ++servings_};
    return true;
}

bool ReceiveRing::takeNewest(uint8_t type, ReceivedPacket* out) {
    std::lock_guard lock(mutex_);
    Slot* newest = nullptr;
    forEachSlot([&](Slot& slot) {
        if (slot.unread && slot.packet.bytes[2] == type && (!newest || slot.order > newest->order)) newest = &slot;
    });
    if (!newest) return false;
    newest->unread = false;
    if (out) *out = newest->packet;
    return true;
}

void ReceiveRing::clear() {
    std::lock_guard lock(mutex_);
    forEachSlot([](Slot& slot) { slot = Slot{}; });
    peers_ = {};
    served_ = {};
    servings_ = 0;
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
