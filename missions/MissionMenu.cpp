#include "missions/MissionMenu.h"

#include <cmath>

#include "missions/MissionRules.h"

namespace pellam::missions {

int MissionMenu::selectedTag() const {
    return selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected].tag : kTagBuiltInLabel;
}

int MissionMenu::positionOfTag(long tag) const {
    int found = 1;
    for (size_t p = 0; p < items.size(); ++p)
        if (items[p].tag == tag) found = static_cast<int>(p);
    return found;
}

int MissionMenu::userStartPosition() const {
    for (size_t p = 0; p < items.size(); ++p)
        if (items[p].tag == kTagUserStart) return static_cast<int>(p);
    return -1;
}

void MissionMenu::setPicture(size_t position, std::string name) {
    if (pictureNames.size() <= position) pictureNames.resize(position + 1);
    pictureNames[position] = std::move(name);
}

const std::string& MissionMenu::picture(size_t position) const {
    static const std::string none;
    return position < pictureNames.size() ? pictureNames[position] : none;
}

const std::vector<BuiltInMenuLine>& builtInMenuLines() {
    // Learning to fly first, then the fighting by kind, network play last.
    static const std::vector<BuiltInMenuLine> lines = {
        {-1, "Training:"},           {1, nullptr},  {9, nullptr},
        {-1, "Patrols and Dogfights:"}, {0, nullptr}, {11, nullptr}, {3, nullptr}, {17, nullptr}, {20, nullptr},
        {-1, "Balloons:"},           {2, nullptr},  {15, nullptr}, {22, nullptr},
        {-1, "Bombers:"},            {4, nullptr},  {5, nullptr},
        {-1, "Ground Attack:"},      {6, nullptr},  {7, nullptr},  {10, nullptr}, {16, nullptr}, {19, nullptr},
        {14, nullptr},
        {-1, "Defence:"},            {8, nullptr},  {18, nullptr}, {21, nullptr},
        {-1, "Network Play:"},       {12, nullptr}, {13, nullptr},
    };
    return lines;
}

int builtInPictureNumber(int slot) {
    int number = 0;
    for (const BuiltInMenuLine& line : builtInMenuLines()) {
        if (line.slot < 0) continue;
        ++number;
        if (line.slot == slot) return number;
    }
    return 0;
}

void getMissionMenuTitles(MissionMenu& menu) {
    menu.pictureNames.clear();
    int counter = 1;
    for (size_t p = 0; p < menu.items.size(); ++p) {
        const int tag = menu.items[p].tag;
        if (tag >= 0) {
            menu.setPicture(p, "pellamm" + std::to_string(counter++) + ".jpg");
        } else if (tag == kTagUserStart) {
            menu.userStartIndex = static_cast<long>(p);
            break;
        }
    }
    for (MenuItem& item : menu.items)
        if (item.tag < 0) item.enabled = false;
}

std::string windsText(double speedMph, double directionDeg) {
    const std::string head = "Prevailing Winds: ";
    if (speedMph < 0.0 || isRandomWindDirection(directionDeg)) return head + "Random";
    if (speedMph < 2.0) return head + "Calm";
    if (speedMph < 5.0) return head + "Light and variable";
    static const char* const kPoints[16] = {"N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE",
                                            "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"};
    double d = std::fmod(directionDeg, 360.0);
    if (d < 0.0) d += 360.0;
    // Sector k spans 22.5 deg centred on k * 22.5 deg.
    const int sector = static_cast<int>(std::floor((d + 11.25) / 22.5)) % 16;
    return head + kPoints[sector] + " at " + std::to_string(static_cast<int>(speedMph)) + " mph";
}

}  // namespace pellam::missions
