#pragma once
// One frame of the controller as timerLooper runs it, without the pacing wait: `ticks` steps.
#include "game/GameController.h"

namespace pellam::testing {

inline void stepOneFrame(GameController& c, int32_t ticks) { c.stepFrame(ticks); }

}  // namespace pellam::testing
