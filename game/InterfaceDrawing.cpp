#include "game/InterfaceDrawing.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string>

#include <imgui.h>
#include <imgui_internal.h>
#include <imgui_stdlib.h>

#include "builder/draw/BuilderWindow.h"
#include "game/Scoring.h"
#include "game/VADArizodazar2.h"
#include "input/InputWindows.h"
#include "platform/hid/ToolkitKeys.h"

namespace pellam {
namespace {
std::map<std::string, ButtonPlace> buttonPlaces;
std::string currentWindow;
// Whether each window had the focus in the last frame it was drawn; forgotten when it closes.
std::map<const Window*, bool> focusedLastFrame;
bool noticeShown = false;  // a notice holds the focus: no other window takes it back

void forgetPlaces(const std::string& window) {
    const std::string prefix = window + "/";
    for (auto it = buttonPlaces.lower_bound(prefix); it != buttonPlaces.end() && it->first.rfind(prefix, 0) == 0;)
        it = buttonPlaces.erase(it);
}
}  // namespace

namespace widgets {

// Where the last control was drawn, so that tests can click it as a person would.
void rememberPlace(const std::string& label) {
    const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    buttonPlaces[currentWindow + "/" + label] = {a.x, a.y, b.x, b.y};
}

bool button(const char* label, float width) {
    const bool pressed = ImGui::Button(label, ImVec2(width, 0));
    rememberPlace(label);
    return pressed;
}

bool beginWindow(Window& window, float width, int flags, Placing placing) {
    if (!window.open) {
        // A closed window has nothing to click: its places go in the first frame it is closed.
        if (focusedLastFrame.erase(&window)) forgetPlaces(window.title);
        return false;
    }
    fitNextWindow(width, 0, placing);
    // Focus is taken when the window is made key, not again while it keeps it: taking it every
    // frame would close the pop-ups it opens.
    bool& focused = focusedLastFrame[&window];
    if (window.key && !focused && !noticeShown) ImGui::SetNextWindowFocus();
    bool open = true;
    currentWindow = window.title;
    // What this frame draws is remembered anew: a control left out no longer has a place.
    forgetPlaces(window.title);
    const bool shown = ImGui::Begin(window.title.c_str(), &open, ImGuiWindowFlags_NoCollapse | flags);
    keepInView();
    focused = ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows);
    window.key = focused;
    if (!open) window.close();
    if (!shown) ImGui::End();
    return shown;
}

void checkBox(CheckBox& box) { ImGui::Checkbox(box.title.c_str(), &box.state); }

// A radio matrix: one cell on at a time.
void radio(RadioMatrix& matrix, const char* id) {
    ImGui::PushID(id);
    for (int r = 0; r < matrix.rows; ++r)
        for (int c = 0; c < matrix.columns; ++c) {
            if (c > 0) ImGui::SameLine();
            const std::string& title = matrix.titles[r * matrix.columns + c];
            if (ImGui::RadioButton(title.c_str(), matrix.cellAt(r, c))) {
                matrix.clear();
                matrix.setState(true, r, c);
            }
            rememberPlace(title);
        }
    ImGui::PopID();
}

}  // namespace widgets

namespace {
using namespace widgets;

// A volume: stored from 1 to 101, shown from 0 to 100 beside the slider, where the handle cannot
// cover it.
void slider(Slider& s) {
    ImGui::PushID(s.title.c_str());
    int shown = std::clamp(s.intValue, s.minimum, s.maximum) - s.minimum;
    ImGui::SetNextItemWidth(260);
    if (ImGui::SliderInt("##level", &shown, 0, s.maximum - s.minimum, "", ImGuiSliderFlags_AlwaysClamp))
        s.intValue = shown + s.minimum;
    rememberPlace(s.title + " slider");
    ImGui::SameLine();
    char line[96];
    std::snprintf(line, sizeof line, "%3d  %s", shown, s.title.c_str());
    ImGui::TextUnformatted(line);
    rememberPlace(line);  // under what it shows, for the windows' tests
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

// A text whose lines end with carriage returns, shown line by line (tabs as spaces); `wrapped`,
// a line too long for the window goes on at a blank on the next.
void multiline(const std::string& text, bool wrapped = false) {
    std::string shown = text;
    for (char& ch : shown) {
        if (ch == '\r') ch = '\n';
        if (ch == '\t') ch = ' ';
    }
    if (wrapped) ImGui::PushTextWrapPos(0.0f);  // at the right of the window's content
    ImGui::TextUnformatted(shown.c_str());
    if (wrapped) ImGui::PopTextWrapPos();
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
    ImGui::TextWrapped("%s", c.missionState().worldProblem.c_str());
    ImGui::TextWrapped("Build the game again (./scripts/run.sh) to make the data folder anew.");
    if (button("Quit")) requests.quit = true;
    ImGui::End();
    return requests;
}

// The oldest notice, kept in front of the other windows until its OK lets the next one show.
void drawNotice(VADArizodazar2& c) {
    GameInterface& ui = c.interface();
    if (ui.notices.empty()) return;
    fitNextWindow(480, 0);
    ImGui::SetNextWindowFocus();
    currentWindow = "Notice";
    if (ImGui::Begin("Notice", nullptr,
                     ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoResize)) {
        keepInView();
        beginBody("text", buttonRowHeight());
        ImGui::TextWrapped("%s", ui.notices.front().c_str());
        endBody();
        ImGui::Separator();
        const bool offersFreshRecords = !ui.freshRecordsNotice.empty() && ui.notices.front() == ui.freshRecordsNotice;
        if (button("OK")) {
            ui.notices.pop_front();
        } else if (offersFreshRecords) {
            ImGui::SameLine();
            if (button("Start fresh records")) {
                ui.notices.pop_front();
                c.startFreshPilotRecords();
            }
        }
    }
    ImGui::End();
}

// The menu bar, out of the way while flying.
void drawMenuBar(VADArizodazar2& c, InterfaceRequests& requests) {
    if (c.isRunning() || !ImGui::BeginMainMenuBar()) return;
    if (ImGui::BeginMenu("Pellam")) {
        if (ImGui::MenuItem("Preferences...")) c.fromMenus(kMenuPreferences);
        if (ImGui::MenuItem("Automatic Messages...")) c.fromMenus(kMenuAutoMessages);
        ImGui::Separator();
        if (ImGui::MenuItem("Full Screen", "F11")) requests.toggleFullScreen = true;
        ImGui::Separator();
        static const std::string quit = menuShortcut('Q', platform::hid::kControlKeyMask);
        if (ImGui::MenuItem("Quit Pellam", quit.c_str())) requests.quit = true;
        ImGui::EndMenu();
    }
    drawMissionMenus(c);
    ImGui::EndMainMenuBar();
}

void drawPreferences(VADArizodazar2& c, GameInterface& ui) {
    if (!beginWindow(ui.toPrefsWindow, 520)) return;
    beginBody("settings", buttonRowHeight());
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
    ImGui::TextUnformatted("Games list server (like games.example.org:8080)");
    rememberPlace("Games list server");
    ImGui::SetNextItemWidth(-1);
    textField(c, ui.toGamesListServer, "##server");
    static const double smallest = 0.5, largest = 1.5;
    ImGui::SliderScalar("Message text size", ImGuiDataType_Double, &ui.toNetworkTextSize, &smallest, &largest,
                        "%.2f");
    endBody();
    okCancel(c, kTagPrefsOK, ui.toPrefsWindow);
    ImGui::End();
}

void drawAutoMessages(VADArizodazar2& c, GameInterface& ui) {
    if (!beginWindow(ui.toAutoMessagesWindow, 560)) return;
    ImGui::TextWrapped("Messages sent by the keys for automatic messages during a network game.");
    const ImGuiStyle& style = ImGui::GetStyle();
    for (int i = 0; i < 8; ++i) {
        ImGui::PushID(i);
        // The field takes what its label and the check box beside it leave of the row (px).
        const float label = style.ItemInnerSpacing.x + ImGui::CalcTextSize(ui.toAuto[i].title.c_str()).x;
        const float box = ImGui::GetFrameHeight() + style.ItemInnerSpacing.x +
                          ImGui::CalcTextSize(ui.toAutopp[i].title.c_str()).x;
        ImGui::SetNextItemWidth(std::max(1.0f, ImGui::GetContentRegionAvail().x - label - style.ItemSpacing.x - box));
        textField(c, ui.toAuto[i], ui.toAuto[i].title.c_str());
        ImGui::SameLine();
        checkBox(ui.toAutopp[i]);
        rememberPlace(ui.toAutopp[i].title + " " + std::to_string(i + 1));
        ImGui::PopID();
    }
    okCancel(c, kTagAutoMessagesOK, ui.toAutoMessagesWindow);
    ImGui::End();
}

void drawMouseFlying(VADArizodazar2& c, GameInterface& ui) {
    // Over the flight, at the foot of the view: off the gun sight and the captions at the top
    // (Paused), where the menu bar coming and going does not move it; the dialogs that end the
    // flight keep clear of it.
    if (!beginWindow(ui.toMouseFlying, 420, 0, {.atFoot = true})) return;
    ImGui::TextWrapped("No joystick was found, so you fly with the mouse: move it away from the centre "
                       "of the window to bank and to pull or push the stick. The ball shows where the "
                       "stick is.");
    checkBox(ui.toDontShowMF);
    if (button("OK")) c.fromDialogButtons(kTagMouseFlyingOK);
    ImGui::End();
}

// The window's texts break lines with carriage returns; a table cell shows one line.
std::string oneLine(std::string text) {
    for (char& ch : text)
        if (ch == '\r') ch = '/';
    return text;
}

// The record columns of the sign-in window and, for pilot `k`, what each shows.
constexpr std::array<const char*, 5> kRecordHeads = {"Hours/Days/Score", "Lives", "Kills/Deaths", "Ratio", "Online"};
std::array<std::string, 5> pilotRecord(const GameInterface& ui, int k) {
    return {ui.PScore[k], ui.toPilotLives[k], oneLine(ui.KD[k]), ui.KDR[k], oneLine(ui.OKD[k]) + "  " + ui.OKDR[k]};
}

// Pilot `k`'s row: the choice, the name to edit, then the record. `nameWidth` px; below 0, the column's.
void drawPilotRow(VADArizodazar2& c, GameInterface& ui, int k, float nameWidth) {
    ImGui::PushID(k);
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    if (ImGui::RadioButton("##pilot", ui.pilotRadio.cellAt(k, 0))) {
        ui.pilotRadio.clear();
        ui.pilotRadio.setState(true, k, 0);
    }
    ImGui::TableNextColumn();
    ImGui::SetNextItemWidth(nameWidth);
    textField(c, ui.pilotNameFields[k], "##name");
    ui.pilotFields[k].editing = ImGui::IsItemActive();
    rememberPlace("Name " + std::to_string(k + 1));
    for (const std::string& text : pilotRecord(ui, k)) {
        ImGui::TableNextColumn();
        ImGui::TextUnformatted(text.c_str());
    }
    ImGui::PopID();
}

// Whether a record (or its heading) is wider than the share of the window each column has when
// the name and the five record columns share it alike.
bool recordsOutgrowAShare(const GameInterface& ui) {
    const ImGuiStyle& style = ImGui::GetStyle();
    // Each column's pitch, less its padding on the left: a text's last advance is blank.
    const float pad = style.CellPadding.x;
    const float share = (ImGui::GetContentRegionAvail().x - ImGui::GetFrameHeight() - 2 * pad) / 6 - pad;
    for (const char* head : kRecordHeads)
        if (ImGui::CalcTextSize(head).x > share) return true;
    for (int k = 0; k < kPilotCount; ++k)
        for (const std::string& text : pilotRecord(ui, k))
            if (ImGui::CalcTextSize(text.c_str()).x > share) return true;
    return false;
}

void drawPilotSignIn(VADArizodazar2& c, GameInterface& ui) {
    if (!beginWindow(ui.toPilotSignInWindow, 820)) {
        for (TextField& field : ui.pilotFields) field.editing = false;  // a closed window edits nothing
        return;
    }
    ImGui::TextUnformatted("Choose your pilot.");
    // The name and the record columns share the width alike, unless a record would be cut: then
    // each record column takes what it shows, and the names what is left.
    const bool fitted = recordsOutgrowAShare(ui);
    if (ImGui::BeginTable("pilots", 7)) {
        ImGui::TableSetupColumn("", ImGuiTableColumnFlags_WidthFixed);
        ImGui::TableSetupColumn("Name", ImGuiTableColumnFlags_WidthStretch);
        for (const char* head : kRecordHeads)
            ImGui::TableSetupColumn(head, fitted ? ImGuiTableColumnFlags_WidthFixed : ImGuiTableColumnFlags_WidthStretch);
        ImGui::TableHeadersRow();
        for (int k = 0; k < kPilotCount; ++k) drawPilotRow(c, ui, k, fitted ? -FLT_MIN : 160);
        ImGui::EndTable();
    }
    ImGui::Separator();
    if (button("Statistics", 120)) c.fromSelectedPlayersStats();
    ImGui::SameLine();
    if (button("Clear Statistics", 140)) c.fromClearStats();
    ImGui::SameLine();
    if (button("Sign In", 120)) c.fromPlayerSignInOkay();
    ImGui::End();
}

void drawClearStatistics(VADArizodazar2& c, GameInterface& ui) {
    if (!beginWindow(ui.toClearPStats, 360)) return;
    ImGui::TextWrapped("Clear this pilot's statistics and won missions? This cannot be undone.");
    if (button("Cancel")) c.fromCancelClearStats();
    ImGui::SameLine();
    if (button("Clear")) c.fromClearStatsOkayButton();
    ImGui::End();
}

// The two fields' counts by the category each counts (left 1, 2, 3, 5..10; right 11..17, 19, 18),
// shown under the names of what they count; categories no object scores in stay out unless a
// count was somehow kept there.
void drawCategoryCounts(const GameInterface& ui) {
    static constexpr int kCategories[2][9] = {{1, 2, 3, 5, 6, 7, 8, 9, 10}, {11, 12, 13, 14, 15, 16, 17, 19, 18}};
    int shown = 0;
    for (int side = 0; side < 2; ++side) {
        const std::string& field = side == 0 ? ui.toPSItemsLeft : ui.toPSItemsRight;
        size_t at = 0;
        for (int k = 0; k < 9 && at < field.size(); ++k) {
            const size_t end = std::min(field.find('\r', at), field.size());
            const std::string count = field.substr(at, end - at);
            at = end + 1;
            const char* name = scoring::objectCategoryName(kCategories[side][k]);
            if (!name && (count.empty() || count == "0")) continue;
            if (shown++ % 2 != 0) ImGui::SameLine(230);
            ImGui::Text("%-21s %6s", name ? name : "Other objects", count.c_str());
            rememberPlace(name ? name : "Other objects");
        }
    }
}

void drawPilotStatistics(GameInterface& ui) {
    if (!beginWindow(ui.toPSWindow, 460)) return;
    multiline(ui.toPSNameScore);
    multiline(ui.toPSFTRank);
    ImGui::Separator();
    drawCategoryCounts(ui);
    ImGui::Separator();
    ImGui::TextUnformatted("Missions won:");
    multiline(ui.toPSComMis);
    if (button("OK")) ui.toPSWindow.close();
    ImGui::End();
}

void drawGameOver(VADArizodazar2& c, GameInterface& ui) {
    if (!beginWindow(ui.toGameOverWindow, 560, 0, {.clearOf = &ui.toMouseFlying})) return;
    ImGui::TextUnformatted(ui.toYouWonOrLost.c_str());
    ImGui::Separator();
    beginBody("message", buttonRowHeight());
    multiline(ui.toYouWonOrLostMessage, true);
    endBody();
    ImGui::Separator();
    if (button("OK")) c.fromMissionEndOkayButton();
    if (ui.restartButtonX >= 0.0f) {  // out of sight in network games
        ImGui::SameLine();
        if (button("Restart")) c.fromRestartMissionButton();
    }
    ImGui::End();
}

void drawPilotDied(GameInterface& ui) {
    if (!beginWindow(ui.toPilotDied, 360, 0, {.clearOf = &ui.toMouseFlying})) return;
    ImGui::TextWrapped("Your pilot has been killed. His career begins again with one life.");
    if (button("OK")) ui.toPilotDied.close();
    ImGui::End();
}

void drawNotEnoughVideoMemory(VADArizodazar2& c, GameInterface& ui, InterfaceRequests& requests) {
    if (!beginWindow(ui.toNotEnoughVRAMWindow, 360)) return;
    ImGui::TextUnformatted(ui.toVRAMInWindow.c_str());
    if (button("Quit")) {
        c.fromNotEnoughVRAMQuit();
        requests.quit = true;
    }
    ImGui::End();
}

}  // namespace

// One frame of the interface, in this order, and why:
//   1. a missing world     that window alone, nothing else can be done
//   2. menu bar            hidden while flying
//   3. mission builder     before the other windows: its open panel may show before its window
//   4. the game's windows  preferences, messages, mouse flying, sign-in, missions, lobby, the pilot's
//                          records, game over; each draws only while open
//   5. notice              last, so it stays in front and keeps the focus until its OK
InterfaceRequests drawInterface(VADArizodazar2& c) {
    if (!c.missionState().worldProblem.empty()) return drawWorldProblem(c);
    InterfaceRequests requests;
    GameInterface& ui = c.interface();
    noticeShown = !ui.notices.empty();

    drawMenuBar(c, requests);
    builderdraw::drawBuilderWindow(c.missionBuilder());
    drawPreferences(c, ui);
    drawAutoMessages(c, ui);
    drawMouseFlying(c, ui);
    drawPilotSignIn(c, ui);
    drawMissionWindows(c);
    drawLobbyWindows(c);
    drawClearStatistics(c, ui);
    drawPilotStatistics(ui);
    drawGameOver(c, ui);
    drawPilotDied(ui);
    drawNotEnoughVideoMemory(c, ui, requests);
    drawNotice(c);
    return requests;
}

std::string menuShortcut(uint32_t key, uint32_t modifiers) {
    input::KeyboardCommandList binding;
    binding.PrimaryKeyStroke = key;
    binding.Modifiers = modifiers;
    return input::keyComboText(binding);
}

void rememberItemPlace(const std::string& window, const std::string& label) {
    const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    rememberPlace(window, label, {a.x, a.y, b.x, b.y});
}

void rememberPlace(const std::string& window, const std::string& label, const ButtonPlace& place) {
    buttonPlaces[window + "/" + label] = place;
}

const ButtonPlace* placeOfWindow(const std::string& window) {
    // Only a window ImGui drew in the last frame: the input windows keep no places of their own.
    const ImGuiWindow* w = ImGui::GetCurrentContext() ? ImGui::FindWindowByName(window.c_str()) : nullptr;
    return w && w->Active ? placeOfButton(window, "") : nullptr;
}

const ButtonPlace* placeOfButton(const std::string& window, const std::string& label) {
    const auto it = buttonPlaces.find(window + "/" + label);
    return it == buttonPlaces.end() ? nullptr : &it->second;
}

}  // namespace pellam
