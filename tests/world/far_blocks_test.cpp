// Far squares merged into blocks, on small made grids: the blocks taken are aligned, of one key
// and on one plane; the triangles of the blocks and the
// squares left between them cover the grid once, with no post of one lying inside another's edge
// (a T-junction, where the GL's rounding can open a pixel).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <random>
#include <vector>

#include "world/draw/FarBlocks.h"

namespace pellam::worlddraw {
namespace {

using Triangle = std::array<PostOffset, 3>;

long twiceArea(const Triangle& t) {
    return long(t[1][0] - t[0][0]) * (t[2][1] - t[0][1]) - long(t[2][0] - t[0][0]) * (t[1][1] - t[0][1]);
}

// Whether post p lies strictly inside the segment a-b.
bool inside(const PostOffset& p, const PostOffset& a, const PostOffset& b) {
    const long cross = long(b[0] - a[0]) * (p[1] - a[1]) - long(b[1] - a[1]) * (p[0] - a[0]);
    if (cross != 0 || p == a || p == b) return false;
    return std::min(a[0], b[0]) <= p[0] && p[0] <= std::max(a[0], b[0]) && std::min(a[1], b[1]) <= p[1] &&
           p[1] <= std::max(a[1], b[1]);
}

// The triangles of the whole grid as drawn: each merged block's, and two for every square left.
std::vector<Triangle> mesh(const BlockGrid& grid, bool diagonal0) {
    std::vector<Triangle> out, block;
    for (int j = grid.J0; j < grid.J0 + grid.Down; ++j)
        for (int i = grid.I0; i < grid.I0 + grid.Across; ++i) {
            const int size = grid.Sizes[grid.at(i, j)];
            if (!size) {
                out.push_back({PostOffset{i, j}, PostOffset{i + 1, j}, PostOffset{i + 1, j + 1}});
                out.push_back({PostOffset{i, j}, PostOffset{i + 1, j + 1}, PostOffset{i, j + 1}});
                continue;
            }
            if (i % size || j % size) continue;
            blockTriangles(size, sidesWithPosts(grid, i, j, size), diagonal0, block);
            for (Triangle t : block) {
                for (PostOffset& p : t) p = {p[0] + i, p[1] + j};
                out.push_back(t);
            }
        }
    return out;
}

// Every triangle turns the same way and has area; together they cover the grid's area; and no
// triangle's corner lies inside another's edge.
void expectConforming(const BlockGrid& grid, const std::vector<Triangle>& triangles) {
    long area = 0;
    for (const Triangle& t : triangles) {
        ASSERT_GT(twiceArea(t), 0);
        area += twiceArea(t);
    }
    EXPECT_EQ(area, 2L * grid.Across * grid.Down);
    for (const Triangle& t : triangles)
        for (const Triangle& u : triangles)
            for (const PostOffset& p : u)
                for (int e = 0; e < 3; ++e)
                    EXPECT_FALSE(inside(p, t[size_t(e)], t[size_t(e + 1) % 3]))
                        << "post (" << p[0] << ", " << p[1] << ") inside an edge from (" << t[size_t(e)][0] << ", "
                        << t[size_t(e)][1] << ")";
}

// A block amid neighbours of every kind: across each side a block of its size, or squares (as
// many as the side has posts), in every combination and either diagonal.
TEST(FarBlocks, ABlocksSidesMeetEveryNeighbourPostForPost) {
    for (const int size : {2, 4, 8})
        for (int plain = 0; plain < 16; ++plain)
            for (const bool diagonal0 : {true, false}) {
                BlockGrid grid;
                grid.reset(0, 0, 3 * size, 3 * size);
                const int across[4][2] = {{1, 0}, {2, 1}, {1, 2}, {0, 1}};  // the block across each side
                std::vector<std::array<int, 2>> blocks = {{1, 1}};
                for (int s = 0; s < 4; ++s)
                    if (plain >> s & 1) blocks.push_back({across[s][0], across[s][1]});
                for (const auto& b : blocks)
                    for (int dj = 0; dj < size; ++dj)
                        for (int di = 0; di < size; ++di)
                            grid.Sizes[grid.at(b[0] * size + di, b[1] * size + dj)] = uint8_t(size);
                EXPECT_EQ(sidesWithPosts(grid, size, size, size), 15 - plain);
                expectConforming(grid, mesh(grid, diagonal0));
                std::vector<Triangle> triangles;
                blockTriangles(size, uint8_t(15 - plain), diagonal0, triangles);
                // The fewest: two with no posts, one a segment with posts along one side or two that
                // meet; the diagonal asked for.
                const int posts = 15 - plain;
                if (posts == 0) {
                    ASSERT_EQ(triangles.size(), 2u);
                    EXPECT_EQ(triangles[0][0], (diagonal0 ? PostOffset{0, 0} : PostOffset{size, 0}));
                }
                if (posts == 1) {
                    EXPECT_EQ(triangles.size(), size_t(size + 1));
                }
                if (posts == 3 || posts == 6 || posts == 12 || posts == 9) {
                    EXPECT_EQ(triangles.size(), size_t(2 * size));
                }
            }
}

TEST(FarBlocks, BlocksTakenAreWholeAlignedOnOnePlaneAndMeetTheirNeighbours) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        // A grid at an unaligned place, of two or three keys and some squares left out, over
        // ground made of planes with a few posts raised.
        BlockGrid grid;
        const int i0 = int(random() % 9), j0 = int(random() % 9);
        grid.reset(i0, j0, 10 + int(random() % 14), 10 + int(random() % 14));
        const int keys = 1 + int(random() % 3);
        for (int j = grid.J0; j < grid.J0 + grid.Down; ++j)
            for (int i = grid.I0; i < grid.I0 + grid.Across; ++i)
                grid.Keys[grid.at(i, j)] = uint8_t(random() % 20 == 0 ? 0 : 1 + (i / 5 * 7 + j / 3 * 3) % keys);
        std::map<std::pair<int, int>, float> raised;
        for (int n = 0; n < 6; ++n) raised[{i0 + int(random() % 24), j0 + int(random() % 24)}] = 3.0f;
        const float slope = round % 2 ? 0.0f : 7.5f;
        const auto height = [&](int i, int j) {
            const auto at = raised.find({i, j});
            return 100.0f + slope * float(i) - 2.0f * float(j) + (at == raised.end() ? 0.0f : at->second);
        };
        const double tolerance = round % 4 == 3 ? 5.0 : 0.01;
        mergeBlocks(grid, height, [&](int, int, int) { return tolerance; }, {8, 4, 2});
        long merged = 0;
        for (int j = grid.J0; j < grid.J0 + grid.Down; ++j)
            for (int i = grid.I0; i < grid.I0 + grid.Across; ++i) {
                const int size = grid.Sizes[grid.at(i, j)];
                if (size) {
                    ++merged;
                    const int bi = i / size * size, bj = j / size * size;
                    ASSERT_TRUE(grid.holds(bi, bj) && grid.holds(bi + size - 1, bj + size - 1));
                    for (int dj = 0; dj < size; ++dj)
                        for (int di = 0; di < size; ++di) {
                            EXPECT_EQ(grid.Sizes[grid.at(bi + di, bj + dj)], size);
                            EXPECT_EQ(grid.Keys[grid.at(bi + di, bj + dj)], grid.Keys[grid.at(i, j)]);
                            EXPECT_NE(grid.Keys[grid.at(bi + di, bj + dj)], 0);
                        }
                    EXPECT_TRUE(postsOnOnePlane(height, bi, bj, size, tolerance));
                }
            }
        EXPECT_GT(merged, 0);
        for (const bool diagonal0 : {true, false}) expectConforming(grid, mesh(grid, diagonal0));
    }
}

}  // namespace
}  // namespace pellam::worlddraw
