#include <cmath>

#include "tools/worldgen/WorldGen.h"

namespace pellam::worldgen {

uint32_t hash32(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

double valueNoise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<uint32_t>(static_cast<int64_t>(fx)), iy = static_cast<uint32_t>(static_cast<int64_t>(fy));
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto v = [&](uint32_t a, uint32_t b) { return hash32(a, b, seed) / 4294967295.0; };
    const double a = v(ix, iy), b = v(ix + 1, iy), c = v(ix, iy + 1), d = v(ix + 1, iy + 1);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double fbm(double x, double y, uint32_t seed, int octaves) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x, y, seed + o * 977u);
        norm += amp;
        amp *= 0.5;
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 5.3;
    }
    return sum / norm;
}

}  // namespace pellam::worldgen
