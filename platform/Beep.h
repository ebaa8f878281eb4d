#pragma once
#include <functional>

namespace pellam::platform {

// The system beep: the program's way of saying "that did not work". Every beep is counted so
// that tests can tell that one happened; the sound subsystem installs the sound that plays.
void SystemBeep();
long beepCount();

using BeepPlayer = std::function<void()>;
void setBeepPlayer(BeepPlayer player);

}  // namespace pellam::platform
