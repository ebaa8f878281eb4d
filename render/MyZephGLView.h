#pragma once
// The view the game creates: ZephGLView with the game's frame. Sections, one source file each:
//   MyZephGLView.cpp       start-up tips
//   FrameDraw.cpp          the frame: world, objects, cockpit, identification squares, text, overlay
//   ObjectDraw.cpp         one object from its vertex arrays; pass state and the material cache
//   ObjectCover.cpp        objects outside the view or behind the cockpit's cover; the cover itself
//   TriangleCuts.cpp       triangles left out before they are sent
//   HeldBatches.cpp        runs of one look held back and drawn together
//   BatchFilter.cpp        how a run is filled: mip level, level 0 alone, flat shading
//   TransparentDraw.cpp    the transparent queue of a pass, and smoke quads
//   QueueLevelZero.cpp     the cockpit's queued runs read at level 0 where magnified
//   CloudsInOpenCells.cpp  the sprite clouds' rectangles round the cells the cover leaves open
//   EyeWindow.cpp          the window, viewport and texture alpha that sprite drawers ask of the view
//   SecondWindow.cpp       the second, smaller window with its own camera
//   KeptScene.cpp          the picture a resting game keeps and shows again
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "render/CockpitHidden.h"
#include "render/DeckBands.h"
#include "render/Facing.h"
#include "render/FrameServices.h"
#include "render/ObjectDrawing.h"
#include "render/OpenBounds.h"
#include "render/TransparentQueue.h"
#include "render/ZephGLView.h"
#include "world/draw/DomeShortcuts.h"
#include "world/draw/ScreenCover.h"

namespace pellam {
class RIDUdidav;
class TexturedSkyDome;
class FirstCloud;
namespace worlddraw {
class TerrainDrawer;
class WidenedView;
struct Eye;
}
}  // namespace pellam

namespace pellam::render {

class MyZephGLView : public ZephGLView, public ObjectDrawingView {
public:
    explicit MyZephGLView(platform::UserDefaults& defaults);
    ~MyZephGLView() override;

    static constexpr int kTipCount = 12;
    static constexpr int32_t kTipTicks = 600;   // each tip stays 10 s
    static constexpr int32_t kFirstTipCall = 75;  // no tip before this feedback call
    // The lines of tip n (0..11); empty outside.
    static std::vector<std::string_view> tipLines(int n);

    // The current tip at across 0.22, from down 0.61, 0.031 a line, size 1.2, white.
    void drawStartUpTip() override;

    // ---- The frame.
    // One frame. The game passes a rect whose origin x is 1; any other origin is a window-system
    // refresh, ignored once a frame with a model array has been drawn.
    void drawRect(const NSRect& rect);
    // The 3-D content of the frame from `list`: sky, terrain, objects, transparent polygons, clouds,
    // smoke, identification squares, the cockpit, and the second window.
    void drawModelList(ModelArray* list, int32_t gameTime);
    // The main pass drawn from `camera`, with the cockpit of `insideItem` (-1: none), into the back
    // buffer and left there: never shown, kept or observed as a frame. The next frame clears it.
    // The software rasteriser builds the shading of each drawing state the first time a draw meets
    // it, so a frame drawn unseen builds ahead what a later one would stall for. Without `world`,
    // the sky, ground and decks are left out: the objects alone, at a fraction of the cost. Inside
    // a cloud, as in flight, the grey fog hides the sky and the ground, and shades the objects.
    void drawUnseen(const QNion& camera, long insideItem, bool world, bool insideCloud);
    long unseenDraws() const { return unseenDraws_; }
    long objectsDrawn() const { return objectsDrawn_; }  // by the passes so far, each time drawn
    // Starts a frame's object records afresh; drawRect does it itself, a view drawn by its owner
    // (the mission builder) before each drawModelList.
    void newFrameRecords();
    void fitFrameRecords(const ModelArray& list);  // room for a record of each of its rows
    void setModelArray(ModelArray* models) { ModelArray_ = models; }
    ModelArray* getModelArray() const { return ModelArray_; }
    void setFrameServices(FrameServices* services) { services_ = services; }
    // Model index of the object whose cockpit the camera is in; -1 (also for anything that is not
    // an object of the array from index 2) when outside.
    void setCameraInsideItem(long item);
    void setCameraInsideItem2(long item);
    long getCameraInsideItem() const { return CameraInsideItem_; }
    long getCameraInsideItem2() const { return CameraInsideItem2_; }
    // The aircraft (model index 2..9) the second window shows; other values are ignored.
    void setSecondAircraftCamera(long item);
    long getSecondAircraftCamera() const { return SecondAircraftCamera_; }
    // A view made for a window layout (the mission builder): keeps its owner's frustum, draws the
    // cockpit object in the main pass, no squares, no second window.
    void setAwoken(bool awoken) { awoken_ = awoken; }
    // Whether the cockpit's opaque cover is marked before the world (on: the same picture, cheaper).
    void setMarksOpaqueCover(bool on) { marksOpaqueCover_ = on; }
    // Whether the world is drawn only outside the cells that cover hides (on: the same picture, cheaper).
    void setScissorsWorld(bool on) { scissorsWorld_ = on; }
    // The cockpit's opaque cover drawn in colour before the world, not marked and drawn again.
    void setCoverFirst(bool on) { coverFirst_ = on; }
    // Unless exact, the cockpit, the objects and the transparent passes drawn through a widened view
    // (on: the GL clips far fewer triangles at the window's edges).
    void setWidensView(bool on) { widensView_ = on; }
    // The ground's drawer, whose switches the picture tests turn.
    worlddraw::TerrainDrawer& terrainDrawer() { return *terrainDrawer_; }
    // Every pixel by the plain rules, without the shortcuts that may change a pixel a little (the
    // reference the picture tests compare with), or with them (the default).
    void setExactDrawing(bool on) { exactDrawing_ = on; }
    bool exactDrawing() const override { return exactDrawing_; }
    // Batches of one colour at every vertex filled flat (on: the same picture, fewer inputs to interpolate).
    void setFlatShading(bool on) { flatShading_ = on; }
    // Objects' triangles, and aircraft whole, that lie in cells the cockpit's cover hides are not
    // sent (on: the same picture, fewer triangles).
    void setCullsHidden(bool on) { cullsHidden_ = on; }
    // What that has left out so far: triangles one by one, and aircraft whole.
    long trianglesHidden() const { return trianglesHidden_; }
    long objectsHidden() const { return objectsHidden_; }
    // Aircraft left out whole as lying outside the view, so far.
    long objectsOutside() const { return objectsOutside_; }
    // Triangles left out so far as making no fragment: too small, aside, or all nearer than the near plane.
    long trianglesUnseen() const { return trianglesUnseen_; }
    // The cockpit's other pictures read by the one mip level nearest each pixel's scale, not a blend
    // of two (on: a colour moves by a few levels at most, for less work a pixel).
    void setNearestLevelInCockpit(bool on) { nearestLevelInCockpit_ = on; }
    // A cockpit batch some of whose triangles read its picture's level 0 magnified drawn in two,
    // those through the level-0 sampler (on: the same pixels, for less work where they are large);
    // how many batches so far.
    void setSplitsBatches(bool on) { splitsBatches_ = on; }
    long batchesSplit() const { return batchesSplit_; }
    // The cockpit's transparent runs read level 0 alone where no pixel shrinks their picture (on:
    // the same pixels, without a level of detail worked out for each); how many runs so far.
    void setQueueLevelZero(bool on) { queueLevelZero_ = on; }
    long queueRunsAtLevelZero() const { return queueRunsAtLevelZero_; }
    // The sprite clouds drawn only within the cells the cover leaves open in front of them (on: the
    // same pixels, without shading the fragments the cover's depths would throw away).
    void setCloudsInOpenCells(bool on) { cloudsInOpenCells_ = on; }
    // The aircraft's held batches gathered by look past batches whose pixels they share, where only
    // the depth test decides what shows there (on: the same picture but where two lie at one depth,
    // for far fewer changes of the rasteriser's state).
    void setGathersHeld(bool on) { gathersHeld_ = on; }
    // Held batches drawn in another texture, sampler or switch than the one before, so far.
    long heldStateChanges() const { return heldStateChanges_; }
    // The cockpit's triangles that its own fixed, opaque, nearer parts hide from where the eye sits
    // left out, found once for an eye place off the frame thread and kept (on: the same picture,
    // fewer triangles); the triangles left out so far, and the places taken up so far. A frame
    // takes up what has landed since the last; waitForCockpitSearches returns once nothing is
    // being worked out (for tests and benchmarks, which wait for an event, not a time).
    void setHidesCockpitTriangles(bool on) { hidesCockpitTriangles_ = on; }
    long cockpitTrianglesHidden() const { return cockpitTrianglesHidden_; }
    long cockpitPlacesBuilt() const { return cockpitHidden_.built(); }
    void waitForCockpitSearches() { cockpitHidden_.waitForSearches(); }
    // Aircraft wholly outside the view or behind the cockpit's cover not sent at all (on: the same
    // picture, no triangles for the GL to clip away).
    void setCullsOutside(bool on) { cullsOutside_ = on; }
    // Runs of polygons in one state sent as one list of triangles, not polygon by polygon (on: the
    // same picture, far fewer draw calls).
    void setBatchesRuns(bool on) { batchesRuns_ = on; }
    // Objects' triangles facing away or too small or far aside to light a pixel centre not sent
    // (on: the same picture, fewer triangles for the rasteriser to set up).
    void setCutsUnseenTriangles(bool on) { cutsUnseenTriangles_ = on; }
    // The alpha test and blending left off for polygons whose alpha is surely one, which they
    // could not change (on: the same picture, the depth tested before shading).
    void setDropsSureTests(bool on) { dropsSureTests_ = on; }
    // The fog left off for the cockpit and the sprite clouds where it is too faint to move a colour
    // (on: the same picture, no fog worked out at each pixel).
    void setLeavesFaintFogOff(bool on) { leavesFaintFogOff_ = on; }
    // The transparent queue's polygons taken next in one state sent in one call, not one call a
    // polygon (on: the same picture, the GL fills them in the same order).
    void setJoinsQueueRuns(bool on) { joinsQueueRuns_ = on; }
    // The sky dome's shortcuts, which the comparisons turn.
    worlddraw::DomeShortcuts& domeShortcuts() { return domeShortcuts_; }
    int32_t getFrameRate() const { return gFrameRate_; }
    // The OpenGL error the last frame left (debug builds; 0 otherwise).
    int32_t getFrameGLError() const { return frameGLError_; }
    bool getHasGotStuff() const { return hasGotStuff_; }
    // The second window, once it has been drawn; null before.
    platform::GLWindow* getSecondWindow() { return secondWindow_.get(); }
    // Called before the second window's picture is shown, with its context current.
    void setSecondFrameObserver(std::function<void()> observer) { secondFrameObserver_ = std::move(observer); }

    // The main view's near plane for the world: its distance ahead of the eye and its half width
    // and height (ft). Everything nearer is cut away, the ground too.
    struct NearPlane {
        double distance = 0, halfWidth = 0, halfHeight = 0;
        std::array<double, 3> asArray() const { return {distance, halfWidth, halfHeight}; }  // as the game asks
    };
    NearPlane worldNearPlane() const;
    // The main view's near plane no farther than `ft` ahead, its rectangle scaled in with it so
    // the field of view is kept: a cockpit eye low over the ground and looking down would have
    // the ground cut away by it. 0 (or beyond the plane's own distance) leaves it where it is.
    void setWorldNearLimit(double ft) { worldNearLimit_ = ft; }
    // The same for the second window's pass.
    NearPlane secondNearPlane() const;
    void setSecondNearLimit(double ft) { secondNearLimit_ = ft; }

    // ---- The kept picture of a resting game.
    // While kept, the 3-D content of a frame is drawn once and copied aside; the frames after show
    // the copy under the message lines, the overlay and the windows, until the cameras, the game
    // time, the sun, the cockpit items, the second window or the window size change, or
    // sceneChanged() says something else did. A paused game then costs the copy, not the scene.
    void setKeepScene(bool keep);
    void sceneChanged() { keptValid_ = false; }
    long getSceneDraws() const { return sceneDraws_; }  // 3-D contents drawn so far
    // A kept frame that would show what the window already shows (the same 3-D picture, message
    // lines and flat print) is neither drawn nor swapped: the window keeps its picture and the
    // frame costs nothing. An input or window event calls showNextFrame(), so the next frame is
    // shown whatever it holds (an uncovered window is painted again).
    void showNextFrame() { shownValid_ = false; }
    long getFramesRested() const { return framesRested_; }  // frames left unshown so far

    // ---- Passes and objects.
    // Resets the GL state and caches for a pass of objects; empties the transparent queue.
    void glPrepareForModelDrawing();
    void specSetToOff();
    // Draws and empties the pass's transparent queue, farthest first.
    void glNewDrawTransparentItems();
    int32_t getTransparencyCount() const { return Transparent_.count(); }
    // Polygons dropped this frame because the queue was full.
    int32_t getDroppedTransparentCount() const { return droppedTransparent_; }

    // ObjectDrawingView.
    void setupDrawingMatrixForModel(const double* matrix) override;
    void glMakeFacingSquare(const double* centre, XYZInput* four) const override {
        ZephGLView::glMakeFacingSquare(centre, four);
    }
    void glMakeFacingSquareHeadingOnly(const double* centre, XYZInput* four) const override {
        ZephGLView::glMakeFacingSquareHeadingOnly(centre, four);
    }
    void glSetCurrentTexture(int32_t slot, int32_t flag) override { ZephGLView::glSetCurrentTexture(slot, flag); }
    const double* eyePosition() const override { return getMyEye().data(); }
    bool eyeWindow(EyeWindow& window) const override;                                                 // EyeWindow.cpp
    bool textureAlpha(int32_t slot, std::vector<uint8_t>& alpha, int& width, int& height) override;  // EyeWindow.cpp
    uint64_t texturePicture(int32_t slot) const override;                                              // EyeWindow.cpp
    // Whether GL's fog, as set now, moves no colour channel of a fragment `reach` ft from the eye
    // or nearer by more than half a level of 255 (ObjectDraw.cpp).
    bool fogFaintWithin(double reach) const override;
    bool drawsSmokeAt(double height) const override;  // DeckBandsDraw.cpp
    int transparentRoom() const override { return TransparentQueue::kCapacity - Transparent_.count(); }
    void glDrawTransparentTexture(const OnePolygon* poly, const XYZInput* points, const PointUV* uvs,
                                  const MaterialLightData* light) override;
    void glNewDrawOneObject(OneCompleteObjectVer2* object) override;
    const double* getEyeTM() const override { return ZephGLView::getEyeTM(); }
    const double* getEyeRM() const override { return ZephGLView::getEyeRM(); }

    // ---- Identification squares.
    // A square for each aircraft (model 2..9) of the pass, by the controller's rules.
    void doIDSquares();
    // One square outline over the eye-space point (x right, y up, z ahead, ft) in the team's colour.
    void DrawIDSquare(const double* point, long team, bool closeInID, bool normalID);

private:
    // The cached GL state of a pass of objects: what was last switched on or off.
    struct Noted {
        bool Fog = true, Cull = true, Texture = true, Lighting = true, AlphaTest = true, Blend = true;
    };
    struct PassSetup {
        const QNion* Camera;
        long InsideItem;
        double Near;        // ft, the main frustum's near distance
        bool SecondWindow;  // skip the ground clutter, take the frame's records
        double Pulled = 1;  // the near rectangle's share of its distance and size, nearer the eye
    };
    using SceneKey = std::array<double, 28>;
    SceneKey sceneKey();
    bool keptSceneCurrent();  // the kept picture shows this frame's scene
    bool showKeptScene();     // answers false when the scene must be drawn
    uint64_t framePrint(FrameServices& services);
    void keepScene();
    void drawPass(ModelArray& list, const PassSetup& pass);
    // The steps of drawPass, in order, and the rules it settles once for them.
    struct PassRules {
        bool Marked = false;  // the cockpit's opaque parts are laid down as a cover before the world
        bool Sliced = false;  // the cover and the cockpit keep the nearest slice of the depth range
        bool Widens = false;  // the cover, the objects and the cockpit are drawn through a widened view
    };
    double viewAspect() const;  // width over height of the window
    void setMainFrustum(const PassSetup& pass);
    PassSetup mainPass();    // the main view's camera, cockpit and near plane
    PassSetup secondPass();  // the second window's
    // The share of a near plane `own` ft ahead that brings it to `limit` (0: its own).
    static double nearShare(double limit, double own);
    void setCockpitFrustum();
    PassRules passRules(const PassSetup& pass) const;
    // Clears the cover and, where the rules mark it, lays it; whether it was drawn in colour already.
    bool layCockpitCover(ModelArray& list, const PassSetup& pass, const PassRules& rules);
    void drawWorldBehindCover(ModelArray& list, const PassRules& rules);
    // The list's objects, then what they held back or queued, the clouds and the smoke.
    void drawPassObjects(ModelArray& list, const PassSetup& pass, const PassRules& rules);
    void drawListedObject(ModelArray& list, long i, const PassSetup& pass, bool collectClouds);
    // Every object's smoke quads, in the state they are drawn in (render/TransparentDraw.cpp).
    void drawSmokePass(ModelArray& list);
    // After the opaque objects: the cloud decks, each after what lies beyond it (the queue, the
    // sprite clouds and the smoke of its band) and before what lies on the eye's side of it
    // (render/DeckBandsDraw.cpp). `wide` is the objects' widened view, set aside for the decks,
    // which keep the depth test over depthsBox_.
    void drawAboutTheDecks(ModelArray& list, worlddraw::WidenedView& wide, bool widens);
    void drawTransparentBand(ModelArray& list);  // the queue, clouds and smoke of band_
    void drawDecksOfRank(int rank);
    void drawPassOverlays(const QNion* camera);  // identification squares and the controller's grey overlay
    void drawCockpit(ModelArray& list, const PassSetup& pass, const PassRules& rules, bool coverDrawn);
    // The sky and the ground, each a step of drawWorld, in order, and the decks' plan (render/FrameDraw.cpp).
    struct WorldPass;
    void drawWorld(ModelArray& list);
    void setWorldFog(WorldPass& w);  // the sun placed, the sky's colours, the fog's colour and reach
    void drawTerrain(const WorldPass& w);
    void drawSkyBehindGround(const WorldPass& w);
    void findSkyRectangles(double lowest);
    void planDecks(const WorldPass& w);
    void setCloudFog();  // the grey fog inside a cloud deck
    // Finds the sky's and the decks' rectangles for the cover just marked; false when the world
    // is drawn whole.
    bool findOpenRectangles();
    // Finds queueRects_ for the transparent queue as it stands; null when the cover hides nothing
    // beyond its nearest polygon.
    const OpenRectangles* findQueueRectangles();
    // Finds cloudRects_ for the sprite clouds collected this pass, seen from `eye` under the loaded
    // modelview; null when they are drawn whole (render/CloudsInOpenCells.cpp).
    const OpenRectangles* findCloudRectangles(const worlddraw::Eye& eye);
    // Finds `rects` round the cells the cover leaves open beyond `nearest` ft ahead of the eye, cut
    // into at most `most` where each saves `leastCells`; null when they leave nothing out.
    const OpenRectangles* findOpenBeyond(OpenRectangles& rects, double nearest, int most, long leastCells);
    // `rects`, or null when they leave nothing out.
    static const OpenRectangles* scissorFor(const OpenRectangles& rects);
    // Calls `draw` once under each of `rects` (the scissor test on, and off after), or once as it
    // is when `rects` is null.
    void underOpenRectangles(const OpenRectangles* rects, const std::function<void()>& draw);
    void drawClouds();
    void placeCamera(const QNion* camera);
    void drawSecondWindow(ModelArray& list);
    bool makeSecondWindow(int width, int height);
    void closeSecondWindow();
    void dropSecondWindow();
    // This frame's drawable record of object i: asked once a frame, copied for the second window.
    OneCompleteObjectVer2* recordFor(ModelArray& list, long i, bool secondWindow);
    void computeFinalMatrix(const std::array<double, 16>& objectMatrix);
    // The steps of glNewDrawOneObject, in order (render/ObjectDraw.cpp), and what they share.
    struct ObjectRun;
    bool objectInReach(ObjectRun& r);  // false, with no identification square, when hidden or too far
    void loadObjectModelview(ObjectRun& r);
    void drawAsDot();
    bool chooseLevelOfDetail(ObjectRun& r);  // the animation frame and its polygons; false when none
    void setUpObjectState(ObjectRun& r);     // switches, held batches that cannot wait, vertex arrays
    void setUpBatching(ObjectRun& r);
    void drawPolygons(ObjectRun& r);
    void switchPart(ObjectRun& r, int part);  // a moving part's pose, 1-based
    void endMarkerHints(ObjectRun& r, const OnePolygonVer2& marker);
    void drawDepthPolygon(ObjectRun& r, const OnePolygonVer2& p);  // the cover's depths alone
    void drawOpaquePolygon(ObjectRun& r, const OnePolygonVer2& p);
    void endBatch(ObjectRun& r);
    void finishObject(const ObjectRun& r);
    // The eye, viewport and cover noted for appendTriangles to leave out what makes no pixel
    // (render/TriangleCuts.cpp).
    void noteEyeForCuts(const ObjectRun& r);
    // Batches held back to be drawn with an earlier one of their look (render/HeldBatches.cpp).
    bool mayPassHeld(const ObjectRun& r) const;
    void notePlainStart(ObjectRun& r);
    bool movableBatch(const OnePolygonVer2& p, const ObjectRun& r) const;
    void notePlainMaterial(const OnePolygonVer2& p, const ObjectRun& r);
    bool passesMeeting(const OnePolygonVer2& p, const ObjectRun& r) const;
    void holdBatch(const OnePolygonVer2& p, const ObjectRun& r);
    // The GL state an opaque polygon is drawn in. `alphaTested`, `blended`: the object's polygons
    // are drawn with the alpha test and blending on, which the polygon may leave off where they
    // cannot change a pixel.
    void setPolygonState(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g, const MaterialLightData* materials,
                         bool alphaTested, bool blended);
    void drawPoints(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g);
    void setUntexturedLit(const MaterialLightData& m, const OnePolygonVer2& p);
    // The texture slot of a polygon's picture and the index of its material, bounded as the
    // records' numbers may not be.
    static int32_t pictureSlot(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) {
        return g.MapListOffset[std::clamp<int>(p.MapNumber, 0, kMaxMapEntries - 1)];
    }
    static int materialIndex(const OnePolygonVer2& p) { return std::clamp<int>(p.MaterialLightDataOffset, 0, kMaxMaterials - 1); }
    // Whether polygon b is drawn in the state setPolygonState left for a.
    static bool sameLook(const OnePolygonVer2& a, const OnePolygonVer2& b, const ObjectPointsPolysVer2& g);
    // Whether the polygon's primitive is made of triangles (it may join a batch).
    static bool batchable(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g);
    // Appends the polygon's triangles to the batch, leaving out those GL would cull as facing away
    // when the eye is known in the part's frame (noteEyeInPart).
    void appendTriangles(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g);
    // Looks up (or works out) which of the cockpit's triangles its own parts hide from the eye
    // noted in the object's frame, for appendTriangles to leave out.
    void lookUpCockpitHidden(const OneCompleteObjectVer2& object, const ObjectPointsPolysVer2& g,
                             const OnePolygonVer2* polygons, const MaterialLightData* materials, int stride);
    // Whether every pixel the polygon draws has an alpha of one, whatever was drawn before it.
    bool alwaysOpaque(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g, const MaterialLightData* materials) const;
    // The eye in the frame of the object or part that FinalMatrix_ poses, and which way that pose
    // turns a winding; `stride` the bytes of a point.
    void noteEyeInPart(int stride);
    // Where a part's point positions lie: `Stride` bytes apart from `Positions`, the first one's.
    struct PartPoints {
        const unsigned char* Positions;
        size_t Stride;
        const float* at(uint16_t i) const { return reinterpret_cast<const float*>(Positions + i * Stride); }
    };
    // Window bounds (pixels, x0 y0 x1 y1) that hold every pixel centre a triangle or batch may light.
    struct ScreenBox {
        double X0, Y0, X1, Y1;
        void widen(const ScreenBox& b) {
            X0 = std::min(X0, b.X0), Y0 = std::min(Y0, b.Y0), X1 = std::max(X1, b.X1), Y1 = std::max(Y1, b.Y1);
        }
        bool meets(const ScreenBox& b) const { return !(X1 < b.X0 || b.X1 < X0 || Y1 < b.Y0 || b.Y1 < Y0); }
    };
    static constexpr ScreenBox kWholeScreen{-1e300, -1e300, 1e300, 1e300}, kNoScreen{1e300, 1e300, -1e300, -1e300};
    using Pair = render::Pair;
    // A corner's window position (pixels) under partEye_.Clip.
    struct Projected {
        Pair Window;  // x, y
        bool Ahead;  // in front of the eye (w above 1e-3): else Window is not set
    };
    // The corners of one polygon's triangles last projected, by point number modulo kSize.
    struct RecentCorners {
        static constexpr int kSize = 8;
        std::array<int32_t, kSize> Point{-1, -1, -1, -1, -1, -1, -1, -1};
        std::array<Projected, kSize> Corner;  // set where Point names one
    };
    const Projected& projected(const PartPoints& points, uint16_t i, RecentCorners& recent) const;
    // The window position (pixels) of the point at `p` (x, y, z in the part's frame) under
    // partEye_.Clip, into `window`; false, and `window` left, where it lies not ahead of the eye
    // (w not above 1e-3).
    [[gnu::always_inline]] bool windowOf(const float* p, Pair& window) const {
        const std::array<double, 16>& m = partEye_.Clip;
        const double w = m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15];
        if (!(w > 1e-3)) return false;
        // x and y together, in the order of a row's sum; (ndc + 1) * 0.5 * width to the last bit,
        // as halving is exact either side of the product.
        const auto column = [&m](int c) { return Pair{m[4 * c], m[4 * c + 1]}; };
        const Pair ndc =
            (column(0) * double(p[0]) + column(1) * double(p[1]) + column(2) * double(p[2]) + column(3)) / w;
        window = partEye_.Origin + (ndc + 1) * partEye_.Half;
        return true;
    }
    // Whether GL would make no fragment of the triangle: the bounds on the screen of what its near
    // and far planes leave of it hold no pixel centre or lie outside the viewport, or nothing is
    // left. Where it answers false, `box` receives the bounds of the pixel centres it may light.
    bool coversNoPixel(const ObjectPointsPolysVer2& g, const PartPoints& points, uint16_t a, uint16_t b, uint16_t c,
                       ScreenBox& box, RecentCorners& recent);
    // What GL keeps of a triangle reaching behind the eye, cut to its near and far planes: nothing,
    // a part whose window positions widen lo and hi (x, y pixels), or a part too near the eye's
    // plane, or too thin, to bound.
    enum class Kept { Nothing, Bounded, Unbounded };
    Kept keptBounds(const ObjectPointsPolysVer2& g, uint16_t a, uint16_t b, uint16_t c, double* lo, double* hi) const;
    void drawBatch();  // the batch's triangles, in the state GL holds; empties it
    // Before a batch's draw, in its state: the cockpit's picture read by its nearest mip level,
    // unless drawing exactly, or level 0 alone where no pixel of its `triangles` (three of g's point
    // numbers each) shrinks it; any other by the texture's own filters. Where some of the triangles are proved to read below level 0 and the rest not, and
    // those cover enough of the screen to pay for a second draw, the batch is planned as two, only
    // where the depth test alone decides between them: drawTriangles must draw it.
    void chooseBatchFilter(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g, std::span<const uint16_t> triangles);
    bool depthAloneDecides() const;
    // The batch chooseBatchFilter planned: in one draw, or split, the triangles proved magnified
    // through the level-0 sampler and the rest through the batch's own, each set in its order.
    void drawTriangles(std::span<const uint16_t> triangles);
    void setFlat(bool on);  // GL's shade model, switched only when it changes
    // What of GL's state, as the drawer notes it, makes the rasteriser's fragment state.
    struct FragmentState {
        int32_t Texture;
        uint32_t Sampler;
        bool Texturing, Fog, AlphaTest, Blend;
        bool operator==(const FragmentState&) const = default;
    };
    FragmentState fragmentState() const;
    // The shade model for a batch that may be filled flat (`flat`, else smooth), within `box`,
    // whose state setting found GL's fragment state `before`.
    void shadeFor(bool flat, const ScreenBox& box, const FragmentState& before);
    // Draws the held batches and puts back the material the plain order leaves; `inObject`: an
    // object is being drawn, whose points and pose GL gets back after.
    void drawHeld(bool inObject);
    struct HeldBatch;
    static void undoMarkDepth(const OnePolygonVer2& p);  // a mark's raised, unwritten depth
    // A mark drawn in colour (render/MarkDepths.cpp): its points kept, in the pose and arrays they
    // were drawn from, for its depths to be laid after the objects.
    struct ArraysAt;
    void keepMarkDepth(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g, const MaterialLightData* materials,
                       const GLMatrix& matrix, const ArraysAt& arrays, uint32_t mode, std::span<const uint16_t> points);
    void layMarkDepths();
    // Whether polygon p of g, in `materials`, is drawn in the state held batch b is.
    static bool heldAlike(const HeldBatch& b, const OnePolygonVer2& p, const ObjectPointsPolysVer2& g,
                          const MaterialLightData* materials);
    static bool sameMaterial(const MaterialLightData& a, const MaterialLightData& b);
    // Whether two material tables hold the same values where setPolygonState reads them.
    static bool sameMaterials(const MaterialLightData* a, const MaterialLightData* b);
    // Marks the pixels that the object (the cockpit, drawn last) will cover with an opaque colour,
    // so that the world behind it fails the depth test instead of being shaded and painted over:
    // at the nearest depth, or (`ownDepths`) at the polygons' own depths in the depth range set.
    // Needs the projection and camera the object will be drawn with.
    void markOpaqueCover(OneCompleteObjectVer2* object, bool ownDepths);
    // The same cover drawn in colour at its own depths in the depth range and projection set, fog
    // off: the object's drawing after, with `skipCover_`, draws the rest of it.
    void drawOpaqueCover(OneCompleteObjectVer2* object);
    // Whether the sphere of radius `r` ft about the object's origin, posed by FinalMatrix_, lies
    // wholly outside the frustum last set; never when `r` is 0.
    bool outsideView(double r) const;
    // The radius (ft) of a sphere about the object's origin that holds all `polygons` of `g` draw;
    // 0 when its extents do not say.
    static double reachOf(const OneCompleteObjectVer2& object, const ObjectPointsPolysVer2& g,
                          const OnePolygonVer2* polygons);
    // Whether the sphere of `radius` ft about the object's origin, posed by FinalMatrix_, lies in
    // front of the eye and on the screen wholly in cells the cover hides.
    bool sphereHidden(double radius) const;
    ScreenBox dotBox(double size) const;  // where a dot `size` px across at the object's origin may light pixels
    // The window position (pixels) of the eye-space point (x, y, z) under projection `p` and
    // `viewport`, into `at`; false, and `at` left, where it lies not ahead of the eye (w not above 1e-3).
    [[gnu::always_inline]] static bool windowAt(const std::array<double, 16>& p, const std::array<int, 4>& viewport,
                                                double x, double y, double z, double (&at)[2]) {
        const double w = p[3] * x + p[7] * y + p[11] * z + p[15];
        if (!(w > 1e-3)) return false;
        for (int k = 0; k < 2; ++k) {
            const double ndc = (p[k] * x + p[4 + k] * y + p[8 + k] * z + p[12 + k]) / w;
            at[k] = viewport[k] + (ndc + 1) * 0.5 * viewport[2 + k];
        }
        return true;
    }
    // Whether nothing the window box may light can pass the depth test: it lies in cells the
    // cover hides, and the pass draws beyond the cover's depths.
    bool hiddenByCover(const ScreenBox& box) const;
    // Whether GL draws a fragment only where it lies nearer than (or as near as) the depth held.
    static bool depthTestedNearer();
    // Whether two of the materials, or one and the diffuse colour GL holds, share a colour with
    // different alphas: then which was sent last decides a lit polygon's alpha.
    bool alphaFollowsOrder(const MaterialLightData* materials) const;
    // Whether the triangle, raised by the marks' polygon offset, still lies beyond the cover's depths.
    bool offsetStaysBehind(const ObjectPointsPolysVer2& g, uint16_t a, uint16_t b, uint16_t c) const;
    bool coversOpaquely(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g, bool litAlphaSure) const;
    // The alpha every pixel of the opaque polygon is sure to have, drawn with the GL state set for it.
    float surestAlpha(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) const;
    // The transparent queue's steps, in glNewDrawTransparentItems' order (render/TransparentDraw.cpp).
    struct QueueDrawing {
        std::array<float, 4> Ambient{1.1f, 1.0f, 1.0f, 0.5f}, Diffuse{1.1f, 1.0f, 1.0f, 0.5f};  // as last sent
        const GLT2FN3FV3FFormat* LastPoints = nullptr;  // the arrays GL holds
        bool DepthTested = false;  // what lies behind nearer parts fails the depth test
        size_t Taken = 0;          // entries of transparentOrder_ taken
    };
    struct QueuedLook {
        std::array<float, 4> UnlitColour{-1, -1, -1, -1};  // the colour an unlit polygon is drawn in
    };
    void startTransparentPass();
    int takeFarthest(QueueDrawing& q) const;  // the next entry, farthest first; -1 at the end
    QueuedLook setQueuedState(const TransparentPolyVer2& e, QueueDrawing& q);
    int gatherQueuedRun(const TransparentPolyVer2& e, QueueDrawing& q);
    void drawQueuedRun(const TransparentPolyVer2& e, const QueuedLook& look, const QueueDrawing& q);
    void sendColourArray(const std::array<float, 4>& colour, const std::vector<uint16_t>& drawn);
    // Binds the level-0 sampler for the run in transparentRun_ where that reads as the picture's own
    // filter would (render/QueueLevelZero.cpp); whether it did.
    bool readQueueLevelZero(const TransparentPolyVer2& e);
    void queueTransparent(const OneCompleteObjectVer2& o, const OnePolygonVer2& p, const ObjectPointsPolysVer2& g,
                          const MaterialLightData* materials);
    void setFog(bool on);
    void setAlphaTest(bool on);
    void setBlend(bool on);
    void setCull(bool on);
    void setTexturing(bool on);
    void setLighting(bool on);
    void setShininess(float shininess);
    void setSpecular(float r, float g, float b);

    bool tipStarted_ = false;  // the first tip is drawn at once, whatever the clock says

    ModelArray* ModelArray_ = nullptr;  // not owned
    FrameServices* services_ = nullptr;  // not owned
    NoFrameServices noServices_;
    long CameraInsideItem_ = -1, CameraInsideItem2_ = -1, SecondAircraftCamera_ = 2;
    int32_t gFrameRate_ = 0, gLastFrameRate_ = 0;
    bool hasGotStuff_ = false;
    int32_t frameGLError_ = 0;
    bool loggedGLError_ = false;
    bool insideCloud_ = false;                 // this frame: grey fog, no sky or ground
    long unseenDraws_ = 0;
    bool drawingUnseen_ = false;  // within drawUnseen: the clouds drawn both fogged and not
    long objectsDrawn_ = 0;
    bool worldLeftOut_ = false;                // this unseen pass: objects only
    std::array<float, 3> skyLight_{1, 1, 1};   // daylight on the clouds this frame

    Noted noted_;
    // glNewDrawOneObject leaves out an object wholly outside the view: set for the aircraft,
    // whose extents bound all they draw.
    bool cullOutside_ = false;
    bool coverOnly_ = false;  // glNewDrawOneObject marks the opaque cover's depth, nothing else
    bool coverColour_ = false;  // ... and draws it in colour
    bool skipCover_ = false;    // glNewDrawOneObject leaves out the cover drawn in colour before
    bool drawingCockpit_ = false;  // the cockpit's own drawing after the world
    bool coverFirst_ = true;    // the cockpit's cover drawn in colour before the world where that is the same
    bool widensView_ = true;    // objects drawn through a widened view unless exact
    bool depthAlways_ = false;  // a polygon drawn (or queued) to pass the depth test always since the cover
    // Window depth below which every depth the cover laid lies, while the pass draws objects at
    // depths beyond it (the world's slice of the range); 0 otherwise.
    double coverBelow_ = 0;
    double worldNearLimit_ = 0;   // ft; 0 none
    double secondNearLimit_ = 0;  // ft; 0 none
    bool cullsHidden_ = true;
    long trianglesHidden_ = 0, objectsHidden_ = 0, objectsOutside_ = 0, trianglesUnseen_ = 0;
    worlddraw::ScreenCover cover_;  // the screen the cover marked this pass hides (empty: none)
    // Where the cover leaves the view open this pass, cut as pays for the sky and for the decks,
    // and whether passes behind it keep to that; where it leaves open what lies beyond the nearest
    // of the transparent queue's parts, and beyond the nearest sprite cloud.
    OpenRectangles skyRects_, deckRects_, queueRects_, cloudRects_;
    std::vector<int8_t> belowDome_;  // scratch: per corner of the cells, below the dome's lowest ring (-1: not yet asked)
    bool behindCover_ = false;
    const OpenRectangles* queueScissor_ = nullptr;  // the transparent queue is drawn under these (null: as it is)
    bool cockpitQueue_ = false;    // the queue drawn is the cockpit's own
    bool queueLevelZero_ = true;
    bool cloudsInOpenCells_ = true;
    long queueRunsAtLevelZero_ = 0;
    std::vector<uint16_t> queueTriangles_;  // scratch: a queued run's triangles, asked whether magnified
    bool marksOpaqueCover_ = true;
    bool scissorsWorld_ = true;
    bool exactDrawing_ = false;
    bool flatShading_ = true;
    bool nearestLevelInCockpit_ = true;
    // A cockpit batch split in two by the sampler its triangles can read through (off: one draw,
    // level 0 alone only where every triangle is magnified).
    bool splitsBatches_ = true;
    struct SplitBatch {
        bool On = false, Nearest = false, LevelZeroFirst = false;
        int32_t Slot = -1;
        double Area = 0;  // px, of the triangles proved magnified
        std::vector<uint8_t> Magnified;
        std::array<std::vector<uint16_t>, 2> Parts;  // drawn first, second
    } split_;
    long batchesSplit_ = 0;
    bool gathersHeld_ = true;
    long heldStateChanges_ = 0;
    bool heldPassMeeting_ = false;  // this object's opaque batches, marks aside, may pass held ones they meet
    bool hidesCockpitTriangles_ = true;
    bool cullsOutside_ = true;
    bool batchesRuns_ = true;
    bool leavesFaintFogOff_ = true;
    bool joinsQueueRuns_ = true;
    bool cutsUnseenTriangles_ = true;
    bool dropsSureTests_ = true;
    worlddraw::DomeShortcuts domeShortcuts_;
    long cockpitTrianglesHidden_ = 0;
    long passes_ = 0;  // drawPass calls so far
    CockpitHidden cockpitHidden_;
    std::vector<CockpitHidden::PolygonLook> polygonLooks_;  // of looksFor_'s polygons in pass looksPass_
    const OnePolygonVer2* looksFor_ = nullptr;
    long looksPass_ = -1;
    bool looksFit_ = false;  // every part they switch to posed as the object
    // The object being drawn: its triangles its own parts hide (Hidden null: none known), by
    // polygon of `hidingPolygons_`.
    CockpitHidden::Answer hiding_;
    const OnePolygonVer2* hidingPolygons_ = nullptr;
    // The object pass's loop: objects leave GL's shade model as they found it or flat (it ends
    // smooth); elsewhere each object leaves it smooth.
    bool keepsShade_ = false;
    bool flatNow_ = false;     // GL's shade model is GL_FLAT (objects leave it GL_SMOOTH, the pass's loop at its end)
    bool batchFlat_ = false;   // the open batch's triangles each have one colour at their three points
    bool plainWhereSure_ = false;  // this object's polygons drop the alpha test and blending where sure
    float diffuseAlpha_ = 1.0f;    // the diffuse material's alpha as last given to GL
    // The cockpit's pass, when the fog within its reach is too faint to move a colour: fog off.
    bool nearFogOff_ = false;
    GLMatrix FinalMatrix_{};
    // The eye in the current part's frame (ft) and the sign of its pose's determinant; culled
    // triangles are left out of batches only while `On`.
    struct PartEye {
        bool On = false;
        double X = 0, Y = 0, Z = 0, Sign = 1;
        double Culled = 1;  // 1 where GL culls anticlockwise faces, -1 clockwise ones, 0 neither alone
        int Stride = 32;
        std::array<double, 16> Projection{};  // GL's, read as the object starts
        std::array<int, 4> Viewport{};
        Pair Origin{}, Half{}, Last{};  // the viewport's corner, half its size, far corner
        double Margin = 0;                    // pixels: where a sample may lie off the centre
        std::array<double, 16> Clip{};        // Projection x FinalMatrix_
        std::array<double, 2> DepthRange{};   // GL's, read as the object starts
        bool CoverMay = false;                // the pass may leave out what the cover hides
        bool BehindCover = false;             // triangles hidden by the cover are left out
        bool Hidden = false;                  // the whole object lies behind the cover
    } partEye_;
    // Point numbers of triangles drawn in one state, in polygon order: the first Count of a store
    // that only grows, so that a polygon's triangles are appended without a growth check each or
    // the store's clearing.
    struct PointRun {
        std::vector<uint16_t> Store;
        size_t Count = 0;
        uint16_t* room(size_t more) {  // where `more` may follow the Count in use
            if (Store.size() < Count + more) Store.resize(std::max(Count + more, 2 * Store.size()));
            return Store.data() + Count;
        }
        const uint16_t* data() const { return Store.data(); }
        const uint16_t* begin() const { return Store.data(); }
        const uint16_t* end() const { return Store.data() + Count; }
        size_t size() const { return Count; }
        bool empty() const { return Count == 0; }
        void clear() { Count = 0; }
    } batch_;
    ScreenBox batchBox_ = kNoScreen;  // where the open batch's triangles may light pixels
    // Where the pass's opaque objects may have lit pixels, and so written depths, gathered while
    // gathersDepths_: the decks drawn after them keep the depth test there (render/FrameDraw.cpp).
    ScreenBox depthsBox_ = kNoScreen;
    bool gathersDepths_ = false;
    void noteDepths(const ScreenBox& box) {
        if (gathersDepths_) depthsBox_.widen(box);
    }
    // The points an object's arrays are read from and their layout (a GL interleaved format).
    struct ArraysAt {
        const void* Points = nullptr;
        uint32_t Format = 0;
    };
    ArraysAt objectArrays_;  // the object being drawn
    // The marks the pass's objects drew, while keepsMarkDepths_ (the first markCount_ in use, the
    // rest keeping their storage).
    struct MarkDepth {
        GLMatrix Matrix{};
        ArraysAt Arrays;
        uint32_t Mode = 0;  // the GL primitive
        bool Culled = true;
        std::vector<uint16_t> Points;
    };
    std::vector<MarkDepth> markDepths_;
    size_t markCount_ = 0;
    bool keepsMarkDepths_ = false;
    // Batches held back to be drawn after the later ones of their look that joined them, or with
    // those of other parts and aircraft drawn just after them (the first heldCount_ of Batches are
    // in use, in the order Order gives; the rest keep their storage).
    struct HeldBatch {
        const OnePolygonVer2* Head = nullptr;
        const ObjectPointsPolysVer2* G = nullptr;
        const MaterialLightData* Materials = nullptr;
        GLMatrix Matrix{};  // the modelview it is drawn with
        ArraysAt Arrays;
        ScreenBox Box = kNoScreen;
        std::vector<uint16_t> Triangles;
        bool Flat = false;
        bool Passable = false;  // opaque, depth-tested and written, no mark: may be passed and pass
    };
    struct Held {
        std::vector<HeldBatch> Batches;
        std::vector<uint16_t> Order;
        // What every held batch was drawn under: the switches its object found on, whether its
        // object leaves them off where sure, and its object's materials.
        bool AlphaTested = false, Blended = false, PlainWhereSure = false;
        const MaterialLightData* Materials = nullptr;
        // An object whose polygons the cover may have left out ended with batches held: what
        // diffuse colour GL holds after them is not to be trusted.
        bool ForgetDiffuse = false;
    } held_;
    size_t heldCount_ = 0;
    // The ambient and diffuse material GL would hold, had every batch so far been drawn in place.
    struct PlainMaterial {
        std::array<double, 3> Ambient{}, Diffuse{};  // as CurrentMaterial_ keeps them
        float Alpha = 1;                             // the diffuse alpha
        const float* AmbientSent = nullptr;          // what was passed to GL for each: null, as the object found it
        const float* DiffuseSent = nullptr;
    } plainMaterial_;
    // One object's drawing as its steps share it: set by the steps in glNewDrawOneObject's order.
    struct ObjectRun {
        OneCompleteObjectVer2* Object = nullptr;
        const ObjectPointsPolysVer2* G = nullptr;  // the animation frame drawn
        const OnePolygonVer2* Polygons = nullptr;  // its polygons at this distance
        const MaterialLightData* Materials = nullptr;
        double Distance = 0;  // ft from the eye
        double Reach = 0;     // ft, the sphere holding what it draws; 0 when not known
        int Stride = 0;       // bytes a point
        int Part = 0;         // the moving part posed, 0 for the object's own pose
        bool Full = false, MayCarry = false, Coloured = false, LitAlphaSure = true;
        bool AlphaTested = false, Blended = false, DepthOnly = false, Batching = false, FlatMay = false;
        PlainMaterial Start;                       // the plain order's material as the object began
        const OnePolygonVer2* Head = nullptr;      // the open batch's first polygon, whose state it is drawn in
    };
    TransparentQueue Transparent_;
    std::vector<int> transparentOrder_;     // the queue's entries in the order they are drawn
    std::vector<uint16_t> transparentRun_;  // point numbers of the queue's polygons drawn in one call
    std::vector<float> flatColours_;        // one unlit colour for each point a queue's draw reaches
    int32_t droppedTransparent_ = 0;
    bool loggedOverflow_ = false;

    // One record per object per frame, so that the second window repeats no side effect of
    // getDrawingData (placing trees, racks, explosion ends, random draws).
    std::vector<OneCompleteObjectVer2*> frameRecords_;
    std::vector<uint8_t> frameFetched_;
    std::vector<OneCompleteObjectVer2> frameCopies_;
    std::vector<FirstCloud*> clouds_;
    std::vector<FirstCloud*> bandClouds_;  // scratch: the clouds of one band
    // The decks this pass draws after its objects, as the world found them: off where the world
    // is left out, has no terrain or the eye is inside a cloud.
    struct DeckPlan {
        bool On = false;
        bool Sky = false, Scissored = false;
        const RIDUdidav* Terrain = nullptr;
        std::array<double, 3> Eye{};  // ft, world
        std::array<float, 3> Light{1, 1, 1};
    };
    DeckPlan deckPlan_;
    DeckBands deckBands_;
    int band_ = -1;  // the band the transparent passes draw; -1 all
    std::unique_ptr<worlddraw::TerrainDrawer> terrainDrawer_;

    bool keepScene_ = false, keptValid_ = false;
    SceneKey keptKey_{};
    uint32_t keptFramebuffer_ = 0, keptRenderbuffer_ = 0;  // GL names
    int keptWidth_ = 0, keptHeight_ = 0;
    long sceneDraws_ = 0;
    bool shownValid_ = false;  // shownPrint_ is the print of what the window shows
    uint64_t shownPrint_ = 0;
    long framesRested_ = 0;

    std::unique_ptr<platform::GLWindow> secondWindow_;
    int secondWidth_ = 0, secondHeight_ = 0;
    bool secondFailed_ = false;
    std::function<void()> secondFrameObserver_;
};

}  // namespace pellam::render
