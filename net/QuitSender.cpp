#include "net/QuitSender.h"

#include <algorithm>
#include <chrono>

#include "platform/TickCount.h"

namespace pellam::net {
namespace {

using Clock = std::chrono::steady_clock;

// The longest the worker waits before it looks at the clock again: it wakes at the due tick's
// start on the real clock when that comes sooner, and otherwise every 4 ms, which is all a clock
// a test moves by hand gets (it has no start to wait for).
constexpr auto kLookAgain = std::chrono::milliseconds(4);

using platform::ticksBetween;

}  // namespace

bool QuitSender::Schedule::done() const {
    return std::none_of(sends.begin() + static_cast<std::ptrdiff_t>(next), sends.end(),
                        [](const platform::UdpEndpoint& to) { return to.address != 0; });
}

QuitSender::~QuitSender() {
    {
        std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable()) worker_.join();
}

void QuitSender::start(std::shared_ptr<platform::UdpSocket> socket, std::span<const uint8_t> packet,
                       const std::vector<platform::UdpEndpoint>& peers, int rounds, int32_t gap) {
    if (!socket || !socket->isOpen() || peers.empty() || rounds <= 0) return;
    Schedule s{std::move(socket), {packet.begin(), packet.end()}, {}, 0, gap, platform::TickCount()};
    for (int round = 0; round < rounds; ++round) s.sends.insert(s.sends.end(), peers.begin(), peers.end());
    std::lock_guard lock(mutex_);
    schedules_.push_back(std::move(s));
    if (!running_) {
        if (worker_.joinable()) worker_.join();  // one that has left: it cleared running_ under the lock
        running_ = true;
        worker_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

std::shared_ptr<platform::UdpSocket> QuitSender::socketOn(uint16_t port) const {
    std::lock_guard lock(mutex_);
    for (const Schedule& s : schedules_)
        if (s.socket->localPort() == port) return s.socket;
    return nullptr;
}

void QuitSender::forget(const platform::UdpSocket* socket, platform::UdpEndpoint peer) {
    std::lock_guard lock(mutex_);
    for (Schedule& s : schedules_) {
        if (s.socket.get() != socket) continue;
        for (platform::UdpEndpoint& to : s.sends)
            if (to.address == peer.address && to.port == peer.port) to = {};
    }
}

// Sends while anything is left, then leaves; the next ending starts a worker anew.
void QuitSender::run() {
    std::unique_lock lock(mutex_);
    while (!schedules_.empty()) {
        int32_t due = schedules_.front().due;
        for (const Schedule& s : schedules_)
            if (ticksBetween(s.due, due) > 0) due = s.due;
        if (const std::optional<int32_t> now = waitForTick(lock, due)) sendDue(*now);
    }
    running_ = false;
}

// The tick it is once `due` has come; none when woken before it (a new ending, or the finish).
std::optional<int32_t> QuitSender::waitForTick(std::unique_lock<std::mutex>& lock, int32_t due) {
    if (finishing_) {
        lock.unlock();
        platform::sleepUntilTick(due);  // at once on a test's clock: nobody moves it any more
        lock.lock();
        const int32_t now = platform::TickCount();
        return ticksBetween(due, now) > 0 ? now : due;
    }
    const int32_t now = platform::TickCount();
    if (ticksBetween(due, now) >= 0) return now;
    const Clock::time_point start{std::chrono::microseconds(platform::tickStartMicros(due))};
    wake_.wait_until(lock, std::min(start, Clock::now() + kLookAgain));
    return std::nullopt;
}

void QuitSender::sendDue(int32_t now) {
    for (Schedule& s : schedules_) {
        if (ticksBetween(s.due, now) < 0 || s.done()) continue;
        while (s.sends[s.next].address == 0) ++s.next;  // forgotten; done() says one is left
        ++sent_;
        s.socket->sendTo(s.sends[s.next++], s.packet);
        s.due = now + s.gap;
    }
    // The last reference to an ended game's socket closes it, and frees its port.
    std::erase_if(schedules_, [](const Schedule& s) { return s.done(); });
}

}  // namespace pellam::net
