// The mission window with its menu, description, picture, aircraft and winds; the dogfight window;
// the About panel; and the Game and Help menus whose items the controller enables.
#include <map>
#include <string>

#include <imgui.h>

#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/Log.h"
#include "platform/RegularFile.h"
#include "render/ImageFiles.h"
#include "render/ImageTexture.h"

namespace pellam {
namespace {
using namespace widgets;

// Pictures shown in the windows, uploaded once each for the run.
struct Picture {
    uint32_t texture = 0;
    int width = 0, height = 0;
};

// A picture file is read when first shown, at the size it is shown (`boxWidth` x `boxHeight`),
// whatever it holds.
const Picture& pictureOf(const std::string& path, int boxWidth, int boxHeight) {
    static std::map<std::string, Picture> pictures;
    auto [it, added] = pictures.try_emplace(path);
    if (added && platform::isRegularFile(path)) {
        platform::RGBAImage image;
        std::string why;
        if (render::readShownPicture(path, image, boxWidth, boxHeight, why) == render::PictureRead::kRead)
            it->second = {render::uploadImageTexture(image), image.width, image.height};
        else
            platform::logMessage("The picture " + path + " is not shown: " + why + ".");
    }
    return it->second;
}

// Fits the picture into a box of `width` by `height` pixels, keeping its shape.
void showPicture(const Picture& picture, float width, float height) {
    if (picture.texture == 0) {
        ImGui::Dummy(ImVec2(width, height));
        return;
    }
    const float scale = std::min(width / picture.width, height / picture.height);
    ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(picture.texture)),
                 ImVec2(picture.width * scale, picture.height * scale));
}

// A one-column radio matrix laid out on one line, to keep the eight slots' rows short.
void radioOnOneLine(RadioMatrix& matrix, const char* id) {
    ImGui::PushID(id);
    for (int r = 0; r < matrix.rows; ++r) {
        if (r > 0) ImGui::SameLine();
        if (ImGui::RadioButton(matrix.titles[r].c_str(), matrix.cellAt(r, 0))) {
            matrix.clear();
            matrix.setState(true, r, 0);
        }
    }
    ImGui::PopID();
}

// A radio matrix shown as a pop-up of its cells' titles, where a view has no room for its cells.
void radioPopUp(RadioMatrix& matrix, const char* id) {
    const ImGuiStyle& style = ImGui::GetStyle();
    float widest = 0;
    for (const std::string& title : matrix.titles) widest = std::max(widest, ImGui::CalcTextSize(title.c_str()).x);
    ImGui::SetNextItemWidth(widest + style.FramePadding.x * 2 + ImGui::GetFrameHeight());
    size_t on = 0;
    while (on < matrix.cells.size() && !matrix.cells[on]) ++on;
    if (ImGui::BeginCombo(id, on < matrix.titles.size() ? matrix.titles[on].c_str() : "")) {
        for (size_t k = 0; k < matrix.cells.size() && k < matrix.titles.size(); ++k)
            if (ImGui::Selectable(matrix.titles[k].c_str(), k == on)) {
                matrix.clear();
                matrix.cells[k] = true;
            }
        ImGui::EndCombo();
    }
}

void aircraftPopUp(AircraftPopUp& popUp, const char* id, float width) {
    ImGui::SetNextItemWidth(width);
    if (ImGui::BeginCombo(id, AircraftPopUp::kTitles[popUp.selectedTag() == 1001 ? 4 : popUp.selected])) {
        for (int k = 0; k < 5; ++k) {
            if (k == 3) {
                ImGui::Separator();
                continue;
            }
            if (ImGui::Selectable(AircraftPopUp::kTitles[k], popUp.selected == k)) popUp.selected = k;
        }
        ImGui::EndCombo();
    }
}

void missionMenuPopUp(VADArizodazar2& c) {
    missions::MissionMenu& menu = c.missionWindowControls().toMissionMenuPopUp;
    const int selected = menu.selected;
    const char* preview =
        selected >= 0 && selected < static_cast<int>(menu.items.size()) ? menu.items[selected].title.c_str() : "";
    ImGui::SetNextItemWidth(-1);
    const bool open = ImGui::BeginCombo("##mission", preview, ImGuiComboFlags_HeightLargest);
    rememberPlace("Mission");
    if (!open) return;
    for (size_t p = 0; p < menu.items.size(); ++p) {
        const missions::MenuItem& item = menu.items[p];
        ImGui::PushID(static_cast<int>(p));
        const ImGuiSelectableFlags flags = item.enabled ? 0 : ImGuiSelectableFlags_Disabled;
        if (ImGui::Selectable(item.title.c_str(), static_cast<int>(p) == selected, flags))
            c.fromMissionMenu(static_cast<int>(p));
        rememberPlace(item.title);
        ImGui::PopID();
    }
    ImGui::EndCombo();
}

void drawMissionWindow(VADArizodazar2& c) {
    MissionWindowControls& w = c.missionWindowControls();
    // Its height follows the aircraft pickers the mission flies, so its buttons are never scrolled away.
    if (!beginWindow(w.toSelectMission, 760, ImGuiWindowFlags_AlwaysAutoResize)) return;
    // The description beside the map, and four pickers to a line, take 728 px; a narrower view
    // shrinks them alike (the map keeps its shape).
    const float scale = std::min(1.0f, widestContent() / 728.0f);
    // Escape closes it as its close box does (an open pop-up takes the first Escape itself).
    if (ImGui::IsWindowFocused(ImGuiFocusedFlags_RootAndChildWindows) &&
        ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false)) {
        w.toSelectMission.close();
        ImGui::End();
        return;
    }
    missionMenuPopUp(c);
    ImGui::Separator();
    ImGui::BeginGroup();
    ImGui::BeginChild("description", ImVec2(400 * scale, 240 * scale), true);
    ImGui::TextWrapped("%s", w.toMissionDescription.c_str());
    ImGui::EndChild();
    ImGui::TextUnformatted(w.toPrevailingWinds.c_str());
    ImGui::EndGroup();
    ImGui::SameLine();
    // The picture is read at its largest box, whatever the view, and shown in the box it has.
    if (!w.toMissionMap.empty()) showPicture(pictureOf(w.toMissionMap, 320, 240), 320 * scale, 240 * scale);
    else ImGui::Dummy(ImVec2(320 * scale, 240 * scale));
    ImGui::Separator();
    ImGui::TextUnformatted("Aircraft (the first is yours)");
    int shown = 0;  // only the slots the mission flies, four to a line
    for (int k = 0; k < 8; ++k) {
        if (!w.inMission[k]) continue;
        if (shown++ % 4 != 0) ImGui::SameLine();
        ImGui::PushID(k);
        aircraftPopUp(w.MissionType[k], "##type", 170 * scale);
        rememberPlace("Aircraft " + std::to_string(k + 1));
        ImGui::PopID();
    }
    checkBox(w.toIDMission);
    ImGui::SameLine();
    checkBox(w.toCloseUpIDMission);
    ImGui::Separator();
    if (button("Quick Dogfight", 160)) c.fromFlyQuickDogfightButton();
    ImGui::SameLine();
    if (button("Fly Mission", 160)) c.fromFlyMissionButton();
    ImGui::End();
}

// Each slot's choices, a row of the table; in a narrow view the team and the skill are pop-ups.
void drawDogfightSlot(DogfightWindowControls& d, int n, bool narrow) {
    ImGui::PushID(n);
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(n == 0 ? "You" : ("Aircraft " + std::to_string(n + 1)).c_str());
    ImGui::SameLine(90);
    aircraftPopUp(d.DOAircraftType[n], "##type", narrow ? 140 : 150);
    ImGui::TableNextColumn();
    if (narrow) radioPopUp(d.DOTeam[n], "##team");
    else radioOnOneLine(d.DOTeam[n], "team");
    ImGui::TableNextColumn();
    if (narrow) radioPopUp(d.DOSkillLevel[n], "##skill");
    else radioOnOneLine(d.DOSkillLevel[n], "skill");
    ImGui::TableNextColumn();
    if (narrow) ImGui::Checkbox("##bombs", &d.DOBombs[n].state);  // the column's heading names it
    else checkBox(d.DOBombs[n]);
    ImGui::TableNextColumn();
    if (n > 0) radio(d.DOOnOff[n], "onoff");
    ImGui::PopID();
}

void drawDogfightWindow(VADArizodazar2& c) {
    DogfightWindowControls& d = c.dogfightWindowControls();
    constexpr float kWidth = 1000;  // px: every choice a row of radio buttons
    if (!beginWindow(d.toDogfightOnlyWindow, kWidth)) return;
    const bool narrow = ImGui::GetWindowWidth() < kWidth;
    if (ImGui::BeginTable("slots", 5, ImGuiTableFlags_Borders | ImGuiTableFlags_SizingFixedFit)) {
        for (const char* heading : {"Aircraft", "Team", "Skill", "Bombs", "In play"})
            ImGui::TableSetupColumn(heading);
        ImGui::TableHeadersRow();
        for (int n = 0; n < 8; ++n) drawDogfightSlot(d, n, narrow);
        ImGui::EndTable();
    }
    ImGui::SetNextItemWidth(120);
    ImGui::InputInt("Kills to win (1 to 100)", &d.toDogfightKills);
    checkBox(d.toIDDogfight);
    ImGui::SameLine();
    checkBox(d.toCloseUpIDDogfight);
    if (narrow) {  // the four rules as pop-ups, two to a line
        radioPopUp(d.toAirGroundStart, "##start");
        ImGui::SameLine();
        radioPopUp(d.toDogRestartType, "##restart");
        radioPopUp(d.toDogCameraRule, "##camera");
        ImGui::SameLine();
        radioPopUp(d.toDogIndTeamKills, "##kills");
    } else {
        radio(d.toAirGroundStart, "start");
        radio(d.toDogRestartType, "restart");
        radio(d.toDogCameraRule, "camera");
        radio(d.toDogIndTeamKills, "kills");
    }
    ImGui::Separator();
    if (button("Fly Dogfight", 160)) c.fromDoQuickDogfight();
    ImGui::End();
}

void drawAboutPanel(VADArizodazar2& c) {
    AboutPanelControls& a = c.aboutPanel();
    if (!beginWindow(a.toCustomAboutBox, 480)) return;
    // The loading picture's own scene: its top 620 of 1,024 rows (a margin kept from the edge). The
    // rows below hold the loading label and the bar's marker on the magenta colour key.
    constexpr int kWhole = platform::kLargestShownPicture;  // px: the picture as drawn, uncut
    const Picture& logo = pictureOf(a.toAboutIcon, kWhole, kWhole);
    constexpr float kLeft = 0.005f, kBottom = 616.0f / 1024.0f, kWidth = 440.0f;
    if (logo.texture != 0) {
        const float shown = kWidth * (kBottom * logo.height) / ((1.0f - kLeft) * logo.width);
        ImGui::Image(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(logo.texture)), ImVec2(kWidth, shown),
                     ImVec2(kLeft, 0.0f), ImVec2(1.0f, kBottom));
        rememberPlace("Logo");
    }
    ImGui::Text("Pellam\nVersion %s", a.toAboutVersion.c_str());
    ImGui::Separator();
    ImGui::TextWrapped("%s", a.toAboutCredits.c_str());
    ImGui::End();
}

void drawBadNews(VADArizodazar2& c) {
    if (!beginWindow(c.badNewsWindow(), 420)) return;
    ImGui::TextWrapped("The host is flying one of its own missions, and it is not among yours. Ask the host "
                       "for the mission file and put it into \"Necessary Data/Missions\".");
    if (button("OK")) c.badNewsWindow().close();
    ImGui::End();
}

}  // namespace

void drawMissionMenus(VADArizodazar2& c) {
    const bool gameOpen = ImGui::BeginMenu("Game");
    rememberItemPlace("Menu", "Game");
    if (gameOpen) {
        const bool select = ImGui::MenuItem("Select Mission...", nullptr, false, c.validateMenuItem(kMenuSelectMission));
        rememberItemPlace("Game", "Select Mission...");
        if (select) c.fromMenus(kMenuSelectMission);
        if (ImGui::MenuItem("Pilot Sign-In...")) c.fromPilotSignInMenu();
        drawNetworkGameMenuItem(c);
        ImGui::EndMenu();
    }
    const bool builderMenu = ImGui::BeginMenu("Mission Builder");
    rememberItemPlace("Menu", "Mission Builder");
    if (builderMenu) {
        const bool chosen = ImGui::MenuItem("New Mission", nullptr, false, c.validateMenuItem(kMenuOpenBuilder));
        rememberItemPlace("Mission Builder", "New Mission");
        if (chosen) c.fromMenus(kMenuOpenBuilder);
        if (ImGui::MenuItem("Open Mission...", nullptr, false, c.validateMenuItem(kMenuOpenInBuilder)))
            c.fromMenus(kMenuOpenInBuilder);
        const std::string last = c.lastMissionTitle();
        if (ImGui::MenuItem(last.empty() ? "Open Last Mission" : last.c_str(), nullptr, false,
                            c.validateMenuItem(kMenuOpenLastMission)))
            c.fromMenus(kMenuOpenLastMission);
        if (ImGui::MenuItem("Close Mission Builder", nullptr, false, c.validateMenuItem(kMenuCloseBuilder)))
            c.fromMenus(kMenuCloseBuilder);
        ImGui::Separator();
        if (ImGui::MenuItem("Delete Selected Item", nullptr, false, c.validateMenuItem(kMenuDeleteBuilderObject)))
            c.fromMenus(kMenuDeleteBuilderObject);
        ImGui::EndMenu();
    }
    if (ImGui::BeginMenu("Help")) {
        if (ImGui::MenuItem("Pellam Manual")) c.fromHelpMenu();
        if (ImGui::MenuItem("About Pellam")) c.openAboutPanelPellam();
        ImGui::EndMenu();
    }
}

void drawMissionWindows(VADArizodazar2& c) {
    drawMissionWindow(c);
    drawDogfightWindow(c);
    drawAboutPanel(c);
    drawBadNews(c);
}

}  // namespace pellam
