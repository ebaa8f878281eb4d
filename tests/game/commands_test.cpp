// The commands as the keys and the program send them, through the controller's world step: the
// trigger, the bombs, pausing, restarting, the cameras, the replay, what the view may keep, and
// the overlay's texts and veils.
#include <cctype>
#include <cmath>
#include <regex>

#include "game/InputLink.h"
#include "input/PellamJoySub.h"
#include "platform/Beep.h"
#include "input/Commands.h"
#include "render/MyZephGLView.h"
#include "render/ViewMath.h"
#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

using Commands = WorldRig;

// While paused a trigger pressed does not fire and one let go stops its guns; guns and cannon
// together stop together.
TEST_F(Commands, TriggersWhilePausedOnlyStopTheGuns) {
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    input.press(Cmd::FireGunsAndCannon, kKeyDown);
    input.press(Cmd::FireGunsAndCannon, kKeyUp);
    input.press(Cmd::FireCannon, kKeyUp);
    drain();
    EXPECT_EQ(camels[0]->guns, (std::vector<int32_t>{0}));
    EXPECT_EQ(camels[0]->cannon, (std::vector<int32_t>{0, 0}));
}

TEST_F(Commands, BombsDropWhilePausedButNeverFromAReplayOrAnEmptyRack) {
    camels[0]->bombs = 2;
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    send(Cmd::DropBomb, kKeyDown);
    EXPECT_EQ(bombs->dropped, 1);
    EXPECT_EQ(camels[0]->bombs, 1);
    c->setMissionTime(400);
    send(Cmd::BeginEndReplayOfAction, kKeyUp);
    ASSERT_TRUE(c->replay().ReplayFlag);
    send(Cmd::DropBomb, kKeyDown);
    EXPECT_EQ(bombs->dropped, 1);
    EXPECT_EQ(camels[0]->bombs, 1);
    send(Cmd::BeginEndReplayOfAction, kKeyUp);
    camels[0]->releaseFails = true;  // the rack says one is left, but none comes off
    send(Cmd::DropBomb, kKeyDown);
    EXPECT_EQ(bombs->dropped, 1);
}

TEST_F(Commands, RestartOnlyWhilePaused) {
    for (int i = 0; i < 30; ++i) frame(2);
    const auto start = camels[3]->ModelStartPosition.Position;
    send(Cmd::RestartMission, kKeyUp);
    EXPECT_GT(c->clock().GlobalMissionTime, 0);
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    send(Cmd::RestartMission, kKeyUp);
    EXPECT_EQ(c->clock().GlobalMissionTime, 0);
    EXPECT_EQ(camels[3]->live.attitude.Position, start);
}

// The pointer is put where the mouse stick is centred whenever flying begins, unless a joystick flies.
TEST_F(Commands, FlyingBeginsWithTheMouseStickCentred) {
    auto pause = [&] {
        input.press(Cmd::PauseFlyGameToggle, kKeyDown);
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

// The view may keep its picture only while the world stands still and no network game goes on, and
// is told when a command may have changed what the picture shows.
TEST_F(Commands, KeptWhilePausedRedrawnAfterEachCommandDrawnLiveWhileRunningOrNetworked) {
    frame();
    EXPECT_TRUE(c->clock().gamePause);
    EXPECT_FALSE(view.keep);  // running: every frame is drawn
    input.press(Cmd::PauseFlyGameToggle);  // pause
    drain();
    frame();
    EXPECT_FALSE(c->clock().gamePause);
    EXPECT_TRUE(view.keep);

    const int before = view.changes;
    input.press(Cmd::CameraViewFromWest);  // the view from the west
    drain();
    EXPECT_GT(view.changes, before);
    EXPECT_TRUE(view.keep);
    const int settled = view.changes;
    frame();
    frame();
    EXPECT_EQ(view.changes, settled);  // nothing happened: nothing to redraw

    network.mode = 1;  // the other players move on while this one is paused
    frame();
    EXPECT_FALSE(view.keep);
    network.mode = 0;
    frame();
    EXPECT_TRUE(view.keep);

    input.press(Cmd::PauseFlyGameToggle);  // running again
    drain();
    frame();
    EXPECT_TRUE(c->clock().gamePause);
    EXPECT_FALSE(view.keep);
}

// The bomb view needs a bomb; it is placed around the bomb, and the aircraft keeps its own pose.
TEST_F(Commands, BombViewNeedsABombAndLeavesTheAircraftAlone) {
    send(Cmd::CameraViewFromSouth, kKeyDown);  // the south camera
    for (int i = 0; i < 6; ++i) send(Cmd::MoveCameraCloser, kKeyDown);
    c->doEachTick(1);  // flying: the distance is taken at once
    ASSERT_EQ(c->cameras().CameraDistance, 50.0);
    const long beeps = platform::beepCount();
    send(Cmd::CameraOnBomb, kKeyDown);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(c->cameras().SpecialCameraPosition, 0);
    effects.haveBomb = true;
    effects.bomb = {10.0, 2000.0, 20.0, 10000.0, 0.0, 0.0};  // the next bomb on the rack
    send(Cmd::CameraOnBomb, kKeyDown);
    const QNion pose = camels[0]->live.attitude;
    c->SetUpViewingPosition();
    EXPECT_EQ(camels[0]->live.attitude.Position, pose.Position);
    for (int i = 0; i < 3; ++i)  // the south camera around the bomb
        EXPECT_NEAR(view.camera().Position[i], (Vector3{10.0, 2010.0, -30.0})[i], 1e-6);
}

// A replay begins on a record time from tick 22, at most 1200 ticks back; at every speed its clock
// stays inside the recorded stretch before the live clock and never reaches it.
TEST(ReplayClock, StaysInsideTheRecordedStretchAtEverySpeed) {
    for (int32_t live : {50, 61, 1222, 3419, 3421, 9999}) {
        ReplayControl replay;
        const int32_t from = replay.begin(live);
        SCOPED_TRACE(live);
        EXPECT_TRUE(replay.ReplayFlag);
        EXPECT_EQ((from - 2) % 20, 0);
        EXPECT_GE(from, 22);
        EXPECT_GT(from, live - 1200 - 20);  // snapped back onto a record time
        EXPECT_LT(from, live);
        for (int32_t speed = -5; speed <= 5; ++speed) {
            int32_t clock = from;
            for (int n = 0; n < 4000; ++n) {
                clock = ReplayControl::advanceReplayClock(clock, speed, live, replay.ReplayRollOver);
                ASSERT_LT(clock, live) << "speed " << speed << " step " << n;
                ASSERT_GE(clock, std::max(1, live - replay.ReplayRollOver)) << "speed " << speed << " step " << n;
            }
        }
        EXPECT_EQ(replay.end(), live);
        EXPECT_FALSE(replay.ReplayFlag);
    }
}

// The overlay's replay line, the speed held within 5; the frame rate before any interval was
// measured: no rate, rather than a division by zero.
TEST_F(Commands, TheReplayLineAndAFrameRateNotYetMeasured) {
    send(Cmd::PauseFlyGameToggle, kKeyDown);  // paused: a replay may begin
    c->setMissionTime(1040);
    send(Cmd::BeginEndReplayOfAction, kKeyUp);
    ASSERT_TRUE(c->replay().ReplayFlag);
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    frame();  // the window has the keyboard: the replay line is shown
    for (int i = 0; i < 12; ++i) send(Cmd::ForwardReplay, kKeyUp);
    EXPECT_EQ(c->replay().ReplaySpeed, 5);
    Overlay out;
    c->debugchance(out);
    ASSERT_EQ(out.count, 1);
    const OverlayText& t = out.texts[0];
    EXPECT_EQ(std::string(t.text + 1, t.text + 1 + t.text[0]).substr(0, 10), "Replay: 5 ");
    // Paused, with fast time and the frame rate on too: no text is drawn over another.
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    send(Cmd::FrameRateIndicatorOnOffToggle, kKeyUp);
    send(Cmd::NormalFastTimeToggle, kKeyUp);
    c->debugchance(out);
    ASSERT_EQ(out.count, 4);
    auto box = [](const OverlayText& t) {
        const render::GlyphQuad first = render::glyphQuad(t.across, t.down, 0, 'A', t.size, 0.0);
        const render::GlyphQuad last = render::glyphQuad(t.across, t.down, t.text[0] - 1, 'A', t.size, 0.0);
        return std::array<double, 4>{first.x0, last.x1, last.y1, first.y0};  // left, right, bottom, top
    };
    for (int i = 0; i < out.count; ++i)
        for (int j = i + 1; j < out.count; ++j) {
            const auto a = box(out.texts[i]), b = box(out.texts[j]);
            EXPECT_TRUE(a[1] <= b[0] || b[1] <= a[0] || a[3] <= b[2] || b[3] <= a[2]) << "texts " << i << " and " << j;
        }
    send(Cmd::FrameRateIndicatorOnOffToggle, kKeyUp);
    send(Cmd::NormalFastTimeToggle, kKeyUp);
    send(Cmd::BeginEndReplayOfAction, kKeyUp);
    ASSERT_FALSE(c->replay().ReplayFlag);
    send(Cmd::PauseFlyGameToggle, kKeyDown);
    send(Cmd::FrameRateIndicatorOnOffToggle, kKeyUp);
    ASSERT_TRUE(c->clock().DisplayFrameRate);
    c->debugchance(out);
    ASSERT_EQ(out.count, 1);
    EXPECT_EQ(std::string(out.texts[0].text + 1, out.texts[0].text + 1 + out.texts[0].text[0]), "xx-000 ms");
}

// Looking into the sun by day veils the view with glare; the pilot's own veil is black past a black-out,
// red past a red-out, and gone once he has bailed out.
TEST_F(Commands, VeilsOfGlareBlackOutAndRedOut) {
    Aircraft& ours = camels[0]->ThisAircraft;
    send(Cmd::CameraOnAircraft1, kKeyDown);  // the player's aircraft
    send(Cmd::CameraInsidePilotHead, kKeyDown);  // from the cockpit
    c->doFogCeiling();
    ASSERT_EQ(c->getCloudLayerState(), 0);  // below the clouds
    missions::MissionData* mission = c->currentMission();
    ASSERT_NE(mission, nullptr);
    mission->TimeOfDay = 112;  // hour 12
    double m[16] = {};  // the camera looks along its own z axis: put the sun there
    ZephModel::quaternionToMatrix(c->cameras().ViewingQNion.QAttitude.data(), m);
    double* sun = const_cast<double*>(view.getSunUnitVector());
    sun[0] = m[2], sun[1] = m[6], sun[2] = m[10];
    auto draw = [&] {
        Overlay out;
        c->debugchance(out);
        return out;
    };
    ours.BlackRedOutLevel = 100;
    Overlay out = draw();
    EXPECT_TRUE(out.veil);
    EXPECT_GT(out.blue, 0.5f);
    mission->TimeOfDay = 19;
    EXPECT_FALSE(draw().veil);  // evening: no glare, and no veil of the pilot's own
    ours.BlackRedOutLevel = 40;
    out = draw();
    EXPECT_TRUE(out.veil);
    EXPECT_EQ(out.red, 0.0f);
    EXPECT_FLOAT_EQ(out.alpha, 0.6f);
    ours.BlackRedOutLevel = -50;
    out = draw();
    EXPECT_TRUE(out.veil);
    EXPECT_GT(out.red, 0.0f);
    ours.GuyBailedOut = 1;
    EXPECT_FALSE(draw().veil);
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
    EXPECT_FALSE(c->clock().gamePause);
    EXPECT_EQ(camels[0]->guns, (std::vector<int32_t>{1, 0}));

    tap('3', kAlternateKeyMask);  // the view from the east
    tap('r', kAlternateKeyMask);  // replay
    tap(kF1Char + 1, kFunctionKeyMask);
    frame(1);
    frame(1);
    EXPECT_EQ(c->cameras().CameraPosition, 3);
    EXPECT_TRUE(c->replay().ReplayFlag);
    EXPECT_TRUE(c->screenShotPending());
    tap('r', kAlternateKeyMask);
    tap('p');
    frame(1);
    frame(1);
    EXPECT_FALSE(c->replay().ReplayFlag);
    EXPECT_TRUE(c->clock().gamePause);
}

// Every key a start-up tip tells the player to press is one this keyboard has, bound by the game's
// own table to some command.
TEST(StartUpTips, NameKeysThePlayerCanPress) {
    const std::regex combo("\\b([A-Za-z]+)-([a-z0-9])\\b");
    for (int n = 0; n < render::MyZephGLView::kTipCount; ++n) {
        std::string tip;
        for (std::string_view line : render::MyZephGLView::tipLines(n)) tip += std::string(line) + " ";
        SCOPED_TRACE(tip);
        EXPECT_EQ(tip.find("ption"), std::string::npos) << "no Option key here";
        for (std::sregex_iterator m(tip.begin(), tip.end(), combo), end; m != end; ++m) {
            std::string word = (*m)[1];
            for (char& ch : word) ch = static_cast<char>(std::tolower(ch));
            const uint32_t mask = word == "alt" ? kAlternateKeyMask : word == "control" ? kControlKeyMask : 0;
            EXPECT_NE(mask, 0u) << m->str();
            const char key = (*m)[2].str()[0];
            bool bound = false;
            for (const input::DefaultBinding& b : input::gameDefaultBindings())
                bound |= b.key == static_cast<uint32_t>(key) && (b.modifiers & mask) != 0;
            EXPECT_TRUE(bound) << m->str();
        }
    }
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
    EXPECT_EQ(network.typed, std::vector<int32_t>{input::numberOf(Cmd::SendCannedMessage1)});
}

}  // namespace
}  // namespace pellam::testing
