// The ground vehicles' shared step: paths and arrival, turning, ground following, the bridge
// deck and the shadow (paused and replayed in the running game in the effects tests).
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>

#include "tests/objects/ObjectFakes.h"
#include "platform/Random.h"

namespace pellam::fakes {
namespace {

constexpr double kDegree = 0.0174532;

TEST(VehicleStep, ArrivalLinksAndPathEnd) {
    {
        VehicleRig r;  // 3.9 ft away arrives without moving, whatever its height
        r.point(0, r.x(), r.z() + 3.9, 1).PointXYZ[1] = 5000;
        r.point(1, r.x(), r.z() + 1000);
        r.start(1);
        const double z = r.z();
        r.tick();
        EXPECT_EQ(r.v->CurrentDrivePath, 2);
        EXPECT_EQ(r.z(), z);
        EXPECT_EQ(r.v->ArrivedAtPointTime, 1);
    }
    {
        VehicleRig r;  // 4.0 ft drives on
        r.point(0, r.x(), r.z() + 4.0, 1);
        r.start(1);
        r.tick();
        EXPECT_EQ(r.v->CurrentDrivePath, 1);
        EXPECT_NEAR(r.v->CurrentSpeed, 0.01, 1e-12);
    }
    // -1 ends the path; so does a link that names none of the 200 points: the vehicle stands.
    for (int32_t next : {-1, -2, 200, 1 << 30}) {
        VehicleRig r;
        r.point(0, r.x(), r.z() + 1, next);
        r.start(1);
        const auto before = r.v->ModelAttitude.Position;
        r.tick(50);
        EXPECT_EQ(r.v->CurrentDrivePath, 0) << next;
        EXPECT_EQ(r.v->ModelAttitude.Position, before) << next;
    }
    {
        VehicleRig r;  // on roads, the point's square counts as the point
        r.point(0, r.x(), r.z() + 1500, 1).Flags = GroundVehicle::kFollowRoads;
        r.start(1);
        r.tick();
        EXPECT_EQ(r.v->CurrentDrivePath, 2);
    }
    VehicleRig r;
    for (int32_t first : {-1, 200, 5000}) {
        r.start(first);
        EXPECT_EQ(r.v->CurrentDrivePath, 0) << first;
    }
}

TEST(VehicleStep, TurnsAtMostOneDegreeAndNeverAtRest) {
    const auto aimAt = [](VehicleRig& r, double heading) {
        r.point(0, r.x() + 1000 * std::sin(heading), r.z() + 1000 * std::cos(heading));
        r.start(1);
    };
    {
        VehicleRig r;
        const double h0 = r.v->currentHeading();
        aimAt(r, h0 + 1.0);
        r.tick();  // standing: gains speed, does not turn
        EXPECT_NEAR(r.v->currentHeading(), h0, 1e-9);
        r.tick();
        EXPECT_NEAR(r.v->currentHeading(), h0 + kDegree, 1e-7);
    }
    for (double e : {0.0174532, 0.017, 3.2}) {
        VehicleRig r;
        r.v->setHeading(-80.0);
        const double h0 = r.v->currentHeading();
        r.v->CurrentSpeed = 0.5;
        aimAt(r, h0 + e);
        r.tick();
        const double turned = std::remainder(r.v->currentHeading() - h0, 2 * M_PI);
        EXPECT_NEAR(turned, e == 3.2 ? -kDegree : e, 1e-7) << e;
    }
}

TEST(VehicleStep, FollowsTheGroundAndHoldsToTheBridgeDeck) {
    VehicleRig r;
    const double edge = r.z() + 30;
    r.terrain->height = [edge](double, double z) { return z < edge ? 100.0 : 40.0; };
    r.point(0, r.x(), r.z() + 2000);
    r.start(1);
    double lowest = r.y(), fastest = 0;
    for (int k = 0; k < 400; ++k) {
        r.tick();
        EXPECT_LE(r.y(), lowest + 1e-9);  // never rises
        EXPECT_GE(r.y(), 40.0 - 1e-9);    // never sinks into the ground
        lowest = r.y();
        fastest = std::max(fastest, r.v->FallSpeed);
    }
    EXPECT_EQ(r.y(), 40.0);
    EXPECT_LE(fastest, 2.0);
    EXPECT_GT(fastest, 0.5);

    r.v->ModelAttitude.Position = {2329360, 700, 1846000};
    r.v->DriveHeading = 1.57;
    r.v->getDrawingData(r.time);
    EXPECT_EQ(r.x(), 2329350);
    EXPECT_EQ(r.y(), 850);
    EXPECT_NEAR(std::fabs(r.v->currentHeading()), M_PI, 1e-6);
}

TEST(VehicleStep, ShadowFallsAwayFromAnySunAndNotAtNight) {
    static std::array<double, 3> sun;
    vehicles::setSunSource([] { return static_cast<const double*>(sun.data()); });
    VehicleRig r;
    const GLT2FN3FV3FFormat* v = r.v->ModelPointsPolys().ThePoints;
    const auto offset = [&] { return std::hypot(v[4].X - v[0].X, v[4].Z - v[0].Z); };
    sun = {0.0, 0.6, 0.8};  // along Z only
    r.v->getDrawingData(1);
    EXPECT_NEAR(offset(), 10.5 * 0.8 / 0.6, 1e-4);
    EXPECT_LT(v[4].Z, v[0].Z);  // away from the sun
    sun = {0.0, 1.0, 0.0};
    r.v->getDrawingData(1);
    EXPECT_EQ(offset(), 0.0);
    EXPECT_EQ(v[0].X, -4.0f);
    sun = {0.6, -0.8, 0.0};  // night: no shadow at all
    r.v->getDrawingData(1);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(std::hypot(v[k].X, v[k].Z), 0.0) << k;
    vehicles::setSunSource({});
}

}  // namespace
}  // namespace pellam::fakes
