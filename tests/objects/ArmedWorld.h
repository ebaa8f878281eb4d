#pragma once
// A small world for the armed ground units: flat ground 100 ft up, scripted aircraft in the
// first slots and the unit under test as the first mission object.
#include <memory>

#include "tests/flight/TestWorld.h"
#include "tests/flight/WeaponTargets.h"

namespace pellam::testing {

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
        a->ModelAttitude.Position = p;
        return *a;
    }
    template <typename T>
    T& unit(std::unique_ptr<ZephModel> made, std::array<double, 3> p, int32_t team = 1) {
        made->initWithGLView(nullptr);
        made->setaController(&controller);
        QNion level;
        level.QAttitude = {1, 0, 0, 0};
        made->setStartingModelQNionX(p[0], p[1], p[2], &level);
        made->setTeam(team);
        made->resetModel();
        return *static_cast<T*>(controller.models.put(kUnit, std::move(made)));
    }
};

}  // namespace pellam::testing
