#pragma once
// The mission builder window's controls as state: what each control shows and what the user set
// in it. The window (builder/draw) shows them with Dear ImGui and sends the builder the control's
// tag; the builder reads the control's value here, as an action reads its sender. Nothing here
// draws, so the builder's actions run and are tested without a screen.
#include <array>
#include <string>
#include <vector>

#include "builder/AircraftTabs.h"
#include "builder/FileSheets.h"

namespace pellam::builder {

// Indexes of the main tab view's tabs that the builder's rules name.
enum BuilderTab : int { kTabWorld = 0, kTabObjects = 1, kTabAircraft = 2, kTabWeather = 3, kTabVictory = 4, kTabPaths = 5 };
inline constexpr int kBuilderTabs = 6;

struct BuilderControls {
    // The window and the unsaved-changes sheet.
    bool windowOpen = false;   // on the screen (ordered out: false)
    bool windowKey = false;
    std::string windowTitle = "Mission Builder";
    bool cancelSheetShown = false;

    // Tab views: the main one, the eight aircraft tabs, each aircraft's start (0) / restart (1) pages.
    int mainTab = kTabWorld;             // toMBTabView
    int aircraftTab = 0;                 // toMBAircraftTabs
    std::array<int, 8> startRestart{};   // tosrs1 .. tosrs8

    // World tab.
    int worldMenu = 0;                   // toMBWorldMenu; 0 no world chosen
    std::string worldDescription;        // toMBWorldDescription
    bool showsWorldMap = false;          // toMBMapImage shows the world map
    double altSlider = 0.0;              // toMBAltSlider: camera height / 500
    std::vector<std::string> worldShortcuts;  // toMBWorldShortcuts' items
    int worldShortcut = 0;               // its selected item
    std::string viewingPosition;         // toMBViewingPosition

    // The item panel.
    std::string objectID = "Unique ID: --", objectLocation, objectHeading, objectTeam, objectPoints;
    std::string itemNotes = "Notes:", itemPath, randomStart, textureNames;
    int objectMenuTag = 0;               // toMBObjectMenu: tag (object code) of the selected item
    std::string totalObjects;            // toMBTotalObjects

    // Mission texts and settings.
    std::string missionTitle, missionDescription, missionVictory, missionLost;
    int missionPoints = 250;             // toMBMissionPoints
    double timeOfDay = 14.5;             // toMBTimeOfDay, decimal hours

    // Weather (tags 590..594): pairs mirror each other.
    double visibility = 2.0, visibilityFB = 2.0;   // toMBVisibility, toMBVisibilityFB
    double ceiling = 10000.0, ceilingFB = 10000.0; // toMBCeiling, toMBCeilingFB (ft)
    int ceilingCheck = 0;                          // toMBCeilingCheckB state
    double thickness = 150.0;                      // toMBThickness (ft)
    int groundClutterType = 0;                     // toMBGCType
    double windSpeed = 0, windDirection = 88;      // toMBWindSpeed (mph), toMBWindDirection (deg)

    // Victory tab.
    int victoryAliveRow = 0;             // toMBVAlive: row 0 must be alive, row 1 not
    int victoryLandings = 0, victoryKills = 0, victoryTeamKills = 0, victoryPoints = 0;
    int victoryMinutes = 0, victoryAfterSeconds = 0;
    std::string victoryTargetsAlive, victoryTargetsDead;  // toMBVTarAlive, toMBVTarDes
    int victoryNumberAlive = 0, victoryNumberDead = 0;

    // Quick-dogfight starts.
    std::string qdAirStart;              // toMBQDAirStart "x, y, z"
    std::string qdAirStartDistance;      // toMBQDAirStartDis (ft), read as a number
    std::array<std::string, 4> qdGroundStart;  // red, blue, yellow, black "x, y, z"
    std::array<int, 4> qdHeading{};
    std::array<std::string, 4> qdFuel;

    // Path table: the selected row (one at most) and the row scrolled into view.
    int pathSelectedRow = 0;
    int pathScrollRow = 0;

    // The objects tab's stepper (at rest 5), the aircraft and victory-location tabs, the save sheet
    // and the open panel.
    int objectStepper = 5;
    AircraftTabControls aircraftTabs;
    FileSheets files;
};

}  // namespace pellam::builder
