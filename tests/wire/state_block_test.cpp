// The aircraft state block that peers send and the replay ring keeps: its exact bytes, and what
// any bytes decode to.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>

#include "wire/AircraftStateBlock.h"

namespace pellam::wire {
namespace {

// The 35-byte state block: its exact bytes, the attitude's round trip, values clamped on the way
// out, any bytes decoding inside every field's range, and decode, encode, decode giving the same
// numbers, so a block relayed from peer to peer (or read back from a replay) does not drift.
TEST(StateBlock, GoldenBytesAndRoundTrip) {
    AircraftState s;
    s.position = {100.0, 1000.0, -0.5};
    s.velocity = {1.0, 0.0, -1.0};
    s.blownUp = s.firing = true;
    s.hits = 3;
    s.engine = 255;
    s.flags = stateflag::GearDown | stateflag::OnGround;
    s.bombs = 2;
    s.damage = statedamage::LeftAileron;
    StateBlockBytes out{};
    encodeAircraftState(s, out.data());
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

    // An attitude off level and the flags the sample left clear; the numeric fields' codes are
    // all checked below.
    const double n = std::sqrt(0.81 + 0.01 + 0.09 + 0.04);
    s.attitude = {0.9 / n, 0.1 / n, -0.3 / n, 0.2 / n};
    s.restart = s.engineDamaged = true;
    encodeAircraftState(s, out.data());
    AircraftState d;
    ASSERT_TRUE(decodeAircraftState(out.data(), out.size(), &d));
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(d.attitude[i], s.attitude[i], 1e-4) << i;
    EXPECT_TRUE(d.restart && d.engineDamaged && d.blownUp && d.firing);
    EXPECT_EQ(std::tie(d.hits, d.engine, d.flags, d.bombs, d.damage),
              std::tie(s.hits, s.engine, s.flags, s.bombs, s.damage));
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
    AircraftState d;
    ASSERT_TRUE(decodeAircraftState(b.data(), b.size(), &d));
    EXPECT_EQ(d.position[1], kHiddenHeight) << "an aircraft out of the world";
    EXPECT_NEAR(d.position[2], 4194303.5, 1e-9);  // the farthest the field holds
    EXPECT_NEAR(d.rates[0], 0.2, 1e-3);
    EXPECT_NEAR(d.rates[2], 0.0, 1e-3);
    EXPECT_DOUBLE_EQ(d.elevator, 1.0);
    EXPECT_DOUBLE_EQ(d.ailerons, -1.0);
    EXPECT_NEAR(d.velocity[1], -20.475, 1e-9);
    EXPECT_NEAR(d.velocity[2], 20.48, 1e-9);
    EXPECT_EQ(d.bombs, 8);
}

TEST(StateBlock, AnyBytesDecodeIntoRangeAndShortBlocksAreRefused) {
    AircraftState d;
    StateBlockBytes ones;
    ones.fill(0xFF);
    ASSERT_TRUE(decodeAircraftState(ones.data(), ones.size(), &d));
    for (double r : d.rates) EXPECT_LE(std::fabs(r), 0.2);
    for (double c : {d.elevator, d.ailerons, d.rudder}) EXPECT_LE(std::fabs(c), 1.0);
    EXPECT_LE(d.bombs, 8);
    double length = 0.0;
    for (double q : d.attitude) length += q * q;
    EXPECT_NEAR(length, 1.0, 1e-12);

    StateBlockBytes mid{};  // every component 32767 / 32767 - 1: no attitude at all, taken as level
    for (int i = 8; i < 16; i += 2) mid[i] = 0x7F, mid[i + 1] = 0xFF;
    ASSERT_TRUE(decodeAircraftState(mid.data(), mid.size(), &d));
    EXPECT_EQ(d.attitude, (std::array<double, 4>{1, 0, 0, 0}));

    d.hits = 77;
    EXPECT_FALSE(decodeAircraftState(ones.data(), 34, &d));
    EXPECT_EQ(d.hits, 77) << "a short block leaves the state alone";
    EXPECT_FALSE(decodeAircraftState(nullptr, 35, &d));
}

// Values swept finely across every numeric field, each code hit several times: what one encode
// and decode give, a second gives back exactly.
TEST(StateBlock, DecodeEncodeDecodeIsExact) {
    const auto relay = [](const AircraftState& s) {
        StateBlockBytes b{};
        encodeAircraftState(s, b.data());
        AircraftState d;
        decodeAircraftState(b.data(), b.size(), &d);
        return d;
    };
    int drifted = 0;
    for (double x = -21.0; x <= 21.0; x += 1.0 / 2048) {
        AircraftState s;
        s.position = {x * 200000.0, x * 3000.0, -x * 200000.0};
        s.velocity = {x, -x, x / 2};
        s.rates = {x / 100, -x / 100, x / 200};
        s.elevator = x / 20, s.ailerons = -x / 20, s.rudder = x / 40;
        const AircraftState once = relay(s), twice = relay(once);
        const bool same = once.position == twice.position && once.velocity == twice.velocity &&
                          once.rates == twice.rates && once.elevator == twice.elevator &&
                          once.ailerons == twice.ailerons && once.rudder == twice.rudder;
        if (!same && drifted++ == 0) ADD_FAILURE() << "first drift at " << x;
    }
    EXPECT_EQ(drifted, 0);

    // The attitude is scaled to unit length on decoding; a decoded block still encodes to the
    // bytes it came from, whatever the attitude, level and on the axes included.
    std::mt19937 random(1918);
    std::normal_distribution<double> normal;
    int moved = 0;
    for (int k = 0; k < 100000; ++k) {
        std::array<double, 4> q{normal(random), normal(random), normal(random), normal(random)};
        if (k < 8) q = {0, 0, 0, 0}, q[k / 2] = k % 2 ? -1.0 : 1.0;
        const double n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        AircraftState s;
        for (int i = 0; i < 4; ++i) s.attitude[i] = q[i] / n;
        StateBlockBytes sent{}, relayed{};
        encodeAircraftState(s, sent.data());
        AircraftState d;
        decodeAircraftState(sent.data(), sent.size(), &d);
        encodeAircraftState(d, relayed.data());
        if (sent != relayed && moved++ == 0) ADD_FAILURE() << "first moved attitude at " << k;
        for (int i = 0; i < 4; ++i) ASSERT_NEAR(d.attitude[i], s.attitude[i], 1e-4) << k;
    }
    EXPECT_EQ(moved, 0);
}

}  // namespace
}  // namespace pellam::wire
