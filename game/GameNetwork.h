#pragma once
// The network object as the controller sees it: the protocol engine on one side, the running
// controller's aircraft, rules, starts, sounds and paint jobs on the other. main.cpp makes one,
// hands it to the controller in its links and attaches the controller once it is made.
#include <array>
#include <cstdint>
#include <string>

#include "aircraft/RemoteRecord.h"
#include "game/Neighbours.h"
#include "net/EngineServices.h"
#include "net/NetworkSockets.h"

namespace pellam {

class VADArizodazar2;

class GameNetwork : public ControllerNetwork, private net::EngineServices {
public:
    GameNetwork() = default;
    ~GameNetwork() override;
    void attach(VADArizodazar2* game);
    net::BSDNetworkSockets& sockets() { return link_; }

    // ---- ControllerNetwork.
    int32_t getNetworkMode() override { return link_.getNetworkMode(); }
    bool amIHost() override { return link_.amIHost(); }
    void NetworkComm(int32_t missionTime) override { link_.NetworkComm(missionTime); }
    bool getInTextMode() override { return link_.getInTextMode() != 0; }
    void handleTypingAMessage(int32_t key) override { link_.handleTypingAMessage(key); }
    bool getJoinerPending() override { return link_.getJoinerPending() != 0; }
    void setMessageChannel(int32_t team) override { link_.setMessageChannel(team); }
    void declineJoiner() override { link_.declineJoiner(); }
    void acceptJoinerPublic() override { link_.acceptJoinerPublic(); }
    double getNetworkPlayDelay() override { return link_.getNetworkPlayDelay(); }
    bool networkAndJoiner() override { return link_.networkAndJoiner(); }
    int32_t getJoinerNumber() override { return link_.getJoinerNumber(); }
    int32_t getJoinerTeam(long slot) override { return link_.getJoinerTeam(static_cast<int>(slot)); }
    int32_t getJoinerTypeForJoiner(long slot) override { return link_.getJoinerTypeForJoiner(static_cast<int>(slot)); }
    void setHostTeam(int32_t team) override { link_.setHostTeam(team); }
    void setVersionNumber(int32_t version, int32_t appID, int32_t totalMissions) override {
        link_.setVersionNumber(version, appID, totalMissions);
    }
    void setHostSendGameOver(bool over, int32_t result) override { link_.setHostSendGameOver(over, result == 1); }
    void setImInGameOver(bool over) override { link_.setImInGameOver(over); }
    bool getImInGameOver() override { return link_.getImInGameOver() != 0; }
    int32_t getHostResult() override { return link_.getHostResult(); }
    int32_t getOthersInGameOver() override { return link_.getOthersInGameOver(); }
    int32_t getlocalDogfightGameKills() override { return link_.getlocalDogfightGameKills(); }
    int32_t getDogKillType() override { return link_.getDogKillType(); }
    std::string getThisPlayerNamesPtr(long slot) override {
        return link_.getThisPlayerNamesPtr(static_cast<int>(slot));
    }
    void setJoinerParticularsName(const std::array<uint8_t, 48>& name, uint32_t address, int32_t team,
                                  int32_t serialNumber, int32_t mission) override;
    int32_t startNetworkRoutines(uint16_t port, int32_t role) override;
    std::string startError() override { return link_.startError(); }
    uint16_t localPort() override { return link_.socketOpen() ? link_.localPort() : 0; }
    // Returns at once: the quit packets go on off the frame, 3 ticks apart (a host's, round its
    // joiners) or 20 (a joiner's).
    void closeNetworkRoutines() override { link_.closeNetworkRoutines(); }
    int32_t numberOfJoiners() override { return link_.numberOfJoiners(); }
    void setResetTimeMissionNumber(long mission, bool idHelp, int32_t killsToWin, int32_t cameraRule, bool dogfightOnly,
                                   int32_t start, int32_t restart, int32_t killType, bool closeID, double windSpeed,
                                   double windDirection) override;
    MessageLinesPtr getMessageLines() override {
        return reinterpret_cast<MessageLinesPtr>(link_.getMessageLines().data());
    }

private:
    // ---- What the engine asks of the game (slots in this machine's numbering).
    SlotAircraft aircraftInSlot(int slot) override;
    bool doIhaveBombs(int joiner) override;
    uint32_t getMissionHash() override;
    double getMissionSeconds() override;
    void startJoinerAircraft(int joiner, int32_t team, int32_t aircraftType) override;
    wire::StateBlockBytes stateBlock(int slot) override;
    double totalHits(int slot) override;
    void reportNetworkHits(int slot, double hits) override;
    bool resetRecently(int slot) override;
    void clearHits(int slot) override;
    uint8_t kills(int slot) override;
    int modelCount() override;
    bool isDead(int modelIndex) override;
    Facts aircraftFacts(int slot) override;
    int32_t resetTick(int slot, int32_t now) override;
    Applied applyStateBlock(int slot, const wire::StateBlockBytes& block, int32_t delay) override;
    void setRemoteLocal(int slot, bool remote) override;
    void setWhoShotMe(int slot, int32_t who) override;
    void objectDeadFromNetwork(int modelIndex, int reporter, int32_t gameTime, bool credit) override;
    std::array<std::array<int32_t, 2>, 8>& aircraftResults() override;
    std::array<int32_t, 4>& teamResults() override;
    std::array<int32_t, 4>& leftTeamKills() override;
    void setIDHelp(bool idHelp, bool closeID) override;
    void setCameraRule(int32_t rule) override;
    void setDogfightOnly(bool dogfightOnly, bool airGroundStart, int32_t restart) override;
    void setMissionHash(uint32_t hash, double seconds) override;
    void setMyJoinerBombs(bool bombs, int joiner) override;
    void setNetworkDogfightOnlyTeam(int32_t team, int slot) override;
    void setNetworkAircraftTypeForAircraft(int slot, int32_t type) override;
    void startThisAircraft(int slot, bool fromStart) override;
    void parkAircraft(int slot) override;
    void setMissionNumber(int32_t mission) override;
    void StartMission() override;
    void joinerGotEndOfGame() override;
    int32_t getJoinerAircraftType() override;
    std::string autoMessage(int k) override;
    void playSound(int32_t sound, int32_t volume) override;
    int32_t tryForCustomPaintJobBig(const std::string& name) override;
    int32_t tryForCustomPaintJobSmall(const std::string& name) override;
    void deleteTexture(int32_t texture) override;
    void setCustomPaintJob(int slot, int32_t big, int32_t small) override;
    void joinerLeft(int slot) override;
    void setKillsAside(int slot);

    net::BSDNetworkSockets link_;
    VADArizodazar2* game_ = nullptr;  // not owned
    std::array<RemoteShown, 8> shown_{};
    std::array<std::array<int32_t, 2>, 8> noResults_{};
    std::array<int32_t, 4> noTeams_{}, noLeft_{};
};

}  // namespace pellam
