// The network lobby: the network-game command opens the host/join window (or, during a game, the
// end dialog); Host starts a game here, Join opens the join window, whose Join (or a row's button
// in the table of public games) asks a host to take this pilot in. doAutoHost runs an unattended
// host once per frame.
#include <algorithm>
#include <optional>

#include "aircraft/FlyableAircraft.h"
#include "game/VADArizodazar2.h"
#include "net/GamesListClient.h"
#include "platform/Beep.h"
#include "platform/TickCount.h"

namespace pellam {

void VADArizodazar2::fromStartNetworkGame() {
    toMyZephGLView->sceneChanged();
    if (network_->getNetworkMode() == 0) {
        lobby.toPortNumber2.stringValue = store_.stringForKey("NetworkPortNumberKey").value_or("12301");
        lobby.portProblem.clear();
        lobby.toHostJoinWindow2.makeKeyAndOrderFront();
        return;
    }
    lobby.toEndNetworkGameDialog.makeKeyAndOrderFront();
    lobby_.doTheAutoHost = false;
    lobby_.AutoHostWasOn = false;
}

// The port field, refused (with a beep and the reason in the window) unless it is 1..65535.
bool VADArizodazar2::readPort() {
    const auto port = parsePort(lobby.toPortNumber2.stringValue);
    if (!port) {
        lobby.portProblem = "The port must be a whole number from 1 to 65535.";
        lobby.toPortNumber2.selectRequested = true;
        platform::SystemBeep();
        return false;
    }
    lobby.portProblem.clear();
    lobby_.NetworkPortNumber = *port;
    store_.setString("NetworkPortNumberKey", std::to_string(*port));
    return true;
}

void VADArizodazar2::fromHostNetworkGameButton() {
    if (!readPort()) return;
    lobby.toHostJoinWindow2.close();
    // Set before the mission starts: an unattended host without autopilot starts out of the way.
    lobby_.doTheAutoHost = lobby.toAutoHost.state;
    lobby_.UseHost = lobby.toAutoHost.state && lobby.toAutoHostAutoPilot.state;
    if (!lobby_.doTheAutoHost) lobby_.AutoHostWasOn = false;
    lobby_.LastHostGamePost = 0;  // a listed game is announced in its first frame
    // The mission chosen in Select Mission, though it was not flown yet.
    const long mission = mission_.TheMissions.record(mission_.TempNewMissionNumber) ? mission_.TempNewMissionNumber : mission_.CurrentMissionNumber;
    if (!hostNetworkGame(static_cast<uint16_t>(lobby_.NetworkPortNumber), mission)) {
        lobby_.doTheAutoHost = false;
        tellPlayer("The network game could not be started: " + network_->startError());
    }
}

void VADArizodazar2::fromNetworkGameJoinButton() {
    if (!readPort()) return;
    lobby.toHostJoinWindow2.close();
    lobby.toJoinRefreshEnabled = prefs_.DoCheckForGames == 0;
    lobby.toDontCheckGames.state = prefs_.DoCheckForGames != 0;
    lobby.toNewJoinerWindow.makeKeyAndOrderFront();
    lobby_.lastCheckForGameTime = 0;
    checkForNetworkGames(true);
}

namespace {

struct HostAddress {
    uint32_t address;
    uint16_t port;
};

// Four numbers, and the host's port after a colon where it differs from `port`.
std::optional<HostAddress> hostAddress(std::string_view typed, uint16_t port) {
    const size_t colon = typed.rfind(':');
    const auto address = parseIPv4(typed.substr(0, colon));
    const auto given = colon == std::string_view::npos ? std::optional<uint16_t>(port) : parsePort(typed.substr(colon + 1));
    if (!address || !given) return std::nullopt;
    return HostAddress{*address, *given};
}

}  // namespace

void VADArizodazar2::joinAddressEdited() {
    if (hostAddress(lobby.toNewIPAddress.stringValue, static_cast<uint16_t>(lobby_.NetworkPortNumber)))
        lobby.addressProblem.clear();
}

void VADArizodazar2::fromJoinButton() {
    // A refused address stays in the field for mending, the reason beside it.
    const auto host = hostAddress(lobby.toNewIPAddress.stringValue, static_cast<uint16_t>(lobby_.NetworkPortNumber));
    if (!host) {
        lobby.addressProblem = "Bad IP Address";
        lobby.toNewIPAddress.selectRequested = true;
        platform::SystemBeep();
        return;
    }
    lobby.addressProblem.clear();
    lobby_.NetworkPortNumber = host->port;
    int32_t team = 1;
    const RadioMatrix& teams = lobby.toNewJoinTeamRequest;
    for (int cell = 0; cell < 4; ++cell)
        if (teams.cellAt(cell / 2, cell % 2)) team = cell + 1;
    const int item = std::clamp(lobby.toNewJoinerAircraftType, 0, 2);
    prefs_.DoCheckForGames = lobby.toDontCheckGames.state ? 1 : 0;
    store_.setInteger("CheckForPublicGamesKey", prefs_.DoCheckForGames);
    lobby.toNewJoinerWindow.close();
    if (!joinNetworkGame(host->address, host->port, team, LobbyControls::kAircraftTags[item]))
        tellPlayer("The network game could not be joined: " + network_->startError());
}

void VADArizodazar2::buttonAction() {
    // The list may have been fetched anew since the row was chosen: only a row it holds joins.
    if (lobby_.currentNumberOfPublicGames == 0 || lobby_.JoinerPublicRow < 0 || lobby_.JoinerPublicRow >= lobby_.currentNumberOfPublicGames) {
        platform::SystemBeep();
        return;
    }
    const PublicGames& game = lobby_.PGames[lobby_.JoinerPublicRow];
    lobby.toNewIPAddress.stringValue = pageTextForDisplay(game.theIP);
    lobby_.NetworkPortNumber = static_cast<int32_t>(game.Port);
    lobby_.lastCheckForGameTime = 0;
    fromJoinButton();
}

void VADArizodazar2::fromEndNetworkGameOkay() {
    lobby.toEndNetworkGameDialog.close();
    endNetworkGame();
}

void VADArizodazar2::doAutoHost() {
    if (!lobby_.doTheAutoHost) return;
    if (lobby_.UseHost && clock_.gamePause)
        if (FlyableAircraft* own = aircraftAt(ModelArray::kFirstAircraft)) own->turnAutoPilotOn();
    if (!network_->getInTextMode() && network_->getJoinerPending()) {
        network_->acceptJoinerPublic();
        return;
    }
    if (!clock_.gamePause) {
        if (!network_->getImInGameOver()) {
            clock_.gamePause = true;
            HandleCursorType(1, prefs_.MousePosFeedback);
            return;
        }
        // Game over: the window stays up five seconds (300 ticks), then the game goes on.
        const auto now = static_cast<uint32_t>(platform::TickCount());
        if (lobby_.AutoRestartTime == 0) lobby_.AutoRestartTime = std::max<uint32_t>(now + 300, 1);
        if (static_cast<int32_t>(now - lobby_.AutoRestartTime) >= 0) {  // signed: the counter may wrap meanwhile
            ui_.toGameOverWindow.close();
            network_->setImInGameOver(false);
            network_->setHostSendGameOver(false, 0);
            lobby_.AutoRestart = true;
        }
        return;
    }
    if (network_->getOthersInGameOver() == 0 && lobby_.AutoRestart) {
        newDocument();
        lobby_.AutoRestart = false;
        lobby_.AutoRestartTime = 0;
    }
}

}  // namespace pellam
