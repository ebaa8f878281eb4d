// Frame start and end, frustum, 2-D and 3-D matrices, cameras, fog and bitmap-font text of ZephGLView.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/ZephModel.h"
#include "platform/TickCount.h"
#include "render/ObjectDrawing.h"
#include "render/ZephGLView.h"

namespace pellam::render {
namespace {

// One character's two triangles, inside a glBegin(GL_TRIANGLES); `textFixerY` is one pixel row.
// `cells`, the font's ink (in a picture `edge` texels across) where clear texels change no pixel:
// a blank cell is not sent, and with `cut` the others only where their samples can reach ink.
void sendGlyph(double across, double down, int32_t number, int32_t thechar, float size, double textFixerY,
               const std::array<GlyphInk, 128>* cells = nullptr, int edge = 0, bool cut = false) {
    if (thechar < 0 || thechar >= 128) return;  // a gap one character wide
    if (thechar == 3 && platform::TickCount() % 64 < 32) thechar = 32;  // code 3 blinks
    if (cells && (*cells)[size_t(thechar)].blank()) return;
    GlyphQuad q = glyphQuad(across, down, number, thechar, size, textFixerY);
    if (cells && cut && !cutToInk(q, (*cells)[size_t(thechar)], edge)) return;
    // The four corners, top-left first, as the two triangles the rasteriser cut a four-cornered
    // polygon into, in its order (1, 2, 0) and (2, 3, 0): the same pixels and the same texels.
    const double corner[4][4] = {{q.s0, q.t0, q.x0, q.y0}, {q.s1, q.t0, q.x1, q.y0},
                                 {q.s1, q.t1, q.x1, q.y1}, {q.s0, q.t1, q.x0, q.y1}};
    for (int v : {1, 2, 0, 2, 3, 0}) {
        glTexCoord2d(corner[v][0], corner[v][1]);
        glVertex2d(corner[v][2], corner[v][3]);
    }
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
    // One primitive for the whole line: a polygon a character ran the software renderer's
    // vertex stage once a character.
    glColor4d(1, 1, 1, trans);
    // Blended by its alpha a clear texel leaves its pixel as it was, but the software rasteriser
    // shades its blocks as dearly as a letter's: a blank cell (a space) is not sent, and the plain
    // rules aside, a letter only where the filter can reach its ink.
    GLint blend[5] = {};
    for (const auto [k, name] : {std::pair{0, GL_BLEND_SRC_RGB}, {1, GL_BLEND_DST_RGB}, {2, GL_BLEND_SRC_ALPHA},
                                 {3, GL_BLEND_DST_ALPHA}, {4, GL_BLEND_EQUATION_RGB}})
        glGetIntegerv(GLenum(name), &blend[k]);
    const bool clearUnseen = glIsEnabled(GL_BLEND) && blend[0] == GL_SRC_ALPHA && blend[1] == GL_ONE_MINUS_SRC_ALPHA &&
                             blend[2] == GL_SRC_ALPHA && blend[3] == GL_ONE_MINUS_SRC_ALPHA && blend[4] == GL_FUNC_ADD;
    auto* drawing = dynamic_cast<ObjectDrawingView*>(this);
    const auto read = [&](std::vector<uint8_t>& alpha, int& width, int& height) {
        GLint minify = 0;  // of the font, bound above
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minify);
        return (minify == GL_LINEAR || minify == GL_NEAREST) && drawing->textureAlpha(gTextTexture_, alpha, width, height);
    };
    const std::array<GlyphInk, 128>* cells =
        clearUnseen && drawing ? fontInk_.forPicture(drawing->texturePicture(gTextTexture_), read) : nullptr;
    const bool cut = !(drawing && drawing->exactDrawing());
    // The colour given with the vertices and held flat reaches every pixel as the same value as
    // the current colour would; the software rasteriser reads the current colour as a constant
    // fetched lane by lane for every pixel, and a flat one from its triangle's set-up.
    GLint shading = GL_SMOOTH;
    if (cut) glGetIntegerv(GL_SHADE_MODEL, &shading), glShadeModel(GL_FLAT);
    // The text lies at eye depth 0: a linear fog by the fragments' depth that starts at or beyond
    // the eye fogs it by a factor of exactly one, which changes no pixel, and without it the
    // rasteriser reads no fog parameters at each one.
    bool unfogged = false;
    if (cut && glIsEnabled(GL_FOG)) {
        GLint mode = 0, source = 0;
        GLfloat start = 0, end = 0;
        glGetIntegerv(GL_FOG_MODE, &mode);
        glGetIntegerv(GL_FOG_COORD_SRC, &source);
        glGetFloatv(GL_FOG_START, &start);
        glGetFloatv(GL_FOG_END, &end);
        unfogged = mode == GL_LINEAR && source == GL_FRAGMENT_DEPTH && start >= 0.0f && end > start;
        if (unfogged) glDisable(GL_FOG);
    }
    const bool kept = cut && keepsTextLines_ && cells && (unfogged || !glIsEnabled(GL_FOG)) &&
                      drawKeptLine(across, down, text, size, trans, *cells, drawing->texturePicture(gTextTexture_));
    if (!kept) {
        glBegin(GL_TRIANGLES);
        if (cut) glColor4d(1, 1, 1, trans);
        for (int i = 1; i <= text[0]; ++i) sendGlyph(across, down, i - 1, text[i], size, TextFixerY_, cells, fontInk_.edge(), cut);
        glEnd();
    }
    if (cut) glShadeModel(GLenum(shading));
    if (unfogged) glEnable(GL_FOG);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

// Each glyph costs the software rasteriser two thin triangles' set-up and their partial blocks,
// a line of sixty some 1.6 M instructions. A line drawn as in the frame before is drawn instead
// as a quad of its picture a run of glyphs, made once: each texel the colour and alpha the glyphs'
// fragment has at that pixel of the window, unblended over a clear picture. Drawn at one texel a
// pixel with the nearest texel under the same blend, the picture gives each pixel the fragment
// the glyphs would, to the bit, and a clear texel leaves it as it is; only where two glyphs'
// cells, grown by the texel the filter reaches, meet on a pixel does the later one's fragment
// stand alone, a level or so from the two blended in turn. Under the text's own blend, unfogged
// and with the font cut to its ink; false where the line is to be drawn glyph by glyph.
bool ZephGLView::drawKeptLine(double across, double down, const unsigned char* text, float size, double trans,
                              const std::array<GlyphInk, 128>& cells, uint64_t font) {
    if (readings_.Bound != 0) return false;  // a sampler of the view's would read the picture its own way
    GLint samples = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
    if (samples > 0) return false;  // a picture of one sample a pixel
    for (int i = 1; i <= text[0]; ++i)
        if (text[i] == 3) return false;  // a blinking character
    std::array<int, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    if (viewport[2] <= 0 || viewport[3] <= 0) return false;
    const size_t length = size_t(text[0]) + 1;
    KeptLine* line = nullptr;
    for (KeptLine& k : keptLines_)
        if (k.Used && k.Font == font && k.Across == across && k.Down == down && k.Size == size && k.Trans == trans &&
            k.FixerY == TextFixerY_ && k.Viewport == viewport && k.Text.size() == length &&
            std::equal(k.Text.begin(), k.Text.end(), text))
            line = &k;
    if (!line) {
        // Drawn glyph by glyph the first time: a line that changes every frame is never kept.
        KeptLine& k = *std::min_element(keptLines_.begin(), keptLines_.end(),
                                        [](const KeptLine& a, const KeptLine& b) { return a.Used < b.Used; });
        if (k.Texture) glDeleteTextures(1, &k.Texture);
        k = KeptLine{{text, text + length}, across, down, size, trans, TextFixerY_, viewport, font, {}, {}, 0, ++keptLineUses_};
        // The window pixels its glyphs' triangles can light, as sendGlyph sends them, glyph by
        // glyph; gathered into runs that part where a gap of a block or more (4 px) lies between,
        // which the rasteriser would shade for nothing.
        constexpr int kWideGap = 4;
        const auto windowX = [&](double x) { return viewport[0] + (x + 1) * 0.5 * viewport[2]; };
        const auto windowY = [&](double y) { return viewport[1] + (y + 1) * 0.5 * viewport[3]; };
        std::array<int, 4> run{};  // x0, y0, x1, y1
        bool open = false;
        const auto endRun = [&] {
            if (!open) return;
            open = false;
            if (run[2] <= run[0] || run[3] <= run[1]) return;
            k.Runs.push_back({run[0], run[1], run[2] - run[0], run[3] - run[1]});
        };
        for (int i = 1; i <= text[0]; ++i) {
            const int c = text[i];
            if (c >= 128 || cells[size_t(c)].blank()) continue;
            GlyphQuad q = glyphQuad(across, down, i - 1, c, size, TextFixerY_);
            if (!cutToInk(q, cells[size_t(c)], fontInk_.edge())) continue;
            const int gx0 = std::max(viewport[0], int(std::floor(windowX(std::min(q.x0, q.x1)))));
            const int gx1 = std::min(viewport[0] + viewport[2], int(std::ceil(windowX(std::max(q.x0, q.x1)))));
            const int gy0 = std::max(viewport[1], int(std::floor(windowY(std::min(q.y0, q.y1)))));
            const int gy1 = std::min(viewport[1] + viewport[3], int(std::ceil(windowY(std::max(q.y0, q.y1)))));
            if (gx1 <= gx0 || gy1 <= gy0) continue;
            if (open && (gx0 - run[2] >= kWideGap || run[0] - gx1 >= kWideGap)) endRun();
            if (!open) {
                run = {gx0, gy0, gx1, gy1}, open = true;
            } else {
                run = {std::min(run[0], gx0), std::min(run[1], gy0), std::max(run[2], gx1), std::max(run[3], gy1)};
            }
        }
        endRun();
        if (!k.Runs.empty()) {
            std::array<int, 4> all{k.Runs[0][0], k.Runs[0][1], k.Runs[0][0] + k.Runs[0][2], k.Runs[0][1] + k.Runs[0][3]};
            for (const auto& r : k.Runs)
                all = {std::min(all[0], r[0]), std::min(all[1], r[1]), std::max(all[2], r[0] + r[2]), std::max(all[3], r[1] + r[3])};
            k.Box = {all[0], all[1], all[2] - all[0], all[3] - all[1]};
        }
        return false;
    }
    line->Used = ++keptLineUses_;
    const auto& b = line->Box;
    if (b[2] <= 0 || b[3] <= 0) return true;  // no glyph lights a pixel of the window
    if (!line->Texture && !makeLinePicture(*line, cells)) return false;
    GLint mode = GL_MODULATE;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glBindTexture(GL_TEXTURE_2D, line->Texture);
    CurrentBoundTextureNumber_ = -1;
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    const auto ndcX = [&](int x) { return 2.0 * (x - viewport[0]) / viewport[2] - 1; };
    const auto ndcY = [&](int y) { return 2.0 * (y - viewport[1]) / viewport[3] - 1; };
    // Each run at one texel a pixel: the picture's texel (x, y) at window pixel (box x + x, box y + y).
    const double wide = b[2], high = b[3];
    glBegin(GL_QUADS);
    for (const auto& r : line->Runs) {
        const double s0 = (r[0] - b[0]) / wide, s1 = (r[0] + r[2] - b[0]) / wide;
        const double t0 = (r[1] - b[1]) / high, t1 = (r[1] + r[3] - b[1]) / high;
        glTexCoord2d(s0, t0), glVertex2d(ndcX(r[0]), ndcY(r[1]));
        glTexCoord2d(s1, t0), glVertex2d(ndcX(r[0] + r[2]), ndcY(r[1]));
        glTexCoord2d(s1, t1), glVertex2d(ndcX(r[0] + r[2]), ndcY(r[1] + r[3]));
        glTexCoord2d(s0, t1), glVertex2d(ndcX(r[0]), ndcY(r[1] + r[3]));
    }
    glEnd();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
    ++textLinesFromPictures_;
    return true;
}

bool ZephGLView::makeLinePicture(KeptLine& line, const std::array<GlyphInk, 128>& cells) {
    const auto& b = line.Box;
    if (!lineFramebuffer_) glGenFramebuffers(1, &lineFramebuffer_);
    GLint drawn = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawn);
    glGenTextures(1, &line.Texture);
    glBindTexture(GL_TEXTURE_2D, line.Texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // The box alone, drawn in the window's own view moved by whole pixels to its corner: the
    // glyphs' triangles keep their place within the pixels, to the last bit of their set-up.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, b[2], b[3], 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, lineFramebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, line.Texture, 0);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (complete) {
        glPushAttrib(GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_SCISSOR_BIT);
        const auto& v = line.Viewport;
        glViewport(v[0] - b[0], v[1] - b[1], v[2], v[3]);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, GLuint(getglTextNum(gTextTexture_)));
        glBegin(GL_TRIANGLES);
        glColor4d(1, 1, 1, line.Trans);
        const uint8_t* text = line.Text.data();
        for (int i = 1; i <= text[0]; ++i)
            sendGlyph(line.Across, line.Down, i - 1, text[i], float(line.Size), line.FixerY, &cells, fontInk_.edge(), true);
        glEnd();
        glPopAttrib();
    }
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(drawn));
    CurrentBoundTextureNumber_ = -1;
    if (!complete) {
        glDeleteTextures(1, &line.Texture);
        line.Texture = 0;
    }
    return complete;
}

void ZephGLView::glSetTextTextureBig(double across, double down, int32_t number, int32_t thechar, float size,
                                     double alpha) {
    glColor4d(1, 1, 1, alpha);
    glBegin(GL_TRIANGLES);
    sendGlyph(across, down, number, thechar, size, TextFixerY_);
    glEnd();
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

void ZephGLView::drawMessageLines() {
    if (!MessageLines_) return;
    const TypeMetrics type{TypeSize_, TypeLeading_, TypeDownAmount_};
    for (int i = 0; i < 5; ++i) {
        const MessageLinePlace at = messageLinePlace(i, type);
        glOpenGLText(at.across, at.down, MessageLines_[i], 0, float(at.size), 0.65);
    }
}

}  // namespace pellam::render
