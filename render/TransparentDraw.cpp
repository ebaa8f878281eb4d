// The transparent queue of a pass drawn farthest first without depth writes, and the smoke quads
// that objects draw at once with their own modelview.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/DrawHints.h"
#include "render/MyZephGLView.h"

namespace pellam::render {
namespace {

enum Cache { kAmR = 0, kAmG, kAmB, kDifR, kDifG, kDifB };
constexpr int32_t kColouredPoints = 0x20000;
constexpr int kMaxQuadPoints = 64;  // a smoke list longer than this is cut

bool sameColour(const std::array<float, 4>& a, const std::array<float, 4>& b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

// Whether the points numbered in `items` all have the first one's normal.
bool sameNormals(const GLT2FN3FV3FFormat* points, const std::vector<uint16_t>& items) {
    if (items.empty()) return true;
    const GLT2FN3FV3FFormat& a = points[items[0]];
    return std::all_of(items.begin(), items.end(), [&](uint16_t k) { return sameNormal(points[k], a); });
}

}  // namespace

void MyZephGLView::glNewDrawTransparentItems() {
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_FOG);
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);  // off until the next pass set-up
    specSetToOff();
    noted_ = Noted{};
    noted_.AlphaTest = false;
    std::array<float, 4> ambient{1.1f, 1.0f, 1.0f, 0.5f}, diffuse = ambient;
    const GLT2FN3FV3FFormat* lastPoints = nullptr;
    if (Transparent_.count() == 0) return;

    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glMatrixMode(GL_MODELVIEW);
    const float f = float(sunSpecFactor_);
    // Whether the depth test hides what lies behind nearer parts: then a polygon beyond the cover is
    // drawn only where the cover leaves the view open, and a ring only its hole hides may be filled.
    bool depthTested = glIsEnabled(GL_DEPTH_TEST);
    // Farthest first, sorted once.
    std::vector<int>& order = transparentOrder_;
    Transparent_.farthestFirst(order);
    size_t taken = 0;
    const auto takeFarthest = [&] { return taken < order.size() ? order[taken++] : -1; };
    for (int i = takeFarthest(), next = -1; i >= 0; i = next) {
        const TransparentPolyVer2& e = Transparent_[i];
        const OnePolygonVer2& p = *e.ThisPolygon;
        const ObjectPointsPolysVer2& g = *e.Geometry;
        const MaterialLightData& m = e.Materials[materialIndex(p)];
        const int32_t h = p.DrawHints;
        glLoadMatrixf(e.TheFinalDrawMatrix.data());
        setFog(!(h & kNoFog));
        setCull(!(h & kNoCull));
        bool textured = false;
        std::array<float, 4> unlitColour{-1, -1, -1, -1};  // the colour an unlit polygon is drawn in
        if (h & kUntextured) {
            setTexturing(false);
            if (!(h & kUnlit)) {
                setLighting(true);
                setShininess(m.Shinny);
                setSpecular(m.SpecularRed * f, m.SpecularGreen * f, m.SpecularBlue * f);
                glMaterialfv(GL_FRONT, GL_EMISSION, p.PolyColor.data());
                glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, p.PolyColor.data());
                diffuseAlpha_ = p.PolyColor[3];
                ambient = diffuse = p.PolyColor;
            } else {
                setLighting(false);
                glColor4fv(p.PolyColor.data());
                unlitColour = p.PolyColor;
            }
        } else {
            // So faint that its picture's grain cannot show: its mean colour, untextured.
            const float* mean = flatColour(e.TheMap, p.PolyColor[3]);
            const float tint[3] = {mean ? mean[0] : 1.0f, mean ? mean[1] : 1.0f, mean ? mean[2] : 1.0f};
            const GLfloat none[4] = {0, 0, 0, 1};
            if (mean) {
                setTexturing(false);
                glMaterialfv(GL_FRONT, GL_EMISSION, none);
            } else {
                textured = true;
                glSetCurrentTexture(e.TheMap, 12);
                if (!noted_.Texture) {
                    setTexturing(true);
                    glMaterialfv(GL_FRONT, GL_EMISSION, none);
                }
            }
            setShininess(m.Shinny);
            if (h & kLEqual) glDepthFunc(GL_LEQUAL);
            if (h & kAlways) glDepthFunc(GL_ALWAYS);  // stays for the rest of the queue
            if (h & kAlways) depthTested = false;
            setSpecular(m.SpecularRed * f, m.SpecularGreen * f, m.SpecularBlue * f);
            if (!(h & kUnlit)) {
                setLighting(true);
                const std::array<float, 4> a{m.AmbientRed * tint[0], m.AmbientGreen * tint[1], m.AmbientBlue * tint[2],
                                            p.PolyColor[3]};
                const std::array<float, 4> d{m.DiffuseRed * tint[0], m.DiffuseGreen * tint[1], m.DiffuseBlue * tint[2],
                                            p.PolyColor[3]};
                if (!sameColour(a, ambient)) glMaterialfv(GL_FRONT, GL_AMBIENT, a.data());
                if (!sameColour(d, diffuse)) glMaterialfv(GL_FRONT, GL_DIFFUSE, d.data());
                diffuseAlpha_ = d[3];
                ambient = a;
                diffuse = d;
            } else {
                unlitColour = {p.PolyColor[0] * tint[0], p.PolyColor[1] * tint[1], p.PolyColor[2] * tint[2],
                               p.PolyColor[3]};
                glColor4fv(unlitColour.data());
                setLighting(false);
            }
        }
        if (g.ThePoints != lastPoints) {
            lastPoints = g.ThePoints;
            const bool coloured = e.ObjectFlags & kColouredPoints;
            glTexCoordPointer(2, GL_FLOAT, coloured ? 48 : 32, g.ThePoints);
            glInterleavedArrays(coloured ? GL_T2F_C4F_N3F_V3F : GL_T2F_N3F_V3F, 0, g.ThePoints);
        }
        // The polygons taken next in the same state and of a kind that runs on (quads, triangles)
        // go in the same call: the GL fills them in the same order.
        next = takeFarthest();
        const auto sameDraw = [&](const TransparentPolyVer2& o) {
            const OnePolygonVer2& q = *o.ThisPolygon;
            return o.Geometry == e.Geometry && q.DefaultDrawType == p.DefaultDrawType && q.DrawHints == h &&
                   q.MaterialLightDataOffset == p.MaterialLightDataOffset && o.Materials == e.Materials &&
                   o.TheMap == e.TheMap && o.ObjectFlags == e.ObjectFlags && sameColour(q.PolyColor, p.PolyColor) &&
                   o.TheFinalDrawMatrix == e.TheFinalDrawMatrix;
        };
        transparentRun_.clear();
        const auto add = [&](const OnePolygonVer2& q) {
            const uint16_t* run = g.RunItems + q.FirstItem;
            transparentRun_.insert(transparentRun_.end(), run + 1, run + 1 + run[0]);
        };
        add(p);
        if (p.DefaultDrawType == GL_QUADS || p.DefaultDrawType == GL_TRIANGLES)
            for (; next >= 0 && sameDraw(Transparent_[next]); next = takeFarthest())
                add(*Transparent_[next].ThisPolygon);
        // One colour at every vertex (unlit without colours of their own, or lit alike under the
        // sun's parallel light): shaded flat, the GL fills the same colour without interpolating it.
        const bool flat = !exactDrawing_ && !(e.ObjectFlags & kColouredPoints) &&
                          ((h & kUnlit) || sameNormals(g.ThePoints, transparentRun_));
        setFlat(flat);
        const bool ring =
            ringsNow_ && depthTested && flat && !textured && p.DefaultDrawType == GL_QUADS && fillsRing(e);
        const std::vector<uint16_t>& drawn = ring ? ringFill_ : transparentRun_;
        const GLenum type = ring ? GL_TRIANGLES : GLenum(p.DefaultDrawType);
        // An unlit colour left current reaches the software rasteriser's pixels as a constant it
        // fetches lane by lane at each one; given at every vertex and held flat it is the same value
        // set up once a triangle. Only within 0..1, where the vertex colour's clamp keeps it.
        const bool colourArray = flat && (h & kUnlit) &&
                                 std::all_of(unlitColour.begin(), unlitColour.end(),
                                             [](float c) { return c >= 0.0f && c <= 1.0f; });
        if (colourArray && !drawn.empty()) {
            // Only the points drawn are read: those from the lowest number drawn to the highest.
            const auto [low, high] = std::minmax_element(drawn.begin(), drawn.end());
            flatColours_.resize((size_t(*high) + 1) * 4);
            for (size_t k = *low; k <= *high; ++k)
                std::copy(unlitColour.begin(), unlitColour.end(), &flatColours_[k * 4]);
            glColorPointer(4, GL_FLOAT, 0, flatColours_.data());
            glEnableClientState(GL_COLOR_ARRAY);
        }
        // The ring's alpha is the one its material (lit) or colour (unlit) gives every pixel, as
        // the GL clamps it: given as the blend's constant, the same weight blends each pixel
        // without the rasteriser taking it from the pixel's colour (for the propeller's disc,
        // ~19 instructions a 4x4 block of ~370).
        const bool constantAlpha = ring && ringAlphaConstant_;
        GLint blendFrom = GL_SRC_ALPHA, blendTo = GL_ONE_MINUS_SRC_ALPHA;
        if (constantAlpha) {
            glGetIntegerv(GL_BLEND_SRC_RGB, &blendFrom);
            glGetIntegerv(GL_BLEND_DST_RGB, &blendTo);
            const float alpha = std::clamp((h & kUnlit) ? unlitColour[3] : diffuseAlpha_, 0.0f, 1.0f);
            glBlendColor(0, 0, 0, alpha);
            glBlendFunc(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
            ++ringsAlphaConstant_;
        }
        underOpenRectangles(depthTested ? queueScissor_ : nullptr, [&] {
            glDrawElements(type, GLsizei(drawn.size()), GL_UNSIGNED_SHORT, drawn.data());
        });
        if (constantAlpha) glBlendFunc(GLenum(blendFrom), GLenum(blendTo));
        if (colourArray && !drawn.empty()) {
            glDisableClientState(GL_COLOR_ARRAY);
            glColor4fv(unlitColour.data());  // a colour array leaves the current colour undefined
        }
    }
    setFlat(false);
    glDisableClientState(GL_COLOR_ARRAY);
    // The pass's material cache no longer says what GL holds.
    CurrentMaterial_[kAmR] = CurrentMaterial_[kDifR] = -1;
    Transparent_.clear();
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);  // a polygon's GL_ALWAYS ends with the queue, not over the smoke after it
}

bool MyZephGLView::fillsRing(const TransparentPolyVer2& e) {
    // One flat colour over a ring whose hole nearer parts hide: the polygon its outer edge bounds
    // lights the ring's pixels and no other that passes the depth test.
    const GLT2FN3FV3FFormat* points = e.Geometry->ThePoints;
    if (!findRing(points, transparentRun_, ring_)) return false;
    // What the hole's pixels would show of the ring's plane lies within its edge, no nearer than
    // the nearest of the edge's points.
    const std::array<float, 16>& m = e.TheFinalDrawMatrix;
    double nearest = HUGE_VAL;
    for (uint16_t k : ring_.Inner) {
        const GLT2FN3FV3FFormat& q = points[k];
        nearest = std::min(nearest, -(double(m[2]) * q.X + double(m[6]) * q.Y + double(m[10]) * q.Z + m[14]));
    }
    if (!coverHidesOutline(m, points, ring_.Inner, nearest)) return false;
    fillConvex(ring_.Outer, ringFill_);
    ++ringsFilled_;
    return true;
}

const float* MyZephGLView::flatColour(int32_t slotNumber, float alpha) const {
    // Blended at `alpha`, a texel's distance from the mean moves the picture by alpha times as
    // much: within 16 levels of 255 it cannot be told from the mean. Only an RGB picture, whose
    // alpha is 1, modulated by the polygon's colour.
    if (exactDrawing_ || slotNumber < 0 || slotNumber >= kTextureSlots) return nullptr;
    const SingleTextureStructure& slot = TheTextureMaps_[slotNumber];
    if (slot.TextureStatus != 2 || (slot.Flags & kFlagReplace)) return nullptr;
    const int32_t format = slot.OpenGLFormat;
    if (format != GL_RGB5 && format != GL_RGB8 && format != GL_R3_G3_B2) return nullptr;
    if (!(alpha >= 0.0f) || alpha * slot.Spread * 255.0f > 16.0f) return nullptr;
    return slot.MeanColour.data();
}

void MyZephGLView::glDrawTransparentTexture(const OnePolygon* poly, const XYZInput* points, const PointUV* uvs,
                                            const MaterialLightData* light) {
    if (!poly || !points || !uvs || !light) return;
    const int32_t h = poly->DrawHints;
    if (!glIsEnabled(GL_TEXTURE_2D)) glEnable(GL_TEXTURE_2D);
    if (h & kLEqual) glDepthFunc(GL_LEQUAL);
    if (h & kOffset) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(-3, -3);
    }
    if (h & kAlways) {
        glDepthFunc(GL_ALWAYS);
        depthAlways_ = true;
    }
    const bool fogOn = glIsEnabled(GL_FOG);
    if (!(h & kNoFog) && !fogOn) glEnable(GL_FOG);
    if ((h & kNoFog) && fogOn) glDisable(GL_FOG);
    const bool lit = !(h & kUnlit);
    if (lit != bool(glIsEnabled(GL_LIGHTING))) lit ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
    const float r = light->AmbientRed, g = light->AmbientGreen, b = light->AmbientBlue;

    glBegin(poly->DefaultDrawType == 6 ? GL_TRIANGLE_STRIP : GL_POLYGON);
    if (lit && (h & kFlatNormal)) glNormal3d(poly->Normal[0], poly->Normal[1], poly->Normal[2]);
    float lastAlpha = -1;
    for (int k = std::max<int>(poly->PointListStart, 0), n = 0; uvs[k].PointNumber >= 0 && n < kMaxQuadPoints;
         ++k, ++n) {
        const XYZInput& pt = points[uvs[k].PointNumber];
        if (lit) {
            const bool send = !(h & kFlatNormal) || n == 0 || CurrentMaterial_[kAmR] != r ||
                              CurrentMaterial_[kAmG] != g || CurrentMaterial_[kAmB] != b || pt.Mya != lastAlpha;
            if (send) {
                const GLfloat colour[4] = {r, g, b, pt.Mya};
                glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, colour);
                diffuseAlpha_ = colour[3];
                lastAlpha = pt.Mya;
                CurrentMaterial_[kAmR] = CurrentMaterial_[kDifR] = r;
                CurrentMaterial_[kAmG] = CurrentMaterial_[kDifG] = g;
                CurrentMaterial_[kAmB] = CurrentMaterial_[kDifB] = b;
            }
            glTexCoord2f(uvs[k].PointU, uvs[k].PointV);
            if (!(h & kFlatNormal)) glNormal3f(pt.OriginalNormalX, pt.OriginalNormalY, pt.OriginalNormalZ);
        } else {
            glColor4f(pt.Myr, pt.Myg, pt.Myb, pt.Mya);
            glTexCoord2f(uvs[k].PointU, uvs[k].PointV);
        }
        glVertex3d(pt.MyX, pt.MyY, pt.MyZ);
    }
    glEnd();
    if (h & (kLEqual | kAlways)) glDepthFunc(GL_LESS);
    if (h & kOffset) glDisable(GL_POLYGON_OFFSET_FILL);
}

}  // namespace pellam::render
