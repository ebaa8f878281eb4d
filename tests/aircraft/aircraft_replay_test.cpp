// The replay ring: the oldest record overwritten, who may read records, and a replay that leaves
// the live aircraft exactly as it was. Values from records and mission files at the limits of
// their type, bounded where they enter. A remote aircraft fed the state blocks of another one over
// a lagging link: its pose converges on the sender's, the catch-up never runs past delay + 35
// flight steps whatever delay it is told, and a new game's leftovers (bail-out, damage, fewer
// bombs) are ignored for its grace.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "aircraft/RemoteRecord.h"
#include "platform/Random.h"
#include "platform/TickCount.h"
#include "tests/aircraft/CamelWorld.h"
#include "tests/flight/WeaponTargets.h"
#include "world/RIDUdidav.h"

namespace pellam::testing {
namespace {

int32_t tickAt(const FlyableAircraft& c, int offset) {
    int32_t t;
    std::memcpy(&t, c.ReplayBufferAddress.data() + offset + 4, 4);
    return t;
}

struct Ring : ::testing::Test {
    Ring() { w.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 100.0, 1.0); }
    FlyableAircraft& c() { return *w.camel; }
    CamelWorld w;
};

// After 164 records the oldest is overwritten; only the eight aircraft read their records.
TEST_F(Ring, OverwritesItsOldestAndOnlyTheEightAircraftReadIt) {
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

    struct NotInTheArray : ControllerServices {
        long whatsMyNumber(const ZephModel*) override { return 0; }
    } stranger;
    c().setaController(&stranger);
    c().live.attitude.Position[0] = 500.0;
    c().readCurrentReplayData(22);
    EXPECT_EQ(c().live.attitude.Position[0], 500.0);
    c().setaController(&w.controller);
}

TEST_F(Ring, ABailOutTimeAtTheLimitInARecordFliesOn) {
    w.a().GuyBailedOut = 1;
    w.camel->live.bailSpeeds = {0.0, 1.0, 0.0};
    w.camel->live.bailOutPosition.Position = {0.0, 2900.0, 0.0};
    w.camel->saveCurrentReplayData(22);
    const int32_t earliest = INT_MIN;
    std::memcpy(w.camel->ReplayBufferAddress.data() + 104, &earliest, 4);  // the record's bail-out tick
    w.camel->readCurrentReplayData(22);
    w.controller.missionTime = 22;
    w.run(300);
    EXPECT_TRUE(w.finite());
    EXPECT_TRUE(w.camel->live.chuteOpened);  // the chute's clock ran from the bounded tick
}

// The live aircraft's state, part by part, as bytes: what a replay must give back unchanged.
std::vector<std::pair<const char*, std::string>> liveState(const FlyableAircraft& c) {
    const auto bytes = [](const auto& v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); };
    std::vector<std::pair<const char*, std::string>> s = {
        {"record", bytes(c.ThisAircraft)}, {"surfaces", bytes(c.own.surfaces)},
        {"position", bytes(c.live.attitude.Position)}, {"attitude", bytes(c.live.attitude.QAttitude)},
        {"previous position", bytes(c.live.previousAttitude.Position)}, {"pilot", bytes(c.PilotAttitude.QAttitude)},
        {"velocity", bytes(c.live.velocity)}, {"previous velocity", bytes(c.live.previousVelocity)},
        {"turn rates", bytes(c.live.rotation)}, {"inertia", bytes(c.iTensor)}, {"parts' speeds", bytes(c.own.partSpeeds)},
        {"smoke", bytes(c.own.smokes)}, {"next smoke", bytes(c.own.nextSmokeSpot)}, {"clock", bytes(c.live.globalTime)},
        {"guns on at", bytes(c.own.gunsOnAt)}, {"ring offset", bytes(c.ReplayBufferOffset)}};
    for (const QNion& part : c.own.parts) s.push_back({"moving part", bytes(part.Position)});
    return s;
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
            w.hold(20.0 * std::sin(t / 300.0), 0.0);  // weaving gently, nose held level
            w.camel->driveModel(1, t, true, false);
            if ((t - 2) % 20 == 0) recorded[t] = w.camel->live.attitude.Position;
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
    const auto before = liveState(c);
    const size_t dropped = this->bombs->bombs.size();
    const int32_t nextSmoke = c.own.nextSmokeSpot;

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
                ASSERT_NEAR(c.live.attitude.Position[j], recorded[t][j], j == 1 ? 1.0 : 0.5) << t;
            }
        }
    }
    EXPECT_EQ(shown, 60);
    EXPECT_EQ(bombsShown, 3) << "as recorded, though the wing took the last two since";
    EXPECT_NE(c.own.nextSmokeSpot, nextSmoke);  // the replay made smoke of its own
    EXPECT_EQ(this->bombs->bombs.size(), dropped);  // the recorded releases drop nothing real
    w.controller.replay = false;
    c.recoverFromReplay(now);

    const auto after = liveState(c);  // recording goes on where it stopped, too
    for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(after[i].second == before[i].second) << before[i].first;
    EXPECT_FALSE(c.ReplayFlag);

    // And the flight goes on.
    this->fly(200);
    EXPECT_TRUE(w.finite());
}

// ---- Values from files.

TEST(ValuesFromFiles, ACloudCodeAtTheLimitStaysACloudLayer) {
    RIDUdidav terrain;
    terrain.SetDetailsForLayer(0, INT_MAX, 1000.0, 1020.0);  // thin: the code steps up by one
    EXPECT_GT(terrain.getCloudLayer(0).TextureNumber, 2);
    EXPECT_EQ(terrain.getCloudLayer(0).TextureNumber % 2, 0);  // drawn thin
    terrain.SetDetailsForLayer(1, INT_MIN, 1000.0, 2000.0);
    EXPECT_EQ(terrain.getCloudLayer(1).TextureNumber, 0);
}

// ---- Remote aircraft.

// Counts the flight steps the catch-up takes.
struct CountingCamel : ObjectTestFile {
    int steps = 0;
    void driveModel(int32_t n, int32_t tick, bool last, bool replay) override {
        if (tick == -1) ++steps;
        ObjectTestFile::driveModel(n, tick, last, replay);
    }
};

wire::StateBlockBytes blockOf(FlyableAircraft& plane) {
    wire::StateBlockBytes b{};
    wire::encodeAircraftState(plane.MakeOutputData(), b.data());
    return b;
}

double distance(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

TEST(RemoteRecord, PoseConvergesOnTheSendersOverALaggingLink) {
    int32_t now = 1000;
    platform::ScopedTickSource clock([&now] { return now; });
    CamelWorld sender, receiver;
    sender.camel->SetUpAircraft(0.0, 3000.0, 0.0, 30.0, 0.0, 100.0, 0.8);
    receiver.camel->SetUpAircraft(500.0, 2500.0, -800.0, 200.0, 0.0, 90.0, 0.5);  // somewhere else
    receiver.camel->setRemoteLocal(1);
    constexpr int kLag = 6;  // ticks a block spends on the wire
    std::deque<std::pair<int, wire::StateBlockBytes>> wire;
    RemoteShown shown;
    int32_t playDelay = 0;
    double drawnError = 0.0;
    for (int t = 1; t <= 600; ++t, ++now) {
        sender.tick();
        receiver.tick();
        if (t % 21 == 0) wire.emplace_back(t + kLag, blockOf(*sender.camel));
        if (!wire.empty() && wire.front().first == t) {
            RemoteRecordContext c;
            c.tick = now;
            c.newInTime = 1;
            c.delay = kLag;
            GetDataOutOfStructure(*receiver.camel, wire.front().second, c, &shown, &playDelay);
            wire.pop_front();
        }
        ASSERT_TRUE(receiver.finite());
        if (t > 400) {
            std::array<double, 3> drawn = receiver.pos();
            drawn[0] += receiver.a().SliderX, drawn[1] += receiver.a().SliderY, drawn[2] += receiver.a().SliderZ;
            drawnError = std::max(drawnError, distance(drawn, sender.pos()));
            EXPECT_LT(distance(receiver.pos(), sender.pos()), 25.0) << "tick " << t;
        }
    }
    EXPECT_LT(drawnError, 60.0);
    EXPECT_GE(playDelay, 0) << "the catch-up found the drawn place";
    EXPECT_LE(playDelay, kLag + 35);
}

// Level records every 21 ticks for three minutes: between them the aircraft flies on its own
// physics, and the drawn attitude, eased from where it was first shown (30 degrees round),
// comes to the sent one within ten seconds and keeps to it.
TEST(RemoteRecord, TheDrawnAttitudeKeepsToLevelRecordsForMinutes) {
    int32_t now = 1000;
    platform::ScopedTickSource clock([&now] { return now; });
    CamelWorld sender, receiver;
    sender.camel->SetUpAircraft(0.0, 3000.0, 0.0, 30.0, 0.0, 100.0, 0.8);
    wire::AircraftState level = sender.camel->MakeOutputData();
    level.restart = false;
    level.rates = {0.0, 0.0, 0.0};
    receiver.camel->setRemoteLocal(1);
    RemoteShown shown;
    int32_t playDelay = 0;
    double worst = 0.0;
    for (int t = 0; t < 3 * 60 * 60; ++t, ++now) {
        if (t % 21 == 0) {
            wire::StateBlockBytes block{};
            wire::encodeAircraftState(level, block.data());
            RemoteRecordContext c;
            c.tick = now;
            c.newInTime = 1;
            GetDataOutOfStructure(*receiver.camel, block, c, &shown, &playDelay);
            for (int j = 0; j < 3; ++j) level.position[j] += 21.0 * level.velocity[j];
        }
        receiver.tick();
        const std::array<double, 4> drawn = drawnAttitude(*receiver.camel);
        double dot = 0.0;
        for (int i = 0; i < 4; ++i) dot += drawn[i] * level.attitude[i];
        if (t > 600) worst = std::max(worst, 2.0 * std::acos(std::min(1.0, std::fabs(dot))) * 57.29577951);
    }
    EXPECT_LT(worst, 3.0) << "degrees between the drawn and the sent attitude";
}

TEST(RemoteRecord, CatchUpIsBoundedNewGameGraceGameOverAndGround) {
    BasicCamelWorld<CountingCamel> sender, receiver;
    sender.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 100.0, 0.8);
    sender.run(5);
    wire::StateBlockBytes block = blockOf(*sender.camel);
    wire::AircraftState decoded;
    wire::decodeAircraftState(block.data(), block.size(), &decoded);
    int32_t playDelay = 99;

    // Drawn far ahead of the record: no number of steps reaches it. A garbled delay of 30,000
    // ticks still costs at most 60 + 35 steps, and the pose goes back to the record's. With no
    // delay measured yet (negative) there are no steps and the shown delay is left as it was.
    receiver.camel->SetUpAircraft(0.0, 3000.0, 50000.0, 0.0, 0.0, 100.0, 0.8);
    for (int32_t delay : {0, 7, 30000, -1}) {
        receiver.camel->steps = 0;
        receiver.camel->live.attitude.Position = {0.0, 3000.0, 50000.0};
        RemoteRecordContext c;
        c.delay = delay;
        RemoteShown shown;
        const int32_t before = playDelay;
        GetDataOutOfStructure(*receiver.camel, block, c, &shown, &playDelay);
        const int tried = delay < 0 ? 0 : std::min(delay, 60) + 35;
        EXPECT_EQ(receiver.camel->steps, tried) << delay;
        EXPECT_EQ(playDelay, delay < 0 ? before : tried - 1) << delay;
        if (delay >= 0) {
            EXPECT_EQ(receiver.pos(), decoded.position) << delay;
        }
    }

    // A new game's leftovers (bombs gone, damage, a bail-out, a wreck's down and blown-up state)
    // are ignored for its grace: the fresh aircraft is neither damaged nor downed by them.
    sender.camel->setNumberOfBombs(4);
    receiver.camel->setNumberOfBombs(4);
    wire::AircraftState s = sender.camel->MakeOutputData();
    s.restart = false;
    s.bombs = 1;
    s.damage = wire::statedamage::Cockpit;
    s.flags |= wire::stateflag::BailedOut | wire::stateflag::Down | wire::stateflag::Fatal;
    s.blownUp = true;
    wire::encodeAircraftState(s, block.data());
    RemoteShown shown;
    RemoteRecordContext c;
    c.newInTime = 5000;
    c.tick = 5100;  // 100 ticks into the new game
    GetDataOutOfStructure(*receiver.camel, block, c, &shown, &playDelay);
    EXPECT_EQ(receiver.a().CurrentNumberOfBombs, 4);
    EXPECT_FALSE(receiver.a().Damage1 & (dmg::CockpitDamage | dmg::Down | dmg::FatalDamage | dmg::BlownUp));
    c.tick = 5200;
    GetDataOutOfStructure(*receiver.camel, block, c, &shown, &playDelay);
    EXPECT_EQ(receiver.a().CurrentNumberOfBombs, 1);
    const uint32_t wreck = dmg::CockpitDamage | dmg::Down | dmg::FatalDamage | dmg::BlownUp;
    EXPECT_EQ(receiver.a().Damage1 & wreck, wreck);

    // Game over from the host, on joiner 3: the results table with this machine's entry first,
    // and no motion read from the bytes that carried it.
    for (int i = 0; i < 8; ++i) block[16 + i] = static_cast<uint8_t>(10 + i);
    block[32] |= wire::stateflag::GameOver;
    c.joinerNumber = 3;
    const RemoteRecordOutcome out = GetDataOutOfStructure(*receiver.camel, block, c, &shown, &playDelay);
    EXPECT_TRUE(out.gameOver && out.hostWon && out.hasResults);
    EXPECT_EQ(out.results, (std::array<uint8_t, 8>{13, 11, 12, 10, 14, 15, 16, 17}));

    // A record on the ground never puts the aircraft below it.
    s = sender.camel->MakeOutputData();
    s.restart = false;
    s.position[1] = -100.0;
    s.flags |= wire::stateflag::OnGround;
    wire::encodeAircraftState(s, block.data());
    GetDataOutOfStructure(*receiver.camel, block, RemoteRecordContext{}, &shown, &playDelay);
    EXPECT_GT(receiver.pos()[1], receiver.a().GroundAltitude) << "its wheels on the ground, not under it";
    EXPECT_EQ(receiver.a().SliderY, 0.0);
}

}  // namespace
}  // namespace pellam::testing
