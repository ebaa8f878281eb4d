#pragma once
// Opening a mission file in the builder: the checks a file must pass, and the window's form-like
// controls filled from an opened record (the inverse of BuilderSave).
#include <string>

#include "builder/BuilderControls.h"
#include "missions/MissionFile.h"

namespace pellam::builder {

// Rows from the preview's scratch row on cannot hold placed objects.
inline constexpr int kMaxOpenedObjects = 255;

// Why a mission file does not open in the builder; none when it opens.
struct BuilderFileRefusal {
    std::string why;  // names the file and what is wrong with it
    explicit operator bool() const { return !why.empty(); }
};

// Reads and checks a mission file for the builder: the container (a record of exactly 31,360
// bytes), a byte sum equal to Hash1, at most 13 object kinds, TotalObjects 22..255 with the
// terrain in row 1, and a world the builder can build. `out` is untouched when the file is refused.
BuilderFileRefusal readBuilderMission(const std::string& path, missions::MissionFileContents& out);

// The texts, time of day, weather, ground clutter, wind and victory numbers of a record in
// the controls. A SkyFlags of 0 becomes the default (visibility 2, ceiling 10,000 ft, off) in the record.
// A deck in layer 0 is shown on, at its bottom and depth, whatever SkyFlags says.
void showMissionInControls(missions::MissionData& mission, const missions::MissionTexts& texts, BuilderControls& controls);

}  // namespace pellam::builder
