#pragma once
// A real game-sized window with the ImGui layer on the test's X server, a store in a folder of its
// own, and the mouse driven through SDL's event queue onto the buttons the windows drew.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "game/InterfaceDrawing.h"
#include "platform/GLWindow.h"
#include "platform/UserDefaults.h"
#include "platform/ui/UiLayer.h"

namespace pellam::test {

class UiWindow {
public:
    // Makes the folder, the store, the window and the ImGui layer; a failure fails the test.
    void open(const std::string& name) {
        folder = std::filesystem::temp_directory_path() / (name + " " + std::to_string(getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        store = std::make_unique<platform::UserDefaults>((folder / "defaults.json").string());
        std::string error;
        platform::WindowSpec spec;
        spec.width = 1024;
        spec.height = 768;
        window = platform::GLWindow::create(spec, error);
        ASSERT_NE(window, nullptr) << error;
        window->makeCurrent();
        ASSERT_TRUE(ui.start(*window));
    }
    void close() {
        ui.stop();
        window.reset();
        platform::stopVideo();
        store.reset();
        std::filesystem::remove_all(folder);
    }

    // Moves the pointer onto the button and clicks it: press, a few frames, release.
    void press(const std::function<void()>& frame, const std::string& windowTitle, const std::string& label) {
        auto frames = [&] {
            for (int i = 0; i < 3; ++i) frame();
        };
        frames();
        const ButtonPlace* place = placeOfButton(windowTitle, label);
        ASSERT_NE(place, nullptr) << windowTitle << "/" << label;
        const int x = static_cast<int>((place->x0 + place->x1) / 2), y = static_cast<int>((place->y0 + place->y1) / 2);
        SDL_WarpMouseInWindow(window->sdlWindow(), x, y);
        frames();
        SDL_Event down{};
        down.type = SDL_MOUSEBUTTONDOWN;
        down.button.button = SDL_BUTTON_LEFT;
        down.button.x = x;
        down.button.y = y;
        down.button.windowID = window->windowID();
        SDL_PushEvent(&down);
        frames();
        SDL_Event up = down;
        up.type = SDL_MOUSEBUTTONUP;
        SDL_PushEvent(&up);
        frames();
    }

    std::filesystem::path folder;
    std::unique_ptr<platform::UserDefaults> store;
    std::unique_ptr<platform::GLWindow> window;
    platform::UiLayer ui;
};

}  // namespace pellam::test
