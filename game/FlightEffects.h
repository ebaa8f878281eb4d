#pragma once
// The world step's hit tests done by the flight model's class operations, and the effect pools
// (debris, explosions, bombs) reached through the objects at their model indexes.
#include <algorithm>

#include "aircraft/FlyableAircraft.h"
#include "flight/FlightModel.h"
#include "game/Neighbours.h"

namespace pellam {

class FlightEffects : public ControllerEffects {
public:
    int32_t buCheckForBulletsOnAircraftHit(ZephModel& shooter, ZephModel& target, int32_t shooterNumber,
                                           bool inReplay, double modifier) override {
        auto* guns = dynamic_cast<FlyableAircraft*>(&shooter);
        return guns ? pellam::buCheckForBulletsOnAircraftHit(&guns->ThisAircraft.GunBullets, &target,
                                                                 shooterNumber, inReplay, modifier)
                    : 0;
    }
    void CheckForObjectHit(int32_t shooterNumber, ZephModel& shooter, ModelArray& models, int32_t gtime,
                           bool inReplay, ControllerServices* caller) override {
        if (auto* guns = dynamic_cast<FlyableAircraft*>(&shooter))
            pellam::CheckForObjectHit(shooterNumber, &guns->ThisAircraft.GunBullets, &models, gtime, inReplay,
                                         caller);
    }
    void checkForAircraftToModelCollision(ZephModel& aircraft, ModelArray& models, int32_t gametime) override {
        pellam::checkForAircraftToModelCollision(&aircraft, &models, gametime);
    }
    void CheckForBombHitObject(long dropper, ModelArray& models, int32_t gtime, bool inReplay,
                               ControllerServices* caller, const double* bomb) override {
        pellam::CheckForBombHitObject(dropper, &models, gtime, inReplay, caller, bomb);
    }
    // The effect pools answer for themselves; a plain object in the bombs' place still shows the
    // next bomb on the rack to the bomb camera.
    void startOneDebrisFromAircraftHit(ZephModel& debris, ZephModel& target, int32_t time) override {
        debris.startOneDebrisFromAircraftHit(&target, time);
    }
    void startExplosionDebris(ZephModel& debris, const double* position, int32_t time) override {
        debris.startExplosionDebris(position, time);
    }
    void GroundExplosion1Start(ZephModel& explosion, int32_t time) override { explosion.GroundExplosion1Start(time); }
    void positionBombsOnAircraft(ZephModel& bombs, ZephModel& aircraft, int32_t bombType, long index) override {
        bombs.positionBombsOnAircraft(&aircraft, bombType, index);
    }
    void clearSingleDrawBombs(ZephModel& bombs) override { bombs.clearSingleDrawBombs(); }
    const double* findNewestBombFrom(ZephModel& bombs, long index, ZephModel& aircraft) override {
        if (const double* pooled = bombs.findNewestBombFrom(index, &aircraft)) return pooled;
        auto* craft = dynamic_cast<FlyableAircraft*>(&aircraft);
        const int32_t n = craft ? craft->getNumberOfBombs() : 0;
        if (n <= 0) return nullptr;
        const double* body = craft->getBombPosition(std::min(n, FlyableAircraft::kMaxBombs) - 1);
        const double offset[3] = {body[0], body[1], body[2]};
        double m[16] = {};
        ZephModel::quaternionToMatrix(craft->live.attitude.QAttitude.data(), m);
        double world[3];
        ZephModel::RotateVector(offset, world, m);
        for (int j = 0; j < 3; ++j) rackBomb_[j] = world[j] + craft->live.attitude.Position[j];
        rackBomb_[3] = 10000.0;  // marks a bomb still on the rack: the view keeps the aircraft's attitude
        rackBomb_[4] = rackBomb_[5] = 0.0;
        return rackBomb_;
    }

private:
    double rackBomb_[6] = {};
};

}  // namespace pellam
