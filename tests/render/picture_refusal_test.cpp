// Picture files that lie: a few dozen bytes claiming gigabytes, a format its name does not say.
// Each is refused from its header, before anything is decoded, and every refusal is logged.
// A world texture that cannot be had is drawn with the view's visible fallback.
#include <gtest/gtest.h>

#include <fstream>

#include "ViewFixture.h"
#include "platform/Beep.h"
#include "render/ImageFiles.h"
#include "world/FirstCloud.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

using namespace pellam;
using namespace pellam::render;
using namespace rendertest;

namespace {

std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = (scratchFolder() / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

void le16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void le32(std::vector<uint8_t>& b, uint32_t v) {
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}
void be32(std::vector<uint8_t>& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(uint8_t(v >> s));
}

// 36 bytes of uncompressed TGA claiming 15,330 x 15,330 pixels of 32 bits.
std::vector<uint8_t> hugeTga() {
    std::vector<uint8_t> b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    le16(b, 15330);
    le16(b, 15330);
    b.push_back(32);
    b.push_back(0x28);
    b.resize(36, 0x55);
    return b;
}

// 138 bytes of grey TIFF claiming 16,384 x 16,384 pixels in one strip.
std::vector<uint8_t> hugeTiff() {
    std::vector<uint8_t> b = {'I', 'I', 42, 0};
    le32(b, 8);
    const uint32_t entries[][3] = {{256, 4, 16384}, {257, 4, 16384}, {258, 3, 8},   {259, 3, 1},        {262, 3, 1},
                                   {273, 4, 122},   {277, 3, 1},     {278, 4, 16384}, {279, 4, 1u << 28}};
    le16(b, 9);
    for (const auto& e : entries) {
        le16(b, e[0]);
        le16(b, e[1]);
        le32(b, 1);
        if (e[1] == 3) {
            le16(b, e[2]);
            le16(b, 0);
        } else {
            le32(b, e[2]);
        }
    }
    le32(b, 0);
    b.resize(138, 0x80);
    return b;
}

uint32_t crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFF;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

void chunk(std::vector<uint8_t>& b, const char* type, const std::vector<uint8_t>& data) {
    be32(b, uint32_t(data.size()));
    const size_t from = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data.begin(), data.end());
    be32(b, crc32(b.data() + from, b.size() - from));
}

// 68 bytes of PNG claiming 1,000,000 x 1,000,000 RGBA pixels.
std::vector<uint8_t> hugePng() {
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    be32(header, 1000000);
    be32(header, 1000000);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk(b, "IHDR", header);
    chunk(b, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0, 0, 0, 2, 0, 1, 0});
    chunk(b, "IEND", {});
    return b;
}

// 16 bytes of JPEG whose Huffman table counts 914 codes (the decoder has room for 256): found by
// the picture fuzzer, cut short where the decoder reads zeros.
std::vector<uint8_t> jpegTableOverflow() {
    return {0xFF, 0xD8, 0xFF, 0xFF, 0xC4, 0xFF, 0xFF, 0x10, 0xC0, 0xC4, 0xFF, 0xFF, 0x10, 0x00, 0x00, 0x00};
}

class PictureRefusal : public ViewTest {
protected:
    int32_t load(const std::string& path) { return view().fmGetTextureFromDiskNSString(path, 1, 6, 9, 0); }
    // The loader's answer for `name`, with what it logged.
    int32_t loadLogged(const std::string& name, std::string& log) {
        ::testing::internal::CaptureStderr();
        const int32_t code = load((scratchFolder() / name).string());
        log = ::testing::internal::GetCapturedStderr();
        return code;
    }
};

}  // namespace

TEST_F(PictureRefusal, HugeClaimsAndWrongFormatsAreRefusedFromTheHeaderAndLogged) {
    struct Case {
        const char* file;
        std::vector<uint8_t> bytes;
        PictureRead read;
        int32_t code;
    };
    const Case cases[] = {
        {"fieldsA.png", hugeTga(), PictureRead::kNotAPicture, kNoSuchImage},  // TGA, whatever the name
        {"fieldsB.tif", hugeTiff(), PictureRead::kTooLarge, kNotSquarePowerOfTwo},
        {"fieldsC.png", hugePng(), PictureRead::kNotAPicture, kNoSuchImage},
        {"fieldsD.jpg", jpegTableOverflow(), PictureRead::kNotAPicture, kNoSuchImage},
    };
    for (const Case& c : cases) {
        const std::string path = writeBytes(c.file, c.bytes);
        RGBAImage image;
        std::string why;
        EXPECT_EQ(readPicture(path, image, 1024, why), c.read) << c.file;
        EXPECT_TRUE(image.pixels.empty());
        EXPECT_FALSE(why.empty());
        std::string log;
        const std::string name = std::string(c.file).substr(0, 7);
        EXPECT_EQ(loadLogged(name, log), c.code) << c.file;
        EXPECT_NE(log.find(path), std::string::npos) << log;
    }

    // The PNG reader of the platform (the cursor picture) checks the claim before allocating too.
    RGBAImage image;
    EXPECT_FALSE(platform::readPng((scratchFolder() / "fieldsC.png").string(), image));
    EXPECT_TRUE(image.pixels.empty());

    // A good picture is taken under the name of its own kind only, in any case of the extension.
    writePicture("roofsD.PNG", 64, 64, [](int, int, uint8_t* p) { p[0] = 200; });
    fs::copy_file(scratchFolder() / "roofsD.PNG", scratchFolder() / "wallsD.tif");
    EXPECT_GE(load((scratchFolder() / "roofsD").string()), 0);
    std::string log;
    EXPECT_EQ(loadLogged("wallsD", log), kNoSuchImage);
    EXPECT_NE(log.find("not a TIFF file"), std::string::npos) << log;

    // A name without an extension (a mask beside its texture) takes the three formats only.
    RGBAImage mask;
    std::string why;
    fs::copy_file(scratchFolder() / "roofsD.PNG", scratchFolder() / "roofsD_");
    EXPECT_EQ(readPicture((scratchFolder() / "roofsD_").string(), mask, 1024, why), PictureRead::kRead);
    EXPECT_EQ(readPicture(writeBytes("wallsD_", hugeTga()), mask, 1024, why), PictureRead::kNotAPicture);

    // A picture of the wrong shape is dropped with a line that says so.
    writePicture("stripD.png", 64, 128, [](int, int, uint8_t*) {});
    EXPECT_EQ(loadLogged("stripD", log), kNotSquarePowerOfTwo);
    EXPECT_NE(log.find("64 x 128"), std::string::npos) << log;
}

TEST_F(PictureRefusal, WorldTexturesThatCannotBeLoadedGetTheVisibleFallback) {
    // An application folder without textures: every one of the world's fails.
    const fs::path empty = scratchFolder() / "no data";
    fs::create_directories(empty);
    platform::setApplicationFolder(empty.string());
    ::testing::internal::CaptureStderr();
    RIDUdidav terrain;
    terrain.setGL(&view());
    TexturedSkyDome sky;
    sky.initWithGLView(&view());
    FirstCloud cloud;
    cloud.initWithGLView(&view());
    ::testing::internal::GetCapturedStderr();
    if (const char* build = std::getenv("PELLAM_BUILD_DIR")) platform::setApplicationFolder(build);

    const int32_t fallback = view().missingTextureSlot();
    ASSERT_GE(fallback, 0);
    EXPECT_NE(fallback, view().getStartUpTextureNumber());
    for (int32_t slot : terrain.GroundTextureSlots) EXPECT_EQ(slot, fallback);
    for (int32_t slot : {terrain.RoadStraightSlot, terrain.RoadBendSlot, terrain.DetailSlot, terrain.CloudDeckSlot,
                         terrain.CloudScatterSlot, sky.SkyTextureSlot, sky.SunTextureSlot, cloud.TextureSlot})
        EXPECT_EQ(slot, fallback);
}
