#include "aircraft/RemoteRecord.h"

#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"

namespace pellam {
namespace {

constexpr int32_t kGraceTicks = 160;     // after a new game: leftovers of the last one are ignored
constexpr int32_t kRestartTicks = 180;   // a restart bit is honoured once per this many ticks
constexpr int32_t kMaxDelay = 60;
constexpr int32_t kExtraSteps = 35;

bool since(int32_t tick, int32_t stamp, int32_t ticks) {
    return static_cast<uint32_t>(tick - stamp) > static_cast<uint32_t>(ticks);
}

void setBit(uint32_t& word, uint32_t bit, bool on) { word = on ? (word | bit) : (word & ~bit); }

void setPose(FlyableAircraft& p, const wire::AircraftState& s) {
    p.live.attitude.Position = s.position;
    p.live.attitude.QAttitude = s.attitude;
    p.live.previousAttitude.QAttitude = s.attitude;
    for (int j = 0; j < 3; ++j) p.live.previousAttitude.Position[j] = s.position[j] - s.velocity[j];
}

void applyControls(FlyableAircraft& p, const wire::AircraftState& s) {
    Aircraft& a = p.ThisAircraft;
    const double trim = a.ElevatorTrim;  // the sent elevator already holds the sender's trim
    a.ElevatorTrim = 0.0;
    a.Elevator = s.elevator;
    p.ElevatorInputAbsolute(s.elevator);
    a.ElevatorTrim = trim;
    a.Ailerons = s.ailerons;
    p.AileronInputAbsolute(s.ailerons);
    a.GunsFiring = s.firing ? 1 : 0;
    a.Rudder = s.rudder;
    p.RudderInputAbsolute(s.rudder);
    a.CurrentEngineSetting = a.WarEmergencyPower * s.engine / 255.0;
    if (a.CurrentEngineSetting > 0.95 && a.CurrentEngineSetting <= 1.0) a.CurrentEngineSetting = 1.0;
}

// Damage bits, bail-out and bombs: only once the new game's grace has passed.
void applyLosses(FlyableAircraft& p, const wire::AircraftState& s, const RemoteRecordContext& c) {
    Aircraft& a = p.ThisAircraft;
    if (s.flags & wire::stateflag::BailedOut) p.bailOut();
    using namespace wire::statedamage;
    a.Damage1 |= ((s.damage & LeftAileron) ? dmg::LeftAileronHit : 0) |
                 ((s.damage & RightAileron) ? dmg::RightAileronHit : 0) |
                 ((s.damage & Cockpit) ? dmg::CockpitDamage : 0) | ((s.damage & Part4Gone) ? dmg::Part4Gone : 0);
    const int drops = std::clamp<int>(a.CurrentNumberOfBombs - s.bombs, 0, FlyableAircraft::kMaxBombs);
    for (int i = 0; i < drops && c.bombs; ++i) {
        if (const double* at = p.dropBomb()) c.bombs->startADroppedBomb(p.live.velocity.data(), at, c.globalGameTime, c.aircraftIndex);
    }
    if (drops > 0) a.CurrentNumberOfBombs = s.bombs;
}

// Down, fatal and blown up are a wreck's, and a wreck's record sent before its machine heard of
// the new game would down the fresh aircraft (and be credited as a kill): within the grace they
// may clear, never set.
void applyFlags(FlyableAircraft& p, const wire::AircraftState& s, bool gameUnderWay) {
    Aircraft& a = p.ThisAircraft;
    using namespace wire::stateflag;
    a.OnGround = (s.flags & OnGround) ? 1 : 0;
    setBit(a.Damage1, dmg::Down, (s.flags & Down) && (gameUnderWay || (a.Damage1 & dmg::Down)));
    setBit(a.Damage1, dmg::FatalDamage, (s.flags & Fatal) && (gameUnderWay || (a.Damage1 & dmg::FatalDamage)));
    if (s.blownUp && !(a.Damage1 & dmg::BlownUp)) {
        if (gameUnderWay) {
            a.Damage1 |= dmg::BlownUp | dmg::Down | dmg::ControlsDead;
            a.PlayThisSound = 12;  // the explosion
        }
    } else if (!s.blownUp) {
        a.Damage1 &= ~dmg::BlownUp;
    }
    setBit(a.Damage1, dmg::EngineDamaged, s.engineDamaged);
}

// On the ground the aircraft rests on its wheels (or its belly): never below the ground line.
void clampToGround(FlyableAircraft& p) {
    Aircraft& a = p.ThisAircraft;
    if (!a.OnGround || p.live.attitude.Position[1] <= -9000.0) return;
    double lowest;
    if (a.Gear == 1) {
        double m[16], gear[3];
        ZephModel::quaternionToMatrix(p.live.attitude.QAttitude.data(), m);
        ZephModel::RotateVector(a.LeftGearBottom.data(), gear, m);
        lowest = gear[1];
    } else {
        lowest = a.FuseBottom[1];
    }
    const double line = a.GroundAltitude - lowest;
    if (p.live.attitude.Position[1] < line) {
        p.live.attitude.Position[1] = p.live.previousAttitude.Position[1] = line;
        p.live.previousAttitude.Position[0] = p.live.attitude.Position[0] - p.live.velocity[0];
        p.live.previousAttitude.Position[2] = p.live.attitude.Position[2] - p.live.velocity[2];
    }
}

}  // namespace

std::array<double, 4> drawnAttitude(const FlyableAircraft& p) {
    const Aircraft& a = p.ThisAircraft;
    std::array<double, 4> drawn = p.live.attitude.QAttitude;
    std::array<double, 4> slider{a.SliderQW, a.SliderQX, a.SliderQY, a.SliderQZ};
    const double t = a.SlerpValue;
    const double norm = std::sqrt(slider[0] * slider[0] + slider[1] * slider[1] + slider[2] * slider[2] +
                                  slider[3] * slider[3]);
    if (t == 0.0 || !std::isfinite(t) || !std::isfinite(norm) || norm <= 1e-6) return drawn;
    for (double& v : slider) v /= norm;
    ZephModel::slerpFirstQNion(p.live.attitude.QAttitude.data(), slider.data(), std::clamp(t, 0.0, 1.0), drawn.data());
    return drawn;
}

bool bringAircraftUpToDate(int32_t delay, FlyableAircraft& plane, const RemoteShown& shown, int32_t* playDelay) {
    if (delay < 0) return false;
    delay = std::min(delay, kMaxDelay);
    *playDelay = -1;
    const Aircraft& a = plane.ThisAircraft;
    if ((a.Damage1 & dmg::Down) || a.CurrentVelocity * FlyableAircraft::kMphPerFtTick < 5.0) return false;
    double drawn[3];
    for (int j = 0; j < 3; ++j) drawn[j] = shown.position[j] + shown.slider[j];
    for (int32_t i = 0; i < delay + kExtraSteps; ++i) {
        plane.driveModel(1, -1, false, false);
        double d[3], body[3], m[16];
        for (int j = 0; j < 3; ++j) d[j] = plane.live.attitude.Position[j] - drawn[j];
        ZephModel::quaternionToMatrix(plane.live.attitude.QAttitude.data(), m);
        ZephModel::InverseRotateVector(d, body, m);
        *playDelay = i;
        if (body[2] > -a.CurrentVelocity / 2.0) return true;
    }
    return false;
}

RemoteRecordOutcome GetDataOutOfStructure(FlyableAircraft& p, const wire::StateBlockBytes& bytes,
                                          const RemoteRecordContext& c, RemoteShown* shown, int32_t* playDelay) {
    RemoteRecordOutcome out;
    Aircraft& a = p.ThisAircraft;
    a.RemoteLocal = 1;
    // What was on the screen before this record.
    shown->position = p.live.attitude.Position;
    shown->slider = {a.SliderX, a.SliderY, a.SliderZ};
    const std::array<double, 4> keptAttitude = p.live.attitude.QAttitude;
    const std::array<double, 4> keptSlider = {a.SliderQW, a.SliderQX, a.SliderQY, a.SliderQZ};
    const double keptSlerp = a.SlerpValue;

    wire::StateBlockBytes block = bytes;
    const bool gameOver = block[32] & wire::stateflag::GameOver;
    if (gameOver && !c.isHost) {
        // The host's results travel where the velocity would be.
        out.hasResults = true;
        std::copy(block.begin() + 16, block.begin() + 24, out.results.begin());
        if (c.joinerNumber >= 1 && c.joinerNumber <= 7) std::swap(out.results[0], out.results[c.joinerNumber]);
        std::fill(block.begin() + 16, block.begin() + 24, uint8_t{0});
    }
    wire::AircraftState s;
    wire::decodeAircraftState(block.data(), block.size(), &s);

    p.live.velocity = p.live.previousVelocity = s.velocity;
    for (int j = 0; j < 3; ++j) p.live.rotation[j] = p.live.previousRotation[j] = s.rates[j];
    applyControls(p, s);

    const bool gameUnderWay = c.newInTime != 0 && since(c.tick, c.newInTime, kGraceTicks);
    if (s.flags & wire::stateflag::GearDown) {
        if (gameUnderWay && !c.replayPlaying) p.setGear(1.0);
        else p.gearUpDown(1);
    } else {
        p.gearUpDown(0);
    }
    p.setFlaps((s.flags & wire::stateflag::FlapsDown) ? 0.6 : 0.0);
    if (gameUnderWay) applyLosses(p, s, c);
    applyFlags(p, s, gameUnderWay);

    if (s.restart && since(c.globalGameTime, a.TimeOfReset, kRestartTicks)) {
        p.SetUpAircraft(s.position[0], s.position[1], s.position[2], 0.0, 0.0,
                        a.CurrentVelocity * FlyableAircraft::kMphPerFtTick, a.WarEmergencyPower * s.engine / 255.0);
        a.CurrentNumberOfBombs = s.bombs;
        // The set-up starts it along heading 0: the record's motion holds, not that.
        p.live.velocity = p.live.previousVelocity = s.velocity;
        for (int j = 0; j < 3; ++j) p.live.rotation[j] = p.live.previousRotation[j] = s.rates[j];
        out.restarted = true;
    }
    out.gameOver = gameOver;
    out.hostWon = gameOver && (s.flags & wire::stateflag::BailedOut);

    setPose(p, s);
    a.CurrentVelocity = std::hypot(s.velocity[0], s.velocity[1], s.velocity[2]);
    if (a.CurrentVelocity <= 0.05 || s.position[1] <= -9000.0) {
        a.CurrentVelocity = 0.0;
        a.SliderX = a.SliderY = a.SliderZ = 0.0;
        a.SliderQW = 1.0;
        a.SliderQX = a.SliderQY = a.SliderQZ = 0.0;
        a.SlerpValue = 0.0;
        p.live.velocity = p.live.previousVelocity = Vector3{0.0, 0.0, 0.0};
    } else {
        const int32_t onGround = a.OnGround;
        if (!bringAircraftUpToDate(c.delay, p, *shown, playDelay)) setPose(p, s);
        if (onGround == 1) a.OnGround = 1;
    }
    clampToGround(p);

    // The drawn attitude starts from what was on the screen and blends to the model's.
    std::array<double, 4> from = keptAttitude;
    if (keptSlerp != 0.0) {
        // slerpFirstQNion takes x, y, z, w.
        const double f[4] = {keptSlider[1], keptSlider[2], keptSlider[3], keptSlider[0]};
        const double g[4] = {keptAttitude[1], keptAttitude[2], keptAttitude[3], keptAttitude[0]};
        double r[4];
        ZephModel::slerpFirstQNion(f, g, 1.0 - keptSlerp, r);
        from = {r[3], r[0], r[1], r[2]};
    }
    a.SliderQW = from[0], a.SliderQX = from[1], a.SliderQY = from[2], a.SliderQZ = from[3];
    a.SlerpValue = 1.0;
    // The drawn position stays where it was and glides to the model's.
    a.SliderX = shown->position[0] + shown->slider[0] - p.live.attitude.Position[0];
    a.SliderY = a.OnGround == 1 ? 0.0 : shown->position[1] + shown->slider[1] - p.live.attitude.Position[1];
    a.SliderZ = shown->position[2] + shown->slider[2] - p.live.attitude.Position[2];
    if ((a.Damage1 & dmg::Down) || a.CurrentVelocity * FlyableAircraft::kMphPerFtTick < 3.0) {
        a.SlerpValue = 0.0;
        a.SliderX = a.SliderY = a.SliderZ = 0.0;
    }
    return out;
}

}  // namespace pellam
