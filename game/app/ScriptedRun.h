#pragma once
// The switches with which tests and the bench scripts drive the real game, read from the
// environment in this one place, and what each of them does to a run:
//   PELLAM_AUTOQUIT_SECONDS=S        quit S seconds (of 60 ticks) after start-up, once the flight no longer
//                                    waits behind the loading screen; the save at quit runs as usual
//   PELLAM_AUTOFLY                   sign the first pilot in and fly the current mission at once
//   PELLAM_FRAME_DUMP=FILE           write the last frame shown to FILE as a PNG (the smoke test)
//   PELLAM_FIRST_FRAME_DUMP=FILE     write the first frame after start-up, its windows drawn over it,
//                                    to FILE as a PNG (a loading screen, which nothing goes over, is none)
//   PELLAM_LOADING_DUMP=PREFIX       write the first pictures of the loading screen that a flight waits
//                                    behind to PREFIX1.png, PREFIX2.png, ... (at most kLoadingDumps)
//   PELLAM_FRAME_TIMES=FILE          write at quit the milliseconds between frames, one a line, each
//                                    followed by where the frame went (the columns the file's first
//                                    line names), then "# cpu C wall W" (processor and wall seconds of
//                                    the run, loading left out), "# rested N" (frames the window kept
//                                    from the last) and "# began U" (the run's start, us on the steady
//                                    clock, to match the frames with a profiler's samples), "# shown S
//                                    ms after launch, peak P MB, cpu C ms" (the first picture with its
//                                    windows on screen, the most resident memory until then and the
//                                    processor time of all threads) and "# peak P MB" (the whole run's)
//   PELLAM_USER_MISSIONS=FOLDER      read the user's missions from FOLDER, in place of Necessary Data/Missions
//   PELLAM_VIRTUAL_JOYSTICK          attach a virtual stick (4 axes, 12 buttons, a hat) for the script
//   PELLAM_PLAYER_SCRIPT=FILE        play a player's actions (PlayerScript.h); a failed expectation, or
//                                    a game ended before its script, ends the game with status 1; the
//                                    windows' clock counts a tick a frame, so a slow frame repeats no key
//   PELLAM_NETWORK_HOST=PORT         after AUTOFLY, host the mission on PORT (0: any free one, logged
//                                    as "Hosting on port N") and take every joiner in
//   PELLAM_NETWORK_JOIN=A.B.C.D:PORT after AUTOFLY, ask that host to take this pilot in (blue, in a D.VII)
#include <SDL.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "game/app/PlayerScript.h"

namespace pellam {

class GameNetwork;
namespace platform {
class GLWindow;
}

class ScriptedRun {
public:
    ScriptedRun();  // reads the switches

    // Before the joysticks are listed, so that the virtual one is among them.
    void attachVirtualJoystick();
    // Once the joysticks are open: reads the player's script. False, logged, when it cannot be read.
    bool startPlayerScript();
    bool scripted() const { return script_ != nullptr; }
    // Empty: the game's own folder.
    std::string userMissionsFolder() const { return userMissions_.value_or(""); }
    // Once the controller is awake: flies, hosts, joins; the quit time and the run's clocks start.
    void begin(VADArizodazar2& controller, GameNetwork& network);

    // One frame's share of the player's script; false once it asks to quit or has ended. `second`
    // is the second view's window, null while it is closed; `drawn` is what the overlay laid over
    // the last frame shown.
    bool playerStep(SDL_Window* window, uint32_t windowID, SDL_Window* second, const VADArizodazar2& controller,
                    const input::DoJoystick& input, const Overlay& drawn);
    bool quitDue() const;
    // A host started here takes in whoever asks.
    void takeJoiners(GameNetwork& network);
    // The frame now drawn is the run's last: the one the dump keeps.
    void setLastFrame(bool last) { lastFrame_ = last; }
    // Reads the frame drawn in `window` (a loading screen's when `loading`) back into the file of
    // each dump that wants it.
    void dumpFrame(const platform::GLWindow& window, bool loading);
    static constexpr int kLoadingDumps = 6;
    // The view has sent the frame's 3-D drawing; then the windows over it.
    void frameSubmitted();
    void windowsDrawn();
    void frameEnded(const VADArizodazar2& controller);
    // At quit: the frame times, with `framesRested` the frames the window kept from the last.
    void end(long framesRested);
    int exitStatus() const;

private:
    static int64_t micros(std::chrono::steady_clock::time_point t);  // since the clock's epoch
    static void writeFrame(const platform::GLWindow& window, const std::string& path);
    void host(VADArizodazar2& controller, GameNetwork& network);
    void join(VADArizodazar2& controller, GameNetwork& network);

    bool virtualJoystick_ = false;
    std::optional<std::string> scriptPath_, dumpPath_, firstDumpPath_, loadingDumpPath_, timesPath_, host_, join_,
        userMissions_;
    bool autoFly_ = false;
    std::optional<double> quitAfter_;  // s

    int virtualStick_ = -1;  // device index
    SDL_Joystick* scriptStick_ = nullptr;
    std::unique_ptr<PlayerScript> script_;
    bool acceptJoiners_ = false;
    int32_t quitTick_ = -1;
    bool lastFrame_ = false;
    bool begun_ = false;       // start-up is over: its own loading screens are not dumped
    bool firstDumped_ = false;
    int loadingDumped_ = 0;

    using Clock = std::chrono::steady_clock;
    // One frame's line in the log: ms, the pacer's verdict, and where the time went.
    struct FrameTime {
        float ms;           // since the last frame ended
        float late;         // ms from the tick the frame started on to the end of its wait
        float step;         // ms: the world's steps
        float show;         // ms: the last frame shown, where the view left that to this frame
        float draw;         // ms: the cameras and the view's drawing sent
        float windows;      // ms: the windows drawn over it
        float end;          // ms: the frame handed on (swapped, or flushed to be shown next frame)
        int16_t ticks, tickMinimum;
        float cpu, mainCpu;  // processor ms in the frame: all the game's threads, the game thread's
    };
    std::vector<FrameTime> frameTimes_;  // reserved at start, so no allocation per frame
    int64_t submitted_ = 0, windowsDrawn_ = 0;  // us on the steady clock, this frame's
    Clock::time_point runStart_, lastFrameEnd_;
    int64_t lastCpu_ = 0, lastMainCpu_ = 0;  // ns at the last frame's end
    std::clock_t runCpuStart_ = 0;
    // The first picture on screen: ms since launch, and the most resident memory (MB) and the
    // processor ms until it was drawn.
    double shownAfter_ = 0, shownPeak_ = 0, shownCpu_ = 0;
};

}  // namespace pellam
