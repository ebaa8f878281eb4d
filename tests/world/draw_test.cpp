// The terrain, sky and a cloud drawn under Xvfb from the generated world, read back from the frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "tests/world/GLTextureView.h"
#include "tests/world/WorldGL.h"
#include "world/draw/WorldDraw.h"

namespace pellam {
namespace {

constexpr int kWidth = 640, kHeight = 400;

using test::Camera;

void loadView(const Camera& c) { test::loadView(c, kWidth, kHeight); }

class WorldDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world.open(kWidth, kHeight, "world draw test");
        if (::testing::Test::HasFatalFailure()) return;
        window = world.window, view = world.view, terrain = world.terrain, sky = world.sky;
        cloud = new FirstCloud;
        cloud->initWithGLView(view);
    }
    static void TearDownTestSuite() {
        delete cloud;
        world.close();
    }

    // One frame: sky, terrain, cloud decks and the cloud if asked; the pixels, bottom row first.
    std::vector<uint8_t> frame(const worlddraw::Eye& eye, const Camera& cam, bool withCloud) {
        const auto name = [](int32_t slot) { return view->glName(slot); };
        const SkyColours c = sky->getSkyColours();
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(c.Horizon[0], c.Horizon[1], c.Horizon[2], 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        loadView(cam);
        const float fog[4] = {c.Horizon[0], c.Horizon[1], c.Horizon[2], 1};
        glFogfv(GL_FOG_COLOR, fog);
        terrain->setEyePosition(eye.X, eye.Y, eye.Z);
        worlddraw::drawSkyDome(*sky, name);
        drawer.draw(*terrain, eye, name, c.Light);
        drawer.drawCloudLayers(*terrain, eye, name, c.Light);
        if (withCloud) worlddraw::drawCloud(*cloud, eye, name, c.Light);
        glFinish();
        std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return pixels;
    }

    static void save(const std::vector<uint8_t>& pixels, const std::string& name) {
        platform::RGBAImage image;
        image.width = kWidth;
        image.height = kHeight;
        image.pixels.resize(pixels.size());
        const size_t row = size_t(kWidth) * 4;
        for (int y = 0; y < kHeight; ++y) std::copy_n(&pixels[size_t(kHeight - 1 - y) * row], row, &image.pixels[size_t(y) * row]);
        platform::writePng(std::string(std::getenv("PELLAM_BUILD_DIR")) + "/" + name, image);
    }

    static inline test::WorldGL world;
    static inline platform::GLWindow* window = nullptr;
    static inline test::GLTextureView* view = nullptr;
    static inline RIDUdidav* terrain = nullptr;
    static inline TexturedSkyDome* sky = nullptr;
    static inline FirstCloud* cloud = nullptr;
    worlddraw::TerrainDrawer drawer;
};

// Above Albert at 3,000 ft, looking down the front towards St. Quentin.
const worlddraw::Eye kOverAlbert{2020000.0, 3000.0, 2047000.0};
const Camera kAlongTheFront{106.0, -9.0};

TEST_F(WorldDrawTest, TerrainLiesUnderTheSkyWithTheirOwnColours) {
    sky->setTimeOfDay(11.0);
    terrain->setFogDistance(0.0);  // the farthest
    const auto pixels = frame(kOverAlbert, kAlongTheFront, false);
    save(pixels, "world_front.png");

    // Top rows: sky, bluer than it is red. Lower half: ground, many colours and not the sky's.
    auto px = [&](int x, int y) { return &pixels[(size_t(y) * kWidth + x) * 4]; };
    int skyLike = 0;
    for (int x = 0; x < kWidth; ++x)
        if (px(x, kHeight - 3)[2] > px(x, kHeight - 3)[0] + 10) ++skyLike;
    EXPECT_GT(skyLike, kWidth * 9 / 10);
    std::set<uint32_t> colours;
    long ground = 0;
    for (int y = 0; y < kHeight / 2; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = px(x, y);
            colours.insert(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
            if (p[2] + 10 < p[0] || p[2] + 10 < p[1]) ++ground;  // earth, crops and grass are warmer than the sky
        }
    EXPECT_GT(colours.size(), 2000u);
    EXPECT_GT(ground, long(kWidth) * kHeight / 2 * 8 / 10);
}

TEST_F(WorldDrawTest, ACloudInViewChangesTheFrame) {
    sky->setTimeOfDay(14.0);
    terrain->setFogDistance(0.0);
    cloud->makeACulmulus(7);
    // A mile and a third ahead along the view, level with the eye.
    const double h = kAlongTheFront.Heading * M_PI / 180;
    cloud->setModelPositionX(kOverAlbert.X + std::sin(h) * 7000, 2500.0, kOverAlbert.Z + std::cos(h) * 7000);
    const Camera level{kAlongTheFront.Heading, 0.0};
    const auto without = frame(kOverAlbert, level, false);
    const auto with = frame(kOverAlbert, level, true);
    save(with, "world_cloud.png");
    long changed = 0, whiter = 0;
    for (size_t k = 0; k < with.size(); k += 4) {
        const int d = std::abs(with[k] - without[k]) + std::abs(with[k + 1] - without[k + 1]) + std::abs(with[k + 2] - without[k + 2]);
        if (d > 30) ++changed;
        if (with[k] > without[k] + 20) ++whiter;
    }
    EXPECT_GT(changed, 3000);
    EXPECT_GT(whiter, 2000);  // white cloud over sky and ground
}

TEST_F(WorldDrawTest, LowSunAndACeilingDeckDraw) {
    sky->setTimeOfDay(19.2);
    terrain->SetDetailsForLayer(0, 1, 5000.0, 6500.0);
    terrain->setFogDistance(0.00002);
    terrain->setEyePosition(2250000.0, 3000.0, 1880000.0);
    sky->setBelowCeiling(terrain->returnAbsoluteCloudLayerState() == 5);  // as the game does below a deck
    const auto pixels = frame({2250000.0, 3000.0, 1880000.0}, {200.0, 4.0}, false);
    save(pixels, "world_evening.png");
    terrain->SetDetailsForLayer(0, 0, 0.0, 0.0);
    sky->setBelowCeiling(0);
    // Under the deck the upper frame is the deck's grey, not the evening sky.
    const uint8_t* top = &pixels[(size_t(kHeight - 2) * kWidth + kWidth / 2) * 4];
    EXPECT_LT(std::abs(int(top[0]) - int(top[2])), 40);
}

// The frame time of the farthest view along the front: printed for the record, not judged.
TEST_F(WorldDrawTest, FrameTimeAlongTheFront) {
    sky->setTimeOfDay(11.0);
    terrain->setFogDistance(0.0);
    frame(kOverAlbert, kAlongTheFront, true);
    const int frames = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < frames; ++k) frame(kOverAlbert, {kAlongTheFront.Heading + k, kAlongTheFront.Pitch}, true);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / frames;
    std::printf("terrain frame along the front, fog %.0f ft: %.1f ms, %ld triangles\n", terrain->getFogDistance(), ms,
                drawer.trianglesDrawn());
    EXPECT_GT(drawer.trianglesDrawn(), 10000);
}

}  // namespace
}  // namespace pellam

namespace pellam {
namespace {

// Pictures for a person to look at; run with PELLAM_WORLD_VIEWS=1.
TEST_F(WorldDrawTest, ViewsForInspection) {
    if (!std::getenv("PELLAM_WORLD_VIEWS")) GTEST_SKIP();
    sky->setTimeOfDay(10.0);
    terrain->setFogDistance(0.0);
    save(frame({2075600.0, 5000.0, 2278960.0}, {90.0, -25.0}, false), "view_ypres.png");
    save(frame({2342000.0, 1300.0, 1846240.0}, {270.0, -4.0}, false), "view_bridge.png");
    save(frame({2128694.0, 2500.0, 2130000.0}, {0.0, -50.0}, false), "view_douai.png");
    save(frame({2171797.0, 1500.0, 1990000.0}, {20.0, -20.0}, false), "view_stquentin.png");
}

}  // namespace
}  // namespace pellam
