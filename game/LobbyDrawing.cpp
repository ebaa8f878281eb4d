// The lobby's windows with Dear ImGui: the host/join window, the join window with the table of
// public games, and the end dialog; and the Game menu's network-game item.
#include <algorithm>

#include <imgui.h>
#include <imgui_stdlib.h>

#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "game/MissionWindows.h"

namespace pellam {
namespace {
using namespace widgets;

// True when the text was changed this frame.
bool field(TextField& field, const char* label, const char* place, float width) {
    if (field.selectRequested) {
        ImGui::SetKeyboardFocusHere();
        field.selectRequested = false;
    }
    ImGui::SetNextItemWidth(width);
    const bool edited = ImGui::InputText(label, &field.stringValue, ImGuiInputTextFlags_AutoSelectAll);
    rememberPlace(place);
    return edited;
}

// The reason a field was refused, on a line kept for it whether or not there is one, so the
// window's buttons stay where its first frame measured them.
void problem(const std::string& text) {
    if (text.empty()) ImGui::Dummy(ImVec2(0, ImGui::GetTextLineHeight()));
    else ImGui::TextColored(ImVec4(0.9f, 0.3f, 0.2f, 1), "%s", text.c_str());
}

void drawHostJoinWindow(VADArizodazar2& c) {
    LobbyControls& l = c.lobbyControls();
    if (!beginWindow(l.toHostJoinWindow2, 460)) return;
    field(l.toPortNumber2, "UDP port", "Port", 100);
    problem(l.portProblem);
    ImGui::Separator();
    ImGui::TextUnformatted("Hosting");
    checkBox(c.interface().toListGamePublicly);
    rememberPlace("List publicly");
    ImGui::TextUnformatted("Message for the games list:");
    ImGui::InputTextMultiline("##message", &l.toHostMessage, ImVec2(-1, 70));
    rememberPlace("Message");
    checkBox(l.toAutoHost);
    rememberPlace("Host unattended");
    ImGui::BeginDisabled(!l.toAutoHost.state);
    checkBox(l.toAutoHostAutoPilot);
    ImGui::EndDisabled();
    ImGui::Separator();
    if (button("Cancel")) l.toHostJoinWindow2.close();
    ImGui::SameLine();
    if (button("Join...")) c.fromNetworkGameJoinButton();
    ImGui::SameLine();
    if (button("Host")) c.fromHostNetworkGameButton();
    ImGui::End();
}

void drawJoinTable(VADArizodazar2& c) {
    const ImGuiTableFlags flags = ImGuiTableFlags_Borders | ImGuiTableFlags_RowBg | ImGuiTableFlags_ScrollY;
    // 260 px of games, or what the view leaves above the window's buttons (a few rows at least).
    const float height = std::clamp(roomLeft(buttonRowHeight()), ImGui::GetFrameHeightWithSpacing() * 4, 260.0f);
    if (!ImGui::BeginTable("games", 5, flags, ImVec2(-1, height))) return;
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableSetupColumn("#", ImGuiTableColumnFlags_WidthFixed, 28);
    ImGui::TableSetupColumn("Host", ImGuiTableColumnFlags_WidthFixed, 130);
    ImGui::TableSetupColumn("Message", ImGuiTableColumnFlags_WidthStretch);
    ImGui::TableSetupColumn("Players", ImGuiTableColumnFlags_WidthFixed, 80);
    ImGui::TableSetupColumn("", ImGuiTableColumnFlags_WidthFixed, 50);
    ImGui::TableHeadersRow();
    const int rows = c.joinTableRows();
    for (int r = 0; r < rows; ++r) {
        ImGui::PushID(r);
        ImGui::TableNextRow();
        ImGui::TableNextColumn();
        const std::string number = c.joinTableValue(0, r);
        if (ImGui::Selectable(number.c_str(), c.lobbySettings().JoinerPublicRow == r && c.lobbySettings().currentNumberOfPublicGames > 0,
                              ImGuiSelectableFlags_SpanAllColumns | ImGuiSelectableFlags_AllowItemOverlap))
            c.joinTableShouldSelectRow(r);
        for (int column = 1; column <= 3; ++column) {
            ImGui::TableNextColumn();
            const std::string text = c.joinTableValue(column, r);
            if (column == 2)
                ImGui::TextWrapped("%s", text.c_str());
            else
                ImGui::TextUnformatted(text.c_str());
        }
        ImGui::TableNextColumn();
        // A game's row has a button that chooses the row and joins that game; the row that only
        // says why there are none has no button.
        if (r < c.lobbySettings().currentNumberOfPublicGames) {
            if (button("Join", 44)) {
                c.joinTableShouldSelectRow(r);
                c.buttonAction();
            }
            rememberPlace("Join row " + std::to_string(r + 1));
        }
        ImGui::PopID();
    }
    ImGui::EndTable();
}

void drawJoinWindow(VADArizodazar2& c) {
    LobbyControls& l = c.lobbyControls();
    if (!beginWindow(l.toNewJoinerWindow, 720)) return;
    if (field(l.toNewIPAddress, "Host's address (like 192.168.1.20, or 192.168.1.20:12301)", "Address", 160))
        c.joinAddressEdited();
    problem(l.addressProblem);
    ImGui::TextUnformatted("Team");
    ImGui::SameLine();
    radio(l.toNewJoinTeamRequest, "team");
    ImGui::SetNextItemWidth(180);
    if (ImGui::BeginCombo("Aircraft", LobbyControls::kAircraftTitles[std::clamp(l.toNewJoinerAircraftType, 0, 2)])) {
        for (int k = 0; k < 3; ++k)
            if (ImGui::Selectable(LobbyControls::kAircraftTitles[k], l.toNewJoinerAircraftType == k))
                l.toNewJoinerAircraftType = k;
        ImGui::EndCombo();
    }
    ImGui::Separator();
    ImGui::TextUnformatted("Public games");
    ImGui::SameLine();
    checkBox(l.toDontCheckGames);
    ImGui::SameLine();
    ImGui::BeginDisabled(!l.toJoinRefreshEnabled);
    if (button("Refresh")) c.fromRefreshButton();
    ImGui::EndDisabled();
    if (const std::string stale = c.staleGamesNotice(); !stale.empty()) {
        ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.9f, 0.3f, 0.2f, 1));
        ImGui::TextWrapped("%s", stale.c_str());
        ImGui::PopStyleColor();
    }
    drawJoinTable(c);
    ImGui::Separator();
    if (button("Cancel")) l.toNewJoinerWindow.close();
    ImGui::SameLine();
    if (button("Join")) c.fromJoinButton();
    ImGui::End();
}

void drawEndDialog(VADArizodazar2& c) {
    LobbyControls& l = c.lobbyControls();
    if (!beginWindow(l.toEndNetworkGameDialog, 360)) return;
    ImGui::TextWrapped("End the network game? The other players are told you have left.");
    if (button("Cancel")) l.toEndNetworkGameDialog.close();
    ImGui::SameLine();
    if (button("OK")) c.fromEndNetworkGameOkay();
    ImGui::End();
}

}  // namespace

void drawNetworkGameMenuItem(VADArizodazar2& c) {
    if (ImGui::MenuItem(c.networkMenuTitle().c_str(), nullptr, false, c.validateMenuItem(kMenuNetworkGame)))
        c.fromStartNetworkGame();
    rememberItemPlace("Game", "Network Game");
}

void drawLobbyWindows(VADArizodazar2& c) {
    drawHostJoinWindow(c);
    drawJoinWindow(c);
    drawEndDialog(c);
}

}  // namespace pellam
