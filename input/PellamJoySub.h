#pragma once
// The input object the game creates: the game's own command table (86 rows, with Un-Jam Guns)
// and joystick-button defaults in place of the full table's.
#include "input/DoJoystick.h"

namespace pellam::input {

class PellamJoySub final : public DoJoystick {
public:
    using DoJoystick::DoJoystick;
    void DefineNewCommandKeyDefaults() override { buildCommandTable(gameDefaultBindings()); }
    void setJoystickButtonDefaults() override { gameJoystickButtonDefaults(JoystickButtonTranslation); }
};

}  // namespace pellam::input
