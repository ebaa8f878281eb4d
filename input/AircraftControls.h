#pragma once
// How this frame's control values reach the player's aircraft (the game loop calls these after
// createSurfaceInput and after the aircraft steps).
#include "core/ZephModel.h"
#include "input/DoJoystick.h"

namespace pellam::input {

// Ailerons as they are, elevator negated (a stick pulled back, or the pointer below the centre,
// raises the nose); throttle and rudder only in frames in which the joystick moved them, so the
// keyboard commands keep them otherwise.
void applyFlightControls(const DoJoystick& input, ZephModel& aircraft);

// Toe brakes: 1 sets the brakes, 0 releases them, no change does nothing.
void applyPedalBrakes(DoJoystick& input, ZephModel& aircraft);

}  // namespace pellam::input
