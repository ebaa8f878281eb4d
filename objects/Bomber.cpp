#include "objects/Bomber.h"

#include <algorithm>
#include <cmath>

#include "flight/AIRecords.h"
#include "flight/AiPilot.h"
#include "objects/ArmedDrawingHooks.h"
#include "objects/BomberModel.h"
#include "objects/EffectModel.h"

namespace pellam {
namespace {

namespace model = armed::bomber;

constexpr double kDegrees = 57.29577951;

const ObjectHeaderTable kHeader{"AircoDH4", 0xC20, 0, {}, 0, 0, 0, 42240, 47520, -250, 26400};
const TableName kMaps[] = {{"PropDisk2N"},  {"BlueSmokeN"}, {"TracerBulletN"}, {"EarthN"},
                           {"BlackSmokeN"}, {"AAAFireSmokeN"}, {"AircoDH4AL"}, {"Pilot1L"},
                           {"AircoDH4AL"},  {"AircoDH4BL"},   {kEndOfNameList}};
const TableName kItems[] = {{"AircoDH4FilePP"}, {"kStartOfDeadOnGroundList"}, {"SmallDeadBuildingTFPP"},
                            {kEndOfNameList}};
// The rear gunner: the balloon basket's gun, mounted 4 ft up and 4 ft behind the reference point.
const GunnerStyle kRearGunner{model::kBlueSmokeMap, model::kTracerMap, model::kBlackSmokeMap, model::kFireMap, 180,
                              {0, 4, -4}, {0, 0, -12}, true};

}  // namespace

double AircoDH4::wrap(double a) {
    if (a > 3.14) a -= 6.28;
    if (a < -3.14) a += 6.28;
    return a;
}

std::array<int32_t, 2> AircoDH4::targetWords(double v) {
    // Anything but a whole 32-bit count from the mission file names nothing.
    if (!(v >= 0.0 && v < 4294967296.0)) return {0, 0};
    const auto whole = static_cast<uint32_t>(v);
    return {static_cast<int32_t>(whole >> 16), static_cast<int32_t>(whole & 0xFFFF)};
}

// ---- Set-up.

AircoDH4::AircoDH4() : Gunner(kRearGunner) { TowerPosition = {0, -50, -15}; }

const ModelTables& AircoDH4::tables() const {
    static const ModelTables t = [] {
        ModelTables m = effects::meshTables(&kHeader, "AircoDH4FilePP", kMaps, model::bomberMesh());
        m.Items = kItems;
        return m;
    }();
    return t;
}

const TableName* AircoDH4::getUsedTextureNames() { return kMaps; }

void AircoDH4::setClassValues() {
    unitValues({-3, 3, -7, 7, -20, 10}, 12.0f, 100.0f, 250, 16);
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    g.NumberOfSizeSquares = 1;
    g.SizeSquare[0] = {-16, -5, -20, 16, 5, 9, 0, 0, 0, 0, 0, 0};
}

void AircoDH4::setAmerOrBrit(int32_t livery) {
    Livery = livery == kAmericanLivery ? kAmericanLivery : kBritishLivery;
    auto& slots = ModelPointsPolys().MapListOffset;
    slots[model::kAirframeMap] = slots[Livery == kAmericanLivery ? model::kAmericanMap : model::kBritishMap];
}

void AircoDH4::setPathStart(int32_t firstPoint, const aiFlyToPoint* paths) {
    DrivePathStart = own.drivePath = firstPoint >= 0 && firstPoint < kPathPoints ? firstPoint : 0;
    DrivePathsPtr = paths;
}

void AircoDH4::setOPPHeading(double degrees) {
    ThisModel.TheObject.Heading = degrees;
    ThisModel.TheObject.InitialHeading = degrees;
}

void AircoDH4::resetModel() {
    ZephModel::resetModel();
    Object3DData& o = ThisModel.TheObject;
    o.GlobalDeadTime = 0;
    o.ObjectHits = 0;
    if (ZephModel* ground = terrain()) setObjectFlatOnGround(ground, o.InitialHeading);
    Gunner.resetGunItems();
    Gunner.own.fire.NumberOfBombs = kBombLoad;
    Gunner.Falling = false;
    own.arrived = 0;
    own.drivePath = 0;
    own.pitch = own.bank = 0;
    own.heading = o.InitialHeading / kDegrees;
    own.speed = own.fall = own.closest = own.delay = 0;
    own.closer = own.knowDead = false;
    own.bombDrop = 0;
    Replay.clear();
    placeMatrix();
}

const aiFlyToPoint* AircoDH4::wayPoint(int32_t number) const {
    if (!DrivePathsPtr || number < 1 || number > kPathPoints) return nullptr;
    return &DrivePathsPtr[number - 1];
}

// ---- The tick.

void AircoDH4::callEveryTick(bool running, int32_t t, bool inReplay) {
    PropRotation += 0.1;
    if (PropRotation > 3.14159) PropRotation -= 6.283185;
    gtime = t;
    if (!running) return;
    live.globalTime = t;
    ZephModel* ground = terrain();
    Object3DData& o = ThisModel.TheObject;
    if (!areYouDead()) {
        if (!wayPoint(own.drivePath)) {
            own.drivePath = 0;
            parked(ground);
        } else {
            MoveThisAircraftinReplay(inReplay);
            // Once a tick, whether the way points or the bombing run flew the bomber.
            Gunner.handleFiringGuns(*this, o, t, inReplay);
        }
        standOnWheels(ground);
    } else {
        if (o.GlobalDeadTime != 0 && o.GlobalDeadTime <= t) falling(ground);
        // The wreck's smoke drifts with the wind from the bomber's death on, by the tick.
        Gunner.driftWreckSmoke(WindVector.data());
    }
    replayStep(inReplay);
    placeMatrix();
}

void AircoDH4::replayStep(bool inReplay) {
    if (inReplay) readCurrentReplayData(gtime);
    else saveCurrentReplayData(gtime);
}

double AircoDH4::onWheels(ZephModel* ground) const {
    const auto& pos = live.attitude.Position;
    return (ground ? ground->getAltitudeAtX(pos[0], pos[2]) : 0.0) + kWheelHeight;
}

// A living bomber's wheels stand on the ground, never below it. Lifted so, a bomber held on its
// field is more than a foot up and not taken for one on the ground, which the wind blows along.
void AircoDH4::standOnWheels(ZephModel* ground) {
    double& y = live.attitude.Position[1];
    y = std::max(y, onWheels(ground));
}

bool AircoDH4::settle(ZephModel* ground) {
    const bool on = ground && setObjectFlatOnGround(ground, own.heading * kDegrees);
    ThisModel.TheObject.Heading = own.heading * kDegrees;
    return on;
}

void AircoDH4::parked(ZephModel* ground) {
    own.speed = std::max(0.0, own.speed - kSpeedStep);
    bool relax = !settle(ground);
    if (relax) {
        own.fall = std::min(own.fall + kGravity, kMaxFall);  // grows, but a parked bomber never sinks
    } else {
        own.fall = 0;
        own.speed = 0;
        relax = settle(ground);
    }
    if (relax) {
        own.pitch += wrap(kSitPitch - own.pitch) * 0.01;
        own.bank += wrap(0.0 - own.bank) * 0.05;
    }
    moveThisGuyWithClimbDive(0.0);
}

bool AircoDH4::holding(const aiFlyToPoint& p) {
    const auto [hi, lo] = targetWords(p.PSTargets);
    if (hi != 0 || lo == 0) return false;
    if (own.delay == 0.0) {
        const double y = p.PointXYZ[1];
        const double f = std::isfinite(y) ? std::fabs((y - std::trunc(y)) * 1000.0) : 0.0;
        if (f != 0.0) {
            own.delay = getDoubleRandomFrom(-f, f);
            // The offset never takes the hold below one second.
            if (own.delay < 0.0 && -own.delay > lo - 1) own.delay = -(lo - 1);
        }
    }
    return gtime - own.arrived < static_cast<int32_t>(std::trunc((lo + own.delay) * 60.0));
}

void AircoDH4::hold(ZephModel* ground) {
    own.speed = std::max(0.0, own.speed - kSpeedStep);
    const bool on = settle(ground);
    own.pitch += wrap(kSitPitch - own.pitch) * 0.01;
    own.bank += wrap(0.0 - own.bank) * 0.05;
    live.attitude.QAttitude = {1, 0, 0, 0};
    rotateHeadingByDegrees(own.heading * kDegrees);
    rotatePitchByDegrees(-own.pitch * kDegrees);
    rotateBankByDegrees(own.bank * kDegrees);
    if (on)
        for (int k = 0; k < 3; ++k) live.attitude.Position[k] += WindVector[k];
}

void AircoDH4::MoveThisAircraftinReplay(bool) {
    const aiFlyToPoint* p = wayPoint(own.drivePath);
    if (!p) return;
    if (holding(*p)) {
        hold(terrain());
        return;
    }
    if (own.speed < kCruise) own.speed += kSpeedStep;
    if (own.speed < 0.0) own.speed = 0.0;
    if (doBombing()) {
        for (int k = 0; k < 3; ++k) live.attitude.Position[k] += WindVector[k];
        return;
    }
    flyToward(*p);
}

void AircoDH4::flyToward(const aiFlyToPoint& p) {
    auto& pos = live.attitude.Position;
    const double dx = p.PointXYZ[0] - pos[0], dy = p.PointXYZ[1] - pos[1], dz = p.PointXYZ[2] - pos[2];
    double d = std::sqrt(dx * dx + dz * dz);
    if (d < own.closest) own.closer = true;
    if (d < own.closest || own.closest == 0.0) own.closest = d;
    else if (d - own.closest > 10.0 && own.closer) d = 5.0;  // passed it
    if (d < 12.0) {
        // A link outside the table ends the path: the bomber stops where it is.
        const int32_t next = p.NextPoint;
        own.drivePath = next >= -1 && next < kPathPoints ? next + 1 : 0;
        own.closest = 0.0;
        own.closer = false;
        own.delay = 0.0;
    }
    const bool high = ObjectGroundAltitude < pos[1] - 10.0;
    const double target = std::atan2(dx, dz);
    const double e = std::clamp(wrap(target - own.heading), -0.8, 0.8);
    MoveA(&own.heading, target, high ? 0.2 : 1.0);
    own.bank += wrap(-e - own.bank) * 0.01;
    own.bank = std::clamp(own.bank, -kBankLimit, kBankLimit);
    const double c = dy > 1.0 ? 0.22 : dy < -1.0 ? -0.22 : dy * 0.01;
    if (high) {
        own.pitch += wrap(std::atan2(c, own.speed) - own.pitch) * 0.01;
    } else {
        own.pitch += wrap((c <= 0.1 ? kSitPitch : 0.0) - own.pitch) * 0.01;
        own.bank += wrap(0.0 - own.bank) * 0.05;
    }
    own.pitch += wrap(std::atan2(c, own.speed) - own.pitch) * 0.01;
    MoveA(&own.bank, 0.0, 0.1);
    moveThisGuyWithClimbDive(c);
    for (int k = 0; k < 3; ++k) pos[k] += WindVector[k];
}

void AircoDH4::moveThisGuyWithClimbDive(double climb) {
    live.attitude.QAttitude = {1, 0, 0, 0};
    rotateHeadingByDegrees(own.heading * kDegrees);
    rotatePitchByDegrees(own.pitch * -kDegrees);
    rotateBankByDegrees(own.bank * kDegrees);
    auto& p = live.attitude.Position;
    p[0] += std::sin(own.heading) * own.speed;
    p[1] += climb;
    p[2] += std::cos(own.heading) * own.speed;
}

void AircoDH4::falling(ZephModel* ground) {
    if (own.speed < kCruise) own.speed += kSpeedStep;
    else if (own.speed > 1.9) own.speed -= kSpeedStep;
    if (!settle(ground)) {
        own.fall = std::min(own.fall + kGravity, kMaxFall);
        aircraftSmoke();
        own.pitch += wrap(std::atan2(-own.fall, own.speed) - own.pitch) * 0.1;
        MoveA(&own.bank, 0.0, 0.1);
        moveThisGuyWithClimbDive(-own.fall);
        return;
    }
    own.fall = 0;
    own.speed = 0;
    settle(ground);
    if (!own.knowDead) {
        own.knowDead = true;
        if (aController) {
            double at[3] = {live.attitude.Position[0], live.attitude.Position[1], live.attitude.Position[2]};
            aController->startAnExplosion(at);
            aController->doExplosionSound(at);
        }
    }
    rotatePitchByDegrees(70.0);
    layScar();
}

void AircoDH4::layScar() {
    // Under a wreck standing on its nose at 70 degrees the scar is laid back to the level.
    GLT2FN3FV3FFormat* p = ModelPointsPolys().ThePoints + model::kFirstScarPoint;
    const double a = 70.0 / kDegrees;
    const double xs[4] = {-30, 30, 30, -30}, ss[4] = {30, 30, -30, -30};
    for (int k = 0; k < 4; ++k) {
        p[k].X = static_cast<float>(xs[k]);
        p[k].Y = static_cast<float>(0.5 * std::cos(-a) + ss[k] * std::sin(a));
        p[k].Z = static_cast<float>(0.5 * std::sin(-a) + ss[k] * std::cos(-a));
    }
}

void AircoDH4::aircraftSmoke() {
    const int32_t dead = ThisModel.TheObject.GlobalDeadTime;
    if (dead == 0 || live.globalTime - dead > kSmokeFor) return;
    const double r1 = GetLongRandomFrom(-32768, 32767) / 32768.0, r2 = GetLongRandomFrom(-32768, 32767) / 32768.0;
    const double offset[3] = {2.0 * r1, r2 + 6.0, -23.0};  // behind the tail
    Gunner.addWreckPuff(*this, offset, live.globalTime,
                        live.globalTime - dead > kSmokeFor / 2 ? model::kBlueSmokeMap : model::kFireMap);
}

// ---- Drawing.

OneCompleteObjectVer2* AircoDH4::getDrawingData(int32_t t) {
    placeMatrix();
    live.globalTime = t;
    const auto& pos = live.attitude.Position;
    const double g = onWheels(terrain());
    ObjectPointsPolysVer2& geometry = ModelPointsPolys();
    OnePolygonVer2* poly = geometry.ThePolygons;
    auto show = [poly](int k, bool shown) {
        if (shown) poly[k].DrawHints &= ~kSkip;
        else poly[k].DrawHints |= kSkip;
    };
    if (!areYouDead()) {
        show(model::kScar, false);
        const bool spinning = own.speed != 0.0;
        show(model::kDisc, spinning);
        show(model::kBladeA, !spinning);
        show(model::kBladeB, !spinning);
        const GLT2FN3FV3FFormat* table = model::bomberMesh().points.data() + model::kFirstDiscPoint;
        GLT2FN3FV3FFormat* disc = geometry.ThePoints + model::kFirstDiscPoint;
        const double c = std::cos(PropRotation), s = std::sin(PropRotation);
        for (int k = 0; k < 4; ++k) {
            const double y = table[k].Y - model::kHubY;
            disc[k].X = static_cast<float>(table[k].X * c - y * s);
            disc[k].Y = static_cast<float>(table[k].X * s + y * c + model::kHubY);
        }
    } else {
        show(model::kDisc, false);
        if (pos[1] <= g) show(model::kScar, true);
    }
    // Before its first tick a living bomber is drawn with its wheels on the ground too.
    if (!areYouDead() && pos[1] < g) ThisModel.ObjectMatrix[13] = g;
    if (const armed::DrawingHooks* hooks = armed::drawingHooks()) hooks->object(*this);
    return nullptr;
}

void AircoDH4::drawMySmokeItems() {
    armed::drawGunnerSmokes(*this, Gunner, live.globalTime, ThisModel.TheObject.GlobalDeadTime != 0);
}

// ---- Replay.

void AircoDH4::prepareForReplayStart(int32_t t) {
    ReplayState = {.gunner = Gunner.own, .live = own};
    ZephModel::prepareForReplayStart(t);
}

void AircoDH4::recoverFromReplay(int32_t t) {
    Gunner.own = ReplayState.gunner;
    own = ReplayState.live;
    ZephModel::recoverFromReplay(t);
    placeMatrix();
}

namespace {
int32_t thousandths(double v) { return static_cast<int32_t>(v * 1000.0); }
}  // namespace

void AircoDH4::saveCurrentReplayData(int32_t t) {
    uint8_t* r = Replay.saving(t, ReplaySaveTime);
    if (!r) return;
    ReplayRing::putPose(r, live.attitude.Position, live.attitude.QAttitude);
    ReplayRing::put32(r, 4 * 8, own.drivePath);
    ReplayRing::put32(r, 4 * 9, thousandths(own.speed));
    ReplayRing::put32(r, 4 * 10, thousandths(own.fall));
    ReplayRing::put32(r, 4 * 11, own.arrived);
    ReplayRing::put32(r, 4 * 12, thousandths(own.pitch));
    ReplayRing::put32(r, 4 * 13, thousandths(own.bank));
    ReplayRing::put32(r, 4 * 14, thousandths(own.heading));
    ReplayRing::put32(r, 4 * 15, own.bombDrop);
    ReplayRing::put32(r, 4 * 16, Gunner.own.lastFire);
}

void AircoDH4::readCurrentReplayData(int32_t t) {
    const uint8_t* r = Replay.reading(t);
    if (!r) return;
    ReplayRing::getPose(r, live.attitude.Position, live.attitude.QAttitude);
    // A record names a way point within the table or none.
    const int32_t path = ReplayRing::get32(r, 4 * 8);
    own.drivePath = path >= 0 && path <= kPathPoints ? path : 0;
    own.speed = ReplayRing::get32(r, 4 * 9) / 1000.0;
    own.fall = ReplayRing::get32(r, 4 * 10) / 1000.0;
    own.arrived = ReplayRing::get32(r, 4 * 11);
    own.pitch = ReplayRing::get32(r, 4 * 12) / 1000.0;
    own.bank = ReplayRing::get32(r, 4 * 13) / 1000.0;
    own.heading = ReplayRing::get32(r, 4 * 14) / 1000.0;
    own.bombDrop = ReplayRing::get32(r, 4 * 15);
    Gunner.own.lastFire = ReplayRing::get32(r, 4 * 16);
}

}  // namespace pellam
