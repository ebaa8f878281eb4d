#pragma once
// The painters' kit of the generated pictures: colours, seeded value noise and pixel writing.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/PngImage.h"

namespace pellam::effectsart {

struct Colour {
    float r, g, b;
};
inline Colour mix(Colour a, Colour b, float t) {
    t = std::clamp(t, 0.0f, 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
inline Colour rgb8(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f}; }

// Hash-based value noise, tiling every `period` cells.
inline float lattice(int x, int y, uint32_t seed) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}
inline float valueNoise(float x, float y, uint32_t seed) {
    const int xi = int(std::floor(x)), yi = int(std::floor(y));
    float fx = x - xi, fy = y - yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float a = lattice(xi, yi, seed), b = lattice(xi + 1, yi, seed), c = lattice(xi, yi + 1, seed),
                d = lattice(xi + 1, yi + 1, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}
inline float fractal(float x, float y, uint32_t seed, int octaves = 4) {
    float sum = 0, amp = 0.5f, f = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x * f, y * f, seed + o * 17);
        amp *= 0.5f;
        f *= 2;
    }
    return sum / (1.0f - std::pow(0.5f, float(octaves)));
}

inline void blank(platform::RGBAImage& image, int edge) {
    image.width = image.height = edge;
    image.pixels.assign(size_t(edge) * edge * 4, 0);
}
inline void put(platform::RGBAImage& image, int x, int y, Colour c, float a = 1.0f) {
    uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 4];
    p[0] = uint8_t(std::clamp(c.r, 0.0f, 1.0f) * 255 + 0.5f);
    p[1] = uint8_t(std::clamp(c.g, 0.0f, 1.0f) * 255 + 0.5f);
    p[2] = uint8_t(std::clamp(c.b, 0.0f, 1.0f) * 255 + 0.5f);
    p[3] = uint8_t(std::clamp(a, 0.0f, 1.0f) * 255 + 0.5f);
}
// A mask picture: its red channel becomes the texture's alpha.
inline void putMask(platform::RGBAImage& image, int x, int y, float a) { put(image, x, y, {a, a, a}, 1.0f); }

}  // namespace pellam::effectsart
