#pragma once
// The effect objects' pictures, painted from fixed seeds: the bomb, its ground mark, fire and
// smoke puffs, and the trees of the three families (broadleaf, poplar, pine).
#include <string>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::effectsart {

// Every picture by file name, masks ("<name>_.png") included.
const std::vector<std::string>& pictureNames();
// False for a name that is not one of ours.
bool paint(const std::string& name, platform::RGBAImage& image);

}  // namespace pellam::effectsart
