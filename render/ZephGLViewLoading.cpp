// The loading screen of ZephGLView: the start-up picture fading in, the progress bar with its
// riding marker, the flickering label, the percentage and the tip. Shown again, its bar set by
// the caller, while a flight waits for work it cannot fly without.
#include <GL/gl.h>

#include <algorithm>

#include "platform/FlatDrawing.h"
#include "platform/TickCount.h"
#include "render/ZephGLView.h"

namespace pellam::render {
namespace {

constexpr int32_t kOpeningSound = 27;  // the fly-by

// One textured quad mapping the region (s0..s1, t0..t1) the right way up: (s0, t1) at top-left.
void regionQuad(double left, double top, double right, double bottom, double s0, double t0, double s1, double t1) {
    glBegin(GL_QUADS);
    glTexCoord2d(s0, t1);
    glVertex2d(left, top);
    glTexCoord2d(s1, t1);
    glVertex2d(right, top);
    glTexCoord2d(s1, t0);
    glVertex2d(right, bottom);
    glTexCoord2d(s0, t0);
    glVertex2d(left, bottom);
    glEnd();
}

}  // namespace

void ZephGLView::doLoadingFeedback() {
    if (DoFeedback_ != 0 || !window_) return;
    if (++FeedbackCount_ > 9000) FeedbackCount_ = 1;
    if (FeedbackCount_ <= 4) return;
    const int32_t now = platform::TickCount();
    if (now == LastFeedBackTime_) return;  // at most one redraw per tick
    LastFeedBackTime_ = now;
    drawLoadingScreen({loadingFill(FeedbackCount_), loadingPercent(FeedbackCount_), std::min(FeedbackCount_, 60) / 60.0});
}

void ZephGLView::showLoadingProgress(double done) {
    if (!window_) return;
    if (++FeedbackCount_ > 9000) FeedbackCount_ = 1;  // the label flickers from frame to frame
    done = std::clamp(done, 0.0, 1.0);
    drawLoadingScreen({done, int(done * 100.0), 1.0});
}

void ZephGLView::drawLoadingScreen(const LoadingPicture& screen) {
    ++loadingRedraws_;
    if (FeedbackCount_ > 20 && !HaveDoneOpeningSound_) {
        HaveDoneOpeningSound_ = true;
        // PlayOpening follows "DontPlayOpeningSoundKey": on unless the player turned the sound off.
        if (PlayOpening_ && theSounds_) theSounds_->PlayASingleSound(kOpeningSound, 210);
    }
    lastLoading_ = screen;
    lastLoading_.FirstLabel = FeedbackCount_ % 2 == 1;  // it flickers from call to call
    showsLoadingScreen_ = true;
    drawLoadingFrame(lastLoading_);
    showsLoadingScreen_ = false;
    showFrame();  // loading stops the frames: its picture is shown at once
}

bool ZephGLView::drawLastLoadingPicture() {
    if (!window_ || loadingRedraws_ == 0) return false;
    drawLoadingFrame(lastLoading_);
    return true;
}

void ZephGLView::drawLoadingFrame(const LoadingPicture& screen) {
    const double keepRed = EraseRed_, keepGreen = EraseGreen_, keepBlue = EraseBlue_;
    setEraseColorRed(0, 0, 0);
    glRenderStart();
    glSet3DDrawing(0, 0, 12, 0, 20, 0);
    {
        // The bar is wound the way the passes cull, and the picture fades in below the alpha
        // test's 0.9: whatever a frame or the warm-up left set, the screen is drawn flat.
        const platform::FlatDrawing flat;
        drawLoadingContent(screen);
    }
    setEraseColorRed(keepRed, keepGreen, keepBlue);
    glRenderEnd();
}

void ZephGLView::drawLoadingContent(const LoadingPicture& screen) {
    const double k = ScreenBounds_[2] > 0 && ScreenBounds_[3] / ScreenBounds_[2] < 0.7 ? 0.83333 : 1.0;
    const double f = screen.Fill;
    gl3DIntPrint(0.49, 0.95, screen.Percent, 0, 1.0, 1.0);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glSet2DDrawing();
    glDepthFunc(GL_ALWAYS);
    glDisable(GL_TEXTURE_2D);

    glColor4d(0.8, 0.8, 0.8, 1);
    glBegin(GL_POLYGON);
    glVertex2d(-0.61, -0.81);
    glVertex2d(-0.61, -0.85);
    glVertex2d(0.61, -0.85);
    glVertex2d(0.61, -0.81);
    glEnd();

    const double barRight = 1.21 * f - 0.605;
    glBegin(GL_POLYGON);
    glColor4d(0, 0, 0.95, 1);
    glVertex2d(-0.605, -0.815);
    glVertex2d(-0.605, -0.845);
    glColor4d(0, 0.95 * f, 0.95 * (1 - f), 1);
    glVertex2d(barRight, -0.845);
    glVertex2d(barRight, -0.815);
    glEnd();

    glEnable(GL_TEXTURE_2D);
    glSetCurrentTexture(StartUpScreenTextureNumber_, 12);
    const bool picture = StartUpScreenTextureNumber_ >= 0 && StartUpScreenTextureNumber_ < kTextureSlots &&
                         TheTextureMaps_[StartUpScreenTextureNumber_].TextureStatus == 2;
    if (picture) {
        glColor4d(1, 1, 1, screen.PictureAlpha);
        regionQuad(-0.7 * k, 0.85, 0.7 * k, -0.19, 0.005, 0.395, 1.0, 1.0);
        glColor4d(1, 1, 1, 1);
        regionQuad(barRight - 0.1, -0.7, barRight + 0.1, -0.8, 0.505, 0.199, 0.995, 0.38);
        if (screen.FirstLabel)
            regionQuad(-0.24, -0.55, 0.24, -0.69, 0.005, 0.197, 0.495, 0.386);
        else
            regionQuad(-0.24, -0.55, 0.24, -0.69, 0.005, 0.002, 0.495, 0.191);
    }

    drawStartUpTip();

    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

}  // namespace pellam::render
