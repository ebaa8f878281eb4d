#pragma once
// Where the builder's parts lie in the game's window: the controls in a panel on the right, the
// 3-D view filling the rest with a 20-pixel margin, under the menu bar.
namespace pellam::builderdraw {

inline constexpr int kPanelWidth = 460;  // px: room for the six tabs at the game's font size
inline constexpr int kMenuBar = 22;      // px
inline constexpr int kViewMargin = 20;   // px: the view's corner in its window, as the mouse rules use

// The 3-D view in window pixels, origin at the window's lower-left corner.
struct ViewRect {
    int x = kViewMargin, y = kViewMargin, width = 0, height = 0;
};

// The view fills what the panel and the menu bar leave of the window, within its margin: its
// lower-left corner 20 px in from the window's, as the mouse rules have it. The world takes its left
// 0.66 and the close-up the rest, both its full height; with nothing to show close up, the world all.
inline ViewRect builderViewRect(int windowWidth, int windowHeight) {
    ViewRect r;
    r.width = windowWidth - kPanelWidth - 2 * kViewMargin;
    if (r.width < 16) r.width = 16;
    r.height = windowHeight - kMenuBar - 2 * kViewMargin;
    if (r.height < 16) r.height = 16;
    return r;
}

}  // namespace pellam::builderdraw
