// The network object fitted to the running controller: what the protocol engine reads and sets
// in the game, slot by slot (this machine's numbering: slot n is the aircraft at model index
// n + 2).
#include "game/GameNetwork.h"

#include <algorithm>

#include "aircraft/FlyableAircraft.h"
#include "game/VADArizodazar2.h"
#include "platform/TickCount.h"

namespace pellam {
namespace {

constexpr int32_t kResetTicks = 300;  // an aircraft set up this recently carries no hits over

}  // namespace

// The quits still going out are sent before the link is gone (see QuitSender).
GameNetwork::~GameNetwork() {
    link_.setEngineServices(nullptr);  // the controller may be gone already
    link_.closeNetworkRoutines();
}

void GameNetwork::attach(VADArizodazar2* game) {
    game_ = game;
    link_.setEngineServices(this);
}

void GameNetwork::setJoinerParticularsName(const std::array<uint8_t, 48>& name, uint32_t address, int32_t team,
                                           int32_t, int32_t mission) {
    const size_t length = std::min<size_t>(name[0], name.size() - 1);
    link_.setJoinerParticularsName({reinterpret_cast<const char*>(name.data() + 1), length}, address, team, mission);
}

int32_t GameNetwork::startNetworkRoutines(uint16_t port, int32_t role) {
    const bool host = role == kHostRole;
    // A joiner listens on any free port: the host answers whatever port a joiner writes from, and
    // a joiner on the host's own machine must not take the port the host is about to open.
    const uint16_t listen = host ? port : 0;
    const int32_t ownTeam = aircraftFacts(0).team;
    const int result = link_.startNetworkRoutines(listen, host ? net::BSDNetworkSockets::kHost : net::BSDNetworkSockets::kJoiner,
                                                  ownTeam);
    if (result == 0) link_.setCurrentPort(port);
    return result;
}

void GameNetwork::setResetTimeMissionNumber(long mission, bool idHelp, int32_t killsToWin, int32_t cameraRule,
                                            bool dogfightOnly, int32_t start, int32_t restart, int32_t killType,
                                            bool closeID, double windSpeed, double windDirection) {
    // A mission is won by its own kill needs, not by a dogfight's limit: the kills line shows them.
    const missions::MissionData* played = game_ && !dogfightOnly ? game_->currentMission() : nullptr;
    if (played) {
        const missions::VictoryConditions& v = played->TheVictory;
        killType = v.TeamKills > 0 ? 1 : 0;
        killsToWin = v.TeamKills > 0 ? v.TeamKills : std::max(v.Kills, 0);
    }
    net::GameRules rules;
    rules.hostTeam = static_cast<uint8_t>(std::clamp(link_.getHostTeam(), 1, 4));
    rules.missionNumber = static_cast<uint8_t>(std::clamp<long>(mission, 0, 255));
    rules.idHelp = static_cast<uint8_t>((idHelp ? 1 : 0) | (closeID ? 2 : 0));
    rules.cameraRule = static_cast<uint8_t>(std::clamp(cameraRule, 0, 255));
    rules.killsToWin = static_cast<uint8_t>(std::clamp(killsToWin, 0, 100));
    rules.dogfightOnly = dogfightOnly ? 1 : 0;
    rules.dogfightStart = static_cast<uint8_t>(std::clamp(start, 0, 255));
    rules.dogfightRestart = static_cast<uint8_t>(std::clamp(restart, 0, 255));
    rules.dogKillType = static_cast<uint8_t>(killType != 0);
    rules.missionHash = getMissionHash();
    rules.missionSeconds = getMissionSeconds();
    link_.setResetTime(rules, windSpeed, windDirection);
}

// ---- The game as the engine sees it.

net::SetupServices::SlotAircraft GameNetwork::aircraftInSlot(int slot) {
    FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr;
    if (!a) return {};
    return {a->ThisAircraft.RemoteLocal == 0, a->live.attitude.Position[1], a->ThisAircraft.Team,
            a->ThisAircraft.AircraftType};
}

bool GameNetwork::doIhaveBombs(int joiner) {
    const missions::MissionData* mission = game_ ? game_->currentMission() : nullptr;
    return mission && joiner >= 0 && joiner < 8 && mission->DogfightOnlyBombLoad[joiner] > 0;
}

uint32_t GameNetwork::getMissionHash() {
    const missions::MissionData* mission = game_ ? game_->currentMission() : nullptr;
    return mission ? mission->Hash1 : 0;
}

double GameNetwork::getMissionSeconds() {
    const missions::MissionData* mission = game_ ? game_->currentMission() : nullptr;
    return mission ? mission->SecondsSince2001 : 0.0;
}

// The slot's pilot is gone from it: his kills stay his team's, and the slot starts from none.
void GameNetwork::setKillsAside(int slot) {
    const int32_t team = aircraftFacts(slot).team;
    if (team >= 1 && team <= 4) leftTeamKills()[size_t(team - 1)] += aircraftResults()[slot][0];
    aircraftResults()[slot] = {0, 0};
}

void GameNetwork::startJoinerAircraft(int joiner, int32_t team, int32_t aircraftType) {
    if (!game_ || joiner < 1 || joiner > 7) return;
    setKillsAside(joiner);  // a newcomer starts with none of the slot's last pilot's kills
    setNetworkAircraftTypeForAircraft(joiner, aircraftType);
    setNetworkDogfightOnlyTeam(team, joiner);
    setRemoteLocal(joiner, true);  // before its start, which gives a player's slot the player's team
    game_->startThisAircraft(joiner, true);
}

wire::StateBlockBytes GameNetwork::stateBlock(int slot) {
    wire::StateBlockBytes bytes{};
    FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr;
    wire::AircraftState state = a ? a->MakeOutputData() : wire::AircraftState{};
    if (!a) state.position[1] = wire::kHiddenHeight;
    const bool over = (link_.hostSendsGameOver() || link_.getImInGameOver()) && link_.getNetworkMode() != 0;
    if (over) state.flags |= wire::stateflag::GameOver;
    // Outside a dogfight the game over's result rides on the bail-out bit: a host that bailed
    // out and lost must not read as the winner.
    if (link_.hostSendsGameOver() && !link_.rules().dogfightOnly) {
        state.flags &= static_cast<uint8_t>(~wire::stateflag::BailedOut);
        if (link_.hostSendResult()) state.flags |= wire::stateflag::BailedOut;
    }
    wire::encodeAircraftState(state, bytes.data());
    if (over && link_.amIHost() && game_) {
        // The results ride where the velocity would be.
        for (int i = 0; i < 8; ++i) bytes[16 + i] = static_cast<uint8_t>(aircraftResults()[i][1]);
    }
    return bytes;
}

double GameNetwork::totalHits(int slot) {
    FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr;
    return a ? a->ThisAircraft.TotalHits : 0.0;
}

// The hits every other machine counted on the aircraft: past its limit, it is shot down.
void GameNetwork::reportNetworkHits(int slot, double hits) {
    FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr;
    if (!a) return;
    Aircraft& r = a->ThisAircraft;
    r.NetworkHits = hits;
    if (r.TotalHitsBeforeDead < r.NetworkHits) r.TotalHits = r.TotalHitsBeforeDead + 10.0;
}

bool GameNetwork::resetRecently(int slot) {
    FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr;
    return a && game_->clock().GlobalMissionTime - a->ThisAircraft.TimeOfReset < kResetTicks;  // signed: one set up this tick is recent
}

void GameNetwork::clearHits(int slot) {
    if (FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr)
        a->ThisAircraft.NetworkHits = 0.0;
}

uint8_t GameNetwork::kills(int slot) {
    return game_ && slot >= 0 && slot < 8 ? static_cast<uint8_t>(std::clamp(aircraftResults()[slot][0], 0, 255)) : 0;
}

int GameNetwork::modelCount() {
    return game_ && game_->getModelArray() ? static_cast<int>(game_->getModelArray()->size()) : 0;
}

bool GameNetwork::isDead(int modelIndex) {
    ZephModel* m = game_ ? game_->modelAt(modelIndex) : nullptr;
    return m && m->areYouDead();
}

net::EngineServices::Facts GameNetwork::aircraftFacts(int slot) {
    FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr;
    if (!a) return {};
    const Aircraft& r = a->ThisAircraft;
    return {true, r.Team, r.AircraftType, a->live.attitude.Position[1], r.WhoShotMe};
}

// The set-up is stamped in mission ticks; the network keeps the system's tick count. Taken back
// from the step's own `now`: a second clock read could lie after it and make a fresh aircraft's
// set-up look later than the step itself.
int32_t GameNetwork::resetTick(int slot, int32_t now) {
    FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr;
    return a ? now - (game_->clock().GlobalMissionTime - a->ThisAircraft.TimeOfReset) : now;
}

net::EngineServices::Applied GameNetwork::applyStateBlock(int slot, const wire::StateBlockBytes& block, int32_t delay) {
    FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr;
    if (!a || slot < 0 || slot > 7) return {};
    RemoteRecordContext c;
    c.tick = platform::TickCount();
    c.newInTime = link_.newInTime();
    c.delay = delay;
    c.replayPlaying = game_->replay().ReplayFlag;
    c.isHost = link_.amIHost();
    c.joinerNumber = link_.getJoinerNumber();
    c.globalGameTime = game_->clock().GlobalMissionTime;
    c.aircraftIndex = slot + ModelArray::kFirstAircraft;
    c.bombs = game_->modelAt(ModelArray::kBombs);
    // The catch-up's steps, -1 when it could not match the drawn place; left as it was when none ran.
    int32_t playDelay = link_.getNetworkPlayDelay();
    const RemoteRecordOutcome out = GetDataOutOfStructure(*a, block, c, &shown_[slot], &playDelay);
    link_.setNetworkPlayDelay(playDelay);
    if (out.hasResults)
        for (int i = 0; i < 8; ++i) aircraftResults()[i][1] = out.results[i];
    if (out.restarted)
        for (auto& tally : link_.exchange().hostHitTally) tally[slot] = 0.0;
    return {out.gameOver, out.hostWon};
}

void GameNetwork::setRemoteLocal(int slot, bool remote) {
    if (ZephModel* m = game_ ? game_->modelAt(slot + ModelArray::kFirstAircraft) : nullptr) m->setRemoteLocal(remote ? 1 : 0);
}

void GameNetwork::setWhoShotMe(int slot, int32_t who) {
    if (FlyableAircraft* a = game_ ? game_->aircraftAt(slot + ModelArray::kFirstAircraft) : nullptr)
        a->ThisAircraft.WhoShotMe = who;
}

void GameNetwork::objectDeadFromNetwork(int modelIndex, int reporter, int32_t gameTime, bool credit) {
    ZephModel* m = game_ ? game_->modelAt(modelIndex) : nullptr;
    OneCompleteObjectVer2* object = m ? m->getCompleteObjectPtr() : nullptr;
    if (!object || m->areYouDead() || object->TheObject.ObjectHits >= object->TheObject.ObjectHitsWhenDead) return;
    object->TheObject.ObjectHits = object->TheObject.ObjectHitsWhenDead + 10;
    object->TheObject.WhoKilledMe = reporter;
    object->TheObject.GlobalDeadTime = gameTime;
    if (credit) game_->thisObjectDead(modelIndex, reporter);
}

std::array<std::array<int32_t, 2>, 8>& GameNetwork::aircraftResults() {
    return game_ ? *game_->getAircraftResultsPtr() : noResults_;
}

std::array<int32_t, 4>& GameNetwork::teamResults() { return game_ ? *game_->getAircraftTeamResultsPtr() : noTeams_; }

std::array<int32_t, 4>& GameNetwork::leftTeamKills() { return game_ ? *game_->getLeftTeamKillsPtr() : noLeft_; }

void GameNetwork::setIDHelp(bool idHelp, bool closeID) {
    if (!game_) return;
    game_->setIDSquares(idHelp, closeID);
}

void GameNetwork::setCameraRule(int32_t rule) {
    if (game_) game_->setCameraRule(rule);
}

void GameNetwork::setDogfightOnly(bool dogfightOnly, bool airGroundStart, int32_t restart) {
    if (!game_) return;
    game_->setDogfightRules(dogfightOnly, airGroundStart, restart);
}

void GameNetwork::setMissionHash(uint32_t hash, double seconds) {
    if (game_) game_->setMissionHash(hash, seconds);
}

// Entry 0 is always this machine's own player, whatever its slot at the host.
void GameNetwork::setMyJoinerBombs(bool bombs, int) {
    if (missions::MissionData* mission = game_ ? game_->currentMission() : nullptr)
        mission->DogfightOnlyBombLoad[0] = bombs ? 8 : 0;
}

// A player's team: in a dogfight kept in the mission's dogfight teams too; in a mission only the
// aircraft flies for it, the mission's own rows untouched.
void GameNetwork::setNetworkDogfightOnlyTeam(int32_t team, int slot) {
    if (!game_ || slot < 0 || slot > 7 || team < 1 || team > 4) return;
    if (game_->missionState().isDogfightOnly) {
        game_->keepMissionAircraft(slot);
        if (missions::MissionData* mission = game_->currentMission()) mission->DogfightOnlyTeams[slot] = team;
    }
    if (ZephModel* m = game_->modelAt(slot + ModelArray::kFirstAircraft)) m->setTeamNumber(team);
}

void GameNetwork::setNetworkAircraftTypeForAircraft(int slot, int32_t type) {
    if (game_) game_->setNetworkAircraftTypeForAircraft(slot, type);
}

void GameNetwork::startThisAircraft(int slot, bool fromStart) {
    if (game_ && slot >= 0 && slot < 8) game_->startThisAircraft(slot, fromStart);
}

void GameNetwork::parkAircraft(int slot) {
    if (game_ && slot >= 0 && slot < 8) game_->parkAircraft(slot);
}

void GameNetwork::setMissionNumber(int32_t mission) {
    if (game_) game_->setMissionNumber(mission);
}

void GameNetwork::StartMission() {
    if (game_) game_->StartMission();
}

void GameNetwork::joinerGotEndOfGame() {
    if (game_) game_->joinerGotEndOfGame();
}

int32_t GameNetwork::getJoinerAircraftType() { return game_ ? game_->lobbySettings().JoinerTypeRequest : 55; }

std::string GameNetwork::autoMessage(int k) {
    if (!game_ || k < 0 || k > 7) return {};
    const AutoMessage& m = game_->prefs().AutoMessages[k];
    return std::string(reinterpret_cast<const char*>(m.data() + 1), std::min<size_t>(m[0], m.size() - 1));
}

void GameNetwork::playSound(int32_t sound, int32_t volume) {
    if (ControllerSound* s = game_ ? game_->sounds() : nullptr)
        if (SoundServices* play = s->objectSounds()) play->PlayASingleSound(sound, volume);
}

int32_t GameNetwork::tryForCustomPaintJobBig(const std::string& name) {
    return game_ ? game_->view().tryForCustomPaintJobBig(name) : -1;
}

int32_t GameNetwork::tryForCustomPaintJobSmall(const std::string& name) {
    return game_ ? game_->view().tryForCustomPaintJobSmall(name) : -1;
}

void GameNetwork::deleteTexture(int32_t texture) {
    if (game_) game_->view().glDeleteONETexture(texture);
}

void GameNetwork::setCustomPaintJob(int slot, int32_t big, int32_t small) {
    if (ZephModel* m = game_ ? game_->modelAt(slot + ModelArray::kFirstAircraft) : nullptr)
        m->setCustomPaintJobNumberBig(big, small);
}

// A game decided keeps its result: the player's kills, team and aircraft stay in his slot, and
// the mission has its own aircraft there again from the next game.
void GameNetwork::joinerLeft(int slot) {
    if (!game_ || slot < 1 || slot > 7) return;
    const bool decided = game_->missionState().decided();
    if (!decided) setKillsAside(slot);
    game_->restoreMissionAircraft(slot, !decided);
}

}  // namespace pellam
