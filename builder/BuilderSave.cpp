#include "builder/BuilderSave.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "builder/TextValues.h"
#include "missions/MissionBounds.h"

namespace pellam::builder {
namespace {

using missions::MissionData;
namespace ranges = missions::ranges;

// Written on every save; a mission of this builder carries no permissions or invoice.
constexpr int32_t kPermissions = 0, kInvoice = 0;

void takeWeather(const BuilderControls& c, MissionData& m) {
    const double thickness = std::clamp(c.thickness, 5.0, ranges::kCloudThickness.high);
    const double ceiling = ranges::kCeiling.clamp(c.ceilingFB);
    m.MoreDoubleItems[0] = thickness;
    m.Layers[0].LayerBottom = ceiling;
    m.Layers[0].LayerTop = ceiling + thickness;
    m.Layers[0].TextureNumber = c.ceilingCheck ? deckKind(m.Layers[0]) : 0;
    m.Layers[1].TextureNumber = m.Layers[2].TextureNumber = 0;
    m.GC1 = c.groundClutterType;
    m.WindSpeed = ranges::kWindSpeed.clamp(std::trunc(c.windSpeed));
    m.WindDirection = std::trunc(c.windDirection);
}

void takeVictory(const BuilderControls& c, MissionData& m) {
    missions::VictoryConditions& v = m.TheVictory;
    v.MustBeAlive = c.victoryAliveRow == 1 ? 0 : 1;
    v.TotalLandings = ranges::kVictoryCount.clamp(c.victoryLandings);
    v.Kills = ranges::kVictoryCount.clamp(c.victoryKills);
    v.TeamKills = ranges::kVictoryCount.clamp(c.victoryTeamKills);
    v.Points = ranges::kVictoryPoints.clamp(c.victoryPoints);
    v.MustWinInXTicks = ranges::kTimeLimitTicks.whole(c.victoryMinutes * 3600.0);
    v.DontCheckForWinForXTicks = ranges::kNoWinTicks.whole(c.victoryAfterSeconds * 60.0);
    v.RequiredNumberOfAliveObjects = ranges::kListedObjects.clamp(c.victoryNumberAlive);
    v.RequiredNumberOfDeadObjects = ranges::kListedObjects.clamp(c.victoryNumberDead);
    v.ParticularAliveObjects = objectNumberList(c.victoryTargetsAlive);
    v.ParticularDeadObjects = objectNumberList(c.victoryTargetsDead);
}

int takeDogfightStarts(const BuilderControls& c, MissionData& m) {
    int unread = readThreeNumbers(c.qdAirStart, m.DogfightAirStartCenterSpot) ? 0 : 1;
    m.DogfightAirStartDistance = textFloat(c.qdAirStartDistance);
    for (int t = 0; t < 4; ++t) {
        double* row = m.DogfightGroundStartLocations[t];
        double xyz[3];
        if (readThreeNumbers(c.qdGroundStart[t], xyz)) {
            row[0] = xyz[0];
            row[2] = xyz[2];
            row[1] = -1.0;  // quick-dogfight ground starts stand on the ground
        } else {
            ++unread;
        }
        row[3] = c.qdHeading[t];
        row[4] = ranges::kFraction.clamp(textFloat(c.qdFuel[t]));
    }
    return unread;
}

int takeEveryControl(const BuilderControls& c, const BuilderCameraState& camera, const GroundHeight& groundAt,
                     MissionData& m) {
    m.Invoice = kInvoice;
    m.Permissions = kPermissions;
    m.TimeOfDay = packTimeOfDay(c.timeOfDay);
    takeWeather(c, m);
    takeVictory(c, m);
    int unread = readVictoryLocations(c.aircraftTabs, m);
    unread += takeDogfightStarts(c, m);

    for (int k = 0; k < 3; ++k) m.CameraLocation[k] = camera.position[k];  // at a 4-byte boundary
    m.CameraHeading = camera.heading;
    m.CameraPitch = camera.pitch;
    m.WorldMenuOffsetNumber = camera.world;
    const int aircraft = std::clamp(c.aircraftTab, 0, 7);
    m.TabNumber = packTabNumber(c.mainTab, aircraft, c.startRestart[aircraft]);
    m.PointsForCompletedMission = ranges::kMissionPoints.clamp(c.missionPoints);
    readAircraftTabs(c.aircraftTabs, m, groundAt);
    return unread;
}

// Each field of `m` (taken from the controls) that equals the same field taken from the controls
// as they were shown gets `kept`'s value back. A cloud layer is one deck: a change to its kind,
// bottom or top takes the whole layer, so its bottom and top never come from two sources.
void keepUnchangedFields(const MissionData& fromShown, const MissionData& kept, MissionData& m) {
    auto* now = reinterpret_cast<unsigned char*>(&m);
    const auto* shown = reinterpret_cast<const unsigned char*>(&fromShown);
    const auto* was = reinterpret_cast<const unsigned char*>(&kept);
    constexpr size_t kLayers = offsetof(MissionData, Layers), kLayer = sizeof(missions::CloudLayer);
    bool layerChanged[3];
    for (size_t i = 0; i < 3; ++i)
        layerChanged[i] = std::memcmp(now + kLayers + i * kLayer, shown + kLayers + i * kLayer, kLayer) != 0;
    for (const missions::RecordField& f : missions::missionRecordFields()) {
        const bool inLayers = f.offset >= kLayers && f.offset < kLayers + 3 * kLayer;
        if (inLayers && layerChanged[(f.offset - kLayers) / kLayer]) continue;
        if (std::memcmp(now + f.offset, shown + f.offset, f.width) == 0) std::memcpy(now + f.offset, was + f.offset, f.width);
    }
}

}  // namespace

int32_t packTimeOfDay(double hours) {
    const double t = std::isnan(hours) ? 0.0 : std::clamp(hours, 0.0, 23.99);
    int32_t h = static_cast<int32_t>(t);
    // Rounded: 23.99 is 23.98999... in binary, and cutting it would store 98 hundredths.
    int32_t c = static_cast<int32_t>(std::lround((t - h) * 100.0));
    if (c >= 100) {
        h += 1;
        c = 0;
    }
    return ((c << 16) & 0x0FFF0000) + h;
}

double timeOfDayHours(int32_t packed) { return (packed >> 16) / 100.0 + (packed & 0xFFFF); }

std::array<int32_t, 20> objectNumberList(const std::string& text) {
    std::string kept;
    for (size_t i = 0; i < text.size() && i < 200; ++i)
        if ((text[i] >= '0' && text[i] <= '9') || text[i] == ',') kept += text[i];
    const std::vector<std::string> parts = splitAtCommas(kept);
    std::array<int32_t, 20> numbers{};
    for (size_t i = 0; i < numbers.size() && i < parts.size(); ++i) numbers[i] = textInt(parts[i]);
    return numbers;
}

std::string objectNumberListText(const std::array<int32_t, 20>& numbers) {
    std::string text;
    for (int32_t n : numbers) text += (text.empty() ? "" : ", ") + std::to_string(n);
    return text;
}

int32_t packTabNumber(int mainTab, int aircraftTab, int page) {
    return (mainTab & 0xFFFF) | ((aircraftTab & 0xFF) << 16) | ((page & 0xFF) << 24);
}

int takeControlsIntoMission(const BuilderControls& c, const BuilderCameraState& camera, const ShownMission* shown,
                            const GroundHeight& groundAt, double secondsSince2001, MissionData& m,
                            missions::MissionTexts& texts) {
    texts = {c.missionTitle, c.missionDescription, c.missionVictory, c.missionLost};
    int unread = 0;
    if (!shown) {
        unread = takeEveryControl(c, camera, groundAt, m);
    } else {
        const auto kept = std::make_unique<MissionData>(m);
        const auto fromShown = std::make_unique<MissionData>(m);
        takeEveryControl(shown->controls, shown->camera, groundAt, *fromShown);
        unread = takeEveryControl(c, camera, groundAt, m);
        keepUnchangedFields(*fromShown, *kept, m);
        // A restart comes in with its wheels down once a gear box of its slot has been set.
        for (int n = 0; n < 8; ++n) {
            const auto& now = c.aircraftTabs.slots[n].pages;
            const auto& then = shown->controls.aircraftTabs.slots[n].pages;
            if (now[0].gear != then[0].gear || now[1].gear != then[1].gear) m.ResetAircraftStarts[n].Gear = 1.0;
        }
    }
    m.AppVersionNumber = 2;
    m.MissionStructVersion = 1;
    m.Hash1 = 0;
    m.NewObjectsNumber = missions::kNewestObjectKinds;
    m.SecondsSince2001 = secondsSince2001;
    return unread;
}

std::string writeBuilderMission(std::string& path, MissionData& mission, const missions::MissionTexts& texts) {
    const std::string extension = std::string(".") + missions::kMissionExtension;
    if (std::filesystem::path(path).extension() != extension) path += extension;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    // What no control clamps (places, speeds, headings typed or dragged) is held to the ranges a
    // reader holds it to, so the file reads back as the record it was written from.
    missions::boundMissionRecord(mission);
    return missions::writeMissionFile(path, mission, texts);
}

}  // namespace pellam::builder
