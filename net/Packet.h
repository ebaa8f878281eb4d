#pragma once
// The frame every multiplayer datagram shares: bytes 0-1 the total length (big-endian), byte 2
// the type, the payload from byte 3. All multi-byte fields are big-endian.
#include <cstddef>
#include <cstdint>
#include <span>

namespace pellam::net {

enum PacketType : uint8_t {
    kChatLinePacket = 1,  // never sent; read by the protocol engine
    kJoinerDataPacket = 2,
    kHostDataPacket = 3,
    kJoinRequestPacket = 4,
    kAcceptPacket = 5,
    kDeclinePacket = 6,
    kQuitPacket = 9,
    kNewGamePacket = 10,
    kPlayerNamesPacket = 11,
    kNotHostPacket = 12,
};

inline constexpr size_t kHeaderBytes = 3;
inline constexpr size_t kMaxPacketBytes = 500;  // longer datagrams are cut; no packet is built longer
inline constexpr size_t kSendSlotBytes = 512;

using SendSlot = std::span<uint8_t, kSendSlotBytes>;

// Zeroes a send slot (no byte of an earlier packet leaks into this one) and writes the header.
uint8_t* startPacket(SendSlot slot, PacketType type, size_t length);

// The bytes a reader of this type looks at; 0 for a type no one reads (0, 7, 8, above 12).
size_t minimumPacketLength(uint8_t type);

// Whether a received datagram of `bytes` (as received, at most kMaxPacketBytes) may be handed
// to a reader: a known type, a header length within what arrived and at least the type's
// minimum, and any text it carries ending inside it.
bool packetIsWhole(std::span<const uint8_t> bytes);

// The header's length, or 0 when fewer than 3 bytes are given.
uint16_t packetLength(std::span<const uint8_t> bytes);

}  // namespace pellam::net
