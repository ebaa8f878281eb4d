#include <algorithm>
#include <cstdio>
#include <cstring>

#include "net/MessageLineText.h"
#include "net/NetworkSockets.h"
#include "platform/TickCount.h"

namespace pellam::net {
namespace {

constexpr size_t kKillsLineChars = 122;
constexpr std::string_view kKillsEntries =
    "Kills:  #1R: 0   #2R: 0   #3R: 0   #4R: 0   #5R: 0   #6R: 0   #7R: 0   #8R: 0   ";

}  // namespace

std::string_view BSDNetworkSockets::messageLine(int line) const {
    if (line < 0 || line >= 6) return {};
    const MessageLine& l = MessageLines[line];
    return {reinterpret_cast<const char*>(l.data() + 1), std::min<size_t>(l[0], kMaxLineChars)};
}

void BSDNetworkSockets::setMessageLine(int line, std::string_view text) {
    if (line < 0 || line >= 6) return;
    MessageLine& l = MessageLines[line];
    const size_t n = std::min(text.size(), kMaxLineChars);
    std::fill(l.begin(), l.begin() + kMaxLineChars + 1, uint8_t{0});
    l[0] = static_cast<uint8_t>(n);
    std::copy_n(text.begin(), n, l.begin() + 1);
}

void BSDNetworkSockets::resetForStart() {
    for (MessageLine& line : MessageLines) {
        line.fill(0);
        line[254] = line[255] = kNoRelay;
    }
    setMessageLine(5, std::string(kKillsEntries) + std::string(38, ' ') + ":00 ");
    static_assert(kKillsEntries.size() + 38 + 4 == kKillsLineChars);
    for (size_t i = 1; i < 8; ++i) AllPlayerNames[i].clear();
    NetworkPlayDelay = 0;
    NewInTime = 0;
}

void BSDNetworkSockets::setMode(int32_t mode, int32_t ownTeam) {
    NetworkMode = mode;
    if (mode == kJoining || mode == kHosting) {
        setMessageLine(4, mode == kJoining ? "Waiting for Host to Accept you" : kWaitingForJoiners);
        std::string own = PlayerNameString;
        if (!own.empty()) own.pop_back();
        if (own.size() >= 5) own[own.size() - 5] = teamLetter(ownTeam, own[own.size() - 5]);  // the team letter
        setMessageLine(0, own);
        HostOrJoiner = mode == kJoining ? kJoiner : kHost;
    } else if (mode == kClosing) {
        for (int line = 0; line < 5; ++line) setMessageLine(line, {});
        putAt(MessageLines[5], 90, std::string(32, ' '));
        for (size_t i = 1; i < 8; ++i) AllPlayerNames[i].clear();
    }
}

void BSDNetworkSockets::setResetTime(const GameRules& rules, double windSpeed, double windDirection) {
    Rules = rules;
    MissionNumber = rules.missionNumber;
    NewResetTime = NewInTime = platform::TickCount();
    HostSendGameOver = 0;
    // The joiners' game over was the last game's: kept, it would spare a pilot who pauses early in
    // the new one his forfeit until each joiner's next record came in.
    JoinerInGameOver.fill(false);
    OthersInGameOver = 0;
    NWindSpeed = windSpeed;
    NWindDir = windDirection;
    writeRuleMarks();
    putAt(MessageLines[5], 81, std::string(20, ' '));
}

void BSDNetworkSockets::writeRuleMarks() {
    const GameRules& rules = Rules;
    MessageLine& kills = MessageLines[5];
    char number[8];
    std::snprintf(number, sizeof number, "%3d", std::clamp<int>(rules.killsToWin, 0, 100));
    putAt(kills, 114, "K");
    putAt(kills, 115, number);
    putAt(kills, 110, "C");
    putAt(kills, 111, rules.cameraRule == 1 ? "Y" : rules.cameraRule == 2 ? "I" : "A");
    putAt(kills, 103, rules.dogfightOnly ? "DO" : "  ");
    putAt(kills, 107, rules.dogKillType == 0 ? "I" : "T");
}

void BSDNetworkSockets::setHostTeam(int32_t team) {
    HostTeam = team;
    OriginalJoinerTeamRequest[0] = team;
}

void BSDNetworkSockets::setJoinerParticularsName(std::string_view playerString, uint32_t hostAddress, int32_t team,
                                                 int32_t missionNumber) {
    // The own line under the old name: its head, and its length (the player string's but one).
    const std::string oldHead = "#1:" + std::string(nameInPlayerString(PlayerNameString)) + ':';
    const size_t oldLength = PlayerNameString.empty() ? 0 : PlayerNameString.size() - 1;
    PlayerNameString = std::string(playerString.substr(0, kMaxNameChars + 10));
    AllPlayerNames[0] = std::string(nameInPlayerString(PlayerNameString));
    JoinToAddress = hostAddress;
    MyTeamRequest = team;
    MissionNumber = missionNumber;
    PlayerKillNumberOffset = std::max<int32_t>(0, static_cast<int32_t>(PlayerNameString.size()) - 3);
    if (HostOrJoiner == kHost) HostTeam = team;
    // A pilot renamed during a network game: his own line, and what he is typing after it, goes on
    // under the new name, its kills where the refresh writes them.
    const std::string line = std::string(messageLine(0));
    if ((NetworkMode == kJoining || NetworkMode == kHosting) && oldLength > oldHead.size() &&
        line.size() >= oldLength && line.starts_with(oldHead))
        setMessageLine(0, ownLine() + line.substr(oldLength));
}

}  // namespace pellam::net
