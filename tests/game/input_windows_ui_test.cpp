// The input settings windows on a real window under Xvfb: rows and buttons clicked with the mouse
// and keys typed through SDL's event queue, as a player would; and the range boxes' shapes.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "game/InputWindowsDrawing.h"
#include "game/InterfaceDrawing.h"
#include "input/PellamJoySub.h"
#include "platform/GLWindow.h"
#include "platform/hid/SdlInput.h"
#include "platform/ui/UiLayer.h"
#include "tests/game/UiWindow.h"

namespace pellam {
namespace {

TEST(RangeBoxes, TheGreenAreaStaysInsideTheFrameAndNeverVanishes) {
    std::array<double, 12> r{};
    for (double low : {0.0, 0.3, 0.5}) {
        for (double width : {0.0, 0.001, 0.2, 1.0 - low}) {
            r.fill(0.5);
            r[0] = r[3] = r[4] = r[6] = low;
            r[1] = r[2] = r[5] = r[7] = low + width;
            for (auto [w, h] : {std::pair{185.f, 185.f}, {25.f, 185.f}, {185.f, 25.f}}) {
                int greens = 0;
                for (const RangeShape& s : rangeBoxShapes(w, h, r)) {
                    if (s.colour != RangeShape::Green) continue;
                    ++greens;
                    EXPECT_GE(s.x, 2 - 1e-3);
                    EXPECT_GE(s.y, 2 - 1e-3);
                    EXPECT_LE(s.x + s.w, w - 2 + 1e-3) << w << "x" << h << " low " << low << " width " << width;
                    EXPECT_LE(s.y + s.h, h - 2 + 1e-3);
                    if (w == h) {
                        EXPECT_GE(std::min(s.w, s.h), 1.0f);  // a still stick still shows
                    }
                }
                EXPECT_EQ(greens, 1);
            }
        }
    }
    EXPECT_EQ(rangeBoxShapes(40, 40, r).size(), 2u);  // an unknown box: fill and frame only
}

class InputWindowsUi : public ::testing::Test {
protected:
    void SetUp() override {
        w_.open("pellam input ui");
        if (HasFatalFailure()) return;
        input_ = std::make_unique<input::PellamJoySub>(nullptr, *w_.store);
        input_->awakeFromNib();
    }
    void TearDown() override {
        input_.reset();
        w_.close();
    }

    // One frame as the game runs it while a settings window is open.
    void frame() {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if (inputWindowsTakeEvent(w_.ui, *input_, event)) continue;
            platform::hid::dispatchSdlEvent(event, *input_, nullptr, 768);
        }
        input_->createSurfaceInput(1024, 768);
        while (input_->getNextActionInBuffer()) {
        }
        w_.ui.newFrame();
        glClearColor(0.16f, 0.15f, 0.12f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        drawInputWindows(*input_, true);
        w_.ui.render();
        w_.window->swapBuffers();
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) frame();
    }

    void click(const std::string& windowTitle, const std::string& label) {
        w_.press([this] { frame(); }, windowTitle, label);
    }

    void type(SDL_Keycode key, SDL_Scancode scancode) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = key;
        e.key.keysym.scancode = scancode;
        e.key.windowID = w_.window->windowID();
        SDL_PushEvent(&e);
        frames(2);
        e.type = SDL_KEYUP;
        e.key.state = SDL_RELEASED;
        SDL_PushEvent(&e);
        frames(2);
    }

    int fireRow() const {
        for (int row = 0; row < input_->numberOfRowsInTableView(); ++row)
            if (input_->CommandsAndKeys[row + 1].Command == input::kFireGuns) return row;
        return -1;
    }

    test::UiWindow w_;
    std::unique_ptr<input::PellamJoySub> input_;
};

TEST_F(InputWindowsUi, RebindFireGunsByClickAndKeyThenOkayStoresAndCancelRestores) {
    const int row = fireRow();
    ASSERT_GE(row, 0);
    input_->fromDefineKeyboardMenu();
    click("Define Keyboard Commands", "Fire Guns");
    ASSERT_TRUE(input_->DoingKeyboardSheet);
    type(SDLK_h, SDL_SCANCODE_H);
    EXPECT_FALSE(input_->DoingKeyboardSheet);
    EXPECT_EQ(input_->createKeyComboStringForRow(row), "h");
    click("Define Keyboard Commands", "Okay");
    EXPECT_FALSE(input_->isWindowOpen());
    ASSERT_TRUE(w_.store->dataForKey("KeyboardButtons2").has_value());

    // No Key, then Cancel: the key of the opening is back.
    input_->fromDefineKeyboardMenu();
    click("Define Keyboard Commands", "Fire Guns");
    click("Press a Key", "No Key");
    EXPECT_EQ(input_->createKeyComboStringForRow(row), "(no key)");
    click("Define Keyboard Commands", "Cancel");
    EXPECT_FALSE(input_->isWindowOpen());
    EXPECT_EQ(input_->createKeyComboStringForRow(row), "h");
}

TEST_F(InputWindowsUi, MouseWindowOkayAndCalibratorOkayByReturn) {
    input_->fromDefineMouseMenu();
    input_->mouseWindow.popUp2 = input::kDropBomb;
    click("Define Mouse Buttons", "Okay");
    EXPECT_FALSE(input_->isWindowOpen());
    EXPECT_EQ(input_->getMouseCommand(1), input::kDropBomb);

    input_->fromJoystickCalibrateMenu();
    ASSERT_TRUE(input_->isWindowOpen());
    frames(3);
    type(SDLK_RETURN, SDL_SCANCODE_RETURN);  // Return is Okay
    EXPECT_FALSE(input_->isWindowOpen());
    EXPECT_EQ(w_.store->boolForKey("CalPrefsAvailable"), true);
}

}  // namespace
}  // namespace pellam
