// Joysticks found and read: discovery, the event queues and buttons, axes that cannot be read,
// calibration, and the joystick windows.
#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <cmath>
#include <tuple>

#include "platform/Beep.h"
#include "platform/hid/EvdevAxes.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::axis;
using test::Rig;
using test::stick;
using D = JoystickDevices;

using Entry = std::tuple<int, CommandNumber, int>;  // raw key, command, press or release
using enum CommandNumber;

std::vector<Entry> drain(DoJoystick& input) {
    std::vector<Entry> out;
    while (const ActionItem1* a = input.getNextActionInBuffer())
        out.push_back({a->RawKeyPress, a->theAction, a->actionType});
    return out;
}

TEST(Discovery, ABrokenDeviceHidesNoOther) {
    test::FakeHid hid;
    hid.devices = {test::fullStick(), test::fullStick(), test::fullStick()};
    hid.devices[0].info.primaryUsage = 5;  // says it is no joystick
    hid.devices[1].propertiesFail = true;
    D d;
    ASSERT_TRUE(d.FindLastJoystick(&hid));
    EXPECT_EQ(d.DevicesFound, 1);
    EXPECT_EQ(d.group(D::kStickX).device, 0);  // the first joystick found
    EXPECT_TRUE(hid.devices[2].open);
    EXPECT_FALSE(hid.devices[1].open);
}

// Devices as the kernel lists their axes: each axis's use comes from its code, so the known
// devices' rows match, and a stick's throttle and twist stay apart whatever their order.
TEST(Discovery, AxesTakeTheUseTheirKernelCodesGive) {
    struct Device {
        const char* name;
        int32_t vendor, product;
        std::vector<int> codes;
        int stickX, rudder, throttle, firstToeBrake, secondToeBrake;  // axis number, -1 = none
    };
    const Device devices[] = {
        {"pedals, rudder on Rz", 1678, 1281, {ABS_X, ABS_Y, ABS_RZ}, -1, 2, -1, 0, 1},
        {"pedals, rudder on Z", 1678, 242, {ABS_X, ABS_Y, ABS_Z}, -1, 2, -1, 0, 1},
        {"throttle quadrant", 1678, 241, {ABS_X, ABS_Y, ABS_Z}, -1, -1, 2, -1, -1},
        {"stick, Z throttle and Rz twist", 0, 0, {ABS_X, ABS_Y, ABS_Z, ABS_RZ}, 0, 3, 2, -1, -1},
        {"stick, twist and slider", 0, 0, {ABS_X, ABS_Y, ABS_RZ, ABS_THROTTLE}, 0, 2, 3, -1, -1},
        {"stick, Z displaced by the slider", 0, 0, {ABS_X, ABS_Y, ABS_Z, ABS_THROTTLE}, 0, 2, 3, -1, -1},
        {"stick with Rx rudder", 1699, 1340, {ABS_X, ABS_Y, ABS_RX, ABS_THROTTLE}, 0, 2, 3, -1, -1},
        {"stick, Z throttle, slider unused", 1699, 597, {ABS_X, ABS_Y, ABS_Z, ABS_RZ, ABS_THROTTLE}, 0, 3, 2, -1, -1},
        {"pad, Z rudder and Rz throttle", 1133, 49686, {ABS_X, ABS_Y, ABS_Z, ABS_RZ}, 0, 2, 3, -1, -1},
        {"simulation rudder and throttle", 1699, 65362, {ABS_X, ABS_Y, ABS_THROTTLE, ABS_RUDDER}, 0, 3, 2, -1, -1},
        {"wheel with pedals", 0, 0, {ABS_WHEEL, ABS_GAS, ABS_BRAKE}, -1, -1, -1, -1, -1},
    };
    for (const Device& device : devices) {
        SCOPED_TRACE(device.name);
        test::FakeHid hid;
        hid.devices = {stick({})};
        hid.devices[0].info.vendorID = device.vendor;
        hid.devices[0].info.productID = device.product;
        const std::vector<AxisUsage> usages = axisUsagesOfCodes(device.codes);
        ASSERT_EQ(usages.size(), device.codes.size());
        for (size_t a = 0; a < usages.size(); ++a)
            hid.devices[0].info.elements.push_back(
                {static_cast<int32_t>(a + 1), usages[a].usagePage, usages[a].usage, -32768, 32767});
        D d;
        ASSERT_TRUE(d.FindLastJoystick(&hid));
        for (auto [group, axisNumber] : {std::pair{D::kStickX, device.stickX}, {D::kRudder, device.rudder},
                                         {D::kThrottle, device.throttle}, {D::kFirstToeBrake, device.firstToeBrake},
                                         {D::kSecondToeBrake, device.secondToeBrake}})
            EXPECT_EQ(d.group(group).cookie, axisNumber + 1) << "group " << group;
    }
    // A node that is missing or no event device (a hidraw node, say) gives no codes.
    EXPECT_FALSE(readAxisCodes(nullptr));
    EXPECT_FALSE(readAxisCodes("/nonexistent/event0"));
    EXPECT_FALSE(readAxisCodes("/dev/null"));
}

// Three sticks are opened, each with its queue, and a fourth is not. One event a stick a frame;
// buttons are numbered across the sticks, so the third stick's first is button 41 (group 55) and
// the first's button 17 is group 31. A button without a command is sent unbound.
TEST(Buttons, ThreeSticksHighAndUnboundButtonsAndButtonsOffTheTable) {
    Rig rig(std::vector<test::FakeDevice>(4, test::fullStick(20)));
    PellamJoySub& input = *rig.in;
    EXPECT_EQ(input.joysticks().DevicesFound, 4);
    EXPECT_TRUE(rig.hid.devices[2].open && rig.hid.devices[2].queueStarted);
    EXPECT_FALSE(rig.hid.devices[3].open);
    input.JoystickButtonTranslation[8] = 0;
    rig.hid.press(2, 10, 1);
    rig.hid.press(0, 26, 1);
    rig.hid.press(0, 12, 1);
    rig.hid.press(0, 10, 1);
    for (int frame = 0; frame < 3; ++frame) input.CheckJoystickQueue();
    EXPECT_EQ(drain(input), (std::vector<Entry>{
                                {0x10001F, MoveRudderLeft, kPressed}, {0x100037, MoveRudderLeft, kPressed},
                                {0x100008, Unbound, kPressed}, {0x100006, FireGuns, kPressed}}));
    input.setJoystickButtonCommand(DropBomb, 63);
    EXPECT_EQ(input.getJoystickButtonCommand(63), None);
}

TEST(Axes, NoStickDegenerateRangesAndUnreadableElementsReadZero) {
    Rig none;
    EXPECT_EQ(none.in->getTheScreenBounds(), (std::array<float, 4>{0, 0, 1440, 900}));  // kept at start-up
    none.in->CheckJoystickQueue();
    EXPECT_TRUE(none.in->ring().empty());
    for (int a = 0; a <= 24; ++a) EXPECT_EQ(none.in->getAxisPosition(a), 0.0);

    auto s = stick({axis(1, kUsageX, 7, 7), axis(2, kUsageY, 0, 1000), axis(4, kUsageSlider, 5, 5)});
    s.values = {{1, 7}, {2, 900}, {4, 5}};
    Rig rig({s});
    PellamJoySub& input = *rig.in;
    EXPECT_EQ(input.getAxisPosition(1), 0.0);
    EXPECT_EQ(input.getAxisPosition(4), 0.0);
    input.createSurfaceInput(100, 100);
    EXPECT_TRUE(std::isfinite(input.getFinalElevator() + input.getFinalAilerons() + input.getFinalThrottle()));
    rig.hid.devices[0].values.erase(2);
    EXPECT_EQ(input.getAxisPosition(2), 0.0);
}

// The calibrator's tracker sees every axis at each of `swept`, then the stick rests at `centre`.
void calibrate(Rig& rig, std::vector<int> swept, int centre) {
    rig.in->initJoystickCalibrateVariables();
    rig.in->DoingCalWindow = true;
    for (int v : swept) {
        for (int cookie = 1; cookie <= 4; ++cookie) rig.set(cookie, v);
        rig.in->createSurfaceInput(100, 100);
    }
    rig.in->DoingCalWindow = false;
    for (int cookie = 1; cookie <= 3; ++cookie) rig.set(cookie, centre);
    rig.in->getJoystickCentersAndCalibrate();
}

// Stick Y absent: its calibration is kept. A stick and throttle that never moved divide by
// nothing: each side of the stick counts as one raw unit.
TEST(Calibration, OffCentreStickAndStillOrAbsentAxes) {
    auto s = test::fullStick();
    s.info.elements.erase(s.info.elements.begin() + 1);
    Rig rig({s});
    rig.in->ElevatorCalibrator = 1.54;
    calibrate(rig, {0, 1023}, 600);  // off centre: 1.1 on its short side, more on the long
    EXPECT_DOUBLE_EQ(rig.in->ElevatorCalibrator, 1.54);
    EXPECT_EQ(rig.in->JUp, DoJoystick::kUnset);
    rig.set(1, 1023);
    EXPECT_NEAR(rig.in->getAxisPosition(1), 1.1, 1e-9);
    rig.set(1, 0);
    EXPECT_LT(rig.in->getAxisPosition(1), -1.1);

    calibrate(rig, {512}, 512);
    EXPECT_DOUBLE_EQ(rig.in->ThrottleRangeCalibrator, 2.4);
    EXPECT_DOUBLE_EQ(rig.in->AileronCalibrator, 511.5 * 1.1);
}

// The button window's choice is in force at once and stored only by Okay; Cancel puts it back,
// and Reset puts back the defaults and stores them. A reversal ticked there turns the stick round
// from the frame after it is seen, and Cancel undoes it too.
TEST(JoystickWindows, ButtonWindowCancelOkayAndReset) {
    Rig rig({test::fullStick()});
    PellamJoySub& in = *rig.in;
    in.okayButtons(InputButton::DefCancel);  // no window open, so no copy to put back
    EXPECT_EQ(in.getJoystickButtonCommand(6), FireGuns);
    const CommandNumber before = in.getJoystickButtonCommand(8);
    auto chooseThrottleUpForButton3 = [&] {
        in.fromDefineJoystickMenu();
        rig.hid.press(0, 12, 1);
        in.createSurfaceInput(800, 600);
        EXPECT_EQ(in.joyWindow.buttonName, "Button #3");
        in.joyWindow.popUpCommand = ThrottleUpIncrementally;
        in.joyWindow.slider1 = 3.0;
        in.createSurfaceInput(800, 600);
        EXPECT_EQ(in.getJoystickButtonCommand(8), ThrottleUpIncrementally);
        EXPECT_DOUBLE_EQ(in.StickCurveJoy, 1.9);  // sliders wait for Okay
    };
    chooseThrottleUpForButton3();
    rig.set(1, 900);  // stick to the right
    in.createSurfaceInput(800, 600);
    const double right = in.getFinalAilerons();
    ASSERT_GT(right, 0.0);
    in.joyWindow.revLF = true;
    in.createSurfaceInput(800, 600);
    EXPECT_EQ(in.getFinalAilerons(), right);
    in.createSurfaceInput(800, 600);
    EXPECT_EQ(in.getFinalAilerons(), -right);
    const long beeps = platform::beepCount();
    in.fromJoystickCalibrateMenu();  // neither window opens over the other
    EXPECT_FALSE(in.DoingCalWindow);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    in.okayButtons(InputButton::DefCancel);
    EXPECT_EQ(in.getJoystickButtonCommand(8), before);
    EXPECT_FALSE(in.isWindowOpen());
    in.createSurfaceInput(800, 600);
    EXPECT_EQ(in.getFinalAilerons(), right);

    chooseThrottleUpForButton3();
    in.okayButtons(InputButton::DefOkay);
    EXPECT_DOUBLE_EQ(in.StickCurveJoy, 3.0);
    EXPECT_EQ((*rig.store->dataForKey("JoystickButtons"))[8], byteOf(ThrottleUpIncrementally));

    in.okayButtons(InputButton::DefReset);
    EXPECT_EQ((*rig.store->dataForKey("JoystickButtons"))[8], byteOf(before));
}

// A signed stick swept end to end fills its range box and rests in the middle.
TEST(JoystickWindows, CalibratorRangesOfASignedStick) {
    Rig rig({stick({axis(1, kUsageX, -32768, 32767), axis(2, kUsageY, -32768, 32767)})});
    PellamJoySub& in = *rig.in;
    in.fromJoystickCalibrateMenu();
    for (int v : {-32768, 32767, 0}) {
        rig.set(1, v), rig.set(2, v);
        in.createSurfaceInput(800, 600);
    }
    const auto& r = in.getRanges();
    EXPECT_EQ(std::vector<double>(r.begin(), r.begin() + 4), (std::vector<double>{0.0, 1.0, 1.0, 0.0}));
    EXPECT_NEAR(r[8], 0.5, 1e-4);
}

}  // namespace
}  // namespace pellam::input
