#include "input/AircraftControls.h"

namespace pellam::input {

void applyFlightControls(const DoJoystick& input, ZephModel& aircraft) {
    aircraft.AileronInputAbsolute(input.getFinalAilerons());
    aircraft.ElevatorInputAbsolute(-input.getFinalElevator());
    if (input.getUseJoyThrottle()) aircraft.setThrottle(input.getFinalThrottle());
    if (input.getUseJoyRudder()) aircraft.RudderInputAbsolute(input.getFinalRudder());
}

void applyPedalBrakes(DoJoystick& input, ZephModel& aircraft) {
    switch (input.getPedalBrakes()) {
        case 1:
            aircraft.turnBrakesOn();
            break;
        case 0:
            aircraft.turnBrakesOn();
            aircraft.toggleBrakes();
            break;
        default:
            break;
    }
}

}  // namespace pellam::input
