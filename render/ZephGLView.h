#pragma once
// The game's OpenGL view: its own window and context, the fixed-function state, the sun, the
// table of 300 textures, bitmap-font text, camera matrices and fog, the loading screen and screen
// shots. Sections, one source file each:
//   ZephGLView.cpp          creation, start-up GL state, sun, setters, display and window levels
//   ZephGLViewTextures.cpp  texture loader, release and binding
//   ZephGLViewDraw.cpp      frame start and end, frustum, 2-D and 3-D matrices, fog, text
//   ZephGLViewLoading.cpp   loading screen
//   ZephGLViewShot.cpp      screen shots
// Main thread only; every operation that issues GL calls makes the view's context current or runs
// inside a frame (between glRenderStart and glRenderEnd).
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/GeometryRecords.h"
#include "core/QNion.h"
#include "core/Services.h"
#include "platform/ByteOrder.h"
#include "platform/GLWindow.h"
#include "platform/UserDefaults.h"
#include "platform/WriterThread.h"
#include "render/GlyphInk.h"
#include "render/TextureTable.h"
#include "render/ViewMath.h"

namespace pellam::render {

struct NSRect {
    double x = 0, y = 0, width = 0, height = 0;
};

class ZephGLView : public ViewServices {
public:
    // `defaults` holds the preferences read at creation ("UseAntiAliasingKey"); it must outlive the view.
    explicit ZephGLView(platform::UserDefaults& defaults);
    ~ZephGLView() override;
    ZephGLView(const ZephGLView&) = delete;
    ZephGLView& operator=(const ZephGLView&) = delete;

    // --- Creation and start-up state ---
    // A zero rectangle asks for the whole display, (0, 0, 640, 480) for a small window. False, with
    // creationError() saying why, when no window or context could be made.
    bool initWithFrame(const NSRect& frame, bool hidden = false);
    // The rectangle the controller passes: zero (the whole display), or 640 x 480 when
    // "UseSmallWindowKey" is set.
    static NSRect preferredFrame(const platform::UserDefaults& defaults);
    const std::string& creationError() const { return creationError_; }
    void myInits();
    void OpenGLInitStuff();
    void initMyStuff();
    bool acceptsFirstResponder() const { return true; }
    bool hasFogCoord() const { return hasFogCoord_; }  // GL_EXT_fog_coord present
    // glFogCoordPointerEXT (type, stride, pointer) for drawing with per-vertex fog, null without the extension.
    using FogCoordPointerFn = void (*)(unsigned int type, int stride, const void* pointer);
    FogCoordPointerFn getFogCoordPointer() const { return fogCoordPointer_; }
    platform::GLWindow* getGLWindow() { return window_.get(); }
    int32_t FinalSizeWidth() const { return finalSizeWidth_; }
    int32_t FinalSizeHeight() const { return finalSizeHeight_; }
    // Where the window lies on the display (top-left corner, screen pixels, y down) and its size.
    const WindowRect& getWindowRect() const { return windowRect_; }

    // --- Sun and the controller's setters ---
    void setSunVectorFromTime(double hour);
    const double* getSunUnitVector();
    double getSunSpecFactor() const { return sunSpecFactor_; }
    void setEraseColorRed(double r, double g, double b);
    void setVBLSyncing(int32_t value);
    void setController(ControllerServices* c) { controller_ = c; }
    void setTheSounds(SoundServices* s) { theSounds_ = s; }
    // The loading screen's picture; the one it replaces is shown no more and its texture is let go
    // (a 1,024-texel logo holds 4 MB).
    void setStartUpTextureNumber(int32_t slot);
    int32_t getStartUpTextureNumber() const { return StartUpScreenTextureNumber_; }
    void setGameTime(int32_t t) { GameTime_ = t; }
    int32_t getGameTime() const { return GameTime_; }
    void setDrawSecondWindow(bool on) { DrawSecondWindow_ = on; }
    bool getDrawSecondWindow() const { return DrawSecondWindow_; }
    void setDoFeedback(int32_t v) { DoFeedback_ = v; }
    void setPlayOpening(bool on) { PlayOpening_ = on; }
    void setDisplayVariable(double v) { DisplayVariable_ = v; }
    void setTeleFactor(double f) { TeleFactor_ = f; }
    void advanceTeleFactor();
    double getTeleFactor() const { return TeleFactor_; }
    void setHorizonColorRed(double r, double g, double b) { HorizonColor_ = {r, g, b}; }

    // --- Display, video memory and window levels ---
    void getDisplay3DCardDetails();
    bool getVRAMOkay() const { return VRAMOkay_; }
    int64_t getVRAM() const { return VRAM_; }
    int64_t getTotalVRAMUsed() const { return TotalVRAMUsed_; }
    int getTextureLevel() const { return textureLevel(VRAM_, TotalVRAMUsed_); }
    std::array<float, 2> getMonitorResolutionRefresh(bool refresh);
    std::array<float, 4> getScreenBounds() const { return ScreenBounds_; }
    // Null means the view's own window.
    void setWindowLevelToFront(platform::GLWindow* window = nullptr);
    void setWindowLevelToNormal(platform::GLWindow* window = nullptr);

    // --- Textures ---
    int32_t fmGetTextureFromDiskNSString(const std::string& path, int32_t flag, int32_t size, int32_t depth,
                                         int32_t specialFormatFlag) override;
    int32_t missingTextureSlot() override;
    void textureMissing(const std::string& text) override { notice(text); }
    int32_t tryForCustomPaintJobBig(const std::string& name);
    int32_t tryForCustomPaintJobSmall(const std::string& name);
    void glDeleteONETexture(int32_t slot);
    void glSetCurrentTexture(int32_t slot, int32_t flag);
    uint32_t getglTextNum(int32_t slot) const;
    // While `on`, texture unit 0 reads the mipmapped picture in `slot` from the one level nearest
    // each pixel's scale (linear within it), not a blend of two, wrapping as the slot does: a
    // sampler object over the texture's own filters. Only an RGB picture whose neighbouring levels,
    // times the colour that modulates them, are close enough that no colour moves by more than 16
    // levels of 255 is read so: the state it is drawn in must be set first. Off, for other
    // pictures, or where the GL has no sampler objects, by the texture's own. Answers whether the
    // nearest level is read.
    // With `magnified` (a piece no pixel of which can read its picture's level 0 shrunk), unit 0
    // reads level 0 alone, linearly, through a sampler without mip levels: the same texels as the
    // mipmapped filters read there, without the rasteriser's choice of level for every pixel quad.
    bool readNearestLevel(int32_t slot, bool on, bool magnified = false);
    // A corner of a triangle in clip space, with its texture coordinate.
    struct ClipCorner {
        double X, Y, Z, W, S, T;
    };
    // Whether every pixel quad of the triangle, its helper pixels up to a pixel and a half outside
    // it included, steps by at most one texel (the two coordinates' steps summed) from pixel to
    // pixel in x and in y across a picture `wide` x `high` texels at level 0, in `viewport` (x, y,
    // width, height): a level of detail of at most 0, half a level below any choice of a smaller
    // level. Only its pixels within `area` (x0, y0, x1, y1) and in front of the near plane count:
    // a triangle that draws none there passes.
    // `drawn`, where given, is widened by the triangle's area within `area` (px).
    static bool magnifiedTriangle(const std::array<ClipCorner, 3>& corners, const std::array<double, 4>& viewport,
                                  const std::array<double, 4>& area, double wide, double high, double* drawn = nullptr);
    // Whether magnifiedTriangle holds for every triangle (three of g's point numbers each) drawn
    // with the picture in `slot`, as GL holds the model-view and projection matrices, the viewport
    // and the scissor box now; false unless g's points are the arrays GL reads, as they are.
    bool magnifiedThroughout(const ObjectPointsPolysVer2& g, int32_t slot, std::span<const uint16_t> triangles);
    // The same asked of each triangle: `magnified` receives one answer a triangle, `magnifiedArea`
    // the area those answered yes cover within the viewport, window and scissor box (px). After the
    // first that fails, a triangle is answered no unasked where it covers less than `worth.Each` px
    // of the window, or where those answered yes before it, it and those after it that cover that
    // much cover less than `worth.Together` px in all. False, with no answers, where g's points are not the arrays GL reads as they are.
    struct WorthAsking {
        double Each = 0, Together = 0;
    };
    bool magnifiedEach(const ObjectPointsPolysVer2& g, int32_t slot, std::span<const uint16_t> triangles,
                       const WorthAsking& worth, std::vector<uint8_t>& magnified, double& magnifiedArea);
    // Off, readNearestLevel's `magnified` is never asked (exact drawing keeps it off too).
    void setMagnifiedSampler(bool on) { magnifiedSampler_ = on; }
    bool magnifiedSampler() const { return magnifiedSampler_; }
    const TextureMaps& getTextureMapsPtr() const { return TheTextureMaps_; }
    int32_t getFontTexture() const { return gTextTexture_; }
    int32_t getGLError() const { return GLError_; }

    // --- Frame, matrices, cameras and fog ---
    void glRenderStart();
    void glRenderStartWOErase();
    // Takes a pending screen shot from the back buffer, then swaps; with the show deferred, hands
    // the frame to the rasteriser and leaves the swap to showFrame().
    void glRenderEnd();
    // The software rasteriser finishes a frame's pixels on its own threads: deferred, the frame is
    // shown by showFrame() or before the next frame is drawn, whichever comes first, so those pixels
    // are made while the game thread waits for the next tick instead of at the end of its frame.
    void setDeferredShow(bool defer) { deferShow_ = defer; }
    // Shows the frame drawn last, if it is still waiting to be shown.
    void showFrame();
    void glSetViewFrustum(double left, double right, double bottom, double top, double nearZ, double farZ);
    void glSet2DDrawing();
    void glSet3DDrawing(double x, double y, double z, double p, double b, double h);
    void glSet3DDrawingWQuaternion(const QNion* q);
    void setCurrentCameraMatrix();
    QNion* getCameraPosition() { return &CameraPosition_; }
    QNion* getSecondCameraPosition() { return &CameraPosition2_; }
    const double* getEyeTM() const { return EyeTM_.data(); }
    const double* getEyeRM() const { return EyeRM_.data(); }
    const Eye& getMyEye() const { return MyEye_; }
    void setGlobalCameraPosition(const QNion* q) { CameraPosition_ = *q; }
    void setSecondGlobalCameraPosition(const QNion* q) { CameraPosition2_ = *q; }
    void setCameraViewToVectorX(double x, double y, double z, double bank);
    void glMakeFacingSquare(const double* centre, XYZInput* four) const;
    void glMakeFacingSquareHeadingOnly(const double* centre, XYZInput* four) const;
    void glSetFogParameters(double r, double g, double b, int32_t mode, float density);
    void saveCurrentFogParameters();
    void restoreFogParameters();
    static void Make4by4TranslationMatrix(double* m, const double* eye);
    static void Make4by4RotationMatrix(double* m, const double* eye);
    static void makeCameraQNionTheta(double theta, double ax, double by, double cz, QNion* answer);
    static void makeModelQNionTheta(double theta, double ax, double by, double cz, QNion* answer);

    // --- Text ---
    void setTextFixers(double width, double height);
    double getTextFixerY() const { return TextFixerY_; }
    void glOpenGLText(double across, double down, const unsigned char* text, int32_t color, float size, double trans);
    void glSetTextTextureBig(double across, double down, int32_t number, int32_t thechar, float size, double alpha);
    // Unless the plain rules are asked for, a line's letters sent only where they can show under
    // the usual blend, its blank cells not at all (on: the same pixels, fewer fragments).
    void setCutsTextToInk(bool on) { cutsTextToInk_ = on; }
    void gl3DIntPrint(double across, double down, double value, int32_t color, double size, double alpha);
    static void glNumToString(int64_t value, unsigned char* string) { render::glNumToString(value, string); }
    void setNetworkTypeSize(double size);
    double getNetworkTypeSize() const { return TypeSize_; }
    TypeMetrics getTypeMetrics() const { return {TypeSize_, TypeLeading_, TypeDownAmount_}; }
    // The controller's five message lines of 256 bytes (length-prefixed); null for none.
    void setMessageLines(unsigned char (*lines)[256]) { MessageLines_ = lines; }

    // --- Loading screen ---
    void doLoadingFeedback();
    // The loading screen drawn and shown now, whether start-up is over or not: its bar and
    // percentage at `done` (0..1), the picture whole.
    void showLoadingProgress(double done);
    virtual void drawStartUpTip() {}
    int32_t getFeedbackCount() const { return FeedbackCount_; }
    int32_t getTipNumber() const { return TipNumber_; }
    void setTipNumber(int32_t n) { TipNumber_ = n; }
    int32_t getRedrawCount() const { return loadingRedraws_; }
    // The loading screen's last picture drawn again as a frame of the game, shown as the frames
    // are, with the windows over it: at launch, the sign-in window's first picture, whose shading
    // is built already. False, nothing drawn, where no loading screen was drawn.
    bool drawLastLoadingPicture();
    // While the frame observer is called on a loading screen's picture: nothing is to go over it.
    bool showsLoadingScreen() const { return showsLoadingScreen_; }

    // --- Screen shots ---
    // The name below the home folder, e.g. "/Desktop/Pellam Screen Shot"; its last component names the files.
    void setScreenSaveNameString(const std::string& name) { ScreenSaveNameString_ = name; }
    void setScreenSaveType(int32_t type) { ScreenShotFileType_ = type == 1 ? 1 : 0; }
    // Marks a screen shot for the end of the current frame.
    void setScreenShotPending() { screenShotPending_ = true; }
    // Reads the back buffer (call before the swap) and hands the picture to the writer thread for
    // the next free numbered file; false (and a beep) when no shot is taken.
    bool doScreenSaveFromOpenGL();
    // Where screen shots go; empty means the desktop folder (created when missing).
    void setScreenShotFolder(const std::string& folder) { screenShotFolder_ = folder; }
    const std::string& lastScreenShotPath() const { return lastScreenShotPath_; }
    // Played by takeNotices() for each file written since.
    void setScreenShotSound(std::function<void()> sound) { screenShotSound_ = std::move(sound); }
    // Returns once every screen shot handed over has been written or has failed.
    void flushScreenShots() { shotWriter_.flush(); }
    // The writer the shots queue on, for a test that holds it up.
    platform::WriterThread& screenShotWriter() { return shotWriter_; }

    // --- Notices ---
    // Once a frame: what the player must read (a texture or screen shot that failed), oldest
    // first; a shot that failed beeps and one written plays the shot sound.
    std::vector<std::string> takeNotices();
    // Called at the end of every frame, before the swap, with the finished picture in the back buffer.
    void setFrameObserver(std::function<void()> observer) { frameObserver_ = std::move(observer); }

    // --- Byte order, for the stored records ---
    static bool isIntelChip() { return platform::isIntelChip(); }
    static void swapShortHere(void* p) { platform::swapShortHere(p); }
    static void swapLongHere(void* p) { platform::swapLongHere(p); }
    static void swapDoubleHere(void* p) { platform::swapDoubleHere(p); }

protected:
    // The bar filled to `Fill` (0..1) beside `Percent`, the start-up picture at `PictureAlpha`.
    struct LoadingPicture {
        double Fill = 0;
        int Percent = 0;
        double PictureAlpha = 0;
        bool FirstLabel = false;  // the label's first frame, else its second
    };
    // Drawn as a loading screen: counted, nothing over it, shown at once.
    void drawLoadingScreen(const LoadingPicture& screen);
    void drawLoadingFrame(const LoadingPicture& screen);
    void drawLoadingContent(const LoadingPicture& screen);
    // Sets the viewport to the window's drawable size; answers it.
    void useWholeWindow(int& width, int& height);

    platform::UserDefaults& defaults_;
    std::unique_ptr<platform::GLWindow> window_;
    std::string creationError_;
    ControllerServices* controller_ = nullptr;
    SoundServices* theSounds_ = nullptr;
    bool hasFogCoord_ = false;
    FogCoordPointerFn fogCoordPointer_ = nullptr;

    std::array<float, 4> ScreenBounds_{};
    std::array<float, 2> MonitorResolution_{};
    int32_t finalSizeWidth_ = 0, finalSizeHeight_ = 0;
    WindowRect windowRect_{};
    int64_t VRAM_ = 0, TotalVRAMUsed_ = 0;
    int32_t BitDepth_ = 32;
    bool VRAMOkay_ = true;

    double EraseRed_ = 0.99, EraseGreen_ = 0.99, EraseBlue_ = 0.99;
    double SunUnitX_ = 0.7071, SunUnitY_ = 0.7071, SunUnitZ_ = 0.0;
    std::array<double, 3> PassSunUnit_{};
    double sunSpecFactor_ = 0.7071;
    std::array<double, 3> HorizonColor_{1, 1, 1};
    bool awoken_ = false;
    bool deferShow_ = false;
    bool showPending_ = false;  // a frame drawn and not yet swapped in

    int32_t IsInited_ = 0;
    int32_t MaxGLTextureSize_ = 0;
    int32_t GLError_ = 0;
    double TeleFactor_ = 1.25;
    int32_t SyncValue_ = 0;
    std::array<double, 10> CurrentMaterial_{};
    double DisplayVariable_ = 0;
    int32_t GameTime_ = 0;
    bool DrawSecondWindow_ = false;
    int32_t DoFeedback_ = 0;
    bool PlayOpening_ = true;
    bool HaveDoneOpeningSound_ = false;
    int32_t StartUpScreenTextureNumber_ = -1;

    // Textures.
    TextureMaps TheTextureMaps_{};
    int32_t CurrentBoundTextureNumber_ = -1;
    int32_t missingSlot_ = -1;
    // Samplers reading the nearest level, repeating and clamped to the edge, then those reading
    // level 0 alone, the same; made at the first use (Made -1: the GL has none). Bound is the one on
    // unit 0 now, 0 for none.
    struct Readings {
        int Made = 0;
        std::array<uint32_t, 4> Names{};
        uint32_t Bound = 0;
    } readings_;
    bool magnifiedSampler_ = true;
    // How a picture on g's points reaches the screen as GL holds its matrices, viewport and scissor
    // box now: none where GL does not read g's points plainly.
    struct PictureOnScreen {
        GLMatrix Mvp;
        std::array<double, 4> Viewport, Area;
        double Wide, High;
        std::array<ClipCorner, 3> corners(const ObjectPointsPolysVer2& g, const uint16_t* triangle) const;
        double windowArea(const std::array<ClipCorner, 3>& c) const;  // px, unbounded where one lies behind the eye
    };
    std::optional<PictureOnScreen> pictureOnScreen(const ObjectPointsPolysVer2& g, int32_t slot);
    std::vector<double> windowAreas_;  // magnifiedEach's, of the triangles after the first that fails
    void releaseSamplers();  // with the context current
    // The brightest channel of the colour GL modulates a texture by in its present state, 0..1.
    float brightestModulation() const;
    // The most each channel (red, green, blue) of that colour can be, before GL clamps it to 1, lit
    // by the sun GL holds; 2 where not known.
    std::array<float, 3> brightestLit() const;

    // Camera, frustum and fog.
    Eye MyEye_{};
    GLMatrix EyeTM_ = identityMatrix(), EyeRM_ = identityMatrix();
    QNion CameraPosition_, CameraPosition2_;
    double ViewFrustumLeft_ = -0.99, ViewFrustumRight_ = 0.99, ViewFrustumBottom_ = -0.7, ViewFrustumTop_ = 0.7,
           ViewFrustumNear_ = 0.8, ViewFrustumFar_ = 79200;
    std::array<float, 4> fogColor_{1, 1, 1, 1}, SaveFogColor_{1, 1, 1, 1};
    int32_t FogMode_ = 0, SaveFogMode_ = 0;
    float FogDensity_ = 0.00005f, SaveFogDensity_ = 0.00005f;
    double FogStart_ = 75000, FogEnd_ = 100000;
    int32_t NextTransparentCopyPoint_ = 0, NextTCPStart_ = 0;

    // Text.
    int32_t gTextTexture_ = -1;
    double TextFixerX_ = 1.0 / 1024, TextFixerY_ = 1.0 / 768;
    double TypeSize_ = 0.8, TypeLeading_ = 0.8 * 0.027, TypeDownAmount_ = 0.97 - 5 * 0.8 * 0.027;
    unsigned char (*MessageLines_)[256] = nullptr;
    FontInk fontInk_;  // where the font's characters hold ink, read once
    bool cutsTextToInk_ = true;
    // The font's ink where a line may be cut to it: under the blend that leaves a clear texel's
    // pixel as it was, with the shortcuts allowed; null otherwise.
    const std::array<GlyphInk, 128>* inkUnseenAround();

    // Loading screen.
    int32_t FeedbackCount_ = 0;
    int32_t LastFeedBackTime_ = -1;
    int32_t TipNumber_ = -1;
    int32_t TipCount_ = 0;
    int32_t loadingRedraws_ = 0;
    LoadingPicture lastLoading_;
    bool showsLoadingScreen_ = false;

    // Screen shots.
    std::string ScreenSaveNameString_ = "/Desktop/Screen Shot";
    int32_t ScreenShotFileType_ = 0;
    int32_t LastScreenShotTime_ = 0;
    bool screenShotPending_ = false;
    std::string screenShotFolder_;
    std::string lastScreenShotPath_;
    std::deque<std::string> shotsInFlight_;  // handed to the writer, oldest first, not yet settled
    uint64_t shotsSettled_ = 0;              // the writer's jobs settled when last asked
    std::function<void()> screenShotSound_;
    std::function<void()> frameObserver_;
    uint64_t shotsHeard_ = 0;  // written screen shots whose sound has played

    // To the log and, through takeNotices(), to the player.
    void notice(const std::string& text);
    // The steps of fmGetTextureFromDiskNSString (ZephGLViewTextures.cpp), in order. Those answering
    // an int32_t answer a TextureError on failure.
    void noteErrorsBeforeLoad(const std::string& name);
    int32_t shareLoadedTexture(const std::string& name, int32_t size);  // its slot counted once more, or -1
    int32_t readTexturePicture(const std::string& path, const std::string& name, const TextureFormat& format,
                               TexturePicture& picture);  // 0 when read
    int32_t readTextureImage(const std::string& path, platform::RGBAImage& image);  // 0 when read
    void maskTexture(const std::string& path, const std::string& name, const TextureFormat& format,
                     TexturePicture& picture);
    void fitTextureSize(TexturePicture& picture, int32_t size);
    int32_t freeTextureSlot(const std::string& name);
    int32_t storeTexture(int32_t slotNumber, const std::string& name, const TexturePicture& picture,
                         int originalWidth, const TextureFormat& format, bool special);  // the slot
    std::vector<std::string> notices_;
    platform::WriterThread shotWriter_;  // last: it finishes the shots before the rest goes
};

}  // namespace pellam::render
