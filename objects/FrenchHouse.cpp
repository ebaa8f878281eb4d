#include "objects/FrenchHouse.h"

#include <algorithm>
#include <cmath>

#include "objects/ArmedDrawingHooks.h"
#include "objects/EffectModel.h"

namespace pellam {
namespace {

const ObjectHeaderTable kHeader1{"FrenchHouseWWI", 0xC20, 0, {}, 0, 0, 0, 42240, 47520, -250, 26400};
const ObjectHeaderTable kHeader2{"FrenchHouse2WWI", 0xC20, 0, {}, 0, 0, 0, 42240, 47520, -250, 26400};
const TableName kMaps1[] = {{"StoneWall@"}, {"RedRoofD"}, {"EarthN"}, {"StoneHouseWallD"}, {"GraySmokeN"}, {kEndOfNameList}};
const TableName kMaps2[] = {{"StoneWall@"}, {"RedRoofD"}, {"EarthN"}, {"HouseL"}, {"GraySmokeN"}, {kEndOfNameList}};
const TableName kItems1[] = {{"FrenchHouseWWIFilePP"}, {"kStartOfDeadOnGroundList"}, {"SmallDeadBuildingTFPP"},
                             {kEndOfNameList}};
const TableName kItems2[] = {{"FrenchHouse2WWIFilePP"}, {"kStartOfDeadOnGroundList"}, {"SmallDeadBuildingTFPP"},
                             {kEndOfNameList}};

// The façade pictures on the long sides (vertices 5..12): the first house's picture holds the
// front in its lower half and the back in its upper; the second's one façade for both.
constexpr float kFacadeUV1[8][2] = {{0, 0}, {0, 0.5f}, {1, 0.5f}, {1, 0}, {0, 0.51f}, {0, 1}, {1, 1}, {1, 0.51f}};
constexpr float kFacadeUV2[8][2] = {{0, 0}, {0, 0.66f}, {1, 0.66f}, {1, 0}, {0, 0}, {0, 0.66f}, {1, 0.66f}, {1, 0}};

}  // namespace

const ModelTables& FrenchHouseWWI::tables() const {
    static const ModelTables t =
        memberTables(&kHeader1, "FrenchHouseWWIFilePP", kMaps1, kItems1, statics::frenchHouseMesh(false));
    return t;
}
const ModelTables& FrenchHouse2WWI::tables() const {
    static const ModelTables t =
        memberTables(&kHeader2, "FrenchHouse2WWIFilePP", kMaps2, kItems2, statics::frenchHouseMesh(true));
    return t;
}

void FrenchHouseWWI::setClassValues() {
    familyValues({{-7, 7, -0.1, 15, -15, 15}, 2000, 30, 50, 2, {0, 16, 16}, {{-10, 0, -17, 10, 18, 17}}});
}
void FrenchHouse2WWI::setClassValues() {
    familyValues({{-7, 7, -0.1, 15, -15, 15}, 2000, 30, 50, 2, {0, 16, 16}, {{-10, 0, -24, 10, 22, 24}}});
}

void FrenchHouseWWI::doShadow(int32_t) {
    boxShadow({12, longer() ? 10.0 : 6.0, longer() ? 24.0 : 12.0, statics::house::kShadow});
}

void FrenchHouseWWI::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    if (!pp || !pp->ThePoints) return;
    const auto& uv = longer() ? kFacadeUV2 : kFacadeUV1;
    for (int k = 0; k < 8; ++k) {
        pp->ThePoints[5 + k].U = uv[k][0];
        pp->ThePoints[5 + k].V = uv[k][1];
    }
    patchUV(pp, statics::house::kFirstPatchPoint);
}

void FrenchHouseWWI::resetModel() {
    BaseObject::resetModel();
    for (int i = 0; i < kPuffs; ++i) {
        GunnerSmoke& s = TheBlueSmoke[i];
        s = GunnerSmoke{};
        s.XYZPosition = {0.0, kChimneyFoot - 2.0 * i, chimneyZ()};
        s.SmokeSize = 0.1;
    }
    DrawSmoke = smokesFor(GetLongRandomFrom(-32768, 32767));
}

void FrenchHouseWWI::callEveryTick(bool running, int32_t t, bool inReplay) {
    BaseObject::callEveryTick(running, t, inReplay);
    // The puffs hold still while the game is paused.
    if (!DrawSmoke || !running) return;
    // The wind (ft/tick) turned by the house's heading into its own axes; on a slope the puffs drift
    // level in the house's frame, along the hillside.
    const double h = ThisModel.TheObject.Heading / 57.29577951;
    const double wind[3] = {WindVector[0] * std::cos(h) - WindVector[2] * std::sin(h), WindVector[1],
                            WindVector[0] * std::sin(h) + WindVector[2] * std::cos(h)};
    for (GunnerSmoke& s : TheBlueSmoke) {
        if (s.TimeStarted == 0) s.TimeStarted = t;
        auto& p = s.XYZPosition;
        if (s.TimeStarted + kLife >= t) {
            double rise = std::max(0.04 - 0.0008 * p[1], kRiseFloor);
            if (p[1] < kChimneyTop) rise = kRiseInside;
            p[1] += rise;
            s.SmokeSize += kGrowth;
            if (p[1] < kChimneyTop) {
                // Still in the chimney: young, and its age held back.
                s.TimeStarted = t;
                s.SmokeSize = 0.15;
            } else {
                for (int k = 0; k < 3; ++k) p[k] += wind[k] * kDrift;
            }
        } else {
            s.TimeStarted = 0;
            p = {0.0, kChimneyFoot, chimneyZ()};
            s.SmokeSize = 0.15;
        }
    }
}

void FrenchHouseWWI::drawChimmneySmoke(int32_t t) {
    OnePolygonVer2* polygons = PolyListCopy;
    if (!polygons) return;
    OnePolygonVer2* puffs = polygons + statics::house::kFirstSmokePolygon;
    if (!DrawSmoke) {
        for (int i = 0; i < kPuffs; ++i) puffs[i].DrawHints |= kSkip;
        return;
    }
    double m[16] = {};
    quaternionToMatrix(live.attitude.QAttitude.data(), m);
    const armed::DrawingHooks* hooks = armed::drawingHooks();
    GLT2FN3FV3FFormat* v = ModelPointsPolys().ThePoints + statics::house::kFirstSmokePoint;
    for (int i = 0; i < kPuffs; ++i, v += 4) {
        const GunnerSmoke& s = TheBlueSmoke[i];
        puffs[i].DrawHints &= ~kSkip;
        XYZInput four[4];
        double centre[3];
        RotateVector(s.XYZPosition.data(), centre, m);
        for (int k = 0; k < 3; ++k) centre[k] += live.attitude.Position[k];
        const bool facing = hooks && hooks->facingSquare(*this, centre, four);
        float alpha = 0.9f;
        double size = s.SmokeSize;
        int32_t age = t - s.TimeStarted;
        if (age > 0) {
            age = std::min<int32_t>(age, 1000);
            if (age > 850) alpha = std::max(0.0f, 0.9f - 0.4f * float((age - 850) / 100));
            size = std::clamp(size + 5.0 * (age / 1000), 0.15, 4.0);
        }
        if (s.XYZPosition[1] < kChimneyTop) size = 0.1;
        puffs[i].PolyColor[3] = alpha;
        if (!facing) continue;  // no view: the quads keep their last corners
        for (int c = 0; c < 4; ++c) {
            const double corner[3] = {four[c].MyX * size, four[c].MyY * size, four[c].MyZ * size};
            double own[3];
            InverseRotateVector(corner, own, m);
            v[c].X = float(own[0] + s.XYZPosition[0]);
            v[c].Y = float(own[1] + s.XYZPosition[1]);
            v[c].Z = float(own[2] + s.XYZPosition[2]);
        }
    }
}

void FrenchHouseWWI::prepareForReplayStart(int32_t t) {
    carry(true, TheBlueSmoke, ReplayTheBlueSmoke);
    ZephModel::prepareForReplayStart(t);
}

void FrenchHouseWWI::recoverFromReplay(int32_t t) {
    carry(false, TheBlueSmoke, ReplayTheBlueSmoke);
    ZephModel::recoverFromReplay(t);
}

}  // namespace pellam
