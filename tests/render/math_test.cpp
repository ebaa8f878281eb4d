// The view's arithmetic that needs no GL: facing squares, number text, picture resizing, frame
// time, point transforms, vertex rotation and triangles turned away from the eye. The transparent
// order is checked by the frame tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <limits>
#include <cmath>
#include <random>
#include <vector>

#include "render/Facing.h"
#include "render/FrameMath.h"
#include "render/ObjectDrawing.h"
#include "render/OpenBounds.h"
#include "render/TextureTable.h"
#include "render/ViewMath.h"

namespace pellam::render {
namespace {

// Through the day the sun lights from above the horizon only: once it has set (18:30) or before it
// rises (5:15) nothing is lit directly, the ambient still is; at 17:00 the evening light is whole.
TEST(RenderMath, ASunBelowTheHorizonLightsNothingDirectly) {
    for (const double hour : {5.25, 18.5, 19.75}) {
        const SunLight sun = sunFromHour(hour);
        ASSERT_LT(sun.direction[1], -0.1) << hour;
        EXPECT_EQ(sun.diffuse[0] + sun.diffuse[1] + sun.diffuse[2], 0.0f) << hour;
        EXPECT_GT(sun.ambient[0], 0.2f) << hour;
    }
    const SunLight evening = sunFromHour(17.0);
    EXPECT_GT(evening.direction[1], 0.0);
    EXPECT_EQ(evening.diffuse[0], 1.0f);
}

// Identification squares by distance ahead: the normal rule beyond 1000 ft, the close-in rule from
// 600 ft to 2400 ft (full size at exactly 2400 ft), none right of or above the 45-degree lines.
TEST(RenderMath, IdentificationSquaresFollowTheirBands) {
    EXPECT_EQ(idSquareFactor(0, 0, 1000.0, false, true), 0.0);
    EXPECT_EQ(idSquareFactor(0, 0, 1000.0, true, false), 0.025);
    EXPECT_NEAR(idSquareFactor(0, 0, 2399.0, true, false), 0.018005, 1e-12);
    EXPECT_EQ(idSquareFactor(0, 0, 2400.0, true, false), 0.025);
    EXPECT_EQ(idSquareFactor(0, 0, 2401.0, true, false), 0.0);
    EXPECT_NEAR(idSquareFactor(0, 0, 9000.0, false, true), 0.005, 1e-12);
    EXPECT_EQ(idSquareFactor(3000.0, 0, 3000.0, true, true), 0.0);
    EXPECT_GT(idSquareFactor(-3000.0, -3000.0, 2000.0, false, true), 0.0);
}

// A camera-facing sprite: under any eye rotation the square stays 2 x 2 and square to the view axis.
TEST(RenderMath, FacingSquaresFaceTheEye) {
    XYZInput four[4];
    GLMatrix r, t;
    Make4by4RotationMatrix(r, Eye{0, 0, 0, 20, 10, 60});
    Make4by4TranslationMatrix(t, Eye{5, 6, 7, 0, 0, 0});
    const double centre[3] = {100, -40, 80};
    facingSquare(r, t, centre, four);
    const double side = std::hypot(four[1].MyX - four[0].MyX, four[1].MyY - four[0].MyY, four[1].MyZ - four[0].MyZ);
    EXPECT_NEAR(side, 2, 1e-9);
    for (int k = 1; k < 4; ++k) {
        const double e[3] = {four[k].MyX - four[0].MyX, four[k].MyY - four[0].MyY, four[k].MyZ - four[0].MyZ};
        EXPECT_NEAR(e[0] * r[2] + e[1] * r[6] + e[2] * r[10], 0, 1e-9);  // across the eye's Z axis
    }
    // Upright square towards an eye due east of the sprite: turned about Y only.
    const double east[3] = {-10, 0, 0};
    facingSquareHeadingOnly(identityMatrix(), east, four);
    EXPECT_NEAR(four[0].MyY, 1, 1e-12);
    EXPECT_NEAR(std::abs(four[0].MyZ), 1, 1e-12);
    EXPECT_NEAR(four[0].MyX, 0, 1e-12);
}

TEST(RenderMath, NumberTextAndFrameTimeCoverTheirWholeRange) {
    unsigned char s[24];
    for (int64_t v : {int64_t{0}, int64_t{-45}, int64_t{INT32_MIN}, INT64_MIN, INT64_MAX}) {
        glNumToString(v, s);
        EXPECT_EQ(pascalToString(s), std::to_string(v));
    }
    EXPECT_EQ(frameTicks(100000, 1000), 120);
    EXPECT_EQ(frameTicks(3, -2), 5);
    EXPECT_EQ(frameTicks(1000, 1005), 0);  // a clock set back
}

TEST(RenderMath, ResizingKeepsKeyedHolesOutOfTheColour) {
    TexturePicture p;
    p.edge = 2;
    p.rgba = {100, 100, 100, 255, 0, 0, 0, 0,  // bottom row: a texel and a keyed hole
              200, 60, 20, 255,   0, 0, 0, 0};
    resizePicture(p, 1);
    ASSERT_EQ(p.edge, 1);
    EXPECT_GE(p.rgba[0], 100);  // no keyed black darkens the edge
}

// Point transforms move only the points of their range, the fourth value riding along, in place
// too. The moving parts' hinges (drawn turning on the aircraft in their view tests): the turn goes
// through the offset centre, and an axis number the turn does not know writes nothing.
TEST(RenderMath, PointsTransformOnlyInTheirRangeAndVertexesTurnOnlyAboutKnownAxes) {
    XYZInput in[3], out[3];
    for (int i = 0; i < 3; ++i) in[i].MyX = in[i].MyY = in[i].MyZ = i + 1;
    out[1].Myr = 0.25f;
    const double m[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1};  // 90 degrees about z, moved
    ObjectDrawingView::RotatePoints(1, 1, in, m, out);
    EXPECT_DOUBLE_EQ(out[1].MyX, 10 - 2);
    EXPECT_EQ(out[1].Myr, 0.25f);
    EXPECT_EQ(out[0].MyX + out[2].MyX, 0);
    ObjectDrawingView::RotatePoints(2, 1, in, m, out);  // start past end: nothing
    EXPECT_EQ(out[2].MyX, 0);
    ObjectDrawingView::RotatePoints(0, 2, in, m, in);
    EXPECT_DOUBLE_EQ(in[2].MyX, 10 - 3);

    // About z through (-1, 0, 0): the point (0, 0, 0) is one foot from the centre and turns to (-1, 1, 0).
    GLT2FN3FV3FFormat p[1] = {{0.5f, 0.25f, 1, 0, 0, 0, 0, 0}}, turned[1] = {};  // U, V, normal, position
    ObjectDrawingView::rotateAboutAxis(2, 90, p, 1, turned, 1, 0, 0, true);
    EXPECT_NEAR(turned[0].X, -1, 1e-6);
    EXPECT_NEAR(turned[0].Y, 1, 1e-6);
    EXPECT_NEAR(turned[0].NY, 1, 1e-6);  // the normal turns without the offset
    EXPECT_EQ(turned[0].U, 0.0f);        // texture coordinates are never written

    GLT2FN3FV3FFormat keep[1] = {{0.5f, 0.25f, 0, 0, 0, 9, 9, 9}};
    ObjectDrawingView::rotateAboutAxis(3, 90, p, 1, keep, 0, 0, 0, true);
    ObjectDrawingView::rotateAboutAxisWBank(1, 90, p, 1, keep, 0, 0, 0, true, 45);
    ObjectDrawingView::rotateAboutAxisWHeading(1, 90, p, 1, keep, 0, 0, 0, true, 45);
    EXPECT_EQ(keep[0].X, 9.0f);
}

// The world behind the cockpit's cover is scissored to rectangles round what the cover leaves
// open: every pixel of a cell the cover does not hide, and of any cell reaching past the grid, lies
// in exactly one of them (a blended pass drawn under each touches it once), and each of their four
// sides runs through an open cell, whatever the cover; one alone is the open cells' bounds.
TEST(RenderMath, OpenRectanglesHoldEveryPixelTheCoverLeavesOpenOnce) {
    constexpr int kCell = 16;
    struct Cover {
        std::array<int, 4> Viewport;
        std::vector<uint8_t> Hidden;  // cells of the grid within the viewport, row by row from the bottom
        int Across, Down;
        bool at(int i, int j) const { return i < Across && j < Down && Hidden[size_t(j) * Across + i]; }
    };
    OpenRectangles found;  // kept from cover to cover, as the view keeps it from frame to frame
    // The rectangles' area in cells' worth of pixels.
    const auto check = [&](const Cover& c, int most, long leastSaved = 0) {
        const auto covered = [&](int i, int j) { return c.at(i, j); };
        found.find(c.Viewport, kCell, covered, most, leastSaved);
        EXPECT_LE(found.count(), most);
        if (most == 1 && found.count() == 1) {
            const ScissorBox& b = found.bounds();
            EXPECT_TRUE(found[0].X == b.X && found[0].Width == b.Width && found[0].Y == b.Y && found[0].Height == b.Height);
        }
        std::vector<std::array<bool, 4>> sides(size_t(found.count()));  // left, right, bottom, top: an open pixel on it
        long pixels = 0;
        for (int y = c.Viewport[1]; y < c.Viewport[1] + c.Viewport[3]; ++y)
            for (int x = c.Viewport[0]; x < c.Viewport[0] + c.Viewport[2]; ++x) {
                int in = 0;
                for (int k = 0; k < found.count(); ++k) {
                    const ScissorBox& r = found[k];
                    if (!(x >= r.X && x < r.X + r.Width && y >= r.Y && y < r.Y + r.Height)) continue;
                    ++in;
                    ++pixels;
                    if (c.at((x - c.Viewport[0]) / kCell, (y - c.Viewport[1]) / kCell)) continue;
                    auto& s = sides[size_t(k)];
                    s[0] |= x == r.X, s[1] |= x == r.X + r.Width - 1, s[2] |= y == r.Y, s[3] |= y == r.Y + r.Height - 1;
                }
                if (in > 1) {
                    ADD_FAILURE() << "pixel " << x << ", " << y << " in " << in << " rectangles";
                    return pixels;
                }
                if (in == 0 && !c.at((x - c.Viewport[0]) / kCell, (y - c.Viewport[1]) / kCell)) {
                    ADD_FAILURE() << "open pixel " << x << ", " << y << " left out";
                    return pixels;
                }
            }
        for (const auto& s : sides) EXPECT_TRUE(s[0] && s[1] && s[2] && s[3]) << "a hidden side kept";
        return pixels / (kCell * kCell);
    };
    // A wing over the top rows of a screen set off from the window's corner; one cell open in its
    // top row, at either end or between, keeps the rows below it in the bounds.
    Cover wing{{7, 3, 1024, 768}, std::vector<uint8_t>(64 * 48), 64, 48};
    for (int j = 30; j < 48; ++j)
        for (int i = 0; i < 64; ++i) wing.Hidden[size_t(j) * 64 + i] = j >= 38 || (i >= 5 && i < 50);
    check(wing, 1);
    EXPECT_EQ(found.bounds().Height, 38 * kCell);
    for (const int gap : {0, 20, 63}) {
        wing.Hidden[size_t(47) * 64 + gap] = 0;
        check(wing, 1);
        EXPECT_EQ(found.bounds().Height, 768) << gap;
        // Cut round the wing and the gap, the rectangles hold the open cells and nothing more.
        EXPECT_EQ(check(wing, OpenRectangles::kMost), 64 * 30 + (5 + 14) * 8 + 1) << gap;
        wing.Hidden[size_t(47) * 64 + gap] = 1;
    }
    // A cowling in the middle of the bottom, open all round: cut out where that pays for the
    // rectangles it adds, and not where a cell too few is saved for each.
    Cover cowl{{0, 0, 640, 480}, std::vector<uint8_t>(40 * 30), 40, 30};
    for (int j = 0; j < 6; ++j)
        for (int i = 15; i < 25; ++i) cowl.Hidden[size_t(j) * 40 + i] = 1;
    EXPECT_EQ(check(cowl, 3, 30), 40 * 30 - 60);
    EXPECT_EQ(found.count(), 3);
    EXPECT_EQ(check(cowl, 3, 31), 40 * 30);
    EXPECT_EQ(check(cowl, 2), 40 * 30);  // a cut that needs three rectangles is not made with two
    std::fill(wing.Hidden.begin(), wing.Hidden.end(), 1);
    check(wing, 4);
    EXPECT_EQ(found.count(), 0);
    EXPECT_TRUE(found.bounds().empty());
    // Random covers of bands and rectangles with holes, on viewports whose edges cut cells.
    std::mt19937 random(7);
    for (int round = 0; round < 80; ++round) {
        const int width = 40 + int(random() % 300), height = 40 + int(random() % 200);
        Cover c{{int(random() % 9), int(random() % 9), width, height}, {}, width / kCell, height / kCell};
        c.Hidden.assign(size_t(c.Across) * c.Down, 0);
        for (int r = int(random() % 6); r > 0; --r) {
            const bool band = random() % 2;
            const int i0 = band ? 0 : int(random() % (c.Across + 1)), j0 = int(random() % (c.Down + 1));
            const int i1 = band ? c.Across : i0 + int(random() % (c.Across + 1)), j1 = j0 + int(random() % (c.Down + 1));
            for (int j = j0; j < std::min(j1, c.Down); ++j)
                for (int i = i0; i < std::min(i1, c.Across); ++i) c.Hidden[size_t(j) * c.Across + i] = 1;
        }
        for (int r = int(random() % 3); r > 0 && !c.Hidden.empty(); --r) c.Hidden[random() % c.Hidden.size()] = 0;
        SCOPED_TRACE(round);
        for (const int most : {1, 3, OpenRectangles::kMost}) check(c, most);
        // Cut again for other limits from the cells just read: as if read anew.
        OpenRectangles alike, anew;
        alike.findAlike(found, 3, 20);
        anew.find(c.Viewport, kCell, [&](int i, int j) { return c.at(i, j); }, 3, 20);
        ASSERT_EQ(alike.count(), anew.count());
        for (int k = 0; k < anew.count(); ++k)
            EXPECT_TRUE(alike[k].X == anew[k].X && alike[k].Y == anew[k].Y && alike[k].Width == anew[k].Width &&
                        alike[k].Height == anew[k].Height);
    }
}

// Cells nothing drawn reaches (the ground's, below the sky's lowest facet) need no rectangle, but
// leaving them out saves nothing: no rectangle is added for them alone, while cuts round what the
// cover hides (a crack along a wing) are still made. Every other open cell lies in exactly one.
TEST(RenderMath, OpenRectanglesAddNoneForBlankCells) {
    constexpr int across = 40, down = 30;
    const std::array<int, 4> viewport{0, 0, across * 16, down * 16};
    // The ground below a banked horizon (blank), and a wing over the top rows with a crack aslant.
    const auto blank = [](int i, int j) { return j < 8 + i / 4; };
    const auto wing = [](int i, int j) { return j >= 22 && std::abs((j - 22) * 3 - (i - 10)) > 2; };
    const auto holds = [&](const OpenRectangles& r, const auto& covered, const auto& empty) {
        for (int j = 0; j < down; ++j)
            for (int i = 0; i < across; ++i) {
                int in = 0;
                for (const ScissorBox& b : r) in += i * 16 >= b.X && i * 16 < b.X + b.Width && j * 16 >= b.Y && j * 16 < b.Y + b.Height;
                if (in > 1 || (in == 0 && !covered(i, j) && !empty(i, j))) return false;
            }
        return true;
    };
    const auto none = [](int, int) { return false; };
    OpenRectangles found;
    found.find(viewport, 16, none, blank, OpenRectangles::kMost, 1);
    EXPECT_EQ(found.count(), 1) << "no cut round blank cells alone";
    EXPECT_TRUE(holds(found, none, blank));
    found.find(viewport, 16, blank, OpenRectangles::kMost, 1);
    EXPECT_GT(found.count(), 1) << "the same cells hidden are cut round";
    found.find(viewport, 16, wing, blank, OpenRectangles::kMost, 4);
    EXPECT_GT(found.count(), 1) << "cut round the wing beside its crack";
    EXPECT_TRUE(holds(found, wing, blank));
}

// The step between neighbouring mip levels bounds how far the two levels, each read linearly,
// lie apart anywhere: at any place, not only at the texels' centres and corners, repeating or
// clamped at the edges; and it is no wider than the largest difference found.
TEST(RenderMath, LevelStepBoundsTwoLevelsReadAnywhere) {
    std::mt19937 random(11);
    for (const bool clamped : {false, true})
        for (int trial = 0; trial < 6; ++trial) {
            TexturePicture fine;
            fine.edge = 16;
            fine.rgba.resize(16 * 16 * 4);
            // Smooth bands with noise of a varying strength, so that some pictures step little.
            const int noise = 2 + 30 * trial;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    for (int c = 0; c < 4; ++c)
                        fine.at(x, y)[c] =
                            uint8_t(std::clamp(100 + 6 * x - 4 * y + int(random() % unsigned(noise)), 0, 255));
            TexturePicture coarse = fine;
            resizePicture(coarse, 8);
            const int step = levelStep(fine, coarse, clamped);
            const auto read = [clamped](const TexturePicture& p, double u, double v, int c) {
                const int n = p.edge;
                const auto index = [&](int i) { return size_t(clamped ? std::clamp(i, 0, n - 1) : (i % n + n) % n); };
                const double x = u * n - 0.5, y = v * n - 0.5;
                const int i = int(std::floor(x)), j = int(std::floor(y));
                const double fx = x - i, fy = y - j;
                const auto at = [&](int a, int b) { return double(p.rgba[(index(b) * size_t(n) + index(a)) * 4 + size_t(c)]); };
                return (1 - fy) * ((1 - fx) * at(i, j) + fx * at(i + 1, j)) +
                       fy * ((1 - fx) * at(i, j + 1) + fx * at(i + 1, j + 1));
            };
            double most = 0;
            std::uniform_real_distribution<double> place(-0.1, 1.1);
            for (int k = 0; k < 20000; ++k) {
                const double u = place(random), v = place(random);
                for (int c = 0; c < 3; ++c)
                    most = std::max(most, std::fabs(read(fine, u, v, c) - read(coarse, u, v, c)));
            }
            EXPECT_LE(most, step) << trial;
            EXPECT_LE(step, most * 1.1 + 3) << trial;
        }
}

// Two triangles asked together answer as each asked alone, to the bit: a quad's two, a fan's
// neighbours and two unrelated ones, of every size and shape, degenerate, seen from any side and
// almost edge-on, and with corners that are not numbers.
TEST(RenderMath, TrianglesAskedInPairsFaceAwayExactlyAsAlone) {
    std::mt19937 random(8122026);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    int away[2] = {0, 0}, nearlyEdgeOn = 0;
    // Corners of the two triangles, numbered into six points: a quad (0 1 3, 1 2 3), a fan (0 1 2,
    // 0 2 3) and two apart (0 1 2, 3 4 5).
    static constexpr int kShapes[3][2][3] = {{{0, 1, 3}, {1, 2, 3}}, {{0, 1, 2}, {0, 2, 3}}, {{0, 1, 2}, {3, 4, 5}}};
    for (int k = 0; k < 30000; ++k) {
        const float size = std::pow(10.0f, 3 * unit(random));
        std::array<std::array<float, 3>, 6> q;
        for (auto& corner : q)
            for (float& v : corner) v = size * unit(random);
        FacingEye eye{size * 4 * unit(random), size * 4 * unit(random), size * 4 * unit(random), k % 2 ? 1.0 : -1.0};
        const auto& shape = kShapes[k % 3];
        switch (k / 3 % 8) {
        case 5: q[size_t(shape[0][2])] = q[size_t(shape[0][1])]; break;  // a corner twice: no area
        case 6: {
            // The eye a hair off the first triangle's plane: the test's margin decides.
            const auto& a = q[size_t(shape[0][0])], &b = q[size_t(shape[0][1])], &c = q[size_t(shape[0][2])];
            const float s = std::abs(unit(random)), t = std::abs(unit(random)) * (1 - s);
            double normal[3];
            for (int axis = 0; axis < 3; ++axis) {
                const int i = (axis + 1) % 3, j = (axis + 2) % 3;
                normal[axis] = double(b[i] - a[i]) * (c[j] - a[j]) - double(b[j] - a[j]) * (c[i] - a[i]);
            }
            const double off = std::ldexp(unit(random), -12) * size /
                               std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
            double* at[3] = {&eye.X, &eye.Y, &eye.Z};
            for (int axis = 0; axis < 3; ++axis)
                *at[axis] = a[axis] + s * (b[axis] - a[axis]) + t * (c[axis] - a[axis]) + off * normal[axis];
            ++nearlyEdgeOn;
            break;
        }
        case 7: q[size_t(k / 24 % 6)][size_t(k / 144 % 3)] = std::numeric_limits<float>::quiet_NaN(); break;
        default: break;
        }
        const auto corner = [&](int t, int c) { return q[size_t(shape[t][c])].data(); };
        const int both = pairFacesAway({corner(0, 0), corner(1, 0)}, {corner(0, 1), corner(1, 1)}, {corner(0, 2), corner(1, 2)}, eye);
        const bool first = facesAway(corner(0, 0), corner(0, 1), corner(0, 2), eye);
        const bool second = facesAway(corner(1, 0), corner(1, 1), corner(1, 2), eye);
        ASSERT_EQ(both, int(first) | int(second) << 1) << "pair " << k;
        away[0] += first, away[1] += second;
    }
    // Both answers were met for both triangles.
    for (const int n : away) {
        EXPECT_GT(n, 7500);
        EXPECT_LT(n, 22500);
    }
    EXPECT_EQ(nearlyEdgeOn, 3750);
}

}  // namespace
}  // namespace pellam::render
