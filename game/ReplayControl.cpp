#include "game/ReplayControl.h"

#include <algorithm>

namespace pellam {
namespace {

constexpr int32_t kReplayRecordPeriod = 20;  // ticks between replay records, at (t - 2) mod 20 = 0
constexpr int32_t kReplayBack = 1200;        // ticks a replay starts before the live clock
constexpr int32_t kReplayEarliest = 22;

}  // namespace

int32_t ReplayControl::advanceReplayClock(int32_t clock, int32_t speed, int32_t saved, int32_t rollOver) {
    clock += speed;
    const int32_t r = (clock - 2) % 20;  // takes the dividend's sign below 2
    switch (speed) {
    case 0: if (r != 0) clock = clock - r + 20; break;
    case 2: if (clock % 2 != 0) clock += 1; break;
    case -2: if (clock % 2 != 0) clock -= 1; break;
    case 3: if (r <= 2) clock -= r; break;
    case -3: if (r > 17) clock = clock - r + 20; break;
    case 4: if (r <= 3) clock -= r; break;
    case -4: if (r > 16) clock = clock - r + 20; break;
    case 5: if (r <= 4) clock -= r; break;
    case -5: if (r > 15) clock = clock - r + 20; break;
    default: break;
    }
    if (clock < saved - rollOver || clock <= 0) clock = saved - 1;
    if (clock >= saved) {
        clock = saved - rollOver;
        if (clock <= 0) clock = 1;
    }
    return clock;
}

int32_t ReplayControl::begin(int32_t liveClock) {
    ReplayFlag = true;
    SavedGlobalMissionTime = liveClock;
    int32_t clock = std::max(SavedGlobalMissionTime - kReplayBack, kReplayEarliest);
    clock -= (clock - 2) % kReplayRecordPeriod;  // back onto a record time
    return std::max(clock, kReplayEarliest);
}

}  // namespace pellam
