// Flight-control values from mouse and stick, pedal brakes, and calibration.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "input/PellamJoySub.h"
#include "tests/input/InputTest.h"

namespace pellam::input {
namespace {

using namespace platform::hid;
using test::axis;
using test::FakeHid;
using test::stick;
using test::TempStore;

constexpr float kW = 1000, kH = 800;

// A stick with X, Y, rudder and throttle on 0..1000 and toe brakes, calibrated to read
// p = v / 500 - 1 straight (throttle v / 1000, not reversed).
class Controls : public ::testing::Test {
protected:
    FakeHid hid;
    TempStore store;
    std::unique_ptr<PellamJoySub> input;
    void SetUp() override {
        auto s = stick({axis(1, kUsageX, 0, 1000), axis(2, kUsageY, 0, 1000), axis(3, kUsageRz, 0, 1000),
                        axis(4, kUsageSlider, 0, 1000)});
        s.values = {{1, 500}, {2, 500}, {3, 500}, {4, 0}};
        hid.devices.push_back(s);
        input = std::make_unique<PellamJoySub>(&hid, *store);
        input->awakeFromNib();
        input->AileronCalibrator = input->ElevatorCalibrator = input->RudderCalibrator = 1;
        input->ThrottleRangeCalibrator = 1;
        input->ThrottleStartAdder = 0;
        input->ThrottleDirection = false;
        input->pointerMoved(kW / 2, kH / 2);
    }
    void set(int cookie, int value) { hid.devices[0].values[cookie] = value; }
    void frame() { input->createSurfaceInput(kW, kH); }
};

TEST_F(Controls, MouseFliesUntilTheStickMoves) {
    frame();
    EXPECT_EQ(input->getFinalAilerons(), 0.0);
    EXPECT_EQ(input->getFinalElevator(), 0.0);
    // Right edge: 2 x 1, rescaled and raised to the mouse curve; the mouse may exceed 1.
    input->pointerMoved(kW, kH / 2);
    frame();
    EXPECT_NEAR(input->getFinalAilerons(), std::pow(2 * 1.052631579, 1.6), 1e-9);
    // The stick moves by more than 0.05: it takes over.
    set(1, 800);  // 0.6
    frame();
    EXPECT_NEAR(input->getFinalAilerons(), std::pow((0.6 - 0.05) * 1.052631579, 1.9), 1e-9);
    // Inside the stick's dead zone: exactly 0.
    set(1, 515);  // 0.03
    frame();
    EXPECT_EQ(input->getFinalAilerons(), 0.0);
    // Both move in one frame: the mouse wins.
    set(1, 200);
    input->pointerMoved(0, kH / 2);
    frame();
    EXPECT_NEAR(input->getFinalAilerons(), -std::pow(2 * 1.052631579, 1.6), 1e-9);
}

TEST_F(Controls, PointerNeverSeenRestsAtTheCentre) {
    PellamJoySub fresh{nullptr, *store};
    fresh.awakeFromNib();
    fresh.createSurfaceInput(kW, kH);
    EXPECT_EQ(fresh.getFinalAilerons(), 0.0);
    EXPECT_EQ(fresh.getFinalElevator(), 0.0);
    // An empty rectangle gives no mouse input rather than a division by zero.
    fresh.pointerMoved(10, 10);
    fresh.createSurfaceInput(0, 0);
    EXPECT_EQ(fresh.getFinalAilerons(), 0.0);
    EXPECT_FALSE(fresh.getUseJoyThrottle());
}

TEST(PedalBrakes, EachChangeIsReportedOnce) {
    auto pedals = stick({axis(1, kUsageX, 0, 127), axis(2, kUsageY, 0, 127), axis(3, kUsageRz, 0, 127)}, 1678, 1281);
    pedals.values = {{1, 0}, {2, 0}, {3, 64}};
    test::Rig rig({pedals});
    auto& [hid, store, in] = rig;
    PellamJoySub& input = *in;
    std::vector<int> reports;
    auto frame = [&] {
        input.createSurfaceInput(100, 100);
        reports.push_back(input.getPedalBrakes());
    };
    frame();
    hid.devices[0].values[2] = 81;  // the second toe brake alone
    frame();
    frame();
    hid.devices[0].values[2] = 80;
    frame();
    frame();
    EXPECT_EQ(reports, (std::vector<int>{0, 1, -1, 0, -1}));
    EXPECT_FALSE(input.haveJoystick());  // pedals have no stick X
}

TEST(Axes, DegenerateRangesAndCalibrationsReadZero) {
    auto s = stick({axis(1, kUsageX, 7, 7), axis(2, kUsageY, 0, 1000), axis(4, kUsageSlider, 5, 5)});
    s.values = {{1, 7}, {2, 900}, {4, 5}};
    test::Rig rig({s});
    auto& [hid, store, in] = rig;
    PellamJoySub& input = *in;
    EXPECT_EQ(input.getAxisPosition(1), 0.0);
    EXPECT_EQ(input.getAxisPosition(4), 0.0);
    input.ElevatorCalibrator = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(input.getAxisPosition(2), 0.0);
    input.ElevatorCalibrator = std::numeric_limits<double>::infinity();
    input.createSurfaceInput(100, 100);
    EXPECT_TRUE(std::isfinite(input.getFinalElevator()));
    EXPECT_TRUE(std::isfinite(input.getFinalAilerons()));
    EXPECT_TRUE(std::isfinite(input.getFinalThrottle()));
    // An unreadable element reads 0.
    hid.devices[0].values.erase(2);
    input.ElevatorCalibrator = 1;
    EXPECT_EQ(input.getAxisPosition(2), 0.0);
}

class Calibration : public ::testing::Test {
protected:
    FakeHid hid;
    TempStore store;
    std::unique_ptr<PellamJoySub> input;
    void SetUp() override {
        auto s = stick({axis(1, kUsageX), axis(2, kUsageY), axis(3, kUsageRz), axis(4, kUsageSlider)});
        s.values = {{1, 512}, {2, 512}, {3, 512}, {4, 100}};
        hid.devices.push_back(s);
        input = std::make_unique<PellamJoySub>(&hid, *store);
        input->awakeFromNib();
        input->ThrottleDirection = false;
    }
    void set(int cookie, int v) { hid.devices[0].values[cookie] = v; }
    // Sweeps every axis to both ends through the calibrator's tracker, then rests them.
    void sweep(int centre, int thrLow, int thrHigh) {
        input->initJoystickCalibrateVariables();
        input->DoingCalWindow = true;
        for (int v : {0, 1023}) {
            set(1, v), set(2, v), set(3, v);
            input->createSurfaceInput(100, 100);
        }
        for (int v : {thrLow, thrHigh}) {
            set(4, v);
            input->createSurfaceInput(100, 100);
        }
        input->DoingCalWindow = false;
        set(1, centre), set(2, centre), set(3, centre);
        input->getJoystickCentersAndCalibrate();
    }
};

TEST_F(Calibration, StickReadsZeroAtRestAndOnePointOneAtItsEndsCentredOrNot) {
    sweep(512, 100, 900);
    for (int v : {0, 512, 1023}) {
        set(1, v);
        EXPECT_NEAR(input->getAxisPosition(1), (v - 512) / 511.5 * 1.1, 2e-3) << v;
    }
    // The throttle's travel from its lowest point reaches full a little before its far end.
    set(4, 100);
    EXPECT_DOUBLE_EQ(input->getAxisPosition(4), 0.0);
    set(4, 716);
    EXPECT_DOUBLE_EQ(input->getAxisPosition(4), 1.0);

    // Off centre: 1.1 on its short side.
    sweep(600, 100, 900);
    set(1, 1023);
    EXPECT_NEAR(input->getAxisPosition(1), 1.1, 1e-9);
    set(1, 0);
    EXPECT_NEAR(input->getAxisPosition(1), -600.0 / 423 * 1.1, 1e-9);
}

TEST_F(Calibration, AStillThrottleAndAnAbsentAxis) {
    // Stick Y absent: its calibration is kept.
    hid.devices[0].info.elements.erase(hid.devices[0].info.elements.begin() + 1);
    input = std::make_unique<PellamJoySub>(&hid, *store);
    input->awakeFromNib();
    input->ElevatorCalibrator = 1.54;
    input->initJoystickCalibrateVariables();
    input->DoingCalWindow = true;
    set(4, 300);
    input->createSurfaceInput(100, 100);
    input->DoingCalWindow = false;
    input->getJoystickCentersAndCalibrate();
    EXPECT_DOUBLE_EQ(input->ThrottleRangeCalibrator, 2.4);
    EXPECT_DOUBLE_EQ(input->ElevatorCalibrator, 1.54);
    EXPECT_EQ(input->JUp, DoJoystick::kUnset);
    // A stick that never moved: each side counts as one raw unit.
    EXPECT_DOUBLE_EQ(input->AileronCalibrator, 511.5 * 1.1);
}

}  // namespace
}  // namespace pellam::input
