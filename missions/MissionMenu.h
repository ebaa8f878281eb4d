#pragma once
// The mission menu as data: its items (title, tag, enabled), the selected position and the picture
// shown for each position, plus the prevailing-winds text of a mission. Tags of 0 or more are slots
// of the mission table; negative tags are labels that cannot be chosen.
#include <cstdint>
#include <string>
#include <vector>

namespace pellam::missions {

enum MenuLabelTag : int {
    kTagBuiltInLabel = -1,   // "Missions:" heading the built-in missions
    kTagUserStart = -5,      // the user missions follow this item; never removed
    kTagCampaignsHeader = -6,
    kTagCampaignName = -7,
};

struct MenuItem {
    std::string title;
    int tag = 0;
    bool enabled = true;
};

struct MissionMenu {
    std::vector<MenuItem> items;
    int selected = 1;
    // Picture file per menu position; grows with the menu (empty: no picture of its own).
    std::vector<std::string> pictureNames;
    long userStartIndex = 100;  // position of the kTagUserStart item

    int selectedTag() const;
    // The last position whose tag is `tag`, else 1.
    int positionOfTag(long tag) const;
    // Position of the first kTagUserStart item, -1 without one.
    int userStartPosition() const;
    void setPicture(size_t position, std::string name);
    const std::string& picture(size_t position) const;
};

// The built-in part of the menu in the order shown: headings (slot -1, a label) and the slots of
// the built-in missions under them.
struct BuiltInMenuLine {
    int slot;             // 0..22, or -1 for a heading
    const char* heading;  // the heading's label; null for a mission
};
const std::vector<BuiltInMenuLine>& builtInMenuLines();
// 1-based number of a built-in slot among the menu's missions, as the pictures count them ("pellamm3.jpg"
// for the third); 0 for a slot the menu does not show.
int builtInPictureNumber(int slot);

// Built-in pictures follow menu order: "pellamm1.jpg" for the first mission item, and so on;
// records userStartIndex and disables every label item.
void getMissionMenuTitles(MissionMenu& menu);

// "Prevailing Winds: ..." for a mission's wind speed (mph) and direction (deg): "Random" for any
// negative speed or a direction drawn at the start, light and variable from 2 to 5 mph, calm below 2 mph, else
// the 16-point compass sector the wind comes from and the speed.
std::string windsText(double speedMph, double directionDeg);

}  // namespace pellam::missions
