// The game's windows shown with Dear ImGui on a real window under Xvfb, their buttons pressed with
// the mouse as a player would.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "platform/Beep.h"
#include "tests/game/InterfaceFixture.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

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

TEST_F(InterfaceTest, AFailedSaveIsToldOnceAndThePreferencesStayOpen) {
    GameInterface& ui = controller_->interface();
    press("Pilot Sign-In", "Sign In");
    // The temporary file's place taken: every save fails as on a full disk.
    const fs::path blocked = folder_ / ("defaults.json.tmp-" + std::to_string(getpid()));
    fs::create_directories(blocked);
    controller_->fromMenus(kMenuPreferences);
    ui.toEngineVolume.intValue = 70;
    press("Preferences", "OK");
    EXPECT_TRUE(ui.toPrefsWindow.open);
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_NE(ui.notices.front().find(folder_.string()), std::string::npos);
    press("Notice", "OK");
    EXPECT_TRUE(ui.notices.empty());
    press("Preferences", "OK");
    EXPECT_TRUE(ui.notices.empty());  // said once
    EXPECT_TRUE(ui.toPrefsWindow.open);

    fs::remove(blocked);
    press("Preferences", "OK");
    EXPECT_FALSE(ui.toPrefsWindow.open);
    EXPECT_EQ(platform::UserDefaults((folder_ / "defaults.json").string()).integerForKey("EngineVolumeKey"), 70);
}

}  // namespace
}  // namespace pellam
