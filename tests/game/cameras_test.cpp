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

// An enemy on the aircraft itself gives no line to look along: a beep, and a line of 5 ft.
TEST_F(Placement, NearestEnemyOnTheAircraftItselfBeeps) {
    QNion enemy;
    enemy.Position = at();
    const long beeps = platform::beepCount();
    const QNion view = place(12, 100.0, &enemy);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    for (double v : view.QAttitude) EXPECT_TRUE(std::isfinite(v));
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
