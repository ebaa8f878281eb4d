#include "objects/draw/ArmedDrawing.h"

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
    quad.DrawHints = 0x11;
    quad.PointListStart = 0;
    PointUV uvs[5];
    for (int c = 0; c < 4; ++c) uvs[c] = {int16_t(c), effects::kQuadUV[c][0], effects::kQuadUV[c][1]};
    uvs[4].PointNumber = -1;
    // White light: the sprite shows its picture's own colours.
    const MaterialLightData light{1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 0};
    const int16_t upright = wreck ? gunner.style().blackMap : gunner.style().blueMap;
    const auto& maps = owner.ModelPointsPolys().MapListOffset;
    for (int k = GroundGunner::kRing - 1; k >= 0; --k) {
        GunnerSmoke& s = ring[k];
        const SpriteLook l = gunner.look(s, t, wreck);
        if (!l.shown || l.map < 0 || l.map >= int(maps.size())) continue;
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

void gunnerSmokes(TableModel& owner, GroundGunner& gunner, int32_t t, bool wreck) {
    render::ObjectDrawingView* view = drawingView(owner.MainGLDrawer);
    if (!view) return;
    static const double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    view->setupDrawingMatrixForModel(kIdentity);
    drawRing(owner, gunner, gunner.OurGunSmokes, t, false, *view);
    if (wreck) drawRing(owner, gunner, gunner.OurSmokes, t, true, *view);
}

const DrawingHooks kHooks{drawObject, gunnerSmokes, facingSquare};

}  // namespace

void useArmedDrawing() { setDrawingHooks(&kHooks); }

}  // namespace pellam::armed
