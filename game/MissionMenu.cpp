// The mission window and its fly actions, the About panel, the manual, the menu-enabling rules, and
// the user missions with their campaigns.
#include <filesystem>
#include <utility>

#include "game/VADArizodazar2.h"
#include "missions/MissionRules.h"
#include "missions/UserMissions.h"
#include "platform/Beep.h"
#include "platform/OpenFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/TickCount.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

DogfightWindowControls::DogfightWindowControls() {
    for (int n = 0; n < 8; ++n) {
        DOTeam.emplace_back(4, 1, std::vector<std::string>{"1", "2", "3", "4"});
        DOSkillLevel.emplace_back(4, 1, std::vector<std::string>{"Novice", "Veteran", "Ace", "Any"});
        DOOnOff.emplace_back(1, 2, std::vector<std::string>{"In", "Out"});
        DOBombs[n].title = "Bombs";
    }
    // As the window first shows them: an air start, wrecks back on the ground, every view, own kills.
    toAirGroundStart.setState(true, 0, 0);
    toDogRestartType.setState(true, 1, 0);
    toDogCameraRule.setState(true, 0, 0);
    toDogIndTeamKills.setState(true, 0, 0);
}

// ---- The mission menu ----------------------------------------------------------------------------

void VADArizodazar2::buildMissionMenu() {
    missions::MissionMenu& menu = missionWindow.toMissionMenuPopUp;
    menu.items.clear();
    const char* heading = nullptr;  // shown before the first of its missions that could be read
    for (const missions::BuiltInMenuLine& line : missions::builtInMenuLines()) {
        if (line.slot < 0) {
            heading = line.heading;
        } else if (mission_.TheMissions.loaded(line.slot)) {  // a mission that could not be read is not offered
            if (heading) menu.items.push_back({heading, missions::kTagBuiltInLabel, false});
            heading = nullptr;
            menu.items.push_back({"     " + mission_.TheMissions.texts(line.slot)->title, line.slot, true});
        }
    }
    menu.items.push_back({"User Missions:", missions::kTagUserStart, false});
    menu.userStartIndex = 100;
    missions::getMissionMenuTitles(menu);
}

void VADArizodazar2::showCurrentMission() {
    missionWindow.toMissionMenuPopUp.selected = missionWindow.toMissionMenuPopUp.positionOfTag(mission_.CurrentMissionNumber);
    mission_.TempNewMissionNumber = mission_.CurrentMissionNumber;
    fillInMissionDescription();
}

std::string VADArizodazar2::userMissionsFolder() const {
    return content_.userMissionsFolder.empty() ? platform::necessaryDataFolder() + "/Missions/"
                                               : content_.userMissionsFolder;
}

bool VADArizodazar2::isBuilderTag(int tag) {
    static constexpr int kBuilderMenuTags[] = {kMenuOpenBuilder, kMenuCloseBuilder, kMenuDeleteBuilderObject, kMenuSave,
                                               kMenuOpenInBuilder, kMenuSaveAs, kMenuOpenLastMission};
    return std::find(std::begin(kBuilderMenuTags), std::end(kBuilderMenuTags), tag) != std::end(kBuilderMenuTags);
}

bool VADArizodazar2::handleThisMenu(int tag) {
    if (isBuilderTag(tag)) {
        fromMBMenu(tag);
        return true;
    }
    if (tag != kMenuSelectMission) return GameController::handleThisMenu(tag);
    MenuDefault = true;
    missionWindow.toIDMission.state = prefs_.useIDSquares;
    missionWindow.toCloseUpIDMission.state = prefs_.useCloseUpIDSquares;
    missions::MissionMenu& menu = missionWindow.toMissionMenuPopUp;
    menu.selected = menu.positionOfTag(mission_.CurrentMissionNumber);
    fillInMissionDescription();
    clock_.gamePause = false;
    missionWindow.toSelectMission.makeKeyAndOrderFront();
    HandleCursorType(0, true);
    return true;
}

void VADArizodazar2::fromMissionMenu(int position) {
    missions::MissionMenu& menu = missionWindow.toMissionMenuPopUp;
    if (position < 0 || position >= static_cast<int>(menu.items.size()) || menu.items[position].tag < 0 ||
        !menu.items[position].enabled) {
        platform::SystemBeep();
        return;
    }
    menu.selected = position;
    mission_.TempNewMissionNumber = menu.items[position].tag;
    fillInMissionDescription();
}

void VADArizodazar2::fillInMissionDescription() {
    const missions::MissionMenu& menu = missionWindow.toMissionMenuPopUp;
    const long slot = menu.selectedTag();
    const missions::MissionData* mission = mission_.TheMissions.record(slot);
    const missions::MissionTexts* texts = mission_.TheMissions.texts(slot);
    if (!mission || !texts) return;
    missionWindow.toMissionDescription = texts->description;
    for (int k = 0; k < 8; ++k) {
        missionWindow.MissionType[k].selectCode(mission->AircraftStarts[k].AircraftType);
        missionWindow.inMission[k] = k == 0 || mission->AircraftStarts[k].OnOff != 0;
    }

    const size_t position = static_cast<size_t>(std::max(menu.selected, 0));
    const std::string folder = static_cast<long>(position) > menu.userStartIndex
                                   ? userMissionsFolder()
                                   : missionsFolder() + "Mission Images/";
    const std::string& name = menu.picture(position);
    if (isFolder(folder) && !name.empty() && platform::isRegularFile(folder + name))
        missionWindow.toMissionMap = folder + name;
    else if (mission->WorldMenuOffsetNumber == 1)
        missionWindow.toMissionMap = missionsFolder() + "WWIWorldMap.png";
    missionWindow.toPrevailingWinds = missions::windsText(mission->WindSpeed, mission->WindDirection);
}

// ---- Fly Mission and Quick Dogfight --------------------------------------------------------------

bool VADArizodazar2::flyable(long slot) {
    if (!mission_.worldProblem.empty() || (!scene_.fixedWorld_ && !whyMissionCannotStart(slot).empty())) {
        platform::SystemBeep();
        return false;
    }
    return true;
}

void VADArizodazar2::startChosenFlight(Window& window) {
    window.close();
    chooseMission(mission_.TempNewMissionNumber);
    clock_.ShouldNotPlay = false;
    // A fixed world has no missions to choose; it runs as start-up set it.
    if (!scene_.fixedWorld_) newDocument();
    clock_.gamePause = true;
    HandleCursorType(1, prefs_.MousePosFeedback);
    centreTheMouseStick();
    // The mouse-flying hint, once per run and only without a joystick.
    if (!prefs_.FirstTime && !prefs_.DontShowMF) {
        prefs_.FirstTime = true;
        if (!toMyJoystick->haveJoystick()) ui_.toMouseFlying.makeKeyAndOrderFront();
    }
}

void VADArizodazar2::fromFlyMissionButton() {
    MenuDefault = true;
    if (network_->networkAndJoiner()) {
        missionWindow.toSelectMission.close();
        return;
    }
    if (!flyable(mission_.TempNewMissionNumber)) return;
    prefs_.useIDSquares = missionWindow.toIDMission.state;
    prefs_.useCloseUpIDSquares = missionWindow.toCloseUpIDMission.state;
    mission_.isDogfightOnly = false;
    if (missions::MissionData* mission = mission_.TheMissions.record(mission_.TempNewMissionNumber))
        for (int n = 0; n < 8; ++n) {
            mission->AircraftStarts[n].AircraftType = missionWindow.MissionType[n].selectedTag();
            mission->ResetAircraftStarts[n].AircraftType = missionWindow.MissionType[n].selectedTag();
        }
    startChosenFlight(missionWindow.toSelectMission);
}

bool VADArizodazar2::choosingFlight() const {
    return missionWindow.toSelectMission.open || dogfightWindow.toDogfightOnlyWindow.open;
}

void VADArizodazar2::fromFlyQuickDogfightButton() {
    const missions::MissionData* mission = mission_.TheMissions.record(mission_.TempNewMissionNumber);
    if (!mission) return;
    DogfightWindowControls& d = dogfightWindow;
    for (int n = 0; n < 8; ++n) {
        d.DOAircraftType[n].selectCode(mission->AircraftStarts[n].AircraftType);
        const int team = std::clamp(missions::wholeNumber(mission->DogfightOnlyTeams[n]), 1, 4);
        d.DOTeam[n].clear();
        d.DOTeam[n].setState(true, team - 1, 0);
        d.DOSkillLevel[n].clear();
        d.DOSkillLevel[n].setState(true, std::clamp(mission->DogfightOnlySkillLevel[n], 0, 3), 0);
        d.DOBombs[n].state = mission->DogfightOnlyBombLoad[n] != 0;
        d.DOOnOff[n].clear();
        d.DOOnOff[n].setState(true, 0, mission->DogfightOnlyOnOff[n] == 0 ? 1 : 0);
    }
    missionWindow.toSelectMission.close();
    d.toIDDogfight.state = prefs_.useIDSquares;
    d.toCloseUpIDDogfight.state = prefs_.useCloseUpIDSquares;
    d.toDogfightKills = mission_.DogfightOnlyVKills;
    d.toDogfightOnlyWindow.makeKeyAndOrderFront();
}

namespace {
// The row of a one-column matrix whose cell is on; -1 when none is.
int rowOn(const RadioMatrix& matrix) {
    for (int r = 0; r < matrix.rows; ++r)
        if (matrix.cellAt(r, 0)) return r;
    return -1;
}
}  // namespace

void VADArizodazar2::fromDoQuickDogfight() {
    MenuDefault = true;
    DogfightWindowControls& d = dogfightWindow;
    if (network_->networkAndJoiner()) {
        d.toDogfightOnlyWindow.close();
        return;
    }
    missions::MissionData* mission = mission_.TheMissions.record(mission_.TempNewMissionNumber);
    if (!mission || !flyable(mission_.TempNewMissionNumber)) return;
    mission_.isDogfightOnly = true;
    prefs_.useIDSquares = d.toIDDogfight.state;
    prefs_.useCloseUpIDSquares = d.toCloseUpIDDogfight.state;
    mission_.DogfightOnlyVKills = std::clamp(d.toDogfightKills, 1, 100);
    mission_.DogfightAirGroundStart = !d.toAirGroundStart.cellAt(0, 0);
    if (const int row = rowOn(d.toDogRestartType); row >= 0) mission_.DogfightOnlyRestartType = row;
    if (const int row = rowOn(d.toDogCameraRule); row >= 0) cameras_.CameraRule = row;
    if (d.toDogIndTeamKills.cellAt(0, 0)) pilots_.DogfightKillType = 0;
    else if (d.toDogIndTeamKills.cellAt(0, 1)) pilots_.DogfightKillType = 1;
    for (int n = 0; n < 8; ++n) {
        int code = d.DOAircraftType[n].selectedTag();
        mission->AircraftStarts[n].AircraftType = code;
        if (code == 1001) code = missions::selectAircraftTypeRandomly(draw_);
        mission->ResetAircraftStarts[n].AircraftType = code;
        mission->DogfightOnlyTeams[n] = std::max(rowOn(d.DOTeam[n]), 0) + 1;
        mission->DogfightOnlySkillLevel[n] = std::max(rowOn(d.DOSkillLevel[n]), 0);
        // Eight asked for; the aircraft loads as many as it carries.
        mission->DogfightOnlyBombLoad[n] = d.DOBombs[n].state ? 8 : 0;
        if (n > 0) mission->DogfightOnlyOnOff[n] = d.DOOnOff[n].cellAt(0, 1) ? 0 : 1;
    }
    startChosenFlight(d.toDogfightOnlyWindow);
}

// ---- Menus, the manual and the About panel -------------------------------------------------------

bool VADArizodazar2::validateMenuItem(int tag) {
    if (!MenuDefault) return false;
    if (tag == kMenuNetworkGame && replay_.ReplayFlag) return false;
    if (tag == kMenuDeleteBuilderObject) return MBWindowOpen && MBCurrentObject != 0;
    if ((tag == kMenuOpenBuilder || tag == kMenuOpenInBuilder) && MBWindowOpen) return false;
    if ((tag == kMenuCloseBuilder || tag == kMenuSave || tag == kMenuSaveAs) && !MBWindowOpen) return false;
    if ((tag == kMenuSave || tag == kMenuSaveAs) && !MBTerrainLoadedFlag) return false;
    if ((tag == kMenuOpenBuilder || tag == kMenuOpenInBuilder) && replay_.ReplayFlag) return false;
    if (tag == kMenuOpenLastMission) return !lastMissionTitle().empty();
    if (MBWindowOpen) {
        static constexpr int kClosedWhileBuilding[] = {567, 581, 582, 583, 587, 588, 589, 400, 3002, 3004, 3005};
        for (int closed : kClosedWhileBuilding)
            if (tag == closed) return false;
    }
    return true;
}

std::string VADArizodazar2::networkMenuTitle() {
    return network_->getNetworkMode() == 0 ? "Start Network Game..." : "End Network Game...";
}

std::string VADArizodazar2::lastMissionTitle() {
    for (const std::optional<std::string>* file : {&MBFileName, &prefs_.LastOpenedMission})
        if (*file && !(*file)->empty() && platform::isRegularFile(**file))
            return "Open " + fs::path(**file).filename().string();
    return {};
}

void VADArizodazar2::fromHelpMenu() {
    const std::string manual = missionsFolder() + "Pellam Manual.html";
    // Each time asked: the player may look for the file, or install a desktop opener, and ask again.
    if (!platform::isRegularFile(manual))
        ui_.notices.push_back("The manual is missing. It belongs at " + manual + ".");
    else if (!platform::openWithDesktop(manual))
        ui_.notices.push_back("No program could be started to show the manual (xdg-open was not found). "
                              "Open it in a web browser: " + manual);
}

void VADArizodazar2::openAboutPanelPellam() {
    about.toAboutVersion = PELLAM_VERSION;
    about.toAboutIcon = missionsFolder() + "pellamlogoM.png";
    std::string why;
    // A page of names; a larger file, or none, leaves the panel without credits.
    if (const auto credits = platform::readRegularFile(missionsFolder() + "Credits.txt", why, 256 * 1024))
        about.toAboutCredits.assign(credits->begin(), credits->end());
    about.toCustomAboutBox.open = true;
    about.toCustomAboutBox.key = true;
}

// ---- User missions and campaigns -----------------------------------------------------------------

void VADArizodazar2::reloadUserMissions() {
    if (missionWindow.toMissionMenuPopUp.userStartPosition() < 0) return;
    applyUserMissions(missions::scanUserMissions(userMissionsFolder()));
}

void VADArizodazar2::reloadUserMissionsInBackground() {
    if (missionWindow.toMissionMenuPopUp.userStartPosition() < 0) return;
    userMissionsReader_.scanInBackground(userMissionsFolder());
}

void VADArizodazar2::fromTimerLooper(bool, int32_t) {
    if (auto scan = userMissionsReader_.takeScan()) heldUserMissions_ = std::move(scan);
    // A new list restarts the user mission flown from its new record: it waits while one is under
    // way (begun and not over), and is taken between missions.
    constexpr int32_t kMissionFirstTick = 2;
    const bool underway = mission_.CurrentMissionNumber >= missions::MissionTable::kFirstUser &&
                          !mission_.HaveDoneGameOver &&
                          (replay_.ReplayFlag || clock_.GlobalMissionTime > kMissionFirstTick);
    if (heldUserMissions_ && !underway) applyUserMissions(*std::exchange(heldUserMissions_, std::nullopt));
}

void VADArizodazar2::applyUserMissions(missions::UserMissionScan&& scan) {
    missions::MissionMenu& menu = missionWindow.toMissionMenuPopUp;
    const int remembered = menu.selected;
    if (menu.userStartPosition() < 0) return;
    std::vector<std::string> leftOut;
    missions::applyUserMissions(mission_.TheMissions, menu, std::move(scan), &leftOut);
    // The count once, the reasons file by file in the log: a folder of many bad files is one notice.
    if (!leftOut.empty())
        tellPlayer(std::to_string(leftOut.size()) + (leftOut.size() == 1 ? " mission file" : " mission files") +
                   " in " + userMissionsFolder() +
                   " could not be offered in the mission menu. The reason for each is written in the game's log "
                   "(its standard error output), as a line beginning \"User mission left out\".");
    checkCampaignsForEnabled();
    if (mission_.CurrentMissionNumber < missions::MissionTable::kFirstUser) return;
    // A user mission is being flown: start it again from its reloaded record, or mission 0.
    if (!mission_.TheMissions.loaded(mission_.CurrentMissionNumber)) {
        menu.selected = 1;
        mission_.CurrentMissionNumber = 0;
    } else {
        menu.selected = std::min(remembered, static_cast<int>(menu.items.size()) - 1);
    }
    mission_.forgetBuiltWorld();
    fillInMissionDescription();
    newDocument();
}

// The won missions as the victory check stores them, one entry each.
std::vector<std::string> VADArizodazar2::finishedMissions() const { return completedList(); }

bool VADArizodazar2::haveFinished(const std::string& title) const {
    return missions::haveFinished(finishedMissions(), title);
}

void VADArizodazar2::checkCampaignsForEnabled() {
    const std::vector<std::string> finished = finishedMissions();
    missions::checkCampaignsForEnabled(missionWindow.toMissionMenuPopUp, mission_.TheMissions, [&](const std::string& title) {
        return missions::haveFinished(finished, title);
    });
}

void VADArizodazar2::setMissionNumber(long number) {
    clock_.ShouldNotPlay = false;
    const long slot = missions::hostMissionSlot(mission_.TheMissions, number, lobby_.NetworkMissionHash, lobby_.NetworkMissionSeconds);
    if (slot < 0) {
        const uint32_t now = static_cast<uint32_t>(platform::TickCount());
        if (now - static_cast<uint32_t>(LastNonMissionBeepTicks) > 300) {
            platform::SystemBeep();
            LastNonMissionBeepTicks = static_cast<int32_t>(now);
        }
        if (clock_.gamePause) {
            toMyZephGLView->setWindowLevelToNormal(0);
            clock_.gamePause = false;
            HandleCursorType(0, true);
        }
        toBadNews.makeKeyAndOrderFront();
        clock_.ShouldNotPlay = true;
        return;
    }
    mission_.CurrentMissionNumber = static_cast<int32_t>(slot);
    if (missions::MissionData* mission = mission_.TheMissions.record(slot)) {
        mission->AircraftStarts[0].AircraftType = lobby_.JoinerTypeRequest;
        mission->ResetAircraftStarts[0].AircraftType = lobby_.JoinerTypeRequest;
    }
}

}  // namespace pellam
