// Scripted flights of the Camel over flat ground and a height field: take-off, climb, level
// flight, a turn, a stall and its recovery, a landing roll to a stop, crashes. Every state value
// must stay finite throughout.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

constexpr double kField = 100.0;  // ft; ground at exactly 0 would count as water

CamelWorld flatWorld() { return CamelWorld(std::make_unique<FlatTerrain>(kField)); }

TEST(Flight, TakesOffFromRestAndClimbsAway) {
    CamelWorld w = flatWorld();
    w.camel->SetUpAircraft(0.0, -1.0, 0.0, 0.0, 400.0, 0.0, 1.0);  // on the ground, tail down, full power
    EXPECT_EQ(w.a().Damage1, 0u);
    w.camel->ElevatorInputAbsolute(0.0);
    int airborneAt = -1;
    w.run(3600, [&] {
        if (airborneAt < 0 && !w.a().OnGround && w.height() > 10.0) airborneAt = w.controller.missionTime;
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    EXPECT_GT(airborneAt, 300);   // a take-off run first
    EXPECT_LT(airborneAt, 1200);  // off within 20 s
    EXPECT_GT(w.height(), 300.0);
    EXPECT_GT(w.mph(), 80.0);
    EXPECT_EQ(w.a().Damage1, 0u);
}

TEST(Flight, HoldsLevelFlightAtFullPower) {
    CamelWorld w = flatWorld();
    w.camel->SetUpAircraft(0.0, 2100.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    w.run(1800, [&] {
        w.camel->ElevatorInputAbsolute(0.0);  // stick centred: the trim holds the nose
        w.camel->AileronInputAbsolute(0.0);
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    EXPECT_NEAR(w.height(), 2000.0, 300.0);
    EXPECT_GT(w.mph(), 95.0);
    EXPECT_LT(w.mph(), 130.0);
    EXPECT_NEAR(w.a().AircraftBank, 0.0, 5.0);
    EXPECT_NEAR(w.a().AircraftPitch, 0.0, 10.0);
}

TEST(Flight, BankedTurnComesRound) {
    CamelWorld w = flatWorld();
    w.camel->SetUpAircraft(0.0, 2100.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    double turned = 0.0, last = w.a().AircraftHeading;
    w.run(1800, [&] {
        // Hold 30 degrees of bank with the ailerons and a little back stick.
        w.camel->AileronInputAbsolute(std::clamp((-30.0 - w.a().AircraftBank) * 0.05, -1.0, 1.0));
        w.camel->ElevatorInputAbsolute(0.1);
        double d = w.a().AircraftHeading - last;
        if (d > 180.0) d -= 360.0;
        if (d < -180.0) d += 360.0;
        turned += d;
        last = w.a().AircraftHeading;
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    EXPECT_LT(turned, -180.0);  // banked left, turned left through more than half a circle
    EXPECT_GT(w.height(), 1000.0);
    EXPECT_EQ(w.a().Damage1, 0u);
}

TEST(Flight, StallsAndRecovers) {
    CamelWorld w = flatWorld();
    w.camel->SetUpAircraft(0.0, 3100.0, 0.0, 0.0, 0.0, 80.0, 0.1);
    bool stalled = false;
    double lowestPitch = 90.0;
    w.run(600, [&] {
        w.camel->ElevatorInputAbsolute(1.0);
        stalled = stalled || w.a().AOADegrees2 > w.a().PlusStall;
        lowestPitch = std::min(lowestPitch, w.a().AircraftPitch);
        return w.finite();
    });
    EXPECT_TRUE(stalled);
    EXPECT_LT(lowestPitch, -5.0);  // the nose falls through with the stick held back
    const double heightAtRelease = w.height();

    int recoveredAt = -1;
    w.run(900, [&] {
        w.camel->ElevatorInputAbsolute(0.0);
        w.camel->setThrottle(1.0);
        if (recoveredAt < 0 && w.a().AOADegrees2 < 8.0 && w.mph() > 70.0) recoveredAt = w.controller.missionTime;
        return w.finite();
    });
    ASSERT_TRUE(w.finite());
    EXPECT_GT(recoveredAt, 0);
    EXPECT_GT(w.height(), heightAtRelease - 1500.0);
    EXPECT_EQ(w.a().Damage1, 0u);
}

TEST(Flight, LandsAndRollsToAStop) {
    CamelWorld w = flatWorld();
    w.camel->SetUpAircraft(0.0, kField + 400.0, 0.0, 0.0, 0.0, 70.0, 0.1);
    int touchdown = -1, stopped = -1;
    w.run(3600, [&] {
        if (!w.a().OnGround) {
            // Glide down at 400 ft/min, round out to 100 ft/min for the last 30 ft.
            const double climb = w.camel->XYZVelocity[1] * 3600.0;
            const double target = w.height() > 30.0 ? -400.0 : -100.0;
            w.camel->ElevatorInputAbsolute(std::clamp((target - climb) * 0.002, -1.0, 1.0));
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
    EXPECT_TRUE(w.heard(7) || w.heard(8));  // touchdown
    EXPECT_EQ(w.a().Damage1 & (dmg::Down | dmg::GearBroken | dmg::BlownUp), 0u);
    EXPECT_EQ(w.a().OnGround, 1);
    EXPECT_NEAR(w.a().AircraftPitch, w.a().TailDownAngle, 2.0);  // resting on the tail skid
    EXPECT_NEAR(w.a().AircraftBank, 0.0, 1.0);
    EXPECT_GT(w.a().TimeWhenStoppedMoving, 0);
    // Standing still stays still.
    const auto at = w.pos();
    w.run(300);
    EXPECT_NEAR(w.pos()[0], at[0], 0.01);
    EXPECT_NEAR(w.pos()[2], at[2], 0.01);
    EXPECT_EQ(w.a().Damage1 & dmg::Down, 0u);  // not disabled: the stop rule leaves it alone

    // Disabled where it has stood for more than 900 ticks: ended at the next tick.
    ASSERT_GT(w.controller.missionTime - w.a().TimeWhenStoppedMoving, 900);
    w.camel->orDamage1(dmg::EngineStopped);
    EXPECT_EQ(w.run(10, [&] { return !(w.a().Damage1 & dmg::Down); }), 1);
    EXPECT_TRUE(w.a().Damage1 & dmg::BlownUp);
    EXPECT_EQ(w.controller.explosions, 1);
    EXPECT_TRUE(w.heard(30));  // the engine seized
}

TEST(Flight, DiveIntoTheGroundBlowsUp) {
    CamelWorld w = flatWorld();
    w.camel->SetUpAircraft(0.0, kField + 600.0, 0.0, 0.0, -60.0, 120.0, 1.0);
    w.run(600, [&] {
        w.camel->ElevatorInputAbsolute(-1.0);
        return !(w.a().Damage1 & dmg::BlownUp);
    });
    const uint32_t crash = dmg::BlownUp | dmg::Down | dmg::ControlsDead;
    EXPECT_EQ(w.a().Damage1 & crash, crash);
    EXPECT_TRUE(w.heard(12));
    EXPECT_EQ(w.controller.explosions, 1);
    EXPECT_NEAR(w.pos()[1], kField, 1.01);
    // The wreck stays put, finite, and counts as shot down.
    w.run(120);
    EXPECT_TRUE(w.finite());
    EXPECT_EQ(w.camel->XYZVelocity, (Vector3{0, 0, 0}));
    EXPECT_EQ(w.a().TotalHits, w.a().TotalHitsBeforeDead + 10.0);
    EXPECT_EQ(w.controller.explosions, 1);
    EXPECT_GT(w.a().DeadOnGroundTime, 0);
}

TEST(Flight, CrashIntoTheSeaSplashes) {
    CamelWorld w;  // ground at exactly 0
    w.camel->SetUpAircraft(0.0, 600.0, 0.0, 0.0, -60.0, 120.0, 1.0);
    w.run(600, [&] {
        w.camel->ElevatorInputAbsolute(-1.0);
        return !(w.a().Damage1 & dmg::BlownUp);
    });
    EXPECT_TRUE(w.a().Damage1 & dmg::BlownUp);
    EXPECT_TRUE(w.heard(21));
}

TEST(Flight, RollingIntoRisingGroundNosesOver) {
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

}  // namespace
}  // namespace pellam::testing
