#include "objects/Balloon.h"

#include <cmath>

#include "objects/ArmedDrawingHooks.h"
#include "objects/ArmedModels.h"
#include "objects/EffectModel.h"

namespace pellam {
namespace {

constexpr int16_t kEnvelopeMap = 0, kEarthMap = 3, kBurntMap = 6;

const GunnerStyle kBasketGunner{1, 2, 4, 5, 180, {0, -54, -14}, {0, 0, -12}, true};

const ObjectHeaderTable kHeaderG{"BalloonWWI", 0xC20, 0, {}, 0, 0, 0, 42240, 47520, -250, 26400};
const ObjectHeaderTable kHeaderA{"BalloonAWWI", 0xC20, 0, {}, 0, 0, 0, 42240, 47520, -250, 26400};
const TableName kMapsG[] = {{"ObBalloonGM"}, {"BlueSmokeN"}, {"TracerBulletN"}, {"EarthN"},
                            {"BlackSmokeN"}, {"AAAFireSmokeN"}, {"ObBalloon2GM"}, {kEndOfNameList}};
const TableName kMapsA[] = {{"ObBalloonAM"}, {"BlueSmokeN"}, {"TracerBulletN"}, {"EarthN"},
                            {"BlackSmokeN"}, {"AAAFireSmokeN"}, {"ObBalloon2AM"}, {kEndOfNameList}};
const TableName kItemsG[] = {{"BalloonWWIFilePP"}, {"kStartOfDeadOnGroundList"}, {"SmallDeadBuildingTFPP"},
                             {kEndOfNameList}};
const TableName kItemsA[] = {{"BalloonAWWIFilePP"}, {"kStartOfDeadOnGroundList"}, {"SmallDeadBuildingTFPP"},
                             {kEndOfNameList}};

ModelTables balloonTables(const ObjectHeaderTable* header, const char* name, const TableName* maps,
                          const TableName* items) {
    const armed::Mesh& m = armed::balloonMesh();
    ModelTables t = effects::meshTables(header, name, maps, m);
    t.Items = items;
    return t;
}

double wrap180(double a) {
    if (a > 180.0) a -= 360.0;
    if (a < -180.0) a += 360.0;
    return a;
}

}  // namespace

BalloonWWI::BalloonWWI() : Gunner(kBasketGunner) {}

const ModelTables& BalloonWWI::tables() const {
    static const ModelTables t = balloonTables(&kHeaderG, "BalloonWWIFilePP", kMapsG, kItemsG);
    return t;
}
const TableName* BalloonWWI::maps() const { return kMapsG; }
const TableName* BalloonWWI::getUsedTextureNames() { return maps(); }

const ModelTables& BalloonAWWI::tables() const {
    static const ModelTables t = balloonTables(&kHeaderA, "BalloonAWWIFilePP", kMapsA, kItemsA);
    return t;
}
const TableName* BalloonAWWI::maps() const { return kMapsA; }

void BalloonWWI::setClassValues() {
    Object3DData& o = ThisModel.TheObject;
    o.HitSquare = {-7, 7, -7, 7, -30, 30};
    o.ObjectHitsWhenDead = 7.0f;
    o.BlastDistance = 100.0f;
    o.CurrentAnimateItem = 0;
    o.AnimateFrameTime = 3;
    o.AnimateItems.fill(kItemEndOfList);
    o.AnimateItems[0] = 0;
    o.PointsAwarded = 250;
    o.Category = 17;
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    g.NumberOfSizeSquares = 2;
    g.SizeSquare[0] = {-16, -16, -45, 16, 16, 49, 0, 0, 0, 0, 0, 0};  // the envelope
    g.SizeSquare[1] = {-10, -60, -25, 10, -16, -5, 0, 0, 0, 0, 0, 0};  // rigging and basket
    armed::standardMaterials(g);
}

void BalloonWWI::resetModel() {
    ZephModel::resetModel();
    ThisModel.TheObject.GlobalDeadTime = 0;
    ThisModel.TheObject.ObjectHits = 0;
    ThisModel.TheObject.WhoKilledMe = -1;
    if (aController) {
        if (ModelArray* models = aController->getModelArray()) {
            if (ZephModel* terrain = models->at(ModelArray::kTerrain)) {
                setObjectFlatOnGround(terrain, ThisModel.TheObject.InitialHeading);
            }
        }
    }
    Gunner.resetGunItems();
    Gunner.Falling = false;
    Replay.clear();
    effects::poseMatrix(ModelAttitude.QAttitude.data(), ModelAttitude.Position.data(), ThisModel.ObjectMatrix);
}

double BalloonWWI::windHeading(double windDirection) { return wrap180(windDirection + 180.0); }

void BalloonWWI::callEveryTick(bool running, int32_t t, bool inReplay) {
    if (!running) return;
    GlobalTime = t;
    Object3DData& o = ThisModel.TheObject;
    if (!areYouDead()) {
        const double e = wrap180(o.Heading - windHeading(WindDirection));
        o.Heading -= kTurn * e;
        setHeading(o.Heading);
        if (CanShoot) Gunner.handleFiringGuns(*this, o, t, inReplay);
    } else {
        ModelArray* models = aController ? aController->getModelArray() : nullptr;
        ZephModel* terrain = models ? models->at(ModelArray::kTerrain) : nullptr;
        auto& p = ModelAttitude.Position;
        const double ground = terrain ? terrain->getAltitudeAtX(p[0], p[2]) : 0.0;
        if (p[1] > ground + kRest) {
            p[1] = std::max(p[1] - kSink, ground + kRest);
            Gunner.Falling = true;
        } else {
            if (Gunner.Falling && terrain) setObjectFlatOnGround(terrain, o.Heading);
            Gunner.Falling = false;
        }
        aircraftSmoke();
        // The settled wreck's smoke drifts by the tick, not by the drawn frame.
        Gunner.driftWreckSmoke(WindVector.data());
    }
    if (inReplay) readCurrentReplayData(t);
    else saveCurrentReplayData(t);
    // Bullets and bombs test the balloon where its matrix puts it, drawn or not.
    effects::poseMatrix(ModelAttitude.QAttitude.data(), ModelAttitude.Position.data(), ThisModel.ObjectMatrix);
}

void BalloonWWI::aircraftSmoke() { Gunner.aircraftSmoke(*this, ThisModel.TheObject.GlobalDeadTime, GlobalTime); }

bool BalloonWWI::areYouDead() {
    const int32_t d = ThisModel.TheObject.GlobalDeadTime;
    return d != 0 && d <= GlobalTime;
}

bool BalloonWWI::areYouDestroyed() {
    return ThisModel.TheObject.GlobalDeadTime != 0 && ThisModel.TheObject.WhoKilledMe >= 0;
}

void BalloonWWI::setOPPHeading(double degrees) {
    ThisModel.TheObject.Heading = degrees;
    ThisModel.TheObject.InitialHeading = degrees;
}

void BalloonWWI::setObjectSpeedMPH(double mph) {
    ThisModel.TheObject.Speed = mph;
    ThisModel.TheObject.InitialSpeed = mph;
}

void BalloonWWI::setObjectPoints(int32_t points) {
    if (points != -1) ThisModel.TheObject.PointsAwarded = static_cast<int16_t>(points);
}

const double* BalloonWWI::getTowerPosition() {
    double m[16] = {};
    quaternionToMatrix(ModelAttitude.QAttitude.data(), m);
    RotateVector(TowerPosition.data(), GlobalTowerPosition.data(), m);
    for (int k = 0; k < 3; ++k) GlobalTowerPosition[k] += ModelAttitude.Position[k];
    return GlobalTowerPosition.data();
}

OneCompleteObjectVer2* BalloonWWI::getDrawingData(int32_t t) {
    lPauseFlag = aController ? aController->isPaused() : true;
    effects::poseMatrix(ModelAttitude.QAttitude.data(), ModelAttitude.Position.data(), ThisModel.ObjectMatrix);
    GlobalTime = t;
    OnePolygonVer2* poly = ModelPointsPolys().ThePolygons;
    const int last = armed::balloon::kBalloonPolygons;
    bool burnt = false;
    if (areYouDead()) {
        ModelArray* models = aController ? aController->getModelArray() : nullptr;
        ZephModel* terrain = models ? models->at(ModelArray::kTerrain) : nullptr;
        const auto& p = ModelAttitude.Position;
        burnt = p[1] <= (terrain ? terrain->getAltitudeAtX(p[0], p[2]) : 0.0) + 2.1;
    }
    if (burnt) {
        poly[armed::balloon::kPatch].DrawHints &= ~effects::kSkip;
        poly[armed::balloon::kPatch].MapNumber = kEarthMap;
    } else {
        poly[armed::balloon::kPatch].DrawHints |= effects::kSkip;
    }
    for (int k = 0; k < last; ++k) poly[k].MapNumber = burnt ? kBurntMap : kEnvelopeMap;
    if (const armed::DrawingHooks* hooks = armed::drawingHooks()) hooks->object(*this);
    return nullptr;
}

void BalloonWWI::drawMySmokeItems() {
    if (const armed::DrawingHooks* hooks = armed::drawingHooks()) {
        hooks->gunnerSmokes(*this, Gunner, GlobalTime, ThisModel.TheObject.GlobalDeadTime != 0);
    }
}

void BalloonWWI::prepareForReplayStart(int32_t t) {
    PutAside& r = ReplayState;
    r.fire = Gunner.MyFireData;
    r.bullets = Gunner.GunBullets;
    r.lastFire = Gunner.LastFireTime;
    r.nextGunSmoke = Gunner.NextGunSmokeSpot;
    r.bulletStart = Gunner.BulletStartLocation;
    r.lastVisible = Gunner.LastVisibleNumber;
    r.gunSmokes = Gunner.OurGunSmokes;
    r.smokes = Gunner.OurSmokes;
    r.nextSmoke = Gunner.NextSmokeSpot;
    ZephModel::prepareForReplayStart(t);
}

void BalloonWWI::recoverFromReplay(int32_t t) {
    const PutAside& r = ReplayState;
    Gunner.MyFireData = r.fire;
    Gunner.GunBullets = r.bullets;
    Gunner.LastFireTime = r.lastFire;
    Gunner.NextGunSmokeSpot = r.nextGunSmoke;
    Gunner.BulletStartLocation = r.bulletStart;
    Gunner.LastVisibleNumber = r.lastVisible;
    Gunner.OurGunSmokes = r.gunSmokes;
    Gunner.OurSmokes = r.smokes;
    Gunner.NextSmokeSpot = r.nextSmoke;
    ZephModel::recoverFromReplay(t);
}

void BalloonWWI::saveCurrentReplayData(int32_t t) {
    if (t == 0) return;
    --ReplaySaveTime;
    if (!ReplayRing::isRecordTick(t)) return;
    ReplaySaveTime += ReplayRing::kEvery;
    uint8_t* r = Replay.recordFor(t);
    for (int k = 0; k < 3; ++k) ReplayRing::put32(r, 4 * (1 + k), static_cast<int32_t>(ModelAttitude.Position[k]));
    for (int k = 0; k < 4; ++k) {
        ReplayRing::put32(r, 4 * (4 + k), static_cast<int32_t>(ModelAttitude.QAttitude[k] * 100000.0));
    }
    ReplayRing::put32(r, 4 * 16, Gunner.LastFireTime);
}

void BalloonWWI::readCurrentReplayData(int32_t t) {
    if (!ReplayRing::isRecordTick(t)) return;
    const uint8_t* r = Replay.find(t);
    if (!r) return;
    for (int k = 0; k < 3; ++k) ModelAttitude.Position[k] = ReplayRing::get32(r, 4 * (1 + k));
    for (int k = 0; k < 4; ++k) ModelAttitude.QAttitude[k] = ReplayRing::get32(r, 4 * (4 + k)) / 100000.0;
    Gunner.LastFireTime = ReplayRing::get32(r, 4 * 16);
}

}  // namespace pellam
