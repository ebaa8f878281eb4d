#pragma once
// Saving the edited mission: the window's form-like controls (texts, time of day, weather,
// victory, quick-dogfight starts, the aircraft tabs) are taken into the record, which is then
// stamped, summed and written as a mission file. A save that cannot be written leaves the
// previous file whole (the writer goes through a temporary file) and says so.
#include <array>
#include <string>

#include "builder/AircraftTabs.h"
#include "builder/BuilderControls.h"
#include "missions/MissionFile.h"

namespace pellam::builder {

// Decimal hours (clamped to 0..23.99) packed as whole hours in bits 0-15 and hundredths in bits
// 16-27, the hundredths rounded (23.99 keeps its 99); and the packed value back as hours.
int32_t packTimeOfDay(double hours);
double timeOfDayHours(int32_t packed);

// Victory object lists: at most the first 200 characters, digits and commas only, split at commas,
// 20 entries (missing ones 0); and the 20 entries as the field shows them.
std::array<int32_t, 20> objectNumberList(const std::string& text);
std::string objectNumberListText(const std::array<int32_t, 20>& numbers);

// The kind of deck layer 0 is given when the ceiling is on: the deck it holds keeps its kind (a
// scattered deck stays scattered when its ceiling or thickness changes); a new one is a ceiling deck.
inline int32_t deckKind(const missions::CloudLayer& layer) { return layer.TextureNumber > 0 ? layer.TextureNumber : 1; }

// Tab selection packed into TabNumber: main tab bits 0-15, aircraft tab 16-23, its page 24-31.
int32_t packTabNumber(int mainTab, int aircraftTab, int page);

// The builder camera as a save stores it.
struct BuilderCameraState {
    double position[3] = {};
    double heading = 0, pitch = 0;  // deg
    int world = 0;
};

// The controls and the camera as they stood when the record was opened or last saved.
struct ShownMission {
    BuilderControls controls;
    BuilderCameraState camera;
};

// Reads every control (the aircraft and victory location tabs in controls.aircraftTabs) into the
// record and the four texts, and stamps versions and the date (seconds since 1 January 2001).
// With `shown`, a field whose controls give what they gave as shown keeps the record's value, so
// what the window shows clamped, cut to whole numbers or as the nearest item is saved as the file
// held it until the player changes it. Answers how many three-number texts (the victory
// locations, the quick-dogfight starts) were not three numbers: those fields kept their values,
// and the caller beeps once for each.
int takeControlsIntoMission(const BuilderControls& controls, const BuilderCameraState& camera,
                            const ShownMission* shown, const GroundHeight& groundAt, double secondsSince2001,
                            missions::MissionData& mission, missions::MissionTexts& texts);

// Sums the record into Hash1 and writes the file (extension "pellam" added when missing) through
// a temporary file. Empty on success, else why not; the file then is as it was before.
std::string writeBuilderMission(std::string& path, missions::MissionData& mission, const missions::MissionTexts& texts);

}  // namespace pellam::builder
