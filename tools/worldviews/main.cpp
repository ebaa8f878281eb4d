// worldviews <folder>: draws fixed views of the Western Front with the game's view and terrain, at
// noon with the haze at its thinnest, and writes each as "<folder>/<name>.png". Run under
// `xvfb-run -a -s "-screen 0 1280x1024x24"`.
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/ZephModel.h"
#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace {

using namespace pellam;

struct View {
    const char* Name;
    double X, Z;          // ft, world
    double Height;        // ft above the ground under the eye
    double Heading, Pitch;  // deg: heading from north towards east, pitch up
};
// The opening fight's start, eight miles west of Albert, looking east at the Fokkers and the front
// beyond them; the same place looking down; Ypres from the south-west; the trench lines south-east
// of Albert from low down.
constexpr View kViews[] = {
    {"opening-fight-3000ft", 1985000, 2046000, 3000, 100, -10},
    {"opening-fight-3000ft-down", 1985000, 2046000, 3000, 100, -55},
    {"ypres-1500ft", 2078000, 2273000, 1500, 50, -14},
    {"albert-front-500ft", 2041700, 2039500, 500, 75, -14},
};

platform::RGBAImage readFrame(platform::GLWindow& window) {
    int w = 0, h = 0;
    window.drawableSize(w, h);
    platform::RGBAImage image;
    image.width = w;
    image.height = h;
    image.pixels.resize(size_t(w) * h * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int y = 0; y < h; ++y)  // GL's rows run bottom up
        glReadPixels(0, h - 1 - y, w, 1, GL_RGBA, GL_UNSIGNED_BYTE, &image.pixels[size_t(y) * w * 4]);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: worldviews <folder>\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    platform::setApplicationFolder(std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
    platform::UserDefaults defaults((std::filesystem::temp_directory_path() / "pellam_worldviews.json").string());
    render::MyZephGLView view(defaults);
    if (!view.initWithFrame({0, 0, 1024, 768})) {
        std::fprintf(stderr, "worldviews: no GL window: %s\n", view.creationError().c_str());
        return 1;
    }
    ModelArray models;
    auto* sky = static_cast<TexturedSkyDome*>(models.put(ModelArray::kSkyDome, std::make_unique<TexturedSkyDome>()));
    sky->initWithGLView(&view);
    sky->setTimeOfDay(12.0);
    auto* terrain = static_cast<RIDUdidav*>(models.put(ModelArray::kTerrain, std::make_unique<RIDUdidav>()));
    if (!terrain->initWithGLView(&view)) {
        std::fprintf(stderr, "worldviews: %s\n", terrain->lastError().c_str());
        return 1;
    }
    terrain->setFogDistance(0.0);  // the farthest
    view.setSunVectorFromTime(12.0);
    view.setModelArray(&models);

    for (const View& v : kViews) {
        const double heading = v.Heading * M_PI / 180, pitch = v.Pitch * M_PI / 180;
        // Heading about Y, then pitch about the turned X axis.
        QNion turn, tilt, camera;
        turn.QAttitude = {std::cos(heading / 2), 0, std::sin(heading / 2), 0};
        tilt.QAttitude = {std::cos(-pitch / 2), std::sin(-pitch / 2), 0, 0};
        ZephModel::multQnions(&turn, &tilt, &camera);
        camera.Position = {v.X, terrain->getAltitudeAtX(v.X, v.Z) + v.Height, v.Z};
        view.setGlobalCameraPosition(&camera);
        platform::RGBAImage image;
        view.setFrameObserver([&] { image = readFrame(*view.getGLWindow()); });
        view.drawRect({1, 0, 0, 1});
        view.setFrameObserver(nullptr);
        const std::string path = (folder / (std::string(v.Name) + ".png")).string();
        if (!platform::writePng(path, image)) {
            std::fprintf(stderr, "worldviews: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    return 0;
}
