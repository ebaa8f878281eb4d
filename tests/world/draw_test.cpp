// The sky, terrain and clouds drawn under Xvfb from the generated world, read back from the
// frame: a cloud and a ceiling deck show; and the ground's passes folded together leaving the picture as it was: the sky drawn
// behind the ground against the sky drawn first, and road squares cut to their road shape against
// whole squares.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/world/WorldFrame.h"

namespace pellam {
namespace {

using test::Camera;
constexpr int kWidth = test::WorldFrame::kWidth, kHeight = test::WorldFrame::kHeight;

struct Difference {
    int largest = 0;
    long over3 = 0;  // pixels with a channel more than 3 levels apart
};

Difference compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference d;
    for (size_t k = 0; k < a.size(); k += 4) {
        int m = 0;
        for (int c = 0; c < 3; ++c) m = std::max(m, std::abs(int(a[k + c]) - int(b[k + c])));
        d.largest = std::max(d.largest, m);
        d.over3 += m > 3;
    }
    return d;
}

const uint8_t* pixel(const std::vector<uint8_t>& frame, int x, int y) { return &frame[(size_t(y) * kWidth + x) * 4]; }

class WorldDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world = std::make_unique<test::WorldFrame>();
        std::string error;
        ASSERT_TRUE(world->open(std::getenv("PELLAM_BUILD_DIR"), error)) << error;
    }
    static void TearDownTestSuite() { world.reset(); }
    void SetUp() override {
        world->sky.setTimeOfDay(11.0);
        world->terrain.setFogDistance(0.0);  // the farthest
        world->terrain.setDrawDetail(1);
    }
    std::vector<uint8_t> frame(const worlddraw::Eye& eye, const Camera& cam, bool withCloud, bool skyBehind = false) {
        auto pixels = world->draw(eye, cam, withCloud, skyBehind);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return pixels;
    }

    static inline std::unique_ptr<test::WorldFrame> world;
};

TEST_F(WorldDrawTest, ACloudInViewAndACeilingDeckShow) {
    // A cumulus a mile and a third ahead, level with the eye, whitens a good part of the frame.
    world->cloud.makeACulmulus(7);
    const double h = test::kAlongTheFront.Heading * M_PI / 180;
    world->cloud.setModelPositionX(test::kOverAlbert.X + std::sin(h) * 7000, 2500.0, test::kOverAlbert.Z + std::cos(h) * 7000);
    const Camera level{test::kAlongTheFront.Heading, 0.0};
    const auto without = frame(test::kOverAlbert, level, false), with = frame(test::kOverAlbert, level, true);
    long whiter = 0;
    for (size_t k = 0; k < with.size(); k += 4) whiter += with[k] > without[k] + 20;
    EXPECT_GT(whiter, 2000);

    // Under a ceiling deck in the evening the top of the frame is the deck's grey, not the sky.
    world->sky.setTimeOfDay(19.2);
    world->terrain.SetDetailsForLayer(0, 1, 5000.0, 6500.0);
    world->terrain.setFogDistance(0.00002);
    world->terrain.setEyePosition(2250000.0, 3000.0, 1880000.0);
    world->sky.setBelowCeiling(world->terrain.returnAbsoluteCloudLayerState() == 5);  // as the game does below a deck
    const auto evening = frame({2250000.0, 3000.0, 1880000.0}, {200.0, 4.0}, false);
    const uint8_t* top = pixel(evening, kWidth / 2, kHeight - 2);
    EXPECT_LT(std::abs(int(top[0]) - int(top[2])), 40);
    world->terrain.SetDetailsForLayer(0, 0, 0.0, 0.0);
    world->sky.setBelowCeiling(0);
}

TEST_F(WorldDrawTest, FoldedGroundPassesLeaveThePictureAsItWas) {
    // Low over Albert, looking level and down the road south-east out of the town.
    const worlddraw::Eye eye{2020000.0, 1200.0, 2047000.0};
    const Camera level{106.0, 2.0}, down{106.0, -20.0};
    const auto behind = frame(eye, level, false, true);
    EXPECT_LE(compare(frame(eye, level, false), behind).largest, 2);
    const uint8_t* top = pixel(behind, kWidth / 2, kHeight - 1);
    EXPECT_GT(top[2], top[0] + 10) << "the sky behind the ground reaches the top, not the black cleared";

    // Whole road squares against squares cut to their road shape: a pixel on a road's edge may
    // fall the other way where a cut runs through it.
    world->drawer.RoadShapeDistance = 0.0;
    const auto whole = frame(eye, down, false, true);
    world->drawer.RoadShapeDistance = 1.0e6;
    const auto cut = frame(eye, down, false, true);
    EXPECT_LT(world->drawer.trianglesDrawn(), 3 * 20000);
    const Difference roads = compare(whole, cut);
    EXPECT_LT(roads.over3, 40) << "largest " << roads.largest;

    world->terrain.setDrawDetail(0);
    EXPECT_GT(compare(cut, frame(eye, down, false, true)).over3, long(kWidth) * kHeight / 10) << "the detail map shows";
}

// A road picture the drawer cannot shape leaves its squares whole.
TEST(RoadShape, WithoutAUsablePictureTheWholeSquareIsKept) {
    worlddraw::RoadShape shape;
    shape.build({});
    EXPECT_FALSE(shape.ready());
    shape.build({std::vector<uint8_t>(10, 255)});  // not a square level
    EXPECT_FALSE(shape.ready());
}

}  // namespace
}  // namespace pellam
