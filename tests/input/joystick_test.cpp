// Joystick discovery, the event queues, buttons and the hat switch.
#include <gtest/gtest.h>

#include "input/PellamJoySub.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::axis;
using test::button;
using test::FakeHid;
using test::hat;
using test::stick;
using test::TempStore;
using D = JoystickDevices;

struct Entry {
    int raw, command, type;
    bool operator==(const Entry&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Entry& e) {
    return os << "{0x" << std::hex << e.raw << std::dec << ", " << e.command << ", " << e.type << "}";
}

std::vector<Entry> drain(DoJoystick& input) {
    std::vector<Entry> out;
    while (const ActionItem1* a = input.getNextActionInBuffer()) out.push_back({a->RawKeyPress, a->theAction, a->actionType});
    return out;
}

TEST(Discovery, KnownPedalsGiveRudderAndToeBrakesOnly) {
    FakeHid hid;
    hid.devices.push_back(
        stick({axis(1, kUsageX), axis(2, kUsageY), axis(3, kUsageRz), button(4, 1)}, 1678, 1281));
    D d;
    EXPECT_TRUE(d.FindLastJoystick(&hid));
    EXPECT_EQ(d.group(D::kRudder).cookie, 3);
    EXPECT_EQ(d.group(D::kFirstToeBrake).cookie, 1);
    EXPECT_EQ(d.group(D::kSecondToeBrake).cookie, 2);
    EXPECT_EQ(d.group(D::kStickX).cookie, 0);

    // The same device reporting itself as something other than a joystick is not one.
    hid.devices[0].info.primaryUsage = 5;
    D none;
    EXPECT_FALSE(none.FindLastJoystick(&hid));
    EXPECT_EQ(none.group(D::kRudder).device, -1);
}

TEST(Discovery, ABrokenDeviceDoesNotHideTheOthers) {
    FakeHid hid;
    hid.devices.push_back(test::fullStick());
    hid.devices[0].propertiesFail = true;
    hid.devices.push_back(test::fullStick());
    D d;
    ASSERT_TRUE(d.FindLastJoystick(&hid));
    EXPECT_EQ(d.DevicesFound, 1);
    EXPECT_EQ(d.group(D::kStickX).device, 0);
    EXPECT_TRUE(hid.devices[1].open);
    EXPECT_FALSE(hid.devices[0].open);
}

TEST(Discovery, EveryOpenedStickGetsAQueueAndAFourthIsNotOpened) {
    test::Rig rig(std::vector<test::FakeDevice>(4, test::fullStick(4)));
    auto& [hid, store, in] = rig;
    PellamJoySub& input = *in;
    EXPECT_TRUE(input.WeHaveAJoystick);
    EXPECT_EQ(input.joysticks().DevicesFound, 4);
    EXPECT_TRUE(hid.devices[2].open && hid.devices[2].queueStarted);
    EXPECT_FALSE(hid.devices[3].open);
    // The third stick's first button is button 9 (group 14).
    EXPECT_EQ(input.joysticks().group(14).device, 2);
    hid.press(2, 10, 1);
    input.CheckJoystickQueue();
    EXPECT_EQ(drain(input), (std::vector<Entry>{{0x10000E, 11, 2}}));
}

class Buttons : public ::testing::Test {
protected:
    FakeHid hid;
    TempStore store;
    std::unique_ptr<PellamJoySub> input;
    void SetUp() override {
        hid.devices.push_back(test::fullStick(20));
        input = std::make_unique<PellamJoySub>(&hid, *store);
        input->awakeFromNib();
    }
};

TEST_F(Buttons, PressAndReleaseOneEventPerFrame) {
    hid.press(0, 10, 1);  // button 1: Fire Guns
    hid.press(0, 11, 1);  // button 2 in the same frame
    input->CheckJoystickQueue();
    EXPECT_EQ(drain(*input), (std::vector<Entry>{{0x100006, 2, 2}}));
    input->CheckJoystickQueue();
    EXPECT_EQ(drain(*input), (std::vector<Entry>{{0x100007, 1, 2}}));
    hid.press(0, 10, 0);
    hid.press(0, 26, 1);  // button 17: group 31
    input->CheckJoystickQueue();
    input->CheckJoystickQueue();
    EXPECT_EQ(drain(*input), (std::vector<Entry>{{0x100006, 2, 1}, {0x10001F, 11, 2}}));
}

TEST_F(Buttons, AButtonWithoutCommandWritesNoBinding) {
    input->JoystickButtonTranslation[8] = 0;
    hid.press(0, 12, 1);
    hid.press(0, 10, 1);
    input->CheckJoystickQueue();
    input->CheckJoystickQueue();
    // The ring keeps going after the unbound press.
    EXPECT_EQ(drain(*input), (std::vector<Entry>{{0x100008, 95, 2}, {0x100006, 2, 2}}));
    input->setJoystickButtonCommand(0, 8);
    EXPECT_EQ(input->getJoystickButtonCommand(8), 0);
    input->setJoystickButtonCommand(18, 8);
    EXPECT_EQ(input->getJoystickButtonCommand(8), 18);
    input->setJoystickButtonCommand(18, 63);
    EXPECT_EQ(input->getJoystickButtonCommand(63), 0);
}

TEST(Hat, FourWayHatSpreadsOverEightPositionsAndNoStickHasNoQueue) {
    test::Rig rig({stick({axis(1, kUsageX), hat(5, 0, 3)})});
    auto& [hid, store, in] = rig;
    PellamJoySub& input = *in;
    for (int v = 0; v < 4; ++v) hid.press(0, 5, v);
    std::vector<int> positions;
    for (int i = 0; i < 4; ++i) {
        input.CheckJoystickQueue();
        positions.push_back(input.getNextActionInBuffer()->RawKeyPress - 0x100016);
    }
    EXPECT_EQ(positions, (std::vector<int>{0, 2, 4, 6}));

    // No joystick: no queue, and every axis reads 0.
    FakeHid empty;
    PellamJoySub none{&empty, *store};
    none.awakeFromNib();
    EXPECT_FALSE(none.haveJoystick());
    none.CheckJoystickQueue();
    EXPECT_TRUE(none.ring().empty());
    for (int a = 0; a <= 24; ++a) EXPECT_EQ(none.getAxisPosition(a), 0.0);
}

}  // namespace
}  // namespace pellam::input
