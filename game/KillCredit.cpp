// Who shot down whom, once per frame, and the end of a game on the player's word. A death is
// credited once: WhoShotMe -2 closes it until the aircraft is set up again.
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "game/Scoring.h"
#include "game/VADArizodazar2.h"

namespace pellam {
namespace {

constexpr double kOutOfGame = -500.0;  // ft
constexpr int32_t kCredited = -2;

}  // namespace

void VADArizodazar2::restartCareer(PilotType& pilot) {
    pilots_.DisplayPilotDied = true;
    pilot.PilotScore = pilot.PilotFlightTime = pilot.Rank = pilot.CurrentPilotKills = 0;
    pilot.ObjectKillCounts.fill(0);
    if (store_.hasKey(completedKey())) store_.removeKey(completedKey());
    pilot.StartDate = today();
    pilot.PilotLives = 1;
    checkCampaignsForEnabled();
}

void VADArizodazar2::killCredit() {
    if (replay_.ReplayFlag || network_->networkAndJoiner()) return;
    PilotType& pilot = pilots_.PilotStats[pilots_.pilotIndex()];
    const bool single = network_->getNetworkMode() == 0;
    bool changed = false;

    // The player's life: one per mission, whatever happens in it.
    FlyableAircraft* ours = aircraftAt(ModelArray::kFirstAircraft);
    if (single && ours && ours->pilotDied() && !pilots_.HaveClearedStats && !mission_.isDogfightOnly) {
        pilot.PilotLives -= 1;
        pilots_.HaveClearedStats = true;
        if (pilot.PilotLives < 1) restartCareer(pilot);
        changed = true;
    }

    auto countOurDeath = [&] {
        (single ? pilot.TotalDeaths : pilot.OnlineDeaths) += 1;
        changed = true;
    };
    for (long i = 0; i < ModelArray::kAircraftSlots; ++i) {
        FlyableAircraft* craft = aircraftAt(i + ModelArray::kFirstAircraft);
        if (!craft) continue;
        Aircraft& a = craft->ThisAircraft;
        if (!(a.TotalHits > a.TotalHitsBeforeDead) || a.WhoShotMe == kCredited) continue;
        a.TotalHits = a.TotalHitsBeforeDead + 10.0;
        // A network game over is over for everybody: what is shot down while the others finish
        // theirs (this machine flying on, "Waiting for others" up) is closed uncounted, here and
        // so in every kills line.
        if (!single && mission_.HaveDoneGameOver) {
            a.WhoShotMe = kCredited;
            continue;
        }
        // The shooter may come from another machine: anything but a slot is no known shooter.
        if (a.WhoShotMe < 0 || a.WhoShotMe >= ModelArray::kAircraftSlots) a.WhoShotMe = -1;
        if (a.WhoShotMe >= 0) {
            FlyableAircraft* shooter = aircraftAt(a.WhoShotMe + ModelArray::kFirstAircraft);
            if (!shooter || shooter->ThisAircraft.Team == a.Team) a.WhoShotMe = -1;  // a team-mate takes no kill
        }
        if (a.WhoShotMe == -1) {
            double nearest = 0;
            for (long j = 0; j < ModelArray::kAircraftSlots; ++j) {
                FlyableAircraft* other = j == i ? nullptr : aircraftAt(j + ModelArray::kFirstAircraft);
                if (!other || other->ThisAircraft.AIType == 9 || other->ThisAircraft.Team == a.Team ||
                    other->live.attitude.Position[1] <= kOutOfGame)
                    continue;
                double d2 = 0;
                for (int c = 0; c < 3; ++c) {
                    const double d = other->live.attitude.Position[c] - craft->live.attitude.Position[c];
                    d2 += d * d;
                }
                if (a.WhoShotMe == -1 || d2 < nearest) {
                    nearest = d2;
                    a.WhoShotMe = static_cast<int32_t>(j);
                }
            }
            if (a.WhoShotMe == -1) {
                // Nobody to credit: the player's death still counts; others wait for an enemy.
                if (i == 0) {
                    countOurDeath();
                    a.WhoShotMe = kCredited;
                }
                continue;
            }
        }
        const long k = a.WhoShotMe;
        pilots_.AircraftResults[i][1] += 1;
        if (i == 0) countOurDeath();
        FlyableAircraft* killer = aircraftAt(k + ModelArray::kFirstAircraft);
        if (killer && killer->ThisAircraft.Team != a.Team) pilots_.AircraftResults[k][0] += 1;
        if (k == 0) {
            if (single) {
                pilot.TotalKills += 1;
                pilot.CurrentPilotKills += 1;
                pilot.PilotScore += 500;
            } else {
                pilot.OnlineKills += 1;
            }
            changed = true;
        }
        a.WhoShotMe = kCredited;
    }
    if (changed) savePilots();
}

void VADArizodazar2::closeGameOver() {
    ui_.toGameOverWindow.close();
    network_->setImInGameOver(false);
    network_->setHostSendGameOver(false, 0);
    if (network_->getNetworkMode() == 0) {
        if (pilots_.DisplayPilotDied) {
            pilots_.DisplayPilotDied = false;
            ui_.toPilotDied.makeKeyAndOrderFront();
            if (SoundServices* sounds = theSounds ? theSounds->objectSounds() : nullptr) sounds->PlayASingleSound(43, 180);
        }
    } else {
        clock_.gamePause = true;
        HandleCursorType(1, prefs_.MousePosFeedback);
    }
    checkCampaignsForEnabled();
}

void VADArizodazar2::fromMissionEndOkayButton() { closeGameOver(); }

void VADArizodazar2::fromRestartMissionButton() {
    closeGameOver();
    newDocument();
}

void VADArizodazar2::setRestartButton() {
    const bool single = network_->getNetworkMode() == 0;
    if (single && ui_.restartButtonX < 0.0f) ui_.restartButtonX += 500.0f;
    if (!single && ui_.restartButtonX > 0.0f) ui_.restartButtonX -= 500.0f;
}

void VADArizodazar2::joinerGotEndOfGame() {
    if (mission_.GameOverTime == 0) mission_.GameOverTime = clock_.GlobalMissionTime - 605;
    PilotType& pilot = pilots_.PilotStats[pilots_.pilotIndex()];
    // A joiner hears the host's game over in every frame: its tallies count once per game.
    auto creditOnce = [&] {
        if (pilots_.onlineGameCredited_) return;
        pilots_.onlineGameCredited_ = true;
        pilot.OnlineKills += pilots_.AircraftResults[0][0];
        pilot.OnlineDeaths += pilots_.AircraftResults[0][1];
        savePilots();
    };
    if (mission_.isDogfightOnly) {
        mission_.DogfightOnlyVKills = network_->getlocalDogfightGameKills();
        pilots_.DogfightKillType = network_->getDogKillType();
        if (!mission_.HaveDoneGameOver) creditOnce();
        checkVictoryConditions(true);
        return;
    }
    if (replay_.ReplayFlag || mission_.HaveDoneGameOver) return;
    creditOnce();
    ZephModel* host = modelAt(network_->getJoinerNumber() + ModelArray::kFirstAircraft);
    ZephModel* mine = modelAt(ModelArray::kFirstAircraft);
    const int32_t h = host ? host->getTeamNumber() : 0, m = mine ? mine->getTeamNumber() : 0;
    bool won = (network_->getHostResult() == 1) == (h == m);
    const missions::MissionTexts* texts = currentMissionTexts();
    missions::MissionData* mission = currentMission();
    // The host lost: with more than two sides, the tallies say which of the others won.
    if (won && network_->getHostResult() != 1 && mission) {
        std::array<int32_t, 8> words{};
        tallyKills(words);
        if (const int32_t side = sideAtKillNeeds(mission->TheVictory, h)) won = side == m;
    }
    if (won) {
        if (mission) pilot.PilotScore += mission->PointsForCompletedMission;
        const std::string title = texts ? texts->title : std::string();
        std::vector<std::string> list = completedList();
        if (std::find(list.begin(), list.end(), title) == list.end()) {
            list.push_back(title);
            storeCompletedList(list);
        }
        savePilots();
    }
    showGameOver(won ? "Mission Successful" : "Mission Failure",
                 texts ? (won ? texts->victory : texts->lost) : std::string());
}

}  // namespace pellam
