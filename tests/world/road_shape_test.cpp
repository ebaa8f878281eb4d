// The road shape: the triangles that stand in for a colour-keyed road square must hold every
// point where filtering can lift the picture's alpha above one half, and little else.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "world/draw/RoadShape.h"

namespace pellam::worlddraw {
namespace {

// A picture of `edge` texels with its box-filtered levels down to 1 x 1; `opaque(x, y)` at level 0.
template <typename F>
std::vector<std::vector<uint8_t>> levelsOf(int edge, F opaque) {
    std::vector<std::vector<uint8_t>> levels(1, std::vector<uint8_t>(size_t(edge) * edge));
    for (int y = 0; y < edge; ++y)
        for (int x = 0; x < edge; ++x) levels[0][size_t(y) * edge + x] = opaque(x, y) ? 255 : 0;
    for (int e = edge / 2; e >= 1; e /= 2) {
        const std::vector<uint8_t>& up = levels.back();
        std::vector<uint8_t> down(size_t(e) * e);
        for (int y = 0; y < e; ++y)
            for (int x = 0; x < e; ++x)
                down[size_t(y) * e + x] = uint8_t((up[size_t(2 * y) * 2 * e + 2 * x] + up[size_t(2 * y) * 2 * e + 2 * x + 1] +
                                                   up[size_t(2 * y + 1) * 2 * e + 2 * x] +
                                                   up[size_t(2 * y + 1) * 2 * e + 2 * x + 1] + 2) / 4);
        levels.push_back(down);
    }
    return levels;
}

bool inside(const std::vector<SquarePoint>& tris, double s, double t) {
    for (size_t k = 0; k + 2 < tris.size(); k += 3) {
        const SquarePoint &a = tris[k], &b = tris[k + 1], &c = tris[k + 2];
        const double d1 = (b.S - a.S) * (t - a.T) - (b.T - a.T) * (s - a.S);
        const double d2 = (c.S - b.S) * (t - b.T) - (c.T - b.T) * (s - b.S);
        const double d3 = (a.S - c.S) * (t - c.T) - (a.T - c.T) * (s - c.S);
        const bool neg = d1 < -1e-9 || d2 < -1e-9 || d3 < -1e-9, pos = d1 > 1e-9 || d2 > 1e-9 || d3 > 1e-9;
        if (!(neg && pos)) return true;
    }
    return false;
}

double area(const std::vector<SquarePoint>& tris) {
    double sum = 0;
    for (size_t k = 0; k + 2 < tris.size(); k += 3) {
        const SquarePoint &a = tris[k], &b = tris[k + 1], &c = tris[k + 2];
        sum += std::fabs((b.S - a.S) * (c.T - a.T) - (b.T - a.T) * (c.S - a.S)) / 2;
    }
    return sum;
}

// A quarter-circle road round the (1, 1) corner, as the bend picture draws it, a track that
// wraps across the picture's bottom edge, and a lane along one side that no turn maps onto itself.
bool bend(int x, int y) {
    const double r = std::hypot(64.0 - x - 0.5, 64.0 - y - 0.5);
    return (r > 29 && r < 33) || (x >= 30 && x < 33 && y < 2) || (x >= 4 && x < 6 && y >= 40);
}

TEST(RoadShape, HoldsEveryPointFilteringCanShowAndLittleMore) {
    const auto levels = levelsOf(64, bend);
    RoadShape shape;
    shape.build(levels);
    ASSERT_TRUE(shape.ready());
    for (int turns = 0; turns < 4; ++turns) {
        const std::vector<SquarePoint>& tris = shape.triangles(turns);
        ASSERT_EQ(tris.size() % 3, 0u);
        // Each triangle lies on one side of the square's diagonal, the side its points name.
        for (const SquarePoint& p : tris) EXPECT_TRUE(p.Lower ? p.S >= p.T - 1e-6f : p.T >= p.S - 1e-6f);
        // No triangle overlaps another: the area is that of the cells, well under the square's.
        EXPECT_LT(area(tris), 0.45);
        EXPECT_GT(area(tris), 0.05);
        // Every sample point that bilinear filtering on any level reads from a texel above one
        // half, within a texel of its centre, is covered, on the square as the picture is turned.
        for (const auto& level : levels) {
            const int edge = int(std::lround(std::sqrt(double(level.size()))));
            for (int y = 0; y < edge; ++y)
                for (int x = 0; x < edge; ++x) {
                    if (level[size_t(y) * edge + x] < 128) continue;
                    for (double du : {-0.95, 0.0, 0.95})
                        for (double dv : {-0.95, 0.0, 0.95}) {
                            double u = std::fmod((x + 0.5 + du) / edge + 1.0, 1.0);
                            double v = std::fmod((y + 0.5 + dv) / edge + 1.0, 1.0);
                            // The square point whose turned coordinates are (u, v): undo the turns.
                            for (int k = 0; k < turns; ++k) {
                                const double pu = 1.0 - v, pv = u;
                                u = pu, v = pv;
                            }
                            ASSERT_TRUE(inside(tris, u, v)) << "turns " << turns << " level edge " << edge << " texel "
                                                            << x << "," << y;
                        }
                }
        }
    }
}

TEST(RoadShape, WithoutAPictureTheWholeSquareIsKept) {
    RoadShape shape;
    shape.build({});
    EXPECT_FALSE(shape.ready());
    shape.build({std::vector<uint8_t>(10, 255)});  // not a square level
    EXPECT_FALSE(shape.ready());
    // A fully opaque picture keeps the whole square.
    shape.build(levelsOf(16, [](int, int) { return true; }));
    ASSERT_TRUE(shape.ready());
    EXPECT_NEAR(area(shape.triangles(1)), 1.0, 1e-6);
}

}  // namespace
}  // namespace pellam::worlddraw
