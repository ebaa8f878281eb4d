// The view's arithmetic and picture work, without GL (keying and masks are checked on a live
// context by the texture tests).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "core/ZephModel.h"
#include "render/TextureTable.h"
#include "render/ViewMath.h"

using namespace pellam;
using namespace pellam::render;

namespace {

std::string text(const unsigned char* p) { return pascalToString(p); }

void expectMatrixNear(const GLMatrix& a, const GLMatrix& b, double eps = 1e-9) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], eps) << "element " << i;
}

}  // namespace

TEST(RenderMath, RotationAppliesBankThenPitchThenHeading) {
    // Pitch 90 then heading 90: the product is Rx(pitch) x Ry(heading), not the other way round.
    GLMatrix r;
    Make4by4RotationMatrix(r, Eye{0, 0, 0, 90, 0, 90});
    GLMatrix rx, ry;
    Make4by4RotationMatrix(rx, Eye{0, 0, 0, 90, 0, 0});
    Make4by4RotationMatrix(ry, Eye{0, 0, 0, 0, 0, 90});
    expectMatrixNear(r, multiply(rx, ry));
    // Every rotation is orthonormal: R^T R = I.
    Make4by4RotationMatrix(r, Eye{0, 0, 0, 33, -71, 158});
    GLMatrix rt{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) rt[4 * i + j] = r[4 * j + i];
    expectMatrixNear(multiply(rt, r), identityMatrix());
}

// A look vector becomes the camera attitude whose view axis points along it.
TEST(RenderMath, LookVectorsBecomeTheCamerasAttitude) {
    QNion q;
    q.Position = {1, 2, 3};
    for (const std::array<double, 3>& v : {std::array<double, 3>{0, 0, 1}, {1, 0, 0}, {-0.6, 0, 0.8}}) {
        cameraAttitudeToVector(v[0], v[1], v[2], q);
        double m[16];
        ZephModel::quaternionToMatrix(q.QAttitude.data(), m);
        const double in[3] = {0, 0, 1};
        double out[3];
        ZephModel::RotateVector(in, out, m);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(std::fabs(out[i]), std::fabs(v[i]), 1e-9) << v[0] << " " << i;
    }
    EXPECT_EQ(q.Position[0], 1);  // position untouched
}

TEST(RenderMath, FacingSquaresFaceTheEye) {
    XYZInput four[4];
    // Under any eye rotation the square stays 2 x 2 and square to the rotation's view axis.
    GLMatrix r, t;
    Make4by4RotationMatrix(r, Eye{0, 0, 0, 20, 10, 60});
    Make4by4TranslationMatrix(t, Eye{5, 6, 7, 0, 0, 0});
    const double centre[3] = {100, -40, 80};
    facingSquare(r, t, centre, four);
    const double side = std::hypot(four[1].MyX - four[0].MyX, four[1].MyY - four[0].MyY, four[1].MyZ - four[0].MyZ);
    EXPECT_NEAR(side, 2, 1e-9);
    const double viewAxis[3] = {r[2], r[6], r[10]};  // eye-space Z in world axes
    for (int k = 1; k < 4; ++k) {
        const double e[3] = {four[k].MyX - four[0].MyX, four[k].MyY - four[0].MyY, four[k].MyZ - four[0].MyZ};
        EXPECT_NEAR(e[0] * viewAxis[0] + e[1] * viewAxis[1] + e[2] * viewAxis[2], 0, 1e-9);
    }
    // Upright square towards an eye due east of the sprite: turned about Y only.
    const double east[3] = {-10, 0, 0};
    facingSquareHeadingOnly(identityMatrix(), east, four);
    EXPECT_NEAR(four[0].MyY, 1, 1e-12);
    EXPECT_NEAR(four[3].MyY, -1, 1e-12);
    EXPECT_NEAR(std::abs(four[0].MyZ), 1, 1e-12);
    EXPECT_NEAR(four[0].MyX, 0, 1e-12);
}

TEST(RenderMath, NumberTextCoversTheWholeRange) {
    unsigned char s[24];
    for (int64_t v : {int64_t{0}, int64_t{-45}, int64_t{INT32_MIN}, INT64_MIN, INT64_MAX}) {
        glNumToString(v, s);
        EXPECT_EQ(text(s), std::to_string(v));
    }
}

TEST(RenderTextureTable, BoxFilterKeepsTransparentTexelsOutOfTheColour) {
    TexturePicture p;
    p.edge = 2;
    p.rgba = {100, 100, 100, 255,  0, 0, 0, 0,  // bottom row: a texel and a keyed hole
              200, 60, 20, 255,    0, 0, 0, 0};
    resizePicture(p, 1);
    ASSERT_EQ(p.edge, 1);
    // Holes lend their place to the first texel: (100 + 100 + 200 + 100) / 4.
    EXPECT_EQ(p.rgba[0], (100 + 100 + 200 + 100) >> 2);
    EXPECT_EQ(p.rgba[1], (100 + 100 + 60 + 100) >> 2);
    EXPECT_EQ(p.rgba[3], (255 + 0) >> 1);  // alpha from the diagonal
    // Doubling repeats each texel 2 x 2, and halving back restores the picture.
    TexturePicture q;
    q.edge = 2;
    q.rgba = {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 10, 11, 12, 255};
    const auto original = q.rgba;
    resizePicture(q, 8);
    ASSERT_EQ(q.edge, 8);
    EXPECT_EQ(q.at(7, 7)[0], 10);
    EXPECT_EQ(q.at(3, 0)[0], 1);
    resizePicture(q, 2);
    EXPECT_EQ(q.rgba, original);
    EXPECT_TRUE(isTextureEdge(32));
    EXPECT_TRUE(isTextureEdge(1024));
    EXPECT_FALSE(isTextureEdge(16));
    EXPECT_FALSE(isTextureEdge(100));
    EXPECT_FALSE(isTextureEdge(2048));
}
