// The terrain, sky and a cloud drawn under Xvfb from the generated world, read back from the frame.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "tests/world/WorldFrame.h"

namespace pellam {
namespace {

using test::Camera;
using test::kAlongTheFront;
using test::kOverAlbert;
constexpr int kWidth = test::WorldFrame::kWidth, kHeight = test::WorldFrame::kHeight;

class WorldDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* build = std::getenv("PELLAM_BUILD_DIR");
        ASSERT_NE(build, nullptr);
        world = new test::WorldFrame;
        std::string error;
        ASSERT_TRUE(world->open(build, error)) << error;
        sky = &world->sky;
        terrain = &world->terrain;
        cloud = &world->cloud;
    }
    static void TearDownTestSuite() { delete world; }

    std::vector<uint8_t> frame(const worlddraw::Eye& eye, const Camera& cam, bool withCloud) {
        auto pixels = world->draw(eye, cam, withCloud);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return pixels;
    }
    static void save(const std::vector<uint8_t>& pixels, const std::string& name) {
        test::WorldFrame::save(pixels, std::string(std::getenv("PELLAM_BUILD_DIR")) + "/" + name);
    }

    static inline test::WorldFrame* world = nullptr;
    static inline TexturedSkyDome* sky = nullptr;
    static inline RIDUdidav* terrain = nullptr;
    static inline FirstCloud* cloud = nullptr;
};

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

}  // namespace
}  // namespace pellam
