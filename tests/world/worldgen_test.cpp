// The generated Western Front: the files the terrain reads, where the towns, the front, the
// roads and the bridge's valley lie; the trench belt runs unbroken from Flanders to Champagne,
// roads do not double back, and the road pictures meet where their squares meet.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>

#include "tools/worldgen/WorldGen.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

using namespace world;

struct TownSpot {
    const char* Name;
    double X, Z;
};
constexpr TownSpot kTowns[] = {{"Hazebrouck", 2013460, 2240285}, {"Ypres", 2085600, 2278960}, {"Lille", 2122560, 2210320},
                               {"Douai", 2128694, 2141764},      {"Albert", 2026655, 2045003}, {"St. Quentin", 2171797, 2001021},
                               {"Laon", 2244808, 1924491},       {"Reims", 2333760, 1835440}};

class GeneratedWorld : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        files = new worldgen::WorldFiles;
        worldgen::generateTerrain(worldgen::kDefaultSeed, *files);
        terrain = new RIDUdidav;
        std::string error;
        ASSERT_TRUE(terrain->setWorldData(files->Elevation, files->Surface, error)) << error;
    }
    static void TearDownTestSuite() {
        delete terrain;
        delete files;
    }
    // Counts the squares within `feet` of (x, z) whose ground code is one of `codes`.
    static int countNear(double x, double z, double feet, std::initializer_list<int> codes) {
        int n = 0;
        const int r = int(feet / kSquareFeet) + 1, ci = int(x / kSquareFeet), cj = int(z / kSquareFeet);
        for (int j = cj - r; j <= cj + r; ++j)
            for (int i = ci - r; i <= ci + r; ++i)
                if (std::hypot((i + 0.5) * kSquareFeet - x, (j + 0.5) * kSquareFeet - z) < feet)
                    for (int c : codes) n += terrain->groundCodeAt(i, j) == c;
        return n;
    }
    static inline worldgen::WorldFiles* files = nullptr;
    static inline RIDUdidav* terrain = nullptr;
};

TEST_F(GeneratedWorld, TheBuildWroteTheSameWorld) {
    const std::string data = std::string(std::getenv("PELLAM_BUILD_DIR")) + "/data/";
    std::ifstream e(data + kElevationFile, std::ios::binary), s(data + kSurfaceFile, std::ios::binary);
    const std::vector<uint8_t> elevation{std::istreambuf_iterator<char>(e), {}}, surface{std::istreambuf_iterator<char>(s), {}};
    EXPECT_TRUE(elevation == files->Elevation);
    EXPECT_TRUE(surface == files->Surface);
}

TEST_F(GeneratedWorld, TownsStandWhereTheBuilderPutsThem) {
    for (const TownSpot& t : kTowns) {
        EXPECT_EQ(terrain->groundCodeAt(int(t.X / kSquareFeet), int(t.Z / kSquareFeet)), kTown) << t.Name;
        int roads = 0;
        for (int dj = -3; dj <= 3; ++dj)
            for (int di = -3; di <= 3; ++di) roads += terrain->roadEdgesAt(int(t.X / kSquareFeet) + di, int(t.Z / kSquareFeet) + dj) != 0;
        EXPECT_GT(roads, 2) << t.Name << " has no road";
        const double h = terrain->getAltitudeAtX(t.X, t.Z);
        EXPECT_GT(h, 0.0) << t.Name;
        EXPECT_LT(h, 1000.0) << t.Name;
    }
}

TEST_F(GeneratedWorld, TheFrontRunsFromYpresPastAlbertAndStQuentinTowardReims) {
    for (const TownSpot& t : {kTowns[1], kTowns[4], kTowns[5]}) {
        EXPECT_GT(countNear(t.X, t.Z, 15000, {kTrenches}), 5) << t.Name;
        EXPECT_GT(countNear(t.X, t.Z, 15000, {kShellMud}), 10) << t.Name;
    }
    EXPECT_GT(countNear(2333760, 1870000, 20000, {kTrenches}), 5);  // north of Reims
    for (const TownSpot& t : {kTowns[0], kTowns[2], kTowns[3]})      // behind the lines
        EXPECT_EQ(countNear(t.X, t.Z, 10000, {kTrenches}), 0) << t.Name;
    EXPECT_GT(countNear(2100000, 2100000, 150000, {kWoodland}), 300);
    EXPECT_GT(countNear(2100000, 2100000, 150000, {kWheatField, kPloughed, kBeetField, kPasture}), 10000);
}

TEST_F(GeneratedWorld, FlandersIsFlatAndTheDownsRoll) {
    auto relief = [&](double x, double z) {
        double lo = 1e9, hi = -1e9;
        for (int k = 0; k < 400; ++k) {
            const double h = terrain->getAltitudeAtX(x + (k % 20 - 10) * 1500.0, z + (k / 20 - 10) * 1500.0);
            lo = std::min(lo, h);
            hi = std::max(hi, h);
        }
        return hi - lo;
    };
    const double flanders = relief(2024000, 2316700), downs = relief(1985500, 2086900);  // by Dunkirk; by Doullens
    EXPECT_LT(flanders, 200.0);
    EXPECT_GT(downs, 1.5 * flanders);
}

TEST_F(GeneratedWorld, TheLongBridgeSpansAValleyBelowItsDeck) {
    const double x = (kBridgeMinX + kBridgeMaxX) / 2;
    double lowest = 1e9;
    for (double z = kBridgeMinZ; z <= kBridgeMaxZ; z += 20.0) {
        const double h = terrain->getAltitudeAtX(x, z);
        EXPECT_LT(h, kBridgeDeckFeet) << z;
        lowest = std::min(lowest, h);
    }
    EXPECT_LT(lowest, kBridgeDeckFeet - 450.0);
    // The deck's ends meet high ground, and the stream's wet ground lies under the middle.
    EXPECT_GT(terrain->getAltitudeAtX(x, kBridgeMinZ - 100), kBridgeDeckFeet - 60.0);
    EXPECT_GT(terrain->getAltitudeAtX(x, kBridgeMaxZ + 100), kBridgeDeckFeet - 60.0);
    EXPECT_GT(countNear(x, (kBridgeMinZ + kBridgeMaxZ) / 2, 2500, {kWater, kMarsh}), 0);
}

TEST_F(GeneratedWorld, RoadsJoinEdgeToEdge) {
    long roads = 0;
    for (int j = 0; j < kGridSize - 2; ++j)
        for (int i = 0; i < kGridSize - 2; ++i) {
            const uint8_t e = terrain->roadEdgesAt(i, j);
            if (!e) continue;
            ++roads;
            if (e & kEdgeHighX) {
                ASSERT_TRUE(terrain->roadEdgesAt(i + 1, j) & kEdgeLowX) << i << ", " << j;
            }
            if (e & kEdgeHighZ) {
                ASSERT_TRUE(terrain->roadEdgesAt(i, j + 1) & kEdgeLowZ) << i << ", " << j;
            }
            ASSERT_NE(terrain->groundCodeAt(i, j), kTrenches);
        }
    EXPECT_GT(roads, 5000);
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
    ASSERT_GE(ypres.first, 0);
    ASSERT_GE(albert.first, 0);
    ASSERT_GE(reims.first, 0);
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

// Two neighbouring squares that each join only the other and the same side make a road that turns
// in and straight back out: drawn as two bends, a hairpin.
TEST_F(GeneratedWorld, NoRoadDoublesBackWithinTwoSquares) {
    int hairpins = 0;
    for (int j = 0; j < kGridSize - 2; ++j)
        for (int i = 0; i < kGridSize - 2; ++i)
            for (int s = 0; s < 2; ++s) {
                const uint8_t z = s ? kEdgeHighZ : kEdgeLowZ, x = s ? kEdgeHighX : kEdgeLowX;
                hairpins += terrain->roadEdgesAt(i, j) == (kEdgeHighX | z) && terrain->roadEdgesAt(i + 1, j) == (kEdgeLowX | z);
                hairpins += terrain->roadEdgesAt(i, j) == (kEdgeHighZ | x) && terrain->roadEdgesAt(i, j + 1) == (kEdgeLowZ | x);
            }
    EXPECT_LE(hairpins, 2);
}

TEST(GeneratedPictures, SizesTheLoaderTakesAndRoadPiecesMeetAtTheEdgeMiddles) {
    const auto pictures = worldgen::generateTextures(worldgen::kDefaultSeed);
    auto find = [&](const std::string& name) -> const platform::RGBAImage& {
        for (const auto& p : pictures)
            if (p.Name == name) return p.Image;
        ADD_FAILURE() << name;
        return pictures.front().Image;
    };
    for (const char* name : kGroundTextureNames) find(name);
    for (const auto& p : pictures) {
        EXPECT_EQ(p.Image.width, p.Image.height) << p.Name;
        const int w = p.Image.width;
        EXPECT_TRUE(w == 32 || w == 64 || w == 128 || w == 256 || w == 512 || w == 1024) << p.Name;
    }
    const auto& straight = find(kRoadStraightTexture);
    const auto& bend = find(kRoadBendTexture);
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
    const int last = straight.width - 1;
    const double middle = straight.width / 2.0;
    // The straight at both ends, the bend where it leaves the low-Z edge (the bottom row) and the
    // high-X edge (the last column): a piece turned about the square's middle then meets any other.
    EXPECT_NEAR(middleOfRun(straight, 0, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(straight, last, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(bend, last, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(bend, last, false), middle, 1.0);
}

}  // namespace
}  // namespace pellam
