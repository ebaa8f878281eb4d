// The replay ring: every 20th tick one 544-byte record of the aircraft's state block, damage,
// bail-out and detached parts; read back by tick during a replay. Records are in host byte order
// and live only in memory. Record layout (byte offsets):
//   0 marker 0xFF 0xFF; 2 save calls since the last record (16 bits); 4 tick; 8 state block (35);
//   44 Damage1, Damage2, BlowsUpAt, LeftWingGoneAt, RightWingGoneAt; 64 areas of surfaces 0 and 1
//   (whole ft^2); 72 TotalHits (whole); 76 bail-out position (whole ft) and attitude (x 100000);
//   104 live.bailOutTime; 108 live.openSound; 112 live.bailSpeeds, 124 live.bailRotations (x 100000);
//   136 live.chuteOpened; 140 GuyBailedOut; 144 + 40 i part i: position (whole ft),
//   attitude and speed (x 100000).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "aircraft/FlyableAircraft.h"

namespace pellam {
namespace {

constexpr int32_t kEvery = 20;      // ticks between records
constexpr int32_t kFirstTick = 2;   // records at ticks 2, 22, 42, ...
constexpr double kFine = 100000.0;  // fixed-point scale of attitudes and speeds
constexpr int kBlockAt = 8, kDamageAt = 44, kBailAt = 76, kPartsAt = 144, kPartBytes = 40;
static_assert(kPartsAt + FlyableAircraft::kParts * kPartBytes == FlyableAircraft::kReplayRecordBytes);
static_assert(kBlockAt + wire::kStateBlockSize <= kDamageAt);

bool recordTick(int32_t tick) { return (static_cast<int64_t>(tick) - kFirstTick) % kEvery == 0; }

// A double as a 32-bit whole number, truncated toward zero and kept inside the field.
int32_t whole(double v) {
    if (!(v == v)) return 0;
    return static_cast<int32_t>(std::trunc(std::clamp(v, -2147483648.0, 2147483647.0)));
}

void put32(uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); }
int32_t get32(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

int32_t FlyableAircraft::lastRecordStart() const {
    return std::min<int32_t>(ReplayBufferSize, static_cast<int32_t>(ReplayBufferAddress.size()) - kReplayRecordBytes);
}

wire::AircraftState FlyableAircraft::MakeOutputData() const {
    const Aircraft& a = ThisAircraft;
    wire::AircraftState s;
    s.position = live.attitude.Position;
    s.attitude = live.attitude.QAttitude;
    s.velocity = live.velocity;
    s.rates = {live.rotation[0], live.rotation[1], live.rotation[2]};
    s.restart = static_cast<uint32_t>(missionTick() - a.TimeOfReset) < 180u;
    s.blownUp = a.Damage1 & dmg::BlownUp;
    s.engineDamaged = a.Damage1 & dmg::EngineDamaged;
    s.elevator = a.Elevator;
    s.ailerons = a.Ailerons;
    s.rudder = a.Rudder;
    s.firing = a.GunsFiring > 0 || a.CannonsFiring > 0;
    s.hits = static_cast<uint8_t>(whole(a.TotalHits) & 0xFF);
    if (!(a.Damage1 & (dmg::PropBroken | dmg::EngineStopped)) && a.WarEmergencyPower > 0.0) {
        s.engine = static_cast<uint8_t>(whole(a.CurrentEngineSetting * 255.0 / a.WarEmergencyPower) & 0xFF);
    }
    using namespace wire::stateflag;
    s.flags = static_cast<uint8_t>(((a.Gear == 1 && !(a.Damage1 & dmg::GearBroken)) ? GearDown : 0) |
                                   (a.Flaps > 0.4 ? FlapsDown : 0) | (a.GuyBailedOut ? BailedOut : 0) |
                                   (a.CannonsFiring ? Cannons : 0) | (a.OnGround ? OnGround : 0) |
                                   ((a.Damage1 & dmg::Down) ? Down : 0) | ((a.Damage1 & dmg::FatalDamage) ? Fatal : 0));
    s.bombs = static_cast<uint8_t>(std::clamp<int32_t>(a.CurrentNumberOfBombs, 0, 8));
    using namespace wire::statedamage;
    s.damage = static_cast<uint8_t>(((a.Damage1 & dmg::LeftAileronHit) ? LeftAileron : 0) |
                                    ((a.Damage1 & dmg::RightAileronHit) ? RightAileron : 0) |
                                    ((a.Damage1 & dmg::CockpitDamage) ? Cockpit : 0) |
                                    ((a.Damage1 & dmg::Part4Gone) ? Part4Gone : 0));
    return s;
}

void FlyableAircraft::showReplayStateBlock(const wire::AircraftState& s) {
    Aircraft& a = ThisAircraft;
    live.velocity = live.previousVelocity = s.velocity;
    for (int j = 0; j < 3; ++j) live.rotation[j] = live.previousRotation[j] = s.rates[j];

    // The recorded positions already hold the trims.
    const double trims[3] = {a.ElevatorTrim, a.AileronTrim, a.RudderTrim};
    a.ElevatorTrim = a.AileronTrim = a.RudderTrim = 0.0;
    a.Elevator = s.elevator;
    ElevatorInputAbsolute(s.elevator);
    a.Ailerons = s.ailerons;
    AileronInputAbsolute(s.ailerons);
    a.GunsFiring = s.firing ? 1 : 0;
    a.Rudder = s.rudder;
    RudderInputAbsolute(s.rudder);
    a.ElevatorTrim = trims[0], a.AileronTrim = trims[1], a.RudderTrim = trims[2];

    a.CurrentEngineSetting = a.WarEmergencyPower * s.engine / 255.0;
    if (a.CurrentEngineSetting > 0.95 && a.CurrentEngineSetting <= 1.0) a.CurrentEngineSetting = 1.0;
    using namespace wire::stateflag;
    a.OnGround = (s.flags & OnGround) ? 1 : 0;
    auto setBit = [&a](uint32_t bit, bool on) { a.Damage1 = on ? (a.Damage1 | bit) : (a.Damage1 & ~bit); };
    setBit(dmg::Down, s.flags & Down);
    setBit(dmg::FatalDamage, s.flags & Fatal);
    setBit(dmg::BlownUp, s.blownUp);
    setBit(dmg::EngineDamaged, s.engineDamaged);
    a.CurrentNumberOfBombs = static_cast<int16_t>(std::min<int>(s.bombs, kMaxBombs));  // shown, never dropped

    live.attitude.Position = s.position;
    live.attitude.QAttitude = s.attitude;
    live.previousAttitude.QAttitude = s.attitude;
    for (int j = 0; j < 3; ++j) live.previousAttitude.Position[j] = s.position[j] - s.velocity[j];
    a.CurrentVelocity = std::sqrt(s.velocity[0] * s.velocity[0] + s.velocity[1] * s.velocity[1] +
                                  s.velocity[2] * s.velocity[2]);
    if (a.CurrentVelocity <= 0.05 || s.position[1] <= -9000.0) {
        a.CurrentVelocity = 0.0;
        live.velocity = live.previousVelocity = Vector3{0.0, 0.0, 0.0};
        live.previousAttitude.Position = live.attitude.Position;
    }
    // A replay shows the record as it was: no network smoothing.
    a.SliderX = a.SliderY = a.SliderZ = 0.0;
    a.SliderQW = 1.0;
    a.SliderQX = a.SliderQY = a.SliderQZ = 0.0;
    a.SlerpValue = 0.0;
}

void FlyableAircraft::saveCurrentReplayData(int32_t tick) {
    if (tick == 0) return;
    ++ReplayUpdatesBetweenFrames;
    if (!recordTick(tick)) return;
    const int32_t lastStart = lastRecordStart();
    if (ReplayBufferOffset > lastStart || ReplayBufferOffset < 0) ReplayBufferOffset = 0;
    if (lastStart < 0) return;
    uint8_t* r = ReplayBufferAddress.data() + ReplayBufferOffset;
    const Aircraft& a = ThisAircraft;

    r[0] = r[1] = 0xFF;
    const int16_t updates = static_cast<int16_t>(ReplayUpdatesBetweenFrames & 0xFFFF);
    std::memcpy(r + 2, &updates, 2);
    ReplayUpdatesBetweenFrames = 0;
    put32(r + 4, tick);
    wire::encodeAircraftState(MakeOutputData(), r + kBlockAt);

    const int32_t damage[] = {static_cast<int32_t>(a.Damage1), static_cast<int32_t>(a.Damage2), a.BlowsUpAt,
                              a.LeftWingGoneAt, a.RightWingGoneAt, whole(own.surfaces[0].Area), whole(own.surfaces[1].Area),
                              whole(a.TotalHits)};
    for (int i = 0; i < 8; ++i) put32(r + kDamageAt + 4 * i, damage[i]);
    for (int j = 0; j < 3; ++j) put32(r + kBailAt + 4 * j, whole(live.bailOutPosition.Position[j]));
    for (int j = 0; j < 4; ++j) put32(r + 88 + 4 * j, whole(live.bailOutPosition.QAttitude[j] * kFine));
    put32(r + 104, live.bailOutTime);
    put32(r + 108, live.openSound ? 1 : 0);
    for (int j = 0; j < 3; ++j) put32(r + 112 + 4 * j, whole(live.bailSpeeds[j] * kFine));
    for (int j = 0; j < 3; ++j) put32(r + 124 + 4 * j, whole(live.bailRotations[j] * kFine));
    put32(r + 136, live.chuteOpened ? 1 : 0);
    put32(r + 140, a.GuyBailedOut ? 1 : 0);
    for (int i = 0; i < kParts; ++i) {
        uint8_t* p = r + kPartsAt + kPartBytes * i;
        for (int j = 0; j < 3; ++j) put32(p + 4 * j, whole(own.parts[i].Position[j]));
        for (int j = 0; j < 4; ++j) put32(p + 12 + 4 * j, whole(own.parts[i].QAttitude[j] * kFine));
        for (int j = 0; j < 3; ++j) put32(p + 28 + 4 * j, whole(own.partSpeeds[i][j] * kFine));
    }
    ReplayBufferOffset += kReplayRecordBytes;
}

void FlyableAircraft::readCurrentReplayData(int32_t tick) {
    if (!recordTick(tick)) return;
    // The state block belongs to one of the eight aircraft slots; anything else reads nothing.
    const long index = aController ? aController->whatsMyNumber(this) : -1;
    if (index < ModelArray::kFirstAircraft || index >= ModelArray::kFirstAircraft + ModelArray::kAircraftSlots) return;

    const int32_t lastStart = lastRecordStart();
    const uint8_t* r = nullptr;
    for (int32_t at = 0; at <= lastStart; at += kReplayRecordBytes) {
        const uint8_t* slot = ReplayBufferAddress.data() + at;
        if (slot[0] == 0xFF && slot[1] == 0xFF && get32(slot + 4) == tick) {
            r = slot;
            break;
        }
    }
    wire::AircraftState block;
    if (!r || !wire::decodeAircraftState(r + kBlockAt, wire::kStateBlockSize, &block)) return;
    showReplayStateBlock(block);

    Aircraft& a = ThisAircraft;
    a.Damage1 = static_cast<uint32_t>(get32(r + 44));
    a.Damage2 = static_cast<uint32_t>(get32(r + 48));
    a.BlowsUpAt = get32(r + 52);
    a.LeftWingGoneAt = get32(r + 56);
    a.RightWingGoneAt = get32(r + 60);
    own.surfaces[0].Area = get32(r + 64);
    own.surfaces[1].Area = get32(r + 68);
    a.TotalHits = get32(r + 72);
    for (int j = 0; j < 3; ++j) live.bailOutPosition.Position[j] = get32(r + kBailAt + 4 * j);
    for (int j = 0; j < 4; ++j) live.bailOutPosition.QAttitude[j] = get32(r + 88 + 4 * j) / kFine;
    live.bailOutTime = std::max(get32(r + 104), 0);  // a mission tick: later ticks subtract it
    live.openSound = get32(r + 108) != 0;
    for (int j = 0; j < 3; ++j) live.bailSpeeds[j] = get32(r + 112 + 4 * j) / kFine;
    for (int j = 0; j < 3; ++j) live.bailRotations[j] = get32(r + 124 + 4 * j) / kFine;
    live.chuteOpened = get32(r + 136) != 0;
    a.GuyBailedOut = get32(r + 140) != 0 ? 1 : 0;
    for (int i = 0; i < kParts; ++i) {
        const uint8_t* p = r + kPartsAt + kPartBytes * i;
        for (int j = 0; j < 3; ++j) own.parts[i].Position[j] = get32(p + 4 * j);
        for (int j = 0; j < 4; ++j) own.parts[i].QAttitude[j] = get32(p + 12 + 4 * j) / kFine;
        for (int j = 0; j < 3; ++j) own.partSpeeds[i][j] = get32(p + 28 + 4 * j) / kFine;
    }
}

void FlyableAircraft::prepareForReplayStart(int32_t missionTime) {
    if (ReplayFlag) return;  // already aside: a second copy would keep the replay's state
    ReplayThisAircraft = ThisAircraft;
    ReplayLive = {.live = own, .pilot = PilotAttitude, .tensor = iTensor, .lastKnownGameTime = LastKnownGameTime};
    ZephModel::prepareForReplayStart(missionTime);
    ReplayFlag = true;
    own.gunsOnAt = 0;  // no burst runs on into the replay, where it could jam the guns
}

void FlyableAircraft::recoverFromReplay(int32_t missionTime) {
    if (!ReplayFlag) return;
    ThisAircraft = ReplayThisAircraft;
    ThisAircraft.Shape = own.surfaces.data();
    own = ReplayLive.live;
    PilotAttitude = ReplayLive.pilot;
    iTensor = ReplayLive.tensor;
    LastKnownGameTime = ReplayLive.lastKnownGameTime;
    ZephModel::recoverFromReplay(missionTime);
    ReplayFlag = false;
}

}  // namespace pellam
