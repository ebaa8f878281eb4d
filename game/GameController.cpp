#include "game/GameController.h"

#include <algorithm>
#include <chrono>

#include "aircraft/draw/AircraftDrawing.h"
#include "core/ZephModel.h"
#include "game/FlightEffects.h"
#include "game/StandInNeighbours.h"
#include "objects/draw/EffectDrawing.h"
#include "objects/GroundVehicle.h"
#include "objects/draw/VehicleDrawing.h"
#include "platform/Beep.h"
#include "platform/FreedMemory.h"
#include "platform/Log.h"
#include "platform/Random.h"
#include "platform/TickCount.h"

namespace pellam {
namespace {

int clampVolume(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, 1, 101)); }

int64_t nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

// Stand in for a neighbour that was not handed in: the least each must do. The effects need no
// stand-in: the flight model's own hit tests and the pools serve every controller.
struct GameController::DefaultNeighbours {
    StandInView view;
    StandInInput input;
    StandInDesktop desktop;
    StandInNetwork network;
    FlightEffects effects;
};

GameController::GameController(Links links)
    : links_(links),
      defaults_(std::make_unique<DefaultNeighbours>()),
      store_(links.store ? *links.store : platform::UserDefaults::standard()),
      toMyZephGLView(links.view ? links.view : &defaults_->view),
      toMyJoystick(links.input ? links.input : &defaults_->input),
      desktop_(links.desktop ? links.desktop : &defaults_->desktop),
      network_(links.network ? links.network : &defaults_->network),
      effects_(links.effects ? links.effects : &defaults_->effects) {
    looks::useAircraftDrawing();
    effects::useEffectDrawing();
    vehicles::useVehicleDrawing();
    vehicles::setSunSource([this] { return getSunVector(); });
    ZephModel::useSimulationRandom(&simulationRandom_);
}

GameController::~GameController() {
    vehicles::setSunSource({});
    if (&ZephModel::simulationRandom() == &simulationRandom_) ZephModel::useSimulationRandom(nullptr);
}

// ---- Start-up -----------------------------------------------------------------------------

void GameController::awakeFromNib() {
    CheckOSXVersionAndHardware();
    if (BadOSXVersion) return;
    theSounds = loadSoundGuy();
    InitMyControllerVariables();
    SetGameCursors();
    LoadNeededCommunalObjects();
    preloadGameSpecificItems();
    doPlayerSignIn();
    cameras_.CameraDistance = 100.0;
    if (MyVRAMOkay) {
        for (int i = 0; i < 6 && MyVRAMOkay; ++i) toMyZephGLView->doLoadingFeedback();
        toMyZephGLView->setDoFeedback(true);
        toMyZephGLView->setWindowLevelToNormal(0);
    }
    doSelectMission = true;
    ScreenShotPending = false;
    clock_.frameStampMicros_ = nowMicros();
    step_.debrisItem = ModelArray::kDebris;
    platform::returnFreedMemory();  // what loading borrowed: files read whole, pictures decoded
    started = true;  // from here on every frame is a timerLooper call
    firstFrameDue_ = true;
}

void GameController::CheckOSXVersionAndHardware() {
    // Here the system check is whether there is a display and a GL context to draw with.
    BadOSXVersion = !desktop_->hasDisplay();
    if (BadOSXVersion) {
        platform::SystemBeep();
        ui_.toBadOSXVersion.makeKeyAndOrderFront();
        platform::logMessage("No display or OpenGL context could be had; the game cannot start.");
        desktop_->terminate();
        return;
    }
    toMyZephGLView->setWindowLevelToFront(0);
    toMyZephGLView->setController(this);
    MyVRAMOkay = true;
    if (!toMyZephGLView->getVRAMOkay()) notEnoughVRAM();
}

void GameController::notEnoughVRAM() {
    ui_.toVRAMInWindow = std::to_string(toMyZephGLView->getVRAM()) + "\n" +
                         std::to_string(toMyZephGLView->getTotalVRAMUsed());
    toMyZephGLView->setWindowLevelToNormal(0);
    HandleCursorType(0, true);
    platform::SystemBeep();
    ui_.toNotEnoughVRAMWindow.makeKeyAndOrderFront();
    MyVRAMOkay = false;
}

void GameController::fromNotEnoughVRAMQuit() {
    ui_.toNotEnoughVRAMWindow.close();
    desktop_->terminate();
}

// The network object is made with the controller; the view draws its message lines over the flight.
void GameController::LoadNeededCommunalObjects() { toMyZephGLView->setMessageLines(network_->getMessageLines()); }

std::unique_ptr<ControllerSound> GameController::loadSoundGuy() { return std::make_unique<SilentSound>(); }

void GameController::SetGameCursors() { CurrentCursorVisible = true; }

// ---- Preferences --------------------------------------------------------------------------

void GameController::setUpInitialPrefs() {
    if (store_.hasKey("AutoMessage1Key")) return;
    store_.setBool("MousePosFeedbackKey", ui_.toMousePosFeedback.state);
    store_.setBool("StallLimiterKey", ui_.toStallLimiter.state);
    store_.setBool("UseSmallWindowKey", ui_.toUseSmallWindow.state);
    store_.setBool("ReloadUserMissionsKey", ui_.toPrefsAlwaysReloadUM.state);
    store_.setBool("TerrainDetailKey", ui_.toTerrainDetailPref.state);
    store_.setBool("VBlankKey", ui_.toVBlankPref.state);
    store_.setInteger("CheckForPublicGamesKey", ui_.toPrefsDontCheckGames.state ? 1 : 0);
    int sound = 0;
    if (ui_.toInitialSound.cellAt(0, 1)) sound = 1;
    if (ui_.toInitialSound.cellAt(0, 2)) sound = 2;
    store_.setInteger("InitialSoundToggleKey", sound);
    store_.setInteger("OverallVolumeKey", clampVolume(ui_.toOverallVolume.intValue));
    store_.setBool("DontPlayOpeningSoundKey", ui_.toOpeningSoundPref.state);
    store_.setInteger("ScreenSaveFileTypeKey", ui_.toScreenSaveType.cellAt(1, 0) ? 1 : 0);
    store_.setInteger("GunsVolumeKey", clampVolume(ui_.toGunsVolume.intValue));
    store_.setInteger("EngineVolumeKey", clampVolume(ui_.toEngineVolume.intValue));
    store_.setInteger("StallVolumeKey", clampVolume(ui_.toStallHornVolume.intValue));
    store_.setInteger("OtherItemsVolumeKey", clampVolume(ui_.toOtherItemsVolume.intValue));
    for (int i = 0; i < 8; ++i) store_.setString(Preferences::autoMessageKey(i), ui_.toAuto[i].stringValue);
    for (int i = 0; i < 8; ++i) store_.setBool(Preferences::autoMessagePPKey(i), ui_.toAutopp[i].state);
    store_.setDouble("NetworkTypeSizeKey", static_cast<float>(0.8));
}

void GameController::applyVolume(const char* key, int fallback, void (ControllerSound::*setter)(double)) {
    int64_t value = store_.integerForKey(key).value_or(0);
    if (value == 0) {
        value = fallback;
        store_.setInteger(key, value);
    }
    ((*theSounds).*setter)((clampVolume(value) - 1) / 100.0);
}

void GameController::InitMyControllerVariables() {
    platform::seedRandomFromSystem();
    simulationRandom_.seedFromSystem();
    setUpInitialPrefs();
    if (!theSounds) theSounds = std::make_unique<SilentSound>();

    pacer_.TickMinimum = 1;
    doSelectMission = true;
    mission_.TimeOfDay = 12;
    // The model array always exists: a view that cannot draw must not leave the world without one.
    ModelArrayPtr = std::make_unique<ModelArray>();
    toMyZephGLView->setModelArray(ModelArrayPtr.get());

    prefs_.readFrom(store_);

    if (!store_.hasKey("DontPlayOpeningSoundKey")) store_.setBool("DontPlayOpeningSoundKey", false);
    // YES under "DontPlayOpeningSoundKey" means silence, as its name says.
    toMyZephGLView->setPlayOpening(!store_.boolForKey("DontPlayOpeningSoundKey").value_or(false));

    theSounds->setSoundToggle(static_cast<int32_t>(store_.integerForKey("InitialSoundToggleKey").value_or(0)));
    toMyZephGLView->setScreenSaveType(static_cast<int32_t>(store_.integerForKey("ScreenSaveFileTypeKey").value_or(0)));

    applyVolume("OverallVolumeKey", 101, &ControllerSound::setAppGlobalVolume);
    applyVolume("GunsVolumeKey", 101, &ControllerSound::setGunsVolume);
    applyVolume("EngineVolumeKey", 51, &ControllerSound::setEngineVolume);
    applyVolume("StallVolumeKey", 101, &ControllerSound::setStallHornVolume);
    applyVolume("OtherItemsVolumeKey", 51, &ControllerSound::setOtherItemsVolume);

    if (!store_.hasKey("NetworkTypeSizeKey")) store_.setDouble("NetworkTypeSizeKey", static_cast<float>(0.8));
    toMyZephGLView->setNetworkTypeSize(store_.doubleForKey("NetworkTypeSizeKey").value_or(static_cast<float>(0.8)));

    QNion camera;
    camera.Position = {264000.0, 16000.0, 264000.0};
    toMyZephGLView->setGlobalCameraPosition(&camera);
    toMyZephGLView->setCameraViewToVectorX(0.0, -0.1, 1.0, 0.0);
    cameras_.startUp();
    clock_.GamePauseTime = -150;
    mission_.CurrentMissionNumber = 0;
    mission_.PreviousCurrentMissionNumber = -1;

    if (!store_.hasKey("VBlankKey")) store_.setBool("VBlankKey", false);
    if (store_.boolForKey("VBlankKey").value_or(false)) toMyZephGLView->setVBLSyncing(true);
    if (MyVRAMOkay) {
        toMyZephGLView->doLoadingFeedback();
        toMyZephGLView->doLoadingFeedback();
    }
    mission_.DogfightOnlyVKills = 5;
    lobby_.JoinerTypeRequest = 3;
    store_.synchronize();
}

// ---- The frame ----------------------------------------------------------------------------

void GameController::timerLooper() {
    if (!started) return;
    tellStoreReports();
    for (const std::string& notice : toMyZephGLView->takeNotices()) tellPlayer(notice);
    ActiveInActive();
    Wait1Tick();
    clock_.waitedMicros = nowMicros();
    stepFrame(clock_.theticks);
    toMyJoystick->fromTimerLooper(clock_.gamePause);
    fromTimerLooper(clock_.gamePause, clock_.GlobalMissionTime);
}

void GameController::stepWorld(int32_t ticks) {
    clock_.theticks = ticks;
    MoveAircraftAndObjects();
}

void GameController::stepFrame(int32_t ticks) {
    stepWorld(warmUp_.HoldsFlight ? 0 : ticks);  // the flight waits for its drawing's warm-up
    clock_.steppedMicros = nowMicros();
    // The last frame's picture, which the rasteriser finished while this frame waited for its tick
    // and stepped the world.
    toMyZephGLView->showFrame();
    clock_.shownMicros = nowMicros();
    SetUpViewingPosition();
    SetUpSecondWindow();
    PrepareAndCallDrawing();
}

void GameController::ActiveInActive() {
    if (!desktop_->isApplicationActive()) {
        theSounds->setCoreAudioOnOff(false);  // the world goes on; only the sound stops
        return;
    }
    theSounds->setCoreAudioOnOff(true);
    if (clock_.gamePause && clock_.ShouldNotPlay) {
        platform::SystemBeep();
        toMyZephGLView->setWindowLevelToNormal(0);
        clock_.gamePause = false;
        HandleCursorType(0, true);
    }
    if (doSelectMission && pilotsigninhasclosed) {
        handleThisMenu(kMenuSelectMission);
        doSelectMission = false;
    }
}

void GameController::Wait1Tick() {
    const bool networkGame = network_->getNetworkMode() != 0;
    if (networkGame) clock_.DoDoubleTime = false;  // no fast time between machines
    FramePacer::Inputs in;
    in.gamePause = clock_.gamePause;
    in.doubleTime = clock_.DoDoubleTime;
    clock_.theticks = pacer_.wait1Tick(in, [this](uint32_t tick) { desktop_->sleepUntilTick(tick); });
    // A listed game is announced in its first frame (0: not yet), then once a minute, and at once
    // when a joiner is taken in or leaves.
    if (networkGame && ui_.toListGamePublicly.state && network_->amIHost() &&
        (lobby_.LastHostGamePost == 0 || pacer_.lastTickCount - lobby_.LastHostGamePost > 3600 ||
         network_->numberOfJoiners() != lobby_.AnnouncedJoiners)) {
        lobby_.LastHostGamePost = std::max<uint32_t>(pacer_.lastTickCount, 1);
        sendHostDataToServer();
    }
    if (networkGame) hearGamesListAnswer();
    if (clock_.DisplayFrameRate) {
        const int64_t now = nowMicros();
        clock_.ms1 = (now - clock_.frameStampMicros_) / 1e6;
        clock_.frameStampMicros_ = now;
    }
}

// ---- Menus and dialog buttons -------------------------------------------------------------

bool GameController::handleThisMenu(int tag) {
    switch (tag) {
    case kMenuAutoMessages:
        for (int i = 0; i < 8; ++i) {
            ui_.toAuto[i].stringValue = store_.stringForKey(Preferences::autoMessageKey(i)).value_or("");
            ui_.toAutopp[i].state = store_.boolForKey(Preferences::autoMessagePPKey(i)).value_or(false);
        }
        ui_.toAutoMessagesWindow.makeKeyAndOrderFront();
        return true;
    case kMenuPreferences: {
        auto flag = [&](const char* key) { return store_.boolForKey(key).value_or(false); };
        ui_.toMousePosFeedback.state = flag("MousePosFeedbackKey");
        ui_.toStallLimiter.state = flag("StallLimiterKey");
        ui_.toUseSmallWindow.state = flag("UseSmallWindowKey");
        ui_.toPrefsAlwaysReloadUM.state = flag("ReloadUserMissionsKey");
        ui_.toTerrainDetailPref.state = flag("TerrainDetailKey");
        ui_.toVBlankPref.state = flag("VBlankKey");
        ui_.toPrefsDontCheckGames.state = store_.integerForKey("CheckForPublicGamesKey").value_or(0) != 0;
        ui_.toGamesListServer.stringValue = store_.stringForKey("GamesListServerKey").value_or("");
        ui_.toAntiAlias.state = flag("UseAntiAliasingKey");
        const int sound = static_cast<int>(std::clamp<int64_t>(store_.integerForKey("InitialSoundToggleKey").value_or(0), 0, 2));
        ui_.toInitialSound.clear();
        ui_.toInitialSound.setState(true, 0, sound);
        ui_.toOverallVolume.intValue = clampVolume(store_.integerForKey("OverallVolumeKey").value_or(0));
        ui_.toOpeningSoundPref.state = flag("DontPlayOpeningSoundKey");
        const int type = static_cast<int>(std::clamp<int64_t>(store_.integerForKey("ScreenSaveFileTypeKey").value_or(0), 0, 1));
        ui_.toScreenSaveType.clear();
        ui_.toScreenSaveType.setState(true, type, 0);
        ui_.toGunsVolume.intValue = clampVolume(store_.integerForKey("GunsVolumeKey").value_or(0));
        ui_.toEngineVolume.intValue = clampVolume(store_.integerForKey("EngineVolumeKey").value_or(0));
        ui_.toStallHornVolume.intValue = clampVolume(store_.integerForKey("StallVolumeKey").value_or(0));
        ui_.toOtherItemsVolume.intValue = clampVolume(store_.integerForKey("OtherItemsVolumeKey").value_or(0));
        ui_.toNetworkTextSize = toMyZephGLView->getNetworkTypeSize();
        ui_.toPrefsWindow.makeKeyAndOrderFront();
        return true;
    }
    case kMenuSelectMission:
    case kMenu3005:
        platform::SystemBeep();
        return false;
    default:
        return false;
    }
}

void GameController::fromMenus(int tag) {
    toMyZephGLView->sceneChanged();  // a paused game's kept picture may no longer be what it shows
    if (!handleThisMenu(tag)) platform::SystemBeep();
}

void GameController::fromDialogButtons(int tag, Window* cancelFrom) {
    toMyZephGLView->sceneChanged();
    switch (tag) {
    case kTagPrefsOK: {
        store_.setBool("MousePosFeedbackKey", ui_.toMousePosFeedback.state);
        store_.setBool("StallLimiterKey", ui_.toStallLimiter.state);
        prefs_.readFlags(store_);
        store_.setBool("UseSmallWindowKey", ui_.toUseSmallWindow.state);
        store_.setBool("UseAntiAliasingKey", ui_.toAntiAlias.state);
        store_.setBool("ReloadUserMissionsKey", ui_.toPrefsAlwaysReloadUM.state);
        prefs_.ReloadUserMissions = ui_.toPrefsAlwaysReloadUM.state;
        store_.setBool("TerrainDetailKey", ui_.toTerrainDetailPref.state);
        prefs_.DoDetailPass = ui_.toTerrainDetailPref.state;
        store_.setBool("VBlankKey", ui_.toVBlankPref.state);
        toMyZephGLView->setVBLSyncing(ui_.toVBlankPref.state);
        store_.setInteger("CheckForPublicGamesKey", ui_.toPrefsDontCheckGames.state ? 1 : 0);
        prefs_.DoCheckForGames = ui_.toPrefsDontCheckGames.state ? 1 : 0;
        if (ui_.toGamesListServer.stringValue.find_first_not_of(" \t") == std::string::npos)
            store_.removeKey("GamesListServerKey");
        else
            store_.setString("GamesListServerKey", ui_.toGamesListServer.stringValue);
        int sound = 0;
        if (ui_.toInitialSound.cellAt(0, 1)) sound = 1;
        if (ui_.toInitialSound.cellAt(0, 2)) sound = 2;
        store_.setInteger("InitialSoundToggleKey", sound);
        // Clamped like the other volumes: a stored 0 would come back as full volume.
        store_.setInteger("OverallVolumeKey", clampVolume(ui_.toOverallVolume.intValue));
        theSounds->setAppGlobalVolume((clampVolume(ui_.toOverallVolume.intValue) - 1) / 100.0);
        store_.setBool("DontPlayOpeningSoundKey", ui_.toOpeningSoundPref.state);
        const int type = ui_.toScreenSaveType.cellAt(1, 0) ? 1 : 0;
        store_.setInteger("ScreenSaveFileTypeKey", type);
        toMyZephGLView->setScreenSaveType(type);
        const std::pair<Slider*, std::pair<const char*, void (ControllerSound::*)(double)>> groups[] = {
            {&ui_.toGunsVolume, {"GunsVolumeKey", &ControllerSound::setGunsVolume}},
            {&ui_.toEngineVolume, {"EngineVolumeKey", &ControllerSound::setEngineVolume}},
            {&ui_.toStallHornVolume, {"StallVolumeKey", &ControllerSound::setStallHornVolume}},
            {&ui_.toOtherItemsVolume, {"OtherItemsVolumeKey", &ControllerSound::setOtherItemsVolume}}};
        for (const auto& [slider, keyAndSetter] : groups) {
            const int value = clampVolume(slider->intValue);
            store_.setInteger(keyAndSetter.first, value);
            ((*theSounds).*keyAndSetter.second)((value - 1) / 100.0);
        }
        store_.setDouble("NetworkTypeSizeKey", static_cast<float>(ui_.toNetworkTextSize));
        toMyZephGLView->setNetworkTypeSize(ui_.toNetworkTextSize);
        // The settings apply either way; the window stays open when they could not be kept.
        if (saveStore()) ui_.toPrefsWindow.close();
        doAfterPrefsChangeItems();
        break;
    }
    case kTagAutoMessagesOK:
        for (int i = 0; i < 8; ++i) store_.setString(Preferences::autoMessageKey(i), ui_.toAuto[i].stringValue);
        for (int i = 0; i < 8; ++i) store_.setBool(Preferences::autoMessagePPKey(i), ui_.toAutopp[i].state);
        if (saveStore()) ui_.toAutoMessagesWindow.close();
        break;
    case kTagCancel:
        if (cancelFrom) cancelFrom->close();
        break;
    case kTagMouseFlyingOK:
        prefs_.DontShowMF = ui_.toDontShowMF.state;
        store_.setBool("DontShowMF", prefs_.DontShowMF);
        if (saveStore()) ui_.toMouseFlying.close();
        break;
    default:
        break;
    }
}

// ---- Notices to the player ---------------------------------------------------------------

void GameController::tellPlayer(const std::string& text) {
    if (text.empty() || std::find(told_.begin(), told_.end(), text) != told_.end()) return;
    told_.push_back(text);
    ui_.notices.push_back(text);
}

bool GameController::saveStore() {
    const bool saved = store_.synchronize();
    tellStoreReports();
    return saved;
}

void GameController::tellStoreReports() {
    for (const std::string& report : store_.takeReports()) tellPlayer(report);
}

// ---- Pilot sign-in, cursors, edits, termination -------------------------------------------

void GameController::trackPilotSignIn() {
    if (!ui_.toPilotSignInWindow.key) return;
    int row = -1;
    for (int r = 0; r < kPilotCount; ++r)
        if (ui_.pilotRadio.cellAt(r, 0)) row = r;
    if (row >= 0 && row != pilots_.CurrentPilotNumber) {
        pilots_.CurrentPilotNumber = row;
        ui_.pilotNameFields[pilots_.CurrentPilotNumber].selectRequested = true;
    }
    bool changed = false;
    for (const TextField& field : ui_.pilotFields)
        if (field.tag >= 1 && field.tag <= 5 && field.editing && field.tag - 1 != pilots_.CurrentPilotNumber) {
            pilots_.CurrentPilotNumber = field.tag - 1;
            changed = true;
            break;
        }
    if (changed) {
        ui_.pilotRadio.clear();
        ui_.pilotRadio.setState(true, static_cast<int>(pilots_.CurrentPilotNumber), 0);
    }
}

void GameController::HandleCursorType(int32_t type, bool visible) {
    if (type != CurrentCursorType && type >= 0 && type <= 2) {
        desktop_->setCursor(type);
        CurrentCursorType = type;
    }
    if (visible != CurrentCursorVisible) {
        desktop_->showCursor(visible);
        CurrentCursorVisible = visible;
    }
}

void GameController::centreTheMouseStick() {
    if (toMyJoystick->haveJoystick()) return;
    desktop_->centrePointer();
    toMyJoystick->pointerCentred();
}

void GameController::notsaved(const TextField* field) {
    // Only the mission builder's own fields make its mission unsaved.
    if (field && field->belongsToBuilder) MBSavedFlag = false;
}

void GameController::savePilots() {
    if (!pilots_.PilotStatsLoaded || BadOSXVersion) return;
    store_.setData("PilotStatsKey", encodePilotStats(pilots_.PilotStats));
    // Called in flight (a kill, a death, each minute flown): the disk is the writer thread's. What
    // the store can tell at once (the settings file set aside) is told now; a failed write comes
    // with a later frame's reports.
    store_.saveInBackground();
    tellStoreReports();
}

bool GameController::saveForQuit() {
    if (BadOSXVersion) return true;
    // Records that were never read stay in the store as they are, whatever this run did.
    if (pilots_.PilotStatsLoaded) store_.setData("PilotStatsKey", encodePilotStats(pilots_.PilotStats));
    prefs_.writeLastMission(store_);
    if (saveStore()) return true;
    tellPlayer("Your pilots' records and settings were not saved. Quit again to leave without saving them.");
    return false;
}

bool GameController::applicationWillTerminate() {
    const bool saved = saveForQuit();
    if (!BadOSXVersion) tellServerToEnd();
    HandleCursorType(0, true);
    return saved;
}

long GameController::whatsMyNumber(const ZephModel* object) {
    const long index = ModelArrayPtr ? ModelArrayPtr->indexOf(object) : -1;
    return index < 0 ? 0 : index;
}

}  // namespace pellam
