#pragma once
// The colours of each mip level of a picture as the GL stores it. Every filtered read of one level
// is a weighted mean of its texels, so it lies within that level's least and greatest in each
// channel: where those lie close to one colour at every level a draw can read, the picture can be
// drawn as that colour without reading it at all.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pellam::worlddraw {

struct LevelColours {
    std::array<double, 3> Mean{};          // 0..255, red, green, blue
    std::array<uint8_t, 3> Least{}, Most{};  // of any texel
};

// Of `texels` RGB texels, three bytes each; all zero when there are none.
LevelColours levelColoursOf(const uint8_t* rgb, size_t texels);

// The finest level from which on every level's texels, each channel times its `tint` (0..1), lie
// within `bound` levels of `colour` (0..255) times the same tint; levels.size() when even the last
// does not.
int flatFrom(const std::vector<LevelColours>& levels, const std::array<double, 3>& colour,
             const std::array<float, 3>& tint, double bound);

// The texels of the texture's levels as stored, level 0 first, in `format` (GL_ALPHA: a byte a
// texel; GL_RGB: three; GL_RGBA: four; nothing in any other), up to `last`, or every level there
// is when `last` is negative; stops at the first that cannot be read. Binds the texture on the
// active unit.
std::vector<std::vector<uint8_t>> readLevels(uint32_t texture, uint32_t format, int last = -1);

// The texture's levels as stored, level 0 first, up to `last`; empty when one cannot be read.
// Binds the texture on the active unit.
std::vector<LevelColours> readLevelColours(uint32_t texture, int last);

}  // namespace pellam::worlddraw
