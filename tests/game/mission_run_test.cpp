// The game headless on the real Western Front: mission 0 as the build wrote it, flown until a
// downed aircraft comes back, then another mission and back again. Run under the sanitizers, it
// also shows that changing missions leaks nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "aircraft/FlyableAircraft.h"
#include "game/VADArizodazar2.h"
#include "platform/Paths.h"
#include "tests/TestFolder.h"
#include "tests/game/frame_step.h"
#include "tools/missiongen/PatrolMission.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {

TEST(MissionRun, MissionZeroFliesRestartsAndChangesMissionAndBack) {
    const std::string data = platform::resourcesFolder();
    ASSERT_TRUE(std::filesystem::exists(data + "pellamm1.pellam")) << data;
    const testing::TestFolder dir{"pellam run"};
    const std::filesystem::path folder = dir.path();
    platform::UserDefaults store((folder / "defaults.json").string());

    VADArizodazar2 c({&store}, {{}, {}, [] {
                                   auto terrain = std::make_unique<RIDUdidav>();
                                   return terrain->initWithGLView(nullptr) ? std::move(terrain) : nullptr;
                               }});
    c.awakeFromNib();
    ASSERT_EQ(c.worldProblem, "");
    ASSERT_TRUE(c.TheMissions.loaded(0));
    c.fromPlayerSignInOkay();
    c.doSelectMission = false;
    c.fromFlyMissionButton();
    ASSERT_TRUE(c.gamePause);  // flying
    auto frame = [&] { testing::stepOneFrame(c, 3); };

    // A wingman goes down; 45 s later he is back over the aerodrome, whole.
    for (int i = 0; i < 100; ++i) frame();
    FlyableAircraft* wingman = c.aircraftAt(3);
    ASSERT_NE(wingman, nullptr);
    wingman->orDamage1(dmg::FatalDamage);
    wingman->ThisAircraft.Damage1 |= dmg::Down;
    int frames = 0;
    while (c.aircraftAt(3)->getDeadOnGround() && frames < 2000) {
        frame();
        ++frames;
    }
    EXPECT_GT(frames * 3, 2700);
    EXPECT_LT(frames, 2000);
    EXPECT_EQ(c.AircraftRestartCount[1], 1);
    for (int i = 0; i < 100; ++i) frame();
    EXPECT_GT(c.aircraftAt(3)->ModelAttitude.Position[1], 1000.0);
    EXPECT_FALSE(c.aircraftAt(3)->getDeadOnGround());

    // Another mission in slot 1, then mission 0 again: every object but the terrain is new.
    auto record = std::make_unique<missions::MissionData>();
    missions::MissionTexts texts;
    missiongen::buildPatrolMission(*record, texts);
    record->TimeOfDay = 17;
    const std::string second = (folder / "second.pellam").string();
    ASSERT_EQ(missions::writeMissionFile(second, *record, texts), "");
    ASSERT_TRUE(c.TheMissions.loadMyMission(second, 1));
    ZephModel* terrain = c.modelAt(ModelArray::kTerrain);
    for (long slot : {1L, 0L}) {
        c.CurrentMissionNumber = slot;
        c.newDocument();
        EXPECT_EQ(c.PreviousCurrentMissionNumber, slot);
        EXPECT_EQ(c.modelAt(ModelArray::kTerrain), terrain);
        for (int i = 0; i < 200; ++i) frame();
        for (long n = 0; n < 8; ++n) EXPECT_GT(c.aircraftAt(n + 2)->ModelAttitude.Position[1], 300.0) << n;
    }
}

}  // namespace
}  // namespace pellam
