#include "platform/TickCount.h"

#include <chrono>
#include <thread>

namespace pellam::platform {
namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point startTime = Clock::now();
TickSource source;

int32_t tickAt(Clock::time_point when) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(when - startTime);
    return static_cast<int32_t>(elapsed.count() * 60 / 1000000);
}

// The first microsecond at which tickAt() answers `tick`.
Clock::time_point tickStart(int32_t tick) {
    return startTime + std::chrono::microseconds((int64_t(tick) * 1000000 + 59) / 60);
}

}  // namespace

int32_t TickCount() { return source ? source() : tickAt(Clock::now()); }

void sleepUntilTick(int32_t tick) {
    if (source) return;
    // sleep_until on the steady clock never wakes early; loop for a clock read that rounds down.
    while (tickAt(Clock::now()) < tick) std::this_thread::sleep_until(tickStart(tick));
}

int64_t tickStartMicros(int32_t tick) {
    return std::chrono::duration_cast<std::chrono::microseconds>(tickStart(tick).time_since_epoch()).count();
}

void setTickSource(TickSource newSource) { source = std::move(newSource); }

}  // namespace pellam::platform
