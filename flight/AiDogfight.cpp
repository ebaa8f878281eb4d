// The dogfight, one tick: jettison bombs, take-off mode, no enemy or a far one, then the geometry
// of the enemy seen from this aircraft, the aim points with the lead, and the tactics: a hard
// turn, matching the enemy's attitude, a head-on pass in one of three options, a crossing
// attack, pursuit in three bands of precision, or defence. Distances ft, angles rad unless deg.
// Record memories: AutoPilotData[1] the branch last taken (1 head-on, 2 pursuit or crossing,
// 4 defence), AutoPilotData[2] the head-on option or manoeuvre code (-1 none); ClosestEnemyData
// holds the enemy snapshot the manoeuvres read, this aircraft's aim (18, 19), the aim-factor
// oscillator (21, 22) and the take-off hold (27).
#include <cmath>

#include "flight/AiCommon.h"
#include "flight/AiPilot.h"

namespace pellam {

using namespace ai;

namespace {

constexpr double kFar = 15840.0;  // 3 miles

struct Vec {
    double x = 0, y = 0, z = 0;  // across, up, forward in the body frame
    double across() const { return x / z; }
    double up() const { return y / z; }
};

// A world vector turned into the aircraft's frame, its forward part kept away from 0.
Vec toBody(const double* world, const double* m) {
    double b[3];
    ZephModel::InverseRotateVector(world, b, m);
    if (b[2] == 0.0) b[2] = 0.0000001;
    return {b[0], b[1], b[2]};
}

// d + R (offset): a point fixed to the enemy, relative to this aircraft (world).
void offsetPoint(const double* d, const double* R, double x, double y, double z, double* out) {
    const double o[3] = {x, y, z};
    double w[3];
    ZephModel::RotateVector(o, w, R);
    for (int j = 0; j < 3; ++j) out[j] = d[j] + w[j];
}

// Whether the enemy has this aircraft in its sights, by the aim its own pilot keeps (18 across,
// 19 up). A person's aircraft keeps none: its zeros always count as this aircraft in its sights.
bool inEnemySights(const Aircraft& e) {
    const double eA = e.ClosestEnemyData[18], eB = e.ClosestEnemyData[19];
    return eB > -0.2 && eB < 0.25 && eA > -0.25 && eA < 0.25;
}

struct Fight {
    ZephModel* self;
    Aircraft& a;
    const AIPilotProfile& P;
    ZephModel* enemy;
    Aircraft& e;
    QNion me, them;
    double D = 0, Dh = 0, dY = 0, rX = 0, rY = 0, rZ = 0, xz = 0, bearing = 0, hd = 0, z = 0, tx = 0, ty = 0, Ac = 0,
           Br = 0;
    Vec P0{}, P1{}, P2{}, P3{}, P4{}, P5{};
    ZephModel* lastSeen = nullptr;  // the aircraft aiVariables[1] names: the enemy the look-around found

    void hardTurn(double x) {
        TurnHardTowardEnemy(x, self, P.MaxBankSpeed, rX, rY, Ac, P.HardTurnClimbDive);
    }
    void hardTurnOnSide() { hardTurn(a.AircraftBank > 0.0 ? 3.0 : -3.0); }
    // Rolls to the enemy's own bank plus a correction c.
    void trackBank(double c, double share = 1.0) {
        const double err = wrapPi(-share * Br - c);
        MainSetBankTarget(-err, a.ClosestEnemyData[29] * 0.5, self);
    }
    void trigger() {
        const double threshold = a.TooCloseDistance < 500.0 ? 150.0 : 400.0;
        if (D > threshold) {
            ShouldIShoot(D, P5.across(), P5.up(), self);
        } else {
            ShouldIShoot(D, tx, ty, self);
        }
    }
    void tactics();
    void headOn();
    void pursuit();
    void defence();
};

void Fight::tactics() {
    if (e.OnGround && D < 4000.0 && std::fabs(a.AircraftBank) > 50.0) {
        self->setThrottle(1.0);
        self->RudderInput(0.0);
        self->setFlaps(0.0);
        NormalBank(0.0, self);
        HoldClimbDiveRateMellow(100.0, self);
        return;
    }
    const bool camel = a.TooCloseDistance < 500.0;
    const double k = camel ? 0.75 : 1.0, L = camel ? 1.35 : 1.0;
    const bool ahead = z > 100.0 || (z > 25.0 && k * std::fabs(rX) < z && k * std::fabs(rY) < z);
    if (!ahead) {
        defence();
        return;
    }
    if (std::fabs(tx) >= L || std::fabs(ty) >= L) {
        if (std::fabs(hd) >= 1.0 || dY <= 0.0 || z <= 0.0) {
            hardTurnOnSide();
        } else {  // above and going our way: match its attitude
            const double q = P2.up();
            const double err = wrapPi(-Br - 10.0 * P2.across());
            MainSetBankTarget(-err, 0.5, self);
            self->RudderInputAbsolute(a.Ailerons / 2.5);
            if (q < 0.0 || q > 1.0) {
                HoldAOATarget(Ac - 3.0, a.PlusStall, self);
            } else {
                HoldYZTarget(q, a.PlusStall, self);
            }
        }
        a.AutoPilotData[2] = -1.0;
        return;
    }
    a.ClosestEnemyData[18] = P5.across();
    a.ClosestEnemyData[19] = P5.up();
    trigger();
    if (std::fabs(hd) >= 1.77) {
        const double Be = e.AircraftBank;
        if (D >= 1000.0 || D <= 500.0 || std::fabs(Be) <= 0.7) {
            headOn();
            return;
        }
        a.AutoPilotData[1] = 2.0;  // crossing
        trackBank(std::clamp(10.0 * tx, -a.ClosestEnemyData[31], a.ClosestEnemyData[31]));
        self->RudderInputAbsolute(a.Ailerons / -5.5 * a.DogfightRudderFactor);
        double aoa = std::clamp(a.DogfightElevatorFactor * 35.0 * ty, -Ac, Ac);
        aoa = std::min(aoa, a.PlusStall - 3.0);
        HoldAOATarget(aoa, a.PlusStall, self);
        return;
    }
    pursuit();
}

void Fight::headOn() {
    int option = static_cast<int>(a.AutoPilotData[2]);
    if (a.AutoPilotData[1] != 1.0 || a.AutoPilotData[2] == -1.0 || option < 2 || option > 4) {
        const double u = ZephModel::GetLongRandomFrom(-32768, 32767) / 65536.0 + 0.5;
        const double p2 = P.EachManeuver[2].ManeuverProbability, p3 = P.EachManeuver[3].ManeuverProbability;
        option = u <= p2 ? 2 : (u <= p2 + p3 ? 3 : 4);
        a.AutoPilotData[2] = option;
    }
    const ManeuverDetails& m = P.EachManeuver[option];
    self->setThrottle(m.Throttle);
    self->gearUpDown(static_cast<int32_t>(m.Gear));
    self->setFlaps(m.Flaps);
    a.AutoPilotData[1] = 1.0;
    const Vec& A = option == 2 ? P3 : (option == 3 ? P4 : P0);
    const double s = A.across();
    if (D > 400.0) {
        ShouldIShoot(D, P5.across(), P5.up(), self);
    } else {
        ShouldIShoot(D, tx, ty, self);
    }
    if (std::fabs(bearing) > 0.2) {
        hardTurn(bearing);
        self->RudderInput(0.0);
    } else if (D > 10000.0) {
        MainSetBankTarget(0.0, P.MaxBankSpeed, self);
        HoldYZTarget(A.up(), a.PlusStall, self);
        self->RudderInputAbsolute(5.0 * s);
    } else {
        MainSetBankTarget(std::fabs(s) >= 0.5 ? std::clamp(10.0 * s, -1.3, 1.3) : 0.0, P.MaxBankSpeed, self);
        const double aoa = std::clamp(dY > 0.0 ? 5.0 : 1.0, -Ac, Ac);
        if (std::fabs(a.AircraftBank) >= 15.0) {
            HoldAOATarget(aoa, a.PlusStall, self);
        } else if (option == 4) {
            HoldYZTarget(A.up(), a.PlusStall, self);
        } else {
            HoldClimbDiveRateMellow(-dY < -50.0 ? 500.0 : (-dY > 50.0 ? -500.0 : 50.0), self);
        }
        self->RudderInputAbsolute(5.0 * s);
    }
}

void Fight::pursuit() {
    a.AutoPilotData[2] = -1.0;
    // Mark the enemy chased within 2000 ft so that the next look-around keeps it. A wingman keeping
    // formation chases its leader and marks nobody, so every look-around scans afresh and finds an
    // enemy closing on it from behind.
    if (D < 2000.0 && enemy == lastSeen && e.Team != a.Team) a.aiVariables[0] = a.aiVariables[1];
    const double V = a.CurrentVelocity, Ve = e.CurrentVelocity, close = a.TooCloseDistance;
    if (a.AIType == 2 && ((D < close && V - Ve > 1.22) || (D < 1.66 * close && V - Ve > 2.44))) {
        self->setThrottle(0.05);
    }
    if (D < 0.833 * close) {
        if (D < 0.6 * close) self->setThrottle(e.CurrentEngineSetting == 0.0 ? 0.05 : e.CurrentEngineSetting);
        if (V > 1.01 * Ve) self->setThrottle(0.05);
    }
    const Vec& A = D > P.LeadPursuitDistance ? P1 : P5;
    const double s = A.across();
    const double v = (a.AircraftType == 55 ? A.y - 5.0 : A.y) / A.z;
    if (std::fabs(hd) >= 1.5 || v >= 4.0 || v <= -1.0 || std::fabs(s) >= 0.2) {  // coarse
        a.AutoPilotData[1] = 2.0;
        if (std::fabs(v) >= 0.3 || std::fabs(s) >= 0.6) {
            hardTurn(bearing);
            self->RudderInput(0.0);
        } else {
            const double limit = a.ClosestEnemyData[31];
            trackBank(2.0 * std::clamp((D < 600.0 ? 5.0 : 12.0) * s, -limit, limit));
            self->RudderInputAbsolute(std::fabs(s) >= 0.05 ? 0.0 : a.RotationalSpeeds[1] * -3.0);
            HoldYZTarget(v, a.PlusStall, self);
        }
        return;
    }
    const double w = a.TopSpeedInMPH < 200.0 ? 0.6 : 0.4;
    if (std::fabs(hd) >= w || std::fabs(v) >= w / 4.0 || std::fabs(s) >= w / 4.0) {  // middle
        trackBank(std::clamp(10.0 * s, -a.ClosestEnemyData[31], a.ClosestEnemyData[31]));
        self->RudderInputAbsolute(4.0 * s);
        HoldYZTarget(2.0 * v, a.PlusStall, self);
        return;
    }
    a.AutoPilotData[1] = 2.0;  // fine
    trackBank(std::clamp(25.0 * s, -0.5, 0.5), 0.75);
    HoldYZTarget(5.0 * v, a.PlusStall, self);
    self->RudderInputAbsolute(std::fabs(s) >= 0.05 ? 0.0 : 3.0 * s * a.DogfightRudderFactor);
}

void Fight::defence() {
    a.AutoPilotData[1] = 4.0;
    const bool sighted = inEnemySights(e);
    double& code = a.AutoPilotData[2];
    if (std::fabs(tx) > 1.2 || std::fabs(ty) > 1.2) {  // well off the nose and tail axes
        if (!sighted || D >= 2100.0 || std::fabs(hd) >= 1.77) {
            if (dY < -400.0) {
                LiftVector(self, rX, rY, Ac);
                code = -1.0;
            } else {
                DoOption3Maneuvers(std::fabs(hd) >= 1.57 ? 3 : 1, self);
            }
        } else {
            DoEvasiveFromShot(5, 2, self);
        }
        return;
    }
    const bool hit = a.TotalHits != a.ClosestEnemyData[20];
    if (!hit || ZephModel::GetLongRandomFrom(-32768, 32767) <= 10000) {
        if (hd > -1.57 && hd < 1.57 && sighted) {
            if (Dh < 700.0 || code == 15.0) {
                DoEvasiveFromShot(15, 3, self);
                return;
            }
            if (code != -1.0) {
                DoEvasiveFromShot(5, 3, self);
                return;
            }
            if (Dh < 1000.0) {
                DoEvasiveFromShot(5, 4, self);
                return;
            }
        }
        if (std::fabs(hd) >= 1.57) {
            DoOption3Maneuvers(3, self);
        } else {
            hardTurnOnSide();
            code = -1.0;
        }
        return;
    }
    code = 15.0;  // hit: into the scissors
    DoEvasiveFromShot(15, 3, self);
}

// Bombs are dead weight in a fight: one goes each tick while flying.
void jettisonBombs(ZephModel* aircraft, const Aircraft& a, double above, ModelArray* objects, int32_t missionTime) {
    if (aircraft->getNumberOfBombs() > 0 && above > 250.0 && !a.OnGround && objects) {
        const long slot = objects->indexOf(aircraft);
        ZephModel* pool = objects->at(ModelArray::kBombs);
        if (pool && slot >= ModelArray::kFirstAircraft && slot < ModelArray::kFirstAircraft + ModelArray::kAircraftSlots) {
            const double* at = aircraft->dropBomb();
            if (at) pool->startADroppedBomb(aircraft->getXYZVelocities(), at, missionTime, static_cast<int32_t>(slot));
        }
    }
}

// On the ground, too slow, or within the climb-out hold: full power and climb away. True while
// taking off.
bool takeOff(ZephModel* aircraft, Aircraft& a, double speed) {
    double& hold = a.ClosestEnemyData[27];
    hold = std::max(hold - 1.0, 0.0);

    if (a.OnGround || speed < 20.0 || hold > 0.0) {  // take-off
        aircraft->setThrottle(1.0);
        aircraft->RudderInput(0.0);
        if (a.OnGround || speed <= 120.0) {
            if (a.Gear != 1) aircraft->gearUpDown(1);
        } else if (a.Gear != 0) {
            aircraft->gearUpDown(0);
        }
        aircraft->setFlaps(0.0);
        NormalBank(0.0, aircraft);
        if (a.OnGround) hold = 1200.0;  // 20 s of climb-out after the wheels leave
        if (speed > a.TakeOffSpeed) {
            HoldClimbDiveRateMellow(a.BestClimbRate, aircraft);
        } else if (a.OnGround && a.AircraftPitch > 5.0 && speed > 40.0 && speed < a.TakeOffSpeed - 10.0) {
            aircraft->ElevatorInputAbsolute(-0.4);  // tail up
        } else {
            aircraft->ElevatorInputAbsolute(0.0);
        }
        return true;
    }
    return false;
}

// Full power, clean, rudder centred; the aim factor swings between 0.9 and 1.1.
void fightTrim(ZephModel* aircraft, Aircraft& a) {
    aircraft->setThrottle(1.0);
    aircraft->RudderInput(0.0);
    aircraft->gearUpDown(0);
    aircraft->setFlaps(0.0);
    double &factor = a.ClosestEnemyData[21], &step = a.ClosestEnemyData[22];
    if (step == 0.0) step = 0.001;
    if (factor > 1.1) factor = 1.1, step = -0.001;
    if (factor < 0.9) factor = 0.9, step = 0.001;
    factor += step;
}

// Nobody about: circle in the 15,000-ft band.
void circleAlone(ZephModel* aircraft, const Aircraft& a, const QNion& me) {
    aircraft->setThrottle(0.6);
    aircraft->RudderInput(0.0);
    const double y = me.Position[1];
    HoldClimbDiveRateMellow(y < 15000.0 ? 600.0 : (y > 15200.0 ? -600.0 : 0.0), aircraft);
    NormalBank(a.AircraftBank < 0.0 ? -45.0 : 45.0, aircraft);
}

// Where the enemy is, seen from this aircraft: its point (75 ft ahead of a leader's tail for a
// wingman), the offset in world and body axes, and the bearings.
struct Sighting {
    QNion them;
    double d[3] = {};   // world offset, ft
    double M[16] = {};  // this aircraft's attitude
    double r[3] = {};   // body offset, ft
    double xz = 0, bearing = 0;
};

Sighting sight(const Aircraft& a, ZephModel* enemy, const Aircraft& e, const QNion& me) {
    Sighting s;
    QNion& them = s.them;
    enemy->getModelPositionQNion(&them);
    double T[3] = {them.Position[0], them.Position[1], them.Position[2]};
    if (a.AIType == 2) {  // a wingman keeps station 75 ft ahead of its leader's tail
        const double h = e.AircraftHeading / kDeg;
        T[0] += 75.0 * std::sin(h);
        T[2] += 75.0 * std::cos(h);
    }
    for (int j = 0; j < 3; ++j) s.d[j] = T[j] - me.Position[j];
    ZephModel::quaternionToMatrix(me.QAttitude.data(), s.M);
    ZephModel::InverseRotateVector(s.d, s.r, s.M);
    s.xz = std::atan2(s.r[0], s.r[2]);
    s.bearing = wrapPi(std::atan2(s.d[0], s.d[2]) - a.AircraftHeading / kDeg);
    return s;
}

// More than three miles off: spiral to its height, turn toward it, or close on it level.
void closeFromFar(ZephModel* aircraft, Aircraft& a, const Sighting& s, const QNion& me, double Dh) {
    const double* r = s.r;
    const double xz = s.xz;
    const QNion& them = s.them;
    if (Dh < 10560.0) {  // mostly above or below: spiral toward its height
        MainSetBankTarget(0.85, 0.6, aircraft);
        HoldClimbDiveRateMellow(r[1] < 0.0 ? -1000.0 : 1000.0, aircraft);
    } else if (std::fabs(xz) >= 0.4) {
        MainSetBankTarget(xz < 0.0 ? -0.78 : 0.78, 0.3, aircraft);
        HoldClimbDiveRateMellow(500.0, aircraft);
    } else {
        MainSetBankTarget(xz / 2.0, 0.6, aircraft);
        FlyToAltitude(them.Position[1] + 500.0, aircraft, me.Position[1]);
        aircraft->RudderInputAbsolute(xz);
        if (std::fabs(xz) < 0.1) aircraft->AileronInputAbsolute(0.0);
    }
    a.AutoPilotData[2] = -1.0;
}

// The enemy snapshot the manoeuvres read, and the pilot's head turned toward it.
void noteEnemy(ZephModel* aircraft, Aircraft& a, const AIPilotProfile& P, const Aircraft& e, const Sighting& s,
               double Dh) {
    const double* r = s.r;
    const double* d = s.d;
    const double xz = s.xz;
    auto& snap = a.ClosestEnemyData;
    snap[2] = P.MaxBankSpeed;
    snap[3] = P.MaxAOA * a.PlusStall;
    snap[4] = r[0], snap[5] = r[1], snap[6] = r[2];
    snap[7] = xz;
    snap[8] = e.AircraftPitch, snap[9] = e.AircraftBank, snap[10] = e.AircraftHeading;
    snap[11] = d[1];
    snap[13] = e.RotationalSpeeds[0];
    snap[19] = 5.0;
    if (!a.GuyBailedOut) {
        const double p = std::max(std::atan2(r[1], Dh), -0.15);
        aircraft->setPilotPitch(-p * kDeg, xz * kDeg);
    }
}

// The fight's geometry and its aim points: the enemy, its tail, its wing tips and the lead.
void aimPoints(Fight& f, const Sighting& s) {
    const Aircraft& a = f.a;
    const Aircraft& e = f.e;
    const double* r = s.r;
    const double* d = s.d;
    const double* M = s.M;
    const QNion& them = s.them;
    auto& snap = f.a.ClosestEnemyData;
    const double D = f.D;
    f.rX = r[0], f.rY = r[1], f.rZ = r[2];
    f.xz = s.xz, f.bearing = s.bearing;
    f.hd = wrapPi((a.AircraftHeading - e.AircraftHeading) / kDeg);
    f.z = r[2] == 0.0 ? 0.000001 : r[2];
    f.tx = r[0] / f.z, f.ty = r[1] / f.z;
    f.Ac = snap[3];
    f.Br = e.AircraftBank / kDeg;

    double R[16] = {};
    ZephModel::quaternionToMatrix(them.QAttitude.data(), R);
    auto fixed = [](Vec v) {
        if (v.z == 0.0) v.z = 0.0000001;
        return v;
    };
    f.P0 = fixed({r[0], r[1], f.z});
    f.P1 = fixed({r[0], r[1], f.z - 150.0});
    double w[3];
    const double zero[3] = {0.0, 0.0, 0.0};
    offsetPoint(zero, R, 0.0, 0.0, -150.0, w);
    f.P2 = toBody(w, M);
    offsetPoint(d, R, -100.0, 0.0, 0.0, w);
    f.P3 = toBody(w, M);
    offsetPoint(d, R, 100.0, 0.0, 0.0, w);
    f.P4 = toBody(w, M);

    const double Dc = std::clamp(D, 1.0, 3000.0);
    const double Vb = a.BulletVelocity, V = a.CurrentVelocity, Ve = e.CurrentVelocity;
    double lead, lateral;
    if (a.TopSpeedInMPH < 200.0) {
        const double closing = Vb + V + Ve;
        lead = std::min(closing > 0.0 ? Dc / closing * 1.05 : 0.0, 500.0) * snap[21];
        if (a.AircraftType == 64) lead *= 1.05;
        lead += 8.0;
        lateral = D < 250.0 ? 0.0 : std::clamp(e.AircraftBank * -0.25, -5.0, 5.0);
    } else {
        const double closing = Vb + V;
        lead = (closing > 0.0 ? Dc / closing * Ve : 0.0) * (a.AircraftType == 12 ? 1.1 : 1.05);
        const double near = std::min(D, 2400.0);
        lateral = near < 400.0 ? 0.0 : std::min(-e.AircraftBank / (2500.0 - near) * 450.0 * 2.0, 200.0);
    }
    offsetPoint(d, R, lateral, 0.0, lead, w);
    f.P5 = toBody(w, M);
}

}  // namespace

void doDogfighting(ZephModel* aircraft, ModelArray* objects, int32_t missionTime) {
    Aircraft* ap = aircraft ? aircraft->getAircraftStruct() : nullptr;
    if (!ap) return;
    Aircraft& a = *ap;
    const AIPilotProfile& P = profileOf(a);
    QNion me;
    aircraft->getModelPositionQNion(&me);
    const double speed = mphOf(a);
    jettisonBombs(aircraft, a, me.Position[1] - a.GroundAltitude, objects, missionTime);
    if (takeOff(aircraft, a, speed)) return;
    fightTrim(aircraft, a);

    ZephModel* enemy = a.ClosestEnemy;
    Aircraft* ep = enemy ? enemy->getAircraftStruct() : nullptr;
    if (!ep) {
        circleAlone(aircraft, a, me);
        return;
    }
    Aircraft& e = *ep;
    const Sighting s = sight(a, enemy, e, me);
    a.ClosestEnemyData[30] = e.AircraftType;
    if (a.AutoPilotData[2] != 11.0) a.ClosestEnemyData[15] = 0.0;
    const double D = a.ClosestEnemyData[0], Dh = a.ClosestEnemyData[1];
    if (D > kFar) {
        closeFromFar(aircraft, a, s, me, Dh);
        return;
    }
    noteEnemy(aircraft, a, P, e, s, Dh);
    if (s.d[1] > 2000.0 && speed < 180.0) {  // far above: climb after it with wings level
        aircraft->setThrottle(1.0);
        aircraft->RudderInput(0.0);
        NormalBank(0.0, aircraft);
        HoldClimbDiveRateMellow(250.0, aircraft);
        return;
    }
    Fight f{aircraft, a, P, enemy, e, me, s.them};
    f.D = D, f.Dh = Dh, f.dY = s.d[1];
    const double seen = a.aiVariables[1];
    if (seen >= 0.0 && seen < ModelArray::kAircraftSlots) recordOf(objects, static_cast<long>(seen), &f.lastSeen);
    aimPoints(f, s);
    f.tactics();
}

}  // namespace pellam
