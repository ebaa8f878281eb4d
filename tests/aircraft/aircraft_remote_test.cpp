// A remote aircraft fed the state blocks of another one over a lagging link: its pose converges
// on the sender's, the catch-up never runs past delay + 35 flight steps whatever delay it is
// told, and a new game's leftovers (bail-out, damage, fewer bombs) are ignored for its grace.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "aircraft/RemoteRecord.h"
#include "platform/TickCount.h"
#include "tests/aircraft/CamelWorld.h"

namespace pellam {
namespace {

using testing::BasicCamelWorld;
using testing::CamelWorld;

// Counts the flight steps the catch-up takes.
struct CountingCamel : ObjectTestFile {
    int steps = 0;
    void driveModel(int32_t n, int32_t tick, bool last, bool replay) override {
        if (tick == -1) ++steps;
        ObjectTestFile::driveModel(n, tick, last, replay);
    }
};

net::StateBlockBytes blockOf(FlyableAircraft& plane) {
    net::StateBlockBytes b{};
    net::encodeAircraftState(plane.makeStateBlock(), b.data());
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
    std::deque<std::pair<int, net::StateBlockBytes>> wire;
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
            applyRemoteRecord(*receiver.camel, wire.front().second, c, &shown, &playDelay);
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

TEST(RemoteRecord, CatchUpIsBoundedAndUndoneWhenItFails) {
    BasicCamelWorld<CountingCamel> sender, receiver;
    sender.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 100.0, 0.8);
    sender.run(5);
    const net::StateBlockBytes block = blockOf(*sender.camel);
    net::AircraftState decoded;
    net::decodeAircraftState(block.data(), block.size(), &decoded);

    // Drawn far ahead of the record: no number of steps reaches it. A garbled delay of 30,000
    // ticks still costs at most 60 + 35 steps, and the pose goes back to the record's.
    receiver.camel->SetUpAircraft(0.0, 3000.0, 50000.0, 0.0, 0.0, 100.0, 0.8);
    for (int32_t delay : {0, 7, 30000}) {
        receiver.camel->steps = 0;
        receiver.camel->ModelAttitude.Position = {0.0, 3000.0, 50000.0};
        RemoteRecordContext c;
        c.delay = delay;
        RemoteShown shown;
        int32_t playDelay = 99;
        applyRemoteRecord(*receiver.camel, block, c, &shown, &playDelay);
        EXPECT_EQ(receiver.camel->steps, std::min(delay, 60) + 35);
        EXPECT_EQ(playDelay, std::min(delay, 60) + 34) << "the steps it tried";
        EXPECT_EQ(receiver.pos(), decoded.position);
    }
    // No delay measured yet (negative): no steps, and the shown delay is left as it was.
    receiver.camel->steps = 0;
    RemoteRecordContext c;
    RemoteShown shown;
    int32_t playDelay = 17;
    applyRemoteRecord(*receiver.camel, block, c, &shown, &playDelay);
    EXPECT_EQ(receiver.camel->steps, 0);
    EXPECT_EQ(playDelay, 17);
}

TEST(RemoteRecord, NewGameGraceGameOverAndGround) {
    CamelWorld sender, receiver;
    sender.camel->SetUpAircraft(0.0, 3000.0, 0.0, 0.0, 0.0, 100.0, 0.8);
    sender.camel->setNumberOfBombs(4);
    receiver.camel->setNumberOfBombs(4);
    net::AircraftState s = sender.camel->makeStateBlock();
    s.restart = false;
    s.bombs = 1;
    s.damage = net::statedamage::Cockpit;
    s.flags |= net::stateflag::BailedOut;
    net::StateBlockBytes block{};
    net::encodeAircraftState(s, block.data());

    RemoteRecordContext c;
    c.newInTime = 5000;
    c.tick = 5100;  // 100 ticks into the new game
    RemoteShown shown;
    int32_t playDelay = 0;
    applyRemoteRecord(*receiver.camel, block, c, &shown, &playDelay);
    EXPECT_EQ(receiver.a().CurrentNumberOfBombs, 4);
    EXPECT_FALSE(receiver.a().Damage1 & dmg::CockpitDamage);
    c.tick = 5200;
    applyRemoteRecord(*receiver.camel, block, c, &shown, &playDelay);
    EXPECT_EQ(receiver.a().CurrentNumberOfBombs, 1);
    EXPECT_TRUE(receiver.a().Damage1 & dmg::CockpitDamage);

    // Game over from the host, on joiner 3: the results table with this machine's entry first,
    // and no motion read from the bytes that carried it.
    for (int i = 0; i < 8; ++i) block[16 + i] = static_cast<uint8_t>(10 + i);
    block[32] |= net::stateflag::GameOver;
    c.joinerNumber = 3;
    const RemoteRecordOutcome out = applyRemoteRecord(*receiver.camel, block, c, &shown, &playDelay);
    EXPECT_TRUE(out.gameOver && out.hostWon && out.hasResults);
    EXPECT_EQ(out.results, (std::array<uint8_t, 8>{13, 11, 12, 10, 14, 15, 16, 17}));

    // A record on the ground never puts the aircraft below it.
    s = sender.camel->makeStateBlock();
    s.restart = false;
    s.position[1] = -100.0;
    s.flags |= net::stateflag::OnGround;
    net::encodeAircraftState(s, block.data());
    applyRemoteRecord(*receiver.camel, block, RemoteRecordContext{}, &shown, &playDelay);
    EXPECT_GT(receiver.pos()[1], receiver.a().GroundAltitude) << "its wheels on the ground, not under it";
    EXPECT_EQ(receiver.a().SliderY, 0.0);
}

}  // namespace
}  // namespace pellam
