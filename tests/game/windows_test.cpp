// The game's windows drawn by Dear ImGui on a real 1024 x 768 window under Xvfb, for a controller
// with a store of its own, tried as a new player would: the pointer moved onto buttons and pop-up
// items and clicked, names typed, missions and dogfights chosen and flown.
#include <SDL.h>
#include <SDL_opengl.h>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "aircraft/FlyableAircraft.h"
#include "game/InputWindowsDrawing.h"
#include "game/InterfaceDrawing.h"
#include "game/VADArizodazar2.h"
#include "platform/Beep.h"
#include "platform/GLWindow.h"
#include "input/PellamJoySub.h"
#include "platform/OpenFile.h"
#include "platform/Paths.h"
#include "platform/hid/ToolkitKeys.h"
#include "platform/ui/UiLayer.h"
#include "tests/TestFolder.h"
#include "tests/WaitFor.h"
#include "tests/flight/TestWorld.h"
#include "tests/game/frame_step.h"
#include "tools/missiongen/MissionText.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

class WindowsTest : public ::testing::Test {
protected:
    // The window, two missions in the game's folder, and a controller on an empty fixed world:
    // start() brings up the game that reads the missions.
    void SetUp() override {
        store_ = std::make_unique<platform::UserDefaults>((folder_ / "defaults.json").string());
        std::string error;
        platform::WindowSpec spec;
        spec.width = width_;
        spec.height = height_;
        window_ = platform::GLWindow::create(spec, error);
        ASSERT_NE(window_, nullptr) << error;
        // Only the X server moves the pointer into the window; SDL's fallback without one cannot.
        ASSERT_STREQ(SDL_GetCurrentVideoDriver(), "x11") << "the window opened without its X server";
        window_->makeCurrent();
        ASSERT_TRUE(ui_.start(*window_));
        ui_.setSteadyClock(true);  // a slow frame must not repeat a key or pair two clicks
        c = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()},
                                             VADArizodazar2::Content{{}, [](ModelArray&, GameController&) {}});
        c->awakeFromNib();
        c->seedSimulation(3);  // start-up seeds it from the system; each run is the same game
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
        c.reset();
        input_.reset();
        ui_.stop();
        window_.reset();
        platform::stopVideo();
    }

    // One frame of the windows; what they asked of the program.
    InterfaceRequests frame() {
        if (eachFrame) eachFrame();
        SDL_Event event;
        while (SDL_PollEvent(&event)) ui_.processEvent(event);
        ui_.newFrame();
        glClearColor(0.5f, 0.6f, 0.8f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        const InterfaceRequests asked = drawInterface(*c);
        if (input_) drawInputWindows(*input_, !c->isRunning());
        uiPrint = ui_.finish();
        ui_.draw();
        if (keepShot) {
            shot.assign(size_t(width_) * height_ * 4, 0);
            glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, shot.data());
        }
        window_->swapBuffers();
        return asked;
    }
    // Moves the pointer onto the button and clicks it once; true when the windows asked to quit
    // meanwhile.
    bool press(const std::string& windowTitle, const std::string& label) {
        for (int i = 0; i < 3; ++i) frame();
        const ButtonPlace* place = placeOfButton(windowTitle, label);
        EXPECT_NE(place, nullptr) << windowTitle << "/" << label;
        if (!place) return false;
        EXPECT_LT(place->y1, height_) << windowTitle << "/" << label << " is below the window";
        return click(static_cast<int>((place->x0 + place->x1) / 2), static_cast<int>((place->y0 + place->y1) / 2));
    }
    // Moves the pointer to a point of the window. SDL waits for the X server to make the move, and
    // the window took the keyboard when it was shown, so the next frame's windows see it there.
    bool pointTo(int x, int y) {
        SDL_WarpMouseInWindow(window_->sdlWindow(), x, y);
        const bool quit = frame().quit;
        const ImVec2 at = ImGui::GetIO().MousePos;
        EXPECT_TRUE(at.x == float(x) && at.y == float(y))
            << "the pointer, moved to " << x << ", " << y << ", is seen at " << at.x << ", " << at.y;
        return quit;
    }
    // A click at a point of the window: the pointer moved there, pressed, a few frames, released.
    bool click(int x, int y) {
        bool quit = pointTo(x, y);
        auto frames = [&] {
            for (int i = 0; i < 3; ++i) quit |= frame().quit;
        };
        frames();
        SDL_Event down{};
        down.type = SDL_MOUSEBUTTONDOWN;
        down.button.button = SDL_BUTTON_LEFT;
        down.button.x = x;
        down.button.y = y;
        down.button.windowID = window_->windowID();
        SDL_PushEvent(&down);
        frames();
        SDL_Event up = down;
        up.type = SDL_MOUSEBUTTONUP;
        SDL_PushEvent(&up);
        frames();
        return quit;
    }
    // Types `text` into the field that has the keyboard.
    void type(const char* text) {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        event.text.windowID = window_->windowID();
        std::strncpy(event.text.text, text, sizeof event.text.text - 1);
        SDL_PushEvent(&event);
        for (int i = 0; i < 3; ++i) frame();
    }
    // The pilot's guns as a script: up to `count` enemies still in play shot down by aircraft 0;
    // answers how many went down.
    int shootDownEnemies(int count) {
        const int32_t ours = c->aircraftAt(ModelArray::kFirstAircraft)->ThisAircraft.Team;
        int downed = 0;
        for (long n = 1; n < 8 && downed < count; ++n) {
            FlyableAircraft* enemy = c->aircraftAt(n + ModelArray::kFirstAircraft);
            if (!enemy || enemy->ThisAircraft.Team == ours || enemy->live.attitude.Position[1] < 0) continue;
            enemy->ThisAircraft.TotalHits = enemy->ThisAircraft.TotalHitsBeforeDead + 1.0;
            enemy->ThisAircraft.WhoShotMe = 0;
            ++downed;
        }
        return downed;
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
        if (!eachFrame) {
            EXPECT_FALSE(c->validateMenuItem(kMenuPreferences));
        }
        c->fromMenus(kMenuSelectMission);
        ASSERT_TRUE(c->missionWindowControls().toSelectMission.open);
    }
    void launch() {
        c = std::make_unique<VADArizodazar2>(
            GameController::Links{store_.get()},
            VADArizodazar2::Content{{}, {}, [] { return std::make_unique<testing::FlatTerrain>(100.0); }, nullptr,
                                    folder_.string() + "/", [] { return 0; }, (folder_ / "user").string() + "/"});
        c->awakeFromNib();
        c->seedSimulation(3);  // start-up seeds it from the system; each run is the same game
    }
    // Clicks after the first pilot's name, rubs it out and types `name`.
    void rename(const std::string& name) {
        press("Pilot Sign-In", "Name 1");
        for (size_t k = c->interface().pilotNameFields[0].stringValue.size(); k > 0; --k)
            tapKey(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
        type(name.c_str());
    }
    // A key pressed in one frame and let go in the next.
    void tapKey(SDL_Scancode scancode, SDL_Keycode sym) {
        for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event key{};
            key.type = type;
            key.key.windowID = window_->windowID();
            key.key.keysym.scancode = scancode;
            key.key.keysym.sym = sym;
            SDL_PushEvent(&key);
            frame();
        }
    }

    // Opens the mission pop-up and chooses the item with this title.
    void choose(const std::string& title) {
        press("Select Mission", "Mission");
        press("Select Mission", title);
    }
    std::vector<std::string> menuTitles() const {
        std::vector<std::string> titles;
        for (const missions::MenuItem& item : c->missionWindowControls().toMissionMenuPopUp.items) titles.push_back(item.title);
        return titles;
    }
    bool menuItemOpen(const std::string& title) const {
        for (const missions::MenuItem& item : c->missionWindowControls().toMissionMenuPopUp.items)
            if (item.title == title) return item.enabled;
        return false;
    }

    // Pixels of a window rectangle (y down) in the last kept frame that satisfy `test`.
    int pixelsIn(const ImGuiWindow* w, const std::function<bool(const uint8_t*)>& test) const {
        int n = 0;
        for (int y = int(w->Pos.y); y < int(w->Pos.y + w->Size.y) && y < height_; ++y)
            for (int x = int(w->Pos.x); x < int(w->Pos.x + w->Size.x) && x < width_; ++x)
                n += test(&shot[(size_t(height_ - 1 - y) * width_ + x) * 4]);
        return n;
    }

    int width_ = 1024, height_ = 768;  // px: the game's window
    std::unique_ptr<input::PellamJoySub> input_;  // when set, its settings windows are drawn too
    std::function<void()> eachFrame;  // the game's own work before each frame's windows
    bool keepShot = false;            // keep each frame's pixels in `shot`, bottom row first
    std::vector<uint8_t> shot;
    uint64_t uiPrint = 0;             // the print of the last frame's windows
    testing::TestFolder dir_{"pellam ui"};
    fs::path folder_ = dir_.path();
    std::unique_ptr<platform::UserDefaults> store_;
    std::unique_ptr<platform::GLWindow> window_;
    platform::UiLayer ui_;
    std::unique_ptr<missions::MissionData> record_ = std::make_unique<missions::MissionData>();
    missions::MissionTexts texts_;
    std::unique_ptr<VADArizodazar2> c;
};

// Sign-in, then the preferences cancelled. A paused game shows no frame whose windows'
// print matches the last: the print must follow every pixel the windows change, and stay put
// while nothing does.
TEST_F(WindowsTest, SignInAndCancelledPreferencesWithAPrintThatFollowsTheWindows) {
    GameInterface& ui = c->interface();
    ASSERT_TRUE(ui.toPilotSignInWindow.open);
    press("Pilot Sign-In", "Sign In");
    EXPECT_FALSE(ui.toPilotSignInWindow.open);
    EXPECT_TRUE(c->pilotSignInClosed());

    c->fromMenus(kMenuPreferences);
    ASSERT_TRUE(ui.toPrefsWindow.open);
    pointTo(2, 760);
    for (int i = 0; i < 4; ++i) frame();
    const uint64_t still = uiPrint;
    frame();
    EXPECT_EQ(uiPrint, still);
    const ButtonPlace* ok = placeOfButton("Preferences", "OK");
    ASSERT_NE(ok, nullptr);
    pointTo(int((ok->x0 + ok->x1) / 2), int((ok->y0 + ok->y1) / 2));
    frame();
    EXPECT_NE(uiPrint, still);  // the button lights under the pointer
    pointTo(2, 760);
    for (int i = 0; i < 2; ++i) frame();
    EXPECT_EQ(uiPrint, still);

    ui.toTerrainDetailPref.state = false;
    press("Preferences", "Cancel");
    EXPECT_NE(uiPrint, still);  // the window is gone
    EXPECT_FALSE(ui.toPrefsWindow.open);
    EXPECT_EQ(store_->boolForKey("TerrainDetailKey"), true);
    c->fromMenus(kMenuPreferences);
    EXPECT_TRUE(ui.toTerrainDetailPref.state);  // shown again from the store
}

// Pilot records that could not be read: the notice in front of the sign-in offers fresh ones,
// which are then saved, the stored block kept in a copy of the settings file.
TEST_F(WindowsTest, TheNoticeAboutUnreadPilotRecordsOffersFreshOnes) {
    store_->setString("PilotStatsKey", "AAAA");
    ASSERT_TRUE(store_->synchronize());
    launch();
    GameInterface& ui = c->interface();
    ASSERT_EQ(ui.notices.size(), 1u);
    press("Notice", "Start fresh records");
    EXPECT_TRUE(store_->dataForKey("PilotStatsKey").has_value());
    ASSERT_EQ(ui.notices.size(), 1u);  // where the copy is kept, told with OK alone
    EXPECT_NE(ui.notices.front().find("defaults.json.corrupt"), std::string::npos);
    press("Notice", "OK");
    EXPECT_TRUE(ui.notices.empty());
}

// In the game's typeface, with no world the problem comes alone in front, a Fly is refused, and
// its Quit answers the first click.
TEST_F(WindowsTest, AWorldThatCouldNotBeMadeIsShownAloneAndCannotBeFlown) {
    c->reportWorldProblem("RIDUdidavData is 1000 bytes; 10580000 were expected.");
    c->interface().pilotNameFields[0].selectRequested = true;  // as on a first start
    frame();
    EXPECT_EQ(ImGui::FindWindowByName("Pilot Sign-In"), nullptr) << "nothing but the problem is offered";
    EXPECT_NE(std::string(ImGui::GetFont()->GetDebugName()).find("DejaVuSans"), std::string::npos);  // the game's typeface
    EXPECT_GE(ImGui::GetFont()->FontSize, 16.0f);
    const long beeps = platform::beepCount();
    c->fromFlyMissionButton();
    EXPECT_FALSE(c->clock().gamePause);
    EXPECT_EQ(platform::beepCount(), beeps + 1);
    EXPECT_TRUE(press("Pellam cannot fly", "Quit"));
}

TEST_F(WindowsTest, PickAMissionReadItFlyItThenAsAQuickDogfight) {
    start();
    MissionWindowControls& w = c->missionWindowControls();
    EXPECT_EQ(menuTitles(), (std::vector<std::string>{"Training:", "     Evening Patrol", "Patrols and Dogfights:",
                                                      "     " + c->missionTable().texts(0)->title, "User Missions:"}));
    choose("     Evening Patrol");
    EXPECT_EQ(c->missionState().TempNewMissionNumber, 1);
    EXPECT_EQ(w.toMissionDescription, "Late in the day, with the wind from the west.");
    // The chosen mission's own wind, not the one of the flight running.
    EXPECT_EQ(w.toPrevailingWinds, "Prevailing Winds: W at 12 mph");

    // A label cannot be chosen: nothing changes.
    choose("User Missions:");
    EXPECT_EQ(c->missionState().TempNewMissionNumber, 1);
    click(5, 760);  // away from the pop-up, which stays open on a label

    w.MissionType[0].selectCode(77);
    w.MissionType[1].selectCode(1001);
    press("Select Mission", "Fly Mission");
    EXPECT_TRUE(c->clock().gamePause);
    EXPECT_EQ(c->missionState().CurrentMissionNumber, 1);
    EXPECT_EQ(c->missionTable().record(1)->AircraftStarts[0].AircraftType, 77);
    EXPECT_EQ(c->missionTable().record(1)->AircraftStarts[1].AircraftType, 1001);  // drawn at each start
    EXPECT_TRUE(c->interface().toMouseFlying.open);  // no joystick: the hint, once

    // The same mission as a quick dogfight, four against four.
    c->fromMenus(kMenuSelectMission);
    press("Select Mission", "Quick Dogfight");
    DogfightWindowControls& d = c->dogfightWindowControls();
    ASSERT_TRUE(d.toDogfightOnlyWindow.open);
    EXPECT_FALSE(c->missionWindowControls().toSelectMission.open);
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
    ASSERT_TRUE(c->clock().gamePause);
    EXPECT_TRUE(c->missionState().isDogfightOnly);
    EXPECT_EQ(c->missionState().DogfightOnlyVKills, 100);
    const missions::MissionData& m = *c->missionTable().record(1);
    EXPECT_EQ(m.AircraftStarts[7].AircraftType, 1001);
    EXPECT_NE(m.ResetAircraftStarts[7].AircraftType, 1001);

    // The dogfight window shows the last set-up when it opens again.
    c->fromMenus(kMenuSelectMission);
    press("Select Mission", "Quick Dogfight");
    EXPECT_EQ(d.DOAircraftType[7].selectedTag(), 1001);
    d.toDogfightKills = 0;
    d.DOOnOff[0].clear();
    d.DOOnOff[0].setState(true, 0, 1);  // slot 0 has no such control: whatever it shows is not read
    press("Quick Dogfight", "Fly Dogfight");
    EXPECT_EQ(c->missionState().DogfightOnlyVKills, 1);
    EXPECT_EQ(m.DogfightOnlyOnOff[0], 1);
    QNion pose;
    c->aircraftAt(ModelArray::kFirstAircraft)->getModelPositionQNion(&pose);
    EXPECT_GT(pose.Position[1], 1000.0);  // in the air, not parked below the world
}

TEST_F(WindowsTest, UserMissionsAndACampaignThatOpensAsItIsWon) {
    texts_.description = "A mission of our own.";
    write("user/Balloon busting.pellam");
    texts_.title = "Over the Somme";
    write("user/Somme/1 Over the Somme.pellam");
    texts_.title = "Into the Salient";
    write("user/Somme/2 Into the Salient.pellam");
    // Every frame runs the game as its loop does.
    eachFrame = [&] {
        if (c->clock().gamePause) testing::stepOneFrame(*c, 3);
        c->ActiveInActive();
    };
    start("Roy Brown");
    EXPECT_EQ(store_->stringForKey("Pilot1NameKey"), "Roy Brown");
    EXPECT_EQ(menuTitles().size(), 10u);  // the user mission, then the campaign's heading, name and two missions
    EXPECT_TRUE(menuItemOpen("          #1-#2: Over the Somme"));
    EXPECT_FALSE(menuItemOpen("          #2-#3: Into the Salient"));
    choose("          #2-#3: Into the Salient");
    EXPECT_EQ(c->missionState().TempNewMissionNumber, 0);  // closed: not chosen
    click(5, 760);

    choose("     User Mission #1: Evening Patrol");
    EXPECT_EQ(c->missionWindowControls().toMissionDescription, "A mission of our own.");
    choose("          #1-#2: Over the Somme");
    press("Select Mission", "Fly Mission");
    ASSERT_EQ(c->missionState().CurrentMissionNumber, 52);
    ASSERT_EQ(c->missionTable().record(52)->TheVictory.Kills, 2);
    // The pilot wins it: a while over the front, then both enemies go down to his guns.
    for (int i = 0; i < 200; ++i) frame();
    ASSERT_EQ(shootDownEnemies(2), 2);
    for (int i = 0; i < 400 && !c->interface().toGameOverWindow.open; ++i) frame();
    ASSERT_TRUE(c->interface().toGameOverWindow.open);
    EXPECT_EQ(c->interface().toYouWonOrLost, "Mission Successful");
    press("Game Over", "OK");
    const int32_t flown = c->pilotScoring().PilotStats[0].PilotFlightTime;
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
    EXPECT_EQ(c->pilotScoring().PilotStats[0].PilotFlightTime, flown);
    EXPECT_EQ(ui.toPSComMis.rfind("Over the Somme               Mission Time: ", 0), 0u);
    // Each count under the name of what it counts; none under a bare category number.
    for (int i = 0; i < 2; ++i) frame();
    for (const char* row : {"Balloons", "Gun posts", "Hangars", "Trucks", "Tanks", "Bombers", "Buildings and bridges"})
        EXPECT_NE(placeOfButton("Pilot Statistics", row), nullptr) << row;
    EXPECT_EQ(placeOfButton("Pilot Statistics", "Other objects"), nullptr);
    EXPECT_EQ(c->pilotScoring().PilotStats[0].PilotLives, 2);  // the first win of a mission adds a life
    c->fromPlayerSignInOkay();
    c->fromMenus(kMenuSelectMission);
    EXPECT_TRUE(menuItemOpen("          #2-#3: Into the Salient"));
    choose("          #2-#3: Into the Salient");
    EXPECT_EQ(c->missionState().TempNewMissionNumber, 53);

    // A joiner finds the host's user mission by hash and date, not by the host's slot.
    const missions::MissionData& salient = *c->missionTable().record(53);
    c->setMissionHash(salient.Hash1, salient.SecondsSince2001);
    c->setMissionNumber(170);
    EXPECT_FALSE(c->clock().ShouldNotPlay);
    EXPECT_EQ(c->missionState().CurrentMissionNumber, 53);
    c->setMissionHash(salient.Hash1, salient.SecondsSince2001 + 1);
    c->setMissionNumber(53);
    EXPECT_TRUE(c->clock().ShouldNotPlay);
    EXPECT_TRUE(c->badNewsWindow().open);
    c->setMissionNumber(-4);
    EXPECT_TRUE(c->clock().ShouldNotPlay);

    // The campaign's files taken away while one of them is flown: mission 0 flies instead.
    c->chooseMission(52);
    fs::remove_all(folder_ / "user" / "Somme");
    c->reloadUserMissions();
    EXPECT_EQ(c->missionState().CurrentMissionNumber, 0);
    EXPECT_EQ(c->missionWindowControls().toMissionMenuPopUp.selected, 1);
    EXPECT_EQ(menuTitles().size(), 6u);  // two headings, the two missions, the user label and one user mission
}

// The builder saves while a user mission is flown: the missions are read again behind the flight,
// which goes on as it was; the new list is taken when that mission starts again.
TEST_F(WindowsTest, AUserMissionBeingFlownIsNotStartedAgainByTheMissionsReadBehindIt) {
    write("user/Balloon busting.pellam");
    start();
    choose("     User Mission #1: Evening Patrol");
    press("Select Mission", "Fly Mission");
    ASSERT_EQ(c->missionState().CurrentMissionNumber, missions::MissionTable::kFirstUser);
    // One frame of the game as its loop runs it.
    auto loop = [&] {
        testing::stepOneFrame(*c, 2);
        c->fromTimerLooper(c->clock().gamePause, c->clock().GlobalMissionTime);
    };
    for (int i = 0; i < 30; ++i) loop();
    texts_.title = "Dawn Patrol";
    write("user/Balloon busting.pellam");
    c->reloadUserMissionsInBackground();
    c->flushUserMissions();
    const int32_t flown = c->clock().GlobalMissionTime;
    for (int i = 0; i < 3; ++i) loop();
    EXPECT_EQ(c->clock().GlobalMissionTime, flown + 6) << "the flight was started again";
    EXPECT_EQ(menuTitles().back(), "     User Mission #1: Evening Patrol");
    c->sendCommand(input::CommandNumber::PauseFlyGameToggle, kKeyDown);
    loop();
    EXPECT_EQ(menuTitles().back(), "     User Mission #1: Evening Patrol") << "a pause is not between missions";
    c->fromRestartMissionButton();
    loop();
    EXPECT_EQ(menuTitles().back(), "     User Mission #1: Dawn Patrol");
    EXPECT_EQ(c->missionState().CurrentMissionNumber, missions::MissionTable::kFirstUser);
}

TEST_F(WindowsTest, ManualOpensThroughAnArgumentVector) {
    start();
    std::ofstream(folder_ / "Pellam Manual.html") << "<html></html>";
    const fs::path seen = folder_ / "opened";
    // Written whole, then renamed: once the file is there, all of it is.
    std::ofstream(folder_ / "opener") << "#!/bin/sh\nprintf '%s' \"$1\" > '" << seen.string() << ".part' && mv '"
                                      << seen.string() << ".part' '" << seen.string() << "'\n";
    fs::permissions(folder_ / "opener", fs::perms::owner_all);
    platform::setDesktopOpener((folder_ / "opener").string());
    c->fromHelpMenu();
    // The opener runs on its own: wait for what it writes, however slow a loaded machine starts it.
    testing::waitFor([&] { return fs::exists(seen); }, "the opener to write what it was given", testing::kHangBound,
                     std::chrono::milliseconds(10));
    std::ifstream in(seen);
    std::string path((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(path, (folder_ / "Pellam Manual.html").string());  // spaces and all, as one argument
}

// The About box shows the game's picture, not the loading screen's labels on their colour key.
TEST_F(WindowsTest, TheAboutBoxShowsThePictureWithoutTheLoadingSprites) {
    fs::copy_file(platform::resourcesFolder() + "pellamlogoM.png", folder_ / "pellamlogoM.png");
    c->openAboutPanelPellam();
    keepShot = true;
    for (int i = 0; i < 3; ++i) frame();
    const ImGuiWindow* about = ImGui::FindWindowByName("About Pellam");
    ASSERT_NE(about, nullptr);
    const int magenta = pixelsIn(about, [](const uint8_t* p) { return p[0] > 200 && p[1] < 90 && p[2] > 200; });
    const int lit = pixelsIn(about, [](const uint8_t* p) { return p[0] > 180 && p[1] > 160 && p[2] > 120; });
    EXPECT_EQ(magenta, 0);
    EXPECT_GT(lit, 2000) << "the title and the sky of the picture";
}

// Without a desktop opener the manual's place is told, not kept to itself.
TEST_F(WindowsTest, WithoutAnOpenerTheManualsPlaceIsTold) {
    start();
    std::ofstream(folder_ / "Pellam Manual.html") << "<html></html>";
    platform::setDesktopOpener((folder_ / "no such opener").string());
    c->fromHelpMenu();
    ASSERT_EQ(c->interface().notices.size(), 1u);
    EXPECT_NE(c->interface().notices.front().find((folder_ / "Pellam Manual.html").string()), std::string::npos);
    press("Notice", "OK");
    EXPECT_TRUE(c->interface().notices.empty());
}

// The preferences show every label whole, and each volume from 0 to 100 beside its slider, kept
// from 1 to 101.
TEST_F(WindowsTest, PreferencesShowLabelsWholeAndVolumesFromNoneToAHundred) {
    press("Pilot Sign-In", "Sign In");
    c->fromMenus(kMenuPreferences);
    for (int i = 0; i < 3; ++i) frame();
    const ImGuiWindow* prefs = ImGui::FindWindowByName("Preferences");
    ASSERT_NE(prefs, nullptr);
    const ButtonPlace* label = placeOfButton("Preferences", "Games list server");
    ASSERT_NE(label, nullptr);
    EXPECT_LE(label->x1, prefs->Pos.x + prefs->Size.x - prefs->WindowPadding.x) << "cut off at the window's edge";

    const ButtonPlace* level = placeOfButton("Preferences", "Overall volume slider");
    ASSERT_NE(level, nullptr);
    const ButtonPlace bar = *level;
    click(int(bar.x1) - 2, int((bar.y0 + bar.y1) / 2));  // the slider's far right
    const ButtonPlace* value = placeOfButton("Preferences", "100  Overall volume");
    ASSERT_NE(value, nullptr) << "the most is shown as 100";
    EXPECT_GE(value->x0, bar.x1) << "the value is drawn beside the slider, not under its handle";
    press("Preferences", "OK");
    EXPECT_EQ(store_->integerForKey("OverallVolumeKey").value_or(0), 101);

    c->fromMenus(kMenuPreferences);
    click(int(bar.x0) + 2, int((bar.y0 + bar.y1) / 2));  // the far left
    EXPECT_NE(placeOfButton("Preferences", "  0  Overall volume"), nullptr);
    press("Preferences", "OK");
    EXPECT_EQ(store_->integerForKey("OverallVolumeKey").value_or(0), 1);
}

// Automatic Messages shows each row's team check box with its whole label beside the message; the
// Pellam menu writes its Quit key as the key-binding window writes keys.
TEST_F(WindowsTest, AutomaticMessagesShowEachTeamLabelWhole) {
    press("Pilot Sign-In", "Sign In");
    c->fromMenus(kMenuAutoMessages);
    for (int i = 0; i < 3; ++i) frame();
    const std::string title = c->interface().toAutoMessagesWindow.title;
    const ImGuiWindow* window = ImGui::FindWindowByName(title.c_str());
    ASSERT_NE(window, nullptr);
    for (int row = 1; row <= 8; ++row) {
        const ButtonPlace* box = placeOfButton(title, "Team only " + std::to_string(row));
        ASSERT_NE(box, nullptr) << row;
        EXPECT_LE(box->x1, window->Pos.x + window->Size.x - window->WindowPadding.x)
            << "row " << row << " is cut off at the window's edge";
    }
    EXPECT_EQ(menuShortcut('Q', platform::hid::kControlKeyMask), "Ctrl-Q");
}

// Select Mission offers a choice of aircraft for each slot the mission flies, and Escape closes it.
TEST_F(WindowsTest, SelectMissionOffersTheMissionsAircraftAndEscapeClosesIt) {
    start();
    missions::MissionData& evening = *c->missionTable().record(1);
    for (int k = 4; k < 8; ++k) evening.AircraftStarts[k].OnOff = 0;
    choose("     Evening Patrol");
    for (int i = 0; i < 2; ++i) frame();
    int pickers = 0;
    for (int k = 1; k <= 8; ++k) pickers += placeOfButton("Select Mission", "Aircraft " + std::to_string(k)) != nullptr;
    EXPECT_EQ(pickers, 4);
    EXPECT_NE(placeOfButton("Select Mission", "Aircraft 4"), nullptr);
    EXPECT_EQ(placeOfButton("Select Mission", "Aircraft 5"), nullptr);

    tapKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    EXPECT_FALSE(c->missionWindowControls().toSelectMission.open);
}

// A mission without a picture of its own shows the world map beside its description, read from
// the game's folder when the window first shows it.
TEST_F(WindowsTest, AMissionWithoutAPictureOfItsOwnShowsTheWorldMap) {
    fs::copy_file(platform::resourcesFolder() + "WWIWorldMap.png", folder_ / "WWIWorldMap.png");
    start();
    choose("     Evening Patrol");
    for (int i = 0; i < 2; ++i) frame();
    const ImGuiWindow* window = ImGui::FindWindowByName("Select Mission");
    ASSERT_NE(window, nullptr);
    int pictures = 0;
    for (const ImDrawCmd& command : window->DrawList->CmdBuffer)
        pictures += command.ElemCount > 0 && command.TextureId != ImGui::GetIO().Fonts->TexID;
    EXPECT_EQ(pictures, 1);
}

// A mission of eight aircraft chosen after one of four: the window grows to its pickers and keeps
// its buttons in view, where a click flies the mission.
TEST_F(WindowsTest, SelectMissionKeepsItsButtonsInViewAsItsPickersGrow) {
    launch();
    press("Pilot Sign-In", "Sign In");
    for (int k = 4; k < 8; ++k) c->missionTable().record(0)->AircraftStarts[k].OnOff = 0;
    for (int k = 1; k < 8; ++k) c->missionTable().record(1)->AircraftStarts[k].OnOff = 1;
    c->fromMenus(kMenuSelectMission);
    for (int i = 0; i < 3; ++i) frame();
    choose("     Evening Patrol");
    for (int i = 0; i < 3; ++i) frame();
    EXPECT_NE(placeOfButton("Select Mission", "Aircraft 8"), nullptr);
    const ImGuiWindow* w = ImGui::FindWindowByName("Select Mission");
    ASSERT_NE(w, nullptr);
    for (const char* label : {"Fly Mission", "Quick Dogfight"}) {
        const ButtonPlace* b = placeOfButton("Select Mission", label);
        ASSERT_NE(b, nullptr) << label;
        EXPECT_GE(b->y0, w->InnerClipRect.Min.y) << label;
        EXPECT_LE(b->y1, w->InnerClipRect.Max.y) << label << " is scrolled out of view";
        EXPECT_LE(b->y1, height_) << label;
    }
    const bool closeUp = c->missionWindowControls().toCloseUpIDMission.state;
    press("Select Mission", "Fly Mission");
    EXPECT_TRUE(c->clock().gamePause);
    EXPECT_EQ(c->missionState().CurrentMissionNumber, 1);
    EXPECT_EQ(c->missionWindowControls().toCloseUpIDMission.state, closeUp);
}

// A mistyped host address is refused beside the field, with Cancel and Join still inside the
// window; the refusal goes as soon as the address is mended. A table row that is no game has no
// Join button.
TEST_F(WindowsTest, TheJoinWindowKeepsItsButtonsThroughABadAddress) {
    start();
    c->missionWindowControls().toSelectMission.close();
    c->fromStartNetworkGame();
    press("Network Game", "Join...");
    ASSERT_TRUE(c->lobbyControls().toNewJoinerWindow.open);
    for (int i = 0; i < 3; ++i) frame();
    // No games-list server is set: the table's one row says so, and offers nothing to join.
    EXPECT_EQ(c->joinTableValue(2, 0).rfind("didn't check for public games", 0), 0u);
    EXPECT_EQ(placeOfButton("Join a Network Game", "Join row 1"), nullptr);
    // Into the field, left of its long label.
    ASSERT_NE(placeOfButton("Join a Network Game", "Address"), nullptr);
    const ButtonPlace address = *placeOfButton("Join a Network Game", "Address");
    auto intoAddress = [&] { click(int(address.x0) + 10, int((address.y0 + address.y1) / 2)); };
    intoAddress();
    type("10.0.0");
    ASSERT_EQ(c->lobbyControls().toNewIPAddress.stringValue, "10.0.0");
    press("Join a Network Game", "Join");
    ASSERT_EQ(c->lobbyControls().addressProblem, "Bad IP Address");
    for (int i = 0; i < 3; ++i) frame();
    const ImGuiWindow* w = ImGui::FindWindowByName("Join a Network Game");
    ASSERT_NE(w, nullptr);
    for (const char* label : {"Cancel", "Join"}) {
        const ButtonPlace* place = placeOfButton("Join a Network Game", label);
        ASSERT_NE(place, nullptr) << label;
        EXPECT_LE(place->y1, w->Pos.y + w->Size.y) << label << " is pushed out of the window";
    }
    intoAddress();
    tapKey(SDL_SCANCODE_END, SDLK_END);
    type(".7");
    EXPECT_EQ(c->lobbyControls().toNewIPAddress.stringValue, "10.0.0.7");
    EXPECT_EQ(c->lobbyControls().addressProblem, "");
    EXPECT_TRUE(c->lobbyControls().toNewJoinerWindow.open);
}

// The game's windows in the small window of the preferences, 640 x 480.
class SmallWindowTest : public WindowsTest {
protected:
    SmallWindowTest() {
        width_ = 640;
        height_ = 480;
    }
    // The window `title` is drawn whole inside the view, its title bar and close box too; nothing
    // in it or in its scrolling parts runs past their right edges; and `button` lies inside it
    // where a click reaches it (which press() then makes).
    void expectWhole(const std::string& title, const std::string& button) {
        for (int i = 0; i < 3; ++i) frame();
        const ImGuiWindow* w = ImGui::FindWindowByName(title.c_str());
        ASSERT_TRUE(w && w->Active) << title << " is not drawn";
        EXPECT_TRUE(w->Pos.x >= 0 && w->Pos.y >= 0 && w->Pos.x + w->Size.x <= width_ && w->Pos.y + w->Size.y <= height_)
            << title << " lies " << w->Pos.x << ", " << w->Pos.y << " to " << w->Pos.x + w->Size.x << ", "
            << w->Pos.y + w->Size.y;
        for (const ImGuiWindow* part : ImGui::GetCurrentContext()->Windows) {
            // A multi-line text field's own part (ImGui's, unmovable) scrolls what it holds.
            if (!part->Active || part->RootWindow != w || (part != w && (part->Flags & ImGuiWindowFlags_NoMove))) continue;
            EXPECT_LE(part->ContentSize.x, part->ContentRegionRect.GetWidth() + 0.5f) << part->Name << " is cut at its right";
        }
        const ButtonPlace* place = placeOfButton(title, button);
        ASSERT_NE(place, nullptr) << title << "/" << button;
        EXPECT_TRUE(w->InnerClipRect.Contains(ImRect(place->x0, place->y0, place->x1, place->y1)))
            << title << "/" << button << " is cut or out of the window";
    }
    // Both windows are drawn and neither covers any of the other.
    void expectApart(const std::string& one, const std::string& other) {
        const ImGuiWindow* a = ImGui::FindWindowByName(one.c_str());
        const ImGuiWindow* b = ImGui::FindWindowByName(other.c_str());
        ASSERT_TRUE(a && a->Active && b && b->Active) << one << ", " << other;
        EXPECT_FALSE(a->Rect().Overlaps(b->Rect())) << one << " over " << other;
    }
};

// Every window the game opens, at 640 x 480, as a player meets them: each lies whole in the view
// and its main button answers a click. The dialogs that end a flight open clear of the hint that
// the flight began with.
TEST_F(SmallWindowTest, EveryWindowLiesWholeInTheViewAndItsButtonAnswers) {
    launch();
    input_ = std::make_unique<input::PellamJoySub>(nullptr, *store_);
    input_->awakeFromNib();
    GameInterface& ui = c->interface();
    // A pilot with a long record: the columns it widens still leave the names room.
    ui.PScore[0] = "1,234.56/365/123,456";
    ui.KD[0] = "123\r45";
    ui.KDR[0] = "2.73/1";
    ui.OKD[0] = "12\r3";
    ui.OKDR[0] = "4.00/1";
    expectWhole("Pilot Sign-In", "Statistics");
    press("Pilot Sign-In", "Statistics");
    expectWhole("Pilot Statistics", "OK");
    press("Pilot Statistics", "OK");
    press("Pilot Sign-In", "Clear Statistics");
    expectWhole("Clear Pilot Statistics", "Cancel");
    press("Clear Pilot Statistics", "Cancel");
    EXPECT_FALSE(ui.toClearPStats.open);
    expectWhole("Pilot Sign-In", "Sign In");
    press("Pilot Sign-In", "Sign In");
    ASSERT_TRUE(c->pilotSignInClosed());

    c->fromMenus(kMenuPreferences);
    expectWhole("Preferences", "OK");
    press("Preferences", "OK");
    EXPECT_FALSE(ui.toPrefsWindow.open);
    c->fromMenus(kMenuAutoMessages);
    expectWhole("Automatic Messages", "OK");
    EXPECT_EQ(placeOfButton("Preferences", "OK"), nullptr) << "a closed window has nothing to click";
    press("Automatic Messages", "OK");
    fs::copy_file(platform::resourcesFolder() + "pellamlogoM.png", folder_ / "pellamlogoM.png");
    c->openAboutPanelPellam();
    expectWhole("About Pellam", "Logo");
    ui.notices.push_back(std::string(2000, 'x'));  // longer than the view is tall
    expectWhole("Notice", "OK");
    press("Notice", "OK");
    EXPECT_TRUE(ui.notices.empty());
    c->aboutPanel().toCustomAboutBox.close();

    c->fromStartNetworkGame();
    expectWhole("Network Game", "Host");
    press("Network Game", "Join...");
    expectWhole("Join a Network Game", "Join");
    press("Join a Network Game", "Cancel");
    EXPECT_FALSE(c->lobbyControls().toNewJoinerWindow.open);
    c->lobbyControls().toEndNetworkGameDialog.makeKeyAndOrderFront();
    expectWhole("End Network Game", "OK");
    press("End Network Game", "Cancel");
    c->badNewsWindow().makeKeyAndOrderFront();
    expectWhole("Mission Missing", "OK");
    press("Mission Missing", "OK");
    EXPECT_FALSE(c->badNewsWindow().open);

    input_->fromDefineKeyboardMenu();
    expectWhole("Define Keyboard Commands", "Okay");
    press("Define Keyboard Commands", "Okay");
    input_->fromDefineMouseMenu();
    expectWhole("Define Mouse Buttons", "Okay");
    press("Define Mouse Buttons", "Okay");
    input_->fromDefineJoystickMenu();
    expectWhole("Define Joystick Buttons", "Okay");
    press("Define Joystick Buttons", "Okay");
    input_->fromJoystickCalibrateMenu();
    expectWhole("Joystick Calibrator", "Okay");
    press("Joystick Calibrator", "Okay");
    EXPECT_FALSE(input_->isWindowOpen());

    // A mission of eight aircraft, flown as a quick dogfight to one kill, the game running as its
    // loop runs it.
    for (int k = 1; k < 8; ++k) c->missionTable().record(0)->AircraftStarts[k].OnOff = 1;
    eachFrame = [&] {
        if (c->clock().gamePause) testing::stepOneFrame(*c, 3);
        c->ActiveInActive();
    };
    expectWhole("Select Mission", "Quick Dogfight");
    press("Select Mission", "Quick Dogfight");
    expectWhole("Quick Dogfight", "Fly Dogfight");
    c->dogfightWindowControls().toDogfightKills = 1;
    press("Quick Dogfight", "Fly Dogfight");
    ASSERT_TRUE(c->clock().gamePause);
    expectWhole("Flying with the Mouse", "OK");
    for (int i = 0; i < 30; ++i) frame();
    ASSERT_EQ(shootDownEnemies(1), 1);
    for (int i = 0; i < 400 && !ui.toGameOverWindow.open; ++i) frame();
    expectWhole("Game Over", "OK");
    // The longest message a built-in mission ends with wraps: every word inside the window, the
    // last line above the buttons with nothing to scroll.
    std::string longest;
    for (long slot = 0; slot < missions::MissionTable::kBuiltIn; ++slot) {
        auto mission = std::make_unique<missiongen::MissionDescription>();
        ASSERT_EQ(missiongen::readBuiltInDescription(slot, *mission), "");
        for (const std::string& m : {mission->texts.lost, mission->texts.victory + "\r\rMission Time: 12:34"})
            if (m.size() > longest.size()) longest = m;
    }
    ui.toYouWonOrLostMessage = longest;
    expectWhole("Game Over", "OK");
    const ImGuiWindow* body = ImGui::FindWindowByName("Game Over")->DC.ChildWindows.back();
    EXPECT_EQ(body->ScrollMax.y, 0.0f) << "the message scrolls";
    EXPECT_LE(body->Pos.y + body->Size.y, placeOfButton("Game Over", "OK")->y0);
    expectWhole("Flying with the Mouse", "OK");
    expectApart("Game Over", "Flying with the Mouse");
    press("Game Over", "OK");
    EXPECT_FALSE(ui.toGameOverWindow.open);
    ui.toPilotDied.makeKeyAndOrderFront();  // as after a last life lost in a mission
    expectWhole("Pilot Killed", "OK");
    expectApart("Pilot Killed", "Flying with the Mouse");
    press("Pilot Killed", "OK");
    press("Flying with the Mouse", "OK");
    EXPECT_FALSE(ui.toMouseFlying.open);

    ui.toNotEnoughVRAMWindow.makeKeyAndOrderFront();
    expectWhole("Not Enough Video Memory", "Quit");
    EXPECT_TRUE(press("Not Enough Video Memory", "Quit"));
    c->reportWorldProblem("RIDUdidavData is 1000 bytes; 10580000 were expected.");
    expectWhole("Pellam cannot fly", "Quit");
}

}  // namespace
}  // namespace pellam
