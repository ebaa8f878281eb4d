#pragma once
// Picture files in and out: PNG through libpng, JPEG through libjpeg, TIFF through libtiff, all
// decoded from the bytes read once to 8-bit RGBA whatever the source depth; JPEG (stb_image_write)
// and TIFF written for screen shots.
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::render {

using PictureRead = platform::PictureRead;

// Reads a picture of the kind its name says (.png, .jpg or .jpeg, .tif or .tiff, in any case;
// a name without one of these may hold any of the three), rows top to bottom. The size in the file's header is checked against `largestEdge` before
// anything is decoded, so a small file cannot claim a huge picture. On a refusal `image` is
// empty and `why` says why.
PictureRead readPicture(const std::string& path, platform::RGBAImage& image, int largestEdge, std::string& why);

// The same for pictures of any size up to that of a large screen (screen shots read back).
bool readImageFile(const std::string& path, platform::RGBAImage& image);

// A picture to be shown in a box of `boxWidth` x `boxHeight` pixels: at most
// platform::kLargestShownPicture on a side in the file, and scaled down to fit the box.
PictureRead readShownPicture(const std::string& path, platform::RGBAImage& image, int boxWidth, int boxHeight,
                             std::string& why);

// The file a texture name stands for: the path itself, then the path with the picture
// extensions in order (PNG, then JPEG, then TIFF). Empty when none exists.
std::vector<std::string> imageCandidates(const std::string& path);

// RGB rows top to bottom, width * 3 bytes each. quality 1..100.
bool writeJpeg(const std::string& path, int width, int height, const unsigned char* rgb, int quality);
bool writeTiff(const std::string& path, int width, int height, const unsigned char* rgb);

}  // namespace pellam::render
