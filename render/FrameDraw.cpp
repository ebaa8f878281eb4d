// One frame of the game view: the loading frame or the world (sky, terrain, cloud decks), the
// objects of the model array, the transparent queue, clouds, smoke, identification squares, the
// cockpit in front of all of them (in the nearest slice of the depth range, or after a depth clear
// by the plain rules), the second window, message lines, the controller's overlay and a pending
// screen shot.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "core/ZephModel.h"
#include "platform/Log.h"
#include "platform/TickCount.h"
#include "render/FrameMath.h"
#include "render/MyZephGLView.h"
#include "render/OpenBounds.h"
#include "world/FirstCloud.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"
#include "world/draw/WorldDraw.h"

namespace pellam::render {
namespace {

constexpr double kMainHalfSide = 4.275;   // the start-up frustum's 0.285 scaled by 15
constexpr double kMainNear = 8.25;        // ft
constexpr double kSecondNear = 8.25;      // ft: no tele factor in the small window
constexpr double kCockpitHalfSide = 0.285;
constexpr double kCockpitNear = 0.55;     // ft: the cockpit's own struts and gauges
constexpr double kFar = 111000.0;         // ft
constexpr int32_t kInsideCloud = 4;
constexpr float kNearReach = 100.0f;      // ft: the cockpit's object lies within this of the eye
constexpr double kCockpitDepths = 1.0 / 16;  // of the depth range: the cockpit's, nearest
// How many rectangles a pass is drawn under at most, and the cells each one past the first must
// leave out to pay for sending the pass again: twice the game thread's work per draw (on two cores
// that thread is the frame's floor) over the rasteriser's per cell left out behind the cover,
// about 8,000 instructions for the sky and the decks and 10,000 for the propeller's disc.
struct RectangleCost {
    int Most;
    long LeastCells;
};
constexpr RectangleCost kSkyRects{6, 20};    // 160,000 for the dome and the decks over the eye
constexpr RectangleCost kDeckRects{4, 30};   // 110,000 for both decks
constexpr RectangleCost kQueueRects{8, 20};  // 100,000 for the propeller's disc, lit

// Open rectangles as scissor boxes (x, y, width, height, px), kept in `store`: none for none.
using ScissorBoxes = std::array<std::array<int, 4>, OpenRectangles::kMost>;
std::span<const std::array<int, 4>> scissorBoxes(const OpenRectangles* rects, ScissorBoxes& store) {
    size_t n = 0;
    if (rects)
        for (const ScissorBox& b : *rects) store[n++] = {b.X, b.Y, b.Width, b.Height};
    return {store.data(), n};
}

}  // namespace

void MyZephGLView::setCameraInsideItem(long item) {
    CameraInsideItem_ = checkedCameraItem(item, ModelArray_ ? ModelArray_->size() : 0);
}

void MyZephGLView::setCameraInsideItem2(long item) {
    CameraInsideItem2_ = checkedCameraItem(item, ModelArray_ ? ModelArray_->size() : 0);
}

void MyZephGLView::setSecondAircraftCamera(long item) {
    if (item >= 2 && item <= 9) SecondAircraftCamera_ = item;
}

void MyZephGLView::drawRect(const NSRect& rect) {
    if (rect.x != 1.0 && hasGotStuff_) return;
    if (!window_) return;
    window_->makeCurrent();  // the fog below is set before the frame starts
    const int32_t now = platform::TickCount();
    gFrameRate_ = frameTicks(now, gLastFrameRate_);
    gLastFrameRate_ = now;
    saveCurrentFogParameters();
    newFrameRecords();
    FrameServices& services = services_ ? *services_ : noServices_;

    const double red = EraseRed_, green = EraseGreen_, blue = EraseBlue_;
    if (!ModelArray_) {
        closeSecondWindow();
        setEraseColorRed(0, 0, 0);
        glRenderStart();
        glSet3DDrawing(0, 0, 12, 0, 20, 0);
        glEnable(GL_TEXTURE_2D);
        glSetCurrentTexture(0, 12);
    } else {
        hasGotStuff_ = true;
        int32_t cloudState = services.getCloudLayerState();
        if (cloudState < 0) {
            auto* terrain = dynamic_cast<RIDUdidav*>(ModelArray_->at(ModelArray::kTerrain));
            if (terrain) {
                terrain->setEyePosition(CameraPosition_.Position[0], CameraPosition_.Position[1],
                                        CameraPosition_.Position[2]);
                cloudState = terrain->returnAbsoluteCloudLayerState();
            }
        }
        insideCloud_ = cloudState == kInsideCloud;
        if (insideCloud_) {
            setEraseColorRed(0.85, 0.85, 0.85);
            setCloudFog();
        }
        if (keepScene_) {
            // Asked before the picture is drawn: the print also builds the flat content shown over it.
            const uint64_t print = framePrint(services);
            const bool same = shownValid_ && print == shownPrint_;
            shownPrint_ = print;
            shownValid_ = true;
            if (same && keptSceneCurrent()) {
                ++framesRested_;
                setEraseColorRed(red, green, blue);
                restoreFogParameters();
                return;
            }
        }
        if (!showKeptScene()) {
            glRenderStart();
            drawModelList(ModelArray_, 0);
            ++sceneDraws_;
            keepScene();
            // A frame drawn anew may differ from the last shown below the print's reach.
            if (!keptValid_) shownValid_ = false;
        }
    }
    setEraseColorRed(red, green, blue);

    if (MessageLines_ && MessageLines_[0][0] != 0)
        for (int i = 0; i < 5; ++i)
            if (MessageLines_[i][0] != 0) {
                const MessageLinePlace at = messageLinePlace(i, {TypeSize_, TypeLeading_, TypeDownAmount_});
                glOpenGLText(at.across, at.down, MessageLines_[i], 0, float(at.size), 0.65);
            }
    services.debugchance(*this);
    // Taken from the back buffer by glRenderEnd, before the picture is shown.
    if (services.getAndClearScreenShotPending()) setScreenShotPending();
#ifndef NDEBUG
    frameGLError_ = int32_t(glGetError());
    if (frameGLError_ != GL_NO_ERROR && !loggedGLError_) {
        loggedGLError_ = true;
        platform::logMessage("OpenGL error " + std::to_string(frameGLError_) + " in a frame");
    }
#endif
    glRenderEnd();
    restoreFogParameters();  // the grey cloud fog lasts one frame
}

void MyZephGLView::setCloudFog() { glSetFogParameters(0.85, 0.85, 0.85, GL_EXP2, 0.005f); }

void MyZephGLView::drawUnseen(const QNion& camera, long insideItem, bool world, bool insideCloud) {
    if (!window_ || !ModelArray_) return;
    window_->makeCurrent();
    saveCurrentFogParameters();
    const QNion keptCamera = CameraPosition_;
    const long keptInside = CameraInsideItem_;
    const bool keptCloud = insideCloud_;
    const bool flat = flatNow_;
    CameraPosition_ = camera;
    setCameraInsideItem(insideItem);
    insideCloud_ = insideCloud;
    if (insideCloud) setCloudFog();
    // A mission's warm-up comes before its first frame: the objects' records are made room for
    // here, or none but the world's would be drawn.
    fitFrameRecords(*ModelArray_);
    // Which batches are filled flat depends on their colours, their size on the window and the
    // batch before, so a flight meets states the warm-up drew only the other way: the frame is
    // drawn with every batch flat, then with every batch smooth.
    drawingUnseen_ = true;
    for (const GLenum model : {GL_FLAT, GL_SMOOTH}) {
        worlddraw::holdShadeModel(model);
        newFrameRecords();
        glRenderStart();
        worldLeftOut_ = !world;
        drawPass(*ModelArray_, {&CameraPosition_, CameraInsideItem_, kMainNear * TeleFactor_, false});
        worldLeftOut_ = false;
    }
    drawingUnseen_ = false;
    worlddraw::holdShadeModel(0);
    // The next frame's batches find the shade model the last one left.
    flatNow_ = flat;
    glShadeModel(flat ? GL_FLAT : GL_SMOOTH);
    ++unseenDraws_;
    CameraPosition_ = keptCamera;
    CameraInsideItem_ = keptInside;
    insideCloud_ = keptCloud;
    restoreFogParameters();
}

void MyZephGLView::newFrameRecords() {
    std::fill(frameFetched_.begin(), frameFetched_.end(), 0);
    clouds_.clear();
    droppedTransparent_ = 0;
}

void MyZephGLView::drawModelList(ModelArray* list, int32_t) {
    if (!list) return;
    fitFrameRecords(*list);
    // Checked again here: the model array may have shrunk since the item was set.
    if (!list->at(CameraInsideItem_)) CameraInsideItem_ = -1;
    drawPass(*list, mainPass());
    if (!awoken_ && DrawSecondWindow_)
        drawSecondWindow(*list);
    else
        closeSecondWindow();  // switched off: no stale picture left on the screen
}

void MyZephGLView::fitFrameRecords(const ModelArray& list) {
    const auto n = size_t(list.size());
    if (frameRecords_.size() >= n) return;
    frameRecords_.resize(n, nullptr);
    frameFetched_.resize(n, 0);
    frameCopies_.resize(n);
}

void MyZephGLView::placeCamera(const QNion* camera) {
    glSet3DDrawingWQuaternion(camera);
    setCurrentCameraMatrix();  // the sun's direction under this camera
}

OneCompleteObjectVer2* MyZephGLView::recordFor(ModelArray& list, long i, bool secondWindow) {
    if (i < 0 || i >= long(frameRecords_.size())) return nullptr;
    if (!frameFetched_[i]) {
        frameFetched_[i] = 1;
        ZephModel* model = list.at(i);
        frameRecords_[i] = model ? model->getDrawingData(GameTime_) : nullptr;
        // Kept as it was handed out: a record shared between objects of a class is refilled by the next one.
        if (frameRecords_[i] && DrawSecondWindow_) frameCopies_[i] = *frameRecords_[i];
    }
    if (!frameRecords_[i]) return nullptr;
    return secondWindow ? &frameCopies_[i] : frameRecords_[i];
}

struct MyZephGLView::WorldPass {
    TexturedSkyDome* Sky = nullptr;
    RIDUdidav* Terrain = nullptr;
    worlddraw::Eye Eye;
    SkyColours Colours;
    bool Scissored = false;  // drawn within the rectangles the cover leaves open
    worlddraw::GLNameOfSlot Names;  // the GL's name of each texture slot
};

void MyZephGLView::drawWorld(ModelArray& list) {
    auto* sky = dynamic_cast<TexturedSkyDome*>(list.at(ModelArray::kSkyDome));
    auto* terrain = dynamic_cast<RIDUdidav*>(list.at(ModelArray::kTerrain));
    if (!sky && !terrain) return;
    WorldPass w;
    w.Sky = sky;
    w.Terrain = terrain;
    w.Eye = {MyEye_[0], MyEye_[1], MyEye_[2]};
    w.Colours.Light = {1, 1, 1};
    setWorldFog(w);
    // Inside a cloud the grey fog hides the sky and the ground.
    if (insideCloud_) return;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScaled(1, 1, -1);
    glMultMatrixd(EyeRM_.data());
    // Every world pass is depth-tested against the cover's depths laid first, so no fragment of it
    // survives in a cell the cover hides: the scissor only spares the rasteriser those blocks. A
    // triangle reaching past the scissor is walked against its sides as well, and the ground's
    // squares behind the cover are left out already, so the ground keeps to the rectangles' bounds
    // and only the sky and the decks, whose few large triangles span the view, are sent again under
    // each rectangle. The sky without ground is drawn without the depth test, and keeps the whole view.
    w.Scissored = behindCover_ && terrain;
    w.Names = [this](int32_t slot) { return getglTextNum(slot); };
    // The ground first and the sky behind it: the sky shades only the pixels the ground left open.
    if (terrain) drawTerrain(w);
    if (sky) drawSkyBehindGround(w);
    if (terrain) planDecks(w);  // drawn after the objects
    skyLight_ = w.Colours.Light;
    setCurrentCameraMatrix();
}

void MyZephGLView::setWorldFog(WorldPass& w) {
    if (w.Sky) {
        w.Sky->positionSun(getSunUnitVector());  // the sun drawn is the light that shades the world
        w.Colours = w.Sky->getSkyColours();
        if (!insideCloud_) {
            fogColor_ = {w.Colours.Horizon[0], w.Colours.Horizon[1], w.Colours.Horizon[2], 1};
            glFogfv(GL_FOG_COLOR, fogColor_.data());
        }
    }
    if (w.Terrain) {
        w.Terrain->setEyePosition(w.Eye.X, w.Eye.Y, w.Eye.Z);
        w.Terrain->setViewingPositionFromEyeTM(getEyeTM());
        // Objects fade with the ground, which fogs from a quarter of its reach to all of it.
        const double reach = std::min(w.Terrain->getFogDistance(), RIDUdidav::kGreatestFogDistance);
        FogStart_ = reach * 0.25;
        FogEnd_ = reach;
        if (!insideCloud_) {
            glFogf(GL_FOG_START, float(FogStart_));
            glFogf(GL_FOG_END, float(FogEnd_));
        }
    }
}

void MyZephGLView::drawTerrain(const WorldPass& w) {
    const bool bounded = w.Scissored && !deckRects_.whole();
    if (bounded) {
        const ScissorBox b = deckRects_.bounds();
        glEnable(GL_SCISSOR_TEST);
        glScissor(b.X, b.Y, std::max(b.Width, 0), std::max(b.Height, 0));
    }
    terrainDrawer_->Exact = exactDrawing_;
    terrainDrawer_->draw(*w.Terrain, w.Eye, w.Names, w.Colours.Light, &cover_);
    if (bounded) glDisable(GL_SCISSOR_TEST);
}

void MyZephGLView::drawSkyBehindGround(const WorldPass& w) {
    const double lowest = w.Terrain ? terrainDrawer_->lowestOpenElevation() : worlddraw::kWholeDome;
    const auto groundTop = [&] { return worlddraw::groundTopElevation(*w.Terrain, w.Eye); };
    // Under each open rectangle in turn, within one draw of the dome: rectangles round the cells
    // that neither the cover hides nor lie wholly below the dome's lowest edge.
    if (w.Scissored) findSkyRectangles(lowest);
    ScissorBoxes store;
    const OpenRectangles* rects = w.Scissored ? scissorFor(skyRects_) : nullptr;
    const auto boxes = scissorBoxes(rects, store);
    if (!rects || !boxes.empty())
        worlddraw::drawSkyDome(*w.Sky, w.Names, w.Terrain != nullptr, lowest, exactDrawing_,
                               w.Terrain ? std::function<double()>(groundTop) : nullptr, boxes, domeShortcuts_);
}

void MyZephGLView::findSkyRectangles(double lowest) {
    std::array<int, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    constexpr int cell = worlddraw::ScreenCover::kCell;
    // Each corner of the cells at most once, and only of the cells the cover leaves open: a cell
    // lies below the dome where all four of its do.
    const worlddraw::DomeReach reach(lowest);
    const int across = (viewport[2] + cell - 1) / cell + 1, down = (viewport[3] + cell - 1) / cell + 1;
    belowDome_.assign(size_t(across) * size_t(down), -1);
    const auto at = [&](int i, int j) {
        int8_t& below = belowDome_[size_t(j) * across + i];
        if (below < 0)
            below = reach.below(viewport[0] + double(std::min(i * cell, viewport[2])),
                                viewport[1] + double(std::min(j * cell, viewport[3])));
        return below != 0;
    };
    skyRects_.find(
        viewport, cell, [&](int i, int j) { return cover_.hidesCell(i, j); },
        [&](int i, int j) { return at(i, j) && at(i + 1, j) && at(i, j + 1) && at(i + 1, j + 1); }, kSkyRects.Most,
        kSkyRects.LeastCells);
}

void MyZephGLView::planDecks(const WorldPass& w) {
    deckPlan_ = {true, w.Sky != nullptr, w.Scissored, w.Terrain, {w.Eye.X, w.Eye.Y, w.Eye.Z}, w.Colours.Light};
    deckBands_.set(*w.Terrain, w.Eye.Y);
}

void MyZephGLView::drawDecksOfRank(int rank) {
    const DeckPlan& d = deckPlan_;
    uint32_t layers = 0;
    // Decks all above the eye lie above the horizon, so within the sky's rectangles where those are
    // found; else within the cover's.
    bool overhead = d.Sky && d.Scissored;
    for (int k = 0; k < RIDUdidav::kCloudLayers; ++k) {
        if (!deckBands_.shown(k) || deckBands_.rank(k) != rank) continue;
        layers |= 1u << k;
        const CloudLayer& layer = d.Terrain->getCloudLayer(k);
        overhead = overhead && std::min(layer.LayerBottom, layer.LayerTop) > d.Eye[1];
    }
    if (!layers) return;
    ScissorBoxes store;
    const OpenRectangles* rects = d.Scissored ? scissorFor(overhead ? skyRects_ : deckRects_) : nullptr;
    const auto boxes = scissorBoxes(rects, store);
    if (rects && boxes.empty()) return;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScaled(1, 1, -1);
    glMultMatrixd(EyeRM_.data());
    const worlddraw::Eye eye{d.Eye[0], d.Eye[1], d.Eye[2]};
    terrainDrawer_->drawCloudLayers(*d.Terrain, eye, [this](int32_t slot) { return getglTextNum(slot); }, d.Light,
                                    &cover_, boxes, {layers, {depthsBox_.X0, depthsBox_.Y0, depthsBox_.X1, depthsBox_.Y1}});
    CurrentBoundTextureNumber_ = -1;  // the deck drawer binds by name
    setCurrentCameraMatrix();
}

bool MyZephGLView::findOpenRectangles() {
    if (!scissorsWorld_ || exactDrawing_ || cover_.empty()) {
        skyRects_.clear(), deckRects_.clear();
        return false;
    }
    std::array<int, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    constexpr int cell = worlddraw::ScreenCover::kCell;
    const auto covered = [&](int i, int j) { return cover_.hidesCell(i, j); };
    deckRects_.find(viewport, cell, covered, kDeckRects.Most, kDeckRects.LeastCells);  // the sky's are found once the ground is drawn
    return true;
}

const OpenRectangles* MyZephGLView::findQueueRectangles() {
    if (!behindCover_ || Transparent_.count() == 0) return nullptr;
    double nearest = Transparent_[0].ZDepth;
    for (int i = 1; i < Transparent_.count(); ++i) nearest = std::min(nearest, Transparent_[i].ZDepth);
    return findOpenBeyond(queueRects_, nearest, kQueueRects.Most, kQueueRects.LeastCells);
}

const OpenRectangles* MyZephGLView::findOpenBeyond(OpenRectangles& rects, double nearest, int most, long leastCells) {
    std::array<double, 16> projection{};
    std::array<int, 4> viewport{};
    worlddraw::WidenedView::loaded(projection, viewport);
    constexpr int cell = worlddraw::ScreenCover::kCell;
    rects.find(
        viewport, cell, [&](int i, int j) { return cover_.hidesCellBeyond(i, j, nearest); }, most, leastCells);
    return scissorFor(rects);
}

const OpenRectangles* MyZephGLView::scissorFor(const OpenRectangles& rects) {
    return rects.count() == 1 && rects.whole() ? nullptr : &rects;
}

void MyZephGLView::underOpenRectangles(const OpenRectangles* rects, const std::function<void()>& draw) {
    if (!rects) {
        draw();
        return;
    }
    // Within a scissor box already set (a widened view's); no rectangle open, nothing drawn.
    ScissorBoxes store;
    const auto boxes = scissorBoxes(rects, store);
    if (!boxes.empty()) worlddraw::forEachScissorBox(boxes, [&](size_t) { draw(); });
}

void MyZephGLView::drawClouds() {
    if (clouds_.empty() || insideCloud_) return;
    const worlddraw::Eye eye{MyEye_[0], MyEye_[1], MyEye_[2]};
    auto distance = [&](FirstCloud* c) {
        const double dx = c->live.attitude.Position[0] - eye.X, dy = c->live.attitude.Position[1] - eye.Y,
                     dz = c->live.attitude.Position[2] - eye.Z;
        return dx * dx + dy * dy + dz * dz;
    };
    // Far to near, so nearer sprites blend over farther clouds.
    std::sort(clouds_.begin(), clouds_.end(), [&](FirstCloud* a, FirstCloud* b) { return distance(a) > distance(b); });
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScaled(1, 1, -1);
    glMultMatrixd(EyeRM_.data());
    const auto glName = [this](int32_t slot) { return getglTextNum(slot); };
    const auto fogFaint = [this](double reach) { return !exactDrawing_ && leavesFaintFogOff_ && fogFaintWithin(reach); };
    ScissorBoxes store;
    const OpenRectangles* rects = findCloudRectangles(eye);
    auto boxes = scissorBoxes(rects, store);
    if (rects && boxes.empty()) {
        // Every cell hidden: one empty box, so that the clouds' state is still set and nothing drawn.
        store[0] = {};
        boxes = {store.data(), 1};
    }
    worlddraw::drawClouds(clouds_.data(), clouds_.size(), eye, glName, skyLight_, fogFaint, boxes);
    // A flight may meet any cloud near enough to be drawn without the fog, or far enough to take it.
    if (drawingUnseen_)
        worlddraw::drawClouds(clouds_.data(), clouds_.size(), eye, glName, skyLight_, [](double) { return true; });
    CurrentBoundTextureNumber_ = -1;  // the cloud drawer binds by name
    setCurrentCameraMatrix();
}

MyZephGLView::NearPlane MyZephGLView::worldNearPlane() const {
    return {kMainNear * TeleFactor_, kMainHalfSide * viewAspect(), kMainHalfSide};
}

double MyZephGLView::viewAspect() const {
    return finalSizeHeight_ > 0 ? double(finalSizeWidth_) / finalSizeHeight_ : 4.0 / 3.0;
}

MyZephGLView::NearPlane MyZephGLView::secondNearPlane() const {
    return {kSecondNear, kMainHalfSide * viewAspect(), kMainHalfSide};
}

double MyZephGLView::nearShare(double limit, double own) { return limit > 0.0 && limit < own ? limit / own : 1.0; }

MyZephGLView::PassSetup MyZephGLView::mainPass() {
    const double own = kMainNear * TeleFactor_;
    return {&CameraPosition_, CameraInsideItem_, own, false, nearShare(worldNearLimit_, own)};
}

MyZephGLView::PassSetup MyZephGLView::secondPass() {
    return {&CameraPosition2_, CameraInsideItem2_, kSecondNear, true, nearShare(secondNearLimit_, kSecondNear)};
}

void MyZephGLView::setMainFrustum(const PassSetup& pass) {
    const double side = kMainHalfSide * pass.Pulled, aspect = viewAspect();
    glSetViewFrustum(-side * aspect, side * aspect, -side, side, pass.Near * pass.Pulled, kFar);
}

void MyZephGLView::setCockpitFrustum() {
    const double aspect = viewAspect();
    glSetViewFrustum(-kCockpitHalfSide * aspect, kCockpitHalfSide * aspect, -kCockpitHalfSide, kCockpitHalfSide,
                     kCockpitNear, kFar);
}

void MyZephGLView::drawPass(ModelArray& list, const PassSetup& pass) {
    ++passes_;
    glPrepareForModelDrawing();
    if (!awoken_) setMainFrustum(pass);
    placeCamera(pass.Camera);
    const PassRules rules = passRules(pass);
    const bool coverDrawn = layCockpitCover(list, pass, rules);
    drawWorldBehindCover(list, rules);
    drawPassObjects(list, pass, rules);
    drawPassOverlays(pass.Camera);
    if (pass.InsideItem > 1) drawCockpit(list, pass, rules, coverDrawn);
    glDepthRange(0, 1);
}

MyZephGLView::PassRules MyZephGLView::passRules(const PassSetup& pass) const {
    PassRules rules;
    // The cockpit keeps the nearest slice of the depth range and everything else the rest: its
    // opaque parts' depths, laid down first, then hide the world behind them, and in the cockpit's
    // own pass every pixel of it hidden by a nearer part fails the depth test before shading.
    // The plain rules mark the cover at the nearest depth and clear the depths before the cockpit.
    rules.Marked = pass.InsideItem > 1 && !awoken_ && marksOpaqueCover_;
    rules.Sliced = rules.Marked && !exactDrawing_;
    // The cockpit, near aircraft and sprites cross the window's edges with many triangles: drawn
    // through a widened view, the GL clips only what reaches far past them (a point whose centre
    // lies just off the window may now show its part on it). Every reader of the view between its
    // draws is given the loaded one (WidenedView::loaded); the overlay, the identification squares
    // and anything that sets its own projection are drawn outside it.
    rules.Widens = widensView_ && !exactDrawing_;
    return rules;
}

bool MyZephGLView::layCockpitCover(ModelArray& list, const PassSetup& pass, const PassRules& rules) {
    cover_.clear();
    if (!rules.Marked) return false;
    setCockpitFrustum();
    if (rules.Sliced) glDepthRange(0, kCockpitDepths);
    GLint fogMode = 0;
    glGetIntegerv(GL_FOG_MODE, &fogMode);
    // Where nothing drawn before the cockpit can reach its slice of the depths (the sky is drawn
    // depth-tested behind the ground) and no fog tints it, its opaque parts are drawn in colour
    // there and then, not marked and drawn again: the same pixels. Linear fog is left to the
    // plain order: its start is set by the world, drawn after.
    const bool coverDrawn = rules.Sliced && coverFirst_ && dynamic_cast<RIDUdidav*>(list.at(ModelArray::kTerrain)) &&
                            fogMode != GL_LINEAR && fogFaintWithin(kNearReach);
    OneCompleteObjectVer2* record = recordFor(list, pass.InsideItem, pass.SecondWindow);
    {
        worlddraw::WidenedView wide;
        if (rules.Widens) wide.widen();
        coverDrawn ? drawOpaqueCover(record) : markOpaqueCover(record, rules.Sliced);
    }
    setMainFrustum(pass);
    return coverDrawn;
}

void MyZephGLView::drawWorldBehindCover(ModelArray& list, const PassRules& rules) {
    behindCover_ = findOpenRectangles();
    deckPlan_.On = false;
    if (rules.Sliced) glDepthRange(kCockpitDepths, 1);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_POLYGON_OFFSET_FILL);
    // Not flushed here: the frame goes to the rasteriser whole, at the swap. A flush here let the
    // software rasteriser's threads begin on the ground while the objects were still being sent from
    // the same cores, but the game thread's work a frame then took 6.5 ms (median) against 3.7, and
    // the CPU a frame more.
    if (!worldLeftOut_) drawWorld(list);
    CurrentBoundTextureNumber_ = -1;  // the world drawers bind by name
    glPrepareForModelDrawing();
}

void MyZephGLView::drawPassObjects(ModelArray& list, const PassSetup& pass, const PassRules& rules) {
    const bool collectClouds = !pass.SecondWindow;
    if (collectClouds) clouds_.clear();
    // The cover's depths lie in the cockpit's slice, nearer than any the objects are drawn at.
    coverBelow_ = rules.Sliced ? kCockpitDepths : 0;
    const long n = std::min<long>(list.size(), long(frameRecords_.size()));
    worlddraw::WidenedView wide;
    if (rules.Widens) wide.widen();
    depthsBox_ = kNoScreen;
    gathersDepths_ = true;
    keepsMarkDepths_ = false;  // where a deck is drawn after the objects, beyond their marks
    for (int k = 0; deckPlan_.On && k < RIDUdidav::kCloudLayers; ++k) keepsMarkDepths_ |= deckBands_.shown(k);
    for (long i = 0; i < n; ++i) drawListedObject(list, i, pass, collectClouds);
    drawHeld(false);  // what the aircraft held back, before anything else is drawn
    layMarkDepths();
    keepsMarkDepths_ = false;
    gathersDepths_ = false;
    setFlat(false);
    coverBelow_ = 0;
    drawAboutTheDecks(list, wide, rules.Widens);
    if (pass.SecondWindow && pass.InsideItem > 1 && pass.InsideItem < 10)
        if (ZephModel* model = list.at(pass.InsideItem))
            if (float* eye = model->getPointerToRelativeEyeX()) eye[2] = 0;
}

void MyZephGLView::drawListedObject(ModelArray& list, long i, const PassSetup& pass, bool collectClouds) {
    if (i == ModelArray::kFirstAircraft) CurrentMaterial_[0] = CurrentMaterial_[3] = -1;
    if (i == pass.InsideItem && !awoken_) return;
    if (pass.SecondWindow && i == ModelArray::kGroundClutter) return;
    ZephModel* model = list.at(i);
    if (!model || i == ModelArray::kSkyDome || i == ModelArray::kTerrain) return;
    if (auto* cloud = dynamic_cast<FirstCloud*>(model)) {
        if (collectClouds) clouds_.push_back(cloud);
        return;
    }
    specSetToOff();
    OneCompleteObjectVer2* record = recordFor(list, i, pass.SecondWindow);
    if (!record) {
        // Nothing drawn this frame: no square at the place it was last seen.
        if (float* eye = model->getPointerToRelativeEyeX()) eye[2] = -10000.0f;
        return;
    }
    cullOutside_ = !awoken_ && !exactDrawing_ && cullsOutside_ && i >= ModelArray::kFirstAircraft &&
                   i < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots;
    keepsShade_ = true;
    glNewDrawOneObject(record);
    keepsShade_ = false;
    ++objectsDrawn_;
    cullOutside_ = false;
    if (pass.SecondWindow && frameRecords_[i]) {
        Object3DData& own = frameRecords_[i]->TheObject;
        own.EyeRelativeX = record->TheObject.EyeRelativeX;
        own.EyeRelativeY = record->TheObject.EyeRelativeY;
        own.EyeRelativeZ = record->TheObject.EyeRelativeZ;
    }
}

void MyZephGLView::drawPassOverlays(const QNion* camera) {
    if (!awoken_) doIDSquares();
    glPrepareForModelDrawing();
    placeCamera(camera);
    (services_ ? *services_ : noServices_).drawGray(*this);
}

void MyZephGLView::drawCockpit(ModelArray& list, const PassSetup& pass, const PassRules& rules, bool coverDrawn) {
    if (rules.Sliced) {
        glDepthRange(0, kCockpitDepths);
        glDepthFunc(GL_LEQUAL);  // the depths laid down are the nearest parts' own
    } else {
        glClear(GL_DEPTH_BUFFER_BIT);
    }
    glPrepareForModelDrawing();
    setCockpitFrustum();
    worlddraw::WidenedView wide;
    if (rules.Widens) wide.widen();
    specSetToOff();
    // The cockpit is all within a few feet: fog too faint there to move a colour is left off.
    OneCompleteObjectVer2* record = recordFor(list, pass.InsideItem, pass.SecondWindow);
    if (!exactDrawing_ && leavesFaintFogOff_ && record) nearFogOff_ = fogFaintWithin(kNearReach);
    // A polygon that passed the depth test always since may have painted over the cover: then
    // the cover is drawn again over it, as the plain order would.
    skipCover_ = coverDrawn && !depthAlways_;
    drawingCockpit_ = true;
    if (record) glNewDrawOneObject(record);
    drawingCockpit_ = skipCover_ = false;
    // The cockpit's own transparent parts (the propeller's disc) fail the depth test wherever
    // the cover's parts lie nearer: they are drawn only where it leaves them open.
    queueScissor_ = findQueueRectangles();
    cockpitQueue_ = true;
    glNewDrawTransparentItems();
    cockpitQueue_ = false;
    queueScissor_ = nullptr;
    nearFogOff_ = false;
}

void MyZephGLView::doIDSquares() {
    if (!ModelArray_) return;
    FrameServices& services = services_ ? *services_ : noServices_;
    const bool normal = services.useIDSquares(), closeIn = services.useCloseUpIDSquares();
    if (!normal && !closeIn) return;
    const QNion origin{};
    glSet3DDrawingWQuaternion(&origin);  // what follows is in eye coordinates
    glDisable(GL_FOG);
    for (int k = 0; k < ModelArray::kAircraftSlots; ++k) {
        ZephModel* aircraft = ModelArray_->at(ModelArray::kFirstAircraft + k);
        if (!aircraft) continue;
        const float* eye = aircraft->getPointerToRelativeEyeX();
        if (!eye) continue;
        QNion pose;
        aircraft->getModelPositionQNion(&pose);
        if (pose.Position[1] > -8000.0 && eye[2] > -9999.0f) {
            const double point[3] = {eye[0], eye[1], eye[2]};
            DrawIDSquare(point, aircraft->getTeamNumber(), closeIn, normal);
        }
    }
    glEnable(GL_FOG);
}

void MyZephGLView::DrawIDSquare(const double* point, long team, bool closeInID, bool normalID) {
    const double x = point[0], y = point[1], z = point[2];
    const double k = idSquareFactor(x, y, z, closeInID, normalID);
    if (k <= 0) return;
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    switch (team) {
    case 1: glColor4d(1.0, 0.0, 0.0, 1.0); break;
    case 3: glColor4d(0.8, 0.8, 0.0, 1.0); break;
    case 4: glColor4d(0.0, 0.0, 0.0, 1.0); break;
    default: glColor4d(0.7333, 0.47058, 1.0, 1.0); break;
    }
    const double h = z * k;
    glBegin(GL_LINE_STRIP);
    glVertex3d(x - h, y + h, -z);
    glVertex3d(x + h, y + h, -z);
    glVertex3d(x + h, y - h, -z);
    glVertex3d(x - h, y - h, -z);
    glVertex3d(x - h, y + h, -z);
    glEnd();
    glEnable(GL_BLEND);
}

}  // namespace pellam::render
