// The view's arithmetic and picture work, without GL.
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
    // A heading of 90 deg alone turns +X into -Z (glRotate about +Y), +Z into +X.
    GLMatrix r;
    Make4by4RotationMatrix(r, Eye{0, 0, 0, 0, 0, 90});
    EXPECT_NEAR(r[0], 0, 1e-9);
    EXPECT_NEAR(r[2], -1, 1e-9);  // column 0 is the image of +X
    EXPECT_NEAR(r[8], 1, 1e-9);   // column 2 is the image of +Z
    // Pitch 90 then: the product is Rx(pitch) x Ry(heading), not the other way round.
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
    const double ahead[3] = {0, 0, 50};
    facingSquare(identityMatrix(), identityMatrix(), ahead, four);
    const double want[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(four[k].MyX, want[k][0], 1e-12);
        EXPECT_NEAR(four[k].MyY, want[k][1], 1e-12);
        EXPECT_NEAR(four[k].MyZ, 0, 1e-12);
    }
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

TEST(RenderMath, SunFollowsTheHour) {
    const SunLight noon = sunFromHour(12);
    EXPECT_NEAR(noon.direction[0], 0, 1e-9);
    EXPECT_LT(noon.direction[2], 0);  // south
    const SunLight six = sunFromHour(6), eighteen = sunFromHour(18);
    EXPECT_NEAR(six.direction[0], 1, 1e-9);
    EXPECT_NEAR(six.direction[1], 0, 1e-9);
    EXPECT_NEAR(eighteen.direction[0], -1, 1e-9);
    // Hour 0 is the 14-hour sun; hours outside 4..20 are clamped.
    EXPECT_EQ(sunFromHour(0).direction, sunFromHour(14).direction);
    EXPECT_EQ(sunFromHour(1).direction, sunFromHour(4).direction);
    EXPECT_EQ(sunFromHour(23).direction, sunFromHour(20).direction);
    const SunLight four = sunFromHour(4);
    EXPECT_LT(four.diffuse[1], noon.diffuse[1]);
    EXPECT_EQ(four.specFactor, 0.0);  // below the horizon
    EXPECT_NEAR(noon.specFactor, noon.direction[1], 1e-12);
}

TEST(RenderMath, NumberTextCoversTheWholeRange) {
    unsigned char s[24];
    glNumToString(0, s);
    EXPECT_EQ(text(s), "0");
    glNumToString(-45, s);
    EXPECT_EQ(s[0], 3);
    EXPECT_EQ(text(s), "-45");
    glNumToString(1000000000, s);
    EXPECT_EQ(text(s), "1000000000");
    glNumToString(INT32_MIN, s);
    EXPECT_EQ(text(s), "-2147483648");
    glNumToString(INT64_MIN, s);
    EXPECT_EQ(text(s), "-9223372036854775808");
    glNumToString(INT64_MAX, s);
    EXPECT_EQ(text(s), "9223372036854775807");
}

TEST(RenderMath, MessageTextSizeIsClamped) {
    TypeMetrics m = typeMetricsFor(2.0);
    EXPECT_DOUBLE_EQ(m.size, 1.1);
    EXPECT_DOUBLE_EQ(typeMetricsFor(0.2).size, 0.5);
    // The bottom of line 4 sits near 0.97 of the view for every size.
    for (double s : {0.5, 0.8, 1.1}) {
        m = typeMetricsFor(s);
        EXPECT_NEAR(m.downAmount + 4 * m.leading + 0.027565 * m.size, 0.97, 0.003) << s;
    }
}

TEST(RenderTextureTable, PictureIsTurnedOverAndKeyed) {
    platform::RGBAImage image;
    image.width = image.height = 32;
    image.pixels.assign(32 * 32 * 4, 0);
    auto px = [&](int x, int y) { return &image.pixels[size_t(y * 32 + x) * 4]; };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            uint8_t* p = px(x, y);
            const bool magenta = (x + y) % 3 == 0;
            p[0] = magenta ? 255 : uint8_t(x * 8);
            p[1] = magenta ? 0 : uint8_t(y * 8);
            p[2] = magenta ? 255 : 10;
            p[3] = 7;  // the file's own alpha is not used
        }
    TexturePicture picture = pictureFromImage(image);
    ASSERT_EQ(picture.edge, 32);
    // The first row of the buffer is the picture's bottom row.
    EXPECT_EQ(picture.at(1, 0)[0], px(1, 31)[0]);
    EXPECT_EQ(picture.at(1, 0)[1], px(1, 31)[1]);
    EXPECT_EQ(picture.at(1, 0)[3], 255);
    applyColourKey(picture);  // the top-left pixel (0, 0) is magenta
    int cleared = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const uint8_t* t = picture.at(x, 31 - y);
            if ((x + y) % 3 == 0) {
                EXPECT_EQ(t[0] + t[1] + t[2] + t[3], 0) << x << "," << y;
                ++cleared;
            } else {
                EXPECT_EQ(t[3], 255);
            }
        }
    EXPECT_GT(cleared, 300);
}

TEST(RenderTextureTable, MaskGivesAlphaOnlyAtTheRightSize) {
    platform::RGBAImage image;
    image.width = image.height = 64;
    image.pixels.assign(64 * 64 * 4, 200);
    TexturePicture picture = pictureFromImage(image);
    platform::RGBAImage mask;
    mask.width = mask.height = 64;
    mask.pixels.assign(64 * 64 * 4, 0);
    for (int x = 0; x < 64; ++x) mask.pixels[size_t(x) * 4] = uint8_t(x * 4);  // top row: a ramp in red
    EXPECT_TRUE(applyMask(picture, mask));
    EXPECT_EQ(picture.at(10, 63)[3], 40);  // the top row is the buffer's last
    EXPECT_EQ(picture.at(10, 0)[3], 0);
    platform::RGBAImage small;
    small.width = small.height = 32;
    small.pixels.assign(32 * 32 * 4, 0);
    TexturePicture untouched = pictureFromImage(image);
    EXPECT_FALSE(applyMask(untouched, small));
    EXPECT_EQ(untouched.at(5, 5)[3], 255);
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
