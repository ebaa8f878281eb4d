#include "platform/TickCount.h"

#include <chrono>

namespace pellam::platform {
namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point startTime = Clock::now();
TickSource source;

}  // namespace

int32_t TickCount() {
    if (source) return source();
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - startTime);
    return static_cast<int32_t>(elapsed.count() * 60 / 1000000);
}

void setTickSource(TickSource newSource) { source = std::move(newSource); }

}  // namespace pellam::platform
