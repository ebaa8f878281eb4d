// missiongen <data folder>: writes the built-in mission "pellamm1.pellam" with the mission writer,
// and the world map "WWIWorldMap.png" from the terrain files worldgen left in the same folder.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/PngImage.h"
#include "tools/missiongen/PatrolMission.h"
#include "tools/missiongen/WorldMap.h"
#include "world/WorldGrid.h"

namespace {

std::vector<uint8_t> readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pellam;
    if (argc < 2) {
        std::fprintf(stderr, "usage: missiongen <data folder>\n");
        return 2;
    }
    const std::filesystem::path data = argv[1];
    auto record = std::make_unique<missions::MissionData>();
    missions::MissionTexts texts;
    missiongen::buildPatrolMission(*record, texts);
    if (const std::string why = missions::writeMissionFile((data / "pellamm1.pellam").string(), *record, texts);
        !why.empty()) {
        std::fprintf(stderr, "missiongen: %s\n", why.c_str());
        return 1;
    }
    const platform::RGBAImage map = missiongen::paintWorldMap(readAll(data / world::kElevationFile),
                                                              readAll(data / world::kSurfaceFile), 1024);
    if (map.pixels.empty() || !platform::writePng((data / "WWIWorldMap.png").string(), map)) {
        std::fprintf(stderr, "missiongen: cannot paint the world map from the terrain in %s\n", data.c_str());
        return 1;
    }
    return 0;
}
