// Scripted flights of the three aircraft over flat ground: take-off, climb, level flight near top
// speed, a turn, a stall and its recovery and a landing roll to a stop, every state value finite
// throughout; a Camel rolling into a bank of earth; and ten minutes of each aircraft in every state
// it can come to (flying, on the ground, crashed, a wreck nose down, a wing lost, burning, the pilot
// dead), however long a state lasts nothing in the record running away to infinity or NaN.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

template <typename T>
struct Flight : ::testing::Test {
    BasicCamelWorld<T> w{std::make_unique<FlatTerrain>(kField)};
};
TYPED_TEST_SUITE(Flight, AllThreeAircraft);

TYPED_TEST(Flight, TakesOffFromRestAndClimbsAway) {
    auto& w = this->w;
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);  // on the ground, tail down, full power
    int airborneAt = -1;
    w.run(3600, [&] {
        if (w.a().OnGround) {
            w.camel->ElevatorInputAbsolute(w.mph() > 50.0 ? 0.3 : 0.0);  // lift off once flying speed is near
        } else {
            w.hold(0.0, 800.0);
        }
        if (airborneAt < 0 && !w.a().OnGround && w.height() > 10.0) airborneAt = w.controller.missionTime;
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    EXPECT_GT(airborneAt, 300);   // a take-off run first
    EXPECT_LT(airborneAt, 1500);  // off within 25 s
    EXPECT_GT(w.height(), 300.0);
    EXPECT_GT(w.mph(), 80.0);
    EXPECT_EQ(w.a().Damage1, 0u);
}

TYPED_TEST(Flight, HoldsLevelFlightNearItsTopSpeedTurnsStallsAndRecovers) {
    auto& w = this->w;
    w.camel->SetUpAircraft(0.0, kField + 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    w.run(2400, [&] {
        w.hold(0.0, 0.0);
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    EXPECT_NEAR(w.height(), 2000.0, 300.0);
    EXPECT_GT(w.mph(), 0.8 * w.a().TopSpeedInMPH);
    EXPECT_LT(w.mph(), 1.1 * w.a().TopSpeedInMPH);
    EXPECT_NEAR(w.a().AircraftBank, 0.0, 2.0);
    EXPECT_NEAR(w.a().AircraftPitch, 0.0, 5.0);

    double turned = 0.0, last = w.a().AircraftHeading;
    w.run(2400, [&] {
        w.hold(-30.0, 0.0);
        turned += std::remainder(w.a().AircraftHeading - last, 360.0);
        last = w.a().AircraftHeading;
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    EXPECT_LT(turned, -180.0);  // banked left, turned left through more than half a circle
    EXPECT_NEAR(w.a().AircraftBank, -30.0, 3.0);
    EXPECT_GT(w.height(), 1500.0);
    EXPECT_EQ(w.a().Damage1, 0u);

    // Slowed to idle and pulled up: it stalls, and recovers with the stick forward and power on.
    w.camel->SetUpAircraft(0.0, kField + 3000.0, 0.0, 0.0, 0.0, 80.0, 0.1);
    w.camel->AileronInputAbsolute(0.0);
    bool stalled = false;
    w.run(600, [&] {
        w.camel->ElevatorInputAbsolute(1.0);
        stalled = stalled || w.a().AOADegrees2 > w.a().PlusStall;
        return w.finite();
    });
    EXPECT_TRUE(stalled);
    const double heightAtRelease = w.height();

    int recoveredAt = -1;
    w.run(900, [&] {
        w.camel->ElevatorInputAbsolute(0.0);
        w.camel->AileronInputAbsolute(std::clamp(-w.a().AircraftBank * 0.05, -1.0, 1.0));
        w.camel->setThrottle(1.0);
        if (recoveredAt < 0 && w.a().AOADegrees2 < 8.0 && w.mph() > 70.0) recoveredAt = w.controller.missionTime;
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    EXPECT_GT(recoveredAt, 0);
    EXPECT_GT(w.height(), heightAtRelease - 1500.0);
    EXPECT_EQ(w.a().Damage1, 0u);
}

TYPED_TEST(Flight, LandsAndRollsToAStop) {
    auto& w = this->w;
    w.camel->SetUpAircraft(0.0, kField + 400.0, 0.0, 0.0, 0.0, 70.0, 0.1);
    int touchdown = -1, stopped = -1;
    w.run(3600, [&] {
        if (!w.a().OnGround) {
            w.hold(0.0, w.height() > 30.0 ? -400.0 : -100.0);  // glide in, round out
        } else {
            if (touchdown < 0) touchdown = w.controller.missionTime;
            w.camel->ElevatorInputAbsolute(0.5);  // tail down
            w.camel->setThrottle(0.0);
            w.camel->turnBrakesOn();
        }
        if (touchdown > 0 && stopped < 0 && w.a().OnGround && w.mph() < 0.5) stopped = w.controller.missionTime;
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    ASSERT_GT(touchdown, 0);
    ASSERT_GT(stopped, touchdown);
    EXPECT_TRUE(w.heard(7) || w.heard(8));
    EXPECT_TRUE(w.heard(32));  // engine off
    EXPECT_EQ(w.a().Damage1 & (dmg::Down | dmg::GearBroken | dmg::BlownUp), 0u);
    EXPECT_NEAR(w.a().AircraftPitch, w.a().TailDownAngle, 2.0);  // resting on the tail skid
    EXPECT_NEAR(w.a().AircraftBank, 0.0, 1.0);
    const auto at = w.pos();
    w.run(300);
    EXPECT_NEAR(w.pos()[0], at[0], 0.01);
    EXPECT_NEAR(w.pos()[2], at[2], 0.01);
}

// The same hard pull out of a dive: past the Dr.I's +3.5 g long enough to warn, inside the
// Camel's and the D.VII's limits.
TYPED_TEST(Flight, HardPullOutOfADive) {
    auto& w = this->w;
    w.camel->SetUpAircraft(0.0, kField + 4000.0, 0.0, 0.0, -30.0, 140.0, 1.0);
    double most = 0.0;
    int dangerous = 0;
    w.run(120, [&] {
        w.camel->ElevatorInputAbsolute(0.6);
        most = std::max(most, w.a().Gs * 111.9403027);
        dangerous = std::max(dangerous, int(w.a().DangerousGs));
        return w.finite();
    });
    EXPECT_GT(most, 4.0);
    if (w.a().AircraftType == 77) {
        EXPECT_TRUE(w.heard(10));
    } else {
        EXPECT_FALSE(w.heard(10));
        EXPECT_EQ(dangerous, 0);
    }
}

TEST(CamelFlight, RollingIntoRisingGroundNosesOver) {
    // A bank of earth 300 ft ahead: flat, then rising 1 ft in 2 ft.
    auto bank = std::make_unique<HeightField>([](double, double z) { return z < 300.0 ? kField : kField + (z - 300.0) / 2.0; });
    CamelWorld w(std::move(bank));
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);
    w.run(1200, [&] {
        w.camel->ElevatorInputAbsolute(1.0);  // stick back: stay on the ground
        return !(w.a().Damage1 & dmg::ThrottleDead);
    });
    const uint32_t noseOver = dmg::PropBroken | dmg::EngineStopped | dmg::ThrottleDead;
    EXPECT_EQ(w.a().Damage1 & noseOver, noseOver);
    EXPECT_EQ(w.a().CurrentEngineSetting, 0.0);
    EXPECT_GT(w.pos()[2], 280.0);
    EXPECT_LT(w.pos()[2], 310.0);
    EXPECT_TRUE(w.finite());
}

// ---- Soak.

constexpr int kTenMinutes = 36000;  // ticks

template <typename Type>
struct Soak : ::testing::Test {
    BasicCamelWorld<Type> w{std::make_unique<FlatTerrain>(kField)};

    // Puts the aircraft into a state by `enter`, then lets ten minutes pass with the controls as
    // they are, looking at the whole record once a second.
    void soak(const char* state, const std::function<void()>& enter) {
        ZephModel::simulationRandom().seed(1918);
        w.camel->SetUpAircraft(0.0, kField + 3000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
        enter();
        for (int t = 0; t < kTenMinutes; ++t) {
            w.tick();
            if (t % 60 == 0 || t == kTenMinutes - 1) {
                ASSERT_TRUE(w.finite()) << state << ", after " << t / 60 << " s";
            }
        }
    }

    // Into the ground nose first; done once the aircraft is down.
    void crash(double pitch) {
        w.camel->SetUpAircraft(0.0, kField + 600.0, 0.0, 0.0, pitch, 120.0, 1.0);
        w.run(900, [&] {
            w.camel->ElevatorInputAbsolute(-1.0);
            return !(w.a().Damage1 & dmg::Down);
        });
        ASSERT_TRUE(w.a().Damage1 & dmg::Down);
    }
};

TYPED_TEST_SUITE(Soak, AllThreeAircraft);

TYPED_TEST(Soak, EveryStateStaysFiniteForTenMinutes) {
    auto& w = this->w;
    this->soak("flying", [] {});
    this->soak("on the ground", [&] { w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 0.1); });
    this->soak("crashed", [&] { this->crash(-60.0); });
    this->soak("nose-down wreck", [&] {
        this->crash(-85.0);
        // However it came to rest, it now stands on its nose.
        w.camel->live.attitude.QAttitude = {1.0, 0.0, 0.0, 0.0};
        w.camel->rotatePitchByDegrees(80.0);
        w.camel->live.previousAttitude = w.camel->live.attitude;
    });
    this->soak("wing lost", [&] { w.camel->wingComesOff(0); });
    this->soak("burning", [&] {
        w.a().EngineSmokingTime = 1;
        w.camel->orDamage1(dmg::EngineDamaged | dmg::FuelTankHoled);
        w.a().TotalHits = w.a().TotalHitsBeforeDead * 0.9;
    });
    this->soak("pilot dead", [&] { w.a().TotalHits = w.a().TotalHitsBeforeDead + 10.0; });
}

}  // namespace
}  // namespace pellam::testing
