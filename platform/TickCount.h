#pragma once
#include <cstdint>
#include <functional>

namespace pellam::platform {

// The 60-per-second tick counter: ticks since the program started, from a monotonic clock.
// Frame pacing and input timing read it; tests replace the source to drive time by hand.
int32_t TickCount();

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
