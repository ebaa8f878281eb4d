#pragma once
// Where the builder's parts lie in the game's window: the controls in a panel on the right, the
// 3-D view filling the rest with a 20-pixel margin, under the menu bar. The panel and the menu bar
// grow with the windows' font.
#include <algorithm>

namespace pellam::builderdraw {

inline constexpr int kViewMargin = 20;  // px: the view's corner in its window, as the mouse rules use

// The windows' font and what it sizes, px.
struct PanelFont {
    float pixels = 16;   // the font's height
    float menuBar = 22;  // the game's menu bar: a line of the font in its frame
};

// The panel's width, px: room for the six tabs and the fields at ease (460 at the 16-px font, more
// in proportion to a larger one); in a narrow window down to what its widest row needs (392), so
// that the small window (640 px) keeps a third of its width for the view.
inline int panelWidth(int windowWidth, float fontPixels) {
    const float scale = fontPixels / 16;
    return std::clamp(int(0.6f * float(windowWidth)), int(392 * scale), int(460 * scale));
}

// The 3-D view in window pixels, origin at the window's lower-left corner.
struct ViewRect {
    int x = kViewMargin, y = kViewMargin, width = 0, height = 0;
};

// The view fills what the panel and the menu bar leave of the window, within its margin: its
// lower-left corner 20 px in from the window's, as the mouse rules have it. The world fills it;
// a close-up covers its right 34 %, its full height.
inline ViewRect builderViewRect(int windowWidth, int windowHeight, const PanelFont& font) {
    ViewRect r;
    r.width = std::max(16, windowWidth - panelWidth(windowWidth, font.pixels) - 2 * kViewMargin);
    r.height = std::max(16, windowHeight - int(font.menuBar) - 2 * kViewMargin);
    return r;
}

// The windows' font as loaded (the 16-px one before the windows start).
PanelFont windowsFont();
inline ViewRect builderViewRect(int windowWidth, int windowHeight) {
    return builderViewRect(windowWidth, windowHeight, windowsFont());
}

}  // namespace pellam::builderdraw
