#pragma once
// A small world for the AI pilot's tests: terrain at model index 1, up to eight aircraft at 2..9, a
// bombs pool at 19 that remembers its bombs, ground boxes from 21, the mission's path table, and
// the main loop's order for each tick: every aircraft steps, then every gun is tested against
// every other aircraft. Each test seeds the simulation's random stream itself.
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "aircraft/ObjectTestFile.h"
#include "flight/AIPilotProfiles.h"
#include "flight/FlightModel.h"
#include "platform/Random.h"
#include "tests/flight/TestWorld.h"
#include "tests/flight/WeaponTargets.h"
#include "tests/flight/ai_fake.h"

namespace pellam::testing {

struct AiWorld {
    explicit AiWorld(std::unique_ptr<ZephModel> ground = std::make_unique<FlatTerrain>(0.0)) {
        definePilotProfiles(profiles);
        terrain = controller.models.put(ModelArray::kTerrain, std::move(ground));
        bombs = static_cast<BombsPool*>(controller.models.put(ModelArray::kBombs, std::make_unique<BombsPool>()));
        controller.models.put(ModelArray::kGroundClutter, nullptr);
    }

    // Aircraft number n of class T flying at (x, y, z) on `heading` deg at `mph`.
    template <typename T = ObjectTestFile>
    T* aircraft(int n, int team, int role, double x, double y, double z, double heading, double mph = 100.0) {
        auto* c = static_cast<T*>(controller.models.put(ModelArray::kFirstAircraft + n, std::make_unique<T>()));
        c->setaController(&controller);
        c->setTerrain(terrain);
        c->afterLightTexture3dPointChangesFor(nullptr);
        c->SetUpAircraft(x, y, z, heading, 0.0, mph, 1.0);
        c->setPilotsPtr(profiles.data());
        Aircraft& a = c->ThisAircraft;
        a.AIType = role;
        a.Team = team;
        a.aiVariables[0] = -1.0;
        a.AutoPilotData[2] = -1.0;
        a.GroundAltitude = terrain->getAltitudeAtX(x, z);
        planes[n] = c;
        return c;
    }
    ObjectTestFile* camel(int n, int team, int role, double x, double y, double z, double heading, double mph = 100.0) {
        return aircraft<ObjectTestFile>(n, team, role, x, y, z, heading, mph);
    }

    // A ground object 40 ft square and 15 ft tall on the ground at (x, z).
    BoxObject* box(double x, double z, int team) {
        auto* b = static_cast<BoxObject*>(controller.models.append(
            std::make_unique<BoxObject>(x, terrain->getAltitudeAtX(x, z), z, 20.0, 15.0, 20.0)));
        b->data().Team = team;
        return b;
    }

    void tick() {
        const int32_t t = ++controller.missionTime;
        for (FlyableAircraft* p : planes) if (p) p->driveModel(1, t, true, false);
        for (int s = 0; s < 8; ++s) {
            if (!planes[s]) continue;
            for (int v = 0; v < 8; ++v) {
                if (v == s || !planes[v]) continue;
                hits[s] += buCheckForBulletsOnAircraftHit(&planes[s]->ThisAircraft.GunBullets, planes[v], s,
                                                                     false, 1.0);
            }
        }
        for (int n = 0; n < 8; ++n) {
            if (!planes[n]) continue;
            if (planes[n]->ThisAircraft.GunsFiring) ++firingTicks[n];
            planes[n]->ThisAircraft.PlayThisSound = -1;
        }
    }

    static bool killed(const FlyableAircraft* p) {
        const Aircraft& a = p->ThisAircraft;
        return a.TotalHits > a.TotalHitsBeforeDead || (a.Damage1 & 0x20) || a.GuyBailedOut;
    }

    PathController controller;
    AIPilotTable profiles{};
    ZephModel* terrain = nullptr;
    BombsPool* bombs = nullptr;
    std::array<FlyableAircraft*, 8> planes{};
    std::array<int, 8> hits{};
    std::array<int, 8> firingTicks{};
};

}  // namespace pellam::testing
