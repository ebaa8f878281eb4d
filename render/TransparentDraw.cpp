// The transparent queue of a pass drawn farthest first without depth writes, and the smoke quads
// that objects draw at once with their own modelview.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/DrawHints.h"
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
        // The ring's alpha is the one its material (lit) or colour (unlit) gives every pixel, as
        // the GL clamps it: given as the blend's constant, the same weight blends each pixel
        // without the rasteriser taking it from the pixel's colour (for the propeller's disc,
        // ~19 instructions a 4x4 block of ~370). Where its one colour is known as well, unfogged,
        // it is given at every point already weighted by the alpha, lighting off, and the blend
        // only adds it (~50 fewer; a colour may move by a level or two of rounding).
        const bool constantAlpha = ring && ringAlphaConstant_;
        std::array<float, 4> weighted{};
        const bool premultiplied = constantAlpha && ringPremultiplied_ && !drawn.empty() && !glIsEnabled(GL_FOG) &&
                                   ((h & kUnlit) ? colourArray && (weighted = unlitColour, true)
                                                 : litColour(e.TheFinalDrawMatrix, g.ThePoints[drawn[0]], weighted));
        const float alpha = std::clamp((h & kUnlit) ? unlitColour[3] : diffuseAlpha_, 0.0f, 1.0f);
        if (premultiplied)
            for (int c = 0; c < 3; ++c) weighted[c] *= alpha;
        std::array<GLfloat, 4> current{};
        if (premultiplied && !(h & kUnlit)) glGetFloatv(GL_CURRENT_COLOR, current.data());
        if ((colourArray || premultiplied) && !drawn.empty()) {
            const std::array<float, 4>& colour = premultiplied ? weighted : unlitColour;
            // Only the points drawn are read: those from the lowest number drawn to the highest.
            const auto [low, high] = std::minmax_element(drawn.begin(), drawn.end());
            flatColours_.resize((size_t(*high) + 1) * 4);
            for (size_t k = *low; k <= *high; ++k) std::copy(colour.begin(), colour.end(), &flatColours_[k * 4]);
            glColorPointer(4, GL_FLOAT, 0, flatColours_.data());
            glEnableClientState(GL_COLOR_ARRAY);
        }
        std::array<GLint, 4> blend{GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
        if (constantAlpha) {
            glGetIntegerv(GL_BLEND_SRC_RGB, &blend[0]);
            glGetIntegerv(GL_BLEND_DST_RGB, &blend[1]);
            glGetIntegerv(GL_BLEND_SRC_ALPHA, &blend[2]);
            glGetIntegerv(GL_BLEND_DST_ALPHA, &blend[3]);
            glBlendColor(0, 0, 0, alpha);
            // The picture's own alpha, where it keeps one, blended as before.
            glBlendFuncSeparate(premultiplied ? GL_ONE : GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA,
                                GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
            ++ringsAlphaConstant_;
            ringsPremultiplied_ += premultiplied;
        }
        if (premultiplied && !(h & kUnlit)) glDisable(GL_LIGHTING);
        underOpenRectangles(depthTested ? queueScissor_ : nullptr, [&] {
            glDrawElements(type, GLsizei(drawn.size()), GL_UNSIGNED_SHORT, drawn.data());
        });
        if (premultiplied && !(h & kUnlit)) glEnable(GL_LIGHTING);
        if (constantAlpha) glBlendFuncSeparate(GLenum(blend[0]), GLenum(blend[1]), GLenum(blend[2]), GLenum(blend[3]));
        if ((colourArray || premultiplied) && !drawn.empty()) {
            glDisableClientState(GL_COLOR_ARRAY);
            // A colour array leaves the current colour undefined.
            glColor4fv((h & kUnlit) ? unlitColour.data() : current.data());
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

bool MyZephGLView::litColour(const std::array<float, 16>& m, const GLT2FN3FV3FFormat& point,
                             std::array<float, 4>& colour) {
    // As the GL lights a point of this normal with the front material it holds: parallel lights,
    // the viewer taken as infinitely far, one side lit. Anything else is left to the GL.
    GLint localViewer = 0, twoSided = 0, lights = 0;
    glGetIntegerv(GL_LIGHT_MODEL_LOCAL_VIEWER, &localViewer);
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSided);
    if (localViewer || twoSided || glIsEnabled(GL_RESCALE_NORMAL) || glIsEnabled(GL_COLOR_MATERIAL)) return false;
    GLfloat emission[4], ambient[4], diffuse[4], specular[4], shininess = 0, sky[4];
    glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, sky);
    // The normal in the eye's frame: by the modelview's inverse transposed, the cofactors over the
    // determinant.
    const auto at = [&](int r, int c) { return double(m[size_t(c) * 4 + size_t(r)]); };
    double cof[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            cof[r][c] = at((r + 1) % 3, (c + 1) % 3) * at((r + 2) % 3, (c + 2) % 3) -
                        at((r + 1) % 3, (c + 2) % 3) * at((r + 2) % 3, (c + 1) % 3);
    const double det = at(0, 0) * cof[0][0] + at(0, 1) * cof[0][1] + at(0, 2) * cof[0][2];
    if (!(std::fabs(det) > 1e-12)) return false;
    const double n0[3] = {point.NX, point.NY, point.NZ};
    double n[3];
    for (int r = 0; r < 3; ++r) n[r] = (cof[r][0] * n0[0] + cof[r][1] * n0[1] + cof[r][2] * n0[2]) / det;
    if (glIsEnabled(GL_NORMALIZE)) {
        const double l = std::hypot(n[0], n[1], n[2]);
        if (!(l > 0)) return false;
        for (double& a : n) a /= l;
    }
    double c[3];
    for (int k = 0; k < 3; ++k) c[k] = double(emission[k]) + double(ambient[k]) * sky[k];
    glGetIntegerv(GL_MAX_LIGHTS, &lights);
    for (int i = 0; i < std::min(lights, 8); ++i) {
        if (!glIsEnabled(GLenum(GL_LIGHT0 + i))) continue;
        GLfloat position[4], cutoff = 180, la[4], ld[4], ls[4];
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_POSITION, position);
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_SPOT_CUTOFF, &cutoff);
        if (position[3] != 0 || cutoff != 180) return false;
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_AMBIENT, la);
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_DIFFUSE, ld);
        glGetLightfv(GLenum(GL_LIGHT0 + i), GL_SPECULAR, ls);
        const double pl = std::hypot(double(position[0]), double(position[1]), double(position[2]));
        if (!(pl > 0)) return false;
        const double p[3] = {position[0] / pl, position[1] / pl, position[2] / pl};
        const double facing = n[0] * p[0] + n[1] * p[1] + n[2] * p[2];
        double shine = 0;
        if (facing > 0) {
            const double half[3] = {p[0], p[1], p[2] + 1};
            const double hl = std::hypot(half[0], half[1], half[2]);
            const double towards = hl > 0 ? (n[0] * half[0] + n[1] * half[1] + n[2] * half[2]) / hl : 0;
            shine = std::pow(std::max(towards, 0.0), double(shininess));
        }
        for (int k = 0; k < 3; ++k)
            c[k] += double(ambient[k]) * la[k] + std::max(facing, 0.0) * diffuse[k] * ld[k] + shine * specular[k] * ls[k];
    }
    for (int k = 0; k < 3; ++k) colour[size_t(k)] = float(std::clamp(c[k], 0.0, 1.0));
    colour[3] = std::clamp(diffuse[3], 0.0f, 1.0f);
    return true;
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
    // much: within a level of 255 its grain is lost in rounding (the propeller's blur, at up to 16,
    // lost its streaks). Only an RGB picture, whose alpha is 1, modulated by the polygon's colour.
    if (exactDrawing_ || slotNumber < 0 || slotNumber >= kTextureSlots) return nullptr;
    const SingleTextureStructure& slot = TheTextureMaps_[slotNumber];
    if (slot.TextureStatus != 2 || (slot.Flags & kFlagReplace)) return nullptr;
    const int32_t format = slot.OpenGLFormat;
    if (format != GL_RGB5 && format != GL_RGB8 && format != GL_R3_G3_B2) return nullptr;
    if (!(alpha >= 0.0f) || alpha * slot.Spread * 255.0f > kUnseenGrain) return nullptr;
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
