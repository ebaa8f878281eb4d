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

// Pictures shown in a window (a mission's map, the world map) are taken up to this size on a
// side and scaled down to their box: a picture larger than any box is no picture of ours.
inline constexpr int kLargestShownPicture = 1024;  // px

bool writePng(const std::string& path, const RGBAImage& image);
// False (and an empty image) when the file is missing or not a regular file, is not a PNG we can
// decode, or claims more than `largestEdge` pixels on a side (checked before anything is allocated).
bool readPng(const std::string& path, RGBAImage& image, int largestEdge = 8192);

// Scales `image` down, each pixel the mean of those it covers, until it fits in `width` x
// `height` with its shape kept; a picture that fits already is left as it is.
void shrinkToFit(RGBAImage& image, int width, int height);

}  // namespace pellam::platform
