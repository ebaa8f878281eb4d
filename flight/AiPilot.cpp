// The computer pilot's turn for one aircraft and one step: look around for the nearest aircraft
// and the nearest enemy, then act by role (AIType): 1 fighter, 2 wingman, 5 patrol. Role changes
// are one-way within a flight: a wingman whose leader is lost and a patrol whose time is over
// become fighters.
#include <cmath>

#include "flight/AiCommon.h"
#include "flight/AiGroundAttack.h"
#include "flight/AiPilot.h"

namespace pellam {

using namespace ai;

namespace {

constexpr int kFighter = 1, kWingman = 2, kPatrol = 5;

bool present(ZephModel* m) { return heightOf(m) > -9000.0; }

bool outOfFight(const Aircraft& o) {
    return (o.Damage1 & dmg::Down) || o.TotalHits > o.TotalHitsBeforeDead || o.GuyBailedOut;
}

double distance3(const QNion& a, const QNion& b) {
    const double dx = a.Position[0] - b.Position[0], dy = a.Position[1] - b.Position[1],
                 dz = a.Position[2] - b.Position[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double distanceXZ(const QNion& a, const QNion& b) {
    const double dx = a.Position[0] - b.Position[0], dz = a.Position[2] - b.Position[2];
    return std::sqrt(dx * dx + dz * dz);
}

void lookAround(ZephModel* self, Aircraft& a, ModelArray* objects) {
    QNion me, them;
    self->getModelPositionQNion(&me);
    ZephModel *nearest = nullptr, *enemy = nullptr;
    double nearestD = 0.0, enemyD = 0.0;
    long enemyNumber = -1;

    bool scan = true;
    if (a.aiVariables[0] >= 0.0) {
        // A target the dogfight ordered: the enemy its pursuit chased. An order naming no aircraft,
        // this one or one of its own side (a fresh record holds 0, aircraft 0) is dropped and the
        // look-around goes on as usual.
        ZephModel* m = nullptr;
        const double forced = a.aiVariables[0];
        const long n = forced < ModelArray::kAircraftSlots ? static_cast<long>(forced) : -1;
        const Aircraft* o = recordOf(objects, n, &m);
        if (!o || m == self || o->Team == a.Team) {
            a.aiVariables[0] = -1.0;
        } else {
            scan = false;
            if (outOfFight(*o)) {
                a.aiVariables[0] = -1.0;  // dead or gone: nobody this step
            } else if (present(m)) {
                m->getModelPositionQNion(&them);
                nearest = enemy = m;
                nearestD = enemyD = distance3(me, them);
                enemyNumber = n;
                a.aiVariables[0] = -1.0;
            }
        }
    }
    if (scan) {
        for (long n = 0; n < ModelArray::kAircraftSlots; ++n) {
            ZephModel* m = nullptr;
            const Aircraft* o = recordOf(objects, n, &m);
            if (!o || m == self || !present(m)) continue;
            m->getModelPositionQNion(&them);
            const double d = distance3(me, them);
            if (!nearest || d < nearestD) nearest = m, nearestD = d;  // ties keep the lower number
            if (o->Team != a.Team && !outOfFight(*o) && (!enemy || d < enemyD)) {
                enemy = m, enemyD = d, enemyNumber = n;
                a.ClosestEnemyData[1] = distanceXZ(me, them);
            }
        }
    }
    a.ClosestAircraft = nearest;
    a.ClosestEnemyData[23] = nearest ? nearestD : 0.0;
    a.ClosestEnemy = enemy;
    a.ClosestEnemyData[0] = enemy ? enemyD : 0.0;
    if (enemy) a.aiVariables[1] = static_cast<double>(enemyNumber);
}

void dogfightStep(ZephModel* self, Aircraft& a, ModelArray* objects, int32_t missionTime) {
    doDogfighting(self, objects, missionTime);
    collsionAvoidance(self);
    AIdontBreakAircraft(self);
    a.ClosestEnemyData[20] = a.TotalHits;
}

void wingman(ZephModel* self, Aircraft& a, ModelArray* objects, int32_t missionTime) {
    self->gunsOnOff(0);
    self->cannonOnOff(0);
    if (a.OnGround && a.ClosestEnemyData[27] == 0.0) a.ClosestEnemyData[27] = 500.0;
    const long lead = a.LeadAircraftNumber >= 0 && a.LeadAircraftNumber < ModelArray::kAircraftSlots
                          ? a.LeadAircraftNumber
                          : 0;
    ZephModel* leaderObject = nullptr;
    const Aircraft* leader = recordOf(objects, lead, &leaderObject);
    // A leader that is gone, down, dead, or this aircraft itself is lost: fight on alone.
    if (!leader || leaderObject == self || (leader->Damage1 & dmg::Down) ||
        leader->TotalHits >= leader->TotalHitsBeforeDead) {
        dogfightStep(self, a, objects, missionTime);
        a.AIType = kFighter;
        return;
    }
    if (leader->CurrentVelocity == 0.0 && a.OnGround) {
        self->setThrottle(0.0);
        self->turnBrakesOn();
        return;
    }
    self->turnBrakesOn();
    self->toggleBrakes();
    if (a.ClosestEnemy && a.ClosestEnemyData[0] < a.AttackEnemyDistance) {
        dogfightStep(self, a, objects, missionTime);
        return;
    }
    QNion me, them;
    self->getModelPositionQNion(&me);
    leaderObject->getModelPositionQNion(&them);
    a.ClosestEnemy = leaderObject;
    a.ClosestEnemyData[0] = distance3(me, them);
    a.ClosestEnemyData[1] = distanceXZ(me, them);
    if (leader->OnGround && a.ClosestEnemyData[1] < 10000.0) {  // circle over the field
        self->setThrottle(1.0);
        HoldClimbDiveRateMellow(300.0, self);
        NormalBank(aboveGround(self, a) > 50.0 ? 45.0 : 0.0, self);
        collsionAvoidance(self);
        AIdontBreakAircraft(self);
        return;
    }
    const double bankGap = wrap180(leader->AircraftBank - a.AircraftBank);
    if (a.ClosestEnemyData[0] < 600.0 && (bankGap > 65.0 || bankGap < -65.0)) {
        // Close and banked the other way: turn off before the wings meet.
        HoldClimbDiveRateMellow(300.0, self);
        NormalBank(a.AircraftBank > 0.0 ? -45.0 : 45.0, self);
        collsionAvoidance(self);
        AIdontBreakAircraft(self);
        return;
    }
    dogfightStep(self, a, objects, missionTime);  // formation: the dogfight pursues the leader
}

void patrol(ZephModel* self, Aircraft& a, ModelArray* objects, int32_t missionTime, const FarTarget& far) {
    if ((a.AttackEnemyDistance == 0 && a.ReturnToPatrolDistance == 0) || !a.ClosestEnemy) a.WasDogfighting = 0;
    if (a.WasDogfighting) {
        const double D = a.ClosestEnemyData[0];
        if (D > 0.0 && D > a.ReturnToPatrolDistance && a.ReturnToPatrolDistance > 0) {
            a.WasDogfighting = 0;
            return;
        }
        dogfightStep(self, a, objects, missionTime);
        return;
    }
    if (a.ClosestEnemy && a.AttackEnemyDistance > 0 && a.ClosestEnemyData[0] > 0.0 &&
        a.ClosestEnemyData[0] < a.AttackEnemyDistance) {
        a.WasDogfighting = 1;  // the fight starts next step
    }
    if (a.PatrolForSeconds != 0 &&
        static_cast<int64_t>(missionTime) - a.MissionTimeOfReset > static_cast<int64_t>(a.PatrolForSeconds) * 60) {
        a.AIType = kFighter;
    }
    if (far.set) {
        longRangeApproach(self, a, far);
        return;
    }
    flyThePoints(self, missionTime);
    if (a.Gear == 0) collsionAvoidance(self);
}

}  // namespace

void flyAircraftAI(ZephModel* aircraft, ModelArray* objects, int32_t missionTime) {
    Aircraft* ap = aircraft ? aircraft->getAircraftStruct() : nullptr;
    if (!ap) return;
    Aircraft& a = *ap;
    if (a.AIType <= 0 || a.RemoteLocal != 0 || (a.Damage1 & dmg::Down)) return;
    aircraft->gunsOnOff(0);  // the attack rules switch them on again
    aircraft->cannonOnOff(0);
    lookAround(aircraft, a, objects);

    if (a.AIType == kPatrol) {
        FarTarget far;
        if (groundAttackStep(aircraft, a, objects, missionTime, far)) return;
        patrol(aircraft, a, objects, missionTime, far);
        return;
    }
    a.AIDelayOnFlyThePointsTime = 0;
    if (a.AIType == kFighter) {
        if (!a.ClosestEnemy) {
            // Nobody to fight: climb in a circle, still minding the hills and the airframe (a
            // circle over rising ground would otherwise end in it).
            HoldClimbDiveRateMellow(300.0, aircraft);
            NormalBank(45.0, aircraft);
            collsionAvoidance(aircraft);
            AIdontBreakAircraft(aircraft);
            return;
        }
        dogfightStep(aircraft, a, objects, missionTime);
    } else if (a.AIType == kWingman) {
        wingman(aircraft, a, objects, missionTime);
    }
}

}  // namespace pellam
