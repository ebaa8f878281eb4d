// The cloud decks: each layer's underside and top, level squares out to the fog's end round the
// eye, blended over the sky and the ground. drawCloudLayers names the steps; the shortcuts they
// take are a file each beside this one (DeckOverGround, UnfoggedNearDecks, MagnifiedDecks,
// DeckFogInVertices).
#include "world/draw/DeckParts.h"

namespace pellam::worlddraw {

using namespace sky;

namespace {

// The state every deck is drawn in: depth-tested, writing no depth, blended with no alpha test (a
// thin deck's colour, at 0.55, would pass none, and a scattered deck's soft edge little), its
// picture times its colour, under linear fog by the distance ahead given with each point.
void setDeckState() {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_POLYGON_OFFSET_FILL);  // drawn after the objects, whose smoke may leave it on
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    // Left to itself the GL fogs by |z| at each vertex, interpolated: a deck reaching behind the
    // eye would be fogged near the eye as if far off. Its distance ahead, negative behind, is
    // linear across the deck and right wherever it is interpolated.
    glFogi(GL_FOG_COORD_SRC, GL_FOG_COORD);
}

}  // namespace

TerrainDrawer::DeckPass::DeckPass(TerrainDrawer& drawer, const RIDUdidav& t, const Eye& eye, const ScreenCover* cover)
    : Drawer(drawer), T(t), E(eye) {
    Reach = std::min(t.getFogDistance(), RIDUdidav::kGreatestFogDistance);
    FogStart = Reach * 0.25;
    View.FogStart = FogStart;
    View.FogEnd = Reach;
    glGetFloatv(GL_MODELVIEW_MATRIX, View.Modelview.data());
    glGetFloatv(GL_PROJECTION_MATRIX, View.Projection.data());
    glGetIntegerv(GL_VIEWPORT, View.Viewport.data());
    View.Cover = cover && !cover->empty() ? cover : nullptr;
    View.ColourInVertices = !drawer.Exact && drawer.DeckColourInVertices;
    View.FogInVertices = !drawer.Exact && drawer.DeckFogInVertices;
    View.CutCostPerPixel = drawer.DeckFogCutCost;
    drawer.DecksFoggedInVertices = 0;
    View.FoggedInVertices = &drawer.DecksFoggedInVertices;
    GLfloat fogColour[4] = {};
    glGetFloatv(GL_FOG_COLOR, fogColour);
    View.FogColour = {fogColour[0], fogColour[1], fogColour[2]};
    drawer.DecksApart = 0;
    drawer.DecksUntested = 0;
    drawer.DecksMagnified = 0;
    // Outside a cockpit's slice of the depths the depth buffer holds the ground alone, save where
    // the objects were drawn (readBoxes).
    GLfloat depthRange[2] = {0, 1};
    glGetFloatv(GL_DEPTH_RANGE, depthRange);
    GroundOnly = !drawer.Exact && drawer.DecksUntestedOverGround && depthRange[0] == 0.0f;
    readProjection();
    U0 = float(std::fmod(eye.X, kTile) / kTile), V0 = float(std::fmod(eye.Z, kTile) / kTile);
    Span = float(Reach / kTile);
}

// The largest turn of the line of sight from one pixel to the next (radians) in the window's own
// view: where a level deck h ft off the eye lies within d of it, a pixel's step moves the point seen
// by at most d^2 / h times that, and the GL's measure of a picture's stretch is no more than that
// step in texels.
void TerrainDrawer::DeckPass::readProjection() {
    std::array<double, 16> projection{};
    std::array<int, 4> viewport{};
    WidenedView::loaded(projection, viewport);
    Focal = std::min(projection[0] * viewport[2], projection[5] * viewport[3]) / 2;
    Perspective = Focal > 0 && projection[11] == -1.0 && projection[15] == 0.0;
}

// The drawn window under each box (the scissor as it stands when there are none): whether a deck
// is cut round its magnified square is told box by box, as when drawn under each alone.
void TerrainDrawer::DeckPass::BoxSet::read(std::span<const std::array<int, 4>> boxes, std::span<const int> from) {
    if (boxes.size() > Live.size()) boxes = {};  // more than are ever given: drawn as the scissor stands
    Boxed = !boxes.empty();
    forEachScissorBox(boxes, [&](size_t k) {
        GLint b[4] = {};
        glGetIntegerv(GL_SCISSOR_BOX, b);
        Live[size_t(Count)] = {b[0], b[1], b[2], b[3]};
        From[size_t(Count)] = k < from.size() ? from[k] : int(k);
        Windows.emplace_back();
        ++Count;
    });
}

void TerrainDrawer::DeckPass::readBoxes(std::span<const std::array<int, 4>> boxes, const std::array<double, 4>& depths) {
    Given.read(boxes);
    if (GroundOnly) partBoxes(depths);
}

void TerrainDrawer::DeckPass::drawLayer(const CloudLayer& cloud, const GLNameOfSlot& glName,
                                        const std::array<float, 3>& light) {
    const bool ceiling = cloud.TextureNumber <= 2;
    const bool thin = cloud.TextureNumber % 2 == 0;
    Layer layer;
    layer.Alpha = thin ? 0.55f : 1.0f;
    const uint32_t texture = glName(ceiling ? T.CloudDeckSlot : T.CloudScatterSlot);
    bindSoftPicture(texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &layer.MinFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &layer.MagFilter);
    layer.Sound = !Drawer.Exact && Drawer.MagnifiedDecksUnmipped && Perspective ? soundLevels() : Levels{};
    layer.Texel = layer.Sound.Last >= 0 ? kTile / layer.Sound.Size : 0.0;
    // The underside is in shadow, the top in sunlight.
    drawSide(layer, cloud.LayerBottom, 0.72f, light);
    drawSide(layer, cloud.LayerTop, 1.0f, light);
}

void TerrainDrawer::DeckPass::drawSide(const Layer& layer, double height, float shade, const std::array<float, 3>& light) {
    bool untested = false;
    if (GroundOnly) {
        if (std::isnan(Highest)) Highest = highestGround(T, E, Reach);
        untested = deckClearOfGround(T, E, height - E.Y, Reach, Highest);
    }
    Drawer.DecksUntested += untested;
    glColor4f(light[0] * shade, light[1] * shade, light[2] * shade, layer.Alpha);
    Side side;
    side.Y = float(height - E.Y);
    side.Above = height > E.Y;
    const float y = side.Y, r = float(Reach);
    const DeckPoint quad[4] = {{-r, y, -r, U0 - Span, V0 - Span},
                               {r, y, -r, U0 + Span, V0 - Span},
                               {r, y, r, U0 + Span, V0 + Span},
                               {-r, y, r, U0 - Span, V0 + Span}};
    std::copy(quad, quad + 4, side.Quad);
    splitAtFogStart(side);
    side.Half = magnifiedHalf(layer, std::abs(double(y)));
    // Clear of the ground, a side keeps the depth test only over the objects' box.
    if (untested && Parted) {
        glEnable(GL_DEPTH_TEST);
        drawUnder(layer, side, Near);
        glDisable(GL_DEPTH_TEST);
        drawUnder(layer, side, Clear);
        return;
    }
    untested ? glDisable(GL_DEPTH_TEST) : glEnable(GL_DEPTH_TEST);
    drawUnder(layer, side, Given);
}

void TerrainDrawer::DeckPass::drawUnder(const Layer& layer, const Side& side, const BoxSet& set) {
    View.Boxed = set.Boxed;
    sortBoxes(side, set);
    if (WholeCount > 0) drawWhole(layer, side);
    if (CutCount > 0) drawMagnified(layer, side);
}

// The side as one piece (or its parts either side of the fog's start) under the boxes it is not cut
// under; all of it read unmipped where the magnified square holds the whole deck.
void TerrainDrawer::DeckPass::drawWhole(const Layer& layer, const Side& side) {
    View.Boxes = std::span<const std::array<int, 4>>(Whole.data(), View.Boxed ? size_t(WholeCount) : 0);
    View.Windows = std::span<const DrawnWindow* const>(WholeWindows.data(), View.Boxes.size());
    View.Judged = std::span<const DrawnWindow* const>(JudgedWhole.data(), Given.Boxed ? size_t(JudgedWholeCount) : 0);
    const bool magnified = side.Half >= Reach;
    if (magnified) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, layer.MagFilter), ++Drawer.DecksMagnified;
    if (!side.Apart) {
        drawDeckPiece(side.Quad, 4, View, true);
    } else {
        drawDeckPiece(side.NearPart, side.NearCount, View, false);
        drawDeckPiece(side.FarPart, side.FarCount, View, true);
    }
    if (magnified) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, layer.MinFilter);
}

void TerrainDrawer::drawCloudLayers(const RIDUdidav& t, const Eye& eye, const GLNameOfSlot& glName,
                                    const std::array<float, 3>& light, const ScreenCover* cover,
                                    std::span<const std::array<int, 4>> boxes, DeckChoice choice) {
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_FOG_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT);
    setDeckState();
    DeckPass pass(*this, t, eye, cover);
    // Widened after the view is read: the cover's cells are the window's.
    WidenedView wide;
    if (!Exact && WidensView) wide.widen();
    pass.readBoxes(boxes, choice.Depths);
    for (int k = 0; k < RIDUdidav::kCloudLayers; ++k)
        if (t.getCloudLayer(k).TextureNumber > 0 && (choice.Layers >> k & 1u))
            pass.drawLayer(t.getCloudLayer(k), glName, light);
    glFogi(GL_FOG_COORD_SRC, GL_FRAGMENT_DEPTH);  // the attribute stack does not restore it here
    wide.restore();
    glPopAttrib();
}

}  // namespace pellam::worlddraw
