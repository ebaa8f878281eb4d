// The terrain, sky and a cloud drawn under Xvfb from the generated world, read back from the
// frame; and the ground's passes folded together leaving the picture as it was: the sky drawn
// behind the ground against the sky drawn first, the detail map on a second texture unit against a
// blended second pass, and road squares cut to their road shape against whole squares.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>

#include "tests/world/WorldFrame.h"

namespace pellam {
namespace {

using test::Camera;
using test::kAlongTheFront;
using test::kOverAlbert;
using Sky = test::WorldFrame::Sky;
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

const uint8_t* pixel(const std::vector<uint8_t>& frame, int x, int y) { return &frame[(size_t(y) * kWidth + x) * 4]; }

class WorldDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* build = std::getenv("PELLAM_BUILD_DIR");
        ASSERT_NE(build, nullptr);
        world = std::make_unique<test::WorldFrame>();
        std::string error;
        ASSERT_TRUE(world->open(build, error)) << error;
    }
    static void TearDownTestSuite() { world.reset(); }
    void SetUp() override {
        world->sky.setTimeOfDay(11.0);
        world->terrain.setFogDistance(0.0);  // the farthest
        world->terrain.setDrawDetail(1);
    }

    std::vector<uint8_t> frame(const worlddraw::Eye& eye, const Camera& cam, bool withCloud, Sky order = Sky::First) {
        auto pixels = world->draw(eye, cam, withCloud, order);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return pixels;
    }

    static inline std::unique_ptr<test::WorldFrame> world;
};

// Low over Albert, looking down the road south-east out of the town.
const worlddraw::Eye kLowOverAlbert{2020000.0, 1200.0, 2047000.0};
const Camera kDown{106.0, -20.0}, kLevel{106.0, 2.0};

TEST_F(WorldDrawTest, TerrainLiesUnderTheSkyWithTheirOwnColours) {
    const auto pixels = frame(kOverAlbert, kAlongTheFront, false);
    // Top rows: sky, bluer than it is red. Lower half: ground, many colours and not the sky's.
    int skyLike = 0;
    for (int x = 0; x < kWidth; ++x)
        if (pixel(pixels, x, kHeight - 3)[2] > pixel(pixels, x, kHeight - 3)[0] + 10) ++skyLike;
    EXPECT_GT(skyLike, kWidth * 9 / 10);
    std::set<uint32_t> colours;
    long ground = 0;
    for (int y = 0; y < kHeight / 2; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = pixel(pixels, x, y);
            colours.insert(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
            if (p[2] + 10 < p[0] || p[2] + 10 < p[1]) ++ground;  // earth, crops and grass are warmer than the sky
        }
    EXPECT_GT(colours.size(), 2000u);
    EXPECT_GT(ground, long(kWidth) * kHeight / 2 * 8 / 10);
}

TEST_F(WorldDrawTest, ACloudInViewChangesTheFrame) {
    world->sky.setTimeOfDay(14.0);
    world->cloud.makeACulmulus(7);
    // A mile and a third ahead along the view, level with the eye.
    const double h = kAlongTheFront.Heading * M_PI / 180;
    world->cloud.setModelPositionX(kOverAlbert.X + std::sin(h) * 7000, 2500.0, kOverAlbert.Z + std::cos(h) * 7000);
    const Camera level{kAlongTheFront.Heading, 0.0};
    const auto without = frame(kOverAlbert, level, false);
    const auto with = frame(kOverAlbert, level, true);
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
    world->sky.setTimeOfDay(19.2);
    world->terrain.SetDetailsForLayer(0, 1, 5000.0, 6500.0);
    world->terrain.setFogDistance(0.00002);
    world->terrain.setEyePosition(2250000.0, 3000.0, 1880000.0);
    world->sky.setBelowCeiling(world->terrain.returnAbsoluteCloudLayerState() == 5);  // as the game does below a deck
    const auto pixels = frame({2250000.0, 3000.0, 1880000.0}, {200.0, 4.0}, false);
    world->terrain.SetDetailsForLayer(0, 0, 0.0, 0.0);
    world->sky.setBelowCeiling(0);
    // Under the deck the upper frame is the deck's grey, not the evening sky.
    const uint8_t* top = pixel(pixels, kWidth / 2, kHeight - 2);
    EXPECT_LT(std::abs(int(top[0]) - int(top[2])), 40);
}

// Behind the ground the dome also leaves out what lies below the ground's far edge.
TEST_F(WorldDrawTest, TheSkyBehindTheGroundIsTheSkyDrawnFirst) {
    const worlddraw::Eye high{kLowOverAlbert.X, 14000.0, kLowOverAlbert.Z};
    for (const worlddraw::Eye& eye : {kLowOverAlbert, high})
    for (const Camera& cam : {kDown, kLevel}) {
        const auto first = frame(eye, cam, false, Sky::First);
        const auto behind = frame(eye, cam, false, Sky::BehindGround);
        EXPECT_LT(world->drawer.lowestOpenElevation(), 0.0);
        EXPECT_GT(world->drawer.lowestOpenElevation(), -0.3) << "the ground reaches all round";
        EXPECT_LE(compare(first, behind).largest, 2) << "pitch " << cam.Pitch << " at " << eye.Y << " ft";
        // Not a frame the sky failed to reach: its top row is the sky's blue, not the black cleared.
        const uint8_t* top = pixel(behind, kWidth / 2, kHeight - 1);
        EXPECT_GT(top[2], top[0] + 10);
    }
}

TEST_F(WorldDrawTest, DetailOnASecondUnitMatchesADetailPassBlendedOver) {
    // No fog within the detail's reach, where the two must agree.
    const auto onePass = frame(kLowOverAlbert, kDown, false, Sky::BehindGround);
    world->terrain.setDrawDetail(0);
    const auto plain = frame(kLowOverAlbert, kDown, false, Sky::BehindGround);
    // The detail map as it used to be drawn: the near squares again, blended as twice the product.
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
    glBindTexture(GL_TEXTURE_2D, world->view.glName(world->terrain.DetailSlot));
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
                glVertex3f(float((i + c.first) * sq - e.X), float(world->terrain.postFeet(i + c.first, j + c.second) - e.Y),
                           float((j + c.second) * sq - e.Z));
            }
        }
    glEnd();
    glPopAttrib();
    const auto twoPass = test::WorldFrame::pixels();

    const Difference d = compare(onePass, twoPass);
    EXPECT_LT(d.over3, long(kWidth) * kHeight / 200) << "largest " << d.largest;
    // And the detail is there at all: without it a good part of the near ground differs.
    EXPECT_GT(compare(onePass, plain).over3, long(kWidth) * kHeight / 10);
}

TEST_F(WorldDrawTest, RoadShapesDrawTheRoadsOfWholeSquares) {
    const double shapeDistance = world->drawer.RoadShapeDistance;
    world->drawer.RoadShapeDistance = 0.0;  // every road square whole
    const auto whole = frame(kLowOverAlbert, kDown, false, Sky::BehindGround);
    world->drawer.RoadShapeDistance = 1.0e6;  // every road square cut to its shape
    const auto cut = frame(kLowOverAlbert, kDown, false, Sky::BehindGround);
    world->drawer.RoadShapeDistance = shapeDistance;
    const Difference d = compare(whole, cut);
    // A pixel on a road's edge may fall the other way where a cut runs through it.
    EXPECT_LT(d.over3, 40) << "largest " << d.largest << ", " << d.changed << " changed";
    EXPECT_LT(world->drawer.trianglesDrawn(), 3 * 20000);
}

}  // namespace
}  // namespace pellam
