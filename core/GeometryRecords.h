#pragma once
// The in-memory records that carry every 3-D object's shape: the header (Object3DData), the drawable
// object (OneCompleteObjectVer2) and its geometries (ObjectPointsPolysVer2), made of interleaved
// vertices, polygons, a run list of point indexes, texture slots and materials. Model classes build
// them once from their built-in tables (TableModel); the renderer draws them and the collision
// tests read their extents and boxes. Nothing here owns memory: pointers lead into the owning
// object or into the class's static tables.
#include <array>
#include <cstddef>
#include <cstdint>

namespace pellam {

// One vertex, laid out as OpenGL's GL_T2F_N3F_V3F interleaved format.
struct GLT2FN3FV3FFormat {
    float U, V;         // texture coordinate; in a points list a U below 0 ends the list
    float NX, NY, NZ;   // unit normal once prepared
    float X, Y, Z;      // position in the object's frame, ft
};
static_assert(sizeof(GLT2FN3FV3FFormat) == 32, "glInterleavedArrays(GL_T2F_N3F_V3F) needs 8 packed floats");

// Whether two vertices carry exactly the same normal: lit alike under a parallel light.
inline bool sameNormal(const GLT2FN3FV3FFormat& a, const GLT2FN3FV3FFormat& b) {
    return a.NX == b.NX && a.NY == b.NY && a.NZ == b.NZ;
}
static_assert(offsetof(GLT2FN3FV3FFormat, X) == 20);

// One polygon, drawn as one OpenGL primitive over its run of points.
struct OnePolygonVer2 {
    int16_t MapNumber = -1;        // index into MapListOffset; -1 ends a polygon list
    int16_t DefaultDrawType = 0;   // GL primitive: 0 points .. 9 polygon
    int32_t DrawHints = 0;         // renderer bits (culling, fog, lighting, depth, offset, texturing)
    int32_t AutoUVHint = -1;       // row of the class's UVFormula table; below 0 the table's U, V stand
    int32_t LightingHint = 0;      // 0 none; 1 and 3 adjust normals on the mirror plane
    std::array<float, 4> PolyColor{1.0f, 1.0f, 1.0f, 1.0f};
    float SpriteSize = 0.0f;
    int16_t MaterialLightDataOffset = 0;  // 0..9 into MaterialLightingData
    int16_t FirstItem = -1;        // index into RunItems; below 0 the polygon has no run
};

struct MaterialLightData {
    float AmbientRed, AmbientGreen, AmbientBlue, a1;
    float DiffuseRed, DiffuseGreen, DiffuseBlue, a2;
    float SpecularRed, SpecularGreen, SpecularBlue, a3;
    float Shinny;  // specular exponent
};
static_assert(sizeof(MaterialLightData) == 13 * sizeof(float), "passed to GL four floats at a time");

// One rule for automatic texture coordinates.
struct UVFormula {
    int32_t UAxis;   // 1 X, 2 Y, 3 Z; 7 the strip rule
    int32_t VAxis;   // 1 X, 2 Y, 3 Z, 4 Y with the seam fix
    int32_t UScale;  // signed; -1 mirrors
    int32_t VScale;
    double UPreOffset;   // added before scaling (the V offset under the strip rule)
    double VPreOffset;   // added before scaling (the U step under the strip rule)
    double UPostOffset;  // added last
    double VPostOffset;
    double Divisor;      // ft that one texture width spans
};

constexpr int kMaxMapEntries = 32;
constexpr int kMaxSizeSquares = 8;
constexpr int kMaxMaterials = 10;

// One geometry.
struct ObjectPointsPolysVer2 {
    std::array<char, 32> PointsPolysName{};      // zero-terminated
    GLT2FN3FV3FFormat* ThePoints = nullptr;      // ends at the first point whose U is below 0
    OnePolygonVer2* ThePolygons = nullptr;       // ends at MapNumber -1
    OnePolygonVer2* TheAltPolygons = nullptr;    // drawn far away when the object asks; may be null
    const uint16_t* RunItems = nullptr;          // at FirstItem: count n, then n point indexes
    std::array<int16_t, kMaxMapEntries> MapListOffset{};  // texture slot of each map-list entry
    std::array<float, 6> ObjectExtends{};        // min X, max X, min Y, max Y, min Z, max Z, ft
    float OverallSizeDistance = 0.0f;            // ft^2: 3 (largest extent + 5)^2; 0 cannot be hit
    int16_t NumberOfSizeSquares = 0;
    // Collision boxes SizeSquare1..SizeSquare8: min X, min Y, min Z, max X, max Y, max Z, then six unused.
    std::array<std::array<float, 12>, kMaxSizeSquares> SizeSquare{};
    std::array<MaterialLightData, kMaxMaterials> MaterialLightingData{};
};

// Item codes of AnimateItems.
enum AnimateItemCode : int16_t {
    kItemEndOfList = -1,
    kItemStartFalling = -3,
    kItemEndFalling = -5,
    kItemStartDeadOnGround = -6,
    kItemNoGroundSequence = -7,
    kItemEndDeadOnGround = -8,
};

constexpr int kMaxAnimateItems = 64;

// An object's header. Cleared when the object is made; the class and the mission start fill it.
struct Object3DData {
    std::array<char, 32> ObjectName{};
    int32_t ObjectFlags = 0;  // 0x1 not drawn, 0x4 items cycle, 0x10 falling sequence, 0x20 can be hit,
                              // 0x200 always drawn in full (no distance, behind, dot or alternate
                              // test), 0x400 dead-on-ground sequence, 0x20000 points of 48 bytes
                              // with an RGBA colour after U, V
    int32_t StartingObjectFlags = 0;
    std::array<float, 6> InitialPosition{};
    int32_t StaticDynamic = 0;
    int32_t NumberOfVertices = 0, AltNumberOfVertices = 0;
    float TooFar = 0, UseAlt = 0, Behind = 0, DotDistance = 0;  // ft
    std::array<int16_t, kMaxAnimateItems> AnimateItems{};
    int16_t CurrentAnimateItem = 0;
    int32_t GlobalDeadTime = 0;          // mission tick of death; 0 alive
    int32_t GlobalDeadOnGroundTime = 0;
    float GroundAltitude = 0;            // ft
    int32_t DeadAirFrameCount = 0, DeadFrameCount = 0;
    int16_t AnimateFrameTime = 0;        // ticks per item
    float ObjectHits = 0, ObjectHitsWhenDead = 0;
    float BlastDistance = 0;             // ft
    int16_t PointsAwarded = 0, Category = 0;
    float EyeRelativeX = 0, EyeRelativeY = 0, EyeRelativeZ = 0;
    int32_t OffsetToGTT = 0;
    std::array<double, 4> PassValues{};
    double InitialHeading = 0, Heading = 0;  // deg
    int32_t Team = 0;
    double InitialSpeed = 0, Speed = 0;
    std::array<double, 6> HitSquare{};   // min X, max X, min Y, max Y, min Z, max Z
    int32_t WhoKilledMe = 0;
};

constexpr int kMaxGeometries = 1 + 64;  // the main geometry and up to 64 alternates

// One drawable object.
struct OneCompleteObjectVer2 {
    Object3DData TheObject;
    std::array<double, 16> ObjectMatrix{};  // the pose for this frame; 12..14 the position
    // The object's geometries in one array: item j of AnimateItems draws ThePointsPolysData[j].
    ObjectPointsPolysVer2* ThePointsPolysData = nullptr;
    int32_t NumberOfPointsPolys = 0;        // entries of ThePointsPolysData that exist
    std::array<std::array<double, 16>, 10> OptionalObjectMatrix{};  // moving parts 1..10
};

// The point record of the older geometry format; the smoke polygons still use it.
struct XYZInput {
    int32_t TotalNormals = 0;   // below 0 ends a points list
    double MyX = 0, MyY = 0, MyZ = 0;
    float Myr = 0, Myg = 0, Myb = 0, Mya = 0;
    float OriginalNormalX = 0, OriginalNormalY = 0, OriginalNormalZ = 0;
};

struct PointUV {
    int16_t PointNumber = -1;  // below 0 ends a list
    float PointU = 0, PointV = 0;
};

struct OnePolygon {
    int16_t MapNumber = -1;
    int16_t DefaultDrawType = 0;
    int32_t DrawHints = 0;
    std::array<float, 6> PolyExtends{};
    std::array<float, 4> PlaneEquation{};
    std::array<double, 3> Normal{};
    int16_t PointListStart = 0;
    int16_t MaterialLightDataOffset = 0;
};

}  // namespace pellam
