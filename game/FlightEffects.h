#pragma once
// The world step's hit tests done by the flight model's class operations. The effect pools
// (debris, explosions, bombs) keep the do-nothing answers until those objects exist.
#include "aircraft/FlyableAircraft.h"
#include "game/Neighbours.h"

namespace pellam {

class FlightEffects : public ControllerEffects {
public:
    int32_t buCheckForBulletsOnAircraftHit(ZephModel& shooter, ZephModel& target, int32_t shooterNumber,
                                           bool inReplay, double modifier) override {
        auto* guns = dynamic_cast<FlyableAircraft*>(&shooter);
        return guns ? ZephModel::buCheckForBulletsOnAircraftHit(&guns->ThisAircraft.GunBullets, &target,
                                                                 shooterNumber, inReplay, modifier)
                    : 0;
    }
    void CheckForObjectHit(int32_t shooterNumber, ZephModel& shooter, ModelArray& models, int32_t gtime,
                           bool inReplay, ControllerServices* caller) override {
        if (auto* guns = dynamic_cast<FlyableAircraft*>(&shooter))
            ZephModel::CheckForObjectHit(shooterNumber, &guns->ThisAircraft.GunBullets, &models, gtime, inReplay,
                                         caller);
    }
    void checkForAircraftToModelCollision(ZephModel& aircraft, ModelArray& models, int32_t gametime) override {
        ZephModel::checkForAircraftToModelCollision(&aircraft, &models, gametime);
    }
    void CheckForBombHitObject(long dropper, ModelArray& models, int32_t gtime, bool inReplay,
                               ControllerServices* caller, const double* bomb) override {
        ZephModel::CheckForBombHitObject(dropper, &models, gtime, inReplay, caller, bomb);
    }
};

}  // namespace pellam
