#include "net/Packet.h"

#include <algorithm>

#include "platform/ByteOrder.h"

namespace pellam::net {

size_t minimumPacketLength(uint8_t type) {
    switch (type) {
        case kChatLinePacket: return 6;  // slot, message number, text length byte
        case kJoinerDataPacket: return 59;
        case kHostDataPacket: return 266;
        case kJoinRequestPacket: return 40;
        case kAcceptPacket: return 26;
        case kDeclinePacket: return 4;
        case kQuitPacket: return 25;
        case kNewGamePacket: return 26;
        case kPlayerNamesPacket: return 211;
        case kNotHostPacket: return 3;
        default: return 0;
    }
}

uint8_t* startPacket(SendSlot slot, PacketType type, size_t length) {
    std::fill(slot.begin(), slot.end(), uint8_t{0});
    platform::writeBE16(slot.data(), static_cast<uint16_t>(length));
    slot[2] = type;
    return slot.data();
}

uint16_t packetLength(std::span<const uint8_t> bytes) {
    return bytes.size() < kHeaderBytes ? 0 : platform::readBE16(bytes.data());
}

namespace {

// Where the length-prefixed text of a packet starts, or 0 when it carries none.
size_t textAt(uint8_t type, size_t length) {
    switch (type) {
        case kChatLinePacket: return 5;
        case kJoinerDataPacket: return length > 59 ? 60 : 0;
        case kHostDataPacket: return length > 266 ? 268 : 0;
        default: return 0;
    }
}

}  // namespace

bool packetIsWhole(std::span<const uint8_t> bytes) {
    if (bytes.size() < kHeaderBytes || bytes.size() > kMaxPacketBytes) return false;
    const size_t length = packetLength(bytes);
    const size_t minimum = minimumPacketLength(bytes[2]);
    if (minimum == 0 || length < minimum || length > bytes.size()) return false;
    const size_t text = textAt(bytes[2], length);
    return text == 0 || (text < length && text + 1 + bytes[text] <= length);
}

}  // namespace pellam::net
