// Where the outside cameras settle around an aircraft, and what they look at.
#include <gtest/gtest.h>

#include <cmath>

#include "aircraft/ObjectTestFile.h"
#include "game/CameraPlacement.h"
#include "platform/Beep.h"
#include "tests/game/mission_rig.h"

namespace pellam::testing {
namespace {

struct Placement : ::testing::Test {
    ObjectTestFile camel;
    void SetUp() override {
        camel.afterLightTexture3dPointChangesFor(nullptr);
        camel.SetUpAircraft(1000.0, 2000.0, 3000.0, 0.0, 0.0, 95.0, 0.8);
    }
    QNion place(int32_t type, double distance, const QNion* enemy = nullptr) {
        QNion pose;
        camera::makeFinalViewingQNION(camel, &pose, type, distance, enemy, true);
        return pose;
    }
};

// Every outside camera settles about its distance from the aircraft and looks straight at it;
// the orbiting ones stay level.
TEST_F(Placement, OutsideCamerasSettleAtTheirDistanceLookingAtTheAircraft) {
    const auto& at = camel.live.attitude.Position;
    for (int32_t type = 1; type <= 9; ++type) {
        SCOPED_TRACE(type);
        place(type, 100.0);
        const QNion settled = place(type, 100.0);
        // The camera's own axes in world coordinates: the pose holds the conjugate of its attitude.
        const auto& q = settled.QAttitude;
        const double body[4] = {q[0], -q[1], -q[2], -q[3]};
        double m[16] = {};
        ZephModel::quaternionToMatrix(body, m);
        const double from[3] = {settled.Position[0] - at[0], settled.Position[1] - at[1], settled.Position[2] - at[2]};
        const double d = std::hypot(from[0], from[1], from[2]);
        EXPECT_GE(d, 100.0 - 1e-9);
        EXPECT_LT(d, 101.0);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(m[8 + i], -from[i] / d, 1e-6) << "looking along axis " << i;
        if (type <= 4) {
            EXPECT_NEAR(m[1], 0.0, 1e-9) << "banked";
        }
    }
}

// A tenth of the way each tick, the short way round past 180 deg; flying, the last 3 deg are taken at once.
TEST(CameraEasing, TakesTheShortWayRound) {
    Cameras cameras;
    cameras.CameraHeading = 170.0;
    cameras.NewCameraAngle = {-170.0, 0.0, 0.0};
    cameras.ease(false);
    EXPECT_NEAR(cameras.CameraHeading, 172.0, 1e-9);
    for (int i = 0; i < 5; ++i) cameras.ease(false);
    EXPECT_GT(std::fabs(cameras.CameraHeading), 175.0);
    cameras.CameraHeading = 10.0;
    cameras.NewCameraAngle = {12.0, 0.0, 0.0};
    cameras.ease(true);
    EXPECT_EQ(cameras.CameraHeading, 12.0);
}

// Nearer stops at 10 ft and farther at 1000 ft, each only on its own side: a cockpit distance kept
// at 3 ft goes out in 5-ft steps.
TEST(CameraDistances, HeldAtTenAndAThousandFeetEachOnItsOwnSide) {
    Cameras cameras;
    cameras.SavedCameraDistance = 3.0;
    cameras.stepDistance(5.0);
    EXPECT_EQ(cameras.SavedCameraDistance, 8.0);
    cameras.stepDistance(-5.0);
    EXPECT_EQ(cameras.SavedCameraDistance, 10.0);
    cameras.CameraPosition = 1;
    cameras.UserCameraDistance = 998.0;
    cameras.stepDistance(5.0);
    EXPECT_EQ(cameras.NewCameraDistance, 1000.0);
}

// An enemy on the aircraft itself gives no line to look along: a beep, and a line of 5 ft.
TEST_F(Placement, NearestEnemyOnTheAircraftItselfBeeps) {
    QNion enemy;
    enemy.Position = camel.live.attitude.Position;
    const long beeps = platform::beepCount();
    const QNion view = place(12, 100.0, &enemy);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    for (double v : view.QAttitude) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
}  // namespace pellam::testing

namespace pellam::testing {
namespace {

// The player's Camel flown into the ground in every camera, the second window on it too, right way
// up, on its back and steeply: no frame of the crash or of the wreck after it looks from under the
// ground, nor cuts the ground away with the near plane.
class Crash : public MissionRig {};

TEST_F(Crash, NoCameraGoesUnderTheGround) {
    constexpr double kGround = 100.0;  // ft: the rig's flat world
    view.nearPlane = {10.3, 5.7, 4.3};   // ft: the game's own at 4:3
    view.nearPlane2 = {8.25, 5.7, 4.3};  // the second window's, without the tele factor
    FlyableAircraft& own = aircraft(0);
    // The command that chooses camera n: 45 cockpit, 46..54 the fixed ones, 55 fly-by, 56 chase,
    // 57 nearest enemy, 58 tower, 100 circling.
    auto commandFor = [](int32_t camera) {
        return camera == 100 ? Cmd::CirclingCamera : Cmd::CameraInsidePilotHead + camera;
    };
    // The lowest point of a camera's near plane, or the one it was pulled in to (ft).
    auto nearPlaneBottom = [&](const QNion& pose, const std::array<double, 3>& plane, double limit) {
        const double share = limit > 0.0 ? std::min(1.0, limit / plane[0]) : 1.0;
        const auto& q = pose.QAttitude;
        const double body[4] = {q[0], -q[1], -q[2], -q[3]};
        double m[16] = {};
        ZephModel::quaternionToMatrix(body, m);
        return pose.Position[1] + share * (m[9] * plane[0] - std::fabs(m[1]) * plane[1] - std::fabs(m[5]) * plane[2]);
    };
    c->sendCommand(Cmd::CameraViewFromSouth, kKeyDown);
    for (int i = 0; i < 8; ++i) c->sendCommand(Cmd::MoveCameraCloser, kKeyDown);  // the outside cameras 40 ft off
    ASSERT_EQ(c->cameras().UserCameraDistance, 40.0);
    c->sendCommand(Cmd::OnOffSecondWindowToggle, kKeyUp);  // the second window on
    ASSERT_TRUE(c->cameras().DrawSecondWindow);
    struct Dive {
        double pitch, roll;  // deg
    };
    for (const Dive dive : {Dive{-30.0, 0.0}, {-30.0, 180.0}, {-75.0, 0.0}, {-75.0, 180.0}}) {
        for (int32_t camera : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 100}) {
            if (dive.roll != 0.0 || dive.pitch != -30.0)
                if (camera != 0 && camera != 8 && camera != 9) continue;  // the cockpit and those fixed to the airframe
            SCOPED_TRACE(::testing::Message() << "camera " << camera << " pitch " << dive.pitch << " roll " << dive.roll);
            c->fromRestartMissionButton();
            c->setRunning(true);
            own.SetUpAircraft(0.0, kGround + 60.0, 0.0, 0.0, dive.pitch, 150.0, 1.0);
            QNion upright, rolled, diving;
            own.getModelPositionQNion(&upright);
            rolled.QAttitude = {std::cos(dive.roll * M_PI / 360.0), 0.0, 0.0, std::sin(dive.roll * M_PI / 360.0)};
            ZephModel::multQnions(&rolled, &upright, &diving);
            diving.Position = upright.Position;
            own.setModelPositionQNion(&diving);
            own.ThisAircraft.Damage1 = 0;
            // The main view's camera with the second window off, then the second window's own.
            c->sendCommand(Cmd::OnOffSecondWindowToggle, kKeyUp);
            c->sendCommand(Cmd::CameraOnAircraft1, kKeyDown);
            c->sendCommand(commandFor(camera), kKeyDown);
            c->sendCommand(Cmd::OnOffSecondWindowToggle, kKeyUp);
            c->sendCommand(Cmd::CameraOnAircraft1, kKeyDown);
            if (camera != 100) c->sendCommand(commandFor(camera), kKeyDown);  // circling is the main view's alone
            ASSERT_EQ(c->cameras().CameraPosition, camera);
            ASSERT_EQ(c->cameras().CameraAircraft, ModelArray::kFirstAircraft);
            ASSERT_EQ(c->cameras().CameraAircraft2, ModelArray::kFirstAircraft);
            if (camera != 100) {
                ASSERT_EQ(c->cameras().CameraPosition2, camera);
            }
            bool down = false;
            for (int f = 0; f < 240; ++f) {
                frame(2);
                down |= (own.ThisAircraft.Damage1 & dmg::Down) != 0;
                ASSERT_GT(c->cameras().ViewingQNion.Position[1], kGround + 1.0) << "frame " << f;
                ASSERT_GT(c->cameras().ViewingQNion2.Position[1], kGround + 1.0) << "frame " << f;
                ASSERT_GT(nearPlaneBottom(c->cameras().ViewingQNion, view.nearPlane, view.nearLimit), kGround)
                    << "frame " << f;
                ASSERT_GT(nearPlaneBottom(c->cameras().ViewingQNion2, view.nearPlane2, view.nearLimit2), kGround)
                    << "frame " << f;
            }
            EXPECT_TRUE(down) << "it never crashed";
        }
    }
}

// A bomb followed down from 600 ft: while it falls, the cameras chosen are placed around it; once
// it is down, the cockpit and the chase camera are the dropping aircraft's own again, not stuck at
// the crater.
class BombCamera : public MissionRig {};

TEST_F(BombCamera, CamerasComeHomeOnceTheBombIsDown) {
    constexpr double kGround = 100.0;  // ft: the rig's flat world
    FlyableAircraft& own = aircraft(0);
    c->setRunning(true);
    own.SetUpAircraft(0.0, kGround + 600.0, 0.0, 0.0, 0.0, 100.0, 1.0);
    own.setNumberOfBombs(2);
    c->sendCommand(Cmd::CameraOnAircraft1, kKeyDown);
    c->sendCommand(Cmd::DropBomb, kKeyDown);
    c->sendCommand(Cmd::CameraOnBomb, kKeyDown);
    ASSERT_EQ(c->cameras().SpecialCameraPosition, 59);
    ZephModel& bombs = *c->modelAt(ModelArray::kBombs);
    auto bomb = [&] {
        const double* b = bombs.findNewestBombFrom(ModelArray::kFirstAircraft, &own);
        return Vector3{b[0], b[1], b[2]};
    };
    auto distance = [](const Vector3& a, const Vector3& b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); };
    const Vector3& at = own.live.attitude.Position;
    const Vector3& eye = c->cameras().ViewingQNion.Position;

    // Falling, well clear of the aircraft: the cockpit camera rides behind the bomb.
    for (int f = 0; f < 1000 && bomb()[1] > at[1] - 100.0; ++f) frame(2);
    ASSERT_LT(bomb()[1], at[1] - 100.0);
    c->sendCommand(Cmd::CameraInsidePilotHead, kKeyDown);
    frame(1);
    EXPECT_EQ(c->cameras().SpecialCameraPosition, 59);
    EXPECT_LT(distance(eye, bomb()), 8.0);
    EXPECT_GT(distance(eye, at), 90.0);

    // Down: the cockpit is the pilot's, and drawn.
    for (int f = 0; f < 1000 && bomb()[1] > kGround; ++f) frame(2);
    ASSERT_LE(bomb()[1], kGround);
    c->sendCommand(Cmd::CameraInsidePilotHead, kKeyDown);
    frame(1);
    EXPECT_EQ(c->cameras().SpecialCameraPosition, 0);
    EXPECT_LT(distance(eye, at), 5.0);
    EXPECT_EQ(view.inside, ModelArray::kFirstAircraft);

    // And the chase camera looks at the aircraft from its distance behind it.
    c->sendCommand(Cmd::ChaseCamera, kKeyDown);
    frame(1);
    const auto& q = c->cameras().ViewingQNion.QAttitude;
    const double body[4] = {q[0], -q[1], -q[2], -q[3]};
    double m[16] = {};
    ZephModel::quaternionToMatrix(body, m);
    const double d = distance(eye, at);
    EXPECT_NEAR(d, c->cameras().UserCameraDistance, 10.0);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(m[8 + i], (at[i] - eye[i]) / d, 0.05) << "looking along axis " << i;
    EXPECT_EQ(view.inside, -1);
}

}  // namespace
}  // namespace pellam::testing
