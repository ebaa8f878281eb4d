// The end-of-game judge, once per drawn frame: landings, the kill tallies, then either the
// mission's victory record or the dogfight's kill limit. A decision waits 600 ticks (10 s) before
// its window opens, so the player sees what happened; a timed mission ends at once.
//
// Order within one check, and why:
//   1. landings           counted first, so that a landing this frame counts towards the win below
//   2. kill tallies       per team, read by the dogfight's limit and the mission's team kills
//   3. dogfight           its kill limit alone decides; a dogfight has no victory record
// A mission's victory record then, each step stopping the check for this frame where it decides:
//   4. time-out           a late mission is lost; a decided loss shows once its delay has passed
//   5. hold-off           nothing is judged before the record's first tick to check
//   6. losing conditions  the player down, objects to protect destroyed, in a network game
//                         another side at the kill needs first
//   7. locations          marked before the win's needs, which ask for all of them
//   8. the win's needs    locations, landings, points, kills, team kills, objects destroyed
//   9. time limit         a deadline without objects to protect, a time to hold out with them
//  10. the win            shown after its delay, scored, and kept in the completed list
#include <algorithm>
#include <cmath>

#include "aircraft/FlyableAircraft.h"
#include "game/Scoring.h"
#include "game/VADArizodazar2.h"

namespace pellam {
namespace {

constexpr double kMphPerFtTick = 40.9;   // ft/tick to mph
constexpr double kOutOfGame = -500.0;    // ft: an aircraft slot at or below this is not playing
constexpr int32_t kShowDelay = 600;      // ticks from a decision to its window

// One of the record's three locations, with the speed it must be reached at.
struct Place {
    int32_t kind;       // 1 unused, 2 within `near`; past the point: 3 greater z, 4 lesser z, 5 lesser x, 6 greater x
    const double* point;
    double speed;       // mph
    int32_t speedRule;  // 1 any speed, 2 faster than `speed`, 3 slower
    double near;        // ft
};

std::array<Place, 3> placesOf(const missions::VictoryConditions& v) {
    return {{{v.Location1Flags, v.Location1, v.SpeedMPH1, v.Speed1Flags, v.Location1NearDistance},
             {v.Location2Flags, v.Location2, v.SpeedMPH2, v.Speed2Flags, v.Location2NearDistance},
             {v.Location3Flags, v.Location3, v.SpeedMPH3, v.Speed3Flags, v.Location3NearDistance}}};
}

// How many of the record's listed objects answer `holds`; an index outside the objects (or at the
// aircraft and bombs) names nothing and does not count.
template <typename Holds>
int32_t countListed(ModelArray* models, const std::array<int32_t, 20>& indices, Holds holds) {
    int32_t count = 0;
    for (int32_t index : indices) {
        ZephModel* object = index > ModelArray::kBombs && index < models->size() ? models->at(index) : nullptr;
        if (object && holds(*object)) ++count;
    }
    return count;
}

// Each team's best pilot's kills, of the aircraft in the game.
std::array<int32_t, 4> bestPilots(VADArizodazar2& game, const PilotScoring& scores) {
    std::array<int32_t, 4> best{};
    for (long i = 0; i < ModelArray::kAircraftSlots; ++i) {
        FlyableAircraft* craft = game.aircraftAt(i + ModelArray::kFirstAircraft);
        const int32_t team = craft ? craft->ThisAircraft.Team : 0;
        if (craft && craft->live.attitude.Position[1] > kOutOfGame && team >= 1 && team <= 4)
            best[team - 1] = std::max(best[team - 1], scores.AircraftResults[i][0]);
    }
    return best;
}

}  // namespace

std::string VADArizodazar2::completedKey() const {
    return "SuccessfulMTitles" + std::to_string(pilots_.pilotIndex() + 1) + "Key";
}

std::vector<std::string> VADArizodazar2::completedList() const {
    return store_.stringArrayForKey(completedKey()).value_or(std::vector<std::string>{});
}

void VADArizodazar2::storeCompletedList(const std::vector<std::string>& list) {
    store_.removeKey(completedKey());
    store_.setStringArray(completedKey(), list);
    store_.saveInBackground();  // a mission's end in flight: the writer thread's; a failure is told next frame
}

// Between machines another side may meet the mission's kill needs (its team's kills, and one of
// its pilots at the pilot's kills); the first to do so has won.
int32_t VADArizodazar2::sideAtKillNeeds(const missions::VictoryConditions& v, int32_t except) {
    if (v.Kills <= 0 && v.TeamKills <= 0) return 0;
    const std::array<int32_t, 4> best = bestPilots(*this, pilots_);
    for (int32_t t = 1; t <= 4; ++t)
        if (t != except && (v.TeamKills <= 0 || pilots_.TeamResults[t - 1] >= v.TeamKills) &&
            (v.Kills <= 0 || best[t - 1] >= v.Kills))
            return t;
    return 0;
}

void VADArizodazar2::decideLoss(int32_t now) {
    mission_.CantWinMission = true;
    if (mission_.GameOverTime == 0) mission_.GameOverTime = now;
}

void VADArizodazar2::showGameOver(const std::string& title, const std::string& text) {
    clock_.gamePause = false;
    HandleCursorType(0, true);
    network_->setImInGameOver(true);
    ui_.toYouWonOrLost = title;
    ui_.toYouWonOrLostMessage = text;
    setRestartButton();
    ui_.toGameOverWindow.makeKeyAndOrderFront();
    mission_.HaveDoneGameOver = true;
}

void VADArizodazar2::checkVictoryConditions(bool fromJoiner) {
    if (replay_.ReplayFlag || (!fromJoiner && network_->networkAndJoiner())) return;
    FlyableAircraft* ours = aircraftAt(ModelArray::kFirstAircraft);
    if (!ours) return;
    const Aircraft& me = ours->ThisAircraft;
    const int32_t now = clock_.GlobalMissionTime;

    countLanding(*ours);
    std::array<int32_t, 8> words{};
    const long winner = tallyKills(words);
    if (mission_.isDogfightOnly) {
        judgeDogfight(winner, words, me.Team, now);
        return;
    }

    missions::MissionData* mission = currentMission();
    if (!mission) return;
    const missions::VictoryConditions& v = mission->TheVictory;
    if (lossWaiting(v, now)) return;
    if (now < v.DontCheckForWinForXTicks) return;
    if (missionLost(v, me, now)) return;
    markLocationsReached(v, *ours);
    if (!winNeedsMet(v, me)) return;
    if (!timeLimitAllowsWin(v, now)) return;
    showWin(*mission, now);
}

void VADArizodazar2::countLanding(const FlyableAircraft& ours) {
    const Aircraft& me = ours.ThisAircraft;
    // A slow touch-down after having been up, counted once until the next climb.
    if (mission_.BeenAbove100Feet && me.OnGround && me.CurrentVelocity * kMphPerFtTick < 80.0) {
        if (me.GroundAltitude != 0.0) pilots_.Landings += 1;  // ground at exactly 0 is the world's edge, not a field
        mission_.BeenAbove100Feet = false;
        pilots_.PilotStats[pilots_.pilotIndex()].ObjectKillCounts[4] += 1;
        savePilots();
    }
    if (ours.live.attitude.Position[1] - me.GroundAltitude > 100.0) mission_.BeenAbove100Feet = true;
}

long VADArizodazar2::tallyKills(std::array<int32_t, 8>& words) {
    std::array<int32_t, 4> sums{};
    long winner = -1;  // the highest slot at the dogfight's limit
    for (long i = 0; i < ModelArray::kAircraftSlots; ++i) {
        FlyableAircraft* craft = aircraftAt(i + ModelArray::kFirstAircraft);
        const bool inGame = craft && craft->live.attitude.Position[1] > kOutOfGame;
        const int32_t team = craft ? craft->ThisAircraft.Team : 0;
        if (inGame && team >= 1 && team <= 4) sums[team - 1] += pilots_.AircraftResults[i][0];
        words[i] = scoring::teamIndex(team, inGame);
        if (pilots_.AircraftResults[i][0] >= mission_.DogfightOnlyVKills) winner = i;
    }
    for (int t = 0; t < 4; ++t) sums[t] += pilots_.LeftTeamKills[t];  // a pilot who has gone scored for his team
    pilots_.TeamResults = sums;
    return winner;
}

bool VADArizodazar2::lossWaiting(const missions::VictoryConditions& v, int32_t now) {
    if (v.MustWinInXTicks > 60 && now - 60 > v.MustWinInXTicks) decideLoss(now);
    if (!mission_.CantWinMission) return false;
    if (mission_.GameOverTime == 0 || now - mission_.GameOverTime <= kShowDelay) return true;
    if (!mission_.HaveDoneGameOver) {
        const missions::MissionTexts* texts = currentMissionTexts();
        network_->setHostSendGameOver(true, 0);
        showGameOver("Mission Failure", texts ? texts->lost : std::string());
    }
    return false;  // once shown, the rest is still judged: the window is up, so no win can show
}

bool VADArizodazar2::missionLost(const missions::VictoryConditions& v, const Aircraft& me, int32_t now) {
    // Shot down counts as down: a rammed aircraft falls for seconds before it is a wreck, and a win
    // shown meanwhile would credit a pilot the kill tally already counts as lost.
    const bool down = v.MustBeAlive && ((me.Damage1 & dmg::Down) || me.TotalHits > me.TotalHitsBeforeDead);
    const bool protectedLost =
        !down && v.RequiredNumberOfAliveObjects > 0 &&
        countListed(getModelArray(), v.ParticularAliveObjects, [](ZephModel& o) { return !o.areYouDead(); }) <
            v.RequiredNumberOfAliveObjects;
    const bool outscored = !down && !protectedLost && mission_.GameOverTime == 0 && network_->getNetworkMode() != 0 &&
                           sideAtKillNeeds(v, me.Team) != 0;
    if (down || protectedLost || outscored) decideLoss(now);
    return down || protectedLost || outscored;
}

void VADArizodazar2::markLocationsReached(const missions::VictoryConditions& v, const FlyableAircraft& ours) {
    // Each is reached at a speed it allows; once reached, it stays reached.
    const double mph = ours.ThisAircraft.CurrentVelocity * kMphPerFtTick;
    const double* at = ours.live.attitude.Position.data();
    const std::array<Place, 3> places = placesOf(v);
    for (int n = 0; n < 3; ++n) {
        const Place& p = places[n];
        if (p.kind == 1) continue;
        const bool speedHolds = p.speedRule == 1 || (p.speedRule == 2 && mph > p.speed) ||
                                (p.speedRule == 3 && mph < p.speed);
        if (!speedHolds) continue;
        const double dx = at[0] - p.point[0], dy = at[1] - p.point[1], dz = at[2] - p.point[2];
        const bool reached = (p.kind == 6 && at[0] > p.point[0]) || (p.kind == 5 && at[0] < p.point[0]) ||
                             (p.kind == 3 && at[2] > p.point[2]) || (p.kind == 4 && at[2] < p.point[2]) ||
                             (p.kind == 2 && std::sqrt(dx * dx + dy * dy + dz * dz) < p.near);
        if (reached) mission_.LocationCompletedFlags[n] = true;
    }
}

bool VADArizodazar2::winNeedsMet(const missions::VictoryConditions& v, const Aircraft& me) {
    const std::array<Place, 3> places = placesOf(v);
    for (int n = 0; n < 3; ++n)
        if (places[n].kind != 1 && !mission_.LocationCompletedFlags[n]) return false;
    if (v.TotalLandings > pilots_.Landings) return false;
    if (v.Points != 0 && v.Points > pilots_.DeadObjectPoints) return false;
    // Between machines the pilot's kills are a side's: any pilot of this team may bring them.
    int32_t kills = pilots_.AircraftResults[0][0];
    if (network_->getNetworkMode() != 0 && me.Team >= 1 && me.Team <= 4)
        kills = std::max(kills, bestPilots(*this, pilots_)[me.Team - 1]);
    if (v.Kills > kills) return false;
    if (me.Team >= 1 && me.Team <= 4 && v.TeamKills > pilots_.TeamResults[me.Team - 1]) return false;
    return v.RequiredNumberOfDeadObjects <= 0 ||
           countListed(getModelArray(), v.ParticularDeadObjects, [](ZephModel& o) { return o.areYouDestroyed(); }) >=
               v.RequiredNumberOfDeadObjects;
}

bool VADArizodazar2::timeLimitAllowsWin(const missions::VictoryConditions& v, int32_t now) {
    if (v.MustWinInXTicks <= 60) return true;
    // Without objects to protect the limit is a deadline; with them, a time to hold out.
    if (v.RequiredNumberOfAliveObjects < 1 && now > v.MustWinInXTicks) {
        decideLoss(now);
        return false;
    }
    return !(v.RequiredNumberOfAliveObjects >= 1 && now < v.MustWinInXTicks);
}

void VADArizodazar2::showWin(const missions::MissionData& mission, int32_t now) {
    const missions::VictoryConditions& v = mission.TheVictory;
    // The window waits for its delay; a timed mission shows at once.
    if (mission_.GameOverTime == 0) mission_.GameOverTime = now;
    const int32_t since = now - mission_.GameOverTime;
    if (mission_.HaveDoneGameOver || mission_.GameOverTime == 0 || !(since > kShowDelay || (since > 1 && v.MustWinInXTicks > 60)))
        return;
    const int32_t t = mission_.GameOverTime < 0 ? now : mission_.GameOverTime;
    const missions::MissionTexts* texts = currentMissionTexts();
    network_->setHostSendGameOver(true, 1);
    showGameOver("Mission Successful", (texts ? texts->victory : std::string()) + "\r\rMission Time: " +
                                           scoring::missionTime(t));
    PilotType& pilot = pilots_.PilotStats[pilots_.pilotIndex()];
    pilot.PilotScore += mission.PointsForCompletedMission;

    // The completed list: a faster time replaces the old one; the first win adds a life.
    const scoring::CompletedUpdate update =
        scoring::addCompleted(completedList(), texts ? texts->title : std::string(), t);
    if (update.firstTime && network_->getNetworkMode() == 0 && !pilots_.HaveClearedStats) pilot.PilotLives += 1;
    if (update.changed) storeCompletedList(update.list);
    savePilots();
    checkCampaignsForEnabled();
}

void VADArizodazar2::judgeDogfight(long winner, const std::array<int32_t, 8>& words, int32_t ourTeam, int32_t now) {
    long winningTeam = 0;
    for (int t = 1; t <= 4; ++t)
        if (pilots_.TeamResults[t - 1] >= mission_.DogfightOnlyVKills) winningTeam = t;
    const bool teams = pilots_.DogfightKillType == 1;
    if (mission_.HaveDoneGameOver || (teams ? winningTeam == 0 : winner < 0)) return;
    if (mission_.GameOverTime == 0) mission_.GameOverTime = now;
    if (!((mission_.GameOverTime != 0 && now - mission_.GameOverTime > kShowDelay) || !clock_.gamePause)) return;

    const bool won = teams ? ourTeam == winningTeam : winner == 0;
    network_->setHostSendGameOver(true, won ? 1 : 0);
    std::string text = std::string(teams ? "Total Team Kills: " : "Total Individual Kills: ") +
                       std::to_string(mission_.DogfightOnlyVKills) +
                       "\r\r______________________Kills:__Deaths:__Team:______\r\r";
    for (int n = 1; n <= 8; ++n)
        text += scoring::killTableRow(n, network_->getThisPlayerNamesPtr(n - 1), pilots_.AircraftResults[n - 1][0],
                                      pilots_.AircraftResults[n - 1][1], scoring::teamWord(words[n - 1]));
    text += "__________________________________________________\r\r";
    text += teams ? std::string("Winning Team: ") + scoring::teamWord(static_cast<int32_t>(winningTeam))
                  : "Winning Player: #" + std::to_string(winner + 1);
    showGameOver(teams ? (won ? "Your Team Won" : "Your Team Lost") : (won ? "You Won" : "You Lost"), text);
}

}  // namespace pellam
