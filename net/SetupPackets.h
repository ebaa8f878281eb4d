#pragma once
// The packets that set a game up and take it down, as pure functions on byte spans. Each
// builder zeroes its send slot first (so no earlier packet's bytes leak into unlisted ones),
// writes the packet and answers its length. Each parser answers nothing for a packet too short
// for what it reads, and bounds every value that indexes a table.
//   4 join request (120)  5 accept (50)  6 decline (8)  9 quit (60)  10 new game (28)
//   11 player names (220)  12 not a host (12)
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "net/Packet.h"

namespace pellam::net {

inline constexpr size_t kMaxNameChars = 20;    // a name on the wire
inline constexpr int kTotalIncludedMissions = 51;  // missions from here on are the users' own

// The rules the host sends with an accept and every new game.
struct GameRules {
    uint8_t hostTeam = 1;       // 1 red, 2 blue, 3 yellow, 4 black
    uint8_t missionNumber = 0;
    uint8_t idHelp = 0;         // 1 identification help, + 2 close-up identification help
    uint8_t cameraRule = 0;
    uint8_t killsToWin = 0;
    uint8_t dogfightOnly = 0;
    uint8_t dogfightStart = 0;
    uint8_t dogfightRestart = 0;
    uint8_t dogKillType = 0;    // 0 kills per player, else per team
    uint32_t missionHash = 0;   // user missions only
    double missionSeconds = 0;  // user missions only: seconds since 2001 of the mission's last save
    bool operator==(const GameRules&) const = default;
};

struct JoinRequest {
    uint8_t team = 1;
    std::string name;           // at most 20 characters
    uint32_t reserved = 0;
    uint16_t version = 0;
    uint8_t appId = 0;
    uint8_t aircraftType = 0;
};

struct Accept {
    uint8_t joinerNumber = 1;   // 1..7
    GameRules rules;
    bool bombs = false;
};

struct NewGame {
    GameRules rules;
    bool bombs = false;         // rewritten per joiner: kNewGameBombsByte
};
inline constexpr size_t kNewGameBombsByte = 25;

struct Quit {
    uint8_t joinerNumber = 0;   // 0 from the host
    std::string name;
};

struct PlayerNames {
    std::array<std::string, 8> names;  // slot 0 the host; each at most 20 characters
    std::array<uint8_t, 8> teams{};
    std::array<uint8_t, 8> aircraftTypes{};
    // Kills of teams 1..4 by players who have left this game, in bytes the names packet otherwise
    // leaves unused; read as none from a packet too short to hold them, or from a host that does
    // not mark them as sent (their print and mark).
    std::array<uint8_t, 4> leftTeamKills{};
};

// The player string, as kept for the player signed in: "#1:" name ":R/ 0:" and a blank, the
// name cut to 16 characters; its length is the name's + 10.
std::string makePlayerString(std::string_view name);
// The name it carries (at most 20 characters).
std::string_view nameInPlayerString(std::string_view playerString);

// Join request and quit carry the player string from its fourth character: the name, then the
// rest of the string, 20 bytes in all.
size_t buildJoinRequest(const JoinRequest& request, std::string_view playerString, SendSlot slot);
size_t buildAccept(const Accept& accept, SendSlot slot);
size_t buildNewGame(const NewGame& newGame, SendSlot slot);
size_t buildDecline(uint8_t reason, SendSlot slot);
size_t buildQuit(uint8_t joinerNumber, std::string_view playerString, SendSlot slot);
size_t buildPlayerNames(const PlayerNames& names, SendSlot slot);
size_t buildNotHost(SendSlot slot);

std::optional<JoinRequest> parseJoinRequest(std::span<const uint8_t> packet);
std::optional<Accept> parseAccept(std::span<const uint8_t> packet);      // refuses joiner 0 or above 7
std::optional<NewGame> parseNewGame(std::span<const uint8_t> packet);
std::optional<uint8_t> parseDecline(std::span<const uint8_t> packet);    // the reason
std::optional<Quit> parseQuit(std::span<const uint8_t> packet);          // joiner number bounded to 0..7
std::optional<PlayerNames> parsePlayerNames(std::span<const uint8_t> packet);
bool parseNotHost(std::span<const uint8_t> packet);

// The text a declined joiner is shown; empty for an unknown reason.
std::string_view declineText(uint8_t reason);

}  // namespace pellam::net
