#pragma once
// The quit packets of a network game that has ended, sent off the frame. Each ending is a
// schedule of its own: one packet, a number of rounds over the game's peers, a fixed number of
// ticks after each send (so that a moment's loss takes one, not all). It goes out from the
// ended game's own socket, which peers know by its address and port and which the schedule keeps
// open until its last send; a game started anew on that port takes the socket over.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "platform/UdpSocket.h"

namespace pellam::net {

class QuitSender {
public:
    QuitSender() = default;
    // Sends what is left before it returns, each at its tick of the real clock (all at once on a
    // clock a test drives, which nobody moves any more): a quit a peer never hears keeps him in
    // a dead game until his silence rule ends it.
    ~QuitSender();
    QuitSender(const QuitSender&) = delete;
    QuitSender& operator=(const QuitSender&) = delete;

    // Sends `packet` from `socket` `rounds` times round `peers`, the first now and each next
    // `gap` ticks after the one before. Returns at once; nothing for no socket, peer or round.
    void start(std::shared_ptr<platform::UdpSocket> socket, std::span<const uint8_t> packet,
               const std::vector<platform::UdpEndpoint>& peers, int rounds, int32_t gap);
    // A socket bound to `port` that quits still go out from; null when there is none.
    std::shared_ptr<platform::UdpSocket> socketOn(uint16_t port) const;
    // A peer taken into a new game on `socket`: no quit of an ended game on it goes there any more.
    void forget(const platform::UdpSocket* socket, platform::UdpEndpoint peer);
    // Quits handed to the system so far; each is counted just before it goes, so that nobody
    // sees one arrive before it is counted.
    long sent() const { return sent_.load(); }

private:
    struct Schedule {
        std::shared_ptr<platform::UdpSocket> socket;
        std::vector<uint8_t> packet;
        std::vector<platform::UdpEndpoint> sends;  // in order; address 0: forgotten
        size_t next = 0;                           // index of the next send
        int32_t gap = 0;                           // ticks after each send
        int32_t due = 0;                           // tick of the next send
        bool done() const;
    };
    void run();
    std::optional<int32_t> waitForTick(std::unique_lock<std::mutex>& lock, int32_t due);
    void sendDue(int32_t now);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Schedule> schedules_;
    bool finishing_ = false;  // the owner is going: what is left goes on the real clock
    bool running_ = false;    // the worker is at work; it clears this as it leaves
    std::thread worker_;
    std::atomic<long> sent_{0};
};

}  // namespace pellam::net
