// The game view's frame under Xvfb, read back before the swap: objects (where they stand, level of
// detail, transparency), then the frame's passes, windows and kept picture, then over the generated
// front. Moving parts, textures and smoke are drawn on real aircraft in the aircraft view tests.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <tuple>

#include "core/DrawHints.h"
#include "core/ZephModel.h"
#include "platform/Beep.h"
#include "render/TransparentQueue.h"
#include "tests/PictureRule.h"
#include "tests/render/ViewFixture.h"
#include "world/RIDUdidav.h"
#include "world/draw/WorldDraw.h"
#include "world/TexturedSkyDome.h"

namespace rendertest {
namespace {

using namespace pellam;

constexpr int32_t kUnlitFlat = kUnlit | kUntextured;  // the polygon's own colour
const std::array<float, 4> kRed{1, 0, 0, 1}, kGreen{0, 1, 0, 1}, kBlue{0, 0, 1, 1};

// Flat squares facing a camera that looks north (+Z), in up to two frames of geometry.
struct Thing : ZephModel {
    struct Geometry {
        std::vector<GLT2FN3FV3FFormat> Points;
        std::vector<float> Coloured;  // 12 floats a vertex when the object carries vertex colours
        std::vector<OnePolygonVer2> Polygons, Alt;
        std::vector<uint16_t> Runs;
    };
    std::array<Geometry, 2> Geo;
    std::array<ObjectPointsPolysVer2, 2> Frames{};
    OneCompleteObjectVer2 Record;
    int Calls = 0;
    int32_t Team = 2;

    Thing() {
        Record.TheObject.TooFar = Record.TheObject.UseAlt = Record.TheObject.DotDistance = 100000;
        Record.TheObject.Behind = -50;
        Record.ObjectMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    }
    OneCompleteObjectVer2* getDrawingData(int32_t) override {
        ++Calls;
        finish();
        return &Record;
    }
    float* getPointerToRelativeEyeX() override { return &Record.TheObject.EyeRelativeX; }
    int32_t getTeamNumber() override { return Team; }

    void at(double x, double y, double z) { std::copy_n(std::array{x, y, z}.begin(), 3, &Record.ObjectMatrix[12]); }
    // A square of half side `half` ft centred on (cx, cy) at depth z, facing the camera.
    void square(int frame, double half, double z, std::array<float, 4> colour, int32_t hints, bool alt = false,
                double cx = 0, double cy = 0) {
        Geometry& g = Geo[frame];
        const uint16_t first = uint16_t(g.Points.size());
        for (auto [x, y] : {std::pair{-half, -half}, {-half, half}, {half, half}, {half, -half}})
            g.Points.push_back({0, 0, 0, 0, -1, float(cx + x), float(cy + y), float(z)});
        polygon(frame, first, 4, 9 /* GL_POLYGON */, colour, hints, alt);
    }
    // One polygon of `count` points from point `first` on, drawn as `drawType`.
    void polygon(int frame, uint16_t first, uint16_t count, int drawType, std::array<float, 4> colour, int32_t hints,
                 bool alt = false) {
        Geometry& g = Geo[frame];
        OnePolygonVer2& p = (alt ? g.Alt : g.Polygons).emplace_back();
        p.MapNumber = 0;
        p.DefaultDrawType = decltype(p.DefaultDrawType)(drawType);
        p.DrawHints = hints;
        p.PolyColor = colour;
        p.FirstItem = int16_t(g.Runs.size());
        g.Runs.push_back(count);
        for (uint16_t k = 0; k < count; ++k) g.Runs.push_back(uint16_t(first + k));
    }
    // Points the record at the geometry as it stands: the view asks for it every frame.
    void finish() {
        const int frames = Geo[1].Points.empty() ? 1 : 2;
        for (int f = 0; f < frames; ++f) {
            Geometry& g = Geo[f];
            for (auto* list : {&g.Polygons, &g.Alt})
                if (!list->empty() && list->back().MapNumber >= 0) list->emplace_back().MapNumber = -1;
            Frames[f].ThePoints = g.Coloured.empty() ? g.Points.data()
                                                     : reinterpret_cast<GLT2FN3FV3FFormat*>(g.Coloured.data());
            Frames[f].ThePolygons = g.Polygons.data();
            Frames[f].TheAltPolygons = g.Alt.empty() ? nullptr : g.Alt.data();
            Frames[f].RunItems = g.Runs.data();
        }
        Record.ThePointsPolysData = Frames.data();
        Record.NumberOfPointsPolys = frames;
    }
};

bool near(const uint8_t* p, int r, int g, int b, int tolerance = 12) {
    return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}

struct Services : render::NoFrameServices {
    bool shot = false;
    uint64_t print = 0;
    bool getAndClearScreenShotPending() override { return std::exchange(shot, false); }
    uint64_t flatPrint() override { return print; }
};

// The view over 22 empty model slots, the camera at the origin looking north, a dark blue erase
// colour; frame() draws one from `camera` and reads it back.
class SceneTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        for (long i = 0; i < 22; ++i) models.append(nullptr);
        view().setModelArray(&models);
        view().setFrameServices(&services);
        view().setCameraInsideItem(-1);
        view().setEraseColorRed(0, 0, 0.5);
    }
    void TearDown() override {
        view().setKeepScene(false);
        view().setModelArray(nullptr);
        view().setFrameServices(nullptr);
        view().setMessageLines(nullptr);
        view().setDrawSecondWindow(false);
    }
    // Seen from `camera`; `second`, when given, receives the second window's frame.
    RGBAImage frame(RGBAImage* second = nullptr) {
        view().setGlobalCameraPosition(&camera);
        if (second) view().setSecondFrameObserver([&] { *second = readBack(*view().getSecondWindow()); });
        const RGBAImage image = drawnFrame(view());
        view().setSecondFrameObserver(nullptr);
        return image;
    }
    Thing* put(long index) { return static_cast<Thing*>(models.put(index, std::make_unique<Thing>())); }
    // A flat square of half side `half` ft, `z` ft ahead.
    Thing* flat(long index, double half, double z, std::array<float, 4> colour) {
        Thing* t = put(index);
        t->square(0, half, 0, colour, kUnlitFlat);
        t->at(0, 0, z);
        return t;
    }
    // The pixel over the point (x right, y up, ft) of the plane 100 ft ahead.
    static const uint8_t* at100(const RGBAImage& image, double x, double y) {
        const double perFoot = image.height / (2 * 4.275 / (8.25 * 1.25) * 100);
        return pixel(image, int(image.width / 2 + x * perFoot), int(image.height / 2 - y * perFoot));
    }

    QNion camera;  // at the origin, looking north
    ModelArray models;
    Services services;
};

TEST_F(SceneTest, ObjectsAreDrawnWhereTheyStandFarFromTheOriginUnlessHiddenOrTooFar) {
    // Three million feet out a float step is a quarter of a foot; the eye is subtracted in doubles.
    camera.Position = {3000000.3, 2000.0, 2999000.7};
    auto ahead = [&](Thing* t, double x, double z) { t->at(camera.Position[0] + x, 2000.0, camera.Position[2] + z); };
    Thing* t = flat(5, 5, 0, kRed);
    ahead(t, 10, 100);
    Thing* hidden = flat(3, 5, 0, kGreen);
    ahead(hidden, -10, 100);
    hidden->Record.TheObject.ObjectFlags = 0x1;
    Thing* far = flat(2, 500, 0, kRed);
    ahead(far, 0, 6000);
    far->Record.TheObject.TooFar = 5000;
    far->Record.TheObject.EyeRelativeZ = 3000;  // from an earlier frame
    const auto before = t->Record.ObjectMatrix;
    const RGBAImage image = frame();
    EXPECT_TRUE(near(at100(image, 10.0, 0), 255, 0, 0));
    EXPECT_TRUE(near(at100(image, -10.0, 0), 0, 0, 128));
    EXPECT_TRUE(near(at100(image, 0, 0), 0, 0, 128));
    EXPECT_EQ(t->Record.ObjectMatrix, before);
    EXPECT_NEAR(t->Record.TheObject.EyeRelativeX, 10.0f, 1e-3);
    EXPECT_NEAR(t->Record.TheObject.EyeRelativeZ, 100.0f, 1e-3);
    // No stale position is left for an identification square.
    EXPECT_LE(far->Record.TheObject.EyeRelativeZ, -9999.0f);

    // Flagged to be drawn in full, it is drawn beyond TooFar too.
    far->Record.TheObject.ObjectFlags = 0x200;
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));
}

// An aircraft wholly outside the view is not sent; its reach counts only the moving parts its
// polygons switch to, so part slots the record leaves unset (all zeros, the world's origin) do not
// keep it, while a part posed into the view does.
TEST_F(SceneTest, AnAircraftOutsideTheViewIsLeftOutUnlessAPartItDrawsReachesIn) {
    Thing* t = flat(3, 5, 100, kRed);
    t->at(-500, 0, 100);  // far left of the view
    t->Frames[0].ObjectExtends = {-5, 5, -5, 5, -5, 5};
    const long before = view().objectsOutside();
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 0, 128));
    EXPECT_EQ(view().objectsOutside(), before + 1);

    // A second square drawn in part 2's pose, which stands straight ahead.
    Thing::Geometry& g = t->Geo[0];
    g.Polygons.pop_back();  // the end marker, put back by finish()
    OnePolygonVer2& marker = g.Polygons.emplace_back();
    marker.MapNumber = 0;
    marker.FirstItem = -2;
    t->square(0, 5, 0, kGreen, kUnlitFlat);
    t->Record.OptionalObjectMatrix[1] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 100, 1};
    const RGBAImage image = frame();
    EXPECT_EQ(view().objectsOutside(), before + 1);
    EXPECT_TRUE(near(at100(image, 0, 0), 0, 255, 0));

    // A marker's depth hint ends as a drawn polygon's does: the depth function back to GL_LESS, so
    // a square drawn after it in the very place of one before it does not show.
    Thing* u = flat(4, 5, 100, kRed);
    OnePolygonVer2& first = u->Geo[0].Polygons.emplace_back();
    first.MapNumber = 0, first.FirstItem = -1, first.DrawHints = kLEqual;
    u->square(0, 5, 0, kGreen, kUnlitFlat);
    u->Record.OptionalObjectMatrix[0] = u->Record.ObjectMatrix;
    for (const bool exact : {true, false}) {
        view().setExactDrawing(exact);
        EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0)) << exact;
    }
    view().setExactDrawing(false);
}

// A face turned away from the eye is left out before GL sees it, exactly where GL would cull it:
// the picture is the plain rules' own, also when the object's matrix mirrors it (which turns every
// winding over, so that GL then draws the faces it culled before).
TEST_F(SceneTest, FacesTurnedAwayAreLeftOutWhereGLWouldCullThemMirroredOrNot) {
    Thing* t = put(7);
    t->square(0, 5, 0, kRed, kUnlitFlat, false, -10, 0);
    t->square(0, 5, 0, kGreen, kUnlitFlat, false, 10, 0);
    std::reverse(t->Geo[0].Runs.end() - 4, t->Geo[0].Runs.end());  // the green one wound the other way
    t->at(0, 0, 100);
    for (const double mirror : {1.0, -1.0}) {
        t->Record.ObjectMatrix[0] = mirror;
        view().setExactDrawing(true);
        const RGBAImage reference = frame();
        view().setExactDrawing(false);
        const RGBAImage drawn = frame();
        EXPECT_TRUE(drawn.pixels == reference.pixels) << mirror;
        // One square shows and the other is culled.
        const bool left = near(at100(drawn, -10, 0), 0, 0, 128), right = near(at100(drawn, 10, 0), 0, 0, 128);
        EXPECT_NE(left, right) << mirror;
    }
}

// Squares smaller than a pixel, scattered across pixel centres and the picture's edges: those that
// make no fragment are left out before GL sees them, and the picture is the plain rules' own.
TEST_F(SceneTest, TrianglesTooSmallOrTooFarAsideForAnyPixelAreLeftOutUnseen) {
    Thing* t = put(8);
    for (int i = 0; i < 24; ++i)
        for (int j = 0; j < 24; ++j) t->square(0, 0.045, 0, kRed, kUnlitFlat, false, -4.4 + 0.383 * i, -4.4 + 0.383 * j);
    // Straddling the picture's right and top edges, and beyond them.
    for (int k = 0; k < 40; ++k) t->square(0, 0.3, 0, kGreen, kUnlitFlat, false, 52 + 0.37 * k, 37 + 0.29 * k);
    t->at(0, 0, 100);
    view().setExactDrawing(true);
    const RGBAImage reference = frame();
    view().setExactDrawing(false);
    const RGBAImage drawn = frame();
    EXPECT_TRUE(drawn.pixels == reference.pixels);
    int red = 0, green = 0;
    for (size_t i = 0; i < drawn.pixels.size(); i += 4) {
        red += drawn.pixels[i] > 200 && drawn.pixels[i + 1] < 50;
        green += drawn.pixels[i + 1] > 200 && drawn.pixels[i] < 50;
    }
    EXPECT_GT(red, 100);   // many squares do make a pixel
    EXPECT_LT(red, 576);   // and many do not
    EXPECT_GT(green, 0);
}

// Walls reaching from behind the eye to ahead of it, as a cockpit's sides do: those whose part
// beyond the near plane lies beside the view, or which end short of that plane, make no fragment
// and are not sent at all; the one that reaches into the view is, and the picture is the plain
// rules' own.
TEST_F(SceneTest, TrianglesReachingBehindTheEyeAreSentOnlyWhereTheirPartAheadCanShow) {
    const auto wall = [](Thing& t, float x, float z0, float z1, std::array<float, 4> colour) {
        Thing::Geometry& g = t.Geo[0];
        const auto first = uint16_t(g.Points.size());
        for (auto [y, z] : {std::pair{-2.0f, z0}, {2.0f, z0}, {2.0f, z1}, {-2.0f, z1}})
            g.Points.push_back({0, 0, 0, 0, -1, x, y, z});
        t.polygon(0, first, 4, 9 /* GL_POLYGON */, colour, kUnlitFlat | kNoCull);
    };
    Thing* seen = put(7);
    wall(*seen, -3, -10, 40, kGreen);
    Thing* aside = put(8);
    wall(*aside, -60, -10, 40, kRed);  // ahead of the near plane only far out to the left
    wall(*aside, 1, -10, 6, kRed);     // ends nearer than the near plane, 8.25 ft
    view().setExactDrawing(true);
    const RGBAImage reference = frame();
    view().setExactDrawing(false);
    long unseen = view().trianglesUnseen();
    const RGBAImage drawn = frame();
    EXPECT_TRUE(drawn.pixels == reference.pixels);
    int green = 0;
    for (int y = 0; y < drawn.height; ++y)
        for (int x = 0; x < drawn.width / 2; ++x) green += near(pixel(drawn, x, y), 0, 255, 0);
    EXPECT_GT(green, 1000) << "the green wall, at the left";
    EXPECT_EQ(view().trianglesUnseen() - unseen, 4) << "both red walls' triangles";
    // The green wall's are sent, cut by the GL: without the red walls, the same picture.
    models.put(8, nullptr);
    unseen = view().trianglesUnseen();
    const RGBAImage alone = frame();
    EXPECT_TRUE(alone.pixels == drawn.pixels);
    EXPECT_EQ(view().trianglesUnseen(), unseen);
}

TEST_F(SceneTest, AnimationFrameAlternatePolygonsFarAwayAndADotFarther) {
    Thing* t = put(6);
    t->square(0, 40, 0, kRed, kUnlitFlat);
    t->square(0, 40, 0, kGreen, kUnlitFlat, true);
    t->square(1, 40, 0, kBlue, kUnlitFlat);
    t->Record.TheObject.UseAlt = 500;
    t->Record.TheObject.DotDistance = 2000;
    t->Record.TheObject.AnimateItems[1] = 1;
    t->Record.TheObject.AnimateItems[2] = 7;  // no such frame: the main geometry
    t->Record.TheObject.CurrentAnimateItem = 1;
    t->at(0, 0, 400);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 0, 255));
    t->Record.TheObject.CurrentAnimateItem = 2;
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));
    t->at(0, 0, 800);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 255, 0));
    // Without an alternate list the main one stands.
    t->Geo[0].Alt.clear();
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));
    // The dot: dark, a few pixels, where the 80-ft square would have covered far more.
    t->at(0, 0, 3000);
    const RGBAImage image = frame();
    EXPECT_TRUE(near(at100(image, 0, 0), 26, 26, 26, 14));
    const int w = image.width, h = image.height;
    const int dark = 80 * 80 - brightPixels(image, w / 2 - 40, h / 2 - 40, w / 2 + 40, h / 2 + 40);
    EXPECT_GT(dark, 0);
    EXPECT_LT(dark, 30);
}

TEST_F(SceneTest, TransparentPolygonsBlendFarthestFirstShowVertexColoursAndOverflowQuietly) {
    Thing* t = put(9);
    // Queued in near-to-far order; drawn far first, so the near blue ends on top.
    t->square(0, 5, -20, {0, 0, 1, 0.5f}, kUnlitFlat | kTransparent);
    t->square(0, 5, 0, {1, 0, 0, 0.5f}, kUnlitFlat | kTransparent);
    t->square(0, 5, 40, kGreen, kUnlitFlat);
    t->at(0, 0, 100);
    // A white transparent square whose points are coloured green.
    Thing* c = put(10);
    c->square(0, 5, 0, {1, 1, 1, 1}, kUnlitFlat | kTransparent);
    for (const auto& v : c->Geo[0].Points)
        c->Geo[0].Coloured.insert(c->Geo[0].Coloured.end(), {v.U, v.V, 0, 1, 0, 1, v.NX, v.NY, v.NZ, v.X, v.Y, v.Z});
    c->Record.TheObject.ObjectFlags |= 0x20000;
    c->at(-20, 0, 100);
    const RGBAImage image = frame();
    // Green, then half red, then half blue: (64, 64, 128).
    EXPECT_TRUE(near(at100(image, 0, 0), 64, 64, 128, 14));
    EXPECT_TRUE(near(at100(image, -20, 0), 0, 255, 0));
    EXPECT_EQ(view().getTransparencyCount(), 0);

    // A full queue drops only what comes after it fills, without a beep: after those three, a red
    // square 20 ft right, then 1,399 tiny ones far off to the side.
    Thing* flood = put(11);
    flood->square(0, 5, 0, {1, 0, 0, 0.99f}, kUnlitFlat | kTransparent, false, 20, 0);
    for (int k = 0; k < 1399; ++k)
        flood->square(0, 0.01, 0, {0, 1, 0, 0.5f}, kUnlitFlat | kTransparent, false, -40, -30);
    flood->at(0, 0, 100);
    const long beeps = platform::beepCount();
    const RGBAImage full = frame();
    EXPECT_TRUE(near(at100(full, 0, 0), 64, 64, 128, 14));
    EXPECT_TRUE(near(at100(full, 20, 0), 252, 0, 1));
    EXPECT_EQ(view().getDroppedTransparentCount(), 3 + 1400 - render::TransparentQueue::kCapacity);
    EXPECT_EQ(platform::beepCount(), beeps);
}

// At one depth the queue's own order stands: of two half-clear squares queued red then blue, blue
// ends on top, and red once their colours change places.
TEST_F(SceneTest, TransparentPolygonsAtOneDepthKeepTheirQueuedOrder) {
    Thing* t = put(9);
    t->square(0, 5, 0, {1, 0, 0, 0.5f}, kUnlitFlat | kTransparent);
    t->square(0, 5, 0, {0, 0, 1, 0.5f}, kUnlitFlat | kTransparent);
    t->square(0, 5, 40, kGreen, kUnlitFlat);
    t->at(0, 0, 100);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 64, 64, 128, 14));
    std::swap(t->Geo[0].Polygons[0].PolyColor, t->Geo[0].Polygons[1].PolyColor);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 128, 64, 64, 14));
}

// Camera-facing smoke quads drawn by an object at once, after the pass's queue: each a square of
// half side `Half` ft centred `Ahead` ft north of `From` and `Right` ft east (`Up` ft higher), in
// one colour, its corners wound as the view's facing squares are or, `Turned`, the other way.
struct Smoker : ZephModel {
    struct Quad {
        double Ahead, Right, Half;
        std::array<float, 4> Colour;
        int32_t Hints;
        bool Turned;
        double Up = 0;
    };
    render::MyZephGLView* View = nullptr;
    int32_t White = -1;  // the texture slot of a white picture
    std::array<double, 3> From{};
    std::vector<Quad> Quads;
    void drawMySmokeItems() override {
        for (const Quad& q : Quads) {
            if (!View->drawsSmokeAt(From[1] + q.Up)) continue;
            const std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0,
                                           From[0] + q.Right, From[1] + q.Up, From[2] + q.Ahead, 1};
            View->setupDrawingMatrixForModel(m.data());
            XYZInput four[4];
            // Seen from the south, east lies to the right.
            for (auto [k, x, y] : {std::tuple{0, -1, -1}, {1, 1, -1}, {2, 1, 1}, {3, -1, 1}}) {
                XYZInput& p = four[q.Turned ? k : 3 - k];
                p.MyX = x * q.Half, p.MyY = y * q.Half, p.MyZ = 0;
                p.Myr = q.Colour[0], p.Myg = q.Colour[1], p.Myb = q.Colour[2], p.Mya = q.Colour[3];
            }
            OnePolygon poly;
            poly.MapNumber = 0;
            poly.DefaultDrawType = 9;  // GL_POLYGON
            poly.DrawHints = q.Hints;
            const PointUV uvs[5] = {{0, 0, 0}, {1, 1, 0}, {2, 1, 1}, {3, 0, 1}, {-1, 0, 0}};
            const MaterialLightData light{1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 0};
            View->glSetCurrentTexture(White, 12);
            View->glDrawTransparentTexture(&poly, four, uvs, &light);
        }
    }
};

// Smoke drawn after a queue whose last polygon left culling on and the fog off: a quad blends
// over what lies behind it and writes no depth, so the farther quad of an object drawn after
// still shows through a nearer one's clear parts, as through its colour; a quad whose hints say it
// is seen from both sides shows wound either way, and one whose hints do not is culled wound one
// way, as an object's face is. None writes the depths the sky left.
TEST_F(SceneTest, SmokeQuadsShowThroughOneAnotherAndFromTheSidesTheirHintsSay) {
    Thing* last = put(9);  // the queue's one polygon, far off to the left
    last->square(0, 2, 0, {1, 1, 1, 0.5f}, kUnlitFlat | kTransparent | kNoFog);
    last->at(-20, 0, 100);
    auto* nearer = static_cast<Smoker*>(models.put(10, std::make_unique<Smoker>()));
    auto* farther = static_cast<Smoker*>(models.put(11, std::make_unique<Smoker>()));
    nearer->View = farther->View = &view();
    const std::string white = writePicture("whiteS.png", 64, 64, [](int, int, uint8_t* p) { p[0] = p[1] = p[2] = 255; });
    nearer->White = farther->White = view().fmGetTextureFromDiskNSString(white, 1, 6, 9, 0);
    ASSERT_GE(nearer->White, 0);
    const std::array<float, 4> halfRed{1, 0, 0, 0.5f}, halfGreen{0, 1, 0, 0.5f};
    nearer->Quads = {{100, 0, 5, halfRed, kUnlit | kNoCull, true}, {100, 40, 5, halfRed, kUnlit | kNoCull, false}};
    farther->Quads = {{200, 0, 20, halfGreen, kUnlit, false}, {200, 80, 20, halfGreen, kUnlit, true},
                      {200, -80, 20, halfGreen, kUnlit, false}};
    RGBAImage image;
    std::vector<float> depths;
    view().setGlobalCameraPosition(&camera);
    view().setFrameObserver([&] {
        image = readBack(view());
        depths.resize(size_t(image.width) * image.height);
        glReadPixels(0, 0, image.width, image.height, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
    });
    view().drawRect({1, 0, 0, 1});
    view().setFrameObserver(nullptr);
    // The near red over the dark blue erase colour, then the far green over it.
    EXPECT_TRUE(near(at100(image, 0, 0), 64, 128, 32, 14)) << "the farther quad drawn after shows through";
    EXPECT_TRUE(near(at100(image, 40, 0), 128, 0, 64, 14)) << "turned, the red seen from both sides, the green culled";
    EXPECT_TRUE(near(at100(image, -40, 0), 0, 128, 64, 14));
    EXPECT_EQ(std::count(depths.begin(), depths.end(), 1.0f), long(depths.size())) << "depths written";
}

// Transparent squares over a black-and-white checker at strong and faint alphas look as they do by
// the plain rules: the strong one keeps its picture's grain, only the faint one may lose it.
TEST_F(SceneTest, ATransparentPictureKeepsItsGrainUnlessTooFaintToShowIt) {
    const std::string path = writePicture("checkerD.png", 64, 64, [](int x, int y, uint8_t* p) {
        p[0] = p[1] = p[2] = ((x / 8 + y / 8) % 2) ? 255 : 0;
    });
    const int32_t slot = view().fmGetTextureFromDiskNSString(path, 1, 6, 9, 0);
    ASSERT_GE(slot, 0);
    for (const float alpha : {0.5f, 0.05f}) {
        Thing* t = put(12);
        t->square(0, 10, 0, {1, 1, 1, alpha}, kUnlit | kTransparent);
        const float uv[4][2] = {{0, 0}, {0, 4}, {4, 4}, {4, 0}};  // four repeats across
        for (int k = 0; k < 4; ++k) std::tie(t->Geo[0].Points[k].U, t->Geo[0].Points[k].V) = std::pair(uv[k][0], uv[k][1]);
        t->Frames[0].MapListOffset[0] = int16_t(slot);
        t->at(0, 0, 100);
        view().setExactDrawing(true);
        const RGBAImage reference = frame();
        view().setExactDrawing(false);
        const RGBAImage drawn = frame();
        int most = 0, lo = 255, hi = 0;
        for (double x = -8; x <= 8; x += 0.5)
            for (double y = -8; y <= 8; y += 0.5) {
                const uint8_t *a = at100(drawn, x, y), *b = at100(reference, x, y);
                for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(a[c] - b[c]));
                lo = std::min<int>(lo, a[1]);
                hi = std::max<int>(hi, a[1]);
            }
        EXPECT_LE(most, 16) << alpha;
        if (alpha > 0.1f) {
            EXPECT_GT(hi - lo, 80) << "the grain shows";
        }
    }
}

// Unlit transparent polygons, pictured or plain, turned away from the eye, in colours between the
// 8-bit steps (and one beyond full), overlapping: byte for byte the pixels of the plain rules,
// whichever way the colour reaches the rasteriser.
TEST_F(SceneTest, UnlitTransparentPolygonsDrawThePlainRulesPixelsInTheirOwnColours) {
    const std::string path = writePicture("checkerU.png", 64, 64, [](int x, int y, uint8_t* p) {
        p[0] = uint8_t(x * 4 + 1), p[1] = ((x / 8 + y / 8) % 2) ? 250 : 3, p[2] = uint8_t(255 - y * 3);
    });
    const int32_t slot = view().fmGetTextureFromDiskNSString(path, 1, 6, 9, 0);
    ASSERT_GE(slot, 0);
    Thing* t = put(13);
    t->square(0, 10, 0, {0.7071f, 0.3333f, 0.9137f, 0.6173f}, kUnlit | kTransparent);
    t->square(0, 6, -5, {1.25f, 0.5019f, 0.2f, 0.45f}, kUnlit | kTransparent);
    t->square(0, 8, 5, {0.1234f, 0.8765f, 0.5f, 0.3f}, kUnlitFlat | kTransparent);
    const float uv[4][2] = {{0, 0}, {0, 3}, {3, 3}, {3, 0}};
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 4; ++k)
            std::tie(t->Geo[0].Points[4 * s + k].U, t->Geo[0].Points[4 * s + k].V) = std::pair(uv[k][0], uv[k][1]);
    for (GLT2FN3FV3FFormat& v : t->Geo[0].Points) v.Z += 2.5f * v.X + 0.5f * v.Y;  // turned: the depth varies
    t->Frames[0].MapListOffset[0] = int16_t(slot);
    t->at(0, 0, 100);
    view().setExactDrawing(true);
    const RGBAImage reference = frame();
    view().setExactDrawing(false);
    const RGBAImage drawn = frame();
    ASSERT_EQ(drawn.pixels.size(), reference.pixels.size());
    long differ = 0;
    for (size_t k = 0; k < drawn.pixels.size(); k += 4)
        differ += !std::equal(&drawn.pixels[k], &drawn.pixels[k + 3], &reference.pixels[k]);
    EXPECT_EQ(differ, 0) << "pixels unlike the plain rules'";
    EXPECT_GT(brightPixels(drawn, 0, 0, drawn.width, drawn.height, 100), 1000) << "the squares are drawn";
}

TEST_F(SceneTest, LoadingFrameIsBlackUntilTheWorldArrivesThenRefreshesAreIgnored) {
    view().setModelArray(nullptr);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 0, 0, 2));
    view().setModelArray(&models);
    flat(4, 5, 100, kRed);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));
    // A window-system refresh (origin x 0) draws nothing now.
    bool drawn = false;
    view().setFrameObserver([&] { drawn = true; });
    view().drawRect({0, 0, 640, 480});
    view().setFrameObserver(nullptr);
    EXPECT_FALSE(drawn);
}

TEST_F(SceneTest, CockpitIsDrawnAloneAfterADepthClearItsCoverChangesNoPixelAndOutsideItemsMeanOutside) {
    Thing* cockpit = flat(5, 0.2, 4, kGreen);  // 4 ft ahead: nearer than the main view's near plane
    Thing* wall = flat(6, 20, 100, kRed);
    view().setCameraInsideItem(5);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 255, 0));
    EXPECT_EQ(cockpit->Calls, 1);
    EXPECT_EQ(wall->Calls, 1);
    // Even from behind the wall, the cockpit comes after the depth clear.
    cockpit = flat(5, 10, 150, kGreen);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 0, 255, 0));
    // Outside the cockpit it is one object among the rest, behind the wall.
    view().setCameraInsideItem(-1);
    EXPECT_TRUE(near(at100(frame(), 0, 0), 255, 0, 0));

    // The world behind the cockpit's opaque parts is not shaded, and the picture is the same: the
    // world shows through a polygon the alpha test drops (middle) and a transparent one (right).
    cockpit = put(5);
    cockpit->square(0, 0.6, 0, kGreen, kUnlitFlat, false, -1.3, 0);
    cockpit->square(0, 0.6, 0, {0, 0, 1, 0.5f}, kUnlitFlat, false, 0, 0);
    cockpit->square(0, 0.6, 0, {0, 0, 1, 0.5f}, kUnlitFlat | kTransparent, false, 1.3, 0);
    cockpit->at(0, 0, 4);
    flat(6, 80, 100, kRed);
    view().setCameraInsideItem(5);
    const RGBAImage covered = frame();
    view().setMarksOpaqueCover(false);
    const RGBAImage plain = frame();
    view().setMarksOpaqueCover(true);
    EXPECT_EQ(covered.pixels, plain.pixels);
    EXPECT_TRUE(near(at100(covered, 0, 0), 255, 0, 0));
    EXPECT_GT(at100(covered, -32.5, 0)[1], 200);  // 1.3 ft aside at 4 ft
    EXPECT_GT(at100(covered, 32.5, 0)[0], 60);
    EXPECT_GT(at100(covered, 32.5, 0)[2], 60);

    for (long outside : {99L, 1L}) {
        view().setCameraInsideItem(outside);
        EXPECT_EQ(view().getCameraInsideItem(), -1) << outside;
    }
    view().setCameraInsideItem2(-7);
    EXPECT_EQ(view().getCameraInsideItem2(), -1);
    view().setCameraInsideItem(21);
    frame();  // an empty slot: no cockpit pass, no crash
    for (long aircraft : {3L, 10L, 1L}) view().setSecondAircraftCamera(aircraft);
    EXPECT_EQ(view().getSecondAircraftCamera(), 3);
}

// The cockpit's triangles its own nearer opaque parts hide from the eye are left out of both its
// passes, with the same pixels: a panel behind a nearer one, but not one that peeks out beside it;
// a square behind a stick only until the stick first moves, and never after, wherever the stick goes.
TEST_F(SceneTest, TheCockpitsOwnHiddenTrianglesAreLeftOutOnlyWhereNothingCanShowThemAndMovingPartsHideNothing) {
    Thing* cockpit = put(5);
    const std::array<float, 4> kWhite{1, 1, 1, 1};
    cockpit->square(0, 0.3, 2, kGreen, kUnlitFlat);                    // the panel
    cockpit->square(0, 0.3, 3, kRed, kUnlitFlat);                      // behind it
    cockpit->square(0, 0.1, 3, kBlue, kUnlitFlat, false, 0.5, 0);      // beside it, half behind
    cockpit->square(0, 0.05, 1.5, {1, 1, 0, 1}, kUnlitFlat);           // a stick, points 12..15
    cockpit->square(0, 0.02, 1.8, kWhite, kUnlitFlat);                 // behind the stick
    view().setCameraInsideItem(5);
    const long built = view().cockpitPlacesBuilt();
    // The first frame from the seat asks for what is hidden and draws everything until the answer,
    // worked out off the frame, lands (a later pass of the frame may take it up): the same pixels.
    const RGBAImage asked = frame();
    view().waitForCockpitSearches();
    const auto drawnBoth = [&](long leftOut) {
        const long before = view().cockpitTrianglesHidden();
        const RGBAImage shortcut = frame();
        EXPECT_EQ(view().cockpitTrianglesHidden() - before, leftOut);
        view().setHidesCockpitTriangles(false);
        const RGBAImage plain = frame();
        view().setHidesCockpitTriangles(true);
        EXPECT_EQ(view().cockpitTrianglesHidden() - before, leftOut);
        EXPECT_TRUE(shortcut.pixels == plain.pixels);
        return shortcut;
    };
    // Two triangles a square, in the cover's pass and the cockpit's own.
    const RGBAImage first = drawnBoth(2 * (2 + 2));
    EXPECT_TRUE(first.pixels == asked.pixels);
    const uint8_t* middle = pixel(first, first.width / 2, first.height / 2);
    EXPECT_TRUE(near(middle, 255, 255, 0));
    EXPECT_EQ(view().cockpitPlacesBuilt(), built + 1);
    // Moved, nothing is left out until the stick has rested a while; then only the panel's.
    for (auto& p : std::span(cockpit->Geo[0].Points).subspan(12, 4)) p.X += 0.4f;
    const RGBAImage moved = drawnBoth(0);
    EXPECT_TRUE(near(pixel(moved, moved.width / 2, moved.height / 2), 255, 255, 255));
    for (int k = 0; k < 20 && view().cockpitPlacesBuilt() == built + 1; ++k) {
        frame();
        view().waitForCockpitSearches();
    }
    EXPECT_EQ(view().cockpitPlacesBuilt(), built + 2);
    EXPECT_TRUE(drawnBoth(2 * 2).pixels == moved.pixels);
    for (auto& p : std::span(cockpit->Geo[0].Points).subspan(12, 4)) p.X -= 0.4f;
    EXPECT_TRUE(drawnBoth(2 * 2).pixels == first.pixels);
    view().setExactDrawing(true);
    drawnBoth(0);
    view().setExactDrawing(false);
}

TEST_F(SceneTest, IdentificationSquaresMarkDistantAircraftButNotHiddenOrFarOnesNorInTheBuildersView) {
    auto redPixels = [](const RGBAImage& im) {  // the square within 30 pixels of the centre
        return brightPixels(im, im.width / 2 - 30, im.height / 2 - 30, im.width / 2 + 30, im.height / 2 + 30, 200);
    };
    Thing* aircraft = flat(3, 1, 3000, {0.1f, 0.1f, 0.1f, 1});
    aircraft->Team = 1;
    EXPECT_GT(redPixels(frame()), 40);
    aircraft->Record.TheObject.TooFar = 1500;
    EXPECT_EQ(redPixels(frame()), 0);
    aircraft->Record.TheObject.TooFar = 100000;
    EXPECT_GT(redPixels(frame()), 40);
    aircraft->Record.TheObject.ObjectFlags = 0x1;
    EXPECT_EQ(redPixels(frame()), 0);
    aircraft->Record.TheObject.ObjectFlags = 0;

    // The builder's view draws the object the camera is in with the rest, and no squares.
    Thing* inside = flat(5, 5, 100, kGreen);
    inside->at(-30, 0, 100);
    view().setCameraInsideItem(5);
    view().setAwoken(true);
    const double aspect = double(view().FinalSizeWidth()) / view().FinalSizeHeight();
    view().glSetViewFrustum(-4.275 * aspect, 4.275 * aspect, -4.275, 4.275, 10.3125, 111000);
    const RGBAImage image = frame();
    view().setAwoken(false);
    EXPECT_TRUE(near(at100(image, -30, 0), 0, 255, 0));
    EXPECT_EQ(inside->Calls, 1);
    EXPECT_EQ(redPixels(image), 0);
}

TEST_F(SceneTest, MessageLinesNeedTheFirstLineAndARequestedShotIsWrittenFromTheFrame) {
    unsigned char lines[5][256] = {};
    render::stringToPascal("Squadron aloft", lines[2]);
    view().setMessageLines(lines);
    auto text = [](const RGBAImage& image) { return brightPixels(image, 0, 0, image.width, image.height, 200); };
    EXPECT_EQ(text(frame()), 0);
    render::stringToPascal("Enemy aircraft ahead", lines[0]);
    const RGBAImage shown = frame();
    EXPECT_GT(text(shown), 50);
    // Read at a glance: off the view's edge, and twenty characters over a sixth of its width.
    int left = shown.width, right = 0, bottom = 0;
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x)
            if (pixel(shown, x, y)[0] > 120) {  // white at 0.65 over the dark blue
                left = std::min(left, x);
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
    EXPECT_GE(left, shown.width / 100) << "the lines start at the window's edge";
    EXPECT_GT(right - left, shown.width / 6) << "the lines are too small to read";
    EXPECT_LT(bottom, shown.height - shown.height / 100);

    view().setScreenShotFolder((scratchFolder() / "shots").string());
    fs::create_directories(scratchFolder() / "shots");
    services.shot = true;
    frame();
    view().flushScreenShots();
    EXPECT_TRUE(fs::exists(view().lastScreenShotPath()));
    EXPECT_FALSE(services.shot);
}

TEST_F(SceneTest, SecondWindowShowsItsOwnCameraFromTheFramesRecords) {
    Thing* ahead = flat(4, 20, 100, kRed);
    Thing* behind = flat(7, 10, -100, kGreen);
    Thing* clutter = flat(ModelArray::kGroundClutter, 2, -60, kRed);
    Thing* wall = flat(8, 500, -300, {0.4f, 0, 0, 1});  // fills the small window
    for (Thing* t : {behind, clutter, wall}) t->Geo[0].Polygons[0].DrawHints |= kNoCull;  // seen from the back
    QNion second;
    second.QAttitude = {0, 0, 1, 0};  // looking south
    view().setSecondGlobalCameraPosition(&second);
    view().setSecondAircraftCamera(3);
    view().setDrawSecondWindow(true);
    RGBAImage small;
    const RGBAImage main = frame(&small);
    ASSERT_NE(view().getSecondWindow(), nullptr);
    EXPECT_TRUE(near(at100(main, 0, 0), 255, 0, 0));
    EXPECT_TRUE(near(at100(small, 0, 0), 0, 255, 0));  // no ground clutter in the small window
    EXPECT_GT(brightPixels(small, small.width * 3 / 4, 0, small.width, small.height / 5, 200), 5) << "label";
    // The picture stands within a one-pixel edge of the erase colour: the edge's pixels, and the
    // picture's first column and bottom row (clear of the label), counted where they differ.
    int wrong = 0;
    for (int y = 0; y < small.height; ++y)
        for (int x = 0; x < small.width; ++x) {
            const bool edge = x == 0 || y == 0 || x == small.width - 1 || y == small.height - 1;
            if (edge || x == 1 || y == small.height - 2)
                wrong += !(edge ? near(pixel(small, x, y), 0, 0, 128, 2) : near(pixel(small, x, y), 102, 0, 0));
        }
    EXPECT_EQ(wrong, 0);
    // Each object was asked for its drawing once this frame, and keeps the main view's eye.
    for (Thing* t : {ahead, behind, clutter}) EXPECT_EQ(t->Calls, 1);
    EXPECT_NEAR(behind->Record.TheObject.EyeRelativeZ, -100.0f, 1e-3);
    // Switched off, the window goes.
    view().setDrawSecondWindow(false);
    frame();
    EXPECT_EQ(view().getSecondWindow(), nullptr);
}

// A resting game's kept picture: drawn once, shown again under the live message lines while
// nothing the view can see changes, drawn anew when the camera moves or the controller says so.
TEST_F(SceneTest, TheKeptPictureStaysUntilTheCameraMovesOrTheSceneIsSaidToChange) {
    auto redAhead = [](const RGBAImage& image) { return near(at100(image, 0, 0), 255, 0, 0, 55); };
    unsigned char lines[5][256] = {};
    view().setMessageLines(lines);
    Thing* red = flat(4, 10, 200, kRed);
    view().setKeepScene(true);
    const long before = view().getSceneDraws();
    const RGBAImage first = frame();
    EXPECT_TRUE(redAhead(first));

    SCOPED_TRACE("moved where the view cannot see it: neither drawn nor shown");
    red->at(0, 0, -200);
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_TRUE(frame().pixels.empty());

    SCOPED_TRACE("an input or window event: shown again pixel for pixel, not drawn");
    view().showNextFrame();
    EXPECT_EQ(frame().pixels, first.pixels);
    EXPECT_TRUE(frame().pixels.empty());

    SCOPED_TRACE("the message lines stay live over it");
    render::stringToPascal("Paused", lines[0]);
    const RGBAImage withText = frame();
    EXPECT_NE(withText.pixels, first.pixels);
    EXPECT_TRUE(redAhead(withText));

    SCOPED_TRACE("a new print of what the controller lays over the frame is shown, the same one rests");
    services.print = 7;
    EXPECT_FALSE(frame().pixels.empty());
    EXPECT_TRUE(frame().pixels.empty());

    SCOPED_TRACE("a camera easing by far below a pixel");
    camera.Position = {0, 0.001, 0};
    frame();
    EXPECT_EQ(view().getSceneDraws(), before + 1);

    SCOPED_TRACE("a camera command: drawn anew, the square gone from view");
    camera.Position = {0, 1, 0};
    EXPECT_FALSE(redAhead(frame()));
    EXPECT_EQ(view().getSceneDraws(), before + 2);

    SCOPED_TRACE("the controller says the scene changed: drawn anew once, then kept and not shown");
    red->at(0, 1, 200);
    view().sceneChanged();
    EXPECT_TRUE(redAhead(frame()));
    EXPECT_TRUE(frame().pixels.empty());
    EXPECT_EQ(view().getSceneDraws(), before + 3);

    SCOPED_TRACE("running: every frame drawn, and nothing kept for when it rests again");
    view().setKeepScene(false);
    frame();
    frame();
    EXPECT_EQ(view().getSceneDraws(), before + 5);
    red->at(0, 0, -200);
    view().setKeepScene(true);
    EXPECT_FALSE(redAhead(frame()));
    EXPECT_EQ(view().getSceneDraws(), before + 6);
}

class FrameWorldTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        auto* sky =
            static_cast<TexturedSkyDome*>(models.put(ModelArray::kSkyDome, std::make_unique<TexturedSkyDome>()));
        sky->initWithGLView(&view());
        sky->setTimeOfDay(11.0);
        terrain = static_cast<RIDUdidav*>(models.put(ModelArray::kTerrain, std::make_unique<RIDUdidav>()));
        ASSERT_TRUE(terrain->initWithGLView(&view())) << terrain->lastError();
        terrain->setFogDistance(0.0);
        view().setFrameServices(nullptr);  // the cloud state comes from the terrain
        camera.Position = {2020000.0, 3000.0, 2047000.0};  // above Albert at 3,000 ft
    }
    // In a faint haze, the cockpit (item 5, the camera inside it) a green square of half side
    // `half` ft 4 ft ahead, drawn before the world.
    void cockpitBeforeTheWorld(double half) {
        view().glSetFogParameters(1, 1, 1, GL_EXP2, 1.5e-5f);
        Thing* cockpit = put(5);
        cockpit->square(0, half, 0, kGreen, kUnlitFlat);
        const auto& c = camera.Position;
        cockpit->at(c[0], c[1], c[2] + 4);
        view().setCameraInsideItem(5);
    }

    RIDUdidav* terrain = nullptr;
};

TEST_F(FrameWorldTest, GreyInsideTheCloudLayerAndTheTerrainAnswersForTheMainEyeAfterTheSecondWindow) {
    terrain->SetDetailsForLayer(0, 1, 2500, 3500);
    const RGBAImage cloud = frame();
    terrain->SetDetailsForLayer(0, 0, 0, 0);
    EXPECT_NEAR(pixel(cloud, 3, 3)[0], 217, 4);
    EXPECT_NEAR(pixel(cloud, cloud.width / 2, cloud.height - 3)[2], 217, 4);
    const RGBAImage clear = frame();
    EXPECT_GT(pixel(clear, 3, 3)[2], pixel(clear, 3, 3)[0] + 10) << "out of the layer the sky is blue";

    QNion elsewhere = camera;
    elsewhere.Position = {1990000.0, 1500.0, 2060000.0};
    view().setSecondGlobalCameraPosition(&elsewhere);
    view().setDrawSecondWindow(true);
    frame();
    view().setDrawSecondWindow(false);
    const Vector3& v = terrain->getViewingPosition();
    EXPECT_DOUBLE_EQ(v[0], camera.Position[0] + world::kSquareFeet);
    EXPECT_DOUBLE_EQ(v[2], camera.Position[2] - world::kSquareFeet);
}

// A deck 40 ft thick veils what lies beyond it from the eye like the ground there: from 500 ft
// above it, a square and a smoke puff under it; from below it, a square over it. What lies on the
// eye's side of it (a square with a mark raised on it that overhangs its edge, as a roundel's rim
// a wing's, then a transparent square, between it and the eye) is drawn over it untouched. Each
// pixel against the same frame without the deck.
TEST_F(FrameWorldTest, ADeckVeilsWhatLiesBeyondItAndNotWhatLiesBeforeIt) {
    auto* puff = static_cast<Smoker*>(models.put(12, std::make_unique<Smoker>()));
    puff->View = &view();
    puff->White = terrain->CloudDeckSlot;  // a soft grey picture
    const auto& c = camera.Position;
    puff->From = {c[0], c[1], c[2]};
    // Things at (east, up, north) ft from the eye; the deck's near side `side` ft up from it.
    for (const double side : {-500.0, 400.0}) {
        SCOPED_TRACE(side < 0 ? "from above the deck" : "from below the deck");
        const double beyond = side < 0 ? -600 : 700, before = side < 0 ? -300 : 200;
        Thing* far = flat(10, 80, 0, kRed);
        far->at(c[0] - 400, c[1] + beyond, c[2] + 2500);
        Thing* nearer = flat(11, 60, 0, kGreen);
        nearer->square(0, 20, 0, kBlue, kUnlitFlat | kOffset, false, 60, 0);  // half of it past the edge
        nearer->at(c[0] + 400, c[1] + before, c[2] + 1500);
        Thing* glass = flat(13, 40, 0, {0, 0, 1, 0.5f});
        glass->Geo[0].Polygons[0].DrawHints |= kTransparent;
        glass->at(c[0] + 650, c[1] + before, c[2] + 1500);
        puff->Quads = {{2500, 0, 60, {0, 0, 1, 1}, kUnlit | kNoCull, false, beyond}};
        if (side > 0) puff->Quads.clear();
        terrain->SetDetailsForLayer(0, 0, 0, 0);
        const RGBAImage clear = frame();
        terrain->SetDetailsForLayer(0, 1, c[1] + side + (side < 0 ? -40 : 0), c[1] + side + (side < 0 ? 0 : 40));
        const RGBAImage veiled = frame();
        // Clear of the ground, the deck goes untested round the squares and keeps the test over them.
        EXPECT_GT(view().terrainDrawer().decksUntested(), 0);
        view().terrainDrawer().DecksUntestedOverGround = false;
        EXPECT_TRUE(frame().pixels == veiled.pixels) << "the same as the deck tested everywhere";
        view().terrainDrawer().DecksUntestedOverGround = true;
        // The point as seen on the plane 100 ft ahead.
        const auto seen = [&](const RGBAImage& image, double east, double up, double north) {
            return at100(image, east * 100 / north, up * 100 / north);
        };
        const auto moved = [&](double east, double up, double north) {
            const uint8_t *a = seen(clear, east, up, north), *b = seen(veiled, east, up, north);
            return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
        };
        EXPECT_GT(moved(-400, beyond - 100, 2500), 20) << "what shows round it beyond the deck is veiled";
        EXPECT_GT(moved(-400, beyond, 2500), 20) << "the square beyond the deck is veiled";
        if (side < 0) {
            EXPECT_GT(moved(0, beyond, 2500), 20) << "the puff beyond the deck is veiled";
        }
        EXPECT_LE(moved(400, before, 1500), 2) << "the square before the deck is drawn over it";
        for (const double east : {400 + 50, 400 + 70}) {
            EXPECT_TRUE(near(seen(veiled, east, before, 1500), 0, 0, 255)) << "its mark, on it and past its edge";
            EXPECT_LE(moved(east, before, 1500), 2) << "the mark before the deck is drawn over it";
        }
        // The glass over the veil beside it: half its blue, half the veiled ground or sky.
        const uint8_t *glassSeen = seen(veiled, 650, before, 1500), *beside = seen(veiled, 650, before + 60, 1500);
        EXPECT_TRUE(near(glassSeen, beside[0] / 2, beside[1] / 2, 128 + beside[2] / 2, 10)) << "the glass over the deck";
        for (long i : {10, 11, 13}) models.put(i, nullptr);
    }
    terrain->SetDetailsForLayer(0, 0, 0, 0);
}

// Over the ground a resting game must still find the picture it kept current, and rest.
TEST_F(FrameWorldTest, APictureKeptOverTheGroundStaysCurrentWhileNothingChanges) {
    view().setKeepScene(true);
    const long before = view().getSceneDraws();
    EXPECT_FALSE(frame().pixels.empty());
    EXPECT_TRUE(frame().pixels.empty()) << "nothing changed: neither drawn nor shown";
    view().showNextFrame();
    EXPECT_FALSE(frame().pixels.empty()) << "shown again";
    EXPECT_EQ(view().getSceneDraws(), before + 1);
}

// At noon, looking straight at the sun that lights the world: its glow on the sky is in the middle
// of the picture, not somewhere else on the dome.
TEST_F(FrameWorldTest, TheSunIsDrawnWhereTheLightComesFrom) {
    view().setSunVectorFromTime(12.0);
    static_cast<TexturedSkyDome*>(models.at(ModelArray::kSkyDome))->setTimeOfDay(12.0);
    const double* s = view().getSunUnitVector();
    const double h = std::atan2(s[0], s[2]), p = std::atan2(s[1], std::hypot(s[0], s[2]));
    // The camera holds the conjugate of a body turned by the heading, then pitched up.
    const double c1 = std::cos(h / 2), s1 = std::sin(h / 2), c2 = std::cos(-p / 2), s2 = std::sin(-p / 2);
    const double body[4] = {c1 * c2, c1 * s2, s1 * c2, -s1 * s2};  // Ry(h) x Rx(-p)
    camera.QAttitude = {body[0], -body[1], -body[2], -body[3]};
    const RGBAImage image = frame();
    long bestX = 0, bestY = 0, best = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* q = pixel(image, x, y);
            const long b = long(q[0]) + q[1] + q[2];
            if (b > best) best = b, bestX = x, bestY = y;
        }
    EXPECT_GT(best, 3 * 240);
    EXPECT_NEAR(bestX, image.width / 2, image.width / 30) << "the glow's brightest pixel";
    EXPECT_NEAR(bestY, image.height / 2, image.width / 30);
}

// In a faint haze over the ground, the cockpit's opaque parts are drawn in colour before the
// world; a transparent polygon of the world that passes the depth test always, drawn after them,
// must still end under the cockpit as when the cockpit is drawn after the world.
TEST_F(FrameWorldTest, TheCockpitDrawnBeforeTheWorldEndsInFrontOfWhatPassesTheDepthTestAlways) {
    cockpitBeforeTheWorld(0.6);
    const auto& c = camera.Position;
    Thing* pane = put(6);
    pane->square(0, 20, 0, {1, 0, 0, 0.5f}, kUnlit | kTransparent | kAlways);
    pane->Frames[0].MapListOffset[0] = int16_t(view().missingTextureSlot());  // opaque texels
    pane->at(c[0], c[1], c[2] + 100);
    const RGBAImage first = frame();
    view().setCoverFirst(false);
    const RGBAImage after = frame();
    view().setCoverFirst(true);
    EXPECT_TRUE(near(at100(after, 0, 0), 0, 255, 0));
    const uint8_t* beside = at100(after, 15, 0);
    EXPECT_GT(beside[0], beside[1] + 60);  // the pane beside the cockpit
    EXPECT_TRUE(first.pixels == after.pixels);
}

// With the cockpit drawn before the world, what the world draws behind it is left out unseen: an
// aircraft whole, another object's square. A mark raised by the polygon offset comes through it
// where its slope is steep enough, as GL does not keep the offset within the world's depths; and
// what is left out changes no state a later object reads.
TEST_F(FrameWorldTest, WhatTheCockpitHidesIsLeftOutWithoutChangingAPixel) {
    cockpitBeforeTheWorld(2);
    const auto& c = camera.Position;
    Thing* aircraft = put(6);
    aircraft->square(0, 5, 0, kRed, kUnlitFlat);
    aircraft->Frames[0].ObjectExtends = {-5, 5, -5, 5, -5, 5};
    aircraft->at(c[0], c[1], c[2] + 100);
    aircraft->Record.OptionalObjectMatrix.fill(aircraft->Record.ObjectMatrix);  // no part posed apart
    Thing* marked = put(21);
    marked->square(0, 5, 100, kRed, kUnlitFlat);
    // From 10 ft ahead to 1,000 ft in under a pixel across: its depth falls 0.8 a pixel.
    Thing::Geometry& g = marked->Geo[0];
    const auto first = uint16_t(g.Points.size());
    for (auto [x, y, z] : {std::tuple{-0.01, -0.2, 10.0}, {-0.01, 0.2, 10.0}, {0.5, 20.0, 1000.0}, {0.5, -20.0, 1000.0}})
        g.Points.push_back({0, 0, 0, 0, -1, float(x), float(y), float(z)});
    OnePolygonVer2& mark = g.Polygons.emplace_back();
    mark.MapNumber = 0;
    mark.DefaultDrawType = GL_QUADS;
    mark.DrawHints = kUnlitFlat | kOffset | kNoCull;
    mark.PolyColor = kBlue;
    mark.FirstItem = int16_t(g.Runs.size());
    g.Runs.push_back(4);
    for (uint16_t k = 0; k < 4; ++k) g.Runs.push_back(uint16_t(first + k));
    marked->at(c[0], c[1], c[2]);

    const long objects = view().objectsHidden(), triangles = view().trianglesHidden();
    const RGBAImage culled = frame();
    EXPECT_EQ(view().objectsHidden(), objects + 1);
    EXPECT_EQ(view().trianglesHidden(), triangles + 2);  // the square; not the mark
    view().setCullsHidden(false);
    const RGBAImage plain = frame();
    view().setCullsHidden(true);
    EXPECT_TRUE(culled.pixels == plain.pixels);
    EXPECT_TRUE(near(pixel(culled, culled.width / 2 - 1, culled.height / 2), 0, 0, 255));
    EXPECT_TRUE(near(pixel(culled, culled.width / 2 + 3, culled.height / 2), 0, 255, 0));

    // A lit polygon keeps the alpha GL holds with its colour, so leaving out the last polygon of
    // one aircraft (behind the cockpit) must not change which alpha the next aircraft's polygon of
    // that colour shows with.
    for (long i : {6L, 21L}) models.put(i, nullptr);
    const auto lit = [&](Thing* t, std::initializer_list<std::tuple<double, int>> squares) {
        for (auto [x, material] : squares) {
            t->square(0, 3, 0, kRed, 0, false, x, 0);
            t->Geo[0].Polygons.back().MaterialLightDataOffset = int16_t(material);
        }
        t->Frames[0].MapListOffset[0] = int16_t(view().missingTextureSlot());
        t->at(c[0], c[1], c[2] + 100);
    };
    const MaterialLightData grey{0.3f, 0.3f, 0.3f, 1, 0.5f, 0.5f, 0.5f, 1, 0, 0, 0, 1, 0};
    Thing* before = put(6);
    before->Frames[0].MaterialLightingData[0] = grey;
    before->Frames[0].MaterialLightingData[1] = {0.3f, 0.3f, 0.3f, 1, 0.2f, 0.2f, 0.2f, 1, 0, 0, 0, 1, 0};
    lit(before, {{48.0, 1}, {0.0, 0}});  // the second behind the cockpit
    Thing* next = put(7);
    next->Frames[0].MaterialLightingData[0] = grey;
    next->Frames[0].MaterialLightingData[0].a2 = 0.5f;  // cut by the alpha test where it is sent
    lit(next, {{-48.0, 0}});
    const RGBAImage left = frame();
    view().setCullsHidden(false);
    const RGBAImage whole = frame();
    view().setCullsHidden(true);
    EXPECT_TRUE(left.pixels == whole.pixels);
}

// The propeller's blur seen from the seat: a flat transparent ring of quads in the cockpit, its
// hole behind an opaque hub, a strut nearer than the ring across it and a panel farther behind it,
// the ground beyond. Lit or unlit, it is hidden behind the strut, shows over the panel and over the
// ground, and nowhere past its outer edge.
TEST_F(FrameWorldTest, TheBlurDiscShowsOverFartherPartsAndNotThroughNearerOnes) {
    cockpitBeforeTheWorld(0.7);  // the hub, 4 ft ahead
    Thing* cockpit = static_cast<Thing*>(models.at(5));
    cockpit->square(0, 0.1, -1, kRed, kUnlitFlat, false, 0.9, 0);    // a strut, 3 ft ahead
    cockpit->square(0, 0.3, 2, kBlue, kUnlitFlat, false, -1.3, 0);   // a panel, 6 ft ahead
    const RGBAImage bare = frame();
    // The ring 5 ft ahead, from 0.4 ft round its centre to 2 ft, in 24 quads of their own points,
    // clockwise on the screen (facing the seat).
    Thing::Geometry& g = cockpit->Geo[0];
    g.Polygons.pop_back();  // the list's end, put there by the frame before
    const size_t first = g.Polygons.size();
    for (int k = 0; k < 24; ++k) {
        OnePolygonVer2& q = g.Polygons.emplace_back();
        q.MapNumber = 0, q.DefaultDrawType = GL_QUADS, q.PolyColor = {0.45f, 0.36f, 0.25f, 0.2f};
        q.FirstItem = int16_t(g.Runs.size());
        g.Runs.push_back(4);
        for (const auto& [r, step] : {std::pair{0.4, 0}, {2.0, 0}, {2.0, 1}, {0.4, 1}}) {
            const double a = -(k + step) * 2 * M_PI / 24;
            g.Runs.push_back(uint16_t(g.Points.size()));
            g.Points.push_back({0, 0, 0, 0, -1, float(r * std::cos(a)), float(r * std::sin(a)), 1});
        }
    }
    // The window pixel of (x, y) ft at `ahead` ft, in the cockpit's view.
    const auto at = [](const RGBAImage& image, double x, double y, double ahead) {
        const double perFoot = image.height / 2.0 / (ahead * 0.285 / 0.55);
        return pixel(image, int(image.width / 2 + x * perFoot), int(image.height / 2 - y * perFoot));
    };
    for (const int32_t lighting : {int32_t{0}, int32_t{kUnlit}}) {
        SCOPED_TRACE(lighting ? "unlit" : "lit");
        for (size_t k = first; k < g.Polygons.size(); ++k)
            g.Polygons[k].DrawHints = kTransparent | kUntextured | lighting;
        const RGBAImage blur = frame();
        // Hidden behind the strut and past its edge; a fifth of its colour over the panel and the ground.
        for (const auto& [x, y, ahead, shows] : {std::tuple{0.9, 0.0, 3.0, false}, {2.4, 0.0, 5.0, false},
                                                  {-1.3, 0.0, 6.0, true}, {0.0, 1.5, 5.0, true}}) {
            const uint8_t *over = at(blur, x, y, ahead), *under = at(bare, x, y, ahead);
            EXPECT_EQ(near(over, under[0], under[1], under[2], 0), !shows) << x << ", " << y;
            EXPECT_TRUE(near(over, under[0], under[1], under[2], 60)) << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace rendertest
