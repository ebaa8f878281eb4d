#pragma once
// The aircraft's pictures, painted from fixed seeds: doped and printed fabrics, wood, metal and
// the instrument dial. Each name is the file name the aircraft models ask for.
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::aircraftart {

// Every picture the models use, by file name.
const std::vector<std::string>& pictureNames();
// False for a name that is not one of ours.
bool paint(const std::string& name, platform::RGBAImage& image);

}  // namespace pellam::aircraftart
