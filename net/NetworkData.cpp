#include <algorithm>

#include "net/NetworkSockets.h"
#include "platform/TickCount.h"

namespace pellam::net {

int relaySlot(int joiner, const DataExchange& x) {
    if (joiner < 1 || joiner > 7) return -1;
    for (int k = 1; k <= 7; ++k) {
        const uint8_t number = x.lastMessageFrom[k].number;
        if (k != joiner && number != kNoRelay && x.joinerMessageNumbers[joiner][k] != number) return k;
    }
    return -1;
}

namespace {

// A stamp echoed back, advanced by the ticks it was held here (none when it arrived after this
// frame read the clock).
uint16_t echoOf(const DataExchange::Heard& heard, int32_t now) {
    return static_cast<uint16_t>(heard.stamp + std::max(0, ticksBetween(heard.arrival, now)));
}

}  // namespace

void BSDNetworkSockets::SendJoinerData() {
    DataExchange& x = Exchange;
    const int32_t now = platform::TickCount();
    if (!Data || JoinerNumber < 1 || JoinerNumber > 7 || !passed(now, x.lastSquawkTime, x.squawkDelay)) return;
    x.lastSquawkTime = now;
    JoinerData d;
    d.slot = static_cast<uint8_t>(JoinerNumber);
    d.stamp = static_cast<uint16_t>(now);
    d.echo = echoOf(x.packetInTimes[0], now);
    x.lastMessageInNumber[JoinerNumber] = x.messageNumber;
    d.acks = x.lastMessageInNumber;
    d.aircraft = Data->stateBlock(0);
    // Hits in local order, then this machine's own slot and the host's swapped into place.
    for (int i = 0; i < 8; ++i) d.hits[i] = hitByte(Data->totalHits(i));
    std::swap(d.hits[0], d.hits[JoinerNumber]);
    d.deadObjects = x.deadObjects.nextWord(Data->modelCount(), [this](int i) { return Data->isDead(i); });
    if (x.messageNumber != x.myMessageNumberFromHost) {
        d.message = {true, x.messageNumber, x.sendMessageChannel, 0, x.tempForSend};
        ++x.packetsSentWithText;
    }
    const SendSlot slot = nextSendSlot();
    sendDataPacket(JoinToAddress, slot.first(buildJoinerData(d, slot)));
}

void BSDNetworkSockets::SendHostData(uint32_t address, int j) {
    DataExchange& x = Exchange;
    if (!Data || j < 1 || j > 7) return;
    const int32_t now = platform::TickCount();
    HostData d;
    d.stamp = static_cast<uint16_t>(now);
    d.echo = echoOf(x.packetInTimes[j], now);
    d.ack = x.lastMessageInNumber[j];
    for (int i = 0, r = 0; i < 8; ++i) {
        if (i == j) continue;
        d.aircraft[r] = Data->stateBlock(i);
        d.aircraft[r][33] = Data->kills(i);
        ++r;
    }
    d.deadObjects = x.deadObjects.nextWord(Data->modelCount(), [this](int i) { return Data->isDead(i); });
    // Each machine's count of hits on aircraft i, its own owner's count left out. An aircraft set
    // up again fewer than 300 ticks ago takes none: the tallies are of its last life (a joiner's
    // copy of a wreck holds its hits past the limit), and would shoot it down where it starts.
    for (int i = 0; i < 8; ++i) {
        if (Data->resetRecently(i)) {
            d.hits[i] = 0;
            Data->clearHits(i);
            for (auto& tally : x.hostHitTally) tally[i] = 0.0;
            continue;
        }
        x.hostHitTally[0][i] = Data->totalHits(i);
        double sum = 0.0;
        for (int k = 0; k < 8; ++k) {
            if (k != i) sum += x.hostHitTally[k][i];
        }
        d.hits[i] = hitByte(sum);
        Data->reportNetworkHits(i, sum);
    }
    d.joinerKills = Data->kills(j);
    if (x.joinerMessageNumbers[j][0] != x.messageNumber) {
        d.message = {true, x.messageNumber, x.sendMessageChannel, 0, x.tempForSend};
    } else if (const int k = relaySlot(j, x); k > 0) {
        const DataExchange::Stored& m = x.lastMessageFrom[k];
        d.message = {true, m.number, m.channel, static_cast<uint8_t>(k), m.text};
    }
    if (d.message.present) ++x.packetsSentWithText;
    const SendSlot slot = nextSendSlot();
    sendDataPacket(address, slot.first(buildHostData(d, slot)));
}

}  // namespace pellam::net
