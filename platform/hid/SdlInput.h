#pragma once
// One SDL event to the input object: keys become toolkit key events, mouse buttons and motion go
// to the sink, joystick button and hat events to the joysticks' queues.
#include <SDL_events.h>

#include "platform/hid/InputEvents.h"
#include "platform/hid/SdlJoysticks.h"

namespace pellam::platform::hid {

// `windowHeight` is the game window's height in window units (SDL_GetWindowSize), used to put the
// pointer's origin at the bottom left. `joysticks` may be null. True when the event was input.
bool dispatchSdlEvent(const SDL_Event& event, InputEventSink& sink, SdlJoysticks* joysticks, int windowHeight);

}  // namespace pellam::platform::hid
