// The generated pictures fit the places the view takes them from; the top-left pixel is the key.
#include <gtest/gtest.h>

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

const uint8_t* at(const RGBAImage& image, int x, int y) {
    return &image.pixels[(size_t(y) * image.width + x) * 4];
}

bool isKey(const RGBAImage& image, int x, int y) {
    const uint8_t* p = at(image, x, y);
    const uint8_t* key = at(image, 0, 0);
    return p[0] == key[0] && p[1] == key[1] && p[2] == key[2];
}

// Pixels that are not the key colour in texture coordinates s0..s1 across, t0..t1 up.
int drawn(const RGBAImage& image, double s0, double t0, double s1, double t1) {
    int n = 0;
    for (int y = int((1 - t1) * image.height); y < int((1 - t0) * image.height); ++y)
        for (int x = int(s0 * image.width); x < int(s1 * image.width); ++x) n += !isKey(image, x, y);
    return n;
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
        // Both label frames and the marker hold a drawing on a transparent ground.
        for (double t0 : {0.197, 0.002}) {
            const int label = drawn(image, 0.005, t0, 0.495, t0 + 0.189);
            EXPECT_GT(label, 5000);
            EXPECT_LT(label, 60000);
        }
        const int marker = drawn(image, 0.505, 0.199, 0.995, 0.38);
        EXPECT_GT(marker, 5000);
        EXPECT_LT(marker, 70000);
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
        int ink = 0, border = 0;
        for (int y = y0; y < y0 + 32; ++y)
            for (int x = x0; x < x0 + 16; ++x) {
                const bool drawn = !isKey(font, x, y);
                ink += drawn;
                // The text drawer insets a cell by a quarter texel across: the outer columns stay clear.
                border += drawn && (x == x0 || x == x0 + 15);
            }
        const bool printable = (code > 32 && code < 127) || code == 3;
        EXPECT_EQ(ink > 0, printable) << "code " << code;
        EXPECT_EQ(border, 0) << "code " << code;
    }
    // White glyphs: the middle of "I" is white.
    const int x = ('I' % 16) * 16 + 8, y = ('I' / 16) * 32 + 16;
    EXPECT_GT(at(font, x, y)[0], 200);
}
