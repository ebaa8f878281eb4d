#include "objects/RoadHeading.h"

#include <cmath>
#include <iterator>

namespace pellam::vehicles {
namespace {

// Which way the vehicle goes: along a Z road by the size of the heading, elsewhere by its sign.
enum class Way { kForwardZ, kBackwardZ, kPositive, kNegative };
enum class Axis { kX, kZ };
// The test on the local coordinate (ft); kFrom is a <= v < b.
enum class Test { kLess, kAtMost, kMore, kAtLeast, kFrom };

struct Leg {
    int32_t road;
    Way way;
    Axis axis;
    Test test;
    double a, b;
    double aimX, aimZ;  // local ft; beyond 0 or 1760 pulls the vehicle into the next square
};

// Straights in three legs following the drawn road's slight curve; bends in two, a corner point
// inside the square and then an exit point just over the edge. First matching leg wins.
constexpr Leg kLegs[] = {
    {0x13, Way::kForwardZ, Axis::kZ, Test::kLess, 509, 0, 940, 530},
    {0x13, Way::kForwardZ, Axis::kZ, Test::kFrom, 509, 1174, 880, 1200},
    {0x13, Way::kForwardZ, Axis::kZ, Test::kAtLeast, 1174, 0, 895, 1780},
    {0x13, Way::kBackwardZ, Axis::kZ, Test::kAtLeast, 1225, 0, 846, 1214},
    {0x13, Way::kBackwardZ, Axis::kZ, Test::kFrom, 599, 1225, 910, 589},
    {0x13, Way::kBackwardZ, Axis::kZ, Test::kLess, 599, 0, 860, -10},
    {0x113, Way::kPositive, Axis::kX, Test::kLess, 536, 0, 586, 846},
    {0x113, Way::kPositive, Axis::kX, Test::kFrom, 536, 1161, 1301, 925},
    {0x113, Way::kPositive, Axis::kX, Test::kAtLeast, 1161, 0, 1810, 845},
    {0x113, Way::kNegative, Axis::kX, Test::kLess, 536, 0, -50, 885},
    {0x113, Way::kNegative, Axis::kX, Test::kFrom, 536, 1161, 486, 855},
    {0x113, Way::kNegative, Axis::kX, Test::kAtLeast, 1161, 0, 1110, 930},
    {0x14, Way::kNegative, Axis::kZ, Test::kLess, 440, 0, 840, -10},
    {0x14, Way::kNegative, Axis::kZ, Test::kAtLeast, 440, 0, 1235, 440},
    {0x14, Way::kPositive, Axis::kX, Test::kMore, 1273, 0, 1770, 880},
    {0x14, Way::kPositive, Axis::kX, Test::kAtMost, 1273, 0, 1275, 440},
    {0x114, Way::kPositive, Axis::kX, Test::kMore, 1340, 0, 1770, 830},
    {0x114, Way::kPositive, Axis::kX, Test::kAtMost, 1340, 0, 1360, 1200},
    {0x114, Way::kNegative, Axis::kX, Test::kLess, 1350, 0, 905, 1770},
    {0x114, Way::kNegative, Axis::kX, Test::kAtLeast, 1350, 0, 1360, 1250},
    {0x214, Way::kNegative, Axis::kZ, Test::kLess, 1290, 0, -10, 890},
    {0x214, Way::kNegative, Axis::kZ, Test::kAtLeast, 1290, 0, 440, 1280},
    {0x214, Way::kPositive, Axis::kX, Test::kMore, 525, 0, 910, 1770},
    {0x214, Way::kPositive, Axis::kX, Test::kAtMost, 525, 0, 530, 1330},
    {0x314, Way::kPositive, Axis::kX, Test::kMore, 460, 0, 870, -10},
    {0x314, Way::kPositive, Axis::kX, Test::kAtMost, 460, 0, 470, 460},
    {0x314, Way::kNegative, Axis::kX, Test::kLess, 460, 0, -10, 910},
    {0x314, Way::kNegative, Axis::kX, Test::kAtLeast, 460, 0, 450, 510},
};

bool goes(Way way, double h) {
    const bool forwardZ = h > -1.57 && h <= 1.57;
    switch (way) {
        case Way::kForwardZ: return forwardZ;
        case Way::kBackwardZ: return !forwardZ;
        case Way::kPositive: return h >= 0.0;
        case Way::kNegative: return h < 0.0;
    }
    return false;
}

bool passes(const Leg& leg, double v) {
    switch (leg.test) {
        case Test::kLess: return v < leg.a;
        case Test::kAtMost: return v <= leg.a;
        case Test::kMore: return v > leg.a;
        case Test::kAtLeast: return v >= leg.a;
        case Test::kFrom: return v >= leg.a && v < leg.b;
    }
    return false;
}

double local(double w) { return w - std::floor(w / kSquareFeet) * kSquareFeet; }

}  // namespace

double makeHeadingForRoad2(const QNion* pose, int32_t road, double heading) {
    // The terrain's unreduced bend codes name the same pieces as their reduced ones.
    if (road == 0x215) road = 0x214;
    if (road == 0x15) road = 0x14;
    const double lx = local(pose->Position[0]), lz = local(pose->Position[2]);
    for (const Leg& leg : kLegs) {
        if (leg.road != road || !goes(leg.way, heading)) continue;
        if (!passes(leg, leg.axis == Axis::kX ? lx : lz)) continue;
        return std::atan2(leg.aimX - lx, leg.aimZ - lz);
    }
    return -1.0;
}

}  // namespace pellam::vehicles
