#include "render/MyZephGLView.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "platform/TickCount.h"
#include "world/draw/WorldDraw.h"

namespace pellam::render {
namespace {

// Continuation lines keep their leading spaces so they line up under the first.
const std::vector<std::string_view> kTips[MyZephGLView::kTipCount] = {
    {"Tip #1: Use Control and 1 through 8 of the number keys", "        to move the viewing position between different",
     "        aircraft. Control-1 moves the viewing position", "        to the aircraft you fly."},
    {"Tip #2: If you are flying using the mouse, always move", "        the mouse cursor to the middle of the screen",
     "        before entering the fly mode."},
    {"Tip #3: You can turn the constant engine sound off in ", "        the preferences dialog box."},
    {"Tip #4: Firing your guns for a long time without a ", "        pause may cause them to over heat and jam.",
     "        If this happens you can take your hammer ", "        and try to un-jam the guns. Use control-u",
     "        to do this."},
    {"Tip #5: Use the Replay feature to go back and view", "        interesting action over again. Use different",
     "        camera positions during replay to see all the", "        action."},
    {"Tip #6: Use Alt and the number keys to view your", "        aircraft from different positions. Alt-1",
     "        is the pilot's viewing position."},
    {"Tip #7: Use Alt-w to display a second viewing", "        window. When displayed, most viewing",
     "        position commands change the viewing position", "        of the second viewing window."},
    {"Tip #8: Use Control-e make the second viewing window", "        use the nearest enemy aircraft as the focus",
     "        of this view. Use Control and 1-8 to switch", "        to a specific aircraft view."},
    {"Tip #9: Use Alt-w to turn the second viewing", "        window off. Turn the window off to be able",
     "        to change the main window's viewing position."},
    {"Tip #10: Use 'v' to look down inside the cockpit to", "         see more of the cockpit gauges, then use 'w'",
     "         to look forward again."},
    {"Tip #11: Watching a dogfight can be instructive, try", "         this: Click on 'Fly Quick Dogfight' in the",
     "         Select Mission dialog. Then press Alt-a", "         to toggle on the auto pilot on your aircraft.",
     "         Try different camera angles/views."},
    {"Tip #12: You can turn off the opening sequence sound", "         in the preferences."},
};

}  // namespace

MyZephGLView::MyZephGLView(platform::UserDefaults& defaults)
    : ZephGLView(defaults), terrainDrawer_(std::make_unique<worlddraw::TerrainDrawer>()) {
    clouds_.reserve(64);
}

MyZephGLView::~MyZephGLView() {
    // The second context shares the first's textures: it goes before the base deletes them.
    secondWindow_.reset();
    if (keptFramebuffer_ && window_) {
        window_->makeCurrent();
        glDeleteFramebuffers(1, &keptFramebuffer_);
        glDeleteRenderbuffers(1, &keptRenderbuffer_);
    }
}

std::vector<std::string_view> MyZephGLView::tipLines(int n) {
    if (n < 0 || n >= kTipCount) return {};
    return kTips[n];
}

void MyZephGLView::drawStartUpTip() {
    if (FeedbackCount_ < kFirstTipCall) return;
    const int32_t now = platform::TickCount();
    if (!tipStarted_ || static_cast<uint32_t>(now - TipCount_) > static_cast<uint32_t>(kTipTicks)) {
        tipStarted_ = true;
        TipCount_ = now;
        if (++TipNumber_ > kTipCount - 1) TipNumber_ = 0;
    }
    // Clamped both ways: the count starts at -1 and a caller may set anything.
    TipNumber_ = std::clamp(TipNumber_, 0, kTipCount - 1);
    unsigned char line[256];
    double down = 0.61;
    for (std::string_view text : kTips[TipNumber_]) {
        stringToPascal(text, line);
        glOpenGLText(0.22, down, line, 0, 1.2f, 1.0);
        down += 0.031;
    }
}

}  // namespace pellam::render
