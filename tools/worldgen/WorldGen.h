#pragma once
// The generator of world 1, "The Western front, Europe, 1918.": the height grid and surface map
// the terrain reads, and the terrain, sky and cloud textures. Everything follows from the seed.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::worldgen {

constexpr uint32_t kDefaultSeed = 1918;

struct WorldFiles {
    std::vector<uint8_t> Elevation;  // the bytes of "RIDUdidavData"
    std::vector<uint8_t> Surface;    // the bytes of "RIDUdidavSurface"
};

struct NamedTexture {
    std::string Name;                // file name under "Necessary Data/Textures/", no extension
    platform::RGBAImage Image;
    bool WriteMask = false;          // also write the alpha as the loader's "<name>_" mask picture
};

void generateTerrain(uint32_t seed, WorldFiles& out);
std::vector<NamedTexture> generateTextures(uint32_t seed);

// Lattice value noise in [0, 1], the same on every machine for one seed.
double valueNoise(double x, double y, uint32_t seed);
double fbm(double x, double y, uint32_t seed, int octaves);
uint32_t hash32(uint32_t a, uint32_t b, uint32_t c);

}  // namespace pellam::worldgen
