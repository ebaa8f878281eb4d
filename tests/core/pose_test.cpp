#include <gtest/gtest.h>

#include <cmath>

#include "core/ZephModel.h"

namespace pellam {
namespace {

constexpr double kEps = 1e-9;

// Where the body axis (x, y, z) points in the world for `pose`.
Vector3 axisOf(const QNion& pose, double x, double y, double z) {
    double m[16] = {};
    const double axis[3] = {x, y, z};
    Vector3 out{};
    ZephModel::quaternionToMatrix(pose.QAttitude.data(), m);
    ZephModel::RotateVector(axis, out.data(), m);
    return out;
}
Vector3 noseOf(const QNion& pose) { return axisOf(pose, 0, 0, 1); }

TEST(Pose, TurningConventions) {
    ZephModel model;
    model.rotateHeadingByDegrees(90);
    Vector3 nose = noseOf(model.live.attitude);
    EXPECT_NEAR(nose[0], 1.0, kEps);  // heading 90 puts the nose on +X

    model.setHeading(0);
    model.rotatePitchByDegrees(10);
    nose = noseOf(model.live.attitude);
    EXPECT_NEAR(nose[1], -std::sin(10 / 57.29577951), kEps);  // a positive pitch lowers the nose

    model.setHeading(0);
    model.rotateBankByDegrees(30);
    const Vector3 wing = axisOf(model.live.attitude, 1, 0, 0);
    EXPECT_NEAR(wing[0], std::cos(30 / 57.29577951), kEps);
    EXPECT_NEAR(wing[1], std::sin(30 / 57.29577951), kEps);  // positive bank raises that side

    model.setHeading(180);
    EXPECT_NEAR(model.live.attitude.QAttitude[0], 0.0, 1e-9);
    EXPECT_NEAR(model.live.attitude.QAttitude[2], -1.0, 1e-9);
}

// Turns undo, vectors rotate there and back, and products, slerps and turns by a zero rotation
// vector may write over their own inputs.
TEST(Pose, TurnsAndVectorsRoundTripAndProductsWorkInPlace) {
    ZephModel model;
    model.rotateHeadingByDegrees(37);
    model.rotatePitchByDegrees(-12);
    model.rotateBankByDegrees(70);
    const Quaternion before = model.live.attitude.QAttitude;
    model.rotateHeadingByDegrees(90);
    model.rotateHeadingByDegrees(-90);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(model.live.attitude.QAttitude[i], before[i], kEps);

    double m[16];
    m[12] = 7;
    ZephModel::quaternionToMatrix(before.data(), m);
    EXPECT_EQ(m[12], 7);  // the translation row is the caller's
    double v[3] = {3.0, -4.0, 12.5};
    ZephModel::RotateVector(v, v, m);
    ZephModel::InverseRotateVector(v, v, m);
    EXPECT_NEAR(v[0], 3.0, kEps);
    EXPECT_NEAR(v[1], -4.0, kEps);
    EXPECT_NEAR(v[2], 12.5, kEps);

    QNion a, b, expect;
    a.QAttitude = {std::cos(0.3), std::sin(0.3), 0, 0};
    b.QAttitude = {0.5, 0.5, 0.5, 0.5};
    ZephModel::multQnions(&a, &b, &expect);
    ZephModel::multQnions(&a, &b, &a);
    EXPECT_EQ(a.QAttitude, expect.QAttitude);
    const double zero[3] = {0, 0, 0};
    ZephModel::convertPBHToQNion(zero, &b, &b);
    EXPECT_EQ(b.QAttitude, (Quaternion{0.5, 0.5, 0.5, 0.5}));
}

TEST(Pose, SlerpTakesTheShorterArc) {
    const double f[4] = {1, 0, 0, 0};
    const double h = 0.4;
    const double g[4] = {-std::cos(h), 0, -std::sin(h), 0};  // the same turn as its negation
    double out[4];
    ZephModel::slerpFirstQNion(f, g, 0.5, out);
    EXPECT_NEAR(out[0], std::cos(h / 2), kEps);
    EXPECT_NEAR(out[2], std::sin(h / 2), kEps);
    ZephModel::slerpFirstQNion(f, f, 0.7, out);  // equal ends: the linear branch
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(out[i], f[i], kEps);
}

class FlatTerrain : public ZephModel {
public:
    double height = 0.0;
    std::array<double, 4> plane{0, 1, 0, 1};
    double getAltitudeAtX(double, double) override { return height; }
    const double* lastTerrainPlaneEq() override { return plane.data(); }
};

TEST(Pose, StandingFlatOnTheGround) {
    ZephModel base;
    ZephModel object;
    object.setModelPositionX(0, 1.0, 0);  // exactly 1 ft above still counts as on the ground
    EXPECT_TRUE(object.setObjectFlatOnGround(&base, 0));
    object.setModelPositionX(0, 1.5, 0);
    const QNion before = object.live.attitude;
    EXPECT_FALSE(object.setObjectFlatOnGround(&base, 45));
    EXPECT_EQ(object.live.attitude.Position, before.Position);
    EXPECT_EQ(object.live.attitude.QAttitude, before.QAttitude);

    // On a slope the nose still points along the asked heading.
    FlatTerrain slope;
    slope.height = 50;
    slope.plane = {0.2, 1.0, -0.1, 0};
    object.setModelPositionX(0, 10, 0);
    ASSERT_TRUE(object.setObjectFlatOnGround(&slope, 30));
    const Vector3 tilted = noseOf(object.live.attitude);
    EXPECT_NEAR(std::atan2(tilted[0], tilted[2]) * 57.29577951, 30.0, 0.05);  // one correction step
    EXPECT_EQ(object.live.attitude.Position[1], 50.0);

    // Ground rising ahead (+Z) and to the right (+X): the nose follows the slope up and the
    // right wing stands on the higher side.
    const double k = 0.2;
    slope.plane = {-k, 1.0, -k, 0};
    ASSERT_TRUE(object.setObjectFlatOnGround(&slope, 0));
    const Vector3 upHill = noseOf(object.live.attitude);
    EXPECT_NEAR(upHill[1], std::sin(std::atan(k)), 1e-9);
    EXPECT_GT(axisOf(object.live.attitude, 1, 0, 0)[1], 0.1);
}

class FakeController : public ControllerServices {
public:
    bool network = false;
    bool isNetworkGame() override { return network; }
    int32_t getObjectRandomDistance() override { return 32768; }
    int32_t getObjectRandomHeading() override { return 49152; }
};

// Without a random distance, or in a network game, exactly the start pose; with one, the
// controller's distance (half of the largest here) toward its heading, the attitude unchanged.
TEST(Pose, ResetReturnsToStartWithTheRandomOffset) {
    FakeController controller;
    ZephModel model;
    model.setaController(&controller);
    QNion start;
    start.QAttitude = {std::cos(0.1), 0, std::sin(0.1), 0};
    model.setStartingModelQNionX(1000, 50, -300, &start);
    model.setModelPositionX(0, 0, 0);
    model.LastKnownGameTime = 99;
    model.ReplaySaveTime = 7;
    model.resetModel();
    EXPECT_EQ(model.live.attitude.Position, (Vector3{1000, 50, -300}));
    EXPECT_EQ(model.LastKnownGameTime, 0);
    EXPECT_EQ(model.ReplaySaveTime, 0);

    model.setRandomStartDistance(400);
    model.resetModel();
    const Vector3& p = model.live.attitude.Position;
    EXPECT_NEAR(std::hypot(p[0] - 1000, p[2] + 300), 200, 1e-9);
    EXPECT_GT(p[0], 1100);  // a quarter turn: toward +X
    EXPECT_EQ(model.live.attitude.QAttitude, start.QAttitude);
    controller.network = true;
    model.resetModel();
    EXPECT_EQ(model.live.attitude.Position, (Vector3{1000, 50, -300}));
}

TEST(Pose, ReplayRecoversTheStateSavedAtItsStart) {
    ZephModel model;
    model.setModelPositionX(1, 2, 3);
    model.live.velocity = {4, 5, 6};
    model.live.bailOutTime = 77;
    model.live.chuteOpened = true;
    model.live.globalTime = 500;
    model.prepareForReplayStart(500);
    model.setModelPositionX(-1, -2, -3);
    model.live.velocity = {0, 0, 0};
    model.live.bailOutTime = 0;
    model.live.chuteOpened = false;
    model.live.globalTime = 20;
    model.recoverFromReplay(20);
    EXPECT_EQ(model.live.attitude.Position, (Vector3{1, 2, 3}));
    EXPECT_EQ(model.live.velocity, (Vector3{4, 5, 6}));
    EXPECT_EQ(model.live.bailOutTime, 77);
    EXPECT_TRUE(model.live.chuteOpened);
    EXPECT_EQ(model.live.globalTime, 500);
}

}  // namespace
}  // namespace pellam
