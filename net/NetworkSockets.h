#pragma once
// The network link of a multiplayer game: one UDP socket, a receiver thread that copies every
// arriving datagram into the receive ring, ten rotating send slots, the mode of the game on this
// machine, the six message lines drawn over the view and the rules the host sets for each game.
// The protocol engine drives it once per frame from the main thread; only the receiver thread
// and the ring's lock are shared, and the quit sender's thread, which sends an ended game's quits
// from that game's socket.
//
// Index: the game's side (SetupServices, DataServices, DataExchange); transport
// (NetworkSockets.cpp); setup packets and their schedules (NetworkSetup.cpp); data packets
// (NetworkData.cpp); mode, lines and rules (NetworkRules.cpp); the per-frame engine
// (NetworkComm.cpp); admission and typed messages (Admission.cpp); names, paint jobs and the
// close (PlayerNames.cpp).
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "net/DataPackets.h"
#include "net/QuitSender.h"
#include "net/ReceiveRing.h"
#include "net/SetupPackets.h"
#include "platform/TickCount.h"
#include "platform/UdpSocket.h"

namespace pellam::net {

// A message line: a length byte and up to 253 characters; bytes 254 and 255 hold the slot and
// number of a relayed message (200: none).
inline constexpr size_t kLineBytes = 256;
inline constexpr size_t kMaxLineChars = 253;
inline constexpr uint8_t kNoRelay = 200;

// What the setup senders need of the game: the aircraft of each slot and the mission's identity.
class SetupServices {
public:
    struct SlotAircraft {
        bool local = false;     // flown on this machine (the player's own or the computer's)
        double height = -10000; // ft
        int32_t team = 0;
        int32_t aircraftType = 0;
    };
    virtual ~SetupServices() = default;
    virtual SlotAircraft aircraftInSlot(int slot) = 0;  // host numbering, 0..7
    virtual bool doIhaveBombs(int joiner) = 0;          // a dogfight-only joiner carries bombs
    virtual uint32_t getMissionHash() = 0;
    virtual double getMissionSeconds() = 0;
    // A joiner taken into the game: its aircraft becomes remote, of that type (and, in a
    // dogfight-only game, that team), and is started.
    virtual void startJoinerAircraft(int joiner, int32_t team, int32_t aircraftType) = 0;
};

// What the data senders need of the game. Slots are this machine's own numbering (the aircraft
// of slot n at model index n + 2).
class DataServices {
public:
    virtual ~DataServices() = default;
    virtual wire::StateBlockBytes stateBlock(int slot) = 0;     // with the game-over bits added
    virtual double totalHits(int slot) = 0;               // hits this machine has counted on it
    // Host: the hits all machines have counted on it; it is shot down when they pass its limit.
    virtual void reportNetworkHits(int slot, double hits) = 0;
    virtual bool resetRecently(int slot) = 0;             // set up again fewer than 300 ticks ago
    virtual void clearHits(int slot) = 0;
    virtual uint8_t kills(int slot) = 0;
    virtual int modelCount() = 0;
    virtual bool isDead(int modelIndex) = 0;
};

// The bookkeeping of the data exchange that the protocol engine fills from what it receives.
struct DataExchange {
    int32_t lastSquawkTime = 0;
    int32_t squawkDelay = 20;  // ticks: a joiner sends when more than this have passed
    struct Heard {
        int32_t arrival = 0;   // tick the peer's last applied packet arrived
        uint16_t stamp = 0;    // the stamp it carried
    };
    std::array<Heard, 8> packetInTimes{};            // host slot 0..7
    std::array<uint8_t, 8> lastMessageInNumber{};    // last message number heard from each slot
    uint8_t messageNumber = 0;                       // of the player's own last message, 0..15
    std::string tempForSend;                         // its text
    uint8_t sendMessageChannel = 0;                  // 0 all, 1-4 a team
    uint8_t myMessageNumberFromHost = 0;             // joiner: the host's last acknowledgement
    std::array<std::array<uint8_t, 8>, 8> joinerMessageNumbers{};  // host: [joiner][slot] acks
    struct Stored {
        std::string text;
        uint8_t channel = 0;
        uint8_t number = kNoRelay;  // none yet
        std::string quitter;        // a quit notice: the name of the player who left
    };
    std::array<Stored, 8> lastMessageFrom{};         // host: each joiner's last message
    std::array<std::array<double, 8>, 8> hostHitTally{};  // [reporting machine][aircraft]
    DeadObjectWindow deadObjects;
    long packetsSentWithText = 0;
};

// Arrival ticks are stamped by the receiver thread, and may lie a tick or two after the frame's.
using platform::ticksBetween;
// More than `ticks` have gone from `since` to `now`. Signed: a stamp from another clock read may
// lie a tick or two after `now`, and is then just made, not long past.
inline bool passed(int32_t now, int32_t since, int32_t ticks) { return ticksBetween(since, now) > ticks; }

// The slot, 1..7 other than `joiner`, whose stored message the joiner has not yet acknowledged,
// lowest first; -1 when there is none.
int relaySlot(int joiner, const DataExchange& exchange);

// A player's name from another machine as it is held: strict UTF-8 (each ill-formed sequence
// replaced), cut at a character's start to at most 20 bytes.
std::string heldPlayerName(std::string_view name);

inline constexpr uint16_t kDefaultPort = 12301;
using MessageLine = std::array<uint8_t, kLineBytes>;

class EngineServices;

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
    // setJoinerParticularsName; ownTeam is the team of this machine's aircraft (for line 0).
    int startNetworkRoutines(uint16_t port, Role role, int32_t ownTeam);
    // Starts a game as startNetworkRoutines does but with no socket and no receiver: nothing is
    // sent, and only what is stored into ring() arrives. For feeding the engine made-up traffic.
    void startWithoutSocket(Role role, int32_t ownTeam);
    // 0 when the socket is open (or already was), -1 otherwise.
    int createASocketPort(uint16_t port);
    void closeSocket();
    bool socketOpen() const { return socket_ && socket_->isOpen(); }
    uint16_t localPort() const { return socket_ ? socket_->localPort() : 0; }
    const std::string& startError() const { return startError_; }

    // What has arrived. The engine takes each peer's packets apart (its host's on a joiner, each
    // joiner's on the host), so that no other sender's packet can stand in for one of theirs.
    ReceiveRing& ring() { return ring_; }

    // The next of ten 512-byte send slots: ten consecutive packets never share one.
    SendSlot nextSendSlot();
    // Sends to `address` (host order) at the current port; nothing with no socket or address 0.
    void sendDataPacket(uint32_t address, std::span<const uint8_t> bytes);
    // The destination port of every send: the host's for a joiner, each joiner's own for a host.
    void setCurrentPort(uint16_t port) { CurrentPort = port; }
    uint16_t currentPort() const { return CurrentPort; }

    // Datagrams handed to the system since the last start, an ended game's quits sent since
    // then included.
    long packetsSent() const { return PacketsSent + Quits.sent() - QuitsAtStart; }
    bool amIHost() const { return HostOrJoiner == kHost; }
    bool networkAndJoiner() const { return HostOrJoiner == kJoiner && NetworkMode != kNoGame; }
    int32_t getNetworkPlayDelay() const { return NetworkPlayDelay; }
    void setNetworkPlayDelay(int32_t ticks) { NetworkPlayDelay = ticks; }

    // ---- Setup packets and their repeat schedules (NetworkSetup.cpp). Addresses in host order.
    // A join request to the host, at most once per 301 ticks.
    void SendIwantToPlay(uint32_t hostAddress);
    // Takes joiner n (1..7) into the game and sends the accept; false (and a beep) when every
    // joiner slot is taken or n is out of range. The caller has set its address and port.
    bool AcceptJoiner(uint32_t address, int joiner);
    // Sends the decline and remembers the address for an hour (seven entries, oldest replaced).
    void DeclineJoiner(uint32_t address, uint8_t reason);
    // Sends the decline only: the refusals the host player did not choose are not remembered.
    void sendDecline(uint32_t address, uint8_t reason);
    bool wasDeclined(uint32_t address) const;
    // Host, once per frame: the new-game packet every 15 ticks in a game's first 180, and the
    // players' names every 60 ticks for 600 ticks after that window opens.
    void DoANew();
    void sendPlayersNames();
    // Ten rounds to every joiner (host) or to the host (accepted joiner), 3 or 20 ticks apart, the
    // first now and the rest off the frame; each returns at once.
    void HostQuit();
    void JoinerQuit();
    void SendImNotHost(uint32_t address, uint16_t port);
    // The joiner table the admission keeps (host numbering 1..7; 0 address = free).
    void setJoiner(int joiner, uint32_t address, uint16_t port);
    uint32_t joinerAddress(int joiner) const { return joiner >= 1 && joiner <= 7 ? ToAddresses[joiner] : 0; }
    // What the latest join request asked for; the accept gives it to the joiner.
    void setJoinerRequest(int32_t team, int32_t aircraftType) { JoinerTeamRequest = team, JoinerAircraftType = aircraftType; }
    void setJoinerNumber(int joiner) { JoinerNumber = joiner; }
    void setAccepted(bool accepted) { Accepted = accepted; }
    void openPlayerNamesWindow();

    // ---- Data packets (NetworkData.cpp).
    DataExchange& exchange() { return Exchange; }
    // Joiner, once per frame: its aircraft to the host when more than 20 ticks have passed.
    void SendJoinerData();
    // Host, in answer to an applied packet of joiner j (the current port set to the joiner's).
    void SendHostData(uint32_t address, int joiner);
    int32_t joinerNumber() const { return JoinerNumber; }

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
    bool hostSendsGameOver() const { return HostSendGameOver != 0; }
    bool hostSendResult() const { return HostSendResult; }

    // This player's particulars: the player string, the host to join (host order), the team
    // asked for and the mission.
    void setJoinerParticularsName(std::string_view playerString, uint32_t hostAddress, int32_t team,
                                  int32_t missionNumber);
    const std::string& playerNameString() const { return PlayerNameString; }
    uint32_t joinToAddress() const { return JoinToAddress; }
    int32_t myTeamRequest() const { return MyTeamRequest; }
    int32_t playerKillNumberOffset() const { return PlayerKillNumberOffset; }
    std::array<int32_t, 8>& originalJoinerTeamRequest() { return OriginalJoinerTeamRequest; }
    std::array<int32_t, 8>& originalJoinerAircraftType() { return OriginalJoinerAircraftType; }

    // ---- The per-frame engine (NetworkComm.cpp), run once per frame on every machine.
    // `game` also serves as the setup and data services.
    void setEngineServices(EngineServices* game);
    void NetworkComm(int32_t missionTime);
    bool accepted() const { return Accepted; }
    int32_t delayTime() const { return DelayTime; }
    double networkDamageForGauges(int slot) const { return slot >= 0 && slot < 8 ? NetworkDamageNumbersForGauges[slot] : 0.0; }

    // ---- Admission and typed messages (Admission.cpp).
    void acceptJoinerPublic();
    void declineJoiner();
    int32_t getJoinerPending() const { return JoinerPending; }
    int32_t getInTextMode() const { return InTextMode; }
    void setMessageChannel(int32_t channel);
    void handleTypingAMessage(int32_t code);
    long packetsInWithText() const { return PacketsInWithText; }

    // ---- Player names, paint jobs and the close (PlayerNames.cpp).
    void loadCustomPaintJobName(std::string_view name, int slot);
    // The name of a slot (a copy, not the stored bytes), empty for none or a slot outside 0..7.
    std::string getThisPlayerNamesPtr(int slot) const;
    int32_t getJoinerTypeForJoiner(int slot) const { return slot >= 0 && slot < 8 ? OriginalJoinerAircraftType[slot] : 0; }
    int32_t getJoinerTeam(int slot) const { return slot >= 0 && slot < 8 ? OriginalJoinerTeamRequest[slot] : 0; }
    int32_t getJoinerNumber() const { return JoinerNumber; }
    int32_t getHostResult() const { return HostWon; }
    int32_t getlocalDogfightGameKills() const { return Rules.killsToWin; }
    int32_t getDogKillType() const { return Rules.dogKillType; }
    int32_t numberOfJoiners() const;
    void setVersionNumber(int32_t version, int32_t appID, int32_t totalMissions);
    // Ends the game on this machine at once; its quit packets go on off the frame, from its socket.
    void closeNetworkRoutines();
    int32_t paintJob(int slot, int which) const { return slot >= 0 && slot < 8 && (which == 0 || which == 1) ? JoinerPaintJobNumbers[slot][which] : -1; }

private:
    void receiveLoop();
    // Engine steps (NetworkComm.cpp).
    int localSlot(int hostSlot) const;
    void refreshKillsLine();
    // A player's heading as his own line shows it, in this machine's numbering: "#3:Voss:Y/ 2:".
    std::string playerHeading(int slot) const;
    void refreshHeadings(const std::array<int32_t, 8>& kills, const std::array<int32_t, 8>& teams);
    void joinerCorrections();
    void takeHostData(int32_t now);
    void takePlayerNames(int32_t now);
    void takeJoinerData(int32_t now);
    void takeAccept(int32_t now);
    void startWindow(int32_t now);
    void takeNewGame(int32_t now);
    void takeDecline();
    void takeNotHost();
    void takeQuit(int32_t now);
    void takeChatLine();
    void applyRules(const GameRules& rules);
    void writeRuleMarks();
    void applyDeadObjects(uint32_t word, int reporter, bool credit);
    void notice(std::string_view text, int line);
    void scrollMessages();
    void endAfterSilenceOrQuit(std::string_view text);
    void freeJoinerSlot(int joiner);
    bool fromHost(const ReceivedPacket& packet) const;
    // Tells the ring who the peers are: a joiner's host as peer 0, the host's joiners by slot.
    void refreshPeers();
    // The newest unread packet of `type` from peer `peer` (host numbering), counted in.
    bool takeFromPeer(int peer, uint8_t type, ReceivedPacket* out);
    void takeJoinerDataFrom(int joiner, int32_t now);
    void takeJoinerQuit(int joiner, int32_t now);
    void takeJoinRequests(int32_t now);
    void applyChatLine(const ReceivedPacket& packet);
    // The newest unread packet of `type`, parsed, when it comes from this joiner's host.
    template <class T>
    std::optional<T> newestFromHost(PacketType type, std::optional<T> (*parse)(std::span<const uint8_t>));
    // Admission (Admission.cpp).
    void admit(const ReceivedPacket& packet, int32_t now);
    void restoreOwnLine();
    std::string ownLine() const;
    void showReceivedMessage(const MessageText& message, int sender);
    bool declinedWithin(uint32_t address, int32_t now) const;

    EngineServices* Game = nullptr;  // not owned
    bool DidIGetPlayerNames = false, NewAfterAccepted = false, HaveDoneNewAfterAccepted = false;
    int32_t JoinStatus = 0, QuitInTime = 0, QuitNoticeShown = 0, DelayTime = 0, GlobalGameTime = 0;
    int32_t AcceptedTime = 0;  // tick of the acceptance: the host's silence counts from here too
    int32_t LastGetData = 0;  // arrival tick of the last host data applied
    bool HeardHostData = false;
    bool HeardGameOver = false;  // joiner: the host's game over has come in this game
    // Joiner: what the host has told of the game running (local slots), which the restarts of
    // its start window put back: each player's kills, the departed players' kills per team, and
    // the slots its records hid, out of play.
    struct HostTold {
        std::array<int32_t, 8> kills{};
        std::array<int32_t, 4> leftTeamKills{};
        std::array<bool, 8> out{};
    } Told;
    void restoreWhatHostTold();
    std::array<double, 8> NetworkDamageNumbersForGauges{};
    std::array<std::array<int32_t, 2>, 8> JoinerPaintJobNumbers{};
    int32_t HostWon = 0;
    int32_t NetworkVersionNumber = 13, NetworkAppID = 2, TotalIncludedMissions = kTotalIncludedMissions;
    long PacketsInWithText = 0;
    int32_t InTextMode = 0, JoinerPending = 0;
    uint32_t JoinerPendingAddress = 0;
    uint16_t CurrentJoinersPort = 0;
    std::string JoinerPendingName;
    bool FirstKeyFlag = false, NextMessagePrivate = false;

    void resetForStart();
    // No datagram left from before, nothing counted, the send slots from the first.
    void clearTraffic();
    // The start shared by both: with a socket on `port`, or with none.
    int startGame(Role role, int32_t ownTeam, std::optional<uint16_t> port);

    std::shared_ptr<platform::UdpSocket> socket_;  // shared with the quits of the game it served
    QuitSender Quits;
    long QuitsAtStart = 0;  // Quits.sent() at the last start
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

    SetupServices* Services = nullptr;  // not owned
    DataServices* Data = nullptr;       // not owned
    DataExchange Exchange;
    std::array<uint32_t, 8> ToAddresses{};
    std::array<uint16_t, 8> JoinerPorts{};
    std::array<int32_t, 8> LastJoinerInTime{};
    std::array<bool, 8> JoinerInGameOver{};  // host: the joiner's last record carried game over
    struct Declined {
        uint32_t address = 0;
        int32_t tick = 0;
    };
    std::array<Declined, 8> DeclinedJoiners{};  // entries 1..7
    int32_t JoinerTeamRequest = 1, JoinerAircraftType = 0, JoinerNumber = 0;
    bool Accepted = false;
    int NextJoiner = 1;
    int32_t IWantToPlayTime = 0, NextDoANew = 0, NextSendPlayerNames = 0, TimeOfSendPlayerNames = 0;
    bool playerNamesOpened_ = false;  // TimeOfSendPlayerNames has been set at least once
};

}  // namespace pellam::net
