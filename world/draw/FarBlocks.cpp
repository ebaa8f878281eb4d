#include "world/draw/FarBlocks.h"

#include <algorithm>
#include <cmath>

namespace pellam::worlddraw {

void BlockGrid::reset(int i0, int j0, int across, int down) {
    I0 = i0, J0 = j0, Across = std::max(across, 0), Down = std::max(down, 0);
    Keys.assign(size_t(Across) * size_t(Down), 0);
    Sizes.assign(Keys.size(), 0);
}

bool postsOnOnePlane(const std::function<float(int, int)>& height, int i, int j, int size, double tolerance) {
    const double h00 = height(i, j), h10 = height(i + size, j), h01 = height(i, j + size);
    const double gi = (h10 - h00) / size, gj = (h01 - h00) / size;
    for (int dj = 0; dj <= size; ++dj)
        for (int di = 0; di <= size; ++di)
            if (!(std::abs(height(i + di, j + dj) - (h00 + gi * di + gj * dj)) <= tolerance)) return false;
    return true;
}

void mergeBlocks(BlockGrid& grid, const std::function<float(int, int)>& height,
                 const std::function<double(int, int, int)>& tolerance, const std::vector<int>& sizes) {
    std::fill(grid.Sizes.begin(), grid.Sizes.end(), 0);
    const auto floorTo = [](int v, int size) { return v >= 0 ? v / size * size : -((-v + size - 1) / size) * size; };
    for (const int size : sizes) {
        if (size < 2 || size > 255) continue;
        for (int j = floorTo(grid.J0, size); j < grid.J0 + grid.Down; j += size)
            for (int i = floorTo(grid.I0, size); i < grid.I0 + grid.Across; i += size) {
                if (!grid.holds(i, j) || !grid.holds(i + size - 1, j + size - 1)) continue;
                const uint8_t key = grid.Keys[grid.at(i, j)];
                bool one = key != 0;
                for (int dj = 0; dj < size && one; ++dj)
                    for (int di = 0; di < size && one; ++di) {
                        const size_t k = grid.at(i + di, j + dj);
                        one = grid.Keys[k] == key && grid.Sizes[k] == 0;
                    }
                if (!one || !postsOnOnePlane(height, i, j, size, tolerance(i, j, size))) continue;
                for (int dj = 0; dj < size; ++dj)
                    for (int di = 0; di < size; ++di) grid.Sizes[grid.at(i + di, j + dj)] = uint8_t(size);
            }
    }
}

uint8_t sidesWithPosts(const BlockGrid& grid, int i, int j, int size) {
    // The square just across each side, from the side's first post.
    const int across[4][2] = {{i, j - 1}, {i + size, j}, {i, j + size}, {i - 1, j}};
    uint8_t sides = 0;
    for (int s = 0; s < 4; ++s)
        if (grid.sizeAt(across[s][0], across[s][1]) != size) sides |= uint8_t(1 << s);
    return sides;
}

void blockTriangles(int size, uint8_t sides, bool diagonal0, std::vector<std::array<PostOffset, 3>>& out) {
    out.clear();
    if (size < 1) return;
    if (size == 1) sides = 0;  // no post between a square's corners
    const PostOffset corners[4] = {{0, 0}, {size, 0}, {size, size}, {0, size}};
    // Segments along side s (from corner s to corner s + 1).
    const auto segments = [&](int s) { return sides >> (s & 3) & 1 ? size : 1; };
    // The triangles from `apex` to each segment of the sides from `first` to `last`.
    const auto fan = [&](const PostOffset& apex, int first, int last) {
        for (int s = first; s <= last; ++s) {
            const PostOffset& from = corners[s & 3];
            const PostOffset& to = corners[(s + 1) & 3];
            const int n = segments(s);
            for (int k = 0; k < n; ++k) {
                const PostOffset a = {from[0] + (to[0] - from[0]) * k / n, from[1] + (to[1] - from[1]) * k / n};
                const PostOffset b = {from[0] + (to[0] - from[0]) * (k + 1) / n,
                                      from[1] + (to[1] - from[1]) * (k + 1) / n};
                out.push_back({apex, a, b});
            }
        }
    };
    // A fan from corner v covers the block with one triangle per segment of the two sides that do
    // not meet at v, and the two that do are whole edges: usable where those have no posts.
    int best = -1, least = 0;
    for (int n = 0; n < 4; ++n) {
        const int v = ((diagonal0 ? 0 : 1) + n) & 3;  // the diagonal asked for first
        if (sides >> v & 1 || sides >> ((v + 3) & 3) & 1) continue;
        const int count = segments(v + 1) + segments(v + 2);
        if (best < 0 || count < least) best = v, least = count;
    }
    if (best >= 0) {
        fan(corners[best], best + 1, best + 2);
        return;
    }
    // Else a fan from the middle post, to every segment of the outline.
    fan({size / 2, size / 2}, 0, 3);
}

}  // namespace pellam::worlddraw
