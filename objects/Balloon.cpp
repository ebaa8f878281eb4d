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
    const Mesh& m = armed::balloonMesh();
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

BalloonWWI::BalloonWWI() : Gunner(kBasketGunner) { TowerPosition = {0, -50, -15}; }

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
    unitValues({-7, 7, -7, 7, -30, 30}, 7.0f, 100.0f, 250, 17);
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    g.NumberOfSizeSquares = 2;
    g.SizeSquare[0] = {-16, -16, -45, 16, 16, 49, 0, 0, 0, 0, 0, 0};  // the envelope
    g.SizeSquare[1] = {-10, -60, -25, 10, -16, -5, 0, 0, 0, 0, 0, 0};  // rigging and basket
}

void BalloonWWI::resetModel() {
    ZephModel::resetModel();
    ThisModel.TheObject.GlobalDeadTime = 0;
    ThisModel.TheObject.ObjectHits = 0;
    if (ZephModel* ground = terrain()) setObjectFlatOnGround(ground, ThisModel.TheObject.InitialHeading);
    Gunner.resetGunItems();
    Gunner.Falling = false;
    Replay.clear();
    placeMatrix();
}

double BalloonWWI::windHeading(double windDirection) { return wrap180(windDirection + 180.0); }

void BalloonWWI::callEveryTick(bool running, int32_t t, bool inReplay) {
    if (!running) return;
    live.globalTime = t;
    Object3DData& o = ThisModel.TheObject;
    if (!areYouDead()) {
        const double e = wrap180(o.Heading - windHeading(WindDirection));
        o.Heading -= kTurn * e;
        setHeading(o.Heading);
        if (CanShoot) Gunner.handleFiringGuns(*this, o, t, inReplay);
    } else {
        ZephModel* below = terrain();
        auto& p = live.attitude.Position;
        const double ground = below ? below->getAltitudeAtX(p[0], p[2]) : 0.0;
        if (p[1] > ground + kRest) {
            p[1] -= kSink;  // it comes to rest 1.5 to 2 ft up
            Gunner.Falling = true;
        } else {
            if (Gunner.Falling && below) setObjectFlatOnGround(below, o.Heading);
            Gunner.Falling = false;
        }
        aircraftSmoke();
        // The settled wreck's smoke drifts by the tick, not by the drawn frame.
        Gunner.driftWreckSmoke(WindVector.data());
    }
    if (inReplay) readCurrentReplayData(t);
    else saveCurrentReplayData(t);
    placeMatrix();
}

void BalloonWWI::aircraftSmoke() { Gunner.aircraftSmoke(*this, ThisModel.TheObject.GlobalDeadTime, live.globalTime); }

void BalloonWWI::setOPPHeading(double degrees) {
    ThisModel.TheObject.Heading = degrees;
    ThisModel.TheObject.InitialHeading = degrees;
}

OneCompleteObjectVer2* BalloonWWI::getDrawingData(int32_t t) {
    placeMatrix();
    live.globalTime = t;
    OnePolygonVer2* poly = ModelPointsPolys().ThePolygons;
    const int last = armed::balloon::kBalloonPolygons;
    bool burnt = false;
    if (areYouDead()) {
        ZephModel* below = terrain();
        const auto& p = live.attitude.Position;
        burnt = p[1] <= (below ? below->getAltitudeAtX(p[0], p[2]) : 0.0) + 2.1;
    }
    if (burnt) {
        poly[armed::balloon::kPatch].DrawHints &= ~kSkip;
        poly[armed::balloon::kPatch].MapNumber = kEarthMap;
    } else {
        poly[armed::balloon::kPatch].DrawHints |= kSkip;
    }
    for (int k = 0; k < last; ++k) poly[k].MapNumber = burnt ? kBurntMap : kEnvelopeMap;
    if (const armed::DrawingHooks* hooks = armed::drawingHooks()) hooks->object(*this);
    return nullptr;
}

void BalloonWWI::drawMySmokeItems() {
    armed::drawGunnerSmokes(*this, Gunner, live.globalTime, ThisModel.TheObject.GlobalDeadTime != 0);
}

void BalloonWWI::prepareForReplayStart(int32_t t) {
    ReplayState = Gunner.own;
    ZephModel::prepareForReplayStart(t);
}

void BalloonWWI::recoverFromReplay(int32_t t) {
    Gunner.own = ReplayState;
    ZephModel::recoverFromReplay(t);
}

void BalloonWWI::saveCurrentReplayData(int32_t t) {
    uint8_t* r = Replay.saving(t, ReplaySaveTime);
    if (!r) return;
    ReplayRing::putPose(r, live.attitude.Position, live.attitude.QAttitude);
    ReplayRing::put32(r, 4 * 16, Gunner.own.lastFire);
}

void BalloonWWI::readCurrentReplayData(int32_t t) {
    const uint8_t* r = Replay.reading(t);
    if (!r) return;
    ReplayRing::getPose(r, live.attitude.Position, live.attitude.QAttitude);
    Gunner.own.lastFire = ReplayRing::get32(r, 4 * 16);
}

}  // namespace pellam
