// The ground gunners' choice of target and the flak gun's shot. A target that holds its heading
// and its rate of climb lets the gunner's aim build up call by call; any change spoils it.
#include <algorithm>
#include <cmath>

#include "core/ZephModel.h"
#include "flight/Aircraft.h"
#include "flight/FlightModel.h"
#include "flight/ObjectFireData.h"

namespace pellam {
namespace {

constexpr double kMachineGunCeiling = 1500.0;  // ft above the unit
constexpr double kFlakCeiling = 11265.0;
constexpr double kFloor = 2000.0;              // ft below the unit

struct Target {
    ZephModel* model = nullptr;
    Aircraft* a = nullptr;
};

Target aircraftAt(ModelArray* models, int k) {
    Target t;
    if (k < 0 || k >= ModelArray::kAircraftSlots) return t;
    t.model = models->at(ModelArray::kFirstAircraft + k);
    t.a = t.model ? t.model->getAircraftStruct() : nullptr;
    if (!t.a) t.model = nullptr;
    return t;
}

bool inWindow(const ObjectFireData& f, const double* s, const Target& t, double ceiling) {
    const auto& p = t.model->live.attitude.Position;
    const double r = f.FireDistance;
    return p[0] > s[0] - r && p[0] < s[0] + r && p[2] > s[2] - r && p[2] < s[2] + r && p[1] > s[1] - kFloor &&
           p[1] < s[1] + ceiling;
}

// Keeps or picks the target; answers it, or none.
Target track(ObjectFireData* f, ModelArray* models, const double* self, int32_t team, double ceiling) {
    Target t = aircraftAt(models, f->TrackingAircraft);
    if (t.model && inWindow(*f, self, t, ceiling)) {
        const double y = t.model->live.attitude.Position[1];
        const double dh = f->AircraftHeading - t.a->AircraftHeading;
        const double dz = std::fabs(f->AircraftAltitude - y);
        f->AircraftHeading = static_cast<float>(t.a->AircraftHeading);
        f->AircraftAltitude = static_cast<float>(y);
        const double e = std::fabs(dz - f->AltitudeChange);
        f->AltitudeChange = static_cast<float>(dz);
        if (e < 0.015) f->AimingAccuracy += static_cast<float>((1.0 - e / 0.015) * 0.002);
        else f->AimingAccuracy = 0.0f;
        const double turn = std::fabs(std::remainder(dh, 360.0));  // 359 to 1 is a turn of 2
        if (turn < 0.1) f->AimingAccuracy += static_cast<float>((1.0 - turn / 0.1) * 0.003);
        else f->AimingAccuracy = 0.0f;
        if (!(t.a->Damage1 & dmg::Down)) return t;
        f->TrackingAircraft = -1;  // down: look for another
        f->AimingAccuracy = 0.0f;
    }
    for (int k = 0; k < ModelArray::kAircraftSlots; ++k) {
        Target c = aircraftAt(models, k);
        if (!c.model || c.a->Team == team || (c.a->Damage1 & dmg::Down) || !inWindow(*f, self, c, ceiling)) continue;
        // The course last noted stays: it is the previous target's until the next call.
        f->TrackingAircraft = static_cast<int16_t>(k);
        f->AimingAccuracy = 0.0f;
        return c;
    }
    f->TrackingAircraft = -1;
    return {};
}

int32_t draw16() { return ZephModel::GetLongRandomFrom(-32768, 32767); }

}  // namespace

bool TrackAircraftForBullets(ObjectFireData* fire, ModelArray* models, const double* selfPos,
                                        int32_t team, int32_t, bool) {
    if (!fire || !models || !selfPos || fire->NumberOfAAA < 1) return false;
    return track(fire, models, selfPos, team, kMachineGunCeiling).model != nullptr;
}

bool shootObjectAAA(ObjectFireData* fire, ModelArray* models, const double* selfPos, int32_t team,
                               int32_t gtime, bool replay, SoundServices* sounds, const double* cameraPos,
                               double* answer) {
    if (!fire || !models || !selfPos || fire->NumberOfAAA < 1) return false;
    const Target t = track(fire, models, selfPos, team, kFlakCeiling);
    if (!t.model || fire->LastFireTime >= gtime) return false;

    fire->LastFireTime = gtime + fire->FireDelayTime + (draw16() + 32768) / 400;
    const double aim = std::min(static_cast<double>(fire->AimingAccuracy) * fire->Accuracy, 0.99);
    double miss = std::fabs(draw16() * (1.0 - aim) * 0.25);  // ft

    const auto& p = t.model->live.attitude.Position;
    double camera = 0.0;
    if (cameraPos) {
        const double d[3] = {p[0] - cameraPos[0], p[1] - cameraPos[1], p[2] - cameraPos[2]};
        camera = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    }
    const double s = std::min(2000.0, miss / 4.0 + camera);
    if (sounds) sounds->PlayASingleSound(35, static_cast<int32_t>((1.0 - s / 2000.0) * 230.0 + 20.0));

    if (miss < fire->AAADistance && t.a->RemoteLocal == 0 && !replay) {
        t.a->TotalHits += (1.0 - miss / fire->AAADistance) * fire->AAAPower;
        t.a->PlayThisSound = 6;
    }

    miss = std::min(miss, 500.0);
    const double b = draw16() / 187746.0, c = draw16() / 75098.0;  // rad
    const double body[3] = {miss * std::sin(c), miss * std::sin(b), miss * std::cos(c) - miss * std::sin(b)};
    double m[16] = {};
    ZephModel::quaternionToMatrix(t.model->live.attitude.QAttitude.data(), m);
    double world[3];
    ZephModel::RotateVector(body, world, m);
    if (!answer || replay) return false;  // a replay shows no burst
    for (int j = 0; j < 3; ++j) answer[j] = p[j] + world[j];
    return true;
}

}  // namespace pellam
