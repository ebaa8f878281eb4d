#include "builder/MissionBuilder.h"

namespace pellam::builder {

void MissionBuilder::fromMBMenu(int tag) {
    if (weatherAction(tag) || worldAction(tag) || leavingAction(tag)) return;
    if (editingAction(tag) || fileAction(tag)) return;
    aircraftTabAction(tag);
}

}  // namespace pellam::builder
