#pragma once
// How this frame's control values reach an aircraft (after createSurfaceInput).
#include "core/ZephModel.h"
#include "input/DoJoystick.h"

namespace pellam::input {

// Ailerons as they are, elevator negated (a stick pulled back, or the pointer below the centre,
// raises the nose); throttle and rudder only in frames in which the joystick moved them, so the
// keyboard commands keep them otherwise.
void applyFlightControls(const DoJoystick& input, ZephModel& aircraft);

}  // namespace pellam::input
