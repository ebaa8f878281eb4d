#pragma once
// The drawn shape of one flyable aircraft type: built once per class from its modeller function,
// then shared by every aircraft of that class (the factory makes aircraft in mid-game, so nothing
// here is rebuilt per aircraft). Each aircraft keeps its own copies of the points and polygons,
// which its animation moves and its damage hides.
#include <array>
#include <string>
#include <vector>

#include "aircraft/draw/Modeller.h"
#include "core/GeometryRecords.h"

namespace pellam::looks {

struct AircraftModel {
    std::string name;                              // geometry name, "<Class>FilePP"
    std::vector<GLT2FN3FV3FFormat> points;         // normals prepared; ends with a U -1 row
    std::vector<OnePolygonVer2> polygons;          // ends with MapNumber -1; polygon 0 the hit flash
    std::vector<uint16_t> runs;
    std::vector<MovingGroup> groups;
    std::array<MaterialLightData, kMaxMaterials> materials{};
    std::array<std::string, kMapCount> maps;       // texture file names, by Map
    std::array<std::string, 2> teamPaint;          // paint of teams 1 and 3, and of teams 2 and 4
    std::array<std::string, 4> teamColour;         // the colour of teams 1 to 4
    std::array<float, 6> extents{};                // min X, max X, min Y, max Y, min Z, max Z
    float overallSizeDistance = 0;
    // Looping sounds: engine heard in the cockpit at power and at idle, and from outside.
    int engineInside = 17, engineIdle = 22, engineOutside = 25;
    int propDiscFirst = -1, propDiscCount = 0;     // polygons of the propeller's blur
    // Points the gear collapse moves when the undercarriage is broken.
    int gearFirst = 0, gearCount = 0;
    V3 gearHinge;
};

// The three types' shapes, built on first use.
const AircraftModel& camelModel();
const AircraftModel& fokkerDr1Model();
const AircraftModel& fokkerDVIIModel();

// Shared finishing: takes the builder's tables, prepares normals and extents, sets materials.
AircraftModel finishModel(const char* name, Modeller& b, const std::array<std::string, kMapCount>& maps,
                          const std::array<std::string, 2>& teamPaint);

// Outline helpers shared by the three modellers.
std::vector<std::array<float, 2>> ellipseOutline(float cx, float cy, float rx, float ry, int segments,
                                                 float from = 0, float to = 6.2831853f);
// Roundel (blue, white, red) and 1918 straight-sided cross, lying on a plane.
void roundel(Modeller& b, V3 centre, V3 normal, float radius);
void balkenkreuz(Modeller& b, V3 centre, V3 along, V3 across, float halfSpan);

}  // namespace pellam::looks
