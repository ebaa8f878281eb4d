// The game's windows shown with Dear ImGui on a real window under Xvfb, their buttons pressed with
// the mouse as a player would.
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <filesystem>
#include <unistd.h>

#include "aircraft/FlyableAircraft.h"
#include "platform/Beep.h"
#include "platform/Paths.h"
#include "tests/game/InterfaceFixture.h"
#include "tests/game/frame_step.h"
#include "world/RIDUdidav.h"

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

// A paused game shows no frame whose windows' print matches the last: the print must follow
// every pixel the windows change, and stay put while nothing does.
TEST_F(InterfaceTest, TheWindowsPrintHoldsStillAndFollowsThePointer) {
    press("Pilot Sign-In", "Sign In");
    controller_->fromMenus(kMenuPreferences);
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
    press("Preferences", "Cancel");
    EXPECT_NE(uiPrint, still);  // the window is gone
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

// A pilot's first career: sign in under a new name, fly mission 0 of the real front, two enemies
// shot down (scripted), the win, and after a restart of the game the kills, the flight time and
// the won mission in his statistics.
TEST_F(InterfaceTest, FirstCareerSignInFlyWinAndFindItAfterARestart) {
    auto startGame = [&] {
        controller_ = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()},
                                                       VADArizodazar2::Content{{}, {}, [] {
                                                           auto terrain = std::make_unique<RIDUdidav>();
                                                           return terrain->initWithGLView(nullptr)
                                                                      ? std::move(terrain)
                                                                      : nullptr;
                                                       }});
        controller_->awakeFromNib();
        ASSERT_EQ(controller_->worldProblem, "");
    };
    eachFrame = [&] {
        if (controller_->gamePause) testing::stepOneFrame(*controller_, 3);
        controller_->ActiveInActive();
    };
    ASSERT_TRUE(std::filesystem::exists(platform::resourcesFolder() + "pellamm1.pellam"));
    startGame();
    ASSERT_TRUE(controller_->interface().toPilotSignInWindow.open);
    // Click after the name the game gave the pilot, rub it out and type his own.
    press("Pilot Sign-In", "Name 1");
    for (size_t k = controller_->interface().pilotNameFields[0].stringValue.size(); k > 0; --k)
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event key{};
            key.type = type;
            key.key.windowID = window_->windowID();
            key.key.keysym.scancode = SDL_SCANCODE_BACKSPACE;
            key.key.keysym.sym = SDLK_BACKSPACE;
            SDL_PushEvent(&key);
            frame();
        }
    type("Roy Brown");
    press("Pilot Sign-In", "Sign In");
    EXPECT_EQ(store_->stringForKey("Pilot1NameKey"), "Roy Brown");
    ASSERT_TRUE(controller_->missionWindow.toSelectMission.open);
    press("Select Mission", "Fly Mission");
    ASSERT_TRUE(controller_->gamePause);

    // Ten seconds over the front, then the two enemies of the patrol go down to our guns.
    for (int i = 0; i < 200; ++i) frame();
    ASSERT_EQ(shootDownEnemies(*controller_, 2), 2);
    for (int i = 0; i < 400 && !controller_->interface().toGameOverWindow.open; ++i) frame();
    ASSERT_TRUE(controller_->interface().toGameOverWindow.open);
    EXPECT_EQ(controller_->interface().toYouWonOrLost, "Mission Successful");
    press("Game Over", "OK");
    EXPECT_FALSE(controller_->interface().toGameOverWindow.open);
    const int32_t flown = controller_->PilotStats[0].PilotFlightTime;
    EXPECT_GT(flown, 15);  // s

    // Quit, start again, and look at the pilot's statistics.
    controller_->applicationWillTerminate();
    controller_.reset();
    startGame();
    ASSERT_TRUE(controller_->interface().toPilotSignInWindow.open);
    EXPECT_EQ(controller_->interface().pilotNameFields[0].stringValue, "Roy Brown");
    press("Pilot Sign-In", "Statistics");
    const GameInterface& ui = controller_->interface();
    ASSERT_TRUE(ui.toPSWindow.open);
    EXPECT_NE(ui.toPSNameScore.find("Name: Roy Brown\r"), std::string::npos);
    EXPECT_NE(ui.toPSNameScore.find("Dogfight Kills: 2"), std::string::npos);
    EXPECT_EQ(controller_->PilotStats[0].PilotFlightTime, flown);
    EXPECT_EQ(ui.toPSComMis.rfind(controller_->TheMissions.texts(0)->title + "               Mission Time: ", 0), 0u);
    EXPECT_EQ(controller_->PilotStats[0].PilotLives, 2);  // the first win of a mission adds a life
}

}  // namespace
}  // namespace pellam
