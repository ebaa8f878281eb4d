#pragma once
// What the AI pilot's files share: angle wrapping, the pilot's profile, own height and speed.
#include <algorithm>
#include <cmath>

#include "core/Degrees.h"
#include "core/ZephModel.h"
#include "flight/AIPilotProfiles.h"
#include "flight/Aircraft.h"

namespace pellam::ai {

// rad: the half and whole turn the pilot's wrap was tuned with (not kPi: a wrap by 2 pi would move
// every fight).
inline constexpr double kHalfTurn = 3.141592654;
inline constexpr double kTurn = 6.283185307;
inline constexpr double kMph = 40.9;         // mph per ft/tick
inline constexpr double kGPerUnit = 111.9403027;
inline constexpr int kPathPoints = 200;      // the mission's path table

// One wrap into [-pi, pi]: enough for the difference of two wrapped angles.
inline double wrapPi(double e) {
    if (e > kHalfTurn) e -= kTurn;
    if (e < -kHalfTurn) e += kTurn;
    return e;
}
inline double wrap180(double e) {
    if (e > 180.0) e -= 360.0;
    if (e < -180.0) e += 360.0;
    return e;
}

// The pilot's profile. The number comes from a mission file, so it is held to the table; an
// aircraft without a table flies with the built-in profiles.
inline const AIPilotProfile& profileOf(const Aircraft& a) {
    const int n = std::clamp(a.aiPilotNumber, 0, kAIPilotProfiles - 1);
    const AIPilotProfile* table = a.aiPilotsPtr ? a.aiPilotsPtr : builtInPilotProfiles();
    return table[n];
}

inline double mphOf(const Aircraft& a) { return a.CurrentVelocity * kMph; }

inline double heightOf(ZephModel* aircraft) {
    QNion p;
    aircraft->getModelPositionQNion(&p);
    return p.Position[1];
}

inline double aboveGround(ZephModel* aircraft, const Aircraft& a) { return heightOf(aircraft) - a.GroundAltitude; }

inline double verticalSpeed(ZephModel* aircraft) { return aircraft->getXYZVelocities()[1]; }  // ft/tick

// The aircraft with number n (0..7) and its record, or null.
inline Aircraft* recordOf(ModelArray* objects, long n, ZephModel** object = nullptr) {
    if (!objects || n < 0 || n >= ModelArray::kAircraftSlots) return nullptr;
    ZephModel* m = objects->at(n + ModelArray::kFirstAircraft);
    if (object) *object = m;
    return m ? m->getAircraftStruct() : nullptr;
}

// A path point by number, null for a number outside the table or no table.
inline const aiFlyToPoint* pathPoint(const aiFlyToPoint* points, long n) {
    return points && n >= 0 && n < kPathPoints ? points + n : nullptr;
}

inline const aiFlyToPoint* flyToPointsOf(ZephModel* aircraft) {
    ControllerServices* c = aircraft->getaController();
    return c ? c->getFlyToPoints() : nullptr;
}

}  // namespace pellam::ai
