// The game's windows shown with Dear ImGui on a real window under Xvfb, their buttons pressed with
// the mouse as a player would.
#include <gtest/gtest.h>

#include "platform/Beep.h"
#include "tests/game/InterfaceFixture.h"

namespace pellam {
namespace {

TEST_F(InterfaceTest, SignInPreferencesOkAndCancel) {
    GameInterface& ui = controller_->interface();
    ASSERT_TRUE(ui.toPilotSignInWindow.open);
    press("Pilot Sign-In", "Sign In");
    EXPECT_FALSE(ui.toPilotSignInWindow.open);
    EXPECT_TRUE(controller_->pilotsigninhasclosed);

    controller_->fromMenus(kMenuPreferences);
    ASSERT_TRUE(ui.toPrefsWindow.open);
    ui.toTerrainDetailPref.state = false;
    press("Preferences", "Cancel");
    EXPECT_FALSE(ui.toPrefsWindow.open);
    EXPECT_EQ(store_->boolForKey("TerrainDetailKey"), true);

    controller_->fromMenus(kMenuPreferences);
    EXPECT_TRUE(ui.toTerrainDetailPref.state);  // shown again from the store
    ui.toTerrainDetailPref.state = false;
    ui.toEngineVolume.intValue = 80;
    press("Preferences", "OK");
    EXPECT_FALSE(ui.toPrefsWindow.open);
    EXPECT_EQ(store_->boolForKey("TerrainDetailKey"), false);
    EXPECT_EQ(store_->integerForKey("EngineVolumeKey"), 80);
}

TEST_F(InterfaceTest, AutomaticMessagesAndTheMissionList) {
    GameInterface& ui = controller_->interface();
    press("Pilot Sign-In", "Sign In");
    controller_->fromMenus(kMenuAutoMessages);
    ASSERT_TRUE(ui.toAutoMessagesWindow.open);
    ui.toAuto[0].stringValue = "Archie ahead!";
    press("Automatic Messages", "OK");
    EXPECT_EQ(store_->stringForKey("AutoMessage1Key"), "Archie ahead!");

    controller_->fromMenus(kMenuSelectMission);
    ASSERT_TRUE(controller_->toMissionWindow.open);
    press("Missions", "Fly");
    EXPECT_TRUE(controller_->gamePause);
    EXPECT_FALSE(controller_->toMissionWindow.open);
}

TEST_F(InterfaceTest, AWorldThatCouldNotBeMadeIsShownAndCannotBeFlown) {
    controller_->worldProblem = "RIDUdidavData is 1000 bytes; 10580000 were expected.";
    frame();
    ASSERT_NE(placeOfButton("Pellam cannot fly", "Quit"), nullptr);
    const long beeps = platform::beepCount();
    controller_->fromFlyMissionButton();
    EXPECT_FALSE(controller_->gamePause);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
}

}  // namespace
}  // namespace pellam
