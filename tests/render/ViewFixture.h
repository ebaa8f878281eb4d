#pragma once
// One game view for a whole test suite (a window is slow to make), with its own preferences file
// and the build tree's generated data; helpers to write pictures and read the back buffer.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/Paths.h"
#include "platform/PngImage.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"

namespace rendertest {

namespace fs = std::filesystem;
using pellam::platform::RGBAImage;

inline fs::path scratchFolder() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("pellam_render_" + std::to_string(::getpid()));
        fs::remove_all(d);
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

using Shade = std::function<void(int x, int y, uint8_t* rgba)>;
inline std::string writePicture(const std::string& file, int width, int height, const Shade& shade) {
    RGBAImage image{width, height, std::vector<uint8_t>(size_t(width) * height * 4, 255)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) shade(x, y, &image.pixels[(size_t(y) * width + x) * 4]);
    const std::string path = (scratchFolder() / file).string();
    EXPECT_TRUE(pellam::platform::writePng(path, image));
    return path;
}

// A window's back buffer, rows top to bottom.
inline RGBAImage readBack(pellam::platform::GLWindow& window) {
    RGBAImage image;
    window.drawableSize(image.width, image.height);
    const size_t row = size_t(image.width) * 4;
    std::vector<uint8_t> rows(row * image.height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
    for (int y = image.height - 1; y >= 0; --y)
        image.pixels.insert(image.pixels.end(), rows.data() + y * row, rows.data() + (y + 1) * row);
    return image;
}
inline RGBAImage readBack(pellam::render::ZephGLView& view) { return readBack(*view.getGLWindow()); }

// One frame of the game's own drawing, read back before it is shown.
inline RGBAImage drawnFrame(pellam::render::MyZephGLView& view) {
    RGBAImage image;
    view.setFrameObserver([&] { image = readBack(view); });
    view.drawRect({1, 0, 0, 1});
    EXPECT_EQ(view.getFrameGLError(), 0);
    view.setFrameObserver(nullptr);
    return image;
}

inline const uint8_t* pixel(const RGBAImage& image, int x, int y) {
    return &image.pixels[(size_t(y) * image.width + x) * 4];
}

// Pixels brighter than `level` in any channel inside [x0, x1) x [y0, y1).
inline int brightPixels(const RGBAImage& image, int x0, int y0, int x1, int y1, int level = 100) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(image.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(image.width, x1); ++x) {
            const uint8_t* p = pixel(image, x, y);
            if (p[0] > level || p[1] > level || p[2] > level) ++n;
        }
    return n;
}

class ViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (const char* build = std::getenv("PELLAM_BUILD_DIR")) pellam::platform::setApplicationFolder(build);
        defaults_ = std::make_unique<pellam::platform::UserDefaults>((scratchFolder() / "defaults.json").string());
        view_ = std::make_unique<pellam::render::MyZephGLView>(*defaults_);
        if (!view_->initWithFrame({0, 0, 640, 480})) view_.reset();
    }
    static void TearDownTestSuite() {
        view_.reset();
        defaults_.reset();
        fs::remove_all(scratchFolder());
    }
    void SetUp() override {
        ASSERT_NE(view_, nullptr) << "no GL window";
        view_->getGLWindow()->makeCurrent();
    }
    pellam::render::MyZephGLView& view() { return *view_; }

    static inline std::unique_ptr<pellam::platform::UserDefaults> defaults_;
    static inline std::unique_ptr<pellam::render::MyZephGLView> view_;
};

}  // namespace rendertest
