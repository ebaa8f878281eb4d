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

// The world takes the left 0.66 of the view and the close-up the rest, both its full height. The
// view is as wide as the panel leaves and no taller than a 4:3 world part: a full-height view
// beside the panel made the world a tall, narrow strip. It hangs under the menu bar.
inline ViewRect builderViewRect(int windowWidth, int windowHeight) {
    ViewRect r;
    r.width = windowWidth - kPanelWidth - 2 * kViewMargin;
    if (r.width < 16) r.width = 16;
    r.height = windowHeight - kMenuBar - 2 * kViewMargin;
    const int landscape = int(0.66 * r.width * 3 / 4);
    if (r.height > landscape) r.height = landscape;
    if (r.height < 16) r.height = 16;
    r.y = windowHeight - kMenuBar - kViewMargin - r.height;
    if (r.y < kViewMargin) r.y = kViewMargin;
    return r;
}

}  // namespace pellam::builderdraw
