#pragma once
// The rule a drawing shortcut keeps against the plain drawing of the same moment: at most 1 % of
// the pixels more than 16 levels apart in a colour, and none of those in the middle third of the
// picture, where the pilot aims; and no structure of the picture lost, however faint: the local
// contrast of the sky and of the ground, block by block, as the plain drawing's (structureLost).
// And how a layer laid over a picture shows, its soft edge too (movedBy, softEdge).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::testing {

struct PixelsApart {
    int count = 0, middle = 0;  // pixels more than 16 levels apart; those in the middle third
};

inline PixelsApart pixelsApart(const platform::RGBAImage& a, const platform::RGBAImage& b) {
    PixelsApart out;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const size_t i = (size_t(y) * a.width + x) * 4;
            int most = 0;
            for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a.pixels[i + c] - b.pixels[i + c]));
            if (most <= 16) continue;
            ++out.count;
            if (3 * x >= a.width && 3 * x < 2 * a.width && 3 * y >= a.height && 3 * y < 2 * a.height) ++out.middle;
        }
    return out;
}

// The most any colour channel of a pixel differs between two pictures of one size (levels).
inline int farthestApart(const platform::RGBAImage& a, const platform::RGBAImage& b) {
    int most = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        if (i % 4 != 3) most = std::max(most, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return most;
}

// How far a layer laid over a picture (a cloud deck) moves each pixel from the picture without it
// (RGBA, of one size): the most of a colour channel, levels.
inline std::vector<int> movedBy(const std::vector<uint8_t>& without, const std::vector<uint8_t>& with) {
    std::vector<int> moved;
    moved.reserve(without.size() / 4);
    for (size_t i = 0; i + 3 < without.size() && i + 3 < with.size(); i += 4)
        moved.push_back(std::max({std::abs(without[i] - with[i]), std::abs(without[i + 1] - with[i + 1]),
                                  std::abs(without[i + 2] - with[i + 2])}));
    return moved;
}

// Of those moves: the pixels the layer shows on (moved more than 2 levels), and among them its soft
// edge, those moved less than half as far as its thickest parts (the 98th percentile).
struct LayerShown {
    long shown = 0, soft = 0;
};
inline LayerShown softEdge(std::vector<int> moved) {
    LayerShown out;
    if (moved.empty()) return out;
    out.shown = std::count_if(moved.begin(), moved.end(), [](int m) { return m > 2; });
    std::sort(moved.begin(), moved.end());
    const int thickest = moved[moved.size() * 98 / 100];
    out.soft = std::count_if(moved.begin(), moved.end(), [&](int m) { return m > 2 && m < thickest / 2; });
    return out;
}

// The local contrast of a picture's whole 16 x 16 blocks, row by row, in levels of brightness (the
// mean of a pixel's three channels). Fine: the standard deviation within the block. Coarse: how
// far the means of the blocks round it lie from their four neighbours' (-1 where that reaches the
// other part), which shows the soft shapes wider than a block, such as faint clouds, where an
// even gradient cancels out. Part: 0 the ground, 1 the sky, -1 a block lying across both.
struct LocalContrast {
    static constexpr int kBlock = 16;  // pixels
    std::vector<float> Fine, Coarse;
    std::vector<int> Part;
};

// `sky`: one byte a pixel in the picture's order, non-zero where the sky shows (empty: none does).
inline LocalContrast localContrast(const platform::RGBAImage& p, const std::vector<uint8_t>& sky) {
    constexpr int n = LocalContrast::kBlock;
    const int across = p.width / n, down = p.height / n;
    std::vector<double> means(size_t(across) * down);
    LocalContrast c;
    c.Fine.resize(means.size()), c.Coarse.assign(means.size(), -1.0f), c.Part.resize(means.size());
    for (int by = 0; by < down; ++by)
        for (int bx = 0; bx < across; ++bx) {
            double sum = 0, squares = 0;
            int skyPixels = 0;
            for (int y = by * n; y < by * n + n; ++y)
                for (int x = bx * n; x < bx * n + n; ++x) {
                    const size_t i = size_t(y) * p.width + x;
                    const double v = (p.pixels[i * 4] + p.pixels[i * 4 + 1] + p.pixels[i * 4 + 2]) / 3.0;
                    sum += v, squares += v * v;
                    skyPixels += !sky.empty() && sky[i] != 0;
                }
            const size_t b = size_t(by) * across + bx;
            means[b] = sum / (n * n);
            c.Fine[b] = float(std::sqrt(std::max(0.0, squares / (n * n) - means[b] * means[b])));
            c.Part[b] = skyPixels == 0 ? 0 : skyPixels == n * n ? 1 : -1;
        }
    // Each block's mean less its four neighbours' (NaN where one is of the other part).
    std::vector<double> apart(means.size(), std::nan(""));
    for (int by = 1; by + 1 < down; ++by)
        for (int bx = 1; bx + 1 < across; ++bx) {
            const size_t b = size_t(by) * across + bx;
            const size_t round[4] = {b - 1, b + 1, b - size_t(across), b + size_t(across)};
            if (std::all_of(round, round + 4, [&](size_t k) { return c.Part[k] == c.Part[b]; }))
                apart[b] = means[b] - (means[round[0]] + means[round[1]] + means[round[2]] + means[round[3]]) / 4;
        }
    // Coarse: the root mean square of that over the block and the eight round it, all of one part.
    for (int by = 2; by + 2 < down; ++by)
        for (int bx = 2; bx + 2 < across; ++bx) {
            double sum = 0;
            bool whole = true;
            for (int y = by - 1; y <= by + 1; ++y)
                for (int x = bx - 1; x <= bx + 1; ++x) {
                    const size_t k = size_t(y) * across + x;
                    whole = whole && !std::isnan(apart[k]) && c.Part[k] == c.Part[size_t(by) * across + bx];
                    sum += whole ? apart[k] * apart[k] : 0.0;
                }
            if (whole) c.Coarse[size_t(by) * across + bx] = float(std::sqrt(sum / 9));
        }
    return c;
}

// What structure `drawn` has lost against the plain drawing `exact` (empty: none): of the sky's
// blocks, and of the ground's, at most 1 % may keep less than half of a fine contrast of a level or
// more (a grain one sees), or of a coarse contrast of a quarter of a level or more (soft shapes
// show at far less). `sky` as for localContrast, of the same moment.
inline std::string structureLost(const platform::RGBAImage& exact, const platform::RGBAImage& drawn,
                                 const std::vector<uint8_t>& sky = {}) {
    constexpr float kLeastFine = 1.0f, kLeastCoarse = 0.25f, kKept = 0.5f;
    const LocalContrast a = localContrast(exact, sky), b = localContrast(drawn, sky);
    int blocks[2] = {}, fine[2] = {}, coarse[2] = {};
    for (size_t i = 0; i < a.Part.size(); ++i) {
        const int part = a.Part[i];
        if (part < 0) continue;
        ++blocks[part];
        fine[part] += a.Fine[i] >= kLeastFine && b.Fine[i] < kKept * a.Fine[i];
        coarse[part] += a.Coarse[i] >= kLeastCoarse && b.Coarse[i] < kKept * a.Coarse[i];
    }
    std::ostringstream lost;
    for (int part = 0; part < 2; ++part) {
        const char* name = part ? "sky" : "ground";
        if (100 * fine[part] > blocks[part])
            lost << fine[part] << " of the " << name << "'s " << blocks[part] << " blocks lost their fine contrast; ";
        if (100 * coarse[part] > blocks[part])
            lost << coarse[part] << " of the " << name << "'s " << blocks[part] << " blocks lost their coarse contrast; ";
    }
    return lost.str();
}

}  // namespace pellam::testing
