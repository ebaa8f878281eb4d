// One object drawn from its interleaved vertex array and index runs, as glNewDrawOneObject's steps:
// distance, behind, dot and level-of-detail tests, the view test (render/ObjectCover.cpp), the
// modelview with the eye subtracted in double precision, moving parts, per-polygon state from the
// draw hints and the material cache; transparent polygons are queued (render/TransparentDraw.cpp).
// Shortcuts kept here, each with the picture unchanged:
// - polygon runs of one look go to GL as one list of triangles, in their order (a draw call costs
//   the rasteriser's front end thousands of instructions); the triangles sent are cut in
//   render/TriangleCuts.cpp and may be held back (render/HeldBatches.cpp);
// - the alpha test and blending are left off for polygons whose alpha is surely 1, which they
//   could not change: the rasteriser then tests depth before shading.
// They save, in instructions a frame of the game frame benchmark (cockpit_camel, cockpit_dvii,
// chase, low_front, wreck_smoke): the runs 46.4, 49.5, 41.2, 17.0, 5.4 M; the tests left off 10.8, 5.7, 4.7, 8.7, 0 M.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "core/DrawHints.h"
#include "platform/Log.h"
#include "render/MyZephGLView.h"
#include "render/ObjectDrawRecords.h"
#include "render/SameLook.h"
#include "world/draw/WorldDraw.h"

namespace pellam::render {
using namespace objectdraw;
namespace {

// Switches a capability only when the pass's note of it says otherwise.
void switchNoted(bool& noted, GLenum capability, bool on) {
    if (noted == on) return;
    noted = on;
    on ? glEnable(capability) : glDisable(capability);
}

}  // namespace

void MyZephGLView::setFog(bool on) { switchNoted(noted_.Fog, GL_FOG, on && !nearFogOff_); }
void MyZephGLView::setAlphaTest(bool on) { switchNoted(noted_.AlphaTest, GL_ALPHA_TEST, on); }
void MyZephGLView::setBlend(bool on) { switchNoted(noted_.Blend, GL_BLEND, on); }
void MyZephGLView::setCull(bool on) { switchNoted(noted_.Cull, GL_CULL_FACE, on); }
void MyZephGLView::setTexturing(bool on) { switchNoted(noted_.Texture, GL_TEXTURE_2D, on); }
void MyZephGLView::setLighting(bool on) { switchNoted(noted_.Lighting, GL_LIGHTING, on); }

bool MyZephGLView::fogFaintWithin(double reach) const {
    // GL's fog factor f at `reach` (eye-space depth, ft) leaves f of a fragment's colour and puts
    // 1 - f of the fog's in: under half a level of 255 from it, no channel moves by more than one.
    GLint mode = 0;
    GLfloat start = 0, end = 0, density = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    glGetFloatv(GL_FOG_START, &start);
    glGetFloatv(GL_FOG_END, &end);
    glGetFloatv(GL_FOG_DENSITY, &density);
    double f = 0;
    switch (mode) {
    case GL_LINEAR:
        if (start > reach) return true;  // f is exactly 1 short of the start: no pixel changes
        f = end > start ? (end - reach) / (double(end) - start) : 0.0;
        break;
    case GL_EXP: f = std::exp(-double(density) * reach); break;
    case GL_EXP2: f = std::exp(-std::pow(double(density) * reach, 2)); break;
    default: return false;
    }
    return std::isfinite(f) && (1.0 - f) * 255.0 < 0.5;
}

void MyZephGLView::setShininess(float shininess) {
    if (CurrentMaterial_[kShinny] == shininess) return;
    CurrentMaterial_[kShinny] = shininess;
    glMaterialf(GL_FRONT, GL_SHININESS, std::fmin(std::fmax(shininess, 0.0f), 128.0f));
}

void MyZephGLView::setSpecular(float r, float g, float b) {
    if (CurrentMaterial_[kSpecR] == r && CurrentMaterial_[kSpecG] == g && CurrentMaterial_[kSpecB] == b) return;
    CurrentMaterial_[kSpecR] = r;
    CurrentMaterial_[kSpecG] = g;
    CurrentMaterial_[kSpecB] = b;
    const GLfloat spec[4] = {r, g, b, 1};
    glMaterialfv(GL_FRONT, GL_SPECULAR, spec);
}

void MyZephGLView::specSetToOff() {
    const GLfloat black[4] = {0, 0, 0, 1};
    glMaterialfv(GL_FRONT, GL_SPECULAR, black);
    CurrentMaterial_[kSpecR] = CurrentMaterial_[kSpecG] = CurrentMaterial_[kSpecB] = 0;
}

void MyZephGLView::glPrepareForModelDrawing() {
    // Every modelview carries a scale of -1 on z, which reverses the winding: the back faces are GL's front.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_FRONT);
    glEnable(GL_FOG);
    CurrentBoundTextureNumber_ = -1;
    glDisable(GL_POLYGON_OFFSET_FILL);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.9f);
    glEnable(GL_LIGHTING);
    Transparent_.clear();
    const GLfloat ambient[4] = {0.3f, 0.3f, 0.3f, 1}, diffuse[4] = {0.5f, 0.5f, 0.5f, 1};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    diffuseAlpha_ = diffuse[3];
    CurrentMaterial_[kAmR] = CurrentMaterial_[kAmG] = CurrentMaterial_[kAmB] = 0.3;
    CurrentMaterial_[kDifR] = CurrentMaterial_[kDifG] = CurrentMaterial_[kDifB] = 0.5;
    // The terrain drawer may leave a fog-coordinate or colour array on; objects use neither.
    glDisableClientState(GL_FOG_COORDINATE_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
}

void MyZephGLView::computeFinalMatrix(const std::array<double, 16>& objectMatrix) {
    // scale(1, 1, -1) x EyeRM x (the object's matrix moved by minus the eye), all in double: at
    // three million feet from the origin a float would lose the object's last few feet.
    GLMatrix relative;
    std::copy(objectMatrix.begin(), objectMatrix.end(), relative.begin());
    relative[12] -= EyeTM_[12];
    relative[13] -= EyeTM_[13];
    relative[14] -= EyeTM_[14];
    GLMatrix camera = EyeRM_;
    for (int c = 0; c < 4; ++c) camera[4 * c + 2] = -camera[4 * c + 2];
    FinalMatrix_ = multiply(camera, relative);
}

void MyZephGLView::setupDrawingMatrixForModel(const double* matrix) {
    std::array<double, 16> m;
    std::copy(matrix, matrix + 16, m.begin());
    glMatrixMode(GL_MODELVIEW);
    setCurrentCameraMatrix();  // places the sun under the camera's rotation
    computeFinalMatrix(m);
    glLoadMatrixd(FinalMatrix_.data());
}

// One object, step by step: the distance, behind and dot tests, the level of detail and the view
// test, its modelview, its switches and arrays, the eye noted for leaving triangles out, its
// polygons (moving parts, opaque runs, transparent ones queued), and the state it leaves.
void MyZephGLView::glNewDrawOneObject(OneCompleteObjectVer2* object) {
    if (!object) return;
    ObjectRun r;
    r.Object = object;
    Object3DData& header = object->TheObject;
    if (!objectInReach(r)) return;
    loadObjectModelview(r);
    if (header.EyeRelativeZ < header.Behind && !r.Full) return;
    CurrentMaterial_[kShinny] = -1;
    if (r.Distance > header.DotDistance && !r.Full) return drawAsDot();
    if (!chooseLevelOfDetail(r)) return;
    r.Reach = cullOutside_ ? reachOf(*object, *r.G, r.Polygons) : 0;
    if (cullOutside_ && outsideView(r.Reach)) {
        ++objectsOutside_;
        return;
    }
    partEye_.On = false;
    setUpObjectState(r);
    setUpBatching(r);
    heldPassMeeting_ = mayPassHeld(r);
    notePlainStart(r);
    drawPolygons(r);
    finishObject(r);
}

bool MyZephGLView::objectInReach(ObjectRun& r) {
    Object3DData& header = r.Object->TheObject;
    if (header.ObjectFlags & kHidden) {
        header.EyeRelativeZ = -10000.0f;  // not seen: no identification square either
        return false;
    }
    r.Full = header.ObjectFlags & kAlwaysFull;
    // Batches held back from the aircraft drawn before wait only for another aircraft.
    r.MayCarry = !exactDrawing_ && cullOutside_ && !coverOnly_ && !skipCover_ && !drawingCockpit_;
    if (!r.MayCarry) drawHeld(false);
    const auto& m = r.Object->ObjectMatrix;
    const double dx = m[12] - MyEye_[0], dy = m[13] - MyEye_[1], dz = m[14] - MyEye_[2];
    r.Distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    glEnable(GL_FOG);
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    noted_ = Noted{};
    noted_.Texture = true;
    noted_.Lighting = true;
    noted_.AlphaTest = glIsEnabled(GL_ALPHA_TEST);
    noted_.Blend = glIsEnabled(GL_BLEND);
    if (nearFogOff_) setFog(false);
    if (r.Distance > header.TooFar && !r.Full) {
        // Out of sight: no identification square from an old position either.
        header.EyeRelativeZ = -10000.0f;
        return false;
    }
    return true;
}

void MyZephGLView::loadObjectModelview(ObjectRun& r) {
    Object3DData& header = r.Object->TheObject;
    glMatrixMode(GL_MODELVIEW);
    computeFinalMatrix(r.Object->ObjectMatrix);
    glLoadMatrixd(FinalMatrix_.data());
    header.EyeRelativeX = float(FinalMatrix_[12]);
    header.EyeRelativeY = float(FinalMatrix_[13]);
    header.EyeRelativeZ = float(-FinalMatrix_[14]);
}

void MyZephGLView::drawAsDot() {
    drawHeld(false);
    setLighting(false);
    setTexturing(false);
    const float size = std::fmax(1.0f, ScreenBounds_[3] * 0.003f);
    glPointSize(size);
    if (gathersDepths_) noteDepths(dotBox(size));
    glColor4f(0.1f, 0.1f, 0.1f, 1);
    glBegin(GL_POINTS);
    glVertex3f(0, 0, 0);
    glEnd();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    setLighting(true);
}

MyZephGLView::ScreenBox MyZephGLView::dotBox(double size) const {
    // The origin through the window's own view; a square point covers `size` px across its place.
    std::array<double, 16> p{};
    std::array<int, 4> vp{};
    worlddraw::WidenedView::loaded(p, vp);
    double at[2];
    if (!windowAt(p, vp, FinalMatrix_[12], FinalMatrix_[13], FinalMatrix_[14], at)) return kWholeScreen;
    const double half = size / 2 + 1;
    return {at[0] - half, at[1] - half, at[0] + half, at[1] + half};
}

bool MyZephGLView::chooseLevelOfDetail(ObjectRun& r) {
    const OneCompleteObjectVer2& object = *r.Object;
    const Object3DData& header = object.TheObject;
    const ObjectPointsPolysVer2* frames = object.ThePointsPolysData;
    if (!frames || object.NumberOfPointsPolys <= 0) return false;
    const int item = std::clamp<int>(header.CurrentAnimateItem, 0, kMaxAnimateItems - 1);
    int f = header.AnimateItems[item];
    if (f < 0 || f >= object.NumberOfPointsPolys) f = 0;  // an end marker or a bad frame: the main geometry
    const ObjectPointsPolysVer2& g = frames[f];
    r.G = &g;
    r.Materials = frames[0].MaterialLightingData.data();
    r.Polygons = g.ThePolygons;
    if (!r.Full && r.Distance > header.UseAlt && g.TheAltPolygons) r.Polygons = g.TheAltPolygons;
    return g.ThePoints && r.Polygons && g.RunItems;
}

void MyZephGLView::setUpObjectState(ObjectRun& r) {
    const ObjectPointsPolysVer2& g = *r.G;
    r.Coloured = r.Object->TheObject.ObjectFlags & kColouredPoints;
    // A lit polygon may keep the alpha of an earlier material whose colour matched its own: the
    // cover trusts lit alphas only when every material the polygons use is opaque.
    if (coverOnly_ || skipCover_)
        for (const OnePolygonVer2* p = r.Polygons; p->MapNumber >= 0; ++p)
            if (p->FirstItem >= 0 && r.Materials[materialIndex(*p)].a2 <= 0.9f)
                r.LitAlphaSure = false;
    // The alpha test is left off for polygons it cannot cut: then the rasteriser tests depth before
    // shading, and a pixel hidden by nearer ones drawn earlier costs no texturing. Blending is left
    // off for polygons of alpha 1, which it would not change: no reading of the picture under them.
    // Points with their own colours may carry any alpha: their objects keep both.
    r.AlphaTested = noted_.AlphaTest;
    r.Blended = noted_.Blend;
    r.DepthOnly = coverOnly_ && !coverColour_;
    plainWhereSure_ = dropsSureTests_ && !r.DepthOnly && !exactDrawing_ && !r.Coloured;
    if (r.DepthOnly) {
        setFog(false);
        setTexturing(false);
        setLighting(false);
    }
    // Held batches are drawn in their own object's pose and points but in this one's switches and
    // materials: these must be the same.
    if (heldCount_ > 0 && (r.Coloured || r.AlphaTested != held_.AlphaTested || r.Blended != held_.Blended ||
                           plainWhereSure_ != held_.PlainWhereSure || !sameMaterials(r.Materials, held_.Materials)))
        drawHeld(false);
    glClientActiveTexture(GL_TEXTURE0);
    r.Stride = r.Coloured ? kColouredStride : kPlainStride;
    glTexCoordPointer(2, GL_FLOAT, r.Stride, g.ThePoints);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glInterleavedArrays(r.Coloured ? GL_T2F_C4F_N3F_V3F : GL_T2F_N3F_V3F, 0, g.ThePoints);
    objectArrays_ = {g.ThePoints, uint32_t(r.Coloured ? GL_T2F_C4F_N3F_V3F : GL_T2F_N3F_V3F)};
}

void MyZephGLView::setUpBatching(ObjectRun& r) {
    // Runs of polygons drawn in the same state go to GL as one list of triangles, in their order:
    // each draw call costs the software rasteriser's front end thousands of instructions. The plain
    // rules draw polygon by polygon.
    r.Batching = !exactDrawing_ && batchesRuns_;
    // Lit by the sun alone, a direction, with the viewer taken as infinitely far (no local viewer),
    // a point's colour follows from its normal only: a triangle whose three points share a normal,
    // or an unlit one on points without colours of their own, has one colour, and filled flat it
    // costs the rasteriser no colour to interpolate (and the colour is exact, where interpolating
    // it with perspective may round it a level off).
    r.FlatMay = r.Batching && flatShading_ && !r.Coloured && !r.DepthOnly;
    batchFlat_ = r.FlatMay;
    batch_.clear();
    batchBox_ = kNoScreen;
    if (r.Batching) noteEyeForCuts(r);
}

void MyZephGLView::drawPolygons(ObjectRun& r) {
    const ObjectPointsPolysVer2& g = *r.G;
    for (const OnePolygonVer2* p = r.Polygons; p->MapNumber >= 0; ++p) {
        const int32_t hints = p->DrawHints;
        if (hints & kSkip) continue;
        if (p->FirstItem < 0) {
            switchPart(r, -p->FirstItem);
            endMarkerHints(r, *p);
            continue;
        }
        // The cover's polygons: their outlines on the screen mark what hides the world behind them.
        // Drawn in colour with the cover, they are left out of the object's own drawing after.
        const bool covering = (coverOnly_ || skipCover_) && !(hints & (kTransparent | kOffset)) &&
                              coversOpaquely(*p, g, r.LitAlphaSure);
        if (skipCover_ && covering) continue;
        if (coverOnly_) {
            if (!covering) continue;
            const uint16_t* run = g.RunItems + p->FirstItem;
            cover_.addPolygon(FinalMatrix_.data(), reinterpret_cast<const uint8_t*>(g.ThePoints) + positionIn(r.Stride),
                              r.Stride, run + 1, run[0], p->DefaultDrawType, !(hints & kNoCull));
        }
        if (r.DepthOnly) {
            drawDepthPolygon(r, *p);
            continue;
        }
        // Behind the cover whole, only what may still show is looked at: transparent polygons
        // (the queue's order may change its depth test), marks raised by the polygon offset, and
        // polygons drawn whatever the depths.
        if (partEye_.Hidden && !depthAlways_ && !(hints & (kTransparent | kOffset | kAlways))) continue;
        if (hints & kTransparent) {
            queueTransparent(*r.Object, *p, g, r.Materials);
            continue;
        }
        drawOpaquePolygon(r, *p);
    }
    endBatch(r);
}

void MyZephGLView::switchPart(ObjectRun& r, int m) {
    if (m == r.Part || m > int(r.Object->OptionalObjectMatrix.size())) return;
    endBatch(r);  // held batches keep the part's pose with them
    r.Part = m;
    computeFinalMatrix(r.Object->OptionalObjectMatrix[m - 1]);
    glLoadMatrixd(FinalMatrix_.data());
    if (r.Batching) noteEyeInPart(r.Stride);
}

// A part marker's depth hints end as a drawn polygon's do, though it draws nothing: the depth
// function back to GL_LESS, the polygon offset off and depth writes on, after what came before it.
void MyZephGLView::endMarkerHints(ObjectRun& r, const OnePolygonVer2& p) {
    if (!(p.DrawHints & (kAlways | kLEqual | kOffset))) return;
    endBatch(r);
    drawHeld(true);
    if (p.DrawHints & (kAlways | kLEqual)) glDepthFunc(GL_LESS);
    undoMarkDepth(p);
}

void MyZephGLView::drawDepthPolygon(ObjectRun& r, const OnePolygonVer2& p) {
    const int32_t hints = p.DrawHints;
    const bool joins = r.Batching && batchable(p, *r.G);
    if (joins && r.Head && (r.Head->DrawHints & kNoCull) == (hints & kNoCull)) {
        appendTriangles(p, *r.G);
        return;
    }
    endBatch(r);
    setCull(!(hints & kNoCull));
    if (!joins) {
        drawPoints(p, *r.G);
        return;
    }
    r.Head = &p;
    appendTriangles(p, *r.G);
}

void MyZephGLView::drawOpaquePolygon(ObjectRun& r, const OnePolygonVer2& p) {
    const ObjectPointsPolysVer2& g = *r.G;
    const int32_t hints = p.DrawHints;
    // Marks (roundels, crosses) lie raised on their surface in one state: a run of them is one batch.
    const bool joins = r.Batching && !(hints & (kAlways | kLEqual)) && batchable(p, g);
    if (joins && r.Head && sameLook(*r.Head, p, g)) {
        appendTriangles(p, *r.G);
        return;
    }
    endBatch(r);
    if (joins) {
        r.Head = &p;
        appendTriangles(p, *r.G);
        return;
    }
    drawHeld(true);
    setPolygonState(p, g, r.Materials, r.AlphaTested, r.Blended);
    setFlat(false);
    readNearestLevel(-1, false);
    const uint16_t* run = g.RunItems + p.FirstItem;
    keepMarkDepth(p, g, r.Materials, FinalMatrix_, objectArrays_, uint32_t(p.DefaultDrawType), {run + 1, run[0]});
    drawPoints(p, g);
    notePlainMaterial(p, r);
    if (hints & (kAlways | kLEqual)) glDepthFunc(GL_LESS);
    undoMarkDepth(p);
}

// Ends the open batch: its triangles drawn or held, and the raised, unwritten depth of marks
// undone. Its state is set only when drawn, and only when culling has left it a triangle.
void MyZephGLView::endBatch(ObjectRun& r) {
    const OnePolygonVer2* head = r.Head;
    if (!head || r.DepthOnly) {
        drawBatch();  // a cover batch's state was set as it opened
    } else if (!batch_.empty()) {
        if (movableBatch(*head, r)) {
            holdBatch(*head, r);
            batch_.clear();
        } else {
            drawHeld(true);
            const FragmentState before = fragmentState();
            setPolygonState(*head, *r.G, r.Materials, r.AlphaTested, r.Blended);
            chooseBatchFilter(*head, *r.G, batch_);
            shadeFor(batchFlat_, batchBox_, before);
            keepMarkDepth(*head, *r.G, r.Materials, FinalMatrix_, objectArrays_, GL_TRIANGLES, {batch_.data(), batch_.size()});
            drawBatch();
            undoMarkDepth(*head);
        }
        notePlainMaterial(*head, r);
    }
    batchBox_ = kNoScreen;
    batchFlat_ = r.FlatMay;
    r.Head = nullptr;
}

void MyZephGLView::finishObject(const ObjectRun& r) {
    if (!r.MayCarry || r.Coloured) drawHeld(true);
    if (!keepsShade_) setFlat(false);
    readNearestLevel(-1, false);
    // Where the cover may have left polygons out, the diffuse colour GL holds depends on which,
    // and a lit polygon of the next object would keep its alpha with the colour: it sends its own.
    if (partEye_.CoverMay) {
        if (heldCount_ > 0) held_.ForgetDiffuse = true;  // once the held batches are drawn
        else CurrentMaterial_[kDifR] = -1;
    }
    partEye_.On = partEye_.CoverMay = partEye_.BehindCover = partEye_.Hidden = false;
    hiding_ = {};
    if (r.Coloured) glDisableClientState(GL_COLOR_ARRAY);
    setAlphaTest(r.AlphaTested);
    setBlend(r.Blended);
    plainWhereSure_ = false;
}

void MyZephGLView::undoMarkDepth(const OnePolygonVer2& p) {
    if (p.DrawHints & kOffset) {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDepthMask(GL_TRUE);
    }
}

float MyZephGLView::surestAlpha(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) const {
    // Lit, the alpha is the diffuse material's as GL holds it now; unlit, the colour's; a texture
    // multiplies it by its own, which only an RGB picture fixes at 1.
    const int32_t h = p.DrawHints;
    const float colour = !(h & kUnlit) ? diffuseAlpha_ : (h & kUntextured) ? p.PolyColor[3] : 1.0f;
    if (h & kUntextured) return colour;
    const int32_t slot = pictureSlot(p, g);
    if (slot < 0 || slot >= kTextureSlots || TheTextureMaps_[slot].TextureStatus != 2) return 0.0f;
    const int32_t format = TheTextureMaps_[slot].OpenGLFormat;
    return format == GL_RGB5 || format == GL_RGB8 || format == GL_R3_G3_B2 ? colour : 0.0f;
}

void MyZephGLView::setPolygonState(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g,
                                   const MaterialLightData* materials, bool alphaTested, bool blended) {
    const int32_t h = p.DrawHints;
    const MaterialLightData& m = materials[materialIndex(p)];
    const float f = float(sunSpecFactor_);
    setFog(!(h & kNoFog));
    setCull(!(h & kNoCull));
    if (h & kAlways) {
        glDepthFunc(GL_ALWAYS);
        depthAlways_ = true;
    }
    if (h & kLEqual) glDepthFunc(GL_LEQUAL);
    if (h & kOffset) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(-3, -3);
        glDepthMask(GL_FALSE);
    }
    if (h & kUntextured) {
        setTexturing(false);
        if (!(h & kUnlit)) {
            setUntexturedLit(m, p);
        } else {
            setLighting(false);
            glColor4fv(p.PolyColor.data());
        }
    } else {
        const int map = std::clamp<int>(p.MapNumber, 0, kMaxMapEntries - 1);
        glSetCurrentTexture(g.MapListOffset[map], 12);
        if (!noted_.Texture) {
            setTexturing(true);
            const GLfloat none[4] = {0, 0, 0, 1};
            glMaterialfv(GL_FRONT, GL_EMISSION, none);
        }
        setShininess(m.Shinny);
        if (h & kLEqual) glDepthFunc(GL_LEQUAL);
        if (h & kAlways) glDepthFunc(GL_ALWAYS);
        setSpecular(m.SpecularRed * f, m.SpecularGreen * f, m.SpecularBlue * f);
        if (!(h & kUnlit)) {
            setLighting(true);
            if (m.AmbientRed != CurrentMaterial_[kAmR] || m.AmbientGreen != CurrentMaterial_[kAmG] ||
                m.AmbientBlue != CurrentMaterial_[kAmB]) {
                glMaterialfv(GL_FRONT, GL_AMBIENT, &m.AmbientRed);
                CurrentMaterial_[kAmR] = m.AmbientRed;
                CurrentMaterial_[kAmG] = m.AmbientGreen;
                CurrentMaterial_[kAmB] = m.AmbientBlue;
            }
            if (m.DiffuseRed != CurrentMaterial_[kDifR] || m.DiffuseGreen != CurrentMaterial_[kDifG] ||
                m.DiffuseBlue != CurrentMaterial_[kDifB]) {
                glMaterialfv(GL_FRONT, GL_DIFFUSE, &m.DiffuseRed);
                diffuseAlpha_ = m.a2;
                CurrentMaterial_[kDifR] = m.DiffuseRed;
                CurrentMaterial_[kDifG] = m.DiffuseGreen;
                CurrentMaterial_[kDifB] = m.DiffuseBlue;
            }
        } else {
            glColor4f(p.PolyColor[0], p.PolyColor[1], p.PolyColor[2], 1);
            setLighting(false);
        }
    }
    if (plainWhereSure_) {
        const float a = surestAlpha(p, g);
        if (alphaTested) setAlphaTest(!(a > 0.9f));
        if (blended) setBlend(!(a >= 1.0f));
    }
}

// An untextured lit polygon: its colour as the emission, the material's shine and specular.
void MyZephGLView::setUntexturedLit(const MaterialLightData& m, const OnePolygonVer2& p) {
    const float f = float(sunSpecFactor_);
    setLighting(true);
    setShininess(m.Shinny);
    setSpecular(m.SpecularRed * f, m.SpecularGreen * f, m.SpecularBlue * f);
    glMaterialfv(GL_FRONT, GL_EMISSION, p.PolyColor.data());
}

bool MyZephGLView::batchable(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) {
    const int type = p.DefaultDrawType, n = g.RunItems[p.FirstItem];
    switch (type) {
    case GL_TRIANGLES: return n % 3 == 0;
    case GL_QUADS: return n % 4 == 0;
    case GL_TRIANGLE_STRIP:
    case GL_TRIANGLE_FAN:
    case GL_POLYGON: return n >= 3;
    default: return false;  // points and lines, and anything else, alone
    }
}

bool MyZephGLView::alwaysOpaque(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g,
                                const MaterialLightData* materials) const {
    // Lit, the alpha is the material's diffuse one (the caller makes sure no other material shares
    // its colour with another alpha); unlit, the colour's, which a textured polygon sends as one; a
    // texture multiplies it by its own, which only an RGB picture fixes at one.
    const int32_t h = p.DrawHints;
    const float colour = !(h & kUnlit) ? materials[materialIndex(p)].a2 : (h & kUntextured) ? p.PolyColor[3] : 1.0f;
    if (!(colour >= 1.0f)) return false;
    if (h & kUntextured) return true;
    const int32_t slot = pictureSlot(p, g);
    if (slot < 0 || slot >= kTextureSlots || TheTextureMaps_[slot].TextureStatus != 2) return false;
    const int32_t format = TheTextureMaps_[slot].OpenGLFormat;
    return format == GL_RGB5 || format == GL_RGB8 || format == GL_R3_G3_B2;
}

// The polygon's run of point numbers: its count, then the points.
void MyZephGLView::drawPoints(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) {
    noteDepths(kWholeScreen);  // not bounded
    const uint16_t* run = g.RunItems + p.FirstItem;
    glDrawElements(GLenum(p.DefaultDrawType), GLsizei(run[0]), GL_UNSIGNED_SHORT, run + 1);
}

void MyZephGLView::queueTransparent(const OneCompleteObjectVer2& o, const OnePolygonVer2& p,
                                    const ObjectPointsPolysVer2& g, const MaterialLightData* materials) {
    TransparentPolyVer2* e = Transparent_.next();
    if (!e) {
        ++droppedTransparent_;
        if (!loggedOverflow_) {
            loggedOverflow_ = true;
            platform::logMessage("More than 1300 transparent polygons in one pass: the rest are not drawn");
        }
        return;
    }
    depthAlways_ = depthAlways_ || (p.DrawHints & kAlways);  // the transparent pass draws it so
    e->TheCompleteObject = &o;
    e->ThisPolygon = &p;
    e->Geometry = &g;
    e->Materials = materials;
    e->StartPointNumber = -1;
    e->ObjectFlags = o.TheObject.ObjectFlags;
    e->TheMap = pictureSlot(p, g);
    e->Height = o.ObjectMatrix[13];
    for (int k = 0; k < 16; ++k) e->TheFinalDrawMatrix[k] = float(FinalMatrix_[k]);
    const bool coloured = o.TheObject.ObjectFlags & kColouredPoints;
    const uint16_t* run = g.RunItems + p.FirstItem;
    const auto* bytes = reinterpret_cast<const unsigned char*>(g.ThePoints);
    const GLMatrix& m = FinalMatrix_;
    double z = 1000000.0;
    const size_t stride = coloured ? kColouredStride : kPlainStride;
    for (int k = 1; k <= run[0]; ++k) {
        const float* v = reinterpret_cast<const float*>(bytes + run[k] * stride + positionIn(int(stride)));
        z = std::fmin(z, -(v[0] * m[2] + v[1] * m[6] + v[2] * m[10] + m[14]));
    }
    e->ZDepth = z;
    Transparent_.commit();
}

}  // namespace pellam::render
