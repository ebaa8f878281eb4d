// The windows as a new player first meets them on a real window under Xvfb: in the game's own
// typeface at a size that reads at 1024 x 768, and, when the world could not be made, the window
// that says so alone in front, its Quit answering the first click.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/GLWindow.h"
#include "platform/ui/UiLayer.h"

#include <imgui.h>
#include <imgui_internal.h>

namespace pellam {
namespace {
namespace fs = std::filesystem;

class FirstStart : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pellam first start " + std::to_string(getpid()));
        fs::create_directories(folder_);
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        std::string error;
        platform::WindowSpec spec;  // 1024 x 768
        window_ = platform::GLWindow::create(spec, error);
        ASSERT_NE(window_, nullptr) << error;
        window_->makeCurrent();
        ASSERT_TRUE(ui_.start(*window_));
        controller_ = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()}, VADArizodazar2::Content{});
        controller_->awakeFromNib();
    }
    void TearDown() override {
        controller_.reset();
        ui_.stop();
        window_.reset();
        platform::stopVideo();
        fs::remove_all(folder_);
    }

    InterfaceRequests frame() {
        SDL_Event event;
        while (SDL_PollEvent(&event)) ui_.processEvent(event);
        ui_.newFrame();
        glClear(GL_COLOR_BUFFER_BIT);
        const InterfaceRequests asked = drawInterface(*controller_);
        ui_.render();
        window_->swapBuffers();
        return asked;
    }
    // One click on the button, as a person makes it: what the interface asked for meanwhile.
    InterfaceRequests click(const std::string& windowTitle, const std::string& label) {
        for (int i = 0; i < 3; ++i) frame();
        const ButtonPlace* place = placeOfButton(windowTitle, label);
        EXPECT_NE(place, nullptr) << windowTitle << "/" << label;
        if (!place) return {};
        const int x = int((place->x0 + place->x1) / 2), y = int((place->y0 + place->y1) / 2);
        SDL_WarpMouseInWindow(window_->sdlWindow(), x, y);
        InterfaceRequests asked;
        auto collect = [&] {
            const InterfaceRequests r = frame();
            asked.quit |= r.quit;
        };
        for (int i = 0; i < 3; ++i) collect();
        SDL_Event press{};
        press.type = SDL_MOUSEBUTTONDOWN;
        press.button.button = SDL_BUTTON_LEFT;
        press.button.x = x;
        press.button.y = y;
        press.button.windowID = window_->windowID();
        SDL_PushEvent(&press);
        for (int i = 0; i < 3; ++i) collect();
        SDL_Event release = press;
        release.type = SDL_MOUSEBUTTONUP;
        SDL_PushEvent(&release);
        for (int i = 0; i < 3; ++i) collect();
        return asked;
    }

    fs::path folder_;
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<platform::GLWindow> window_;
    platform::UiLayer ui_;
    std::unique_ptr<VADArizodazar2> controller_;
};

TEST_F(FirstStart, TheWindowsSpeakInTheGamesTypeface) {
    frame();
    const ImFont* font = ImGui::GetFont();
    ASSERT_NE(font, nullptr);
    EXPECT_NE(std::string(font->GetDebugName()).find("DejaVuSans"), std::string::npos) << font->GetDebugName();
    EXPECT_GE(font->FontSize, 16.0f);
}

TEST_F(FirstStart, WithNoWorldTheProblemComesFirstAndQuitAnswersAtOnce) {
    controller_->worldProblem = "The terrain file \"RIDUdidavData\" is missing.";
    // The sign-in asks for the keyboard at once, as it does on a first start.
    controller_->interface().pilotNameFields[0].selectRequested = true;
    frame();
    EXPECT_EQ(ImGui::FindWindowByName("Pilot Sign-In"), nullptr) << "nothing but the problem is offered";
    EXPECT_TRUE(click("Pellam cannot fly", "Quit").quit);
}

}  // namespace
}  // namespace pellam
