#pragma once
// The shapes of the static ground objects, authored here in one place: the placeholder of the
// family, the big open hangar and the canvas hangar, the two plank huts, the wind sock, the race
// pylon, the wooden and the stone bridge, the crater and the two stone houses. Each is built once
// into plain tables; the vertex and polygon numbers below are the ones the objects pose each frame.
#include "core/Mesh.h"

namespace pellam::statics {

// Box shadows: quad A (footprint) then the two swept quads B and C, four points each.
struct ShadowPoints {
    int quadA;  // -1: the class has none
    int quadB;  // quad C follows at quadB + 4
};

namespace big {  // 120 points, 16 polygons
constexpr int kPoints = 120, kPolygons = 16, kDeadPolygon = 15, kFirstPatchPoint = 116, kFixedFootprint = 112;
constexpr ShadowPoints kShadow{100, 104};
}  // namespace big
namespace canvas {  // 56 points, 5 polygons
constexpr int kPoints = 56, kPolygons = 5, kDeadPolygon = 4, kFirstPatchPoint = 52;
constexpr ShadowPoints kShadow{40, 44};
}  // namespace canvas
namespace hut {  // 91 points, 8 polygons
constexpr int kPoints = 91, kPolygons = 8, kDeadPolygon = 6, kFirstPatchPoint = 86;
constexpr ShadowPoints kShadow{-1, 78};
}  // namespace hut
namespace sock {  // 125 points, 9 polygons
constexpr int kPoints = 125, kPolygons = 9, kDeadPolygon = 7, kFirstPatchPoint = 120, kCloth = 3;
constexpr int kFirstSockPoint = 72, kSockPoints = 36, kFirstShadowPoint = 108;
constexpr double kAxisHeight = 19.0;  // ft
}  // namespace sock
namespace pylon {  // 115 points, 6 polygons
constexpr int kPoints = 115, kPolygons = 6, kDeadPolygon = 4, kFirstBannerPoint = 36, kBannerPoints = 8;
constexpr int kFirstPatchPoint = 110;
}  // namespace pylon
namespace bridge {  // 145 points, 17 polygons
constexpr int kPoints = 145, kPolygons = 17, kDeadPolygon = 15;
}
namespace stone {  // 217 points, 20 polygons
constexpr int kPoints = 217, kPolygons = 20, kDeadPolygon = 18;
constexpr double kDeck = 550.0;  // ft above the model's foot
}  // namespace stone
namespace crater {  // 5 points, 2 polygons
constexpr int kPoints = 5, kPolygons = 2;
}
namespace house {  // 154 points, 26 polygons
constexpr int kPoints = 154, kPolygons = 26, kDeadPolygon = 24, kFirstSmokePolygon = 8, kFirstSmokePoint = 86;
constexpr int kFirstPatchPoint = 150;
constexpr ShadowPoints kShadow{74, 78};
}  // namespace house

const Mesh& baseObjectMesh();
const Mesh& bigHangarMesh();
const Mesh& canvasHangarMesh();
const Mesh& woodHutMesh(bool longer);
const Mesh& windSockMesh();
const Mesh& racePylonMesh();
const Mesh& woodBridgeMesh();
const Mesh& stoneBridgeMesh();
const Mesh& craterMesh();
const Mesh& frenchHouseMesh(bool longer);

}  // namespace pellam::statics
