#pragma once
// The input settings windows (keys, mouse buttons, joystick buttons, calibrator) drawn with Dear
// ImGui; their logic is the input object's.
#include <array>
#include <cstdint>
#include <vector>

union SDL_Event;

namespace pellam {
namespace platform {
class UiLayer;
}
namespace input {
class DoJoystick;
}

// Inside UiLayer::build(), after drawInterface, and like it run up to three times in a frame
// where a window opens, only the first run seeing the frame's input. `menus`: the menu bar is
// shown (the game is not flying), so the Controls menu is added to it.
void drawInputWindows(input::DoJoystick& input, bool menus);

// Hands an SDL event to the windows; true when they take it. While the key-capture sheet waits,
// keys go to the input object instead, so that any key (Escape and Return too) can be bound.
bool inputWindowsTakeEvent(platform::UiLayer& ui, const input::DoJoystick& input, const SDL_Event& event);

// One shape of a range box, in points from the box's top left (y down).
struct RangeShape {
    enum Colour : uint8_t { White, Black, Green, Red } colour;
    float x, y, w, h;
    bool frame = false;  // an outline 2 points wide
};
// The shapes of a width x height range box for the twelve range values (stick, throttle and rudder
// boxes by their size; any other size gets only its fill and frame).
std::vector<RangeShape> rangeBoxShapes(float width, float height, const std::array<double, 12>& r);

}  // namespace pellam
