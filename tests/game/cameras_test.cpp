#include <cmath>

#include "game/CameraPlacement.h"
#include "platform/Beep.h"
#include "tests/game/worldstep_rig.h"

namespace pellam::testing {
namespace {

// The camera's own axes in world coordinates: the pose holds the conjugate of its attitude.
struct CameraAxes {
    std::array<double, 3> right, up, look;
};
CameraAxes axesOf(const QNion& pose) {
    const double body[4] = {pose.QAttitude[0], -pose.QAttitude[1], -pose.QAttitude[2], -pose.QAttitude[3]};
    double m[16] = {};
    ZephModel::quaternionToMatrix(body, m);
    return {{m[0], m[1], m[2]}, {m[4], m[5], m[6]}, {m[8], m[9], m[10]}};
}

void expectNear(const std::array<double, 3>& got, const std::array<double, 3>& want, double tol = 1e-6) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tol) << "component " << i;
}

// Unit vector from a to b.
std::array<double, 3> toward(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    std::array<double, 3> d{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (double& c : d) c /= n;
    return d;
}

struct Placement : ::testing::Test {
    ObjectTestFile camel;
    void SetUp() override {
        camel.afterLightTexture3dPointChangesFor(nullptr);
        camel.SetUpAircraft(1000.0, 2000.0, 3000.0, 0.0, 0.0, 95.0, 0.8);
    }
    QNion place(int32_t type, double distance, const QNion* enemy = nullptr, bool running = true) {
        QNion pose;
        camera::makeFinalViewingQNION(camel, &pose, type, distance, enemy, running);
        return pose;
    }
    const std::array<double, 3>& at() const { return camel.ModelAttitude.Position; }
};

// Every outside camera settles about its distance from the aircraft and looks straight at it;
// the orbiting ones sit on their own side, level.
TEST_F(Placement, OutsideCamerasSettleAtTheirDistanceLookingAtTheAircraft) {
    const std::array<double, 3> side[] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0},
                                          {-1, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int32_t type = 1; type <= 9; ++type) {
        SCOPED_TRACE(type);
        place(type, 100.0);
        const QNion settled = place(type, 100.0);
        const std::array<double, 3> from{settled.Position[0] - at()[0], settled.Position[1] - at()[1],
                                         settled.Position[2] - at()[2]};
        const double d = std::sqrt(from[0] * from[0] + from[1] * from[1] + from[2] * from[2]);
        EXPECT_GE(d, 100.0 - 1e-9);
        EXPECT_LT(d, 101.0);
        const std::array<double, 3>& s = side[type - 1];
        EXPECT_GT((from[0] * s[0] + from[1] * s[1] + from[2] * s[2]) / d, 0.99);
        expectNear(axesOf(settled).look, toward(settled.Position, at()));
        if (type <= 4) {
            EXPECT_NEAR(axesOf(settled).right[1], 0.0, 1e-9);  // level: no bank
        }
    }
}

TEST_F(Placement, CockpitEyeAtThePilotsHeadWithTheStallShakeOnlyPerFrame) {
    camel.PilotAttitude.Position = {0.0, 2.5, -6.0};
    camel.ThisAircraft.StallWobble = 0.3;
    const QNion eye = place(0, 5.0);
    expectNear(eye.Position, {at()[0] + 0.3, at()[1] + 2.5, at()[2] - 6.0});
    expectNear(axesOf(eye).look, {0, 0, 1});
    // The spherical placement counts 5 ft as outside, and never shakes.
    QNion sphere, inside;
    camera::createCameraPosition(camel, 0, &sphere, 5.0, 0.0, 0.0, 0.0);
    expectNear(sphere.Position, {at()[0], at()[1], at()[2] + 5.0});
    camera::createCameraPosition(camel, 0, &inside, 4.0, 0.0, 0.0, 0.0);
    expectNear(inside.Position, {at()[0], at()[1] + 2.5, at()[2] - 6.0});
    // Beyond 5 ft the per-frame cockpit camera orbits behind.
    place(0, 50.0);
    const QNion behind = place(0, 50.0);
    expectNear(behind.Position, {at()[0], at()[1], at()[2] - 50.0});
}

TEST_F(Placement, NearestEnemyOutsidePointsAndCircling) {
    QNion enemy;
    enemy.Position = {at()[0] + 300.0, at()[1], at()[2]};
    const QNion view = place(12, 100.0, &enemy);
    expectNear(view.Position, {at()[0] - 100.0, at()[1] + 15.0, at()[2]});
    expectNear(axesOf(view).look, toward(view.Position, enemy.Position));
    // No enemy: the cockpit at 3 ft.
    const QNion none = place(12, 100.0, nullptr);
    expectNear(axesOf(none).look, {0, 0, 1});
    EXPECT_LT(std::fabs(none.Position[0] - at()[0]), 5.0);
    // On the aircraft itself: a beep and a line of 5 ft.
    const long beeps = platform::beepCount();
    enemy.Position = at();
    place(12, 100.0, &enemy);
    EXPECT_EQ(platform::beepCount(), beeps + 1);

    const std::array<double, 3> outside{at()[0] + 30.0, at()[1] + 40.0, at()[2]};
    camel.setOutsideCameraPosition(outside.data());
    for (int32_t type : {10, 11, 13}) {
        const QNion pose = place(type, 100.0);
        expectNear(pose.Position, outside);
        expectNear(axesOf(pose).look, toward(outside, at()));
    }
    // Paused, the circling camera turns a degree a frame at 20 ft up.
    camel.CircleCameraDegrees = 10.0;
    camel.TargetNominalCH = 20.0;
    camel.NominalCameraHeight = 20.0;
    const QNion circling = place(100, 100.0, nullptr, false);
    EXPECT_NEAR(camel.CircleCameraDegrees, 11.0, 1e-12);
    const double a = (11.0 + 180.0) / 57.29577951;
    expectNear(circling.Position, {at()[0] + 100.0 * std::sin(a), at()[1] + 20.0, at()[2] + 100.0 * std::cos(a)});
}

using CameraCommands = WorldRig;

TEST_F(CameraCommands, BombViewTogglesAndNeedsABomb) {
    c->CameraPosition = 2;
    const long beeps = platform::beepCount();
    send(59, kKeyDown);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(c->SpecialCameraPosition, 0);
    effects.haveBomb = true;
    effects.bomb = {10.0, 2000.0, 20.0, 10000.0, 0.0, 0.0};  // the next bomb on the rack
    send(59, kKeyDown);
    EXPECT_EQ(c->SpecialCameraPosition, 59);
    EXPECT_EQ(c->OutsideCamera, (Vector3{10.0, 2000.0, 20.0}));
    EXPECT_EQ(c->CameraPosition, 2);
    // The view is placed around the bomb; the aircraft keeps its own pose afterwards.
    const QNion pose = camels[0]->ModelAttitude;
    c->CameraDistance = 50.0;
    c->SetUpViewingPosition();
    EXPECT_EQ(camels[0]->ModelAttitude.Position, pose.Position);
    expectNear(view.camera().Position, {10.0, 2010.0, -30.0});  // the south camera around the bomb
    send(59, kKeyDown);
    EXPECT_EQ(c->SpecialCameraPosition, 0);
    EXPECT_EQ(c->CameraPosition, 2);
}

TEST_F(CameraCommands, TheSecondWindowTakesEveryCameraCommandWhileDrawn) {
    send(91, kKeyUp);
    ASSERT_TRUE(c->DrawSecondWindow);
    const int32_t main = c->CameraPosition;
    send(48, kKeyDown);
    send(65, kKeyDown);
    EXPECT_EQ(c->CameraPosition, main);
    EXPECT_EQ(c->CameraAircraft, 2);
    EXPECT_EQ(c->CameraPosition2, 3);
    EXPECT_EQ(c->CameraAircraft2, 5);
    frame(1);
    EXPECT_TRUE(view.secondWindow);
    EXPECT_EQ(view.secondAircraft, 5);
    EXPECT_EQ(view.insideItem2, -1);
    expectNear(view.second.Position, {camels[3]->ModelAttitude.Position[0] + c->UserCameraDistance2,
                                      camels[3]->ModelAttitude.Position[1] + 10.0,
                                      camels[3]->ModelAttitude.Position[2]},
               1e-3);
    // Following the main aircraft's nearest enemy.
    send(92, kKeyUp);
    frame(1);
    EXPECT_EQ(c->CameraAircraft2, 6);  // aircraft 4, 2,000 ft east: the nearest of the other side
}

TEST_F(CameraCommands, SearchesForTheNearestEnemyAndTower) {
    for (int k = 0; k < 8; ++k) camels[k]->ModelAttitude.Position = {0.0, -5000.0, 0.0};
    camels[0]->ModelAttitude.Position = {0.0, 1000.0, 0.0};
    camels[4]->ModelAttitude.Position = {0.0, -3000.0, 0.0};  // parked: not in the mission
    EXPECT_EQ(c->findClosestEnemyFrom(2), -1);
    camels[4]->ModelAttitude.Position = {0.0, -2999.9, 0.0};
    EXPECT_EQ(c->findClosestEnemyFrom(2), 4);
    camels[6]->ModelAttitude.Position = {100.0, 1000.0, 0.0};
    camels[5]->ModelAttitude.Position = {-100.0, 1000.0, 0.0};
    camels[1]->ModelAttitude.Position = {1.0, 1000.0, 0.0};  // same side as the player
    EXPECT_EQ(c->findClosestEnemyFrom(2), 5);  // equal distances: the lower number
    EXPECT_EQ(c->findClosestEnemyFrom(8), 1);
    EXPECT_EQ(c->findClosestEnemyFrom(7), 0);  // never itself, nor its own side

    c->findClosestTower();
    EXPECT_EQ(c->OutsideCamera, (Vector3{-380160.0, 200.0, 390720.0}));
    counter->tower = true;
    counter->towerAt = {1000.0, 1000.0, 0.0};
    c->TowerZoom = 300.0;
    c->findClosestTower();
    expectNear(c->OutsideCamera, {300.0, 1000.0, 0.0});
    counter->towerAt = {200.0, 1000.0, 0.0};
    c->findClosestTower();
    expectNear(c->OutsideCamera, {200.0, 1000.0, 0.0});
}

TEST_F(CameraCommands, EasingTakesTheShortWayRound) {
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

}  // namespace
}  // namespace pellam::testing
