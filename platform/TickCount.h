#pragma once
#include <cstdint>
#include <functional>

namespace pellam::platform {

// The 60-per-second tick counter: ticks since the program started, from a monotonic clock.
// Frame pacing and input timing read it; tests replace the source to drive time by hand.
int32_t TickCount();

// Ticks from `earlier` to `later`, signed and without overflow, across the counter's wrap. A tick
// stamped on another thread may lie a tick or two after a frame's own clock read: compared
// unsigned, it would look 2^32 - 1 ticks old; here it is just made.
constexpr int32_t ticksBetween(int32_t earlier, int32_t later) {
    return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

using TickSource = std::function<int32_t()>;

// Sleeps until TickCount() reaches `tick`: on the real clock to the tick's first microsecond, so a
// frame that waits starts its work at the boundary with the whole tick (16.7 ms) before it. Returns
// at once for a tick already reached, and while a test drives the counter (its clock moves by hand).
void sleepUntilTick(int32_t tick);

// The steady-clock moment at which the real counter reaches `tick`, in us since the clock's epoch.
int64_t tickStartMicros(int32_t tick);

// Replaces the clock behind TickCount(); an empty source restores the monotonic clock.
void setTickSource(TickSource source);

// Restores the real clock when it goes out of scope.
class ScopedTickSource {
public:
    explicit ScopedTickSource(TickSource source) { setTickSource(std::move(source)); }
    ~ScopedTickSource() { setTickSource({}); }
    ScopedTickSource(const ScopedTickSource&) = delete;
    ScopedTickSource& operator=(const ScopedTickSource&) = delete;
};

}  // namespace pellam::platform
