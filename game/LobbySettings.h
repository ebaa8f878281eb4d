#pragma once
// The settings and state of network play outside the game itself: the port, address, team and
// aircraft asked for, the unattended host, the mission a host names, and the public games list
// with the join table's choice. Set from the lobby's windows and the network; kept for the run.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "net/GamesListClient.h"
#include "net/PublicGames.h"

namespace pellam {

struct LobbySettings {
    int32_t NetworkPortNumber = 12301;  // 1..65535
    uint32_t JoinAddress = 0;           // host order; 127.0.0.1 is 0x7F000001
    int32_t TeamRequest = 1;            // 1 red, 2 blue, 3 yellow, 4 black
    int32_t JoinerTypeRequest = 3;      // 55 Camel, 64 D.VII, 77 Dr.I once asked for
    uint32_t NetworkMissionHash = 0;    // a host's user mission: its hash and date
    double NetworkMissionSeconds = 0;

    // The unattended host.
    bool doTheAutoHost = false, UseHost = false, AutoHostWasOn = false;
    bool AutoRestart = false;
    uint32_t AutoRestartTime = 0;       // ticks; 0: not set
    uint32_t WaitingForOthersTime = 0;  // tick count when the others were last seen in game over
    uint32_t LastHostGamePost = 0;      // ticks of the last announcement; 0: never
    int32_t AnnouncedJoiners = 0;       // joiners in the game at the last announcement

    // The public games list and the join table.
    PublicGamesList PGames;
    int32_t currentNumberOfPublicGames = 0;  // 0..100
    int32_t JoinerPublicRow = 0;
    uint32_t lastCheckForGameTime = 0;       // ticks; 0: never
    std::string gamesListProblem;            // why the last fetch failed; empty when it did not
    long gamesListTimeoutMs = 3000;          // bounds each games-list request, connection included
    // The announcement's refusals told this run, each by its status and the server's words for it
    // (status 0: no answer, whatever the reason).
    std::vector<std::pair<long, std::string>> refusalsTold;

    // The list's client, made when the list is first used.
    GamesListClient& gamesList() {
        if (!gamesList_) gamesList_ = std::make_unique<GamesListClient>(gamesListTimeoutMs);
        return *gamesList_;
    }
    // The client when it has been made; null before.
    GamesListClient* gamesListIfMade() { return gamesList_.get(); }

private:
    std::unique_ptr<GamesListClient> gamesList_;
};

}  // namespace pellam
