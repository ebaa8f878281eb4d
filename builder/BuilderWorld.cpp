#include "builder/MissionBuilder.h"

namespace pellam::builder {

bool MissionBuilder::worldAction(int tag) { return false; }
bool MissionBuilder::weatherAction(int tag) { return false; }
bool MissionBuilder::leavingAction(int tag) { return false; }
void MissionBuilder::leaveBuilder() {}

}  // namespace pellam::builder
