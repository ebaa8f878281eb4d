#include "net/DataPackets.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/ByteOrder.h"

namespace pellam::net {
namespace {

using platform::readBE16;
using platform::readBE32;

constexpr size_t kJoinerBytes = 59, kHostBytes = 266;

// Header byte of a message, then its length-prefixed text at `text`; answers the bytes added.
size_t putMessage(uint8_t* p, size_t head, size_t text, const MessageText& m) {
    const size_t n = std::min(m.text.size(), kMaxTextChars);
    p[head] = static_cast<uint8_t>((m.number & 0x0F) | (m.channel << 5));
    p[text] = static_cast<uint8_t>(n);
    std::memcpy(p + text + 1, m.text.data(), n);
    return text + 1 + n;
}

MessageText getMessage(const uint8_t* p, size_t head, size_t text) {
    MessageText m;
    m.present = true;
    m.number = p[head] & 0x0F;
    m.channel = p[head] >> 5;
    m.text.assign(reinterpret_cast<const char*>(p + text + 1), std::min<size_t>(p[text], kMaxTextChars));
    return m;
}

}  // namespace

uint8_t hitByte(double hits) {
    if (!(hits > 0.0)) return 0;
    return static_cast<uint8_t>(std::min(std::trunc(hits), 255.0));
}

int32_t networkDelay(int32_t tick, uint16_t echo) {
    const auto roundTrip = static_cast<uint16_t>(static_cast<uint16_t>(tick) - echo);
    return std::min<int32_t>(roundTrip / 2, 60);
}

size_t buildJoinerData(const JoinerData& d, SendSlot slot) {
    uint8_t* p = startPacket(slot, kJoinerDataPacket, 0);
    p[3] = d.slot;
    platform::writeBE16(p + 4, d.stamp);
    platform::writeBE16(p + 6, d.echo);
    for (size_t k = 0; k < 8; ++k) p[8 + k / 2] |= static_cast<uint8_t>((d.acks[k] & 0x0F) << (k % 2 ? 0 : 4));
    std::copy(d.aircraft.begin(), d.aircraft.end(), p + 12);
    std::copy(d.hits.begin(), d.hits.end(), p + 47);
    platform::writeBE32(p + 55, d.deadObjects);
    const size_t length = d.message.present ? putMessage(p, 59, 60, d.message) : kJoinerBytes;
    platform::writeBE16(p, static_cast<uint16_t>(length));
    return length;
}

size_t buildHostData(const HostData& d, SendSlot slot) {
    uint8_t* p = startPacket(slot, kHostDataPacket, 0);
    platform::writeBE16(p + 3, d.stamp);
    platform::writeBE16(p + 5, d.echo);
    p[7] = d.ack;
    for (size_t r = 0; r < 7; ++r) std::copy(d.aircraft[r].begin(), d.aircraft[r].end(), p + 8 + wire::kStateBlockSize * r);
    platform::writeBE32(p + 253, d.deadObjects);
    std::copy(d.hits.begin(), d.hits.end(), p + 257);
    p[265] = d.joinerKills;
    size_t length = kHostBytes;
    if (d.message.present) {
        p[267] = d.message.fromSlot;
        length = putMessage(p, 266, 268, d.message);
    }
    platform::writeBE16(p, static_cast<uint16_t>(length));
    return length;
}

std::optional<JoinerData> parseJoinerData(std::span<const uint8_t> packet) {
    if (!packetIsWhole(packet) || packet[2] != kJoinerDataPacket) return std::nullopt;
    const uint8_t* p = packet.data();
    if (p[3] < 1 || p[3] > 7) return std::nullopt;
    JoinerData d;
    d.slot = p[3];
    d.stamp = readBE16(p + 4);
    d.echo = readBE16(p + 6);
    for (size_t k = 0; k < 8; ++k) d.acks[k] = (p[8 + k / 2] >> (k % 2 ? 0 : 4)) & 0x0F;
    std::copy(p + 12, p + 47, d.aircraft.begin());
    std::copy(p + 47, p + 55, d.hits.begin());
    d.deadObjects = readBE32(p + 55);
    if (readBE16(p) > kJoinerBytes) d.message = getMessage(p, 59, 60);
    return d;
}

std::optional<HostData> parseHostData(std::span<const uint8_t> packet) {
    if (!packetIsWhole(packet) || packet[2] != kHostDataPacket) return std::nullopt;
    const uint8_t* p = packet.data();
    const bool text = readBE16(p) > kHostBytes;
    if (text && p[267] > 7) return std::nullopt;
    HostData d;
    d.stamp = readBE16(p + 3);
    d.echo = readBE16(p + 5);
    d.ack = p[7];
    for (size_t r = 0; r < 7; ++r) std::copy(p + 8 + wire::kStateBlockSize * r, p + 8 + wire::kStateBlockSize * (r + 1), d.aircraft[r].begin());
    d.deadObjects = readBE32(p + 253);
    std::copy(p + 257, p + 265, d.hits.begin());
    d.joinerKills = p[265];
    if (text) {
        d.message = getMessage(p, 266, 268);
        d.message.fromSlot = p[267];
    }
    return d;
}

}  // namespace pellam::net
