// The generated Western Front: the build wrote the same world the generator makes here; roads
// join edge to edge, keep off the trenches and do not double back; the trench belt runs unbroken;
// the long bridge spans a valley below its deck; the road pictures meet at the squares' edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
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

    // The trench belt runs unbroken from Ypres past Albert to Reims: flooded from Ypres corner to
    // corner, a step passing over at most three squares of water where the line crosses a river.
    auto nearestTrench = [&](double x, double z) {
        const int ci = int(x / kSquareFeet), cj = int(z / kSquareFeet);
        for (int r = 0; r < 12; ++r)
            for (int j = cj - r; j <= cj + r; ++j)
                for (int i = ci - r; i <= ci + r; ++i)
                    if (terrain.groundCodeAt(i, j) == kTrenches) return std::pair{i, j};
        return std::pair{-1, -1};
    };
    const auto ypres = nearestTrench(2085600, 2278960), albert = nearestTrench(2026655, 2045003),
               reims = nearestTrench(2333760, 1870000);
    ASSERT_GE(std::min({ypres.first, albert.first, reims.first}), 0);
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
                uint8_t& seenHere = seen[size_t(nj) * kGridSize + ni];
                if (seenHere || terrain.groundCodeAt(ni, nj) != kTrenches) continue;
                bool wet = true;  // every square between is water
                for (int k = 1; k < steps; ++k)
                    wet = wet && terrain.groundCodeAt(i + di * k / steps, j + dj * k / steps) == kWater;
                if (steps > 1 && !wet) continue;
                seenHere = 1;
                open.push_back({ni, nj});
            }
    }
    EXPECT_TRUE(seen[size_t(albert.second) * kGridSize + albert.first]) << "the belt breaks between Ypres and Albert";
    EXPECT_TRUE(seen[size_t(reims.second) * kGridSize + reims.first]) << "the belt breaks between Albert and Reims";

    // The long bridge spans a valley below its deck, and its ends meet high ground.
    const double x = (kBridgeMinX + kBridgeMaxX) / 2;
    std::vector<double> under;
    for (double z = kBridgeMinZ; z <= kBridgeMaxZ; z += 20.0) under.push_back(terrain.getAltitudeAtX(x, z));
    EXPECT_LT(*std::max_element(under.begin(), under.end()), kBridgeDeckFeet);
    EXPECT_LT(*std::min_element(under.begin(), under.end()), kBridgeDeckFeet - 450.0);
    EXPECT_GT(terrain.getAltitudeAtX(x, kBridgeMinZ - 100), kBridgeDeckFeet - 60.0);
    EXPECT_GT(terrain.getAltitudeAtX(x, kBridgeMaxZ + 100), kBridgeDeckFeet - 60.0);
}

// The road pictures: the straight at both ends, the bend where it leaves the low-Z edge (the
// bottom row) and the high-X edge (the last column), each crossing the edge at its middle, so a
// piece turned about the square's middle meets any other.
TEST(GeneratedWorld, RoadPiecesMeetAtTheEdgeMiddles) {
    const auto pictures = worldgen::generateTextures(worldgen::kDefaultSeed);
    auto find = [&](const std::string& name) -> const platform::RGBAImage* {
        for (const auto& p : pictures)
            if (p.Name == name) return &p.Image;
        return nullptr;
    };
    const platform::RGBAImage* straight = find(kRoadStraightTexture);
    const platform::RGBAImage* bend = find(kRoadBendTexture);
    ASSERT_TRUE(straight && bend);
    // The middle of the opaque run through the middle of a row or a column, in texels.
    auto middleOfRun = [](const platform::RGBAImage& im, int line, bool row) {
        auto opaque = [&](int k) {
            const int x = row ? k : line, y = row ? line : k;
            return im.pixels[(size_t(y) * im.width + x) * 4 + 3] == 255;
        };
        int lo = im.width / 2, hi = im.width / 2;
        if (!opaque(lo)) return -1.0;
        while (lo > 0 && opaque(lo - 1)) --lo;
        while (hi < im.width - 1 && opaque(hi + 1)) ++hi;
        return (lo + hi + 1) / 2.0;
    };
    const int last = straight->width - 1;
    const double middle = straight->width / 2.0;
    EXPECT_NEAR(middleOfRun(*straight, 0, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(*straight, last, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(*bend, last, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(*bend, last, false), middle, 1.0);
}

}  // namespace
}  // namespace pellam
