#pragma once
// The toolkit's windows, panels and controls, drawn with Dear ImGui over the game view, and the
// desktop around the game: whether it is in front, the mouse cursor, sleeping to the next tick.
#include <cstdint>
#include <functional>
#include <string>

union SDL_Event;

namespace pellam::platform {

class GLWindow;

class UiLayer {
public:
    // Binds ImGui to the window's context (which must be current). False when it cannot.
    bool start(GLWindow& window);
    void stop();
    ~UiLayer() { stop(); }

    // Hands an event to ImGui; true when ImGui wants the keyboard or the mouse for it.
    bool processEvent(const SDL_Event& event);
    void newFrame();
    // Ends the frame's windows without drawing them, answering a print of what they would draw
    // (equal prints draw equal pixels); draw() then draws them.
    uint64_t finish();
    // newFrame(), `windows` (the ImGui calls that make them), finish(). ImGui leaves a window out of
    // the frame it first appears in and fits it over the next two: such a frame is built again at
    // once till the window is whole, so that it shows with the picture it was opened for (the
    // sign-in window with the first). The builds after the first take no time on the windows' clock
    // and see no input the first took.
    uint64_t build(const std::function<void()>& windows);
    // Over whatever state the frame's passes left (platform/FlatDrawing.h).
    void draw();
    bool wantsKeyboard() const;
    bool running() const { return started_; }
    // Each frame then counts as one tick (1/60 s) on the windows' clock, whatever it took: key
    // repeat, double clicks and held buttons follow the frames, not the machine's speed. For runs
    // driven by a script or a test, where a slow frame must not turn one key press into two.
    void setSteadyClock(bool on) { steadyClock_ = on; }

private:
    void beginFrame(bool again);
    bool started_ = false;
    bool steadyClock_ = false;
};

// The game's window as seen from the desktop.
class SdlDesktop {
public:
    explicit SdlDesktop(GLWindow& window);
    ~SdlDesktop();
    // Takes the events waiting; `handler` sees each. False once a quit was asked for: the close box
    // of `window` (another window's close is only the handler's), a quit signal, or requestQuit().
    bool pumpEvents(const std::function<void(const SDL_Event&)>& handler);
    // One of the game's windows (the view or the second view) has the keyboard.
    bool isApplicationActive() const;
    // 0 arrow, 1 the mouse-flying ball (a picture from `ballImagePath` when there is one), 2 crosshair.
    void setCursor(int32_t type, const std::string& ballImagePath);
    void showCursor(bool shown);
    // Moves the pointer to the middle of the window.
    void centrePointer();
    void sleepUntilTick(uint32_t tick);
    void requestQuit() { quit_ = true; }
    // The game stays: a quit whose save failed, for the player to read why.
    void cancelQuit() { quit_ = false; }
    bool quitRequested() const { return quit_; }

private:
    GLWindow& window_;
    bool quit_ = false;
    void* cursors_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace pellam::platform
