#pragma once
// The game's windows on a real 1024 x 768 window under Xvfb, drawn by Dear ImGui for a controller
// with a store of its own, and a mouse that clicks their buttons as a player would.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/GLWindow.h"
#include "platform/ui/UiLayer.h"

namespace pellam {

class InterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / ("pellam ui " + std::to_string(getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
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
        std::filesystem::remove_all(folder_);
    }

    // One frame of the windows; what they asked of the program.
    InterfaceRequests frame() {
        SDL_Event event;
        while (SDL_PollEvent(&event)) ui_.processEvent(event);
        ui_.newFrame();
        glClearColor(0.5f, 0.6f, 0.8f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        const InterfaceRequests asked = drawInterface(*controller_);
        ui_.render();
        window_->swapBuffers();
        return asked;
    }

    // Moves the pointer onto the button and clicks it once: press, a few frames, release. Answers
    // what the windows asked of the program meanwhile.
    InterfaceRequests press(const std::string& windowTitle, const std::string& label) {
        InterfaceRequests asked;
        auto frames = [&](int n) {
            for (int i = 0; i < n; ++i) {
                const InterfaceRequests r = frame();
                asked.quit |= r.quit;
                asked.toggleFullScreen |= r.toggleFullScreen;
            }
        };
        frames(3);
        const ButtonPlace* place = placeOfButton(windowTitle, label);
        EXPECT_NE(place, nullptr) << windowTitle << "/" << label;
        if (!place) return asked;
        const int x = static_cast<int>((place->x0 + place->x1) / 2), y = static_cast<int>((place->y0 + place->y1) / 2);
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

    std::filesystem::path folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<platform::GLWindow> window_;
    platform::UiLayer ui_;
    std::unique_ptr<VADArizodazar2> controller_;
};

}  // namespace pellam
