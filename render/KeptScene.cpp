// The picture a resting game keeps: the 3-D content copied from the back buffer into a texture
// of the window's size, and drawn again as one square of texels while nothing in it changes.
#include <GL/gl.h>

#include "render/MyZephGLView.h"

namespace pellam::render {

void MyZephGLView::setKeepScene(bool keep) {
    if (keep == keepScene_) return;
    keepScene_ = keep;
    keptValid_ = false;  // a picture kept before the game ran again is stale
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

bool MyZephGLView::showKeptScene() {
    if (!keepScene_ || !keptValid_ || keptKey_ != sceneKey()) return false;
    glRenderStartWOErase();
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT | GL_LIGHTING_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, keptTexture_);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
    CurrentBoundTextureNumber_ = -1;
    return true;
}

void MyZephGLView::keepScene() {
    if (!keepScene_ || !window_) return;
    int w = 0, h = 0;
    window_->drawableSize(w, h);
    if (w <= 0 || h <= 0) return;
    glPushAttrib(GL_TEXTURE_BIT);
    if (keptTexture_ == 0) glGenTextures(1, &keptTexture_);
    glBindTexture(GL_TEXTURE_2D, keptTexture_);
    if (w != keptWidth_ || h != keptHeight_) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        keptWidth_ = w;
        keptHeight_ = h;
    }
    glReadBuffer(GL_BACK);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
    glPopAttrib();
    CurrentBoundTextureNumber_ = -1;
    keptKey_ = sceneKey();
    keptValid_ = true;
}

}  // namespace pellam::render
