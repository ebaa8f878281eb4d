#pragma once
// The JPEG and TIFF decoders behind readPicture, on the bytes of a file already read: each gives
// 8-bit RGBA rows top to bottom, checks the header's size against `largestEdge` before allocating
// the pixels, and on a refusal names its reason in `why` (the image is then left to the caller).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::render {

platform::PictureRead decodeJpeg(const std::vector<uint8_t>& bytes, platform::RGBAImage& image, int largestEdge,
                                 std::string& why);
platform::PictureRead decodeTiff(const std::vector<uint8_t>& bytes, platform::RGBAImage& image, int largestEdge,
                                 std::string& why);

}  // namespace pellam::render
