#include "game/FramePacing.h"

#include "platform/TickCount.h"

#include <algorithm>

namespace pellam {
namespace {
uint32_t ticks() { return static_cast<uint32_t>(platform::TickCount()); }
}  // namespace

FramePacer::Aside::Aside(FramePacer& pacer) : pacer_(pacer), began_(ticks()) {}

FramePacer::Aside::~Aside() { pacer_.setAside(ticks() - began_); }

int32_t FramePacer::wait1Tick(const Inputs& in, const std::function<void(uint32_t)>& sleep) {
    const uint32_t spent = ticks() - lastTickCount;
    const uint32_t setAside = std::min(setAside_, spent);
    setAside_ = 0;
    const uint32_t cost = spent - setAside;
    // Sleep to the tick boundary rather than spin; the tick counts are the same either way.
    while (ticks() - lastTickCount < static_cast<uint32_t>(TickMinimum)) sleep(lastTickCount + TickMinimum);
    // One reading for this frame's steps and the next frame's start: a tick passing between two
    // readings would be in neither, and the world would fall behind the clock.
    const uint32_t now = ticks();
    theticks = static_cast<int32_t>(now - lastTickCount);
    lastTickCount = now;

    for (int i = 4; i > 0; --i) PreviousTicks[i] = PreviousTicks[i - 1];
    PreviousTicks[0] = static_cast<int32_t>(cost);
    double mean = 0;
    for (int32_t t : PreviousTicks) mean += t;
    mean /= 5.0;
    if (mean > 3.0) mean = 3.0;

    if (const int32_t paced = theticks - static_cast<int32_t>(setAside); paced > TickMinimum) TickMinimum = paced;
    if (TickMinimum > 3) TickMinimum = 3;
    if (ticks() - LastAdjustTime > 240) {
        if (static_cast<int32_t>(mean) < TickMinimum) --TickMinimum;
        if (TickMinimum <= 0) TickMinimum = 1;
        LastAdjustTime = ticks();
    }
    if (!in.gamePause) TickMinimum = 3;
    if (theticks > 300) theticks = 5;  // after a stall the world never jumps more than five steps
    if (in.doubleTime) theticks *= 2;
    return theticks;
}

}  // namespace pellam
