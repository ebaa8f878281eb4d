#pragma once
// The weapons record of an armed ground unit or the bomber's rear gunner. The owner fills the
// gun and bomb fields and fires its own bullets; the tracking and flak operations keep the aim
// fields from call to call. Cleared when the unit is made.
#include <array>
#include <cstdint>

namespace pellam {

struct ObjectFireData {
    int16_t NumberOfGuns = 0;
    int16_t NumberOfBombs = 0;
    int16_t NumberOfAAA = 0;                // below 1: neither tracking nor flak does anything
    int16_t NumberOfMorter = 0;
    std::array<std::array<float, 3>, 4> GunsFrom{};           // unit frame, ft
    std::array<std::array<float, 3>, 6> BombsFrom{};
    std::array<std::array<float, 3>, 6> BombDropLocation{};
    int32_t BulletOffset = 0;
    float BulletPunch = 0;
    int16_t FireDelayTime = 0;              // ticks between flak shots, at least
    float FireDistance = 0;                 // ft: half width of the square of sky watched
    float Accuracy = 0;                     // the crew's skill, 0..1
    float AAAPower = 0;                     // hits of a burst at zero miss distance
    float AAADistance = 0;                  // ft: miss distance at which a burst stops hurting
    int16_t TrackingAircraft = -1;          // 0..7, -1 none
    float AimingAccuracy = 0;               // built up while the target holds its course
    float AircraftHeading = 0;              // deg, the target's at the previous call
    float AircraftAltitude = 0;             // ft
    float AltitudeChange = 0;               // ft per call
    int32_t LastFireTime = 0;               // mission tick; no flak shot until after it
};

}  // namespace pellam
