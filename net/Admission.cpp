// Admission of joiners on the host (one request waits at a time for the host player's key, or
// the automatic host's), and the typed messages: the player's own line, typing, canned lines,
// and showing what others sent.
#include <algorithm>

#include "net/EngineServices.h"
#include "net/MessageLineText.h"
#include "net/NetworkSockets.h"
#include "platform/TickCount.h"

namespace pellam::net {
namespace {

constexpr int32_t kDeclineRemembered = 3600;  // ticks a host player's refusal stands
constexpr size_t kMaxTyped = 115;             // characters of line 0, own line included
constexpr int32_t kRequestSound = 24, kMessageSound = 15, kVolume = 200;
constexpr uint8_t kTeamMark[3] = {29, 30, 31};  // three glyphs of the font drawing the team mark

enum Decline : uint8_t { kFull = 1, kDeclinedByHost = 2, kVersions = 4, kWrongGame = 5 };

}  // namespace

bool BSDNetworkSockets::declinedWithin(uint32_t address, int32_t now) const {
    return std::any_of(DeclinedJoiners.begin() + 1, DeclinedJoiners.end(), [&](const Declined& d) {
        return d.address == address && !passed(now, d.tick, kDeclineRemembered - 1);
    });
}

void BSDNetworkSockets::admit(const ReceivedPacket& packet, int32_t now) {
    const uint32_t address = packet.from.address;
    const uint16_t port = packet.from.port;
    if (HostOrJoiner == kJoiner) {
        if (!InTextMode) SendImNotHost(address, port);
        return;
    }
    if (HostOrJoiner != kHost || JoinerPending != 0 || InTextMode) return;
    const std::optional<JoinRequest> r = parseJoinRequest(packet.packet());
    if (!r) return;
    const uint16_t savedPort = CurrentPort;
    CurrentPort = port;
    int held = 0;
    for (int i = 1; i <= 7 && held == 0; ++i)
        if (ToAddresses[i] == address && JoinerPorts[i] == port) held = i;
    int free = 1;
    while (free <= 7 && ToAddresses[free] != 0) ++free;
    const bool valid = r->team >= 1 && r->team <= 4 &&
                       (r->aircraftType == 55 || r->aircraftType == 64 || r->aircraftType == 77);
    if (held != 0) {  // its accept was lost: answered again, nothing else changes
        setJoinerRequest(OriginalJoinerTeamRequest[held], OriginalJoinerAircraftType[held]);
        AcceptJoiner(address, held);
    } else if (free > 7) {
        sendDecline(address, kFull);
    } else if (r->appId != NetworkAppID || !valid) {
        sendDecline(address, kWrongGame);
    } else if (r->version != static_cast<uint16_t>(NetworkVersionNumber)) {
        sendDecline(address, kVersions);
    } else if (declinedWithin(address, now)) {
        sendDecline(address, kDeclinedByHost);
    } else {
        JoinerPendingAddress = address;
        CurrentJoinersPort = port;
        setJoinerRequest(r->team, r->aircraftType);
        JoinerPendingName = r->name;
        if (Game) Game->playSound(kRequestSound, kVolume);
        JoinerPending = 2;
        setMessageLine(0, r->name + " wants to play, press control a to accept or control d to decline");
    }
    CurrentPort = savedPort;
}

void BSDNetworkSockets::acceptJoinerPublic() {
    if (InTextMode || JoinerPending != 2 || !OTNotInited) return;
    int slot = 1;
    while (slot <= 7 && ToAddresses[slot] != 0) ++slot;
    if (slot > 7) return;  // the request waits for a free slot
    freeJoinerSlot(slot);  // nothing of an earlier player of the slot carries over
    Exchange.lastMessageInNumber[slot] = 0;  // the newcomer numbers its messages from 0
    // What is kept to pass on must not tell of a player who is in the game: the slot's last
    // pilot's word (his quit, say) is not the newcomer's, and the newcomer's own quit is over.
    for (int k = 1; k <= 7; ++k) {
        DataExchange::Stored& kept = Exchange.lastMessageFrom[k];
        if (k == slot || (!kept.quitter.empty() && kept.quitter == JoinerPendingName)) kept = {};
    }
    const uint16_t savedPort = CurrentPort;
    CurrentPort = CurrentJoinersPort;
    JoinerPorts[slot] = CurrentJoinersPort;
    AcceptJoiner(JoinerPendingAddress, slot);
    CurrentPort = savedPort;
    ToAddresses[slot] = JoinerPendingAddress;
    refreshPeers();  // from here on its packets are kept apart from strangers'
    if (messageLine(4) == kWaitingForJoiners) setMessageLine(4, {});
    restoreOwnLine();
    JoinerPending = 0;
    // Who is in the game is known at once, not only once the newcomer says something: listed as
    // his own line lists him, his kills following from here on.
    loadCustomPaintJobName(JoinerPendingName, slot);
    notice(playerHeading(slot) + " has joined the game", 1);
    openPlayerNamesWindow();
}

void BSDNetworkSockets::declineJoiner() {
    if (JoinerPending == 0) return;
    const uint16_t savedPort = CurrentPort;
    CurrentPort = CurrentJoinersPort;
    DeclineJoiner(JoinerPendingAddress, kDeclinedByHost);
    CurrentPort = savedPort;
    restoreOwnLine();
    JoinerPending = 0;
}

// The player string without its last character, the team letter of the player's aircraft in it.
std::string BSDNetworkSockets::ownLine() const {
    std::string own = PlayerNameString;
    if (!own.empty()) own.pop_back();
    if (own.size() >= 5 && Game) own[own.size() - 5] = teamLetter(Game->aircraftFacts(0).team, own[own.size() - 5]);
    return own;
}

void BSDNetworkSockets::restoreOwnLine() { setMessageLine(0, ownLine()); }

void BSDNetworkSockets::setMessageChannel(int32_t channel) {
    Exchange.sendMessageChannel = static_cast<uint8_t>(std::clamp(channel, 0, 4));
    NextMessagePrivate = channel != 0;
}

void BSDNetworkSockets::handleTypingAMessage(int32_t code) {
    if (!OTNotInited) return;
    MessageLine& line = MessageLines[0];
    const size_t own = std::clamp<size_t>(PlayerNameString.size(), 1, kMaxTyped - 6);  // L: own line and cursor
    DataExchange& x = Exchange;
    auto send = [&] {
        x.messageNumber = static_cast<uint8_t>((x.messageNumber + 1) & 0x0F);
        x.tempForSend = std::string(messageLine(0));
    };
    if (InTextMode && (code == 13 || code == 10)) {
        InTextMode = 0;
        if (line[0] > 0) --line[0];
        send();
    } else if (!InTextMode && code == 1070) {
        InTextMode = 1;
        setMessageLine(0, ownLine() + (NextMessagePrivate ? "*TEAM*" : "_"));
        NextMessagePrivate = false;
        FirstKeyFlag = true;
    } else if (InTextMode && code != -1) {
        if (FirstKeyFlag) {
            putAt(line, own, "      ");
            line[0] = static_cast<uint8_t>(own);
            FirstKeyFlag = false;
        }
        size_t length = line[0];
        if (code == 27 || code == 232) {
            InTextMode = 0;
            line[0] = static_cast<uint8_t>(own - 1);
        } else if (code == 8 || code == 28 || code == 127 || code == 234) {
            length = std::max(own, length - 1);
            line[0] = static_cast<uint8_t>(length);
            line[length] = '_';
        } else if ((code & 0x7F) > 31 && length < kMaxTyped) {
            line[length] = static_cast<uint8_t>(code & 0x7F);
            line[0] = static_cast<uint8_t>(++length);
            line[length] = '_';
        }
    } else if (!InTextMode && code >= 71 && code <= 78) {
        const std::string canned = Game ? Game->autoMessage(code - 71) : std::string();
        setMessageLine(0, (ownLine() + canned).substr(0, kMaxTyped));
        send();
    }
}

// A message from host slot `sender`: new when its number differs from the sender's last, shown
// when it is for everybody or for this player's team; the host keeps it to pass on either way.
void BSDNetworkSockets::showReceivedMessage(const MessageText& m, int sender) {
    if (sender < 0 || sender > 7) return;
    DataExchange& x = Exchange;
    if (m.number == x.lastMessageInNumber[sender]) return;
    const bool host = HostOrJoiner == kHost;
    const int32_t team = host ? HostTeam : (Game ? Game->aircraftFacts(0).team : 0);
    const bool shown = m.channel == 0 || m.channel == team;
    if (host) ++PacketsInWithText;
    if (shown) {
        if (!host) ++PacketsInWithText;
        scrollMessages();
        setMessageLine(1, m.text);
        MessageLine& line = MessageLines[1];
        if (m.channel != 0 && size_t{line[0]} + 3 <= kMaxLineChars) {
            size_t at = 10;
            for (size_t i = 1, colons = 0; i <= std::min<size_t>(39, line[0]); ++i) {
                if (line[i] == ':' && ++colons == 3) {
                    at = i;
                    break;
                }
            }
            at = std::min<size_t>(at, line[0]);
            std::copy_backward(line.begin() + at + 1, line.begin() + line[0] + 1, line.begin() + line[0] + 4);
            std::copy(std::begin(kTeamMark), std::end(kTeamMark), line.begin() + at + 1);
            line[0] = static_cast<uint8_t>(line[0] + 3);
        }
        if (line[0] >= 2 && line[1] == '#') line[2] = static_cast<uint8_t>('1' + localSlot(sender));
        if (host) {
            line[254] = static_cast<uint8_t>(sender);
            line[255] = m.number;
        }
        if (Game) Game->playSound(kMessageSound, kVolume);
    }
    x.lastMessageInNumber[sender] = m.number;
    if (host) {
        x.lastMessageFrom[sender] = {m.text, m.channel, m.number, {}};
        x.joinerMessageNumbers[sender][sender] = m.number;
    }
}

}  // namespace pellam::net
