// Ground explosions: the rising column, the explosion's end, a late request, a start at tick zero
// (paused and replayed in the running game in the effects tests).
#include <gtest/gtest.h>

#include <algorithm>

#include "objects/GroundExplosion.h"
#include "tests/objects/ObjectFakes.h"

namespace pellam {
namespace {

using fakes::RecordingView;

struct ExplosionTest : ::testing::Test {
    RecordingView view;
    GroundExplosion boom;
    void SetUp() override {
        boom.initWithGLView(&view);
        boom.setModelPositionX(1000, 200, 3000);
    }
    int shownPolygons() const {
        if (view.drawn.empty()) return 0;
        const auto& p = view.drawn.back().polygons;
        return int(std::count_if(p.begin(), p.end(), [](const OnePolygonVer2& q) { return !(q.DrawHints & 2); }));
    }
};

TEST_F(ExplosionTest, TheSmokeRisesAsAColumnAndTheExplosionEndsAfterItsTime) {
    boom.GroundExplosion1Start(1);
    double lowest = 0;
    for (int32_t t = 1; t <= 3000; ++t) {
        boom.callEveryTick(true, t, false);
        if (t == 300) {
            lowest = 1e9;
            for (const auto& s : boom.ExplosionSprites) lowest = std::min(lowest, s.Pos[1]);
            for (const auto& s : boom.ExplosionSprites) EXPECT_EQ(s.Phase, 1);
            for (const auto& s : boom.ExplosionSprites) EXPECT_EQ(s.Map, 0);  // all smoke by now
        }
    }
    double lowestLater = 1e9;
    for (const auto& s : boom.ExplosionSprites) lowestLater = std::min(lowestLater, s.Pos[1]);
    EXPECT_NEAR(lowestLater - lowest, 0.3 * 2700, 1e-6);  // 0.3 ft a tick after the rolling stops

    boom.getDrawingData(3000);
    EXPECT_EQ(shownPolygons(), 60);
    EXPECT_FLOAT_EQ(view.drawn.back().polygons[0].PolyColor[3], 0.7f);
    boom.getDrawingData(1 + 10060);
    EXPECT_TRUE(boom.isBusy());
    boom.getDrawingData(1 + 10061);
    EXPECT_FALSE(boom.isBusy());
}

TEST_F(ExplosionTest, ALateRequestWaitsForItsTickInsteadOfEndingAtOnce) {
    // Late in a long mission: requested after this object's tick, drawn before the next.
    boom.GroundExplosion1Start(20000);
    boom.getDrawingData(20000);
    EXPECT_TRUE(boom.isBusy());
    EXPECT_TRUE(view.drawn.empty());
    boom.callEveryTick(true, 20001, false);
    boom.getDrawingData(20001);
    EXPECT_EQ(shownPolygons(), 40);
    EXPECT_EQ(view.drawn.back().polygons[0].PolyColor[3], 1.0f);
    // Sprite 0 sits over the centre, the square facing the eye.
    const auto p = fakes::worldOf(view.drawn.back(), view.drawn.back().points[0]);
    EXPECT_NEAR(p[2], 3000.0 + boom.ExplosionSprites[0].Pos[2], 1e-3);
}

TEST_F(ExplosionTest, AStartAtTickZeroIsShown) {
    boom.GroundExplosion1Start(0);
    boom.callEveryTick(true, 0, false);
    boom.getDrawingData(0);
    EXPECT_EQ(shownPolygons(), 40);
}

}  // namespace
}  // namespace pellam
