#pragma once
// The state of the mission being flown: which slot of the mission table runs, the weather and time
// drawn for it, how its victory stands and the aircraft restarts. Start-up sets it to mission 0;
// each new game (newDocument) draws the weather and clears the victory's progress.
#include <array>
#include <cstdint>
#include <string>

#include "core/Services.h"
#include "missions/MissionTable.h"

namespace pellam {

struct MissionState {
    missions::MissionTable TheMissions;
    int32_t CurrentMissionNumber = 0;           // the slot flown; 0..205
    int32_t PreviousCurrentMissionNumber = -1;  // the slot the model array was built for; -1 none
    long TempNewMissionNumber = 0;              // the slot chosen in the mission menu
    // Why the world could not be made (a missing or broken terrain file, say); the game then
    // shows it and will not fly.
    std::string worldProblem;

    // Time and weather of the game running.
    double TimeOfDay = 12;                      // hours, or hundredths << 16 | hours
    long CloudLayerState = 0;                   // where the camera is against the cloud layers
    double RandomWindSpeed = 0, RandomWindDirection = 0;  // mph, deg
    double CloudTransitionDepth = 150.0;        // ft
    double MissionHaze = 0;                     // fog density

    // Group random numbers: a new one is drawn only while doNewRandomRestart is set, so objects
    // placed together share one offset and heading.
    bool doNewRandomRestart = true;
    double GroupRandomStartNumber = 0, GroupRandomStartHeading = 0;

    // The quick dogfight's rules.
    bool isDogfightOnly = false, DogfightAirGroundStart = false;
    int32_t DogfightOnlyRestartType = 1;        // 0 air, 1 ground, 2 random
    int32_t DogfightOnlyVKills = 5;             // kills that win

    // The victory's progress, cleared as each game starts.
    bool CantWinMission = false, BeenAbove100Feet = false;
    std::array<bool, 3> LocationCompletedFlags{};
    int32_t GameOverTime = 0;                   // mission ticks when the game ended; 0 not over
    bool HaveDoneGameOver = false;              // the end window has been shown
    bool decided() const { return GameOverTime != 0 || HaveDoneGameOver; }

    // Aircraft starts.
    std::array<int32_t, 8> AircraftRestartCount{};
    std::array<double, 4> TheAircraftRandom{};  // last random place: three draws and the distance
    int32_t CustomPaintJobNumber = 0, CustomPaintJobNumber2 = 0;

    // The current mission's record and texts; null when the number names no slot.
    missions::MissionData* current() { return TheMissions.record(CurrentMissionNumber); }
    const missions::MissionData* current() const { return TheMissions.record(CurrentMissionNumber); }
    const missions::MissionTexts* currentTexts() const { return TheMissions.texts(CurrentMissionNumber); }
    // The next game flies `slot`; a number outside the table leaves the choice as it was.
    void select(long slot) {
        if (slot >= 0 && slot < missions::MissionTable::kSlots) CurrentMissionNumber = static_cast<int32_t>(slot);
    }
    // The next game builds its world again from the mission's record.
    void forgetBuiltWorld() { PreviousCurrentMissionNumber = -1; }

    // What a network player's type or team overwrote in the mission's slot n (1..7), kept until
    // that player goes.
    struct KeptMissionAircraft {
        bool kept = false;
        long mission = 0;
        int32_t type = 0, resetType = 0;
        double team = 0;
    };
    // A new game: not over, nothing reached or landed on yet.
    void startVictory() {
        HaveDoneGameOver = false;
        GameOverTime = 0;
        BeenAbove100Feet = false;
        LocationCompletedFlags = {};
    }

    // Keeps slot n of the current mission unless it is kept already; false outside 1..7.
    bool keepAircraft(long n);
    // What was kept for slot n, now no longer kept; `kept` false when nothing was.
    KeptMissionAircraft takeKeptAircraft(long n);

private:
    std::array<KeptMissionAircraft, ModelArray::kAircraftSlots> keptMissionAircraft_{};
};

}  // namespace pellam
