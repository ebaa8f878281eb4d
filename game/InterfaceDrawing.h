#pragma once
// Shows the controller's windows and menus with Dear ImGui and turns clicks into its actions.
#include <string>

namespace pellam {

class VADArizodazar2;

struct InterfaceRequests {
    bool quit = false;
    bool toggleFullScreen = false;
};

// Between UiLayer::newFrame() and UiLayer::render().
InterfaceRequests drawInterface(VADArizodazar2& controller);

// Where a window's button was last drawn, in window pixels; null when it was not drawn.
struct ButtonPlace {
    float x0, y0, x1, y1;
};
const ButtonPlace* placeOfButton(const std::string& window, const std::string& label);
// Records where the last drawn item lies, under `window` and `label`, for placeOfButton.
void rememberItemPlace(const std::string& window, const std::string& label);
void rememberPlace(const std::string& window, const std::string& label, const ButtonPlace& place);

}  // namespace pellam
