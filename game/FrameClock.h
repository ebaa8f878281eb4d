#pragma once
// The frame's clock: whether the game runs, the mission clock, and the ticks this frame steps.
// The mission clock starts at 2 with each mission and stands while the game is paused; a replay
// moves it back and forth (ReplayControl) and gives it back at its end.
#include <cstdint>

namespace pellam {

struct FrameClock {
    bool gamePause = false;         // true while the game runs, whatever the name says
    bool lastGamePause = false;     // gamePause as the window level last followed it
    int32_t GamePauseTime = -150;   // ticks paused without the player doing anything; 900 starts the circling camera
    bool ShouldNotPlay = false;     // a window is up that the game must not run under
    bool DoDoubleTime = false;      // two ticks a frame (single player only)
    bool DisplayFrameRate = false;
    double ms1 = 0.0;               // s, the last frame's length, while the frame rate is shown
    int32_t GlobalMissionTime = 0;  // ticks (1/60 s)
    int32_t theticks = 0;           // whole ticks this frame steps
    bool lastTick = false;          // the world step is on this frame's last tick
    int32_t UserActivity = 0;       // ticks, 0..3000, the desktop's keep-awake count
    int64_t frameStampMicros_ = 0;  // us, when the last frame began (steady clock)
    // Where this frame's time went, for the frame-times log: us on the steady clock.
    int64_t waitedMicros = 0;   // the pacer let the frame go
    int64_t shownMicros = 0;    // the last frame's picture was shown
    int64_t steppedMicros = 0;  // the world had moved

    bool running() const { return gamePause; }
};

}  // namespace pellam
