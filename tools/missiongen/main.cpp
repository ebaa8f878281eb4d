// missiongen <data folder>: writes the 23 built-in missions from their descriptions with the
// mission writer, the picture of each as the mission menu numbers them ("Mission Images/
// pellamm<n>.jpg"), and the world map "WWIWorldMap.png", from the terrain files worldgen left in
// the same folder.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "missions/MissionMenu.h"
#include "missions/MissionTable.h"
#include "platform/PngImage.h"
#include "platform/RegularFile.h"
#include "render/ImageFiles.h"
#include "tools/missiongen/MissionPicture.h"
#include "tools/missiongen/MissionText.h"
#include "tools/missiongen/WorldMap.h"
#include "world/WorldGrid.h"

namespace {

std::vector<uint8_t> readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool writeJpeg(const std::filesystem::path& path, const pellam::platform::RGBAImage& picture) {
    std::vector<unsigned char> rgb;
    rgb.reserve(picture.pixels.size() / 4 * 3);
    for (size_t k = 0; k < picture.pixels.size(); k += 4) rgb.insert(rgb.end(), &picture.pixels[k], &picture.pixels[k + 3]);
    const std::string file = pellam::render::encodeJpeg(picture.width, picture.height, rgb.data(), 92);
    return !file.empty() && pellam::platform::writeFileAtomically(path.string(), file).empty();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pellam;
    if (argc < 2) {
        std::fprintf(stderr, "usage: missiongen <data folder>\n");
        return 2;
    }
    const std::filesystem::path data = argv[1];
    const std::vector<uint8_t> elevation = readAll(data / world::kElevationFile);
    const std::vector<uint8_t> surface = readAll(data / world::kSurfaceFile);
    const std::filesystem::path pictures = data / "Mission Images";
    std::filesystem::create_directories(pictures);
    auto mission = std::make_unique<missiongen::MissionDescription>();
    for (long slot = 0; slot < missions::MissionTable::kBuiltIn; ++slot) {
        if (const std::string why = missiongen::readBuiltInDescription(slot, *mission); !why.empty()) {
            std::fprintf(stderr, "missiongen: %s\n", why.c_str());
            return 1;
        }
        const std::string file = (data / missions::MissionTable::builtInFileName(slot)).string();
        if (const std::string why = missions::writeMissionFile(file, mission->record, mission->texts); !why.empty()) {
            std::fprintf(stderr, "missiongen: %s\n", why.c_str());
            return 1;
        }
        const int number = missions::builtInPictureNumber(static_cast<int>(slot));
        if (number == 0) continue;
        const platform::RGBAImage picture = missiongen::paintMissionPicture(elevation, surface, mission->record, 480, 360);
        const auto name = pictures / ("pellamm" + std::to_string(number) + ".jpg");
        if (picture.pixels.empty() || !writeJpeg(name, picture)) {
            std::fprintf(stderr, "missiongen: cannot paint %s from the terrain in %s\n", name.c_str(), data.c_str());
            return 1;
        }
    }
    const platform::RGBAImage map = missiongen::paintWorldMap(elevation, surface, 1024);
    if (map.pixels.empty() || !platform::writePng((data / "WWIWorldMap.png").string(), map)) {
        std::fprintf(stderr, "missiongen: cannot paint the world map from the terrain in %s\n", data.c_str());
        return 1;
    }
    return 0;
}
