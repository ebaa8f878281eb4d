// Runs of one look held back and drawn with an earlier run of that look, ahead of the runs between,
// where they share no pixel with those (or only a few, opaque, where the depth test alone decides);
// across aircraft too. Skips a texture and state change a run (a 33 KB copy of the software
// rasteriser's fragment state each). The picture stays the same: no pixel is drawn over in another
// order, and the material the plain order would leave is put back before any run drawn in place.
// Saves, in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii, chase,
// low_front, wreck_smoke): 2.1, 1.6, 3.7, 0, 0 M.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"
#include "render/SameLook.h"

namespace pellam::render {
using namespace objectdraw;

namespace {

// The material a polygon sets when drawn lit, else null.
const MaterialLightData* litMaterial(const OnePolygonVer2& p, const MaterialLightData* materials, int index) {
    if (p.DrawHints & (kUntextured | kUnlit)) return nullptr;
    return &materials[index];
}

// Two batches drawn in either order light the same pixels alike but where they lie at one
// depth, which takes the one drawn last (or first, under GL_LESS): only the pixels both may light.
// Far aircraft, a few dozen pixels across, are passed through; near ones keep their order.
template <class Box>
bool fewShared(const Box& a, const Box& b) {
    constexpr double kMostShared = 48.0 * 48.0;  // px
    const double wide = std::min(a.X1, b.X1) - std::max(a.X0, b.X0), high = std::min(a.Y1, b.Y1) - std::max(a.Y0, b.Y0);
    return wide * high <= kMostShared;
}

}  // namespace

// Opaque batches written where they lie nearer than what is there: where two share a pixel,
// which is drawn first changes it only where they lie at one depth. Marks are drawn over
// their surfaces without writing depth, after them: these keep their place.
bool MyZephGLView::mayPassHeld(const ObjectRun& r) const {
    if (!(r.Batching && r.MayCarry && gathersHeld_ && !r.Coloured && (!r.Blended || plainWhereSure_))) return false;
    GLint func = 0;
    GLboolean writes = GL_FALSE;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
    return (func == GL_LESS || func == GL_LEQUAL) && writes && glIsEnabled(GL_DEPTH_TEST) &&
           !glIsEnabled(GL_STENCIL_TEST);
}

// What a batch inherits from the one before (the lit material, which untextured lit polygons do
// not set, and the diffuse alpha kept with a colour already set) is put back as the plain order
// leaves it before any batch drawn in place and at the object's end; batches that inherit it are
// drawn in place. Batches held from an earlier aircraft carry the plain order's material on with them.
void MyZephGLView::notePlainStart(ObjectRun& r) {
    if (heldCount_ == 0)
        plainMaterial_ = {{CurrentMaterial_[kAmR], CurrentMaterial_[kAmG], CurrentMaterial_[kAmB]},
                          {CurrentMaterial_[kDifR], CurrentMaterial_[kDifG], CurrentMaterial_[kDifB]},
                          diffuseAlpha_};
    r.Start = plainMaterial_;
}

// Whether the batch is drawn alike wherever it is drawn: its state is all its own.
bool MyZephGLView::movableBatch(const OnePolygonVer2& p, const ObjectRun& r) const {
    if ((p.DrawHints & kUntextured) && !(p.DrawHints & kUnlit)) return false;
    const MaterialLightData* m = litMaterial(p, r.Materials, materialIndex(p));
    if (!m) return true;
    // A material whose colour another one (or the one GL held) shares with another alpha
    // takes the alpha of whichever was set last.
    const auto clash = [m](double red, double green, double blue, float alpha) {
        return red == m->DiffuseRed && green == m->DiffuseGreen && blue == m->DiffuseBlue && alpha != m->a2;
    };
    if (clash(r.Start.Diffuse[0], r.Start.Diffuse[1], r.Start.Diffuse[2], r.Start.Alpha)) return false;
    for (int k = 0; k < kMaxMaterials; ++k) {
        const MaterialLightData& o = r.Materials[k];
        if (clash(o.DiffuseRed, o.DiffuseGreen, o.DiffuseBlue, o.a2)) return false;
    }
    return true;
}

// The material GL holds after the batch in the plain order: set, as setPolygonState sets it,
// where its colour changes.
void MyZephGLView::notePlainMaterial(const OnePolygonVer2& p, const ObjectRun& r) {
    const MaterialLightData* m = litMaterial(p, r.Materials, materialIndex(p));
    if (!m) return;
    PlainMaterial& plain = plainMaterial_;
    auto& a = plain.Ambient;
    if (m->AmbientRed != a[0] || m->AmbientGreen != a[1] || m->AmbientBlue != a[2]) {
        a = {m->AmbientRed, m->AmbientGreen, m->AmbientBlue};
        plain.AmbientSent = &m->AmbientRed;
    }
    auto& d = plain.Diffuse;
    if (m->DiffuseRed != d[0] || m->DiffuseGreen != d[1] || m->DiffuseBlue != d[2]) {
        d = {m->DiffuseRed, m->DiffuseGreen, m->DiffuseBlue};
        plain.Alpha = m->a2;
        plain.DiffuseSent = &m->DiffuseRed;
    }
}

// Opaque where drawn: no mark, and blending off (it is left off only where the alpha is
// surely 1: for a movable lit polygon, its own material's, which no other shares a colour with).
bool MyZephGLView::passesMeeting(const OnePolygonVer2& p, const ObjectRun& r) const {
    if (!heldPassMeeting_ || (p.DrawHints & kOffset)) return false;
    return !r.Blended || alwaysOpaque(p, *r.G, r.Materials);
}

void MyZephGLView::holdBatch(const OnePolygonVer2& p, const ObjectRun& r) {
    const ObjectPointsPolysVer2& g = *r.G;
    // The batch joins the earliest held one of its look it can reach, or is drawn just after
    // it where that is another part's or object's: it meets none of the held batches it
    // passes, but opaque ones that share a few pixels with it at most, where only the depth
    // test decides. The earliest, so that the later batches of an aircraft like the one
    // before can still reach theirs.
    size_t at = heldCount_;
    const bool passable = passesMeeting(p, r);
    for (size_t k = heldCount_; k-- > 0;) {
        HeldBatch& b = held_.Batches[held_.Order[k]];
        if (heldAlike(b, p, g, r.Materials)) at = k;
        if (b.Box.meets(batchBox_) && !(passable && b.Passable && fewShared(b.Box, batchBox_))) break;
    }
    if (at < heldCount_) {
        HeldBatch& b = held_.Batches[held_.Order[at]];
        if (b.G == &g && b.Matrix == FinalMatrix_) {
            b.Triangles.insert(b.Triangles.end(), batch_.begin(), batch_.end());
            b.Box.widen(batchBox_);
            b.Flat = b.Flat && batchFlat_;
            return;
        }
        // One filled smooth goes ahead of a flat one of its look where it may pass it: then
        // the run of the look is drawn in one shade model (see shadeFor), one state.
        const bool ahead = !batchFlat_ && b.Flat &&
                           (!b.Box.meets(batchBox_) || (passable && b.Passable && fewShared(b.Box, batchBox_)));
        if (!ahead) ++at;
    }
    if (heldCount_ == 0) {
        held_.AlphaTested = r.AlphaTested;
        held_.Blended = r.Blended;
        held_.PlainWhereSure = plainWhereSure_;
        held_.Materials = r.Materials;
    }
    if (heldCount_ == held_.Batches.size()) held_.Batches.emplace_back();
    const auto slot = uint16_t(heldCount_++);
    HeldBatch& b = held_.Batches[slot];
    b.Head = &p;
    b.G = &g;
    b.Materials = r.Materials;
    b.Matrix = FinalMatrix_;
    b.Arrays = objectArrays_;
    b.Box = batchBox_;
    b.Triangles.assign(batch_.begin(), batch_.end());
    b.Flat = batchFlat_;
    b.Passable = passable;
    held_.Order.insert(held_.Order.begin() + long(at), slot);
}

bool MyZephGLView::sameMaterials(const MaterialLightData* a, const MaterialLightData* b) {
    if (a == b) return true;
    if (!a || !b) return false;
    for (int k = 0; k < kMaxMaterials; ++k)
        if (!sameMaterial(a[k], b[k])) return false;
    return true;
}

[[gnu::always_inline]] inline bool MyZephGLView::heldAlike(const HeldBatch& b, const OnePolygonVer2& p,
                                                          const ObjectPointsPolysVer2& g,
                                                          const MaterialLightData* materials) {
    if (b.G == &g) return sameLook(*b.Head, p, g);
    // Another object's: the same picture and the same material by value (the tables are alike).
    const int32_t h = p.DrawHints;
    if (b.Head->DrawHints != h) return false;
    if (!(h & kUntextured) && pictureSlot(*b.Head, *b.G) != pictureSlot(p, g)) return false;
    if (!(h & kUnlit) && !sameMaterial(b.Materials[materialIndex(*b.Head)], materials[materialIndex(p)])) return false;
    if ((h & (kUntextured | kUnlit)) && b.Head->PolyColor != p.PolyColor) return false;
    return true;
}

bool MyZephGLView::sameMaterial(const MaterialLightData& x, const MaterialLightData& y) {
    return x.AmbientRed == y.AmbientRed && x.AmbientGreen == y.AmbientGreen && x.AmbientBlue == y.AmbientBlue &&
           x.DiffuseRed == y.DiffuseRed && x.DiffuseGreen == y.DiffuseGreen && x.DiffuseBlue == y.DiffuseBlue &&
           x.a2 == y.a2 && x.SpecularRed == y.SpecularRed && x.SpecularGreen == y.SpecularGreen &&
           x.SpecularBlue == y.SpecularBlue && x.Shinny == y.Shinny;
}

void MyZephGLView::drawHeld(bool inObject) {
    if (heldCount_ == 0) return;
    // Each batch in its own object's points and pose; the object being drawn gets its own back.
    const bool plainWhereSure = plainWhereSure_;
    plainWhereSure_ = held_.PlainWhereSure;
    ArraysAt arrays = inObject ? objectArrays_ : ArraysAt{};
    const GLMatrix* matrix = inObject ? &FinalMatrix_ : nullptr;
    for (size_t k = 0; k < heldCount_; ++k) {
        HeldBatch& b = held_.Batches[held_.Order[k]];
        if (b.Arrays.Points != arrays.Points || b.Arrays.Format != arrays.Format) {
            arrays = b.Arrays;
            glInterleavedArrays(arrays.Format, 0, arrays.Points);
        }
        if (!matrix || *matrix != b.Matrix) {
            matrix = &b.Matrix;
            glLoadMatrixd(matrix->data());
        }
        const FragmentState before = fragmentState();
        setPolygonState(*b.Head, *b.G, b.Materials, held_.AlphaTested, held_.Blended);
        chooseBatchFilter(*b.Head, *b.G, b.Triangles);
        heldStateChanges_ += fragmentState() != before;
        shadeFor(b.Flat, b.Box, before);
        noteDepths(b.Box);
        keepMarkDepth(*b.Head, *b.G, b.Materials, b.Matrix, b.Arrays, GL_TRIANGLES, b.Triangles);
        drawTriangles(b.Triangles);
        undoMarkDepth(*b.Head);
    }
    heldCount_ = 0;
    held_.Order.clear();
    plainWhereSure_ = plainWhereSure;
    if (inObject) {
        if (arrays.Points != objectArrays_.Points || arrays.Format != objectArrays_.Format)
            glInterleavedArrays(objectArrays_.Format, 0, objectArrays_.Points);
        if (*matrix != FinalMatrix_) glLoadMatrixd(FinalMatrix_.data());
    } else {
        setFlat(false);
        setAlphaTest(held_.AlphaTested);
        setBlend(held_.Blended);
    }
    // Only a material set by a held batch can differ from the plain order's.
    const PlainMaterial& plain = plainMaterial_;
    const auto& a = plain.Ambient;
    if (plain.AmbientSent &&
        (a[0] != CurrentMaterial_[kAmR] || a[1] != CurrentMaterial_[kAmG] || a[2] != CurrentMaterial_[kAmB])) {
        glMaterialfv(GL_FRONT, GL_AMBIENT, plain.AmbientSent);
        CurrentMaterial_[kAmR] = a[0], CurrentMaterial_[kAmG] = a[1], CurrentMaterial_[kAmB] = a[2];
    }
    const auto& d = plain.Diffuse;
    if (plain.DiffuseSent && (d[0] != CurrentMaterial_[kDifR] || d[1] != CurrentMaterial_[kDifG] ||
                              d[2] != CurrentMaterial_[kDifB] || plain.Alpha != diffuseAlpha_)) {
        glMaterialfv(GL_FRONT, GL_DIFFUSE, plain.DiffuseSent);
        CurrentMaterial_[kDifR] = d[0], CurrentMaterial_[kDifG] = d[1], CurrentMaterial_[kDifB] = d[2];
        diffuseAlpha_ = plain.Alpha;
    }
    if (held_.ForgetDiffuse) CurrentMaterial_[kDifR] = -1;
    held_.ForgetDiffuse = false;
}

}  // namespace pellam::render
