// Who is credited when an aircraft goes down, what the player's career gains and loses, and that
// every change reaches the store at once.
#include "tests/game/mission_rig.h"

namespace pellam::testing {
namespace {

class KillCredit : public MissionRig {
protected:
    // Slots 0..3 on team 1, 4..7 on team 2, slot n at x = 1000 n ft, all whole and in the game.
    void lineUp() {
        for (long n = 0; n < 8; ++n) {
            FlyableAircraft& a = aircraft(n);
            a.setModelPositionX(1000.0 * n, 3000.0, 0.0);
            a.ThisAircraft.Team = n < 4 ? 1 : 2;
            a.ThisAircraft.AIType = n == 0 ? -1 : 1;
            a.ThisAircraft.TotalHits = 0;
            a.ThisAircraft.TotalHitsBeforeDead = 100;
            a.ThisAircraft.WhoShotMe = -1;
            a.ThisAircraft.Damage1 = 0;
        }
    }
    void shootDown(long victim, int32_t by) {
        aircraft(victim).ThisAircraft.TotalHits = 150;
        aircraft(victim).ThisAircraft.WhoShotMe = by;
    }
    void killPilot() {
        aircraft(0).ThisAircraft.Damage1 |= dmg::Down;
        aircraft(0).ThisAircraft.OnGround = 0;
    }
    PilotType& pilot() { return c->PilotStats[0]; }
    PilotType stored() {
        PilotTable table{};
        EXPECT_TRUE(decodePilotStats(store_->dataForKey("PilotStatsKey").value_or(std::vector<uint8_t>{}), table));
        return table[0];
    }
};

TEST_F(KillCredit, ShotsDownAreCreditedOnceToTheShooterOrTheNearestEnemy) {
    lineUp();
    const int32_t score = pilot().PilotScore;
    shootDown(5, 0);   // the player's kill
    shootDown(2, 1);   // a team-mate's fire: the nearest enemy of slot 2 is slot 4
    shootDown(6, 12);  // a shooter number from nowhere: the nearest enemy of slot 6 is slot 3
    c->killCredit();
    c->killCredit();
    EXPECT_EQ(c->AircraftResults[0][0], 1);
    EXPECT_EQ(c->AircraftResults[1][0], 0);
    EXPECT_EQ(c->AircraftResults[4][0], 1);
    EXPECT_EQ(c->AircraftResults[3][0], 1);
    EXPECT_EQ(c->AircraftResults[5][1] + c->AircraftResults[2][1] + c->AircraftResults[6][1], 3);
    EXPECT_EQ(aircraft(6).ThisAircraft.WhoShotMe, -2);
    EXPECT_EQ(pilot().TotalKills, 1);
    EXPECT_EQ(pilot().CurrentPilotKills, 1);
    EXPECT_EQ(pilot().PilotScore, score + 500);
    EXPECT_EQ(stored().TotalKills, 1);  // stored at once, not only at quit
}

TEST_F(KillCredit, NetworkKillsScoreNothingAndLoneDeathsCountOnce) {
    lineUp();
    network.mode = 1;
    const int32_t score = pilot().PilotScore;
    shootDown(4, 0);
    c->killCredit();
    EXPECT_EQ(pilot().OnlineKills, 1);
    EXPECT_EQ(pilot().TotalKills, 0);
    EXPECT_EQ(pilot().PilotScore, score);

    // Alone in the sky: the player's death counts, nobody's kill; an AI victim waits for an enemy.
    network.mode = 0;
    for (long n = 1; n < 8; ++n) aircraft(n).setModelPositionX(0, -10000.0, 0);
    shootDown(0, -1);
    aircraft(1).setModelPositionX(0, 3000.0, 0);
    shootDown(1, -1);
    c->AircraftResults = {};
    for (int k = 0; k < 3; ++k) c->killCredit();
    EXPECT_EQ(pilot().TotalDeaths, 1);
    EXPECT_EQ(c->AircraftResults[0][1], 0);
    EXPECT_EQ(aircraft(1).ThisAircraft.WhoShotMe, -1);
    aircraft(5).setModelPositionX(0, 3000.0, 500.0);  // an enemy arrives and takes the kill
    c->killCredit();
    EXPECT_EQ(c->AircraftResults[5][0], 1);
}

TEST_F(KillCredit, OneLifePerMissionAndTheCareerBeginsAgain) {
    lineUp();
    pilot().PilotLives = 2;
    pilot().PilotScore = 4000;
    killPilot();
    c->killCredit();
    c->killCredit();  // dying again in the same mission costs nothing more
    EXPECT_EQ(pilot().PilotLives, 1);
    EXPECT_EQ(stored().PilotLives, 1);

    c->fromRestartMissionButton();
    lineUp();
    store_->setStringArray("SuccessfulMTitles1Key", {"Dawn Patrol"});
    pilot().TotalKills = 9;
    killPilot();
    c->killCredit();
    EXPECT_EQ(pilot().PilotLives, 1);
    EXPECT_EQ(pilot().PilotScore, 0);
    EXPECT_EQ(pilot().TotalKills, 9);  // kills over all careers stay
    EXPECT_FALSE(store_->hasKey("SuccessfulMTitles1Key"));

    // The game ends; its OK button brings the pilot-died window with the horn.
    c->GlobalMissionTime = 100000;
    c->checkVictoryConditions(false);
    for (int t = 1; t < 700 && !c->interface().toGameOverWindow.open; ++t) {
        c->GlobalMissionTime = 100000 + t;
        c->checkVictoryConditions(false);
    }
    ASSERT_TRUE(c->interface().toGameOverWindow.open);
    c->fromMissionEndOkayButton();
    EXPECT_FALSE(c->interface().toGameOverWindow.open);
    EXPECT_TRUE(c->interface().toPilotDied.open);
}

TEST_F(KillCredit, AJoinerCreditsEachGameOnceAndHidesRestart) {
    lineUp();
    network.mode = 1;
    c->isDogfightOnly = true;
    c->DogfightOnlyVKills = 50;
    c->AircraftResults[0] = {2, 1};
    for (int frame = 0; frame < 5; ++frame) c->joinerGotEndOfGame();  // no winner shown yet
    EXPECT_EQ(pilot().OnlineKills, 2);
    EXPECT_EQ(pilot().OnlineDeaths, 1);
    c->AircraftResults[0] = {5, 1};  // our tallies now show the winner: shown at once
    c->joinerGotEndOfGame();
    EXPECT_TRUE(c->interface().toGameOverWindow.open);
    EXPECT_EQ(c->interface().toYouWonOrLost, "You Won");
    EXPECT_LT(c->interface().restartButtonX, 0.0f);
    EXPECT_EQ(pilot().OnlineKills, 2);
    network.mode = 0;
    c->setRestartButton();
    EXPECT_GE(c->interface().restartButtonX, 0.0f);
}

}  // namespace
}  // namespace pellam::testing
