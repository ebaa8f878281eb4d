// The commands as the keys and the program send them, through the controller's world step: the
// trigger, the bombs, pausing, restarting, the cameras and the replay.
#include <cmath>

#include "game/InputLink.h"
#include "input/PellamJoySub.h"
#include "platform/Beep.h"
#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

using Commands = WorldRig;

// While paused a trigger pressed does not fire and one let go stops its guns; guns and cannon
// together stop together.
TEST_F(Commands, TriggersWhilePausedOnlyStopTheGuns) {
    send(1, kKeyDown);
    input.press(4, kKeyDown);
    input.press(4, kKeyUp);
    input.press(3, kKeyUp);
    drain();
    EXPECT_EQ(camels[0]->guns, (std::vector<int32_t>{0}));
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

// The bomb view needs a bomb; it is placed around the bomb, and the aircraft keeps its own pose.
TEST_F(Commands, BombViewNeedsABombAndLeavesTheAircraftAlone) {
    c->CameraPosition = 2;
    const long beeps = platform::beepCount();
    send(59, kKeyDown);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(c->SpecialCameraPosition, 0);
    effects.haveBomb = true;
    effects.bomb = {10.0, 2000.0, 20.0, 10000.0, 0.0, 0.0};  // the next bomb on the rack
    send(59, kKeyDown);
    const QNion pose = camels[0]->ModelAttitude;
    c->CameraDistance = 50.0;
    c->SetUpViewingPosition();
    EXPECT_EQ(camels[0]->ModelAttitude.Position, pose.Position);
    for (int i = 0; i < 3; ++i)  // the south camera around the bomb
        EXPECT_NEAR(view.camera().Position[i], (Vector3{10.0, 2010.0, -30.0})[i], 1e-6);
}

TEST_F(Commands, EasingTakesTheShortWayRound) {
    send(1, kKeyDown);
    c->CameraHeading = 170.0;
    c->NewCameraAngle = {-170.0, 0.0, 0.0};
    c->doEachTick(1);
    EXPECT_NEAR(c->CameraHeading, 172.0, 1e-9);
    for (int i = 0; i < 5; ++i) c->doEachTick(1);
    EXPECT_GT(std::fabs(c->CameraHeading), 175.0);
    send(1, kKeyDown);
    c->CameraHeading = 10.0;
    c->NewCameraAngle = {12.0, 0.0, 0.0};
    c->doEachTick(1);
    EXPECT_EQ(c->CameraHeading, 12.0);  // flying, within 3 degrees: snapped
}

// The overlay's replay position with a replay speed out of range: put back, and shown.
TEST_F(Commands, AReplaySpeedOutOfRangeIsPutBack) {
    c->ReplayFlag = true;
    c->isKey = true;
    c->ReplaySpeed = 7;
    c->SavedGlobalMissionTime = 1000;
    c->GlobalMissionTime = 1040;  // past the recorded stretch
    Overlay out;
    c->debugchance(out);
    EXPECT_EQ(c->ReplaySpeed, 1);
    ASSERT_EQ(out.count, 1);
    const OverlayText& t = out.texts[0];
    EXPECT_EQ(std::string(t.text + 1, t.text + 1 + t.text[0]), "Replay: 1 -00.0");
}

// The default key bindings, pressed on the real input object, reach the world through the ring.
using namespace platform::hid;

class Keys : public WorldRig {
protected:
    ControllerInput* inputLink() override {
        keyStore_ = std::make_unique<platform::UserDefaults>((folder_ / "keys.json").string());
        keys = std::make_unique<input::PellamJoySub>(nullptr, *keyStore_);
        keys->awakeFromNib();
        link = std::make_unique<InputLink>(*keys);
        return link.get();
    }
    void tap(uint16_t c, uint32_t flags = 0) {
        ToolkitKeyEvent e;
        e.characters[0] = c;
        e.modifierFlags = flags;
        keys->keyDown(e);
        keys->keyUp(e);
    }
    void hold(uint16_t c, bool down) {
        ToolkitKeyEvent e;
        e.characters[0] = c;
        down ? keys->keyDown(e) : keys->keyUp(e);
    }

    std::unique_ptr<platform::UserDefaults> keyStore_;
    std::unique_ptr<input::PellamJoySub> keys;
    std::unique_ptr<InputLink> link;
};

TEST_F(Keys, FirePauseLetGoChangeCameraReplayAndScreenShot) {
    for (int i = 0; i < 40; ++i) frame(2);
    hold(' ', true);
    frame(1);
    EXPECT_EQ(camels[0]->guns, std::vector<int32_t>{1});
    tap('p');  // paused with the trigger held: letting go still stops the guns
    hold(' ', false);
    frame(1);
    EXPECT_FALSE(c->gamePause);
    EXPECT_EQ(camels[0]->guns, (std::vector<int32_t>{1, 0}));

    tap('3', kAlternateKeyMask);  // the view from the east
    tap('r', kAlternateKeyMask);  // replay
    tap(kF1Char + 1, kFunctionKeyMask);
    frame(1);
    frame(1);
    EXPECT_EQ(c->CameraPosition, 3);
    EXPECT_TRUE(c->ReplayFlag);
    EXPECT_TRUE(c->ScreenShotPending);
    tap('r', kAlternateKeyMask);
    tap('p');
    frame(1);
    frame(1);
    EXPECT_FALSE(c->ReplayFlag);
    EXPECT_TRUE(c->gamePause);
}

// Control and a digit is a camera key, whichever of the two is let go first; the digit alone
// sends its canned message.
TEST_F(Keys, AControlDigitMovesTheCameraAndSendsNoCannedMessage) {
    for (const bool controlFirst : {false, true}) {
        ToolkitKeyEvent one;
        one.characters[0] = '1';
        one.modifierFlags = kControlKeyMask;
        keys->keyDown(one);
        if (controlFirst) one.modifierFlags = 0;
        keys->keyUp(one);
        frame(1);
    }
    EXPECT_TRUE(network.typed.empty());
    tap('1');
    frame(1);
    EXPECT_EQ(network.typed, std::vector<int32_t>{71});
}

}  // namespace
}  // namespace pellam::testing
