#include "builder/MissionBuilder.h"

namespace pellam::builder {

void MissionBuilder::updateMBOpenGLView() { host_->viewNeedsDrawing(); }

}  // namespace pellam::builder
