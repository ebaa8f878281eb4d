// A new player sets up keys and a stick in the real pellam on the test's X server, with a virtual
// joystick, clicking the menus and windows and pressing keys and stick buttons through SDL's queue.
// Each run's script fails the run (exit status 1) when an expectation does not hold.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/TestFolder.h"
#include "tests/game/GameProcess.h"

namespace pellam::testing {
namespace {

class PlayerSettings : public ::testing::Test {
protected:
    // One start of the game, flying at once, with `script`; the store lives on between runs.
    int run(const std::string& script) {
        return std::system(gameCommand(dir_.path(), "PELLAM_AUTOFLY=1 PELLAM_VIRTUAL_JOYSTICK=1", script).c_str());
    }

    TestFolder dir_{"pellam-player"};
};

// Pauses (p), opens a settings window from the Controls menu.
const char* kOpenKeys = R"(key p
click Menu|Controls
click Controls|Define Keyboard Commands...
)";

TEST_F(PlayerSettings, KeysStickButtonAndCalibrationSetUpLikeANewPlayer) {
    // Fire Guns moves to h; the game is left and started again.
    ASSERT_EQ(run(std::string("frames 30\n") + kOpenKeys + R"(
click Define Keyboard Commands|Fire Guns
key h
click Define Keyboard Commands|Okay
expect closed
key p
key h
expect command Fire Guns
# The autopilot's key is held with Alt.
key Alt+a
expect command Auto Pilot On/Off Toggle
# The frame rate comes on the release of Alt-s, Alt let go before the s.
press Alt+s
release s
expect command Frame Rate Indicator On/Off Toggle
quit
)"), 0);

    ASSERT_EQ(run(std::string("frames 30\nkey h\nexpect command Fire Guns\n") +
                               // Cancel leaves the bindings as they were.
                               kOpenKeys + R"(
click Define Keyboard Commands|Fire Guns
key y
click Define Keyboard Commands|Fire Guns
click Press a Key|No Key
click Define Keyboard Commands|Cancel
expect closed
key p
key y
expect other-than Fire Guns
key h
expect command Fire Guns
# Stick button 3 (Drop Bomb at first) is given Throttle Up and opens the throttle.
key p
click Menu|Controls
click Controls|Define Joystick Buttons...
button 2 down
button 2 up
click Define Joystick Buttons|##button
click Commands|Throttle Up Incrementally
click Define Joystick Buttons|Okay
expect closed
key p
button 2 down
button 2 up
expect command Throttle Up Incrementally
# A stick that reaches only half way calibrates to its full travel.
axis 0 16000
frames 3
expect axis 1 -1 0.9
# The calibrator's close box calibrates nothing.
key p
click Menu|Controls
click Controls|Calibrate Joystick...
axis 0 -16000
axis 0 16000
click Joystick Calibrator|close box
expect closed
expect axis 1 -1 0.9
key p
key p
click Menu|Controls
click Controls|Calibrate Joystick...
axis 0 -16000
axis 0 16000
axis 0 0
# Return is Okay.
key Return
expect closed
key p
axis 0 16000
frames 3
expect axis 1 0.95 1.2
quit
)"),
              0);
}

}  // namespace
}  // namespace pellam::testing
