// Set manoeuvres of a dogfight and their two dispatchers. The code in progress is
// AutoPilotData[2] (-1 none); a dispatcher that finds none draws one by the pilot's shares, runs
// the code it knows one tick, and falls back to a hard turn (or the scissors) when nothing runs.
// Codes: 7 over the top, 8 split-S, 9 low yo-yo, 11 snap roll, 12 stall, 13 spin, 14 aileron roll,
// 15 scissors, 16 straight and level, 17 dive away. The geometry comes from ClosestEnemyData,
// written by the dogfight each tick: 1 horizontal distance, 2 roll authority, 3 combat AoA,
// 4/5 enemy across/up (ft, body), 7 enemy off the nose (rad), 9 enemy bank (deg), 11 enemy
// height above (ft), 15 snap-roll direction, 30 enemy type.
#include <cmath>
#include <initializer_list>

#include "flight/AiCommon.h"
#include "flight/AiPilot.h"

namespace pellam {

using namespace ai;

namespace {

int codeOf(const Aircraft& a) { return static_cast<int>(a.AutoPilotData[2]); }
void endManeuver(Aircraft& a) { a.AutoPilotData[2] = -1.0; }
bool none(const Aircraft& a) { return a.AutoPilotData[2] == -1.0; }

double draw01() { return ZephModel::GetLongRandomFrom(-32768, 32767) / 65536.0 + 0.5; }

struct Candidate {
    int code;
    bool eligible;
    bool barred = false;  // a draw that falls on it chooses nothing, and its share is not summed
};

// Walks the candidates in order with a running sum of their shares; -1 when the draw passes all.
int choose(const AIPilotProfile& p, std::initializer_list<Candidate> list) {
    const double r = draw01();
    double c = 0.0;
    for (const Candidate& k : list) {
        if (!k.eligible) continue;
        const double share = p.EachManeuver[k.code].ManeuverProbability;
        if (r <= c + share) return k.barred ? -1 : k.code;
        if (!k.barred) c += share;
    }
    return -1;
}

void hardTurn(ZephModel* aircraft, Aircraft& a, double x) {
    TurnHardTowardEnemy(x, aircraft, a.ClosestEnemyData[2], a.ClosestEnemyData[4], a.ClosestEnemyData[5],
                                   a.ClosestEnemyData[3], profileOf(a).HardTurnClimbDive);
}

void pull(ZephModel* aircraft, Aircraft& a) { HoldAOATarget(a.PlusStall - 2.0, a.PlusStall, aircraft); }

void setUp(ZephModel* aircraft, const ManeuverDetails& m) {
    aircraft->setThrottle(m.Throttle);
    aircraft->gearUpDown(static_cast<int32_t>(m.Gear));
    aircraft->setFlaps(m.Flaps);
}

void fallBackSetUp(ZephModel* aircraft, Aircraft& a) {
    if (codeOf(a) != 15) endManeuver(a);
    aircraft->setThrottle(1.0);
    aircraft->gearUpDown(0);
    aircraft->setFlaps(0.0);
}

// The enemy's bank against ours (rad), for the rolls' end test.
double bankGap(const Aircraft& a) {
    double d = (a.ClosestEnemyData[9] - a.AircraftBank) / kDeg;
    if (d > 3.14) d -= 6.28;
    if (d < -3.14) d += 6.28;
    return d;
}

void rollEndTest(Aircraft& a) {
    const double d = bankGap(a);
    if ((a.AircraftBank > -110.0 && a.AircraftBank < 110.0) || a.AircraftPitch < -45.0) {
        if (d > 1.8 || d < -1.8) endManeuver(a);
    }
}

// Runs one tick of `code` after its set-up; false when the code is not one this dispatcher
// runs or its distance test ended it first.
bool runCode(ZephModel* aircraft, Aircraft& a, int code) {
    const AIPilotProfile& p = profileOf(a);
    const ManeuverDetails& m = p.EachManeuver[code];
    if (code >= 11 && code <= 14 && a.ClosestEnemyData[1] > m.minAltitude * 100.0) {
        endManeuver(a);  // the enemy is too far off for a roll or a stall to matter
        return false;
    }
    setUp(aircraft, m);
    switch (code) {
        case 7: OverTop(m.minSpeed, aircraft); break;
        case 8: SplitS(m.minAltitude, aircraft); break;
        case 9: LowYOYO(m.minAltitude, aircraft); break;
        case 11: SnapRoll(m.minSpeed, m.minAltitude, aircraft); break;
        case 12: Stall(1.2, aircraft); break;
        case 13: Spin(aircraft); break;
        case 14: AileronRoll(aircraft); break;
        case 16: StraightAndLevel(aircraft); break;
        case 17: DiveAway(m.minAltitude, aircraft); break;
        default: return false;
    }
    return true;
}

}  // namespace

void DoEvasiveFromShot(int32_t mode, int32_t dontDo, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const AIPilotProfile& p = profileOf(a);
    if (none(a)) {
        const bool fromFaster = a.ClosestEnemyData[30] == 33.0 && a.AircraftType != 33;
        const bool fastEnough = p.EachManeuver[11].minSpeed < mphOf(a);
        a.AutoPilotData[2] = choose(p, {{8, true}, {17, fromFaster}, {9, true}, {11, fastEnough}, {14, true},
                                        {12, true}, {13, true}, {7, true}});
    }
    int code = codeOf(a);
    if ((dontDo == 2 || dontDo == 3) && code == 9) endManeuver(a);
    if (dontDo == 4 && (code == 9 || code == 11 || code == 14 || code == 12 || code == 13)) endManeuver(a);
    code = codeOf(a);
    if (code == 15) mode = 15;
    if (code == 8 || code == 17 || code == 7 || code == 9 || code == 11 || code == 14 || code == 12 || code == 13) {
        if (runCode(aircraft, a, code) && !none(a)) return;
    }
    fallBackSetUp(aircraft, a);
    if (mode == 15) {
        Scissors(aircraft);
    } else {
        hardTurn(aircraft, a, a.AircraftBank > 0.0 ? 3.0 : -3.0);
    }
}

void DoOption3Maneuvers(int32_t option, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const AIPilotProfile& p = profileOf(a);
    if (none(a)) {
        const bool fastEnough = p.EachManeuver[11].minSpeed < mphOf(a);
        a.AutoPilotData[2] = choose(p, {{8, true}, {9, true, option == 2}, {11, fastEnough, option == 3}, {7, true},
                                        {16, option == 3}});
    }
    const int code = codeOf(a);
    if (code == 8 || code == 7 || code == 9 || code == 11 || code == 16) {
        // Straight and level lasts this one tick: the fall-back follows it.
        if (runCode(aircraft, a, code) && code != 16 && !none(a)) return;
    }
    fallBackSetUp(aircraft, a);
    if (a.ClosestEnemyData[11] < 500.0) {
        hardTurn(aircraft, a, a.ClosestEnemyData[7]);
    } else {
        LiftVector(aircraft, a.ClosestEnemyData[4], a.ClosestEnemyData[5], a.ClosestEnemyData[3]);
    }
}

void SplitS(double minHeight, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (aboveGround(aircraft, a) < minHeight) {
        hardTurn(aircraft, a, a.ClosestEnemyData[7]);
        endManeuver(a);
        return;
    }
    const double b = a.AircraftBank >= 0.0 ? 3.1 : -3.1;  // inverted, toward the side already banked
    if (a.AircraftPitch / kDeg > -1.1) {
        MainSetBankTarget(b, a.ClosestEnemyData[2], aircraft);
        aircraft->RudderInputAbsolute(b / -5.0);
    } else {
        endManeuver(a);
    }
    pull(aircraft, a);
}

void OverTop(double minSpeed, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double pitch = a.AircraftPitch / kDeg, bank = a.AircraftBank / kDeg;
    if (pitch < 0.78 && mphOf(a) < minSpeed) {
        endManeuver(a);
        hardTurn(aircraft, a, a.ClosestEnemyData[7]);
        return;
    }
    aircraft->RudderInput(0.0);
    if (pitch >= 1.3 || bank <= -1.57 || bank >= 1.57) {
        if (pitch > 1.0) endManeuver(a);
    } else {
        MainSetBankTarget(0.0, a.ClosestEnemyData[2], aircraft);
    }
    pull(aircraft, a);
}

void LowYOYO(double minHeight, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (aboveGround(aircraft, a) < minHeight) {
        endManeuver(a);
        return;
    }
    aircraft->RudderInput(0.0);
    aircraft->AileronInput(0.0);
    if (a.AircraftPitch / kDeg > -0.3) {
        const bool right = a.AircraftBank >= 0.0;
        MainSetBankTarget(right ? 2.0 : -2.0, 0.9, aircraft);
        aircraft->RudderInputAbsolute(right ? -0.5 : 0.5);
        pull(aircraft, a);
        return;
    }
    pull(aircraft, a);
    if (a.AircraftPitch / kDeg < -0.8) endManeuver(a);
}

void SnapRoll(double minSpeed, double minAlt, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (mphOf(a) < minSpeed || aboveGround(aircraft, a) < minAlt) {
        endManeuver(a);
        return;
    }
    rollEndTest(a);  // this tick's inputs still follow
    double& direction = a.ClosestEnemyData[15];
    if (direction > -0.9 && direction < 0.9) {
        const bool right = ZephModel::GetLongRandomFrom(-32768, 32767) > 0;
        aircraft->RudderInput(right ? 1.0 : -1.0);
        direction = right ? 1.0 : -1.0;
    }
    aircraft->RudderInputAbsolute(direction);
    aircraft->ElevatorInput(1.0);
    aircraft->AileronInputAbsolute(direction);
}

void AileronRoll(ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    rollEndTest(a);
    double roll = -1.0;
    aircraft->RudderInputAbsolute(a.ClosestEnemyData[2] / -3.0);
    if (a.RotationalSpeeds[2] <= 0.0) {
        roll = 1.0;
        aircraft->RudderInputAbsolute(a.ClosestEnemyData[2] / 3.0);
    }
    aircraft->AileronInputAbsolute(roll);
    const double bank = a.AircraftBank / kDeg;
    aircraft->ElevatorInput(bank > -0.78 && bank < 0.78 ? 0.5 : -0.03);
}

void Stall(double pitch, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    if (a.ClosestEnemyData[0] > 2100.0) {
        endManeuver(a);
        return;
    }
    MainSetBankTarget(0.0, a.ClosestEnemyData[2], aircraft);
    aircraft->RudderInput(0.0);
    MainSetPitch(pitch, aircraft);
}

void Spin(ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    Stall(1.0, aircraft);
    if (a.AOADegrees > 17.0) {  // stalled: kick it into the spin
        aircraft->AileronInput(1.0);
        aircraft->ElevatorInput(1.0);
        aircraft->RudderInputAbsolute(1.0);
    }
}

void DiveAway(double minHeight, ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double above = aboveGround(aircraft, a);
    if (above < minHeight && a.AircraftPitch > -10.0) {
        endManeuver(a);
        return;
    }
    if (above >= 1250.0 && a.ClosestEnemyData[0] <= 2800.0) {
        aircraft->RudderInput(0.0);
        MainSetBankTarget(0.0, a.ClosestEnemyData[2], aircraft);
        MainSetPitch(-0.4363323130220556, aircraft);  // 25 deg nose down
        return;
    }
    if (a.AircraftPitch > 15.0) endManeuver(a);  // pulled out
    MainSetPitch((a.AircraftPitch + 0.25) / kDeg, aircraft);
}

void Scissors(ZephModel* aircraft) {
    Aircraft& a = *aircraft->getAircraftStruct();
    const double pitch = a.AircraftPitch / kDeg;
    if (pitch < -0.58) {
        HoldAOATarget(a.ClosestEnemyData[3], a.PlusStall, aircraft);
        aircraft->AileronInput(-aircraft->getPBHAcc()[1]);
        return;
    }
    if (pitch > 0.35) {
        if (a.AircraftBank < -25.0 || a.AircraftBank > 25.0) MainSetBankTarget(0.0, 1.0, aircraft);
        aircraft->ElevatorInput(-0.8);
        return;
    }
    if (pitch > 0.3 && a.AircraftPitch < a.PreviousAircraftPitch) {
        MainSetBankTarget(0.0, 1.0, aircraft);
        aircraft->ElevatorInput(-0.8);
        return;
    }
    double& side = a.AutoPilotData[3];
    if (side != 1.0 && side != -1.0) {
        side = a.AircraftBank < 0.0 ? -1.0 : 1.0;
        if (a.AircraftBank == 0.0) side = ZephModel::getDoubleRandomFrom(-1.0, 1.0) > 0.0 ? 1.0 : -1.0;
    }
    const double e = wrapPi((a.AircraftBank - a.ClosestEnemyData[9]) / kDeg);
    if (e >= 0.4 || e <= -0.4) {
        const double own = a.AircraftBank, enemy = a.ClosestEnemyData[9];
        if ((own < 0.0 && enemy > 0.0) || (own > 0.0 && enemy < 0.0)) endManeuver(a);  // crossed over
        hardTurn(aircraft, a, side);
        return;
    }
    const double L = mphOf(a) < 150.0 ? 0.6 : 1.0;
    const double bank = a.AircraftBank / kDeg;
    if (bank <= -L || bank >= L) {
        const int pilot = std::clamp(a.aiPilotNumber, 0, kAIPilotProfiles - 1);
        const double keep = pilot == 1 ? 0.95 : (pilot == 2 ? 0.995 : 0.85);
        if (ZephModel::getDoubleRandomFrom(-1.0, 1.0) > keep) side = a.AircraftBank <= 0.0 ? 1.0 : -1.0;  // reverse
        hardTurn(aircraft, a, side);
    } else {
        MainSetBankTarget(side, 1.0, aircraft);
    }
}

void StraightAndLevel(ZephModel* aircraft) {
    HoldClimbDiveRateMellow(0.0, aircraft);
    MainSetBankTarget(0.0, 1.0, aircraft);
}

}  // namespace pellam
