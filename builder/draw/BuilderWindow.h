#pragma once
// The mission builder's window with Dear ImGui: its tabs and controls in a panel at the right of
// the game's window, the unsaved-changes sheet, and the mouse over the builder's 3-D view.
#include <SDL.h>

#include <map>
#include <string>

namespace pellam::builder {
class MissionBuilder;
}

namespace pellam::builderdraw {

inline constexpr char kBuilderWindowId[] = "###MissionBuilder";

// Between the ImGui frame's start and its render, while the builder is open.
void drawBuilderWindow(builder::MissionBuilder& builder);
// The mouse in the builder's view: a press picks, a move while pressed drags (with Shift: turns),
// a release settles. True when the event was the view's. `imguiWantsMouse`: the pointer is over
// a window or a control has the mouse.
bool builderTakesEvent(builder::MissionBuilder& builder, const SDL_Event& event, bool imguiWantsMouse);

// Where a control of the builder's window was last drawn (window pixels, y down), and in which
// drawing of the builder's windows; null if not. "Panel" and "Page" are the room inside the window
// and inside its page (without the page's scroll bar).
struct ItemPlace {
    float x0, y0, x1, y1;
    long drawing;
};
const ItemPlace* placeOfBuilderItem(const std::string& label);
// Every control drawn so far, by label, and the number of the last drawing (it only grows).
const std::map<std::string, ItemPlace>& builderItemPlaces();
long builderWindowDrawings();

}  // namespace pellam::builderdraw
