#pragma once
// Recording stand-ins for what the world's objects ask of their neighbours: the controller, the
// terrain, a carrying aircraft and the view they draw through. Each keeps what it was asked, so a
// test can check what an object did without a running game. Then two rigs: a bare vehicle on a
// path table, and a small world for the armed ground units against scripted aircraft.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "core/ZephModel.h"
#include "objects/EffectModel.h"
#include "objects/GroundVehicle.h"
#include "render/ObjectDrawing.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::fakes {

using Point3 = std::array<double, 3>;

struct RecordingController : ControllerServices {
    ModelArray* models = nullptr;
    bool running = true;
    std::vector<Point3> explosions, sounds;
    std::vector<long> droppers;

    ModelArray* getModelArray() override { return models; }
    int32_t getGlobalMissionTime() override { return 1; }
    bool isRunning() const override { return running; }
    int32_t getReplaySpeed() override { return 1; }
    void startAnExplosion(const double* p) override { explosions.push_back({p[0], p[1], p[2]}); }
    void doExplosionSound(const double* p) override { sounds.push_back({p[0], p[1], p[2]}); }
    void checkForBombKills(const double*, long dropper) override { droppers.push_back(dropper); }
};

// Ground from a function of X and Z, with the texture code and the plane of the last query.
struct FakeTerrain : ZephModel {
    std::function<double(double, double)> height = [](double, double) { return 100.0; };
    std::function<int32_t(double, double)> texture = [](double, double) { return 2; };
    std::array<double, 4> plane{0.1, 0.99, 0.1, 0};  // gently sloping unless a test says otherwise
    int queries = 0;
    int32_t lastTexture = 0;

    double getAltitudeAtX(double x, double z) override {
        ++queries;
        lastTexture = texture(x, z);
        return height(x, z);
    }
    int32_t getLastTerrainTexture() override { return lastTexture; }
    const double* lastTerrainPlaneEq() override { return plane.data(); }
};

// An aircraft with a rack of bombs 1 ft apart under its belly.
struct FakeBomber : ZephModel {
    int32_t bombs = 4;
    std::array<double, 3> station{};
    int32_t getNumberOfBombs() override { return bombs; }
    int32_t getMaxNumberOfBombs() override { return 6; }
    const double* getBombPosition(int32_t n) override {
        station = {n * 1.0, -2.0, 0.5};
        return station.data();
    }
    void getSlerpingQN(QNion* pose) override { *pose = live.attitude; }
};

// A view that keeps the records it is asked to draw, with their matrices and points as they were.
struct RecordingView : ViewServices, render::ObjectDrawingView {
    struct Drawn {
        std::array<double, 16> matrix;
        std::vector<GLT2FN3FV3FFormat> points;
        std::vector<OnePolygonVer2> polygons;  // the list as drawn, up to its end row
    };
    std::vector<Drawn> drawn;
    std::array<double, 16> eyeTM{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::array<double, 16> eyeRM{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    int32_t nextSlot = 0;

    int32_t fmGetTextureFromDiskNSString(const std::string&, int32_t, int32_t, int32_t, int32_t) override {
        return nextSlot++;
    }
    void setupDrawingMatrixForModel(const double*) override {}
    // World-axis corners of a square facing an eye that looks along +Z: right is +X, up is +Y.
    void glMakeFacingSquare(const double*, XYZInput* four) const override {
        static constexpr double c[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
        for (int k = 0; k < 4; ++k) {
            four[k].MyX = c[k][0];
            four[k].MyY = c[k][1];
            four[k].MyZ = 0;
        }
    }
    void glMakeFacingSquareHeadingOnly(const double* centre, XYZInput* four) const override {
        glMakeFacingSquare(centre, four);
    }
    void glSetCurrentTexture(int32_t, int32_t) override {}
    void glDrawTransparentTexture(const OnePolygon*, const XYZInput*, const PointUV*, const MaterialLightData*) override {}
    void glNewDrawOneObject(OneCompleteObjectVer2* object) override {
        Drawn d;
        d.matrix = object->ObjectMatrix;
        const ObjectPointsPolysVer2& g = object->ThePointsPolysData[0];
        for (const GLT2FN3FV3FFormat* p = g.ThePoints; p->U >= 0; ++p) d.points.push_back(*p);
        for (const OnePolygonVer2* p = g.ThePolygons; p->MapNumber >= 0; ++p) d.polygons.push_back(*p);
        drawn.push_back(std::move(d));
    }
    const double* getEyeTM() const override { return eyeTM.data(); }
    const double* getEyeRM() const override { return eyeRM.data(); }

    void placeEye(double x, double y, double z) {
        eyeTM[12] = x;
        eyeTM[13] = y;
        eyeTM[14] = z;
    }
};

// A body-axis direction of `m` in world axes.
inline Point3 bodyToWorld(const ZephModel& m, const Point3& body) {
    double matrix[16] = {}, out[3];
    ZephModel::quaternionToMatrix(m.live.attitude.QAttitude.data(), matrix);
    ZephModel::RotateVector(body.data(), out, matrix);
    return {out[0], out[1], out[2]};
}

// Starts a unit as the mission start does: level at p, turned by `heading` degrees, on `team`.
inline void startUnit(ZephModel& unit, ControllerServices* controller, ViewServices* view, const Point3& p,
                      double heading = 0.0, int32_t team = 1) {
    unit.initWithGLView(view);
    unit.setaController(controller);
    const QNion level;
    unit.setStartingModelQNionX(p[0], p[1], p[2], &level);
    if (heading != 0.0) {
        unit.rotateHeadingByDegrees(heading);
        unit.copyCurrentQNionToStart();
    }
    unit.setOPPHeading(heading);
    unit.setTeam(team);
    unit.resetModel();
}

// World position of a drawn point under the drawn matrix (column order, 12..14 the translation).
inline Point3 worldOf(const RecordingView::Drawn& d, const GLT2FN3FV3FFormat& p) {
    const auto& m = d.matrix;
    return {p.X * m[0] + p.Y * m[4] + p.Z * m[8] + m[12], p.X * m[1] + p.Y * m[5] + p.Z * m[9] + m[13],
            p.X * m[2] + p.Y * m[6] + p.Z * m[10] + m[14]};
}

// A bare vehicle (shadow, body and patch only) on a fake terrain, with a path table to fill.
class BareVehicle : public GroundVehicle {
public:
    void setModelType(int32_t code) override { ModelType = code; }

protected:
    const ModelTables& tables() const override {
        static const Mesh mesh = [] {
            Mesh m;
            for (int k = 0; k < 8; ++k) m.vertex(0, 0.05f, 0);
            const float body[4][3] = {{-4, 0, 10}, {4, 0, 10}, {4, 8, -14}, {-4, 8, -14}};
            for (const auto& b : body) m.vertex(b[0], b[1], b[2]);
            const float patch[4][2] = {{-19, -19}, {-19, 19}, {19, 19}, {19, -19}};
            for (const auto& p : patch) m.vertex(p[0], 1, p[1]);
            m.polygon(0, effects::kQuads, 0, {0, 1, 2, 3, 4, 5, 6, 7});
            m.polygon(0, effects::kQuads, 0, {8, 9, 10, 11});
            m.polygon(2, effects::kQuads, 0, {12, 13, 14, 15});
            m.finish();
            return m;
        }();
        static const ObjectHeaderTable header{"BareVehicle", 0x420, 0, {}, 0, 0, 0, 42240, 47520, -250, 26400};
        static const TableName maps[] = {{"Body"}, {"Wheel"}, {"EarthN"}, {kEndOfNameList}};
        static const ModelTables t = effects::meshTables(&header, "BareVehicleFilePP", maps, mesh);
        return t;
    }
    const Layout& layout() const override {
        static const Layout l{{12, 13, 14, 15}, 2, 0, {-4, 4, -14, 10}};
        return l;
    }
    void setClassValues() override { setVehicleValues(7, 200, 100, 9); }
};

// A vehicle on level ground at 100 ft, path table of 200 points, controller and terrain.
struct VehicleRig {
    ModelArray models;
    RecordingController controller;
    FakeTerrain* terrain = nullptr;
    std::array<aiFlyToPoint, 200> path{};
    std::unique_ptr<GroundVehicle> owned;
    GroundVehicle* v = nullptr;
    int32_t time = 0;

    explicit VehicleRig(std::unique_ptr<GroundVehicle> vehicle = std::make_unique<BareVehicle>()) {
        auto t = std::make_unique<FakeTerrain>();
        t->plane = {0, 1, 0, -100};
        terrain = t.get();
        models.put(ModelArray::kTerrain, std::move(t));
        controller.models = &models;
        owned = std::move(vehicle);
        v = owned.get();
        v->setaController(&controller);
        v->initWithGLView(nullptr);
        QNion start;
        start.Position = {1760.0 * 10 + 100, 100, 1760.0 * 10 + 100};
        v->setStartingModelQNionX(start.Position[0], start.Position[1], start.Position[2], &start);
        v->resetModel();
    }
    aiFlyToPoint& point(int k, double x, double z, int32_t next = -1) {
        path[k].PointXYZ = {x, 0, z};
        path[k].NextPoint = next;
        return path[k];
    }
    void start(int32_t first) { v->setPathStart(first, path.data()); }
    void tick(int n = 1) {
        for (int k = 0; k < n; ++k) v->callEveryTick(true, ++time, false);
    }
    double x() const { return v->live.attitude.Position[0]; }
    double y() const { return v->live.attitude.Position[1]; }
    double z() const { return v->live.attitude.Position[2]; }
};

}  // namespace pellam::fakes

namespace pellam::testing {

// Flat ground 100 ft up, scripted aircraft in the first slots and the unit under test as the
// first mission object.
struct ArmedWorld {
    static constexpr double kGround = 100.0;
    static constexpr long kUnit = ModelArray::kFirstMissionObject;

    TestController controller;
    ZephModel* ground = controller.models.put(ModelArray::kTerrain, std::make_unique<FlatTerrain>(kGround));

    // A scripted aircraft in slot k of `team`, at p, nose along +z, one hit volume 30 ft across.
    RecordAircraft& aircraft(int k, int32_t team, std::array<double, 3> p) {
        auto* a = static_cast<RecordAircraft*>(
            controller.models.put(ModelArray::kFirstAircraft + k, std::make_unique<RecordAircraft>()));
        a->a.Team = team;
        a->a.TotalHitsBeforeDead = 1e9;
        a->oneVolume({0, 0, 0}, {15, 6, 15});
        a->live.attitude.Position = p;
        return *a;
    }
    template <typename T>
    T& unit(std::unique_ptr<ZephModel> made, std::array<double, 3> p, int32_t team = 1) {
        fakes::startUnit(*made, &controller, nullptr, p, 0.0, team);
        return *static_cast<T*>(controller.models.put(kUnit, std::move(made)));
    }
};

}  // namespace pellam::testing
