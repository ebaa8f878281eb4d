#include "builder/MissionBuilder.h"

// The editing controls: objects, aircraft starts, paths, victory and the file actions. Each
// answers true when it handled the tag.
namespace pellam::builder {

bool MissionBuilder::editingAction(int tag) { return false; }
bool MissionBuilder::fileAction(int tag) { return false; }
bool MissionBuilder::aircraftTabAction(int tag) { return false; }
void MissionBuilder::fillInVictoryLocationInfo() {}
void MissionBuilder::fillInAircraftTabInfo() {}

}  // namespace pellam::builder
