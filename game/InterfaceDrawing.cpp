#include "game/InterfaceDrawing.h"

#include <algorithm>
#include <map>
#include <string>

#include <imgui.h>
#include <imgui_stdlib.h>

#include "game/VADArizodazar2.h"

namespace pellam {
namespace {

std::map<std::string, ButtonPlace> buttonPlaces;
std::string currentWindow;
bool noticeShown = false;  // a notice holds the focus: no other window takes it back

// A button that remembers where it was drawn, so that tests can press it as a person would.
bool button(const char* label, float width = 100) {
    const bool pressed = ImGui::Button(label, ImVec2(width, 0));
    const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    buttonPlaces[currentWindow + "/" + label] = {a.x, a.y, b.x, b.y};
    return pressed;
}

// Opens `window` centred when it is brought forward; false while it is closed.
bool beginWindow(Window& window, float width) {
    if (!window.open) return false;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f,
                                   viewport->WorkPos.y + viewport->WorkSize.y * 0.5f),
                            ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(width, 0), ImGuiCond_Appearing);
    if (window.key && !noticeShown) {
        ImGui::SetNextWindowFocus();
        window.key = false;  // focus is taken once; ImGui tracks it from here
    }
    bool open = true;
    currentWindow = window.title;
    const bool shown = ImGui::Begin(window.title.c_str(), &open, ImGuiWindowFlags_NoCollapse);
    window.key = false;
    if (ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows)) window.key = true;
    if (!open) window.close();
    if (!shown) ImGui::End();
    return shown;
}

void checkBox(CheckBox& box) { ImGui::Checkbox(box.title.c_str(), &box.state); }

void slider(Slider& s) {
    ImGui::SliderInt(s.title.c_str(), &s.intValue, s.minimum, s.maximum, "%d", ImGuiSliderFlags_AlwaysClamp);
}

// A radio matrix: one cell on at a time.
void radio(RadioMatrix& matrix, const char* id) {
    ImGui::PushID(id);
    for (int r = 0; r < matrix.rows; ++r)
        for (int c = 0; c < matrix.columns; ++c) {
            if (c > 0) ImGui::SameLine();
            if (ImGui::RadioButton(matrix.titles[r * matrix.columns + c].c_str(), matrix.cellAt(r, c))) {
                matrix.clear();
                matrix.setState(true, r, c);
            }
        }
    ImGui::PopID();
}

bool okCancel(GameController& controller, int okTag, Window& window) {
    ImGui::Separator();
    bool acted = false;
    if (button("Cancel")) {
        controller.fromDialogButtons(kTagCancel, &window);
        acted = true;
    }
    ImGui::SameLine();
    if (button("OK")) {
        controller.fromDialogButtons(okTag);
        acted = true;
    }
    return acted;
}

void textField(GameController& controller, TextField& field, const char* label) {
    if (field.selectRequested) {
        ImGui::SetKeyboardFocusHere();
        field.selectRequested = false;
    }
    if (ImGui::InputText(label, &field.stringValue)) controller.notsaved(&field);
}

// With no world to fly in there is nothing to do but read why and quit: that window alone, in
// front and holding the focus, so its one button answers the first click.
InterfaceRequests drawWorldProblem(const VADArizodazar2& c) {
    InterfaceRequests requests;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f,
                                   viewport->WorkPos.y + viewport->WorkSize.y * 0.4f),
                            ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(std::min(560.0f, viewport->WorkSize.x - 40.0f), 0), ImGuiCond_Always);
    ImGui::SetNextWindowFocus();
    currentWindow = "Pellam cannot fly";
    ImGui::Begin("Pellam cannot fly", nullptr,
                 ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove);
    ImGui::TextWrapped("%s", c.worldProblem.c_str());
    ImGui::TextWrapped("Build the game again (./scripts/run.sh) to make the data folder anew.");
    if (button("Quit")) requests.quit = true;
    ImGui::End();
    return requests;
}

// The oldest notice, kept in front of the other windows until its OK lets the next one show.
void drawNotice(GameInterface& ui) {
    if (ui.notices.empty()) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f,
                                   viewport->WorkPos.y + viewport->WorkSize.y * 0.5f),
                            ImGuiCond_Appearing, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(480, 0), ImGuiCond_Always);
    ImGui::SetNextWindowFocus();
    currentWindow = "Notice";
    if (ImGui::Begin("Notice", nullptr, ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings)) {
        ImGui::TextWrapped("%s", ui.notices.front().c_str());
        ImGui::Separator();
        if (button("OK")) ui.notices.pop_front();
    }
    ImGui::End();
}

}  // namespace

InterfaceRequests drawInterface(VADArizodazar2& c) {
    if (!c.worldProblem.empty()) return drawWorldProblem(c);
    InterfaceRequests requests;
    GameInterface& ui = c.interface();
    noticeShown = !ui.notices.empty();

    // The menus stay out of the way while flying.
    if (!c.gamePause && ImGui::BeginMainMenuBar()) {
        if (ImGui::BeginMenu("Pellam")) {
            if (ImGui::MenuItem("Preferences...")) c.fromMenus(kMenuPreferences);
            if (ImGui::MenuItem("Automatic Messages...")) c.fromMenus(kMenuAutoMessages);
            ImGui::Separator();
            if (ImGui::MenuItem("Full Screen", "F11")) requests.toggleFullScreen = true;
            ImGui::Separator();
            if (ImGui::MenuItem("Quit Pellam", "Ctrl+Q")) requests.quit = true;
            ImGui::EndMenu();
        }
        if (ImGui::BeginMenu("Game")) {
            if (ImGui::MenuItem("Select Mission...")) c.fromMenus(kMenuSelectMission);
            ImGui::EndMenu();
        }
        ImGui::EndMainMenuBar();
    }

    if (beginWindow(ui.toPrefsWindow, 520)) {
        ImGui::TextUnformatted("Flying");
        checkBox(ui.toMousePosFeedback);
        checkBox(ui.toStallLimiter);
        ImGui::TextUnformatted("Display");
        checkBox(ui.toUseSmallWindow);
        checkBox(ui.toAntiAlias);
        checkBox(ui.toTerrainDetailPref);
        checkBox(ui.toVBlankPref);
        ImGui::TextUnformatted("Screen shots");
        radio(ui.toScreenSaveType, "shots");
        ImGui::TextUnformatted("Sound at start-up");
        radio(ui.toInitialSound, "sound");
        checkBox(ui.toOpeningSoundPref);
        slider(ui.toOverallVolume);
        slider(ui.toGunsVolume);
        slider(ui.toEngineVolume);
        slider(ui.toStallHornVolume);
        slider(ui.toOtherItemsVolume);
        ImGui::TextUnformatted("Missions and network");
        checkBox(ui.toPrefsAlwaysReloadUM);
        checkBox(ui.toPrefsDontCheckGames);
        static const double smallest = 0.5, largest = 1.5;
        ImGui::SliderScalar("Message text size", ImGuiDataType_Double, &ui.toNetworkTextSize, &smallest, &largest,
                            "%.2f");
        okCancel(c, kTagPrefsOK, ui.toPrefsWindow);
        ImGui::End();
    }

    if (beginWindow(ui.toAutoMessagesWindow, 560)) {
        ImGui::TextWrapped("Messages sent by the keys for automatic messages during a network game.");
        for (int i = 0; i < 8; ++i) {
            ImGui::PushID(i);
            ImGui::SetNextItemWidth(380);
            textField(c, ui.toAuto[i], ui.toAuto[i].title.c_str());
            ImGui::SameLine();
            checkBox(ui.toAutopp[i]);
            ImGui::PopID();
        }
        okCancel(c, kTagAutoMessagesOK, ui.toAutoMessagesWindow);
        ImGui::End();
    }

    if (beginWindow(ui.toMouseFlying, 420)) {
        ImGui::TextWrapped("No joystick was found, so you fly with the mouse: move it away from the centre "
                           "of the window to bank and to pull or push the stick. The ball shows where the "
                           "stick is.");
        checkBox(ui.toDontShowMF);
        if (button("OK")) c.fromDialogButtons(kTagMouseFlyingOK);
        ImGui::End();
    }

    if (beginWindow(ui.toPilotSignInWindow, 420)) {
        ImGui::TextUnformatted("Choose your pilot.");
        for (int k = 0; k < kPilotCount; ++k) {
            ImGui::PushID(k);
            if (ImGui::RadioButton("##pilot", ui.pilotRadio.cellAt(k, 0))) {
                ui.pilotRadio.clear();
                ui.pilotRadio.setState(true, k, 0);
            }
            ImGui::SameLine();
            textField(c, ui.pilotNameFields[k], "##name");
            ui.pilotFields[k].editing = ImGui::IsItemActive();
            ImGui::PopID();
        }
        ImGui::Separator();
        if (button("Sign In", 120)) c.fromPilotSignInOK();
        ImGui::End();
    } else {
        for (TextField& field : ui.pilotFields) field.editing = false;
    }

    if (beginWindow(c.toMissionWindow, 420)) {
        ImGui::TextUnformatted("The Western front, Europe, 1918.");
        ImGui::Separator();
        if (const missions::MissionTexts* texts = c.currentMissionTexts(); texts && !texts->title.empty()) {
            ImGui::TextUnformatted(texts->title.c_str());
            ImGui::TextWrapped("%s", texts->description.c_str());
        } else {
            ImGui::TextWrapped("This mission could not be read.");
        }
        if (button("Fly", 120)) c.fromFlyMissionButton();
        ImGui::End();
    }

    if (beginWindow(ui.toNotEnoughVRAMWindow, 360)) {
        ImGui::TextUnformatted(ui.toVRAMInWindow.c_str());
        if (button("Quit")) {
            c.fromNotEnoughVRAMQuit();
            requests.quit = true;
        }
        ImGui::End();
    }

    drawNotice(ui);
    return requests;
}

void rememberItemPlace(const std::string& window, const std::string& label) {
    const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    rememberPlace(window, label, {a.x, a.y, b.x, b.y});
}

void rememberPlace(const std::string& window, const std::string& label, const ButtonPlace& place) {
    buttonPlaces[window + "/" + label] = place;
}

const ButtonPlace* placeOfButton(const std::string& window, const std::string& label) {
    const auto it = buttonPlaces.find(window + "/" + label);
    return it == buttonPlaces.end() ? nullptr : &it->second;
}

}  // namespace pellam
