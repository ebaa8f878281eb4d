// The game's windows shown with Dear ImGui on a real window under Xvfb, their buttons pressed with
// the mouse as a player would.
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "platform/Beep.h"
#include "tests/game/InterfaceFixture.h"

namespace pellam {
namespace {

// Sign-in, then the preferences cancelled and taken. A paused game shows no frame whose windows'
// print matches the last: the print must follow every pixel the windows change, and stay put
// while nothing does.
TEST_F(InterfaceTest, SignInAndPreferencesWithAPrintThatFollowsTheWindows) {
    GameInterface& ui = controller_->interface();
    ASSERT_TRUE(ui.toPilotSignInWindow.open);
    press("Pilot Sign-In", "Sign In");
    EXPECT_FALSE(ui.toPilotSignInWindow.open);
    EXPECT_TRUE(controller_->pilotsigninhasclosed);

    controller_->fromMenus(kMenuPreferences);
    ASSERT_TRUE(ui.toPrefsWindow.open);
    SDL_WarpMouseInWindow(window_->sdlWindow(), 2, 760);
    for (int i = 0; i < 4; ++i) frame();
    const uint64_t still = uiPrint;
    frame();
    EXPECT_EQ(uiPrint, still);
    const ButtonPlace* ok = placeOfButton("Preferences", "OK");
    ASSERT_NE(ok, nullptr);
    SDL_WarpMouseInWindow(window_->sdlWindow(), int((ok->x0 + ok->x1) / 2), int((ok->y0 + ok->y1) / 2));
    for (int i = 0; i < 2; ++i) frame();
    EXPECT_NE(uiPrint, still);  // the button lights under the pointer
    SDL_WarpMouseInWindow(window_->sdlWindow(), 2, 760);
    for (int i = 0; i < 2; ++i) frame();
    EXPECT_EQ(uiPrint, still);

    ui.toTerrainDetailPref.state = false;
    press("Preferences", "Cancel");
    EXPECT_NE(uiPrint, still);  // the window is gone
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

// In the game's typeface, with no world the problem comes alone in front, a Fly is refused, and
// its Quit answers the first click.
TEST_F(InterfaceTest, AWorldThatCouldNotBeMadeIsShownAloneAndCannotBeFlown) {
    controller_->worldProblem = "RIDUdidavData is 1000 bytes; 10580000 were expected.";
    controller_->interface().pilotNameFields[0].selectRequested = true;  // as on a first start
    frame();
    EXPECT_EQ(ImGui::FindWindowByName("Pilot Sign-In"), nullptr) << "nothing but the problem is offered";
    EXPECT_NE(std::string(ImGui::GetFont()->GetDebugName()).find("DejaVuSans"), std::string::npos);  // the game's typeface
    EXPECT_GE(ImGui::GetFont()->FontSize, 16.0f);
    const long beeps = platform::beepCount();
    controller_->fromFlyMissionButton();
    EXPECT_FALSE(controller_->gamePause);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_TRUE(press("Pellam cannot fly", "Quit").quit);
}

}  // namespace
}  // namespace pellam
