// Objects drawn by the game view under Xvfb, read back from the frame: opaque and transparent
// polygons, moving parts, level of detail, the far dot, vertex colours and the transparent order.
#include <GL/gl.h>

#include "platform/Beep.h"
#include "tests/render/objects_scene.h"

namespace rendertest {
namespace {

class ObjectsTest : public SceneTest {
protected:
    // The pixel over the point (x right, y up, ft) of the plane 100 ft ahead.
    static const uint8_t* at100(const RGBAImage& image, double x, double y) {
        const double perFoot = image.height / (2 * 4.275 / (8.25 * 1.25) * 100);
        return pixel(image, int(image.width / 2 + x * perFoot), int(image.height / 2 - y * perFoot));
    }
};

TEST_F(ObjectsTest, OpaqueObjectIsDrawnWhereItStandsAndItsRecordKeepsItsPose) {
    Thing* t = put(*models, 5);
    t->square(0, 5, 0, kRed, kUnlitFlat);
    t->finish();
    t->at(10, 0, 100);
    const auto before = t->Record.ObjectMatrix;
    const RGBAImage image = frame();
    // 10 ft right at 100 ft: about 58 px right of the centre.
    EXPECT_TRUE(near(at100(image, 10.0, 0), 255, 0, 0));
    EXPECT_TRUE(near(at100(image, -10.0, 0), 0, 0, 128));
    EXPECT_EQ(t->Record.ObjectMatrix, before);
    EXPECT_NEAR(t->Record.TheObject.EyeRelativeX, 10.0f, 1e-3);
    EXPECT_NEAR(t->Record.TheObject.EyeRelativeY, 0.0f, 1e-3);
    EXPECT_NEAR(t->Record.TheObject.EyeRelativeZ, 100.0f, 1e-3);
    EXPECT_EQ(t->Calls, 1);
}

TEST_F(ObjectsTest, FarFromTheOriginTheEyeIsSubtractedWithoutLosingFeet) {
    // Three million feet out a float step is a quarter of a foot; the object still sits 2 ft right.
    camera.Position = {3000000.3, 2000.0, 2999000.7};
    view().setGlobalCameraPosition(&camera);
    Thing* t = put(*models, 5);
    t->square(0, 1, 0, kRed, kUnlitFlat);
    t->finish();
    t->at(3000002.3, 2000.0, 2999100.7);
    frame();
    EXPECT_NEAR(t->Record.TheObject.EyeRelativeX, 2.0f, 1e-3);
    EXPECT_NEAR(t->Record.TheObject.EyeRelativeZ, 100.0f, 1e-3);
}

TEST_F(ObjectsTest, HiddenTooFarAndBehindObjectsDrawNothing) {
    Thing* far = put(*models, 2);
    far->square(0, 500, 0, kRed, kUnlitFlat);
    far->finish();
    far->Record.TheObject.TooFar = 5000;
    far->Record.TheObject.EyeRelativeZ = 3000;  // from an earlier frame
    far->at(0, 0, 6000);
    Thing* hidden = put(*models, 3);
    hidden->square(0, 5, 0, kGreen, kUnlitFlat);
    hidden->finish();
    hidden->Record.TheObject.ObjectFlags = 0x1;
    hidden->at(0, 0, 100);
    const RGBAImage image = frame();
    EXPECT_TRUE(near(at100(image, 0, 0), 0, 0, 128));
    // No stale position is left for an identification square.
    EXPECT_LE(far->Record.TheObject.EyeRelativeZ, -9999.0f);

    // Always drawn in full: beyond TooFar, and its back half behind the eye.
    far->Record.TheObject.ObjectFlags = 0x200;
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));
}

TEST_F(ObjectsTest, AlternatePolygonsFarAwayAndADotFarther) {
    Thing* t = put(*models, 6);
    t->square(0, 40, 0, kRed, kUnlitFlat);
    t->square(0, 40, 0, kGreen, kUnlitFlat, true);
    t->finish();
    t->Record.TheObject.UseAlt = 500;
    t->Record.TheObject.DotDistance = 2000;
    t->at(0, 0, 400);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));
    t->at(0, 0, 800);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 255, 0));
    // Without an alternate list the main one stands.
    t->Frames[0].TheAltPolygons = nullptr;
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));
    // The dot: dark, a few pixels, where the 80-ft square would have covered far more.
    t->at(0, 0, 3000);
    const RGBAImage image = frame();
    EXPECT_TRUE(near(at100(image, 0, 0), 26, 26, 26, 14));
    int dark = 0;
    for (int y = image.height / 2 - 40; y < image.height / 2 + 40; ++y)
        for (int x = image.width / 2 - 40; x < image.width / 2 + 40; ++x)
            if (pixel(image, x, y)[2] < 60) ++dark;
    EXPECT_GT(dark, 0);
    EXPECT_LT(dark, 30);
}

TEST_F(ObjectsTest, MovingPartsUseTheirOwnMatricesAndTheRecordKeepsItsPose) {
    Thing* t = put(*models, 7);
    t->square(0, 3, 0, kRed, kUnlitFlat);
    t->marker(0, 3);
    t->square(0, 3, 0, kGreen, kUnlitFlat);
    t->marker(0, 3);  // the same part again changes nothing
    t->square(0, 3, 0, kBlue, kUnlitFlat, false, 0, 10);
    t->finish();
    t->at(-10, 0, 100);
    t->Record.OptionalObjectMatrix[2] = t->Record.ObjectMatrix;
    t->Record.OptionalObjectMatrix[2][12] = 10;  // the part 20 ft right of the body
    const auto body = t->Record.ObjectMatrix;
    const RGBAImage image = frame();
    EXPECT_TRUE(near(at100(image, -10.0, 0), 255, 0, 0));
    EXPECT_TRUE(near(at100(image, 10.0, 0), 0, 255, 0));
    EXPECT_TRUE(near(at100(image, 10.0, 10.0), 0, 0, 255));
    EXPECT_EQ(t->Record.ObjectMatrix, body);
    EXPECT_NEAR(t->Record.TheObject.EyeRelativeX, -10.0f, 1e-3);
}

TEST_F(ObjectsTest, AnimationFrameChoosesTheGeometry) {
    Thing* t = put(*models, 8);
    t->square(0, 5, 0, kRed, kUnlitFlat);
    t->square(1, 5, 0, kGreen, kUnlitFlat);
    t->finish(2);
    t->at(0, 0, 100);
    t->Record.TheObject.AnimateItems[0] = 0;
    t->Record.TheObject.AnimateItems[1] = 1;
    t->Record.TheObject.AnimateItems[2] = 7;  // no such frame: the main geometry
    t->Record.TheObject.CurrentAnimateItem = 1;
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 255, 0));
    t->Record.TheObject.CurrentAnimateItem = 2;
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));
}

TEST_F(ObjectsTest, TransparentPolygonsBlendFarthestFirstOverOpaqueOnes) {
    Thing* t = put(*models, 9);
    // Queued in near-to-far order; drawn far first, so the near blue ends on top.
    t->square(0, 5, -20, {0, 0, 1, 0.5f}, kUnlitFlat | 0x1);
    t->square(0, 5, 0, {1, 0, 0, 0.5f}, kUnlitFlat | 0x1);
    t->square(0, 5, 40, kGreen, kUnlitFlat);
    t->finish();
    t->at(0, 0, 100);
    const RGBAImage image = frame();
    // Green, then half red, then half blue: (64, 64, 128).
    EXPECT_TRUE(near(at100(image, 0, 0), 64, 64, 128, 14));
    EXPECT_EQ(view().getTransparencyCount(), 0);
}

TEST_F(ObjectsTest, VertexColoursShowOnUnlitTransparentPolygons) {
    Thing* t = put(*models, 10);
    t->square(0, 5, 0, {1, 1, 1, 1}, kUnlitFlat | 0x1);
    t->colourPoints(0, {{0, 1, 0, 1}});
    t->finish();
    t->at(0, 0, 100);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 255, 0));
}

TEST_F(ObjectsTest, AFullTransparentQueueDropsOnlyTheNewPolygonsWithoutBeeping) {
    Thing* t = put(*models, 11);
    // The first polygon queued is a red square at the centre; then 1,399 tiny ones far off to the side.
    t->square(0, 5, 0, {1, 0, 0, 0.99f}, kUnlitFlat | 0x1);
    for (int k = 0; k < 1399; ++k) t->square(0, 0.01, 0, {0, 1, 0, 0.5f}, kUnlitFlat | 0x1, false, -40, -30);
    t->finish();
    t->at(0, 0, 100);
    const long beeps = pellam::platform::beepCount();
    const RGBAImage image = frame();
    EXPECT_TRUE(near(at100(image, 0, 0), 252, 0, 1));
    EXPECT_EQ(view().getDroppedTransparentCount(), 100);
    EXPECT_EQ(pellam::platform::beepCount(), beeps);
}

TEST_F(ObjectsTest, TexturedPolygonsShowTheirPictureLitAndUnlit) {
    // Left half red, right half green.
    const std::string path = writePicture("halvesD.png", 64, 64, [](int x, int, uint8_t* p) {
        p[0] = x < 32 ? 255 : 0;
        p[1] = x < 32 ? 0 : 255;
        p[2] = 0;
    });
    const int32_t slot = view().fmGetTextureFromDiskNSString(path, 1, 6, 9, 0);
    ASSERT_GE(slot, 0);
    Thing* t = put(*models, 13);
    t->square(0, 10, 0, {1, 1, 1, 1}, 0);        // lit
    t->square(0, 10, 0, {1, 1, 1, 1}, 0x10, false, 0, 25);  // unlit, above
    for (auto& v : t->Geo[0].Points) {  // facing up, half towards the sun
        v.NY = 1;
        v.NZ = 0;
    }
    t->Frames[0].MapListOffset[0] = int16_t(slot);
    t->finish();
    t->at(0, 0, 100);
    const RGBAImage image = frame();
    for (double y : {0.0, 25.0}) {
        const uint8_t* left = at100(image, -5, y);
        const uint8_t* right = at100(image, 5, y);
        EXPECT_GT(left[0], left[1] + 40) << y;
        EXPECT_GT(right[1], right[0] + 40) << y;
    }
}

TEST_F(ObjectsTest, SmokeQuadsAreStripsOrPolygonsInTheirPointColours) {
    // Four corners in turn: as a polygon they cover the square, as a strip all but its lower quarter.
    static XYZInput points[4];
    const double xs[4] = {-5, -5, 5, 5}, ys[4] = {-5, 5, 5, -5};
    for (int k = 0; k < 4; ++k) {
        points[k].MyX = xs[k];
        points[k].MyY = ys[k];
        points[k].Myr = 1;
        points[k].Myg = 1;
        points[k].Mya = 1;
    }
    static PointUV uvs[5] = {{0, 0, 0}, {1, 1, 0}, {2, 0, 1}, {3, 1, 1}, {-1, 0, 0}};
    static MaterialLightData light{};
    static OnePolygon poly;
    poly.DrawHints = 0x10;
    Thing* t = put(*models, 12);
    t->at(0, 0, 100);
    t->Smoke = [&] {
        view().setupDrawingMatrixForModel(t->Record.ObjectMatrix.data());
        glBindTexture(GL_TEXTURE_2D, 0);  // no picture: the points' own colour
        view().glDrawTransparentTexture(&poly, points, uvs, &light);
    };
    poly.DefaultDrawType = 6;
    const RGBAImage strip = frame();
    poly.DefaultDrawType = 9;
    const RGBAImage polygon = frame();
    EXPECT_TRUE(near(at100(polygon, 0, -4), 255, 255, 0));
    EXPECT_TRUE(near(at100(polygon, 0, 4), 255, 255, 0));
    EXPECT_TRUE(near(at100(strip, 0, -4), 0, 0, 128));
    EXPECT_TRUE(near(at100(strip, 0, 4), 255, 255, 0));
}

}  // namespace
}  // namespace rendertest
