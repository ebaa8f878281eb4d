#include "objects/BaseObject.h"

#include <algorithm>
#include <cmath>

#include "flight/Aircraft.h"
#include "objects/ArmedDrawingHooks.h"
#include "objects/EffectModel.h"
#include "objects/GroundVehicle.h"
#include "platform/Random.h"

namespace pellam {
namespace {

const ObjectHeaderTable kHeader{"BaseObject", 0, 0, {}, 0, 0, 0, 42240, 47520, -250, 26400};
const TableName kMaps[] = {{"PavementD"}, {"SopCamelbL"}, {kEndOfNameList}};
const TableName kItems[] = {{"BaseObjectFilePP"}, {"kStartOfDeadOnGroundList"}, {"SmallDeadBuildingTFPP"},
                            {kEndOfNameList}};

}  // namespace

ModelTables BaseObject::memberTables(const ObjectHeaderTable* header, const char* name, const TableName* maps,
                                     const TableName* items, const Mesh& mesh) {
    ModelTables t = effects::meshTables(header, name, maps, mesh);
    t.Items = items;
    return t;
}

const ModelTables& BaseObject::tables() const {
    static const ModelTables t = memberTables(&kHeader, "BaseObjectFilePP", kMaps, kItems, statics::baseObjectMesh());
    return t;
}

void BaseObject::patchUV(ObjectPointsPolysVer2* pp, int first) {
    if (!pp || !pp->ThePoints) return;
    for (int c = 0; c < 4; ++c) {
        pp->ThePoints[first + c].U = effects::kQuadUV[c][0];
        pp->ThePoints[first + c].V = effects::kQuadUV[c][1];
    }
}

void BaseObject::setClassValues() {
    familyValues({{-15, 15, -0.1, 25, -30, 30}, 20, 100, 100, 3, {0, 35, 0}, {{-15, 0, -30, 15, 25, 30}}});
}

void BaseObject::familyValues(const ClassValues& v) {
    unitValues(v.hitSquare, v.hitsWhenDead, v.blastDistance, v.points, v.category);
    TowerPosition = v.tower;
    PolyListCopy = ModelPointsPolys().ThePolygons;
    ObjectPointsPolysVer2& g = ModelPointsPolys();
    g.NumberOfSizeSquares = int16_t(std::min<size_t>(v.boxes.size(), kMaxSizeSquares));
    for (int k = 0; k < g.NumberOfSizeSquares; ++k) {
        g.SizeSquare[k].fill(0.0f);
        std::copy(v.boxes.begin()[k].begin(), v.boxes.begin()[k].end(), g.SizeSquare[k].begin());
    }
}

void BaseObject::setOPPHeading(double degrees) {
    ThisModel.TheObject.Heading = degrees;
    ThisModel.TheObject.InitialHeading = degrees;
}

void BaseObject::resetModel() {
    ZephModel::resetModel();
    ThisModel.TheObject.GlobalDeadTime = 0;
    ThisModel.TheObject.ObjectHits = 0;
    // Before the factory hands over the controller there is no terrain to stand on.
    if (ZephModel* ground = laysOnGround() ? terrain() : nullptr) setObjectFlatOnGround(ground, ThisModel.TheObject.InitialHeading);
    placeMatrix();
}

void BaseObject::callEveryTick(bool running, int32_t missionTime, bool) {
    if (running) live.globalTime = missionTime;
}

OneCompleteObjectVer2* BaseObject::getDrawingData(int32_t gameTime) {
    placeMatrix();
    doShadow(gameTime);
    live.globalTime = gameTime;
    const DeadSwitch s = deadSwitch();
    if (s.polygon >= 0 && PolyListCopy) {
        // The destroyed model follows the standing one: a -1 at its first polygon ends the
        // standing list there; once dead the list starts at it.
        ObjectPointsPolysVer2& g = ModelPointsPolys();
        if (areYouDead() && s.showsDead) {
            g.ThePolygons = PolyListCopy + s.polygon;
            PolyListCopy[s.polygon].MapNumber = s.map;
        } else {
            g.ThePolygons = PolyListCopy;
            PolyListCopy[s.polygon].MapNumber = -1;
        }
    }
    poseParts(gameTime);
    if (const armed::DrawingHooks* hooks = armed::drawingHooks()) hooks->object(*this);
    return nullptr;
}

std::array<double, 3> BaseObject::sunInObject() const {
    std::array<double, 3> s{};
    InverseRotateVector(vehicles::sunVector(), s.data(), ThisModel.ObjectMatrix.data());
    return s;
}

void BaseObject::boxShadow(const BoxShadow& s) {
    const std::array<double, 3> sun = sunInObject();
    const bool day = sun[1] > 0.0;
    double ox = 0.0, oz = 0.0;
    if (day) {
        ox = -std::clamp(s.h * sun[0] / sun[1], -kShadowReach, kShadowReach);
        oz = -std::clamp(s.h * sun[2] / sun[1], -kShadowReach, kShadowReach);
    }
    GLT2FN3FV3FFormat* p = ModelPointsPolys().ThePoints;
    const double a = s.a, b = s.b;
    if (s.points.quadA >= 0) {
        std::array<double, 4> z{-b, b, b, -b};  // night: the footprint
        if (day && !s.quadAFollows) z = {-b, 0, 0, -b};
        else if (day && sun[2] >= 0) z = {-b, oz + b, oz + b, -b};
        else if (day) z = {oz - b, b, b, oz - b};
        for (int k = 0; k < 4; ++k) p[s.points.quadA + k].Z = float(z[k]);
    }
    struct Edge {
        double x1, z1, x2, z2;
    };
    const Edge zEdge = sun[2] >= 0 ? Edge{a, -b, -a, -b} : Edge{-a, b, a, b};
    const Edge xEdge = sun[0] >= 0 ? Edge{-a, -b, -a, b} : Edge{a, b, a, -b};
    auto sweep = [&](int first, const Edge& e) {
        const double xs[4] = {e.x1, e.x1 + ox, e.x2 + ox, e.x2}, zs[4] = {e.z1, e.z1 + oz, e.z2 + oz, e.z2};
        for (int k = 0; k < 4; ++k) {
            p[first + k].X = float(xs[k]);
            p[first + k].Z = float(zs[k]);
        }
    };
    const bool sameSigns = (sun[0] >= 0) == (sun[2] >= 0);
    sweep(s.points.quadB, sameSigns ? zEdge : xEdge);
    sweep(s.points.quadB + 4, sameSigns ? xEdge : zEdge);
}

void BaseObject::refuelNear(ZephModel* aircraft) {
    if (!aircraft || ThisModel.TheObject.GlobalDeadTime != 0) return;
    const Aircraft* record = aircraft->getAircraftStruct();
    if (!record || record->Team != ThisModel.TheObject.Team) return;
    QNion pose;
    aircraft->getModelPositionQNion(&pose);
    const double dx = pose.Position[0] - live.attitude.Position[0], dz = pose.Position[2] - live.attitude.Position[2];
    if (dx * dx + dz * dz < kRefuelSquare) aircraft->refuelReArm();
}

double BaseObject::windHeadingInObject() const {
    if (WindSpeed <= 1.0) return 0.0;
    const double h = WindDirection / 57.29577951;
    const double world[3] = {std::sin(h), 0.0, std::cos(h)};
    double own[3];
    InverseRotateVector(world, own, ThisModel.ObjectMatrix.data());
    return std::atan2(own[0], own[2]);
}

double BaseObject::flutter() const {
    // Drawn from the presentation stream: the frame rate must not move the simulation's.
    platform::RandomStream& r = platform::presentationRandom();
    if (WindSpeed <= 1.0) return 0.0;
    double j = (r.unit() - 0.5) * 0.05;
    if (WindSpeed > 12.0) j = (r.unit() - 0.5) * 0.2;  // a second number; the first is not used
    return j;
}

void BaseObject::turnFromTable(int first, int count, double angle) {
    const GLT2FN3FV3FFormat* table = tables().Main.PointsList;
    GLT2FN3FV3FFormat* p = ModelPointsPolys().ThePoints;
    const double s = std::sin(angle), c = std::cos(angle);
    for (int i = first; i < first + count; ++i) {
        p[i].X = float(table[i].X * c + table[i].Z * s);
        p[i].Z = float(-table[i].X * s + table[i].Z * c);
    }
}

}  // namespace pellam
