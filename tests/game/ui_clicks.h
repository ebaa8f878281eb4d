#pragma once
// The game's windows on a real window under Xvfb, and clicks as a person makes them: the pointer
// moved onto the place, pressed, a few frames, released.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/GLWindow.h"
#include "platform/ui/UiLayer.h"

namespace pellam::testing {

class InterfaceScreen {
public:
    // A 1024 x 768 window with the interface layer; empty when it could not be made.
    std::string open() {
        std::string error;
        platform::WindowSpec spec;
        spec.width = 1024;
        spec.height = 768;
        window_ = platform::GLWindow::create(spec, error);
        if (!window_) return error;
        window_->makeCurrent();
        return ui_.start(*window_) ? "" : "the interface layer did not start";
    }
    ~InterfaceScreen() {
        if (!window_) return;
        ui_.stop();
        window_.reset();
        platform::stopVideo();
    }
    // The controller whose windows are drawn.
    void show(VADArizodazar2* controller) { controller_ = controller; }

    void frame() {
        SDL_Event event;
        while (SDL_PollEvent(&event)) ui_.processEvent(event);
        ui_.newFrame();
        glClearColor(0.5f, 0.6f, 0.8f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (controller_) drawInterface(*controller_);
        ui_.render();
        window_->swapBuffers();
    }
    void click(int x, int y) {
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
    // Clicks the middle of a button (or other remembered place) of a window.
    void press(const std::string& windowTitle, const std::string& label) {
        for (int i = 0; i < 3; ++i) frame();
        const ButtonPlace* place = placeOfButton(windowTitle, label);
        ASSERT_NE(place, nullptr) << windowTitle << "/" << label;
        ASSERT_LT(place->y1, 768) << windowTitle << "/" << label << " is below the window";
        click(static_cast<int>((place->x0 + place->x1) / 2), static_cast<int>((place->y0 + place->y1) / 2));
    }

private:
    std::unique_ptr<platform::GLWindow> window_;
    platform::UiLayer ui_;
    VADArizodazar2* controller_ = nullptr;
};

}  // namespace pellam::testing
