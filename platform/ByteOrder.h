#pragma once
// Host byte order, in-place swaps, and big-endian encode/decode for stored records and packets.
// Files and datagrams are big-endian. Readers and writers encode field by field into separate
// buffers: live records are never swapped in place.
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace pellam::platform {

inline bool isIntelChip() { return std::endian::native == std::endian::little; }

inline void swapShortHere(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    std::swap(b[0], b[1]);
}

inline void swapLongHere(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    std::swap(b[0], b[3]);
    std::swap(b[1], b[2]);
}

inline void swapDoubleHere(void* p) {
    auto* b = static_cast<unsigned char*>(p);
    std::swap(b[0], b[7]);
    std::swap(b[1], b[6]);
    std::swap(b[2], b[5]);
    std::swap(b[3], b[4]);
}

inline uint16_t readBE16(const unsigned char* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
inline uint32_t readBE32(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline uint64_t readBE64(const unsigned char* p) { return uint64_t(readBE32(p)) << 32 | readBE32(p + 4); }
inline int16_t readBEShort(const unsigned char* p) { return static_cast<int16_t>(readBE16(p)); }
inline int32_t readBELong(const unsigned char* p) { return static_cast<int32_t>(readBE32(p)); }
inline float readBEFloat(const unsigned char* p) { return std::bit_cast<float>(readBE32(p)); }
inline double readBEDouble(const unsigned char* p) { return std::bit_cast<double>(readBE64(p)); }

inline void writeBE16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}
inline void writeBE32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}
inline void writeBE64(unsigned char* p, uint64_t v) {
    writeBE32(p, static_cast<uint32_t>(v >> 32));
    writeBE32(p + 4, static_cast<uint32_t>(v));
}
inline void writeBEShort(unsigned char* p, int16_t v) { writeBE16(p, static_cast<uint16_t>(v)); }
inline void writeBELong(unsigned char* p, int32_t v) { writeBE32(p, static_cast<uint32_t>(v)); }
inline void writeBEFloat(unsigned char* p, float v) { writeBE32(p, std::bit_cast<uint32_t>(v)); }
inline void writeBEDouble(unsigned char* p, double v) { writeBE64(p, std::bit_cast<uint64_t>(v)); }

}  // namespace pellam::platform
