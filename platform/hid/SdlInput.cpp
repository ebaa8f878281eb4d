#include "platform/hid/SdlInput.h"

#include "platform/hid/SdlKeys.h"

namespace pellam::platform::hid {
namespace {

int mouseButtonNumber(Uint8 sdlButton) {
    switch (sdlButton) {
        case SDL_BUTTON_LEFT: return 0;
        case SDL_BUTTON_RIGHT: return 1;
        case SDL_BUTTON_MIDDLE: return 2;
        default: return -1;
    }
}

// A key event to the sink's keyDown or keyUp; a modifier alone makes no entry.
void specialKeysEvent(const SDL_Event& event, InputEventSink& sink) {
    ToolkitKeyEvent key;
    if (!translateKeyEvent(event.key, key)) return;
    if (event.type == SDL_KEYDOWN)
        sink.keyDown(key);
    else
        sink.keyUp(key);
}

}  // namespace

bool dispatchSdlEvent(const SDL_Event& event, InputEventSink& sink, SdlJoysticks* joysticks, int windowHeight) {
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            specialKeysEvent(event, sink);
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const int button = mouseButtonNumber(event.button.button);
            if (button >= 0) sink.mouseButton(button, event.type == SDL_MOUSEBUTTONDOWN);
            sink.pointerMoved(static_cast<float>(event.button.x), static_cast<float>(windowHeight - event.button.y));
            return true;
        }
        case SDL_MOUSEMOTION:
            sink.pointerMoved(static_cast<float>(event.motion.x), static_cast<float>(windowHeight - event.motion.y));
            return true;
        default:
            return joysticks && joysticks->handleEvent(event);
    }
}

}  // namespace pellam::platform::hid
