#pragma once
// Whether a replay plays, how fast, and the live clock it returns to. The replay shows the last
// ReplayRollOver ticks before the live clock, looping, at -5..5 ticks per step. Cleared by each
// mission start; the models keep their own recorded states.
#include <cstdint>

namespace pellam {

struct ReplayControl {
    bool ReplayFlag = false;             // a replay plays
    int32_t ReplaySpeed = 1;             // -5..5 ticks per step
    int32_t SavedGlobalMissionTime = 0;  // ticks: the live clock when the replay began
    int32_t ReplayRollOver = 3420;       // ticks of the replay window

    // The replay clock one step on: `speed` ticks, snapped to the record times (t - 2) mod 20 = 0
    // it would step over, looped inside the `rollOver` ticks before `saved`.
    static int32_t advanceReplayClock(int32_t clock, int32_t speed, int32_t saved, int32_t rollOver);
    // This replay's clock one step on.
    int32_t step(int32_t clock) const {
        return advanceReplayClock(clock, ReplaySpeed, SavedGlobalMissionTime, ReplayRollOver);
    }
    // Starts a replay from the live clock; answers the clock to replay from: 1200 ticks back, on a
    // record time, never before tick 22.
    int32_t begin(int32_t liveClock);
    // Ends the replay; answers the live clock to go back to.
    int32_t end() {
        ReplayFlag = false;
        return SavedGlobalMissionTime;
    }
    void slower() { ReplaySpeed = ReplaySpeed - 1 < -5 ? -5 : ReplaySpeed - 1; }
    void faster() { ReplaySpeed = ReplaySpeed + 1 > 5 ? 5 : ReplaySpeed + 1; }
    // A mission starts live, at normal speed.
    void resetForMission() {
        ReplayFlag = false;
        ReplaySpeed = 1;
    }
};

}  // namespace pellam
