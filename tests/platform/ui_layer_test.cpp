// The windows Dear ImGui draws over a frame, on a real window under Xvfb: a window shows whole in the
// very frame it is opened in, and looks the same whatever GL state the frame's passes left set,
// which is given back to them after. And the desktop: the game is in front while any of its
// windows has the keyboard.
#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/GLWindow.h"
#include "platform/ui/UiLayer.h"
#include "tests/WaitFor.h"

namespace pellam::platform {
namespace {

TEST(UiLayer, AWindowShowsWholeInItsFirstFrameOverWhateverThePassesLeftSet) {
    constexpr int kWidth = 320, kHeight = 240;
    std::string error;
    WindowSpec spec;
    spec.width = kWidth;
    spec.height = kHeight;
    std::unique_ptr<GLWindow> window = GLWindow::create(spec, error);
    ASSERT_NE(window, nullptr) << error;
    window->makeCurrent();
    UiLayer ui;
    ASSERT_TRUE(ui.start(*window));
    bool open = false;
    // One frame: a plain fill, whatever `passes` leave set, then the window built and drawn over it.
    const auto frame = [&](const std::function<void()>& passes = {}) {
        glClearColor(0.2f, 0.4f, 0.3f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        if (passes) passes();
        ui.build([&] {
            if (!open) return;
            ImGui::SetNextWindowSize(ImVec2(220, 0), ImGuiCond_Appearing);
            ImGui::Begin("Flying with the Mouse");
            ImGui::TextWrapped("No joystick was found, so you fly with the mouse.");
            ImGui::Button("OK", ImVec2(100, 0));
            ImGui::End();
        });
        ui.draw();
        std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        window->swapBuffers();
        return pixels;
    };
    const std::vector<uint8_t> none = frame();
    open = true;
    const std::vector<uint8_t> opened = frame();
    EXPECT_NE(opened, none) << "the window left out of its first frame";
    EXPECT_EQ(opened, frame()) << "the window still fitting itself in its first frame";

    // What the game's passes may leave behind them: the alpha test at 0.9 and fog (the objects'), a
    // second picture on unit 1 (the ground's detail) with that unit active, a texture matrix,
    // generated coordinates, another target, the colour sum, a sampler, a colour mask, a logic op.
    GLuint black = 0, sampler = 0;
    EXPECT_EQ(frame([&] {
                  glEnable(GL_ALPHA_TEST);
                  glAlphaFunc(GL_GREATER, 0.9f);
                  glEnable(GL_FOG);
                  glFogi(GL_FOG_MODE, GL_LINEAR);
                  glFogf(GL_FOG_START, -2.0f);  // fogged whole at the windows' depth
                  glFogf(GL_FOG_END, -1.0f);
                  glEnable(GL_COLOR_SUM);
                  glSecondaryColor3f(1.0f, 0.0f, 0.0f);
                  glMatrixMode(GL_TEXTURE);
                  glScalef(0.5f, 0.5f, 1.0f);
                  glMatrixMode(GL_MODELVIEW);
                  glEnable(GL_TEXTURE_GEN_S);
                  glEnable(GL_TEXTURE_CUBE_MAP);
                  glGenSamplers(1, &sampler);
                  glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
                  glBindSampler(0, sampler);
                  glActiveTexture(GL_TEXTURE1);
                  const uint8_t texel[4] = {0, 0, 0, 255};
                  glGenTextures(1, &black);
                  glBindTexture(GL_TEXTURE_2D, black);
                  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
                  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                  glEnable(GL_TEXTURE_2D);
                  glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
                  glEnable(GL_COLOR_LOGIC_OP);
                  glLogicOp(GL_INVERT);
              }),
              opened);

    // All of it as the passes left it.
    GLint active = 0, bound = 0, mask[4] = {};
    GLfloat textureMatrix[16] = {};
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_COLOR_WRITEMASK, mask);
    EXPECT_EQ(active, GL_TEXTURE1);
    EXPECT_EQ(mask[1], GL_FALSE);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_ALPHA_TEST) && glIsEnabled(GL_FOG) &&
                glIsEnabled(GL_COLOR_SUM) && glIsEnabled(GL_COLOR_LOGIC_OP));
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_SAMPLER_BINDING, &bound);
    glGetFloatv(GL_TEXTURE_MATRIX, textureMatrix);
    EXPECT_EQ(GLuint(bound), sampler);
    EXPECT_EQ(textureMatrix[0], 0.5f);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_CUBE_MAP));
    ui.stop();
    window.reset();
    stopVideo();
}

// On this X server, with no window manager, the second view takes the keyboard as it opens: the game
// stays in front. Closed with it, neither window has the keyboard, and the game is not in front.
TEST(SdlDesktop, TheGameIsInFrontWhileAnyOfItsWindowsHasTheKeyboard) {
    std::string error;
    std::unique_ptr<GLWindow> view = GLWindow::create({.width = 320, .height = 240}, error);
    ASSERT_NE(view, nullptr) << error;
    SdlDesktop desktop(*view);
    const auto holds = [&](GLWindow& window, const char* what) {
        return pellam::testing::waitFor([&] { return desktop.pumpEvents(nullptr), window.hasKeyboard(); }, what);
    };
    ASSERT_TRUE(holds(*view, "the view to take the keyboard"));
    EXPECT_TRUE(desktop.isApplicationActive());
    std::unique_ptr<GLWindow> second = GLWindow::create(
        {.width = 96, .height = 72, .borderless = true, .secondary = true, .positioned = true, .x = 10, .y = 10},
        error);
    ASSERT_NE(second, nullptr) << error;
    ASSERT_TRUE(holds(*second, "the second view to take the keyboard"));
    EXPECT_FALSE(view->hasKeyboard());
    EXPECT_TRUE(desktop.isApplicationActive());
    // Only the view's close box quits; the second view's is the game's to follow.
    const auto closeBox = [&](GLWindow& window) {
        SDL_Event close{};
        close.type = SDL_WINDOWEVENT;
        close.window.event = SDL_WINDOWEVENT_CLOSE;
        close.window.windowID = window.windowID();
        SDL_PushEvent(&close);
        return desktop.pumpEvents(nullptr);
    };
    EXPECT_TRUE(closeBox(*second));
    EXPECT_FALSE(closeBox(*view));
    second.reset();
    EXPECT_FALSE(desktop.isApplicationActive());
    view.reset();
    stopVideo();
}

}  // namespace
}  // namespace pellam::platform
