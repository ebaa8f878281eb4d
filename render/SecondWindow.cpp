// The second window: a window of its own, 30 % of the view's size over the view's lower-left
// corner, with its own GL context sharing the view's textures. It shows the second camera from the
// records the frame already took (no ground clutter), and the aircraft's number.
#include <GL/gl.h>

#include <algorithm>
#include <array>

#include "core/ZephModel.h"
#include "platform/Log.h"
#include "render/FrameMath.h"
#include "render/MyZephGLView.h"
#include "world/RIDUdidav.h"

namespace pellam::render {
bool MyZephGLView::makeSecondWindow(int width, int height) {
    dropSecondWindow();
    window_->makeCurrent();
    platform::WindowSpec spec;
    spec.title = "Pellam second view";
    spec.width = width;
    spec.height = height;
    spec.borderless = true;
    spec.shareWithCurrent = true;
    spec.secondary = true;  // the game window keeps the keyboard
    spec.positioned = true;
    spec.x = windowRect_.x + 10;
    spec.y = windowRect_.y + finalSizeHeight_ - 40 - height;
    std::string error;
    secondWindow_ = platform::GLWindow::create(spec, error);
    if (!secondWindow_) {
        platform::logMessage("No second window: " + error);
        secondFailed_ = true;  // asked once; the main view goes on alone
        window_->makeCurrent();
        return false;
    }
    secondWidth_ = width;
    secondHeight_ = height;
    // The fixed-function state that the view's own context got at start-up.
    secondWindow_->makeCurrent();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
    const GLfloat white[4] = {1, 1, 1, 0};
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glMaterialfv(GL_FRONT, GL_SPECULAR, white);
    glMaterialf(GL_FRONT, GL_SHININESS, 5);
    glEnable(GL_LIGHT0);
    glEnable(GL_FOG);
    glHint(GL_FOG_HINT, GL_NICEST);
    window_->makeCurrent();
    return true;
}

// The second window goes; the keyboard it held (it takes it as it opens where no window manager
// keeps it off) comes back to the view, which would otherwise count the game as left.
void MyZephGLView::dropSecondWindow() {
    if (!secondWindow_) return;
    const bool hadKeyboard = secondWindow_->hasKeyboard();
    secondWindow_.reset();
    if (hadKeyboard && window_) window_->takeKeyboard();
}

void MyZephGLView::closeSecondWindow() {
    secondFailed_ = false;  // asked again when next switched on
    if (!secondWindow_) return;
    dropSecondWindow();
    if (window_) window_->makeCurrent();
}

void MyZephGLView::drawSecondWindow(ModelArray& list) {
    if (secondFailed_) return;
    const int w = secondWindowSide(finalSizeWidth_), h = secondWindowSide(finalSizeHeight_);
    if ((!secondWindow_ || w != secondWidth_ || h != secondHeight_) && !makeSecondWindow(w, h)) return;

    // The sun and the fog of this frame, as the view's context holds them.
    std::array<GLfloat, 4> diffuse{}, ambient{}, fogColour{};
    GLint fogMode = GL_LINEAR;
    GLfloat fogDensity = 0, fogStart = 0, fogEnd = 1;
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse.data());
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient.data());
    glGetFloatv(GL_FOG_COLOR, fogColour.data());
    glGetIntegerv(GL_FOG_MODE, &fogMode);
    glGetFloatv(GL_FOG_DENSITY, &fogDensity);
    glGetFloatv(GL_FOG_START, &fogStart);
    glGetFloatv(GL_FOG_END, &fogEnd);

    // The squares of this window are placed from its own camera; the main view's come back after.
    std::array<std::array<float, 3>, ModelArray::kAircraftSlots> saved{};
    for (int k = 0; k < ModelArray::kAircraftSlots; ++k)
        if (ZephModel* model = list.at(ModelArray::kFirstAircraft + k))
            if (const float* eye = model->getPointerToRelativeEyeX()) saved[k] = {eye[0], eye[1], eye[2]};

    secondWindow_->makeCurrent();
    CurrentBoundTextureNumber_ = -1;  // each context has its own binding
    int dw = 0, dh = 0;
    secondWindow_->drawableSize(dw, dh);
    glViewport(0, 0, dw, dh);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse.data());
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient.data());
    glFogfv(GL_FOG_COLOR, fogColour.data());
    glFogi(GL_FOG_MODE, fogMode);
    glFogf(GL_FOG_DENSITY, fogDensity);
    glFogf(GL_FOG_START, fogStart);
    glFogf(GL_FOG_END, fogEnd);
    glDepthMask(GL_TRUE);
    glClearColor(float(EraseRed_), float(EraseGreen_), float(EraseBlue_), 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The picture and its label within a one-pixel edge of the background colour.
    glViewport(1, 1, std::max(dw - 2, 1), std::max(dh - 2, 1));

    drawPass(list, secondPass());
    unsigned char label[8];
    if (secondWindowLabel(SecondAircraftCamera_, label)) glOpenGLText(0.92, 0.0, label, 0, 2.7f, 1.0);
    if (secondFrameObserver_) secondFrameObserver_();
    secondWindow_->swapBuffers();

    window_->makeCurrent();
    CurrentBoundTextureNumber_ = -1;
    glViewport(0, 0, finalSizeWidth_, finalSizeHeight_);
    // The main camera again, for the overlay drawn after the 3-D content and for the terrain's
    // eye-relative road answers until the next frame.
    placeCamera(&CameraPosition_);
    if (auto* terrain = dynamic_cast<RIDUdidav*>(list.at(ModelArray::kTerrain))) {
        terrain->setEyePosition(MyEye_[0], MyEye_[1], MyEye_[2]);
        terrain->setViewingPositionFromEyeTM(getEyeTM());
    }
    for (int k = 0; k < ModelArray::kAircraftSlots; ++k)
        if (ZephModel* model = list.at(ModelArray::kFirstAircraft + k))
            if (float* eye = model->getPointerToRelativeEyeX()) std::copy(saved[k].begin(), saved[k].end(), eye);
}

}  // namespace pellam::render
