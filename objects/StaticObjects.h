#pragma once
// The members of the static ground object family that have no step of their own: the two
// hangars (which refuel their own side's aircraft), the two plank huts, the wind sock, the race
// pylon, the wooden and the stone bridge, and the crater (which refuels like a hangar).
#include "objects/BaseObject.h"

namespace pellam {

// Mission object code 56: a 100 x 120-ft open hangar an aircraft can fly through.
class BigOpenHangarWWI : public BaseObject {
public:
    void canRefuelThisAircraft(ZephModel* aircraft) override { refuelNear(aircraft); }
    void doShadow(int32_t) override { boxShadow({33, 50, 60, statics::big::kShadow, true}); }
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    DeadSwitch deadSwitch() const override { return {statics::big::kDeadPolygon, 2}; }
};

// Code 57: a 42 x 34-ft canvas hangar.
class SmallCanvasHangarWWI : public BaseObject {
public:
    void canRefuelThisAircraft(ZephModel* aircraft) override { refuelNear(aircraft); }
    void doShadow(int32_t) override { boxShadow({16, 21, 16, statics::canvas::kShadow}); }
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    DeadSwitch deadSwitch() const override { return {statics::canvas::kDeadPolygon, 2}; }
};

// Codes 58 and 59: plank huts, 32 and 48 ft long.
class SmallWoodBuildingWWI : public BaseObject {
public:
    void doShadow(int32_t) override { boxShadow({16, 8, halfLength(), statics::hut::kShadow}); }
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    DeadSwitch deadSwitch() const override { return {statics::hut::kDeadPolygon, 2}; }
    virtual double halfLength() const { return 16; }  // ft
};

class SmallWoodBuilding2WWI : public SmallWoodBuildingWWI {
protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    double halfLength() const override { return 24; }
};

// Code 60: the wind sock, turned downwind and fluttering, hanging down in a calm (1 mph or
// less), its cloth in its team's colour; a thin pole shadow.
class WindSockWWI : public BaseObject {
public:
    static constexpr double kDroop = 1.3788101091496956;  // rad (79 deg): the calm sock's hang
    static constexpr double kPoleShadow = 20.0;           // ft

    void resetModel() override;  // the family's, then the sock back to its table shape
    void doShadow(int32_t) override;
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    DeadSwitch deadSwitch() const override { return {statics::sock::kDeadPolygon, 2}; }
    void poseParts(int32_t gameTime) override;
};

// Code 68: a 40-ft chequered tower with a mast to 90 ft carrying a banner that turns downwind.
class RacePylon : public BaseObject {
protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    DeadSwitch deadSwitch() const override { return {statics::pylon::kDeadPolygon, 2}; }
    void poseParts(int32_t gameTime) override;
};

// Code 69: a small wooden truss bridge, 34 ft long.
class BridgeWWI : public BaseObject {
protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    DeadSwitch deadSwitch() const override { return {statics::bridge::kDeadPolygon, 2}; }
};

// Code 70: the 3,520-ft stone viaduct with its deck 550 ft above its foot, along its X axis.
// It never shows a destroyed look, and it stands at its mission height: a span that long is not
// laid onto the ground under its middle.
class BridgeSpWWI : public BaseObject {
public:
    // Where the world's gorge north of Reims wants it: the deck on the raised strip at 850 ft,
    // its length along the world's Z (heading 90 deg).
    static const std::array<double, 3> kWorldPlace;
    static constexpr double kWorldHeading = 90.0;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
    DeadSwitch deadSwitch() const override { return {statics::stone::kDeadPolygon, 2, false}; }
    bool laysOnGround() const override { return false; }
};

// Code 73: a 50-ft square of earth that refuels like a hangar; it never changes its look.
class Crater : public BaseObject {
public:
    void canRefuelThisAircraft(ZephModel* aircraft) override { refuelNear(aircraft); }
    void afterLightTexture3dPointChangesFor(ObjectPointsPolysVer2* pp) override;

protected:
    const ModelTables& tables() const override;
    void setClassValues() override;
};

}  // namespace pellam
