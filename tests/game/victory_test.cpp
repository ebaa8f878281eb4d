// The end-of-game judge on a running mission: when a win or a loss is decided, when its window
// opens, what the pilot's won-mission list keeps, and the dogfight's winner.
#include "missions/RecordBuilding.h"
#include "tests/game/mission_rig.h"

namespace pellam::testing {
namespace {

class Victory : public MissionRig {
protected:
    // Only what a test sets decides the mission; the player flies high and whole.
    missions::VictoryConditions& conditions() {
        missions::VictoryConditions& v = mission().TheVictory;
        missions::clearVictoryStructure(v);
        v.RequiredNumberOfAliveObjects = v.RequiredNumberOfDeadObjects = 0;
        aircraft(0).ThisAircraft.Damage1 = 0;
        aircraft(0).ThisAircraft.Team = 1;
        return v;
    }
    // The judge at mission time `t`; true when the game-over window is open.
    bool judgeAt(int32_t t) {
        c->GlobalMissionTime = t;
        c->checkVictoryConditions(false);
        return c->interface().toGameOverWindow.open;
    }
    // The first of `from`..`to` at which the window opens; -1 for none.
    int32_t shownAt(int32_t from, int32_t to) {
        for (int32_t t = from; t <= to; ++t)
            if (judgeAt(t)) return t;
        return -1;
    }
    std::string title() { return c->interface().toYouWonOrLost; }
    std::vector<std::string> won() { return store_->stringArrayForKey("SuccessfulMTitles1Key").value_or(std::vector<std::string>{}); }
};

TEST_F(Victory, NothingAskedWinsAtOnceAndShowsTenSecondsLater) {
    conditions();
    const int32_t lives = c->PilotStats[0].PilotLives;
    EXPECT_EQ(shownAt(1000, 3000), 1601);
    EXPECT_EQ(c->GameOverTime, 1000);
    EXPECT_EQ(title(), "Mission Successful");
    EXPECT_FALSE(c->gamePause);
    // The first win of a mission adds a life and enters it with its time; the career is stored.
    EXPECT_EQ(c->PilotStats[0].PilotLives, lives + 1);
    ASSERT_EQ(won().size(), 1u);
    EXPECT_EQ(won()[0], c->currentMissionTexts()->title + "               Mission Time: 0:16");
    PilotTable stored{};
    ASSERT_TRUE(decodePilotStats(*store_->dataForKey("PilotStatsKey"), stored));
    EXPECT_EQ(stored[0].PilotLives, lives + 1);

    // An unknown location kind can never be completed.
    c->fromRestartMissionButton();
    conditions().Location2Flags = 0;
    EXPECT_EQ(shownAt(100, 5000), -1);
    EXPECT_EQ(c->GameOverTime, 0);
}

TEST_F(Victory, DeadlineEndsAtOnceHoldOutWaitsForTheLimit) {
    // A deadline met early: the window opens two ticks after the win.
    conditions().MustWinInXTicks = 3000;
    EXPECT_EQ(shownAt(1000, 1100), 1002);
    EXPECT_EQ(title(), "Mission Successful");

    // Protecting an object: no win before the limit, then the win at once.
    c->fromRestartMissionButton();
    missions::VictoryConditions& v = conditions();
    v.MustWinInXTicks = 3000;
    v.RequiredNumberOfAliveObjects = 1;
    v.ParticularAliveObjects[0] = 21;
    v.ParticularAliveObjects[1] = 99999;  // outside the array: an empty entry
    ASSERT_NE(c->modelAt(21), nullptr);
    EXPECT_EQ(shownAt(1000, 2999), -1);
    EXPECT_EQ(c->GameOverTime, 0);
    EXPECT_EQ(shownAt(3000, 3100), 3002);
    EXPECT_EQ(title(), "Mission Successful");
}

TEST_F(Victory, FasterTimeReplacesSlowerLeavesTheListAndLivesAlone) {
    store_->setStringArray("SuccessfulMTitles1Key",
                           {c->currentMissionTexts()->title + "               Mission Time: 0:30", "Other"});
    const int32_t lives = c->PilotStats[0].PilotLives;
    conditions().MustWinInXTicks = 9000;
    shownAt(2400, 2500);  // 40 s: slower
    EXPECT_EQ(won()[0], c->currentMissionTexts()->title + "               Mission Time: 0:30");
    EXPECT_EQ(c->PilotStats[0].PilotLives, lives);

    c->fromRestartMissionButton();
    conditions().MustWinInXTicks = 9000;
    shownAt(1200, 1300);  // 20 s: faster, moved to the end
    ASSERT_EQ(won().size(), 2u);
    EXPECT_EQ(won()[0], "Other");
    EXPECT_EQ(won()[1], c->currentMissionTexts()->title + "               Mission Time: 0:20");
    EXPECT_EQ(c->PilotStats[0].PilotLives, lives);
}

TEST_F(Victory, LandingsCountOnceAfterEachClimbNoneOnGroundAtZeroNorInReplay) {
    conditions().TotalLandings = 5;
    Aircraft& a = aircraft(0).ThisAircraft;
    auto touchDown = [&](double ground) {
        aircraft(0).setModelPositionX(0, ground + 500.0, 0);
        a.GroundAltitude = ground;
        a.OnGround = 0;
        judgeAt(100);  // climbed above 100 ft
        aircraft(0).setModelPositionX(0, ground + 2.0, 0);
        a.OnGround = 1;
        a.CurrentVelocity = 1.0;  // 40.9 mph
        judgeAt(101);
        judgeAt(102);  // still on the ground: not again
    };
    const int32_t tally = c->PilotStats[0].ObjectKillCounts[4];
    touchDown(350.0);
    EXPECT_EQ(c->Landings, 1);
    touchDown(0.0);  // the pilot's tally counts it, the mission does not
    EXPECT_EQ(c->Landings, 1);
    EXPECT_EQ(c->PilotStats[0].ObjectKillCounts[4], tally + 2);
    c->ReplayFlag = true;
    touchDown(350.0);
    EXPECT_EQ(c->Landings, 1);
}

TEST_F(Victory, DogfightHighestSlotAtTheLimitWinsWithItsTable) {
    c->isDogfightOnly = true;
    c->DogfightOnlyVKills = 5;
    c->AircraftResults[3] = {5, 1};
    c->AircraftResults[5] = {6, 0};
    c->GlobalMissionTime = 500;
    c->checkVictoryConditions(false);
    EXPECT_FALSE(c->interface().toGameOverWindow.open);  // running: ten seconds to see it
    EXPECT_TRUE(judgeAt(1101));
    EXPECT_EQ(title(), "You Lost");
    const std::string& text = c->interface().toYouWonOrLostMessage;
    EXPECT_EQ(text.rfind("Winning Player: #6"), text.size() - 18);
}

}  // namespace
}  // namespace pellam::testing
