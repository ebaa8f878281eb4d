#include "builder/draw/EditingTabs.h"

#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "builder/FileSheets.h"
#include "builder/MissionBuilder.h"
#include "builder/ObjectEditing.h"
#include "builder/PathTable.h"
#include "builder/draw/WrappedText.h"

namespace pellam::builderdraw {
namespace {

using builder::AircraftPage;
using builder::BuilderControls;
using builder::MissionBuilder;

bool button(const char* label, const std::string& place) {
    const bool pressed = ImGui::Button(label);
    rememberBuilderItem(place);
    return pressed;
}

// A field drawn with its label to its right, so that the field alone is the item remembered
// under `place`; `label` may carry an "##" suffix, not shown. Answers whether editing ended
// with a change.
template <class Field>
bool labelledField(const char* label, const std::string& place, float width, Field field) {
    ImGui::PushID(place.c_str());
    fitNextItem(width, label);
    field();
    rememberBuilderItem(place);
    const bool done = ImGui::IsItemDeactivatedAfterEdit();
    ImGui::PopID();
    const std::string shown(label, std::string_view(label).find("##") == std::string_view::npos
                                       ? std::strlen(label)
                                       : std::string_view(label).find("##"));
    ImGui::SameLine();
    ImGui::TextUnformatted(shown.c_str());
    return done;
}

// A text field whose action runs when editing ends (Return or leaving it), or with `onReturn` on
// Return alone; typing marks the mission unsaved.
void textField(MissionBuilder& b, const char* label, std::string& text, int tag, const std::string& place,
               float width = 200, bool onReturn = false) {
    bool typed = false, returned = false;
    const bool done = labelledField(label, place, width, [&] {
        const ImGuiInputTextFlags flags = onReturn ? ImGuiInputTextFlags_EnterReturnsTrue : 0;
        returned = ImGui::InputText("##field", &text, ImGuiInputTextFlags_AutoSelectAll | flags);
        typed = ImGui::IsItemEdited();
    });
    if (typed) b.notsaved();
    if (tag && (onReturn ? returned : done)) b.fromMBMenu(tag);
}

// A number field read when saving (or acting on its tag when it has one).
void numberField(MissionBuilder& b, const char* label, int& value, const std::string& place, int tag = 0) {
    bool typed = false;
    const bool done = labelledField(label, place, 120, [&] {
        typed = ImGui::InputInt("##field", &value, 0, 0);
    });
    if (typed) b.notsaved();
    if (tag && done) b.fromMBMenu(tag);
}

// One of the mission's texts, whose lines end with carriage returns as the game shows them. It is
// edited with line feeds in a box across the page whose long lines wrap; a new mission's
// placeholder stands greyed beside the label (or under it) and the box starts empty, so what is
// typed replaces it.
void missionText(MissionBuilder& b, const char* label, std::string& text, const std::string& place) {
    ImGui::TextUnformatted(label);
    const bool placeholder = text == "No Description Yet" || text == "No Message Yet";
    if (placeholder) {
        const std::string greyed = "(" + text + ")";
        sameLineIfRoom(ImGui::CalcTextSize(greyed.c_str()).x);
        ImGui::TextDisabled("%s", greyed.c_str());
    }
    std::string shown = placeholder ? std::string() : text;
    std::replace(shown.begin(), shown.end(), '\r', '\n');
    if (wrappedTextField(place.c_str(), shown, 56)) {
        std::replace(shown.begin(), shown.end(), '\n', '\r');
        text = shown;
        b.notsaved();
    }
    rememberBuilderItem(place);
}

// A row of radio buttons choosing a column, going on below where the page is too narrow.
void radios(MissionBuilder& b, const char* id, int& column, std::initializer_list<const char*> titles) {
    ImGui::PushID(id);
    const float box = ImGui::GetFrameHeight() + ImGui::GetStyle().ItemInnerSpacing.x;  // px before a title
    int k = 0;
    for (const char* title : titles) {
        if (k > 0) sameLineIfRoom(box + ImGui::CalcTextSize(title).x);
        if (ImGui::RadioButton(title, column == k)) {
            column = k;
            b.notsaved();
        }
        rememberBuilderItem(std::string(id) + "/" + title);
        ++k;
    }
    ImGui::PopID();
}

// A pop-up of items chosen by position; answers whether the choice changed or, with `anyChoice`,
// whether an item was chosen.
template <size_t N>
bool popUp(const char* label, int& item, const std::array<const char*, N>& titles, const std::string& place,
           bool anyChoice = false) {
    item = std::clamp(item, 0, static_cast<int>(N) - 1);
    bool changed = false;
    fitNextItem(200, label);
    if (ImGui::BeginCombo(label, titles[item])) {
        for (int i = 0; i < static_cast<int>(N); ++i) {
            if (!*titles[i]) continue;  // a separator
            if (ImGui::Selectable(titles[i], i == item)) {
                changed = anyChoice || i != item;
                item = i;
            }
            rememberBuilderItem(place + "/" + titles[i]);
        }
        ImGui::EndCombo();
    }
    rememberBuilderItem(place);
    return changed;
}

}  // namespace

void fitNextItem(float wanted, const char* label) {
    const float labelWidth = ImGui::CalcTextSize(label, nullptr, true).x;
    const float room =
        ImGui::GetContentRegionAvail().x - (labelWidth > 0 ? labelWidth + ImGui::GetStyle().ItemSpacing.x : 0);
    ImGui::SetNextItemWidth(std::max(std::min(wanted, room), 4 * ImGui::GetFontSize()));
}

void sameLineIfRoom(float width) {
    const float end = ImGui::GetItemRectMax().x + ImGui::GetStyle().ItemSpacing.x + width;
    if (end <= ImGui::GetWindowPos().x + ImGui::GetWindowContentRegionMax().x) ImGui::SameLine();
}

void objectsTab(MissionBuilder& b) {
    BuilderControls& c = b.controls();
    const builder::ObjectMenuItem* chosen = nullptr;
    for (const auto& item : builder::kObjectMenu)
        if (item.code == c.objectMenuTag) chosen = &item;
    fitNextItem(300, "Object");  // px: the longest title whole
    if (ImGui::BeginCombo("Object", chosen ? chosen->title : "Choose an object")) {
        for (const auto& item : builder::kObjectMenu) {
            if (ImGui::Selectable(item.title, &item == chosen)) {
                c.objectMenuTag = item.code;
                b.fromMBMenu(builder::kTagObjectMenu);
            }
            rememberBuilderItem(std::string("Object/") + item.title);
        }
        ImGui::EndCombo();
    }
    rememberBuilderItem("Object");
    if (button("Add Object", "Add Object")) b.fromMBMenu(builder::kTagAddObject);
    ImGui::SameLine();
    if (button("<", "Previous Object")) {
        c.objectStepper = builder::kStepperRest - 1;
        b.fromMBMenu(builder::kTagObjectStepper);
    }
    ImGui::SameLine();
    if (button(">", "Next Object")) {
        c.objectStepper = builder::kStepperRest + 1;
        b.fromMBMenu(builder::kTagObjectStepper);
    }
    ImGui::SameLine();
    if (button("Delete", "Delete Object")) b.fromMBMenu(builder::kTagDeleteObject);
    ImGui::TextUnformatted(c.objectID.c_str());
    textField(b, "Location", c.objectLocation, builder::kTagObjectLocation, "Object Location");
    textField(b, "Heading", c.objectHeading, builder::kTagObjectHeading, "Object Heading");
    textField(b, "Team", c.objectTeam, builder::kTagObjectTeam, "Object Team");
    textField(b, "Points", c.objectPoints, builder::kTagObjectPoints, "Object Points");
    textField(b, "Path start", c.itemPath, builder::kTagObjectPath, "Object Path");
    textField(b, "Random start", c.randomStart, builder::kTagObjectRandomStart, "Object Random Start");
    ImGui::TextWrapped("%s", c.itemNotes.c_str());
    std::string textures = c.textureNames;  // carriage returns separate its lines
    std::replace(textures.begin(), textures.end(), '\r', '\n');
    ImGui::TextUnformatted(textures.c_str());
    ImGui::TextUnformatted(c.totalObjects.c_str());
}

void aircraftPages(MissionBuilder& b) {
    BuilderControls& c = b.controls();
    const int n = std::clamp(c.aircraftTab, 0, 7);
    builder::AircraftSlot& slot = c.aircraftTabs.slots[n];
    static constexpr std::array<const char*, 5> kTypes = {"Sopwith Camel", "Fokker D.VII", "Fokker Dr.I", "",
                                                          "Random type"};
    // The type acts whenever an item is chosen, the one shown too; the page's fields with an
    // action act on Return alone.
    if (popUp("Aircraft type", slot.typeItem, kTypes, "Aircraft/Type", true)) b.fromMBMenu(548);
    textField(b, "Team##544", slot.team, 544, "Aircraft/Team", 200, true);
    if (n > 0) {
        ImGui::TextUnformatted("Takes part:");
        ImGui::SameLine();
        radios(b, "Aircraft/On", slot.onOffColumn, {"on", "off"});
    }
    if (ImGui::BeginTabBar("Start or restart")) {
        for (int page = 0; page < 2; ++page) {
            const bool wanted = c.startRestart[n] == page;
            static int shownLast[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
            const ImGuiTabItemFlags flags = wanted && shownLast[n] != page ? ImGuiTabItemFlags_SetSelected : 0;
            if (ImGui::BeginTabItem(page == 0 ? "Start" : "Restart", nullptr, flags)) {
                c.startRestart[n] = page;
                shownLast[n] = page;
                ImGui::EndTabItem();
            }
            rememberBuilderItem(page == 0 ? "Aircraft/Start" : "Aircraft/Restart");
        }
        ImGui::EndTabBar();
    }
    const int page = c.startRestart[n] == 1 ? 1 : 0;
    AircraftPage& p = slot.pages[page];
    ImGui::PushID(page);
    textField(b, "Position", p.position, 542, "Aircraft/Position", 200, true);
    textField(b, "Heading", p.heading, 543, "Aircraft/Heading", 200, true);
    textField(b, "Speed (mph)", p.speed, 0, "Aircraft/Speed");
    textField(b, "Throttle", p.throttle, 0, "Aircraft/Throttle");
    if (ImGui::Checkbox("Gear down", &p.gear)) {
        b.fromMBMenu(547);
        b.notsaved();
    }
    rememberBuilderItem("Aircraft/Gear");
    textField(b, "Random distance", p.randomDistance, 0, "Aircraft/Random Distance");
    textField(b, "Fuel load", p.fuel, 0, "Aircraft/Fuel");
    textField(b, "Flaps", p.flaps, 0, "Aircraft/Flaps");
    textField(b, "Bombs", p.bombs, 0, "Aircraft/Bombs");
    // Item k is start type k + 1; the items between the air start and line abreast are unused.
    static constexpr std::array<const char*, builder::kStartTypeItems.size()> kStarts = [] {
        std::array<const char*, builder::kStartTypeItems.size()> titles{};
        titles.fill("");
        titles[0] = "As placed";
        titles[1] = "Random place";
        titles[2] = "In the air near the enemy";
        titles[29] = "Line abreast";
        return titles;
    }();
    if (popUp("Start", p.startTypeItem, kStarts, "Aircraft/Start Type")) b.notsaved();
    ImGui::TextUnformatted("Skill:");
    ImGui::SameLine();
    radios(b, "Aircraft/Skill", p.skillColumn, {"novice", "fair", "ace", "random"});
    static constexpr std::array<const char*, 3> kRoles = {"Fighter", "Wingman", "Patrol the path"};
    if (popUp("Computer pilot", p.aiTypeItem, kRoles, "Aircraft/Role")) b.notsaved();
    numberField(b, "Wingman of aircraft", p.wingmanLeader, "Aircraft/Leader");
    numberField(b, "First path point", p.firstPathPoint, "Aircraft/First Point");
    numberField(b, "Patrol (s)", p.patrolSeconds, "Aircraft/Patrol");
    numberField(b, "Attack aircraft within (ft)", p.attackDistance, "Aircraft/Attack");
    numberField(b, "Back to patrol beyond (ft)", p.returnDistance, "Aircraft/Return");
    numberField(b, "Attack objects within (ft)", p.objectAttackDistance, "Aircraft/Object Attack");
    if (page == 1) numberField(b, "Restarts", slot.restarts, "Aircraft/Restarts");
    ImGui::PopID();
    ImGui::TextUnformatted("Comes back to life:");
    ImGui::SameLine();
    radios(b, "Aircraft/Back", slot.comesBackColumn, {"yes", "no"});
    if (button("Place at Camera", "Aircraft/Place at Camera")) b.fromMBMenu(541);
    ImGui::SameLine();
    if (button("Show", "Aircraft/Show")) b.fromMBMenu(608);
    ImGui::SameLine();
    if (button("Copy Start to Restart", "Aircraft/Copy")) b.fromMBMenu(558);
}

void victoryTab(MissionBuilder& b) {
    BuilderControls& c = b.controls();
    textField(b, "Title", c.missionTitle, 0, "Mission Title", 260);
    missionText(b, "Description", c.missionDescription, "Mission Description");
    missionText(b, "Message when the mission is won", c.missionVictory, "Mission Victory Message");
    missionText(b, "Message when the mission is lost", c.missionLost, "Mission Lost Message");
    numberField(b, "Mission points", c.missionPoints, "Mission Points");
    fitNextItem(120, "Time of day (h)");
    if (ImGui::InputDouble("Time of day (h)", &c.timeOfDay, 0, 0, "%.2f")) b.notsaved();
    rememberBuilderItem("Time of Day");
    ImGui::Separator();
    radios(b, "Victory/Alive", c.victoryAliveRow, {"must stay alive", "may die"});
    numberField(b, "Landings", c.victoryLandings, "Victory/Landings");
    numberField(b, "Kills", c.victoryKills, "Victory/Kills");
    numberField(b, "Team kills", c.victoryTeamKills, "Victory/Team Kills");
    numberField(b, "Points", c.victoryPoints, "Victory/Points");
    numberField(b, "Win within (min)", c.victoryMinutes, "Victory/Minutes");
    numberField(b, "Not before (s)", c.victoryAfterSeconds, "Victory/After");
    textField(b, "Destroy objects", c.victoryTargetsDead, 0, "Victory/Destroy", 260);
    numberField(b, "How many destroyed", c.victoryNumberDead, "Victory/Number Destroyed");
    textField(b, "Keep objects", c.victoryTargetsAlive, 0, "Victory/Keep", 260);
    numberField(b, "How many kept", c.victoryNumberAlive, "Victory/Number Kept");
    if (ImGui::BeginTabBar("Victory locations")) {
        for (int i = 0; i < 3; ++i) {
            const std::string title = "Location " + std::to_string(i + 1);
            if (!ImGui::BeginTabItem(title.c_str())) continue;
            builder::VictoryLocationTab& l = c.aircraftTabs.victoryLocations[i];
            ImGui::PushID(i);
            radios(b, "Victory/Mode", l.modeColumn, {"none", "within", "z above", "z below", "x below", "x above"});
            textField(b, "Place", l.location, 0, title + "/Place");
            numberField(b, "Near (ft)", l.nearDistance, title + "/Near");
            numberField(b, "Speed (mph)", l.speed, title + "/Speed");
            radios(b, "Victory/Speed", l.speedModeColumn, {"any", "above", "below"});
            ImGui::PopID();
            ImGui::EndTabItem();
        }
        ImGui::EndTabBar();
    }
}

void quickDogfightFields(MissionBuilder& b) {
    BuilderControls& c = b.controls();
    ImGui::TextUnformatted("Quick dogfight starts");
    textField(b, "Air start x, y, z", c.qdAirStart, 0, "QD/Air Start");
    textField(b, "Air start distance (ft)", c.qdAirStartDistance, 0, "QD/Air Distance", 120);
    static constexpr const char* kTeams[4] = {"Red", "Blue", "Yellow", "Black"};
    for (int t = 0; t < 4; ++t) {
        const std::string team = kTeams[t];
        ImGui::PushID(t);
        textField(b, (team + " ground start x, y, z").c_str(), c.qdGroundStart[t], 0, "QD/" + team + " Start");
        numberField(b, "heading", c.qdHeading[t], "QD/" + team + " Heading");
        ImGui::SameLine();
        textField(b, "fuel", c.qdFuel[t], 0, "QD/" + team + " Fuel", 60);
        ImGui::PopID();
    }
}

void groundClutterPopUp(MissionBuilder& b) {
    // Item i is the tree family GC1 names: broadleaf, palm or pine pictures.
    static constexpr std::array<const char*, 3> kFamilies = {"Broadleaf trees", "Palms", "Pines"};
    if (popUp("Ground clutter", b.controls().groundClutterType, kFamilies, "Ground Clutter")) b.notsaved();
}

void pathTable(MissionBuilder& b) {
    BuilderControls& c = b.controls();
    if (button("Point from Camera", "Path/From Camera")) b.fromMBMenu(builder::kTagPathPointFromCamera);
    ImGui::SameLine();
    if (button("Camera to Point", "Path/To Point")) b.fromMBMenu(builder::kTagCameraToPathPoint);
    // The cells by column identifier, shown with the link beside the position: the two that make
    // the paths; the rest scroll sideways.
    struct Column {
        int id;
        const char* title;
        float width;  // px
    };
    static constexpr Column kColumns[11] = {{1, "#", 28},         {2, "x, height, z", 150}, {11, "Next", 40},
                                            {3, "Throttle", 58},  {4, "Climb", 50},         {5, "Gear", 44},
                                            {6, "Flaps", 44},     {7, "Brakes", 44},        {8, "Target", 50},
                                            {9, "Target 2", 58},  {10, "Letters", 80}};
    static int editRow = -1, editColumn = -1, scrolledTo = -1;
    static std::string editText;
    const ImGuiTableFlags flags = ImGuiTableFlags_Borders | ImGuiTableFlags_ScrollX | ImGuiTableFlags_ScrollY |
                                  ImGuiTableFlags_RowBg | ImGuiTableFlags_SizingFixedFit;
    if (!ImGui::BeginTable("Paths", 11, flags, ImVec2(0, ImGui::GetContentRegionAvail().y - 40))) return;
    for (const Column& k : kColumns) ImGui::TableSetupColumn(k.title, 0, k.width);
    ImGui::TableSetupScrollFreeze(1, 1);
    ImGui::TableHeadersRow();
    const float rowHeight = ImGui::GetFrameHeight();
    if (scrolledTo != c.pathScrollRow) {
        scrolledTo = c.pathScrollRow;
        ImGui::SetScrollY(std::clamp(scrolledTo, 0, builder::kPathTableRows - 1) * rowHeight);
    }
    ImGuiListClipper clipper;
    clipper.Begin(builder::kPathTableRows, rowHeight);
    while (clipper.Step()) {
        for (int r = clipper.DisplayStart; r < clipper.DisplayEnd; ++r) {
            ImGui::TableNextRow(0, rowHeight);
            ImGui::PushID(r);
            ImGui::TableSetColumnIndex(0);
            if (ImGui::Selectable(builder::pathCellText(b.MBMission, r, 1).c_str(), c.pathSelectedRow == r,
                                  ImGuiSelectableFlags_SpanAllColumns & 0))
                c.pathSelectedRow = r;
            rememberBuilderItem("Path/" + std::to_string(r + 1));
            for (int shownAt = 1; shownAt < 11; ++shownAt) {
                const int column = kColumns[shownAt].id;
                ImGui::TableSetColumnIndex(shownAt);
                ImGui::PushID(column);
                const bool editing = r == editRow && column == editColumn;
                std::string shown = builder::pathCellText(b.MBMission, r, column);
                ImGui::SetNextItemWidth(-1);
                // Typing marks the mission unsaved; the cell is taken when editing ends.
                if (ImGui::InputText("##cell", editing ? &editText : &shown, ImGuiInputTextFlags_AutoSelectAll))
                    b.notsaved();
                rememberBuilderItem("Path/" + std::to_string(r + 1) + "/" + std::to_string(column));
                if (ImGui::IsItemActivated()) {
                    editRow = r;
                    editColumn = column;
                    editText = shown;
                    c.pathSelectedRow = r;
                }
                if (ImGui::IsItemDeactivated() && editing) {
                    if (ImGui::IsItemDeactivatedAfterEdit()) {
                        if (builder::setPathCell(b.MBMission, r, column, editText, b.LastEnteredWayPointAlt))
                            b.updateMBOpenGLView();
                    }
                    editRow = editColumn = -1;
                }
                ImGui::PopID();
            }
            ImGui::PopID();
        }
    }
    ImGui::EndTable();
}

void fileButtons(MissionBuilder& b) {
    if (button("Save", "Save")) b.fromMBMenu(builder::kTagSave);
    ImGui::SameLine();
    if (button("Save As...", "Save As")) b.fromMBMenu(builder::kTagSaveAs);
    ImGui::SameLine();
    if (button("Open...", "Open")) b.fromMBMenu(builder::kTagOpen);
    ImGui::SameLine();
    if (button("Reopen", "Reopen")) b.fromMBMenu(builder::kTagReopen);
}

void fileSheets(MissionBuilder& b) {
    builder::FileSheets& files = b.controls().files;
    if (!files.saveShown && !files.openShown) return;
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(ImVec2(viewport->WorkPos.x + viewport->WorkSize.x * 0.5f, viewport->WorkPos.y + 120),
                            ImGuiCond_Always, ImVec2(0.5f, 0));
    ImGui::SetNextWindowFocus();
    const ImGuiWindowFlags flags = ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoMove;
    if (files.saveShown) {
        if (ImGui::Begin("Save Mission", nullptr, flags)) {
            ImGui::TextUnformatted("Save the mission in Necessary Data/Missions as:");
            ImGui::SetNextItemWidth(280);
            if (ImGui::IsWindowAppearing()) ImGui::SetKeyboardFocusHere();
            const bool entered = ImGui::InputText("##name", &files.saveName, ImGuiInputTextFlags_EnterReturnsTrue);
            rememberBuilderItem("Save Mission/Name");
            if (button("Save", "Save Mission/Save") || entered) b.savePanelMBDidEnd(true);
            ImGui::SameLine();
            if (button("Cancel", "Save Mission/Cancel")) b.savePanelMBDidEnd(false);
        }
        ImGui::End();
        return;
    }
    if (ImGui::Begin("Open Mission", nullptr, flags)) {
        if (files.openChoices.empty()) ImGui::TextUnformatted("No missions in Necessary Data/Missions.");
        // The list scrolls in what the window leaves below it, so that the buttons stay in sight.
        const ImGuiStyle& style = ImGui::GetStyle();
        float widest = 0;
        for (const std::string& name : files.openChoices)
            widest = std::max(widest, ImGui::CalcTextSize(name.c_str()).x);
        const float lines = float(files.openChoices.size()) * ImGui::GetTextLineHeightWithSpacing();
        const float room = viewport->WorkPos.y + viewport->WorkSize.y - ImGui::GetCursorScreenPos().y -
                           ImGui::GetFrameHeightWithSpacing() - 2 * style.WindowPadding.y;
        const float high = std::min(lines, std::max(room, 3 * ImGui::GetTextLineHeightWithSpacing()));
        if (!files.openChoices.empty() &&
            ImGui::BeginChild("Missions", ImVec2(widest + style.ScrollbarSize + 2 * style.FramePadding.x, high))) {
            for (int i = 0; i < static_cast<int>(files.openChoices.size()); ++i) {
                if (ImGui::Selectable(files.openChoices[i].c_str(), i == files.openChoice)) files.openChoice = i;
                rememberBuilderItem("Open Mission/" + files.openChoices[i]);
            }
        }
        if (!files.openChoices.empty()) ImGui::EndChild();
        if (button("Open", "Open Mission/Open")) b.openPanelDidEnd(true);
        ImGui::SameLine();
        if (button("Cancel", "Open Mission/Cancel")) b.openPanelDidEnd(false);
    }
    ImGui::End();
}

}  // namespace pellam::builderdraw
