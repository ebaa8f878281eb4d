#pragma once
// Where keyboard and mouse events go once the SDL side has translated them. The input object
// implements it. No SDL here.
#include "platform/hid/ToolkitKeys.h"

namespace pellam::platform::hid {

class InputEventSink {
public:
    virtual ~InputEventSink() = default;
    virtual void keyDown(const ToolkitKeyEvent& event) = 0;
    virtual void keyUp(const ToolkitKeyEvent& event) = 0;
    // Mouse button 0 left, 1 right, 2 middle.
    virtual void mouseButton(int button, bool down) = 0;
    // Pointer in window pixels, origin at the bottom left.
    virtual void pointerMoved(float x, float y) = 0;
};

}  // namespace pellam::platform::hid
