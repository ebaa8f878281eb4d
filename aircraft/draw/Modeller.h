#pragma once
// A small modeller for the flyable aircraft: writes the model's tables (core/Mesh) from wing
// panels, lofted bodies, slabs, tubes and decals, keeping the hit flash's reserved numbers. Body axes: X right,
// Y up, Z forward, feet. Faces wind counter-clockwise seen from outside (right-hand normal out).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/GeometryRecords.h"
#include "core/Mesh.h"

namespace pellam::looks {

struct V3 {
    float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
V3 cross(V3 a, V3 b);
float dot(V3 a, V3 b);
V3 unit(V3 a);

// Texture maps every aircraft model lists, in this order.
enum Map : int16_t {
    kMapPaint = 0,     // the team's doped (or printed) fabric; swapped for team and paint jobs
    kMapUnderside,     // the lower surfaces' fabric
    kMapWood,          // propeller, struts, cockpit
    kMapMetal,         // cowling, guns, fittings
    kMapDial,          // instrument faces
    kMapPlain,         // plain white: the material gives the colour
    kMapWingTop,       // the wings' upper fabric (printed lozenge on the Fokkers)
    kMapTeam,          // the team's colour: cowling, wheel covers, tail; swapped for the team
    kMapCount
};

// Materials every aircraft model lists, in this order.
enum Material : int16_t {
    kMatWhite = 0, kMatRed, kMatBlue, kMatBlack, kMatLinen, kMatSteel, kMatBrass, kMatLeather, kMatSkin,
    kMatDark
};

// Parts whose points the per-frame animation moves.
enum class Mover : uint8_t {
    Elevator, Rudder, AileronLeft, AileronRight, Propeller, Wheels, Gear, StickPitch, StickRoll, RudderBar,
    Head, NeedleSpeed, NeedleAltitude, NeedleRevs, NeedleFuel,
    Body  // the pilot's shoulders: gone with him when he bails out
};

// A run of points turned about a hinge: axis 0 X, 1 Y, 2 Z through `hinge`, after turning the
// axis by `tilt` degrees about Z (tiltAxis 2) or Y (tiltAxis 1) when tiltAxis is not 0.
struct MovingGroup {
    Mover mover;
    int first = 0, count = 0;
    V3 hinge;
    int axis = 0;
    int tiltAxis = 0;
    double tilt = 0;
    double scale = 1;  // degrees per unit of the driving value
};

class Modeller {
public:
    // Points reserved for the hit flash: the quad sits at these indexes, whatever comes before it.
    static constexpr int kHitFlashPoint = 2884;
    // The quad the aircraft record names (HitFlashPointStart, HitFlashPolyNumber): a second,
    // alternate flash quad that stays hidden.
    static constexpr int kAltFlashPoint = 729, kAltFlashPolygon = 43;

    Modeller();
    void style(int16_t map, int16_t material, int32_t hints = 0) {
        map_ = map;
        material_ = material;
        hints_ = hints;
    }
    void uvScale(float feet) { uvScale_ = feet; }

    int point(V3 p, float u, float v);
    // One polygon over existing points, with the current style.
    void poly(int16_t mode, const std::vector<int>& indexes);
    // Flat polygon with planar texture coordinates; turned to face `outward` when a hint is given.
    void face(std::vector<V3> corners, V3 outward = {});
    void faceBothSides(const std::vector<V3>& corners);
    // Drawn with the part's matrix from here on: 1-based part number m.
    void marker(int m);

    // A closed loft through rings of equal point count (each ring in order around the body).
    // smooth: rings share points so the lighting runs round; caps close the first and last ring.
    void loft(const std::vector<std::vector<V3>>& rings, bool smooth, bool capFirst, bool capLast);
    // A flat outline (in the plane spanned by `u` and `v` at `origin`) given thickness along u x v.
    void slab(const std::vector<std::array<float, 2>>& outline, V3 origin, V3 u, V3 v, float thickness);
    void box(V3 lo, V3 hi);
    void tube(V3 a, V3 b, float radius, int sides = 6, bool caps = false);
    // Disc and annulus facing `normal`, `up` giving the in-plane orientation.
    void disc(V3 centre, V3 normal, float radius, int segments = 16);
    void annulus(V3 centre, V3 normal, float r0, float r1, int segments = 16);
    // A rectangle decal: half sizes along a and b, lying on the plane through centre with normal.
    void rect(V3 centre, V3 a, V3 b, float ha, float hb);

    // A wing panel from x0 to x1 (either order) at height y (at x0), leading edge z, chord,
    // thickness as a fraction of chord, dihedral deg, sweep of the leading edge (ft over the span).
    // Only the part of the chord between c0 and c1 (fractions) is built.
    struct WingPanel {
        float x0, x1, y, zLeadingEdge, chord, thickness, dihedral = 0, sweep = 0, c0 = 0, c1 = 1;
        float incidence = 0;  // deg, nose up
        bool capRoot = false, capTip = true;
        int16_t topMap = kMapPaint, bottomMap = kMapUnderside;
        int16_t topMaterial = kMatWhite, bottomMaterial = kMatWhite;
    };
    void wing(const WingPanel& w);
    // Body height of the wing panel's upper surface at (x, chord fraction), for placing decals.
    static V3 wingPoint(const WingPanel& w, float x, float c, bool top);

    void beginGroup() { groupStart_ = int(mesh_.points.size()); }
    MovingGroup endGroup(Mover mover, V3 hinge, int axis, double scale, int tiltAxis = 0, double tilt = 0);
    void addGroup(const MovingGroup& g) { groups_.push_back(g); }

    // The finished tables: points ended by a U -1 row, polygons ended by MapNumber -1.
    std::vector<GLT2FN3FV3FFormat>& points() { return mesh_.points; }
    std::vector<OnePolygonVer2>& polygons() { return mesh_.polygons; }
    std::vector<uint16_t>& runs() { return mesh_.runs; }
    std::vector<MovingGroup>& groups() { return groups_; }
    void finish();

    // Polygons of the propeller's blur disc, shown only while the engine turns it fast.
    int propDiscFirst = -1, propDiscCount = 0;

private:
    void padToHitFlash();
    // Slips the reserved flash points and polygon in when the tables reach their indexes.
    void reservePoints();
    void reservePolygons();
    void faceRun(const std::vector<V3>& corners, int16_t mode);

    Mesh mesh_;
    std::vector<MovingGroup> groups_;
    int16_t map_ = kMapPaint, material_ = kMatWhite;
    int32_t hints_ = 0;
    float uvScale_ = 4.0f;
    int groupStart_ = 0;
    bool flashPlaced_ = false;
    bool altPointsPlaced_ = false;
};

}  // namespace pellam::looks
