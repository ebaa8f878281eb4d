// One object drawn from its interleaved vertex array and index runs: distance, behind, dot and
// level-of-detail tests, the modelview with the eye subtracted in double precision, moving parts,
// per-polygon state from the draw hints and the material cache; transparent polygons are queued.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstddef>
#include <tuple>

#include <emmintrin.h>

#include "core/DrawHints.h"
#include "platform/Log.h"
#include "render/CentreGaps.h"
#include "render/Facing.h"
#include "render/MyZephGLView.h"
#include "world/draw/WorldDraw.h"

namespace pellam::render {
namespace {

enum Flag : int32_t { kHidden = 0x1, kAlwaysFull = 0x200, kColouredPoints = 0x20000 };
enum Cache { kAmR = 0, kAmG, kAmB, kDifR, kDifG, kDifB, kSpecR, kSpecG, kSpecB, kShinny };

// A vertex with a colour, as GL_T2F_C4F_N3F_V3F lays it out.
constexpr int kColouredStride = 48;
constexpr int kPlainStride = 32;
// Bytes into a point of either layout to its position, which closes both.
constexpr int positionIn(int stride) { return stride - 3 * int(sizeof(float)); }
static_assert(positionIn(kPlainStride) == offsetof(GLT2FN3FV3FFormat, X));

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

[[gnu::always_inline]] inline bool MyZephGLView::sameLook(const OnePolygonVer2& a, const OnePolygonVer2& b,
                                                         const ObjectPointsPolysVer2& g) {
    // What setPolygonState reads: the hints, the bound picture, the material when lit, the
    // polygon's colour when it is the emission (untextured) or the colour (unlit). Asked of every
    // polygon a batch may take: the same picture and material numbers answer at once.
    const int32_t h = a.DrawHints;
    if (b.DrawHints != h) return false;
    const bool numbersAlike = a.MapNumber == b.MapNumber && a.MaterialLightDataOffset == b.MaterialLightDataOffset;
    if (numbersAlike && !(h & (kUntextured | kUnlit))) return true;
    if (!(h & kUntextured) && pictureSlot(a, g) != pictureSlot(b, g)) return false;
    if (!(h & kUnlit) && materialIndex(a) != materialIndex(b)) return false;
    if ((h & (kUntextured | kUnlit)) && a.PolyColor != b.PolyColor) return false;
    return true;
}

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

void MyZephGLView::glNewDrawOneObject(OneCompleteObjectVer2* object) {
    if (!object) return;
    Object3DData& header = object->TheObject;
    if (header.ObjectFlags & kHidden) {
        header.EyeRelativeZ = -10000.0f;  // not seen: no identification square either
        return;
    }
    const bool full = header.ObjectFlags & kAlwaysFull;
    // Batches held back from the aircraft drawn before wait only for another aircraft.
    const bool mayCarry = !exactDrawing_ && cullOutside_ && !coverOnly_ && !skipCover_ && !drawingCockpit_;
    if (!mayCarry) drawHeld(false);
    const double dx = object->ObjectMatrix[12] - MyEye_[0], dy = object->ObjectMatrix[13] - MyEye_[1],
                 dz = object->ObjectMatrix[14] - MyEye_[2];
    const double d = std::sqrt(dx * dx + dy * dy + dz * dz);
    // A far object drawn as a dot, unlit and untextured, leaves lighting and texturing off for the
    // next: switched on and off again between two dots they would still make the software
    // rasteriser take its fragment state anew (the unlit colour it reads follows the lighting).
    const bool dot = dotsLeaveUnlit_ && !exactDrawing_ && !full && d > header.DotDistance && d <= header.TooFar;
    glEnable(GL_FOG);
    glEnable(GL_CULL_FACE);
    if (!dot) {
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_LIGHTING);
    }
    noted_ = Noted{};
    noted_.Texture = !dot || glIsEnabled(GL_TEXTURE_2D);
    noted_.Lighting = !dot || glIsEnabled(GL_LIGHTING);
    noted_.AlphaTest = glIsEnabled(GL_ALPHA_TEST);
    noted_.Blend = glIsEnabled(GL_BLEND);
    if (nearFogOff_) setFog(false);

    if (d > header.TooFar && !full) {
        // Out of sight: no identification square from an old position either.
        header.EyeRelativeZ = -10000.0f;
        return;
    }

    glMatrixMode(GL_MODELVIEW);
    computeFinalMatrix(object->ObjectMatrix);
    glLoadMatrixd(FinalMatrix_.data());
    header.EyeRelativeX = float(FinalMatrix_[12]);
    header.EyeRelativeY = float(FinalMatrix_[13]);
    header.EyeRelativeZ = float(-FinalMatrix_[14]);
    if (header.EyeRelativeZ < header.Behind && !full) return;

    CurrentMaterial_[kShinny] = -1;
    if (d > header.DotDistance && !full) {
        drawHeld(false);
        setLighting(false);
        setTexturing(false);
        glPointSize(std::fmax(1.0f, ScreenBounds_[3] * 0.003f));
        glColor4f(0.1f, 0.1f, 0.1f, 1);
        glBegin(GL_POINTS);
        glVertex3f(0, 0, 0);
        glEnd();
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        if (!dot) setLighting(true);
        return;
    }

    const ObjectPointsPolysVer2* frames = object->ThePointsPolysData;
    if (!frames || object->NumberOfPointsPolys <= 0) return;
    const int item = std::clamp<int>(header.CurrentAnimateItem, 0, kMaxAnimateItems - 1);
    int f = header.AnimateItems[item];
    if (f < 0 || f >= object->NumberOfPointsPolys) f = 0;  // an end marker or a bad frame: the main geometry
    const ObjectPointsPolysVer2& g = frames[f];
    const MaterialLightData* materials = frames[0].MaterialLightingData.data();
    const OnePolygonVer2* polygons = g.ThePolygons;
    if (!full && d > header.UseAlt && g.TheAltPolygons) polygons = g.TheAltPolygons;
    if (!g.ThePoints || !polygons || !g.RunItems) return;

    const double reach = cullOutside_ ? reachOf(*object, g, polygons) : 0;
    if (cullOutside_ && outsideView(reach)) {
        ++objectsOutside_;
        return;
    }
    partEye_.On = false;

    const bool coloured = header.ObjectFlags & kColouredPoints;
    // A lit polygon may keep the alpha of an earlier material whose colour matched its own: the
    // cover trusts lit alphas only when every material the polygons use is opaque.
    bool litAlphaSure = true;
    if (coverOnly_ || skipCover_)
        for (const OnePolygonVer2* p = polygons; p->MapNumber >= 0; ++p)
            if (p->FirstItem >= 0 && materials[materialIndex(*p)].a2 <= 0.9f)
                litAlphaSure = false;
    // The alpha test is left off for polygons it cannot cut: then the rasteriser tests depth before
    // shading, and a pixel hidden by nearer ones drawn earlier costs no texturing. Blending is left
    // off for polygons of alpha 1, which it would not change: no reading of the picture under them.
    // Points with their own colours may carry any alpha: their objects keep both.
    const bool alphaTested = noted_.AlphaTest, blended = noted_.Blend;
    const bool depthOnly = coverOnly_ && !coverColour_;
    plainWhereSure_ = !depthOnly && !exactDrawing_ && !coloured;
    if (depthOnly) {
        setFog(false);
        setTexturing(false);
        setLighting(false);
    }
    // Held batches are drawn in their own object's pose and points but in this one's switches and
    // materials: these must be the same.
    if (heldCount_ > 0 && (coloured || alphaTested != held_.AlphaTested || blended != held_.Blended ||
                           plainWhereSure_ != held_.PlainWhereSure || !sameMaterials(materials, held_.Materials)))
        drawHeld(false);
    glClientActiveTexture(GL_TEXTURE0);
    const int stride = coloured ? kColouredStride : kPlainStride;
    glTexCoordPointer(2, GL_FLOAT, stride, g.ThePoints);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glInterleavedArrays(coloured ? GL_T2F_C4F_N3F_V3F : GL_T2F_N3F_V3F, 0, g.ThePoints);
    objectArrays_ = {g.ThePoints, uint32_t(coloured ? GL_T2F_C4F_N3F_V3F : GL_T2F_N3F_V3F)};

    // Runs of polygons drawn in the same state go to GL as one list of triangles, in their order:
    // each draw call costs the software rasteriser's front end thousands of instructions. The plain
    // rules draw polygon by polygon.
    const bool batching = !exactDrawing_;
    // Lit by the sun alone, a direction, with the viewer taken as infinitely far (no local viewer),
    // a point's colour follows from its normal only: a triangle whose three points share a normal,
    // or an unlit one on points without colours of their own, has one colour, and filled flat it
    // costs the rasteriser no colour to interpolate (and the colour is exact, where interpolating
    // it with perspective may round it a level off).
    const bool flatMay = batching && flatShading_ && !coloured && !depthOnly;
    batchFlat_ = flatMay;
    const OnePolygonVer2* head = nullptr;  // the open batch's first polygon, whose state it is drawn in
    batch_.clear();
    batchBox_ = kNoScreen;
    if (batching) {
        worlddraw::WidenedView::loaded(partEye_.Projection, partEye_.Viewport);
        for (int k = 0; k < 2; ++k) {
            partEye_.Origin[k] = partEye_.Viewport[k];
            partEye_.Half[k] = 0.5 * partEye_.Viewport[2 + k];
            partEye_.Last[k] = partEye_.Viewport[k] + partEye_.Viewport[2 + k];
        }
        GLint samples = 0;
        glGetIntegerv(GL_SAMPLE_BUFFERS, &samples);
        // With several samples a pixel, any point of it may be one: a triangle must miss the pixel.
        partEye_.Margin = 1.0 / 16 + (samples > 0 ? 0.5 : 0.0);
        partEye_.BetweenCentres = looksBetweenCentres_ && !coverOnly_ && !drawingCockpit_;
        GLint mode = GL_FRONT, front = GL_CCW;
        glGetIntegerv(GL_CULL_FACE_MODE, &mode);
        glGetIntegerv(GL_FRONT_FACE, &front);
        partEye_.Culled = mode == GL_FRONT_AND_BACK ? 0.0 : (mode == GL_FRONT) == (front == GL_CCW) ? 1.0 : -1.0;
        noteEyeInPart(stride);
        glGetDoublev(GL_DEPTH_RANGE, partEye_.DepthRange.data());
        // What the cover hides is left out only where leaving it out moves no state a later
        // polygon reads: a lit polygon keeps the diffuse alpha last sent with its colour, so no
        // two materials may share a colour with different alphas.
        partEye_.CoverMay = coverBelow_ > 0 && !coverOnly_ && !skipCover_ && !cover_.empty();
        partEye_.BehindCover = partEye_.CoverMay && cullsHidden_ && depthTestedNearer() && !alphaFollowsOrder(materials);
        partEye_.Hidden = partEye_.BehindCover && cullOutside_ && !depthAlways_ && sphereHidden(reach);
        objectsHidden_ += partEye_.Hidden;
        if (hidesCockpitTriangles_ && (coverOnly_ || drawingCockpit_) && !coloured)
            lookUpCockpitHidden(*object, g, polygons, materials, stride);
    }
    // Opaque batches written where they lie nearer than what is there: where two share a pixel,
    // which is drawn first changes it only where they lie at one depth. Marks are drawn over
    // their surfaces without writing depth, after them: these keep their place.
    heldPassMeeting_ = false;
    if (batching && mayCarry && gathersHeld_ && !coloured && (!blended || plainWhereSure_)) {
        GLint func = 0;
        GLboolean writes = GL_FALSE;
        glGetIntegerv(GL_DEPTH_FUNC, &func);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
        heldPassMeeting_ = (func == GL_LESS || func == GL_LEQUAL) && writes && glIsEnabled(GL_DEPTH_TEST) &&
                           !glIsEnabled(GL_STENCIL_TEST);
    }
    // A batch may be held back and drawn with an earlier one in the same look, ahead of the
    // batches between, where it shares no pixel with them: then no pixel is drawn over in another
    // order, and the two cost one texture change (a 33 KB copy of the fragment state in the
    // software rasteriser's front end) instead of two. What a batch inherits from the one before
    // (the lit material, which untextured lit polygons do not set, and the diffuse alpha kept with
    // a colour already set) is put back as the plain order leaves it before any batch drawn in
    // place and at the object's end; batches that inherit it are drawn in place.
    // Batches held from an earlier aircraft carry the plain order's material on with them.
    if (heldCount_ == 0)
        plainMaterial_ = {{CurrentMaterial_[kAmR], CurrentMaterial_[kAmG], CurrentMaterial_[kAmB]},
                          {CurrentMaterial_[kDifR], CurrentMaterial_[kDifG], CurrentMaterial_[kDifB]},
                          diffuseAlpha_};
    const PlainMaterial start = plainMaterial_;
    const auto lit = [&](const OnePolygonVer2& p) -> const MaterialLightData* {
        if (p.DrawHints & (kUntextured | kUnlit)) return nullptr;
        return &materials[materialIndex(p)];
    };
    // Whether the batch is drawn alike wherever it is drawn: its state is all its own.
    const auto movable = [&](const OnePolygonVer2& p) {
        if ((p.DrawHints & kUntextured) && !(p.DrawHints & kUnlit)) return false;
        const MaterialLightData* m = lit(p);
        if (!m) return true;
        // A material whose colour another one (or the one GL held) shares with another alpha
        // takes the alpha of whichever was set last.
        const auto clash = [m](double r, double g, double b, float alpha) {
            return r == m->DiffuseRed && g == m->DiffuseGreen && b == m->DiffuseBlue && alpha != m->a2;
        };
        if (clash(start.Diffuse[0], start.Diffuse[1], start.Diffuse[2], start.Alpha)) return false;
        for (int k = 0; k < kMaxMaterials; ++k) {
            const MaterialLightData& o = materials[k];
            if (clash(o.DiffuseRed, o.DiffuseGreen, o.DiffuseBlue, o.a2)) return false;
        }
        return true;
    };
    // The material GL holds after the batch in the plain order: set, as setPolygonState sets it,
    // where its colour changes.
    const auto notePlainMaterial = [&](const OnePolygonVer2& p) {
        const MaterialLightData* m = lit(p);
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
    };
    // Opaque where drawn: no mark, and blending off (it is left off only where the alpha is
    // surely 1: for a movable lit polygon, its own material's, which no other shares a colour with).
    const auto passesMeeting = [&](const OnePolygonVer2& p) {
        if (!heldPassMeeting_ || (p.DrawHints & kOffset)) return false;
        return !blended || alwaysOpaque(p, g, materials);
    };
    // Two batches drawn in either order light the same pixels alike but where they lie at one
    // depth, which takes the one drawn last (or first, under GL_LESS): only the pixels both may light.
    // Far aircraft, a few dozen pixels across, are passed through; near ones keep their order.
    const auto fewShared = [](const ScreenBox& a, const ScreenBox& b) {
        constexpr double kMostShared = 48.0 * 48.0;  // px
        const double wide = std::min(a.X1, b.X1) - std::max(a.X0, b.X0), high = std::min(a.Y1, b.Y1) - std::max(a.Y0, b.Y0);
        return wide * high <= kMostShared;
    };
    const auto hold = [&](const OnePolygonVer2& p) {
        // The batch joins the earliest held one of its look it can reach, or is drawn just after
        // it where that is another part's or object's: it meets none of the held batches it
        // passes, but opaque ones that share a few pixels with it at most, where only the depth
        // test decides. The earliest, so that the later batches of an aircraft like the one
        // before can still reach theirs.
        size_t at = heldCount_;
        const bool passable = passesMeeting(p);
        for (size_t k = heldCount_; k-- > 0;) {
            HeldBatch& b = held_.Batches[held_.Order[k]];
            if (heldAlike(b, p, g, materials)) at = k;
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
            held_.AlphaTested = alphaTested;
            held_.Blended = blended;
            held_.PlainWhereSure = plainWhereSure_;
            held_.Materials = materials;
        }
        if (heldCount_ == held_.Batches.size()) held_.Batches.emplace_back();
        const auto slot = uint16_t(heldCount_++);
        HeldBatch& b = held_.Batches[slot];
        b.Head = &p;
        b.G = &g;
        b.Materials = materials;
        b.Matrix = FinalMatrix_;
        b.Arrays = objectArrays_;
        b.Box = batchBox_;
        b.Triangles.assign(batch_.begin(), batch_.end());
        b.Flat = batchFlat_;
        b.Passable = passable;
        held_.Order.insert(held_.Order.begin() + long(at), slot);
    };
    // Ends the open batch: its triangles drawn or held, and the raised, unwritten depth of marks
    // undone. Its state is set only when drawn, and only when culling has left it a triangle.
    const auto endBatch = [&] {
        if (!head || depthOnly) {
            drawBatch();  // a cover batch's state was set as it opened
        } else if (!batch_.empty()) {
            if (movable(*head)) {
                hold(*head);
                batch_.clear();
            } else {
                drawHeld(true);
                const FragmentState before = fragmentState();
                setPolygonState(*head, g, materials, alphaTested, blended);
                const bool mean = chooseBatchFilter(*head, g, batch_);
                shadeFor(batchFlat_, batchBox_, before);
                drawBatch();
                if (mean) putBackPicture();
                undoMarkDepth(*head);
            }
            notePlainMaterial(*head);
        }
        batchBox_ = kNoScreen;
        batchFlat_ = flatMay;
        head = nullptr;
    };
    // The cover in colour: its flat quads cut along the diagonal shorter on the window.
    const bool recuts = batching && coverColour_ && cutsCoverShorter_;
    const auto append = [&](const OnePolygonVer2& q) {
        const size_t from = batch_.size();
        appendTriangles(q, g);
        if (recuts) cutCoverQuadsShorter(q, g, from);
    };
    int part = 0;
    for (const OnePolygonVer2* p = polygons; p->MapNumber >= 0; ++p) {
        const int32_t hints = p->DrawHints;
        if (hints & kSkip) continue;
        if (p->FirstItem < 0) {
            const int m = -p->FirstItem;
            if (m != part && m <= int(object->OptionalObjectMatrix.size())) {
                endBatch();  // held batches keep the part's pose with them
                part = m;
                computeFinalMatrix(object->OptionalObjectMatrix[m - 1]);
                glLoadMatrixd(FinalMatrix_.data());
                if (batching) noteEyeInPart(stride);
            }
            continue;
        }
        // The cover's polygons: their outlines on the screen mark what hides the world behind them.
        // Drawn in colour with the cover, they are left out of the object's own drawing after.
        const bool covering = (coverOnly_ || skipCover_) && !(hints & (kTransparent | kOffset)) &&
                              coversOpaquely(*p, g, litAlphaSure);
        if (skipCover_ && covering) continue;
        if (coverOnly_) {
            if (!covering) continue;
            const uint16_t* run = g.RunItems + p->FirstItem;
            cover_.addPolygon(FinalMatrix_.data(), reinterpret_cast<const uint8_t*>(g.ThePoints) + positionIn(stride),
                              stride, run + 1, run[0], p->DefaultDrawType, !(hints & kNoCull));
        }
        if (depthOnly) {
            const bool joins = batching && batchable(*p, g);
            if (joins && head && (head->DrawHints & kNoCull) == (hints & kNoCull)) {
                appendTriangles(*p, g);
                continue;
            }
            endBatch();
            setCull(!(hints & kNoCull));
            if (!joins) {
                drawPoints(*p, g);
                continue;
            }
            head = p;
            appendTriangles(*p, g);
            continue;
        }
        // Behind the cover whole, only what may still show is looked at: transparent polygons
        // (the queue's order may change its depth test), marks raised by the polygon offset, and
        // polygons drawn whatever the depths.
        if (partEye_.Hidden && !depthAlways_ && !(hints & (kTransparent | kOffset | kAlways))) continue;
        if (hints & kTransparent) {
            queueTransparent(*object, *p, g, materials);
            continue;
        }
        // Marks (roundels, crosses) lie raised on their surface in one state: a run of them is one batch.
        const bool joins = batching && !(hints & (kAlways | kLEqual)) && batchable(*p, g);
        if (joins && head && sameLook(*head, *p, g)) {
            append(*p);
            continue;
        }
        endBatch();
        if (joins) {
            head = p;
            append(*p);
            continue;
        }
        drawHeld(true);
        setPolygonState(*p, g, materials, alphaTested, blended);
        setFlat(false);
        readNearestLevel(-1, false);
        drawPoints(*p, g);
        notePlainMaterial(*p);
        if (hints & (kAlways | kLEqual)) glDepthFunc(GL_LESS);
        undoMarkDepth(*p);
    }
    endBatch();
    if (!mayCarry || coloured) drawHeld(true);
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
    if (coloured) glDisableClientState(GL_COLOR_ARRAY);
    setAlphaTest(alphaTested);
    setBlend(blended);
    plainWhereSure_ = false;
}

void MyZephGLView::undoMarkDepth(const OnePolygonVer2& p) {
    if (p.DrawHints & kOffset) {
        glDisable(GL_POLYGON_OFFSET_FILL);
        glDepthMask(GL_TRUE);
    }
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
        const bool mean = chooseBatchFilter(*b.Head, *b.G, b.Triangles);
        heldStateChanges_ += fragmentState() != before;
        shadeFor(b.Flat, b.Box, before);
        drawTriangles(b.Triangles);
        if (mean) putBackPicture();
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
        const double w = p[3] * x + p[7] * y + p[11] * z + p[15];
        if (!(w > 1e-3)) return false;
        double at[2];
        for (int k = 0; k < 2; ++k) {
            const double ndc = (p[k] * x + p[4 + k] * y + p[8 + k] * z + p[12 + k]) / w;
            at[k] = partEye_.Viewport[k] + (ndc + 1) * 0.5 * partEye_.Viewport[2 + k];
        }
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

bool MyZephGLView::offsetStaysBehind(const ObjectPointsPolysVer2& g, uint16_t a, uint16_t b, uint16_t c) const {
    // glPolygonOffset(-3, -3) brings a fragment nearer by 3 times the triangle's steepest depth
    // slope (window depth a pixel) and 3 of the depth buffer's steps, and GL does not keep the
    // result within the depth range. Bounded here with room to spare for GL's rounding (positions
    // to a thousandth of a pixel, steps as coarse as 16 bits); a triangle too thin for its slope
    // to be bounded so is taken to come through.
    const auto* bytes = reinterpret_cast<const unsigned char*>(g.ThePoints) + positionIn(partEye_.Stride);
    const std::array<double, 16>& m = partEye_.Clip;
    const double n = partEye_.DepthRange[0], f = partEye_.DepthRange[1];
    double x[3], y[3], z[3];
    int k = 0;
    for (const uint16_t i : {a, b, c}) {
        const float* q = reinterpret_cast<const float*>(bytes + size_t(i) * partEye_.Stride);
        const double w = m[3] * q[0] + m[7] * q[1] + m[11] * q[2] + m[15];
        if (!(w > 1e-3)) return false;
        const auto ndc = [&](int row) { return (m[row] * q[0] + m[4 + row] * q[1] + m[8 + row] * q[2] + m[12 + row]) / w; };
        x[k] = partEye_.Viewport[0] + (ndc(0) + 1) * 0.5 * partEye_.Viewport[2];
        y[k] = partEye_.Viewport[1] + (ndc(1) + 1) * 0.5 * partEye_.Viewport[3];
        z[k] = n + (ndc(2) + 1) * 0.5 * (f - n);
        ++k;
    }
    const double ex = x[0] - x[2], ey = y[0] - y[2], ez = z[0] - z[2];
    const double fx = x[1] - x[2], fy = y[1] - y[2], fz = z[1] - z[2];
    const double det = std::fabs(ex * fy - ey * fx);
    const double rounding = 1e-3 * (std::fabs(ex) + std::fabs(ey) + std::fabs(fx) + std::fabs(fy));
    if (!(det > 2 * rounding)) return false;
    const double slope = std::fmax(std::fabs(ez * fy - ey * fz), std::fabs(ex * fz - ez * fx)) / (det - rounding);
    const double pull = 3 * (slope * 1.01 + 1e-6) + 3.0 / 65536;
    return std::fmin(z[0], std::fmin(z[1], z[2])) - pull > coverBelow_;
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
            setLighting(true);
            setShininess(m.Shinny);
            setSpecular(m.SpecularRed * f, m.SpecularGreen * f, m.SpecularBlue * f);
            glMaterialfv(GL_FRONT, GL_EMISSION, p.PolyColor.data());
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

void MyZephGLView::noteEyeInPart(int stride) {
    // FinalMatrix_ takes the part's frame to the eye's: x_eye = A x + t. The eye, at the origin, is
    // -A^-1 t in the part's frame; A^-1 = adj(A) / det A, with A[r][c] at 4c + r.
    const GLMatrix& m = FinalMatrix_;
    const auto a = [&m](int r, int c) { return m[4 * c + r]; };
    const double c00 = a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1), c01 = a(1, 2) * a(2, 0) - a(1, 0) * a(2, 2),
                 c02 = a(1, 0) * a(2, 1) - a(1, 1) * a(2, 0);
    const double det = a(0, 0) * c00 + a(0, 1) * c01 + a(0, 2) * c02;
    partEye_.Stride = stride;
    partEye_.On = std::isfinite(det) && std::fabs(det) > 1e-12;
    if (!partEye_.On) return;
    const double adj[3][3] = {{c00, a(0, 2) * a(2, 1) - a(0, 1) * a(2, 2), a(0, 1) * a(1, 2) - a(0, 2) * a(1, 1)},
                              {c01, a(0, 0) * a(2, 2) - a(0, 2) * a(2, 0), a(0, 2) * a(1, 0) - a(0, 0) * a(1, 2)},
                              {c02, a(0, 1) * a(2, 0) - a(0, 0) * a(2, 1), a(0, 0) * a(1, 1) - a(0, 1) * a(1, 0)}};
    double eye[3];
    for (int r = 0; r < 3; ++r) eye[r] = -(adj[r][0] * m[12] + adj[r][1] * m[13] + adj[r][2] * m[14]) / det;
    partEye_.X = eye[0];
    partEye_.Y = eye[1];
    partEye_.Z = eye[2];
    partEye_.Sign = (det > 0 ? 1.0 : -1.0) * partEye_.Culled;
    partEye_.Clip = multiply(partEye_.Projection, FinalMatrix_);
    partEye_.On = std::isfinite(eye[0]) && std::isfinite(eye[1]) && std::isfinite(eye[2]);
}

[[gnu::always_inline]] inline const MyZephGLView::Projected& MyZephGLView::projected(const PartPoints& points, uint16_t i,
                                                                                    RecentCorners& recent) const {
    // The triangles of a quad, fan or strip share corners with the one before: a corner's window
    // position is worked out once for them.
    const int slot = i & (RecentCorners::kSize - 1);
    Projected& out = recent.Corner[slot];
    if (recent.Point[slot] == i) return out;
    recent.Point[slot] = i;
    out.Ahead = windowOf(points.at(i), out.Window);
    return out;
}

[[gnu::always_inline]] inline bool MyZephGLView::coversNoPixel(const ObjectPointsPolysVer2& g, const PartPoints& points,
                                                               uint16_t a, uint16_t b, uint16_t c, ScreenBox& box,
                                                               RecentCorners& recent) {
    // A fragment is made where a pixel's centre lies inside the triangle. Behind the eye the
    // projection would not bound the triangle: such a triangle is sent, and may reach anywhere.
    // The margin's sixteenth of a pixel is far wider than the rounding of GL's own transform and
    // its 1/256-pixel grid.
    // Run for every triangle sent: the comparisons are written out, as std::fmin and std::fmax
    // are library calls here (they keep the bound where a corner is not a number, as these do).
    const double margin = partEye_.Margin;
    Pair lo = {1e300, 1e300}, hi = {-1e300, -1e300};
    std::array<Pair, 3> at{};  // the corners' window positions, where all three lie ahead
    bool allAhead = true;
    int k = 0;
    for (const uint16_t i : {a, b, c}) {
        const Projected& q = projected(points, i, recent);
        at[size_t(k++)] = q.Window;
        if (!q.Ahead) {
            allAhead = false;
            // Reaching behind the eye (a cockpit's sides and floor): bounded by what GL keeps of it.
            double kl[2] = {1e300, 1e300}, kh[2] = {-1e300, -1e300};
            const Kept kept = keptBounds(g, a, b, c, kl, kh);
            if (kept == Kept::Nothing) return true;
            if (kept == Kept::Unbounded) {
                box = kWholeScreen;
                return false;
            }
            lo = Pair{kl[0], kl[1]}, hi = Pair{kh[0], kh[1]};
            break;
        }
        // q < lo ? q : lo and q > hi ? q : hi, each one instruction.
        lo = _mm_min_pd(q.Window, lo);
        hi = _mm_max_pd(q.Window, hi);
    }
    const Pair lower = lo - margin, upper = hi + margin;
    box = {lower[0], lower[1], upper[0], upper[1]};
    // x and y together: no centre k + 0.5 between from and to, no whole k in [from, to], in either.
    const Pair from = (lower > partEye_.Origin ? lower : partEye_.Origin) - 0.5;
    const Pair to = (upper < partEye_.Last ? upper : partEye_.Last) - 0.5;
    if (_mm_movemask_pd(__m128d(from > to))) return true;
    // Now both lie within the viewport's bounds: the whole number at or above from, as the
    // truncation of a small number is.
    Pair whole = _mm_cvtepi32_pd(_mm_cvttpd_epi32(from));
    whole = whole < from ? whole + 1 : whole;
    if (_mm_movemask_pd(__m128d(whole > to)) != 0) return true;
    // The bounds hold a centre: a far part's small triangle may still pass between them all.
    if (!partEye_.BetweenCentres || !allAhead) return false;
    Pair last = _mm_cvtepi32_pd(_mm_cvttpd_epi32(to));  // the whole number at or below to
    last = last > to ? last - 1 : last;
    if (!passesBetweenCentres({{{at[0][0], at[0][1]}, {at[1][0], at[1][1]}, {at[2][0], at[2][1]}}}, {whole[0], whole[1]},
                              {last[0], last[1]}, margin))
        return false;
    ++trianglesBetweenCentres_;
    return true;
}

MyZephGLView::Kept MyZephGLView::keptBounds(const ObjectPointsPolysVer2& g, uint16_t a, uint16_t b, uint16_t c,
                                              double* lo, double* hi) const {
    // GL keeps what lies between its near and far planes, -w <= z <= w in clip coordinates, where
    // w >= 0: the triangle is cut to that slab and what is left bounded on the window. Wholly
    // beyond one plane by more than GL's single-precision rounding, nothing is left; cut, its
    // window positions lie along the near plane's, far from the eye's singular w = 0.
    using Clip = std::array<double, 4>;
    // A triangle cut by two planes has five corners at most; each cut is written to the other array.
    std::array<Clip, 5> corners[2];
    std::array<Clip, 5>* poly = &corners[0];
    int n = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(g.ThePoints) + positionIn(partEye_.Stride);
    const std::array<double, 16>& m = partEye_.Clip;
    for (const uint16_t i : {a, b, c}) {
        const float* p = reinterpret_cast<const float*>(bytes + size_t(i) * partEye_.Stride);
        Clip& q = (*poly)[size_t(n++)];
        for (int r = 0; r < 4; ++r) q[size_t(r)] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
        for (const double v : q)
            if (!std::isfinite(v)) return Kept::Unbounded;
    }
    for (const double side : {1.0, -1.0}) {  // the near plane, z + w >= 0, then the far, w - z >= 0
        const auto inside = [side](const Clip& q) { return q[3] + side * q[2]; };
        const auto clearlyOut = [&](const Clip& q) { return inside(q) < -1e-6 * (std::fabs(q[2]) + std::fabs(q[3])); };
        if (std::all_of(poly->begin(), poly->begin() + n, clearlyOut)) return Kept::Nothing;
        std::array<Clip, 5>& cut = poly == &corners[0] ? corners[1] : corners[0];
        int kept = 0;
        for (int k = 0; k < n; ++k) {
            const Clip &p = (*poly)[size_t(k)], &q = (*poly)[size_t(k + 1 < n ? k + 1 : 0)];
            const double dp = inside(p), dq = inside(q);
            if (dp >= 0) cut[size_t(kept++)] = p;
            if ((dp >= 0) != (dq >= 0)) {
                const double t = dp / (dp - dq);
                Clip& r = cut[size_t(kept++)];
                for (size_t j = 0; j < 4; ++j) r[j] = p[j] + t * (q[j] - p[j]);
            }
        }
        if (kept < 3) return Kept::Unbounded;  // a sliver at a plane: left to GL
        poly = &cut;
        n = kept;
    }
    for (int k = 0; k < n; ++k) {
        const Clip& q = (*poly)[size_t(k)];
        if (!(q[3] > 1e-6)) return Kept::Unbounded;
        for (int j = 0; j < 2; ++j) {
            const double at = partEye_.Viewport[j] + (q[size_t(j)] / q[3] + 1) * 0.5 * partEye_.Viewport[2 + j];
            lo[j] = at < lo[j] ? at : lo[j];
            hi[j] = at > hi[j] ? at : hi[j];
        }
    }
    return Kept::Bounded;
}

void MyZephGLView::appendTriangles(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) {
    // The triangles GL makes of the primitive, each wound as GL winds it (culling reads the
    // winding); a quad is cut along the diagonal from its second corner to its fourth, as the
    // rasteriser cuts it. Those GL would cull, and those too small or too far aside to make a
    // fragment, are not sent: the software rasteriser shades every vertex it is sent.
    const uint16_t* run = g.RunItems + p.FirstItem;
    const int n = run[0];
    const uint16_t* v = run + 1;
    const int32_t hints = p.DrawHints;
    const bool cull = partEye_.On && partEye_.Culled != 0 && !(hints & kNoCull);
    const bool seen = partEye_.On, behindCover = partEye_.BehindCover;
    const bool flatLit = !(hints & kUnlit);
    // The cockpit's triangles its own nearer parts hide from this eye place, one flag a triangle.
    const uint8_t* behindOwn = hiding_.Hidden ? hiding_.of(size_t(&p - hidingPolygons_)) : nullptr;
    int index = 0;
    RecentCorners recent;
    const PartPoints points{reinterpret_cast<const unsigned char*>(g.ThePoints) + positionIn(partEye_.Stride),
                            size_t(partEye_.Stride)};
    // GL culls its front faces (glPrepareForModelDrawing), those wound anticlockwise on the screen:
    // there the pose's determinant times the normal's dot with the way to the eye is positive
    // (negative where GL is set to cull the other way; nothing where it culls both).
    const FacingEye facing{partEye_.X, partEye_.Y, partEye_.Z, partEye_.Sign};
    // Room for every triangle the primitive may make (n - 2 at most, whatever its kind), of which
    // those sent are kept: a triangle costs three stores, not three growth checks.
    uint16_t* const first = batch_.room(3 * size_t(std::max(n - 2, 0)));
    uint16_t* out = first;
    // Run for every triangle of every batch: written into each loop below.
    // `away`: whether it faces away, where already asked (0 or 1), else -1.
    const auto tri = [&](uint16_t a, uint16_t b, uint16_t c, int away) __attribute__((always_inline)) {
        if (behindOwn && behindOwn[index++]) {
            ++cockpitTrianglesHidden_;
            return;
        }
        if (cull && (away < 0 ? facesAway(points.at(a), points.at(b), points.at(c), facing) : away)) return;
        ScreenBox box = kWholeScreen;
        if (seen && coversNoPixel(g, points, a, b, c, box, recent)) {
            ++trianglesUnseen_;
            return;
        }
        if (behindCover && hiddenByCover(box) && (!(hints & kOffset) || offsetStaysBehind(g, a, b, c))) {
            ++trianglesHidden_;
            return;
        }
        batchBox_.widen(box);
        if (batchFlat_ && flatLit) {
            // Lit: one colour only where the three normals are one (plain points: no colours of their own).
            const auto* points = g.ThePoints;
            batchFlat_ = sameNormal(points[b], points[a]) && sameNormal(points[c], points[a]);
        }
        out[0] = a;
        out[1] = b;
        out[2] = c;
        out += 3;
    };
    const auto alone = [&](uint16_t a, uint16_t b, uint16_t c) __attribute__((always_inline)) { tri(a, b, c, -1); };
    if (cull) {
        // A quad's two triangles, and a fan's neighbouring two, are asked whether they face away together.
        eachTrianglePair(
            p.DefaultDrawType, v, n,
            [&](uint16_t a0, uint16_t b0, uint16_t c0, uint16_t a1, uint16_t b1, uint16_t c1) __attribute__((always_inline)) {
                const int away = pairFacesAway({points.at(a0), points.at(a1)}, {points.at(b0), points.at(b1)},
                                               {points.at(c0), points.at(c1)}, facing);
                tri(a0, b0, c0, away & 1);
                tri(a1, b1, c1, away >> 1);
            },
            alone);
    } else {
        eachTriangle(p.DefaultDrawType, v, n, alone);
    }
    batch_.Count += size_t(out - first);
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

void MyZephGLView::lookUpCockpitHidden(const OneCompleteObjectVer2& object, const ObjectPointsPolysVer2& g,
                                       const OnePolygonVer2* polygons, const MaterialLightData* materials, int stride) {
    // Which parts hide which is worked out in the object's own frame: every part the polygons
    // switch to must be posed as the object is. Depths decide it, nearer or as near winning, and
    // a lit polygon's alpha must be its own material's.
    hiding_ = {};
    if (!partEye_.On || partEye_.Culled == 0 || !depthTestedNearer() || alphaFollowsOrder(materials)) return;
    const std::array<double, 16>& p = partEye_.Projection;
    if (p[11] != -1 || p[3] != 0 || p[7] != 0 || p[15] != 0 || !(p[0] > 0) || !(p[5] > 0) || !(p[10] < 1)) return;
    // The polygons' looks do not change between the passes of a frame: read once a pass.
    if (looksFor_ != polygons || looksPass_ != passes_) {
        constexpr size_t kMostPolygons = 65536;
        looksFor_ = polygons;
        looksPass_ = passes_;
        looksFit_ = false;
        polygonLooks_.clear();
        for (const OnePolygonVer2* q = polygons; q->MapNumber >= 0; ++q) {
            if (polygonLooks_.size() == kMostPolygons) return;
            if (q->FirstItem < 0) {
                const int m = -q->FirstItem;
                if (m <= int(object.OptionalObjectMatrix.size()) &&
                    object.OptionalObjectMatrix[size_t(m - 1)] != object.ObjectMatrix)
                    return;
            }
            polygonLooks_.push_back({q->DrawHints, q->FirstItem >= 0 && alwaysOpaque(*q, g, materials)});
        }
        looksFit_ = true;
    }
    if (!looksFit_) return;
    // The near plane cuts away what lies nearer than n along the view's axis: in any direction
    // within the view's corners, nothing nearer the eye than this reach is sure to be drawn.
    const double n = p[14] / (p[10] - 1);
    const double l = (p[8] - 1) / p[0], r = (p[8] + 1) / p[0], b = (p[9] - 1) / p[5], t = (p[9] + 1) / p[5];
    const double reach = n * std::sqrt(1 + std::max(l * l, r * r) + std::max(b * b, t * t));
    // Sampled at half a pixel (as a tangent at the view's middle) or finer.
    const double pixel = partEye_.Viewport[2] > 0 ? (r - l) / partEye_.Viewport[2] : 0;
    if (!(n > 0) || !std::isfinite(reach) || !(pixel > 0)) return;
    const HidingEye eye{partEye_.X, partEye_.Y, partEye_.Z, partEye_.Sign, reach, std::clamp(pixel / 2, 1.0 / 8192, 1.0 / 1024)};
    CockpitHidden::Answer answer;
    if (!cockpitHidden_.lookUp(g, polygons, polygonLooks_, stride, eye, passes_, answer)) return;
    hiding_ = answer;
    hidingPolygons_ = polygons;
}

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

bool MyZephGLView::chooseBatchFilter(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g,
                                     std::span<const uint16_t> triangles) {
    // The cockpit, all within a few feet and covering half the view, reads one mip level a pixel,
    // not a blend of two: neighbouring levels of its pictures differ by a few levels of colour, and
    // the rasteriser reads half the texels.
    const bool cockpit = coverColour_ || drawingCockpit_;
    const int32_t slot = pictureSlot(p, g);
    const bool nearest = cockpit && nearestLevelInCockpit_ && !exactDrawing_ && !(p.DrawHints & kUntextured);
    split_.On = false;
    // Drawn in its mean colour, the batch reads no texel.
    if (drawsInMean(p, g)) {
        readNearestLevel(nearest ? slot : -1, nearest);
        return true;
    }
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
    return false;
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
    drawTriangles(batch_);
    batch_.clear();
}

// The polygon's run of point numbers: its count, then the points.
void MyZephGLView::drawPoints(const OnePolygonVer2& p, const ObjectPointsPolysVer2& g) {
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
