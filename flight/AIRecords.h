#pragma once
// Records of the AI pilots and their paths, as the flight model and the aircraft hold them. The
// missions subsystem owns and fills them; the aircraft only keep them (`TakeOffPoints`, the
// profile pointer) and the AI pilot reads them.
#include <array>
#include <cstdint>

namespace pellam {

// One waypoint of an AI or ground-vehicle path.
struct aiFlyToPoint {
    std::array<double, 3> PointXYZ{};  // ft; fraction of Y x 1000 = start-delay spread, s
    double PSTargets = 0;              // primary index x 65536 + secondary index or delay
    double ThrottlePosition = 0;       // 0..1
    double TargetClimbDiveSpeed = 0;   // ft/min
    int32_t Flags = 0;                 // 0x1 landing, 0x2..0x10 flaps, 0x20 brakes, 0x40.. roles
    int32_t NextPoint = 0;             // 0..199
};

// One manoeuvre entry of a pilot profile.
struct ManeuverDetails {
    double ManeuverProbability = 0;  // 0..1
    double Throttle = 0;             // 0..1
    double Gear = 0;
    double Flaps = 0;
    double minAltitude = 0;  // ft above ground
    double minSpeed = 0;     // mph
};

// One AI pilot's profile.
struct AIPilotProfile {
    double MaxAOA = 0;              // fraction of PlusStall
    double HardTurnClimbDive = 0;   // ft/min
    double MaxBankSpeed = 0;        // 0..1
    double ShootDistance = 0;       // ft
    double XAim = 0, YAim = 0;      // half-widths of the firing window, ratios
    double LeadPursuitDistance = 0; // ft
    double RudderAimingFactor = 0;
    int32_t LastIsVisible = 0;
    double AIPilotBomberSkill = 0;
    std::array<ManeuverDetails, 24> EachManeuver{};
};

}  // namespace pellam
