#pragma once
// The builder window's editing tabs with Dear ImGui: the objects tab, an aircraft's Start and
// Restart pages, the victory tab with the mission's texts, the path table, the file buttons and
// the save sheet and open panel. Each control sends the builder its tag as its action.
#include <string>

namespace pellam::builder {
class MissionBuilder;
}

namespace pellam::builderdraw {

void objectsTab(builder::MissionBuilder& builder);
void aircraftPages(builder::MissionBuilder& builder);
void victoryTab(builder::MissionBuilder& builder);
void pathTable(builder::MissionBuilder& builder);
// The quick-dogfight starts (air start, the four teams' ground starts) and the ground-clutter
// pop-up, read when the mission is saved.
void quickDogfightFields(builder::MissionBuilder& builder);
void groundClutterPopUp(builder::MissionBuilder& builder);
// Save, Save As, Open and Reopen beside the window's Close button.
void fileButtons(builder::MissionBuilder& builder);
// The save sheet and the open panel, over the builder window while shown.
void fileSheets(builder::MissionBuilder& builder);

// Keeps where the last item was drawn under `label`, for placeOfBuilderItem (BuilderWindow.h).
void rememberBuilderItem(const std::string& label);
// The next item `wanted` px wide, or narrower when the rest of the line would not hold it and its
// `label` beside it ("##" hides the rest of a label).
void fitNextItem(float wanted, const char* label);
// The next item, `width` px wide, on the same line as the last when it fits there, else below it.
void sameLineIfRoom(float width);

}  // namespace pellam::builderdraw
