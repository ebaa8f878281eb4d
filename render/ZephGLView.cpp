#include "render/ZephGLView.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "core/ZephModel.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Random.h"

namespace pellam::render {

ZephGLView::ZephGLView(platform::UserDefaults& defaults) : defaults_(defaults) {}

ZephGLView::~ZephGLView() {
    if (!window_) return;
    window_->makeCurrent();
    for (auto& slot : TheTextureMaps_)
        if (slot.TextureStatus == 2) glDeleteTextures(1, &slot.OpenGLMapNumber);
    releaseSamplers();
}

bool ZephGLView::initWithFrame(const NSRect& frame, bool hidden) {
    getDisplay3DCardDetails();
    const WindowRect rect = windowRectFor(frame.width, frame.height, ScreenBounds_[2], ScreenBounds_[3]);
    finalSizeWidth_ = rect.width;
    finalSizeHeight_ = rect.height;
    windowRect_ = rect;
    windowRect_.x += int(ScreenBounds_[0]);
    windowRect_.y += int(ScreenBounds_[1]);

    platform::WindowSpec spec;
    spec.title = "Pellam";
    spec.width = rect.width;
    spec.height = rect.height;
    spec.fullScreen = rect.fullScreen;
    spec.borderless = true;
    spec.hidden = hidden;
    spec.positioned = !rect.fullScreen;
    spec.x = int(ScreenBounds_[0]) + rect.x;
    spec.y = int(ScreenBounds_[1]) + rect.y;
    spec.multisample = defaults_.boolForKey("UseAntiAliasingKey").value_or(false);
    window_ = platform::GLWindow::create(spec, creationError_);
    if (!window_) {
        platform::logMessage("Cannot open the game view: " + creationError_);
        return false;
    }
    myInits();
    const double aspect = rect.height > 0 ? double(rect.width) / rect.height : 4.0 / 3.0;
    glSetViewFrustum(-0.285 * aspect, 0.285 * aspect, -0.285, 0.285, 0.55, 111000);
    getMonitorResolutionRefresh(true);

    TipNumber_ = (platform::presentationRandom().longFrom(-32768, 32767) + 32768) / 6554 - 1;  // -1 to 8
    TipCount_ = 0;
    HorizonColor_ = {1, 1, 1};
    return true;
}

NSRect ZephGLView::preferredFrame(const platform::UserDefaults& defaults) {
    if (defaults.boolForKey("UseSmallWindowKey").value_or(false)) return {0, 0, 640, 480};
    return {};
}

void ZephGLView::myInits() {
    window_->makeCurrent();
    OpenGLInitStuff();
    initMyStuff();
    int w = 0, h = 0;
    window_->drawableSize(w, h);
    setTextFixers(w, h);
}

void ZephGLView::OpenGLInitStuff() {
    platform::seedRandomFromSystem();
    const auto t = static_cast<unsigned>(std::time(nullptr));
    std::srand(t & 0xFFFF);
    for (unsigned n = t & 0xFFF; n > 0; --n) {
        platform::nextRandom();
        std::rand();
    }

    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    MaxGLTextureSize_ = maxSize;
    GLError_ = 0;
    TeleFactor_ = 1.25;
    hasFogCoord_ = platform::GLWindow::extensionSupported("GL_EXT_fog_coord");
    fogCoordPointer_ = hasFogCoord_ ? reinterpret_cast<FogCoordPointerFn>(
                                          platform::GLWindow::getProcAddress("glFogCoordPointerEXT"))
                                    : nullptr;
    if (!hasFogCoord_) platform::logMessage("GL_EXT_fog_coord is missing: fog falls back to eye distance");

    glSetViewFrustum(-0.99, 0.99, -0.7, 0.7, 0.8, 79200);
    setEraseColorRed(0.99, 0.99, 0.99);

    MyEye_ = {};
    Make4by4TranslationMatrix(EyeTM_.data(), MyEye_.data());
    Make4by4RotationMatrix(EyeRM_.data(), MyEye_.data());
    CameraPosition_ = QNion{};

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHTING);
    glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);

    SunUnitX_ = 0.7071;
    SunUnitY_ = 0.7071;
    SunUnitZ_ = 0;
    sunSpecFactor_ = 0.7071;
    const GLfloat sunPosition[4] = {0.7071f, 0.7071f, 0, 0};  // w 0: a direction
    const GLfloat white[4] = {1, 1, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, sunPosition);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glMaterialfv(GL_FRONT, GL_SPECULAR, white);
    glMaterialf(GL_FRONT, GL_SHININESS, 5);
    glEnable(GL_LIGHT0);

    FogStart_ = 75000;
    FogEnd_ = 100000;
    glSetFogParameters(1, 1, 1, GL_LINEAR, 0.00005f);
    glEnable(GL_FOG);

    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glPointSize(1);
    CurrentMaterial_ = {};
}

void ZephGLView::initMyStuff() {
    if (IsInited_ != 0) return;
    TypeSize_ = 0.8;
    TypeLeading_ = 0.8 * 0.027;
    TypeDownAmount_ = TypeLeading_ * -5 + 0.97;
    for (auto& slot : TheTextureMaps_) slot = SingleTextureStructure{};
    ScreenSaveNameString_ = "/Desktop/Screen Shot";
    IsInited_ = 1;
    const std::string resources = platform::resourcesFolder();
    StartUpScreenTextureNumber_ = fmGetTextureFromDiskNSString(resources + "TandorlogoM", 1, 6, 9, 0);
    gTextTexture_ = fmGetTextureFromDiskNSString(resources + "InverseTypeM", 1, 6, 9, 0);
    if (gTextTexture_ < 0) notice("The font InverseTypeM is missing from " + resources + ".");
}

void ZephGLView::setSunVectorFromTime(double hour) {
    const SunLight sun = sunFromHour(hour);
    SunUnitX_ = sun.direction[0];
    SunUnitY_ = sun.direction[1];
    SunUnitZ_ = sun.direction[2];
    sunSpecFactor_ = sun.specFactor;
    if (!window_) return;
    window_->makeCurrent();
    glLightfv(GL_LIGHT0, GL_DIFFUSE, sun.diffuse.data());
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, sun.ambient.data());
    if (!awoken_) {
        setEraseColorRed(HorizonColor_[0], HorizonColor_[1], HorizonColor_[2]);
        // Kept in fogColor_ too, so the frame's save and restore of the fog carry it.
        fogColor_ = {float(HorizonColor_[0]), float(HorizonColor_[1]), float(HorizonColor_[2]), 1};
        glFogfv(GL_FOG_COLOR, fogColor_.data());
    } else {
        setEraseColorRed(1, 1, 1);
    }
}

const double* ZephGLView::getSunUnitVector() {
    PassSunUnit_ = {SunUnitX_, SunUnitY_, SunUnitZ_};
    return PassSunUnit_.data();
}

void ZephGLView::setEraseColorRed(double r, double g, double b) {
    EraseRed_ = r;
    EraseGreen_ = g;
    EraseBlue_ = b;
}

void ZephGLView::setVBLSyncing(int32_t value) {
    SyncValue_ = std::clamp(value, 0, 1);
    if (window_) {
        window_->makeCurrent();
        platform::GLWindow::setSwapInterval(SyncValue_);
    }
}

void ZephGLView::advanceTeleFactor() {
    TeleFactor_ += 1;
    if (TeleFactor_ > 3) TeleFactor_ = 1;
}

void ZephGLView::getDisplay3DCardDetails() {
    platform::DisplayInfo display;
    std::string error;
    if (!platform::mainDisplayInfo(display, error)) {
        platform::logMessage("No display information (" + error + "): assuming 1024 x 768");
        display.width = 1024;
        display.height = 768;
    }
    ScreenBounds_ = {float(display.x), float(display.y), float(display.width), float(display.height)};
    BitDepth_ = display.bitsPerPixel;
    TotalVRAMUsed_ = framebufferBytes(display.width, display.height, BitDepth_);
    // There is no portable video-memory query: assume enough for the largest textures (level 3).
    VRAM_ = TotalVRAMUsed_ + 256LL * 1024 * 1024;
    VRAMOkay_ = vramOkay(VRAM_, TotalVRAMUsed_);
}

std::array<float, 2> ZephGLView::getMonitorResolutionRefresh(bool refresh) {
    if (refresh || MonitorResolution_[0] == 0) {
        platform::DisplayInfo display;
        std::string error;
        if (platform::mainDisplayInfo(display, error))
            MonitorResolution_ = {float(display.width), float(display.height)};
        else
            MonitorResolution_ = {ScreenBounds_[2], ScreenBounds_[3]};
    }
    return MonitorResolution_;
}

void ZephGLView::setWindowLevelToFront(platform::GLWindow* window) {
    if (platform::GLWindow* w = window ? window : window_.get()) w->setAlwaysOnTop(true);
}

void ZephGLView::setWindowLevelToNormal(platform::GLWindow* window) {
    if (platform::GLWindow* w = window ? window : window_.get()) w->setAlwaysOnTop(false);
}

}  // namespace pellam::render
