#pragma once
// Values the three flyable aircraft's definitions share: the computer pilot's take-off and
// landing pattern, and the drawing side's texture helpers.
#include "aircraft/Aircraft.h"

namespace pellam {

// Writes the given fields of the take-off pattern's points; the others are left as they are.
void writeTakeOffPattern(Aircraft& a);
// Texture helpers of the drawing side; entries 12..16, 30 and 31 are left alone.
void writeUVHelp(Aircraft& a);

}  // namespace pellam
