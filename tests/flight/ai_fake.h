#pragma once
// Stand-ins for the AI pilot's tests: an aircraft with an Aircraft record, a pose and a velocity
// that the test sets, and controls that move the record as the flyable aircraft's do (absolute
// inputs jump, the others step 0.1 or 0.15 per call) while noting what was asked of them; and a
// controller that hands out the mission's path table.
#include <algorithm>
#include <array>
#include <cmath>

#include "flight/Aircraft.h"
#include "core/ZephModel.h"
#include "flight/AIPilotProfiles.h"
#include "flight/AIRecords.h"
#include "tests/flight/TestWorld.h"

namespace pellam::testing {

class FakeAircraft : public ZephModel {
public:
    FakeAircraft() {
        definePilotProfiles(profiles);
        a.aiPilotsPtr = profiles.data();
        a.AIType = 1;
        a.aiVariables[0] = -1.0;
        a.AutoPilotData[2] = -1.0;
        a.PlusStall = 15.0;
        a.TopSpeedInMPH = 130.0;
        a.TooSlowSpeedInMPH = 55.0;
        a.TooHighSpeedInMPH = 155.0;
        a.TotalHitsBeforeDead = 10.0;
        a.AmmoInTicks = 9000.0;
    }
    Aircraft* getAircraftStruct() override { return &a; }
    ZephModel* getTerrainObject() override { return terrain; }

    void ElevatorInputAbsolute(double v) override { ++calls, a.Elevator = std::clamp(v, -1.0, 1.0); }
    void ElevatorInput(double v) override { ++calls, a.Elevator = step(a.Elevator, v, 0.1); }
    void AileronInputAbsolute(double v) override { ++calls, a.Ailerons = std::clamp(v, -1.0, 1.0); }
    void AileronInput(double v) override { ++calls, a.Ailerons = step(a.Ailerons, v, 0.15); }
    void RudderInputAbsolute(double v) override { ++calls, a.Rudder = std::clamp(v, -1.0, 1.0); }
    void RudderInput(double v) override { ++calls, a.Rudder = step(a.Rudder, v, 0.15); }
    void setThrottle(double t) override { ++calls, throttle = t; }
    void setFlaps(double) override { ++calls; }
    void gearUpDown(int32_t) override { ++calls; }
    void turnBrakesOn() override { ++calls, a.Brakes = 1.0; }
    void toggleBrakes() override { ++calls, a.Brakes = a.Brakes == 0.0 ? 1.0 : 0.0; }
    void gunsOnOff(int32_t on) override { ++calls, a.GunsFiring = on; }
    void cannonOnOff(int32_t on) override { ++calls, a.CannonsFiring = on; }

    void place(double x, double y, double z) { live.attitude.Position = {x, y, z}; }
    void speedMph(double mph) { a.CurrentVelocity = mph / 40.9; }

    Aircraft a{};
    AIPilotTable profiles{};
    ZephModel* terrain = nullptr;
    double throttle = -1.0;
    int calls = 0;

private:
    static double step(double from, double to, double rate) {
        to = std::clamp(to, -1.0, 1.0);
        return std::fabs(to - from) <= rate ? to : from + (to > from ? rate : -rate);
    }
};

class PathController : public TestController {
public:
    const aiFlyToPoint* getFlyToPoints() override { return points.data(); }
    // Point n at (x, y, z), leading to n + 1.
    aiFlyToPoint& point(int n, double x, double y, double z, double throttle = 0.8) {
        points[n].PointXYZ = {x, y, z};
        points[n].ThrottlePosition = throttle;
        points[n].TargetClimbDiveSpeed = 500.0;
        points[n].NextPoint = n + 1;
        return points[n];
    }
    std::array<aiFlyToPoint, 200> points{};
};

}  // namespace pellam::testing
