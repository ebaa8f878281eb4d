#include "tools/missiongen/WorldMap.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/ByteOrder.h"
#include "world/WorldGrid.h"

namespace pellam::missiongen {
namespace {

using namespace world;

// Colours of the ground codes as a 1918 staff map tints them: fields buff, woods green, towns
// brick, the shelled belt a muddy brown and the trench lines darker still.
constexpr std::array<std::array<uint8_t, 3>, kGroundCodes> kInk = {{
    {122, 152, 178},  // water
    {226, 212, 160},  // wheat
    {108, 138, 84},   // woodland
    {184, 202, 140},  // pasture
    {200, 178, 138},  // ploughed
    {226, 222, 196},  // chalk downs
    {196, 150, 120},  // village
    {168, 110, 90},   // town
    {128, 96, 70},    // shell-torn mud
    {96, 64, 48},     // trenches
    {150, 176, 150},  // marsh
    {176, 196, 130},  // beet
}};

}  // namespace

const std::array<uint8_t, 3>& groundInk(uint8_t code) { return kInk[std::min<uint8_t>(code, kGroundCodes - 1)]; }

platform::RGBAImage paintWorldMap(const std::vector<uint8_t>& elevation, const std::vector<uint8_t>& surface,
                                  int size) {
    platform::RGBAImage map;
    if (elevation.size() != kElevationBytes || surface.size() != kSurfaceBytes || size < 16) return map;
    map.width = map.height = size;
    map.pixels.assign(size_t(size) * size * 4, 255);
    auto height = [&](int i, int j) {
        i = std::clamp(i, 0, kGridSize - 1);
        j = std::clamp(j, 0, kGridSize - 1);
        return platform::readBEShort(&elevation[(size_t(j) * kGridSize + i) * 2]);
    };
    const double step = double(kGridSize - 1) / size;  // posts per pixel
    for (int py = 0; py < size; ++py) {
        const int j = std::clamp(int((size - 1 - py) * step), 0, kGridSize - 2);  // north up
        for (int px = 0; px < size; ++px) {
            const int i = std::clamp(int(px * step), 0, kGridSize - 2);
            const uint8_t square = surface[size_t(j) * kGridSize + i];
            const uint8_t code = std::min<uint8_t>(square & 15, kGroundCodes - 1);
            // Country is tinted by the mean of the ground around (the map's scale cannot show single
            // fields, woods or roads); water, towns and the front keep their own ink.
            std::array<double, 3> c = {double(kInk[code][0]), double(kInk[code][1]), double(kInk[code][2])};
            const bool feature = code == kWater || code == kTown || code == kShellMud || code == kTrenches;
            if (!feature) {
                c = {0, 0, 0};
                int n = 0;
                for (int dj = -3; dj <= 3; ++dj)
                    for (int di = -3; di <= 3; ++di) {
                        const int ii = std::clamp(i + di, 0, kGridSize - 2), jj = std::clamp(j + dj, 0, kGridSize - 2);
                        const uint8_t near = std::min<uint8_t>(surface[size_t(jj) * kGridSize + ii] & 15, kGroundCodes - 1);
                        if (near == kWater) continue;
                        for (int k = 0; k < 3; ++k) c[k] += kInk[near][k];
                        ++n;
                    }
                for (double& v : c) v /= std::max(n, 1);
            }
            // Light from the north-west over a slope measured across a few posts.
            const int span = std::max(1, int(step));
            const double east = height(i + span, j) - height(i - span, j);
            const double north = height(i, j + span) - height(i, j - span);
            double shade = 1.0 + (north - east) * 0.02;
            if (code == kWater) shade = 1.0;
            shade = std::clamp(shade, 0.65, 1.2);
            uint8_t* out = &map.pixels[(size_t(py) * size + px) * 4];
            for (int k = 0; k < 3; ++k) out[k] = uint8_t(std::clamp(c[k] * shade, 0.0, 255.0));
            out[3] = 255;
        }
    }
    return map;
}

}  // namespace pellam::missiongen
