#pragma once
// The mission builder's window with Dear ImGui: its tabs and controls in a panel at the right of
// the game's window, the unsaved-changes sheet, and the mouse over the builder's 3-D view.
#include <SDL.h>

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

// Where a control of the builder's window was last drawn (window pixels, y down); null if not.
struct ItemPlace {
    float x0, y0, x1, y1;
};
const ItemPlace* placeOfBuilderItem(const std::string& label);

}  // namespace pellam::builderdraw
