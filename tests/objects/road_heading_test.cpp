// Road headings: unknown codes and places off the map, and a vehicle that steers by the aim
// points alone through every piece leaves by the edge the road leaves by.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "objects/RoadHeading.h"

namespace pellam::vehicles {
namespace {

QNion at(double x, double z) {
    QNion q;
    q.Position = {x, 0.0, z};
    return q;
}

double aimFrom(double lx, double lz, double aimX, double aimZ) { return std::atan2(aimX - lx, aimZ - lz); }

TEST(RoadHeading, NegativeWorldAndUnknownCodes) {
    // X = -100 lies in the square from -1760, 1660 ft along it.
    QNion p = at(-100, 1760 * 3 + 100);
    EXPECT_DOUBLE_EQ(makeHeadingForRoad2(&p, 0x113, 1.0), aimFrom(1660, 100, 1810, 845));
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
        constexpr double kDegree = 0.0174532;
        while (lx >= 0 && lx < 1760 && lz >= 0 && lz < 1760 && steps < 6000) {
            const double t = makeHeadingForRoad2(&p, d.road, d.heading);
            ASSERT_NE(t, -1.0) << d.road;
            const double e = std::remainder(t - h, 2 * M_PI);
            h += std::clamp(e, -kDegree, kDegree);
            p.Position[0] += std::sin(h);
            p.Position[2] += std::cos(h);
            lx = p.Position[0] - x0;
            lz = p.Position[2] - z0;
            ++steps;
        }
        SCOPED_TRACE(::testing::Message() << "road " << d.road << " from " << d.x << "," << d.z);
        ASSERT_LT(steps, 6000);
        switch (d.exit) {
            case kLowX: EXPECT_LT(lx, 0); EXPECT_NEAR(lz, d.across, 60); break;
            case kHighX: EXPECT_GE(lx, 1760); EXPECT_NEAR(lz, d.across, 60); break;
            case kLowZ: EXPECT_LT(lz, 0); EXPECT_NEAR(lx, d.across, 60); break;
            case kHighZ: EXPECT_GE(lz, 1760); EXPECT_NEAR(lx, d.across, 60); break;
        }
    }
}

}  // namespace
}  // namespace pellam::vehicles
