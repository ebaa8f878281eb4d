// The pixel steps of a square's two planes, worked out a plane a lane, against the plain one-plane
// arithmetic they replace: every lane must come out to the same bits, in and out of view, edge-on,
// behind the eye and where an input is not a number, so that the terrain's choice of picture level
// cannot change.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>

#include "world/draw/PixelSteps.h"

namespace pellam::worlddraw {
namespace {

// The one-plane arithmetic, as the terrain drawer had it.
double plainLongestStep(const std::array<double, 16>& c, const std::array<double, 2>& half, double gx, double gz,
                        double x, double y, double z) {
    const double xx = c[0] + c[4] * gx, xy = c[1] + c[5] * gx, xw = c[3] + c[7] * gx;
    const double zx = c[4] * gz + c[8], zy = c[5] * gz + c[9], zw = c[7] * gz + c[11];
    const double cx = c[0] * x + c[4] * y + c[8] * z + c[12], cy = c[1] * x + c[5] * y + c[9] * z + c[13],
                 cw = c[3] * x + c[7] * y + c[11] * z + c[15];
    if (!(cw > 1e-6)) return 0;
    const double sx = half[0] / (cw * cw), sy = half[1] / (cw * cw);
    const double a = sx * (xx * cw - cx * xw), b = sx * (zx * cw - cx * zw);
    const double d = sy * (xy * cw - cy * xw), e = sy * (zy * cw - cy * zw);
    const double det = a * e - b * d;
    if (det == 0) return std::numeric_limits<double>::infinity();
    return std::max({std::abs(e), std::abs(b), std::abs(d), std::abs(a)}) / std::abs(det);
}

bool sameBits(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    uint64_t x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

TEST(PixelSteps, EveryLaneMatchesThePlainArithmeticToTheBit) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    long compared = 0, behind = 0, edgeOn = 0;
    for (int view = 0; view < 200; ++view) {
        // A perspective projection times a turned camera, or now and then any matrix at all.
        std::array<double, 16> c{};
        if (view % 10 == 9) {
            for (double& v : c) v = unit(random) * 3;
        } else {
            const double yaw = unit(random) * M_PI, pitch = unit(random) * 0.6, f = 1.0 + std::abs(unit(random)) * 2;
            const double n = 2.0, far = 400000.0;
            const double cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
            // Camera rows: right, up and backward, in eye-relative world coordinates.
            const double right[3] = {cy, 0, -sy}, up[3] = {sy * sp, cp, cy * sp}, back[3] = {sy * cp, -sp, cy * cp};
            for (int col = 0; col < 3; ++col) {
                c[4 * col + 0] = f * right[col];
                c[4 * col + 1] = f * 1.25 * up[col];
                c[4 * col + 2] = (far + n) / (n - far) * back[col];
                c[4 * col + 3] = -back[col];
            }
            c[14] = 2 * far * n / (n - far);
            // A view that squeezes the window's x to nothing: every plane is seen edge-on.
            if (view % 10 == 8)
                for (int col = 0; col < 4; ++col) c[4 * col] = 0;
        }
        const std::array<double, 2> half = {320.0 + view, 240.0 + view / 2};
        for (int k = 0; k < 50; ++k) {
            Pair gx = {unit(random) * 0.3, unit(random) * 0.3}, gz = {unit(random) * 0.3, unit(random) * 0.3};
            const double reach = std::pow(10.0, 1 + 4 * std::abs(unit(random)));
            Pair x = {unit(random) * reach, unit(random) * reach}, y = {unit(random) * 2000, unit(random) * 2000},
                 z = {unit(random) * reach, unit(random) * reach};
            switch (k % 10) {
            case 7: x[0] = z[0] = y[0] = 0; break;  // at the eye: w is 0
            case 8: gx[0] = nan, y[1] = nan; break;  // not numbers
            case 9: gx[1] = gz[1] = std::numeric_limits<double>::infinity(); break;
            default: break;
            }
            const Pair steps = longestSteps(clipPoints(c, x, y, z), planeSteps(c, gx, gz), half);
            for (int lane = 0; lane < 2; ++lane) {
                const double plain = plainLongestStep(c, half, gx[lane], gz[lane], x[lane], y[lane], z[lane]);
                ASSERT_TRUE(sameBits(steps[lane], plain))
                    << "view " << view << " point " << k << " lane " << lane << ": " << steps[lane] << " against " << plain;
                ++compared;
                behind += plain == 0;
                edgeOn += plain == std::numeric_limits<double>::infinity();
            }
        }
    }
    // Points on both sides of the eye were met, and planes seen edge-on.
    EXPECT_EQ(compared, 20000);
    EXPECT_GT(behind, 1000);
    EXPECT_GT(edgeOn, 10);
}

}  // namespace
}  // namespace pellam::worlddraw
