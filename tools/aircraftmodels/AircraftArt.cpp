#include "tools/aircraftmodels/AircraftArt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace pellam::aircraftart {
namespace {

constexpr int kSize = 256;
using RGB = std::array<float, 3>;

uint32_t hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352d;
    x ^= x >> 15;
    x *= 0x846ca68b;
    x ^= x >> 16;
    return x;
}
float noise(int x, int y, uint32_t seed) { return float(hash(uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ seed) & 0xffff) / 65535.0f; }

// Smooth value noise that wraps at the picture's edge, so the fabric tiles.
float smoothNoise(float x, float y, int cells, uint32_t seed) {
    const float fx = x * cells / kSize, fy = y * cells / kSize;
    const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    const float tx = fx - x0, ty = fy - y0;
    auto at = [&](int i, int j) { return noise(((i % cells) + cells) % cells, ((j % cells) + cells) % cells, seed); };
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const float a = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const float b = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return a + (b - a) * sy;
}

void put(platform::RGBAImage& im, int x, int y, RGB c, float a = 1.0f) {
    uint8_t* p = &im.pixels[size_t(y * im.width + x) * 4];
    for (int k = 0; k < 3; ++k) p[k] = uint8_t(std::clamp(c[k], 0.0f, 1.0f) * 255.0f + 0.5f);
    p[3] = uint8_t(std::clamp(a, 0.0f, 1.0f) * 255.0f + 0.5f);
}

RGB scale(RGB c, float f) { return {c[0] * f, c[1] * f, c[2] * f}; }

// Doped linen: a fine weave, slight mottling, and the pinked rib tapes every 32 pixels.
void fabric(platform::RGBAImage& im, RGB base, uint32_t seed, bool ribs) {
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float f = 0.92f + 0.1f * smoothNoise(float(x), float(y), 8, seed) + 0.04f * noise(x, y, seed + 1);
            if ((x + y) % 2 == 0) f -= 0.015f;  // weave
            if (ribs) {
                const int d = x % 32;
                if (d == 0 || d == 1 || d == 8 || d == 9) f += 0.05f;   // tape edges
                else if (d > 1 && d < 8) f += 0.08f;                     // tape
            }
            put(im, x, y, scale(base, f));
        }
}

// Printed lozenge: rows of irregular six-sided lozenges in a fixed set of colours.
void lozenge(platform::RGBAImage& im, const std::array<RGB, 5>& colours, uint32_t seed) {
    // Centres on a skewed lattice; each pixel takes the nearest centre (stretched across), which
    // gives six-sided cells like the printed fabric.
    constexpr int kCols = 8, kRows = 12;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float best = 1e9f;
            int bestId = 0;
            for (int j = -1; j <= kRows; ++j)
                for (int i = -1; i <= kCols; ++i) {
                    const float cx = (float(i) + (j % 2 ? 0.5f : 0.0f)) * kSize / kCols;
                    const float cy = float(j) * kSize / kRows;
                    const float dx = (float(x) - cx) * 0.62f, dy = float(y) - cy;
                    const float dist = std::max(std::fabs(dx) * 0.866f + std::fabs(dy) * 0.5f, std::fabs(dy));
                    if (dist < best) {
                        best = dist;
                        const int wi = ((i % kCols) + kCols) % kCols, wj = ((j % kRows) + kRows) % kRows;
                        bestId = int(hash(uint32_t(wi * 31 + wj * 977) ^ seed) % 5);
                    }
                }
            const float f = 0.95f + 0.06f * noise(x, y, seed + 7) + ((x + y) % 2 ? 0.0f : -0.015f);
            put(im, x, y, scale(colours[bestId], f));
        }
}

void streaked(platform::RGBAImage& im, RGB under, RGB streak, uint32_t seed) {
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            // Brush strokes laid diagonally over a lighter ground.
            const float u = float(x + y) * 0.5f;
            const float s = smoothNoise(u * 4.0f, float(x - y) * 0.25f + 128.0f, 16, seed);
            const float t = std::clamp((s - 0.35f) * 3.0f, 0.0f, 1.0f);
            RGB c{under[0] + (streak[0] - under[0]) * t, under[1] + (streak[1] - under[1]) * t,
                  under[2] + (streak[2] - under[2]) * t};
            put(im, x, y, scale(c, 0.95f + 0.06f * noise(x, y, seed + 3)));
        }
}

void wood(platform::RGBAImage& im) {
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float w = smoothNoise(float(x), float(y) * 0.1f, 16, 91) * 6.0f;
            const float grain = 0.5f + 0.5f * std::sin(float(x) * 0.35f + w);
            // Laminations of lighter and darker timber, as on a propeller.
            const bool dark = (y / 21) % 2 == 1;
            RGB c = dark ? RGB{0.47f, 0.3f, 0.16f} : RGB{0.62f, 0.44f, 0.25f};
            put(im, x, y, scale(c, 0.82f + 0.22f * grain));
        }
}

void metal(platform::RGBAImage& im) {
    // Engine-turned aluminium: overlapping swirls.
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const int cx = (x / 16) * 16 + 8, cy = (y / 16) * 16 + 8 + ((x / 16) % 2) * 4;
            const float r = std::hypot(float(x - cx), float(y - cy));
            const float swirl = 0.5f + 0.5f * std::sin(r * 1.3f);
            put(im, x, y, scale(RGB{0.72f, 0.73f, 0.75f}, 0.82f + 0.2f * swirl + 0.04f * noise(x, y, 5)));
        }
}

void dial(platform::RGBAImage& im) {
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float dx = float(x) - 127.5f, dy = float(y) - 127.5f;
            const float r = std::hypot(dx, dy) / 128.0f;
            const float a = std::atan2(dy, dx);
            RGB c{0.08f, 0.08f, 0.07f};
            const float tick = std::fabs(std::remainder(a, 6.2831853f / 30.0f)) * 128.0f * r;
            const float major = std::fabs(std::remainder(a, 6.2831853f / 10.0f)) * 128.0f * r;
            if (r > 0.78f && r < 0.92f && tick < 1.4f) c = {0.9f, 0.88f, 0.8f};
            if (r > 0.66f && r < 0.92f && major < 2.2f) c = {0.95f, 0.93f, 0.85f};
            if (r > 0.95f) c = {0.7f, 0.58f, 0.3f};
            put(im, x, y, c);
        }
}

// The mask of a soft round puff (the view reads a masked texture's alpha from the red of a
// second picture): solid in the middle, falling off to nothing at the rim, a little lumpy.
void puffMask(platform::RGBAImage& im) {
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float r = std::hypot(float(x) - 127.5f, float(y) - 127.5f) / 128.0f;
            const float lumps = 0.75f + 0.25f * smoothNoise(float(x), float(y), 8, 61);
            const float a = std::clamp((1.0f - r) * 1.6f, 0.0f, 1.0f) * lumps;
            put(im, x, y, {a * a, a * a, a * a});
        }
}

}  // namespace

const std::vector<std::string>& pictureNames() {
    static const std::vector<std::string> names = {
        "CamelFabric.png",        "CamelFabricB.png",       "CamelLinen.png",     "FokkerLozengeUpper.png",
        "FokkerLozengeLower.png", "FokkerStreaked.png",     "FokkerDVIIFuselage.png", "FokkerJastaRed.png",
        "AircraftWood.png",       "AircraftMetal.png",      "AircraftDial.png",   "AircraftPlain.png",
        "AircraftSmokeB.png",     "AircraftSmokeB_.png",    "TeamRed.png",            "TeamBlue.png",       "TeamYellow.png",
        "TeamBlack.png",          "AircraftCharred.png"};
    return names;
}

bool paint(const std::string& name, platform::RGBAImage& im) {
    im.width = im.height = kSize;
    im.pixels.assign(size_t(kSize) * kSize * 4, 255);
    if (name == "CamelFabric.png") fabric(im, {0.34f, 0.33f, 0.2f}, 11, true);          // PC10 olive khaki
    else if (name == "CamelFabricB.png") fabric(im, {0.45f, 0.29f, 0.17f}, 12, true);  // PC12 red-brown
    else if (name == "CamelLinen.png") fabric(im, {0.88f, 0.82f, 0.64f}, 13, true);    // clear-doped linen
    else if (name == "FokkerLozengeUpper.png")
        lozenge(im, {{{0.34f, 0.33f, 0.24f}, {0.25f, 0.28f, 0.34f}, {0.32f, 0.26f, 0.3f}, {0.26f, 0.31f, 0.23f},
                      {0.4f, 0.35f, 0.26f}}},
                21);
    else if (name == "FokkerLozengeLower.png")
        lozenge(im, {{{0.7f, 0.64f, 0.5f}, {0.56f, 0.6f, 0.68f}, {0.66f, 0.55f, 0.62f}, {0.58f, 0.64f, 0.5f},
                      {0.74f, 0.68f, 0.52f}}},
                22);
    else if (name == "FokkerStreaked.png") streaked(im, {0.55f, 0.6f, 0.62f}, {0.3f, 0.33f, 0.18f}, 31);
    else if (name == "FokkerDVIIFuselage.png")
        lozenge(im, {{{0.36f, 0.34f, 0.25f}, {0.27f, 0.29f, 0.35f}, {0.34f, 0.27f, 0.31f}, {0.28f, 0.32f, 0.24f},
                      {0.42f, 0.36f, 0.27f}}},
                23);
    else if (name == "FokkerJastaRed.png") fabric(im, {0.62f, 0.1f, 0.08f}, 41, false);
    else if (name == "AircraftWood.png") wood(im);
    else if (name == "AircraftMetal.png") metal(im);
    else if (name == "AircraftDial.png") dial(im);
    else if (name == "AircraftPlain.png") fabric(im, {0.97f, 0.97f, 0.96f}, 51, false);
    else if (name == "AircraftSmokeB.png") fabric(im, {1.0f, 1.0f, 1.0f}, 62, false);
    else if (name == "AircraftSmokeB_.png") puffMask(im);
    // Team colours, doped on: red, blue, yellow and black.
    else if (name == "TeamRed.png") fabric(im, {0.66f, 0.1f, 0.08f}, 71, false);
    else if (name == "TeamBlue.png") fabric(im, {0.18f, 0.26f, 0.6f}, 72, false);
    else if (name == "TeamYellow.png") fabric(im, {0.82f, 0.68f, 0.14f}, 73, false);
    else if (name == "TeamBlack.png") fabric(im, {0.09f, 0.09f, 0.09f}, 74, false);
    else if (name == "AircraftCharred.png") streaked(im, {0.16f, 0.14f, 0.12f}, {0.05f, 0.05f, 0.05f}, 81);
    else return false;
    return true;
}

}  // namespace pellam::aircraftart
