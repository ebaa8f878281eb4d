#include <algorithm>
#include <cmath>
#include <cstdio>

#include "builder/BuilderSave.h"
#include "builder/MissionBuilder.h"
#include "builder/TextValues.h"
#include "core/ZephModel.h"
#include "platform/Log.h"
#include "world/RIDUdidav.h"

namespace pellam::builder {
namespace {

struct Place {
    const char* name;
    double x, y, z;
};
// The Western Front's camera shortcuts (ft).
constexpr Place kWesternFrontPlaces[] = {
    {"Hazebrouck", 2013460.416, 3000, 2240285.056}, {"Ypres", 2085600, 3000, 2278960},
    {"Lille", 2122560, 3000, 2210320},              {"Douai", 2128694.304, 3000, 2141764.48},
    {"Albert", 2026655.136, 3000, 2045003.2},       {"St. Quentin", 2171797.056, 3000, 2001020.8},
    {"Laon", 2244807.84, 3000, 1924491.424},        {"Reims", 2333760, 3000, 1835440},
};

// Centre points of the worlds the menu offers (ft); the Western Front's terrain serves 1 to 3.
// Worlds 4 to 6 name terrains this game has no class for, so they are refused.
constexpr double kWorldCentres[4][3] = {{0, 0, 0}, {2112000, 7000, 2112000}, {380160, 7000, 380160},
                                        {-380160, 7000, -380160}};
constexpr int kWorldsBuilt = 3;

// Clamps both ways, as the weather controls do.
double clampTo(double v, double low, double high) { return v < low ? low : v > high ? high : v; }

}  // namespace

// Only the worlds this game can build are offered.
std::vector<std::string> MissionBuilder::worldMenuTitles() {
    return {"Choose a world", "The Western Front", "World 2", "World 3"};
}

RIDUdidav* MissionBuilder::worldTerrain() const {
    ZephModel* held = heldTerrain_ ? heldTerrain_.get() : MBArray.at(ModelArray::kTerrain);
    return dynamic_cast<RIDUdidav*>(held);
}

void MissionBuilder::sendLayersToTerrain(const std::array<missions::CloudLayer, 3>& layers) {
    if (RIDUdidav* ground = worldTerrain())
        for (int n = 0; n < 3; ++n)
            ground->SetDetailsForLayer(n, layers[n].TextureNumber, layers[n].LayerBottom, layers[n].LayerTop);
}

bool MissionBuilder::worldAction(int tag) {
    switch (tag) {
    case kTagWorldMenu:
        if (controls_.worldMenu == 0) {
            controls_.showsWorldMap = false;
            host_->beep();
        } else if (controls_.worldMenu == 1) {
            controls_.worldDescription = "The Western front, Europe, 1918.";
            controls_.showsWorldMap = true;
        }
        return true;
    case kTagAddWorld:
        addWorld();
        return true;
    case kTagAltSlider: {
        double y = controls_.altSlider > 99 ? 150000.0 : controls_.altSlider * 500.0;
        auto& p = MBCameraPosition.Position;
        y = std::max(y, groundAt(p[0], p[2]) + 10.0);
        p[1] = y;
        updateMBOpenGLView();
        return true;
    }
    case kTagPlaces: {
        const int i = controls_.worldShortcut;
        if (i >= 0 && i < kShortcuts) {
            const auto& place = MBShortCutsPositions[i];
            MBCameraPosition.Position = {place[0], place[1], place[2]};
        }
        updateMBOpenGLView();
        return true;
    }
    default:
        return false;
    }
}

void MissionBuilder::addWorld() {
    const int k = controls_.worldMenu;
    if (k <= 0) {
        host_->beep();
        return;
    }
    // Only worlds whose terrain this game can make: another world would leave the live objects one
    // short of the object list.
    if (k > kWorldsBuilt) {
        host_->beep();
        platform::logMessage("Mission builder: world " + std::to_string(k) + " has no terrain in this game");
        return;
    }
    MBMission.ObjectList[1].ObjectCode = 54;
    MBSavedFlag = false;
    MBWorld = k;
    releaseObjectsFromMBArray();
    borrowTerrain();
    if (k == 1) {
        controls_.worldShortcuts.clear();
        for (const Place& place : kWesternFrontPlaces) controls_.worldShortcuts.push_back(place.name);
        controls_.worldShortcut = 0;
    }
    const double* w = kWorldCentres[k];
    for (int i = 0; i < 16; ++i) {
        double* row = MBMission.MissionStartLocations[i];
        row[0] = w[0] + 200.0 * i;
        row[1] = w[1];
        row[2] = w[2];
        if ((i >= 4 && i < 8) || i >= 12) {
            row[0] -= 900;
            row[2] = w[2] + 6000;
            row[3] = 180;
            (i < 8 ? MBMission.AircraftStarts[i] : MBMission.ResetAircraftStarts[i - 8]).Heading = 180;
        }
    }
    placeStartObjects();
    if (k == 1) {
        MBCameraPosition.Position = {2013460.416, 6500, 2240285.056};
        MinMaxXZ = {52800, 3696000, 52800, 3168000};
        missions::MissionData& m = MBMission;
        const double air[3] = {2334990, 2000, 1859240};
        std::copy(air, air + 3, m.DogfightAirStartCenterSpot);
        m.DogfightAirStartDistance = 3640;
        const double ground[4][5] = {{2346090, -1.0, 1883850, 180, 0.5},
                                     {2319640, -1.0, 1835000, 0, 0.5},
                                     {2297875, -1.0, 1856872, 90, 0.5},
                                     {2373075, -1.0, 1856660, -90, 0.5}};
        for (int t = 0; t < 4; ++t) std::copy(ground[t], ground[t] + 5, m.DogfightGroundStartLocations[t]);
        for (size_t i = 0; i < std::size(kWesternFrontPlaces); ++i)
            MBShortCutsPositions[i] = {kWesternFrontPlaces[i].x, kWesternFrontPlaces[i].y, kWesternFrontPlaces[i].z};
    }
    showQuickDogfight();
    MBViewingPitch = MBViewingHeading = 0;
    MBCameraPosition.QAttitude = {1, 0, 0, 0};
    MBTerrainLoadedFlag = true;
    controls_.altSlider = MBCameraPosition.Position[1] / 500.0;
    fillInVictoryLocationInfo();
    fillInAircraftTabInfo();
    updateMBOpenGLView();
}

// The tables of an opened mission's world: its extent, its places and their menu. Worlds 2 and 3
// (the Western Front's terrain under other bounds) take their places from the dogfight starts.
void MissionBuilder::setWorldTables(int world) {
    const missions::MissionData& m = MBMission;
    if (world == 1) {
        controls_.worldShortcuts.clear();
        for (size_t i = 0; i < std::size(kWesternFrontPlaces); ++i) {
            controls_.worldShortcuts.push_back(kWesternFrontPlaces[i].name);
            MBShortCutsPositions[i] = {kWesternFrontPlaces[i].x, kWesternFrontPlaces[i].y, kWesternFrontPlaces[i].z};
        }
        controls_.worldShortcut = 0;
        MinMaxXZ = {52800, 3696000, 52800, 3168000};
        controls_.worldDescription = "The Western front, Europe, 1918.";
    } else if (world == 2 || world == 3) {
        const double sign = world == 2 ? 1.0 : -1.0;
        MinMaxXZ = world == 2 ? std::array<double, 4>{52800, 633600, 52800, 633600}
                              : std::array<double, 4>{-633600, -52800, -633600, 52800};
        MBShortCutsPositions[0] = {sign * 380160, world == 2 ? 8000.0 : 12000.0, sign * 380160};
        for (int t = 0; t < 4; ++t)
            MBShortCutsPositions[t + 1] = {m.DogfightGroundStartLocations[t][0], world == 2 ? 4500.0 : 12500.0,
                                           m.DogfightGroundStartLocations[t][2]};
    }
}

// The live objects of every row in use; the aircraft stand at their start places.
void MissionBuilder::placeStartObjects() {
    const int32_t total = totalObjects();
    for (int r = 0; r < total; ++r) {
        ZephModel* made = loadRow(r);
        if (!made || r < ModelArray::kFirstAircraft || r >= ModelArray::kDebris) continue;
        const int n = r - ModelArray::kFirstAircraft;
        const double* start = MBMission.MissionStartLocations[n];
        QNion attitude;
        const double a = -start[3] / kDegreesPerRadian / 2;
        attitude.QAttitude = {std::cos(a), 0, std::sin(a), 0};
        made->setStartingModelQNionX(start[0], start[1], start[2], &attitude);
        made->setTeamNumber(MBMission.AircraftStarts[n].Team);
    }
}

void MissionBuilder::showQuickDogfight() {
    const missions::MissionData& m = MBMission;
    BuilderControls& c = controls_;
    c.qdAirStart = placeText(m.DogfightAirStartCenterSpot);
    c.qdAirStartDistance = std::to_string(cutToInt(m.DogfightAirStartDistance));
    for (int t = 0; t < 4; ++t) {
        const double* row = m.DogfightGroundStartLocations[t];
        c.qdGroundStart[t] = placeText(row);
        c.qdHeading[t] = cutToInt(row[3]);
        char fuel[32];
        std::snprintf(fuel, sizeof fuel, "%.3f", row[4]);
        c.qdFuel[t] = fuel;
    }
}

// Visibility, ceiling altitude and the ceiling deck. Each value is clamped, stored in SkyFlags
// and mirrored into the partner control; only the check box shows the deck at once.
bool MissionBuilder::weatherAction(int tag) {
    BuilderControls& c = controls_;
    int32_t& sky = MBMission.SkyFlags;
    auto& layers = MBMission.Layers;
    switch (tag) {
    case kTagVisibility:
    case kTagVisibilityFB: {
        const double v = clampTo(tag == kTagVisibility ? c.visibility : c.visibilityFB,
                                 tag == kTagVisibility ? 1.0 : 0.0, 100.0);
        (tag == kTagVisibility ? c.visibility : c.visibilityFB) = v;
        (tag == kTagVisibility ? c.visibilityFB : c.visibility) = v;
        sky = (sky & ~0xFF) + int32_t(2 * v);
        return true;
    }
    case kTagCeiling:
    case kTagCeilingFB: {
        const double ceiling = clampTo(tag == kTagCeiling ? c.ceiling : c.ceilingFB, 1.0, 50000.0);
        (tag == kTagCeiling ? c.ceiling : c.ceilingFB) = ceiling;
        (tag == kTagCeiling ? c.ceilingFB : c.ceiling) = ceiling;
        sky = int32_t((uint32_t(sky) & 0x800000FFu) + (uint32_t(ceiling) << 8));
        if (tag == kTagCeilingFB) {
            const double thickness = clampTo(c.thickness, 5.0, 20000.0);
            // A deck only while the box is on, as a save would take it.
            layers[0] = {c.ceilingCheck == 1 ? deckKind(layers[0]) : 0, ceiling, ceiling + thickness};
            layers[1].TextureNumber = layers[2].TextureNumber = 0;
            // The deck is at the typed ceiling now: typed back, the save moves it back.
            if (BuilderControls* shown = shownControls()) shown->ceiling = shown->ceilingFB = ceiling;
        }
        return true;
    }
    case kTagCeilingOnOff: {
        const bool on = c.ceilingCheck == 1;
        sky = int32_t(on ? uint32_t(sky) | 0x80000000u : uint32_t(sky) & 0x7FFFFFFFu);
        const double ceiling = clampTo(c.ceilingFB, 1.0, 50000.0), thickness = clampTo(c.thickness, 5.0, 20000.0);
        if (on) {
            layers[0] = {deckKind(layers[0]), ceiling, ceiling + thickness};
            layers[1].TextureNumber = layers[2].TextureNumber = 0;
        } else {
            for (missions::CloudLayer& layer : layers) layer.TextureNumber = 0;
        }
        sendLayersToTerrain(layers);
        updateMBOpenGLView();
        return true;
    }
    default:
        return false;
    }
}

// The builder's window goes; the terrain goes back to the game with the game's fog and clouds.
void MissionBuilder::leaveBuilder() {
    controls_.windowOpen = controls_.windowKey = false;
    controls_.cancelSheetShown = false;
    MBWindowOpen = false;
    MBCurrentObject = 0;
    MBDraggingObject = MBDraggingPath = false;
    RIDUdidav* ground = worldTerrain();
    returnTerrain();
    if (host_->reloadUserMissionsWanted()) host_->reloadUserMissions();
    if (ground) {
        ground->setFogDistance(host_->missionHaze());
        const auto layers = host_->missionLayers();
        for (int n = 0; n < 3; ++n)
            ground->SetDetailsForLayer(n, layers[n].TextureNumber, layers[n].LayerBottom, layers[n].LayerTop);
    }
}

}  // namespace pellam::builder
