// Any datagram a peer could send, through the receive ring and every packet reader: nothing
// crashes, reads outside the datagram or yields an index past the tables; whatever the ring
// accepts, the reader of its type accepts too, and what a parser reads, its builder writes back
// as a packet the same parser reads the same way.
#include <cstdlib>
#include <span>

#include "net/DataPackets.h"
#include "net/ReceiveRing.h"
#include "net/SetupPackets.h"

namespace {

using namespace pellam::net;

void check(bool holds) {
    if (!holds) std::abort();
}

template <class Parsed, class Parse, class Build>
void roundTrip(const Parsed& once, Parse parse, Build build) {
    std::array<uint8_t, kSendSlotBytes> slot;
    const size_t n = build(once, SendSlot(slot));
    check(n <= kMaxPacketBytes);
    const auto twice = parse(std::span<const uint8_t>(slot.data(), n));
    check(twice.has_value());
}

// The packet as every reader sees it; `whole` says whether the ring took it.
void readAll(std::span<const uint8_t> p, bool whole) {
    if (auto j = parseJoinerData(p)) {
        check(j->slot >= 1 && j->slot <= 7 && j->message.text.size() <= kMaxTextChars);
        roundTrip(*j, parseJoinerData, buildJoinerData);
        pellam::wire::AircraftState s;
        check(pellam::wire::decodeAircraftState(j->aircraft.data(), j->aircraft.size(), &s));
        forEachDeadObject(j->deadObjects, 1000, [](int i) { check(i >= 10 && i < 1000); });
    } else {
        check(!whole || p[2] != kJoinerDataPacket || p[3] < 1 || p[3] > 7);
    }
    if (auto h = parseHostData(p)) {
        check(h->message.fromSlot <= 7 && h->message.text.size() <= kMaxTextChars);
        roundTrip(*h, parseHostData, buildHostData);
    } else {
        check(!whole || p[2] != kHostDataPacket || p[267] > 7);
    }
    if (auto r = parseJoinRequest(p)) check(r->name.size() <= kMaxNameChars);
    if (auto a = parseAccept(p)) {
        check(a->joinerNumber >= 1 && a->joinerNumber <= 7);
        roundTrip(*a, parseAccept, buildAccept);
    }
    if (auto g = parseNewGame(p)) roundTrip(*g, parseNewGame, buildNewGame);
    parseDecline(p);
    if (auto q = parseQuit(p)) check(q->joinerNumber <= 7 && q->name.size() <= kMaxNameChars);
    if (auto n = parsePlayerNames(p)) {
        for (const auto& name : n->names) check(name.size() <= kMaxNameChars);
        roundTrip(*n, parsePlayerNames, buildPlayerNames);
    }
    parseNotHost(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ReceiveRing ring;
    static const bool peered = [] {
        ReceiveRing::Peers peers{};
        peers[0] = {0x7F000001, 12301};
        ring.setPeers(peers);
        return true;
    }();
    const std::span<const uint8_t> datagram(data, std::min(size, kMaxPacketBytes));
    const bool whole = ring.store(datagram, 0, {0x7F000001, 12301});
    check(peered && whole == ring.store(datagram, 0, {0x7F000001, 12302}));  // and from a stranger
    readAll(datagram, whole);
    ReceivedPacket p;
    for (uint8_t type : {3, 11, 2, 5, 10, 6, 12, 9, 4, 1}) {
        if (ring.takeNewestFrom(0, type, &p)) {
            check(whole && p.length == datagram.size() && p.bytes[2] == type);
            readAll(p.packet(), true);
        }
    }
    if (ring.takeNewcomersRequest(&p)) {
        check(whole && p.length == datagram.size() && p.bytes[2] == kJoinRequestPacket);
        readAll(p.packet(), true);
    }
    return 0;
}
