#include "builder/BuilderOpen.h"

#include <algorithm>

#include "builder/BuilderSave.h"
#include "builder/MissionBuilder.h"
#include "builder/TextValues.h"
#include "objects/GroundClutter.h"

namespace pellam::builder {
namespace {

// The worlds whose terrain this game builds (the Western Front's serves them all).
constexpr int kFirstWorld = 1, kLastWorld = 3;
constexpr int32_t kDefaultSkyFlags = 0x00271004;

}  // namespace

BuilderFileRefusal readBuilderMission(const std::string& path, missions::MissionFileContents& out) {
    auto read = std::make_unique<missions::MissionFileContents>();
    if (!missions::confirmFileIsMission(path)) return {path + " is not a mission file"};
    if (std::string why = missions::readMissionFile(path, *read); !why.empty()) return {why};
    missions::MissionData& m = read->record;
    if (read->byteSum != m.Hash1) return {path + ": changed since it was saved (its byte sum does not match)"};
    // Rows 2..9 are the aircraft, and row 255 is the unplaced item's.
    if (m.TotalObjects <= kHeadRows - 1 || m.TotalObjects > kMaxOpenedObjects)
        return {path + ": " + std::to_string(m.TotalObjects) + " objects, the builder opens 22 to 255"};
    if (m.WorldMenuOffsetNumber < kFirstWorld || m.WorldMenuOffsetNumber > kLastWorld)
        return {path + ": world " + std::to_string(m.WorldMenuOffsetNumber) + " has no terrain in this game"};
    out = std::move(*read);
    return {};
}

void showMissionInControls(missions::MissionData& m, const missions::MissionTexts& texts, BuilderControls& c) {
    c.missionTitle = texts.title;
    c.missionDescription = texts.description;
    c.missionVictory = texts.victory;
    c.missionLost = texts.lost;
    c.timeOfDay = timeOfDayHours(m.TimeOfDay);
    if (m.SkyFlags == 0) m.SkyFlags = kDefaultSkyFlags;
    c.visibility = c.visibilityFB = (m.SkyFlags & 0xFF) / 2.0;
    // A deck in layer 0 is shown as the window makes one: the box ticked, the ceiling at its bottom,
    // the thickness its depth. A stored mission may hold one with the flags' ceiling off and the
    // flags' ceiling (the sky's) elsewhere; those flags stay as they are until the ceiling is set.
    const missions::CloudLayer& deck = m.Layers[0];
    const bool deckHeld = deck.TextureNumber > 0;
    c.ceiling = c.ceilingFB = deckHeld ? deck.LayerBottom : static_cast<double>((m.SkyFlags & 0x7FFFFF00) >> 8);
    c.ceilingCheck = m.SkyFlags < 0 || deckHeld ? 1 : 0;
    // Shown only; the record keeps what it holds.
    c.thickness = std::clamp(deckHeld ? deck.LayerTop - deck.LayerBottom : m.MoreDoubleItems[0], 150.0, 10000.0);
    c.groundClutterType = std::clamp(m.GC1, 0, GroundClutter::kFamilies - 1);
    c.windSpeed = cutToInt(m.WindSpeed);
    c.windDirection = cutToInt(m.WindDirection);
    const missions::VictoryConditions& v = m.TheVictory;
    c.victoryAliveRow = v.MustBeAlive ? 0 : 1;
    c.victoryLandings = v.TotalLandings;
    c.victoryKills = v.Kills;
    c.victoryTeamKills = v.TeamKills;
    c.victoryPoints = v.Points;
    c.victoryMinutes = v.MustWinInXTicks / 3600;
    c.victoryAfterSeconds = v.DontCheckForWinForXTicks / 60;
    c.victoryTargetsAlive = objectNumberListText(v.ParticularAliveObjects);
    c.victoryTargetsDead = objectNumberListText(v.ParticularDeadObjects);
    c.victoryNumberAlive = v.RequiredNumberOfAliveObjects;
    c.victoryNumberDead = v.RequiredNumberOfDeadObjects;
    c.totalObjects = "total items: " + std::to_string(m.TotalObjects);
}

}  // namespace pellam::builder
