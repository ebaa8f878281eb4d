#pragma once
// "WWIWorldMap": the world seen from above, as the mission menu shows it behind a mission.
#include <cstdint>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::missiongen {

// The map of the terrain files' bytes, `size` pixels square, north up: ground colours, hill
// shading, water, roads and the front. An empty picture when the bytes are not a terrain.
platform::RGBAImage paintWorldMap(const std::vector<uint8_t>& elevation, const std::vector<uint8_t>& surface,
                                  int size);

}  // namespace pellam::missiongen
