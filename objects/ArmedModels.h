#pragma once
// The shapes of the armed ground units, authored here: a kite balloon with its fins, rigging,
// basket and observer, and an anti-aircraft gun in a sandbagged pit with its pedestal, barrel,
// burst and flash sprites and scorched patch. Both are built once into plain tables.
#include <cstdint>
#include <vector>

#include "core/GeometryRecords.h"
#include "core/Mesh.h"

namespace pellam::armed {

// Balloon: polygons 0..17 the balloon (map 0), 18 the scorched patch (map 3, hidden) over
// points 155..158; 159 points. Nose along +z.
namespace balloon {
constexpr int kPoints = 159, kPolygons = 19, kBalloonPolygons = 18, kPatch = 18, kFirstPatchPoint = 155;
}
const Mesh& balloonMesh();

// Gun pit: polygons 0..15 the bursts (points 116 + 4k), 16..18 the muzzle flashes (points
// 180 + 4k), 19 the scorched patch (points 192..195), 20..21 the pit (points 0..26), 22 the turret
// marker, 23 the pedestal (points 27..42), 24 the barrel marker, 25..32 the gun (points 43..115).
namespace pit {
constexpr int kPoints = 196, kPolygons = 33, kBursts = 16, kFlashes = 3, kFirstBurstPoint = 116,
              kFirstFlashPoint = 180, kFirstFlashPolygon = 16, kPatch = 19, kPit = 20;
constexpr double kPivot = 7.0;  // ft above the base: the barrel's trunnions
}
const Mesh& gunPitMesh();

}  // namespace pellam::armed

namespace pellam::armed {
// The ten materials the armed units share: white, specular 1 and shininess 30, but material 1
// without specular, 2 with shininess 10 and 3 with 90.
void standardMaterials(ObjectPointsPolysVer2& g);
// What every ground object sets of itself: hits and blast reach that kill it, the points and
// category it scores, its standard materials, and the animation list showing item 0 alone.
void groundObjectValues(Object3DData& o, ObjectPointsPolysVer2& g, float hitsWhenDead, float blastDistance,
                        int16_t points, int16_t category);
// Destroyed: dead, and killed by a shooter on record (the uncredited bomber's 23 included).
inline bool killedOnRecord(const Object3DData& o) { return o.GlobalDeadTime != 0 && o.WhoKilledMe >= 0; }
}  // namespace pellam::armed
