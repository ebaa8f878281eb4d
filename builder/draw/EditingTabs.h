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

}  // namespace pellam::builderdraw
