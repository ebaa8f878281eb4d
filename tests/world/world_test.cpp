// The world's answers to the simulation: the terrain's heights and planes, its registered objects,
// fog and cloud layers, and what it does with a missing or damaged grid file; the sun's guards;
// clouds built from a seed, and a cloud's drift through record, replay and recovery.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/Beep.h"
#include "platform/ByteOrder.h"
#include "platform/Paths.h"
#include "platform/Random.h"
#include "tests/TestFolder.h"
#include "world/FirstCloud.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {

using namespace world;
constexpr double kFt = kFeetPerMetre;

// A grid at 50 m with a patch at 10 + 2 i + 3 j metres, a plane rising east and north; square
// (300, 300) has three corners at 50 m and the high one at 150 m; square (508, 500) has a
// ground code no texture has.
struct Grid {
    std::vector<uint8_t> Elevation = std::vector<uint8_t>(kElevationBytes);
    std::vector<uint8_t> Surface = std::vector<uint8_t>(kSurfaceBytes, kPasture);
    void height(int i, int j, int metres) { platform::writeBEShort(&Elevation[2 * (size_t(j) * kGridSize + i)], int16_t(metres)); }
    Grid() {
        for (int j = 0; j < kGridSize; ++j)
            for (int i = 0; i < kGridSize; ++i) height(i, j, 50);
        for (int j = 100; j <= 110; ++j)
            for (int i = 200; i <= 210; ++i) height(i, j, 10 + 2 * (i - 200) + 3 * (j - 100));
        height(301, 301, 150);
        Surface[size_t(500) * kGridSize + 508] = 15;
    }
};

TEST(Terrain, HeightsFollowThePostsAndOffTheGridIsLevelSea) {
    const auto grid = std::make_unique<Grid>();
    RIDUdidav terrain;
    std::string error;
    ASSERT_TRUE(terrain.setWorldData(grid->Elevation, grid->Surface, error)) << error;
    for (auto [fi, fj] : {std::pair{200.0, 100.0}, {203.5, 104.5}, {207.9, 109.75}, {204.3, 106.6}}) {
        const double x = fi * kSquareFeet, z = fj * kSquareFeet, h = terrain.getAltitudeAtX(x, z);
        EXPECT_NEAR(h, (10 + 2 * (fi - 200) + 3 * (fj - 100)) * kFt, 1e-3) << fi << ", " << fj;
        const double* p = terrain.lastTerrainPlaneEq();  // unit, through the point, leaning west
        EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0, 1e-9);
        EXPECT_NEAR(p[0] * x + p[1] * h + p[2] * z + p[3], 0.0, 1e-6);
        EXPECT_NEAR(-p[0] / p[1], 2 * kFt / kSquareFeet, 1e-8);
    }
    // The folded square is cut along its (i, j)-(i+1, j+1) diagonal, whose middle is half way up.
    EXPECT_NEAR(terrain.getAltitudeAtX(300.75 * kSquareFeet, 300.25 * kSquareFeet), 75 * kFt, 1e-3);
    EXPECT_NEAR(terrain.getAltitudeAtX(300.5 * kSquareFeet, 300.5 * kSquareFeet), 100 * kFt, 1e-3);
    terrain.getAltitudeAtX(508.5 * kSquareFeet, 500.5 * kSquareFeet);
    EXPECT_LT(terrain.getLastTerrainTexture(), int(kGroundCodes)) << "a ground code no texture has";

    const double far = (kGridSize - 1) * kSquareFeet;
    for (auto [x, z] : {std::pair{-1.0, 5000.0}, {5000.0, -0.5}, {far, 5000.0}, {5000.0, far + 10}, {1e30, 1e30},
                        {std::nan(""), 5000.0}, {5000.0, -std::numeric_limits<double>::infinity()}}) {
        EXPECT_EQ(terrain.getAltitudeAtX(x, z), 0.0) << x << ", " << z;
        const double* p = terrain.lastTerrainPlaneEq();
        EXPECT_EQ(std::vector<double>(p, p + 3), (std::vector<double>{0.0, 1.0, 0.0}));
        EXPECT_EQ(terrain.getLastTerrainTexture(), kWater);
        EXPECT_EQ(terrain.roadCodeAtWorld(x, z), kNoRoad);
    }

    // A registered deck 850 ft up over a strip answers first, and may ask the terrain about
    // elsewhere; a number with nothing behind it is passed over, and the list stops at its end.
    struct Deck : ZephModel {
        RIDUdidav* Terrain = nullptr;
        double getAltitudeAtX(double x, double z) override {
            if (x > 1000 && x < 2000) return 850.0;
            return Terrain->getAltitudeAtX(x, z) > 1e6 ? 0.0 : -9000.0;
        }
    };
    struct Controller : ControllerServices {
        ModelArray Models;
        ModelArray* getModelArray() override { return &Models; }
    } controller;
    terrain.setaController(&controller);
    auto deck = std::make_unique<Deck>();
    deck->Terrain = &terrain;
    controller.Models.put(21, std::move(deck));
    terrain.setTerrainObject(99);  // nothing there
    terrain.setTerrainObject(21);
    EXPECT_EQ(terrain.getAltitudeAtX(1500, 1500), 850.0);
    EXPECT_NEAR(terrain.getAltitudeAtX(5000, 5000), 50 * kFt, 1e-3);
    for (int k = 0; k < 70; ++k) terrain.setTerrainObject(99);
    EXPECT_EQ(terrain.terrainObjectCount(), RIDUdidav::kMaxTerrainObjects);
    terrain.setaController(nullptr);
}

TEST(Terrain, FogNeverDividesByNothingAndADamagedLayerNumberBeeps) {
    RIDUdidav t;
    for (double v : {0.0, -0.5, -1e-300, std::nan(""), 1e-320}) {
        t.setFogDistance(0.001);
        t.setFogDistance(v);
        EXPECT_EQ(t.getFogDistance(), 93000.0) << v;
    }
    t.SetDetailsForLayer(0, 1, 4000.0, 5000.0);  // a ceiling deck, the eye below it
    t.setEyePosition(0.0, 3999.0, 0.0);
    EXPECT_EQ(t.returnAbsoluteCloudLayerState(), 5);
    const long beeps = platform::beepCount();
    t.SetDetailsForLayer(3, 0, 0.0, 100.0);
    t.SetDetailsForLayer(-1, 0, 0.0, 100.0);
    EXPECT_EQ(platform::beepCount(), beeps + 2);
    EXPECT_EQ(t.returnAbsoluteCloudLayerState(), 5);
}

TEST(Terrain, MissingOrShortGridIsAClearStartUpError) {
    const testing::TestFolder app("pellam_world");
    const auto data = app.path() / "data";
    std::filesystem::create_directories(data);
    platform::setApplicationFolder(app.path().string());
    // None, a short grid, a short surface map: the error names the file and the size.
    const size_t shortGrid = kElevationBytes - 4600;
    const struct {
        size_t Elevation, Surface;
        std::string Error;
    } cases[] = {{0, 0, "\"RIDUdidavData\" is missing"},
                 {shortGrid, kSurfaceBytes, "\"RIDUdidavData\" is damaged: " + std::to_string(shortGrid)},
                 {kElevationBytes, 10, "\"RIDUdidavSurface\" is damaged"}};
    for (const auto& c : cases) {
        if (c.Elevation) {
            std::ofstream(data / "RIDUdidavData", std::ios::binary) << std::string(c.Elevation, '\0');
            std::ofstream(data / "RIDUdidavSurface", std::ios::binary) << std::string(c.Surface, '\3');
        }
        RIDUdidav t;
        EXPECT_FALSE(t.initWithGLView(nullptr));
        EXPECT_NE(t.lastError().find(c.Error), std::string::npos) << t.lastError();
        EXPECT_EQ(t.getAltitudeAtX(1e6, 1e6), 0.0) << "without its grid the terrain answers sea level";
    }
    platform::setApplicationFolder("");
}

TEST(SkyDome, PositionSunTakesAnyLengthButNotNothing) {
    TexturedSkyDome sky;
    const double v[3] = {0.0, 3.0, -4.0}, zero[3] = {0, 0, 0}, bad[3] = {std::nan(""), 1, 0};
    for (const double* sun : {v, zero, bad, static_cast<const double*>(nullptr)}) sky.positionSun(sun);
    EXPECT_NEAR(sky.getSunVector()[1], 0.6, 1e-12);
    EXPECT_NEAR(sky.getSunVector()[2], -0.8, 1e-12);
}

// A sum over every sprite that any change of shape moves.
double shape(const FirstCloud& c) {
    double sum = 0;
    for (int k = 0; k < c.spriteCount(); ++k) sum += c.sprite(k).X + 2 * c.sprite(k).Y + 3 * c.sprite(k).Size;
    return sum;
}

// A cloud's shape depends on its seed alone: neither on the shared random sequence nor on what
// was made before, nor on the compiler or library, so that peers and replays build the same one.
TEST(Clouds, OneSeedMakesOneCloudEverywhere) {
    FirstCloud a, b;
    a.makeACulmulus(4712);
    platform::seedRandom(99);
    const int32_t first = platform::nextRandom();
    platform::seedRandom(99);
    b.makeAFlatishCloud(1);
    b.makeACulmulus(4712);
    EXPECT_EQ(shape(a), shape(b));
    EXPECT_EQ(platform::nextRandom(), first);
    EXPECT_LE(b.spriteCount(), FirstCloud::kMaxSprites);
    a.makeACulmulus(1);
    EXPECT_NEAR(shape(a), 133558.62, 0.5) << "the cloud shapes changed: peers of older builds would differ";
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
        if (t == 100) at100 = cloud.live.attitude.Position;
    }
    const Vector3 live = cloud.live.attitude.Position;
    cloud.callEveryTick(false, 201, false);  // paused: no drift
    EXPECT_EQ(cloud.live.attitude.Position, live);

    cloud.prepareForReplayStart(200);
    cloud.setModelPositionX(0.0, 0.0, 0.0);
    cloud.readCurrentReplayData(100);
    EXPECT_EQ(cloud.live.attitude.Position, at100);
    cloud.callEveryTick(true, 101, true);  // between records it drifts on
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(cloud.live.attitude.Position[k], at100[k] + wind[k], 1e-9);
    cloud.readCurrentReplayData(-20);  // before the mission: nothing recorded, nothing read
    cloud.recoverFromReplay(200);
    EXPECT_EQ(cloud.live.attitude.Position, live);

    // The ring holds the last minute: older records are gone, not misread.
    for (int t = 201; t <= 201 + FirstCloud::kReplaySlots * FirstCloud::kReplayEvery; ++t) cloud.callEveryTick(true, t, false);
    const Vector3 now = cloud.live.attitude.Position;
    cloud.readCurrentReplayData(100);
    EXPECT_EQ(cloud.live.attitude.Position, now);
}

}  // namespace
}  // namespace pellam
