// The view on screen: the loading screen counted call by call on a fresh view, the horizon fog and
// the depth test kept through a frame's changes, a line of text sent only where it can show, the
// window the preferences ask for; and screen shots written, numbered and read back.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <set>
#include <string>
#include <vector>

#include "ViewFixture.h"
#include "platform/Beep.h"
#include "platform/TickCount.h"
#include "render/ImageFiles.h"
#include "tests/FileSizeLimit.h"
#include "tests/PictureRule.h"
// Last: X11 defines names (None, Bool) that the test framework uses.
#include <SDL_syswm.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status

using namespace pellam;
using namespace pellam::render;
using namespace rendertest;

namespace {

int32_t fakeTicks = 5000;

class ScreenTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        view().getGLWindow()->drawableSize(width, height);
    }
    int width = 0, height = 0;
    platform::ScopedTickSource ticks{[] { return fakeTicks; }};
};

struct Sound : SoundServices {
    void PlayASingleSound(int32_t, int32_t) override { ++plays; }
    int32_t plays = 0;
};

}  // namespace

// The start-up loads of the logo and the font were the first two calls; calls 1 to 4 draw nothing.
// First in its suite: the view is fresh.
TEST_F(ScreenTest, LoadingScreenCountsRedrawsPlaysTheFlyByOnceAndKeepsTheTipInRange) {
    RGBAImage lastFrame;
    view().setFrameObserver([&] { lastFrame = readBack(view()); });
    auto feedback = [this] {
        ++fakeTicks;
        view().doLoadingFeedback();
    };
    Sound sound;
    view().setTheSounds(&sound);
    view().setPlayOpening(true);
    ASSERT_EQ(view().getFeedbackCount(), 2);
    feedback();
    feedback();
    EXPECT_EQ(view().getRedrawCount(), 0);
    feedback();
    EXPECT_EQ(view().getRedrawCount(), 1);
    view().doLoadingFeedback();  // the same tick: not drawn
    EXPECT_EQ(view().getRedrawCount(), 1);
    while (view().getFeedbackCount() < 258) feedback();
    EXPECT_EQ(sound.plays, 1) << "the fly-by plays once";
    view().setTheSounds(nullptr);

    // A tip number from outside the list is brought back into it, and drawn.
    for (auto [set, shown] : {std::pair{-1, 0}, {40, 11}}) {
        view().setTipNumber(set);
        feedback();
        EXPECT_EQ(view().getTipNumber(), shown);
        EXPECT_GT(brightPixels(lastFrame, int(0.22 * width), int(0.605 * height), int(0.9 * width), int(0.77 * height)),
                  200);
    }
    EXPECT_TRUE(MyZephGLView::tipLines(12).empty());
    view().setFrameObserver({});
}

// What a frame changes for a cloud layer or a line of text is put back.
TEST_F(ScreenTest, TheHorizonFogAndTheDepthTestSurviveTheFramesChanges) {
    view().setHorizonColorRed(0.5, 0.6, 0.7);
    view().setSunVectorFromTime(12);
    view().saveCurrentFogParameters();
    view().glSetFogParameters(0.9, 0.9, 0.9, GL_LINEAR, 0.001f);
    view().restoreFogParameters();
    GLfloat fog[4];
    glGetFloatv(GL_FOG_COLOR, fog);
    EXPECT_NEAR(fog[2], 0.7, 1e-6);
    view().glRenderStart();
    EXPECT_NEAR(pixel(readBack(view()), 10, 10)[2], 0.7 * 255, 1.5) << "the horizon is the clear colour";
    view().setHorizonColorRed(1, 1, 1);

    glDepthFunc(GL_GREATER);
    const unsigned char empty[1] = {0};
    view().glOpenGLText(0.5, 0.5, empty, 0, 1.0f, 1.0);
    GLint func = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    EXPECT_EQ(func, GL_GREATER) << "empty text";
    glDepthFunc(GL_LEQUAL);
    // A line leaves the depth test, the texture's mode and the scissor test as it found them.
    const unsigned char word[5] = {4, 'K', 'i', 'l', 'l'};
    view().glOpenGLText(0.5, 0.5, word, 0, 1.0f, 1.0);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && !glIsEnabled(GL_SCISSOR_TEST) && mode == GL_MODULATE) << "after a line";
}

// A line of text, opaque or see-through, looks as it would with each of its cells drawn whole (its
// colour left current), yet makes fragments only where a letter's ink can reach and none for its
// spaces, under the frame's blend. By the plain rules its letters are sent whole; under a blend a
// clear texel would show in, every cell is.
TEST_F(ScreenTest, ALineOfTextLooksAsItsWholeCellsWouldYetSendsOnlyItsInk) {
    const auto line = [](const std::string& s) {
        std::vector<unsigned char> text(s.size() + 1, uint8_t(s.size()));
        std::copy(s.begin(), s.end(), text.begin() + 1);
        return text;
    };
    const std::string words = "Kills:  #1R: 1   #2R: 0 _|g      ";
    constexpr double kAcross = 0.02, kDown = 0.5;
    constexpr float kSize = 1.65f;
    double across = kAcross, down = kDown;
    float size = kSize;
    const auto ground = [&] {
        view().setEraseColorRed(0.3, 0.55, 0.7);
        view().glRenderStart();
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    };
    // What `target` counts while `draw` runs: fragments passed, or primitives sent.
    const auto counted = [](GLenum target, const std::function<void()>& draw) {
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(target, query);
        draw();
        glEndQuery(target);
        GLuint n = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
        glDeleteQueries(1, &query);
        return n;
    };
    const auto fragments = [&](const std::function<void()>& draw) { return counted(GL_SAMPLES_PASSED, draw); };
    double trans = 1.0;  // the line's opacity
    const auto text = [&](const std::string& s) {
        view().glOpenGLText(across, down, line(s).data(), 0, size, trans);
    };
    // Every cell of `s` whole, spaces too, one glyph at a time.
    const auto cells = [&](const std::string& s) {
        glMatrixMode(GL_PROJECTION), glLoadIdentity(), glMatrixMode(GL_MODELVIEW), glLoadIdentity();
        glDepthFunc(GL_ALWAYS);
        glEnable(GL_TEXTURE_2D), glDisable(GL_LIGHTING), glDisable(GL_ALPHA_TEST);
        view().glSetCurrentTexture(view().getFontTexture(), 12);
        for (size_t i = 0; i < s.size(); ++i)
            view().glSetTextTextureBig(across, down, int32_t(i), s[i], size, trans);
        glDepthFunc(GL_LEQUAL);
    };
    // See-through at an opacity between the 8-bit steps, and opaque; unfogged, then under a linear
    // fog that starts at the eye (and leaves the text as it is), then under one that starts behind
    // it (and fogs the text). The line is its cells' to the bit.
    GLuint whole = 0, cut = 0;
    RGBAImage byLine;
    for (const float fogStart : {1.0f, 0.0f, -60.0f})
        for (const double opacity : {0.6173, 1.0}) {
            trans = opacity;
            const auto fogged = [&](const std::function<void()>& draw) {
                const GLfloat fogColour[4] = {0.9f, 0.2f, 0.1f, 1};
                glFogi(GL_FOG_MODE, GL_LINEAR), glFogfv(GL_FOG_COLOR, fogColour);
                glFogf(GL_FOG_START, fogStart), glFogf(GL_FOG_END, 100);
                fogStart <= 0 ? glEnable(GL_FOG) : glDisable(GL_FOG);
                const GLuint n = fragments(draw);
                EXPECT_EQ(bool(glIsEnabled(GL_FOG)), fogStart <= 0) << "the fog as it was";
                return n;
            };
            ground();
            whole = fogged([&] { cells(words); });
            const RGBAImage byCells = readBack(view());
            ground();
            cut = fogged([&] { text(words); });
            byLine = readBack(view());
            long differ = 0;
            for (size_t k = 0; k < byLine.pixels.size(); k += 4)
                differ += !std::equal(&byLine.pixels[k], &byLine.pixels[k + 3], &byCells.pixels[k]);
            EXPECT_EQ(differ, 0) << "pixels the line draws otherwise than its cells one by one at " << opacity
                                 << ", fog from " << fogStart;
        }
    EXPECT_GT(brightPixels(byLine, 0, 0, width, height, 200), 100) << "the letters are drawn";
    EXPECT_LT(cut, whole / 2) << "fragments of the line against its whole cells'";
    // At the sizes the game writes in, wherever the letters fall between pixel centres and at the
    // window's top and bottom, the cut keeps every pixel a letter's ink reaches.
    for (const double at : {0.02, kDown, 0.93})
        for (const float sized : {1.0f, 1.2f, 1.65f, 2.7f})
            for (const double shift : {0.1, 0.37, 0.5, 0.81}) {
                size = sized, across = kAcross + shift / width, down = at;
                ground();
                const GLuint cellFragments = fragments([&] { cells(words); });
                const RGBAImage byCells = readBack(view());
                ground();
                const GLuint lineFragments = fragments([&] { text(words); });
                EXPECT_LE(pellam::testing::farthestApart(readBack(view()), byCells), 1)
                    << "levels apart at size " << sized << ", " << shift << " pixel across, " << at << " down";
                EXPECT_LT(lineFragments, cellFragments / 2) << "fragments at size " << sized;
            }
    size = kSize, across = kAcross, down = kDown;
    EXPECT_EQ(fragments([&] { text("        "); }), 0u) << "blank spaces sent";

    view().setExactDrawing(true);
    const std::string letters = "Kills:#1R";
    EXPECT_EQ(fragments([&] { text(letters); }), fragments([&] { cells(letters); })) << "letters cut by the plain rules";
    view().setExactDrawing(false);
    // Added on, a cell's clear texels are drawn: the blend no longer leaves them unseen.
    glBlendFunc(GL_ONE, GL_ONE);
    EXPECT_EQ(fragments([&] { text(words); }), whole) << "cells left out or cut where they could show";
    view().setEraseColorRed(1, 1, 1);
}

// With the show deferred, a frame drawn is shown once: by the next frame's start or by the next
// frame drawn, whichever comes first, and never over a frame drawn since; with the swap synced to
// the display, at once.
TEST_F(ScreenTest, ADeferredFrameIsShownOnceBeforeTheNextIsDrawn) {
    // What the window shows: its middle pixel as the display has it.
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(view().getGLWindow()->sdlWindow(), &wm) && wm.subsystem == SDL_SYSWM_X11);
    auto front = [&] {
        XImage* image = XGetImage(wm.info.x11.display, wm.info.x11.window, width / 2, height / 2, 1, 1, AllPlanes, ZPixmap);
        if (!image) return std::array<int, 3>{-1, -1, -1};
        const unsigned long p = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return std::array<int, 3>{(p >> 16 & 255) > 128, (p >> 8 & 255) > 128, (p & 255) > 128};
    };
    auto frame = [this](double r, double g, double b) {
        view().setEraseColorRed(r, g, b);
        view().glRenderStart();
        view().glRenderEnd();
    };
    view().setDeferredShow(true);
    frame(0, 0, 0);
    view().showFrame();
    frame(1, 0, 0);
    EXPECT_EQ(front(), (std::array<int, 3>{0, 0, 0})) << "shown before its time";
    view().showFrame();
    EXPECT_EQ(front(), (std::array<int, 3>{1, 0, 0}));
    glClearColor(0, 0, 1, 1);  // drawn behind the view's back: a second show would bring it up
    glClear(GL_COLOR_BUFFER_BIT);
    view().showFrame();
    EXPECT_EQ(front(), (std::array<int, 3>{1, 0, 0})) << "shown twice";
    frame(0, 1, 0);
    view().setEraseColorRed(0, 0, 0);
    view().glRenderStart();  // the next frame, with the green one still waiting
    EXPECT_EQ(front(), (std::array<int, 3>{0, 1, 0}));
    view().glRenderEnd();
    view().showFrame();
    view().setVBLSyncing(1);  // a swap that waits for the display's refresh is not put off
    frame(0, 0, 1);
    EXPECT_EQ(front(), (std::array<int, 3>{0, 0, 1}));
    view().setVBLSyncing(0);
    view().setDeferredShow(false);
}

TEST_F(ScreenTest, MultisamplingTheDisplayCannotGiveStillMakesAWorkingView) {
    platform::UserDefaults prefs((scratchFolder() / "aa.json").string());
    prefs.setBool("UseAntiAliasingKey", true);
    MyZephGLView smoothed(prefs);
    ASSERT_TRUE(smoothed.initWithFrame(ZephGLView::preferredFrame(prefs)));
    EXPECT_GE(smoothed.getFontTexture(), 0);
    smoothed.glRenderStart();
    smoothed.glRenderEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

namespace {

class ShotTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        folder = scratchFolder() / "home" / "Desktop";
        fs::remove_all(folder);
        view().setScreenShotFolder(folder.string());  // not there yet: made on the first shot
        view().setScreenSaveNameString("/Desktop/Pellam Screen Shot");
        view().setScreenShotSound([this] { ++sounds; });
        view().setScreenSaveType(0);
        fakeTicks += 1000;
    }
    void TearDown() override {
        view().glRenderEnd();
        landed();  // nothing of this test's is written, sounded or told after it
        view().setScreenShotSound({});
    }
    // A blue frame with a red block in its upper left quarter.
    RGBAImage drawScene() {
        view().setEraseColorRed(0.2, 0.4, 0.7);
        view().glRenderStart();
        glEnable(GL_SCISSOR_TEST);
        glScissor(width / 4, height / 2, width / 4, height / 4);
        glClearColor(0.9f, 0.1f, 0.1f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        return readBack(view());
    }
    // Waits for the shots handed to the writer, then takes the view's notices as a frame does.
    void landed() {
        view().flushScreenShots();
        told = view().takeNotices();
    }
    std::vector<std::string> told;
    std::string shot(int n, const char* ext = ".jpg") {
        return (folder / ("Pellam Screen Shot " + std::to_string(n) + ext)).string();
    }
    // A shot read back as the game reads any picture; empty when it cannot be.
    static RGBAImage readShot(const std::string& path) {
        RGBAImage image;
        std::string why;
        EXPECT_EQ(readPicture(path, image, 8192, why), PictureRead::kRead) << path << ": " << why;
        return image;
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

TEST_F(ShotTest, WritesTheFrameAsTiffOrJpegNumbersTheFilesAndBeepsWhenItCannot) {
    // A pending shot is taken once, before the swap.
    view().setScreenSaveType(1);
    const RGBAImage frame = drawScene();
    view().setScreenShotPending();
    view().glRenderEnd();
    landed();
    RGBAImage file = readShot(shot(1, ".tif"));
    ASSERT_FALSE(file.pixels.empty());
    EXPECT_EQ(meanError(file, frame), 0.0);  // TIFF keeps every bit
    fakeTicks += 400;
    drawScene();
    view().glRenderEnd();
    EXPECT_FALSE(fs::exists(shot(2, ".tif")));
    fs::remove(shot(1, ".tif"));

    view().setScreenSaveType(0);
    drawScene();
    ASSERT_TRUE(view().doScreenSaveFromOpenGL());
    landed();
    EXPECT_EQ(view().lastScreenShotPath(), shot(1));
    file = readShot(shot(1));
    ASSERT_EQ(file.width, frame.width);
    ASSERT_EQ(file.height, frame.height);
    EXPECT_LT(meanError(file, frame), 3.0);  // JPEG at 0.8
    // Top row first: the block is in the upper half of the file too.
    EXPECT_GT(pixel(file, int(0.3 * width), int(0.3 * height))[0], 180);
    EXPECT_LT(pixel(file, int(0.3 * width), int(0.7 * height))[0], 100);

    // Two seconds later: refused; five seconds later: the next number.
    fakeTicks += 120;
    EXPECT_FALSE(view().doScreenSaveFromOpenGL());
    EXPECT_FALSE(fs::exists(shot(2)));
    fakeTicks += 180;
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());
    landed();
    EXPECT_TRUE(fs::exists(shot(2)));
    // The first free number: with 1 and 3 there, 2.
    fs::remove(shot(2));
    std::ofstream(shot(3)) << "x";
    fakeTicks += 300;
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());
    landed();
    EXPECT_EQ(view().lastScreenShotPath(), shot(2));
    EXPECT_EQ(sounds, 4);
    EXPECT_TRUE(told.empty());

    // All 99 numbers taken: no shot, a beep and a notice at once.
    for (int n = 1; n <= 99; ++n) std::ofstream(shot(n)) << "x";
    fakeTicks += 400;
    long beeps = platform::beepCount();
    EXPECT_FALSE(view().doScreenSaveFromOpenGL());
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    landed();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(folder.string()), std::string::npos) << told[0];
    // A folder nobody may write in: the writer's failure reaches the frame as a beep and a notice
    // naming the file; no file, no success sound.
    view().setScreenShotFolder("/proc");
    fakeTicks += 400;
    beeps = platform::beepCount();
    EXPECT_TRUE(view().doScreenSaveFromOpenGL());  // handed to the writer
    landed();
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("/proc/Pellam Screen Shot 1.jpg"), std::string::npos) << told[0];
    EXPECT_FALSE(fs::exists("/proc/Pellam Screen Shot 1.jpg"));
    EXPECT_EQ(sounds, 4);
}

// A disk that fills, or a quota, cuts a shot short (here a limit on the size of any file this
// process writes): each writer's failure is told with the system's reason and a beep, no file
// keeps the shot's name, and the shutter stays silent.
TEST_F(ShotTest, AShotCutShortIsToldAndKeepsNoFile) {
    for (const int type : {0, 1}) {
        SCOPED_TRACE(type);
        view().setScreenSaveType(type);
        fakeTicks += 400;
        drawScene();
        const long beeps = platform::beepCount();
        {
            const pellam::testing::FileSizeLimit limit(256);  // bytes: less than either file's header and tables
            ASSERT_TRUE(view().doScreenSaveFromOpenGL());
            view().flushScreenShots();
        }
        landed();
        const std::string path = shot(1, type == 1 ? ".tif" : ".jpg");
        ASSERT_EQ(told.size(), 1u);
        EXPECT_NE(told[0].find(path), std::string::npos) << told[0];
        EXPECT_NE(told[0].find(std::strerror(EFBIG)), std::string::npos) << told[0];
        EXPECT_EQ(platform::beepCount(), beeps + 1);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 0) << "neither the shot nor a part of it";
    }
    EXPECT_EQ(sounds, 0);

    // With room again, the next shot takes the name the failed one would have had.
    fakeTicks += 400;
    drawScene();
    ASSERT_TRUE(view().doScreenSaveFromOpenGL());
    landed();
    EXPECT_TRUE(told.empty());
    EXPECT_FALSE(readShot(shot(1, ".tif")).pixels.empty());
    EXPECT_EQ(sounds, 1);
}

// Shots taken while the ones before are still being written each get a name of their own: none
// is written over another.
TEST_F(ShotTest, ShotsStillBeingWrittenKeepTheirNames) {
    std::promise<void> go;
    std::shared_future<void> released = go.get_future().share();
    view().screenShotWriter().queue("held", [released] {
        released.wait();
        return std::string();
    });
    std::set<std::string> names;
    for (int n = 0; n < 3; ++n) {
        fakeTicks += 300;
        drawScene();
        ASSERT_TRUE(view().doScreenSaveFromOpenGL());
        names.insert(view().lastScreenShotPath());
    }
    go.set_value();
    landed();
    EXPECT_EQ(names, (std::set<std::string>{shot(1), shot(2), shot(3)}));
    for (const std::string& name : names) EXPECT_TRUE(fs::exists(name)) << name;
    EXPECT_TRUE(told.empty());
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
    setenv("HOME", oldHome.c_str(), 1);
}
