#pragma once
// What each flyable aircraft keeps for its drawing: its copies of the class's points and polygons,
// the records the renderer reads, the animation's running angles, the smoke ring and the paint.
#include <array>
#include <cstdint>
#include <vector>

#include "core/GeometryRecords.h"
#include "core/Services.h"

namespace pellam {

namespace looks {
struct AircraftModel;
}

// One piece of an aircraft's smoke ring: a puff of smoke or dust, or one frame of a tracer.
struct OneSmokePiece {
    enum Kind : int16_t { kTracer = 1, kGroundStrike = 2, kDamageSmoke = 3, kEngineSmoke = 4, kFire = 5 };
    int32_t TimeStarted = -1000;          // mission tick it appeared; -1000 free
    int16_t Kind = 0;
    int16_t Life = 0;                     // ticks it lasts
    std::array<double, 3> Position{};     // world ft; a tracer's tail
    std::array<double, 3> Movement{};     // ft/tick drift; a tracer's head, world ft
    float Size = 0;                       // ft across when it appears
    float Grow = 0;                       // ft per tick
};

namespace looks {

struct AircraftDrawState {
    static constexpr int kSmokePieces = 700;

    const AircraftModel* model = nullptr;  // the class's shared shape; null until initWithGLView
    // This aircraft's copies: the animation writes the points, damage hides polygons.
    std::vector<GLT2FN3FV3FFormat> TemplatePointsListCopy;
    std::vector<OnePolygonVer2> TemplatePolyListCopy;
    ObjectPointsPolysVer2 pointsPolys{};
    ViewServices* view = nullptr;          // not owned
    std::array<int32_t, 2> teamPaintSlots{{-1, -1}};
    std::array<int32_t, 4> teamColourSlots{{-1, -1, -1, -1}};
    int32_t smokeSlot = -1;                // the soft puff every smoke piece is drawn with
    int32_t charredSlot = -1;              // the burnt fabric of a wreck that blew up
    std::array<int16_t, kMaxMapEntries> baseSlots{};  // the model's own textures, before team and damage

    double propAngle = 0;                  // deg
    double wheelAngle = 0;                 // deg
    int32_t HitFlashFlag = 0;              // frames the flash stays dark
    bool CameraOnMe = false;
    double cameraDistance = 15.0;          // 5 in the cockpit
    int32_t lastEngineSound = -1;          // looping sound this aircraft started, -1 none
    bool gunSoundOn = false;
    int32_t lastSmokeTick = -1;            // mission tick smoke was last made
    std::array<int16_t, kSmokePieces> smokeOrder{};  // live pieces, farthest from the eye first
};

}  // namespace looks
}  // namespace pellam
