// Screen shots of ZephGLView: the finished frame from the back buffer, before the swap, written
// as the next free "<name> N.jpg" (or .tif) in the desktop folder.
#include <GL/gl.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/Beep.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/TickCount.h"
#include "render/ImageFiles.h"
#include "render/ZephGLView.h"

namespace pellam::render {
namespace fs = std::filesystem;
namespace {

constexpr int32_t kShotInterval = 300;  // ticks: at most one screen shot per 5 s
constexpr int kJpegQuality = 80;        // compression factor 0.8

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}

// The folder of the name below the home folder ("/Desktop/..." means the desktop, wherever the
// system keeps it), created when missing; the home folder when it cannot be.
std::string shotFolder(const std::string& chosen, const std::string& nameBelowHome) {
    std::string folder = chosen;
    if (folder.empty()) {
        const std::string parent = fs::path(nameBelowHome).parent_path().string();
        folder = parent.empty() || parent == "/" ? homeFolder()
                 : parent == "/Desktop"          ? platform::desktopFolder()
                                                 : homeFolder() + parent;
    }
    std::error_code ec;
    if (fs::is_directory(folder, ec) || fs::create_directories(folder, ec)) return folder;
    platform::logMessage("Cannot make the folder " + folder + " for screen shots: " + ec.message());
    return homeFolder();
}

}  // namespace

bool ZephGLView::doScreenSaveFromOpenGL() {
    if (!window_) return false;
    const int32_t now = platform::TickCount();
    if (now < LastScreenShotTime_) return false;
    LastScreenShotTime_ = now + kShotInterval;

    const char* extension = ScreenShotFileType_ == 1 ? ".tif" : ".jpg";
    const std::string folder = shotFolder(screenShotFolder_, ScreenSaveNameString_);
    const std::string base = fs::path(ScreenSaveNameString_).filename().string();
    std::string path;
    std::error_code ec;
    for (int n = 1; n <= 99 && path.empty(); ++n) {
        const std::string candidate = folder + "/" + base + " " + std::to_string(n) + extension;
        if (!fs::exists(candidate, ec)) path = candidate;
    }
    if (path.empty()) {
        platform::SystemBeep();
        platform::logMessage("99 screen shots are already on the desktop: none taken");
        return false;
    }

    window_->makeCurrent();
    int width = 0, height = 0;
    window_->drawableSize(width, height);
    if (width <= 0 || height <= 0) {
        platform::SystemBeep();
        return false;
    }
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    // GL's rows run bottom up; the file's run top down.
    for (int row = 0; row < height; ++row)
        glReadPixels(0, height - 1 - row, width, 1, GL_RGB, GL_UNSIGNED_BYTE, &rgb[size_t(row) * width * 3]);

    const bool written = ScreenShotFileType_ == 1 ? writeTiff(path, width, height, rgb.data())
                                                  : writeJpeg(path, width, height, rgb.data(), kJpegQuality);
    if (!written) {
        platform::SystemBeep();
        platform::logMessage("Could not write the screen shot " + path);
        fs::remove(path, ec);
        return false;
    }
    lastScreenShotPath_ = path;
    if (screenShotSound_) screenShotSound_();
    return true;
}

}  // namespace pellam::render
