#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "builder/PathTable.h"

namespace pellam::builder {
namespace {

using missions::MissionData;

// Every text the table shows, typed back into its cell, leaves the point as it was: the letters
// (R beside others included), flaps, gear, brakes, both targets, the link and the position.
TEST(PathTable, EveryShownTextReadsBackToTheSamePoint) {
    auto m = std::make_unique<MissionData>();
    std::mt19937 random(7);
    for (int r = 0; r < kPathTableRows; ++r) {
        pellam::aiFlyToPoint& p = m->FlyToPoints[r];
        p.PointXYZ[0] = static_cast<int>(random() % 400000) - 200000;
        p.PointXYZ[1] = (random() % 2) ? (random() % 20000) : (random() % 80000) / 4.0;
        p.PointXYZ[2] = static_cast<int>(random() % 400000) - 200000;
        p.ThrottlePosition = (random() % 50000) / 100.0;
        p.TargetClimbDiveSpeed = static_cast<int>(random() % 20001) - 10000;
        const int flap = random() % 5;
        p.Flags = static_cast<int32_t>(random() & 0x7E1) | (flap ? 1 << flap : 0);
        p.PSTargets = (21 + random() % 239) * 65536.0 + (21 + random() % 239);
        p.NextPoint = random() % kPathTableRows;
    }
    const auto before = std::make_unique<MissionData>(*m);
    double alt = -1.0;
    for (int r = 0; r < kPathTableRows; ++r)
        for (int column = 2; column <= 11; ++column) setPathCell(*m, r, column, pathCellText(*m, r, column), alt);
    for (int r = 0; r < kPathTableRows; ++r) {
        const auto& a = m->FlyToPoints[r];
        const auto& b = before->FlyToPoints[r];
        EXPECT_EQ(a.Flags, b.Flags) << "row " << r << " shows " << pathCellText(*before, r, 10);
        EXPECT_EQ(a.PSTargets, b.PSTargets);
        EXPECT_EQ(a.NextPoint, b.NextPoint);
        EXPECT_DOUBLE_EQ(a.PointXYZ[1], b.PointXYZ[1]);
        EXPECT_EQ(a.PointXYZ[0], b.PointXYZ[0]);
        EXPECT_FLOAT_EQ(a.ThrottlePosition, b.ThrottlePosition);  // typed numbers are read as floats
        EXPECT_EQ(a.TargetClimbDiveSpeed, b.TargetClimbDiveSpeed);
    }
    EXPECT_EQ(pathCellText(*m, 0, 1), "1");
    EXPECT_EQ(pathCellText(*m, 0, 12), "nothing");
    EXPECT_EQ(pathCellText(*m, 200, 2), "");
}

TEST(PathTable, TypedCodesAreClampedIntoTheRecord) {
    auto m = std::make_unique<MissionData>();
    pellam::aiFlyToPoint& p = m->FlyToPoints[4];
    double alt = -1.0;

    EXPECT_TRUE(setPathCell(*m, 4, 2, "300", alt));  // only x: height 10,000, z 0, no remembered height
    EXPECT_EQ(pathCellText(*m, 4, 2), "300, 10000, 0");
    EXPECT_EQ(alt, -1.0);
    setPathCell(*m, 4, 2, "1000, 1500.25, -2000", alt);
    EXPECT_EQ(pathCellText(*m, 4, 2), "1000, 1500.250, -2000");
    EXPECT_EQ(alt, 1500.25);

    setPathCell(*m, 4, 10, "k, s", alt);
    EXPECT_EQ(p.Flags, 0x280);
    EXPECT_EQ(pathCellText(*m, 4, 10), "S, K");
    setPathCell(*m, 4, 10, "Sr", alt);
    EXPECT_EQ(pathCellText(*m, 4, 10), "S, R");
    setPathCell(*m, 4, 6, "99", alt);
    EXPECT_EQ(pathCellText(*m, 4, 6), "40%");
    setPathCell(*m, 4, 5, "UP", alt);
    EXPECT_EQ(pathCellText(*m, 4, 5), "Up");
    EXPECT_EQ(p.Flags, 0x480 | 0x10 | 1);  // each column keeps the others' bits

    EXPECT_TRUE(setPathCell(*m, 4, 11, "0", alt));
    EXPECT_EQ(p.NextPoint, 0);
    setPathCell(*m, 4, 11, "-2147483648", alt);
    EXPECT_EQ(p.NextPoint, 0);
    setPathCell(*m, 4, 11, "500", alt);
    EXPECT_EQ(pathCellText(*m, 4, 11), "200");

    // Targets: the fixed head is never one; neither part can spill into the other.
    setPathCell(*m, 4, 9, "15", alt);
    EXPECT_EQ(p.PSTargets, 15.0);  // no high part: a small index stays
    setPathCell(*m, 4, 8, "15", alt);
    EXPECT_EQ(pathCellText(*m, 4, 8), "-");
    setPathCell(*m, 4, 8, "99999", alt);
    setPathCell(*m, 4, 9, "70000", alt);
    EXPECT_EQ(pathTargets(p.PSTargets).high, 65535);
    EXPECT_EQ(pathTargets(p.PSTargets).low, 65535);
    setPathCell(*m, 4, 9, "15", alt);
    EXPECT_EQ(pathTargets(p.PSTargets).low, 0);
    p.PSTargets = -3.0e12;  // from a file: shown as no targets, never as a wrapped number
    EXPECT_EQ(pathCellText(*m, 4, 8), "-");

    setPathCell(*m, 4, 3, "nan", alt);
    EXPECT_EQ(p.ThrottlePosition, 0.0);
    setPathCell(*m, 4, 3, "0.8", alt);
    EXPECT_EQ(p.ThrottlePosition, double(0.8f));
    setPathCell(*m, 4, 4, "-99999", alt);
    EXPECT_EQ(p.TargetClimbDiveSpeed, -10000.0);
    EXPECT_FALSE(setPathCell(*m, 200, 2, "1, 2, 3", alt));
}

}  // namespace
}  // namespace pellam::builder
