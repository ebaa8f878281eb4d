// Every code of every numeric field of the state block survives decode, encode, decode exactly,
// so a block relayed from peer to peer (or read back from a replay) does not drift a step a hop.
#include <gtest/gtest.h>


#include "net/AircraftStateBlock.h"

namespace pellam::net {
namespace {

// A field as bits of the block counted from the first byte's top bit: the block's own layout.
struct BitField {
    const char* name;
    int start, width;
};
constexpr BitField kFields[] = {
    {"X", 0, 24},           {"height", 24, 16},     {"Z", 40, 24},          {"velocity X", 128, 13},
    {"velocity Y", 141, 13}, {"velocity Z", 154, 13}, {"pitch rate", 168, 10}, {"bank rate", 178, 10},
    {"heading rate", 188, 10}, {"elevator", 200, 13},  {"ailerons", 213, 13},   {"rudder", 226, 13},
};

void setBits(StateBlockBytes& block, int start, int width, uint32_t value) {
    for (int i = 0; i < width; ++i) {
        const int bit = start + i;
        const uint8_t mask = uint8_t(0x80 >> (bit % 8));
        if (value >> (width - 1 - i) & 1) block[bit / 8] |= mask;
        else block[bit / 8] &= uint8_t(~mask);
    }
}

uint32_t stride(uint32_t code, int width) {
    if (width <= 16) return 1;
    const uint32_t half = 1u << (width - 1), near = 65536;
    const bool dense = code < near || code >= (1u << width) - near || (code >= half - near && code < half + near);
    return dense ? 1 : 61;
}

bool sameNumbers(const AircraftState& a, const AircraftState& b) {
    return a.position == b.position && a.velocity == b.velocity && a.rates == b.rates && a.elevator == b.elevator &&
           a.ailerons == b.ailerons && a.rudder == b.rudder;
}

TEST(StateBlockCodes, DecodeEncodeDecodeIsExactForEveryCode) {
    StateBlockBytes base{};
    for (int i = 8; i < 16; i += 2) base[i] = 0x7F, base[i + 1] = 0xFF;  // level attitude
    base[8] = 0xFF;                                                        // w = 1
    for (const BitField& f : kFields) {
        int drifted = 0;
        uint32_t firstDrift = 0;
        // Every code; of the 24-bit positions (exact halves of a foot) every 61st between the
        // 65,536 codes at each end and around zero, which keeps the test to seconds.
        const uint32_t codes = 1u << f.width;
        for (uint32_t code = 0; code < codes; code += stride(code, f.width)) {
            StateBlockBytes block = base;
            setBits(block, f.start, f.width, code);
            AircraftState once, twice;
            ASSERT_TRUE(decodeAircraftState(block.data(), block.size(), &once));
            StateBlockBytes again{};
            encodeAircraftState(once, again.data());
            ASSERT_TRUE(decodeAircraftState(again.data(), again.size(), &twice));
            if (!sameNumbers(once, twice) && drifted++ == 0) firstDrift = code;
        }
        EXPECT_EQ(drifted, 0) << f.name << ", first at code " << firstDrift;
    }
}

}  // namespace
}  // namespace pellam::net
