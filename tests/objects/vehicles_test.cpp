// The ground vehicles: road headings for every piece of road and for codes and places that name
// none; the shared step (paths and arrival, turning, ground following, the bridge deck, the
// shadow); and the trucks and tanks as the mission makes them. Paused and replayed in the running
// game in the effects tests; a convoy on the generated roads in the convoy test.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "missions/ObjectFactory.h"
#include "objects/RoadHeading.h"
#include "objects/Tanks.h"
#include "objects/TruckWWI.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using fakes::VehicleRig;
using vehicles::makeHeadingForRoad2;

constexpr double kDegree = 0.0174532;

QNion at(double x, double z) {
    QNion q;
    q.Position = {x, 0.0, z};
    return q;
}

TEST(RoadHeading, NegativeWorldAndUnknownCodes) {
    // X = -100 lies in the square from -1760, 1660 ft along it: aim from there at (1810, 845).
    QNion p = at(-100, 1760 * 3 + 100);
    EXPECT_DOUBLE_EQ(makeHeadingForRoad2(&p, 0x113, 1.0), std::atan2(1810 - 1660, 845 - 100));
    // The unreduced bend codes read as their reduced ones; the others are unknown.
    p = at(500, 1500);
    EXPECT_DOUBLE_EQ(makeHeadingForRoad2(&p, 533, -1.0), makeHeadingForRoad2(&p, 532, -1.0));
    EXPECT_DOUBLE_EQ(makeHeadingForRoad2(&p, 21, -1.0), makeHeadingForRoad2(&p, 20, -1.0));
    for (int32_t unknown : {277, 789, -1, 0, 18, 0x415}) EXPECT_EQ(makeHeadingForRoad2(&p, unknown, 0.5), -1.0) << unknown;
    p = at(NAN, 100);
    EXPECT_EQ(makeHeadingForRoad2(&p, 0x113, 1.0), -1.0);
}

// A vehicle that steers only by the aim points as a truck does (1 ft and at most 1 degree a tick),
// entering a piece at one end of its road, leaves the square across the other end's edge, near
// where the road crosses it.
TEST(RoadHeading, EveryPieceIsDrivenThroughToItsOtherEnd) {
    enum Edge { kLowX, kHighX, kLowZ, kHighZ };
    struct Drive {
        int32_t road;
        double x, z, heading;  // entry point (local ft) and the heading towards the path's next point
        double facing;         // the vehicle's heading as it enters (rad)
        Edge exit;
        double across;  // where the road crosses the exit edge
    };
    const Drive drives[] = {
        {0x13, 900, 1, 0.0, 0.0, kHighZ, 895},        {0x13, 880, 1759, 3.1, 3.14, kLowZ, 860},
        {0x113, 1, 880, 1.5, 1.57, kHighX, 845},      {0x113, 1759, 880, -1.5, -1.57, kLowX, 885},
        {0x14, 840, 1, 1.0, 0.0, kHighX, 880},        {0x14, 1759, 880, -1.0, -1.57, kLowZ, 840},
        {0x114, 1759, 830, -1.0, -1.57, kHighZ, 905}, {0x114, 905, 1759, 1.0, 3.14, kHighX, 830},
        {0x214, 1, 890, 1.0, 1.57, kHighZ, 910},      {0x214, 910, 1759, -1.0, 3.14, kLowX, 890},
        {0x314, 1, 910, 1.0, 1.57, kLowZ, 870},       {0x314, 870, 1, -1.0, 0.0, kLowX, 910},
    };
    for (const Drive& d : drives) {
        const double x0 = 1760.0 * 40, z0 = 1760.0 * 70;
        QNion p = at(x0 + d.x, z0 + d.z);
        int steps = 0;
        double lx = d.x, lz = d.z, h = d.facing;
        for (; lx >= 0 && lx < 1760 && lz >= 0 && lz < 1760 && steps < 6000; ++steps) {
            const double t = makeHeadingForRoad2(&p, d.road, d.heading);
            ASSERT_NE(t, -1.0) << d.road;
            h += std::clamp(std::remainder(t - h, 2 * M_PI), -kDegree, kDegree);
            p.Position[0] += std::sin(h);
            p.Position[2] += std::cos(h);
            lx = p.Position[0] - x0;
            lz = p.Position[2] - z0;
        }
        SCOPED_TRACE(::testing::Message() << "road " << d.road << " from " << d.x << "," << d.z);
        ASSERT_LT(steps, 6000);
        const bool acrossX = d.exit == kLowX || d.exit == kHighX;
        const double out = acrossX ? lx : lz;
        EXPECT_TRUE(d.exit == kLowX || d.exit == kLowZ ? out < 0 : out >= 1760) << out;
        EXPECT_NEAR(acrossX ? lz : lx, d.across, 60);
    }
}

// A point 3.9 ft away is reached at once, without moving and whatever its height; 4.0 ft is
// driven to; on roads the point's square counts as the point.
TEST(VehicleStep, ArrivalLinksAndPathEnd) {
    const struct {
        double ahead, height;
        int32_t flags, path;
    } arrivals[] = {{3.9, 5000, 0, 2}, {4.0, 0, 0, 1}, {1500, 0, GroundVehicle::kFollowRoads, 2}};
    for (const auto& a : arrivals) {
        VehicleRig r;
        aiFlyToPoint& p = r.point(0, r.x(), r.z() + a.ahead, 1);
        p.PointXYZ[1] = a.height;
        p.Flags = a.flags;
        r.point(1, r.x(), r.z() + 1000);
        r.start(1);
        const double z = r.z();
        r.tick();
        EXPECT_EQ(r.v->own.currentDrivePath, a.path) << a.ahead;
        if (a.path == 2) {
            EXPECT_EQ(r.z(), z) << a.ahead;
        }
    }
    // -1 ends the path; so does a link that names none of the 200 points: the vehicle stands.
    for (int32_t next : {-1, -2, 200, 1 << 30}) {
        VehicleRig r;
        r.point(0, r.x(), r.z() + 1, next);
        r.start(1);
        const auto before = r.v->live.attitude.Position;
        r.tick(50);
        EXPECT_EQ(r.v->own.currentDrivePath, 0) << next;
        EXPECT_EQ(r.v->live.attitude.Position, before) << next;
    }
    VehicleRig r;
    for (int32_t first : {-1, 200, 5000}) {
        r.start(first);
        EXPECT_EQ(r.v->own.currentDrivePath, 0) << first;
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
        r.v->own.currentSpeed = 0.5;
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
        fastest = std::max(fastest, r.v->own.fallSpeed);
    }
    EXPECT_EQ(r.y(), 40.0);
    EXPECT_LE(fastest, 2.0);
    EXPECT_GT(fastest, 0.5);

    r.v->live.attitude.Position = {2329360, 700, 1846000};
    r.v->own.driveHeading = 1.57;
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
    sun = {0.6, -0.8, 0.0};  // night: no shadow at all
    r.v->getDrawingData(1);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(std::hypot(v[k].X, v[k].Z), 0.0) << k;
    vehicles::setSunSource({});
}

// Each vehicle code the mission factory knows makes a model whose polygons name only its own
// vertices; a tank's tread texture is laid once and driving never moves any texture coordinate.
TEST(VehicleModels, EveryCodesPolygonsNameOnlyItsVerticesAndTexturesStayPut) {
    ModelArray array;
    missions::ObjectFactory factory;
    missions::FactoryContext context;
    for (int32_t code : {14, 63, 16, 75, 76}) {
        missions::ObjectForMission row{};
        row.ObjectCode = code;
        factory.loadCorrectObject(row, array, context);
        VehicleRig r(std::unique_ptr<GroundVehicle>(dynamic_cast<GroundVehicle*>(array.take(array.size() - 1).release())));
        const ObjectPointsPolysVer2& g = r.v->ModelPointsPolys();
        int vertices = 0, polygons = 0;
        while (g.ThePoints[vertices].U >= 0) ++vertices;
        for (; g.ThePolygons[polygons].MapNumber >= 0; ++polygons) {
            const uint16_t* run = g.RunItems + g.ThePolygons[polygons].FirstItem;
            for (int k = 1; k <= run[0]; ++k) EXPECT_LT(run[k], vertices) << code << " polygon " << polygons;
        }
        EXPECT_GT(polygons, 0) << code;

        std::vector<std::pair<float, float>> laid;
        for (int i = 0; i < vertices; ++i) laid.emplace_back(g.ThePoints[i].U, g.ThePoints[i].V);
        r.point(0, r.x(), r.z() + 5000);
        r.start(1);
        r.tick(300);
        r.v->getDrawingData(r.time);
        for (int i = 0; i < vertices; ++i) EXPECT_EQ(std::pair(g.ThePoints[i].U, g.ThePoints[i].V), laid[i]) << code << " " << i;
    }
}

// The long tank's boxes hold its hull and tracks (13 by 32 ft), so a bullet through its side at
// x = 5 hits; only the side sponsons and gun muzzles stand out of them.
TEST(VehicleModels, LongTankBoxesHoldItsBody) {
    Tank2WWI tank;
    tank.initWithGLView(nullptr);
    const ObjectPointsPolysVer2& g = tank.ModelPointsPolys();
    const auto& box = g.SizeSquare[0];
    const auto& hit = tank.ThisModel.TheObject.HitSquare;
    for (int i = 16; i < 115; ++i) {  // both tracks and the left frame
        const GLT2FN3FV3FFormat& p = g.ThePoints[i];
        EXPECT_GE(p.X, std::max(hit[0], double(box[0])) - 0.05) << i;
        EXPECT_LE(p.X, hit[1] + 0.05) << i;
        EXPECT_GE(p.Z, hit[4]) << i;
        EXPECT_LE(p.Z, std::min(hit[5], double(box[5]))) << i;
        EXPECT_LE(p.Y, hit[3]) << i;
    }
    EXPECT_GE(hit[1], 5.0);
}

}  // namespace
}  // namespace pellam
