// The texture loader against a live GL context: files, letters, reuse counts, failures.
#include <GL/gl.h>

#include <fstream>
#include <vector>

#include "ViewFixture.h"
#include "platform/Beep.h"
#include "render/ImageFiles.h"

using namespace pellam;
using namespace pellam::render;
using namespace rendertest;

namespace {

void grey(int, int, uint8_t* p) { p[0] = p[1] = p[2] = 128; }

std::vector<uint8_t> texels(uint32_t glName, int edge) {
    std::vector<uint8_t> out(size_t(edge) * edge * 4);
    glBindTexture(GL_TEXTURE_2D, glName);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

class TextureTest : public ViewTest {
protected:
    int32_t load(const std::string& path, int32_t size = 6) {
        return view().fmGetTextureFromDiskNSString(path, 1, size, 9, 0);
    }
    const SingleTextureStructure& slot(int32_t n) { return view().getTextureMapsPtr()[size_t(n)]; }
};

}  // namespace

TEST_F(TextureTest, ReuseCountsEveryUserAndReleaseFreesOnlyAtZero) {
    const std::string a = writePicture("crateA.png", 64, 64, grey);
    fs::create_directories(scratchFolder() / "other");
    const std::string b = writePicture("other/crateA.png", 64, 64, [](int, int, uint8_t* p) { p[0] = 255; });
    const int32_t first = load(scratchFolder() / "crateA");
    ASSERT_GE(first, 0);
    EXPECT_EQ(slot(first).CanDelete, 1);
    // The same last component from another folder shares the slot, and counts as a second user.
    EXPECT_EQ(load(scratchFolder() / "other" / "crateA"), first);
    EXPECT_EQ(slot(first).CanDelete, 2);
    EXPECT_EQ(slot(first).OpenGLFormat, GL_RGB5_A1);
    const uint32_t glName = slot(first).OpenGLMapNumber;

    view().glDeleteONETexture(first);
    EXPECT_EQ(slot(first).TextureStatus, 2);  // the other user still draws it
    EXPECT_TRUE(glIsTexture(glName));
    view().glDeleteONETexture(first);
    EXPECT_EQ(slot(first).TextureStatus, 1);
    EXPECT_EQ(slot(first).OpenGLMapNumber, 1u);
    EXPECT_FALSE(glIsTexture(glName));
    view().glDeleteONETexture(first);  // once more changes nothing
    EXPECT_EQ(slot(first).CanDelete, 0);
    EXPECT_EQ(slot(first).TextureStatus, 1);
    view().glSetCurrentTexture(first, 11);  // a free slot is not bound
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, ReuseDependsOnTheSizeAsked) {
    writePicture("bigD.png", 256, 256, grey);
    const int32_t full = load(scratchFolder() / "bigD");
    ASSERT_GE(full, 0);
    EXPECT_EQ(slot(full).Width, 256);
    const int32_t again = load(scratchFolder() / "bigD", 256);
    EXPECT_EQ(again, full);
    const int32_t smaller = load(scratchFolder() / "bigD", 128);
    ASSERT_GE(smaller, 0);
    EXPECT_NE(smaller, full);
    EXPECT_EQ(slot(smaller).Width, 128);
    EXPECT_EQ(slot(smaller).OriginalWidth, 256);
    EXPECT_EQ(slot(smaller).Flags & kFlagNoMipmaps, kFlagNoMipmaps);
    view().glDeleteONETexture(full);
    view().glDeleteONETexture(full);
    view().glDeleteONETexture(smaller);
}

TEST_F(TextureTest, ExtensionsJpegTiffAndSmallPictures) {
    // JPEG and TIFF are found by the name alone.
    std::vector<uint8_t> rgb(64 * 64 * 3, 90);
    ASSERT_TRUE(writeJpeg((scratchFolder() / "fieldS.jpg").string(), 64, 64, rgb.data(), 90));
    ASSERT_TRUE(writeTiff((scratchFolder() / "roofH.tif").string(), 64, 64, rgb.data()));
    const int32_t jpeg = load(scratchFolder() / "fieldS");
    const int32_t tiff = load(scratchFolder() / "roofH");
    ASSERT_GE(jpeg, 0);
    ASSERT_GE(tiff, 0);
    EXPECT_EQ(slot(jpeg).OpenGLFormat, GL_R3_G3_B2);
    EXPECT_EQ(slot(tiff).Flags & kFlagClamp, kFlagClamp);
    // 32 x 32 is stored at 64.
    writePicture("tiny.png", 32, 32, grey);
    const int32_t tiny = load(scratchFolder() / "tiny");
    ASSERT_GE(tiny, 0);
    EXPECT_EQ(slot(tiny).Width, 64);
    EXPECT_EQ(slot(tiny).OriginalWidth, 32);
    EXPECT_EQ(slot(tiny).TotalBytes, 64 * 64 * 4);
    for (int32_t s : {jpeg, tiff, tiny}) view().glDeleteONETexture(s);
}

TEST_F(TextureTest, FailuresAnswerTheirCodesAndLeaveTheTable) {
    const TextureMaps before = view().getTextureMapsPtr();
    const long beeps = platform::beepCount();
    EXPECT_EQ(load(scratchFolder() / "nothingHere"), kNoSuchImage);
    EXPECT_EQ(platform::beepCount(), beeps);  // simply absent: no beep
    std::ofstream(scratchFolder() / "brokenA.png") << "this is not a picture";
    EXPECT_EQ(load(scratchFolder() / "brokenA"), kNoSuchImage);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    writePicture("odd.png", 100, 100, grey);
    EXPECT_EQ(load(scratchFolder() / "odd"), kNotSquarePowerOfTwo);
    writePicture("tall.png", 64, 128, grey);
    EXPECT_EQ(load(scratchFolder() / "tall"), kNotSquarePowerOfTwo);
    writePicture("huge.png", 2048, 2048, grey);
    EXPECT_EQ(load(scratchFolder() / "huge"), kNotSquarePowerOfTwo);
    EXPECT_EQ(load(scratchFolder() / std::string(61, 'n')), kNameTooLong);
    const TextureMaps& after = view().getTextureMapsPtr();
    for (int i = 0; i < kTextureSlots; ++i) EXPECT_EQ(after[i].TextureStatus, before[i].TextureStatus) << i;
}

TEST_F(TextureTest, StaleGLErrorDoesNotFailTheLoad) {
    writePicture("staleD.png", 64, 64, grey);
    glEnd();  // GL_INVALID_OPERATION left behind by someone else's drawing
    const int32_t s = load(scratchFolder() / "staleD");
    EXPECT_GE(s, 0);
    EXPECT_EQ(view().getGLError(), GL_INVALID_OPERATION);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    view().glDeleteONETexture(s);
}

TEST_F(TextureTest, ColourKeyAndMask) {
    // "M": magenta, the top-left colour, becomes transparent black; the rest stays opaque.
    writePicture("flagM.png", 64, 64, [](int x, int y, uint8_t* p) {
        const bool key = x < 8 || y < 8;
        p[0] = key ? 255 : 20;
        p[1] = key ? 0 : 200;
        p[2] = key ? 255 : 40;
    });
    const int32_t keyed = load(scratchFolder() / "flagM");
    ASSERT_GE(keyed, 0);
    std::vector<uint8_t> t = texels(slot(keyed).OpenGLMapNumber, 64);
    const uint8_t* corner = &t[(size_t(63) * 64 + 0) * 4];  // the picture's top-left: the buffer's last row
    EXPECT_EQ(corner[0] + corner[1] + corner[2] + corner[3], 0);
    const uint8_t* middle = &t[(size_t(20) * 64 + 30) * 4];
    EXPECT_EQ(middle[3], 255);
    EXPECT_GT(middle[1], 150);

    // "F" (GL_RGBA4): alpha from the mask "<name>_"; the left half of the mask is clear.
    writePicture("glassF.png", 64, 64, grey);
    writePicture("glassF_.png", 64, 64, [](int x, int, uint8_t* p) { p[0] = p[1] = p[2] = x < 32 ? 0 : 255; });
    const int32_t masked = load(scratchFolder() / "glassF");
    ASSERT_GE(masked, 0);
    t = texels(slot(masked).OpenGLMapNumber, 64);
    EXPECT_EQ(t[(size_t(10) * 64 + 5) * 4 + 3], 0);
    EXPECT_EQ(t[(size_t(10) * 64 + 50) * 4 + 3], 255);

    // A mask of the wrong size is set aside for the colour key instead.
    writePicture("paneF.png", 64, 64, [](int x, int, uint8_t* p) { p[0] = p[1] = p[2] = x < 16 ? 0 : 180; });
    writePicture("paneF_.png", 32, 32, grey);
    const int32_t fallback = load(scratchFolder() / "paneF");
    ASSERT_GE(fallback, 0);
    t = texels(slot(fallback).OpenGLMapNumber, 64);
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
    // The plain 16-bit picture as the GL itself would narrow it (the loader turns the rows over).
    std::vector<uint8_t> picture(64 * 64 * 4, 255);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) ramp(x, 63 - y, &picture[(size_t(y) * 64 + x) * 4]);
    GLuint reference = 0;
    glGenTextures(1, &reference);
    glBindTexture(GL_TEXTURE_2D, reference);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB5, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
    const std::vector<uint8_t> narrowed = texels(reference, 64);
    glDeleteTextures(1, &reference);
    for (const char* name : {"rampe", "rampA", "rampB", "rampC", "rampP"}) {
        writePicture(std::string(name) + ".png", 64, 64, ramp);
        const int32_t n = load(scratchFolder() / name);
        ASSERT_GE(n, 0) << name;
        const SingleTextureStructure& s = slot(n);
        glBindTexture(GL_TEXTURE_2D, s.OpenGLMapNumber);
        GLint red = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, &red);
        EXPECT_EQ(red, 8) << name;
        if (name == std::string("rampe")) EXPECT_EQ(texels(s.OpenGLMapNumber, 64), narrowed);
        for (int level = 0, edge = 64; edge >= 1; ++level, edge /= 2) {
            std::vector<uint8_t> stored(size_t(edge) * edge * 4);
            glBindTexture(GL_TEXTURE_2D, s.OpenGLMapNumber);
            GLint width = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
            if (width == 0) break;  // a format without mipmaps
            glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, stored.data());
            GLuint narrow = 0;
            glGenTextures(1, &narrow);
            glBindTexture(GL_TEXTURE_2D, narrow);
            glTexImage2D(GL_TEXTURE_2D, 0, s.OpenGLFormat, edge, edge, 0, GL_RGBA, GL_UNSIGNED_BYTE, stored.data());
            EXPECT_EQ(texels(narrow, edge), stored) << name << " level " << level;
            glDeleteTextures(1, &narrow);
        }
        view().glDeleteONETexture(n);
    }
}

TEST_F(TextureTest, MissingTextureSlotIsPlainlyVisible) {
    const int32_t s = view().missingTextureSlot();
    ASSERT_GE(s, 0);
    EXPECT_EQ(view().missingTextureSlot(), s);
    const std::vector<uint8_t> t = texels(slot(s).OpenGLMapNumber, 64);
    int magenta = 0, black = 0;
    for (size_t i = 0; i < t.size(); i += 4) {
        magenta += t[i] > 200 && t[i + 1] < 40 && t[i + 2] > 200;
        black += t[i] < 40 && t[i + 1] < 40 && t[i + 2] < 40;
    }
    EXPECT_GT(magenta, 1000);
    EXPECT_GT(black, 1000);
}

TEST_F(TextureTest, FullTableWarnsThenRefusesWithoutLeaking) {
    writePicture("fill.png", 32, 32, grey);
    std::vector<int32_t> mine;
    const long beepsBefore = platform::beepCount();
    long warnings = 0;
    for (int i = 0; i < kTextureSlots + 1; ++i) {
        const std::string name = "fill" + std::to_string(i);
        fs::copy_file(scratchFolder() / "fill.png", scratchFolder() / (name + ".png"),
                      fs::copy_options::overwrite_existing);
        const long beeps = platform::beepCount();
        const int32_t s = load(scratchFolder() / name);
        if (s < 0) {
            EXPECT_EQ(s, kTableFull);
            EXPECT_EQ(platform::beepCount(), beeps + 1);
            break;
        }
        mine.push_back(s);
        if (s > kTextureWarnSlot) {
            EXPECT_EQ(platform::beepCount(), beeps + 1) << s;
            ++warnings;
        } else {
            EXPECT_EQ(platform::beepCount(), beeps) << s;
        }
    }
    EXPECT_EQ(warnings, kTextureSlots - 1 - kTextureWarnSlot);
    EXPECT_GT(platform::beepCount(), beepsBefore);

    // The refused load made no GL texture: the names it would have taken are still unused.
    GLuint probe = 0;
    glGenTextures(1, &probe);
    glDeleteTextures(1, &probe);
    fs::copy_file(scratchFolder() / "fill.png", scratchFolder() / "oneMore.png");
    EXPECT_EQ(load(scratchFolder() / "oneMore"), kTableFull);
    EXPECT_FALSE(glIsTexture(probe));
    EXPECT_FALSE(glIsTexture(probe + 1));
    for (int32_t s : mine) view().glDeleteONETexture(s);
}
