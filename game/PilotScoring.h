#pragma once
// The pilots' careers and the scoring of the game running: the five stored careers and who flies,
// the kill tallies of the eight aircraft and the teams, the points and landings of this game, and
// the player's name as peers read it. The careers are read at sign-in and saved as they change;
// the tallies are cleared as each game starts.
#include <array>
#include <cstdint>
#include <string>

#include "game/PilotType.h"

namespace pellam {

struct PilotScoring {
    PilotTable PilotStats{};
    // The stored records were read (or none were stored): only then are they saved over.
    bool PilotStatsLoaded = false;
    long CurrentPilotNumber = 0;
    std::string pilotBlockMessage;  // why the stored pilot records could not be used, when they could not

    // This game's tallies.
    std::array<std::array<int32_t, 2>, 8> AircraftResults{};  // per slot: kills, deaths
    std::array<int32_t, 4> TeamResults{};                     // kills per team 1..4
    std::array<int32_t, 4> LeftTeamKills{};  // per team 1..4, kills of pilots who have left the game
    int32_t DeadObjectPoints = 0;   // points of the objects the player's team destroyed
    int32_t PilotAliveTime = 0;     // live steps not yet counted as flight seconds
    int32_t Landings = 0;
    int32_t DogfightKillType = 0;   // 0 individual kills, 1 team kills
    bool DisplayPilotDied = false;  // the pilot-died window is still to be shown
    bool HaveClearedStats = false;  // this game's death has already cost the career
    bool onlineGameCredited_ = false;  // a joiner's tallies went into the career for this game

    std::array<uint8_t, 48> PlayerNameString{};  // the player's name as peers read it

    // The signed-in pilot's index; a stray number reads as the first pilot.
    int pilotIndex() const { return CurrentPilotNumber >= 0 && CurrentPilotNumber < kPilotCount ? int(CurrentPilotNumber) : 0; }
    PilotType& current() { return PilotStats[pilotIndex()]; }
    const PilotType& current() const { return PilotStats[pilotIndex()]; }

    // A new game: no tallies (nobody has left), points or landings yet, and a joiner's career not
    // yet credited.
    void startGame();
    // One live tick: every 60 of them a second of the signed-in pilot's flight time. True when
    // that completes a minute, which is then worth saving.
    bool countLiveTick();
    // The signed-in pilot destroyed an object: its category's count (category 0 for one outside
    // 0..31) and the score grow. False, nothing changed, when no pilot is signed in.
    bool creditObject(int32_t category, int32_t points);
};

}  // namespace pellam
