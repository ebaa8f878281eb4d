// The ground's passes folded together must leave the picture as it was: the sky drawn behind the
// ground against the sky drawn first, the detail map on a second texture unit against a blended
// second pass, and road squares cut to their road shape against whole squares.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "tests/world/WorldFrame.h"
#include "world/draw/WorldDraw.h"

namespace pellam {
namespace {

constexpr int kWidth = test::WorldFrame::kWidth, kHeight = test::WorldFrame::kHeight;

struct Difference {
    int largest = 0;
    long over3 = 0;    // pixels with a channel more than 3 levels apart
    long changed = 0;  // pixels with any difference
};

Difference compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference d;
    for (size_t k = 0; k < a.size(); k += 4) {
        int m = 0;
        for (int c = 0; c < 3; ++c) m = std::max(m, std::abs(int(a[k + c]) - int(b[k + c])));
        d.largest = std::max(d.largest, m);
        d.over3 += m > 3;
        d.changed += m > 0;
    }
    return d;
}

class WorldPassesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* build = std::getenv("PELLAM_BUILD_DIR");
        ASSERT_NE(build, nullptr);
        world = std::make_unique<test::WorldFrame>();
        std::string error;
        ASSERT_TRUE(world->open(build, error)) << error;
        view = &world->view, terrain = &world->terrain, sky = &world->sky;
        sky->setTimeOfDay(11.0);
    }
    static void TearDownTestSuite() { world.reset(); }
    void TearDown() override {
        terrain->setDrawDetail(1);
        terrain->setFogDistance(0.0);
    }

    enum class Sky { First, BehindGround };
    // Starts a frame: cleared, the camera loaded, the fog coloured like the horizon.
    void begin(const worlddraw::Eye& eye, const test::Camera& cam) {
        const SkyColours c = sky->getSkyColours();
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        test::WorldFrame::loadView(cam);
        const float fog[4] = {c.Horizon[0], c.Horizon[1], c.Horizon[2], 1};
        glFogfv(GL_FOG_COLOR, fog);
        terrain->setEyePosition(eye.X, eye.Y, eye.Z);
    }
    std::vector<uint8_t> pixels() {
        glFinish();
        std::vector<uint8_t> out(size_t(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return out;
    }
    std::vector<uint8_t> frame(const worlddraw::Eye& eye, const test::Camera& cam, Sky order) {
        begin(eye, cam);
        const auto name = [](int32_t slot) { return view->glName(slot); };
        if (order == Sky::First) worlddraw::drawSkyDome(*sky, name);
        drawer.draw(*terrain, eye, name, sky->getSkyColours().Light);
        if (order == Sky::BehindGround) worlddraw::drawSkyDome(*sky, name, true);
        return pixels();
    }

    static inline std::unique_ptr<test::WorldFrame> world;
    static inline test::GLTextureView* view = nullptr;
    static inline RIDUdidav* terrain = nullptr;
    static inline TexturedSkyDome* sky = nullptr;
    worlddraw::TerrainDrawer drawer;
};

// Low over Albert, looking down the road south-east out of the town.
const worlddraw::Eye kLowOverAlbert{2020000.0, 1200.0, 2047000.0};
const test::Camera kDown{106.0, -20.0}, kLevel{106.0, 2.0};

TEST_F(WorldPassesTest, TheSkyBehindTheGroundIsTheSkyDrawnFirst) {
    terrain->setFogDistance(0.0);
    for (const test::Camera& cam : {kDown, kLevel}) {
        const auto first = frame(kLowOverAlbert, cam, Sky::First);
        const auto behind = frame(kLowOverAlbert, cam, Sky::BehindGround);
        const Difference d = compare(first, behind);
        EXPECT_LE(d.largest, 2) << "pitch " << cam.Pitch;
        // Not a frame the sky failed to reach: its top row is the sky's blue.
        const uint8_t* top = &behind[(size_t(kHeight - 1) * kWidth + kWidth / 2) * 4];
        EXPECT_GT(top[2], top[0] + 10);
    }
}

TEST_F(WorldPassesTest, DetailOnASecondUnitMatchesADetailPassBlendedOver) {
    // The detail map as it used to be drawn: the near squares again, blended as twice the product.
    terrain->setFogDistance(0.0);  // no fog within the detail's reach, where the two must agree
    const auto onePass = frame(kLowOverAlbert, kDown, Sky::BehindGround);
    terrain->setDrawDetail(0);
    const auto plain = frame(kLowOverAlbert, kDown, Sky::BehindGround);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, view->glName(terrain->DetailSlot));
    const double sq = world::kSquareFeet, reach = worlddraw::TerrainDrawer::kDetailDistance;
    const auto& e = kLowOverAlbert;
    const int ci = int(e.X / sq), cj = int(e.Z / sq), r = int(reach / sq) + 1;
    glBegin(GL_TRIANGLES);
    for (int j = cj - r; j <= cj + r; ++j)
        for (int i = ci - r; i <= ci + r; ++i) {
            const double dx = std::max({i * sq - e.X, e.X - (i + 1) * sq, 0.0});
            const double dz = std::max({j * sq - e.Z, e.Z - (j + 1) * sq, 0.0});
            if (std::hypot(dx, dz) >= reach) continue;
            for (const auto& c : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}}) {
                glTexCoord2f(float(((i % 64) + c.first) * 8.0), float(((j % 64) + c.second) * 8.0));
                glVertex3f(float((i + c.first) * sq - e.X), float(terrain->postFeet(i + c.first, j + c.second) - e.Y),
                           float((j + c.second) * sq - e.Z));
            }
        }
    glEnd();
    glPopAttrib();
    const auto twoPass = pixels();

    const Difference d = compare(onePass, twoPass);
    EXPECT_LT(d.over3, long(kWidth) * kHeight / 200) << "largest " << d.largest;
    // And the detail is there at all: without it a good part of the near ground differs.
    EXPECT_GT(compare(onePass, plain).over3, long(kWidth) * kHeight / 10);
}

TEST_F(WorldPassesTest, RoadShapesDrawTheRoadsOfWholeSquares) {
    terrain->setFogDistance(0.0);
    drawer.RoadShapeDistance = 0.0;  // every road square whole
    const auto whole = frame(kLowOverAlbert, kDown, Sky::BehindGround);
    drawer.RoadShapeDistance = 1.0e6;  // every road square cut to its shape
    const auto cut = frame(kLowOverAlbert, kDown, Sky::BehindGround);
    const Difference d = compare(whole, cut);
    // A pixel on a road's edge may fall the other way where a cut runs through it.
    EXPECT_LT(d.over3, 40) << "largest " << d.largest << ", " << d.changed << " changed";
    EXPECT_LT(drawer.trianglesDrawn(), 3 * 20000);
}

}  // namespace
}  // namespace pellam
