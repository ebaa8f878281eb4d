// One frame of the game view at 1024 x 768 under Mesa's software renderer: the sky, the terrain of
// the front seen from 3,000 ft with the fog at its farthest, eight aircraft-sized objects (about
// 650 triangles each, with a transparent propeller disc) and 200 ground buildings. Reports
// milliseconds per frame. Run under `xvfb-run -a -s "-screen 0 1024x768x24"`; PELLAM_FRAME_PNG
// names a file to write the last frame to (of the last benchmark run).
//
// The ground war's scenes add stand-ins for what it will bring, in the same frame: BM_GroundWar
// has 500 ground objects (guns, lorries, tents: a box or two each), 200 trees (two crossed
// alpha-tested quads), eight explosions (transparent billboards through the transparent queue)
// and a trail of 24 smoke quads behind each of the eight aircraft; BM_GroundObjects/n has the
// first n ground objects alone, so that the CPU column (the main thread) grows by the cost of one.
// The real trees, explosions and debris have their own frame in effects_frame_bench.cpp; the
// stand-ins here put them in one frame with the ground objects and the smoke.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/render/FramePicture.h"
#include "core/DrawHints.h"
#include "core/ZephModel.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "render/MyZephGLView.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {

constexpr int kAircraft = 8, kBuildings = 200;
constexpr int kGroundObjects = 500, kTrees = 200, kExplosions = 8, kSmokePerAircraft = 24;

// How much of the ground war each benchmark shows; the objects past these draw nothing.
struct GroundWar {
    int GroundObjects = 0, Trees = 0, Explosions = 0;
    bool Smoke = false;
};
GroundWar shown;
constexpr int16_t kQuads = 7;  // GL_QUADS

// A drawable made of subdivided boxes: one polygon (one draw) per box.
struct Boxes : ZephModel {
    std::vector<GLT2FN3FV3FFormat> Points;
    std::vector<OnePolygonVer2> Polygons;
    std::vector<uint16_t> Runs;
    ObjectPointsPolysVer2 Geometry{};
    OneCompleteObjectVer2 Record;

    Boxes() {
        Record.TheObject.TooFar = 60000;
        Record.TheObject.UseAlt = 60000;
        Record.TheObject.DotDistance = 12000;
        Record.TheObject.Behind = -100;
        Record.ObjectMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        Geometry.MaterialLightingData[0] = {0.35f, 0.33f, 0.3f, 1, 0.7f, 0.66f, 0.6f, 1, 0.2f, 0.2f, 0.2f, 1, 8};
    }
    int Kind = 0, Number = 0;  // 0 always drawn; 1 ground object, 2 tree, 3 explosion number `Number`
    OneCompleteObjectVer2* getDrawingData(int32_t) override {
        const int limit = Kind == 1 ? shown.GroundObjects : Kind == 2 ? shown.Trees : Kind == 3 ? shown.Explosions : 1 << 30;
        return Number < limit ? &Record : nullptr;
    }
    float* getPointerToRelativeEyeX() override { return &Record.TheObject.EyeRelativeX; }

    // A trail of smoke quads behind the object, drawn as the aircraft draw theirs.
    render::MyZephGLView* SmokeView = nullptr;
    int32_t SmokeSlot = -1;
    void drawMySmokeItems() override {
        if (!shown.Smoke || !SmokeView) return;
        static const PointUV kCorners[5] = {{0, 0.0f, 0.0f}, {1, 1.0f, 0.0f}, {2, 1.0f, 1.0f}, {3, 0.0f, 1.0f}, {-1, 0, 0}};
        OnePolygon quad;
        quad.MapNumber = 0;
        quad.DefaultDrawType = 9;
        quad.DrawHints = kUnlit | kNoCull | kLEqual;
        quad.PointListStart = 0;
        const MaterialLightData light{1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1};
        SmokeView->glSetCurrentTexture(SmokeSlot, 12);
        const auto& m = Record.ObjectMatrix;
        for (int k = kSmokePerAircraft - 1; k >= 0; --k) {  // farthest behind first
            const double back = 14.0 + 9.0 * k;
            const double at[3] = {m[12] - m[8] * back, m[13] - m[9] * back + 0.2 * k, m[14] - m[10] * back};
            const double place[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, at[0], at[1], at[2], 1};
            SmokeView->setupDrawingMatrixForModel(place);
            XYZInput four[4];
            SmokeView->glMakeFacingSquare(at, four);
            const double half = 2.0 + 0.4 * k;
            for (XYZInput& q : four) {
                q.MyX *= half, q.MyY *= half, q.MyZ *= half;
                q.Myr = q.Myg = q.Myb = 0.55f;
                q.Mya = float(0.6 * (1.0 - double(k) / kSmokePerAircraft));
            }
            SmokeView->glDrawTransparentTexture(&quad, four, kCorners, &light);
        }
    }

    // A box centred at c with half sides h, each face n x n quads wound to face outwards, as one
    // polygon: the model tables group a texture's faces into one run.
    void box(const double c[3], const double h[3], int n, int32_t hints = 0) {
        static const int axes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};
        OnePolygonVer2 p;
        p.MapNumber = 0;
        p.DefaultDrawType = kQuads;
        p.DrawHints = hints;
        p.FirstItem = int16_t(Runs.size());
        Runs.push_back(uint16_t(6 * 4 * n * n));
        for (int f = 0; f < 6; ++f) {
            const int a = axes[f][0], u = axes[f][1], v = axes[f][2];
            const double s = (f % 2 == 0) ? 1 : -1;
            const size_t faceStart = Runs.size();
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j) {
                    const double corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
                    for (const auto& k : corners) {
                        double q[3];
                        q[a] = c[a] + s * h[a];
                        q[u] = c[u] + h[u] * (-1 + 2.0 * (i + k[0]) / n);
                        q[v] = c[v] + h[v] * (-1 + 2.0 * (j + k[1]) / n);
                        GLT2FN3FV3FFormat pt{};
                        pt.U = float((i + k[0]) / n);
                        pt.V = float((j + k[1]) / n);
                        (&pt.NX)[a] = float(s);
                        pt.X = float(q[0]);
                        pt.Y = float(q[1]);
                        pt.Z = float(q[2]);
                        Runs.push_back(uint16_t(Points.size()));
                        Points.push_back(pt);
                    }
                }
            // Even faces go u then v, odd ones v then u: both wind clockwise seen from outside.
            if (f % 2 == 1)
                for (size_t k = faceStart; k < Runs.size(); k += 4) std::swap(Runs[k + 1], Runs[k + 3]);
        }
        Polygons.push_back(p);
    }
    // A transparent disc of `sides` sides in the XY plane at z.
    void disc(double radius, double z, int sides) {
        OnePolygonVer2 p;
        p.MapNumber = 0;
        p.DefaultDrawType = 9;
        p.DrawHints = kTransparent | kNoCull | kUnlit | kUntextured;
        p.PolyColor = {0.2f, 0.15f, 0.1f, 0.35f};
        p.FirstItem = int16_t(Runs.size());
        Runs.push_back(uint16_t(sides));
        for (int k = 0; k < sides; ++k) {
            GLT2FN3FV3FFormat pt{};
            pt.X = float(radius * std::cos(2 * M_PI * k / sides));
            pt.Y = float(radius * std::sin(2 * M_PI * k / sides));
            pt.Z = float(z);
            pt.NZ = 1;
            Runs.push_back(uint16_t(Points.size()));
            Points.push_back(pt);
        }
        Polygons.push_back(p);
    }
    // Two upright quads crossed at the centre, `half` ft wide and `height` tall; `hints` as a polygon's.
    void crossed(double half, double height, int32_t hints, std::array<float, 4> colour) {
        OnePolygonVer2 p;
        p.MapNumber = 0;
        p.DefaultDrawType = kQuads;
        p.DrawHints = hints;
        p.PolyColor = colour;
        p.FirstItem = int16_t(Runs.size());
        Runs.push_back(8);
        for (int q = 0; q < 2; ++q)
            for (int k = 0; k < 4; ++k) {
                const double across = (k == 0 || k == 3) ? -half : half, up = k < 2 ? 0.0 : height;
                GLT2FN3FV3FFormat pt{};
                pt.U = across < 0 ? 0.0f : 1.0f;
                pt.V = up > 0 ? 1.0f : 0.0f;
                pt.X = float(q == 0 ? across : 0.0);
                pt.Z = float(q == 0 ? 0.0 : across);
                pt.Y = float(up);
                (q == 0 ? pt.NZ : pt.NX) = 1;
                Runs.push_back(uint16_t(Points.size()));
                Points.push_back(pt);
            }
        Polygons.push_back(p);
    }
    void finish(int32_t textureSlot, double x, double y, double z, double headingDeg) {
        OnePolygonVer2 end;
        end.MapNumber = -1;
        Polygons.push_back(end);
        Geometry.ThePoints = Points.data();
        Geometry.ThePolygons = Polygons.data();
        Geometry.RunItems = Runs.data();
        Geometry.MapListOffset.fill(int16_t(textureSlot));
        Record.ThePointsPolysData = &Geometry;
        Record.NumberOfPointsPolys = 1;
        const double a = headingDeg * M_PI / 180;
        Record.ObjectMatrix = {std::cos(a), 0, -std::sin(a), 0, 0, 1, 0, 0, std::sin(a), 0, std::cos(a), 0, x, y, z, 1};
    }
};

struct Scene : FrontScene {
    Scene() : FrontScene("pellam_frame_bench.json", 3000.0) {
        if (!view) return;
        const double look[3] = {std::sin(kHeading) * std::cos(kPitch), std::sin(kPitch), std::cos(kHeading) * std::cos(kPitch)};

        const int32_t canvas = terrain->GroundTextureSlots[2], brick = terrain->GroundTextureSlots[5];
        for (int k = 0; k < kAircraft; ++k) {
            auto* a = static_cast<Boxes*>(models.put(ModelArray::kFirstAircraft + k, std::make_unique<Boxes>()));
            const double fuselage[3] = {0, 0, 0}, fh[3] = {1.6, 2.0, 10.0};
            const double upper[3] = {0, 3.5, 2}, wh[3] = {14.0, 0.25, 2.6};
            const double lower[3] = {0, -1.5, 2.5};
            const double tail[3] = {0, 0.5, -9}, th[3] = {5, 0.2, 1.5};
            a->box(fuselage, fh, 4);
            a->box(upper, wh, 4);
            a->box(lower, wh, 4);
            a->box(tail, th, 2);
            a->disc(4.2, 10.3, 24);
            const double d = 400.0 + 350.0 * k;  // ahead along the line of sight
            a->finish(canvas, eye[0] + look[0] * d + (k % 2 ? 60 : -60), eye[1] + look[1] * d + 30,
                      eye[2] + look[2] * d, 106.0 + 20 * k);
        }
        for (int k = 0; k < kBuildings; ++k) {
            auto* b = static_cast<Boxes*>(models.append(std::make_unique<Boxes>()));
            const double walls[3] = {0, 8, 0}, wh[3] = {12, 8, 18};
            const double roof[3] = {0, 18, 0}, rh[3] = {10, 2, 16};
            b->box(walls, wh, 2);
            b->box(roof, rh, 1);
            // In rows ahead of the eye, 1,500 to 12,000 ft off, across a 6,000-ft band.
            const double along = 1500.0 + 10500.0 * (k / 20) / 10.0, across = -3000.0 + 6000.0 * (k % 20) / 19.0;
            double x, z;
            ahead(along, across, x, z);
            b->finish(brick, x, terrain->getAltitudeAtX(x, z), z, 13.0 * k);
        }
        addGroundWar(canvas, brick);
        view->setModelArray(&models);
    }

    // Ground objects, trees and explosions in the same band as the buildings, and smoke on the aircraft.
    void addGroundWar(int32_t canvas, int32_t brick) {
        auto place = [&](int k, int count, double near, double far, double& x, double& z) {
            const int rows = 25, perRow = (count + rows - 1) / rows;
            const double along = near + (far - near) * (k / perRow) / double(rows);
            const double across = -3500.0 + 7000.0 * ((k % perRow) + 0.37 * (k / perRow % 3)) / perRow;
            ahead(along, across, x, z);
        };
        const std::string textures = ZephModel::getPathToResources() + "Necessary Data/Textures/";
        const int32_t smoke = view->fmGetTextureFromDiskNSString(textures + "AircraftSmokeB", 1, 6, 9, 0);
        for (int k = 0; k < kAircraft; ++k) {
            auto* a = static_cast<Boxes*>(models.at(ModelArray::kFirstAircraft + k));
            a->SmokeView = view.get();
            a->SmokeSlot = smoke;
        }
        for (int k = 0; k < kGroundObjects; ++k) {  // a gun, a lorry or a tent
            auto* g = static_cast<Boxes*>(models.append(std::make_unique<Boxes>()));
            g->Kind = 1, g->Number = k;
            const double body[3] = {0, 3, 0}, bh[3] = {3, 3, 7}, top[3] = {0, 7, -2}, th[3] = {2.5, 1, 3};
            g->box(body, bh, 1);
            if (k % 3 != 2) g->box(top, th, 1);
            double x, z;
            place(k, kGroundObjects, 1200.0, 9000.0, x, z);
            g->finish(k % 3 == 2 ? canvas : brick, x, terrain->getAltitudeAtX(x, z), z, 37.0 * k);
        }
        for (int k = 0; k < kTrees; ++k) {
            auto* t = static_cast<Boxes*>(models.append(std::make_unique<Boxes>()));
            t->Kind = 2, t->Number = k;
            t->crossed(14, 40, 0x4 | 0x10, {0.25f, 0.4f, 0.2f, 1});
            double x, z;
            place(k, kTrees, 1500.0, 7000.0, x, z);
            t->finish(canvas, x + 40, terrain->getAltitudeAtX(x + 40, z), z, 11.0 * k);
        }
        for (int k = 0; k < kExplosions; ++k) {
            auto* e = static_cast<Boxes*>(models.append(std::make_unique<Boxes>()));
            e->Kind = 3, e->Number = k;
            e->Geometry.MaterialLightingData[0] = {1, 0.7f, 0.3f, 1, 1, 0.7f, 0.3f, 1, 0, 0, 0, 1, 1};
            e->crossed(45, 90, 0x1 | 0x4 | 0x10, {1.0f, 0.6f, 0.25f, 0.55f});
            double x, z;
            place(k * 3, kExplosions * 3, 2500.0, 6000.0, x, z);
            e->finish(smoke, x, terrain->getAltitudeAtX(x, z), z, 0.0);
        }
    }
};

// The one scene of the process: a window is made once.
Scene& theScene() {
    static Scene scene;
    return scene;
}

// Frames of the scene with `war` shown.
void drawFrames(benchmark::State& state, bool secondWindow, const GroundWar& war) {
    Scene& scene = theScene();
    if (!scene.view) {
        state.SkipWithError("no GL window");
        return;
    }
    shown = war;
    render::MyZephGLView& view = *scene.view;
    view.setDrawSecondWindow(secondWindow);
    timeFrames(state, view, "PELLAM_FRAME_PNG");
    view.setDrawSecondWindow(false);
    shown = {};
}

void BM_Frame(benchmark::State& state) { drawFrames(state, state.range(0) != 0, {}); }
BENCHMARK(BM_Frame)->Arg(0)->Arg(1)->ArgName("second_window")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GroundWar(benchmark::State& state) {
    drawFrames(state, false, {kGroundObjects, kTrees, kExplosions, true});
}
BENCHMARK(BM_GroundWar)->Unit(benchmark::kMillisecond)->UseRealTime();

// A paused game's frame: the kept picture of the scene shown again after an event (shown 1), or
// nothing new at all (shown 0), when the window keeps what it shows.
void BM_PausedFrame(benchmark::State& state) {
    Scene& scene = theScene();
    if (!scene.view) {
        state.SkipWithError("no GL window");
        return;
    }
    const bool shown = state.range(0) != 0;
    scene.view->setKeepScene(true);
    scene.view->drawRect({1, 0, 0, 1});
    const long drawn = scene.view->getSceneDraws(), rested = scene.view->getFramesRested();
    for (auto _ : state) {
        if (shown) scene.view->showNextFrame();
        scene.view->drawRect({1, 0, 0, 1});
    }
    if (scene.view->getSceneDraws() != drawn) state.SkipWithError("the scene was drawn again");
    if ((scene.view->getFramesRested() == rested) != shown) state.SkipWithError("frames shown or rested wrongly");
    scene.view->setKeepScene(false);
}
BENCHMARK(BM_PausedFrame)->Arg(0)->Arg(1)->ArgName("shown")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GroundObjects(benchmark::State& state) { drawFrames(state, false, {int(state.range(0)), 0, 0, false}); }
BENCHMARK(BM_GroundObjects)->Arg(0)->Arg(125)->Arg(250)->Arg(500)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace pellam
