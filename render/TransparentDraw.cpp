// The transparent queue of a pass drawn farthest first without depth writes, and the smoke quads
// that objects draw at once with their own modelview. Shortcuts kept here, the picture unchanged:
// - polygons taken next in the same state, quads or triangles, go in one call (the GL fills them
//   in the same order);
// - a run whose points share one colour is shaded flat, and an unlit one's colour is given at every
//   point (the rasteriser sets it up once a triangle instead of fetching it at each pixel).
// The flat shading's saving is counted with the objects' (render/BatchFilter.cpp). The runs sent
// in one call (switch setJoinsQueueRuns) save, in instructions a frame of the game frame benchmark
// (cockpit_camel, cockpit_dvii, chase, low_front, wreck_smoke): 7.9, 8.0, 0.5, 7.5, 1.9 M, most
// where the propeller's disc is many quads. The cockpit's runs read level 0 alone where magnified
// (render/QueueLevelZero.cpp).
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/DrawHints.h"
#include "core/ZephModel.h"
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

// The queue's steps: the pass's switches, then farthest first each polygon's state, its points,
// the run of those taken next that go in the same call, and the run drawn.
void MyZephGLView::glNewDrawTransparentItems() {
    QueueDrawing q;
    startTransparentPass();
    if (Transparent_.count() == 0) return;
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_LEQUAL);
    glMatrixMode(GL_MODELVIEW);
    // Whether the depth test hides what lies behind nearer parts: then a polygon beyond the cover is
    // drawn only where the cover leaves the view open.
    q.DepthTested = glIsEnabled(GL_DEPTH_TEST);
    // Farthest first, sorted once; in bands about the decks, those of this band.
    if (band_ < 0) Transparent_.farthestFirst(transparentOrder_);
    else Transparent_.farthestFirst(transparentOrder_, [this](const TransparentPolyVer2& e) {
        return deckBands_.bandOf(e.Height) == band_;
    });
    q.Taken = 0;
    for (int i = takeFarthest(q), next = -1; i >= 0; i = next) {
        const TransparentPolyVer2& e = Transparent_[i];
        glLoadMatrixf(e.TheFinalDrawMatrix.data());
        const QueuedLook look = setQueuedState(e, q);
        if (e.Geometry->ThePoints != q.LastPoints) {
            q.LastPoints = e.Geometry->ThePoints;
            const bool coloured = e.ObjectFlags & kColouredPoints;
            glTexCoordPointer(2, GL_FLOAT, coloured ? 48 : 32, q.LastPoints);
            glInterleavedArrays(coloured ? GL_T2F_C4F_N3F_V3F : GL_T2F_N3F_V3F, 0, q.LastPoints);
        }
        next = gatherQueuedRun(e, q);
        drawQueuedRun(e, look, q);
    }
    setFlat(false);
    glDisableClientState(GL_COLOR_ARRAY);
    // The pass's material cache no longer says what GL holds.
    CurrentMaterial_[kAmR] = CurrentMaterial_[kDifR] = -1;
    if (band_ <= 0) Transparent_.clear();  // the nearest band is drawn last
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);  // a polygon's GL_ALWAYS ends with the queue, not over the smoke after it
}

void MyZephGLView::drawSmokePass(ModelArray& list) {
    // Whatever the queue's last polygon left: blended over what lies behind, with no alpha test,
    // the picture times the colour, depth-tested but writing no depth. A quad's clear corners that
    // wrote it would hide, with a straight edge, the smoke and squares drawn after it farther off.
    // Each quad sets its own fog, lighting and culling from its hints.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_ALPHA_TEST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    for (long i = 0; i < list.size(); ++i)
        if (ZephModel* model = list.at(i)) model->drawMySmokeItems();
    glDepthMask(GL_TRUE);
}

void MyZephGLView::startTransparentPass() {
    glClientActiveTexture(GL_TEXTURE0);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_FOG);
    glCullFace(GL_FRONT);
    glEnable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);  // off until the next pass set-up
    specSetToOff();
    noted_ = Noted{};
    noted_.AlphaTest = false;
}

int MyZephGLView::takeFarthest(QueueDrawing& q) const {
    return q.Taken < transparentOrder_.size() ? transparentOrder_[q.Taken++] : -1;
}

MyZephGLView::QueuedLook MyZephGLView::setQueuedState(const TransparentPolyVer2& e, QueueDrawing& q) {
    const OnePolygonVer2& p = *e.ThisPolygon;
    const MaterialLightData& m = e.Materials[materialIndex(p)];
    const int32_t h = p.DrawHints;
    const float f = float(sunSpecFactor_);
    setFog(!(h & kNoFog));
    setCull(!(h & kNoCull));
    QueuedLook look;
    if (h & kUntextured) {
        setTexturing(false);
        if (!(h & kUnlit)) {
            setUntexturedLit(m, p);
            glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, p.PolyColor.data());
            diffuseAlpha_ = p.PolyColor[3];
            q.Ambient = q.Diffuse = p.PolyColor;
        } else {
            setLighting(false);
            glColor4fv(p.PolyColor.data());
            look.UnlitColour = p.PolyColor;
        }
        return look;
    }
    glSetCurrentTexture(e.TheMap, 12);
    if (!noted_.Texture) {
        const GLfloat none[4] = {0, 0, 0, 1};
        setTexturing(true);
        glMaterialfv(GL_FRONT, GL_EMISSION, none);
    }
    setShininess(m.Shinny);
    if (h & kLEqual) glDepthFunc(GL_LEQUAL);
    if (h & kAlways) glDepthFunc(GL_ALWAYS);  // stays for the rest of the queue
    if (h & kAlways) q.DepthTested = false;
    setSpecular(m.SpecularRed * f, m.SpecularGreen * f, m.SpecularBlue * f);
    if (!(h & kUnlit)) {
        setLighting(true);
        const std::array<float, 4> a{m.AmbientRed, m.AmbientGreen, m.AmbientBlue, p.PolyColor[3]};
        const std::array<float, 4> d{m.DiffuseRed, m.DiffuseGreen, m.DiffuseBlue, p.PolyColor[3]};
        if (!sameColour(a, q.Ambient)) glMaterialfv(GL_FRONT, GL_AMBIENT, a.data());
        if (!sameColour(d, q.Diffuse)) glMaterialfv(GL_FRONT, GL_DIFFUSE, d.data());
        diffuseAlpha_ = d[3];
        q.Ambient = a;
        q.Diffuse = d;
    } else {
        look.UnlitColour = p.PolyColor;
        glColor4fv(look.UnlitColour.data());
        setLighting(false);
    }
    return look;
}

// The polygons taken next in the same state and of a kind that runs on (quads, triangles) go in
// the same call, into transparentRun_: the GL fills them in the same order. Answers the next
// entry to draw, -1 at the queue's end.
int MyZephGLView::gatherQueuedRun(const TransparentPolyVer2& e, QueueDrawing& q) {
    const OnePolygonVer2& p = *e.ThisPolygon;
    const ObjectPointsPolysVer2& g = *e.Geometry;
    const auto sameDraw = [&](const TransparentPolyVer2& o) {
        const OnePolygonVer2& r = *o.ThisPolygon;
        return o.Geometry == e.Geometry && r.DefaultDrawType == p.DefaultDrawType && r.DrawHints == p.DrawHints &&
               r.MaterialLightDataOffset == p.MaterialLightDataOffset && o.Materials == e.Materials &&
               o.TheMap == e.TheMap && o.ObjectFlags == e.ObjectFlags && sameColour(r.PolyColor, p.PolyColor) &&
               o.TheFinalDrawMatrix == e.TheFinalDrawMatrix;
    };
    transparentRun_.clear();
    const auto add = [&](const OnePolygonVer2& r) {
        const uint16_t* run = g.RunItems + r.FirstItem;
        transparentRun_.insert(transparentRun_.end(), run + 1, run + 1 + run[0]);
    };
    add(p);
    int next = takeFarthest(q);
    if (joinsQueueRuns_ && (p.DefaultDrawType == GL_QUADS || p.DefaultDrawType == GL_TRIANGLES))
        for (; next >= 0 && sameDraw(Transparent_[next]); next = takeFarthest(q)) add(*Transparent_[next].ThisPolygon);
    return next;
}

void MyZephGLView::drawQueuedRun(const TransparentPolyVer2& e, const QueuedLook& look, const QueueDrawing& q) {
    const OnePolygonVer2& p = *e.ThisPolygon;
    const ObjectPointsPolysVer2& g = *e.Geometry;
    const int32_t h = p.DrawHints;
    // One colour at every vertex (unlit without colours of their own, or lit alike under the
    // sun's parallel light): shaded flat, the GL fills the same colour without interpolating it.
    const bool flat = !exactDrawing_ && flatShading_ && !(e.ObjectFlags & kColouredPoints) &&
                      ((h & kUnlit) || sameNormals(g.ThePoints, transparentRun_));
    setFlat(flat);
    // An unlit colour left current reaches the software rasteriser's pixels as a constant it
    // fetches lane by lane at each one; given at every vertex and held flat it is the same value
    // set up once a triangle. Only within 0..1, where the vertex colour's clamp keeps it.
    const std::array<float, 4>& unlit = look.UnlitColour;
    const bool colourArray =
        flat && (h & kUnlit) && std::all_of(unlit.begin(), unlit.end(), [](float c) { return c >= 0.0f && c <= 1.0f; });
    if (colourArray && !transparentRun_.empty()) sendColourArray(unlit, transparentRun_);
    const bool levelZero = readQueueLevelZero(e);
    underOpenRectangles(q.DepthTested ? queueScissor_ : nullptr, [&] {
        glDrawElements(GLenum(p.DefaultDrawType), GLsizei(transparentRun_.size()), GL_UNSIGNED_SHORT, transparentRun_.data());
    });
    if (levelZero) readNearestLevel(-1, false);
    if (colourArray && !transparentRun_.empty()) {
        glDisableClientState(GL_COLOR_ARRAY);
        // A colour array leaves the current colour undefined.
        glColor4fv(unlit.data());
    }
}

// The colour at every point the run reaches: those from the lowest number drawn to the highest.
void MyZephGLView::sendColourArray(const std::array<float, 4>& colour, const std::vector<uint16_t>& drawn) {
    const auto [low, high] = std::minmax_element(drawn.begin(), drawn.end());
    flatColours_.resize((size_t(*high) + 1) * 4);
    for (size_t k = *low; k <= *high; ++k) std::copy(colour.begin(), colour.end(), &flatColours_[k * 4]);
    glColorPointer(4, GL_FLOAT, 0, flatColours_.data());
    glEnableClientState(GL_COLOR_ARRAY);
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
    // Seen from both sides where the hints say so: a tracer's streak turns its back on the eye as
    // often as not. Culled as the objects are otherwise.
    const bool culled = glIsEnabled(GL_CULL_FACE);
    if (!(h & kNoCull) && !culled) glCullFace(GL_FRONT), glEnable(GL_CULL_FACE);
    if ((h & kNoCull) && culled) glDisable(GL_CULL_FACE);
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
