// The sun's place through the day, the sky's colours, and clouds built from a seed.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Random.h"
#include "world/FirstCloud.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {
constexpr double kGoldenCumulusSum = 133558.62;  // sum of X + 2 Y + 3 Size of the cumulus of seed 1

double elevationDeg(const Vector3& s) { return std::asin(s[1]) * 180 / M_PI; }

TEST(SkyDome, SunCrossesTheSouthernSkyFromEastToWest) {
    TexturedSkyDome sky;
    sky.setTimeOfDay(12.0);
    const Vector3 noon = sky.getSunVector();
    EXPECT_LT(noon[2], 0.0);  // south

    sky.setTimeOfDay(7.0);
    EXPECT_GT(sky.getSunVector()[0], 0.5);  // east, low
    EXPECT_LT(elevationDeg(sky.getSunVector()), 25.0);
    sky.setTimeOfDay(17.0);
    EXPECT_LT(sky.getSunVector()[0], -0.5);  // west
    sky.setTimeOfDay(0.0);
    EXPECT_LT(elevationDeg(sky.getSunVector()), -20.0);
    for (double h : {-3.0, 27.0}) {  // hours wrap round the day
        sky.setTimeOfDay(h);
        TexturedSkyDome same;
        same.setTimeOfDay(h < 0 ? h + 24 : h - 24);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(sky.getSunVector()[k], same.getSunVector()[k], 1e-9);
    }
    for (const Vector3& s : {noon, sky.getSunVector()})
        EXPECT_NEAR(s[0] * s[0] + s[1] * s[1] + s[2] * s[2], 1.0, 1e-12);
}

TEST(SkyDome, PositionSunTakesAnyLengthButNotNothing) {
    TexturedSkyDome sky;
    const double v[3] = {0.0, 3.0, -4.0};
    sky.positionSun(v);
    EXPECT_NEAR(sky.getSunVector()[2], -0.8, 1e-12);
    const double zero[3] = {0, 0, 0}, bad[3] = {std::nan(""), 1, 0};
    sky.positionSun(zero);
    sky.positionSun(bad);
    sky.positionSun(nullptr);
    EXPECT_NEAR(sky.getSunVector()[1], 0.6, 1e-12);
}

TEST(SkyDome, ColoursFollowTheHourAndTheCeiling) {
    TexturedSkyDome sky;
    auto brightness = [](const std::array<float, 3>& c) { return c[0] + c[1] + c[2]; };
    sky.setTimeOfDay(12.0);
    const SkyColours day = sky.getSkyColours();
    EXPECT_GT(day.Zenith[2], day.Zenith[0]);  // blue overhead
    sky.setTimeOfDay(0.5);
    EXPECT_LT(brightness(sky.getSkyColours().Zenith), brightness(day.Zenith) / 4);
    EXPECT_LT(brightness(sky.getSkyColours().Light), brightness(day.Light) / 3);  // the ground darkens too
    EXPECT_EQ(brightness(sky.getSkyColours().Sun), 0.0f);
    sky.setTimeOfDay(19.6);  // the sun near the horizon reddens it
    EXPECT_GT(sky.getSkyColours().Horizon[0], sky.getSkyColours().Horizon[2]);

    sky.setTimeOfDay(12.0);
    sky.setBelowCeiling(1);
    EXPECT_NE(sky.getBelowCeiling(), 0);
    const SkyColours grey = sky.getSkyColours();
    EXPECT_NEAR(grey.Zenith[0], grey.Zenith[2], 0.06);
    EXPECT_EQ(brightness(grey.Sun), 0.0f);  // no glare under a ceiling
    sky.setCeilingPoly(4000.0);
    EXPECT_EQ(sky.getSkyColours().Zenith, grey.Zenith);
}

bool sameCloud(const FirstCloud& a, const FirstCloud& b) {
    if (a.spriteCount() != b.spriteCount()) return false;
    for (int k = 0; k < a.spriteCount(); ++k) {
        const CloudSprite &p = a.sprite(k), &q = b.sprite(k);
        if (p.X != q.X || p.Y != q.Y || p.Z != q.Z || p.Size != q.Size || p.Shade != q.Shade) return false;
    }
    return true;
}

TEST(Clouds, OneSeedMakesOneCloudEverywhere) {
    FirstCloud a, b, c;
    a.makeACulmulus(4711);
    c.makeACulmulus(4712);
    EXPECT_FALSE(sameCloud(a, c));
    a.makeAFlatishCloud(4711);
    b.makeAFlatishCloud(4711);
    EXPECT_TRUE(sameCloud(a, b));

    // The shape depends on the seed alone: neither on the shared random sequence nor on what
    // was made before.
    platform::seedRandom(99);
    const int32_t first = platform::nextRandom();
    platform::seedRandom(99);
    FirstCloud d;
    d.makeAFlatishCloud(1);
    d.makeACulmulus(4712);
    EXPECT_TRUE(sameCloud(c, d));
    EXPECT_EQ(platform::nextRandom(), first);

    // Machines on other compilers and libraries build the same cloud: the sequence is our own.
    FirstCloud golden;
    golden.makeACulmulus(1);
    double sum = 0;
    for (int k = 0; k < golden.spriteCount(); ++k) sum += golden.sprite(k).X + 2 * golden.sprite(k).Y + 3 * golden.sprite(k).Size;
    EXPECT_NEAR(sum, kGoldenCumulusSum, 0.5) << "the cloud shapes changed: peers of older builds would differ";
}

TEST(Clouds, HeapedCloudsTowerAndFlatOnesSpread) {
    auto extent = [](const FirstCloud& c, int axis) {
        float lo = 1e9f, hi = -1e9f;
        for (int k = 0; k < c.spriteCount(); ++k) {
            const float v = axis == 0 ? c.sprite(k).X : axis == 1 ? c.sprite(k).Y : c.sprite(k).Z;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        return hi - lo;
    };
    for (int seed = 0; seed < 20; ++seed) {
        FirstCloud heap, flat;
        heap.makeACulmulus(seed);
        flat.makeAFlatishCloud(seed);
        EXPECT_LE(heap.spriteCount(), FirstCloud::kMaxSprites);
        EXPECT_GT(extent(heap, 1) / extent(heap, 0), 2.0 * extent(flat, 1) / extent(flat, 0)) << seed;
        for (int k = 0; k < heap.spriteCount(); ++k) EXPECT_GE(heap.sprite(k).Y, 0.0f);  // the base is its position
    }
}

TEST(Clouds, ReplayBringsTheDriftBackAndLeavesTheLiveCloud) {
    FirstCloud cloud;
    cloud.makeACulmulus(3);
    cloud.setModelPositionX(1000.0, 4000.0, 2000.0);
    cloud.setWindSpeed(20.0, 90.0);
    const Vector3 wind = cloud.WindVector;
    ASSERT_GT(std::hypot(wind[0], wind[2]), 0.1);
    Vector3 at100{};
    for (int t = 1; t <= 200; ++t) {
        cloud.callEveryTick(true, t, false);
        if (t == 100) at100 = cloud.ModelAttitude.Position;
    }
    const Vector3 live = cloud.ModelAttitude.Position;
    EXPECT_NEAR(live[0], 1000.0 + 200 * wind[0], 1e-6);
    cloud.callEveryTick(false, 201, false);  // paused: no drift
    EXPECT_EQ(cloud.ModelAttitude.Position, live);

    cloud.prepareForReplayStart(200);
    cloud.setModelPositionX(0.0, 0.0, 0.0);
    cloud.readCurrentReplayData(100);
    EXPECT_EQ(cloud.ModelAttitude.Position, at100);
    cloud.callEveryTick(true, 101, true);  // between records it drifts on
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(cloud.ModelAttitude.Position[k], at100[k] + wind[k], 1e-9);
    cloud.readCurrentReplayData(-20);  // before the mission: nothing recorded, nothing read
    cloud.recoverFromReplay(200);
    EXPECT_EQ(cloud.ModelAttitude.Position, live);

    // The ring holds the last minute: older records are gone, not misread.
    for (int t = 201; t <= 201 + FirstCloud::kReplaySlots * FirstCloud::kReplayEvery; ++t) cloud.callEveryTick(true, t, false);
    const Vector3 now = cloud.ModelAttitude.Position;
    cloud.readCurrentReplayData(100);
    EXPECT_EQ(cloud.ModelAttitude.Position, now);
}

}  // namespace
}  // namespace pellam
