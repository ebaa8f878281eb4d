// The view's arithmetic that needs no GL: facing squares, number text, picture resizing, frame
// time, point transforms and vertex rotation. The transparent order is checked by the frame tests.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "render/FrameMath.h"
#include "render/ObjectDrawing.h"
#include "render/TextureTable.h"
#include "render/ViewMath.h"

namespace pellam::render {
namespace {

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

}  // namespace
}  // namespace pellam::render
