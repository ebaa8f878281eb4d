#include "net/NetworkSockets.h"

#include <algorithm>

#include "platform/Beep.h"
#include "platform/Log.h"
#include "platform/TickCount.h"

namespace pellam::net {
namespace {

constexpr int kPollMilliseconds = 20;  // how long closing may wait for the receiver

}  // namespace

BSDNetworkSockets::BSDNetworkSockets() {
    resetForStart();
    setMessageLine(5, std::string(messageLine(5).substr(0, 80)) + std::string(42, ' '));
}

BSDNetworkSockets::~BSDNetworkSockets() { closeSocket(); }

int BSDNetworkSockets::createASocketPort(uint16_t port) {
    if (socketOpen()) return 0;
    CurrentPort = port;
    // A host starting anew on the port its last game's quits still go out from takes that socket
    // over (the port could not be bound twice); the quits go on to the old peers alone.
    socket_ = HostOrJoiner == kHost && port != 0 ? Quits.socketOn(port) : nullptr;
    if (socket_) {
        std::array<uint8_t, kMaxPacketBytes> stale;
        while (socket_->receive(stale, nullptr) >= 0) {}  // sent to the ended game
    } else {
        auto fresh = std::make_shared<platform::UdpSocket>();
        if (!fresh->open(port, &startError_)) return -1;
        socket_ = std::move(fresh);
    }
    clearTraffic();
    stopReceiver_ = false;
    receiver_ = std::thread([this] { receiveLoop(); });
    return 0;
}

void BSDNetworkSockets::clearTraffic() {
    SendBufferOffset = 0;
    ring_.clear();
    PacketsSent = PacketsIn = 0;
    QuitsAtStart = Quits.sent();
}

// Copies every datagram into the ring as it arrives, draining the socket each time it wakes.
void BSDNetworkSockets::receiveLoop() {
    std::array<uint8_t, kMaxPacketBytes> buffer;
    while (!stopReceiver_.load(std::memory_order_relaxed)) {
        if (!socket_->waitReadable(kPollMilliseconds)) continue;
        platform::UdpEndpoint from;
        for (long n; (n = socket_->receive(buffer, &from)) >= 0;) {
            ring_.store({buffer.data(), static_cast<size_t>(n)}, platform::TickCount(), from);
        }
    }
}

void BSDNetworkSockets::closeSocket() {
    stopReceiver_ = true;
    if (receiver_.joinable()) receiver_.join();
    socket_.reset();  // closed once the quits of its game, if any, have gone too
}

SendSlot BSDNetworkSockets::nextSendSlot() {
    const size_t at = SendBufferOffset;
    SendBufferOffset = (SendBufferOffset + kSendSlotBytes) % SendBuffer.size();
    return SendSlot(SendBuffer.data() + at, kSendSlotBytes);
}

void BSDNetworkSockets::sendDataPacket(uint32_t address, std::span<const uint8_t> bytes) {
    if (!socketOpen() || address == 0) return;
    socket_->sendTo({address, CurrentPort}, bytes.first(std::min(bytes.size(), kMaxPacketBytes)));
    ++PacketsSent;
}

int BSDNetworkSockets::startNetworkRoutines(uint16_t port, Role role, int32_t ownTeam) {
    return startGame(role, ownTeam, port);
}

void BSDNetworkSockets::startWithoutSocket(Role role, int32_t ownTeam) { startGame(role, ownTeam, std::nullopt); }

int BSDNetworkSockets::startGame(Role role, int32_t ownTeam, std::optional<uint16_t> port) {
    resetForStart();
    ring_.setPeers({});  // nothing kept from a peer of the last game, the socket kept or not
    HostOrJoiner = role;
    startError_.clear();
    ToAddresses.fill(0);
    JoinerPorts.fill(0);
    LastJoinerInTime.fill(0);
    JoinerInGameOver.fill(false);
    OthersInGameOver = 0;
    DeclinedJoiners.fill({});
    NextSendPlayerNames = 0;
    NextJoiner = 1;
    Accepted = false;
    JoinStatus = DelayTime = QuitInTime = QuitNoticeShown = 0;
    for (std::array<int32_t, 2>& paint : JoinerPaintJobNumbers) paint = {-1, -1};
    Exchange = DataExchange{};  // no message, stamp or hit carried over from the last game
    if (!port) {
        closeSocket();
        clearTraffic();
    } else if (createASocketPort(*port) != 0) {
        platform::logMessage(startError_);
        platform::SystemBeep();
        return -1;
    }
    OTNotInited = true;
    setMode(role == kHost ? kHosting : kJoining, ownTeam);
    OriginalJoinerTeamRequest.fill(0);
    OriginalJoinerAircraftType.fill(0);
    OriginalJoinerTeamRequest[0] = HostTeam;
    return 0;
}

}  // namespace pellam::net
