#pragma once
// The game's windows on a real 1024 x 768 window under Xvfb, drawn by Dear ImGui for a controller
// with a store of its own, and a mouse that clicks their buttons as a player would.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "aircraft/FlyableAircraft.h"
#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/GLWindow.h"
#include "platform/ui/UiLayer.h"
#include "tests/TestFolder.h"

namespace pellam {

// The pilot's guns as a script: up to `count` enemies still in play are shot down by aircraft 0,
// their hits past the limit; answers how many went down.
inline int shootDownEnemies(GameController& c, int count) {
    FlyableAircraft* ours = c.aircraftAt(ModelArray::kFirstAircraft);
    if (!ours) return 0;
    int downed = 0;
    for (long n = 1; n < 8 && downed < count; ++n) {
        FlyableAircraft* enemy = c.aircraftAt(n + ModelArray::kFirstAircraft);
        if (!enemy || enemy->ThisAircraft.Team == ours->ThisAircraft.Team || enemy->ModelAttitude.Position[1] < 0)
            continue;
        enemy->ThisAircraft.TotalHits = enemy->ThisAircraft.TotalHitsBeforeDead + 1.0;
        enemy->ThisAircraft.WhoShotMe = 0;
        ++downed;
    }
    return downed;
}

class InterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
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
    }

    // One frame of the windows; what they asked of the program.
    InterfaceRequests frame() {
        if (eachFrame) eachFrame();
        SDL_Event event;
        while (SDL_PollEvent(&event)) ui_.processEvent(event);
        ui_.newFrame();
        glClearColor(0.5f, 0.6f, 0.8f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        const InterfaceRequests asked = drawInterface(*controller_);
        uiPrint = ui_.finish();
        ui_.draw();
        window_->swapBuffers();
        return asked;
    }

    // Moves the pointer onto the button and clicks it once. Answers what the windows asked of the
    // program meanwhile.
    InterfaceRequests press(const std::string& windowTitle, const std::string& label) {
        for (int i = 0; i < 3; ++i) frame();
        const ButtonPlace* place = placeOfButton(windowTitle, label);
        EXPECT_NE(place, nullptr) << windowTitle << "/" << label;
        if (!place) return {};
        EXPECT_LT(place->y1, 768) << windowTitle << "/" << label << " is below the window";
        return click(static_cast<int>((place->x0 + place->x1) / 2), static_cast<int>((place->y0 + place->y1) / 2));
    }

    // A click at a point of the window: the pointer moved there, pressed, a few frames, released.
    InterfaceRequests click(int x, int y) {
        InterfaceRequests asked;
        auto frames = [&](int n) {
            for (int i = 0; i < n; ++i) {
                const InterfaceRequests r = frame();
                asked.quit |= r.quit;
                asked.toggleFullScreen |= r.toggleFullScreen;
            }
        };
        SDL_WarpMouseInWindow(window_->sdlWindow(), x, y);
        frames(3);
        SDL_Event down{};
        down.type = SDL_MOUSEBUTTONDOWN;
        down.button.button = SDL_BUTTON_LEFT;
        down.button.x = x;
        down.button.y = y;
        down.button.windowID = window_->windowID();
        SDL_PushEvent(&down);
        frames(3);
        SDL_Event up = down;
        up.type = SDL_MOUSEBUTTONUP;
        SDL_PushEvent(&up);
        frames(3);
        return asked;
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

    std::function<void()> eachFrame;  // the game's own work before each frame's windows
    uint64_t uiPrint = 0;             // the print of the last frame's windows
    testing::TestFolder dir_{"pellam ui"};
    std::filesystem::path folder_ = dir_.path();
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<platform::GLWindow> window_;
    platform::UiLayer ui_;
    std::unique_ptr<VADArizodazar2> controller_;
};

}  // namespace pellam
