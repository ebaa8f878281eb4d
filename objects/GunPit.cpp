#include "objects/GunPit.h"

#include <algorithm>
#include <cmath>

#include "flight/FlightModel.h"
#include "objects/ArmedDrawingHooks.h"
#include "objects/ArmedModels.h"
#include "objects/EffectModel.h"

namespace pellam {
namespace {

using armed::pit::kBursts;
using armed::pit::kFlashes;

const ObjectHeaderTable kFlakHeader{"AAAGunWWI", 0x420, 0, {}, 0, 0, 0, 20000, 100000, -10000, 15000};
const ObjectHeaderTable kPostHeader{"AAAMachineGunWWI", 0x420, 0, {}, 0, 0, 0, 20000, 100000, -10000, 15000};
const TableName kFlakMaps[] = {{"Grass@"}, {"Canvas@"}, {"AAAFireSmokeN"}, {"AAASmokeN"}, {"EarthN"}, {"RoofD"},
                               {"BlueSmokeN"}, {"Earth2N"}, {"Earth3N"}, {kEndOfNameList}};
const TableName kPostMaps[] = {{"Dirt@"},      {"Canvas@"}, {"AAAFireSmokeN"}, {"AAASmokeN"},
                               {"EarthN"},     {"RoofD"},   {"BlueSmokeN"},    {"Earth2N"},
                               {"Earth3N"},    {"BlueSmokeN"}, {"TracerBulletN"}, {kEndOfNameList}};
const TableName kFlakItems[] = {{"AAAGunWWIFilePP"}, {"kStartOfDeadOnGroundList"}, {"SmallDeadBuildingTFPP"},
                                {kEndOfNameList}};
const TableName kPostItems[] = {{"AAAMachineGunWWIFilePP"}, {"kStartOfDeadOnGroundList"},
                                {"SmallDeadBuildingTFPP"}, {kEndOfNameList}};

const GunnerStyle kPostGunner{9, 10, -1, -1, 60, {0, 3, 0}, {0, 0, 30}, false};

ModelTables pitTables(const ObjectHeaderTable* header, const char* name, const TableName* maps,
                      const TableName* items) {
    ModelTables t = effects::meshTables(header, name, maps, armed::gunPitMesh());
    t.Items = items;
    return t;
}

// Corner offsets of the square facing the eye; without a view, a square across X and Y.
void facing(TableModel& owner, const double* centre, XYZInput* four) {
    const armed::DrawingHooks* hooks = armed::drawingHooks();
    if (hooks && hooks->facingSquare(owner, centre, four)) return;
    static constexpr double c[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k) {
        four[k].MyX = c[k][0];
        four[k].MyY = c[k][1];
        four[k].MyZ = 0;
    }
}

}  // namespace

// ---- The pit.

void GunPit::setClassValues() {
    unitValues({-9, 9, 0, 9, -9, 9}, 15.0f, 150.0f, 50, 8);
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    g.NumberOfSizeSquares = 1;
    g.SizeSquare[0] = {-25, 0, -25, 25, 15, 25, 0, 0, 0, 0, 0, 0};
    PitchModelAttitude.QAttitude = {1, 0, 0, 0};
    TowerPosition = {0, 16, 24};
}

void GunPit::resetModel() {
    ZephModel::resetModel();
    const double r = GetDoubleRandom0to1();
    DeadTexture = r > 0.66 ? 7 : r < 0.34 ? 8 : 4;
    Object3DData& o = ThisModel.TheObject;
    o.GlobalDeadTime = 0;
    o.ObjectHits = 0;
    o.WhoKilledMe = -1;
    OptionalModelAttitude[0] = live.attitude;
    OptionalModelAttitude[1] = live.attitude;
    OptionalModelAttitude[1].Position[1] += pivot();
    effects::poseMatrix(live.attitude.QAttitude.data(), live.attitude.Position.data(), ThisModel.ObjectMatrix);
    ThisModel.OptionalObjectMatrix[0] = ThisModel.ObjectMatrix;
    ThisModel.OptionalObjectMatrix[1] = ThisModel.ObjectMatrix;
    if (ZephModel* ground = terrain()) setObjectFlatOnGround(ground, o.InitialHeading);
    placeMatrix();
    Replay.clear();
}

void GunPit::setOPPHeading(double) {
    ThisModel.TheObject.Heading = 0.0;
    ThisModel.TheObject.InitialHeading = 0.0;
}

void GunPit::callEveryTick(bool running, int32_t t, bool inReplay) {
    live.globalTime = t;
    if (!running) return;  // paused: nothing moves and nothing is recorded
    if (!areYouDead()) {
        fire(t, inReplay);
        aim();
    }
    if (inReplay) readCurrentReplayData(t);
    else saveCurrentReplayData(t);
}

void GunPit::aim() {
    const int16_t slot = trackedSlot();
    ModelArray* models = aController ? aController->getModelArray() : nullptr;
    if (!models || slot < 0 || slot >= ModelArray::kAircraftSlots) return;
    ZephModel* craft = models->at(ModelArray::kFirstAircraft + slot);
    if (!craft) return;
    QNion pose;
    craft->getModelPositionQNion(&pose);
    const double d[3] = {pose.Position[0] - live.attitude.Position[0], pose.Position[1] - live.attitude.Position[1],
                         pose.Position[2] - live.attitude.Position[2]};
    const double h = std::atan2(d[0], d[2]);
    OptionalModelAttitude[0].QAttitude = {std::cos(-h / 2), 0, std::sin(-h / 2), 0};
    const double e = std::max(0.0, std::atan2(d[1], std::hypot(d[0], d[2])));
    PitchModelAttitude.QAttitude = {std::cos(e / 2), std::sin(e / 2), 0, 0};
}

double GunPit::turretHeading() const {
    const auto& q = OptionalModelAttitude[0].QAttitude;
    return -2.0 * std::atan2(q[2], q[0]);
}

double GunPit::barrelElevation() const {
    const auto& q = PitchModelAttitude.QAttitude;
    return 2.0 * std::atan2(q[1], q[0]);
}

OneCompleteObjectVer2* GunPit::getDrawingData(int32_t t) {
    prepareSmokeItems(t);
    live.globalTime = t;
    placeMatrix();
    QNion& turret = OptionalModelAttitude[0];
    effects::poseMatrix(turret.QAttitude.data(), turret.Position.data(), ThisModel.OptionalObjectMatrix[0]);
    QNion& barrel = OptionalModelAttitude[1];
    multQnions(&PitchModelAttitude, &turret, &barrel);
    effects::poseMatrix(barrel.QAttitude.data(), barrel.Position.data(), ThisModel.OptionalObjectMatrix[1]);
    OnePolygonVer2* poly = ModelPointsPolys().ThePolygons;
    if (areYouDead()) {
        poly[armed::pit::kPatch].DrawHints &= ~kSkip;
        poly[armed::pit::kPatch].MapNumber = static_cast<int16_t>(DeadTexture);
        poly[armed::pit::kPit].MapNumber = -1;  // the pit, pedestal and gun are gone
    } else {
        poly[armed::pit::kPatch].DrawHints |= kSkip;
        poly[armed::pit::kPit].MapNumber = 0;
    }
    if (const armed::DrawingHooks* hooks = armed::drawingHooks()) hooks->object(*this);
    return nullptr;
}

void GunPit::saveCurrentReplayData(int32_t t) {
    if (!ReplayRing::isRecordTick(t)) return;
    ReplayRing::put32(Replay.recordFor(t), 4, fireGate());
}

void GunPit::readCurrentReplayData(int32_t t) {
    if (!ReplayRing::isRecordTick(t)) return;
    if (const uint8_t* r = Replay.find(t)) fireGate() = ReplayRing::get32(r, 4);
}

// ---- The flak gun.

AAAGunWWI::AAAGunWWI() = default;

const ModelTables& AAAGunWWI::tables() const {
    static const ModelTables t = pitTables(&kFlakHeader, "AAAGunWWIFilePP", kFlakMaps, kFlakItems);
    return t;
}
const TableName* AAAGunWWI::getUsedTextureNames() { return kFlakMaps; }
double AAAGunWWI::pivot() const { return armed::pit::kPivot; }

void AAAGunWWI::setClassValues() {
    GunPit::setClassValues();
    own.fire = ObjectFireData{};
    own.fire.NumberOfAAA = 1;
    own.fire.GunsFrom[0] = {0, 3, 0};
    own.fire.FireDelayTime = 60;
    own.fire.FireDistance = 2500.0f;
    own.fire.Accuracy = 0.3f;
    own.fire.AAAPower = 15.0f;
    own.fire.AAADistance = 150.0f;
}

void AAAGunWWI::resetModel() {
    GunPit::resetModel();
    own.fire.LastFireTime = 0;
    own.fire.TrackingAircraft = -1;
    own.nextBurst = 0;
    own.nextFlash = 0;
    own.bursts.fill(Sprite{});
    own.flashes.fill(Sprite{});
}

void AAAGunWWI::callEveryTick(bool running, int32_t t, bool inReplay) {
    GunPit::callEveryTick(running, t, inReplay);
    if (!running || areYouDead()) return;
    for (Sprite& s : own.bursts)
        for (int k = 0; k < 3; ++k) s.XYZPosition[k] += WindVector[k];
    for (Sprite& s : own.flashes) {
        for (int k = 0; k < 3; ++k) s.XYZPosition[k] += WindVector[k];
        s.XYZPosition[1] += 0.01;
    }
}

void AAAGunWWI::fire(int32_t t, bool inReplay) {
    ModelArray* models = aController ? aController->getModelArray() : nullptr;
    double burst[3];
    // A replay damages nobody and shows no burst. The shot is heard louder the nearer the camera.
    const double* camera = aController ? aController->getWhereCamera() : nullptr;
    if (!shootObjectAAA(&own.fire, models, live.attitude.Position.data(), ThisModel.TheObject.Team, t, inReplay,
                        theSounds, camera, burst)) {
        return;
    }
    Sprite& b = own.bursts[own.nextBurst];
    own.nextBurst = own.nextBurst + 1 >= kBursts ? 0 : own.nextBurst + 1;
    b = Sprite{{burst[0], burst[1], burst[2]}, t, kBurstLife, 2, 25.0};
    Sprite& f = own.flashes[own.nextFlash];
    own.nextFlash = own.nextFlash + 1 >= kFlashes ? 0 : own.nextFlash + 1;
    f = Sprite{{0, 12, 0}, t, kFlashLife, 6, 5.0};
}

std::pair<double, float> AAAGunWWI::burstLook(const Sprite& s, int32_t t) {
    const int32_t a = std::min(t - s.TimeStarted - 7000, 1000);
    if (a <= 0) return {s.SmokeSize, 0.9f};
    return {s.SmokeSize + 45.0 * a / 1000.0, float(0.9 - 0.9 * a / 1000.0)};
}

std::pair<double, float> AAAGunWWI::flashLook(const Sprite& s, int32_t t) {
    const int32_t a = std::min(t - s.TimeStarted - 90, 150);
    if (a <= 0) return {s.SmokeSize, 0.9f};
    return {s.SmokeSize + 5.0 * a / 150.0, float(0.9 - 0.9 * a / 150.0)};
}

void AAAGunWWI::prepareSmokeItems(int32_t t) {
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    double m[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    auto place = [&](Sprite& s, int polygon, int firstPoint, bool burst) {
        OnePolygonVer2& p = g.ThePolygons[polygon];
        if (s.TimeStarted == 0) {
            p.DrawHints |= kSkip;
            return;
        }
        p.DrawHints &= ~kSkip;
        p.MapNumber = s.SmokeColor;
        if (s.SmokeColor == 2) s.SmokeColor = 3;  // the fiery first look only once
        const auto [size, alpha] = burst ? burstLook(s, t) : flashLook(s, t);
        p.PolyColor[3] = alpha;
        double world[3];
        if (burst) {
            world[0] = s.XYZPosition[0], world[1] = s.XYZPosition[1], world[2] = s.XYZPosition[2];
        } else {
            RotateVector(s.XYZPosition.data(), world, m);
            for (int k = 0; k < 3; ++k) world[k] += live.attitude.Position[k];
        }
        XYZInput four[4];
        facing(*this, world, four);
        for (int c = 0; c < 4; ++c) {
            const double off[3] = {four[c].MyX * size, four[c].MyY * size, four[c].MyZ * size};
            double local[3];
            if (burst) {
                const double rel[3] = {off[0] + s.XYZPosition[0] - live.attitude.Position[0],
                                       off[1] + s.XYZPosition[1] - live.attitude.Position[1],
                                       off[2] + s.XYZPosition[2] - live.attitude.Position[2]};
                InverseRotateVector(rel, local, m);
            } else {
                for (int k = 0; k < 3; ++k) local[k] = off[k] + s.XYZPosition[k];
            }
            GLT2FN3FV3FFormat& v = g.ThePoints[firstPoint + c];
            v.X = float(local[0]), v.Y = float(local[1]), v.Z = float(local[2]);
        }
        if (t - s.TimeStarted > s.StaysAlive || s.TimeStarted > t) s.TimeStarted = 0;
    };
    for (int k = 0; k < kBursts; ++k) place(own.bursts[k], k, armed::pit::kFirstBurstPoint + 4 * k, true);
    for (int k = 0; k < kFlashes; ++k) {
        place(own.flashes[k], armed::pit::kFirstFlashPolygon + k, armed::pit::kFirstFlashPoint + 4 * k, false);
    }
}

void AAAGunWWI::exchangeReplayState(bool toReplay) {
    carry(toReplay, own, ReplayState.live);
    carry(toReplay, TimeOfDay, ReplayState.timeOfDay);
}

void AAAGunWWI::prepareForReplayStart(int32_t t) {
    exchangeReplayState(true);
    GunPit::prepareForReplayStart(t);
}

void AAAGunWWI::recoverFromReplay(int32_t t) {
    exchangeReplayState(false);
    GunPit::recoverFromReplay(t);
}

// ---- The machine-gun post.

AAAMachineGunWWI::AAAMachineGunWWI() : Gunner(kPostGunner) {}

const ModelTables& AAAMachineGunWWI::tables() const {
    static const ModelTables t = pitTables(&kPostHeader, "AAAMachineGunWWIFilePP", kPostMaps, kPostItems);
    return t;
}
const TableName* AAAMachineGunWWI::getUsedTextureNames() { return kPostMaps; }
double AAAMachineGunWWI::pivot() const { return armed::pit::kPivot * kScale; }

void AAAMachineGunWWI::beforeLightTexture3DPointChangesFor(ObjectPointsPolysVer2* pp) {
    for (GLT2FN3FV3FFormat* p = pp->ThePoints; p && p->U >= 0; ++p) {
        p->X = float(p->X * kScale);
        p->Y = float(p->Y * kScale);
        p->Z = float(p->Z * kScale);
    }
}

void AAAMachineGunWWI::resetModel() {
    GunPit::resetModel();
    Gunner.resetGunItems();
    Gunner.Falling = false;
}

void AAAMachineGunWWI::fire(int32_t t, bool inReplay) { Gunner.handleFiringGuns(*this, ThisModel.TheObject, t, inReplay); }

void AAAMachineGunWWI::prepareSmokeItems(int32_t) {
    // The post has no shell bursts or flashes: their quads stay hidden.
    OnePolygonVer2* poly = ModelPointsPolys().ThePolygons;
    for (int k = 0; k < kBursts + kFlashes; ++k) poly[k].DrawHints |= kSkip;
}

void AAAMachineGunWWI::drawMySmokeItems() {
    armed::drawGunnerSmokes(*this, Gunner, live.globalTime, false);
}

// Unlike the flak gun the post also puts its bullets in flight, its fire gate and its puff ring
// aside, so a replay's shots never outlive it.
void AAAMachineGunWWI::exchangeReplayState(bool toReplay) {
    carry(toReplay, Gunner.own, ReplayState.gunner);
    carry(toReplay, TimeOfDay, ReplayState.timeOfDay);
}

void AAAMachineGunWWI::prepareForReplayStart(int32_t t) {
    exchangeReplayState(true);
    GunPit::prepareForReplayStart(t);
}

void AAAMachineGunWWI::recoverFromReplay(int32_t t) {
    exchangeReplayState(false);
    GunPit::recoverFromReplay(t);
}

}  // namespace pellam
