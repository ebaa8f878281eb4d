#include "builder/MissionBuilder.h"

namespace pellam::builder {

void MissionBuilder::MBMouseDown(double px, double py) {}
void MissionBuilder::mouseDragAmountX(int ax, int az) {}
void MissionBuilder::mouseDragWithShiftAmountX(int ax, int az) {}
void MissionBuilder::MBMouseUp(double px, double py) {}

}  // namespace pellam::builder
