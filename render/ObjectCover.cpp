// Objects not sent at all: those whose bounding sphere lies wholly outside the view, or wholly in
// screen cells the cockpit's cover hides (the cover marked first, at its own or the nearest depth).
// The picture stays the same: what lies outside the frustum is clipped whole by the GL, and what
// the cover hides fails the depth test. The cover's own polygons are marked once and then left out
// of the cockpit's drawing. Leaving out the aircraft so saves, in instructions a frame of the game
// frame benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): 3.7, 3.7, 5.0, 0, 4.0 M.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <bitset>
#include <tuple>

#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"

namespace pellam::render {
using namespace objectdraw;

double MyZephGLView::reachOf(const OneCompleteObjectVer2& object, const ObjectPointsPolysVer2& g,
                             const OnePolygonVer2* polygons) {
    // A sphere about the object's origin holding its extents, widened by the farthest part posed
    // apart from it (a wing set that has come off) and by the hit flash's half size. Only the part
    // slots the polygons switch to are drawn: a slot none names may hold anything (all zeros when
    // the record leaves it unset, which would place a part millions of feet off).
    constexpr double kFlashReach = 8.0;  // ft
    const auto& e = g.ObjectExtends;
    double r2 = 0;
    for (int axis = 0; axis < 3; ++axis) {
        const double reach = std::fmax(std::fabs(e[2 * axis]), std::fabs(e[2 * axis + 1]));
        r2 += reach * reach;
    }
    if (!(r2 > 0) || !std::isfinite(r2)) return 0;  // no extents: nothing to bound it by
    const auto scaleOf = [](const std::array<double, 16>& m) {
        double scale = 0;
        for (int c = 0; c < 3; ++c)
            scale = std::fmax(scale, std::sqrt(m[4 * c] * m[4 * c] + m[4 * c + 1] * m[4 * c + 1] + m[4 * c + 2] * m[4 * c + 2]));
        return scale;
    };
    const auto& m = object.ObjectMatrix;
    double scale = scaleOf(m), apart = 0;
    constexpr int kParts = int(std::tuple_size_v<decltype(object.OptionalObjectMatrix)>);
    std::bitset<kParts> seen;
    for (const OnePolygonVer2* p = polygons; p && p->MapNumber >= 0; ++p) {
        // As the drawer reads them: a polygon without a run switches to part -FirstItem.
        if ((p->DrawHints & kSkip) || p->FirstItem >= 0) continue;
        const int k = -p->FirstItem;
        if (k > kParts || seen[k - 1]) continue;
        seen[k - 1] = true;
        const auto& part = object.OptionalObjectMatrix[k - 1];
        const double dx = part[12] - m[12], dy = part[13] - m[13], dz = part[14] - m[14];
        apart = std::fmax(apart, std::sqrt(dx * dx + dy * dy + dz * dz));
        scale = std::fmax(scale, scaleOf(part));
    }
    const double r = std::sqrt(r2) * scale + apart + kFlashReach;
    return std::isfinite(r) ? r : 0;
}

bool MyZephGLView::outsideView(double r) const {
    if (!(r > 0)) return false;
    // The centre in GL's eye space, looking down -z; each side plane passes through the eye and an
    // edge of the near rectangle.
    const double x = FinalMatrix_[12], y = FinalMatrix_[13], z = FinalMatrix_[14];
    const double n = ViewFrustumNear_;
    const auto beyond = [&](double along, double edge, double sign) {
        return sign * (n * along + edge * z) / std::sqrt(n * n + edge * edge) > r;
    };
    return -z + r < n || -z - r > ViewFrustumFar_ || beyond(x, ViewFrustumLeft_, -1) || beyond(x, ViewFrustumRight_, 1) ||
           beyond(y, ViewFrustumBottom_, -1) || beyond(y, ViewFrustumTop_, 1);
}

bool MyZephGLView::alphaFollowsOrder(const MaterialLightData* materials) const {
    const auto clash = [](const MaterialLightData& m, double r, double g, double b, float alpha) {
        return r == m.DiffuseRed && g == m.DiffuseGreen && b == m.DiffuseBlue && alpha != m.a2;
    };
    for (int k = 0; k < kMaxMaterials; ++k) {
        const MaterialLightData& m = materials[k];
        if (clash(m, CurrentMaterial_[kDifR], CurrentMaterial_[kDifG], CurrentMaterial_[kDifB], diffuseAlpha_)) return true;
        for (int j = 0; j < k; ++j)
            if (clash(m, materials[j].DiffuseRed, materials[j].DiffuseGreen, materials[j].DiffuseBlue, materials[j].a2))
                return true;
    }
    return false;
}

bool MyZephGLView::depthTestedNearer() {
    if (!glIsEnabled(GL_DEPTH_TEST)) return false;
    GLint test = GL_ALWAYS;
    glGetIntegerv(GL_DEPTH_FUNC, &test);
    return test == GL_LESS || test == GL_LEQUAL;
}

bool MyZephGLView::sphereHidden(double radius) const {
    // The cube about the sphere, all in front of the eye, projects within the box of its corners.
    if (!(radius > 0)) return false;
    const std::array<double, 16>& p = partEye_.Projection;
    const double cx = FinalMatrix_[12], cy = FinalMatrix_[13], cz = FinalMatrix_[14];
    ScreenBox box = kNoScreen;
    for (int corner = 0; corner < 8; ++corner) {
        const double x = cx + (corner & 1 ? radius : -radius), y = cy + (corner & 2 ? radius : -radius),
                     z = cz + (corner & 4 ? radius : -radius);
        double at[2];
        if (!windowAt(p, partEye_.Viewport, x, y, z, at)) return false;
        box.widen({at[0] - partEye_.Margin, at[1] - partEye_.Margin, at[0] + partEye_.Margin, at[1] + partEye_.Margin});
    }
    return hiddenByCover(box);
}

bool MyZephGLView::hiddenByCover(const ScreenBox& box) const {
    // The cover's cells hold its depths, all nearer than any this pass draws without the polygon
    // offset; a polygon drawn whatever the depths may since have laid farther ones there.
    if (depthAlways_) return false;
    // Most boxes reach an open cell at their lower left corner: one cell answers for them.
    // As std::fmax, a bound that is not a number giving way to the viewport's edge, without a library call.
    const double x = box.X0 > partEye_.Origin[0] ? box.X0 : partEye_.Origin[0];
    const double y = box.Y0 > partEye_.Origin[1] ? box.Y0 : partEye_.Origin[1];
    if (cover_.openAt(x, y)) return false;
    return cover_.hides(box.X0, box.Y0, box.X1, box.Y1);
}

void MyZephGLView::markOpaqueCover(OneCompleteObjectVer2* object, bool ownDepths) {
    if (!object) return;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT | GL_VIEWPORT_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glDisable(GL_ALPHA_TEST);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(ownDepths ? GL_LEQUAL : GL_ALWAYS);
    glDepthMask(GL_TRUE);
    if (!ownDepths) glDepthRange(0.0, 0.0);
    coverOnly_ = true;
    cover_.begin();
    glNewDrawOneObject(object);
    cover_.finish();
    coverOnly_ = false;
    glPopAttrib();
    depthAlways_ = false;
}

void MyZephGLView::drawOpaqueCover(OneCompleteObjectVer2* object) {
    if (!object) return;
    // As the object's own drawing would find GL: its depth test, its specular off, no fog. What
    // the world's drawers find is put back after.
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT | GL_FOG_BIT | GL_TEXTURE_BIT);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    specSetToOff();
    nearFogOff_ = true;
    coverOnly_ = coverColour_ = true;
    cover_.begin();
    glNewDrawOneObject(object);
    cover_.finish();
    coverOnly_ = coverColour_ = nearFogOff_ = false;
    glPopAttrib();
    CurrentBoundTextureNumber_ = -1;
    depthAlways_ = false;
}

bool MyZephGLView::coversOpaquely(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g, bool litAlphaSure) const {
    // The drawing's alpha test keeps what is above 0.9: lit polygons take the diffuse alpha, untextured
    // unlit ones their own colour's, textured ones also the picture's, which only an RGB picture fixes at 1.
    const int32_t h = p.DrawHints;
    if (!(h & kUnlit) && !litAlphaSure) return false;
    if (h & kUntextured) return !(h & kUnlit) || p.PolyColor[3] > 0.9f;
    const int32_t slot = pictureSlot(p, g);
    if (slot < 0 || slot >= kTextureSlots || TheTextureMaps_[slot].TextureStatus != 2) return false;
    const int32_t format = TheTextureMaps_[slot].OpenGLFormat;
    return format == GL_RGB5 || format == GL_RGB8 || format == GL_R3_G3_B2;
}

}  // namespace pellam::render
