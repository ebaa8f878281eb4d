// The game's windows shown with Dear ImGui on a real window under Xvfb, their buttons pressed with
// the mouse as a player would.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <unistd.h>

#include "aircraft/FlyableAircraft.h"
#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/Beep.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "platform/ui/UiLayer.h"
#include "tests/game/frame_step.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

class InterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pellam ui " + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        std::string error;
        platform::WindowSpec spec;
        spec.width = 1024;
        spec.height = 768;
        window_ = platform::GLWindow::create(spec, error);
        ASSERT_NE(window_, nullptr) << error;
        window_->makeCurrent();
        ASSERT_TRUE(ui_.start(*window_));
        // An empty fixed world: these windows do not need a mission.
        controller_ = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()},
                                                       VADArizodazar2::Content{{}, [](ModelArray&, GameController&) {}});
        controller_->awakeFromNib();
    }
    void TearDown() override {
        controller_.reset();
        ui_.stop();
        window_.reset();
        platform::stopVideo();
        fs::remove_all(folder_);
    }

    void frame() {
        if (eachFrame) eachFrame();
        SDL_Event event;
        while (SDL_PollEvent(&event)) ui_.processEvent(event);
        ui_.newFrame();
        glClearColor(0.5f, 0.6f, 0.8f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawInterface(*controller_);
        ui_.render();
        window_->swapBuffers();
    }

    // Moves the pointer onto the button and clicks it: press, a few frames, release.
    void press(const std::string& windowTitle, const std::string& label) {
        for (int i = 0; i < 3; ++i) frame();
        const ButtonPlace* place = placeOfButton(windowTitle, label);
        ASSERT_NE(place, nullptr) << windowTitle << "/" << label;
        const int x = static_cast<int>((place->x0 + place->x1) / 2), y = static_cast<int>((place->y0 + place->y1) / 2);
        SDL_WarpMouseInWindow(window_->sdlWindow(), x, y);
        for (int i = 0; i < 3; ++i) frame();
        SDL_Event down{};
        down.type = SDL_MOUSEBUTTONDOWN;
        down.button.button = SDL_BUTTON_LEFT;
        down.button.x = x;
        down.button.y = y;
        down.button.windowID = window_->windowID();
        SDL_PushEvent(&down);
        for (int i = 0; i < 3; ++i) frame();
        SDL_Event up = down;
        up.type = SDL_MOUSEBUTTONUP;
        SDL_PushEvent(&up);
        for (int i = 0; i < 3; ++i) frame();
    }

    // Types `text` into the field that has the keyboard.
    void type(const char* text) {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        event.text.windowID = window_->windowID();
        std::strncpy(event.text.text, text, sizeof event.text.text - 1);
        SDL_PushEvent(&event);
        for (int i = 0; i < 3; ++i) frame();
    }

    fs::path folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<platform::GLWindow> window_;
    platform::UiLayer ui_;
    std::unique_ptr<VADArizodazar2> controller_;
    std::function<void()> eachFrame;  // the game's own work before each frame's windows
};

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
    press("Pilot Sign-In", "Sign In");
    ASSERT_NE(placeOfButton("Pellam cannot fly", "Quit"), nullptr);
    const long beeps = platform::beepCount();
    controller_->fromFlyMissionButton();
    EXPECT_FALSE(controller_->gamePause);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
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
    ASSERT_TRUE(fs::exists(platform::resourcesFolder() + "pellamm1.pellam"));
    startGame();
    ASSERT_TRUE(controller_->interface().toPilotSignInWindow.open);
    press("Pilot Sign-In", "Name 1");
    type("Roy Brown");
    press("Pilot Sign-In", "Sign In");
    EXPECT_EQ(store_->stringForKey("Pilot1NameKey"), "Roy Brown");
    ASSERT_TRUE(controller_->toMissionWindow.open);
    press("Missions", "Fly");
    ASSERT_TRUE(controller_->gamePause);

    // Ten seconds over the front, then the two enemies of the patrol go down to our guns.
    for (int i = 0; i < 200; ++i) frame();
    FlyableAircraft* ours = controller_->aircraftAt(ModelArray::kFirstAircraft);
    int downed = 0;
    for (long n = 1; n < 8 && downed < 2; ++n) {
        FlyableAircraft* enemy = controller_->aircraftAt(n + ModelArray::kFirstAircraft);
        if (!enemy || enemy->ThisAircraft.Team == ours->ThisAircraft.Team || enemy->ModelAttitude.Position[1] < 0)
            continue;
        enemy->ThisAircraft.TotalHits = enemy->ThisAircraft.TotalHitsBeforeDead + 1.0;
        enemy->ThisAircraft.WhoShotMe = 0;
        ++downed;
    }
    ASSERT_EQ(downed, 2);
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
