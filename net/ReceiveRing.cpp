#include "net/ReceiveRing.h"

#include <algorithm>
#include <random>

#include "platform/TickCount.h"

namespace pellam::net {
namespace {

bool same(platform::UdpEndpoint a, platform::UdpEndpoint b) { return a.address == b.address && a.port == b.port; }

using platform::ticksBetween;

}  // namespace

ReceiveRing::ReceiveRing()
    : peerSlots_(std::make_unique<PeerSlots>()),
      requests_(std::make_unique<std::array<Slot, kRequests>>()),
      senders_(std::make_unique<std::array<Sender, kSenderSets * kSenderWays>>()),
      salt_(std::random_device{}()) {}

int ReceiveRing::peerOf(platform::UdpEndpoint from) const {
    for (int k = 0; k < kPeers; ++k)
        if (peers_[k].address != 0 && same(peers_[k], from)) return k;
    return -1;
}

uint32_t ReceiveRing::rankRequest(platform::UdpEndpoint from, int32_t arrival) {
    uint32_t h = (from.address * 0x9E3779B1u) ^ (from.port * 0x85EBCA77u) ^ salt_;
    h = (h ^ (h >> 16)) * 0x7FEB352Du;
    h = (h ^ (h >> 15)) * 0x846CA68Bu;
    Sender* const set = senders_->data() + static_cast<size_t>((h ^ (h >> 16)) % kSenderSets) * kSenderWays;
    Sender* entry = std::find_if(set, set + kSenderWays, [&](const Sender& s) { return s.who.address != 0 && same(s.who, from); });
    if (entry != set + kSenderWays) {
        const int32_t seconds = std::max(ticksBetween(entry->last, arrival), 0) / 60;
        entry->asks = static_cast<uint16_t>(std::min(seconds >= 16 ? 0 : entry->asks >> seconds, 0xFFFE) + 1);
        entry->again = true;
        entry->last = arrival;
    } else {
        // In place of a free entry, else of one that asked once only, else of the one heard from
        // longest ago: senders that ask again once in a while are what a flood of new senders
        // must not push out of the table.
        entry = std::min_element(set, set + kSenderWays, [](const Sender& a, const Sender& b) {
            if ((a.who.address == 0) != (b.who.address == 0)) return a.who.address == 0;
            if (a.again != b.again) return !a.again;
            return ticksBetween(a.last, b.last) > 0;
        });
        *entry = {from, arrival, 1, false};
    }
    return 2u * entry->asks + (entry->again ? 0u : 1u);
}

ReceiveRing::Slot* ReceiveRing::requestSlotFor(platform::UdpEndpoint from, uint32_t rank) {
    Slot *spare = nullptr, *worst = nullptr;
    for (Slot& slot : *requests_) {
        if (slot.packet.order != 0 && same(slot.packet.from, from)) return &slot;
        if (!slot.unread) {
            if (!spare || slot.packet.order < spare->packet.order) spare = &slot;
        } else if (!worst || slot.rank > worst->rank ||
                   (slot.rank == worst->rank && slot.packet.order > worst->packet.order)) {
            worst = &slot;
        }
    }
    if (spare) return spare;
    return worst->rank > rank ? worst : nullptr;
}

template <class Visit>
void ReceiveRing::forEachSlot(Visit&& visit) {
    for (Slot& slot : slots_) visit(slot);
    for (Slot& slot : *requests_) visit(slot);
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
    const uint64_t order = static_cast<uint64_t>(++stored_);
    uint32_t rank = 0;
    Slot* kept = &slots_[next_];
    if (peer >= 0) {
        kept = &(*peerSlots_)[peer][type % kTypes];
    } else if (!inRing) {
        rank = rankRequest(from, arrival);
        kept = requestSlotFor(from, rank);
        if (!kept) return true;  // pushed out on arrival, as a ring slot is overwritten
    }
    Slot& slot = *kept;
    slot.packet.arrival = arrival;
    slot.packet.from = from;
    slot.packet.length = static_cast<uint16_t>(datagram.size());
    std::copy(datagram.begin(), datagram.end(), slot.packet.bytes.begin());
    std::fill(slot.packet.bytes.begin() + datagram.size(), slot.packet.bytes.end(), uint8_t{0});
    slot.packet.order = order;
    slot.unread = true;
    slot.rank = rank;
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
            if (&into == &slot) return;  // taken over already
            if (slot.packet.bytes[2] != kQuitPacket && (!into.unread || into.packet.order < slot.packet.order)) into = slot;
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

void ReceiveRing::forgetFrom(int peer, uint8_t type, uint64_t order) {
    if (peer < 0 || peer >= kPeers || type == 0 || type >= kTypes) return;
    std::lock_guard lock(mutex_);
    Slot& slot = (*peerSlots_)[peer][type];
    if (slot.packet.order <= order) slot.unread = false;
}

bool ReceiveRing::takeNewcomersRequest(ReceivedPacket* out) {
    std::lock_guard lock(mutex_);
    Slot* chosen = nullptr;
    for (Slot& slot : *requests_) {
        if (slot.unread && (!chosen || slot.rank < chosen->rank ||
                            (slot.rank == chosen->rank && slot.packet.order < chosen->packet.order)))
            chosen = &slot;
    }
    if (!chosen) return false;
    chosen->unread = false;
    if (out) *out = chosen->packet;
    return true;
}

void ReceiveRing::clear() {
    std::lock_guard lock(mutex_);
    forEachSlot([](Slot& slot) { slot = Slot{}; });
    peers_ = {};
    senders_->fill({});
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
