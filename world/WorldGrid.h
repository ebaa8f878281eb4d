#pragma once
// The terrain grid and the layout of the files that describe it. Shared by the terrain and by the
// generator that writes the files, so both agree on every size.
//
// The grid is kGridSize x kGridSize posts kSquareFeet apart, post (i, j) at X = i x 1760 ft,
// Z = j x 1760 ft. "RIDUdidavData" holds the posts' heights, row by row (row j runs along X),
// as big-endian signed 16-bit metres with no header. "RIDUdidavSurface" holds one byte per
// 1760-ft square (i, j) spanning [i, i+1] x [j, j+1] posts, row by row the same way: the ground
// texture code in the low four bits and the square's road edges in the high four.
#include <array>
#include <cstddef>
#include <cstdint>

namespace pellam::world {

constexpr int kGridSize = 2300;                 // posts per row, and rows
constexpr double kSquareFeet = 1760.0;          // ft between posts; one road square
constexpr double kFeetPerMetre = 3.2808399;
constexpr size_t kElevationBytes = size_t(kGridSize) * kGridSize * 2;
constexpr size_t kSurfaceBytes = size_t(kGridSize) * kGridSize;
static_assert(kElevationBytes == 10'580'000);

inline constexpr char kElevationFile[] = "RIDUdidavData";
inline constexpr char kSurfaceFile[] = "RIDUdidavSurface";

// Ground texture codes of the surface file (low four bits).
enum GroundCode : uint8_t {
    kWater = 0,
    kWheatField = 1,
    kWoodland = 2,      // trees grow here
    kPasture = 3,
    kPloughed = 4,
    kChalkDown = 5,
    kVillage = 6,
    kTown = 7,
    kShellMud = 8,      // the shell-torn belt of the front
    kTrenches = 9,      // craters and trench lines at the heart of the belt
    kMarsh = 10,
    kBeetField = 11,
    kGroundCodes = 12,
};

// File names of the ground textures by code, under "Necessary Data/Textures/".
inline constexpr std::array<const char*, kGroundCodes> kGroundTextureNames = {
    "TerWater", "TerWheat", "TerWoods", "TerPasture", "TerPlough", "TerChalk",
    "TerVillage", "TerTown", "TerShellMud", "TerTrenches", "TerMarsh", "TerBeet"};
// Colour-keyed road overlays (the trailing A asks the loader for a key colour), and the detail map.
inline constexpr char kRoadStraightTexture[] = "TerRoadStraightA";
inline constexpr char kRoadBendTexture[] = "TerRoadBendA";
inline constexpr char kDetailTexture[] = "TerDetail";

// Road edges of a square (high four bits of a surface byte).
enum RoadEdge : uint8_t { kEdgeLowZ = 1, kEdgeHighX = 2, kEdgeHighZ = 4, kEdgeLowX = 8 };

// Road codes: low byte the road texture (20 straight, 21 bend), high byte its quarter turns.
constexpr int32_t kNoRoad = -1;
constexpr int32_t kRoadAlongZ = 20, kRoadAlongX = 276;
constexpr int32_t kBendHighXLowZ = 21, kBendHighXHighZ = 277, kBendLowXHighZ = 533, kBendLowXLowZ = 789;

// The one code a square answers for its edges. Where more than two edges meet, a straight road
// wins over a bend; a road that ends inside the square answers its own straight piece.
constexpr int32_t roadCodeForEdges(uint8_t edges) {
    edges &= 15;
    if (edges == 0) return kNoRoad;
    if ((edges & (kEdgeLowZ | kEdgeHighZ)) == (kEdgeLowZ | kEdgeHighZ)) return kRoadAlongZ;
    if ((edges & (kEdgeLowX | kEdgeHighX)) == (kEdgeLowX | kEdgeHighX)) return kRoadAlongX;
    if ((edges & (kEdgeHighX | kEdgeLowZ)) == (kEdgeHighX | kEdgeLowZ)) return kBendHighXLowZ;
    if ((edges & (kEdgeHighX | kEdgeHighZ)) == (kEdgeHighX | kEdgeHighZ)) return kBendHighXHighZ;
    if ((edges & (kEdgeLowX | kEdgeHighZ)) == (kEdgeLowX | kEdgeHighZ)) return kBendLowXHighZ;
    if ((edges & (kEdgeLowX | kEdgeLowZ)) == (kEdgeLowX | kEdgeLowZ)) return kBendLowXLowZ;
    return (edges & (kEdgeLowZ | kEdgeHighZ)) ? kRoadAlongZ : kRoadAlongX;
}

// The world's extent, ft (+X east, +Z north).
constexpr double kWorldMinX = 52800.0, kWorldMaxX = 3696000.0;
constexpr double kWorldMinZ = 52800.0, kWorldMaxZ = 3168000.0;

// The raised strip carried by the long bridge north of Reims, ft.
constexpr double kBridgeMinX = 2329330.0, kBridgeMaxX = 2329390.0;
constexpr double kBridgeMinZ = 1844460.0, kBridgeMaxZ = 1848020.0;
constexpr double kBridgeDeckFeet = 850.0;

}  // namespace pellam::world
