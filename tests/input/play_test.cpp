// A player at the keyboard, the mouse and SDL virtual joysticks, through the SDL event queue,
// the input object and a game loop that drains the ring as the game does.
#include <gtest/gtest.h>

#include <SDL.h>
#include <linux/input-event-codes.h>

#include <cmath>
#include <optional>
#include <set>
#include <vector>

#include "input/AircraftControls.h"
#include "platform/hid/SdlInput.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using platform::hid::SdlJoysticks;
using enum CommandNumber;
constexpr int kW = 1024, kH = 768;

struct Plane : ZephModel {
    double ailerons = 0, elevator = 0, rudder = 0, throttle = 0;
    bool guns = false;
    void AileronInputAbsolute(double v) override { ailerons = v; }
    void ElevatorInputAbsolute(double v) override { elevator = v; }
    void RudderInputAbsolute(double v) override { rudder = v; }
    void setThrottle(double v) override { throttle = v; }
    void gunsOnOff(int32_t on) override { guns = on != 0; }
};

class Play : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS), 0) << SDL_GetError();
    }
    void TearDown() override {
        input.reset();
        hid.reset();
        SDL_JoystickDetachVirtual(device);
        SDL_Quit();
    }
    // A virtual device plugged in before the input object wakes, as at start-up. A virtual device
    // has no node; `codes` stands in for reading one.
    void attach(SDL_JoystickType type, int axes, int buttons, int hats, Uint16 vendor = 0, Uint16 product = 0,
                SdlJoysticks::AxisCodeReader codes = platform::hid::readAxisCodes) {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = static_cast<Uint16>(type);
        desc.naxes = static_cast<Uint16>(axes), desc.nbuttons = static_cast<Uint16>(buttons);
        desc.nhats = static_cast<Uint16>(hats);
        desc.vendor_id = vendor, desc.product_id = product;
        device = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(device, 0) << SDL_GetError();
        hid = std::make_unique<SdlJoysticks>(std::move(codes));
        ASSERT_TRUE(hid->ready());
        input = std::make_unique<PellamJoySub>(hid.get(), *store);
        input->awakeFromNib();
        stick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
        ASSERT_NE(stick, nullptr);
    }

    // One frame of the game loop: events, controls, then at most four commands.
    void frame() {
        SDL_Event e;
        while (SDL_PollEvent(&e)) platform::hid::dispatchSdlEvent(e, *input, hid.get(), kH);
        input->createSurfaceInput(kW, kH);
        applyFlightControls(*input, plane);
        for (int taken = 0; taken < 4 && input->checkForNextActionInBuffer(); ++taken) {
            const ActionItem1 a = *input->getNextActionInBuffer();
            ran.insert({a.theAction, a.actionType});
            if (a.theAction == FireGuns || a.theAction == FireGunsAndCannon)
                plane.gunsOnOff(a.actionType == kPressed);
        }
    }
    void key(SDL_Keycode sym, SDL_Scancode scancode, Uint16 mods, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym = {scancode, sym, mods, 0};
        SDL_PushEvent(&e);
    }
    void tap(SDL_Keycode sym, SDL_Scancode scancode, Uint16 mods = KMOD_NONE) {
        key(sym, scancode, mods, true);
        key(sym, scancode, mods, false);
    }
    void mouseTo(int x, int y) {
        SDL_Event e{};
        e.type = SDL_MOUSEMOTION;
        e.motion.x = x, e.motion.y = y;
        SDL_PushEvent(&e);
    }
    void click(Uint8 button, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.button = button;
        SDL_PushEvent(&e);
    }

    int device = -1;
    SDL_Joystick* stick = nullptr;
    test::TempStore store;
    std::unique_ptr<SdlJoysticks> hid;
    std::unique_ptr<PellamJoySub> input;
    Plane plane;
    std::set<std::pair<CommandNumber, int>> ran;  // commands the game took, with press or release
};

TEST_F(Play, KeyboardAndMouse) {
    ASSERT_NO_FATAL_FAILURE(attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 4, 12, 1));
    frame();
    EXPECT_EQ(plane.throttle, 0.0);  // a throttle at rest does not take over from the keys

    // Pointer right of and above the centre (SDL's y grows downward): right bank, nose up.
    mouseTo(kW * 3 / 4, kH / 4);
    frame();
    EXPECT_GT(plane.ailerons, 1.0);
    EXPECT_LT(plane.elevator, -0.5);

    key(SDLK_SPACE, SDL_SCANCODE_SPACE, KMOD_NONE, true);
    frame();
    EXPECT_TRUE(plane.guns);
    key(SDLK_SPACE, SDL_SCANCODE_SPACE, KMOD_NONE, false);
    frame();
    EXPECT_FALSE(plane.guns);

    tap(SDLK_EQUALS, SDL_SCANCODE_EQUALS);
    tap(SDLK_1, SDL_SCANCODE_1, KMOD_LALT);  // cockpit camera
    tap(SDLK_KP_4, SDL_SCANCODE_KP_4);       // look 90 degrees left
    tap(SDLK_UP, SDL_SCANCODE_UP);           // camera closer
    tap(SDLK_UP, SDL_SCANCODE_KP_8);         // num lock off: an arrow keycode, still keypad 8
    tap(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, KMOD_NUM);
    key(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, KMOD_LSHIFT, true);  // a modifier alone is no key
    click(SDL_BUTTON_MIDDLE, true);                             // nor is the middle button
    for (int i = 0; i < 4; ++i) frame();
    for (CommandNumber command : {ThrottleUpIncrementally, CameraInsidePilotHead, Look90Left, MoveCameraCloser,
                                  LookForward, LookRearRight})
        EXPECT_TRUE(ran.count({command, kPressed})) << commandTitle(command);
    EXPECT_TRUE(ran.count({Look90Left, kReleased}));
    EXPECT_FALSE(ran.count({Unbound, kPressed}));

    // A click shorter than a frame still fires and stops.
    click(SDL_BUTTON_LEFT, true);
    click(SDL_BUTTON_LEFT, false);
    frame();
    EXPECT_TRUE(ran.count({FireGunsAndCannon, kPressed}) && ran.count({FireGunsAndCannon, kReleased}));
    EXPECT_FALSE(plane.guns);
    click(SDL_BUTTON_RIGHT, true);
    frame();
    EXPECT_TRUE(ran.count({PauseFlyGameToggle, kPressed}));
}

// Every release-acting command held with Alt or Control acts whichever key is let go first; a plain
// key stays itself when a modifier comes down while it is held, repeats included; and every press
// the game takes is followed by a release of the same command.
TEST_F(Play, AKeyIsLetGoAsItWasPressed) {
    ASSERT_NO_FATAL_FAILURE(attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 4, 12, 1));
    std::vector<std::pair<CommandNumber, int>> taken;
    auto takeAll = [&] {
        SDL_Event e;
        while (SDL_PollEvent(&e)) platform::hid::dispatchSdlEvent(e, *input, hid.get(), kH);
        while (const ActionItem1* a = input->getNextActionInBuffer()) taken.push_back({a->theAction, a->actionType});
    };
    auto letter = [](uint32_t c) { return SDL_Scancode(SDL_SCANCODE_A + (c - 'a')); };
    // The game acts on these on the key's release alone.
    auto actsOnRelease = [](CommandNumber c) {
        return within(c, SendMessage, SendCannedMessage8) || within(c, NormalFastTimeToggle, JoystickAutoTrim);
    };
    std::set<CommandNumber> tried;
    for (const DefaultBinding& row : gameDefaultBindings()) {
        const bool alt = row.modifiers == platform::hid::kAlternateKeyMask;
        const bool control = row.modifiers == platform::hid::kControlKeyMask;
        if (!actsOnRelease(row.command) || !(alt || control)) continue;
        ASSERT_TRUE(row.key >= 'a' && row.key <= 'z') << commandTitle(row.command);
        const SDL_Keycode modKey = alt ? SDLK_LALT : SDLK_LCTRL;
        const SDL_Scancode modCode = alt ? SDL_SCANCODE_LALT : SDL_SCANCODE_LCTRL;
        const Uint16 mod = alt ? KMOD_LALT : KMOD_LCTRL;
        for (bool modifierFirst : {true, false}) {
            taken.clear();
            key(modKey, modCode, mod, true);
            key(SDL_Keycode(row.key), letter(row.key), mod, true);
            if (modifierFirst) key(modKey, modCode, KMOD_NONE, false);
            key(SDL_Keycode(row.key), letter(row.key), modifierFirst ? Uint16(KMOD_NONE) : mod, false);
            if (!modifierFirst) key(modKey, modCode, KMOD_NONE, false);
            takeAll();
            EXPECT_EQ(taken, (std::vector<std::pair<CommandNumber, int>>{{row.command, kPressed}, {row.command, kReleased}}))
                << commandTitle(row.command) << (modifierFirst ? ", the modifier let go first" : ", the key let go first");
        }
        tried.insert(row.command);
    }
    for (CommandNumber c : {FrameRateIndicatorOnOffToggle, BeginEndReplayOfAction, NormalFastTimeToggle})
        EXPECT_TRUE(tried.count(c)) << commandTitle(c);

    // s alone looks right; with Alt pressed and let go while it is held, repeats included, it
    // stays s (its repeats' releases too), and does not toggle the frame rate.
    taken.clear();
    tap(SDLK_s, SDL_SCANCODE_S);
    key(SDLK_s, SDL_SCANCODE_S, KMOD_NONE, true);
    key(SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT, true);
    SDL_Event repeat{};
    repeat.type = SDL_KEYDOWN;
    repeat.key.state = SDL_PRESSED;
    repeat.key.repeat = 1;
    repeat.key.keysym = {SDL_SCANCODE_S, SDLK_s, KMOD_LALT, 0};
    SDL_PushEvent(&repeat);
    key(SDLK_s, SDL_SCANCODE_S, KMOD_LALT, false);
    key(SDLK_LALT, SDL_SCANCODE_LALT, KMOD_NONE, false);
    takeAll();
    const std::pair<CommandNumber, int> down{LookIncrementallyRight, kPressed}, up{LookIncrementallyRight, kReleased};
    EXPECT_EQ(taken, (std::vector<std::pair<CommandNumber, int>>{down, up, down, up, down, up}));
}

TEST_F(Play, JoystickUntilTheMouseMovesOrItIsPulledOut) {
    // Without a node to read, the axes' uses come from their order, and the log says so.
    ::testing::internal::CaptureStderr();
    ASSERT_NO_FATAL_FAILURE(attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 4, 12, 1));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not be read"), std::string::npos);
    frame();
    SDL_JoystickSetVirtualAxis(stick, 0, 20000);
    SDL_JoystickSetVirtualAxis(stick, 1, -20000);
    SDL_JoystickSetVirtualAxis(stick, 2, 30000);
    SDL_JoystickSetVirtualAxis(stick, 3, -32768);  // throttle pushed forward
    SDL_JoystickSetVirtualButton(stick, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_RIGHT);
    frame();
    EXPECT_GT(plane.ailerons, 0.0);
    EXPECT_GT(plane.elevator, 0.0);  // stick forward: nose down
    EXPECT_EQ(plane.throttle, 1.0);
    EXPECT_GT(plane.rudder, 0.0);
    EXPECT_TRUE(plane.guns);
    frame();  // one queued event per stick per frame: the hat comes next
    EXPECT_TRUE(ran.count({LookIncrementallyRight, kPressed}));

    SDL_JoystickSetVirtualButton(stick, 0, SDL_RELEASED);
    SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_CENTERED);
    frame();
    frame();
    EXPECT_FALSE(plane.guns);
    EXPECT_TRUE(ran.count({LookIncrementallyRight, kReleased}));

    // Inside its dead zone the stick reads exactly 0; moved with the mouse in one frame, the
    // mouse wins, and may go past full travel.
    SDL_JoystickSetVirtualAxis(stick, 0, 500);
    frame();
    EXPECT_EQ(plane.ailerons, 0.0);
    SDL_JoystickSetVirtualAxis(stick, 0, -20000);
    mouseTo(kW, kH / 2);
    frame();
    EXPECT_GT(plane.ailerons, 1.0);
    input->pointerMoved(10, 10);
    input->createSurfaceInput(0, 0);  // an empty view: no mouse input rather than a division by zero
    EXPECT_EQ(input->getFinalAilerons(), 0.0);

    EXPECT_NE(input->getAxisPosition(1), 0.0);
    SDL_JoystickDetachVirtual(device);
    frame();
    EXPECT_EQ(input->getAxisPosition(1), 0.0);
    EXPECT_TRUE(std::isfinite(input->getFinalAilerons()));
}

// Rudder pedals whose node lists X and Y (the toe brakes) and Rz (the rudder): they steer and
// brake, each change of the brakes is reported once, and they fly no stick.
TEST_F(Play, KnownPedalsSteerAndBrake) {
    ASSERT_NO_FATAL_FAILURE(attach(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 3, 0, 0, 1678, 1281, [](const char*) {
        return std::optional<std::vector<int>>{{ABS_X, ABS_Y, ABS_RZ}};
    }));
    EXPECT_FALSE(input->haveJoystick());
    for (int toe : {0, 1}) SDL_JoystickSetVirtualAxis(stick, toe, -32768);
    SDL_JoystickSetVirtualAxis(stick, 2, 32767);
    std::vector<int> reports;
    frame();
    reports.push_back(input->getPedalBrakes());
    EXPECT_EQ(plane.rudder, 1.0);
    for (int second : {32767, 32767, -32768, -32768}) {  // the second toe brake alone
        SDL_JoystickSetVirtualAxis(stick, 1, static_cast<Sint16>(second));
        frame();
        reports.push_back(input->getPedalBrakes());
    }
    EXPECT_EQ(reports, (std::vector<int>{0, 1, -1, 0, -1}));
    EXPECT_EQ(plane.ailerons, 0.0);
}

TEST_F(Play, GamepadLeftStickFliesRightStickSteersKeysKeepTheThrottle) {
    ASSERT_NO_FATAL_FAILURE(attach(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 1));
    ASSERT_TRUE(SDL_IsGameController(device));
    // Triggers at rest read fully negative: neither may steer nor set the throttle.
    for (int axis : {SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_CONTROLLER_AXIS_RIGHTY})
        SDL_JoystickSetVirtualAxis(stick, axis, -32768);
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    frame();
    EXPECT_GT(plane.ailerons, 0.5);
    EXPECT_FALSE(input->getUseJoyRudder());
    EXPECT_FALSE(input->getUseJoyThrottle());
    SDL_JoystickSetVirtualAxis(stick, SDL_CONTROLLER_AXIS_RIGHTX, 32767);
    frame();
    EXPECT_TRUE(input->getUseJoyRudder());
    EXPECT_EQ(plane.rudder, 1.0);
}

}  // namespace
}  // namespace pellam::input
