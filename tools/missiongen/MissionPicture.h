#pragma once
// The picture of a mission shown in the mission window: the staff map of the mission's ground,
// painted from the terrain files, with the mission's objects, start places, paths and objectives
// drawn on it. North is up.
#include <cstdint>
#include <vector>

#include "missions/MissionRecord.h"
#include "platform/PngImage.h"

namespace pellam::missiongen {

// `width` x `height` pixels; an empty picture when the bytes are not a terrain.
platform::RGBAImage paintMissionPicture(const std::vector<uint8_t>& elevation, const std::vector<uint8_t>& surface,
                                        const missions::MissionData& mission, int width, int height);

}  // namespace pellam::missiongen
