// The frame under Xvfb: the loading frame, refreshes, the cockpit after a depth clear,
// identification squares, message lines, screen shots and the second window; over the generated
// front, sky and terrain under the objects and the grey frame inside the cloud layer; and a
// resting game's kept picture: drawn once, shown again under the live message lines while nothing
// the view can see changes, drawn anew when the camera moves or the controller says so.
#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "render/DrawHints.h"
#include "tests/render/objects_scene.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace rendertest {
namespace {

struct Services : pellam::render::FrameServices {
    int32_t cloudState = -1;
    bool shot = false, normal = true, closeIn = false;
    int overlays = 0;
    int32_t getCloudLayerState() override { return cloudState; }
    bool getAndClearScreenShotPending() override { return std::exchange(shot, false); }
    bool useIDSquares() override { return normal; }
    bool useCloseUpIDSquares() override { return closeIn; }
    void debugchance(pellam::render::MyZephGLView&) override { ++overlays; }
};

class FrameTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        view().setFrameServices(&services);
    }
    Thing* square(long index, double half, double z, std::array<float, 4> colour) {
        Thing* t = put(*models, index);
        t->square(0, half, 0, colour, kUnlitFlat);
        t->finish();
        t->at(0, 0, z);
        return t;
    }

    Services services;
};

TEST_F(FrameTest, LoadingFrameIsBlackUntilTheWorldArrivesThenRefreshesAreIgnored) {
    view().setModelArray(nullptr);
    const bool before = view().getHasGotStuff();
    const int overlays = services.overlays;
    EXPECT_TRUE(near(centre(frame()), 0, 0, 0, 2));
    EXPECT_EQ(view().getHasGotStuff(), before);
    EXPECT_EQ(services.overlays, overlays + 1);

    view().setModelArray(models.get());
    square(4, 5, 100, kRed);
    EXPECT_TRUE(near(centre(frame()), 255, 0, 0));
    EXPECT_TRUE(view().getHasGotStuff());
    // A window-system refresh (origin x 0) draws nothing now.
    bool drawn = false;
    view().setFrameObserver([&] { drawn = true; });
    view().drawRect({0, 0, 640, 480});
    EXPECT_FALSE(drawn);
    EXPECT_LE(view().getFrameRate(), 120);
}

TEST_F(FrameTest, CockpitIsDrawnAloneAfterADepthClear) {
    Thing* cockpit = square(5, 0.2, 4, kGreen);  // 4 ft ahead: nearer than the main view's near plane
    Thing* wall = square(6, 20, 100, kRed);
    view().setCameraInsideItem(5);
    EXPECT_TRUE(near(centre(frame()), 0, 255, 0));
    EXPECT_EQ(cockpit->Calls, 1);
    EXPECT_EQ(wall->Calls, 1);
    // Even from behind the wall, the cockpit comes after the depth clear.
    cockpit->at(0, 0, 150);
    cockpit->Geo[0].Points.clear();
    cockpit->Geo[0].Polygons.clear();
    cockpit->Geo[0].Runs.clear();
    cockpit->square(0, 10, 0, kGreen, kUnlitFlat);
    cockpit->finish();
    EXPECT_TRUE(near(centre(frame()), 0, 255, 0));
    // Outside the cockpit it is one object among the rest, behind the wall.
    view().setCameraInsideItem(-1);
    EXPECT_TRUE(near(centre(frame()), 255, 0, 0));
}

// The world behind the cockpit's opaque parts is not shaded; the picture is the same, and the
// world still shows through a polygon the alpha test drops and a transparent one.
TEST_F(FrameTest, CockpitCoverChangesNoPixel) {
    Thing* cockpit = put(*models, 5);
    cockpit->square(0, 0.6, 0, kGreen, kUnlitFlat, false, -1.3, 0);
    cockpit->square(0, 0.6, 0, {0, 0, 1, 0.5f}, kUnlitFlat, false, 0, 0);                       // dropped
    cockpit->square(0, 0.6, 0, {0, 0, 1, 0.5f}, kUnlitFlat | render::kTransparent, false, 1.3, 0);  // blended
    cockpit->finish();
    cockpit->at(0, 0, 4);
    square(6, 80, 100, kRed);
    view().setCameraInsideItem(5);
    const RGBAImage covered = frame();
    view().setMarksOpaqueCover(false);
    const RGBAImage plain = frame();
    view().setMarksOpaqueCover(true);
    view().setCameraInsideItem(-1);
    EXPECT_EQ(covered.pixels, plain.pixels);
    EXPECT_TRUE(near(centre(covered), 255, 0, 0));
    const int w = covered.width, h = covered.height;
    EXPECT_GT(pixel(covered, w / 2 - w / 5, h / 2)[1], 200);  // the opaque part
    const uint8_t* blended = pixel(covered, w / 2 + w / 5, h / 2);
    EXPECT_GT(blended[0], 60);
    EXPECT_GT(blended[2], 60);
}

TEST_F(FrameTest, TheBuildersViewDrawsTheCockpitObjectWithTheRestAndNoSquares) {
    Thing* inside = square(5, 5, 100, kGreen);
    Thing* distant = square(3, 1, 3000, {0.1f, 0.1f, 0.1f, 1});
    distant->Team = 1;
    distant->at(800, 0, 3000);  // clear of the near square
    view().setCameraInsideItem(5);
    view().setAwoken(true);
    const double aspect = double(view().FinalSizeWidth()) / view().FinalSizeHeight();
    view().glSetViewFrustum(-4.275 * aspect, 4.275 * aspect, -4.275, 4.275, 10.3125, 111000);
    const RGBAImage image = frame();
    view().setAwoken(false);
    EXPECT_TRUE(near(centre(image), 0, 255, 0));
    EXPECT_EQ(inside->Calls, 1);
    int red = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (pixel(image, x, y)[0] > 200 && pixel(image, x, y)[1] < 60) ++red;
    EXPECT_EQ(red, 0);
}

TEST_F(FrameTest, CameraItemsOutsideTheArrayMeanOutside) {
    view().setCameraInsideItem(99);
    EXPECT_EQ(view().getCameraInsideItem(), -1);
    view().setCameraInsideItem(1);
    EXPECT_EQ(view().getCameraInsideItem(), -1);
    view().setCameraInsideItem2(-7);
    EXPECT_EQ(view().getCameraInsideItem2(), -1);
    view().setCameraInsideItem(21);
    EXPECT_EQ(view().getCameraInsideItem(), 21);
    frame();  // an empty slot: no cockpit pass, no crash

    view().setSecondAircraftCamera(3);
    view().setSecondAircraftCamera(10);
    view().setSecondAircraftCamera(1);
    EXPECT_EQ(view().getSecondAircraftCamera(), 3);
}

TEST_F(FrameTest, IdentificationSquaresMarkDistantAircraftInTheirTeamColour) {
    Thing* aircraft = square(3, 1, 3000, {0.1f, 0.1f, 0.1f, 1});
    aircraft->Team = 1;
    auto redPixels = [](const RGBAImage& image) {
        int n = 0;
        for (int y = image.height / 2 - 30; y < image.height / 2 + 30; ++y)
            for (int x = image.width / 2 - 30; x < image.width / 2 + 30; ++x) {
                const uint8_t* p = pixel(image, x, y);
                if (p[0] > 200 && p[1] < 60 && p[2] < 60) ++n;
            }
        return n;
    };
    EXPECT_GT(redPixels(frame()), 40);
    services.normal = false;
    EXPECT_EQ(redPixels(frame()), 0);  // the close-in rule stops at 2400 ft
    aircraft->at(0, 0, 2000);
    services.closeIn = true;
    EXPECT_GT(redPixels(frame()), 40);
    // Beyond its drawing distance an aircraft leaves no square behind.
    services.normal = true;
    aircraft->Record.TheObject.TooFar = 1500;
    EXPECT_EQ(redPixels(frame()), 0);
    // Nor does one hidden, or one that hands out nothing to draw.
    aircraft->Record.TheObject.TooFar = 100000;
    EXPECT_GT(redPixels(frame()), 40);
    aircraft->Record.TheObject.ObjectFlags = 0x1;
    EXPECT_EQ(redPixels(frame()), 0);
}

TEST_F(FrameTest, MessageLinesNeedTheFirstLineAndTheOverlayComesEveryFrame) {
    unsigned char lines[5][256] = {};
    pellam::render::stringToPascal("Squadron aloft", lines[2]);
    view().setMessageLines(lines);
    auto text = [&](const RGBAImage& image) { return brightPixels(image, 0, 0, image.width, image.height, 200); };
    EXPECT_EQ(text(frame()), 0);
    pellam::render::stringToPascal("Enemy aircraft ahead", lines[0]);
    EXPECT_GT(text(frame()), 50);
    view().setMessageLines(nullptr);
}

TEST_F(FrameTest, ARequestedScreenShotIsWrittenFromTheFinishedFrame) {
    view().setScreenShotFolder((scratchFolder() / "shots").string());
    fs::create_directories(scratchFolder() / "shots");
    square(4, 5, 100, kRed);
    services.shot = true;
    frame();
    ASSERT_FALSE(view().lastScreenShotPath().empty());
    EXPECT_TRUE(fs::exists(view().lastScreenShotPath()));
    EXPECT_FALSE(services.shot);
}

TEST_F(FrameTest, SecondWindowShowsItsOwnCameraFromTheFramesRecords) {
    Thing* ahead = square(4, 20, 100, kRed);
    Thing* behind = square(7, 10, -100, kGreen);
    Thing* clutter = square(ModelArray::kGroundClutter, 2, -60, kRed);
    behind->Geo[0].Polygons[0].DrawHints |= 0x4;  // seen from its back
    clutter->Geo[0].Polygons[0].DrawHints |= 0x4;
    QNion second;
    second.QAttitude = {0, 0, 1, 0};  // looking south
    view().setSecondGlobalCameraPosition(&second);
    view().setSecondAircraftCamera(3);
    view().setDrawSecondWindow(true);
    RGBAImage small;
    const RGBAImage main = frame(&small);
    ASSERT_NE(view().getSecondWindow(), nullptr);
    EXPECT_EQ(small.width, int(view().FinalSizeWidth() * 0.3));
    EXPECT_EQ(small.height, int(view().FinalSizeHeight() * 0.3));
    EXPECT_TRUE(near(centre(main), 255, 0, 0));
    EXPECT_TRUE(near(centre(small), 0, 255, 0));  // no ground clutter in the small window
    // The label " #2 " in the top-right corner.
    EXPECT_GT(brightPixels(small, small.width * 3 / 4, 0, small.width, small.height / 5, 200), 5);
    EXPECT_EQ(brightPixels(small, 0, small.height * 4 / 5, small.width / 4, small.height, 200), 0);
    // Each object was asked for its drawing once this frame.
    EXPECT_EQ(ahead->Calls, 1);
    EXPECT_EQ(behind->Calls, 1);
    EXPECT_EQ(clutter->Calls, 1);
    // The aircraft slots keep the main view's eye-relative positions.
    EXPECT_NEAR(behind->Record.TheObject.EyeRelativeZ, -100.0f, 1e-3);
    EXPECT_NEAR(ahead->Record.TheObject.EyeRelativeZ, 100.0f, 1e-3);
    // Switched off, the window goes.
    view().setDrawSecondWindow(false);
    frame();
    EXPECT_EQ(view().getSecondWindow(), nullptr);
}

// ---- The kept picture.

class KeptSceneTest : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        std::memset(lines, 0, sizeof lines);
        view().setMessageLines(lines);
        red = square(4, 10, 200, kRed);  // ahead of the eye, filling the middle of the frame
        view().setFrameServices(&printing);
    }
    void TearDown() override {
        view().setKeepScene(false);
        view().setMessageLines(nullptr);
        view().setFrameServices(&plainServices);
        FrameTest::TearDown();
    }
    bool redInTheMiddle(const RGBAImage& image) { return near(centre(image), 255, 0, 0, 55); }

    struct Printing : pellam::render::FrameServices {
        uint64_t print = 0;
        uint64_t flatPrint() override { return print; }
    } printing;
    Thing* red = nullptr;
    unsigned char lines[5][256];
};

TEST_F(KeptSceneTest, TheKeptPictureStaysUntilTheCameraMovesOrTheSceneIsSaidToChange) {
    view().setKeepScene(true);
    const long before = view().getSceneDraws();
    const RGBAImage first = frame();
    EXPECT_TRUE(redInTheMiddle(first));
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // The square moves where the view cannot see it move, and nothing else happens: the frame is
    // neither drawn nor shown, and the window keeps the picture.
    red->at(0, 0, -200);
    const long rested = view().getFramesRested();
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_EQ(view().getFramesRested(), rested + 2);
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // An input or window event: the kept picture is shown again, pixel for pixel, not drawn.
    view().showNextFrame();
    const RGBAImage kept = frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);
    EXPECT_EQ(kept.pixels, first.pixels);
    EXPECT_TRUE(frame().pixels.empty());

    // The message lines stay live over it.
    const char text[] = "Paused";
    lines[0][0] = uint8_t(sizeof text - 1);
    std::memcpy(&lines[0][1], text, sizeof text - 1);
    const RGBAImage withText = frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);
    EXPECT_NE(withText.pixels, first.pixels);
    EXPECT_TRUE(redInTheMiddle(withText));

    // So does what the controller lays over the frame: a new print is shown, the same one rests.
    printing.print = 7;
    EXPECT_FALSE(frame().pixels.empty());
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // A camera easing into its place by steps far below a pixel leaves the picture as it is.
    camera.Position = {0, 0.001, 0};
    view().setGlobalCameraPosition(&camera);
    frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    // A camera command moves the camera: drawn anew, and the square is gone from view.
    camera.Position = {0, 1, 0};
    view().setGlobalCameraPosition(&camera);
    const RGBAImage moved = frame();
    EXPECT_EQ(view().getSceneDraws(), before + 2);
    EXPECT_FALSE(redInTheMiddle(moved));

    // The controller says the scene changed (a command it ran): drawn anew once, then kept and
    // not shown again.
    red->at(0, 1, 200);
    view().sceneChanged();
    EXPECT_TRUE(redInTheMiddle(frame()));
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_EQ(view().getSceneDraws(), before + 3);
}

TEST_F(KeptSceneTest, ARunningGameDrawsEveryFrameAndKeepsNothingForLater) {
    view().setKeepScene(false);
    const long before = view().getSceneDraws(), rested = view().getFramesRested();
    frame();
    frame();
    EXPECT_EQ(view().getSceneDraws(), before + 2);
    EXPECT_EQ(view().getFramesRested(), rested);
    // Kept again after running: the picture from before the game ran is not shown.
    red->at(0, 0, -200);
    view().setKeepScene(true);
    EXPECT_FALSE(redInTheMiddle(frame()));
    EXPECT_EQ(view().getSceneDraws(), before + 3);
}

// ---- Over the generated front.

class FrameWorldTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        sky = static_cast<TexturedSkyDome*>(models->put(ModelArray::kSkyDome, std::make_unique<TexturedSkyDome>()));
        sky->initWithGLView(&view());
        sky->setTimeOfDay(11.0);
        terrain = static_cast<RIDUdidav*>(models->put(ModelArray::kTerrain, std::make_unique<RIDUdidav>()));
        ASSERT_TRUE(terrain->initWithGLView(&view())) << terrain->lastError();
        terrain->setFogDistance(0.0);
        view().setFrameServices(nullptr);  // the cloud state comes from the terrain
        // Above Albert at 3,000 ft, looking east along the front, 9 degrees down.
        const double heading = M_PI / 2, pitch = -9.0 * M_PI / 180;
        QNion turn, tilt;
        turn.QAttitude = {std::cos(heading / 2), 0, std::sin(heading / 2), 0};
        tilt.QAttitude = {std::cos(-pitch / 2), std::sin(-pitch / 2), 0, 0};
        ZephModel::multQnionsBy(&turn, &tilt, &camera);
        camera.Position = {2020000.0, 3000.0, 2047000.0};
        view().setGlobalCameraPosition(&camera);
    }

    TexturedSkyDome* sky = nullptr;
    RIDUdidav* terrain = nullptr;
};

TEST_F(FrameWorldTest, ObjectsStandBeforeTheGroundUnderTheSky) {
    Thing* t = put(*models, 4);
    t->square(0, 10, 0, {1, 0, 0, 1}, 0x10 | 0x2000);
    t->finish();
    // Turned to face west, towards the eye.
    t->Record.ObjectMatrix = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    t->at(camera.Position[0] + 300, camera.Position[1] - 300 * std::tan(9.0 * M_PI / 180), camera.Position[2]);
    const RGBAImage image = frame();
    const uint8_t* c = pixel(image, image.width / 2, image.height / 2);
    EXPECT_GT(c[0], 200);
    EXPECT_LT(c[1], 60);
    // The top rows are sky (bluer than red), the bottom rows ground (warmer than the sky).
    int skyLike = 0, groundLike = 0;
    for (int x = 0; x < image.width; ++x) {
        const uint8_t* top = pixel(image, x, 2);
        const uint8_t* bottom = pixel(image, x, image.height - 3);
        if (top[2] > top[0] + 10) ++skyLike;
        if (bottom[0] + 10 > bottom[2] || bottom[1] > bottom[2] + 10) ++groundLike;
    }
    EXPECT_GT(skyLike, image.width * 9 / 10);
    EXPECT_GT(groundLike, image.width * 8 / 10);
}

TEST_F(FrameWorldTest, InsideTheCloudLayerTheFrameIsGrey) {
    terrain->SetDetailsForLayer(0, 1, 2500, 3500);
    const RGBAImage image = frame();
    EXPECT_NEAR(pixel(image, 3, 3)[0], 217, 4);
    EXPECT_NEAR(pixel(image, image.width / 2, image.height - 3)[2], 217, 4);
    terrain->SetDetailsForLayer(0, 0, 0, 0);
    const RGBAImage clear = frame();
    EXPECT_GT(pixel(clear, 3, 3)[2], pixel(clear, 3, 3)[0] + 10);
}

TEST_F(FrameWorldTest, AfterTheSecondWindowTheTerrainAnswersForTheMainEye) {
    QNion elsewhere = camera;
    elsewhere.Position = {1990000.0, 1500.0, 2060000.0};
    view().setSecondGlobalCameraPosition(&elsewhere);
    view().setDrawSecondWindow(true);
    frame();
    view().setDrawSecondWindow(false);
    const Vector3& v = terrain->getViewingPosition();
    EXPECT_DOUBLE_EQ(v[0], camera.Position[0] + world::kSquareFeet);
    EXPECT_DOUBLE_EQ(v[2], camera.Position[2] - world::kSquareFeet);
}

}  // namespace
}  // namespace rendertest
