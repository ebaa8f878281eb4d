// The range boxes' shapes for any range the stick, throttle and rudder report.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/InputWindowsDrawing.h"

namespace pellam {
namespace {

TEST(RangeBoxes, TheGreenAreaStaysInsideTheFrameAndNeverVanishes) {
    std::array<double, 12> r{};
    for (double low : {0.0, 0.3, 0.5}) {
        for (double width : {0.0, 0.001, 0.2, 1.0 - low}) {
            r.fill(0.5);
            r[0] = r[3] = r[4] = r[6] = low;
            r[1] = r[2] = r[5] = r[7] = low + width;
            for (auto [w, h] : {std::pair{185.f, 185.f}, {25.f, 185.f}, {185.f, 25.f}}) {
                int greens = 0;
                for (const RangeShape& s : rangeBoxShapes(w, h, r)) {
                    if (s.colour != RangeShape::Green) continue;
                    ++greens;
                    EXPECT_GE(s.x, 2 - 1e-3);
                    EXPECT_GE(s.y, 2 - 1e-3);
                    EXPECT_LE(s.x + s.w, w - 2 + 1e-3) << w << "x" << h << " low " << low << " width " << width;
                    EXPECT_LE(s.y + s.h, h - 2 + 1e-3);
                    if (w == h) {
                        EXPECT_GE(std::min(s.w, s.h), 1.0f);  // a still stick still shows
                    }
                }
                EXPECT_EQ(greens, 1);
            }
        }
    }
    // Positions and limits outside the travel, as a signed or faulty element reports them.
    r = {-0.5, 1.7, 2.0, -1.0, -0.4, 1.3, -3.0, 4.0, -0.5, 1.5, -2.0, 2.0};
    for (auto [w, h] : {std::pair{185.f, 185.f}, {25.f, 185.f}, {185.f, 25.f}})
        for (const RangeShape& s : rangeBoxShapes(w, h, r)) {
            EXPECT_GE(s.x, -1.0f);
            EXPECT_GE(s.y, -2.0f);
            EXPECT_LE(s.x + s.w, w + 2);
            EXPECT_LE(s.y + s.h, h + 2);
        }
    EXPECT_EQ(rangeBoxShapes(40, 40, r).size(), 2u);  // an unknown box: fill and frame only
}

}  // namespace
}  // namespace pellam
