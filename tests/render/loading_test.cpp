// The loading screen, counted call by call on a fresh view, and screen shots written and read back.
#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "ViewFixture.h"
#include "platform/Beep.h"
#include "platform/TickCount.h"
#include "render/ImageFiles.h"

using namespace pellam;
using namespace pellam::render;
using namespace rendertest;

namespace {

int32_t fakeTicks = 5000;

class LoadingTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        view().getGLWindow()->drawableSize(width, height);
        view().setFrameObserver([this] { lastFrame = readBack(view()); });
    }
    void TearDown() override { view().setFrameObserver({}); }
    // One call in a tick of its own, so that it redraws.
    void feedback() {
        ++fakeTicks;
        view().doLoadingFeedback();
    }
    int tipArea(const RGBAImage& frame) {
        return brightPixels(frame, int(0.22 * width), int(0.605 * height), int(0.9 * width), int(0.77 * height));
    }
    int width = 0, height = 0;
    RGBAImage lastFrame;
    platform::ScopedTickSource ticks{[] { return fakeTicks; }};
};

struct Sound : SoundServices {
    void PlayASingleSound(int32_t, int32_t) override { ++plays; }
    int32_t plays = 0;
};

}  // namespace

TEST_F(LoadingTest, CountsRedrawsPlaysTheFlyByOnceAndKeepsTheTipInRange) {
    Sound sound;
    view().setTheSounds(&sound);
    view().setPlayOpening(true);
    // The start-up loads of the logo and the font were the first two calls.
    ASSERT_EQ(view().getFeedbackCount(), 2);
    feedback();
    feedback();
    EXPECT_EQ(view().getRedrawCount(), 0);  // calls 1 to 4 draw nothing
    feedback();
    EXPECT_EQ(view().getRedrawCount(), 1);
    view().doLoadingFeedback();  // the same tick: counted, not drawn
    EXPECT_EQ(view().getFeedbackCount(), 6);
    EXPECT_EQ(view().getRedrawCount(), 1);
    while (view().getFeedbackCount() < 258) feedback();
    EXPECT_EQ(sound.plays, 1) << "the fly-by plays once";
    view().setTheSounds(nullptr);

    // A tip number from outside the list is brought back into it, and drawn.
    for (auto [set, shown] : {std::pair{-1, 0}, {40, 11}}) {
        view().setTipNumber(set);
        feedback();
        EXPECT_EQ(view().getTipNumber(), shown);
        EXPECT_GT(tipArea(lastFrame), 200);
    }
    EXPECT_TRUE(MyZephGLView::tipLines(12).empty());
}

TEST_F(LoadingTest, SwitchedOffItCountsAndDrawsNothing) {
    const int32_t count = view().getFeedbackCount(), redraws = view().getRedrawCount();
    view().setDoFeedback(1);
    feedback();
    EXPECT_EQ(view().getFeedbackCount(), count);
    EXPECT_EQ(view().getRedrawCount(), redraws);
    view().setDoFeedback(0);
}

namespace {

class ShotTest : public LoadingTest {
protected:
    void SetUp() override {
        LoadingTest::SetUp();
        folder = scratchFolder() / "home" / "Desktop";
        fs::remove_all(folder);
        view().setScreenShotFolder(folder.string());  // not there yet: made on the first shot
        view().setScreenSaveNameString("/Desktop/Pellam Screen Shot");
        view().setScreenShotSound([this] { ++sounds; });
        view().setScreenSaveType(0);
        fakeTicks += 1000;
    }
    void TearDown() override {
        view().setScreenShotSound({});
        LoadingTest::TearDown();
    }
    // A frame with something to see: a gradient and a coloured block.
    RGBAImage drawScene() {
        view().setEraseColorRed(0.2, 0.4, 0.7);
        view().glRenderStart();
        view().glSet2DDrawing();
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glDepthFunc(GL_ALWAYS);
        glBegin(GL_QUADS);
        glColor3f(0.9f, 0.1f, 0.1f);
        glVertex2d(-0.5, 0.5);
        glVertex2d(0.1, 0.5);
        glColor3f(0.1f, 0.8f, 0.2f);
        glVertex2d(0.1, -0.3);
        glVertex2d(-0.5, -0.3);
        glEnd();
        glEnable(GL_FOG);
        glDepthFunc(GL_LEQUAL);
        return readBack(view());
    }
    std::string shot(int n, const char* ext = ".jpg") {
        return (folder / ("Pellam Screen Shot " + std::to_string(n) + ext)).string();
    }
    static double meanError(const RGBAImage& a, const RGBAImage& b) {
        double sum = 0;
        for (size_t i = 0; i < a.pixels.size(); i += 4)
            for (int c = 0; c < 3; ++c) sum += std::abs(int(a.pixels[i + c]) - int(b.pixels[i + c]));
        return sum / (a.pixels.size() / 4 * 3);
    }
    fs::path folder;
    int sounds = 0;
};

}  // namespace

TEST_F(ShotTest, WritesTheFrameAsJpegAndNumbersTheFiles) {
    const RGBAImage frame = drawScene();
    ASSERT_TRUE(view().doScreenSaveFromOpenGL());
    EXPECT_EQ(view().lastScreenShotPath(), shot(1));
    EXPECT_EQ(sounds, 1);
    RGBAImage file;
    ASSERT_TRUE(readImageFile(shot(1), file));
    ASSERT_EQ(file.width, frame.width);
    ASSERT_EQ(file.height, frame.height);
    EXPECT_LT(meanError(file, frame), 3.0);  // JPEG at 0.8
    // Top row first: the red corner of the block is at the top left of the file too.
    const uint8_t* red = pixel(file, int(0.26 * width), int(0.26 * height));
    EXPECT_GT(red[0], 180);
    EXPECT_LT(red[1], 80);

    // Two seconds later: refused; five seconds later: the next number.
    fakeTicks += 120;
    EXPECT_FALSE(view().doScreenSaveFromOpenGL());
    EXPECT_FALSE(fs::exists(shot(2)));
    fakeTicks += 180;
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());
    EXPECT_TRUE(fs::exists(shot(2)));
    // With 1 to 4 there the next is 5; with 2 gone it is 2 again.
    std::ofstream(shot(3)) << "x";
    std::ofstream(shot(4)) << "x";
    fakeTicks += 300;
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());
    EXPECT_EQ(view().lastScreenShotPath(), shot(5));
    fs::remove(shot(2));
    fakeTicks += 300;
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());
    EXPECT_EQ(view().lastScreenShotPath(), shot(2));
    EXPECT_EQ(sounds, 4);
    view().glRenderEnd();
}

TEST_F(ShotTest, PendingShotIsTakenBeforeTheSwapAsTiff) {
    view().setScreenSaveType(1);
    const RGBAImage frame = drawScene();
    view().setScreenShotPending();
    view().glRenderEnd();
    ASSERT_TRUE(fs::exists(shot(1, ".tif")));
    RGBAImage file;
    ASSERT_TRUE(readImageFile(shot(1, ".tif"), file));
    EXPECT_EQ(meanError(file, frame), 0.0);  // TIFF keeps every bit
    // Only once.
    fakeTicks += 400;
    drawScene();
    view().glRenderEnd();
    EXPECT_FALSE(fs::exists(shot(2, ".tif")));
}

TEST_F(ShotTest, FailuresBeepAndStaySilent) {
    drawScene();
    // A folder nobody may write in: no file, a beep, and no success sound.
    view().setScreenShotFolder("/proc");
    long beeps = platform::beepCount();
    EXPECT_FALSE(view().doScreenSaveFromOpenGL());
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(sounds, 0);
    // All 99 numbers taken.
    view().setScreenShotFolder(folder.string());
    fs::create_directories(folder);
    for (int n = 1; n <= 99; ++n) std::ofstream(shot(n)) << "x";
    fakeTicks += 400;
    beeps = platform::beepCount();
    EXPECT_FALSE(view().doScreenSaveFromOpenGL());
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_EQ(sounds, 0);
    view().glRenderEnd();
}

TEST_F(ShotTest, DesktopFolderIsFoundOrTheHomeFolderServes) {
    const fs::path home = scratchFolder() / "otherHome";
    fs::create_directories(home);
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_DESKTOP_DIR");
    unsetenv("XDG_CONFIG_HOME");
    view().setScreenShotFolder("");
    drawScene();
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());  // no desktop: the home folder
    EXPECT_EQ(view().lastScreenShotPath(), (home / "Pellam Screen Shot 1.jpg").string());
    fs::create_directories(home / "Desktop");
    fakeTicks += 300;
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());
    EXPECT_EQ(view().lastScreenShotPath(), (home / "Desktop" / "Pellam Screen Shot 1.jpg").string());
    view().setScreenSaveNameString("/Pictures/Flights/Shot");  // another folder below home: made
    fakeTicks += 300;
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());
    EXPECT_EQ(view().lastScreenShotPath(), (home / "Pictures" / "Flights" / "Shot 1.jpg").string());
    view().glRenderEnd();
    setenv("HOME", oldHome.c_str(), 1);
}
