// The texture loader against a live GL context: shared slots, colour keys and masks, small formats
// in wide storage, files that lie about their size or kind (refused from their header, before any
// decoding), a full table, and the fallback for world textures that cannot be had.
#include <GL/gl.h>
#include <zlib.h>

#include <array>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

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

void grey(int, int, uint8_t* p) { p[0] = p[1] = p[2] = 128; }

// 36 bytes of uncompressed TGA claiming 15,330 x 15,330 pixels of 32 bits.
std::vector<uint8_t> hugeTga() {
    std::vector<uint8_t> b(36, 0x55);
    const uint8_t head[] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xE2, 0x3B, 0xE2, 0x3B, 32, 0x28};
    std::copy(std::begin(head), std::end(head), b.begin());
    return b;
}

// 138 bytes of grey TIFF claiming 16,384 x 16,384 pixels in one strip.
std::vector<uint8_t> hugeTiff() {
    std::vector<uint8_t> b = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};  // little-endian, 9 tags at 8
    const uint32_t entries[][3] = {{256, 4, 16384}, {257, 4, 16384}, {258, 3, 8},     {259, 3, 1},       {262, 3, 1},
                                   {273, 4, 122},   {277, 3, 1},     {278, 4, 16384}, {279, 4, 1u << 28}};
    for (const auto& e : entries)  // tag, type, one value (a short sits in the low half)
        for (auto [v, bytes] : {std::pair{e[0], 2}, {e[1], 2}, {1u, 4}, {e[2], 4}})
            for (int k = 0; k < bytes; ++k) b.push_back(uint8_t(v >> 8 * k));
    b.resize(b.size() + 4, 0);  // no further directory
    b.resize(138, 0x80);
    return b;
}

// A real 64 x 64 PNG whose header, checksum and all, claims 1,000,000 x 1,000,000 pixels.
std::vector<uint8_t> hugePng() {
    std::ifstream in(writePicture("smallD.png", 64, 64, grey), std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const uint8_t million[4] = {0x00, 0x0F, 0x42, 0x40};  // big-endian
    for (size_t at : {16, 20}) std::copy_n(million, 4, &b[at]);
    const uint32_t crc = uint32_t(crc32(0, &b[12], 17));  // over "IHDR" and its 13 bytes
    for (int k = 0; k < 4; ++k) b[29 + k] = uint8_t(crc >> (24 - 8 * k));
    return b;
}

// 107 bytes: a real PNG's signature and 64 x 64 header, then an IDAT chunk claiming 2 GB.
std::vector<uint8_t> claimsTwoGigabytes() {
    std::ifstream in(writePicture("smallE.png", 64, 64, grey), std::ios::binary);
    std::vector<uint8_t> b(33);  // signature and IHDR
    in.read(reinterpret_cast<char*>(b.data()), 33);
    b.insert(b.end(), {0x7F, 0xFF, 0xFF, 0xF0, 'I', 'D', 'A', 'T'});
    b.resize(107, 0);
    return b;
}

// A 64 x 64 PNG whose image data, some 300 KB, inflates to 300 MB of zeros.
std::vector<uint8_t> inflatesTo300Megabytes() {
    std::vector<uint8_t> b = claimsTwoGigabytes(), data(1 << 20), zeros(1 << 20, 0);
    b.resize(41);  // signature, IHDR and the IDAT's header, its length set below
    z_stream z{};
    deflateInit(&z, 9);
    for (int mb = 0; mb < 300; ++mb) {
        z.next_in = zeros.data();
        z.avail_in = uInt(zeros.size());
        for (z.avail_out = 0; z.avail_out == 0;) {  // until the output buffer is left unfilled
            z.next_out = data.data();
            z.avail_out = uInt(data.size());
            deflate(&z, mb == 299 ? Z_FINISH : Z_NO_FLUSH);
            b.insert(b.end(), data.data(), data.data() + data.size() - z.avail_out);
        }
    }
    deflateEnd(&z);
    for (int k = 0; k < 4; ++k) b[33 + k] = uint8_t((b.size() - 41) >> (24 - 8 * k));
    const uint32_t crc = uint32_t(crc32(0, &b[37], uInt(b.size() - 37)));
    for (int k = 0; k < 4; ++k) b.push_back(uint8_t(crc >> (24 - 8 * k)));
    b.insert(b.end(), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    return b;
}

std::string writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = (scratchFolder() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::vector<uint8_t> texels(uint32_t glName, int edge = 64) {
    std::vector<uint8_t> out(size_t(edge) * edge * 4);
    glBindTexture(GL_TEXTURE_2D, glName);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

class TextureTest : public ViewTest {
protected:
    // The texture `name` of the scratch folder.
    int32_t load(const std::string& name, int32_t size = 6) {
        return view().fmGetTextureFromDiskNSString((scratchFolder() / name).string(), 1, size, 9, 0);
    }
    const SingleTextureStructure& slot(int32_t n) { return view().getTextureMapsPtr()[size_t(n)]; }
};

}  // namespace

TEST_F(TextureTest, SlotsAreSharedByNameAndFreedWhenTheLastUserLetsGo) {
    writePicture("crateA.png", 64, 64, grey);
    fs::create_directories(scratchFolder() / "other");
    writePicture("other/crateA.png", 64, 64, [](int, int, uint8_t* p) { p[0] = 255; });
    glEnd();  // GL_INVALID_OPERATION left behind by someone else's drawing does not fail the load
    const int32_t first = load("crateA");
    ASSERT_GE(first, 0);
    EXPECT_EQ(view().getGLError(), GL_INVALID_OPERATION);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // The same last component from another folder shares the slot, and counts as a second user.
    EXPECT_EQ(load("other/crateA"), first);
    const uint32_t glName = slot(first).OpenGLMapNumber;
    view().glDeleteONETexture(first);
    EXPECT_TRUE(glIsTexture(glName));  // the other user still draws it
    view().glDeleteONETexture(first);
    EXPECT_FALSE(glIsTexture(glName));
    view().glDeleteONETexture(first);  // once more changes nothing
    EXPECT_EQ(slot(first).CanDelete, 0);
    EXPECT_EQ(slot(first).TextureStatus, 1);
    view().glSetCurrentTexture(first, 11);  // a free slot is not bound
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // The loading screen's picture lets go of the one it replaces, which nothing shows again.
    writePicture("logoA.png", 64, 64, grey);
    writePicture("logoB.png", 64, 64, grey);
    const int32_t a = load("logoA"), b = load("logoB");
    view().setStartUpTextureNumber(a);
    view().setStartUpTextureNumber(a);
    const uint32_t aName = slot(a).OpenGLMapNumber;
    EXPECT_TRUE(glIsTexture(aName)) << "set twice, still shown";
    view().setStartUpTextureNumber(b);
    EXPECT_FALSE(glIsTexture(aName));
    EXPECT_EQ(slot(b).TextureStatus, 2);
}

TEST_F(TextureTest, ColourKeyAndMask) {
    // "M": magenta, the top-left colour, becomes transparent black; the rest stays opaque.
    writePicture("flagM.png", 64, 64, [](int x, int y, uint8_t* p) {
        const bool key = x < 8 || y < 8;
        p[0] = key ? 255 : 20;
        p[1] = key ? 0 : 200;
        p[2] = key ? 255 : 40;
    });
    const int32_t keyed = load("flagM");
    ASSERT_GE(keyed, 0);
    std::vector<uint8_t> t = texels(slot(keyed).OpenGLMapNumber);
    const uint8_t* corner = &t[(size_t(63) * 64 + 0) * 4];  // the picture's top-left: the buffer's last row
    EXPECT_EQ(corner[0] + corner[1] + corner[2] + corner[3], 0);
    EXPECT_EQ(t[(size_t(20) * 64 + 30) * 4 + 3], 255);
    EXPECT_GT(t[(size_t(20) * 64 + 30) * 4 + 1], 150);

    // "F": alpha from the mask "<name>_"; the left half of the mask is clear.
    writePicture("glassF.png", 64, 64, grey);
    writePicture("glassF_.png", 64, 64, [](int x, int, uint8_t* p) { p[0] = p[1] = p[2] = x < 32 ? 0 : 255; });
    const int32_t masked = load("glassF");
    ASSERT_GE(masked, 0);
    t = texels(slot(masked).OpenGLMapNumber);
    EXPECT_EQ(t[(size_t(10) * 64 + 5) * 4 + 3], 0);
    EXPECT_EQ(t[(size_t(10) * 64 + 50) * 4 + 3], 255);

    // A mask of the wrong size is set aside for the colour key instead.
    writePicture("paneF.png", 64, 64, [](int x, int, uint8_t* p) { p[0] = p[1] = p[2] = x < 16 ? 0 : 180; });
    writePicture("paneF_.png", 32, 32, grey);
    const int32_t fallback = load("paneF");
    ASSERT_GE(fallback, 0);
    t = texels(slot(fallback).OpenGLMapNumber);
    EXPECT_EQ(t[(size_t(10) * 64 + 5) * 4 + 3], 0);     // black like the top-left: keyed
    EXPECT_EQ(t[(size_t(10) * 64 + 40) * 4 + 3], 255);  // the rest opaque
    for (int32_t s : {keyed, masked, fallback}) view().glDeleteONETexture(s);
}

// Small formats are stored eight bits a channel, holding only colours the asked format can hold:
// every level read back goes through that format unchanged.
TEST_F(TextureTest, SmallFormatsKeepExactlyTheirColoursInWideStorage) {
    const auto ramp = [](int x, int y, uint8_t* p) {
        p[0] = uint8_t(x * 4), p[1] = uint8_t(y * 4), p[2] = uint8_t(x + 64 * y);  // every blue value
    };
    // `rgba` (edge x edge) as the GL itself stores it in `format`.
    const auto narrowed = [](GLint format, int edge, const uint8_t* rgba) {
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, format, edge, edge, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        const std::vector<uint8_t> out = texels(name, edge);
        glDeleteTextures(1, &name);
        return out;
    };
    // The plain 16-bit picture, rows turned over as the loader turns them.
    std::vector<uint8_t> picture(64 * 64 * 4, 255);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ramp(x, 63 - y, &picture[(size_t(y) * 64 + x) * 4]);
    const std::vector<uint8_t> plain = narrowed(GL_RGB5, 64, picture.data());
    for (const char* name : {"rampe", "rampA", "rampB", "rampC", "rampP"}) {
        writePicture(std::string(name) + ".png", 64, 64, ramp);
        const int32_t n = load(name);
        ASSERT_GE(n, 0) << name;
        const SingleTextureStructure& s = slot(n);
        glBindTexture(GL_TEXTURE_2D, s.OpenGLMapNumber);
        GLint red = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, &red);
        EXPECT_EQ(red, 8) << name;
        if (name == std::string("rampe")) {
            EXPECT_EQ(texels(s.OpenGLMapNumber), plain);
        }
        for (int level = 0, edge = 64; edge >= 1; ++level, edge /= 2) {
            glBindTexture(GL_TEXTURE_2D, s.OpenGLMapNumber);
            GLint width = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
            if (width == 0) break;  // a format without mipmaps
            std::vector<uint8_t> stored(size_t(edge) * edge * 4);
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, stored.data());
            EXPECT_EQ(narrowed(s.OpenGLFormat, edge, stored.data()), stored) << name << " level " << level;
        }
        view().glDeleteONETexture(n);
    }
}

TEST_F(TextureTest, BadFilesAreRefusedFromTheirHeaderWithTheirCodeAndANoticeAndLeaveTheTable) {
    writePicture("odd.png", 100, 100, grey);
    writePicture("tall.png", 64, 128, grey);
    writePicture("huge.png", 2048, 2048, grey);
    writePicture("wallsD.tif", 64, 64, grey);  // a PNG under TIFF's name
    const std::string text = "this is not a picture";
    struct Case {
        std::string name;  // as loaded, without the extension
        const char* file;  // written from `bytes` unless null
        std::vector<uint8_t> bytes;
        int32_t code;
        bool beeps;  // a file found but unreadable beeps
        const char* logged;
    };
    const Case cases[] = {
        {"nothingHere", nullptr, {}, kNoSuchImage, false, ""},
        {std::string(61, 'n'), nullptr, {}, kNameTooLong, false, ""},
        {"brokenA", "brokenA.png", {text.begin(), text.end()}, kNoSuchImage, true, "brokenA.png"},
        {"fieldsA", "fieldsA.png", hugeTga(), kNoSuchImage, true, "fieldsA.png"},  // TGA, whatever the name
        {"fieldsB", "fieldsB.tif", hugeTiff(), kNotSquarePowerOfTwo, false, "fieldsB.tif"},
        {"fieldsC", "fieldsC.png", hugePng(), kNotSquarePowerOfTwo, false, "fieldsC.png"},
        {"fieldsE", "fieldsE.png", claimsTwoGigabytes(), kNoSuchImage, true, "more than the file holds"},
        {"fieldsF", "fieldsF.png", inflatesTo300Megabytes(), kNoSuchImage, true, "inflates to more than"},
        // 16 bytes of JPEG whose Huffman table counts 914 codes (the decoder has room for 256).
        {"fieldsD", "fieldsD.jpg",
         {0xFF, 0xD8, 0xFF, 0xFF, 0xC4, 0xFF, 0xFF, 0x10, 0xC0, 0xC4, 0xFF, 0xFF, 0x10, 0, 0, 0},
         kNoSuchImage, true, "fieldsD.jpg"},
        {"wallsD", nullptr, {}, kNoSuchImage, true, "not a TIFF file"},
        {"odd", nullptr, {}, kNotSquarePowerOfTwo, false, "100 x 100"},
        {"tall", nullptr, {}, kNotSquarePowerOfTwo, false, "64 x 128"},
        {"huge", nullptr, {}, kNotSquarePowerOfTwo, false, "huge.png"},
    };
    const TextureMaps before = view().getTextureMapsPtr();
    view().takeNotices();  // what earlier loads had to say
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.file) writeBytes(c.file, c.bytes);
        const long beeps = platform::beepCount();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(load(c.name), c.code);
        const std::string log = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(platform::beepCount(), beeps + c.beeps);
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        // What the log says of a file found, the player reads too.
        const std::vector<std::string> told = view().takeNotices();
        if (*c.logged) {
            ASSERT_EQ(told.size(), 1u);
            EXPECT_NE(told[0].find(c.logged), std::string::npos) << told[0];
        }
    }
    const TextureMaps& after = view().getTextureMapsPtr();
    for (int i = 0; i < kTextureSlots; ++i) EXPECT_EQ(after[i].TextureStatus, before[i].TextureStatus) << i;

    // The platform's PNG reader (the cursor picture) checks the claim before allocating too.
    RGBAImage image;
    EXPECT_FALSE(platform::readPng((scratchFolder() / "fieldsC.png").string(), image));
    EXPECT_TRUE(image.pixels.empty());
    // A name without an extension (a mask beside its texture) takes the three formats only.
    std::string why;
    fs::copy_file(scratchFolder() / "odd.png", scratchFolder() / "odd_");
    EXPECT_EQ(readPicture((scratchFolder() / "odd_").string(), image, 1024, why), PictureRead::kRead);
    EXPECT_EQ(readPicture(writeBytes("wallsD_", hugeTga()), image, 1024, why), PictureRead::kNotAPicture);

    // A picture shown in a window (a mission's map, the world map) is taken up to 1,024 pixels on
    // a side, and kept no larger than its box.
    EXPECT_EQ(readShownPicture((scratchFolder() / "huge.png").string(), image, 320, 240, why), PictureRead::kTooLarge);
    EXPECT_FALSE(platform::readPng((scratchFolder() / "huge.png").string(), image, platform::kLargestShownPicture));
    EXPECT_TRUE(platform::readPng((scratchFolder() / "huge.png").string(), image));
    for (auto [w, h, shownW, shownH] : {std::array{1024, 768, 320, 240}, {1000, 10, 320, 3}, {200, 100, 200, 100}}) {
        const std::string path = writePicture("shown.png", w, h, grey);
        ASSERT_EQ(readShownPicture(path, image, 320, 240, why), PictureRead::kRead) << why;
        EXPECT_EQ(image.width, shownW) << w;
        EXPECT_EQ(image.height, shownH) << w;
        EXPECT_EQ(image.pixels.size(), size_t(shownW) * shownH * 4);
        EXPECT_EQ(image.pixels[image.pixels.size() / 2], 128);
    }
}

TEST_F(TextureTest, FullTableWarnsThenRefusesWithoutLeaking) {
    writePicture("fill.png", 32, 32, grey);
    std::vector<int32_t> mine;
    for (int i = 0; i <= kTextureSlots; ++i) {
        const std::string name = "fill" + std::to_string(i);
        fs::copy_file(scratchFolder() / "fill.png", scratchFolder() / (name + ".png"));
        const long beeps = platform::beepCount();
        const int32_t s = load(name);
        EXPECT_EQ(platform::beepCount(), beeps + (s < 0 || s > kTextureWarnSlot)) << s;
        if (s < 0) {
            EXPECT_EQ(s, kTableFull);
            break;
        }
        mine.push_back(s);
    }
    ASSERT_FALSE(mine.empty());
    EXPECT_EQ(mine.back(), kTextureSlots - 1);

    // The refused load made no GL texture: the names it would have taken are still unused.
    GLuint probe = 0;
    glGenTextures(1, &probe);
    glDeleteTextures(1, &probe);
    fs::copy_file(scratchFolder() / "fill.png", scratchFolder() / "oneMore.png");
    EXPECT_EQ(load("oneMore"), kTableFull);
    EXPECT_FALSE(glIsTexture(probe));
    EXPECT_FALSE(glIsTexture(probe + 1));
    for (int32_t s : mine) view().glDeleteONETexture(s);
}

TEST_F(TextureTest, WorldTexturesThatCannotBeLoadedGetTheVisibleFallback) {
    // An application folder without textures: every one of the world's fails.
    const fs::path empty = scratchFolder() / "no data";
    fs::create_directories(empty);
    platform::setApplicationFolder(empty.string());
    view().takeNotices();  // what earlier loads had to say
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
    for (int32_t s : terrain.GroundTextureSlots) EXPECT_EQ(s, fallback);
    for (int32_t s : {terrain.RoadStraightSlot, terrain.RoadBendSlot, terrain.DetailSlot, terrain.CloudDeckSlot,
                      terrain.CloudScatterSlot, sky.SkyTextureSlot, sky.SunTextureSlot, cloud.TextureSlot})
        EXPECT_EQ(s, fallback);
    // The player reads which were missing and where they were looked for.
    const std::vector<std::string> told = view().takeNotices();
    ASSERT_FALSE(told.empty());
    EXPECT_NE(told.front().find((empty / "Necessary Data" / "Textures").string()), std::string::npos) << told.front();
}

TEST_F(TextureTest, LevelZeroAloneIsReadOnlyWhereNoPixelShrinksThePicture) {
    // Every texel its own colour, so that each mip level differs from level 0 wherever it is read.
    writePicture("specklee.png", 64, 64, [](int x, int y, uint8_t* p) {
        const uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u;
        p[0] = uint8_t(h), p[1] = uint8_t(h >> 8), p[2] = uint8_t(h >> 16);
    });
    const int32_t n = load("specklee");
    ASSERT_GE(n, 0);
    ObjectPointsPolysVer2 g;
    std::array<GLT2FN3FV3FFormat, 4> points{};
    g.ThePoints = points.data();
    const std::vector<uint16_t> square{0, 1, 2, 0, 2, 3};
    glViewport(0, 0, 640, 480);
    glDisable(GL_SCISSOR_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -0.75, 0.75, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (GLenum off : {GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_BLEND, GL_ALPHA_TEST, GL_CULL_FACE}) glDisable(off);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, points.data());
    const auto draw = [&](bool magnified) {
        glClear(GL_COLOR_BUFFER_BIT);
        view().glSetCurrentTexture(n, 11);
        EXPECT_EQ(view().readNearestLevel(n, false, magnified), magnified);
        glDrawElements(GL_TRIANGLES, GLsizei(square.size()), GL_UNSIGNED_SHORT, square.data());
        const RGBAImage image = readBack(view());
        view().readNearestLevel(-1, false);
        return image;
    };
    // (u, v, x, y, z) of the square's corners.
    using Corners = std::array<std::array<float, 5>, 4>;
    const auto place = [&](const Corners& c) {
        for (size_t k = 0; k < 4; ++k) points[k] = {c[k][0], c[k][1], 0, 0, 1, c[k][2], c[k][3], c[k][4]};
        return view().magnifiedThroughout(g, n, square);
    };
    // Face on and near, 64 texels over some 380 pixels: level 0 alone, the same picture.
    ASSERT_TRUE(place({{{0, 0, -1.2f, -1.2f, -2}, {1, 0, 1.2f, -1.2f, -2}, {1, 1, 1.2f, 1.2f, -2}, {0, 1, -1.2f, 1.2f, -2}}}));
    EXPECT_EQ(draw(true).pixels, draw(false).pixels);
    // Reaching through the near plane, magnified where it is drawn: the part behind the eye is cut.
    ASSERT_TRUE(place({{{0, 0, -3, -0.6f, 5}, {1, 0, 3, -0.6f, 5}, {1, 1, 3, -0.6f, -2}, {0, 1, -3, -0.6f, -2}}}));
    EXPECT_EQ(draw(true).pixels, draw(false).pixels);
    // A floor seen aslant, each texel's rows closer on the screen the farther they are.
    const auto floor = [](float t) {
        return Corners{{{0, 0, -2, -1, -1.5f}, {0.5f, 0, 2, -1, -1.5f}, {0.5f, t, 2, -1, -6}, {0, t, -2, -1, -6}}};
    };
    ASSERT_TRUE(place(floor(0.5f)));
    EXPECT_EQ(draw(true).pixels, draw(false).pixels);
    // Its far rows shrunk by more than half a level: the bound must refuse it, and level 0 alone
    // would indeed draw another picture.
    EXPECT_FALSE(place(floor(0.7f)));
    EXPECT_NE(draw(true).pixels, draw(false).pixels);
    // Its far rows cut off by a scissor box, the rest is magnified; its near rows cut off, not.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 640, 60);
    EXPECT_TRUE(place(floor(0.7f)));
    glScissor(0, 60, 640, 420);
    EXPECT_FALSE(place(floor(0.7f)));
    glDisable(GL_SCISSOR_TEST);

    // One batch of a face-on square and the shrunk floor, whose far rows it hides on the left,
    // asked triangle by triangle: the square's pair reads level 0 magnified, neither of the floor's
    // does. Drawn in two, those through level 0 alone and the rest mipmapped, in either order, the
    // depth test deciding where they meet, the picture is the batch's own; the floor through level
    // 0 alone would not be.
    const Corners near{{{0, 0, -2, -0.6f, -2.2f}, {1, 0, 0, -0.6f, -2.2f}, {1, 1, 0, 0.6f, -2.2f}, {0, 1, -2, 0.6f, -2.2f}}};
    std::array<GLT2FN3FV3FFormat, 8> both{};
    const Corners far = floor(0.7f);
    for (size_t k = 0; k < 4; ++k) {
        both[k] = {near[k][0], near[k][1], 0, 0, 1, near[k][2], near[k][3], near[k][4]};
        both[4 + k] = {far[k][0], far[k][1], 0, 0, 1, far[k][2], far[k][3], far[k][4]};
    }
    g.ThePoints = both.data();
    glInterleavedArrays(GL_T2F_N3F_V3F, 0, both.data());
    const std::vector<uint16_t> batch{0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    std::vector<uint8_t> answers;
    double area = 0;
    ASSERT_TRUE(view().magnifiedEach(g, n, batch, {}, answers, area));
    EXPECT_EQ(answers, (std::vector<uint8_t>{1, 1, 0, 0}));
    const double onScreen = (2 / 2.2 * 320) * (1.2 / 2.2 * 320);  // px, 2 ft by 1.2 ft, 2.2 ft away
    EXPECT_NEAR(area, onScreen, onScreen * 0.01);
    const auto part = [&](bool magnified) {
        std::vector<uint16_t> kept;
        for (size_t t = 0; t < answers.size(); ++t)
            if (bool(answers[t]) == magnified) kept.insert(kept.end(), batch.begin() + long(3 * t), batch.begin() + long(3 * t + 3));
        return kept;
    };
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    view().glSetCurrentTexture(n, 11);
    const auto drawParts = [&](const std::vector<std::pair<std::vector<uint16_t>, bool>>& parts) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const auto& [triangles, levelZero] : parts) {
            view().readNearestLevel(n, false, levelZero);
            glDrawElements(GL_TRIANGLES, GLsizei(triangles.size()), GL_UNSIGNED_SHORT, triangles.data());
        }
        view().readNearestLevel(-1, false);
        return readBack(view());
    };
    const RGBAImage whole = drawParts({{batch, false}});
    EXPECT_EQ(drawParts({{part(true), true}, {part(false), false}}).pixels, whole.pixels);
    EXPECT_EQ(drawParts({{part(false), false}, {part(true), true}}).pixels, whole.pixels);
    EXPECT_NE(drawParts({{batch, true}}).pixels, whole.pixels);
    // After the floor has failed, a triangle too small to pay for a draw of its own, or all of them
    // too small together, is answered no unasked.
    const std::vector<uint16_t> floorFirst{4, 5, 6, 4, 6, 7, 0, 1, 2, 0, 2, 3};
    ASSERT_TRUE(view().magnifiedEach(g, n, floorFirst, {0, 2 * onScreen}, answers, area));
    EXPECT_FALSE(answers[2] || answers[3]);
    EXPECT_EQ(area, 0);
    ASSERT_TRUE(view().magnifiedEach(g, n, floorFirst, {0, onScreen / 2}, answers, area));
    EXPECT_TRUE(answers[2] && answers[3]);
    glDisable(GL_DEPTH_TEST);
    view().glDeleteONETexture(n);
}
