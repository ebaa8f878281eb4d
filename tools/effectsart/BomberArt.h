#pragma once
// The AI bomber's pictures: its airframe in the two liveries, the crew, the spinning propeller.
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::effectsart {

const std::vector<std::string>& bomberPictureNames();
bool paintBomber(const std::string& name, platform::RGBAImage& image);

}  // namespace pellam::effectsart
