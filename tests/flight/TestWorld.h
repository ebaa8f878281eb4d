#pragma once
// Stand-ins for the world around an aircraft in tests and benchmarks: a flat terrain, a height
// field with a closed-form surface, and a controller with a hand-driven mission clock.
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/Services.h"
#include "core/ZephModel.h"

namespace pellam::testing {

// Ground whose altitude and plane come from a function of (x, z).
class HeightField : public ZephModel {
public:
    using Surface = std::function<double(double, double)>;
    explicit HeightField(Surface surface) : surface_(std::move(surface)) {}

    double getAltitudeAtX(double x, double z) override {
        const double h = surface_(x, z);
        // The plane through the point from central differences: a x + b y + c z + d = 0, b > 0.
        const double e = 0.5;
        const double dx = (surface_(x + e, z) - surface_(x - e, z)) / (2 * e);
        const double dz = (surface_(x, z + e) - surface_(x, z - e)) / (2 * e);
        const double n = std::sqrt(dx * dx + 1.0 + dz * dz);
        plane_ = {-dx / n, 1.0 / n, -dz / n, 0.0};
        plane_[3] = -(plane_[0] * x + plane_[1] * h + plane_[2] * z);
        return h;
    }
    const double* lastTerrainPlaneEq() override { return plane_.data(); }
    bool shouldRelease() override { return false; }

private:
    Surface surface_;
    std::array<double, 4> plane_{0.0, 1.0, 0.0, 0.0};
};

class FlatTerrain : public HeightField {
public:
    explicit FlatTerrain(double altitude = 0.0) : HeightField([altitude](double, double) { return altitude; }) {}
};

class TestController : public ControllerServices {
public:
    ModelArray* getModelArray() override { return &models; }
    int32_t getGlobalMissionTime() override { return missionTime; }
    bool getReplayFlag() override { return replay; }
    void startAnExplosion(const double*) override { ++explosions; }
    long whatsMyNumber(const ZephModel* object) override { return models.indexOf(object); }
    void thisObjectDead(long modelIndex, long aircraftNumber) override {
        deaths.push_back({modelIndex, aircraftNumber});
    }
    const double* getWhereCamera() override { return camera.data(); }

    ModelArray models;
    int32_t missionTime = 0;
    bool replay = false;
    int explosions = 0;
    std::array<double, 3> camera{};  // ft
    std::vector<std::pair<long, long>> deaths;  // (model index, killer) in the order reported
};

}  // namespace pellam::testing
