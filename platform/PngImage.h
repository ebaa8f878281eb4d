#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace pellam::platform {

// An 8-bit RGBA picture, rows top to bottom.
struct RGBAImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 4
};

bool writePng(const std::string& path, const RGBAImage& image);
// False (and an empty image) when the file is missing, is not a PNG we can decode, or claims
// more than 8,192 pixels on a side.
bool readPng(const std::string& path, RGBAImage& image);

}  // namespace pellam::platform
