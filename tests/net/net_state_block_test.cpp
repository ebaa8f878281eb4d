// The 35-byte aircraft state block: its exact bytes, the round trip within each field's
// resolution, and decoding that stays inside every field's range whatever the bytes.
#include <gtest/gtest.h>

#include <cmath>

#include "net/AircraftStateBlock.h"

namespace pellam::net {
namespace {

AircraftState sample() {
    AircraftState s;
    s.position = {100.0, 1000.0, -0.5};
    s.velocity = {1.0, 0.0, -1.0};
    s.blownUp = true;
    s.firing = true;
    s.hits = 3;
    s.engine = 255;
    s.flags = stateflag::GearDown | stateflag::OnGround;
    s.bombs = 2;
    s.damage = statedamage::LeftAileron;
    return s;
}

TEST(StateBlock, GoldenBytes) {
    StateBlockBytes out{};
    encodeAircraftState(sample(), out.data());
    const StateBlockBytes golden = {
        0x00, 0x00, 0xC8,                                // X 100 ft in half feet
        0x0B, 0xB8,                                      // 1000 ft + 2000
        0xFF, 0xFF, 0xFF,                                // Z -0.5 ft
        0xFF, 0xFE, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0xFF,  // level, nose north
        0x86, 0x3B, 0xFF, 0xDE, 0x6E,                    // 1, 0, -1 ft/tick
        0x7F, 0xDF, 0xF7, 0xFE,                          // no rotation; blown up
        0x7F, 0xFB, 0xFF, 0xDF, 0xFF,                    // controls centred; firing
        0x03, 0xFF, 0x84, 0x00, 0x12};
    EXPECT_EQ(out, golden);
}

TEST(StateBlock, RoundTripWithinEachFieldsResolution) {
    AircraftState s;
    s.position = {-2329390.5, 12345.0, 1844461.0};
    const double q[4] = {0.9, 0.1, -0.3, 0.2};
    const double n = std::sqrt(0.81 + 0.01 + 0.09 + 0.04);
    for (int i = 0; i < 4; ++i) s.attitude[i] = q[i] / n;
    s.velocity = {3.21, -0.5, 1.07};
    s.rates = {0.013, -0.1, 0.19};
    s.restart = true;
    s.engineDamaged = true;
    s.elevator = -0.37, s.ailerons = 0.5, s.rudder = -1.0;
    s.hits = 12;
    s.engine = 240;
    s.flags = 0x55;
    s.result = 9;
    s.bombs = 6;
    s.damage = 0xF0;
    StateBlockBytes bytes{};
    encodeAircraftState(s, bytes.data());
    AircraftState d;
    ASSERT_TRUE(decodeAircraftState(bytes.data(), bytes.size(), &d));
    for (int j = 0; j < 3; ++j) {
        EXPECT_NEAR(d.position[j], s.position[j], 1.0) << j;
        EXPECT_NEAR(d.velocity[j], s.velocity[j], 0.005) << j;
        EXPECT_NEAR(d.rates[j], s.rates[j], 1.0 / 2555) << j;
    }
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(d.attitude[i], s.attitude[i], 1e-4) << i;
    EXPECT_NEAR(d.elevator, s.elevator, 1.0 / 4095);
    EXPECT_NEAR(d.ailerons, s.ailerons, 1.0 / 4095);
    EXPECT_NEAR(d.rudder, s.rudder, 1.0 / 4095);
    EXPECT_TRUE(d.restart && d.engineDamaged && !d.blownUp && !d.firing);
    EXPECT_EQ(d.hits, 12);
    EXPECT_EQ(d.engine, 240);
    EXPECT_EQ(d.flags, 0x55);
    EXPECT_EQ(d.result, 9);
    EXPECT_EQ(d.bombs, 6);
    EXPECT_EQ(d.damage, 0xF0);
}

TEST(StateBlock, ValuesOutsideAFieldAreClampedOnTheWayOut) {
    AircraftState s;
    s.position = {-0.5, -1500.0, 1e12};
    s.rates = {0.3, -0.2, NAN};
    s.elevator = 1.5;
    s.ailerons = -7.0;
    s.velocity = {30.0, -30.0, INFINITY};
    s.bombs = 12;
    StateBlockBytes b{};
    encodeAircraftState(s, b.data());
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[2], 0xFF);
    EXPECT_EQ(b[3] | b[4], 0);  // an aircraft out of the world
    AircraftState d;
    ASSERT_TRUE(decodeAircraftState(b.data(), b.size(), &d));
    EXPECT_EQ(d.position[0], -0.5);
    EXPECT_EQ(d.position[1], kHiddenHeight);
    EXPECT_NEAR(d.position[2], 4194303.5, 1e-9);  // the farthest the field holds
    EXPECT_NEAR(d.rates[0], 0.2, 1e-3);
    EXPECT_EQ((b[21] << 2 | b[22] >> 6) & 0x3FF, 1022);
    EXPECT_NEAR(d.rates[1], -0.2, 1e-9);
    EXPECT_NEAR(d.rates[2], 0.0, 1e-3);
    EXPECT_DOUBLE_EQ(d.elevator, 1.0);
    EXPECT_DOUBLE_EQ(d.ailerons, -1.0);
    EXPECT_NEAR(d.velocity[0], 20.48, 1e-9);
    EXPECT_NEAR(d.velocity[1], -20.475, 1e-9);
    EXPECT_NEAR(d.velocity[2], 20.48, 1e-9);
    EXPECT_EQ(d.bombs, 8);
}

TEST(StateBlock, AnyBytesDecodeIntoRange) {
    AircraftState d;
    StateBlockBytes ones;
    ones.fill(0xFF);
    ASSERT_TRUE(decodeAircraftState(ones.data(), ones.size(), &d));
    for (double r : d.rates) EXPECT_LE(std::fabs(r), 0.2);
    EXPECT_LE(std::fabs(d.elevator), 1.0);
    EXPECT_LE(std::fabs(d.ailerons), 1.0);
    EXPECT_LE(std::fabs(d.rudder), 1.0);
    EXPECT_LE(d.bombs, 8);
    double length = 0.0;
    for (double q : d.attitude) length += q * q;
    EXPECT_NEAR(length, 1.0, 1e-12);

    StateBlockBytes mid{};  // every component 32767 / 32767 - 1: no attitude at all, taken as level
    for (int i = 8; i < 16; i += 2) mid[i] = 0x7F, mid[i + 1] = 0xFF;
    ASSERT_TRUE(decodeAircraftState(mid.data(), mid.size(), &d));
    EXPECT_EQ(d.attitude, (std::array<double, 4>{1, 0, 0, 0}));

    AircraftState untouched = d;
    untouched.hits = 77;
    AircraftState copy = untouched;
    EXPECT_FALSE(decodeAircraftState(ones.data(), 34, &copy));  // a short packet
    EXPECT_EQ(copy.hits, 77);
    EXPECT_FALSE(decodeAircraftState(nullptr, 35, &copy));
}

}  // namespace
}  // namespace pellam::net
