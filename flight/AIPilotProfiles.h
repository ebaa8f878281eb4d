#pragma once
// The computer pilots' skill profiles: record 0 the most capable, 2 the least; records 3 to 9
// stay zero (their turns get no angle of attack and their guns never fire).
#include <array>

#include "flight/AIRecords.h"

namespace pellam {

inline constexpr int kAIPilotProfiles = 10;
using AIPilotTable = std::array<AIPilotProfile, kAIPilotProfiles>;

// Fills the whole table: the three skill levels, zero records after them.
void definePilotProfiles(AIPilotTable& table);
// A table filled once by definePilotProfiles, for aircraft handed none.
const AIPilotProfile* builtInPilotProfiles();

}  // namespace pellam
