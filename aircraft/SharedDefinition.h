#pragma once
// Values the three flyable aircraft's definitions share: the computer pilot's take-off and
// landing pattern, and the drawing side's texture helpers.
#include <array>

#include "flight/Aircraft.h"

namespace pellam {

// Writes the given fields of the take-off pattern's points; the others are left as they are.
void writeTakeOffPattern(Aircraft& a);
// Texture helpers of the drawing side; entries 12..16, 30 and 31 are left alone.
void writeUVHelp(Aircraft& a);
// Engine power factor per 1000-ft band: full up to band `lastFullBand`, then three quarters, a
// half and a quarter in the next three bands, and nothing above.
std::array<double, 100> powerTableFullTo(int lastFullBand);

}  // namespace pellam
