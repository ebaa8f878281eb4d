// What a pilot sees of the generated front: the trench belt runs unbroken from Flanders to
// Champagne, roads do not double back on themselves, and road pieces meet where their squares meet.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "tools/worldgen/WorldGen.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

using namespace world;

class GeneratedSurface : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        files = new worldgen::WorldFiles;
        worldgen::generateTerrain(worldgen::kDefaultSeed, *files);
    }
    static void TearDownTestSuite() { delete files; }
    static int code(int i, int j) { return files->Surface[size_t(j) * kGridSize + i] & 15; }
    static uint8_t edges(int i, int j) { return files->Surface[size_t(j) * kGridSize + i] >> 4; }
    static inline worldgen::WorldFiles* files = nullptr;
};

TEST_F(GeneratedSurface, TheTrenchBeltRunsUnbrokenFromYpresToReims) {
    // The trench square nearest a place on the line.
    auto nearest = [&](double x, double z) {
        const int ci = int(x / kSquareFeet), cj = int(z / kSquareFeet);
        for (int r = 0; r < 12; ++r)
            for (int j = cj - r; j <= cj + r; ++j)
                for (int i = ci - r; i <= ci + r; ++i)
                    if (code(i, j) == kTrenches) return std::pair{i, j};
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
                if (s || code(ni, nj) != kTrenches) continue;
                bool wet = true;  // every square between is water
                for (int k = 1; k < steps; ++k) wet = wet && code(i + di * k / steps, j + dj * k / steps) == kWater;
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
TEST_F(GeneratedSurface, NoRoadDoublesBackWithinTwoSquares) {
    int hairpins = 0;
    for (int j = 0; j < kGridSize - 2; ++j)
        for (int i = 0; i < kGridSize - 2; ++i)
            for (int s = 0; s < 2; ++s) {
                const uint8_t z = s ? kEdgeHighZ : kEdgeLowZ, x = s ? kEdgeHighX : kEdgeLowX;
                hairpins += edges(i, j) == (kEdgeHighX | z) && edges(i + 1, j) == (kEdgeLowX | z);
                hairpins += edges(i, j) == (kEdgeHighZ | x) && edges(i, j + 1) == (kEdgeLowZ | x);
            }
    EXPECT_LE(hairpins, 2);
}

TEST(GeneratedPictures, RoadPiecesMeetAtTheMiddlesOfTheEdges) {
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
    // The straight at both ends, the bend where it leaves the low-Z edge (the bottom row) and the
    // high-X edge (the last column): a piece turned about the square's middle then meets any other.
    EXPECT_NEAR(middleOfRun(*straight, 0, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(*straight, last, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(*bend, last, true), middle, 1.0);
    EXPECT_NEAR(middleOfRun(*bend, last, false), middle, 1.0);
}

}  // namespace
}  // namespace pellam
