#pragma once
#include <cstdint>

namespace pellam::platform {

// The program's one random sequence: the C library's random(), integers 0..2147483647.
// Start-up seeds it once from the system's entropy; tests seed it to replay a run exactly.
int32_t nextRandom();
void seedRandomFromSystem();
void seedRandom(uint32_t seed);

}  // namespace pellam::platform
