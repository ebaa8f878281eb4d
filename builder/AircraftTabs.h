#pragma once
// The aircraft tabs and the victory location tabs of the builder window, as control state, and
// the three ways they meet the mission record: filled from it (after a world is added or a mission
// opened), read back into it (when saving), and a start copied onto its restart.
//
// Slot n (0..7) has a Start page (0) and a Restart page (1) showing AircraftStarts[n] with
// MissionStartLocations row n, and ResetAircraftStarts[n] with row n + 8. The class, the team,
// whether it comes back and its number of restarts belong to the slot, not to a page, so the
// two pages can never disagree about them.
#include <array>
#include <functional>
#include <string>

#include "missions/MissionBounds.h"
#include "missions/MissionRecord.h"

namespace pellam::builder {

// Pop-up items by position, each item's tag the record value it stands for (0: a separator).
inline constexpr std::array<int32_t, 5> kAircraftTypeItems = {55, 64, 77, 0, 1001};
// Start types stand at their value - 1: as placed, a random place, in the air near the enemy,
// and line abreast at 29.
inline constexpr std::array<int32_t, 30> kStartTypeItems = {1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                            0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30};
inline constexpr std::array<int32_t, 3> kAITypeItems = {1, 2, 5};
inline constexpr int kSkillColumns = 4;         // 0..2, 3 random
inline constexpr int kLocationModeColumns = 6;  // victory location flags 1..6
inline constexpr int kSpeedModeColumns = 3;     // victory speed flags 1..3
inline constexpr int32_t kMaxBombs = static_cast<int32_t>(missions::ranges::kBombs.high);

struct AircraftPage {
    std::string position;        // 542 "x, y, z" ft
    std::string heading;         // 543 deg
    std::string speed;           // 545 mph
    std::string throttle;        // 546 0..1
    bool gear = true;            // 547 down
    std::string randomDistance;  // 549 ft
    std::string fuel;            // 550 fuel load
    std::string flaps;           // 551
    std::string bombs;           // 552
    int startTypeItem = 0;       // 553
    int skillColumn = 3;         // 554
    int aiTypeItem = 0;          // 572
    int wingmanLeader = 1;       // 573 aircraft number 1..8
    int firstPathPoint = 1;      // 574 row number 1..200
    int patrolSeconds = 0;       // 575
    int attackDistance = 0;      // 576 ft
    int returnDistance = 0;      // 577 ft
    int objectAttackDistance = 0;  // 606 ft
};

struct AircraftSlot {
    std::array<AircraftPage, 2> pages;
    int typeItem = 0;            // 548
    std::string team = "Red";    // 544
    int comesBackColumn = 1;     // 556: column 0 yes
    int restarts = 0;            // 607, on the Restart page
    int onOffColumn = 0;         // toMBOnOff2..8: column 0 on (slot 0 has none)
};

struct VictoryLocationTab {
    std::string location;        // 559 "x, y, z" ft
    int modeColumn = 0;          // 560: flags - 1
    int nearDistance = 0;        // 561 ft
    int speed = 0;               // 562 mph
    int speedModeColumn = 0;     // 563: flags - 1
};

struct AircraftTabControls {
    std::array<AircraftSlot, 8> slots;
    std::array<VictoryLocationTab, 3> victoryLocations;
};

// Team number 1..4 of a typed team name in any case; 0 for any other text.
int32_t teamNumber(const std::string& text);

void fillInAircraftTabInfo(const missions::MissionData& mission, AircraftTabControls& tabs);
void fillInVictoryLocationInfo(const missions::MissionData& mission, AircraftTabControls& tabs);

// Reads every aircraft page into the record: AircraftStarts, ResetAircraftStarts, the start rows,
// the aircraft codes of ObjectList rows 2..9, the attack distances, restarts and on/off flags.
// `groundAt` answers the terrain height (ft) at x, z: a start less than 5 ft above it is stored
// on the ground (-1).
using GroundHeight = std::function<double(double x, double z)>;
void readAircraftTabs(const AircraftTabControls& tabs, missions::MissionData& mission, const GroundHeight& groundAt);

// Reads the three victory locations; a location text without exactly three numbers keeps the
// stored location. Answers how many did (the caller beeps for each).
int readVictoryLocations(const AircraftTabControls& tabs, missions::MissionData& mission);

// Slot n's start becomes its restart, in the record and on the Restart page. `shown`, when given
// (the tabs as last opened or saved), takes the restart as the record now holds it, all but the
// gear box, which counts as set.
void copyStartToRestart(missions::MissionData& mission, AircraftTabControls& tabs, AircraftTabControls* shown, int n);

}  // namespace pellam::builder
