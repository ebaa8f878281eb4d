#include "net/SetupPackets.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/ByteOrder.h"
#include "platform/Print.h"

namespace pellam::net {
namespace {

using platform::readBE16;
using platform::readBE32;
using platform::writeBE16;
using platform::writeBE32;

constexpr size_t kJoinRequestBytes = 120, kAcceptBytes = 50, kDeclineBytes = 8, kQuitBytes = 60,
                 kNewGameBytes = 28, kPlayerNamesBytes = 220, kNotHostBytes = 12;
constexpr size_t kNameEntryBytes = 24;  // one entry of the names packet: length byte and 23
// The names packet's bytes 211-219, which hosts of other builds leave holding whatever their send
// slot held before: the departed players' kills of teams 1..4, a print of bytes 3-214 and a mark.
// A joiner reads the kills only when print and mark hold, which leftovers match but for a chance
// of one in 2^40; else nobody has left.
constexpr size_t kLeftTeamKillsByte = 211, kLeftTeamKillsPrintByte = 215, kLeftTeamKillsMarkByte = 219;
constexpr uint8_t kLeftTeamKillsMark = 0xA5;
static_assert(kLeftTeamKillsMarkByte < kPlayerNamesBytes);

uint32_t leftTeamKillsPrint(const uint8_t* packet) {
    return static_cast<uint32_t>(platform::foldPrint(platform::kPrintStart, packet + 3, kLeftTeamKillsPrintByte - 3));
}

// Length byte at p, then 20 bytes of the player string from its fourth character.
void putPlayerName(uint8_t* p, std::string_view playerString) {
    p[0] = static_cast<uint8_t>(nameInPlayerString(playerString).size());
    const std::string_view from = playerString.substr(std::min<size_t>(3, playerString.size()));
    std::copy_n(from.begin(), std::min(from.size(), kMaxNameChars), p + 1);
}

std::string getName(const uint8_t* p, size_t room) {
    const size_t n = std::min<size_t>({p[0], kMaxNameChars, room});
    return std::string(reinterpret_cast<const char*>(p + 1), n);
}

bool readable(std::span<const uint8_t> packet, PacketType type) {
    return packetIsWhole(packet) && packet[2] == type;
}

// Bytes 4-24 of the accept and new-game packets, and the bombs byte.
void putRules(uint8_t* p, const GameRules& r, bool bombs) {
    const uint8_t row[] = {r.hostTeam,      r.missionNumber,   r.idHelp,     r.cameraRule, r.killsToWin,
                           r.dogfightOnly, r.dogfightStart, r.dogfightRestart, r.dogKillType};
    std::memcpy(p + 4, row, sizeof row);
    if (r.missionNumber >= kTotalIncludedMissions) {
        writeBE32(p + 13, r.missionHash);
        platform::writeBEDouble(p + 17, r.missionSeconds);
    }
    p[kNewGameBombsByte] = bombs ? 1 : 0;
}

GameRules getRules(const uint8_t* p) {
    GameRules r;
    r.hostTeam = p[4];
    r.missionNumber = p[5];
    r.idHelp = p[6];
    r.cameraRule = p[7];
    r.killsToWin = p[8];
    r.dogfightOnly = p[9];
    r.dogfightStart = p[10];
    r.dogfightRestart = p[11];
    r.dogKillType = p[12];
    if (r.missionNumber >= kTotalIncludedMissions) {
        r.missionHash = readBE32(p + 13);
        r.missionSeconds = platform::readBEDouble(p + 17);
    }
    return r;
}

}  // namespace

std::string makePlayerString(std::string_view name) {
    return "#1:" + std::string(name.substr(0, 16)) + ":R/ 0: ";
}

std::string_view nameInPlayerString(std::string_view s) {
    if (s.size() <= 10) return {};
    return s.substr(3, std::min(s.size() - 10, kMaxNameChars));
}

size_t buildJoinRequest(const JoinRequest& request, std::string_view playerString, SendSlot slot) {
    uint8_t* p = startPacket(slot, kJoinRequestPacket, kJoinRequestBytes);
    p[3] = request.team;
    putPlayerName(p + 4, playerString);
    writeBE32(p + 32, request.reserved);
    writeBE16(p + 36, request.version);
    p[38] = request.appId;
    p[39] = request.aircraftType;
    return kJoinRequestBytes;
}

size_t buildAccept(const Accept& accept, SendSlot slot) {
    uint8_t* p = startPacket(slot, kAcceptPacket, kAcceptBytes);
    p[3] = accept.joinerNumber;
    putRules(p, accept.rules, accept.bombs);
    return kAcceptBytes;
}

size_t buildNewGame(const NewGame& newGame, SendSlot slot) {
    putRules(startPacket(slot, kNewGamePacket, kNewGameBytes), newGame.rules, newGame.bombs);
    return kNewGameBytes;
}

size_t buildDecline(uint8_t reason, SendSlot slot) {
    startPacket(slot, kDeclinePacket, kDeclineBytes)[3] = reason;
    return kDeclineBytes;
}

size_t buildQuit(uint8_t joinerNumber, std::string_view playerString, SendSlot slot) {
    uint8_t* p = startPacket(slot, kQuitPacket, kQuitBytes);
    p[3] = joinerNumber;
    putPlayerName(p + 4, playerString);
    return kQuitBytes;
}

size_t buildPlayerNames(const PlayerNames& names, SendSlot slot) {
    uint8_t* p = startPacket(slot, kPlayerNamesPacket, kPlayerNamesBytes);
    for (size_t i = 0; i < 8; ++i) {
        uint8_t* entry = p + 3 + kNameEntryBytes * i;
        const size_t n = std::min(names.names[i].size(), kMaxNameChars);
        entry[0] = static_cast<uint8_t>(n);
        std::memcpy(entry + 1, names.names[i].data(), n);
        p[195 + i] = names.teams[i];
        p[203 + i] = names.aircraftTypes[i];
    }
    std::copy(names.leftTeamKills.begin(), names.leftTeamKills.end(), p + kLeftTeamKillsByte);
    writeBE32(p + kLeftTeamKillsPrintByte, leftTeamKillsPrint(p));
    p[kLeftTeamKillsMarkByte] = kLeftTeamKillsMark;
    return kPlayerNamesBytes;
}

size_t buildNotHost(SendSlot slot) {
    startPacket(slot, kNotHostPacket, kNotHostBytes);
    return kNotHostBytes;
}

std::optional<JoinRequest> parseJoinRequest(std::span<const uint8_t> packet) {
    if (!readable(packet, kJoinRequestPacket)) return std::nullopt;
    const uint8_t* p = packet.data();
    JoinRequest r;
    r.team = p[3];
    r.name = getName(p + 4, kMaxNameChars);
    r.reserved = readBE32(p + 32);
    r.version = readBE16(p + 36);
    r.appId = p[38];
    r.aircraftType = p[39];
    return r;
}

std::optional<Accept> parseAccept(std::span<const uint8_t> packet) {
    if (!readable(packet, kAcceptPacket) || packet[3] < 1 || packet[3] > 7) return std::nullopt;
    return Accept{packet[3], getRules(packet.data()), packet[kNewGameBombsByte] != 0};
}

std::optional<NewGame> parseNewGame(std::span<const uint8_t> packet) {
    if (!readable(packet, kNewGamePacket)) return std::nullopt;
    return NewGame{getRules(packet.data()), packet[kNewGameBombsByte] != 0};
}

std::optional<uint8_t> parseDecline(std::span<const uint8_t> packet) {
    if (!readable(packet, kDeclinePacket)) return std::nullopt;
    return packet[3];
}

std::optional<Quit> parseQuit(std::span<const uint8_t> packet) {
    if (!readable(packet, kQuitPacket) || packet[3] > 7) return std::nullopt;
    return Quit{packet[3], getName(packet.data() + 4, kMaxNameChars)};
}

std::optional<PlayerNames> parsePlayerNames(std::span<const uint8_t> packet) {
    if (!readable(packet, kPlayerNamesPacket)) return std::nullopt;
    const uint8_t* p = packet.data();
    PlayerNames n;
    for (size_t i = 0; i < 8; ++i) {
        n.names[i] = getName(p + 3 + kNameEntryBytes * i, kNameEntryBytes - 1);
        n.teams[i] = p[195 + i];
        n.aircraftTypes[i] = p[203 + i];
    }
    if (packetLength(packet) > kLeftTeamKillsMarkByte && p[kLeftTeamKillsMarkByte] == kLeftTeamKillsMark &&
        readBE32(p + kLeftTeamKillsPrintByte) == leftTeamKillsPrint(p))
        std::copy_n(p + kLeftTeamKillsByte, n.leftTeamKills.size(), n.leftTeamKills.begin());
    return n;
}

bool parseNotHost(std::span<const uint8_t> packet) { return readable(packet, kNotHostPacket); }

std::string_view declineText(uint8_t reason) {
    switch (reason) {
        case 1: return "Game is already full, try again later";
        case 2: return "You were declined by the host, sorry";
        case 4: return "You and the host have different versions";
        case 5: return "You are trying to join the wrong kind of game.";
        default: return {};
    }
}

}  // namespace pellam::net
