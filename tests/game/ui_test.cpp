// The game's windows shown with Dear ImGui on a real window under Xvfb, their buttons pressed with
// the mouse as a player would.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/Beep.h"
#include "platform/GLWindow.h"
#include "platform/ui/UiLayer.h"

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

    fs::path folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<platform::GLWindow> window_;
    platform::UiLayer ui_;
    std::unique_ptr<VADArizodazar2> controller_;
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

}  // namespace
}  // namespace pellam
