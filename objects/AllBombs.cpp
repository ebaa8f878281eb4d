#include "objects/AllBombs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/Constants.h"

namespace pellam {
namespace {

constexpr double kDragFactor = 0.5 * 0.0023 * 0.05;  // of the speed squared, per tick
constexpr double kHangingMark = 10000.0;        // first velocity value of a bomb on the rack
constexpr double kCraterRadius = 15.0;          // ft
constexpr double kNoMark = -10000.0;

// ---- The bomb: an eight-sided body 0.2 ft across, nose tip at +0.7 ft, tail cone to -2.8 ft,
// four fins 0.2 ft out between -2.4 and -3.0 ft; each fin has a face on either side.
constexpr int kSides = 8, kRing = kSides + 1;  // a ring repeats its first point to close
constexpr int kTip = 0, kNoseRing = 1, kShoulderRing = 10, kBodyRing = 19, kTailRing = 28, kTailFanRing = 37,
              kTail = 46, kFins = 47;
constexpr int kMarkPoint = AllBombs::kBombPoints;  // the four points of the ground mark follow

struct Ring {
    double z, r;
};
constexpr Ring kNose{0.45, 0.075}, kShoulder{0.15, 0.1}, kBodyEnd{-2.2, 0.1};
constexpr double kTipZ = 0.7, kTailZ = -2.8;

GLT2FN3FV3FFormat vertex(double x, double y, double z, double nx, double ny, double nz) {
    // U runs round the body, V along it from the fins (0) to the nose (1).
    const double around = std::atan2(y, x) / (2 * M_PI);
    GLT2FN3FV3FFormat p{};
    p.U = float(around < 0 ? around + 1.0 : around);
    p.V = float((z + 3.0) / 3.7);
    p.NX = float(nx);
    p.NY = float(ny);
    p.NZ = float(nz);
    p.X = float(x);
    p.Y = float(y);
    p.Z = float(z);
    return p;
}

std::array<GLT2FN3FV3FFormat, AllBombs::kBombPoints> buildShape() {
    std::array<GLT2FN3FV3FFormat, AllBombs::kBombPoints> s{};
    s[kTip] = vertex(0, 0, kTipZ, 0, 0, 1);
    auto ring = [&](int first, Ring g, double tilt) {
        const double across = std::sqrt(1.0 - tilt * tilt);
        for (int k = 0; k < kRing; ++k) {
            const double a = 2 * M_PI * (k % kSides) / kSides;
            s[first + k] = vertex(g.r * std::cos(a), g.r * std::sin(a), g.z, across * std::cos(a),
                                  across * std::sin(a), tilt);
            s[first + k].U = float(double(k) / kSides);  // the seam gets U 1, not 0
        }
    };
    ring(kNoseRing, kNose, 0.35);  // the nose cone's normals lean forward
    ring(kShoulderRing, kNose, 0.0);
    ring(kBodyRing, kShoulder, 0.0);
    ring(kTailRing, kBodyEnd, 0.0);
    ring(kTailFanRing, kBodyEnd, -0.35);
    s[kTail] = vertex(0, 0, kTailZ, 0, 0, -1);
    // Fin outline in (along the axis, out from it), counter-clockwise seen from the fin's +side.
    static constexpr double fin[4][2] = {{-2.4, 0.06}, {-2.55, 0.2}, {-3.0, 0.2}, {-3.0, 0.0}};
    constexpr double kHalfThickness = 0.006;  // ft: the two faces never share a plane
    int at = kFins;
    for (int f = 0; f < 4; ++f) {
        const double a = M_PI / 2 * f;
        const double out[2] = {std::cos(a), std::sin(a)}, side[2] = {-std::sin(a), std::cos(a)};
        for (int face = 0; face < 2; ++face) {
            const double sign = face == 0 ? 1.0 : -1.0;
            for (int c = 0; c < 4; ++c) {
                const auto& q = fin[face == 0 ? c : 3 - c];
                const double r = q[1];
                s[at++] = vertex(out[0] * r + side[0] * sign * kHalfThickness,
                                 out[1] * r + side[1] * sign * kHalfThickness, q[0], side[0] * sign,
                                 side[1] * sign, 0);
            }
        }
    }
    return s;
}

// The bomb's shape, then the ground mark's quad.
Mesh buildBombMesh() {
    Mesh m;
    for (const GLT2FN3FV3FFormat& p : AllBombs::bombShape()) m.vertex(p);
    static constexpr float mark[4][3] = {{-30, 2, 30}, {30, 2, 30}, {30, 2, -30}, {-30, 2, -30}};
    for (int c = 0; c < 4; ++c) m.vertex(mark[c][0], mark[c][1], mark[c][2], effects::kQuadUV[c][0], effects::kQuadUV[c][1]);

    std::vector<int> nose{kTip}, shoulder, body, tail{kTail}, fins;
    for (int k = 0; k < kRing; ++k) {
        nose.push_back(kNoseRing + k);
        shoulder.push_back(kShoulderRing + k);
        shoulder.push_back(kBodyRing + k);
        body.push_back(kBodyRing + k);
        body.push_back(kTailRing + k);
        tail.push_back(kTailFanRing + kRing - 1 - k);  // turning the other way: faces out at the back
    }
    for (int i = kFins; i < AllBombs::kBombPoints; ++i) fins.push_back(i);
    m.polygon(1, effects::kTriangleFan, 0, nose);
    m.polygon(1, effects::kTriangleStrip, 0, shoulder);
    m.polygon(1, effects::kTriangleStrip, 0, body);
    m.polygon(1, effects::kTriangleFan, 0, tail);
    m.polygon(1, effects::kQuads, 0, fins);
    OnePolygonVer2& markPolygon = m.polygon(0, effects::kQuads, kTransparent | kFlatNormal,
                                            {kMarkPoint, kMarkPoint + 1, kMarkPoint + 2, kMarkPoint + 3},
                                            {0.1f, 0.1f, 0.1f, 0.9f});
    markPolygon.MaterialLightDataOffset = 1;
    m.finish();
    return m;
}

const Mesh& bombMesh() {
    static const Mesh m = buildBombMesh();
    return m;
}

const ObjectHeaderTable kHeader{"AllBombs", 0, 0, {}, 0, 0, 0, 100000.0f, 10100.0f, -10000.0f, 10000.0f};
const TableName kMaps[] = {{"EarthN"}, {"BombL"}, {kEndOfNameList}};

// A double as a record word: truncated toward zero, held inside the word's range.
int32_t word(double v) {
    if (!(v == v)) return 0;
    return int32_t(std::clamp(std::trunc(v), double(std::numeric_limits<int32_t>::min()),
                              double(std::numeric_limits<int32_t>::max())));
}

// Record layout: the key, 64 slots of 52 bytes from byte 4, 16 marks of 20 bytes from byte 3332.
constexpr int kSlotBase = 4, kSlotBytes = 52, kMarkBase = 3332, kMarkBytes = 20;

}  // namespace

const std::array<GLT2FN3FV3FFormat, AllBombs::kBombPoints>& AllBombs::bombShape() {
    static const auto shape = buildShape();
    return shape;
}

AllBombs::AllBombs() = default;

const ModelTables& AllBombs::tables() const {
    static const ModelTables t = effects::meshTables(&kHeader, "AllBombsPP", kMaps, bombMesh());
    return t;
}

void AllBombs::setClassValues() {
    Object3DData& o = ThisModel.TheObject;
    effects::templateValues(o);
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    effects::templateBoxes(o, g);
}

void AllBombs::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    // The body shades round and the fins flat: the built-in normals and texture coordinates stand.
    const auto& shape = bombShape();
    for (int i = 0; i < kBombPoints; ++i) pp->ThePoints[i] = shape[i];
    for (int c = 0; c < 4; ++c) {
        GLT2FN3FV3FFormat& p = pp->ThePoints[kMarkPoint + c];
        p.NX = 0;
        p.NY = 1;
        p.NZ = 0;
    }
}

void AllBombs::resetModel() {
    ZephModel::resetModel();
    ThisModel.TheObject.GlobalDeadTime = 0;
    ThisModel.TheObject.ObjectHits = 0;
    for (BombOrRocket& b : own.bombs) {
        b.TimeStarted = kFree;
        b.DeadOriginalTimeStarted = 0;
        b.WhoDropped = 0;
    }
    own.nextMark = 0;
    for (GroundSmudge& m : own.marks) m.Pos[1] = kNoMark;
    Ring.clear();  // every record: a reset leaves nothing of the last flight to be found
}

long AllBombs::findEmptyBombSpot() const {
    long best = -1;
    for (long i = 0; i < kSlots; ++i) {
        const BombOrRocket& b = own.bombs[i];
        if (b.TimeStarted != kFree) continue;
        if (b.DeadOriginalTimeStarted == 0) return i;
        if (best < 0 || b.DeadOriginalTimeStarted < own.bombs[best].DeadOriginalTimeStarted) best = i;
    }
    return best;
}

void AllBombs::positionBombsOnAircraft(ZephModel* aircraft, int32_t bombType, long objectNumber) {
    if (!aircraft) return;
    const int32_t n = std::min({aircraft->getNumberOfBombs(), aircraft->getMaxNumberOfBombs(), int32_t(kSlots)});
    QNion pose;
    aircraft->getModelPositionQNion(&pose);
    for (int32_t i = 0; i < n; ++i) {
        const long slot = findEmptyBombSpot();
        if (slot < 0) return;
        const double* station = aircraft->getBombPosition(i);
        if (!station) continue;
        BombOrRocket& b = own.bombs[slot];
        b.Pos = pose.Position;
        b.PositionOffset = {station[0], station[1], station[2]};
        b.XYZSpeed = {kHangingMark, 0, 0};
        b.IsBomb = bombType;
        b.ObjectNumber = int32_t(objectNumber);
        b.TimeStarted = kHanging;
        // A rack bomb is nobody's dropped bomb: the bomb camera must not follow this slot's past.
        b.WhoDropped = 0;
        b.DeadOriginalTimeStarted = 0;
    }
}

void AllBombs::startADroppedBomb(const double* velocity, const double* position, int32_t missionTime,
                                 int32_t aircraftNumber) {
    if (!position) return;
    long slot = findEmptyBombSpot();
    // The aircraft has counted this bomb as gone: a bomb only shown on a rack this frame gives
    // way to it.
    for (long i = 0; slot < 0 && i < kSlots; ++i)
        if (own.bombs[i].TimeStarted == kHanging) slot = i;
    if (slot < 0) return;  // 64 bombs in the air
    BombOrRocket& b = own.bombs[slot];
    b.Pos = {position[0], position[1], position[2]};
    b.XYZSpeed = velocity ? std::array<double, 3>{velocity[0], velocity[1], velocity[2]} : std::array<double, 3>{};
    b.IsBomb = 1;
    b.TimeStarted = std::max(missionTime, 1);  // a bomb dropped at tick 0 still falls
    b.WhoDropped = aircraftNumber;
}

void AllBombs::land(BombOrRocket& b, double h) {
    b.DeadOriginalTimeStarted = b.TimeStarted;
    b.TimeStarted = kFree;
    own.nextMark = std::clamp<long>(own.nextMark, 0, kMarks - 1);
    GroundSmudge& m = own.marks[own.nextMark];
    m.Pos = {b.Pos[0], h, b.Pos[2]};
    m.MapNumber = 0;
    const double* plane = Terrain ? Terrain->lastTerrainPlaneEq() : nullptr;
    if (plane) {
        m.Pitch = -std::atan2(plane[2], plane[1]);
        m.Bank = -std::atan2(plane[0], plane[1]);
    } else {
        m.Pitch = m.Bank = 0;
    }
    if (h == 0.0) {
        m.Pos[1] = kNoMark;  // off the map: no mark, the next landing takes the slot
    } else {
        own.nextMark = own.nextMark + 1 > kMarks - 1 ? 0 : own.nextMark + 1;
    }
    if (aController) {
        double at[3] = {b.Pos[0], b.Pos[1], b.Pos[2]};
        aController->startAnExplosion(at);
        aController->doExplosionSound(at);
        aController->checkForBombKills(at, b.WhoDropped);
    }
}

void AllBombs::callEveryTick(bool running, int32_t missionTime, bool inReplay) {
    if (!running) return;
    live.globalTime = missionTime;
    for (BombOrRocket& b : own.bombs) {
        if (b.TimeStarted <= 0) continue;
        for (int c = 0; c < 3; ++c) b.Pos[c] += b.XYZSpeed[c] + WindVector[c];
        b.XYZSpeed[1] -= kGravity;
        const double v2 = b.XYZSpeed[0] * b.XYZSpeed[0] + b.XYZSpeed[1] * b.XYZSpeed[1] + b.XYZSpeed[2] * b.XYZSpeed[2];
        const double k = v2 * kDragFactor;
        for (double& v : b.XYZSpeed) v *= 1.0 - k;
        const double h = Terrain ? Terrain->getAltitudeAtX(b.Pos[0], b.Pos[2]) : 0.0;
        if (b.Pos[1] <= h) land(b, h);
    }
    if (inReplay)
        readCurrentReplayData(missionTime);
    else
        saveCurrentReplayData(missionTime);
}

void AllBombs::clearSingleDrawBombs() {
    for (BombOrRocket& b : own.bombs)
        if (b.TimeStarted == kHanging) b.TimeStarted = kFree;
}

const double* AllBombs::findNewestBombFrom(long index, ZephModel* aircraft) {
    if (!aircraft) return nullptr;
    const int32_t loaded = aircraft->getNumberOfBombs();
    const int32_t m = std::clamp(loaded, 1, std::max(1, aircraft->getMaxNumberOfBombs()));
    QNion pose;
    aircraft->getModelPositionQNion(&pose);
    const double* station = aircraft->getBombPosition(m - 1);
    const double body[3] = {station ? station[0] : 0.0, station ? station[1] : 0.0, station ? station[2] : 0.0};
    double mat[16] = {};
    quaternionToMatrix(pose.QAttitude.data(), mat);
    double world[3];
    RotateVector(body, world, mat);
    for (int c = 0; c < 3; ++c) GlobalTowerPosition[c] = world[c] + pose.Position[c];
    GlobalTowerPosition[3] = kHangingMark;

    long newest = -1;
    int32_t newestTime = 0;
    for (long i = 0; i < kSlots; ++i) {
        const BombOrRocket& b = own.bombs[i];
        if (b.WhoDropped != index) continue;
        const int32_t t = b.TimeStarted < 1 ? b.DeadOriginalTimeStarted : b.TimeStarted;
        if (newest < 0 || t > newestTime) {
            newest = i;
            newestTime = t;
        }
    }
    if (newest >= 0) {
        const BombOrRocket& b = own.bombs[newest];
        for (int c = 0; c < 3; ++c) {
            GlobalTowerPosition[c] = b.Pos[c];
            GlobalTowerPosition[3 + c] = b.XYZSpeed[c];
        }
    } else if (loaded < 1) {
        return nullptr;
    }
    return GlobalTowerPosition.data();
}

bool AllBombs::inBombCraterX(double x, double z) {
    for (const GroundSmudge& m : own.marks) {
        if (m.Pos[1] <= -9000.0) continue;
        if (std::hypot(m.Pos[0] - x, m.Pos[2] - z) < kCraterRadius) return true;
    }
    return false;
}

const double* AllBombs::getTowerPosition() {
    for (int c = 0; c < 3; ++c) GlobalTowerPosition[c] = TowerPosition[c] + live.attitude.Position[c];
    return GlobalTowerPosition.data();
}


OneCompleteObjectVer2* AllBombs::getDrawingData(int32_t) {
    if (const effects::DrawingHooks* hooks = effects::drawingHooks()) hooks->bombs(*this);
    // A rack bomb is shown for one frame only.
    clearSingleDrawBombs();
    return nullptr;
}

void AllBombs::prepareForReplayStart(int32_t missionTime) {
    ReplayLive = own;
    ZephModel::prepareForReplayStart(missionTime);
}

void AllBombs::recoverFromReplay(int32_t missionTime) {
    own = ReplayLive;
    ZephModel::recoverFromReplay(missionTime);
}

void AllBombs::saveCurrentReplayData(int32_t t) {
    if (t == 0) return;
    ReplaySaveTime -= 1;
    if (!ReplayRing::isRecordTick(t)) return;
    ReplaySaveTime += ReplayRing::kEvery;
    uint8_t* r = Ring.recordFor(t);
    for (int i = 0; i < kSlots; ++i) {
        const BombOrRocket& b = own.bombs[i];
        const int o = kSlotBase + kSlotBytes * i;
        ReplayRing::put32(r, o, b.TimeStarted);
        ReplayRing::put32(r, o + 4, b.DeadOriginalTimeStarted);
        for (int c = 0; c < 3; ++c) {
            ReplayRing::put32(r, o + 8 + 4 * c, word(b.Pos[c]));
            ReplayRing::put32(r, o + 20 + 4 * c, word(b.XYZSpeed[c] * 100.0));
            ReplayRing::put32(r, o + 32 + 4 * c, word(b.PositionOffset[c] * 1000.0));
        }
        r[o + 44] = uint8_t(b.IsBomb & 0xFF);
        r[o + 45] = uint8_t((b.WhoDropped >> 8) & 0xFF);
        r[o + 46] = uint8_t(b.WhoDropped & 0xFF);
        r[o + 47] = uint8_t((b.ObjectNumber >> 8) & 0xFF);
        r[o + 48] = uint8_t(b.ObjectNumber & 0xFF);
    }
    for (int j = 0; j < kMarks; ++j) {
        const GroundSmudge& m = own.marks[j];
        const int o = kMarkBase + kMarkBytes * j;
        for (int c = 0; c < 3; ++c) ReplayRing::put32(r, o + 4 * c, word(m.Pos[c]));
        ReplayRing::put32(r, o + 12, word(m.Pitch * 1000.0));
        ReplayRing::put32(r, o + 16, word(m.Bank * 1000.0));
    }
}

void AllBombs::readCurrentReplayData(int32_t t) {
    if (!ReplayRing::isRecordTick(t)) return;
    const uint8_t* r = Ring.find(t);
    if (!r) return;
    for (int i = 0; i < kSlots; ++i) {
        BombOrRocket& b = own.bombs[i];
        const int o = kSlotBase + kSlotBytes * i;
        b.TimeStarted = ReplayRing::get32(r, o);
        b.DeadOriginalTimeStarted = ReplayRing::get32(r, o + 4);
        for (int c = 0; c < 3; ++c) {
            b.Pos[c] = ReplayRing::get32(r, o + 8 + 4 * c);
            b.XYZSpeed[c] = ReplayRing::get32(r, o + 20 + 4 * c) / 100.0;
            b.PositionOffset[c] = ReplayRing::get32(r, o + 32 + 4 * c) / 1000.0;
        }
        b.IsBomb = r[o + 44];
        b.WhoDropped = r[o + 45] * 256 + r[o + 46];
        b.ObjectNumber = r[o + 47] * 256 + r[o + 48];
    }
    for (int j = 0; j < kMarks; ++j) {
        GroundSmudge& m = own.marks[j];
        const int o = kMarkBase + kMarkBytes * j;
        for (int c = 0; c < 3; ++c) m.Pos[c] = ReplayRing::get32(r, o + 4 * c);
        m.Pitch = ReplayRing::get32(r, o + 12) / 1000.0;
        m.Bank = ReplayRing::get32(r, o + 16) / 1000.0;
    }
}

}  // namespace pellam
