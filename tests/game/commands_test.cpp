#include "platform/Beep.h"
#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

using Commands = WorldRig;

TEST_F(Commands, FireGunsReleasedWhilePausedStillStopsTheGuns) {
    input.press(2, kKeyDown);
    input.stroke(1);  // paused with the trigger held
    input.press(2, kKeyUp);
    drain();
    EXPECT_FALSE(c->gamePause);
    EXPECT_EQ(camels[0]->guns, (std::vector<int32_t>{1, 0}));
    // Pressing while paused does not fire; guns and cannon together stop together.
    input.press(4, kKeyDown);
    input.press(4, kKeyUp);
    input.press(3, kKeyUp);
    drain();
    EXPECT_EQ(camels[0]->guns, (std::vector<int32_t>{1, 0, 0}));
    EXPECT_EQ(camels[0]->cannon, (std::vector<int32_t>{0, 0}));
}

TEST_F(Commands, BombsDropWhilePausedButNeverFromAReplayOrAnEmptyRack) {
    camels[0]->bombs = 2;
    send(1, kKeyDown);
    send(18, kKeyDown);
    EXPECT_EQ(bombs->dropped, 1);
    EXPECT_EQ(camels[0]->bombs, 1);
    c->GlobalMissionTime = 400;
    send(88, kKeyUp);
    ASSERT_TRUE(c->ReplayFlag);
    send(18, kKeyDown);
    EXPECT_EQ(bombs->dropped, 1);
    EXPECT_EQ(camels[0]->bombs, 1);
    send(88, kKeyUp);
    camels[0]->releaseFails = true;  // the rack says one is left, but none comes off
    send(18, kKeyDown);
    EXPECT_EQ(bombs->dropped, 1);
}

TEST_F(Commands, RestartOnlyWhilePaused) {
    for (int i = 0; i < 30; ++i) frame(2);
    const auto start = camels[3]->ModelStartPosition.Position;
    send(90, kKeyUp);
    EXPECT_GT(c->GlobalMissionTime, 0);
    send(1, kKeyDown);
    send(90, kKeyUp);
    EXPECT_EQ(c->GlobalMissionTime, 0);
    EXPECT_EQ(camels[3]->ModelAttitude.Position, start);
}

TEST_F(Commands, LongPauseStartsTheCirclingCameraAndTheStickEndsIt) {
    c->CameraPosition = 3;
    send(1, kKeyDown);
    c->GamePauseTime = 0;
    for (int i = 0; i < 300; ++i) frame(3);
    EXPECT_EQ(c->CameraPosition, 3);
    frame(3);
    EXPECT_EQ(c->CameraPosition, 100);
    input.flight = true;
    input.ailerons = 0.3;
    frame(3);
    EXPECT_EQ(c->CameraPosition, 3);
    EXPECT_LT(c->GamePauseTime, 3);  // counting again from the stick's movement
}

// The pointer is put where the mouse stick is centred whenever flying begins, unless a joystick flies.
TEST_F(Commands, FlyingBeginsWithTheMouseStickCentred) {
    auto pause = [&] {
        input.press(1, kKeyDown);
        drain();
    };
    EXPECT_EQ(desktop.centred, 1);
    EXPECT_EQ(input.centred, 1);
    pause();  // the pointer is the player's
    EXPECT_EQ(desktop.centred, 1);
    pause();  // and on again
    EXPECT_EQ(desktop.centred, 2);
    EXPECT_EQ(input.centred, 2);
    input.joystick = true;
    pause();
    pause();
    EXPECT_EQ(desktop.centred, 2);
}

}  // namespace
}  // namespace pellam::testing
