// Screen shots of ZephGLView: the finished frame from the back buffer, before the swap, written
// by the view's writer thread as the next free "<name> N.jpg" (or .tif) in the desktop folder;
// and the notices the view has for the player.
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Beep.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
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
// system keeps it), created when missing; the home folder, with `why` saying so, when it cannot be.
std::string shotFolder(const std::string& chosen, const std::string& nameBelowHome, std::string& why) {
    std::string folder = chosen;
    if (folder.empty()) {
        const std::string parent = fs::path(nameBelowHome).parent_path().string();
        folder = parent.empty() || parent == "/" ? homeFolder()
                 : parent == "/Desktop"          ? platform::desktopFolder()
                                                 : homeFolder() + parent;
    }
    std::error_code ec;
    if (fs::is_directory(folder, ec) || fs::create_directories(folder, ec)) return folder;
    why = "The folder " + folder + " for screen shots cannot be made (" + ec.message() + "): they go to " +
          homeFolder() + ".";
    return homeFolder();
}

}  // namespace

bool ZephGLView::doScreenSaveFromOpenGL() {
    if (!window_) return false;
    const int32_t now = platform::TickCount();
    if (now < LastScreenShotTime_) return false;
    LastScreenShotTime_ = now + kShotInterval;

    const char* extension = ScreenShotFileType_ == 1 ? ".tif" : ".jpg";
    std::string why;
    const std::string folder = shotFolder(screenShotFolder_, ScreenSaveNameString_, why);
    if (!why.empty()) notice(why);
    const std::string base = fs::path(ScreenSaveNameString_).filename().string();
    // A shot still being written has no file yet: its name is not free. The writer settles the
    // shots in the order they were handed over, so those still in flight are the newest.
    const platform::WriterThread::Counters counted = shotWriter_.counters();
    for (const uint64_t settled = counted.written + counted.failed + counted.replaced; shotsSettled_ < settled;
         ++shotsSettled_)
        if (!shotsInFlight_.empty()) shotsInFlight_.pop_front();
    std::string path;
    std::error_code ec;
    for (int n = 1; n <= 99 && path.empty(); ++n) {
        const std::string candidate = folder + "/" + base + " " + std::to_string(n) + extension;
        if (!fs::exists(candidate, ec) &&
            std::find(shotsInFlight_.begin(), shotsInFlight_.end(), candidate) == shotsInFlight_.end())
            path = candidate;
    }
    if (path.empty()) {
        platform::SystemBeep();
        notice("No screen shot taken: " + folder + " holds 99 of them already.");
        return false;
    }

    window_->makeCurrent();
    int width = 0, height = 0;
    window_->drawableSize(width, height);
    if (width <= 0 || height <= 0) {
        platform::SystemBeep();
        return false;
    }
    auto rgb = std::make_shared<std::vector<unsigned char>>(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    // GL's rows run bottom up; the file's run top down.
    for (int row = 0; row < height; ++row)
        glReadPixels(0, height - 1 - row, width, 1, GL_RGB, GL_UNSIGNED_BYTE, &(*rgb)[size_t(row) * width * 3]);

    // Encoding and the disk take tens of milliseconds: the writer thread's, not the frame's.
    const bool tiff = ScreenShotFileType_ == 1;
    // The file is written from a temporary name renamed only once every byte is on the disk, so a
    // shot cut short (a full disk, a quota) never keeps the shot's name; its failure reaches the
    // notice window, and the shutter sounds only for a shot written whole (takeNotices).
    shotWriter_.queue(path, [path, width, height, rgb, tiff]() -> std::string {
        const std::string file = tiff ? encodeTiff(width, height, rgb->data())
                                      : encodeJpeg(width, height, rgb->data(), kJpegQuality);
        const std::string why =
            file.empty() ? "the picture could not be encoded" : platform::writeFileAtomically(path, file);
        return why.empty() ? why : "The screen shot " + path + " could not be written (" + why + ").";
    });
    shotsInFlight_.push_back(path);
    lastScreenShotPath_ = path;
    return true;
}

std::vector<std::string> ZephGLView::takeNotices() {
    for (std::string& failed : shotWriter_.takeFailures()) {
        platform::SystemBeep();
        notice(failed);
    }
    const uint64_t written = shotWriter_.counters().written;
    for (; shotsHeard_ < written; ++shotsHeard_)
        if (screenShotSound_) screenShotSound_();
    return std::exchange(notices_, {});
}

void ZephGLView::notice(const std::string& text) {
    platform::logMessage(text);
    notices_.push_back(text);
}

}  // namespace pellam::render
