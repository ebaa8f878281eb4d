// Sprites facing the eye cut to the cells where they can change a pixel: a column of seeded
// sprites over a small window, checked pixel by pixel against what the GL's bilinear filter
// could read there, so that no pixel a sprite might still change is left undrawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "objects/draw/SpriteCuts.h"

namespace pellam::effects {
namespace {

constexpr int kEdge = 32;  // texels

// A puff: wholly opaque middle, a soft ring, clear corners; its left column opaque and its right
// one clear, so that a filter repeating past the edge reads the one beside the other; opaque
// bands along its top and foot, which the filter reads as one across the edge.
std::vector<uint8_t> puff() {
    std::vector<uint8_t> a(kEdge * kEdge);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const double r = std::hypot(x + 0.5 - kEdge / 2.0, y + 0.5 - kEdge / 2.0) / (kEdge / 2.0);
            a[y * kEdge + x] = uint8_t(std::clamp((1.0 - r) * 2.0, 0.0, 1.0) * 255.0);
            if (x == 0 || y < 2 || y >= kEdge - 2) a[y * kEdge + x] = 255;
        }
    return a;
}

// The least and most alpha a bilinear read at (u, v) of the repeating picture can give.
void reads(const std::vector<uint8_t>& a, double u, double v, int& least, int& most) {
    const int x = int(std::floor(u * kEdge - 0.5)), y = int(std::floor(v * kEdge - 0.5));
    least = 255;
    most = 0;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
            const int t = a[((y + j) % kEdge + kEdge) % kEdge * kEdge + ((x + i) % kEdge + kEdge) % kEdge];
            least = std::min(least, t);
            most = std::max(most, t);
        }
}

bool inside(const FacingSprite& s, double x, double y) { return x > s.Left && x < s.Right && y > s.Bottom && y < s.Top; }

TEST(SpriteCuts, NoPixelASpriteCanStillChangeIsLeftOutAndNoneIsDrawnTwice) {
    const std::vector<uint8_t> picture = puff();
    const AlphaSums alpha(picture.data(), kEdge, kEdge);
    const SpriteWindow window{0, 0, 256, 192, 1.0, 1000.0};
    std::mt19937 random(44);
    std::uniform_real_distribution<double> across(-60, 320), up(-60, 250), size(160, 480), depth(2, 60);
    int leftOut = 0, cut = 0;
    for (int round = 0; round < 16; ++round) {
        std::vector<FacingSprite> sprites;
        for (int k = 0; k < 24; ++k) {
            FacingSprite s;
            const double x = across(random), y = up(random), half = size(random) / 2;
            s.Left = x - half;
            s.Right = x + half;
            s.Bottom = y - half;
            s.Top = y + half;
            s.Depth = k % 6 == 5 ? sprites.back().Depth : depth(random);  // some tied with the last
            s.Alpha = &alpha;
            s.Opacity = k % 3 == 0 ? 0.6 : 1.0;
            sprites.push_back(s);
        }
        SpriteCuts cuts;
        cutSprites(sprites, window, 200, cuts);
        ASSERT_EQ(cuts.draw.size(), sprites.size());
        ASSERT_LE(cuts.pieces.size(), 200u);
        std::vector<std::vector<SpritePiece>> piecesOf(sprites.size());
        for (const SpritePiece& p : cuts.pieces) piecesOf[size_t(p.Sprite)].push_back(p);
        std::vector<size_t> here;
        for (int py = 0; py < window.Height; ++py)
            for (int px = 0; px < window.Width; ++px) {
                const double x = px + 0.5, y = py + 0.5;
                here.clear();
                for (size_t i = 0; i < sprites.size(); ++i)
                    if (inside(sprites[i], x, y)) here.push_back(i);
                for (const size_t i : here) {
                    const FacingSprite& s = sprites[i];
                    const double u = (x - s.Left) / (s.Right - s.Left), v = (y - s.Bottom) / (s.Top - s.Bottom);
                    int least = 0, most = 0;
                    reads(picture, u, v, least, most);
                    // What reaches this pixel past the sprites drawn after this one.
                    double through = 1.0;
                    for (const size_t k : here) {
                        const FacingSprite& o = sprites[k];
                        if (!(o.Depth < s.Depth)) continue;
                        int l = 0, m = 0;
                        reads(picture, (x - o.Left) / (o.Right - o.Left), (y - o.Bottom) / (o.Top - o.Bottom), l, m);
                        through *= 1.0 - o.Opacity * l / 255.0;
                    }
                    const bool mayShow = most > 0 && through >= kHiddenBelow;
                    int drawn = cuts.draw[i] == SpriteCuts::Draw::Whole;
                    for (const SpritePiece& p : piecesOf[i]) drawn += u > p.U0 && u < p.U1 && v > p.V0 && v < p.V1;
                    if (mayShow) {
                        ASSERT_EQ(drawn, 1) << "round " << round << " sprite " << i << " at " << px << ", " << py;
                    }
                    ASSERT_LE(drawn, 1);
                    leftOut += !drawn;
                }
            }
        for (size_t i = 0; i < sprites.size(); ++i) {
            const bool tied = std::any_of(sprites.begin(), sprites.end(), [&](const FacingSprite& o) {
                return &o != &sprites[i] && o.Depth == sprites[i].Depth && o.Left < sprites[i].Right &&
                       sprites[i].Left < o.Right && o.Bottom < sprites[i].Top && sprites[i].Bottom < o.Top;
            });
            // Tied in depth with one it overlaps, the GL may draw either first: kept whole.
            if (tied) {
                EXPECT_EQ(cuts.draw[i], SpriteCuts::Draw::Whole) << "sprite " << i;
            }
            cut += cuts.draw[i] == SpriteCuts::Draw::Pieces;
        }
        // Pieces lie within their square, and with no room for pieces none is cut.
        for (const SpritePiece& p : cuts.pieces) {
            EXPECT_TRUE(p.U0 >= 0 && p.U0 < p.U1 && p.U1 <= 1 && p.V0 >= 0 && p.V0 < p.V1 && p.V1 <= 1);
            EXPECT_EQ(cuts.draw[size_t(p.Sprite)], SpriteCuts::Draw::Pieces);
        }
        SpriteCuts none;
        cutSprites(sprites, window, 0, none);
        EXPECT_TRUE(none.pieces.empty());
        EXPECT_EQ(std::count(none.draw.begin(), none.draw.end(), SpriteCuts::Draw::Pieces), 0);
    }
    // The column is deep enough that the cutting leaves much out.
    EXPECT_GT(cut, 60);
    EXPECT_GT(leftOut, 1000000);
}

// A round puff's corners are clear: it is cut to its disc of cells. Each quad's edges cost the
// rasteriser (the blocks along its diagonal are shaded twice), so the disc goes in broad pieces,
// not a strip per run of rows.
TEST(SpriteCuts, ARoundSpriteIsCutIntoFewBroadPiecesNotStrips) {
    std::vector<uint8_t> disc(kEdge * kEdge);
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x)
            disc[y * kEdge + x] = std::hypot(x + 0.5 - kEdge / 2.0, y + 0.5 - kEdge / 2.0) < kEdge / 2.0 - 1 ? 255 : 0;
    const AlphaSums alpha(disc.data(), kEdge, kEdge);
    const SpriteWindow window{0, 0, 1024, 768, 1.0, 1000.0};
    std::vector<FacingSprite> sprites(2);
    sprites[0] = {100, 740, 60, 700, 50.0, &alpha, 1.0};  // 40 rows of cells
    sprites[1] = {900, 1000, 600, 700, 20.0, &alpha, 1.0};
    SpriteCuts cuts;
    cutSprites(sprites, window, 400, cuts);
    ASSERT_EQ(cuts.draw[0], SpriteCuts::Draw::Pieces);
    int pieces = 0;
    double area = 0, edges = 0;  // shares of the square; edges: across plus up, summed
    for (const SpritePiece& p : cuts.pieces)
        if (p.Sprite == 0) {
            ++pieces;
            area += (p.U1 - p.U0) * (p.V1 - p.V0);
            edges += (p.U1 - p.U0) + (p.V1 - p.V0);
        }
    // Strips, one per run of rows, would total about thirteen of the square's sides.
    EXPECT_LT(edges, 8.0);
    EXPECT_GT(pieces, 1);
    // Within the square and short of it: the corners left out, the disc (79 % of it) kept.
    EXPECT_GT(area, 0.78);
    EXPECT_LT(area, 0.9);
}

// Two veils of alpha 200 let 4.7 % of what lies behind through, under the bound: a third sprite
// wholly behind them is left out, however the alpha is summed.
TEST(SpriteCuts, WhatTwoVeilsHideIsLeftOut) {
    const std::vector<uint8_t> veil(kEdge * kEdge, 200);
    const AlphaSums alpha(veil.data(), kEdge, kEdge);
    ASSERT_LT((55.0 / 255) * (55.0 / 255), kHiddenBelow);
    const SpriteWindow window{0, 0, 512, 512, 1.0, 1000.0};
    std::vector<FacingSprite> sprites(3);
    sprites[0] = {0, 512, 0, 512, 10.0, &alpha, 1.0};
    sprites[1] = {0, 512, 0, 512, 20.0, &alpha, 1.0};
    sprites[2] = {100, 400, 100, 400, 30.0, &alpha, 1.0};
    SpriteCuts cuts;
    cutSprites(sprites, window, 400, cuts);
    EXPECT_EQ(cuts.draw[2], SpriteCuts::Draw::Nothing);
    EXPECT_EQ(cuts.draw[1], SpriteCuts::Draw::Whole);
}

}  // namespace
}  // namespace pellam::effects
