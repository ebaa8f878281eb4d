// worldgen <data folder> [seed]: writes the terrain files and the terrain, sky and cloud textures
// of world 1 into the data folder, "Necessary Data/Textures/" for the pictures.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/worldgen/WorldGen.h"
#include "world/WorldGrid.h"

namespace {

bool writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: worldgen <data folder> [seed]\n");
        return 2;
    }
    const std::filesystem::path data = argv[1];
    const uint32_t seed = argc > 2 ? uint32_t(std::strtoul(argv[2], nullptr, 10)) : pellam::worldgen::kDefaultSeed;
    const std::filesystem::path textures = data / "Necessary Data" / "Textures";
    std::error_code ec;
    std::filesystem::create_directories(textures, ec);
    if (ec) {
        std::fprintf(stderr, "worldgen: cannot make %s: %s\n", textures.c_str(), ec.message().c_str());
        return 1;
    }

    pellam::worldgen::WorldFiles files;
    pellam::worldgen::generateTerrain(seed, files);
    if (!writeBytes(data / pellam::world::kElevationFile, files.Elevation) ||
        !writeBytes(data / pellam::world::kSurfaceFile, files.Surface)) {
        std::fprintf(stderr, "worldgen: cannot write the terrain files into %s\n", data.c_str());
        return 1;
    }
    for (const auto& t : pellam::worldgen::generateTextures(seed)) {
        if (!pellam::platform::writePng((textures / (t.Name + ".png")).string(), t.Image)) {
            std::fprintf(stderr, "worldgen: cannot write %s\n", t.Name.c_str());
            return 1;
        }
        if (t.WriteMask) {  // the loader reads a picture's transparency from "<name>_"
            pellam::platform::RGBAImage mask = t.Image;
            for (size_t k = 0; k < mask.pixels.size(); k += 4) {
                const uint8_t a = mask.pixels[k + 3];
                mask.pixels[k] = mask.pixels[k + 1] = mask.pixels[k + 2] = a;
                mask.pixels[k + 3] = 255;
            }
            if (!pellam::platform::writePng((textures / (t.Name + "_")).string(), mask)) return 1;
        }
    }
    return 0;
}
