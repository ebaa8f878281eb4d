// Start-up of the game's own content and the mission start: the head of the model array, the
// missions read, and a mission turned into a running game in the order the objects rely on
// (array rebuilt, objects on the ground, sky, hour, paths, the aircraft, shared references,
// scoring).
#include <algorithm>

#include "aircraft/FlyableAircraft.h"
#include "core/ZephModel.h"
#include "game/VADArizodazar2.h"
#include "platform/Beep.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "world/RIDUdidav.h"
#include "world/TexturedSkyDome.h"

namespace pellam {
namespace {

using missions::MissionData;

constexpr int32_t kExpSquaredFog = 0x801;
constexpr int32_t kTerrainObjectType = 49;

// The codes the world's head must hold, row by row: the rest of the game addresses these indexes
// with the operations of these classes.
bool headRowSound(long row, int32_t code) {
    if (row == ModelArray::kSkyDome) return code == 1;
    if (row == ModelArray::kTerrain) return code == 54;
    if (row < ModelArray::kDebris) return missions::isAircraftCode(code);
    if (row == ModelArray::kDebris) return code == 4;
    if (row < ModelArray::kBombs) return code == 10;
    if (row == ModelArray::kBombs) return code == 11;
    return code == 13;
}

// Rows of codes this game cannot make stand inert in the mission; the player hears which, once a
// mission (the codes in the order met, each once).
void tellOfUnknownObjects(GameController& game, const std::vector<int32_t>& codes) {
    if (codes.empty()) return;
    std::vector<int32_t> distinct;
    for (const int32_t code : codes)
        if (std::find(distinct.begin(), distinct.end(), code) == distinct.end()) distinct.push_back(code);
    std::string list;
    for (const int32_t code : distinct) list += (list.empty() ? "" : ", ") + std::to_string(code);
    game.tellPlayer("This mission holds " + std::to_string(codes.size()) +
                    (codes.size() == 1 ? " object" : " objects") + " this game cannot make (object code" +
                    (distinct.size() == 1 ? " " : "s ") + list + "): they stand in the mission and do nothing.");
}

}  // namespace

// ---- Start-up --------------------------------------------------------------------------------

std::string VADArizodazar2::missionsFolder() const {
    return content_.missionsFolder.empty() ? platform::resourcesFolder() : content_.missionsFolder;
}

void VADArizodazar2::preloadGameSpecificItems() {
    ModelArray* models = getModelArray();
    if (!models) return;
    models->clear();
    for (int k = 0; k < kPilotCount; ++k) ui_.pilotNameFields[k].stringValue = "Pilot " + std::to_string(k + 1);
    if (scene_.fixedWorld_) {
        content_.populateWorld(*models, *this);
        // Whatever the content left empty still answers every operation.
        for (long i = 0; i <= ModelArray::kGroundClutter; ++i)
            if (!models->at(i)) models->put(i, std::make_unique<ZephModel>());
        for (long i = 0; i < models->size(); ++i) models->at(i)->setaController(this);
        buildMissionMenu();
        reloadUserMissions();
        showCurrentMission();
        return;
    }
    const std::string folder = missionsFolder();
    if (content_.objectView) {
        const int32_t logo = content_.objectView->fmGetTextureFromDiskNSString(folder + "pellamlogoM", 1, 6, 9, 0);
        if (logo >= 0) toMyZephGLView->setStartUpTextureNumber(logo);
    }
    toMyZephGLView->setScreenSaveNameString("/Desktop/Pellam Screen Shot");
    if (content_.makeTerrain) scene_.keptTerrain_ = content_.makeTerrain();
    scene_.TheRIDUdidavWorld = scene_.keptTerrain_.get();
    if (!scene_.TheRIDUdidavWorld && mission_.worldProblem.empty()) mission_.worldProblem = "The terrain could not be made.";
    if (scene_.TheRIDUdidavWorld) scene_.TheRIDUdidavWorld->setDrawDetail(prefs_.DoDetailPass);
    network_->setVersionNumber(13, 2, 51);
    replay_.ReplayRollOver = 3420;
    mission_.TheMissions.record(0)->TimeOfDay = 15;
    mission_.CurrentMissionNumber = 0;
    mission_.PreviousCurrentMissionNumber = -1;
    definePilotProfiles(AIPilots);
    mission_.TheMissions.startUpMission(folder);
    buildMissionMenu();
    showCurrentMission();
    buildWorldHead();
    toMyZephGLView->setModelArray(models);
    toMyZephGLView->glSetFogParameters(1.0, 1.0, 1.0, kExpSquaredFog, 1.5e-5f);
    newDocument();
    reloadUserMissions();
}

// The head every mission's object list repeats: sky, terrain, eight Camels parked in the air,
// debris, eight explosions, bombs and ground clutter, so the world answers before a mission runs.
void VADArizodazar2::buildWorldHead() {
    ModelArray& models = *getModelArray();
    missions::FactoryContext context{content_.objectView, &scene_.keptTerrain_, this, prefs_.DoDetailPass,
                                     &step_.debrisItem, draw_};
    auto row = [&](int32_t code) {
        missions::ObjectForMission entry;
        entry.ObjectCode = code;
        objectFactory.loadCorrectObject(entry, models, context);
    };
    row(1);
    if (scene_.TheRIDUdidavWorld) row(54);
    else models.append(std::make_unique<missions::PlaceholderObject>(54));
    for (int k = 0; k < ModelArray::kAircraftSlots; ++k) row(55);
    for (long i = ModelArray::kFirstAircraft; i < ModelArray::kDebris; ++i)
        if (auto* aircraft = aircraftAt(i))
            aircraft->SetUpAircraft(264160.0 - 30.0 * i, i == ModelArray::kFirstAircraft ? 3990.0 : 5990.0, 264060.0,
                                    0.0, 0.0, 70.0, 0.8);
    row(4);
    for (int k = 0; k < 8; ++k) row(10);
    row(11);
    row(13);
    for (long i = 0; i < models.size(); ++i) {
        ZephModel* object = models.at(i);
        object->setSoundGuy(theSounds->objectSounds());
        object->setaController(this);
        if (i >= ModelArray::kFirstAircraft && i < ModelArray::kDebris) object->setTerrain(scene_.TheRIDUdidavWorld);
    }
    if (ZephModel* clutter = models.at(ModelArray::kGroundClutter)) {
        clutter->setTerrain(scene_.TheRIDUdidavWorld);
        clutter->setTreeFamily(0);
    }
}

// ---- A new game --------------------------------------------------------------------------------

void VADArizodazar2::randomWind(const MissionData& mission) {
    mission_.RandomWindDirection = mission.WindDirection;
    mission_.RandomWindSpeed = mission.WindSpeed;
    const bool randomDirection = missions::isRandomWindDirection(mission_.RandomWindDirection);
    if (mission_.RandomWindSpeed < 0) mission_.RandomWindSpeed = ZephModel::getDoubleRandomFrom(0.0, 20.0);
    if (randomDirection) mission_.RandomWindDirection = ZephModel::getDoubleRandomFrom(-180.0, 180.0);
    // Every machine of a network game flies the same wind.
    if (isNetworkGame()) {
        if (mission.WindSpeed < 0) mission_.RandomWindSpeed = 0.0;
        if (randomDirection) mission_.RandomWindDirection = 88.0;
    }
}

void VADArizodazar2::newDocument() {
    ModelArray* models = getModelArray();
    if (!models) return;
    if (scene_.fixedWorld_) {  // the fixed world: every object back where it began, the clock at 0
        if (replay_.ReplayFlag) endReplay();
        for (long i = ModelArray::kFirstAircraft; i < models->size(); ++i)
            if (ZephModel* model = models->at(i)) model->resetModel();
        setMissionTime(0);
        cameras_.SpecialCameraPosition = 0;
        cameras_.CameraAircraft = ModelArray::kFirstAircraft;
        return;
    }
    if (network_->networkAndJoiner()) {  // only a host or a single player starts games
        platform::SystemBeep();
        return;
    }
    if (MissionData* mission = currentMission()) randomWind(*mission);
    mission_.CloudTransitionDepth = 150.0;
    StartMission();
    // Every game's rules go to the network object: a host's joiners start the same game, and alone
    // they put this game's rules (not the last network game's) on the kills line.
    network_->setResetTimeMissionNumber(mission_.CurrentMissionNumber, prefs_.useIDSquares, mission_.DogfightOnlyVKills,
                                        cameras_.CameraRule, mission_.isDogfightOnly, mission_.DogfightAirGroundStart,
                                        mission_.DogfightOnlyRestartType, pilots_.DogfightKillType,
                                        prefs_.useCloseUpIDSquares, mission_.RandomWindSpeed,
                                        mission_.RandomWindDirection);
}

// ---- The mission start -------------------------------------------------------------------------

std::string VADArizodazar2::whyMissionCannotStart(long slot) {
    const MissionData* mission = mission_.TheMissions.record(slot);
    if (!mission) return "there is no mission " + std::to_string(slot);
    if (!mission_.TheMissions.loaded(slot)) return "mission " + std::to_string(slot) + " was not loaded";
    if (mission->TotalObjects < missions::kHeadObjects || mission->TotalObjects > missions::kMaxObjects)
        return "mission " + std::to_string(slot) + " has " + std::to_string(mission->TotalObjects) + " objects";
    for (long row = 0; row < missions::kHeadObjects; ++row)
        if (!headRowSound(row, mission->ObjectList[row].ObjectCode))
            return "object " + std::to_string(row) + " of mission " + std::to_string(slot) + " has code " +
                   std::to_string(mission->ObjectList[row].ObjectCode) + ", which does not belong there";
    return {};
}

bool VADArizodazar2::StartMission() {
    ModelArray* models = getModelArray();
    MissionData* mission = currentMission();
    if (const std::string why = whyMissionCannotStart(mission_.CurrentMissionNumber); !models || !why.empty()) {
        platform::logMessage("The mission cannot start: " + why);
        if (!why.empty()) tellPlayer("The mission cannot start: " + why + ".");
        platform::SystemBeep();
        return false;
    }
    if (models->size() > 0)
        if (auto* terrain = dynamic_cast<RIDUdidav*>(scene_.TheRIDUdidavWorld)) terrain->initTerrainObjects();
    if (replay_.ReplayFlag)
        for (long i = ModelArray::kFirstAircraft; i < models->size(); ++i)
            if (ZephModel* object = models->at(i)) object->recoverFromReplay(clock_.GlobalMissionTime);

    clock_.DoDoubleTime = false;
    replay_.resetForMission();
    mission_.AircraftRestartCount = {};
    mission_.TimeOfDay = mission->TimeOfDay;
    mission_.GroupRandomStartNumber = (draw() + 32768) / 65536.0;
    mission_.doNewRandomRestart = true;
    cameras_.circleFlag = true;
    setMissionTime(2);
    mission_.CantWinMission = false;

    prepareNetworkGame(*mission);
    if (mission_.PreviousCurrentMissionNumber != mission_.CurrentMissionNumber) rebuildModelArray(*mission);
    registerTerrainObjects();
    setSkyAndFog(*mission);
    const double hours = setTimeOfDay(*mission);
    startObjects(*mission, hours);
    for (long n = 0; n < ModelArray::kAircraftSlots; ++n) startThisAircraft(n, true);
    if (ZephModel* player = modelAt(ModelArray::kFirstAircraft)) network_->setHostTeam(player->getTeamNumber());
    handSharedReferences();
    resetScoring();
    if (FlyableAircraft* player = aircraftAt(ModelArray::kFirstAircraft)) {
        player->setCustomPaintJobNumberBig(mission_.CustomPaintJobNumber, mission_.CustomPaintJobNumber2);
        // The computer pilot flies only aircraft whose AIType is above 0.
        if (player->ThisAircraft.AIType > 0) player->ThisAircraft.AIType = -player->ThisAircraft.AIType;
    }
    for (long i = ModelArray::kFirstAircraft; i < ModelArray::kDebris; ++i)
        if (ZephModel* aircraft = modelAt(i)) aircraft->driveModel(1, 0, false, replay_.ReplayFlag);
    pilots_.HaveClearedStats = false;
    if (ZephModel* clutter = modelAt(ModelArray::kGroundClutter)) clutter->setTreeFamily(mission->GC1);
    if (auto* terrain = dynamic_cast<RIDUdidav*>(scene_.TheRIDUdidavWorld))
        for (int i = 0; i < 3; ++i)
            terrain->SetDetailsForLayer(i, mission->Layers[i].TextureNumber, mission->Layers[i].LayerBottom,
                                        mission->Layers[i].LayerTop);
    warmUp_.Due = true;
    return true;
}

void VADArizodazar2::prepareNetworkGame(MissionData& mission) {
    if (network_->getNetworkMode() == 0) {
        // Alone: the last network game's own line (a refusal, say) is not drawn over this flight.
        if (ControllerNetwork::MessageLinesPtr lines = network_->getMessageLines()) lines[0][0] = 0;
        return;
    }
    for (long n = 0; n < ModelArray::kAircraftSlots; ++n) {
        FlyableAircraft* aircraft = aircraftAt(n + ModelArray::kFirstAircraft);
        if (!aircraft || aircraft->getRemoteLocal() != 1) continue;
        keepMissionAircraft(n);
        if (network_->amIHost() && n > 0) {
            if (const int32_t type = network_->getJoinerTypeForJoiner(n)) {
                mission.AircraftStarts[n].AircraftType = type;
                mission.ResetAircraftStarts[n].AircraftType = type;
            }
        }
        if (network_->amIHost() && n == 0) continue;
        if (const int32_t team = network_->getJoinerTeam(n)) mission.DogfightOnlyTeams[n] = team;
    }
    if (!network_->amIHost()) randomWind(mission);
}

// Every object that may go is released; the terrain is kept for the run and comes back as row 1.
void VADArizodazar2::rebuildModelArray(MissionData& mission) {
    ModelArray& models = *getModelArray();
    constexpr int kSlots = ModelArray::kAircraftSlots;
    std::array<int32_t, kSlots> remote{}, team{}, big{}, small{};
    for (long n = 0; n < kSlots; ++n) {
        FlyableAircraft* aircraft = aircraftAt(n + ModelArray::kFirstAircraft);
        if (!aircraft) continue;
        remote[n] = aircraft->ThisAircraft.RemoteLocal;
        team[n] = aircraft->ThisAircraft.Team;
        if (models.size() > ModelArray::kDebris) {
            big[n] = aircraft->getBigCustomPaintJobNumber();
            small[n] = aircraft->getSmallCustomPaintJobNumber();
        }
    }
    cameras_.CameraPosition = 0;
    cameras_.NewCameraDistance = 3.0;
    if (const long at = models.indexOf(scene_.TheRIDUdidavWorld); at >= 0) scene_.keptTerrain_ = models.take(at);
    models.clear();
    std::vector<int32_t> unknownCodes;
    missions::FactoryContext context{content_.objectView, &scene_.keptTerrain_, this, prefs_.DoDetailPass,
                                     &step_.debrisItem, draw_, &unknownCodes};
    for (long i = 0; i < mission.TotalObjects; ++i) objectFactory.loadCorrectObject(mission.ObjectList[i], models, context);
    tellOfUnknownObjects(*this, unknownCodes);
    for (long n = 0; n < kSlots; ++n) {
        FlyableAircraft* aircraft = aircraftAt(n + ModelArray::kFirstAircraft);
        if (!aircraft) continue;
        if (isNetworkGame()) {
            if (mission_.isDogfightOnly) aircraft->setTeamNumber(team[n]);
            aircraft->ThisAircraft.RemoteLocal = remote[n];
        }
        aircraft->setCustomPaintJobNumberBig(big[n], small[n]);
    }
    mission_.PreviousCurrentMissionNumber = mission_.CurrentMissionNumber;
}

void VADArizodazar2::registerTerrainObjects() {
    ModelArray& models = *getModelArray();
    auto* terrain = dynamic_cast<RIDUdidav*>(scene_.TheRIDUdidavWorld);
    if (terrain && models.size() > 17) {
        terrain->initTerrainObjects();
        for (long i = 18; i < models.size(); ++i)
            if (models.at(i)->getObjectType() == kTerrainObjectType) terrain->setTerrainObject(i);
    }
    for (long i = ModelArray::kGroundClutter; i < models.size() && scene_.TheRIDUdidavWorld; ++i) {
        ZephModel* object = models.at(i);
        if (object->getObjectType() == kTerrainObjectType) continue;
        QNion pose;
        object->getModelPositionQNion(&pose);
        object->setObjectGroundAltitude(scene_.TheRIDUdidavWorld->getAltitudeAtX(pose.Position[0], pose.Position[2]));
    }
}

void VADArizodazar2::setSkyAndFog(MissionData& mission) {
    if (mission.SkyFlags == 0) mission.SkyFlags = missions::kDefaultSkyFlags;
    int32_t haze = mission.SkyFlags & 0xFF;
    if (haze <= 1) haze = network_->getNetworkMode() == 0 ? (draw() + 32768) / 6554 + 1 : 2;
    mission_.MissionHaze = missions::missionHaze(haze);
    toMyZephGLView->glSetFogParameters(1.0, 1.0, 1.0, kExpSquaredFog, static_cast<float>(mission_.MissionHaze));
    if (auto* terrain = dynamic_cast<RIDUdidav*>(scene_.TheRIDUdidavWorld)) terrain->setFogDistance(mission_.MissionHaze);
    if (auto* sky = dynamic_cast<TexturedSkyDome*>(modelAt(ModelArray::kSkyDome)))
        sky->setCeilingPoly(missions::ceilingFeet(mission.SkyFlags));
    mission_.CloudTransitionDepth = std::max(150.0, mission.MoreDoubleItems[0]);
}

// The hour of the game; a random one is stored as 106..118 so that the next start draws again.
double VADArizodazar2::setTimeOfDay(MissionData& mission) {
    double hours = missions::timeOfDayHours(mission.TimeOfDay);
    if (hours == 0.0 || hours >= 100.0) {
        int32_t k = std::clamp((draw() + 32768) / 5461, 0, 12);
        if (isNetworkGame()) k = 8;
        mission.TimeOfDay = k + 106;
        mission_.TimeOfDay = k + 106;
        hours = k + 6;
    }
    toMyZephGLView->setSunVectorFromTime(hours);
    return hours;
}

// Each object back to its start, moved by its random start distance; a Seed of 1 moves it with
// the object before it. Paths start at the point the Seed's top byte names (200 and above: none).
void VADArizodazar2::startObjects(const MissionData& mission, double hours) {
    ModelArray& models = *getModelArray();
    const aiFlyToPoint* paths = getFlyToPoints();
    int32_t distance = 0;
    const long rows = std::min<long>(models.size(), mission.TotalObjects);
    for (long i = 0; i < rows; ++i) {
        const missions::ObjectForMission& row = mission.ObjectList[i];
        const int32_t s = row.Seed & 0xFFFFFF;
        mission_.doNewRandomRestart = s != 1;
        if (s != 1) distance = s;
        ZephModel* object = models.at(i);
        object->setRandomStartDistance(distance);
        object->setTimeOfDay(hours);
        object->resetModel();
        const int32_t first = (row.Seed >> 24) & 0xFF;
        object->setPathStart(first < missions::kFlyToPoints ? first : -1, paths);
    }
}

void VADArizodazar2::handSharedReferences() {
    ModelArray& models = *getModelArray();
    for (long i = 0; i < models.size(); ++i) {
        ZephModel* object = models.at(i);
        object->setSoundGuy(theSounds->objectSounds());
        object->setaController(this);
        object->setPilotsPtr(AIPilots.data());
        object->setWindSpeed(mission_.RandomWindSpeed, mission_.RandomWindDirection);
    }
}

void VADArizodazar2::resetScoring() {
    pilots_.startGame();
    mission_.startVictory();
    cameras_.CameraAircraft = ModelArray::kFirstAircraft;
    // The last game's end goes with it: its window, still up under Select Mission or when the
    // host starts anew, closes as its OK would close it, and the game runs on.
    if (ui_.toGameOverWindow.open) closeGameOver();
    // No game over is left, and the network hears of none: one left from a flight alone (its
    // window never closed) would end every joiner's game on arrival.
    network_->setImInGameOver(false);
    network_->setHostSendGameOver(false, 0);
    cameras_.SpecialCameraPosition = 0;
}

}  // namespace pellam
