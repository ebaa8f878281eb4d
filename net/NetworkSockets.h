#pragma once
// The network link of a multiplayer game: one UDP socket, a receiver thread that copies every
// arriving datagram into the receive ring, ten rotating send slots, the mode of the game on this
// machine, the six message lines drawn over the view and the rules the host sets for each game.
// The protocol engine drives it once per frame from the main thread; only the receiver thread
// and the ring's lock are shared.
//
// Index: transport (NetworkSockets.cpp), mode, lines and rules (NetworkRules.cpp).
#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "net/ReceiveRing.h"
#include "net/SetupPackets.h"
#include "platform/UdpSocket.h"

namespace pellam::net {

inline constexpr uint16_t kDefaultPort = 12301;
// A message line: a length byte and up to 253 characters; bytes 254 and 255 hold the slot and
// number of a relayed message (200: none).
inline constexpr size_t kLineBytes = 256;
inline constexpr size_t kMaxLineChars = 253;
inline constexpr uint8_t kNoRelay = 200;
using MessageLine = std::array<uint8_t, kLineBytes>;

class BSDNetworkSockets {
public:
    enum Role : int32_t { kNone = 0, kHost = 2, kJoiner = 3 };
    enum Mode : int32_t { kNoGame = 0, kJoining = 1, kHosting = 2, kClosing = 3 };

    BSDNetworkSockets();
    ~BSDNetworkSockets();
    BSDNetworkSockets(const BSDNetworkSockets&) = delete;
    BSDNetworkSockets& operator=(const BSDNetworkSockets&) = delete;

    // ---- Transport.
    // Starts a game on this machine as host or joiner, listening on `port` (host order; 0 takes
    // any free port, for tests). 0 on success; -1 with a beep and startError() when the socket
    // cannot be made or the port is in use. The player string reaches the link through
    // setJoinerParticulars; ownTeam is the team of this machine's aircraft (for line 0).
    int startNetworkRoutines(uint16_t port, Role role, int32_t ownTeam);
    // 0 when the socket is open (or already was), -1 otherwise.
    int createASocketPort(uint16_t port);
    void closeSocket();
    bool socketOpen() const { return socket_.isOpen(); }
    uint16_t localPort() const { return socket_.localPort(); }
    const std::string& startError() const { return startError_; }

    // The newest unread packet of `type`, copied out and marked read.
    bool getMostRecentPacket(uint8_t type, ReceivedPacket* out);
    ReceiveRing& ring() { return ring_; }

    // The next of ten 512-byte send slots: ten consecutive packets never share one.
    SendSlot nextSendSlot();
    // Sends to `address` (host order) at the current port; nothing with no socket or address 0.
    void sendDataPacket(uint32_t address, std::span<const uint8_t> bytes);
    // The destination port of every send: the host's for a joiner, each joiner's own for a host.
    void setCurrentPort(uint16_t port) { CurrentPort = port; }
    uint16_t currentPort() const { return CurrentPort; }

    long packetsSent() const { return PacketsSent; }
    long packetsIn() const { return PacketsIn; }
    bool amIHost() const { return HostOrJoiner == kHost; }
    bool networkAndJoiner() const { return HostOrJoiner == kJoiner && NetworkMode != kNoGame; }
    int32_t getNetworkPlayDelay() const { return NetworkPlayDelay; }
    void setNetworkPlayDelay(int32_t ticks) { NetworkPlayDelay = ticks; }

    // ---- Mode, message lines and rules.
    void setMode(int32_t mode, int32_t ownTeam);  // ownTeam: the team of this machine's aircraft
    int32_t getNetworkMode() const { return NetworkMode; }
    int32_t hostOrJoiner() const { return HostOrJoiner; }
    // Line 0 the player's own, 1-4 messages and notices, 5 the kills line.
    std::array<MessageLine, 6>& getMessageLines() { return MessageLines; }
    std::string_view messageLine(int line) const;
    void setMessageLine(int line, std::string_view text);  // cut to 255 characters

    // The host's rules of a new game; restarts the new-game window and the record reader's grace.
    void setResetTime(const GameRules& rules, double windSpeed, double windDirection);
    const GameRules& rules() const { return Rules; }
    int32_t newInTime() const { return NewInTime; }
    void setNewInTime(int32_t tick) { NewInTime = tick; }
    void setHostTeam(int32_t team);
    int32_t getHostTeam() const { return HostTeam; }
    void setHostSendGameOver(int32_t gameOver, bool result) { HostSendGameOver = gameOver, HostSendResult = result; }
    void setImInGameOver(int32_t inGameOver) { ImInGameOver = inGameOver; }
    int32_t getImInGameOver() const { return ImInGameOver; }
    int32_t getOthersInGameOver() const { return OthersInGameOver; }

    // This player's particulars: the player string, the host to join (host order), the team
    // asked for and the mission.
    void setJoinerParticulars(std::string_view playerString, uint32_t hostAddress, int32_t team, int32_t missionNumber);
    const std::string& playerNameString() const { return PlayerNameString; }
    const std::array<std::string, 8>& allPlayerNames() const { return AllPlayerNames; }
    uint32_t joinToAddress() const { return JoinToAddress; }
    int32_t myTeamRequest() const { return MyTeamRequest; }
    int32_t playerKillNumberOffset() const { return PlayerKillNumberOffset; }
    std::array<int32_t, 8>& originalJoinerTeamRequest() { return OriginalJoinerTeamRequest; }
    std::array<int32_t, 8>& originalJoinerAircraftType() { return OriginalJoinerAircraftType; }

private:
    void receiveLoop();
    void resetForStart();

    platform::UdpSocket socket_;
    ReceiveRing ring_;
    std::thread receiver_;
    std::atomic<bool> stopReceiver_{false};
    std::string startError_;

    uint16_t CurrentPort = kDefaultPort;
    std::array<uint8_t, 10 * kSendSlotBytes> SendBuffer{};
    size_t SendBufferOffset = 0;
    long PacketsSent = 0, PacketsIn = 0;
    int32_t HostOrJoiner = kNone;
    bool OTNotInited = false;  // a game is open on this machine
    int32_t NetworkPlayDelay = 0;

    int32_t NetworkMode = kNoGame;
    std::array<MessageLine, 6> MessageLines{};
    GameRules Rules;
    int32_t NewResetTime = 0, NewInTime = 0;
    int32_t HostTeam = 1;
    double NWindSpeed = 0, NWindDir = 0;
    int32_t HostSendGameOver = 0, ImInGameOver = 0, OthersInGameOver = 0;
    bool HostSendResult = false;
    std::string PlayerNameString;
    std::array<std::string, 8> AllPlayerNames;
    uint32_t JoinToAddress = 0;
    int32_t MyTeamRequest = 1, MissionNumber = 0, PlayerKillNumberOffset = 0;
    std::array<int32_t, 8> OriginalJoinerTeamRequest{}, OriginalJoinerAircraftType{};
};

}  // namespace pellam::net
