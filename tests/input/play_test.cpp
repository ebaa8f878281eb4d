// A player at the keyboard, the mouse and an SDL virtual joystick, through the SDL event queue,
// the input object and a game loop that drains the ring as the game does.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>

#include "input/AircraftControls.h"
#include "input/PellamJoySub.h"
#include "platform/hid/SdlInput.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using platform::hid::SdlJoysticks;
constexpr int kW = 1024, kH = 768;

struct Plane : ZephModel {
    double ailerons = 0, elevator = 0, rudder = 0, throttle = 0;
    int throttleUps = 0;
    bool guns = false;
    void AileronInputAbsolute(double v) override { ailerons = v; }
    void ElevatorInputAbsolute(double v) override { elevator = v; }
    void RudderInputAbsolute(double v) override { rudder = v; }
    void setThrottle(double v) override { throttle = v; }
    void throttleUp(double) override { ++throttleUps; }
    void gunsOnOff(int32_t on) override { guns = on != 0; }
};

class Play : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK | SDL_INIT_EVENTS), 0) << SDL_GetError();
        device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_FLIGHT_STICK, 4, 12, 1);
        ASSERT_GE(device, 0) << SDL_GetError();
        hid = std::make_unique<SdlJoysticks>();
        ASSERT_TRUE(hid->ready());
        input = std::make_unique<PellamJoySub>(hid.get(), *store);
        input->awakeFromNib();
        stick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
        ASSERT_NE(stick, nullptr);
    }
    void TearDown() override {
        input.reset();
        hid.reset();
        SDL_JoystickDetachVirtual(device);
        SDL_Quit();
    }

    // One frame of the game loop: events, controls, then at most four commands.
    void frame() {
        SDL_Event e;
        while (SDL_PollEvent(&e)) platform::hid::dispatchSdlEvent(e, *input, hid.get(), kH);
        input->createSurfaceInput(kW, kH);
        applyFlightControls(*input, plane);
        applyPedalBrakes(*input, plane);
        for (int taken = 0; taken < 4 && input->checkForNextActionInBuffer(); ++taken) {
            const ActionItem1 a = *input->getNextActionInBuffer();
            if (input->isWindowOpen()) continue;
            executed.emplace_back(a.theAction, a.actionType);
            const bool pressed = a.actionType == kPressed;
            switch (a.theAction) {
                case kFireGuns:
                case kFireGunsAndCannon: plane.gunsOnOff(pressed); break;
                case kThrottleUp: if (pressed) plane.throttleUp(0.05); break;
                default: break;
            }
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
        e.button.x = kW / 2, e.button.y = kH / 2;
        SDL_PushEvent(&e);
    }
    bool ran(int command, int type) const {
        for (auto [c, t] : executed)
            if (c == command && t == type) return true;
        return false;
    }

    int device = -1;
    SDL_Joystick* stick = nullptr;
    test::TempStore store;
    std::unique_ptr<SdlJoysticks> hid;
    std::unique_ptr<PellamJoySub> input;
    Plane plane;
    std::vector<std::pair<int, int>> executed;
};

TEST_F(Play, KeyboardAndMouse) {
    ASSERT_TRUE(input->haveJoystick());
    frame();
    EXPECT_EQ(plane.ailerons, 0.0);
    EXPECT_EQ(plane.elevator, 0.0);
    EXPECT_EQ(plane.throttle, 0.0);  // a throttle at rest does not take over from the keys

    // Pointer right of and above the centre (SDL's y grows downward).
    mouseTo(kW * 3 / 4, kH / 4);
    frame();
    EXPECT_NEAR(plane.ailerons, std::pow(1.0 * 1.052631579, 1.6), 1e-6);
    EXPECT_NEAR(plane.elevator, -std::pow(0.75 * 1.052631579, 1.6), 1e-6);

    key(SDLK_SPACE, SDL_SCANCODE_SPACE, KMOD_NONE, true);
    frame();
    EXPECT_TRUE(plane.guns);
    key(SDLK_SPACE, SDL_SCANCODE_SPACE, KMOD_NONE, false);
    frame();
    EXPECT_FALSE(plane.guns);

    tap(SDLK_EQUALS, SDL_SCANCODE_EQUALS);
    tap(SDLK_1, SDL_SCANCODE_1, KMOD_LALT);     // cockpit camera
    tap(SDLK_KP_4, SDL_SCANCODE_KP_4);          // look 90 degrees left
    tap(SDLK_UP, SDL_SCANCODE_UP);              // camera closer
    frame();
    frame();
    EXPECT_EQ(plane.throttleUps, 1);
    EXPECT_TRUE(ran(45, kPressed));
    EXPECT_TRUE(ran(32, kPressed) && ran(32, kReleased));
    EXPECT_TRUE(ran(60, kPressed));

    // A click shorter than a frame still fires and stops.
    click(SDL_BUTTON_LEFT, true);
    click(SDL_BUTTON_LEFT, false);
    frame();
    EXPECT_TRUE(ran(kFireGunsAndCannon, kPressed) && ran(kFireGunsAndCannon, kReleased));
    EXPECT_FALSE(plane.guns);
    click(SDL_BUTTON_RIGHT, true);
    frame();
    EXPECT_TRUE(ran(kPauseFly, kPressed));
}

TEST_F(Play, Joystick) {
    frame();
    SDL_JoystickSetVirtualAxis(stick, 0, 20000);
    SDL_JoystickSetVirtualAxis(stick, 1, -20000);
    SDL_JoystickSetVirtualAxis(stick, 2, 30000);
    SDL_JoystickSetVirtualAxis(stick, 3, -32768);  // throttle pushed forward
    SDL_JoystickSetVirtualButton(stick, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_RIGHT);
    frame();
    const double x = ((20000.0 + 32768) / 32767.5 - 1) * 1.54;
    EXPECT_NEAR(plane.ailerons, std::pow((x - 0.05) * 1.052631579, 1.9), 1e-9);
    EXPECT_GT(plane.elevator, 0.0);  // stick forward: nose down
    EXPECT_EQ(plane.throttle, 1.0);
    EXPECT_GT(plane.rudder, 0.0);
    EXPECT_TRUE(plane.guns);
    frame();  // one queued event per stick per frame: the hat comes next
    EXPECT_TRUE(ran(kLookIncRight, kPressed));

    SDL_JoystickSetVirtualButton(stick, 0, SDL_RELEASED);
    SDL_JoystickSetVirtualHat(stick, 0, SDL_HAT_CENTERED);
    frame();
    frame();
    EXPECT_FALSE(plane.guns);
    EXPECT_TRUE(ran(kLookIncRight, kReleased));

    // The mouse takes over as soon as it moves: below the centre, nose down.
    mouseTo(kW / 2, kH / 2 + 96);
    frame();
    EXPECT_NEAR(plane.elevator, std::pow(1.5 * 96 / (kH / 2) * 1.052631579, 1.6), 1e-6);
    EXPECT_EQ(plane.ailerons, 0.0);
}

TEST_F(Play, AStickPulledOutReadsAbsent) {
    SDL_JoystickSetVirtualAxis(stick, 0, 32767);
    frame();
    EXPECT_NE(input->getAxisPosition(1), 0.0);
    SDL_JoystickDetachVirtual(device);
    frame();
    EXPECT_EQ(input->getAxisPosition(1), 0.0);
    EXPECT_TRUE(std::isfinite(input->getFinalAilerons()));
}

TEST(Gamepad, LeftStickFliesRightStickSteersKeysKeepTheThrottle) {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ASSERT_EQ(SDL_Init(SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS), 0) << SDL_GetError();
    const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 1);
    ASSERT_GE(device, 0) << SDL_GetError();
    ASSERT_TRUE(SDL_IsGameController(device));
    {
        SdlJoysticks hid;
        test::TempStore store;
        PellamJoySub input{&hid, *store};
        input.awakeFromNib();
        SDL_Joystick* pad = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device));
        // Triggers at rest read fully negative: neither may steer nor set the throttle.
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERLEFT, -32768);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, -32768);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTY, -32768);
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_LEFTX, 32767);
        SDL_Event e;
        while (SDL_PollEvent(&e)) platform::hid::dispatchSdlEvent(e, input, &hid, kH);
        input.createSurfaceInput(kW, kH);
        EXPECT_GT(input.getFinalAilerons(), 0.5);
        EXPECT_FALSE(input.getUseJoyRudder());
        EXPECT_FALSE(input.getUseJoyThrottle());
        SDL_JoystickSetVirtualAxis(pad, SDL_CONTROLLER_AXIS_RIGHTX, 32767);
        while (SDL_PollEvent(&e)) platform::hid::dispatchSdlEvent(e, input, &hid, kH);
        input.createSurfaceInput(kW, kH);
        EXPECT_TRUE(input.getUseJoyRudder());
        EXPECT_EQ(input.getFinalRudder(), 1.0);
    }
    SDL_JoystickDetachVirtual(device);
    SDL_Quit();
}

}  // namespace
}  // namespace pellam::input
