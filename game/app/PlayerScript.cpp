#include "game/app/PlayerScript.h"

#include <fstream>
#include <sstream>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "aircraft/FlyableAircraft.h"
#include "builder/draw/BuilderLayout.h"
#include "builder/draw/BuilderWindow.h"
#include "game/InterfaceDrawing.h"
#include "game/Overlay.h"
#include "game/VADArizodazar2.h"
#include "input/DoJoystick.h"
#include "platform/Log.h"

namespace pellam {
namespace {

// Where a window was drawn, as text for a failed expectation.
std::string placeText(const ButtonPlace& p) {
    std::ostringstream text;
    text << p.x0 << ".." << p.x1 << " across, " << p.y0 << ".." << p.y1 << " down";
    return text.str();
}

// Where a click lands: a control of a game window; with the window "Builder", a control of the
// mission builder's panel by its label, or "view", the middle of the world's part of its view.
std::optional<ButtonPlace> placeToClick(SDL_Window* window, const std::string& title, const std::string& label) {
    if (title != "Builder") {
        const ButtonPlace* place = placeOfButton(title, label);
        return place ? std::optional(*place) : std::nullopt;
    }
    if (label == "view") {
        int width = 0, height = 0;
        SDL_GetWindowSize(window, &width, &height);
        const builderdraw::ViewRect r = builderdraw::builderViewRect(width, height);
        const float x = float(r.x) + 0.33f * float(r.width), y = float(height - r.y) - 0.5f * float(r.height);
        return ButtonPlace{x, y, x, y};
    }
    const builderdraw::ItemPlace* item = builderdraw::placeOfBuilderItem(label);
    return item ? std::optional(ButtonPlace{item->x0, item->y0, item->x1, item->y1}) : std::nullopt;
}

}  // namespace

bool PlayerScript::load(const std::string& path, std::string& error) {
    std::ifstream file(path);
    if (!file) {
        error = "cannot read the player script " + path;
        return false;
    }
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line[0] == '#') continue;  // a comment line
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.pop_back();
        if (!line.empty()) lines_.push_back(line);
    }
    return true;
}

// The conditions a script waits for: a network game's, the mission clock's, the notices', a window's.
bool PlayerScript::until(const std::string& what, const VADArizodazar2& controller) {
    ControllerNetwork& network = controller.network();
    if (what == "joined") {
        if (network.getNetworkMode() == 0) return false;
        if (network.amIHost()) return network.numberOfJoiners() > 0;
        const int32_t slot = network.getJoinerNumber();
        return slot > 0 && !network.getThisPlayerNamesPtr(slot).empty();
    }
    if (what.rfind("seen ", 0) == 0) {
        const FlyableAircraft* a = controller.aircraftAt(ModelArray::kFirstAircraft + std::atol(what.c_str() + 5));
        return a && a->ThisAircraft.RemoteLocal == 1 && a->live.attitude.Position[1] > -9000.0;
    }
    if (what.rfind("public-games ", 0) == 0) return controller.lobbySettings().currentNumberOfPublicGames == std::atoi(what.c_str() + 13);
    if (what == "alone") return network.getNetworkMode() == 0;
    if (what.rfind("window ", 0) == 0) return placeOfWindow(what.substr(7)) != nullptr;
    if (what == "view-keyboard") return !windows_.second && SDL_GetKeyboardFocus() == windows_.view;
    if (what.rfind("mission-time ", 0) == 0) return controller.clock().GlobalMissionTime >= std::atol(what.c_str() + 13);
    if (what.rfind("notice ", 0) == 0) {
        const std::deque<std::string>& notices = controller.interface().notices;
        return std::any_of(notices.begin(), notices.end(),
                           [&](const std::string& n) { return n.find(what.substr(7)) != std::string::npos; });
    }
    if (what.rfind("message ", 0) == 0) {
        const ControllerNetwork::MessageLinesPtr lines = network.getMessageLines();
        for (int n = 1; lines && n < 5; ++n) {
            const std::string text(reinterpret_cast<const char*>(lines[n] + 1), lines[n][0]);
            if (text.find(what.substr(8)) != std::string::npos) return true;
        }
    }
    return false;
}

// "whole TITLE": the window is drawn inside the game's window; "apart A|B": both are drawn and
// neither covers any of the other.
void PlayerScript::expectWindows(const std::string& what, const std::string& titles, const std::string& line,
                                 SDL_Window* window) {
    const size_t bar = titles.find('|');
    const std::string first = titles.substr(0, bar);
    const ButtonPlace* a = placeOfWindow(first);
    if (!a) return fail(line, first + " is not drawn");
    if (what == "whole") {
        int width = 0, height = 0;
        SDL_GetWindowSize(window, &width, &height);
        if (a->x0 < 0 || a->y0 < 0 || a->x1 > width || a->y1 > height)
            fail(line, "it lies " + placeText(*a) + " in a view of " + std::to_string(width) + " x " +
                           std::to_string(height));
        return;
    }
    const std::string second = bar == std::string::npos ? "" : titles.substr(bar + 1);
    const ButtonPlace* b = placeOfWindow(second);
    if (!b) return fail(line, second + " is not drawn");
    if (a->x0 < b->x1 && b->x0 < a->x1 && a->y0 < b->y1 && b->y0 < a->y1)
        fail(line, "one lies " + placeText(*a) + ", the other " + placeText(*b));
}

void PlayerScript::fail(const std::string& line, const std::string& why) {
    platform::logMessage("player script: \"" + line + "\" failed: " + why);
    failed_ = true;
}

bool PlayerScript::step(const Windows& windows, const VADArizodazar2& controller, const input::DoJoystick& input,
                        SDL_Joystick* joystick, const Overlay& drawn) {
    if (viewClosed_) {
        fail("close view", "the game went on after its window was closed");
        return false;
    }
    windows_ = windows;
    SDL_Window* window = windows.view;
    const uint32_t windowID = windows.viewID;
    if (wait_ > 0) {
        --wait_;
        return true;
    }
    if (lines_.empty()) return false;
    const std::string line = lines_.front();
    std::istringstream words(line);
    std::string verb;
    words >> verb;

    // These two keep their line until done; every other action is taken off first.
    if (verb == "click") return click(window, windowID, line);
    if (verb == "until") return waitUntil(line, controller);
    if (verb == "close") return close(windows, line);
    lines_.pop_front();

    if (verb == "type") {  // one key a frame, pressed and released
        std::vector<std::string> keys;
        for (char c : line.substr(5)) keys.push_back(c == ' ' ? "tap Space" : std::string("tap ") + c);
        lines_.insert(lines_.begin(), keys.begin(), keys.end());
    } else if (verb == "frames") {
        words >> wait_;
    } else if (verb == "key" || verb == "press" || verb == "release" || verb == "tap") {
        pressKey(verb, words, line, windowID);
    } else if (verb == "wheel") {  // over whatever the pointer is on, one event a notch
        int notches = 0;
        words >> notches;
        SDL_Event e{};
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = windowID;
        e.wheel.y = notches < 0 ? -1 : 1;
        for (int k = 0; k < std::abs(notches); ++k) SDL_PushEvent(&e);
        wait_ = 3;
    } else if (verb == "button" || verb == "axis") {
        moveJoystick(verb, words, line, joystick);
    } else if (verb == "expect") {
        expect(words, line, controller, input, drawn, window);
    } else if (verb == "quit") {
        lines_.clear();
        return false;
    } else {
        fail(line, "unknown action");
    }
    return true;
}

bool PlayerScript::click(SDL_Window* window, uint32_t windowID, const std::string& line) {
    // Over several frames: onto the place, press, release, as the windows need to see each.
    SDL_Event e{};
    e.button.button = SDL_BUTTON_LEFT;
    e.button.windowID = windowID;
    e.button.x = clickX_;
    e.button.y = clickY_;
    switch (clickPhase_) {
    case 0: {
        const std::string what = line.substr(6);
        const size_t bar = what.find('|');
        const std::optional<ButtonPlace> place =
            bar == std::string::npos ? std::nullopt : placeToClick(window, what.substr(0, bar), what.substr(bar + 1));
        // A window opened by the line before may come up some frames later: the click waits
        // for its button to be drawn, as a player waits to see it.
        if (!place && ++waited_ < kUntilFrames) return true;
        if (!place) {
            fail(line, "nothing of that name is drawn within " + std::to_string(kUntilFrames) + " frames");
            waited_ = 0;
            lines_.pop_front();
            return true;
        }
        waited_ = 0;
        clickX_ = static_cast<int>((place->x0 + place->x1) / 2);
        clickY_ = static_cast<int>((place->y0 + place->y1) / 2);
        SDL_WarpMouseInWindow(window, clickX_, clickY_);
        break;
    }
    case 1: e.type = SDL_MOUSEBUTTONDOWN; SDL_PushEvent(&e); break;
    case 2: e.type = SDL_MOUSEBUTTONUP; SDL_PushEvent(&e); break;
    }
    wait_ = 3;
    if (++clickPhase_ == 3) {
        clickPhase_ = 0;
        lines_.pop_front();
    }
    return true;
}

// As a window manager sends it: the window's close event, nothing more. SDL adds no quit of its
// own to a close pushed here, nor (as the game asks of it) to a real one.
bool PlayerScript::close(const Windows& windows, const std::string& line) {
    const bool view = line == "close view";
    if (!view && line != "close second") {
        fail(line, "unknown window");
    } else if (!view && !windows.second && ++waited_ < kUntilFrames) {
        return true;  // the second view opens with the frame after its key
    } else if (!view && !windows.second) {
        fail(line, "no second view within " + std::to_string(kUntilFrames) + " frames");
    } else {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = SDL_WINDOWEVENT_CLOSE;
        e.window.windowID = view ? windows.viewID : SDL_GetWindowID(windows.second);
        SDL_PushEvent(&e);
        viewClosed_ = view;
    }
    waited_ = 0;
    lines_.pop_front();
    return true;
}

bool PlayerScript::waitUntil(const std::string& line, const VADArizodazar2& controller) {
    if (!until(line.substr(6), controller) && ++waited_ < kUntilFrames) return true;
    if (waited_ >= kUntilFrames) fail(line, "not within " + std::to_string(kUntilFrames) + " frames");
    else platform::logMessage("player script: \"" + line + "\" after " + std::to_string(waited_) + " frames");
    waited_ = 0;
    lines_.pop_front();
    return true;
}

void PlayerScript::pressKey(const std::string& verb, std::istringstream& words, const std::string& line,
                            uint32_t windowID) {
    std::string name;
    words >> name;
    // "Ctrl+q", "Alt+a": the key with Control or Alt held.
    const bool control = name.rfind("Ctrl+", 0) == 0 && name.size() > 5;
    const bool alt = name.rfind("Alt+", 0) == 0 && name.size() > 4;
    const SDL_Keycode key = SDL_GetKeyFromName(name.c_str() + (control ? 5 : alt ? 4 : 0));
    if (key == SDLK_UNKNOWN) {
        fail(line, "no such key");
        return;
    }
    SDL_Event e{};
    e.type = verb == "release" ? SDL_KEYUP : SDL_KEYDOWN;
    e.key.state = verb == "release" ? SDL_RELEASED : SDL_PRESSED;
    e.key.windowID = windowID;
    e.key.keysym.sym = key;
    e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    e.key.keysym.mod = control ? KMOD_LCTRL : alt ? KMOD_LALT : KMOD_NONE;
    SDL_PushEvent(&e);
    if (verb == "tap") {
        e.type = SDL_KEYUP;
        e.key.state = SDL_RELEASED;
        SDL_PushEvent(&e);
        return;
    }
    // The release a few frames later, so that the windows see the key down in a frame of its own.
    if (verb == "key") lines_.push_front("release " + name);
    wait_ = 3;
}

void PlayerScript::moveJoystick(const std::string& verb, std::istringstream& words, const std::string& line,
                                SDL_Joystick* joystick) {
    int n = 0;
    std::string value;
    words >> n >> value;
    if (!joystick) {
        fail(line, "no virtual joystick");
    } else if (verb == "button") {
        SDL_JoystickSetVirtualButton(joystick, n, value == "down" ? SDL_PRESSED : SDL_RELEASED);
    } else {
        SDL_JoystickSetVirtualAxis(joystick, n, static_cast<Sint16>(std::stoi(value)));
    }
    wait_ = 3;
}

void PlayerScript::expect(std::istringstream& words, const std::string& line, const VADArizodazar2& controller,
                          const input::DoJoystick& input, const Overlay& drawn, SDL_Window* window) {
    std::string what;
    words >> what;
    if (what == "whole" || what == "apart") {
        std::string titles;
        std::getline(words >> std::ws, titles);
        expectWindows(what, titles, line, window);
        return;
    }
    if (what == "command" || what == "other-than") {
        std::string title;
        std::getline(words >> std::ws, title);
        const input::CommandNumber named = input::commandTitled(title);
        const input::CommandNumber last = controller.worldStep().Command.command;
        if (named == input::CommandNumber::None)
            fail(line, "no command has that title");
        else if (what == "command" && last != named)
            fail(line, "the last command was \"" + std::string(input::commandTitle(last)) + "\" (" +
                           std::to_string(input::numberOf(last)) + ")");
        else if (what == "other-than" && last == named)
            fail(line, "the last command was that one");
    } else if (what == "axis") {
        int n = 0;
        double low = 0, high = 0;
        words >> n >> low >> high;
        const double at = const_cast<input::DoJoystick&>(input).getAxisPosition(n);
        if (!(at >= low && at <= high)) fail(line, "the axis is at " + std::to_string(at));
    } else if (what == "closed") {
        if (input.isWindowOpen()) fail(line, "a settings window is open");
    } else if (what == "shut") {
        std::string title;
        std::getline(words >> std::ws, title);
        if (placeOfWindow(title)) fail(line, "it is drawn");
    } else if (what == "paused" || what == "flying") {
        if (controller.isRunning() != (what == "flying")) fail(line, controller.isRunning() ? "flying" : "paused");
    } else if (what == "camera") {
        long number = -1;
        words >> number;
        const Cameras& c = controller.cameras();
        if (c.CameraPosition != number || c.CameraAircraft != ModelArray::kFirstAircraft || c.SpecialCameraPosition != 0)
            fail(line, "the view shows camera " + std::to_string(c.CameraPosition) + " on model " +
                           std::to_string(c.CameraAircraft) + ", special camera " + std::to_string(c.SpecialCameraPosition));
    } else if (what == "drawn") {
        std::string text, shown;
        std::getline(words >> std::ws, text);
        for (int k = 0; k < drawn.count; ++k) {
            const uint8_t* t = drawn.texts[size_t(k)].text;
            if (!t) continue;
            const std::string one(reinterpret_cast<const char*>(t + 1), t[0]);
            if (one.find(text) != std::string::npos) return;
            shown += " \"" + one + "\"";
        }
        fail(line, "the overlay holds" + (shown.empty() ? std::string(" nothing") : shown));
    } else {
        fail(line, "unknown expectation");
    }
}

}  // namespace pellam
