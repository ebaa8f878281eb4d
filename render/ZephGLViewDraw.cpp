// Frame start and end, frustum, 2-D and 3-D matrices, cameras, fog and bitmap-font text of ZephGLView.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/ZephModel.h"
#include "platform/TickCount.h"
#include "render/ObjectDrawing.h"
#include "render/ZephGLView.h"

namespace pellam::render {
namespace {

// Where character `thechar` of a line goes, in `q`, and false where nothing of it is sent: out of
// the font, or with `cells`, the font's ink (in a picture `edge` texels across), a blank cell, and
// the others only where their samples can reach ink. `textFixerY` is one pixel row. Code 3 blinks.
bool placeGlyph(double across, double down, int32_t number, int32_t thechar, float size, double textFixerY,
                GlyphQuad& q, const std::array<GlyphInk, 128>* cells = nullptr, int edge = 0) {
    if (thechar < 0 || thechar >= 128) return false;  // a gap one character wide
    if (thechar == 3 && platform::TickCount() % 64 < 32) thechar = 32;
    q = glyphQuad(across, down, number, thechar, size, textFixerY);
    return !cells || cutToInk(q, (*cells)[size_t(thechar)], edge);
}

// One glyph's quad, a polygon of its four corners from the top left.
void drawGlyph(const GlyphQuad& q) {
    glBegin(GL_POLYGON);
    glTexCoord2d(q.s0, q.t0), glVertex2d(q.x0, q.y0);
    glTexCoord2d(q.s1, q.t0), glVertex2d(q.x1, q.y0);
    glTexCoord2d(q.s1, q.t1), glVertex2d(q.x1, q.y1);
    glTexCoord2d(q.s0, q.t1), glVertex2d(q.x0, q.y1);
    glEnd();
}

}  // namespace

void ZephGLView::useWholeWindow(int& width, int& height) {
    window_->drawableSize(width, height);
    glViewport(0, 0, width, height);
}

void ZephGLView::glRenderStart() {
    if (!window_) return;
    glRenderStartWOErase();
    glClearColor(float(EraseRed_), float(EraseGreen_), float(EraseBlue_), 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void ZephGLView::glRenderStartWOErase() {
    if (!window_) return;
    showFrame();  // before this frame draws over it
    window_->makeCurrent();
    int w = 0, h = 0;
    useWholeWindow(w, h);
    if (h > 0) TextFixerY_ = 1.0 / h;  // the window may have been resized since start-up
    if (w > 0) TextFixerX_ = 1.0 / w;
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDepthRange(0, 1);
    CurrentBoundTextureNumber_ = -1;
    NextTransparentCopyPoint_ = 0;
    NextTCPStart_ = 0;
}

void ZephGLView::glRenderEnd() {
    if (!window_) return;
    if (screenShotPending_) {
        screenShotPending_ = false;
        doScreenSaveFromOpenGL();
    }
    if (frameObserver_) frameObserver_();
    if (awoken_) glFinish();
    // A swap that waits for the display's refresh stays here, where the pacer's wait follows it.
    if (deferShow_ && !awoken_ && SyncValue_ == 0) {
        glFlush();
        showPending_ = true;
        return;
    }
    window_->swapBuffers();
}

void ZephGLView::showFrame() {
    if (!showPending_ || !window_) return;
    showPending_ = false;
    window_->makeCurrent();
    window_->swapBuffers();
}

void ZephGLView::glSetViewFrustum(double left, double right, double bottom, double top, double nearZ, double farZ) {
    ViewFrustumLeft_ = left;
    ViewFrustumRight_ = right;
    ViewFrustumBottom_ = bottom;
    ViewFrustumTop_ = top;
    ViewFrustumNear_ = nearZ;
    ViewFrustumFar_ = farZ;
    if (!window_) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(left, right, bottom, top, nearZ, farZ);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ZephGLView::glSet2DDrawing() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ZephGLView::glSet3DDrawing(double x, double y, double z, double p, double b, double h) {
    MyEye_ = {-x, -y, z, p, b, h};
    Make4by4TranslationMatrix(EyeTM_.data(), MyEye_.data());
    Make4by4RotationMatrix(EyeRM_.data(), MyEye_.data());
    MyEye_[0] = x;
    MyEye_[1] = y;
    MyEye_[2] = z;
    glSetViewFrustum(ViewFrustumLeft_, ViewFrustumRight_, ViewFrustumBottom_, ViewFrustumTop_, ViewFrustumNear_,
                     ViewFrustumFar_);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
}

void ZephGLView::glSet3DDrawingWQuaternion(const QNion* q) {
    EyeRM_[12] = EyeRM_[13] = EyeRM_[14] = 0;
    ZephModel::quaternionToMatrix(q->QAttitude.data(), EyeRM_.data());
    MyEye_ = {q->Position[0], q->Position[1], q->Position[2], 0, 0, 0};
    Make4by4TranslationMatrix(EyeTM_.data(), MyEye_.data());
    glSetViewFrustum(ViewFrustumLeft_, ViewFrustumRight_, ViewFrustumBottom_, ViewFrustumTop_, ViewFrustumNear_,
                     ViewFrustumFar_);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
}

void ZephGLView::setCurrentCameraMatrix() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScaled(1, 1, -1);  // world Z (north) is mirrored into GL's
    glMultMatrixd(EyeRM_.data());
    glTranslated(-EyeTM_[12], -EyeTM_[13], -EyeTM_[14]);
    const GLfloat sun[4] = {float(SunUnitX_), float(SunUnitY_), float(SunUnitZ_), 0};
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
}

void ZephGLView::setCameraViewToVectorX(double x, double y, double z, double) {
    cameraAttitudeToVector(x, y, z, CameraPosition_);
}

void ZephGLView::glMakeFacingSquare(const double* centre, XYZInput* four) const {
    facingSquare(EyeRM_, EyeTM_, centre, four);
}

void ZephGLView::glMakeFacingSquareHeadingOnly(const double* centre, XYZInput* four) const {
    facingSquareHeadingOnly(EyeTM_, centre, four);
}

void ZephGLView::Make4by4TranslationMatrix(double* m, const double* eye) {
    GLMatrix r;
    render::Make4by4TranslationMatrix(r, {eye[0], eye[1], eye[2], eye[3], eye[4], eye[5]});
    std::copy(r.begin(), r.end(), m);
}

void ZephGLView::Make4by4RotationMatrix(double* m, const double* eye) {
    GLMatrix r;
    render::Make4by4RotationMatrix(r, {eye[0], eye[1], eye[2], eye[3], eye[4], eye[5]});
    std::copy(r.begin(), r.end(), m);
}

void ZephGLView::makeCameraQNionTheta(double theta, double ax, double by, double cz, QNion* answer) {
    render::makeCameraQNionTheta(theta, ax, by, cz, *answer);
}

void ZephGLView::makeModelQNionTheta(double theta, double ax, double by, double cz, QNion* answer) {
    render::makeModelQNionTheta(theta, ax, by, cz, *answer);
}

void ZephGLView::glSetFogParameters(double r, double g, double b, int32_t mode, float density) {
    fogColor_ = {float(r), float(g), float(b), 1.0f};
    FogMode_ = mode;
    FogDensity_ = density;
    if (!window_) return;
    glFogi(GL_FOG_MODE, mode);
    glFogfv(GL_FOG_COLOR, fogColor_.data());
    glFogf(GL_FOG_DENSITY, density);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, float(FogStart_));
    glFogf(GL_FOG_END, float(FogEnd_));
}

void ZephGLView::saveCurrentFogParameters() {
    SaveFogColor_ = fogColor_;
    SaveFogMode_ = FogMode_;
    SaveFogDensity_ = FogDensity_;
}

void ZephGLView::restoreFogParameters() {
    glSetFogParameters(SaveFogColor_[0], SaveFogColor_[1], SaveFogColor_[2], SaveFogMode_, SaveFogDensity_);
}

void ZephGLView::setTextFixers(double width, double height) {
    if (width > 0) TextFixerX_ = 1.0 / width;
    if (height > 0) TextFixerY_ = 1.0 / height;
}

void ZephGLView::glOpenGLText(double across, double down, const unsigned char* text, int32_t, float size,
                              double trans) {
    if (!text || text[0] == 0) return;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glSet2DDrawing();
    glDepthFunc(GL_ALWAYS);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glSetCurrentTexture(gTextTexture_, 12);
    glColor4d(1, 1, 1, trans);
    const std::array<GlyphInk, 128>* cells = inkUnseenAround();
    for (int i = 1; i <= text[0]; ++i) {
        GlyphQuad q{};
        if (placeGlyph(across, down, i - 1, text[i], size, TextFixerY_, q, cells, fontInk_.edge())) drawGlyph(q);
    }
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

// Blended by its alpha a clear texel leaves its pixel as it was, but the software rasteriser
// shades its blocks as dearly as a letter's: unless the plain rules are asked for, a letter is
// sent only where the filter can reach its ink, and a blank cell (a space) not at all. Saves, in
// instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front,
// wreck_smoke), each with the dogfight's kills line: 3.3, 3.3, 4.1, 3.3, 4.7 M.
const std::array<GlyphInk, 128>* ZephGLView::inkUnseenAround() {
    auto* drawing = dynamic_cast<ObjectDrawingView*>(this);
    if (!cutsTextToInk_ || !drawing || drawing->exactDrawing() || !glIsEnabled(GL_BLEND)) return nullptr;
    GLint blend[5] = {};
    for (const auto& [k, name] : {std::pair{0, GL_BLEND_SRC_RGB}, {1, GL_BLEND_DST_RGB}, {2, GL_BLEND_SRC_ALPHA},
                                  {3, GL_BLEND_DST_ALPHA}, {4, GL_BLEND_EQUATION_RGB}})
        glGetIntegerv(GLenum(name), &blend[k]);
    if (blend[0] != GL_SRC_ALPHA || blend[1] != GL_ONE_MINUS_SRC_ALPHA || blend[2] != GL_SRC_ALPHA ||
        blend[3] != GL_ONE_MINUS_SRC_ALPHA || blend[4] != GL_FUNC_ADD)
        return nullptr;
    const auto read = [&](std::vector<uint8_t>& alpha, int& width, int& height) {
        GLint minify = 0;  // of the font, bound by the caller
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minify);
        return (minify == GL_LINEAR || minify == GL_NEAREST) && drawing->textureAlpha(gTextTexture_, alpha, width, height);
    };
    return fontInk_.forPicture(drawing->texturePicture(gTextTexture_), read);
}

void ZephGLView::glSetTextTextureBig(double across, double down, int32_t number, int32_t thechar, float size,
                                     double alpha) {
    glColor4d(1, 1, 1, alpha);
    GlyphQuad q{};
    if (placeGlyph(across, down, number, thechar, size, TextFixerY_, q)) drawGlyph(q);
}

void ZephGLView::gl3DIntPrint(double across, double down, double value, int32_t color, double size, double alpha) {
    unsigned char text[24];
    // Truncated toward zero; values past the 64-bit range (or NaN) are pinned rather than undefined.
    const double v = std::isnan(value) ? 0.0 : std::clamp(value, -9.2e18, 9.2e18);
    glNumToString(static_cast<int64_t>(v), text);
    glOpenGLText(across, down, text, color, float(size), alpha);
}

void ZephGLView::setNetworkTypeSize(double size) {
    const TypeMetrics m = typeMetricsFor(size);
    TypeSize_ = m.size;
    TypeLeading_ = m.leading;
    TypeDownAmount_ = m.downAmount;
}

}  // namespace pellam::render
