#include "platform/hid/SdlJoysticks.h"

#include <SDL.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/Log.h"

namespace pellam::platform::hid {

SdlJoysticks::SdlJoysticks(AxisCodeReader readCodes) : readCodes_(std::move(readCodes)) {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ready_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    gamepads_ = ready_ && SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!ready_) return;
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        Device d;
        d.deviceIndex = i;
        devices_.push_back(d);
    }
}

SdlJoysticks::~SdlJoysticks() {
    for (Device& d : devices_)
        if (d.joystick) SDL_JoystickClose(d.joystick);
    if (gamepads_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    if (ready_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

SdlJoysticks::Device* SdlJoysticks::device(int index) {
    return index >= 0 && index < static_cast<int>(devices_.size()) ? &devices_[index] : nullptr;
}

bool SdlJoysticks::ensureJoystick(Device& d) {
    if (d.gone) return false;
    if (!d.joystick) {
        d.joystick = SDL_JoystickOpen(d.deviceIndex);
        if (!d.joystick) return false;
        d.instance = SDL_JoystickInstanceID(d.joystick);
    }
    return true;
}

int32_t SdlJoysticks::hatValue(Uint8 hat) {
    switch (hat) {
        case SDL_HAT_UP: return 0;
        case SDL_HAT_RIGHTUP: return 1;
        case SDL_HAT_RIGHT: return 2;
        case SDL_HAT_RIGHTDOWN: return 3;
        case SDL_HAT_DOWN: return 4;
        case SDL_HAT_LEFTDOWN: return 5;
        case SDL_HAT_LEFT: return 6;
        case SDL_HAT_LEFTUP: return 7;
        default: return 8;  // centred: outside 0..7, the hat's null state
    }
}

bool SdlJoysticks::deviceProperties(int index, HidDeviceInfo& info) {
    Device* d = device(index);
    if (!d || !ensureJoystick(*d)) return false;
    SDL_Joystick* j = d->joystick;
    const int axes = SDL_JoystickNumAxes(j), hats = SDL_JoystickNumHats(j), buttons = SDL_JoystickNumButtons(j);
    if (axes < 0 || hats < 0 || buttons < 0) return false;
    info = HidDeviceInfo{};
    info.vendorID = SDL_JoystickGetVendor(j);
    info.productID = SDL_JoystickGetProduct(j);
    info.versionNumber = SDL_JoystickGetProductVersion(j);
    // SDL lists joysticks only; game pads and wheels fly as well as sticks do.
    info.primaryUsage = kUsageJoystick;
    info.primaryUsagePage = kGenericDesktopPage;

    std::vector<AxisUsage> usages = axisUsages(*d, axes);
    // A game pad: the left stick flies, the right stick's X is the rudder; its triggers and the
    // right stick's Y rest away from any sensible throttle, so the keys keep the throttle.
    if (gamepads_ && SDL_IsGameController(d->deviceIndex)) {
        if (SDL_GameController* pad = SDL_GameControllerOpen(d->deviceIndex)) {
            std::fill(usages.begin(), usages.end(), AxisUsage{});
            auto bind = [&](SDL_GameControllerAxis axis, int32_t usage) {
                const SDL_GameControllerButtonBind b = SDL_GameControllerGetBindForAxis(pad, axis);
                if (b.bindType == SDL_CONTROLLER_BINDTYPE_AXIS && b.value.axis >= 0 && b.value.axis < axes)
                    usages[b.value.axis] = {kGenericDesktopPage, usage};
            };
            bind(SDL_CONTROLLER_AXIS_LEFTX, kUsageX);
            bind(SDL_CONTROLLER_AXIS_LEFTY, kUsageY);
            bind(SDL_CONTROLLER_AXIS_RIGHTX, kUsageRz);
            SDL_GameControllerClose(pad);
        }
    }
    for (int a = 0; a < axes; ++a)
        info.elements.push_back({kAxisCookie + a, usages[a].usagePage, usages[a].usage, -32768, 32767});
    for (int h = 0; h < hats && h < 0x100; ++h)
        info.elements.push_back({kHatCookie + h, kGenericDesktopPage, kUsageHatSwitch, 0, 7});
    for (int b = 0; b < buttons && b < 0x1000; ++b) info.elements.push_back({kButtonCookie + b, kButtonPage, b + 1, 0, 1});
    return true;
}

std::vector<AxisUsage> SdlJoysticks::axisUsages(Device& d, int axes) {
    const char* path = SDL_JoystickPathForIndex(d.deviceIndex);
    if (readCodes_) {
        const std::optional<std::vector<int>> codes = readCodes_(path);
        if (codes && static_cast<int>(codes->size()) == axes) return axisUsagesOfCodes(*codes);
    }
    if (!d.guessLogged) {
        d.guessLogged = true;
        const char* name = SDL_JoystickName(d.joystick);
        logMessage(std::string("joystick \"") + (name ? name : "?") + "\" at " + (path ? path : "no device node") +
                   ": its axes' uses could not be read; taken from their order");
    }
    // A four-axis stick reports X, Y, twist, throttle; a three-axis one X, Y, throttle.
    static constexpr int32_t kUsualAxes[] = {kUsageX, kUsageY, kUsageRz, kUsageSlider, kUsageZ,
                                             kUsageRx, kUsageRy, kUsageDial, kUsageWheel};
    static constexpr int32_t kThreeAxes[] = {kUsageX, kUsageY, kUsageSlider};
    std::vector<AxisUsage> usages(axes);
    for (int a = 0; a < axes; ++a) {
        if (axes == 3)
            usages[a] = {kGenericDesktopPage, kThreeAxes[a]};
        else if (a < static_cast<int>(std::size(kUsualAxes)))
            usages[a] = {kGenericDesktopPage, kUsualAxes[a]};
    }
    return usages;
}

bool SdlJoysticks::openDevice(int index) {
    Device* d = device(index);
    if (!d || !ensureJoystick(*d)) return false;
    d->open = true;
    return true;
}

void SdlJoysticks::closeDevice(int index) {
    if (Device* d = device(index)) d->open = false;
}

bool SdlJoysticks::getElementValue(int index, int32_t cookie, int32_t& value) {
    Device* d = device(index);
    if (!d || !d->open || d->gone || !d->joystick) return false;
    SDL_Joystick* j = d->joystick;
    if (cookie >= kButtonCookie) {
        const int b = cookie - kButtonCookie;
        if (b >= SDL_JoystickNumButtons(j)) return false;
        value = SDL_JoystickGetButton(j, b);
    } else if (cookie >= kHatCookie) {
        const int h = cookie - kHatCookie;
        if (h >= SDL_JoystickNumHats(j)) return false;
        value = hatValue(SDL_JoystickGetHat(j, h));
    } else if (cookie >= kAxisCookie) {
        const int a = cookie - kAxisCookie;
        if (a >= SDL_JoystickNumAxes(j)) return false;
        value = SDL_JoystickGetAxis(j, a);
    } else {
        return false;
    }
    return true;
}

bool SdlJoysticks::createQueue(int index, int depth) {
    Device* d = device(index);
    if (!d || !d->open || depth <= 0) return false;
    d->queue = Queue{};
    d->queue.exists = true;
    d->queue.depth = std::min<int>(depth, static_cast<int>(d->queue.events.size()));
    return true;
}

void SdlJoysticks::addElementToQueue(int index, int32_t cookie) {
    Device* d = device(index);
    if (d && d->queue.exists) d->queue.cookies.push_back(cookie);
}

void SdlJoysticks::startQueue(int index) {
    Device* d = device(index);
    if (d && d->queue.exists) d->queue.started = true;
}

void SdlJoysticks::stopQueue(int index) {
    Device* d = device(index);
    if (d) d->queue.started = false;
}

void SdlJoysticks::disposeQueue(int index) {
    Device* d = device(index);
    if (d) d->queue = Queue{};
}

bool SdlJoysticks::getNextEvent(int index, HidQueueEvent& event) {
    Device* d = device(index);
    if (!d || !d->queue.exists || d->queue.count == 0) return false;
    Queue& q = d->queue;
    event = q.events[q.head];
    q.head = (q.head + 1) % q.depth;
    --q.count;
    return true;
}

void SdlJoysticks::push(Device& d, int32_t cookie, int32_t value) {
    Queue& q = d.queue;
    if (!q.exists || !q.started || q.count >= q.depth) return;
    if (std::find(q.cookies.begin(), q.cookies.end(), cookie) == q.cookies.end()) return;
    q.events[(q.head + q.count) % q.depth] = {cookie, value};
    ++q.count;
}

bool SdlJoysticks::handleEvent(const SDL_Event& event) {
    auto byInstance = [this](SDL_JoystickID id) -> Device* {
        for (Device& d : devices_)
            if (d.joystick && d.instance == id) return &d;
        return nullptr;
    };
    switch (event.type) {
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            if (Device* d = byInstance(event.jbutton.which))
                push(*d, kButtonCookie + event.jbutton.button, event.jbutton.state == SDL_PRESSED ? 1 : 0);
            return true;
        case SDL_JOYHATMOTION:
            if (Device* d = byInstance(event.jhat.which)) push(*d, kHatCookie + event.jhat.hat, hatValue(event.jhat.value));
            return true;
        case SDL_JOYDEVICEREMOVED:
            // A stick pulled out reads as absent until the next start; its axes then read 0.0.
            if (Device* d = byInstance(event.jdevice.which)) d->gone = true;
            return true;
        case SDL_JOYAXISMOTION:
        case SDL_JOYBALLMOTION:
        case SDL_JOYDEVICEADDED:
            return true;
        default:
            return false;
    }
}

bool SdlJoysticks::mainDisplaySize(int& width, int& height) {
    SDL_Rect bounds;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GetDisplayBounds(0, &bounds) != 0) return false;
    width = bounds.w;
    height = bounds.h;
    return true;
}

}  // namespace pellam::platform::hid
