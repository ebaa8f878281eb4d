// The Fokkers' guns, bombs, reset and replay: their own muzzles, tracer intervals and bomb racks
// on the shared weapons; a wreck that a reset must rebuild; and their 179-record replay ring,
// with a replay that leaves the live aircraft exactly as it was.
#include <gtest/gtest.h>

#include <cstring>

#include "aircraft/FokkerDVII.h"
#include "aircraft/FokkerDr1.h"
#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"

namespace pellam::testing {
namespace {

constexpr double kField = 100.0;

template <typename T>
struct FokkerArms : ::testing::Test {
    BasicCamelWorld<T> w{std::make_unique<FlatTerrain>(kField)};
    bool dr1() { return w.a().AircraftType == 77; }
    FokkerArms() {
        ZephModel::simulationRandom().seed(1918);
        w.camel->SetUpAircraft(0.0, kField + 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0);
        w.camel->copyCurrentQNionToStart();
    }
};
using Fokkers = ::testing::Types<FokkerDr1, FokkerDVII>;
TYPED_TEST_SUITE(FokkerArms, Fokkers);

// Every flyable aircraft: a reset (a restart or a new life) rebuilds a wreck.
template <typename T>
struct EveryAircraft : FokkerArms<T> {};
using AllThree = ::testing::Types<ObjectTestFile, FokkerDr1, FokkerDVII>;
TYPED_TEST_SUITE(EveryAircraft, AllThree);

TYPED_TEST(EveryAircraft, ResetRebuildsAWreck) {
    auto& w = this->w;
    const auto whole = w.camel->Surfaces;
    w.camel->setNumberOfBombs(2);
    w.camel->SetUpAircraft(0.0, kField + 600.0, 0.0, 0.0, -60.0, 120.0, 1.0);
    w.camel->wingComesOff(0);
    w.run(900, [&] { return !(w.a().Damage1 & dmg::BlownUp); });
    ASSERT_TRUE(w.a().Damage1 & dmg::Down);

    w.camel->resetModel();
    EXPECT_EQ(w.a().Damage1, 0u);
    EXPECT_EQ(w.a().TotalHits, 0.0);
    EXPECT_EQ(w.a().BlowsUpAt, 0);
    EXPECT_EQ(w.a().LeftWingGoneAt, 0);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 2);
    for (int i = 0; i < Aircraft::kSurfaces; ++i) EXPECT_EQ(w.camel->Surfaces[i].Area, whole[i].Area) << i;
    EXPECT_NEAR(w.pos()[1], kField + 2000.0, 1e-9);  // back at its start
    w.run(120);
    EXPECT_EQ(w.a().Damage1 & dmg::Down, 0u);
    EXPECT_TRUE(w.finite());
}

TYPED_TEST(FokkerArms, GunsAlternateMuzzlesWithTracersAtTheirInterval) {
    auto& w = this->w;
    const double x = this->dr1() ? 0.578 : 0.35;
    const int interval = this->dr1() ? 15 : 12;
    auto& g = w.a().GunBullets;
    int tracers = 0;
    for (int shot = 0; shot < 73; ++shot) {
        w.camel->GlobalTime = 100 + shot;
        EXPECT_EQ(g.BulletStartLocation[0], shot % 2 ? -x : x) << shot;
        w.camel->startABullet();
        const ProjectileType& b = g.TheBullets[shot % BulletsList::kSlots];
        if (b.GraphicsType == 1) ++tracers;
        EXPECT_NEAR(b.PZ - w.pos()[2], this->dr1() ? 2.7 : 2.6, 1e-9);
    }
    EXPECT_EQ(tracers, 1 + 72 / interval);  // the first shot is a tracer, then one per interval
    EXPECT_EQ(g.NextTheBullets, 1);          // the 73rd shot took slot 0 again
    EXPECT_EQ(w.a().CurrentAmmoUsed, 73.0);
}

TYPED_TEST(FokkerArms, BombsHangInPairsAndDropLastFirst) {
    auto& w = this->w;
    w.camel->setNumberOfBombs(9);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 6);
    const double x0 = this->dr1() ? -4.5 : -6.0, width = 0.6f;
    const double y = this->dr1() ? -1.9f : -1.6f, z = this->dr1() ? 0.2f : -0.5f;
    const double xs[6] = {x0, -x0, x0 - width, -(x0 - width), x0 - 2 * width, -(x0 - 2 * width)};
    for (int i = 0; i < 6; ++i) {
        const double* p = w.camel->getBombPosition(i);
        EXPECT_NEAR(p[0], xs[i], 1e-6) << i;
        EXPECT_EQ(p[1], y);
        EXPECT_EQ(p[2], z);
    }
    // Level on heading 0: body axes are world axes.
    for (int i = 5; i >= 0; --i) {
        const double* p = w.camel->dropBomb();
        ASSERT_NE(p, nullptr);
        EXPECT_NEAR(p[0] - w.pos()[0], xs[i], 1e-6) << i;
        EXPECT_NEAR(p[1] - w.pos()[1], y, 1e-6) << i;
        EXPECT_EQ(w.a().CurrentNumberOfBombs, i);
    }
    EXPECT_EQ(w.camel->dropBomb(), nullptr);
}

// A pilot who has gone over the side drops nothing, so losing a wing with bombs aboard must not
// wait for the rack to empty.
TYPED_TEST(FokkerArms, WingLostAfterBailOutKeepsItsBombs) {
    auto& w = this->w;
    w.camel->setNumberOfBombs(4);
    w.a().GuyBailedOut = 1;
    w.camel->wingComesOff(0);
    EXPECT_TRUE(w.a().Damage1 & dmg::LeftWingGone);
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 4);
    w.a().GuyBailedOut = 0;
    w.camel->wingComesOff(1);  // the bombs go with the wing
    EXPECT_EQ(w.a().CurrentNumberOfBombs, 0);
}

TYPED_TEST(FokkerArms, DamageEffectsComeOnceAndABellyLanderSurvives) {
    auto& w = this->w;
    w.camel->GlobalTime = 50;
    w.camel->orDamage1(dmg::LeftWingGone | dmg::EngineStopped);
    EXPECT_EQ(w.a().PlayThisSound, 30);  // the engine seizes
    w.a().PlayThisSound = -1;
    const auto wing = w.camel->OptionalModelAttitude[0].Position;
    w.camel->GlobalTime = 80;
    w.camel->ModelAttitude.Position[0] += 100.0;
    w.camel->orDamage1(dmg::LeftWingGone | dmg::EngineStopped);
    EXPECT_EQ(w.a().LeftWingGoneAt, 50);
    EXPECT_EQ(w.camel->OptionalModelAttitude[0].Position, wing);  // not set loose a second time
    EXPECT_EQ(w.a().PlayThisSound, -1);

    // Down on its belly, at rest since tick 100: dead for 900 ticks, a survivor from the 901st.
    w.a().Damage1 = dmg::Down;
    w.a().OnGround = 1;
    w.a().GearPosition = 0.0;
    w.a().TimeWhenStoppedMoving = 100;
    w.controller.missionTime = 1000;
    EXPECT_TRUE(w.camel->pilotDied());
    w.controller.missionTime = 1001;
    EXPECT_FALSE(w.camel->pilotDied());
}

// A new life or mission begins in a whole aircraft, even after a crash.
TYPED_TEST(FokkerArms, ReplayRingHolds179Records) {
    auto& w = this->w;
    ASSERT_TRUE(w.camel->initWithGLView(nullptr));  // builds the ring as the game does
    // Ticks 2, 22, ... 3562 fill the ring; one more overwrites the first.
    auto save = [&](int32_t tick) {
        w.camel->ModelAttitude.Position[0] = tick;
        w.camel->saveCurrentReplayData(tick);
    };
    for (int k = 0; k < 179; ++k) save(2 + 20 * k);
    auto found = [&](int32_t tick) {
        w.camel->ModelAttitude.Position[0] = -1.0;
        w.camel->readCurrentReplayData(tick);
        return w.camel->ModelAttitude.Position[0] == tick;
    };
    EXPECT_TRUE(found(2));
    EXPECT_TRUE(found(3562));
    save(3582);
    EXPECT_FALSE(found(2));
    EXPECT_TRUE(found(22));
    EXPECT_TRUE(found(3582));
    EXPECT_EQ(w.camel->ReplayBufferOffset, FlyableAircraft::kReplayRecordBytes);
    save(3583);  // not a record time
    EXPECT_EQ(w.camel->ReplayBufferOffset, FlyableAircraft::kReplayRecordBytes);

    w.camel->resetModel();  // no stamp of the earlier flight is found again
    for (int32_t t : {22, 3562, 3582}) EXPECT_FALSE(found(t)) << t;
}

// Everything of the live aircraft that a replay could disturb.
template <typename T>
struct Snapshot {
    explicit Snapshot(T& m) : aircraft(m.ThisAircraft), surfaces(m.Surfaces), parts(m.OptionalModelAttitude),
                              partSpeeds(m.OpModVectors), pose(m.ModelAttitude), previous(m.PreviousModelAttitude),
                              velocity(m.XYZVelocity), previousVelocity(m.PreviousXYZVelocity), rates(m.PBHAcc),
                              previousRates(m.PreviousPBHAcc), tensor(m.iTensor), globalTime(m.GlobalTime) {}
    void expectSame(const Snapshot& o) const {
        EXPECT_EQ(0, std::memcmp(&aircraft, &o.aircraft, sizeof aircraft));
        for (int i = 0; i < Aircraft::kSurfaces; ++i) {
            EXPECT_EQ(surfaces[i].Area, o.surfaces[i].Area) << i;
            EXPECT_EQ(surfaces[i].NormalXYZ, o.surfaces[i].NormalXYZ) << i;
        }
        for (int i = 0; i < FlyableAircraft::kParts; ++i) {
            EXPECT_EQ(parts[i].Position, o.parts[i].Position) << i;
            EXPECT_EQ(parts[i].QAttitude, o.parts[i].QAttitude) << i;
            EXPECT_EQ(partSpeeds[i], o.partSpeeds[i]) << i;
        }
        EXPECT_EQ(pose.Position, o.pose.Position);
        EXPECT_EQ(pose.QAttitude, o.pose.QAttitude);
        EXPECT_EQ(previous.Position, o.previous.Position);
        EXPECT_EQ(velocity, o.velocity);
        EXPECT_EQ(previousVelocity, o.previousVelocity);
        EXPECT_EQ(rates, o.rates);
        EXPECT_EQ(previousRates, o.previousRates);
        EXPECT_EQ(tensor, o.tensor);
        EXPECT_EQ(globalTime, o.globalTime);
    }
    Aircraft aircraft;
    std::array<AirSurface, Aircraft::kSurfaces> surfaces;
    std::array<QNion, FlyableAircraft::kParts> parts;
    std::array<Vector3, FlyableAircraft::kParts> partSpeeds;
    QNion pose, previous;
    Vector3 velocity, previousVelocity;
    std::array<double, 4> rates, previousRates;
    std::array<double, 16> tensor;
    int32_t globalTime;
};

TYPED_TEST(FokkerArms, ReplayLeavesTheLiveAircraftAsItWas) {
    auto& w = this->w;
    w.camel->setNumberOfBombs(4);
    w.camel->gunsOnOff(1);
    // Two minutes of a climbing turn, firing; a wing and the bombs go 10 s before the end.
    w.run(7200, [&] {
        w.camel->AileronInputAbsolute(std::clamp((-20.0 - w.a().AircraftBank) * 0.05, -1.0, 1.0));
        w.camel->ElevatorInputAbsolute(0.05);
        if (w.controller.missionTime == 6600) w.camel->wingComesOff(1);
        return true;
    });
    ASSERT_EQ(w.a().CurrentNumberOfBombs, 0);
    const Snapshot<TypeParam> before(*w.camel);

    // Replay from 1200 ticks back, aligned to a record, across the wing loss.
    const int32_t live = w.controller.missionTime;
    w.camel->prepareForReplayStart(live);
    int32_t t = live - 1200;
    t -= (t - 2) % 20;
    int bombsShown = 0;
    bool moved = false;
    for (int i = 0; i < 1100; ++i, ++t) {
        w.controller.missionTime = t;
        w.camel->driveModel(1, t, true, true);
        bombsShown = std::max<int>(bombsShown, w.a().CurrentNumberOfBombs);
        moved = moved || w.camel->ModelAttitude.Position != before.pose.Position;
    }
    EXPECT_TRUE(moved);
    EXPECT_EQ(bombsShown, 4);  // as recorded before the wing went
    w.controller.missionTime = live;
    w.camel->recoverFromReplay(live);
    Snapshot<TypeParam>(*w.camel).expectSame(before);
}

}  // namespace
}  // namespace pellam::testing
