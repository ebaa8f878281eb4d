#include "game/InputWindowsDrawing.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <string>

#include <imgui.h>

#include "game/InterfaceDrawing.h"
#include "input/DoJoystick.h"
#include "platform/ui/UiLayer.h"

namespace pellam {

using input::DoJoystick;
using input::InputButton;

std::vector<RangeShape> rangeBoxShapes(float width, float height, const std::array<double, 12>& r) {
    constexpr float kScale = 181;  // points of travel inside the 2-point frame
    std::vector<RangeShape> shapes;
    // Laid out from the bottom left, as the box is described; turned to y down on the way out.
    auto add = [&](RangeShape::Colour c, double x, double y, double w, double h, bool frame = false) {
        shapes.push_back({c, static_cast<float>(x), static_cast<float>(height - y - h), static_cast<float>(w),
                          static_cast<float>(h), frame});
    };
    // Whatever an element reports, the marks stay inside the box.
    auto s = [&](int i) { return (std::isfinite(r[i]) ? std::clamp(r[i], 0.0, 1.0) : 0.0) * kScale; };
    add(RangeShape::White, 0, 0, width, height);
    add(RangeShape::Black, 0, 0, width, height, true);
    if (width == 185 && height == 185) {
        add(RangeShape::Green, s(0) + 2, s(3) + 2, std::max(s(1) - s(0), 1.0), std::max(s(2) - s(3), 1.0));
        add(RangeShape::Red, s(8) - 1, s(9) - 2, 6, 6);
        add(RangeShape::Black, 5, 92, 175, 1);
        add(RangeShape::Black, 92, 5, 1, 175);
    } else if (width == 25 && height == 185) {
        add(RangeShape::Green, 5, s(4) + 2, 15, s(5) - s(4));
        add(RangeShape::Red, 5, s(11) + 2, 15, 4);
        add(RangeShape::Black, 12, 2, 1, 175);
        add(RangeShape::Black, 5, 92, 15, 1);
    } else if (width == 185 && height == 25) {
        add(RangeShape::Green, s(6) + 2, 5, s(7) - s(6), 15);
        add(RangeShape::Red, s(10) + 2, 5, 4, 15);
        add(RangeShape::Black, 2, 12, 175, 1);
        add(RangeShape::Black, 92, 5, 1, 15);
    }
    return shapes;
}

namespace {

std::string currentWindow;

bool button(const char* label, float width = 100) {
    const bool pressed = ImGui::Button(label, ImVec2(width, 0));
    rememberItemPlace(currentWindow, label);
    return pressed;
}

// Opens a settings window centred, whole in the view; `closeBox` gives it one. A height of 0 fits
// the contents.
bool beginWindow(const char* title, float width, float height, bool* closeBox = nullptr) {
    widgets::fitNextWindow(width, height);
    currentWindow = title;
    const bool shown = ImGui::Begin(title, closeBox, ImGuiWindowFlags_NoCollapse);
    widgets::keepInView();
    if (closeBox) {
        // Where the title bar's close box is drawn: a font-high square inside the frame padding.
        const ImGuiStyle& style = ImGui::GetStyle();
        const float size = ImGui::GetFontSize(), right = ImGui::GetWindowPos().x + ImGui::GetWindowWidth();
        const float top = ImGui::GetWindowPos().y + style.FramePadding.y;
        rememberPlace(title, "close box", {right - style.FramePadding.x - size, top, right - style.FramePadding.x, top + size});
    }
    if (!shown) ImGui::End();
    return shown;
}

// The Okay button, which the Return key also presses while its window has the keyboard.
bool okay() {
    const bool clicked = button("Okay");
    return clicked || (ImGui::IsWindowFocused() && ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false));
}

void rangeBox(DoJoystick& in, float width, float height, const char* id) {
    const ImVec2 at = ImGui::GetCursorScreenPos();
    ImGui::InvisibleButton(id, ImVec2(width, height));
    ImDrawList* list = ImGui::GetWindowDrawList();
    static const ImU32 colours[] = {IM_COL32(255, 255, 255, 255), IM_COL32(0, 0, 0, 255), IM_COL32(0, 200, 0, 255),
                                    IM_COL32(220, 0, 0, 255)};
    for (const RangeShape& s : rangeBoxShapes(width, height, in.getRanges())) {
        const ImVec2 a(at.x + s.x, at.y + s.y), b(at.x + s.x + s.w, at.y + s.y + s.h);
        if (s.frame)
            list->AddRect(ImVec2(a.x + 1, a.y + 1), ImVec2(b.x - 1, b.y - 1), colours[s.colour], 0, 0, 2);
        else
            list->AddRectFilled(a, b, colours[s.colour]);
    }
}

// A pop-up of the command table's commands; None shows no selection.
void commandPopUp(const DoJoystick& in, const char* label, input::CommandNumber& command) {
    const std::string* shown = nullptr;
    for (int row = 0; row < in.numberOfRowsInTableView(); ++row)
        if (in.CommandsAndKeys[row + 1].Command == command) shown = in.getCommandForRow(row);
    // A command the table has no row for still shows by its own title.
    ImGui::SetNextItemWidth(270);
    const bool open = ImGui::BeginCombo(label, shown ? shown->c_str() : input::commandTitle(command));
    rememberItemPlace(currentWindow, label);
    if (open) {
        for (int row = 0; row < in.numberOfRowsInTableView(); ++row) {
            const input::CommandNumber c = in.CommandsAndKeys[row + 1].Command;
            const std::string* title = in.getCommandForRow(row);
            if (!input::isGameCommand(c) || !title) continue;
            ImGui::PushID(row);
            if (ImGui::Selectable(title->c_str(), c == command)) command = c;
            rememberItemPlace("Commands", *title);
            ImGui::PopID();
        }
        ImGui::EndCombo();
    }
}

void drawKeyWindow(DoJoystick& in) {
    if (!beginWindow("Define Keyboard Commands", 617, 581)) return;
    input::KeyWindowControls& w = in.keyWindow;
    ImGui::TextWrapped("Find the command you want to re-define, then click on it. Press the new key you want to "
                       "use. You will not be able to enter a key if it is already used for a different command.");
    const ImGuiTableFlags flags = ImGuiTableFlags_ScrollY | ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersInnerV;
    if (ImGui::BeginTable("commands", 2, flags, ImVec2(0, -ImGui::GetFrameHeightWithSpacing() - 8))) {
        ImGui::TableSetupScrollFreeze(0, 1);
        ImGui::TableSetupColumn("Command:");
        ImGui::TableSetupColumn("Key Press:");
        ImGui::TableHeadersRow();
        for (int row = 0; row < in.numberOfRowsInTableView(); ++row) {
            const std::string* title = in.getCommandForRow(row);
            const std::string label = title ? *title : std::string();
            ImGui::TableNextRow();
            ImGui::TableSetColumnIndex(0);
            ImGui::PushID(row);
            if (ImGui::Selectable(label.c_str(), w.selectedRow == row, ImGuiSelectableFlags_SpanAllColumns))
                in.fromKeyboardTable(row);
            rememberItemPlace(currentWindow, label);
            if (w.scrollToSelected && w.selectedRow == row) {
                ImGui::SetScrollHereY();
                w.scrollToSelected = false;
            }
            ImGui::PopID();
            ImGui::TableSetColumnIndex(1);
            ImGui::TextUnformatted(in.createKeyComboStringForRow(row).c_str());
        }
        ImGui::EndTable();
    }
    if (button("Cancel")) in.okayButtons(InputButton::DefCancelK);
    ImGui::SameLine(221);
    if (button("Reset to Defaults", 151)) in.fromKPSetDefaults();
    ImGui::SameLine(502);
    if (okay() && !in.DoingKeyboardSheet) in.okayButtons(InputButton::DefOkayK);

    // The key-capture sheet over the window.
    const char* sheet = "Press a Key";
    if (in.DoingKeyboardSheet && !ImGui::IsPopupOpen(sheet)) ImGui::OpenPopup(sheet);
    ImGui::SetNextWindowSize(ImVec2(500, 0), ImGuiCond_Appearing);
    if (ImGui::BeginPopupModal(sheet, nullptr, ImGuiWindowFlags_NoResize)) {
        const std::string outer = currentWindow;
        currentWindow = sheet;
        ImGui::TextUnformatted("*** Press the key that will send the command ***");
        ImGui::Separator();
        ImGui::Text("Selected Command: %s", w.sheetCommand.c_str());
        ImGui::Text("Existing Key: %s", w.sheetKey.c_str());
        ImGui::Separator();
        ImGui::SetCursorPosX(202);
        if (button("Cancel")) in.okayButtons(InputButton::KeyCancelBut);
        ImGui::SameLine(410);
        if (button("No Key", 80)) in.okayButtons(InputButton::NoKeyBut);
        if (!in.DoingKeyboardSheet) ImGui::CloseCurrentPopup();
        ImGui::EndPopup();
        currentWindow = outer;
    }
    ImGui::End();
}

void drawMouseWindow(DoJoystick& in) {
    if (!beginWindow("Define Mouse Buttons", 500, 0)) return;
    input::MouseWindowControls& w = in.mouseWindow;
    ImGui::TextWrapped("Select the command you wish to send when a mouse button is pressed.");
    ImGui::Spacing();
    ImGui::TextUnformatted("Mouse Button #1: (Only or Left)");
    commandPopUp(in, "##mouse1", w.popUp1);
    ImGui::TextUnformatted("Mouse Button #2: (Right if Available)");
    commandPopUp(in, "##mouse2", w.popUp2);
    ImGui::Separator();
    const input::InputWindowState state{false, w.popUp1, w.popUp2};
    if (button("Cancel")) in.okayButtons(InputButton::DefCancelM);
    ImGui::SameLine(ImGui::GetWindowWidth() - 116);
    if (okay()) in.okayButtons(InputButton::DefOkayM, state);
    ImGui::End();
}

// The width of a check box with its label (px).
float checkBoxWidth(const char* label) {
    return ImGui::GetFrameHeight() + ImGui::GetStyle().ItemInnerSpacing.x + ImGui::CalcTextSize(label).x;
}

void drawJoystickWindow(DoJoystick& in) {
    if (!beginWindow("Define Joystick Buttons", 740, 0)) return;
    input::JoyWindowControls& w = in.joyWindow;
    // All but the buttons scroll in a view too short for them. Controls stand `x` px from the
    // window's edge, or as far left as keeps `width` px of them in a narrower one.
    widgets::beginBody("settings", widgets::buttonRowHeight());
    const float pad = ImGui::GetStyle().WindowPadding.x, right = ImGui::GetWindowContentRegionMax().x;
    auto at = [&](float x, float width) { return std::min(x - pad, right - width); };
    ImGui::TextWrapped("Click the button on your Joystick you want to define. It will show up on the left below. "
                       "Then, select the command on the right you want that button to perform.");
    ImGui::Checkbox("Sticky Hat Switch", &w.sticky);
    ImGui::Text("%s", w.buttonName.c_str());
    ImGui::SameLine(246 - pad);
    commandPopUp(in, "##button", w.popUpCommand);
    ImGui::Separator();
    ImGui::TextWrapped("If any of your Joystick controls work backwards, you can switch the direction with the "
                       "check boxes below.");
    const float second = at(408, std::max(checkBoxWidth("Reverse Joystick Forward/Back"),
                                          checkBoxWidth("Reverse Joystick Throttle Slide")));
    ImGui::Checkbox("Reverse Joystick Left/Right", &w.revLF);
    ImGui::SameLine(second);
    ImGui::Checkbox("Reverse Joystick Forward/Back", &w.revFB);
    ImGui::Checkbox("Reverse Joystick Rudder Slide", &w.revRu);
    ImGui::SameLine(second);
    ImGui::Checkbox("Reverse Joystick Throttle Slide", &w.revTh);
    ImGui::Separator();
    ImGui::TextWrapped("Check the range of your Joystick in the feedback boxes below. If moving the items on your "
                       "joystick doesn't fill the boxes then you need to go to the 'Calibrate Joystick' window. "
                       "(Close this window first.)");
    ImGui::BeginGroup();
    rangeBox(in, 185, 185, "stick");
    ImGui::TextUnformatted("Joystick");
    ImGui::EndGroup();
    ImGui::SameLine();
    ImGui::BeginGroup();
    ImGui::TextUnformatted("Joystick\nSensitivity");
    float curve = static_cast<float>(w.slider1);
    if (ImGui::VSliderFloat("##curve", ImVec2(19, 154), &curve, 1.0f, 4.0f, "")) w.slider1 = curve;
    ImGui::SameLine();
    ImGui::Text("Curved\n\n\n%.2f\n\n\nLinear", w.slider1);
    ImGui::EndGroup();
    const float rudderAt = at(500, std::max(185.0f, checkBoxWidth("Use Keyboard only for Rudder")));
    ImGui::SameLine(std::min(368 - pad, rudderAt - 3 * ImGui::GetFrameHeight()));
    rangeBox(in, 25, 185, "throttle");
    ImGui::SameLine();
    ImGui::TextUnformatted("T\nh\nr\no\nt\nt\nl\ne");
    ImGui::SameLine(rudderAt);
    ImGui::BeginGroup();
    rangeBox(in, 185, 25, "rudder");
    ImGui::TextUnformatted("Rudder");
    ImGui::TextUnformatted("Sensitivity");
    ImGui::SetNextItemWidth(180);
    float rudder = static_cast<float>(w.slider2);
    if (ImGui::SliderFloat("##rudder curve", &rudder, 1.0f, 5.0f, "%.2f")) w.slider2 = rudder;
    ImGui::TextUnformatted("Linear              Curved");
    ImGui::TextUnformatted("Dead zone size");
    ImGui::SetNextItemWidth(180);
    float dead = static_cast<float>(w.slider3);
    if (ImGui::SliderFloat("##dead zone", &dead, 0.001f, 0.5f, "%.2f")) w.slider3 = dead;
    ImGui::Checkbox("Use Keyboard only for Rudder", &w.keyboardOnlyRudder);
    ImGui::EndGroup();
    widgets::endBody();
    ImGui::Separator();
    const input::InputWindowState state{w.keyboardOnlyRudder};
    if (button("Cancel")) in.okayButtons(InputButton::DefCancel);
    ImGui::SameLine(274);
    if (button("Reset to Defaults", 151)) in.okayButtons(InputButton::DefReset);
    ImGui::SameLine(ImGui::GetWindowWidth() - 116);
    if (okay()) in.okayButtons(InputButton::DefOkay, state);
    ImGui::End();
}

void drawCalibrator(DoJoystick& in) {
    bool open = true;
    if (!beginWindow("Joystick Calibrator", 600, 0, &open)) {
        if (!open) in.calibratorShouldClose();
        return;
    }
    ImGui::TextUnformatted(
        "1) Move joystick all around as far as it will go.\n"
        "2) Move Throttle slide (if available) as far as it will go, forward and back.\n"
        "3) Move Rudder twist (if available) as far as it will go, left and right.\n"
        "4) Let go of all controls on the joystick and allow it to return to its\n"
        "           at rest position.\n"
        "5) You're done, without touching the joystick, click 'Okay' or press return.\n"
        "    (calibration is not complete until you click 'Okay' or press return)");
    ImGui::BeginGroup();
    rangeBox(in, 185, 185, "stick");
    ImGui::TextUnformatted("Joystick");
    ImGui::EndGroup();
    ImGui::SameLine(228);
    rangeBox(in, 25, 185, "throttle");
    ImGui::SameLine();
    ImGui::TextUnformatted("T\nh\nr\no\nt\nt\nl\ne");
    ImGui::SameLine(302);
    ImGui::BeginGroup();
    ImGui::Dummy(ImVec2(1, 60));
    rangeBox(in, 185, 25, "rudder");
    ImGui::TextUnformatted("Rudder");
    ImGui::EndGroup();
    ImGui::SetCursorPosX(ImGui::GetWindowWidth() - 116);
    if (okay()) in.okayButtons(InputButton::CalOkay);
    ImGui::End();
    if (!open) in.calibratorShouldClose();
}

}  // namespace

void drawInputWindows(DoJoystick& in, bool menus) {
    if (menus && ImGui::BeginMainMenuBar()) {
        const bool open = ImGui::BeginMenu("Controls");
        rememberItemPlace("Menu", "Controls");
        if (open) {
            auto item = [](const char* label) {
                const bool chosen = ImGui::MenuItem(label);
                rememberItemPlace("Controls", label);
                return chosen;
            };
            if (item("Define Keyboard Commands...")) in.fromDefineKeyboardMenu();
            if (item("Define Mouse Buttons...")) in.fromDefineMouseMenu();
            if (item("Define Joystick Buttons...")) in.fromDefineJoystickMenu();
            if (item("Calibrate Joystick...")) in.fromJoystickCalibrateMenu();
            ImGui::EndMenu();
        }
        ImGui::EndMainMenuBar();
    }
    if (in.DoingKeyboardDefWindow) drawKeyWindow(in);
    if (in.DoingMouseDefWindow) drawMouseWindow(in);
    if (in.DoingDefWindow) drawJoystickWindow(in);
    if (in.DoingCalWindow) drawCalibrator(in);
}

bool inputWindowsTakeEvent(platform::UiLayer& ui, const DoJoystick& in, const SDL_Event& event) {
    const bool key = event.type == SDL_KEYDOWN || event.type == SDL_KEYUP || event.type == SDL_TEXTINPUT;
    if (key && in.DoingKeyboardSheet) return false;
    return ui.processEvent(event);
}

}  // namespace pellam
