#pragma once
// The range of every number in a mission record. A mission file may come from another player, so
// its numbers are held to these ranges as it is read (boundMissionRecord, called by the reader),
// and the mission builder clamps what is typed with the same ranges, so a saved mission reads back
// unchanged. A value outside its range becomes the nearer end. The ranges are wide enough for
// every mission this game writes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "missions/MissionRecord.h"
#include "objects/GroundClutter.h"

namespace pellam::missions {

struct Range {
    double low, high;

    // A NaN is taken as 0, or as `low` in a range without 0.
    constexpr double clamp(double v) const {
        if (v != v) return low > 0.0 || high < 0.0 ? low : 0.0;
        return v < low ? low : v > high ? high : v;
    }
    constexpr int32_t clamp(int32_t v) const {
        return v < low ? static_cast<int32_t>(low) : v > high ? static_cast<int32_t>(high) : v;
    }
    // A double as a whole number in the range (cut toward zero), for fields kept as integers.
    constexpr int32_t whole(double v) const { return static_cast<int32_t>(clamp(v)); }
};

namespace ranges {

// Places, ft: X and Z anywhere in the largest of the builder's worlds (the Western Front lies in
// 52,800 .. 3,696,000), heights from a parked aircraft's -10,000 to well above any ceiling.
// Kept far inside the 32-bit range that replays store whole feet in.
inline constexpr Range kPlaceXZ{-1478400.0, 5068800.0};
inline constexpr Range kHeight{-10000.0, 100000.0};
inline constexpr Range kHeading{-720.0, 720.0};              // deg; 360 and above keeps a random start's heading
inline constexpr Range kSpeedMph{0.0, 300.0};
inline constexpr Range kDistance{0.0, 100000.0};             // ft: attack, patrol, spreads, near distances
inline constexpr Range kRandomStartDistance{0.0, 1000000.0}; // ft, Seed bits 0-23
inline constexpr Range kFraction{0.0, 1.0};                  // throttle, gear, flaps, fuel
inline constexpr Range kTeam{0.0, 4.0};                      // 1..4; 0 none
inline constexpr Range kClimbRate{-5000.0, 5000.0};          // ft/min
inline constexpr Range kCloudHeight{0.0, 100000.0};          // ft
inline constexpr Range kCloudThickness{0.0, 20000.0};        // ft; the game takes below 150 as 150
inline constexpr Range kCeiling{1.0, 50000.0};               // ft, as the builder sets it
inline constexpr Range kWindSpeed{-1.0, 60.0};               // mph; negative: drawn at each start
inline constexpr Range kWindDirection{-360.0, 360.0};        // deg
inline constexpr Range kWindPitch{-90.0, 90.0};              // deg
inline constexpr Range kCameraHeading{-180.0, 180.0};        // deg
inline constexpr Range kCameraPitch{-90.0, 10.0};            // deg
inline constexpr Range kSeconds{0.0, 1e10};                  // s since 2001
inline constexpr Range kUnused{-1e9, 1e9};                   // reserve doubles nothing reads

inline constexpr Range kMissionPoints{0.0, 25000.0};
inline constexpr Range kTimeOfDay{0.0, 0x0FFFFFFF};          // packed: hours 0-15, hundredths 16-27
inline constexpr Range kStartPlace{0.0, 7.0};                // restarts add 8
inline constexpr Range kBombs{0.0, 6.0};                     // what the racks hold
inline constexpr Range kSkill{0.0, 9.0};                     // the AI pilot profiles; 3 drawn
inline constexpr Range kAIType{-5.0, 5.0};                   // 0 the player, 1 fighter, 2 wingman, 5 patrol
inline constexpr Range kPathPoint{-1.0, kFlyToPoints - 1.0}; // -1 none
inline constexpr Range kPatrolSeconds{0.0, 3600.0};
inline constexpr Range kWingmanLeader{-1.0, 7.0};            // -1 none
inline constexpr Range kPathTargets{0.0, (kMaxObjects - 1) * 65536.0 + 65535.0};  // two object rows
inline constexpr Range kObjectRow{0.0, kMaxObjects - 1.0};
inline constexpr Range kObjectPoints{-1.0, 10000.0};         // -1 the object's own value
inline constexpr Range kObjectDistance{0.0, 100000.0};       // ft, whole
inline constexpr Range kRestarts{0.0, 1000.0};               // 0 without limit
inline constexpr Range kOnOff{0.0, 1.0};
inline constexpr Range kTreeFamily{0.0, GroundClutter::kFamilies - 1.0};
inline constexpr Range kCloudTexture{0.0, 0x7FFF};
inline constexpr Range kWorld{0.0, 6.0};
inline constexpr Range kVictoryCount{0.0, 100.0};            // landings, kills, team kills
inline constexpr Range kVictoryPoints{0.0, 5000000.0};
inline constexpr Range kListedObjects{0.0, 20.0};
inline constexpr Range kTimeLimitTicks{0.0, 600 * 3600.0};   // 600 min
inline constexpr Range kNoWinTicks{0.0, 10000 * 60.0};       // 10,000 s
inline constexpr Range kLocationKind{1.0, 6.0};              // 1 none, 2 near, 3..6 past a line
inline constexpr Range kSpeedRule{0.0, 3.0};                 // 1 any, 2 faster, 3 slower

}  // namespace ranges

// What bounding a record changed: how many values, and the first of them as "field value -> new".
struct BoundsReport {
    int changed = 0;
    std::string first;
};

// One bounded number of the record: its name ("AircraftStarts[2].Heading"), where it lies, whether it
// is a double (else a 32-bit long) and its range.
struct BoundedField {
    std::string name;
    size_t offset;
    bool isDouble;
    Range range;
};
// Every bounded number, in field order.
const std::vector<BoundedField>& boundedMissionFields();

// Holds every number of the record to its range, in place. Fields whose every value has a meaning
// (object codes, bit fields, flags read as zero or not) are left as they are.
BoundsReport boundMissionRecord(MissionData& record);
// The same for a record read from `file`, with a log line naming the file when anything changed.
void boundMissionRecord(MissionData& record, const std::string& file);

}  // namespace pellam::missions
