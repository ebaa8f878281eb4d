// What a new player meets on the first evening, driven through the controller as the keys and
// windows drive it: an aircraft restarted after a crash flies exactly as a freshly started one, and
// flying begins with the mouse stick centred.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

struct CountingDesktop : ControllerDesktop {
    int centred = 0;
    void centrePointer() override { ++centred; }
};

struct StickInput : FakeInput {
    bool joystick = false;
    int centred = 0;
    bool haveJoystick() override { return joystick; }
    void pointerCentred() override { ++centred; }
};

// The world rig with a stick that says whether it is a joystick and a desktop that counts the
// pointer's centring; signed in and flying from the start.
class FirstFlight : public WorldRig {
protected:
    ControllerInput* inputLink() override { return &stick; }
    ControllerDesktop* desktopLink() override { return &desktop; }
    FlyableAircraft& player() { return *camels[0]; }

    void key(int32_t command, int32_t type) {
        stick.press(command, type);
        for (int i = 0; i < 5 && !stick.ring.empty(); ++i) frame();
    }
    // The poses of a scripted minute: a roll one way and back, a little back stick, then a slow
    // weave.
    std::vector<QNion> flyTheScript() {
        std::vector<QNion> poses;
        stick.flight = true;
        for (int t = 0; t < 3600; ++t) {
            stick.ailerons = t < 60 ? 0.4 : t < 120 ? -0.4 : 0.05 * std::sin(t * 0.01);
            stick.elevator = t < 600 ? 0.1 : 0.0;
            frame();
            poses.push_back(player().ModelAttitude);
            steepestBank = std::max(steepestBank, std::fabs(player().ThisAircraft.AircraftBank));
        }
        return poses;
    }

    double steepestBank = 0.0;  // deg, over the scripted flights
    StickInput stick;
    CountingDesktop desktop;
};

TEST_F(FirstFlight, ARestartedAircraftFliesExactlyAsAFreshOne) {
    const QNion start = player().ModelAttitude;
    const std::vector<QNion> fresh = flyTheScript();
    ASSERT_FALSE(player().ThisAircraft.Damage1 & dmg::Down);
    EXPECT_GT(steepestBank, 10.0) << "the stick banks the aircraft";

    // Into the ground with the guns going and the trim wound on; then pause, restart, go on.
    key(2, kKeyDown);
    player().ElevatorTrimUpDown(-5);
    stick.elevator = 1.0;
    for (int t = 0; t < 3000 && !(player().ThisAircraft.Damage1 & dmg::Down); ++t) frame();
    ASSERT_TRUE(player().ThisAircraft.Damage1 & dmg::Down);
    key(2, kKeyUp);
    stick.elevator = stick.ailerons = 0.0;  // hands off the stick while paused
    key(1, kKeyDown);
    ASSERT_FALSE(c->gamePause);
    // What a mission's restart does to the aircraft: put it back, then set it up as at the start.
    player().resetModel();
    player().SetUpAircraft(start.Position[0], start.Position[1], start.Position[2], 0.0, 0.0, 95.0, 0.8);
    player().copyCurrentQNionToStart();
    c->GlobalMissionTime = 0;
    key(1, kKeyDown);
    ASSERT_TRUE(c->gamePause);

    const std::vector<QNion> again = flyTheScript();
    ASSERT_EQ(again.size(), fresh.size());
    for (size_t t = 0; t < fresh.size(); ++t) {
        ASSERT_EQ(again[t].Position, fresh[t].Position) << "tick " << t;
        ASSERT_EQ(again[t].QAttitude, fresh[t].QAttitude) << "tick " << t;
    }
}

TEST_F(FirstFlight, FlyingBeginsWithTheMouseStickCentred) {
    EXPECT_EQ(desktop.centred, 1);
    EXPECT_EQ(stick.centred, 1);
    key(1, kKeyDown);  // pause: the pointer is the player's
    EXPECT_EQ(desktop.centred, 1);
    key(1, kKeyDown);  // and on again
    EXPECT_EQ(desktop.centred, 2);
    EXPECT_EQ(stick.centred, 2);

    // A joystick flies the aircraft: the pointer is left where it is.
    stick.joystick = true;
    key(1, kKeyDown);
    key(1, kKeyDown);
    EXPECT_EQ(desktop.centred, 2);
}

}  // namespace
}  // namespace pellam::testing
