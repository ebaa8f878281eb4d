// The mission window, the dogfight window and the user missions, tried as a new player would on a
// real window under Xvfb: pop-ups opened and items chosen with the mouse, buttons pressed.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "aircraft/FlyableAircraft.h"
#include "platform/OpenFile.h"
#include "tests/game/InterfaceFixture.h"
#include "tests/game/frame_step.h"
#include "tests/flight/TestWorld.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

class MissionWindowTest : public InterfaceTest {
protected:
    void SetUp() override {
        InterfaceTest::SetUp();
        fs::create_directories(folder_ / "user");
        missiongen::buildPatrolMission(*record_, texts_);
        write("pellamm1.pellam");
        texts_.title = "Evening Patrol";
        texts_.description = "Late in the day, with the wind from the west.";
        record_->WindSpeed = 12.5;
        record_->WindDirection = 270;
        write("pellamm2.pellam");
    }
    void TearDown() override {
        platform::setDesktopOpener("");
        InterfaceTest::TearDown();
    }

    void write(const std::string& relative) {
        fs::create_directories((folder_ / relative).parent_path());
        record_->SecondsSince2001 += 60;  // each mission made a minute after the last
        ASSERT_EQ(missions::writeMissionFile((folder_ / relative).string(), *record_, texts_), "");
    }
    // The game starting: missions read, the pilot signed in (under `pilot`, typed over the name
    // the game gave him, when one is given), the mission window open.
    void start(const std::string& pilot = "") {
        launch();
        if (!pilot.empty()) rename(pilot);
        press("Pilot Sign-In", "Sign In");
        // Nothing is offered until the mission window has opened.
        if (!eachFrame) EXPECT_FALSE(c->validateMenuItem(kMenuPreferences));
        c->fromMenus(kMenuSelectMission);
        ASSERT_TRUE(c->missionWindow.toSelectMission.open);
    }
    void launch() {
        controller_ = std::make_unique<VADArizodazar2>(
            GameController::Links{store_.get()},
            VADArizodazar2::Content{{}, {}, [] { return std::make_unique<testing::FlatTerrain>(100.0); }, nullptr,
                                    folder_.string() + "/", [] { return 0; }, (folder_ / "user").string() + "/"});
        c = controller_.get();
        c->awakeFromNib();
    }
    // Clicks after the first pilot's name, rubs it out and types `name`.
    void rename(const std::string& name) {
        press("Pilot Sign-In", "Name 1");
        for (size_t k = c->interface().pilotNameFields[0].stringValue.size(); k > 0; --k)
            for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
                SDL_Event key{};
                key.type = type;
                key.key.windowID = window_->windowID();
                key.key.keysym.scancode = SDL_SCANCODE_BACKSPACE;
                key.key.keysym.sym = SDLK_BACKSPACE;
                SDL_PushEvent(&key);
                frame();
            }
        type(name.c_str());
    }

    // Opens the mission pop-up and chooses the item with this title.
    void choose(const std::string& title) {
        press("Select Mission", "Mission");
        press("Select Mission", title);
    }
    std::vector<std::string> menuTitles() const {
        std::vector<std::string> titles;
        for (const missions::MenuItem& item : c->missionWindow.toMissionMenuPopUp.items) titles.push_back(item.title);
        return titles;
    }
    bool menuItemOpen(const std::string& title) const {
        for (const missions::MenuItem& item : c->missionWindow.toMissionMenuPopUp.items)
            if (item.title == title) return item.enabled;
        return false;
    }

    std::unique_ptr<missions::MissionData> record_ = std::make_unique<missions::MissionData>();
    missions::MissionTexts texts_;
    VADArizodazar2* c = nullptr;
};

TEST_F(MissionWindowTest, PickAMissionReadItAndFlyIt) {
    start();
    MissionWindowControls& w = c->missionWindow;
    EXPECT_EQ(menuTitles(), (std::vector<std::string>{"Training:", "     Evening Patrol", "Patrols and Dogfights:",
                                                      "     " + c->TheMissions.texts(0)->title, "User Missions:"}));
    choose("     Evening Patrol");
    EXPECT_EQ(c->TempNewMissionNumber, 1);
    EXPECT_EQ(w.toMissionDescription, "Late in the day, with the wind from the west.");
    // The chosen mission's own wind, not the one of the flight running.
    EXPECT_EQ(w.toPrevailingWinds, "Prevailing Winds: W at 12 mph");
    EXPECT_EQ(w.MissionType[0].selectedTag(), missions::startRecordType(record_->AircraftStarts[0].AircraftType));

    // A label cannot be chosen: nothing changes.
    choose("User Missions:");
    EXPECT_EQ(c->TempNewMissionNumber, 1);
    click(5, 760);  // away from the pop-up, which stays open on a label

    w.MissionType[0].selectCode(77);
    w.MissionType[1].selectCode(1001);
    press("Select Mission", "Fly Mission");
    EXPECT_FALSE(w.toSelectMission.open);
    EXPECT_TRUE(c->gamePause);
    EXPECT_FALSE(c->isDogfightOnly);
    EXPECT_EQ(c->CurrentMissionNumber, 1);
    EXPECT_EQ(c->TheMissions.record(1)->AircraftStarts[0].AircraftType, 77);
    EXPECT_EQ(c->TheMissions.record(1)->AircraftStarts[1].AircraftType, 1001);  // drawn at each start
    EXPECT_TRUE(c->interface().toMouseFlying.open);  // no joystick: the hint, once
}

TEST_F(MissionWindowTest, QuickDogfightFourAgainstFour) {
    start();
    EXPECT_TRUE(c->validateMenuItem(kMenuSelectMission));
    choose("     Evening Patrol");
    press("Select Mission", "Quick Dogfight");
    DogfightWindowControls& d = c->dogfightWindow;
    ASSERT_TRUE(d.toDogfightOnlyWindow.open);
    EXPECT_FALSE(c->missionWindow.toSelectMission.open);
    for (int n = 0; n < 8; ++n) {
        d.DOAircraftType[n].selectCode(n < 4 ? 55 : 77);
        d.DOTeam[n].clear();
        d.DOTeam[n].setState(true, n < 4 ? 0 : 1, 0);
        d.DOOnOff[n].clear();
        d.DOOnOff[n].setState(true, 0, 0);
    }
    d.DOAircraftType[7].selectCode(1001);
    d.DOBombs[0].state = true;
    d.toDogfightKills = 250;
    press("Quick Dogfight", "Fly Dogfight");
    EXPECT_FALSE(d.toDogfightOnlyWindow.open);
    ASSERT_TRUE(c->gamePause);
    EXPECT_TRUE(c->isDogfightOnly);
    EXPECT_EQ(c->DogfightOnlyVKills, 100);
    const missions::MissionData& m = *c->TheMissions.record(1);
    EXPECT_EQ(m.AircraftStarts[7].AircraftType, 1001);
    EXPECT_NE(m.ResetAircraftStarts[7].AircraftType, 1001);
    EXPECT_EQ(m.DogfightOnlyBombLoad[0], 8);
    for (int n = 0; n < 8; ++n) {
        FlyableAircraft* aircraft = c->aircraftAt(ModelArray::kFirstAircraft + n);
        ASSERT_NE(aircraft, nullptr) << n;
        EXPECT_EQ(aircraft->getTeamNumber(), n < 4 ? 1 : 2) << n;
    }

    // The dogfight window shows the last set-up when it opens again.
    c->fromMenus(kMenuSelectMission);
    press("Select Mission", "Quick Dogfight");
    EXPECT_EQ(d.DOAircraftType[7].selectedTag(), 1001);
    EXPECT_EQ(d.toDogfightKills, 100);
    d.toDogfightKills = 0;
    d.DOOnOff[0].clear();
    d.DOOnOff[0].setState(true, 0, 1);  // slot 0 has no such control: whatever it shows is not read
    press("Quick Dogfight", "Fly Dogfight");
    EXPECT_EQ(c->DogfightOnlyVKills, 1);
    EXPECT_EQ(m.DogfightOnlyOnOff[0], 1);
    QNion pose;
    c->aircraftAt(ModelArray::kFirstAircraft)->getModelPositionQNion(&pose);
    EXPECT_GT(pose.Position[1], 1000.0);  // in the air, not parked below the world
}

TEST_F(MissionWindowTest, UserMissionsAndACampaignThatOpensAsItIsWon) {
    texts_.description = "A mission of our own.";
    write("user/Balloon busting.pellam");
    texts_.title = "Over the Somme";
    write("user/Somme/1 Over the Somme.pellam");
    texts_.title = "Into the Salient";
    write("user/Somme/2 Into the Salient.pellam");
    // Every frame runs the game as its loop does.
    eachFrame = [&] {
        if (c->gamePause) testing::stepOneFrame(*c, 3);
        c->ActiveInActive();
    };
    start("Roy Brown");
    EXPECT_EQ(store_->stringForKey("Pilot1NameKey"), "Roy Brown");
    const std::vector<std::string> titles = menuTitles();
    ASSERT_EQ(titles.size(), 10u);
    EXPECT_EQ(titles[5], "     User Mission #1: Evening Patrol");
    EXPECT_EQ(titles[6], "User Campaign Missions:");
    EXPECT_EQ(titles[7], "     Somme");
    EXPECT_TRUE(menuItemOpen("          #1-#2: Over the Somme"));
    EXPECT_FALSE(menuItemOpen("          #2-#3: Into the Salient"));
    choose("          #2-#3: Into the Salient");
    EXPECT_EQ(c->TempNewMissionNumber, 0);  // closed: not chosen
    click(5, 760);

    choose("     User Mission #1: Evening Patrol");
    EXPECT_EQ(c->missionWindow.toMissionDescription, "A mission of our own.");
    choose("          #1-#2: Over the Somme");
    press("Select Mission", "Fly Mission");
    ASSERT_EQ(c->CurrentMissionNumber, 52);
    ASSERT_EQ(c->TheMissions.record(52)->TheVictory.Kills, 2);
    EXPECT_TRUE(c->completedList().empty());
    // The pilot wins it: a while over the front, then both enemies go down to his guns.
    for (int i = 0; i < 200; ++i) frame();
    ASSERT_NE(c->aircraftAt(ModelArray::kFirstAircraft), nullptr);
    ASSERT_EQ(shootDownEnemies(*c, 2), 2);
    for (int i = 0; i < 400 && !c->interface().toGameOverWindow.open; ++i) frame();
    ASSERT_TRUE(c->interface().toGameOverWindow.open);
    EXPECT_EQ(c->interface().toYouWonOrLost, "Mission Successful");
    press("Game Over", "OK");
    EXPECT_FALSE(c->interface().toGameOverWindow.open);
    const int32_t flown = c->PilotStats[0].PilotFlightTime;
    EXPECT_GT(flown, 15);  // s

    // Quit and start again: the pilot's statistics hold the kills, the time and the won mission,
    // and the next mission of the campaign opens.
    c->applicationWillTerminate();
    launch();
    EXPECT_EQ(c->interface().pilotNameFields[0].stringValue, "Roy Brown");
    press("Pilot Sign-In", "Statistics");
    const GameInterface& ui = c->interface();
    ASSERT_TRUE(ui.toPSWindow.open);
    EXPECT_NE(ui.toPSNameScore.find("Name: Roy Brown\r"), std::string::npos);
    EXPECT_NE(ui.toPSNameScore.find("Dogfight Kills: 2"), std::string::npos);
    EXPECT_EQ(c->PilotStats[0].PilotFlightTime, flown);
    EXPECT_EQ(ui.toPSComMis.rfind("Over the Somme               Mission Time: ", 0), 0u);
    EXPECT_EQ(c->PilotStats[0].PilotLives, 2);  // the first win of a mission adds a life
    EXPECT_EQ(c->completedList().size(), 1u);
    c->fromPlayerSignInOkay();
    c->fromMenus(kMenuSelectMission);
    ASSERT_TRUE(c->missionWindow.toSelectMission.open);
    EXPECT_TRUE(menuItemOpen("          #2-#3: Into the Salient"));
    choose("          #2-#3: Into the Salient");
    EXPECT_EQ(c->TempNewMissionNumber, 53);

    // A joiner finds the host's user mission by hash and date, not by the host's slot.
    const missions::MissionData& salient = *c->TheMissions.record(53);
    c->setMissionHash(salient.Hash1, salient.SecondsSince2001);
    c->setMissionNumber(170);
    EXPECT_FALSE(c->ShouldNotPlay);
    EXPECT_EQ(c->CurrentMissionNumber, 53);
    c->setMissionHash(salient.Hash1, salient.SecondsSince2001 + 1);
    c->setMissionNumber(53);
    EXPECT_TRUE(c->ShouldNotPlay);
    EXPECT_TRUE(c->toBadNews.open);
    EXPECT_EQ(c->CurrentMissionNumber, 53);
    c->setMissionNumber(-4);
    EXPECT_TRUE(c->ShouldNotPlay);

    // The campaign's files taken away while one of them is flown: mission 0 flies instead.
    c->CurrentMissionNumber = 52;
    fs::remove_all(folder_ / "user" / "Somme");
    c->reloadUserMissions();
    EXPECT_EQ(c->CurrentMissionNumber, 0);
    EXPECT_EQ(c->missionWindow.toMissionMenuPopUp.selected, 1);
    EXPECT_EQ(menuTitles().size(), 6u);  // two headings, the two missions, the user label and one user mission
}

TEST_F(MissionWindowTest, ManualOpensThroughAnArgumentVector) {
    start();
    std::ofstream(folder_ / "Pellam Manual.html") << "<html></html>";
    const fs::path seen = folder_ / "opened";
    std::ofstream(folder_ / "opener") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << seen.string() << "'\n";
    fs::permissions(folder_ / "opener", fs::perms::owner_all);
    platform::setDesktopOpener((folder_ / "opener").string());
    c->fromHelpMenu();
    for (int i = 0; i < 200 && !fs::exists(seen); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(seen);
    std::string path((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(path, (folder_ / "Pellam Manual.html").string());  // spaces and all, as one argument
}

}  // namespace
}  // namespace pellam
