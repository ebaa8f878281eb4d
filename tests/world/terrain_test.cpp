// The terrain's answers to the simulation: heights and planes, roads, fog, cloud layers, and
// what it does with a missing or damaged grid file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "platform/Beep.h"
#include "platform/ByteOrder.h"
#include "platform/Paths.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

using namespace world;
constexpr double kFt = kFeetPerMetre;

// A grid with a sloping patch, one folded square, and a few roads; everything else at 50 m.
struct Grid {
    std::vector<uint8_t> Elevation = std::vector<uint8_t>(kElevationBytes);
    std::vector<uint8_t> Surface = std::vector<uint8_t>(kSurfaceBytes, kPasture);
    void height(int i, int j, int metres) { platform::writeBEShort(&Elevation[2 * (size_t(j) * kGridSize + i)], int16_t(metres)); }
    void surface(int i, int j, uint8_t code, uint8_t edges) { Surface[size_t(j) * kGridSize + i] = uint8_t(edges << 4 | code); }
    Grid() {
        for (int j = 0; j < kGridSize; ++j)
            for (int i = 0; i < kGridSize; ++i) height(i, j, 50);
        for (int j = 100; j <= 110; ++j)  // 10 + 2 i + 3 j metres: a plane rising east and north
            for (int i = 200; i <= 210; ++i) height(i, j, 10 + 2 * (i - 200) + 3 * (j - 100));
        height(301, 301, 150);  // square (300, 300): three corners at 50 m, the high one at 150 m
        surface(300, 300, kWoodland, 0);
        surface(500, 500, kPasture, kEdgeLowZ | kEdgeHighZ);
        surface(501, 500, kPasture, kEdgeLowX | kEdgeHighX);
        surface(502, 500, kPasture, kEdgeHighX | kEdgeLowZ);
        surface(503, 500, kPasture, kEdgeHighX | kEdgeHighZ);
        surface(504, 500, kPasture, kEdgeLowX | kEdgeHighZ);
        surface(505, 500, kPasture, kEdgeLowX | kEdgeLowZ);
        surface(506, 500, kPasture, kEdgeLowX | kEdgeHighX | kEdgeHighZ);  // a T: the straight wins
        surface(507, 500, kPasture, kEdgeHighZ);                           // a road's end
        surface(508, 500, 15, 0);                                          // a code no texture has
    }
};

class TerrainTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        grid = new Grid;
        terrain = new RIDUdidav;
        std::string error;
        ASSERT_TRUE(terrain->setWorldData(grid->Elevation, grid->Surface, error)) << error;
    }
    static void TearDownTestSuite() {
        delete terrain;
        delete grid;
    }
    static inline Grid* grid = nullptr;
    static inline RIDUdidav* terrain = nullptr;
};

TEST_F(TerrainTest, HeightsAtPostsAndBetweenThem) {
    // At posts and anywhere on the plane, in either triangle of a square.
    for (double fi : {200.0, 203.5, 207.9, 210.0})
        for (double fj : {100.0, 104.5, 109.75, 110.0}) {
            const double expected = (10 + 2 * (fi - 200) + 3 * (fj - 100)) * kFt;
            EXPECT_NEAR(terrain->getAltitudeAtX(fi * kSquareFeet, fj * kSquareFeet), expected, 1e-3) << fi << ", " << fj;
        }
    // The folded square is cut along its (i, j)-(i+1, j+1) diagonal: the high corner lifts both triangles
    // equally at mirrored points, and the diagonal's middle is half way up.
    const double rise = 100 * kFt;
    EXPECT_NEAR(terrain->getAltitudeAtX(300.75 * kSquareFeet, 300.25 * kSquareFeet), 50 * kFt + 0.25 * rise, 1e-3);
    EXPECT_NEAR(terrain->getAltitudeAtX(300.25 * kSquareFeet, 300.75 * kSquareFeet), 50 * kFt + 0.25 * rise, 1e-3);
    EXPECT_NEAR(terrain->getAltitudeAtX(300.5 * kSquareFeet, 300.5 * kSquareFeet), 50 * kFt + 0.5 * rise, 1e-3);
    EXPECT_EQ(terrain->getLastTerrainTexture(), kWoodland);
    terrain->getAltitudeAtX(508.5 * kSquareFeet, 500.5 * kSquareFeet);  // a ground code no texture has
    EXPECT_LT(terrain->getLastTerrainTexture(), int(kGroundCodes));
}

TEST_F(TerrainTest, PlaneHoldsThePointAndPointsUp) {
    const double x = 204.3 * kSquareFeet, z = 106.6 * kSquareFeet;
    const double h = terrain->getAltitudeAtX(x, z);
    const double* p = terrain->lastTerrainPlaneEq();
    EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0, 1e-9);
    EXPECT_GT(p[1], 0.0);
    EXPECT_NEAR(p[0] * x + p[1] * h + p[2] * z + p[3], 0.0, 1e-6);
    // Rising 2 m a post east and 3 m a post north: the normal leans west and south, in that ratio.
    EXPECT_NEAR(-p[0] / p[1], 2 * kFt / kSquareFeet, 1e-8);  // posts are kept as floats
    EXPECT_NEAR(-p[2] / p[1], 3 * kFt / kSquareFeet, 1e-8);

    terrain->getAltitudeAtX(1000 * kSquareFeet + 5, 1000 * kSquareFeet + 7);  // level ground
    p = terrain->lastTerrainPlaneEq();
    EXPECT_EQ(p[0] * p[0] + p[2] * p[2], 0.0);
    EXPECT_NEAR(p[3], -50 * kFt, 1e-3);
}

TEST_F(TerrainTest, OffTheGridIsSeaLevelAndLevel) {
    const double far = (kGridSize - 1) * kSquareFeet;
    for (auto [x, z] : {std::pair{-1.0, 5000.0}, {5000.0, -0.5}, {far, 5000.0}, {5000.0, far + 10}, {1e30, 1e30},
                        {std::nan(""), 5000.0}, {5000.0, -std::numeric_limits<double>::infinity()}}) {
        EXPECT_EQ(terrain->getAltitudeAtX(x, z), 0.0) << x << ", " << z;
        const double* p = terrain->lastTerrainPlaneEq();
        EXPECT_EQ(std::vector<double>(p, p + 3), (std::vector<double>{0.0, 1.0, 0.0}));
        EXPECT_EQ(terrain->getLastTerrainTexture(), kWater);  // nothing grows off the map
    }
    EXPECT_EQ(terrain->roadCodeAtWorld(-10.0, 5000.0), kNoRoad);
}

TEST_F(TerrainTest, ObjectsLaidOnASlopeFollowIt) {
    // A vehicle facing north on ground that rises to the east lifts its right (east) side.
    ZephModel vehicle;
    vehicle.setModelPositionX(205.2 * kSquareFeet, 0.0, 105.3 * kSquareFeet);
    ASSERT_TRUE(vehicle.setObjectFlatOnGround(terrain, 0.0));
    EXPECT_NEAR(vehicle.ModelAttitude.Position[1], terrain->getAltitudeAtX(205.2 * kSquareFeet, 105.3 * kSquareFeet), 1e-9);
    double m[16] = {};
    const double wing[3] = {1, 0, 0}, nose[3] = {0, 0, 1};
    double w[3], n[3];
    ZephModel::quaternionToMatrix(vehicle.ModelAttitude.QAttitude.data(), m);
    ZephModel::RotateVector(wing, w, m);
    ZephModel::RotateVector(nose, n, m);
    EXPECT_NEAR(w[1] / std::hypot(w[0], w[2]), 2 * kFt / kSquareFeet, 1e-4);
    // The pitch follows the slope's steepness along the nose (its sign is the pose library's).
    EXPECT_NEAR(std::fabs(n[1] / std::hypot(n[0], n[2])), 3 * kFt / kSquareFeet, 1e-4);
}

TEST_F(TerrainTest, RoadCodesMatchThePiecesTheVehiclesSteerBy) {
    const int32_t expected[] = {kRoadAlongZ, kRoadAlongX, 21, 277, 533, 789, kRoadAlongX, kRoadAlongZ};
    for (int k = 0; k < 8; ++k) {
        const double x0 = (500 + k) * kSquareFeet, z0 = 500 * kSquareFeet;
        EXPECT_EQ(terrain->roadCodeAtWorld(x0 + 900, z0 + 900), expected[k]) << k;
        // Asked the vehicles' way: the square's low-X edge and its high-Z edge, single precision.
        EXPECT_EQ(terrain->roadMapHereX(float(x0), float(z0 + kSquareFeet)), expected[k]) << k;
    }
    EXPECT_EQ(terrain->roadCodeAtWorld(499.5 * kSquareFeet, 500.5 * kSquareFeet), kNoRoad);

    // Relative to the viewing position.
    terrain->setViewingPosition(500 * kSquareFeet, 3000.0, 400 * kSquareFeet);
    EXPECT_EQ(terrain->roadMapHereX(2 * kSquareFeet, 101 * kSquareFeet), 21);

    // The vehicles' question: their square's corner made eye-relative with the eye matrix's
    // translation, shifted a square west and north, in single precision. Whatever the eye.
    for (auto [e12, e14] : {std::pair{-2087123.4, 2279001.7}, {1234.5, -99.25}, {0.0, 0.0}}) {
        double eyeTM[16] = {};
        eyeTM[12] = e12;
        eyeTM[14] = e14;
        terrain->setViewingPositionFromEyeTM(eyeTM);
        for (int k = 0; k < 8; ++k) {
            const double x0 = (500 + k) * kSquareFeet, z0 = 500 * kSquareFeet;
            const float x = float(float(x0 - e12) - float(kSquareFeet));
            const float z = float(float((z0 + kSquareFeet) - e14) + float(kSquareFeet));
            EXPECT_EQ(terrain->roadMapHereX(x, z), expected[k]) << k << " eye " << e12;
        }
    }
    terrain->setViewingPosition(0, 0, 0);
}

TEST_F(TerrainTest, RegisteredObjectsAnswerFirstAndMayAskBack) {
    // A deck 850 ft up over a strip; it asks the terrain what lies under it elsewhere.
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
    RIDUdidav world;
    std::string error;
    ASSERT_TRUE(world.setWorldData(grid->Elevation, grid->Surface, error));
    world.setaController(&controller);
    auto deck = std::make_unique<Deck>();
    deck->Terrain = &world;
    controller.Models.put(21, std::move(deck));
    world.setTerrainObject(99);  // nothing there
    world.setTerrainObject(21);
    EXPECT_EQ(world.getAltitudeAtX(1500, 1500), 850.0);
    EXPECT_NEAR(world.getAltitudeAtX(5000, 5000), 50 * kFt, 1e-3);

    world.initTerrainObjects();
    EXPECT_NEAR(world.getAltitudeAtX(1500, 1500), 50 * kFt, 1e-3);
    for (int k = 0; k < 70; ++k) world.setTerrainObject(21);
    EXPECT_EQ(world.terrainObjectCount(), RIDUdidav::kMaxTerrainObjects);
    world.setaController(nullptr);
}

TEST(TerrainFog, DistanceNeverDividesByNothing) {
    RIDUdidav t;
    for (double v : {0.00001, 0.0, -0.5, -1e-300, std::nan(""), 1e-320}) {
        t.setFogDistance(0.001);
        t.setFogDistance(v);
        EXPECT_EQ(t.getFogDistance(), 93000.0) << v;
    }
}

TEST(TerrainClouds, LayerStatesFromTheEye) {
    RIDUdidav t;
    EXPECT_EQ(t.returnAbsoluteCloudLayerState(), 1);  // no layer
    t.SetDetailsForLayer(0, 1, 4000.0, 5000.0);      // a ceiling deck
    const uint32_t revision = t.getCloudDeckRevision();
    for (auto [y, state] : {std::pair{5000.5, 2}, {4500.0, 4}, {3999.0, 5}}) {
        t.setEyePosition(0.0, y, 0.0);
        EXPECT_EQ(t.returnAbsoluteCloudLayerState(), state) << y;
    }
    t.SetDetailsForLayer(0, 3, 6000.0, 7000.0);  // a scattered deck
    EXPECT_GT(t.getCloudDeckRevision(), revision);
    t.SetDetailsForLayer(0, 0, 0.0, 0.0);  // only layer 0 decides
    t.SetDetailsForLayer(1, 1, 0.0, 10000.0);
    EXPECT_EQ(t.returnAbsoluteCloudLayerState(), 1);

    // A layer number from a damaged mission is refused with a beep.
    const long beeps = platform::beepCount();
    t.SetDetailsForLayer(3, 1, 0.0, 100.0);
    t.SetDetailsForLayer(-1, 1, 0.0, 100.0);
    EXPECT_EQ(platform::beepCount(), beeps + 2);
    EXPECT_EQ(t.returnAbsoluteCloudLayerState(), 1);
}

TEST(TerrainFiles, MissingOrShortGridIsAClearStartUpError) {
    const auto folder = std::filesystem::temp_directory_path() / ("pellam_world_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "data");
    platform::setApplicationFolder(folder.string());
    {
        RIDUdidav t;
        EXPECT_FALSE(t.initWithGLView(nullptr));
        EXPECT_NE(t.lastError().find("\"RIDUdidavData\" is missing"), std::string::npos) << t.lastError();
        EXPECT_FALSE(t.hasGrid());
        EXPECT_EQ(t.getAltitudeAtX(1e6, 1e6), 0.0);
    }
    // A short grid, a short surface map, then both whole: the error names the file (and the size).
    const struct {
        size_t Elevation, Surface;
        std::string Error, Also;
    } cases[] = {{kElevationBytes - 4600, kSurfaceBytes, "\"RIDUdidavData\" is damaged", std::to_string(kElevationBytes - 4600)},
                 {kElevationBytes, 10, "\"RIDUdidavSurface\"", ""},
                 {kElevationBytes, kSurfaceBytes, "", ""}};
    for (const auto& c : cases) {
        std::ofstream(folder / "data" / "RIDUdidavData", std::ios::binary) << std::string(c.Elevation, '\0');
        std::ofstream(folder / "data" / "RIDUdidavSurface", std::ios::binary) << std::string(c.Surface, '\3');
        RIDUdidav t;
        EXPECT_EQ(t.initWithGLView(nullptr), c.Error.empty()) << t.lastError();
        EXPECT_NE(t.lastError().find(c.Error), std::string::npos) << t.lastError();
        EXPECT_NE(t.lastError().find(c.Also), std::string::npos) << t.lastError();
    }
    platform::setApplicationFolder("");
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace pellam
