// The replay ring: the oldest record overwritten, who may read records, and a replay that leaves
// the live aircraft exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/Random.h"
#include "tests/aircraft/CamelWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {
namespace {

int32_t tickAt(const FlyableAircraft& c, int offset) {
    int32_t t;
    std::memcpy(&t, c.ReplayBufferAddress.data() + offset + 4, 4);
    return t;
}

struct Ring : ::testing::Test {
    Ring() { w.camel->SetUpAircraft(0.0, 2000.0, 0.0, 0.0, 0.0, 100.0, 1.0); }
    FlyableAircraft& c() { return *w.camel; }
    CamelWorld w;
};

TEST_F(Ring, After164RecordsTheOldestIsOverwritten) {
    for (int k = 0; k < 164; ++k) c().saveCurrentReplayData(2 + 20 * k);
    EXPECT_EQ(tickAt(c(), 163 * 544), 2 + 20 * 163);
    EXPECT_EQ(c().ReplayBufferOffset, 164 * 544);
    c().saveCurrentReplayData(2 + 20 * 164);
    EXPECT_EQ(tickAt(c(), 0), 2 + 20 * 164);
    EXPECT_EQ(c().ReplayBufferOffset, 544);
    for (size_t i = 164 * 544; i < c().ReplayBufferAddress.size(); ++i) ASSERT_EQ(c().ReplayBufferAddress[i], 0);
    c().ReplayBufferOffset = -7;  // a damaged offset starts the ring again
    c().saveCurrentReplayData(22);
    EXPECT_EQ(tickAt(c(), 0), 22);
}

TEST_F(Ring, OnlyTheEightAircraftReadTheirRecords) {
    c().saveCurrentReplayData(22);
    struct NotInTheArray : ControllerServices {
        long whatsMyNumber(const ZephModel*) override { return 0; }
    } stranger;
    c().setaController(&stranger);
    c().ModelAttitude.Position[0] = 500.0;
    c().readCurrentReplayData(22);
    EXPECT_EQ(c().ModelAttitude.Position[0], 500.0);
    c().setaController(&w.controller);
}

// Each aircraft flies, fires, drops bombs, is hit and loses a wing, with the controller's replay
// around it.
template <typename T>
struct Replay : ::testing::Test {
    Replay() {
        ZephModel::simulationRandom().seed(1918);
        bombs = static_cast<BombsPool*>(w.controller.models.put(ModelArray::kBombs, std::make_unique<BombsPool>()));
        w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 30.0, 0.0, 110.0, 1.0);
        w.camel->setNumberOfBombs(4);
    }
    void fly(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            const int t = ++w.controller.missionTime;
            if (t % 300 == 10) w.camel->gunsOnOff(-1);
            if (t == 1500 || t == 2300) bombs->startADroppedBomb(nullptr, w.camel->dropBomb(), t, 2);
            if (t == 1800) w.camel->orDamage1(dmg::RudderHit | dmg::EngineDamaged);
            if (t == 2000) w.a().TotalHits += 4.0;
            if (t == 2700) w.camel->wingComesOff(1);  // the last two bombs go with it
            // A steady hand weaving gently: bank swinging through 20 degrees, nose held level.
            const double bank = 20.0 * std::sin(t / 300.0), climb = w.camel->XYZVelocity[1] * 3600.0;
            const double pitch = std::clamp(-climb * 0.01, -10.0, 15.0);
            w.camel->AileronInputAbsolute(std::clamp((bank - w.a().AircraftBank) * 0.05, -1.0, 1.0));
            w.camel->ElevatorInputAbsolute(std::clamp((pitch - w.a().AircraftPitch) * 0.04, -1.0, 1.0));
            w.camel->driveModel(1, t, true, false);
            if ((t - 2) % 20 == 0) recorded[t] = w.camel->ModelAttitude.Position;
        }
    }
    BasicCamelWorld<T> w;
    BombsPool* bombs = nullptr;
    std::map<int32_t, Vector3> recorded;
};
TYPED_TEST_SUITE(Replay, AllThreeAircraft);

TYPED_TEST(Replay, TwentySecondsOfReplayLeaveTheLiveAircraftAsItWas) {
    auto& w = this->w;
    auto& recorded = this->recorded;
    this->fly(3000);
    FlyableAircraft& c = *w.camel;
    ASSERT_GT(w.pos()[1], 500.0);  // still flying: the replay has a live aircraft to give back
    ASSERT_EQ(w.a().CurrentNumberOfBombs, 0);
    const Aircraft before = c.ThisAircraft;
    const auto surfaces = c.Surfaces;
    const QNion pose = c.ModelAttitude, previous = c.PreviousModelAttitude, pilot = c.PilotAttitude;
    const Vector3 v = c.XYZVelocity, pv = c.PreviousXYZVelocity;
    const auto rates = c.PBHAcc;
    const auto tensor = c.iTensor;
    const auto parts = c.OptionalModelAttitude;
    const auto partSpeeds = c.OpModVectors;
    const int32_t globalTime = c.GlobalTime, gunsOnAt = c.GunsOnAt, ringAt = c.ReplayBufferOffset;
    const size_t dropped = this->bombs->bombs.size();
    const auto smokes = c.OurSmokes;
    const int32_t nextSmoke = c.NextSmokeSpot;

    // Command 88: set aside, back 1200 ticks to a record tick, and replay.
    const int32_t now = w.controller.missionTime;
    c.prepareForReplayStart(now);
    c.prepareForReplayStart(now);  // a second press while set aside changes nothing
    w.controller.replay = true;
    int32_t t = now - 1200;
    t -= ((t - 2) % 20 + 20) % 20;
    int shown = 0, bombsShown = 0;
    for (int k = 0; k < 1200; ++k, ++t) {
        c.driveModel(1, t, true, true);
        bombsShown = std::max<int>(bombsShown, w.a().CurrentNumberOfBombs);
        if (recorded.count(t)) {
            ++shown;
            for (int j = 0; j < 3; ++j) {  // half feet across, whole feet up
                ASSERT_NEAR(c.ModelAttitude.Position[j], recorded[t][j], j == 1 ? 1.0 : 0.5) << t;
            }
        }
    }
    EXPECT_EQ(shown, 60);
    EXPECT_EQ(bombsShown, 3) << "as recorded, though the wing took the last two since";
    EXPECT_NE(c.NextSmokeSpot, nextSmoke);  // the replay made smoke of its own
    EXPECT_EQ(this->bombs->bombs.size(), dropped);  // the recorded releases drop nothing real
    w.controller.replay = false;
    c.recoverFromReplay(now);

    EXPECT_EQ(std::memcmp(&c.ThisAircraft, &before, sizeof before), 0);
    EXPECT_EQ(std::memcmp(c.Surfaces.data(), surfaces.data(), sizeof surfaces), 0);
    EXPECT_EQ(c.ModelAttitude.Position, pose.Position);
    EXPECT_EQ(c.ModelAttitude.QAttitude, pose.QAttitude);
    EXPECT_EQ(c.PreviousModelAttitude.Position, previous.Position);
    EXPECT_EQ(c.PilotAttitude.QAttitude, pilot.QAttitude);
    EXPECT_EQ(c.XYZVelocity, v);
    EXPECT_EQ(c.PreviousXYZVelocity, pv);
    EXPECT_EQ(c.PBHAcc, rates);
    EXPECT_EQ(c.iTensor, tensor);
    for (int i = 0; i < FlyableAircraft::kParts; ++i) {
        EXPECT_EQ(c.OptionalModelAttitude[i].Position, parts[i].Position);
        EXPECT_EQ(c.OpModVectors[i], partSpeeds[i]);
    }
    EXPECT_EQ(std::memcmp(c.OurSmokes.data(), smokes.data(), sizeof smokes), 0);
    EXPECT_EQ(c.NextSmokeSpot, nextSmoke);
    EXPECT_EQ(c.GlobalTime, globalTime);
    EXPECT_EQ(c.GunsOnAt, gunsOnAt);
    EXPECT_EQ(c.ReplayBufferOffset, ringAt);  // recording goes on where it stopped
    EXPECT_FALSE(c.ReplayFlag);

    // And the flight goes on.
    this->fly(200);
    EXPECT_TRUE(w.finite());
}

}  // namespace
}  // namespace pellam::testing
