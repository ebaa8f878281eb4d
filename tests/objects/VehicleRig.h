#pragma once
// A bare vehicle (shadow, body and patch only) on a fake terrain, with a path table to fill.
#include <array>
#include <cmath>
#include <memory>

#include "ObjectFakes.h"
#include "objects/EffectModel.h"
#include "objects/GroundVehicle.h"
#include "objects/VehicleMesh.h"

namespace pellam::fakes {

class BareVehicle : public GroundVehicle {
public:
    void setModelType(int32_t code) override { ModelType = code; }

protected:
    const ModelTables& tables() const override {
        static const vehicles::VehicleMesh mesh = [] {
            vehicles::VehicleMesh m;
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
    void tick(int n = 1, bool running = true, bool inReplay = false) {
        for (int k = 0; k < n; ++k) {
            if (running) ++time;
            v->callEveryTick(running, time, inReplay);
        }
    }
    double x() const { return v->ModelAttitude.Position[0]; }
    double y() const { return v->ModelAttitude.Position[1]; }
    double z() const { return v->ModelAttitude.Position[2]; }
    // World height of the body's right side: sin of the bank.
    double bank() const {
        double m[16] = {};
        const double right[3] = {1, 0, 0};
        double w[3];
        ZephModel::quaternionToMatrix(v->ModelAttitude.QAttitude.data(), m);
        ZephModel::RotateVector(right, w, m);
        return std::asin(std::clamp(w[1], -1.0, 1.0));
    }
};

}  // namespace pellam::fakes
