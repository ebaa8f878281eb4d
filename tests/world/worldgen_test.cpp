// The generated Western Front: the build wrote the same world the generator makes here; roads
// join edge to edge and do not double back; the trench belt runs unbroken from Flanders to
// Champagne; the long bridge spans a valley below its deck.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>

#include "tools/worldgen/WorldGen.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

using namespace world;

class GeneratedWorld : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        files = std::make_unique<worldgen::WorldFiles>();
        worldgen::generateTerrain(worldgen::kDefaultSeed, *files);
        terrain = std::make_unique<RIDUdidav>();
        std::string error;
        ASSERT_TRUE(terrain->setWorldData(files->Elevation, files->Surface, error)) << error;
    }
    static void TearDownTestSuite() {
        terrain.reset();
        files.reset();
    }
    static inline std::unique_ptr<worldgen::WorldFiles> files;
    static inline std::unique_ptr<RIDUdidav> terrain;
};

TEST_F(GeneratedWorld, TheBuildWroteTheSameWorldWhoseRoadsJoinEdgeToEdgeAndNeverDoubleBack) {
    const std::string data = std::string(std::getenv("PELLAM_BUILD_DIR")) + "/data/";
    std::ifstream e(data + kElevationFile, std::ios::binary), s(data + kSurfaceFile, std::ios::binary);
    EXPECT_TRUE(std::vector<uint8_t>(std::istreambuf_iterator<char>(e), {}) == files->Elevation);
    EXPECT_TRUE(std::vector<uint8_t>(std::istreambuf_iterator<char>(s), {}) == files->Surface);

    // A hairpin: two neighbours that each join only the other and the same side.
    long roads = 0, hairpins = 0;
    for (int j = 0; j < kGridSize - 2; ++j)
        for (int i = 0; i < kGridSize - 2; ++i) {
            const uint8_t e = terrain->roadEdgesAt(i, j);
            roads += e != 0;
            ASSERT_TRUE(!(e & kEdgeHighX) || terrain->roadEdgesAt(i + 1, j) & kEdgeLowX) << i << ", " << j;
            ASSERT_TRUE(!(e & kEdgeHighZ) || terrain->roadEdgesAt(i, j + 1) & kEdgeLowZ) << i << ", " << j;
            ASSERT_TRUE(!e || terrain->groundCodeAt(i, j) != kTrenches) << i << ", " << j;
            for (uint8_t side : {kEdgeLowZ, kEdgeHighZ})
                hairpins += e == (kEdgeHighX | side) && terrain->roadEdgesAt(i + 1, j) == (kEdgeLowX | side);
            for (uint8_t side : {kEdgeLowX, kEdgeHighX})
                hairpins += e == (kEdgeHighZ | side) && terrain->roadEdgesAt(i, j + 1) == (kEdgeLowZ | side);
        }
    EXPECT_GT(roads, 5000);
    EXPECT_LE(hairpins, 2);
}

TEST_F(GeneratedWorld, TheTrenchBeltRunsUnbrokenFromYpresToReims) {
    // The trench square nearest a place on the line.
    auto nearest = [&](double x, double z) {
        const int ci = int(x / kSquareFeet), cj = int(z / kSquareFeet);
        for (int r = 0; r < 12; ++r)
            for (int j = cj - r; j <= cj + r; ++j)
                for (int i = ci - r; i <= ci + r; ++i)
                    if (terrain->groundCodeAt(i, j) == kTrenches) return std::pair{i, j};
        return std::pair{-1, -1};
    };
    const auto ypres = nearest(2085600, 2278960), albert = nearest(2026655, 2045003), reims = nearest(2333760, 1870000);
    ASSERT_GE(std::min({ypres.first, albert.first, reims.first}), 0);
    // Flood the trench squares from Ypres, corner to corner. The line crosses rivers: a step may
    // pass over up to three squares of water, never along a river.
    std::vector<uint8_t> seen(size_t(kGridSize) * kGridSize, 0);
    std::deque<std::pair<int, int>> open{ypres};
    seen[size_t(ypres.second) * kGridSize + ypres.first] = 1;
    while (!open.empty()) {
        const auto [i, j] = open.front();
        open.pop_front();
        for (int dj = -4; dj <= 4; ++dj)
            for (int di = -4; di <= 4; ++di) {
                const int ni = i + di, nj = j + dj, steps = std::max(std::abs(di), std::abs(dj));
                if (ni < 0 || nj < 0 || ni >= kGridSize - 1 || nj >= kGridSize - 1) continue;
                uint8_t& s = seen[size_t(nj) * kGridSize + ni];
                if (s || terrain->groundCodeAt(ni, nj) != kTrenches) continue;
                bool wet = true;  // every square between is water
                for (int k = 1; k < steps; ++k) wet = wet && terrain->groundCodeAt(i + di * k / steps, j + dj * k / steps) == kWater;
                if (steps > 1 && !wet) continue;
                s = 1;
                open.push_back({ni, nj});
            }
    }
    EXPECT_TRUE(seen[size_t(albert.second) * kGridSize + albert.first]) << "the belt breaks between Ypres and Albert";
    EXPECT_TRUE(seen[size_t(reims.second) * kGridSize + reims.first]) << "the belt breaks between Albert and Reims";
}

TEST_F(GeneratedWorld, TheLongBridgeSpansAValleyBelowItsDeck) {
    const double x = (kBridgeMinX + kBridgeMaxX) / 2;
    double lowest = 1e9, highest = -1e9;
    for (double z = kBridgeMinZ; z <= kBridgeMaxZ; z += 20.0) {
        lowest = std::min(lowest, terrain->getAltitudeAtX(x, z));
        highest = std::max(highest, terrain->getAltitudeAtX(x, z));
    }
    EXPECT_LT(highest, kBridgeDeckFeet);
    EXPECT_LT(lowest, kBridgeDeckFeet - 450.0);
    EXPECT_GT(terrain->getAltitudeAtX(x, kBridgeMinZ - 100), kBridgeDeckFeet - 60.0) << "the deck's ends meet high ground";
    EXPECT_GT(terrain->getAltitudeAtX(x, kBridgeMaxZ + 100), kBridgeDeckFeet - 60.0);
}

}  // namespace
}  // namespace pellam
