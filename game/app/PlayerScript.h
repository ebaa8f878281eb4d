#pragma once
// A player's actions read from a file (PELLAM_PLAYER_SCRIPT), one per line, played into the real
// event queue a frame at a time, so that tests drive the whole game as a person would:
//   frames N                 let N frames pass
//   click WINDOW|LABEL       move the pointer onto a drawn button, row or menu item and click it;
//                            "Builder|LABEL" a control of the mission builder's panel,
//                            "Builder|view" the middle of the world in its view
//   key NAME                 press a key (SDL key name: "h", "Space", "Return"; "Ctrl+q" with
//                            Control held, "Alt+a" with Alt); its release follows three frames later
//                            as "release NAME"
//   press NAME               press a key and hold it until a "release" line lets it go ("press Alt+s",
//                            then "release s": Alt let go first)
//   wheel N                  turn the mouse wheel N notches where the pointer is (below 0: towards
//                            the player, scrolling a list down)
//   button N down|up         a button of the virtual joystick (0 is "Button #1")
//   axis N VALUE             an axis of the virtual joystick, -32768..32767
//   expect command TITLE     the last command the game carried out was the one of that title
//                            ("Fire Guns", as the key window lists it)
//   expect other-than TITLE  it was not that one
//   expect axis N LOW HIGH   the calibrated position of axis N (1 X, 2 Y, 3 rudder, 4 throttle)
//   expect closed            no input settings window is open
//   expect shut WINDOW       that window was not drawn in the last frame
//   expect paused|flying     the game is paused, or it runs
//   expect camera N          the main view shows camera N (0 the cockpit, 100 the circling camera)
//                            on the player's own aircraft, with no bomb view
//   expect drawn TEXT        the flight overlay over the last frame shown holds TEXT ("Paused",
//                            "Replay:", "#8B: 0" of a kills line)
//   expect whole WINDOW      that window is drawn, whole inside the game's window
//   close view|second        the window manager's close of the game's window or of the second view
//                            (which it waits to be open); after the game's window nothing more
//                            may be played: the game has ended
//   expect apart WINDOW|WINDOW  both are drawn, neither over any of the other
//   type TEXT                press the keys of TEXT one after another
//   until joined             wait for another player in this machine's network game
//   until seen N             wait for the aircraft of slot N to be in the world, flown from another machine
//   until message TEXT       wait for a network message line holding TEXT
//   until notice TEXT        wait for a notice to the player holding TEXT (shown, or waiting its turn)
//   until public-games N     wait for the join window's list to hold N games
//   until alone              wait for this machine to be in no network game
//   until mission-time N     wait for the mission clock to reach N ticks (a 60th of a second each),
//                            whatever the frame rate
//   until window WINDOW      wait for that window to be drawn
//   until view-keyboard      wait for the second view to be gone and the game's window to have
//                            the keyboard
//   quit
// A failed expectation is logged and makes the game end with status 1.
#include <SDL.h>

#include <deque>
#include <iosfwd>
#include <string>

namespace pellam {

class VADArizodazar2;
struct Overlay;
namespace input {
class DoJoystick;
}

class PlayerScript {
public:
    // The game's windows: its own (`view`, with its id) and the second view's, null while closed.
    struct Windows {
        SDL_Window* view = nullptr;
        uint32_t viewID = 0;
        SDL_Window* second = nullptr;
    };
    // False with `error` set when the file cannot be read.
    bool load(const std::string& path, std::string& error);
    // One frame's share of the script. False once the script asks to quit or has ended.
    // `joystick` (the virtual one) may be null; `drawn` is the overlay over the last frame shown.
    bool step(const Windows& windows, const VADArizodazar2& controller, const input::DoJoystick& input,
              SDL_Joystick* joystick, const Overlay& drawn);
    bool failed() const { return failed_; }
    // Every line was played (the game was not ended before the script was).
    bool finished() const { return lines_.empty(); }

private:
    void fail(const std::string& line, const std::string& why);
    bool until(const std::string& what, const VADArizodazar2& controller);
    // The actions of step, each given its line.
    bool click(SDL_Window* window, uint32_t windowID, const std::string& line);
    bool close(const Windows& windows, const std::string& line);
    bool waitUntil(const std::string& line, const VADArizodazar2& controller);
    void pressKey(const std::string& verb, std::istringstream& words, const std::string& line, uint32_t windowID);
    void moveJoystick(const std::string& verb, std::istringstream& words, const std::string& line,
                      SDL_Joystick* joystick);
    void expect(std::istringstream& words, const std::string& line, const VADArizodazar2& controller,
                const input::DoJoystick& input, const Overlay& drawn, SDL_Window* window);
    void expectWindows(const std::string& what, const std::string& titles, const std::string& line, SDL_Window* window);
    // Only a guard against waiting for ever: what a script waits on may be another game starting
    // under the sanitizers on a busy machine, which takes minutes. Ten minutes at 60 frames a second.
    static constexpr int kUntilFrames = 36000;
    std::deque<std::string> lines_;
    int wait_ = 0;
    int clickPhase_ = 0;
    int clickX_ = 0, clickY_ = 0;
    bool failed_ = false;
    bool viewClosed_ = false;  // the game's window was closed: the game should have ended
    Windows windows_;          // this frame's
    int waited_ = 0;  // frames an "until", or a click for its button, has waited
};

}  // namespace pellam
