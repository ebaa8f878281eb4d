// A pilot's first career under Xvfb, through the windows as a person uses them: sign in under a
// new name, fly mission 0 of the real front, two enemies shot down (scripted), the win, and after
// a restart of the game the kills, the flight time and the won mission in his statistics.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>

#include "aircraft/FlyableAircraft.h"
#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/GLWindow.h"
#include "platform/Paths.h"
#include "platform/ui/UiLayer.h"
#include "tests/game/frame_step.h"
#include "world/RIDUdidav.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

class Career : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pellam career " + std::to_string(getpid()));
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
    }
    void TearDown() override {
        c_.reset();
        ui_.stop();
        window_.reset();
        platform::stopVideo();
        fs::remove_all(folder_);
    }
    // The game as it starts: the real missions and terrain, the store of this test.
    void startGame() {
        c_ = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()},
                                              VADArizodazar2::Content{{}, {}, [] {
                                                  auto terrain = std::make_unique<RIDUdidav>();
                                                  return terrain->initWithGLView(nullptr) ? std::move(terrain)
                                                                                          : nullptr;
                                              }});
        c_->awakeFromNib();
        ASSERT_EQ(c_->worldProblem, "");
    }
    // One frame of the game (three ticks) with its windows.
    void frame() {
        if (c_->gamePause) testing::stepOneFrame(*c_, 3);
        c_->ActiveInActive();
        SDL_Event event;
        while (SDL_PollEvent(&event)) ui_.processEvent(event);
        ui_.newFrame();
        glClearColor(0.5f, 0.6f, 0.8f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawInterface(*c_);
        ui_.render();
        window_->swapBuffers();
    }
    void click(const std::string& windowTitle, const std::string& label) {
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
    std::unique_ptr<VADArizodazar2> c_;
};

TEST_F(Career, SignInFlyWinAndFindItAllAfterARestart) {
    ASSERT_TRUE(fs::exists(platform::resourcesFolder() + "pellamm1.pellam"));
    startGame();
    ASSERT_TRUE(c_->interface().toPilotSignInWindow.open);
    click("Pilot Sign-In", "Name 1");
    type("Roy Brown");
    click("Pilot Sign-In", "Sign In");
    EXPECT_EQ(store_->stringForKey("Pilot1NameKey"), "Roy Brown");
    ASSERT_TRUE(c_->toMissionWindow.open);
    click("Missions", "Fly");
    ASSERT_TRUE(c_->gamePause);

    // Ten seconds over the front, then the two enemies of the patrol go down to our guns.
    for (int i = 0; i < 200; ++i) frame();
    FlyableAircraft* ours = c_->aircraftAt(ModelArray::kFirstAircraft);
    int downed = 0;
    for (long n = 1; n < 8 && downed < 2; ++n) {
        FlyableAircraft* enemy = c_->aircraftAt(n + ModelArray::kFirstAircraft);
        if (!enemy || enemy->ThisAircraft.Team == ours->ThisAircraft.Team || enemy->ModelAttitude.Position[1] < 0)
            continue;
        enemy->ThisAircraft.TotalHits = enemy->ThisAircraft.TotalHitsBeforeDead + 1.0;
        enemy->ThisAircraft.WhoShotMe = 0;
        ++downed;
    }
    ASSERT_EQ(downed, 2);
    for (int i = 0; i < 400 && !c_->interface().toGameOverWindow.open; ++i) frame();
    ASSERT_TRUE(c_->interface().toGameOverWindow.open);
    EXPECT_EQ(c_->interface().toYouWonOrLost, "Mission Successful");
    click("Game Over", "OK");
    EXPECT_FALSE(c_->interface().toGameOverWindow.open);
    const int32_t flown = c_->PilotStats[0].PilotFlightTime;
    EXPECT_GT(flown, 15);  // s

    // Quit, start again, and look at the pilot's statistics.
    c_->applicationWillTerminate();
    c_.reset();
    startGame();
    ASSERT_TRUE(c_->interface().toPilotSignInWindow.open);
    EXPECT_EQ(c_->interface().pilotNameFields[0].stringValue, "Roy Brown");
    click("Pilot Sign-In", "Statistics");
    const GameInterface& ui = c_->interface();
    ASSERT_TRUE(ui.toPSWindow.open);
    EXPECT_NE(ui.toPSNameScore.find("Name: Roy Brown\r"), std::string::npos);
    EXPECT_NE(ui.toPSNameScore.find("Dogfight Kills: 2"), std::string::npos);
    EXPECT_EQ(c_->PilotStats[0].PilotFlightTime, flown);
    EXPECT_EQ(ui.toPSComMis.rfind(c_->TheMissions.texts(0)->title + "               Mission Time: ", 0), 0u);
    EXPECT_EQ(c_->PilotStats[0].PilotLives, 2);  // the first win of a mission adds a life
}

}  // namespace
}  // namespace pellam
