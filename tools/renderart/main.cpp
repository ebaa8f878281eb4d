// renderart: writes the view's own pictures into the data folder given as the only argument:
// the font "InverseTypeM", the start-up logo "TandorlogoM", the game's loading picture
// "pellamlogoM" and the ball cursor "mposfeedback", all PNG.
#include <cstdio>
#include <string>

#include "Art.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: renderart <data folder>\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    renderart::Fonts fonts;
    if (!fonts.ok()) {
        std::fprintf(stderr, "renderart: the DejaVu fonts are missing (install fonts-dejavu-core)\n");
        return 1;
    }
    struct Output {
        const char* name;
        pellam::platform::RGBAImage image;
    };
    const Output outputs[] = {
        {"InverseTypeM.png", renderart::makeFontImage(fonts.sansBold)},
        {"TandorlogoM.png", renderart::makeStartUpLogo(fonts)},
        {"pellamlogoM.png", renderart::makeLoadingPicture(fonts)},
        {"mposfeedback.png", renderart::makeBallCursor()},
    };
    for (const Output& out : outputs)
        if (!pellam::platform::writePng(folder + out.name, out.image)) {
            std::fprintf(stderr, "renderart: cannot write %s%s\n", folder.c_str(), out.name);
            return 1;
        }
    return 0;
}
