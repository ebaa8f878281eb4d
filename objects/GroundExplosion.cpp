#include "objects/GroundExplosion.h"

#include <algorithm>
#include <cmath>


namespace pellam {
namespace {

constexpr double kHidden = -9000.0, kShown = -5000.0;
constexpr int32_t kBurstAge = 60;    // ticks of the burst; the column from 61
constexpr int32_t kRollUntil = 300;  // the column's foot rolls until this age
constexpr double kRoll = -0.02;      // rad/tick about the ring

const Mesh& mesh() {
    static const Mesh m = effects::separatePolygons(GroundExplosion::kSprites + GroundExplosion::kPieces, 4, effects::kQuads,
                                                    kTransparent | kUnlit, {0.99f, 0.99f, 0.99f, 0.4f});
    return m;
}

const ObjectHeaderTable kHeader{"GroundExplosion", 0, 0, {}, 0, 0, 0, 10584000.0f, 10600000.0f, -10584000.0f,
                                10600000.0f};
const TableName kMaps[] = {{"ExploBlackSmokeN"}, {"ExploFireSmokeN"}, {"Clouds2N"}, {kEndOfNameList}};

double r16() { return ZephModel::GetLongRandomFrom(-32768, 32767); }

}  // namespace

const ModelTables& GroundExplosion::tables() const {
    static const ModelTables t = effects::meshTables(&kHeader, "GroundExplosionFilePP", kMaps, mesh());
    return t;
}

void GroundExplosion::setClassValues() {
    Object3DData& o = ThisModel.TheObject;
    effects::templateValues(o);
}

void GroundExplosion::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    for (int i = 0; i < 4 * kSprites; ++i) {
        pp->ThePoints[i].U = effects::kQuadUV[i % 4][0];
        pp->ThePoints[i].V = effects::kQuadUV[i % 4][1];
    }
}

double GroundExplosion::rangeRandom(double x) { return std::clamp(r16() / 32768.0, -1.0, 1.0) * x; }
double GroundExplosion::positiveRandom(double x) { return std::clamp((r16() + 32768.0) / 65536.0, 0.0, 1.0) * x; }

double GroundExplosion::opacityAt(int32_t a) {
    if (a <= 300) return 1.0;
    if (a <= 600) return 0.7 + 0.3 * (600 - a) / 300.0;
    if (a < 6000) return 0.7;
    return std::max(0.0, 0.3 - (a - 6000) / 4000.0);
}

int32_t GroundExplosion::liveSprites() const {
    return int32_t(std::count_if(own.sprites.begin(), own.sprites.end(),
                                 [](const ExplosionType& s) { return s.Pos[1] > kShown; }));
}

void GroundExplosion::resetModel() {
    ZephModel::resetModel();
    for (ExplosionType& s : own.sprites) s.Pos[1] = kHidden;
    own.stage = 1;
    own.startTime = 0;
    own.busy = false;
}

void GroundExplosion::stop() {
    own.sprites[0].TimeStarted = 0;
    own.startTime = 0;
    own.busy = false;
    own.stage = 1;
}

void GroundExplosion::GroundExplosion1Start(int32_t missionTime) {
    for (ExplosionType& s : own.sprites) {
        s.Pos[1] = kHidden;
        s.Phase = 0;
    }
    own.startTime = missionTime;
    own.busy = true;
    own.sprites[0].TimeStarted = missionTime;
    own.moreStarts = 29;
    own.stage = 0;
    own.lastGlobalTime = 0;
    own.seenTick = false;
}

void GroundExplosion::setUpBurst() {
    for (int k = 0; k < kBurst; ++k) {
        ExplosionType& s = own.sprites[k];
        s.Pos = {0, 0, 0};
        double d[3] = {rangeRandom(0.9), positiveRandom(0.75), rangeRandom(0.9)};
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (int c = 0; c < 3; ++c) s.XYZSpeed[c] = len > 0 ? d[c] / len * 2.0 : (c == 1 ? 2.0 : 0.0);
        s.XYZSpeedChange = s.XYZSpeed;
        s.TimeStarted = own.startTime;
        s.SpriteSize = 1.0;
        s.Phase = 0;
        s.Map = r16() > -25000 ? 1 : 0;
    }
    own.stage = 1;
}

void GroundExplosion::startLateSprite(ExplosionType& s) {
    s.Pos = {0, 0, 0};
    s.XYZSpeed = s.XYZSpeedChange = {0, 0, 0};
    s.TimeStarted = own.startTime;
    s.SpriteSize = 0.5;
    s.Phase = 0;
    s.Map = r16() > -25000 ? 1 : 0;
}

void GroundExplosion::callEveryTick(bool running, int32_t t, bool) {
    if (!running) return;
    live.globalTime = t;
    if (!own.busy) return;
    const int32_t a = t - own.startTime;
    if (a >= kMoveUntil) return;
    if (a < 0 || (own.seenTick && t < own.lastGlobalTime)) {  // the clock went back: a replay began
        stop();
        return;
    }
    if (own.seenTick && t == own.lastGlobalTime) return;  // each clock value once
    own.seenTick = true;
    own.lastGlobalTime = t;
    own.moreStarts += 1;
    if (own.stage == 0) setUpBurst();

    // The column's measure: the rolling ring sits 30% up the cloud, 70% of its half-width out.
    // Every sprite counts, hidden ones 9000 ft down too, and an extreme still at 0 is unset. In a
    // replay at three times or more the column forms before the last late sprites start, so the
    // ring lies thousands of feet down and the foot does not roll.
    double hc = 0, w = 0;
    if (a > kBurstAge) {
        double minY = 0, maxY = 0, minX = 0, maxX = 0;
        auto lower = [](double& least, double v) { if (least == 0 || v < least) least = v; };
        auto higher = [](double& most, double v) { if (most == 0 || v > most) most = v; };
        for (const ExplosionType& s : own.sprites) {
            higher(maxY, s.Pos[1]);
            lower(minY, s.Pos[1]);
            higher(maxX, s.Pos[0]);
            lower(minX, s.Pos[0]);
        }
        hc = minY + (maxY - minY) * 0.3;
        w = (maxX - minX) / 2.0;
    }

    for (int k = 0; k < kSprites; ++k) {
        ExplosionType& s = own.sprites[k];
        if (s.Phase == 0) {
            // Hidden sprites move too, at most 150 ft up from -9000 in the burst: they stay hidden.
            for (int c = 0; c < 3; ++c) s.Pos[c] += s.XYZSpeed[c];
            s.Pos[1] += 0.5;
            if (r16() > 30000) s.Map = 0;
            s.SpriteSize += 0.7;
            const double slow = a < 31 ? 0.9995 : 0.95;
            for (double& v : s.XYZSpeed) v *= slow;
            if (k >= kBurst && own.moreStarts == k) startLateSprite(s);
            if (a > kBurstAge) s.Phase = 1;
        }
        if (s.Phase == 1) {
            if (a < kRollUntil && std::fabs(s.Pos[1] - hc) < 40.0) {
                // Turn about the ring of radius 0.7 w at height hc, in the plane through the axis.
                const double ring = 0.7 * w;
                const double phi = std::atan2(s.Pos[2], s.Pos[0]);
                const double d = s.Pos[0] * std::cos(phi) + s.Pos[2] * std::sin(phi) - ring;
                const double h = s.Pos[1] - hc;
                const double nd = d * std::cos(kRoll) - h * std::sin(kRoll);
                const double nh = d * std::sin(kRoll) + h * std::cos(kRoll);
                s.Pos[0] = std::cos(phi) * (nd + ring);
                s.Pos[2] = std::sin(phi) * (nd + ring);
                s.Pos[1] = nh + hc + 0.15;
            }
            s.Pos[1] += 0.3;
            s.Map = 0;
        }
    }
}

OneCompleteObjectVer2* GroundExplosion::getDrawingData(int32_t g) {
    effects::poseMatrix(live.attitude.QAttitude.data(), live.attitude.Position.data(), ThisModel.ObjectMatrix);
    // Nothing until the first tick has set the sprites up; the age counts from the start itself.
    if (!own.busy || own.stage == 0) return nullptr;
    const int32_t a = g - own.startTime;
    if (a > kEndAge || a < 0) {
        stop();
        return nullptr;
    }
    const float alpha = float(opacityAt(a));
    if (alpha <= 0.0f) return nullptr;
    if (const effects::DrawingHooks* hooks = effects::drawingHooks()) hooks->explosion(*this, alpha);
    return nullptr;
}

void GroundExplosion::prepareForReplayStart(int32_t missionTime) {
    ReplayLive = own;
    ZephModel::prepareForReplayStart(missionTime);
}

void GroundExplosion::recoverFromReplay(int32_t missionTime) {
    own = ReplayLive;
    ZephModel::recoverFromReplay(missionTime);
}

}  // namespace pellam
