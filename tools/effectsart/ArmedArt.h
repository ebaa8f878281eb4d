#pragma once
// The armed ground units' pictures: the kite balloons intact and burnt, the sandbagged gun pit,
// its canvas and the gun's paint, and the gun smoke, tracer and flak puffs.
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::effectsart {

const std::vector<std::string>& armedPictureNames();
bool paintArmed(const std::string& name, platform::RGBAImage& image);

}  // namespace pellam::effectsart
