// The pilots' careers and how a running mission ends: who is credited when an aircraft goes down,
// what a career gains and loses (every change reaching the store at once), when the end-of-game
// judge decides a win or a loss, and the five pilots' sign-in, statistics and clearing. The
// built-in missions win and lose each of theirs through the same paths; these are the cases they
// do not reach.
#include <csignal>
#include <cstdlib>

#include "game/Scoring.h"
#include "missions/ObjectFactory.h"
#include "missions/RecordBuilding.h"
#include "tests/game/mission_rig.h"

namespace pellam::testing {
namespace {

class Career : public MissionRig {
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
    const PilotType& pilot() { return c->pilotScoring().PilotStats[0]; }
    // Careers as the store holds them, read again as at start-up.
    void storeCareers(const PilotTable& careers) {
        store_->setData("PilotStatsKey", encodePilotStats(careers));
        c->doPlayerSignIn();
    }
    // Pilot `index` signs in through the sign-in window.
    void signIn(int index) {
        c->fromPilotSignInMenu();
        c->interface().pilotRadio.clear();
        c->interface().pilotRadio.setState(true, index, 0);
        c->fromPlayerSignInOkay();
    }
    std::array<std::array<int32_t, 2>, 8>& tallies() { return *c->getAircraftResultsPtr(); }
    PilotType stored() {
        PilotTable table{};
        EXPECT_TRUE(decodePilotStats(store_->dataForKey("PilotStatsKey").value_or(std::vector<uint8_t>{}), table));
        return table[0];
    }

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
        c->setMissionTime(t);
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
    // A quick dogfight of the first mission won at `kills`, set up in its window.
    void flyDogfight(int32_t kills) {
        c->fromFlyQuickDogfightButton();
        c->dogfightWindowControls().toDogfightKills = kills;
        c->fromDoQuickDogfight();
        ASSERT_TRUE(c->missionState().isDogfightOnly);
    }
    std::vector<std::string> won() {
        return store_->stringArrayForKey("SuccessfulMTitles1Key").value_or(std::vector<std::string>{});
    }
};

TEST_F(Career, ShotsDownAreCreditedOnceAndLoneDeathsCountOnce) {
    lineUp();
    const int32_t score = pilot().PilotScore;
    shootDown(5, 0);   // the player's kill
    shootDown(2, 1);   // a team-mate's fire: the nearest enemy of slot 2 is slot 4
    shootDown(6, 12);  // a shooter number from nowhere: the nearest enemy of slot 6 is slot 3
    c->killCredit();
    c->killCredit();
    EXPECT_EQ(c->pilotScoring().AircraftResults[0][0], 1);
    EXPECT_EQ(c->pilotScoring().AircraftResults[1][0], 0);
    EXPECT_EQ(c->pilotScoring().AircraftResults[4][0], 1);
    EXPECT_EQ(c->pilotScoring().AircraftResults[3][0], 1);
    EXPECT_EQ(c->pilotScoring().AircraftResults[5][1] + c->pilotScoring().AircraftResults[2][1] + c->pilotScoring().AircraftResults[6][1], 3);
    EXPECT_EQ(aircraft(6).ThisAircraft.WhoShotMe, -2);
    EXPECT_EQ(pilot().TotalKills, 1);
    EXPECT_EQ(pilot().PilotScore, score + 500);
    EXPECT_EQ(stored().TotalKills, 1);  // stored at once, not only at quit

    // In a network game a kill scores nothing for the career.
    network.mode = 1;
    shootDown(4, 0);
    c->killCredit();
    EXPECT_EQ(pilot().OnlineKills, 1);
    EXPECT_EQ(pilot().TotalKills, 1);
    EXPECT_EQ(pilot().PilotScore, score + 500);

    // Alone in the sky: the player's death counts, nobody's kill; an AI victim waits for an enemy.
    network.mode = 0;
    for (long n = 1; n < 8; ++n) aircraft(n).setModelPositionX(0, -10000.0, 0);
    shootDown(0, -1);
    aircraft(1).setModelPositionX(0, 3000.0, 0);
    shootDown(1, -1);
    tallies() = {};
    for (int k = 0; k < 3; ++k) c->killCredit();
    EXPECT_EQ(pilot().TotalDeaths, 1);
    EXPECT_EQ(c->pilotScoring().AircraftResults[0][1], 0);
    EXPECT_EQ(aircraft(1).ThisAircraft.WhoShotMe, -1);
    aircraft(5).setModelPositionX(0, 3000.0, 500.0);  // an enemy arrives and takes the kill
    c->killCredit();
    EXPECT_EQ(c->pilotScoring().AircraftResults[5][0], 1);
}

// A kill is saved by the writer thread, not at quit: once that save has landed, a crash of the
// game the next moment loses nothing.
TEST_F(Career, AKillIsOnDiskOnceItsSaveLandsThoughTheGameThenCrashes) {
    lineUp();
    store_->flush();  // the child is forked with no writer thread running
    const int32_t kills = pilot().TotalKills;
    EXPECT_EXIT(
        {
            const platform::WriterThread::Counters before = store_->writer().counters();
            shootDown(5, 0);
            c->killCredit();
            store_->writer().waitUntilRan(before.written + before.failed + 1);
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    PilotTable table{};
    const auto block = platform::UserDefaults(store_->filePath()).dataForKey("PilotStatsKey");
    ASSERT_TRUE(block && decodePilotStats(*block, table));
    EXPECT_EQ(table[0].TotalKills, kills + 1);
}

TEST_F(Career, OneLifePerMissionAndTheCareerBeginsAgain) {
    auto killPilot = [&] {
        aircraft(0).ThisAircraft.Damage1 |= dmg::Down;
        aircraft(0).ThisAircraft.OnGround = 0;
    };
    lineUp();
    PilotTable careers = c->pilotScoring().PilotStats;
    careers[0].PilotLives = 2;
    careers[0].PilotScore = 4000;
    storeCareers(careers);
    // Down on its belly and at rest since tick 100: dead for 900 ticks, walked away from the 901st,
    // and a pilot who walked away keeps his life.
    FlyableAircraft& ours = aircraft(0);
    ours.ThisAircraft.Damage1 |= dmg::Down;
    ours.ThisAircraft.OnGround = 1;
    ours.ThisAircraft.GearPosition = 0.0;
    ours.ThisAircraft.TimeWhenStoppedMoving = 100;
    c->setMissionTime(1000);
    EXPECT_TRUE(ours.pilotDied());
    c->setMissionTime(1001);
    c->killCredit();
    EXPECT_EQ(pilot().PilotLives, 2);
    killPilot();
    c->killCredit();
    c->killCredit();  // dying again in the same mission costs nothing more
    EXPECT_EQ(pilot().PilotLives, 1);
    EXPECT_EQ(stored().PilotLives, 1);

    c->fromRestartMissionButton();
    lineUp();
    store_->setStringArray("SuccessfulMTitles1Key", {"Dawn Patrol"});
    careers = c->pilotScoring().PilotStats;
    careers[0].TotalKills = 9;
    storeCareers(careers);
    killPilot();
    c->killCredit();
    EXPECT_EQ(pilot().PilotLives, 1);
    EXPECT_EQ(pilot().PilotScore, 0);
    EXPECT_EQ(pilot().TotalKills, 9);  // kills over all careers stay
    EXPECT_TRUE(won().empty());

    // The game ends; its OK button brings the pilot-died window with the horn.
    ASSERT_NE(shownAt(100000, 100700), -1);
    c->fromMissionEndOkayButton();
    EXPECT_FALSE(c->interface().toGameOverWindow.open);
    EXPECT_TRUE(c->interface().toPilotDied.open);
}

// A dogfight is decided when a slot reaches the kill limit, the highest such slot winning, and
// shown ten seconds later; the loser reads who won.
TEST_F(Career, DogfightHighestSlotAtTheLimitWins) {
    flyDogfight(5);
    tallies()[3] = {5, 1};
    tallies()[5] = {6, 0};
    EXPECT_FALSE(judgeAt(500));
    EXPECT_TRUE(judgeAt(1101));
    EXPECT_EQ(title(), "You Lost");
    const std::string& text = c->interface().toYouWonOrLostMessage;
    EXPECT_EQ(text.rfind("Winning Player: #6"), text.size() - 18);
}

TEST_F(Career, AJoinerCreditsEachGameOnceAndHidesRestart) {
    lineUp();
    network.mode = 1;
    c->setDogfightRules(true, false, 1);  // the host's rules; its kill limit comes with its game over
    tallies()[0] = {2, 1};
    for (int frame = 0; frame < 5; ++frame) c->joinerGotEndOfGame();  // no winner shown yet
    EXPECT_EQ(pilot().OnlineKills, 2);
    EXPECT_EQ(pilot().OnlineDeaths, 1);
    tallies()[0] = {5, 1};  // our tallies now show the winner: shown at once
    c->joinerGotEndOfGame();
    EXPECT_EQ(title(), "You Won");
    EXPECT_LT(c->interface().restartButtonX, 0.0f);
    EXPECT_EQ(pilot().OnlineKills, 2);
}

// A hold-out is won at its limit and not before, an entry outside the object array counting as
// an empty one; an objective of a kind the game does not know can never be completed.
TEST_F(Career, AHoldOutWinsAtItsLimitAndAnUnknownObjectiveNever) {
    missions::VictoryConditions& v = conditions();
    v.MustWinInXTicks = 3000;
    v.RequiredNumberOfAliveObjects = 1;
    v.ParticularAliveObjects[0] = 21;
    v.ParticularAliveObjects[1] = 99999;
    ASSERT_NE(c->modelAt(21), nullptr);
    EXPECT_EQ(shownAt(1000, 2999), -1);
    EXPECT_EQ(c->missionState().GameOverTime, 0);
    EXPECT_EQ(shownAt(3000, 3100), 3002);
    EXPECT_EQ(title(), "Mission Successful");

    c->fromRestartMissionButton();
    conditions().Location2Flags = 0;
    EXPECT_EQ(shownAt(100, 5000), -1);
    EXPECT_EQ(c->missionState().GameOverTime, 0);
}

// With nothing to protect, a time limit is a deadline: met on its last tick, won; judged first a
// tick later, lost on that tick and shown after its delay. A limit of 60 ticks or less is none.
TEST_F(Career, ADeadlineIsLostOnTheTickItsLimitPasses) {
    conditions().MustWinInXTicks = 60;
    judgeAt(200);
    EXPECT_FALSE(c->missionState().CantWinMission);
    EXPECT_EQ(c->missionState().GameOverTime, 200);

    c->fromRestartMissionButton();
    conditions().MustWinInXTicks = 61;
    judgeAt(61);
    EXPECT_FALSE(c->missionState().CantWinMission);

    c->fromRestartMissionButton();
    conditions().MustWinInXTicks = 61;
    EXPECT_EQ(shownAt(62, 2000), 663);
    EXPECT_TRUE(c->missionState().CantWinMission);
    EXPECT_EQ(c->missionState().GameOverTime, 62);
    EXPECT_EQ(title(), "Mission Failure");
    EXPECT_EQ(c->interface().toYouWonOrLostMessage, c->currentMissionTexts()->lost);
    EXPECT_TRUE(won().empty());
}

// A pilot who must stay alive loses a mission won while he goes down: down on the tick of the win,
// or shot down (ramming counts so) while the win waits to be shown, though not yet on the ground.
TEST_F(Career, AWinWhileThePilotGoesDownIsLost) {
    for (const bool rammed : {false, true}) {
        c->fromRestartMissionButton();
        conditions().MustBeAlive = 1;
        Aircraft& a = aircraft(0).ThisAircraft;
        a.TotalHits = 0;
        a.TotalHitsBeforeDead = 100;
        if (rammed) {
            judgeAt(1000);  // won, shown at 1601
            a.TotalHits = a.TotalHitsBeforeDead + 5.0;
            EXPECT_EQ(shownAt(1300, 1700), 1601) << rammed;
        } else {
            a.Damage1 = dmg::Down;
            EXPECT_EQ(shownAt(1000, 1700), 1601) << rammed;
        }
        EXPECT_EQ(title(), "Mission Failure") << rammed;
        EXPECT_TRUE(won().empty());
    }
}

// A mission won again: a slower time leaves the pilot's list alone, a faster one replaces the
// entry and moves it to the end; neither adds another life.
TEST_F(Career, WonMissionsKeepTheirBestTime) {
    const std::string entry = c->currentMissionTexts()->title + "               Mission Time: ";
    store_->setStringArray("SuccessfulMTitles1Key", {entry + "0:30", "Other"});
    const int32_t lives = pilot().PilotLives;
    conditions().MustWinInXTicks = 9000;
    shownAt(2400, 2500);  // 40 s
    EXPECT_EQ(won(), (std::vector<std::string>{entry + "0:30", "Other"}));
    c->fromRestartMissionButton();
    conditions().MustWinInXTicks = 9000;
    shownAt(1200, 1300);  // 20 s
    EXPECT_EQ(won(), (std::vector<std::string>{"Other", entry + "0:20"}));
    EXPECT_EQ(pilot().PilotLives, lives);
}

TEST_F(Career, LandingsCountOnceAfterEachClimbNoneOnGroundAtZeroNorInReplay) {
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
    const int32_t tally = pilot().ObjectKillCounts[4];
    touchDown(350.0);
    EXPECT_EQ(c->pilotScoring().Landings, 1);
    touchDown(0.0);  // the pilot's tally counts it, the mission does not
    EXPECT_EQ(c->pilotScoring().Landings, 1);
    EXPECT_EQ(pilot().ObjectKillCounts[4], tally + 2);
    c->setMissionTime(1000);
    c->beginOrEndReplay();
    ASSERT_TRUE(c->replay().ReplayFlag);
    touchDown(350.0);
    EXPECT_EQ(c->pilotScoring().Landings, 1);
}

TEST_F(Career, SignInRowsChoicesAndNames) {
    store_->setInteger("PilotNumberKey", 9);  // a stored number outside the five
    PilotTable careers = c->pilotScoring().PilotStats;
    careers[2] = {};
    careers[4].TotalKills = 7;
    careers[4].StartDate = 1;
    c->setClockSince2001([] { return 9000.5 * 86400.0; });
    storeCareers(careers);
    c->fromPilotSignInMenu();
    GameInterface& ui = c->interface();
    EXPECT_EQ(c->pilotScoring().CurrentPilotNumber, 0);
    EXPECT_EQ(c->pilotScoring().PilotStats[2].StartDate, 9000);  // a new pilot begins today with one life
    EXPECT_EQ(ui.toPilotLives[2], "1");
    EXPECT_EQ(ui.KDR[4], "0/0");  // no deaths: no division

    // The fourth radio button chooses pilot index 3 and selects its name.
    ui.pilotRadio.clear();
    ui.pilotRadio.setState(true, 3, 0);
    c->setRunning(false);
    ui.toPilotSignInWindow.key = true;
    c->trackPilotSignIn();
    EXPECT_EQ(c->pilotScoring().CurrentPilotNumber, 3);
    EXPECT_TRUE(ui.pilotNameFields[3].selectRequested);

    // Editing a pilot's fields chooses that pilot, whatever the radio says.
    ui.pilotNameFields[3].selectRequested = false;
    ui.pilotFields[1].editing = true;
    c->trackPilotSignIn();
    EXPECT_EQ(c->pilotScoring().CurrentPilotNumber, 1);
    EXPECT_TRUE(ui.pilotRadio.cellAt(1, 0));
    EXPECT_FALSE(ui.pilotRadio.cellAt(3, 0));
    EXPECT_FALSE(ui.pilotNameFields[3].selectRequested);
    ui.toPilotSignInWindow.key = false;  // another window has the keyboard: nothing changes
    ui.pilotFields[1].editing = false;
    ui.pilotRadio.clear();
    ui.pilotRadio.setState(true, 4, 0);
    c->trackPilotSignIn();
    EXPECT_EQ(c->pilotScoring().CurrentPilotNumber, 1);
    ui.pilotRadio.clear();
    ui.pilotRadio.setState(true, 1, 0);

    // Names are cut to what is stored; typing one leaves the mission builder's mission saved.
    ui.pilotNameFields[1].stringValue = "Captain Albert Ball VC";
    c->notsaved(&ui.pilotNameFields[1]);
    EXPECT_TRUE(c->builderSaved());
    c->fromPlayerSignInOkay();
    EXPECT_EQ(store_->stringForKey("Pilot2NameKey"), "Captain Albert");
    EXPECT_EQ(store_->integerForKey("PilotNumberKey"), 1);
    EXPECT_EQ(c->pilotScoring().PlayerNameString[0], 24);
    EXPECT_TRUE(c->pilotSignInClosed());

    // Cut on whole characters, never inside a two-byte letter: 14 characters stored, 16 bytes sent.
    std::string e7, e14;
    for (int i = 0; i < 7; ++i) e7 += "\xC3\xA9";
    e14 = e7 + e7;
    c->fromPilotSignInMenu();
    ui.pilotNameFields[1].stringValue = "A" + e14;
    c->fromPlayerSignInOkay();
    EXPECT_EQ(store_->stringForKey("Pilot2NameKey"), "A" + e14.substr(0, 26));
    const auto& sent = c->pilotScoring().PlayerNameString;  // the name as peers read it: its length is the first byte less 10
    EXPECT_EQ(std::string(sent.begin() + 4, sent.begin() + 4 + (sent[0] - 10)), "A" + e7);
}

TEST_F(Career, StatisticsAndClearingOnePilot) {
    c->setClockSince2001([] { return 9000.5 * 86400.0; });
    PilotTable careers{};
    for (int i = 0; i < kPilotCount; ++i) {
        careers[i].PilotScore = 100 * (i + 1);
        careers[i].StartDate = 8998;
        store_->setStringArray("SuccessfulMTitles" + std::to_string(i + 1) + "Key", {"Dawn Patrol"});
    }
    storeCareers(careers);
    signIn(2);
    c->fromSelectedPlayersStats();
    GameInterface& ui = c->interface();
    EXPECT_EQ(ui.toPSComMis, "Dawn Patrol\r");

    c->fromClearStats();
    c->fromClearStatsOkayButton();
    EXPECT_FALSE(ui.toClearPStats.open);
    EXPECT_EQ(c->pilotScoring().PilotStats[2].PilotScore, 0);
    EXPECT_EQ(c->pilotScoring().PilotStats[2].StartDate, 9000);
    EXPECT_EQ(ui.PScore[2], "0.00/0/0");
    EXPECT_FALSE(store_->hasKey("SuccessfulMTitles3Key"));
    for (int i : {0, 1, 3, 4}) {
        EXPECT_EQ(c->pilotScoring().PilotStats[i].PilotScore, 100 * (i + 1));
        EXPECT_TRUE(store_->hasKey("SuccessfulMTitles" + std::to_string(i + 1) + "Key"));
    }
}

// Every object a mission can place and the player can destroy is counted in the statistics under
// the name of what it is.
TEST_F(Career, EveryDestroyableObjectIsCountedUnderAName) {
    const missions::ObjectFactory factory;
    for (int32_t code : {14, 16, 56, 57, 58, 59, 60, 61, 62, 63, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 78, 79}) {
        std::unique_ptr<ZephModel> object = factory.make(code);
        ASSERT_NE(object, nullptr) << code;
        object->initWithGLView(nullptr);
        const OneCompleteObjectVer2* o = object->getCompleteObjectPtr();
        if (!o || o->TheObject.ObjectHitsWhenDead <= 0) continue;
        EXPECT_NE(scoring::objectCategoryName(object->getObjectCategory()), nullptr)
            << "code " << code << ", category " << object->getObjectCategory();
    }
}

}  // namespace
}  // namespace pellam::testing
