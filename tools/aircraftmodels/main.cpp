// aircraftart: writes the aircraft's pictures into <data folder>/Necessary Data/Textures/.
#include <cstdio>
#include <filesystem>

#include "tools/aircraftmodels/AircraftArt.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: aircraftart <data folder>\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "Necessary Data" / "Textures";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    bool ok = true;
    for (const std::string& name : pellam::aircraftart::pictureNames()) {
        pellam::platform::RGBAImage image;
        pellam::aircraftart::paint(name, image);
        if (!pellam::platform::writePng((folder / name).string(), image)) {
            std::fprintf(stderr, "aircraftart: cannot write %s\n", (folder / name).string().c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
