// The end-of-game judge, once per drawn frame: landings, the kill tallies, then either the
// mission's victory record or the dogfight's kill limit. A decision waits 600 ticks (10 s) before
// its window opens, so the player sees what happened; a timed mission ends at once.
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "game/Scoring.h"
#include "game/VADArizodazar2.h"

namespace pellam {
namespace {

constexpr double kMphPerFtTick = 40.9;   // ft/tick to mph
constexpr double kOutOfGame = -500.0;    // ft: an aircraft slot at or below this is not playing
constexpr int32_t kShowDelay = 600;      // ticks from a decision to its window

}  // namespace

std::string VADArizodazar2::completedKey() const {
    return "SuccessfulMTitles" + std::to_string(pilotIndex() + 1) + "Key";
}

std::vector<std::string> VADArizodazar2::completedList() const {
    return store_.stringArrayForKey(completedKey()).value_or(std::vector<std::string>{});
}

void VADArizodazar2::storeCompletedList(const std::vector<std::string>& list) {
    store_.removeKey(completedKey());
    store_.setStringArray(completedKey(), list);
    saveStore();
}

void VADArizodazar2::decideLoss(int32_t now) {
    CantWinMission = true;
    if (GameOverTime == 0) GameOverTime = now;
}

void VADArizodazar2::showGameOver(const std::string& title, const std::string& text) {
    gamePause = false;
    HandleCursorType(0, true);
    network_->setImInGameOver(true);
    ui_.toYouWonOrLost = title;
    ui_.toYouWonOrLostMessage = text;
    setRestartButton();
    ui_.toGameOverWindow.makeKeyAndOrderFront();
    HaveDoneGameOver = true;
}

void VADArizodazar2::checkVictoryConditions(bool fromJoiner) {
    if (ReplayFlag || (!fromJoiner && network_->networkAndJoiner())) return;
    FlyableAircraft* ours = aircraftAt(ModelArray::kFirstAircraft);
    if (!ours) return;
    Aircraft& me = ours->ThisAircraft;
    PilotType& pilot = PilotStats[pilotIndex()];
    const int32_t now = GlobalMissionTime;

    // 1. Landings: a slow touch-down after having been up, counted once until the next climb.
    if (BeenAbove100Feet && me.OnGround && me.CurrentVelocity * kMphPerFtTick < 80.0) {
        if (me.GroundAltitude != 0.0) Landings += 1;  // ground at exactly 0 is the world's edge, not a field
        BeenAbove100Feet = false;
        pilot.ObjectKillCounts[4] += 1;
        savePilots();
    }
    if (ours->live.attitude.Position[1] - me.GroundAltitude > 100.0) BeenAbove100Feet = true;

    // 2. Kill tallies per team; the highest slot at the dogfight limit is its winner.
    std::array<int32_t, 4> sums{};
    std::array<int32_t, 8> words{};
    long winner = -1;
    for (long i = 0; i < ModelArray::kAircraftSlots; ++i) {
        FlyableAircraft* craft = aircraftAt(i + ModelArray::kFirstAircraft);
        const bool inGame = craft && craft->live.attitude.Position[1] > kOutOfGame;
        const int32_t team = craft ? craft->ThisAircraft.Team : 0;
        if (inGame && team >= 1 && team <= 4) sums[team - 1] += AircraftResults[i][0];
        words[i] = scoring::teamIndex(team, inGame);
        if (AircraftResults[i][0] >= DogfightOnlyVKills) winner = i;
    }
    TeamResults = sums;

    if (isDogfightOnly) {
        judgeDogfight(winner, words, me.Team, now);
        return;
    }

    missions::MissionData* mission = currentMission();
    if (!mission) return;
    const missions::VictoryConditions& v = mission->TheVictory;
    const missions::MissionTexts* texts = currentMissionTexts();
    const std::string title = texts ? texts->title : std::string();

    // 3.1-3.2 Time out, and a loss shown once its delay has passed.
    if (v.MustWinInXTicks > 60 && now - 60 > v.MustWinInXTicks) decideLoss(now);
    if (CantWinMission) {
        if (GameOverTime == 0 || now - GameOverTime <= kShowDelay) return;
        if (!HaveDoneGameOver) {
            network_->setHostSendGameOver(true, 0);
            showGameOver("Mission Failure", texts ? texts->lost : std::string());
        }
    }
    if (now < v.DontCheckForWinForXTicks) return;

    // 3.4-3.5 Conditions that lose the mission.
    if (v.MustBeAlive && (me.Damage1 & dmg::Down)) {
        decideLoss(now);
        return;
    }
    ModelArray* models = getModelArray();
    auto listed = [&](int32_t index) -> ZephModel* {
        return index > ModelArray::kBombs && index < models->size() ? models->at(index) : nullptr;
    };
    if (v.RequiredNumberOfAliveObjects > 0) {
        int32_t alive = 0;
        for (int32_t index : v.ParticularAliveObjects)
            if (ZephModel* object = listed(index); object && !object->areYouDead()) ++alive;
        if (alive < v.RequiredNumberOfAliveObjects) {
            decideLoss(now);
            return;
        }
    }

    // 3.6 Locations, each reached at a speed it allows; once reached, it stays reached.
    const double mph = me.CurrentVelocity * kMphPerFtTick;
    const double* at = ours->live.attitude.Position.data();
    const struct {
        int32_t kind;
        const double* point;
        double speed;
        int32_t speedRule;
        double near;
    } places[3] = {{v.Location1Flags, v.Location1, v.SpeedMPH1, v.Speed1Flags, v.Location1NearDistance},
                   {v.Location2Flags, v.Location2, v.SpeedMPH2, v.Speed2Flags, v.Location2NearDistance},
                   {v.Location3Flags, v.Location3, v.SpeedMPH3, v.Speed3Flags, v.Location3NearDistance}};
    for (int n = 0; n < 3; ++n) {
        const auto& p = places[n];
        if (p.kind == 1) continue;
        const bool speedHolds = p.speedRule == 1 || (p.speedRule == 2 && mph > p.speed) ||
                                (p.speedRule == 3 && mph < p.speed);
        if (!speedHolds) continue;
        const double dx = at[0] - p.point[0], dy = at[1] - p.point[1], dz = at[2] - p.point[2];
        const bool reached = (p.kind == 6 && at[0] > p.point[0]) || (p.kind == 5 && at[0] < p.point[0]) ||
                             (p.kind == 3 && at[2] > p.point[2]) || (p.kind == 4 && at[2] < p.point[2]) ||
                             (p.kind == 2 && std::sqrt(dx * dx + dy * dy + dz * dz) < p.near);
        if (reached) LocationCompletedFlags[n] = true;
    }

    // 3.7-3.8 Everything the win needs.
    for (int n = 0; n < 3; ++n)
        if (places[n].kind != 1 && !LocationCompletedFlags[n]) return;
    if (v.TotalLandings > Landings) return;
    if (v.Points != 0 && v.Points > DeadObjectPoints) return;
    if (v.Kills > AircraftResults[0][0]) return;
    if (me.Team >= 1 && me.Team <= 4 && v.TeamKills > TeamResults[me.Team - 1]) return;
    if (v.RequiredNumberOfDeadObjects > 0) {
        int32_t destroyed = 0;
        for (int32_t index : v.ParticularDeadObjects)
            if (ZephModel* object = listed(index); object && object->areYouDestroyed()) ++destroyed;
        if (destroyed < v.RequiredNumberOfDeadObjects) return;
    }

    // 3.9 Without objects to protect the time limit is a deadline; with them, a time to hold out.
    if (v.MustWinInXTicks > 60) {
        if (v.RequiredNumberOfAliveObjects < 1 && now > v.MustWinInXTicks) {
            decideLoss(now);
            return;
        }
        if (v.RequiredNumberOfAliveObjects >= 1 && now < v.MustWinInXTicks) return;
    }

    // 3.10 Won; the window waits for its delay (a timed mission shows at once).
    if (GameOverTime == 0) GameOverTime = now;
    const int32_t since = now - GameOverTime;
    if (HaveDoneGameOver || GameOverTime == 0 || !(since > kShowDelay || (since > 1 && v.MustWinInXTicks > 60)))
        return;
    const int32_t t = GameOverTime < 0 ? now : GameOverTime;
    network_->setHostSendGameOver(true, 1);
    showGameOver("Mission Successful", (texts ? texts->victory : std::string()) + "\r\rMission Time: " +
                                           scoring::missionTime(t));
    pilot.PilotScore += mission->PointsForCompletedMission;

    // 3.11-3.13 The completed list: a faster time replaces the old one; the first win adds a life.
    const scoring::CompletedUpdate update = scoring::addCompleted(completedList(), title, t);
    if (update.firstTime && network_->getNetworkMode() == 0 && !HaveClearedStats) pilot.PilotLives += 1;
    if (update.changed) storeCompletedList(update.list);
    savePilots();
    checkCampaignsForEnabled();
}

void VADArizodazar2::judgeDogfight(long winner, const std::array<int32_t, 8>& words, int32_t ourTeam, int32_t now) {
    long winningTeam = 0;
    for (int t = 1; t <= 4; ++t)
        if (TeamResults[t - 1] >= DogfightOnlyVKills) winningTeam = t;
    const bool teams = DogfightKillType == 1;
    if (HaveDoneGameOver || (teams ? winningTeam == 0 : winner < 0)) return;
    if (GameOverTime == 0) GameOverTime = now;
    if (!((GameOverTime != 0 && now - GameOverTime > kShowDelay) || !gamePause)) return;

    const bool won = teams ? ourTeam == winningTeam : winner == 0;
    network_->setHostSendGameOver(true, won ? 1 : 0);
    std::string text = std::string(teams ? "Total Team Kills: " : "Total Individual Kills: ") +
                       std::to_string(DogfightOnlyVKills) +
                       "\r\r______________________Kills:__Deaths:__Team:______\r\r";
    for (int n = 1; n <= 8; ++n)
        text += scoring::killTableRow(n, network_->getThisPlayerName(n - 1), AircraftResults[n - 1][0],
                                      AircraftResults[n - 1][1], scoring::teamWord(words[n - 1]));
    text += "__________________________________________________\r\r";
    text += teams ? std::string("Winning Team: ") + scoring::teamWord(static_cast<int32_t>(winningTeam))
                  : "Winning Player: #" + std::to_string(winner + 1);
    showGameOver(teams ? (won ? "Your Team Won" : "Your Team Lost") : (won ? "You Won" : "You Lost"), text);
}

}  // namespace pellam
