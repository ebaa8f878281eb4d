#pragma once
// Frame pacing on the 60-per-second tick counter. A frame waits until at least TickMinimum ticks
// (1..3: 60, 30 or 20 frames per second) have passed since the last one, and the world then runs
// one step per tick that passed, so the simulation keeps its speed whatever the frame rate.
// TickMinimum rises at once to a slow frame's length and falls by one, at most every 240 ticks,
// when the last five frames' work fits in fewer ticks. Paused, it is 3, and a flight that goes on
// from a pause climbs back from there (a resume from the keyboard asks for no wait at once). The
// drawing's warm-up, work of this renderer's and not of the flight's, is set aside: the world
// still steps through its ticks, but they do not lower the rate.
#include <array>
#include <cstdint>
#include <functional>

namespace pellam {

class FramePacer {
public:
    struct Inputs {
        bool gamePause = false;   // true while the game runs (the controller's gamePause 1)
        bool doubleTime = false;  // fast time: twice the steps per frame
    };

    // Waits for the next frame and answers the simulation steps to run. `sleep` is asked to wait
    // until the given tick count (the real loop sleeps; tests advance their own clock).
    int32_t wait1Tick(const Inputs& in, const std::function<void(uint32_t untilTick)>& sleep);
    // `ticks` of the frame now under way went on the warm-up.
    void setAside(uint32_t ticks) { setAside_ += ticks; }
    // The ticks from its making to its end set aside: one share of the warm-up.
    class Aside {
    public:
        explicit Aside(FramePacer& pacer);
        ~Aside();
        Aside(const Aside&) = delete;
        Aside& operator=(const Aside&) = delete;

    private:
        FramePacer& pacer_;
        uint32_t began_;
    };

    int32_t TickMinimum = 1;
    int32_t theticks = 0;
    uint32_t lastTickCount = 0;
    std::array<int32_t, 5> PreviousTicks{};  // frame costs, newest first
    uint32_t LastAdjustTime = 0;

private:
    uint32_t setAside_ = 0;  // this frame's ticks of the warm-up
};

}  // namespace pellam
