// The generated Western Front: the build wrote the same world the generator makes here; roads
// join edge to edge, keep off the trenches and do not double back; the long bridge spans a
// valley below its deck.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tools/worldgen/WorldGen.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

using namespace world;

// One generation, checked in turn.
TEST(GeneratedWorld, TheBuildWroteTheSameWorldItsRoadsJoinAndItsBridgeSpansAValley) {
    const auto files = std::make_unique<worldgen::WorldFiles>();
    worldgen::generateTerrain(worldgen::kDefaultSeed, *files);
    RIDUdidav terrain;
    std::string error;
    ASSERT_TRUE(terrain.setWorldData(files->Elevation, files->Surface, error)) << error;
    const std::string data = std::string(std::getenv("PELLAM_BUILD_DIR")) + "/data/";
    std::ifstream e(data + kElevationFile, std::ios::binary), s(data + kSurfaceFile, std::ios::binary);
    EXPECT_TRUE(std::vector<uint8_t>(std::istreambuf_iterator<char>(e), {}) == files->Elevation);
    EXPECT_TRUE(std::vector<uint8_t>(std::istreambuf_iterator<char>(s), {}) == files->Surface);

    // A hairpin: two neighbours that each join only the other and the same side.
    long roads = 0, hairpins = 0;
    for (int j = 0; j < kGridSize - 2; ++j)
        for (int i = 0; i < kGridSize - 2; ++i) {
            const uint8_t e = terrain.roadEdgesAt(i, j);
            roads += e != 0;
            ASSERT_TRUE(!(e & kEdgeHighX) || terrain.roadEdgesAt(i + 1, j) & kEdgeLowX) << i << ", " << j;
            ASSERT_TRUE(!(e & kEdgeHighZ) || terrain.roadEdgesAt(i, j + 1) & kEdgeLowZ) << i << ", " << j;
            ASSERT_TRUE(!e || terrain.groundCodeAt(i, j) != kTrenches) << i << ", " << j;
            for (uint8_t side : {kEdgeLowZ, kEdgeHighZ})
                hairpins += e == (kEdgeHighX | side) && terrain.roadEdgesAt(i + 1, j) == (kEdgeLowX | side);
            for (uint8_t side : {kEdgeLowX, kEdgeHighX})
                hairpins += e == (kEdgeHighZ | side) && terrain.roadEdgesAt(i, j + 1) == (kEdgeLowZ | side);
        }
    EXPECT_GT(roads, 5000);
    EXPECT_LE(hairpins, 2);

    // The long bridge spans a valley below its deck, and its ends meet high ground.
    const double x = (kBridgeMinX + kBridgeMaxX) / 2;
    std::vector<double> under;
    for (double z = kBridgeMinZ; z <= kBridgeMaxZ; z += 20.0) under.push_back(terrain.getAltitudeAtX(x, z));
    EXPECT_LT(*std::max_element(under.begin(), under.end()), kBridgeDeckFeet);
    EXPECT_LT(*std::min_element(under.begin(), under.end()), kBridgeDeckFeet - 450.0);
    EXPECT_GT(terrain.getAltitudeAtX(x, kBridgeMinZ - 100), kBridgeDeckFeet - 60.0);
    EXPECT_GT(terrain.getAltitudeAtX(x, kBridgeMaxZ + 100), kBridgeDeckFeet - 60.0);
}

}  // namespace
}  // namespace pellam
