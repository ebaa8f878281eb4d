#pragma once
// Picture files in and out: PNG through libpng, JPEG through libjpeg, TIFF through libtiff, all
// decoded from the bytes read once to 8-bit RGBA whatever the source depth; JPEG (stb_image_write)
// and TIFF encoded in memory for screen shots, for platform::writeFileAtomically to write.
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

// A picture to be shown in a box of `boxWidth` x `boxHeight` pixels: at most
// platform::kLargestShownPicture on a side in the file, and scaled down to fit the box.
PictureRead readShownPicture(const std::string& path, platform::RGBAImage& image, int boxWidth, int boxHeight,
                             std::string& why);

// The file a texture name stands for: the path itself, then the path with the picture
// extensions in order (PNG, then JPEG, then TIFF). Empty when none exists.
std::vector<std::string> imageCandidates(const std::string& path);

// A picture file's bytes from RGB rows top to bottom, width * 3 bytes each: JPEG at `quality`
// 1..100, or LZW-compressed TIFF. Empty when the encoder failed. Nothing here touches the disk,
// so a write cut short (a full disk, a quota) is the writer's to find, not lost in a library.
std::string encodeJpeg(int width, int height, const unsigned char* rgb, int quality);
std::string encodeTiff(int width, int height, const unsigned char* rgb);

}  // namespace pellam::render
