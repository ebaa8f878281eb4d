#pragma once
// A builder over flat ground 600 ft high, in a game that lends its terrain and counts beeps.
#include <gtest/gtest.h>

#include "builder/MissionBuilder.h"
#include "world/RIDUdidav.h"

namespace pellam::builder {

// Ground 600 ft high everywhere, so every height has a closed-form answer.
struct FlatGround : RIDUdidav {
    double getAltitudeAtX(double, double) override { return 600.0; }
};

// A game that lends its terrain, counts beeps and has its own fog and clouds.
struct TestHost : BuilderHost {
    std::unique_ptr<ZephModel> gameTerrain = std::make_unique<FlatGround>();
    ZephModel* terrain = gameTerrain.get();
    int beeps = 0, reloads = 0;
    std::vector<std::string> told;  // notices for the player, in order
    std::array<missions::CloudLayer, 3> layers{{{3, 4000, 4600}, {0, 0, 0}, {4, 9000, 9300}}};
    void beep() override { ++beeps; }
    void tellPlayer(const std::string& text) override { told.push_back(text); }
    std::unique_ptr<ZephModel> lendTerrain() override { return std::move(gameTerrain); }
    void returnTerrain(std::unique_ptr<ZephModel> t) override { gameTerrain = std::move(t); }
    double missionHaze() override { return 0.0004; }
    std::array<missions::CloudLayer, 3> missionLayers() override { return layers; }
    bool reloadUserMissionsWanted() override { return true; }
    void reloadUserMissions() override { ++reloads; }
};

struct BuilderTest : ::testing::Test {
    missions::ObjectFactory factory;
    TestHost host;
    MissionBuilder builder{factory, &host};
    // A new mission on the Western Front.
    void westernFront() {
        builder.fromMBMenu(kTagNewMission);
        builder.controls().worldMenu = 1;
        builder.fromMBMenu(kTagAddWorld);
    }
    // An object placed past the head at (x, y, z), with its live object.
    int place(int32_t code, double x, double y, double z) {
        const int row = builder.MBMission.TotalObjects++;
        builder.fillInObjectForMissionTypeMB(code, x, y, z, 0, 0, 1, -1, row);
        builder.loadRow(row);
        return row;
    }
    QNion pose(long i) {
        QNion p;
        builder.MBArray.at(i)->getModelPositionQNion(&p);
        return p;
    }
    // The camera at `height` looking straight down at (x, z).
    void lookDown(double x, double height, double z) {
        builder.MBCameraPosition.Position = {x, height, z};
        builder.mouseDragWithShiftAmountX(0, 200);
        ASSERT_EQ(builder.MBViewingPitch, -90);
    }
    // A click in the middle of the world's part of the view.
    void clickCentre() {
        const ViewFrame f = builder.viewFrame();
        builder.MBMouseDown(20 + 0.33 * f.width, 20 + f.height / 2);
    }
};

}  // namespace pellam::builder
