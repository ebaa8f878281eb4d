#include "input/AircraftControls.h"

namespace pellam::input {

void applyFlightControls(const DoJoystick& input, ZephModel& aircraft) {
    aircraft.AileronInputAbsolute(input.getFinalAilerons());
    aircraft.ElevatorInputAbsolute(-input.getFinalElevator());
    if (input.getUseJoyThrottle()) aircraft.setThrottle(input.getFinalThrottle());
    if (input.getUseJoyRudder()) aircraft.RudderInputAbsolute(input.getFinalRudder());
}

}  // namespace pellam::input
