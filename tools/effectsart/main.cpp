// effectsart: writes the effect objects' pictures into <data folder>/Necessary Data/Textures/.
#include <cstdio>
#include <filesystem>

#include "tools/effectsart/EffectsArt.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: effectsart <data folder>\n");
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "Necessary Data" / "Textures";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    bool ok = true;
    for (const std::string& name : pellam::effectsart::pictureNames()) {
        pellam::platform::RGBAImage image;
        if (!pellam::effectsart::paint(name, image) || !pellam::platform::writePng((folder / name).string(), image)) {
            std::fprintf(stderr, "effectsart: cannot make %s\n", (folder / name).string().c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
