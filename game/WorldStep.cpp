// The world step: one frame of simulation, run once per frame by timerLooper.
//
// Inputs: theticks (whole 1/60-s ticks elapsed), gamePause, ReplayFlag and ReplaySpeed, the
// input object's control values and action ring. State: the model array, the mission clock,
// the camera fields. Outputs: every object moved by theticks steps (none while paused), hits,
// kills and explosions started, queued commands run, the cameras eased.
//
// Order within one step, and why:
//   1. mission clock      every object below reads the new time
//   2. aircraft 2..9      each flies, then its bullets are tested against the others, so a hit
//                         this tick lands on the target's pose of this tick
//   3. objects from 10    ground units, pools and clouds react to the aircraft's new poses
//   4. aircraft pairs     collisions last, on everybody's final pose
// Once per frame afterwards: ground-object collisions and refuelling (the pose at rest is what
// matters), bombs on their racks and brakes, then the commands (which may pause or start a
// replay for the next frame), restarts, the network exchange and the camera upkeep.
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "core/ZephModel.h"
#include "game/CameraPlacement.h"
#include "game/GameController.h"
#include "platform/Beep.h"
#include "platform/Random.h"

namespace pellam {
namespace {

constexpr double kHidden = -9000.0;       // ft: a height at or below this means not in the world
constexpr int32_t kCommandsPerFrame = 4;
constexpr int32_t kRefuelWait = 600;      // ticks standing before the hangars refuel
constexpr double kCollisionSquared = 300.0;  // ft^2, about 17.3 ft

}  // namespace

FlyableAircraft* GameController::aircraftAt(long index) const {
    if (index < ModelArray::kFirstAircraft || index >= ModelArray::kFirstAircraft + ModelArray::kAircraftSlots)
        return nullptr;
    return dynamic_cast<FlyableAircraft*>(modelAt(index));
}

void GameController::MoveAircraftAndObjects() {
    ModelArray* models = getModelArray();
    if (!models) return;
    FlyableAircraft* player = aircraftAt(cameras_.AircraftWeControl);
    frameCameraRules();
    if (isRunning())
        for (double& g : step_.GRandom) g = platform::presentationRandom().unit();  // for drawing: frame by frame
    playerStick(player);
    windowLevelFollowsPause();
    if (isRunning()) {
        if (cameras_.CameraPosition == camera::kTower) findClosestTower();
        for (int32_t i = 0; i < clock_.theticks; ++i) {
            advanceMissionClock(i);
            stepAircraftAndHits(*models);
            for (long i2 = ModelArray::kDebris; i2 < models->size(); ++i2)
                if (ZephModel* object = models->at(i2))
                    object->callEveryTick(true, clock_.GlobalMissionTime, replay_.ReplayFlag);
            checkAircraftToAircraftCollision();
        }
        groundCollisionsAndRefuelling(*models, player);
    }
    frameBombsBrakesAndCommands(*models);
    keepAViewedAircraft();
    if (isRunning()) doAircraftRestart();
    network_->NetworkComm(clock_.GlobalMissionTime);
    doEachTick(clock_.theticks);
    killCredit();
}

// Which aircraft's cockpit the view draws from, and the second window's camera rules.
void GameController::frameCameraRules() {
    toMyZephGLView->setCameraInsideItem(
        cameras_.CameraPosition == camera::kCockpit && !MBWindowOpen ? cameras_.CameraAircraft : -1);
    cameras_.applyRule();
}

// This frame's stick to the player's aircraft.
void GameController::playerStick(FlyableAircraft* player) {
    if (toMyJoystick->hasFlightControls() && !toMyZephGLView->isSheet()) {
        float width = 0, height = 0;
        toMyZephGLView->getMonitorResolution(width, height);
        toMyJoystick->createSurfaceInput(width, height);
        float ailerons = static_cast<float>(toMyJoystick->getFinalAilerons());
        float elevator = static_cast<float>(toMyJoystick->getFinalElevator());
        if (ailerons != cameras_.oldapoint[0] || elevator != cameras_.oldapoint[1]) cameras_.circleFlag = true;
        cameras_.oldapoint = {ailerons, elevator};
        Aircraft* record = player ? &player->ThisAircraft : nullptr;
        // The autopilot is not the player's to use in a network game, except on the unattended host.
        if (record && isNetworkGame() && !(lobby_.doTheAutoHost && lobby_.UseHost) && record->AIType > 0)
            record->AIType = -record->AIType;
        if (clock_.DoDoubleTime) {
            ailerons /= 2;
            elevator /= 2;
        }
        const bool autopilot = record && record->AIType > 0;
        if (!autopilot) {
            if (record && record->PilotLosesConscienceness != 0) {
                ailerons /= 2;
                elevator /= 2;
            }
            ZephModel* ours = modelAt(cameras_.AircraftWeControl);
            if (ours && !(replay_.ReplayFlag && clock_.gamePause)) {
                ours->ElevatorInputAbsolute(-elevator);
                ours->AileronInputAbsolute(ailerons);
                if (toMyJoystick->getUseJoyThrottle()) ours->setThrottle(toMyJoystick->getFinalThrottle());
                if (toMyJoystick->getUseJoyRudder()) ours->RudderInputAbsolute(toMyJoystick->getFinalRudder());
            }
        }
    }
}

// The window comes to the front while the game runs.
void GameController::windowLevelFollowsPause() {
    if (clock_.gamePause != clock_.lastGamePause) {
        if (clock_.gamePause)
            toMyZephGLView->setWindowLevelToFront(0);
        else
            toMyZephGLView->setWindowLevelToNormal(0);
        clock_.lastGamePause = clock_.gamePause;
    }
}

// One tick of the mission clock (or the replay's), the player's activity and flight time.
void GameController::advanceMissionClock(int32_t i) {
    if (++clock_.UserActivity > 3000) clock_.UserActivity = 0;  // the desktop keeps itself awake here
    if (!replay_.ReplayFlag) {
        clock_.GlobalMissionTime += 1;
        clock_.lastTick = false;
        // A minute of flying is kept even if the game ends without a quit.
        if (pilots_.countLiveTick()) savePilots();
    } else {
        clock_.GlobalMissionTime = replay_.step(clock_.GlobalMissionTime);
        clock_.lastTick = false;
    }
    if (i == clock_.theticks - 1) clock_.lastTick = true;
}

// Each aircraft steps once, then its bullets are tested against the other aircraft and the
// ground objects.
void GameController::stepAircraftAndHits(ModelArray& m) {
    ModelArray* models = &m;
    for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j) {
        ZephModel* shooterModel = models->at(j);
        if (!shooterModel) continue;
        FlyableAircraft* shooter = aircraftAt(j);
        const double modifier = isNetworkGame() ? 0.4 : j == ModelArray::kFirstAircraft ? 0.49 : 1.0;
        if (shooter) shooter->ThisAircraft.StallLimiter = j == ModelArray::kFirstAircraft && prefs_.StallLimiter;
        shooterModel->driveModel(1, clock_.GlobalMissionTime, clock_.lastTick, replay_.ReplayFlag);
        if (!shooter) continue;
        for (long k = ModelArray::kFirstAircraft; k < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++k) {
            FlyableAircraft* target = k == j ? nullptr : aircraftAt(k);
            if (!target) continue;
            const double keptHits = target->ThisAircraft.TotalHits;
            const uint32_t keptDamage = target->ThisAircraft.Damage1;
            if (effects_->buCheckForBulletsOnAircraftHit(*shooter, *target, static_cast<int32_t>(j - 2),
                                                         replay_.ReplayFlag, modifier) > 0) {
                if (ZephModel::GetLongRandomFrom(-32768, 32767) < -20000)
                    if (ZephModel* debris = models->at(step_.debrisItem))
                        effects_->startOneDebrisFromAircraftHit(*debris, *target, clock_.GlobalMissionTime);
                if (!(keptDamage & dmg::BlownUp) && (target->ThisAircraft.Damage1 & dmg::BlownUp)) {
                    QNion pose;
                    target->getModelPositionQNion(&pose);
                    startAnExplosion(pose.Position.data());
                }
            }
            // Hits by an aircraft flown on another machine are that machine's to count.
            if (shooter->ThisAircraft.RemoteLocal == 1) target->ThisAircraft.TotalHits = keptHits;
        }
        if (shooter->ThisAircraft.RemoteLocal == 0)
            effects_->CheckForObjectHit(static_cast<int32_t>(j - 2), *shooter, *models, clock_.GlobalMissionTime,
                                        replay_.ReplayFlag, this);
    }
}

// Aircraft against ground objects, the rest rule's clock and refuelling.
void GameController::groundCollisionsAndRefuelling(ModelArray& m, FlyableAircraft* player) {
    ModelArray* models = &m;
    if (player && player->ThisAircraft.RemoteLocal == 0) {
        effects_->checkForAircraftToModelCollision(*player, *models, clock_.GlobalMissionTime);
        for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j) {
            FlyableAircraft* craft = aircraftAt(j);
            if (!craft) continue;
            Aircraft& a = craft->ThisAircraft;
            if (a.RemoteLocal == 0) {
                if (a.CurrentVelocity >= 0.01)
                    a.TimeWhenStoppedMoving = 0;
                else if (a.TimeWhenStoppedMoving == 0 &&
                         (a.CurrentEngineSetting <= 0.1 || (a.GearPosition != 1.0 && a.OnGround)))
                    a.TimeWhenStoppedMoving = clock_.GlobalMissionTime;
            }
            if (a.TimeWhenStoppedMoving != 0 && clock_.GlobalMissionTime - a.TimeWhenStoppedMoving > kRefuelWait)
                for (long o = ModelArray::kGroundClutter; o < models->size(); ++o)
                    if (ZephModel* object = models->at(o)) object->canRefuelThisAircraft(craft);
        }
    }
}

// Every frame, paused or not: bombs on their racks, the pedal brakes and at most four commands.
void GameController::frameBombsBrakesAndCommands(ModelArray& m) {
    ModelArray* models = &m;
    if (models->size() > ModelArray::kBombs) {
        if (ZephModel* bombs = models->at(ModelArray::kBombs))
            for (long j = ModelArray::kFirstAircraft; j < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots; ++j)
                if (ZephModel* craft = models->at(j)) effects_->positionBombsOnAircraft(*bombs, *craft, 1, j);
    }
    step_.ThePedalBrakes = toMyJoystick->getPedalBrakes();
    if (ZephModel* ours = modelAt(cameras_.AircraftWeControl)) {
        if (step_.ThePedalBrakes == 1) ours->turnBrakesOn();
        if (step_.ThePedalBrakes == 0) {
            ours->turnBrakesOn();
            ours->toggleBrakes();
        }
    }
    for (int32_t taken = 0; taken < kCommandsPerFrame && toMyJoystick->checkForNextActionInBuffer(); ++taken) {
        const GameAction* entry = toMyJoystick->getNextActionInBuffer();
        if (!entry || toMyJoystick->isWindowOpen()) continue;  // dropped while a settings window is open
        step_.Command = *entry;
        someTypicalKeyPresses(entry->command, false);
    }
}

// A viewed aircraft that is gone: back to the first, restarted when it is ours.
void GameController::keepAViewedAircraft() {
    ZephModel* viewed = modelAt(cameras_.CameraAircraft);
    if (!viewed || viewed->live.attitude.Position[1] < kHidden) {
        if (!(lobby_.doTheAutoHost && network_->amIHost() && cameras_.CameraAircraft == ModelArray::kFirstAircraft)) {
            platform::SystemBeep();
            if (cameras_.CameraAircraft == ModelArray::kFirstAircraft) startThisAircraft(0, true);
            cameras_.CameraAircraft = ModelArray::kFirstAircraft;
        }
    }
}

void GameController::checkAircraftToAircraftCollision() {
    constexpr int n = ModelArray::kAircraftSlots;
    for (int i = 0; i < n; ++i) {
        FlyableAircraft* a = aircraftAt(i + ModelArray::kFirstAircraft);
        if (!a || a->live.attitude.Position[1] <= kHidden) continue;
        for (int j = i + 1; j < n; ++j) {
            FlyableAircraft* b = aircraftAt(j + ModelArray::kFirstAircraft);
            if (!b || b->live.attitude.Position[1] <= kHidden) continue;
            double d2 = 0;
            for (int c = 0; c < 3; ++c) {
                const double d = a->live.attitude.Position[c] - b->live.attitude.Position[c];
                d2 += d * d;
            }
            if (d2 >= kCollisionSquared) continue;
            auto destroy = [](Aircraft& r) {
                r.TotalHits = r.TotalHitsBeforeDead + 10.0;
                r.PlayThisSound = 11;
            };
            // A collision of two remote aircraft is for their own machines to decide.
            if (a->ThisAircraft.RemoteLocal == 0 && !(a->ThisAircraft.Damage1 & dmg::Down)) destroy(a->ThisAircraft);
            if ((b->ThisAircraft.RemoteLocal == 0 || i == 0) && !(b->ThisAircraft.Damage1 & dmg::Down))
                destroy(b->ThisAircraft);
        }
    }
}

void GameController::startAnExplosion(const double* position) {
    if (!position) return;
    ZephModel* explosion = modelAt(step_.debrisItem + step_.nextExplosionItem + 1);
    if (explosion) {
        explosion->setModelPositionX(position[0], position[1], position[2]);
        effects_->GroundExplosion1Start(*explosion, clock_.GlobalMissionTime);
    }
    if (ZephModel* debris = modelAt(step_.debrisItem))
        effects_->startExplosionDebris(*debris, position, clock_.GlobalMissionTime);
    // The ninth reuses the oldest.
    step_.nextExplosionItem = step_.nextExplosionItem >= 7 ? 0 : step_.nextExplosionItem + 1;
}

void GameController::doExplosionSound(const double* position) {
    if (!position) return;
    const double* eye = toMyZephGLView->getCameraPosition();
    double d2 = 0;
    for (int c = 0; c < 3; ++c) d2 += (position[c] - eye[c]) * (position[c] - eye[c]);
    const double d = d2 < 5000.0 * 5000.0 ? std::sqrt(d2) : 5000.0;  // so far (or nowhere) it is faintest
    const auto volume = static_cast<int32_t>((1.0 - d / 5000.0) * 180.0 + 30.0);
    if (SoundServices* sounds = theSounds ? theSounds->objectSounds() : nullptr) sounds->PlayASingleSound(12, volume);
}

void GameController::thisObjectDead(long modelIndex, long aircraftNumber) {
    // The bomber's bombs report numbers past the eight aircraft: nobody is credited.
    if (replay_.ReplayFlag || aircraftNumber < 0 || aircraftNumber > 7) return;
    if (isNetworkGame() && mission_.HaveDoneGameOver) return;  // nothing scores once a network game is over
    ZephModel* object = modelAt(modelIndex);
    ZephModel* killer = modelAt(aircraftNumber + ModelArray::kFirstAircraft);
    ZephModel* player = modelAt(ModelArray::kFirstAircraft);
    if (!object || !killer) return;
    const int32_t points = object->getObjectPoints();
    const int32_t category = object->getObjectCategory();
    const OneCompleteObjectVer2* complete = object->getCompleteObjectPtr();
    const int32_t team = complete ? complete->TheObject.Team : 0;
    const int32_t killerTeam = killer->getTeamNumber();
    if (team == killerTeam) return;
    if (player && killerTeam == player->getTeamNumber()) addToCounter(pilots_.DeadObjectPoints, points);
    if (aircraftNumber == 0 && pilots_.creditObject(category, points)) savePilots();
}

int32_t GameController::getObjectRandomDistance() {
    if (mission_.doNewRandomRestart)
        mission_.GroupRandomStartNumber = (ZephModel::GetLongRandomFrom(-32768, 32767) + 32768) / 65536.0;
    return static_cast<int32_t>(mission_.GroupRandomStartNumber * 65536);
}

int32_t GameController::getObjectRandomHeading() {
    if (mission_.doNewRandomRestart) mission_.GroupRandomStartHeading = ZephModel::GetLongRandomFrom(-32768, 32767) + 32768;
    return static_cast<int32_t>(mission_.GroupRandomStartHeading);
}

void GameController::checkForBombKills(const double* impact, long dropper) {
    if (ModelArray* models = getModelArray(); models && impact)
        effects_->CheckForBombHitObject(dropper, *models, clock_.GlobalMissionTime, replay_.ReplayFlag, this, impact);
}

}  // namespace pellam
