// The players of a network game: their names, each remote player's paint job (a picture named
// like the player), the small queries of the controller, the build's identity, and the close.
#include <algorithm>

#include "net/EngineServices.h"
#include "net/NetworkSockets.h"
#include "platform/Utf8.h"

namespace pellam::net {
namespace {

// A name from another machine becomes a file name: one that could leave the paint-job folder or
// that names no plain file gives no paint job.
bool usableAsFileName(std::string_view name) {
    if (name.empty() || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 32 && u < 127 && c != '/' && c != '\\';
    });
}

}  // namespace

std::string heldPlayerName(std::string_view name) {
    return platform::cutToBytes(platform::repairedUtf8(name.substr(0, kMaxNameChars)), kMaxNameChars);
}

void BSDNetworkSockets::loadCustomPaintJobName(std::string_view name, int slot) {
    if (slot < 0 || slot > 7) return;
    AllPlayerNames[slot] = heldPlayerName(name);
    if (!Game) return;
    for (int32_t& texture : JoinerPaintJobNumbers[slot]) {
        if (texture > 0) Game->deleteTexture(texture);
        texture = -1;
    }
    const std::string& file = AllPlayerNames[slot];
    if (usableAsFileName(file)) {
        JoinerPaintJobNumbers[slot] = {Game->tryForCustomPaintJobBig(file), Game->tryForCustomPaintJobSmall(file)};
    }
    Game->setCustomPaintJob(slot, JoinerPaintJobNumbers[slot][0], JoinerPaintJobNumbers[slot][1]);
}

std::string BSDNetworkSockets::getThisPlayerNamesPtr(int slot) const {
    return slot >= 0 && slot < 8 ? AllPlayerNames[slot] : std::string();
}

int32_t BSDNetworkSockets::numberOfJoiners() const {
    return static_cast<int32_t>(std::count_if(ToAddresses.begin() + 1, ToAddresses.end(), [](uint32_t a) { return a != 0; }));
}

void BSDNetworkSockets::setVersionNumber(int32_t version, int32_t appID, int32_t totalMissions) {
    NetworkVersionNumber = version;
    NetworkAppID = appID;
    TotalIncludedMissions = totalMissions;
}

void BSDNetworkSockets::closeNetworkRoutines() {
    setMessageLine(0, {});
    setMode(kClosing, 0);
    if (OTNotInited) {
        if (HostOrJoiner == kJoiner && Accepted) JoinerQuit();
        else if (HostOrJoiner == kHost) HostQuit();
    }
    OTNotInited = false;
    closeSocket();
    NetworkMode = kNoGame;
    for (int n = 1; n <= 7; ++n) freeJoinerSlot(n);  // on a host, each joiner's slot is the mission's again
    HostOrJoiner = kNone;
    Accepted = false;
    JoinerPending = 0;
    InTextMode = 0;
}

}  // namespace pellam::net
