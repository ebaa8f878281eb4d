#include "objects/draw/EffectDrawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "objects/AllBombs.h"
#include "objects/Debris.h"
#include "objects/GroundClutter.h"
#include "objects/GroundExplosion.h"
#include "objects/draw/ArmedDrawing.h"
#include "objects/draw/SpriteCuts.h"
#include "render/ObjectDrawing.h"

namespace pellam::effects {
namespace {

// The drawing side of a view, null for a view that only loads textures (tests, the builder).
render::ObjectDrawingView* drawingView(ViewServices* view) { return dynamic_cast<render::ObjectDrawingView*>(view); }

// The eye's position rounded to the foot: meshes in world axes are written relative to it, so
// their corners keep their inches as floats three million feet from the origin.
void eyeOrigin(const render::ObjectDrawingView* view, double* origin) {
    for (int k = 0; k < 3; ++k) origin[k] = view ? std::floor(view->getEyeTM()[12 + k]) : 0.0;
}

void drawDebris(Debris& pool) {
    render::ObjectDrawingView* view = drawingView(pool.MainGLDrawer);
    double origin[3];
    eyeOrigin(view, origin);
    const double identity[4] = {1, 0, 0, 0};
    poseMatrix(identity, origin, pool.ThisModel.ObjectMatrix);

    ObjectPointsPolysVer2& g = pool.ModelPointsPolys();
    bool any = false;
    for (int i = 0; i < Debris::kPieces; ++i) {
        const Debris::FlakeType& f = pool.TheFlakes[i];
        OnePolygonVer2& poly = g.ThePolygons[i];
        if (f.TimeStarted == Debris::kFree) {
            poly.DrawHints |= kSkip;
            continue;
        }
        any = true;
        poly.DrawHints &= ~kSkip;
        const double s = f.FlakeSize;
        QNion turn, pitch;
        turn.QAttitude = {std::cos(-f.FHeading / 2), 0, std::sin(-f.FHeading / 2), 0};
        pitch.QAttitude = {std::cos(-f.FPitch / 2), std::sin(-f.FPitch / 2), 0, 0};
        ZephModel::multQnionsAnswer(&turn, &pitch);
        double m[16] = {};
        ZephModel::quaternionToMatrix(pitch.QAttitude.data(), m);
        const double corners[3][3] = {{-0.6 * s, 0.5 * s, 0}, {0.3 * s, 0.3 * s, 0}, {0, -s, 0}};
        for (int c = 0; c < 3; ++c) {
            double w[3];
            ZephModel::RotateVector(corners[c], w, m);
            GLT2FN3FV3FFormat& p = g.ThePoints[3 * i + c];
            p.X = float(f.GlobalX - origin[0] + w[0]);
            p.Y = float(f.GlobalY - origin[1] + w[1]);
            p.Z = float(f.GlobalZ - origin[2] + w[2]);
        }
    }
    if (view && any) view->glNewDrawOneObject(&pool.ThisModel);
}

bool cutsHiddenSprites = true;
bool unfogsFaintSprites = true;

// A sprite drawn this frame: its place and how it faces the eye.
struct ShownSprite {
    int Index;
    double Centre[3];  // world ft
    XYZInput Four[4];  // unit offsets of its corners facing the eye, world axes
    float Alpha;
};

// Writes a sprite's corner `offset` (ft from its centre, world axes) as point `p`, in the
// explosion's own axes (`m`).
void placeCorner(const GroundExplosion::ExplosionType& s, const double* m, const double* offset, GLT2FN3FV3FFormat& p) {
    double local[3];
    ZephModel::InverseRotateVector(offset, local, m);
    p.X = float(s.Pos[0] + local[0]);
    p.Y = float(s.Pos[1] + local[1]);
    p.Z = float(s.Pos[2] + local[2]);
}

// Writes polygon `poly`'s four points: the part U0..U1 across, V0..V1 up of sprite `s`'s square.
void writeQuad(GroundExplosion& boom, const double* m, const ShownSprite& shown, int poly, double u0, double u1,
               double v0, double v1) {
    const GroundExplosion::ExplosionType& s = boom.own.sprites[shown.Index];
    const XYZInput* f = shown.Four;
    const double right[3] = {(f[1].MyX - f[0].MyX) * 0.5, (f[1].MyY - f[0].MyY) * 0.5, (f[1].MyZ - f[0].MyZ) * 0.5};
    const double up[3] = {(f[0].MyX - f[3].MyX) * 0.5, (f[0].MyY - f[3].MyY) * 0.5, (f[0].MyZ - f[3].MyZ) * 0.5};
    const double corner[4][2] = {{u0, v1}, {u1, v1}, {u1, v0}, {u0, v0}};  // as effects::kQuadUV
    ObjectPointsPolysVer2& geo = boom.ModelPointsPolys();
    for (int c = 0; c < 4; ++c) {
        const double a = (2.0 * corner[c][0] - 1.0) * s.SpriteSize, b = (2.0 * corner[c][1] - 1.0) * s.SpriteSize;
        const double offset[3] = {right[0] * a + up[0] * b, right[1] * a + up[1] * b, right[2] * a + up[2] * b};
        GLT2FN3FV3FFormat& p = geo.ThePoints[4 * poly + c];
        placeCorner(s, m, offset, p);
        p.U = float(corner[c][0]);
        p.V = float(corner[c][1]);
    }
}

// The alpha sums of the pictures sprites are cut by, kept by texture slot while the slot holds
// the picture they were read from: reading one back from the GL copies every texel.
struct KeptAlpha {
    uint64_t Picture = 0;  // as the view names it; 0 none kept
    AlphaSums Sums;        // empty: the picture has no alpha of its own
};
thread_local std::unordered_map<int32_t, KeptAlpha> keptAlpha;

// Near the eye the column's sprites are hundreds of pixels across and blended dozens deep; each
// is drawn only in the cells of the window where it can change a pixel (objects/draw/SpriteCuts.h).
// The pieces' texture coordinates are interpolated over smaller quads, which may round a texel's
// weight the other way: drawn only when shortcuts are allowed.
void cutHiddenParts(GroundExplosion& boom, render::ObjectDrawingView& view, const double* m,
                    const std::vector<ShownSprite>& shown) {
    render::ObjectDrawingView::EyeWindow eye;
    if (shown.size() < 2 || !view.eyeWindow(eye)) return;
    ObjectPointsPolysVer2& geo = boom.ModelPointsPolys();
    std::vector<int> maps(shown.size(), -1);  // each sprite's picture; -1 clipped whole, never cut
    const double* r = view.getEyeRM();
    const double* E = view.getEyeTM();
    std::vector<FacingSprite> sprites(shown.size());
    double onScreen = 0;  // px
    for (size_t i = 0; i < shown.size(); ++i) {
        const GroundExplosion::ExplosionType& s = boom.own.sprites[shown[i].Index];
        const double d[3] = {shown[i].Centre[0] - E[12], shown[i].Centre[1] - E[13], shown[i].Centre[2] - E[14]};
        const double ex = r[0] * d[0] + r[4] * d[1] + r[8] * d[2], ey = r[1] * d[0] + r[5] * d[1] + r[9] * d[2],
                     ez = r[2] * d[0] + r[6] * d[1] + r[10] * d[2];
        FacingSprite& f = sprites[i];
        f.Depth = ez;
        if (ez <= eye.Near) continue;  // clipped whole by the GL
        const double sx = eye.Width / (eye.Right - eye.Left), sy = eye.Height / (eye.Top - eye.Bottom);
        f.Left = eye.X + ((ex - s.SpriteSize) / ez - eye.Left) * sx;
        f.Right = eye.X + ((ex + s.SpriteSize) / ez - eye.Left) * sx;
        f.Bottom = eye.Y + ((ey - s.SpriteSize) / ez - eye.Bottom) * sy;
        f.Top = eye.Y + ((ey + s.SpriteSize) / ez - eye.Bottom) * sy;
        const int map = std::clamp(s.Map, 0, GroundExplosion::kPictures - 1);
        maps[i] = map;
        f.Opacity = shown[i].Alpha;
        const double across = std::min<double>(f.Right, eye.X + eye.Width) - std::max<double>(f.Left, eye.X),
                     up = std::min<double>(f.Top, eye.Y + eye.Height) - std::max<double>(f.Bottom, eye.Y);
        if (across > 0 && up > 0) onScreen += across * up;
    }
    // Sprites covering less than a tenth of the window between them are not worth the cutting.
    if (onScreen < 0.1 * eye.Width * eye.Height) return;
    // The pictures' alpha as the GL samples it, read when a picture is first cut by or has been
    // replaced; one the view does not name is read for this drawing alone.
    std::array<AlphaSums, GroundExplosion::kPictures> unnamed;
    std::array<const AlphaSums*, GroundExplosion::kPictures> pictures{};
    std::vector<uint8_t> alpha;
    for (int k = 0; k < GroundExplosion::kPictures; ++k) {
        const int32_t slot = geo.MapListOffset[k];
        const uint64_t picture = view.texturePicture(slot);
        AlphaSums& sums = picture ? keptAlpha[slot].Sums : unnamed[size_t(k)];
        pictures[size_t(k)] = &sums;
        if (picture && keptAlpha[slot].Picture == picture) continue;
        int w = 0, h = 0;
        sums = view.textureAlpha(slot, alpha, w, h) ? AlphaSums(alpha.data(), w, h) : AlphaSums();
        if (picture) keptAlpha[slot].Picture = picture;
    }
    for (size_t i = 0; i < shown.size(); ++i)
        if (maps[i] >= 0) sprites[i].Alpha = pictures[size_t(maps[i])];
    const SpriteWindow window{eye.X, eye.Y, eye.Width, eye.Height, eye.Near, eye.Far};
    SpriteCuts cuts;
    // Entries of the pass's transparent queue kept for the objects drawn after.
    constexpr int kKeptForLater = 650;
    const int room = std::min(GroundExplosion::kPieces, view.transparentRoom() - kKeptForLater);
    cutSprites(sprites, window, room, cuts);
    for (size_t i = 0; i < shown.size(); ++i)
        if (cuts.draw[i] != SpriteCuts::Draw::Whole) geo.ThePolygons[shown[i].Index].DrawHints |= kSkip;
    int next = GroundExplosion::kSprites;
    for (const SpritePiece& p : cuts.pieces) {
        const ShownSprite& from = shown[size_t(p.Sprite)];
        OnePolygonVer2& poly = geo.ThePolygons[next];
        const OnePolygonVer2& whole = geo.ThePolygons[from.Index];
        poly.DrawHints = whole.DrawHints & ~kSkip;
        poly.PolyColor = whole.PolyColor;
        poly.MapNumber = whole.MapNumber;
        writeQuad(boom, m, from, next, p.U0, p.U1, p.V0, p.V1);
        ++next;
    }
}

void drawExplosion(GroundExplosion& boom, float alpha) {
    render::ObjectDrawingView* view = drawingView(boom.MainGLDrawer);
    if (!view) return;
    ObjectPointsPolysVer2& geo = boom.ModelPointsPolys();
    const QNion& pose = boom.live.attitude;
    double m[16] = {};
    ZephModel::quaternionToMatrix(pose.QAttitude.data(), m);
    for (int k = GroundExplosion::kSprites; k < GroundExplosion::kSprites + GroundExplosion::kPieces; ++k)
        geo.ThePolygons[k].DrawHints |= kSkip;
    const double* eye = view->exactDrawing() ? nullptr : view->eyePosition();
    static thread_local std::vector<ShownSprite> shown;
    shown.clear();
    for (int k = 0; k < GroundExplosion::kSprites; ++k) {
        const GroundExplosion::ExplosionType& s = boom.own.sprites[k];
        OnePolygonVer2& poly = geo.ThePolygons[k];
        if (s.Pos[1] <= -5000.0) {
            poly.DrawHints |= kSkip;
            continue;
        }
        // A square of the sprite's size facing the eye, turned into the explosion's own axes.
        ShownSprite one{k, {}, {}, alpha};
        double world[3];
        ZephModel::RotateVector(s.Pos.data(), world, m);
        for (int c = 0; c < 3; ++c) one.Centre[c] = world[c] + pose.Position[c];
        const double* centre = one.Centre;
        view->glMakeFacingSquare(centre, one.Four);
        for (int c = 0; c < 4; ++c) {
            const double offset[3] = {one.Four[c].MyX * s.SpriteSize, one.Four[c].MyY * s.SpriteSize,
                                      one.Four[c].MyZ * s.SpriteSize};
            placeCorner(s, m, offset, geo.ThePoints[4 * k + c]);
        }
        poly.DrawHints &= ~(kSkip | kNoFog);
        // Fogging every pixel of a sprite hundreds of pixels across costs more than its picture;
        // where the fog cannot move a colour by half a level out to the sprite's far corners, none.
        // Saves, in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii,
        // chase, low_front, wreck_smoke): 0, 0, 0, 0, 28.6 M.
        if (eye && unfogsFaintSprites &&
            view->fogFaintWithin(std::hypot(centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]) + 1.5 * s.SpriteSize))
            poly.DrawHints |= kNoFog;
        poly.PolyColor[3] = one.Alpha;
        poly.MapNumber = int16_t(s.Map);
        shown.push_back(one);
    }
    if (!view->exactDrawing() && cutsHiddenSprites) cutHiddenParts(boom, *view, m, shown);
    if (!shown.empty()) view->glNewDrawOneObject(&boom.ThisModel);
}

// One bomb: the shape moved by `offset` (its rack station), under the matrix already set.
void drawOneBomb(AllBombs& pool, render::ObjectDrawingView& view, const std::array<double, 3>& offset) {
    const auto& shape = AllBombs::bombShape();
    GLT2FN3FV3FFormat* p = pool.ModelPointsPolys().ThePoints;
    for (int i = 0; i < AllBombs::kBombPoints; ++i) {
        p[i].X = float(shape[i].X + offset[0]);
        p[i].Y = float(shape[i].Y + offset[1]);
        p[i].Z = float(shape[i].Z + offset[2]);
    }
    view.glNewDrawOneObject(&pool.ThisModel);
}

void drawBombs(AllBombs& pool) {
    render::ObjectDrawingView* view = drawingView(pool.MainGLDrawer);
    if (!view) return;
    ModelArray* models = pool.aController ? pool.aController->getModelArray() : nullptr;
    ObjectPointsPolysVer2& g = pool.ModelPointsPolys();
    OnePolygonVer2* polygons = g.ThePolygons;
    std::array<double, 16>& matrix = pool.ThisModel.ObjectMatrix;
    polygons[AllBombs::kMarkPolygon].MapNumber = -1;  // the bomb alone
    for (const AllBombs::BombOrRocket& b : pool.own.bombs) {
        if (b.TimeStarted == AllBombs::kHanging) {
            ZephModel* carrier = models ? models->at(b.ObjectNumber) : nullptr;
            if (!carrier) continue;
            QNion pose;
            carrier->getSlerpingQN(&pose);
            const double* slider = carrier->getSliderValues();
            double at[3];
            for (int c = 0; c < 3; ++c) at[c] = pose.Position[c] + (slider ? slider[c] : 0.0);
            poseMatrix(pose.QAttitude.data(), at, matrix);
            drawOneBomb(pool, *view, b.PositionOffset);
        } else if (b.TimeStarted > 0) {
            // Nose along the path: pitch from the climb, heading from the ground track.
            const double* v = b.XYZSpeed.data();
            const double h = std::atan2(v[0], v[2]);
            const double p = std::atan2(v[1], std::sqrt(v[0] * v[0] + v[2] * v[2]));
            QNion pitch, heading;
            pitch.QAttitude = {std::cos(p / 2), std::sin(p / 2), 0, 0};
            heading.QAttitude = {std::cos(-h / 2), 0, std::sin(-h / 2), 0};
            ZephModel::multQnionsAnswer(&pitch, &heading);
            poseMatrix(heading.QAttitude.data(), b.Pos.data(), matrix);
            drawOneBomb(pool, *view, {0, 0, 0});
        }
    }
    polygons[AllBombs::kMarkPolygon].MapNumber = 0;
    g.ThePolygons = polygons + AllBombs::kMarkPolygon;  // the mark quad alone
    for (const AllBombs::GroundSmudge& m : pool.own.marks) {
        if (m.Pos[1] <= -9000.0) continue;
        QNion pitch, bank;
        pitch.QAttitude = {std::cos(-m.Pitch / 2), std::sin(-m.Pitch / 2), 0, 0};
        bank.QAttitude = {std::cos(-m.Bank / 2), 0, 0, std::sin(-m.Bank / 2)};
        ZephModel::multQnionsAnswer(&pitch, &bank);
        poseMatrix(bank.QAttitude.data(), m.Pos.data(), matrix);
        view->glNewDrawOneObject(&pool.ThisModel);
    }
    g.ThePolygons = polygons;
}

void drawTrees(GroundClutter& trees, int32_t t) {
    render::ObjectDrawingView* view = drawingView(trees.MainGLDrawer);
    if (!view) return;
    const double* E = view->getEyeTM();
    trees.seenFrom(t, E, view->getEyeRM());

    double origin[3];
    eyeOrigin(view, origin);
    const double identity[4] = {1, 0, 0, 0};
    poseMatrix(identity, origin, trees.ThisModel.ObjectMatrix);
    ObjectPointsPolysVer2& g = trees.ModelPointsPolys();
    bool any = false;
    for (int i = 0; i < GroundClutter::kTrees; ++i) {
        const GroundClutter::OneGCTree1& tree = trees.GCTrees[i];
        OnePolygonVer2* planes = &g.ThePolygons[2 * i];
        if (tree.Size == 0.0) {
            planes[0].DrawHints |= kSkip;
            planes[1].DrawHints |= kSkip;
            continue;
        }
        any = true;
        const double s = tree.Size;
        const float x = float(tree.XYZPosition[0] - origin[0]), y = float(tree.XYZPosition[1] - origin[1]),
                    z = float(tree.XYZPosition[2] - origin[2]);
        const float half = float(GroundClutter::kHalfWidth * s), top = y + float(GroundClutter::kHeight * s);
        // Plane 1 along X, plane 2 along Z; corners top-left, top-right, foot-right, foot-left.
        const float corners[2][4][3] = {
            {{x - half, top, z}, {x + half, top, z}, {x + half, y, z}, {x - half, y, z}},
            {{x, top, z - half}, {x, top, z + half}, {x, y, z + half}, {x, y, z - half}}};
        for (int p = 0; p < 2; ++p) {
            planes[p].DrawHints &= ~kSkip;
            planes[p].MapNumber = int16_t(std::clamp(tree.TreeType, 0, GroundClutter::kPictures - 1));
            for (int c = 0; c < 4; ++c) {
                GLT2FN3FV3FFormat& v = g.ThePoints[8 * i + 4 * p + c];
                v.X = corners[p][c][0];
                v.Y = corners[p][c][1];
                v.Z = corners[p][c][2];
            }
        }
    }
    if (any) view->glNewDrawOneObject(&trees.ThisModel);
}

const DrawingHooks kHooks{drawDebris, drawExplosion, drawBombs, drawTrees};

}  // namespace

void setCutHiddenSprites(bool on) { cutsHiddenSprites = on; }
void setUnfogsFaintSprites(bool on) { unfogsFaintSprites = on; }

void useEffectDrawing() {
    setDrawingHooks(&kHooks);
    armed::useArmedDrawing();
}

}  // namespace pellam::effects
