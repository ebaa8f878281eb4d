#pragma once
// Readable mission descriptions: one text file per built-in mission, turned into a mission record
// and its four texts. docs/mission-files.md describes the format. The world's head (sky, terrain,
// the eight aircraft, debris, explosions, bombs, clutter) is written by the reader; a description
// names only the mission's own objects, which follow from row 21 in the order written.
#include <map>
#include <string>

#include "missions/MissionFile.h"

namespace pellam::missiongen {

struct MissionDescription {
    missions::MissionData record;
    missions::MissionTexts texts;
    std::map<std::string, int> objects;  // named objects and their rows in the object list
};

// Reads a description. Answers an empty string, or "<source>:<line>: <why>" for the first fault
// (an unknown keyword or option, a bad or out-of-range number, an unknown name, a full table).
std::string readMissionDescription(const std::string& text, const std::string& source, MissionDescription& out);
// The same from a file; a file that cannot be read is named in the answer.
std::string readMissionDescriptionFile(const std::string& path, MissionDescription& out);

// The folder of the built-in missions' descriptions, "<stem>.mission" beside each file name.
std::string descriptionFolder();
// Reads the description of built-in slot `slot` (0..22) from the description folder.
std::string readBuiltInDescription(long slot, MissionDescription& out);

}  // namespace pellam::missiongen
