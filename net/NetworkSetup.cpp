#include <algorithm>
#include <vector>

#include "net/EngineServices.h"
#include "net/NetworkSockets.h"
#include "platform/Beep.h"
#include "platform/TickCount.h"

namespace pellam::net {
namespace {

constexpr int32_t kJoinRequestEvery = 300;  // ticks; a request goes out when more have passed
constexpr int32_t kNewGameWindow = 180, kNewGameEvery = 15;
constexpr int32_t kNamesWindow = 600, kNamesEvery = 60;
constexpr int32_t kDeclineRemembered = 3600;
constexpr int kQuitRounds = 10;
constexpr int32_t kHostQuitGap = 3, kJoinerQuitGap = 20;

}  // namespace

void BSDNetworkSockets::setJoiner(int joiner, uint32_t address, uint16_t port) {
    if (joiner < 1 || joiner > 7) return;
    ToAddresses[joiner] = address;
    JoinerPorts[joiner] = port;
    refreshPeers();
}

void BSDNetworkSockets::SendIwantToPlay(uint32_t hostAddress) {
    const int32_t now = platform::TickCount();
    if (!passed(now, IWantToPlayTime, kJoinRequestEvery)) return;
    IWantToPlayTime = now;
    JoinRequest r;
    r.team = static_cast<uint8_t>(MyTeamRequest);
    r.version = static_cast<uint16_t>(NetworkVersionNumber);
    r.appId = static_cast<uint8_t>(NetworkAppID);
    r.aircraftType = static_cast<uint8_t>(JoinerAircraftType);
    const SendSlot slot = nextSendSlot();
    sendDataPacket(hostAddress, slot.first(buildJoinRequest(r, PlayerNameString, slot)));
}

bool BSDNetworkSockets::AcceptJoiner(uint32_t address, int joiner) {
    NextJoiner = 1;
    while (NextJoiner <= 7 && ToAddresses[NextJoiner] != 0) ++NextJoiner;
    // A joiner already holding its slot (its accept was lost) is answered again, full or not.
    if (joiner < 1 || joiner > 7 || (NextJoiner > 7 && ToAddresses[joiner] != address)) {
        platform::SystemBeep();
        return false;
    }
    LastJoinerInTime[joiner] = platform::TickCount();
    // A newcomer where an ended game on this socket had a joiner: that game's quits are not his.
    Quits.forget(socket_.get(), {address, CurrentPort});
    OriginalJoinerTeamRequest[joiner] = JoinerTeamRequest;
    OriginalJoinerAircraftType[joiner] = JoinerAircraftType;
    if (Services) Services->startJoinerAircraft(joiner, JoinerTeamRequest, JoinerAircraftType);
    for (std::array<double, 8>& tally : Exchange.hostHitTally) tally[size_t(joiner)] = 0.0;  // hits counted on it so far
    Accept a{static_cast<uint8_t>(joiner), Rules, false};
    a.rules.hostTeam = static_cast<uint8_t>(HostTeam);
    if (Services) {
        a.rules.missionHash = Services->getMissionHash();
        a.rules.missionSeconds = Services->getMissionSeconds();
        a.bombs = Rules.dogfightOnly && Services->doIhaveBombs(joiner);
    }
    const SendSlot slot = nextSendSlot();
    sendDataPacket(address, slot.first(buildAccept(a, slot)));
    return true;
}

void BSDNetworkSockets::sendDecline(uint32_t address, uint8_t reason) {
    const SendSlot slot = nextSendSlot();
    sendDataPacket(address, slot.first(buildDecline(reason, slot)));
}

void BSDNetworkSockets::DeclineJoiner(uint32_t address, uint8_t reason) {
    sendDecline(address, reason);
    const int32_t now = platform::TickCount();
    for (int i = 1; i < 8; ++i) {
        if (DeclinedJoiners[i].address != 0 && passed(now, DeclinedJoiners[i].tick, kDeclineRemembered)) DeclinedJoiners[i] = {};
    }
    int entry = 0;
    for (int i = 1; i < 8 && entry == 0; ++i) {
        if (DeclinedJoiners[i].address == address || DeclinedJoiners[i].address == 0) entry = i;
    }
    if (entry == 0) {
        entry = 1;
        for (int i = 2; i < 8; ++i) {
            if (ticksBetween(DeclinedJoiners[i].tick, now) > ticksBetween(DeclinedJoiners[entry].tick, now)) entry = i;
        }
    }
    DeclinedJoiners[entry] = {address, now};
}

bool BSDNetworkSockets::wasDeclined(uint32_t address) const {
    return address != 0 && std::any_of(DeclinedJoiners.begin() + 1, DeclinedJoiners.end(),
                                       [address](const Declined& d) { return d.address == address; });
}

void BSDNetworkSockets::openPlayerNamesWindow() {
    // The names go out at the next 60-tick step, which a window opened long after the last has
    // already reached.
    TimeOfSendPlayerNames = platform::TickCount();
    playerNamesOpened_ = true;
}

void BSDNetworkSockets::DoANew() {
    if (HostOrJoiner != kHost) return;
    const int32_t now = platform::TickCount();
    if (passed(now, NewResetTime, kNewGameWindow)) return;
    if (!playerNamesOpened_ || passed(now, TimeOfSendPlayerNames, kNamesWindow)) openPlayerNamesWindow();
    for (auto& tally : Exchange.hostHitTally) tally.fill(0.0);  // hits of the last game count for nothing
    if (ticksBetween(now, NextDoANew) > 0) return;
    NextDoANew = now + kNewGameEvery;
    for (int i = 0; i < 8 && Services; ++i) {
        const SetupServices::SlotAircraft a = Services->aircraftInSlot(i);
        if (a.local && a.height > -5000.0) {
            OriginalJoinerTeamRequest[i] = a.team;
            OriginalJoinerAircraftType[i] = a.aircraftType;
        }
    }
    NewGame g{Rules, false};
    g.rules.hostTeam = static_cast<uint8_t>(HostTeam);
    if (Services) {
        g.rules.missionHash = Services->getMissionHash();
        g.rules.missionSeconds = Services->getMissionSeconds();
    }
    const SendSlot slot = nextSendSlot();
    const size_t length = buildNewGame(g, slot);
    const uint16_t port = CurrentPort;
    for (int n = 1; n <= 7; ++n) {
        slot[kNewGameBombsByte] = Services && Rules.dogfightOnly && Services->doIhaveBombs(n) ? 1 : 0;
        if (ToAddresses[n] == 0) continue;
        CurrentPort = JoinerPorts[n];
        sendDataPacket(ToAddresses[n], slot.first(length));
    }
    CurrentPort = port;
}

void BSDNetworkSockets::sendPlayersNames() {
    if (HostOrJoiner != kHost || !playerNamesOpened_) return;
    const int32_t now = platform::TickCount();
    if (passed(now, TimeOfSendPlayerNames, kNamesWindow) || ticksBetween(now, NextSendPlayerNames) > 0) return;
    NextSendPlayerNames = now + kNamesEvery;
    PlayerNames names;
    for (int i = 0; i < 8; ++i) {
        names.names[i] = AllPlayerNames[i];
        if (Services) {
            const SetupServices::SlotAircraft a = Services->aircraftInSlot(i);
            if (a.local && a.height > -500.0) {
                OriginalJoinerTeamRequest[i] = a.team;
                OriginalJoinerAircraftType[i] = a.aircraftType;
            }
            names.aircraftTypes[i] = static_cast<uint8_t>(OriginalJoinerAircraftType[i] ? OriginalJoinerAircraftType[i] : a.aircraftType);
        } else {
            names.aircraftTypes[i] = static_cast<uint8_t>(OriginalJoinerAircraftType[i]);
        }
        names.teams[i] = static_cast<uint8_t>(OriginalJoinerTeamRequest[i]);
    }
    for (int t = 0; t < 4 && Game; ++t)
        names.leftTeamKills[t] = static_cast<uint8_t>(std::clamp(Game->leftTeamKills()[t], 0, 255));
    const SendSlot slot = nextSendSlot();
    const size_t length = buildPlayerNames(names, slot);
    const uint16_t port = CurrentPort;
    for (int n = 1; n <= 7; ++n) {
        if (ToAddresses[n] == 0) continue;
        CurrentPort = JoinerPorts[n];
        sendDataPacket(ToAddresses[n], slot.first(length));
    }
    CurrentPort = port;
}

void BSDNetworkSockets::HostQuit() {
    std::vector<platform::UdpEndpoint> joiners;
    for (int n = 1; n <= 7; ++n)
        if (ToAddresses[n] != 0) joiners.push_back({ToAddresses[n], JoinerPorts[n]});
    if (joiners.empty() || !socketOpen()) return;
    const SendSlot slot = nextSendSlot();
    const size_t length = buildQuit(0, PlayerNameString, slot);
    Quits.start(socket_, slot.first(length), joiners, kQuitRounds, kHostQuitGap);
}

void BSDNetworkSockets::JoinerQuit() {
    if (!Accepted || JoinToAddress == 0 || !socketOpen()) return;
    const SendSlot slot = nextSendSlot();
    const size_t length = buildQuit(static_cast<uint8_t>(std::clamp(JoinerNumber, 0, 7)), PlayerNameString, slot);
    Quits.start(socket_, slot.first(length), {{JoinToAddress, CurrentPort}}, kQuitRounds, kJoinerQuitGap);
}

void BSDNetworkSockets::SendImNotHost(uint32_t address, uint16_t port) {
    const uint16_t saved = CurrentPort;
    CurrentPort = port;
    const SendSlot slot = nextSendSlot();
    sendDataPacket(address, slot.first(buildNotHost(slot)));
    CurrentPort = saved;
}

}  // namespace pellam::net
