// The public games list on the controller's side: a listed hosted game is announced once a minute
// and reported ended; the join window's list is fetched, and its table filled from it. The HTTP
// requests go through GamesListClient's worker: nothing here waits for the network.
#include <algorithm>

#include "aircraft/FlyableAircraft.h"
#include "game/VADArizodazar2.h"
#include "net/GamesListClient.h"
#include "platform/TickCount.h"

namespace pellam {

std::string VADArizodazar2::gamesListBase() const {
    std::string base = store_.stringForKey("GamesListServerKey").value_or("");
    base.erase(0, base.find_first_not_of(" \t"));
    base.erase(base.find_last_not_of(" \t") + 1);
    if (base.empty()) return base;
    if (base.find("://") == std::string::npos) base = "http://" + base;
    if (base.back() != '/') base += '/';
    return base;
}

void VADArizodazar2::sendHostDataToServer() {
    lobby_.AnnouncedJoiners = network_->numberOfJoiners();
    const std::string base = gamesListBase();
    if (base.empty()) return;
    Announcement game;
    // The pilot's name inside the player string: after "#1:", before the seven-character tail.
    const int length = std::min<int>(pilots_.PlayerNameString[0], int(pilots_.PlayerNameString.size()) - 1);
    if (length > 10) game.hostName.assign(pilots_.PlayerNameString.begin() + 4, pilots_.PlayerNameString.begin() + length - 6);
    game.port = lobby_.NetworkPortNumber;
    game.players = lobby_.AnnouncedJoiners + 1;
    game.title = lobby.toHostMessage;
    // The host and every joiner's aircraft (the remote ones), by team.
    for (long slot = 0; slot < 8; ++slot) {
        FlyableAircraft* aircraft = aircraftAt(slot + ModelArray::kFirstAircraft);
        if (!aircraft || (slot > 0 && aircraft->getRemoteLocal() == 0)) continue;
        const int32_t team = aircraft->getTeamNumber();
        if (team >= 1 && team <= 4) ++game.teams[team - 1];
    }
    if (game.port == 0) {
        lobby_.gamesList().reportEnd(announcementUrl(base, game));
    } else {
        lobby_.gamesList().announce(announcementUrl(base, game));
    }
}

void VADArizodazar2::tellServerToEnd() {
    if (!ui_.toListGamePublicly.state || !network_->amIHost() || network_->getNetworkMode() == 0) return;
    const int32_t port = lobby_.NetworkPortNumber;
    lobby_.NetworkPortNumber = 0;  // port 0: the game has ended
    sendHostDataToServer();
    lobby_.NetworkPortNumber = port;
    lobby_.LastHostGamePost = 0;
}

bool VADArizodazar2::hearGamesListAnswer() {
    GamesListClient* client = lobby_.gamesListIfMade();
    const std::optional<FetchedPage> answer = client ? client->takeAnnounced() : std::nullopt;
    if (!answer) return false;
    if (answer->status == 202) {
        tellPlayer("The public games list keeps your game but does not show it: its page is full of games of "
                   "networks that list fewer. It will be shown once there is room.");
    } else if (answer->ok && answer->page.starts_with("listed, shown in turns")) {
        tellPlayer("The public games list shows your game in turns: its page is full, so your game is missing "
                   "from some of the lists players see.");
    } else if (answer->status < 200 || answer->status > 299) {
        tellGamesListRefusal(*answer);
    }
    return true;
}

// The host hears of each refusal once a run, in the server's words where it gave any: one status
// may stand for several reasons (429 for this address's games, this network's, or too many
// requests), and each is told. No answer at all is told once, whatever its cause. A refused game
// is offered again with each minute's announcement.
void VADArizodazar2::tellGamesListRefusal(const FetchedPage& answer) {
    auto& told = lobby_.refusalsTold;
    const std::pair<long, std::string> why{answer.status, answer.status == 0 ? std::string() : answer.reason};
    if (std::find(told.begin(), told.end(), why) != told.end()) return;
    told.push_back(why);
    if (answer.status == 0) {
        tellPlayer("The public games list did not answer when your game was announced (" + answer.error +
                   "): players may not find it there. It is announced again each minute.");
        return;
    }
    std::string reason = answer.reason;
    if (reason.empty()) reason = answer.status == 429 ? "too many requests" : "it answered " + std::to_string(answer.status);
    tellPlayer("The public games list does not list your game: " + reason + ". It is announced again each minute.");
}

void VADArizodazar2::checkForNetworkGames(bool force) {
    if (GamesListClient* client = lobby_.gamesListIfMade())
        if (auto fetched = client->takeFetched()) {
            if (fetched->ok) {
                lobby_.currentNumberOfPublicGames = parseGamesPage(fetched->page, lobby_.PGames);
                lobby_.gamesListProblem.clear();
                lobby_.JoinerPublicRow = -1;  // the rows may now be other games
            } else {  // the last list stays, marked as old
                lobby_.gamesListProblem = fetched->error;
                if (!fetched->reason.empty()) lobby_.gamesListProblem += ": " + fetched->reason;
            }
        }
    if (prefs_.DoCheckForGames != 0) return;
    const std::string base = gamesListBase();
    if (base.empty()) return;
    const auto now = static_cast<uint32_t>(platform::TickCount());
    if (!force && lobby_.lastCheckForGameTime != 0 && now - lobby_.lastCheckForGameTime <= 3600) return;
    lobby_.lastCheckForGameTime = std::max<uint32_t>(now, 1);
    lobby_.gamesList().fetch(gamesListUrl(base));
}

std::string VADArizodazar2::joinTableValue(int column, int row) {
    checkForNetworkGames(false);
    if (lobby_.currentNumberOfPublicGames == 0) {
        if (column == 0 || column == 1 || column == 3) return " ";
        if (column != 2) return "---";
        if (prefs_.DoCheckForGames != 0) return "didn't check for public games";
        if (gamesListBase().empty()) return "didn't check for public games: no games-list server is set in the Preferences";
        if (GamesListClient* client = lobby_.gamesListIfMade(); client && client->fetching()) return "looking for public games...";
        if (!lobby_.gamesListProblem.empty()) return "couldn't reach the games list (" + lobby_.gamesListProblem + ")";
        return "no games currently available";
    }
    if (row < 0 || row >= lobby_.currentNumberOfPublicGames) return "---";
    const PublicGames& game = lobby_.PGames[row];
    switch (column) {
    case 0: return std::to_string(row + 1);
    case 1: return pageTextForDisplay(game.HostName);
    case 2: return pageTextForDisplay(game.HostMessage);
    case 3: {
        std::string players = game.NumberPlayers;
        std::replace(players.begin(), players.end(), '\r', '\n');
        return players;
    }
    default: return "---";
    }
}

std::string VADArizodazar2::staleGamesNotice() const {
    if (lobby_.currentNumberOfPublicGames == 0 || lobby_.gamesListProblem.empty()) return {};
    return "Couldn't refresh the games list (" + lobby_.gamesListProblem +
           "). The games below are from the last list and may be out of date.";
}

bool VADArizodazar2::joinTableShouldSelectRow(int row) {
    if (lobby_.currentNumberOfPublicGames == 0 || row < 0 || row >= lobby_.currentNumberOfPublicGames) return false;
    lobby_.JoinerPublicRow = row;
    return true;
}

}  // namespace pellam
