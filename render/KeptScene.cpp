// The picture a resting game keeps: the 3-D content copied from the back buffer into a colour
// buffer of the window's size, and copied back while nothing in it changes.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>

#include "platform/Print.h"
#include "render/MyZephGLView.h"

namespace pellam::render {

void MyZephGLView::setKeepScene(bool keep) {
    if (keep == keepScene_) return;
    keepScene_ = keep;
    keptValid_ = false;
    shownValid_ = false;  // a picture kept before the game ran again is stale
}

MyZephGLView::SceneKey MyZephGLView::sceneKey() {
    int w = 0, h = 0;
    if (window_) window_->drawableSize(w, h);
    SceneKey k{};
    size_t n = 0;
    for (const QNion* q : {&CameraPosition_, &CameraPosition2_}) {
        for (double v : q->Position) k[n++] = v;
        for (double v : q->QAttitude) k[n++] = v;
    }
    for (double v : {double(GameTime_), SunUnitX_, SunUnitY_, SunUnitZ_, double(DrawSecondWindow_),
                     double(CameraInsideItem_), double(CameraInsideItem2_), double(SecondAircraftCamera_), double(w),
                     double(h), EraseRed_, EraseGreen_, EraseBlue_, double(insideCloud_)})
        k[n++] = v;
    return k;
}

namespace {

// The key's first 14 entries are the two cameras, each a position (ft) and an attitude (a unit
// quaternion). A camera that eases towards its place moves by ever smaller steps; below these it
// has not moved for the eye (a hundredth of a pixel's angle at the main frustum).
constexpr double kSamePosition = 0.02;   // ft
constexpr double kSameAttitude = 2e-5;   // quaternion component

bool sameScene(const std::array<double, 28>& a, const std::array<double, 28>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        const bool camera = i < 14, position = i % 7 < 3;
        const double tolerance = !camera ? 0.0 : position ? kSamePosition : kSameAttitude;
        if (!(std::fabs(a[i] - b[i]) <= tolerance)) return false;
    }
    return true;
}

}  // namespace

bool MyZephGLView::keptSceneCurrent() { return keepScene_ && keptValid_ && sameScene(keptKey_, sceneKey()); }

uint64_t MyZephGLView::framePrint(FrameServices& services) {
    uint64_t h = services.flatPrint();
    if (MessageLines_)
        for (int i = 0; i < 5; ++i) h = platform::foldPrint(h, MessageLines_[i], size_t(MessageLines_[i][0]) + 1);
    return platform::foldPrint(h, &screenShotPending_, sizeof screenShotPending_);
}

bool MyZephGLView::showKeptScene() {
    if (!keptSceneCurrent()) return false;
    glRenderStartWOErase();
    // A copy of the same size and format: the renderer moves rows, it does not shade pixels.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, keptFramebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    glBlitFramebuffer(0, 0, keptWidth_, keptHeight_, 0, 0, keptWidth_, keptHeight_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return true;
}

void MyZephGLView::keepScene() {
    if (!keepScene_ || !window_) return;
    int w = 0, h = 0;
    window_->drawableSize(w, h);
    if (w <= 0 || h <= 0) return;
    if (keptFramebuffer_ == 0) {
        glGenFramebuffers(1, &keptFramebuffer_);
        glGenRenderbuffers(1, &keptRenderbuffer_);
    }
    if (w != keptWidth_ || h != keptHeight_) {
        glBindRenderbuffer(GL_RENDERBUFFER, keptRenderbuffer_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
        glBindFramebuffer(GL_FRAMEBUFFER, keptFramebuffer_);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, keptRenderbuffer_);
        keptWidth_ = w;
        keptHeight_ = h;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, keptFramebuffer_);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    const bool complete = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    keptKey_ = sceneKey();
    keptValid_ = complete;
}

}  // namespace pellam::render
