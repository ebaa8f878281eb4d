#pragma once
#include <cstdint>
#include <functional>

namespace pellam::platform {

// The 60-per-second tick counter: ticks since the program started, from a monotonic clock.
// Frame pacing and input timing read it; tests replace the source to drive time by hand.
int32_t TickCount();

using TickSource = std::function<int32_t()>;

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
