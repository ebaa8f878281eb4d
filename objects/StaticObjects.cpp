#include "objects/StaticObjects.h"

#include <algorithm>
#include <cmath>

#include "world/WorldGrid.h"

namespace pellam {
namespace {

// Level-of-detail distances shared by the family (ft): too far, alternate, behind, a dot.
constexpr float kTooFar = 42240, kUseAlt = 47520, kBehind = -250, kDot = 26400;

const ObjectHeaderTable kBigHeader{"BigOpenHangarWWI", 7200, 0, {}, 0, 0, 0, kTooFar, kUseAlt, -550, kDot};
const ObjectHeaderTable kCanvasHeader{"SmallCanvasHangarWWI", 3104, 0, {}, 0, 0, 0, kTooFar, kUseAlt, kBehind, kDot};
const ObjectHeaderTable kHutHeader{"SmallWoodBuildingWWI", 0xC20, 0, {}, 0, 0, 0, kTooFar, kUseAlt, kBehind, kDot};
const ObjectHeaderTable kHut2Header{"SmallWoodBuilding2WWI", 0xC20, 0, {}, 0, 0, 0, kTooFar, kUseAlt, kBehind, kDot};
const ObjectHeaderTable kSockHeader{"WindSockWWI", 0xC20, 0, {}, 0, 0, 0, kTooFar, kUseAlt, kBehind, kDot};
const ObjectHeaderTable kPylonHeader{"RacePylon", 0xC20, 0, {}, 0, 0, 0, kTooFar, kUseAlt, kBehind, kDot};
const ObjectHeaderTable kBridgeHeader{"BridgeWWI", 0xC20, 0, {}, 0, 0, 0, kTooFar, kUseAlt, kBehind, kDot};
const ObjectHeaderTable kStoneHeader{"BridgeSpWWI", 0x40C20, 0, {}, 0, 0, 0, 95040, 100320, -5000, 79200};
const ObjectHeaderTable kCraterHeader{"Crater", 0x820, 0, {}, 0, 0, 0, kTooFar, kUseAlt, kBehind, kDot};

const TableName kWoodMaps[] = {{"WoodWall@"}, {"RoofD"}, {"EarthN"}, {kEndOfNameList}};
const TableName kCanvasMaps[] = {{"Canvas@"}, {"RoofD"}, {"EarthN"}, {kEndOfNameList}};
// The banner's picture again as map 1, and the earth the destroyed pylon leaves as map 2.
const TableName kPylonMaps[] = {{"blackwhiteD"}, {"blackwhiteD"}, {"EarthN"}, {kEndOfNameList}};
const TableName kStoneMaps[] = {{"StoneWall@"}, {"WoodWall@"}, {"EarthN"}, {kEndOfNameList}};
const TableName kCraterMaps[] = {{"EarthN"}, {kEndOfNameList}};

#define PELLAM_ITEMS(name) \
    const TableName name##Items[] = { \
        {#name "FilePP"}, {"kStartOfDeadOnGroundList"}, {"SmallDeadBuildingTFPP"}, {kEndOfNameList}}
PELLAM_ITEMS(BigOpenHangarWWI);
PELLAM_ITEMS(SmallCanvasHangarWWI);
PELLAM_ITEMS(SmallWoodBuildingWWI);
PELLAM_ITEMS(SmallWoodBuilding2WWI);
PELLAM_ITEMS(WindSockWWI);
PELLAM_ITEMS(RacePylon);
PELLAM_ITEMS(BridgeWWI);
PELLAM_ITEMS(BridgeSpWWI);
PELLAM_ITEMS(Crater);
#undef PELLAM_ITEMS

// The sock's cloth by team: red, blue, yellow, black.
constexpr std::array<std::array<float, 3>, 4> kTeamCloth{{{0.7f, 0.1f, 0.1f}, {0.1f, 0.1f, 0.7f}, {0.7f, 0.7f, 0.1f},
                                                          {0.1f, 0.1f, 0.1f}}};

// The sock's and the pylon's material 2: red, without a shine.
void redMaterial(ObjectPointsPolysVer2& g) {
    MaterialLightData& m = g.MaterialLightingData[2];
    m = {0.9f, 0.1f, 0.1f, 1, 0.9f, 0.1f, 0.1f, 1, 0, 0, 0, 1, 100};
}

}  // namespace

// ---- Hangars.

const ModelTables& BigOpenHangarWWI::tables() const {
    static const ModelTables t = memberTables(&kBigHeader, "BigOpenHangarWWIFilePP", kWoodMaps, BigOpenHangarWWIItems,
                                              statics::bigHangarMesh());
    return t;
}
void BigOpenHangarWWI::setClassValues() {
    // Walls and roof only: the 110 ft between the walls and below 22 ft are open to fly through.
    familyValues({{-35, 35, -0.1, 25, -45, 45}, 2000, 150, 500, 5, {0, 50, 0},
                  {{-75, 0, -65, -55, 35, 65}, {55, 0, -65, 75, 35, 65}, {-75, 22, -65, 75, 35, 65}}});
}
void BigOpenHangarWWI::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    patchUV(pp, statics::big::kFirstPatchPoint);
}

const ModelTables& SmallCanvasHangarWWI::tables() const {
    static const ModelTables t = memberTables(&kCanvasHeader, "SmallCanvasHangarWWIFilePP", kCanvasMaps,
                                              SmallCanvasHangarWWIItems, statics::canvasHangarMesh());
    return t;
}
void SmallCanvasHangarWWI::setClassValues() {
    familyValues({{-15, 15, -0.1, 20, -21, 21}, 2000, 100, 150, 5, {0, 35, 0}, {{-25, 0, -21, 25, 20, 21}}});
}
void SmallCanvasHangarWWI::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    patchUV(pp, statics::canvas::kFirstPatchPoint);
}

// ---- Huts.

const ModelTables& SmallWoodBuildingWWI::tables() const {
    static const ModelTables t = memberTables(&kHutHeader, "SmallWoodBuildingWWIFilePP", kWoodMaps,
                                              SmallWoodBuildingWWIItems, statics::woodHutMesh(false));
    return t;
}
void SmallWoodBuildingWWI::setClassValues() {
    familyValues({{-7, 7, -0.1, 15, -15, 15}, 2000, 100, 100, 2, {0, 16, 16}, {{-10, 0, -17, 10, 18, 17}}});
}
void SmallWoodBuildingWWI::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    patchUV(pp, statics::hut::kFirstPatchPoint);
}

const ModelTables& SmallWoodBuilding2WWI::tables() const {
    static const ModelTables t = memberTables(&kHut2Header, "SmallWoodBuilding2WWIFilePP", kWoodMaps,
                                              SmallWoodBuilding2WWIItems, statics::woodHutMesh(true));
    return t;
}
void SmallWoodBuilding2WWI::setClassValues() {
    familyValues({{-7, 7, -0.1, 23, -15, 23}, 2000, 100, 200, 2, {0, 16, 24}, {{-10, 0, -25, 10, 18, 25}}});
}

// ---- Wind sock.

const ModelTables& WindSockWWI::tables() const {
    static const ModelTables t =
        memberTables(&kSockHeader, "WindSockWWIFilePP", kCanvasMaps, WindSockWWIItems, statics::windSockMesh());
    return t;
}
void WindSockWWI::setClassValues() {
    familyValues({{-1, 1, -0.1, 18, -1, 1}, 2000, 50, 50, 2, {0, 16, 24}, {{-4, 0, -4, 4, 22, 4}}});
    redMaterial(ModelPointsPolys());
}
void WindSockWWI::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) {
    patchUV(pp, statics::sock::kFirstPatchPoint);
}

void WindSockWWI::resetModel() {
    BaseObject::resetModel();
    const GLT2FN3FV3FFormat* table = tables().Main.PointsList;
    GLT2FN3FV3FFormat* p = ModelPointsPolys().ThePoints;
    for (int i = statics::sock::kFirstSockPoint; i < statics::sock::kFirstSockPoint + statics::sock::kSockPoints; ++i) {
        p[i].Y = table[i].Y;
        p[i].Z = table[i].Z;
    }
}

void WindSockWWI::doShadow(int32_t) {
    const std::array<double, 3> sun = sunInObject();
    GLT2FN3FV3FFormat* p = ModelPointsPolys().ThePoints + statics::sock::kFirstShadowPoint;
    if (!(sun[1] > 0.0)) {
        // Night: the strip's ends keep their X, so its two sides lie on each other and it shows
        // nothing (the table's X are all 0 before the first sunlit frame).
        const float z[4] = {-16, 16, 16, -16};
        for (int k = 0; k < 4; ++k) p[k].Z = z[k];
        return;
    }
    const double dx = std::clamp(sun[0] / sun[1] * -kPoleShadow, -kShadowReach, kShadowReach);
    const double dz = std::clamp(sun[2] / sun[1] * -kPoleShadow, -kShadowReach, kShadowReach);
    const double xz[4][2] = {{0, 0.2}, {dx, dz}, {dx, dz - 0.2}, {0, -0.2}};
    for (int k = 0; k < 4; ++k) {
        p[k].X = float(xz[k][0]);
        p[k].Z = float(xz[k][1]);
    }
}

void WindSockWWI::poseParts(int32_t) {
    const int32_t team = ThisModel.TheObject.Team;
    if (team >= 1 && team <= 4 && PolyListCopy)
        std::copy(kTeamCloth[team - 1].begin(), kTeamCloth[team - 1].end(),
                  PolyListCopy[statics::sock::kCloth].PolyColor.begin());
    const GLT2FN3FV3FFormat* table = tables().Main.PointsList;
    GLT2FN3FV3FFormat* p = ModelPointsPolys().ThePoints;
    const int first = statics::sock::kFirstSockPoint, end = first + statics::sock::kSockPoints;
    if (WindSpeed > 1.0) {
        turnFromTable(first, statics::sock::kSockPoints, windHeadingInObject() + flutter());
        for (int i = first; i < end; ++i) p[i].Y = table[i].Y;
        return;
    }
    // Calm: the cloth hangs 79 degrees down about the hoop's horizontal axis.
    const double c = std::cos(kDroop), s = std::sin(kDroop), axis = statics::sock::kAxisHeight;
    for (int i = first; i < end; ++i) {
        const double y = table[i].Y - axis, z = table[i].Z;
        p[i].X = table[i].X;
        p[i].Y = float(y * c - z * s + axis);
        p[i].Z = float(y * s + z * c);
    }
}

// ---- Race pylon.

const ModelTables& RacePylon::tables() const {
    static const ModelTables t =
        memberTables(&kPylonHeader, "RacePylonFilePP", kPylonMaps, RacePylonItems, statics::racePylonMesh());
    return t;
}
void RacePylon::setClassValues() {
    // Boxes that cover the tower and its mast to 90 ft.
    familyValues({{-6, 6, -0.1, 90, -6, 6}, 2000, 50, 50, 2, {0, 16, 24}, {{-6, 0, -6, 6, 90, 6}}});
    redMaterial(ModelPointsPolys());
}
void RacePylon::poseParts(int32_t) {
    // The banner is built along +X: in a wind it is turned a quarter less than the sock, so that
    // it streams downwind from the mast; in a calm it hangs as built.
    const double quarter = WindSpeed > 1.0 ? 1.5707963267948966 : 0.0;
    turnFromTable(statics::pylon::kFirstBannerPoint, statics::pylon::kBannerPoints,
                  windHeadingInObject() - quarter + flutter());
}

// ---- Bridges.

const ModelTables& BridgeWWI::tables() const {
    static const ModelTables t =
        memberTables(&kBridgeHeader, "BridgeWWIFilePP", kWoodMaps, BridgeWWIItems, statics::woodBridgeMesh());
    return t;
}
void BridgeWWI::setClassValues() {
    familyValues({{-7, 7, -0.1, 15, -15, 15}, 2000, 100, 100, 2, {0, 16, 16}, {{-10, 0, -17, 10, 18, 17}}});
}

const std::array<double, 3> BridgeSpWWI::kWorldPlace{(world::kBridgeMinX + world::kBridgeMaxX) / 2,
                                                     world::kBridgeDeckFeet - statics::stone::kDeck,
                                                     (world::kBridgeMinZ + world::kBridgeMaxZ) / 2};

const ModelTables& BridgeSpWWI::tables() const {
    static const ModelTables t =
        memberTables(&kStoneHeader, "BridgeSpWWIFilePP", kStoneMaps, BridgeSpWWIItems, statics::stoneBridgeMesh());
    return t;
}
void BridgeSpWWI::setClassValues() {
    // Four masonry blocks from the foot to the deck, and the deck over the three arches.
    familyValues({{-7, 7, -0.1, 15, -15, 15}, 20000, 0, 100, 2, {0, 16, 16},
                  {{-1760, 0, -17, -600, 550, 17}, {-600, 500, -17, -400, 550, 17}, {-400, 0, -17, -200, 550, 17},
                   {-200, 500, -17, 200, 550, 17}, {200, 0, -17, 400, 550, 17}, {400, 500, -17, 600, 550, 17},
                   {600, 0, -17, 1760, 550, 17}}});
}

// ---- Crater.

const ModelTables& Crater::tables() const {
    static const ModelTables t = memberTables(&kCraterHeader, "CraterFilePP", kCraterMaps, CraterItems, statics::craterMesh());
    return t;
}
void Crater::setClassValues() {
    familyValues({{-5, 5, -0.1, 15, -15, 15}, 20000, 1, 10, 5, {0, 35, 0}, {{-15, 0, -15, 15, 1, 15}}});
}
void Crater::afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) { patchUV(pp, 0); }

}  // namespace pellam
