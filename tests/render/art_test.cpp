// The generated pictures fit the places the view takes them from; the top-left pixel is the key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/PngImage.h"

using pellam::platform::RGBAImage;

namespace {

RGBAImage load(const std::string& name) {
    RGBAImage image;
    const char* build = std::getenv("PELLAM_BUILD_DIR");
    EXPECT_TRUE(build && pellam::platform::readPng(std::string(build) + "/data/" + name, image)) << name;
    return image;
}

// Pixels not of the key colour in [x0, x1) x [y0, y1).
int inked(const RGBAImage& image, int x0, int y0, int x1, int y1) {
    const uint8_t* key = image.pixels.data();
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += !std::equal(key, key + 3, &image.pixels[(size_t(y) * image.width + x) * 4]);
    return n;
}

// The same in texture coordinates s0..s1 across, t0..t1 up.
int drawn(const RGBAImage& image, double s0, double t0, double s1, double t1) {
    return inked(image, int(s0 * image.width), int((1 - t1) * image.height), int(s1 * image.width),
                 int((1 - t0) * image.height));
}

}  // namespace

TEST(RenderArt, LoadingPicturesFillTheirRegions) {
    for (const char* name : {"pellamlogoM.png", "TandorlogoM.png"}) {
        SCOPED_TRACE(name);
        const RGBAImage image = load(name);
        ASSERT_EQ(image.width, 1024);
        ASSERT_EQ(image.height, 1024);
        // The picture is opaque everywhere the screen shows it.
        const int area = int(0.995 * 1024) * int(0.605 * 1024);
        EXPECT_GE(drawn(image, 0.005, 0.395, 1.0, 1.0), area - 1024);
        // Nothing between the regions, where filtering would pick it up.
        EXPECT_EQ(drawn(image, 0.0, 0.191, 1.0, 0.197), 0);
        EXPECT_EQ(drawn(image, 0.495, 0.0, 0.505, 0.39), 0);
    }
}

TEST(RenderArt, FontCellsHoldTheirGlyphs) {
    const RGBAImage font = load("InverseTypeM.png");
    ASSERT_EQ(font.width, 256);
    ASSERT_EQ(font.height, 256);
    for (int code = 0; code < 128; ++code) {
        const int x0 = (code % 16) * 16, y0 = (code / 16) * 32;
        const bool printable = (code > 32 && code < 127) || code == 3;
        EXPECT_EQ(inked(font, x0, y0, x0 + 16, y0 + 32) > 0, printable) << "code " << code;
        // The text drawer insets a cell by a quarter texel across: the outer columns stay clear.
        const int edges = inked(font, x0, y0, x0 + 1, y0 + 32) + inked(font, x0 + 15, y0, x0 + 16, y0 + 32);
        EXPECT_EQ(edges, 0) << "code " << code;
    }
    // White glyphs: the middle of "I" is white.
    EXPECT_GT(font.pixels[((size_t('I' / 16) * 32 + 16) * 256 + ('I' % 16) * 16 + 8) * 4], 200);
}
