#pragma once
// A picture as a GL texture of its own, for the windows (not a slot of the view's texture table).
#include <cstdint>

#include "platform/PngImage.h"

namespace pellam::render {

// Uploads RGBA rows (top to bottom) as a linear-filtered texture; 0 for an empty image.
uint32_t uploadImageTexture(const platform::RGBAImage& image);
void deleteImageTexture(uint32_t texture);

}  // namespace pellam::render
