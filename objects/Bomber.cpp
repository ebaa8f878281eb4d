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
    DrivePathStart = CurrentDrivePath = firstPoint >= 0 && firstPoint < kPathPoints ? firstPoint : 0;
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
    o.WhoKilledMe = -1;
    if (ZephModel* ground = terrain()) setObjectFlatOnGround(ground, o.InitialHeading);
    Gunner.resetGunItems();
    Gunner.own.fire.NumberOfBombs = kBombLoad;
    Gunner.Falling = false;
    ArrivedAtPointTime = 0;
    CurrentDrivePath = 0;
    CurrentPitch = CurrentBank = 0;
    CurrentHeading = o.InitialHeading / kDegrees;
    CurrentSpeed = FallSpeed = ClosestApproach = RandomDelayValue = 0;
    WasGettingCloser = AlreadyKnowWereDead = false;
    BombDropTime = 0;
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
    GlobalTime = t;
    ZephModel* ground = terrain();
    Object3DData& o = ThisModel.TheObject;
    if (!areYouDead()) {
        if (!wayPoint(CurrentDrivePath)) {
            CurrentDrivePath = 0;
            parked(ground);
        } else {
            MoveThisAircraftinReplay(inReplay);
            // Once a tick, whether the way points or the bombing run flew the bomber.
            Gunner.handleFiringGuns(*this, o, t, inReplay);
        }
    } else if (o.GlobalDeadTime != 0 && o.GlobalDeadTime <= t) {
        falling(ground);
    }
    replayStep(inReplay);
    placeMatrix();
}

void AircoDH4::replayStep(bool inReplay) {
    if (inReplay) readCurrentReplayData(gtime);
    else saveCurrentReplayData(gtime);
}

bool AircoDH4::settle(ZephModel* ground) {
    const bool on = ground && setObjectFlatOnGround(ground, CurrentHeading * kDegrees);
    ThisModel.TheObject.Heading = CurrentHeading * kDegrees;
    return on;
}

void AircoDH4::parked(ZephModel* ground) {
    CurrentSpeed = std::max(0.0, CurrentSpeed - kSpeedStep);
    bool relax = !settle(ground);
    if (relax) {
        FallSpeed = std::min(FallSpeed + kGravity, kMaxFall);  // grows, but a parked bomber never sinks
    } else {
        FallSpeed = 0;
        CurrentSpeed = 0;
        relax = settle(ground);
    }
    if (relax) {
        CurrentPitch += wrap(kSitPitch - CurrentPitch) * 0.01;
        CurrentBank += wrap(0.0 - CurrentBank) * 0.05;
    }
    moveThisGuyWithClimbDive(0.0);
}

bool AircoDH4::holding(const aiFlyToPoint& p) {
    const auto [hi, lo] = targetWords(p.PSTargets);
    if (hi != 0 || lo == 0) return false;
    if (RandomDelayValue == 0.0) {
        const double y = p.PointXYZ[1];
        const double f = std::isfinite(y) ? std::fabs((y - std::trunc(y)) * 1000.0) : 0.0;
        if (f != 0.0) {
            RandomDelayValue = getDoubleRandomFrom(-f, f);
            // The offset never takes the hold below one second.
            if (RandomDelayValue < 0.0 && -RandomDelayValue > lo - 1) RandomDelayValue = -(lo - 1);
        }
    }
    return gtime - ArrivedAtPointTime < static_cast<int32_t>(std::trunc((lo + RandomDelayValue) * 60.0));
}

void AircoDH4::hold(ZephModel* ground) {
    CurrentSpeed = std::max(0.0, CurrentSpeed - kSpeedStep);
    const bool on = settle(ground);
    CurrentPitch += wrap(kSitPitch - CurrentPitch) * 0.01;
    CurrentBank += wrap(0.0 - CurrentBank) * 0.05;
    ModelAttitude.QAttitude = {1, 0, 0, 0};
    rotateHeadingByDegrees(CurrentHeading * kDegrees);
    rotatePitchByDegrees(-CurrentPitch * kDegrees);
    rotateBankByDegrees(CurrentBank * kDegrees);
    if (on)
        for (int k = 0; k < 3; ++k) ModelAttitude.Position[k] += WindVector[k];
}

void AircoDH4::MoveThisAircraftinReplay(bool) {
    const aiFlyToPoint* p = wayPoint(CurrentDrivePath);
    if (!p) return;
    if (holding(*p)) {
        hold(terrain());
        return;
    }
    if (CurrentSpeed < kCruise) CurrentSpeed += kSpeedStep;
    if (CurrentSpeed < 0.0) CurrentSpeed = 0.0;
    if (doBombing()) {
        for (int k = 0; k < 3; ++k) ModelAttitude.Position[k] += WindVector[k];
        return;
    }
    flyToward(*p);
}

void AircoDH4::flyToward(const aiFlyToPoint& p) {
    auto& pos = ModelAttitude.Position;
    const double dx = p.PointXYZ[0] - pos[0], dy = p.PointXYZ[1] - pos[1], dz = p.PointXYZ[2] - pos[2];
    double d = std::sqrt(dx * dx + dz * dz);
    if (d < ClosestApproach) WasGettingCloser = true;
    if (d < ClosestApproach || ClosestApproach == 0.0) ClosestApproach = d;
    else if (d - ClosestApproach > 10.0 && WasGettingCloser) d = 5.0;  // passed it
    if (d < 12.0) {
        // A link outside the table ends the path: the bomber stops where it is.
        const int32_t next = p.NextPoint;
        CurrentDrivePath = next >= -1 && next < kPathPoints ? next + 1 : 0;
        ClosestApproach = 0.0;
        WasGettingCloser = false;
        RandomDelayValue = 0.0;
    }
    const bool high = ObjectGroundAltitude < pos[1] - 10.0;
    const double target = std::atan2(dx, dz);
    const double e = std::clamp(wrap(target - CurrentHeading), -0.8, 0.8);
    MoveA(&CurrentHeading, target, high ? 0.2 : 1.0);
    CurrentBank += wrap(-e - CurrentBank) * 0.01;
    CurrentBank = std::clamp(CurrentBank, -kBankLimit, kBankLimit);
    const double c = dy > 1.0 ? 0.22 : dy < -1.0 ? -0.22 : dy * 0.01;
    if (high) {
        CurrentPitch += wrap(std::atan2(c, CurrentSpeed) - CurrentPitch) * 0.01;
    } else {
        CurrentPitch += wrap((c <= 0.1 ? kSitPitch : 0.0) - CurrentPitch) * 0.01;
        CurrentBank += wrap(0.0 - CurrentBank) * 0.05;
    }
    CurrentPitch += wrap(std::atan2(c, CurrentSpeed) - CurrentPitch) * 0.01;
    MoveA(&CurrentBank, 0.0, 0.1);
    moveThisGuyWithClimbDive(c);
    for (int k = 0; k < 3; ++k) pos[k] += WindVector[k];
}

void AircoDH4::moveThisGuyWithClimbDive(double climb) {
    ModelAttitude.QAttitude = {1, 0, 0, 0};
    rotateHeadingByDegrees(CurrentHeading * kDegrees);
    rotatePitchByDegrees(CurrentPitch * -kDegrees);
    rotateBankByDegrees(CurrentBank * kDegrees);
    auto& p = ModelAttitude.Position;
    p[0] += std::sin(CurrentHeading) * CurrentSpeed;
    p[1] += climb;
    p[2] += std::cos(CurrentHeading) * CurrentSpeed;
}

void AircoDH4::falling(ZephModel* ground) {
    if (CurrentSpeed < kCruise) CurrentSpeed += kSpeedStep;
    else if (CurrentSpeed > 1.9) CurrentSpeed -= kSpeedStep;
    if (!settle(ground)) {
        FallSpeed = std::min(FallSpeed + kGravity, kMaxFall);
        aircraftSmoke();
        CurrentPitch += wrap(std::atan2(-FallSpeed, CurrentSpeed) - CurrentPitch) * 0.1;
        MoveA(&CurrentBank, 0.0, 0.1);
        moveThisGuyWithClimbDive(-FallSpeed);
        return;
    }
    FallSpeed = 0;
    CurrentSpeed = 0;
    settle(ground);
    if (!AlreadyKnowWereDead) {
        AlreadyKnowWereDead = true;
        if (aController) {
            double at[3] = {ModelAttitude.Position[0], ModelAttitude.Position[1], ModelAttitude.Position[2]};
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
    if (dead == 0 || GlobalTime - dead > kSmokeFor) return;
    const double r1 = GetLongRandomFrom(-32768, 32767) / 32768.0, r2 = GetLongRandomFrom(-32768, 32767) / 32768.0;
    const double offset[3] = {2.0 * r1, r2 + 6.0, -23.0};  // behind the tail
    Gunner.addWreckPuff(*this, offset, GlobalTime,
                        GlobalTime - dead > kSmokeFor / 2 ? model::kBlueSmokeMap : model::kFireMap);
}

// ---- Drawing.

OneCompleteObjectVer2* AircoDH4::getDrawingData(int32_t t) {
    placeMatrix();
    GlobalTime = t;
    const auto& pos = ModelAttitude.Position;
    ZephModel* ground = terrain();
    const double g = (ground ? ground->getAltitudeAtX(pos[0], pos[2]) : 0.0) + kWheelHeight;
    ObjectPointsPolysVer2& geometry = ModelPointsPolys();
    OnePolygonVer2* poly = geometry.ThePolygons;
    auto show = [poly](int k, bool shown) {
        if (shown) poly[k].DrawHints &= ~effects::kSkip;
        else poly[k].DrawHints |= effects::kSkip;
    };
    if (!areYouDead()) {
        show(model::kScar, false);
        const bool spinning = CurrentSpeed != 0.0;
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
    // A living bomber is drawn with its wheels on the ground, never below it; where it is for
    // the simulation does not change.
    if (!areYouDead() && pos[1] < g) ThisModel.ObjectMatrix[13] = g;
    if (const armed::DrawingHooks* hooks = armed::drawingHooks()) hooks->object(*this);
    return nullptr;
}

void AircoDH4::drawMySmokeItems() {
    armed::drawGunnerSmokes(*this, Gunner, GlobalTime, ThisModel.TheObject.GlobalDeadTime != 0);
}

// ---- Replay.

void AircoDH4::prepareForReplayStart(int32_t t) {
    ReplayState.gunner = Gunner.own;
    PutAside& k = ReplayState;
    k.drivePath = CurrentDrivePath, k.arrived = ArrivedAtPointTime, k.bombDrop = BombDropTime;
    k.speed = CurrentSpeed, k.fall = FallSpeed, k.pitch = CurrentPitch, k.bank = CurrentBank;
    k.heading = CurrentHeading, k.closest = ClosestApproach, k.delay = RandomDelayValue;
    k.closer = WasGettingCloser, k.knowDead = AlreadyKnowWereDead;
    ZephModel::prepareForReplayStart(t);
}

void AircoDH4::recoverFromReplay(int32_t t) {
    Gunner.own = ReplayState.gunner;
    const PutAside& k = ReplayState;
    CurrentDrivePath = k.drivePath, ArrivedAtPointTime = k.arrived, BombDropTime = k.bombDrop;
    CurrentSpeed = k.speed, FallSpeed = k.fall, CurrentPitch = k.pitch, CurrentBank = k.bank;
    CurrentHeading = k.heading, ClosestApproach = k.closest, RandomDelayValue = k.delay;
    WasGettingCloser = k.closer, AlreadyKnowWereDead = k.knowDead;
    ZephModel::recoverFromReplay(t);
    placeMatrix();
}

namespace {
int32_t thousandths(double v) { return static_cast<int32_t>(v * 1000.0); }
}  // namespace

void AircoDH4::saveCurrentReplayData(int32_t t) {
    uint8_t* r = Replay.saving(t, ReplaySaveTime);
    if (!r) return;
    ReplayRing::putPose(r, ModelAttitude.Position, ModelAttitude.QAttitude);
    ReplayRing::put32(r, 4 * 8, CurrentDrivePath);
    ReplayRing::put32(r, 4 * 9, thousandths(CurrentSpeed));
    ReplayRing::put32(r, 4 * 10, thousandths(FallSpeed));
    ReplayRing::put32(r, 4 * 11, ArrivedAtPointTime);
    ReplayRing::put32(r, 4 * 12, thousandths(CurrentPitch));
    ReplayRing::put32(r, 4 * 13, thousandths(CurrentBank));
    ReplayRing::put32(r, 4 * 14, thousandths(CurrentHeading));
    ReplayRing::put32(r, 4 * 15, BombDropTime);
    ReplayRing::put32(r, 4 * 16, Gunner.own.lastFire);
}

void AircoDH4::readCurrentReplayData(int32_t t) {
    const uint8_t* r = Replay.reading(t);
    if (!r) return;
    ReplayRing::getPose(r, ModelAttitude.Position, ModelAttitude.QAttitude);
    // A record names a way point within the table or none.
    const int32_t path = ReplayRing::get32(r, 4 * 8);
    CurrentDrivePath = path >= 0 && path <= kPathPoints ? path : 0;
    CurrentSpeed = ReplayRing::get32(r, 4 * 9) / 1000.0;
    FallSpeed = ReplayRing::get32(r, 4 * 10) / 1000.0;
    ArrivedAtPointTime = ReplayRing::get32(r, 4 * 11);
    CurrentPitch = ReplayRing::get32(r, 4 * 12) / 1000.0;
    CurrentBank = ReplayRing::get32(r, 4 * 13) / 1000.0;
    CurrentHeading = ReplayRing::get32(r, 4 * 14) / 1000.0;
    BombDropTime = ReplayRing::get32(r, 4 * 15);
    Gunner.own.lastFire = ReplayRing::get32(r, 4 * 16);
}

}  // namespace pellam
