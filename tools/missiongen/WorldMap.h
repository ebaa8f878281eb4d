#pragma once
// "WWIWorldMap": the world seen from above, as the mission menu shows it behind a mission.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/PngImage.h"

namespace pellam::missiongen {

// The map of the terrain files' bytes, `size` pixels square, north up: ground colours, hill
// shading, water, roads and the front. An empty picture when the bytes are not a terrain.
// The staff map's colour of a ground code (world/WorldGrid.h); codes past the table read as the last.
const std::array<uint8_t, 3>& groundInk(uint8_t code);

platform::RGBAImage paintWorldMap(const std::vector<uint8_t>& elevation, const std::vector<uint8_t>& surface,
                                  int size);

}  // namespace pellam::missiongen
