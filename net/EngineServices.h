#pragma once
// What the protocol engine asks of the running game besides the setup and data senders' needs:
// the aircraft of each slot, the controller's rules and starts, kills, sounds and paint jobs.
// Slots are this machine's numbering (its own aircraft in slot 0, slot n at model index n + 2).
#include <array>
#include <cstdint>
#include <string>

#include "net/NetworkSockets.h"

namespace pellam::net {

class EngineServices : public SetupServices, public DataServices {
public:
    struct Facts {
        bool present = false;        // a flyable aircraft stands in the slot
        int32_t team = 0;
        int32_t aircraftType = 0;
        double height = 0;           // ft
        int32_t whoShotMe = 0;
    };
    virtual Facts aircraftFacts(int slot) = 0;
    // The tick the slot's aircraft was last set up, on the clock of the step whose tick is `now`.
    virtual int32_t resetTick(int slot, int32_t now) = 0;
    struct Applied {
        bool gameOver = false;       // the sender is in game over
        bool hostWon = false;
    };
    // Applies a received state block to the slot's aircraft, caught up by `delay` ticks.
    virtual Applied applyStateBlock(int slot, const wire::StateBlockBytes& block, int32_t delay) = 0;
    virtual void setRemoteLocal(int slot, bool remote) = 0;
    virtual void setWhoShotMe(int slot, int32_t who) = 0;
    // A ground object another machine reports destroyed; `reporter` is the host slot that saw it
    // go, credited through the kill routine when `credit` is set (on the host).
    virtual void objectDeadFromNetwork(int modelIndex, int reporter, int32_t gameTime, bool credit) = 0;
    virtual std::array<std::array<int32_t, 2>, 8>& aircraftResults() = 0;  // [slot][0]: kills
    virtual std::array<int32_t, 4>& teamResults() = 0;
    // Kills of teams 1..4 by pilots who have left this game: the host's own tally, on a joiner
    // as the host last announced it. They count in the team's total.
    virtual std::array<int32_t, 4>& leftTeamKills() = 0;

    // The controller's rules and starts.
    virtual void setIDHelp(bool idHelp, bool closeID) = 0;
    virtual void setCameraRule(int32_t rule) = 0;
    virtual void setDogfightOnly(bool dogfightOnly, bool airGroundStart, int32_t restart) = 0;
    virtual void setMissionHash(uint32_t hash, double seconds) = 0;
    virtual void setMyJoinerBombs(bool bombs, int joiner) = 0;
    virtual void setNetworkDogfightOnlyTeam(int32_t team, int slot) = 0;
    virtual void setNetworkAircraftTypeForAircraft(int slot, int32_t type) = 0;
    virtual void startThisAircraft(int slot, bool fromStart) = 0;
    virtual void parkAircraft(int slot) { (void)slot; }  // out of play, below the world
    virtual void setMissionNumber(int32_t mission) = 0;
    virtual void StartMission() = 0;
    virtual void joinerGotEndOfGame() = 0;
    virtual int32_t getJoinerAircraftType() = 0;  // what the join window asked for
    virtual std::string autoMessage(int k) = 0;   // canned line k (0..7)

    virtual void playSound(int32_t sound, int32_t volume) = 0;
    // Paint jobs: a texture number, 0 or less for none.
    virtual int32_t tryForCustomPaintJobBig(const std::string& name) = 0;
    virtual int32_t tryForCustomPaintJobSmall(const std::string& name) = 0;
    virtual void deleteTexture(int32_t texture) = 0;
    virtual void setCustomPaintJob(int slot, int32_t big, int32_t small) = 0;
    // Host: the joiner of `slot` has left (quit, fell silent, or the game closed). In a game not
    // yet decided his kills stay his team's and his slot goes back to the mission's own aircraft;
    // a decided game keeps everything as it stands until the next.
    virtual void joinerLeft(int slot) { (void)slot; }
};

}  // namespace pellam::net
