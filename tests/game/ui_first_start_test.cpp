// The windows as a new player first meets them on a real window under Xvfb: in the game's own
// typeface at a size that reads at 1024 x 768, and, when the world could not be made, the window
// that says so alone in front, its Quit answering the first click.
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <string>

#include "tests/game/InterfaceFixture.h"

namespace pellam {
namespace {

using FirstStart = InterfaceTest;

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
    EXPECT_TRUE(press("Pellam cannot fly", "Quit").quit);
}

}  // namespace
}  // namespace pellam
