// How a run of the cockpit's triangles is filled: its picture read by its nearest mip level, or
// level 0 alone where no pixel shrinks it (split in two draws where that pays), and shaded flat
// where its points share one colour. Each skips texel reads or colour interpolation in the
// rasteriser; level 0 alone and flat shading give the same pixels, the nearest level moves none by
// more than the picture rule allows. Each saves, in instructions a frame of the game frame
// benchmark (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): the nearest level 2.2, 2.1, 0, 2.2, 0 M;
// level 0 alone 2.7, 0.1, 0, 2.7, 0 M; the split 1.7, 0.1, 0, 1.7, 0 M; flat shading, here and for the
// objects and the transparent queue, 6.6, 2.9, 0.2, 6.6, 11.8 M.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <span>

#include "world/draw/WorldDraw.h"

#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"

namespace pellam::render {
using namespace objectdraw;

MyZephGLView::FragmentState MyZephGLView::fragmentState() const {
    return {CurrentBoundTextureNumber_, readings_.Bound, noted_.Texture, noted_.Fog, noted_.AlphaTest, noted_.Blend};
}

void MyZephGLView::shadeFor(bool flat, const ScreenBox& box, const FragmentState& before) {
    // A change of shade model alone costs the software rasteriser a copy of its fragment state
    // (33 KB) at the next draw; filled flat, a pixel saves only its colour's interpolation. A batch
    // that may be filled either way keeps the model GL holds unless its state moved anyway or it
    // is large.
    constexpr double kFlatPays = 128.0 * 128.0;  // px, the batch's bounds
    if (!flat) return setFlat(false);
    if (flatNow_) return;
    const double area = (box.X1 - box.X0) * (box.Y1 - box.Y0);
    if (fragmentState() != before || !(area < kFlatPays)) setFlat(true);
}

void MyZephGLView::setFlat(bool on) {
    if (flatNow_ == on) return;
    flatNow_ = on;
    worlddraw::shadeModel(on ? GL_FLAT : GL_SMOOTH);
}

namespace {
// A second draw of a batch, and its sampler's change, cost the rasteriser a copy of its fragment
// state and the draw's set-up; reading level 0 alone saves only where the pixels are shaded, not
// where the cockpit's nearer parts hide them. Measured on the cockpits, batches split for 13 K to
// 38 K px of magnified triangles saved nothing, the one for 196 K px 1.7 M instructions a frame.
// Triangles are asked whether they read below level 0 only where they could pay.
constexpr double kSplitPays = 50000;  // px
constexpr double kWorthAsking = 400;  // px
}  // namespace

void MyZephGLView::chooseBatchFilter(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g,
                                     std::span<const uint16_t> triangles) {
    // The cockpit, all within a few feet and covering half the view, reads one mip level a pixel,
    // not a blend of two: neighbouring levels of its pictures differ by a few levels of colour, and
    // the rasteriser reads half the texels.
    const bool cockpit = coverColour_ || drawingCockpit_;
    const int32_t slot = pictureSlot(p, g);
    const bool nearest = cockpit && nearestLevelInCockpit_ && !exactDrawing_ && !(p.DrawHints & kUntextured);
    split_.On = false;
    // Where no pixel of the picture's pieces shrinks its level 0 (the bound keeps half a level in
    // hand), level 0 alone is read, the same texels, without the rasteriser's choice of level for
    // every pixel quad.
    const bool asks = cockpit && magnifiedSampler() && !exactDrawing_ && !(p.DrawHints & kUntextured);
    bool magnified = false;
    if (asks && !splitsBatches_) {
        magnified = magnifiedThroughout(g, slot, triangles);
    } else if (asks && magnifiedEach(g, slot, triangles, {kWorthAsking, kSplitPays}, split_.Magnified, split_.Area)) {
        const auto yes = size_t(std::count(split_.Magnified.begin(), split_.Magnified.end(), uint8_t(1)));
        magnified = yes == split_.Magnified.size();
        // Only where the level-0 sampler can be had (a GL without sampler objects has none).
        split_.On = yes > 0 && !magnified && split_.Area >= kSplitPays && readings_.Made >= 0 &&
                    !(TheTextureMaps_[size_t(slot)].Flags & kFlagNoMipmaps) && depthAloneDecides();
    }
    // The first draw reads through the sampler bound now where it is one of the two.
    const bool levelZeroFirst =
        split_.On && readings_.Bound && (readings_.Bound == readings_.Names[2] || readings_.Bound == readings_.Names[3]);
    readNearestLevel(nearest || magnified || split_.On ? slot : -1, nearest, magnified || levelZeroFirst);
    if (split_.On) {
        // The triangles proved magnified through the level-0 sampler, the rest as the batch would
        // be: each set keeps its order, and where the two overlap the depth test alone decides.
        split_.Slot = slot;
        split_.Nearest = nearest;
        split_.LevelZeroFirst = levelZeroFirst;
        split_.Parts[0].clear();
        split_.Parts[1].clear();
        for (size_t t = 0; t < split_.Magnified.size(); ++t) {
            auto& part = split_.Parts[split_.Magnified[t] == levelZeroFirst ? 0 : 1];
            part.insert(part.end(), triangles.begin() + long(3 * t), triangles.begin() + long(3 * t + 3));
        }
        ++batchesSplit_;
    }
}

bool MyZephGLView::depthAloneDecides() const {
    // Opaque triangles written where they lie nearer than what is there (or as near): the picture
    // does not depend on the order they come in, save where two lie at the same depth on a pixel.
    GLint func = 0;
    GLboolean writes = GL_FALSE;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
    return (func == GL_LESS || func == GL_LEQUAL) && writes && glIsEnabled(GL_DEPTH_TEST) && !glIsEnabled(GL_BLEND) &&
           !glIsEnabled(GL_ALPHA_TEST) && !glIsEnabled(GL_POLYGON_OFFSET_FILL) && !glIsEnabled(GL_STENCIL_TEST);
}

void MyZephGLView::drawTriangles(std::span<const uint16_t> triangles) {
    if (!split_.On) {
        glDrawElements(GL_TRIANGLES, GLsizei(triangles.size()), GL_UNSIGNED_SHORT, triangles.data());
        return;
    }
    split_.On = false;
    glDrawElements(GL_TRIANGLES, GLsizei(split_.Parts[0].size()), GL_UNSIGNED_SHORT, split_.Parts[0].data());
    readNearestLevel(split_.Slot, split_.Nearest, !split_.LevelZeroFirst);
    glDrawElements(GL_TRIANGLES, GLsizei(split_.Parts[1].size()), GL_UNSIGNED_SHORT, split_.Parts[1].data());
}

void MyZephGLView::drawBatch() {
    if (batch_.empty()) return;
    noteDepths(batchBox_);
    drawTriangles(batch_);
    batch_.clear();
}

}  // namespace pellam::render
