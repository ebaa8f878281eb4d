#pragma once
#include <cstddef>
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

// A screen shot of 8,192 x 8,192 uncompressed, with room to spare: a larger file is no picture of ours.
inline constexpr size_t kLargestPictureFile = size_t(256) << 20;  // bytes

enum class PictureRead { kRead, kNotAPicture, kTooLarge };

bool writePng(const std::string& path, const RGBAImage& image);
// False (and an empty image) when the file is missing or not a regular file, is not a PNG we can
// decode, or claims more than `largestEdge` pixels on a side (checked before anything is allocated).
bool readPng(const std::string& path, RGBAImage& image, int largestEdge = 8192);
// The PNG `bytes` at any depth, palette, transparency or interlacing as 8-bit RGBA (16-bit
// samples keep their high byte). The header's size is checked against `largestEdge` before the
// pixels are allocated. On a refusal `image` is empty and `why` names the reason.
PictureRead decodePng(const std::vector<uint8_t>& bytes, RGBAImage& image, int largestEdge, std::string& why);

// Scales `image` down, each pixel the mean of those it covers, until it fits in `width` x
// `height` with its shape kept; a picture that fits already is left as it is.
void shrinkToFit(RGBAImage& image, int width, int height);

}  // namespace pellam::platform
