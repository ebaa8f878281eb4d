#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>

#include "builder/BuilderSave.h"
#include "builder/ObjectEditing.h"
#include "missions/MissionBounds.h"
#include "platform/Paths.h"
#include "tests/TestFolder.h"
#include "tests/builder/BuilderFixture.h"

namespace pellam::builder {
namespace {

namespace fs = std::filesystem;

struct BuilderFiles : BuilderTest {
    testing::TestFolder folder{"pellam builder"};
    BuilderFiles() { platform::setApplicationFolder(folder.path().string()); }
    ~BuilderFiles() override { platform::setApplicationFolder(""); }
    std::string saveAs(const std::string& name) {
        builder.fromMBMenu(kTagSaveAs);
        builder.controls().files.saveName = name;
        builder.savePanelMBDidEnd(true);
        return host.missionsFolder() + name + ".pellam";
    }
    void add(int32_t code) {
        builder.controls().objectMenuTag = code;
        builder.fromMBMenu(kTagAddObject);
    }
    std::vector<uint8_t> bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void write(const std::string& path, const std::vector<uint8_t>& b) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    }
    // The opened mission at `path` holds `deck`, shown on: thicker, saved and opened again, then at
    // a new ceiling, it keeps its kind and its other end; unticked it goes, and the thickness stays.
    void changeTheDeck(const std::string& path, const missions::CloudLayer deck) {
        BuilderControls& c = builder.controls();
        const double bottom = deck.LayerBottom, thicker = deck.LayerTop - bottom + 50;  // copied: at 4-byte boundaries
        EXPECT_EQ(c.ceilingCheck, 1) << path;
        c.thickness = thicker;
        builder.fromMBMenu(kTagSave);
        ASSERT_TRUE(builder.openMission(path));
        const missions::CloudLayer& now = builder.MBMission.Layers[0];
        EXPECT_EQ(now.TextureNumber, deck.TextureNumber) << path;
        EXPECT_EQ(double(now.LayerBottom), bottom) << path;
        EXPECT_EQ(c.thickness, thicker) << path;
        c.ceilingFB = bottom + 100;
        builder.fromMBMenu(kTagCeilingFB);
        builder.fromMBMenu(kTagSave);
        EXPECT_EQ(now.TextureNumber, deck.TextureNumber) << path;
        EXPECT_EQ(double(now.LayerTop), bottom + 100 + thicker) << path;
        c.ceilingCheck = 0;
        builder.fromMBMenu(kTagCeilingOnOff);
        c.ceilingFB = bottom;  // with the box off, a ceiling typed brings no deck back
        builder.fromMBMenu(kTagCeilingFB);
        builder.fromMBMenu(kTagSave);
        EXPECT_EQ(now.TextureNumber, 0) << path;
        EXPECT_EQ(builder.MBMission.MoreDoubleItems[0], thicker) << path;
    }
};

// A mission saved, opened again and saved again is the same record: what the controls show is
// what the record holds. The save's clamps and packings land in the file.
TEST_F(BuilderFiles, SaveOpenSaveKeepsTheRecordAndPacksTheControls) {
    westernFront();
    builder.MBCameraPosition.Position = {2100000, 3000, 2100000};
    add(66);
    add(65);
    BuilderControls& c = builder.controls();
    c.timeOfDay = 23.99;
    c.missionPoints = 900;
    c.groundClutterType = 2;
    c.mainTab = kTabVictory;
    c.aircraftTab = 3;
    c.startRestart[3] = 1;
    c.victoryTargetsDead = "3, 7,x9,,12";
    c.victoryNumberDead = 1;
    c.victoryMinutes = 601;
    AircraftSlot& seven = c.aircraftTabs.slots[7];
    seven.pages[0].wingmanLeader = 8;  // itself: the last aircraft keeps its own number
    c.aircraftTabs.slots[2].pages[0].wingmanLeader = 0;  // no aircraft 0: the first leads
    seven.pages[0].bombs = "9";
    seven.pages[1].startTypeItem = 29;  // line abreast
    c.aircraftTabs.slots[1].pages[0].position = "2100000, 300, 2100000";  // below the 600 ft ground
    c.aircraftTabs.victoryLocations[1].location = "100, 200";  // two numbers: beeps, keeps the place
    c.qdGroundStart[2] = "500, 9999, 700";
    c.qdGroundStart[3] = "1, 2, 3, 4";  // four: beeps again
    const int beeps = host.beeps;
    const std::string path = saveAs("Balloon raid");
    EXPECT_EQ(host.beeps, beeps + 2);
    ASSERT_TRUE(fs::exists(path));
    EXPECT_TRUE(builder.MBSavedFlag);
    EXPECT_EQ(c.windowTitle, "Mission Builder: Balloon raid.pellam");

    const missions::MissionData& m = builder.MBMission;
    EXPECT_EQ(m.TimeOfDay, (99 << 16) + 23);
    EXPECT_EQ(m.TabNumber, kTabVictory | 3 << 16 | 1 << 24);
    const std::array<int32_t, 20> dead{3, 7, 9, 0, 12};
    EXPECT_EQ(m.TheVictory.ParticularDeadObjects, dead);
    EXPECT_EQ(m.TheVictory.MustWinInXTicks, 600 * 3600);
    EXPECT_EQ(m.AircraftStarts[7].LeadAircraftForWingman, 7);
    EXPECT_EQ(m.AircraftStarts[2].LeadAircraftForWingman, 0);
    EXPECT_EQ(m.AircraftStarts[7].NumberOfBombs, 6);
    EXPECT_EQ(m.ResetAircraftStarts[7].StartType, 30);
    EXPECT_EQ(m.MissionStartLocations[1][1], -1.0);
    EXPECT_EQ(m.TotalObjects, 24);
    EXPECT_EQ(m.TheVictory.Location2[0], 0.0);
    EXPECT_EQ(m.DogfightGroundStartLocations[2][0], 500);
    EXPECT_EQ(m.DogfightGroundStartLocations[2][1], -1.0);
    EXPECT_EQ(m.DogfightGroundStartLocations[3][0], 2373075);
    const std::vector<uint8_t> saved = missions::encodeMissionRecord(m);

    builder.fromMBMenu(kTagClose);
    builder.fromMBMenu(kTagNewMission);
    c = BuilderControls{};  // whatever the window showed before, the opened file fills it
    ASSERT_TRUE(builder.openMission(path));
    EXPECT_EQ(missions::encodeMissionRecord(builder.MBMission), saved);
    EXPECT_EQ(builder.MBArray.size(), 24);
    EXPECT_EQ(c.mainTab, kTabVictory);
    EXPECT_EQ(c.startRestart[3], 1);
    EXPECT_EQ(c.timeOfDay, 23.99);
    builder.fromMBMenu(kTagSave);  // straight to the opened file
    EXPECT_EQ(missions::encodeMissionRecord(builder.MBMission), saved);
    EXPECT_EQ(builder.MBFileName, path);
    // The air start distance is read as a number with its fraction; the field shows whole feet.
    c.qdAirStartDistance = "3640.3";
    builder.fromMBMenu(kTagSave);
    EXPECT_EQ(m.DogfightAirStartDistance, double(3640.3f));
}

// Every built-in mission, and missions holding every number at either end of its range, a 40 ft
// cloud deck and a wingman without a leader, opened and saved with nothing touched, keep every
// field as the file held it but the date, the byte sum and the versions a save stamps. A built-in
// deck (held with the sky flags' ceiling off) is shown, and changed keeps its kind.
TEST_F(BuilderFiles, AMissionOpenedAndSavedUntouchedKeepsEveryField) {
    const char* build = std::getenv("PELLAM_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    std::vector<std::string> paths;
    fs::create_directories(host.missionsFolder());
    for (const auto& entry : fs::directory_iterator(fs::path(build) / "data"))
        if (entry.path().extension() == ".pellam") {
            paths.push_back(host.missionsFolder() + entry.path().filename().string());
            fs::copy_file(entry.path(), paths.back());
        }
    ASSERT_EQ(paths.size(), 23u);
    westernFront();
    saveAs("Base");
    const auto base = std::make_unique<missions::MissionData>(builder.MBMission);
    auto written = [&](const std::string& name, auto change) {
        auto m = std::make_unique<missions::MissionData>(*base);
        change(*m);
        paths.push_back(host.missionsFolder() + name);
        EXPECT_EQ(missions::writeMissionFile(paths.back(), *m, builder.MBTexts), "");
    };
    auto memory = [](missions::MissionData& m) { return reinterpret_cast<unsigned char*>(&m); };
    for (const bool high : {false, true})
        written(high ? "highs.pellam" : "lows.pellam", [&](missions::MissionData& m) {
            for (const missions::BoundedField& f : missions::boundedMissionFields()) {
                if (f.name == "WorldMenuOffsetNumber") continue;  // a world without terrain is refused
                const double end = high ? f.range.high : f.range.low;
                const int32_t whole = static_cast<int32_t>(end);
                if (f.isDouble) std::memcpy(memory(m) + f.offset, &end, 8);
                else std::memcpy(memory(m) + f.offset, &whole, 4);
            }
        });
    written("odd.pellam", [](missions::MissionData& m) {
        m.MoreDoubleItems[0] = 40;
        m.Layers[0] = {1, 3000, 3040};
        m.SkyFlags = int32_t(0x80000000u | 3000 << 8 | 9);
        m.AircraftStarts[3].LeadAircraftForWingman = missions::kNoWingmanLeader;
        m.AircraftStarts[3].AIType = 2;
        m.AircraftStarts[4].StartType = 5;
        m.AircraftStarts[5].AircraftType = 0;
        m.AircraftStarts[6].Team = 0;
        m.TabNumber = 0x7F09FFFF;
        m.MissionStartLocations[2][3] = 75;  // the start place's heading, not the record's, is flown
    });

    std::map<size_t, std::string> names;
    for (const missions::BoundedField& f : missions::boundedMissionFields()) names[f.offset] = f.name;
    const std::set<size_t> stamped = {offsetof(missions::MissionData, AppVersionNumber),
                                      offsetof(missions::MissionData, MissionStructVersion),
                                      offsetof(missions::MissionData, Hash1),
                                      offsetof(missions::MissionData, NewObjectsNumber),
                                      offsetof(missions::MissionData, SecondsSince2001)};
    auto opened = std::make_unique<missions::MissionFileContents>();
    auto saved = std::make_unique<missions::MissionFileContents>();
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        ASSERT_EQ(missions::readMissionFile(path, *opened), "");
        ASSERT_TRUE(builder.openMission(path)) << path;
        builder.fromMBMenu(kTagSave);
        ASSERT_TRUE(builder.MBSavedFlag) << path;
        ASSERT_EQ(missions::readMissionFile(path, *saved), "");
        for (const missions::RecordField& f : missions::missionRecordFields()) {
            if (stamped.count(f.offset)) continue;
            EXPECT_EQ(std::memcmp(memory(opened->record) + f.offset, memory(saved->record) + f.offset, f.width), 0)
                << fs::path(path).filename() << ": " << (names.count(f.offset) ? names[f.offset] : "")
                << " at byte " << f.offset;
        }
        if (i < 23 && opened->record.Layers[0].TextureNumber != 0) changeTheDeck(path, opened->record.Layers[0]);
    }
    // Touched, the deck is taken whole from the window: its bottom at the ceiling shown, its top
    // as thick as typed.
    builder.controls().thickness = 300;
    builder.fromMBMenu(kTagSave);
    const double bottom = builder.MBMission.Layers[0].LayerBottom, top = builder.MBMission.Layers[0].LayerTop;
    EXPECT_EQ(bottom, 3000);
    EXPECT_EQ(top, 3300);
    EXPECT_EQ(builder.MBMission.AircraftStarts[3].LeadAircraftForWingman, missions::kNoWingmanLeader);

    // What an aircraft action writes into the record counts as shown: a start placed at the camera,
    // its place and a team typed back without Return, is saved as typed; a restart copied from a
    // start without a leader keeps none.
    const missions::MissionData& m = builder.MBMission;
    BuilderControls& c = builder.controls();
    c.aircraftTab = 3;
    AircraftSlot& slot = c.aircraftTabs.slots[3];
    const std::string place = slot.pages[0].position, team = slot.team;
    const double x = m.MissionStartLocations[3][0], z = m.MissionStartLocations[3][2];
    builder.fromMBMenu(541);
    slot.pages[0].position = place;
    slot.team = "Yellow";
    builder.fromMBMenu(544);
    slot.team = team;
    builder.fromMBMenu(558);
    builder.fromMBMenu(kTagSave);
    for (int row : {3, 11}) {
        EXPECT_EQ(m.MissionStartLocations[row][0], std::trunc(x));
        EXPECT_EQ(m.MissionStartLocations[row][2], std::trunc(z));
    }
    EXPECT_EQ(m.AircraftStarts[3].Team, teamNumber(team));
    EXPECT_EQ(m.ResetAircraftStarts[3].Team, teamNumber(team));
    EXPECT_EQ(m.ResetAircraftStarts[3].LeadAircraftForWingman, missions::kNoWingmanLeader);
}

// Only a whole, unchanged mission of this game's object kinds opens; a refused one beeps, tells the
// player which file and why, and changes nothing: the builder keeps its mission and its file, so
// the next save cannot overwrite the refused file.
TEST_F(BuilderFiles, DamagedOrForeignFilesAreRefusedAndNothingIsAdopted) {
    westernFront();
    const std::string good = saveAs("Good");
    const std::vector<uint8_t> file = bytes(good);
    const size_t record = file.size() - missions::kMissionBytes;
    // The sum does not depend on byte order: the host-order record sums as the stored block.
    const auto* memory = reinterpret_cast<const uint8_t*>(&builder.MBMission);
    EXPECT_EQ(missions::missionHash(memory), builder.MBMission.Hash1);

    auto variant = [&](const std::string& name, auto change) {
        std::vector<uint8_t> b = file;
        change(b);
        write(host.missionsFolder() + name, b);
        return host.missionsFolder() + name;
    };
    std::vector<std::string> refused = {
        variant("tampered.pellam", [&](auto& b) { b[record + 20000] ^= 1; }),
        variant("short.pellam", [&](auto& b) { b.resize(b.size() - 100); }),
        variant("notes.txt", [](auto&) {}),
    };
    auto rewritten = [&](const std::string& name, auto change) {
        auto m = std::make_unique<missions::MissionData>(builder.MBMission);
        change(*m);
        const std::string p = host.missionsFolder() + name;
        EXPECT_EQ(missions::writeMissionFile(p, *m, builder.MBTexts), "");
        return p;
    };
    refused.push_back(rewritten("kinds14.pellam", [](auto& m) { m.NewObjectsNumber = 14; }));
    refused.push_back(rewritten("few.pellam", [](auto& m) { m.TotalObjects = 21; }));
    refused.push_back(rewritten("many.pellam", [](auto& m) { m.TotalObjects = 259; }));
    refused.push_back(rewritten("world4.pellam", [](auto& m) { m.WorldMenuOffsetNumber = 4; }));
    builder.MBMission.TimeOfDay = 12345;
    const int beeps = host.beeps;
    std::set<std::string> reasons;
    for (const std::string& path : refused) {
        host.told.clear();
        EXPECT_FALSE(builder.openMission(path)) << path;
        EXPECT_EQ(builder.MBFileName, good);
        EXPECT_EQ(builder.MBMission.TimeOfDay, 12345);
        ASSERT_EQ(host.told.size(), 1u) << path;
        EXPECT_NE(host.told[0].find(path), std::string::npos) << host.told[0];
        reasons.insert(host.told[0].substr(host.told[0].find(path) + path.size()));
    }
    EXPECT_EQ(host.beeps, beeps + int(refused.size()));
    EXPECT_EQ(reasons.size(), refused.size()) << "two refusals read alike";
    EXPECT_TRUE(reasons.count(": changed since it was saved (its byte sum does not match)."));
    // The text slots are not summed; a stored tab number out of range is brought into range.
    EXPECT_TRUE(builder.openMission(variant("slots.pellam", [&](auto& b) { b[record + 33] = 7; })));
    // The open panel lists the folder's missions; the reopen command takes the last one opened
    // when the builder's own file is gone.
    builder.fromMBMenu(kTagOpen);
    FileSheets& files = builder.controls().files;
    ASSERT_TRUE(files.openShown);
    EXPECT_NE(std::find(files.openChoices.begin(), files.openChoices.end(), "slots.pellam"), files.openChoices.end());
    EXPECT_EQ(std::count(files.openChoices.begin(), files.openChoices.end(), "notes.txt"), 0);
    // Nor a folder or FIFO named like a mission (a folder once stopped the game when opened).
    fs::create_directories(host.missionsFolder() + "campaign.pellam");
    ASSERT_EQ(mkfifo((host.missionsFolder() + "pipe.pellam").c_str(), 0600), 0);
    EXPECT_FALSE(builder.openMission(host.missionsFolder() + "campaign.pellam"));
    builder.fromMBMenu(kTagOpen);
    for (const char* odd : {"campaign.pellam", "pipe.pellam"})
        EXPECT_EQ(std::count(files.openChoices.begin(), files.openChoices.end(), odd), 0) << odd;
    const auto listed = std::find(files.openChoices.begin(), files.openChoices.end(), "slots.pellam");
    ASSERT_NE(listed, files.openChoices.end());
    files.openChoice = static_cast<int>(listed - files.openChoices.begin());
    builder.openPanelDidEnd(true);
    EXPECT_EQ(builder.MBFileName, host.missionsFolder() + "slots.pellam");
    builder.MBFileName = host.missionsFolder() + "gone.pellam";
    builder.MBMission.TimeOfDay = 1;
    builder.fromMBMenu(kTagReopen);
    EXPECT_EQ(builder.MBFileName, host.missionsFolder() + "slots.pellam");
    EXPECT_NE(builder.MBMission.TimeOfDay, 1);
    // A camera saved under the 600 ft ground opens just above it, so the view shows the world.
    EXPECT_TRUE(builder.openMission(rewritten("buried.pellam", [](auto& m) { m.CameraLocation[1] = 5; })));
    EXPECT_EQ(builder.MBCameraPosition.Position[1], 600 + kCameraClearance);
    EXPECT_EQ(builder.MBCurrentObject, 0);
    // Saved on an aircraft's tab, it opens with that aircraft selected, shown close up.
    const std::string onAircraft = rewritten("aircraft.pellam", [](auto& m) { m.TabNumber = kTabAircraft | 3 << 16; });
    EXPECT_TRUE(builder.openMission(onAircraft));
    EXPECT_EQ(builder.MBCurrentObject, 5);
    EXPECT_EQ(builder.closeUpItem(), builder.MBArray.at(5));
    // After New the builder has no file, and reopening brings back none.
    builder.fromMBMenu(kTagClose);
    builder.fromMBMenu(kTagNewMission);
    builder.fromMBMenu(kTagReopen);
    EXPECT_FALSE(builder.MBFileName);
    EXPECT_FALSE(builder.MBTerrainLoadedFlag);
    EXPECT_EQ(builder.MBMission.TotalObjects, kHeadRows);
    // Values a file may hold that the window shows as a column or an item are kept in range.
    EXPECT_TRUE(builder.openMission(rewritten("kinds13.pellam", [](auto& m) {
        m.TabNumber = 0x7F09FFFF;
        m.GC1 = 99;
        m.AircraftStarts[1].StartType = 77;
        m.AircraftStarts[1].AISkillLevel = -9;
        m.TheVictory.Location1Flags = 40;
    })));
    const BuilderControls& c = builder.controls();
    EXPECT_EQ(c.mainTab, kTabPaths);
    EXPECT_EQ(c.aircraftTab, 7);
    EXPECT_EQ(c.groundClutterType, 2);
    EXPECT_EQ(c.aircraftTabs.slots[1].pages[0].startTypeItem, 0);
    EXPECT_EQ(c.aircraftTabs.slots[1].pages[0].skillColumn, 0);
    EXPECT_EQ(c.aircraftTabs.victoryLocations[0].modeColumn, kLocationModeColumns - 1);
}

// A save that cannot be written beeps, tells the player why, keeps the mission unsaved under its
// old name and leaves the previous file whole.
TEST_F(BuilderFiles, AFailedSaveKeepsThePreviousFileAndStaysUnsaved) {
    westernFront();
    const std::string path = saveAs("Patrol");
    const std::vector<uint8_t> before = bytes(path);
    fs::create_directory(path + ".tmp-" + std::to_string(getpid()));  // the temporary file cannot be made
    builder.controls().missionTitle = "Changed";
    builder.MBSavedFlag = false;
    const int beeps = host.beeps;
    builder.fromMBMenu(kTagSave);
    EXPECT_EQ(host.beeps, beeps + 1);
    ASSERT_EQ(host.told.size(), 1u);
    EXPECT_NE(host.told[0].find(path), std::string::npos) << host.told[0];
    EXPECT_FALSE(builder.MBSavedFlag);
    EXPECT_EQ(bytes(path), before);
    // Through the sheet: nothing is taken as the builder's file.
    builder.fromMBMenu(kTagSaveAs);
    builder.controls().files.saveName = "Patrol";
    builder.savePanelMBDidEnd(true);
    EXPECT_EQ(builder.controls().windowTitle, "Mission Builder: Patrol.pellam");
    EXPECT_FALSE(builder.MBSavedFlag);
    for (const char* name : {"", "../escape", ".."}) {
        builder.fromMBMenu(kTagSaveAs);
        builder.controls().files.saveName = name;
        builder.savePanelMBDidEnd(true);
    }
    EXPECT_EQ(host.beeps, beeps + 5);
}

TEST(TimeOfDay, PackedHundredthsAreRoundedAndReadBack) {
    EXPECT_EQ(packTimeOfDay(6.5), (50 << 16) + 6);
    EXPECT_EQ(packTimeOfDay(-3), 0);
    EXPECT_EQ(packTimeOfDay(6.999), 7);
    for (int hundredths = 0; hundredths < 2400; ++hundredths)
        EXPECT_EQ(packTimeOfDay(timeOfDayHours(packTimeOfDay(hundredths / 100.0))), packTimeOfDay(hundredths / 100.0));
}

}  // namespace
}  // namespace pellam::builder
