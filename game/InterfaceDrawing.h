#pragma once
// Shows the controller's windows and menus with Dear ImGui and turns clicks into its actions.
#include <cstdint>
#include <string>

namespace pellam {

class VADArizodazar2;
struct Window;
struct CheckBox;
struct RadioMatrix;

struct InterfaceRequests {
    bool quit = false;
    bool toggleFullScreen = false;
};

// Inside UiLayer::build(), whose caller (main.cpp's loop) builds the windows at most once a pass,
// over the frame the view finishes or alone. Where a window opens, build() runs this up to three
// times in that frame (ImGui fits a new window over two more builds): only the first sees the
// frame's clicks and keys, so a click acts once, and the caller keeps the requests of every build.
InterfaceRequests drawInterface(VADArizodazar2& controller);

// A menu item's key, written as the key-binding window writes keys: the key's character after
// its modifiers' words ("Ctrl-Q" for `modifiers` kControlKeyMask).
std::string menuShortcut(uint32_t key, uint32_t modifiers);

// Where a window's button was last drawn, in window pixels; null when it was not drawn.
struct ButtonPlace {
    float x0, y0, x1, y1;
};
const ButtonPlace* placeOfButton(const std::string& window, const std::string& label);
// Where the window itself was last drawn, title bar and all; null while it is closed.
const ButtonPlace* placeOfWindow(const std::string& window);
// Records where the last drawn item lies, under `window` and `label`, for placeOfButton.
void rememberItemPlace(const std::string& window, const std::string& label);
void rememberPlace(const std::string& window, const std::string& label, const ButtonPlace& place);

// The pieces every window is drawn with (InterfaceDrawing.cpp).
namespace widgets {
// Remembers where the last item was drawn, under the current window and `label`.
void rememberPlace(const std::string& label);
// A button that remembers where it was drawn, so that tests can press it as a person would.
bool button(const char* label, float width = 100);
// Where a window opens: centred in the view, or at its foot (a hint over the flight); and the
// window it keeps clear of while that one is shown, in the larger band of the view above or below it.
struct Placing {
    bool atFoot = false;
    const Window* clearOf = nullptr;
};
// Opens `window` when it is brought forward, `width` wide or as wide as the view allows, and keeps
// it whole in the view, title bar and close box too; false while it is closed.
bool beginWindow(Window& window, float width, int flags = 0, Placing placing = {});
// The same for a window the caller begins itself: before ImGui::Begin, opening `width` x `height`
// (0: as tall as it holds) or as large as the view allows, as `placing` says; after it, kept
// inside the view (and remembered for placeOfWindow). WindowRoom.cpp.
void fitNextWindow(float width, float height, Placing placing = {});
void keepInView();
// The part of a window above its last `footer` pixels (its buttons): as tall as what it holds, or
// as the view leaves it, the rest scrolled; the buttons below stay in view.
void beginBody(const char* id, float footer);
void endBody();
// A separator and a row of buttons under a body (px).
float buttonRowHeight();
// The height the view leaves the current window below what it has drawn, above `footer` px.
float roomLeft(float footer);
// The widest content the view leaves the current window (px).
float widestContent();
void checkBox(CheckBox& box);
// A radio matrix: one cell on at a time.
void radio(RadioMatrix& matrix, const char* id);
}  // namespace widgets

// The mission window, the dogfight window, the About panel and their menus (InterfaceMissions.cpp).
void drawMissionMenus(VADArizodazar2& controller);
void drawMissionWindows(VADArizodazar2& controller);
// The network lobby's windows and the Game menu's network-game item (LobbyDrawing.cpp).
void drawLobbyWindows(VADArizodazar2& controller);
void drawNetworkGameMenuItem(VADArizodazar2& controller);

}  // namespace pellam
