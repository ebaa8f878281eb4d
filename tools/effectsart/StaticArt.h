#pragma once
// The static ground objects' pictures: weathered planking, limestone rubble walling, clay roof
// tiles, the stone houses' façades and the race pylon's black and white checks.
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::effectsart {

const std::vector<std::string>& staticPictureNames();
bool paintStatic(const std::string& name, platform::RGBAImage& image);

}  // namespace pellam::effectsart
