#pragma once
// A stand-in for the game's view in the drawing tests: loads the generated pictures with plain GL
// (the path itself, else the path with ".png"), rows turned so the picture's bottom row comes first,
// as the game's loader does.
#include <GL/gl.h>

#include <string>
#include <vector>

#include "core/Services.h"
#include "platform/PngImage.h"

namespace pellam::test {

class GLTextureView : public ViewServices {
public:
    int32_t fmGetTextureFromDiskNSString(const std::string& path, int32_t, int32_t, int32_t, int32_t) override {
        platform::RGBAImage image;
        if (!platform::readPng(path, image) && !platform::readPng(path + ".png", image)) return -5;
        std::vector<uint8_t> flipped(image.pixels.size());
        const size_t row = size_t(image.width) * 4;
        for (int y = 0; y < image.height; ++y)
            std::copy_n(&image.pixels[size_t(image.height - 1 - y) * row], row, &flipped[size_t(y) * row]);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, flipped.data());
        Names.push_back(name);
        Paths.push_back(path);
        return int32_t(Names.size() - 1);
    }
    uint32_t glName(int32_t slot) const { return slot >= 0 && size_t(slot) < Names.size() ? Names[slot] : 0; }

    std::vector<GLuint> Names;
    std::vector<std::string> Paths;
};

}  // namespace pellam::test
