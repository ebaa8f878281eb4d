#include "objects/draw/ArmedDrawing.h"

#include <algorithm>
#include <cmath>

#include "core/DrawHints.h"
#include "objects/ArmedDrawingHooks.h"
#include "objects/EffectModel.h"
#include "render/ObjectDrawing.h"

namespace pellam::armed {
namespace {

render::ObjectDrawingView* drawingView(ViewServices* view) { return dynamic_cast<render::ObjectDrawingView*>(view); }

void drawObject(TableModel& owner) {
    if (render::ObjectDrawingView* view = drawingView(owner.MainGLDrawer)) view->glNewDrawOneObject(&owner.ThisModel);
}

bool facingSquare(TableModel& owner, const double* centre, XYZInput* four) {
    render::ObjectDrawingView* view = drawingView(owner.MainGLDrawer);
    if (!view) return false;
    view->glMakeFacingSquare(centre, four);
    return true;
}

// One ring, highest slot first. Tracer puffs and black smoke stand upright, turned only about
// the vertical; fire faces the eye.
void drawRing(TableModel& owner, const GroundGunner& gunner, std::array<GunnerSmoke, GroundGunner::kRing>& ring,
              int32_t t, bool wreck, render::ObjectDrawingView& view) {
    OnePolygon quad;
    quad.MapNumber = 5;
    quad.DefaultDrawType = 3;
    quad.DrawHints = kTransparent | kUnlit;
    quad.PointListStart = 0;
    PointUV uvs[5];
    for (int c = 0; c < 4; ++c) uvs[c] = {int16_t(c), effects::kQuadUV[c][0], effects::kQuadUV[c][1]};
    uvs[4].PointNumber = -1;
    // White light: the sprite shows its picture's own colours.
    const MaterialLightData light{1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 0};
    const int16_t upright = wreck ? gunner.style().blackMap : gunner.style().blueMap;
    const auto& maps = owner.ModelPointsPolys().MapListOffset;
    // The farthest sprites go first, so that each blends over those behind it.
    const double* eye = view.getEyeTM() + 12;
    std::array<std::pair<double, int16_t>, GroundGunner::kRing> order;
    std::array<SpriteLook, GroundGunner::kRing> looks;
    int live = 0;
    for (int k = GroundGunner::kRing - 1; k >= 0; --k) {
        GunnerSmoke& s = ring[k];
        looks[k] = gunner.look(s, t, wreck);
        if (!looks[k].shown || looks[k].map < 0 || looks[k].map >= int(maps.size())) continue;
        if (!view.drawsSmokeAt(s.XYZPosition[1])) continue;  // drawn in another band about the decks
        const double* p = s.XYZPosition.data();
        order[live++] = {std::hypot(p[0] - eye[0], p[1] - eye[1], p[2] - eye[2]), int16_t(k)};
    }
    std::sort(order.begin(), order.begin() + live, [](const auto& a, const auto& b) { return a.first > b.first; });
    for (int n = 0; n < live; ++n) {
        const GunnerSmoke& s = ring[order[n].second];
        const SpriteLook& l = looks[order[n].second];
        XYZInput four[4];
        if (s.SmokeColor == upright) view.glMakeFacingSquareHeadingOnly(s.XYZPosition.data(), four);
        else view.glMakeFacingSquare(s.XYZPosition.data(), four);
        for (XYZInput& p : four) {
            p.MyX = p.MyX * l.halfWidth + s.XYZPosition[0];
            p.MyY = p.MyY * l.halfWidth + s.XYZPosition[1];
            p.MyZ = p.MyZ * l.halfWidth + s.XYZPosition[2];
            p.Myr = p.Myg = p.Myb = 1.0f;
            p.Mya = l.alpha;
        }
        view.glSetCurrentTexture(maps[l.map], 12);
        view.glDrawTransparentTexture(&quad, four, uvs, &light);
    }
}

// The tracer puffs.
void drawMyGunSmokeItems(TableModel& owner, GroundGunner& gunner, int32_t t, render::ObjectDrawingView& view) {
    drawRing(owner, gunner, gunner.own.gunSmokes, t, false, view);
}

// The wreck's fire and smoke; the caller draws it only while the owner is down.
void drawFireAndSmoke(TableModel& owner, GroundGunner& gunner, int32_t t, render::ObjectDrawingView& view) {
    drawRing(owner, gunner, gunner.own.smokes, t, true, view);
}

void gunnerSmokes(TableModel& owner, GroundGunner& gunner, int32_t t, bool wreck) {
    render::ObjectDrawingView* view = drawingView(owner.MainGLDrawer);
    if (!view) return;
    static const double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    view->setupDrawingMatrixForModel(kIdentity);
    drawMyGunSmokeItems(owner, gunner, t, *view);
    if (wreck) drawFireAndSmoke(owner, gunner, t, *view);
}

const DrawingHooks kHooks{drawObject, gunnerSmokes, facingSquare};

}  // namespace

void useArmedDrawing() { setDrawingHooks(&kHooks); }

}  // namespace pellam::armed
