#pragma once
// Shows the controller's windows and menus with Dear ImGui and turns clicks into its actions.
namespace pellam {

class VADArizodazar2;

struct InterfaceRequests {
    bool quit = false;
    bool toggleFullScreen = false;
};

// Between UiLayer::newFrame() and UiLayer::render().
InterfaceRequests drawInterface(VADArizodazar2& controller);

}  // namespace pellam
