#include "aircraft/SharedDefinition.h"

#include <utility>

namespace pellam {
namespace {

// NaN marks a field left as it is.
constexpr double kKeep = __builtin_nan("");
struct PathRow {
    int point;
    double x, y, z, throttle, climb;
};
constexpr PathRow kTakeOff[] = {
    {1, kKeep, 700, kKeep, kKeep, 400},    {2, kKeep, 700, kKeep, 1.0, 400},
    {3, -4000, 700, kKeep, 1.0, 400},      {4, -4000, 700, -3400, 0.8, 400},
    {5, -3000, 700, -5400, 0.8, 400},      {6, -560, 700, -5400, 0.8, kKeep},
    {7, kKeep, -10, -400, kKeep, 1200},    {8, kKeep, kKeep, 400, kKeep, kKeep},
    {10, kKeep, kKeep, 600, kKeep, kKeep}, {11, kKeep, kKeep, kKeep, kKeep, 400},
    {12, kKeep, kKeep, kKeep, 0.8, 400},   {14, kKeep, -10, -500, kKeep, 1200},
    {15, kKeep, 0, kKeep, kKeep, kKeep},   {18, -750, kKeep, -6000, 0.8, kKeep},
    {19, kKeep, -10, -600, kKeep, 1200},   {23, 130, kKeep, kKeep, 0.2, kKeep},
};

constexpr std::pair<int, double> kUVHelp[] = {
    {0, 47},  {1, 47},    {2, 0},   {3, -1},     {4, 19},  {5, 19},    {6, 0},     {7, -16.6}, {8, 46.5},
    {9, 4},   {10, 23.8}, {11, 24}, {17, 0},     {18, 11.91}, {19, 8}, {20, 2.85}, {21, 1.81}, {22, 25},
    {23, 3},  {24, 5.5},  {25, 37}, {26, 2.05},  {27, 0.115}, {28, 0.69}, {29, 0.14},
};

void setIfGiven(double& field, double value) {
    if (value == value) field = value;
}

}  // namespace

void writeTakeOffPattern(Aircraft& a) {
    for (const PathRow& p : kTakeOff) {
        aiFlyToPoint& t = a.TakeOffPoints[p.point];
        setIfGiven(t.PointXYZ[0], p.x);
        setIfGiven(t.PointXYZ[1], p.y);
        setIfGiven(t.PointXYZ[2], p.z);
        setIfGiven(t.ThrottlePosition, p.throttle);
        setIfGiven(t.TargetClimbDiveSpeed, p.climb);
    }
}

void writeUVHelp(Aircraft& a) {
    for (const auto& [i, v] : kUVHelp) a.UVHelp[i] = v;
}

std::array<double, 100> powerTableFullTo(int lastFullBand) {
    std::array<double, 100> t{};
    for (int i = 0; i <= lastFullBand; ++i) t[i] = 1.0;
    t[lastFullBand + 1] = 0.75;
    t[lastFullBand + 2] = 0.5;
    t[lastFullBand + 3] = 0.25;
    return t;
}

}  // namespace pellam
