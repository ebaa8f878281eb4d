#pragma once
// SDL key events turned into the toolkit key events the input object reads.
#include <SDL_events.h>

#include "platform/hid/ToolkitKeys.h"

namespace pellam::platform::hid {

// False for keys that type nothing the game binds (modifier keys alone, media keys): such events
// make no ring entry.
bool translateKeyEvent(const SDL_KeyboardEvent& key, ToolkitKeyEvent& out);

// The modifier-flag word for SDL modifier state (shift, control, option, command, caps lock).
uint32_t modifierFlagsFor(Uint16 sdlMods);

}  // namespace pellam::platform::hid
