// The five pilots: the sign-in window's rows and choices, names as stored and as sent, the
// statistics window and clearing one pilot (a career surviving a restart is in the windows tests).
#include "tests/game/mission_rig.h"

namespace pellam::testing {
namespace {

constexpr double kDay = 86400.0;

using Pilots = MissionRig;

TEST_F(Pilots, SignInRowsChoicesAndNames) {
    store_->setInteger("PilotNumberKey", 9);  // a stored number outside the five
    c->PilotStats[2] = {};
    c->PilotStats[4].TotalKills = 7;
    c->PilotStats[4].StartDate = 1;
    c->clockSince2001 = [] { return 9000.5 * kDay; };
    c->fromPilotSignInMenu();
    GameInterface& ui = c->interface();
    EXPECT_EQ(c->CurrentPilotNumber, 0);
    EXPECT_EQ(c->PilotStats[2].StartDate, 9000);  // a new pilot begins today with one life
    EXPECT_EQ(ui.toPilotLives[2], "1");
    EXPECT_EQ(ui.KDR[4], "0/0");  // no deaths: no division

    // The fourth radio button chooses pilot index 3 and selects its name.
    ui.pilotRadio.clear();
    ui.pilotRadio.setState(true, 3, 0);
    c->gamePause = false;
    ui.toPilotSignInWindow.key = true;
    c->trackPilotSignIn();
    EXPECT_EQ(c->CurrentPilotNumber, 3);
    EXPECT_TRUE(ui.pilotNameFields[3].selectRequested);

    // Editing a pilot's fields chooses that pilot, whatever the radio says.
    ui.pilotNameFields[3].selectRequested = false;
    ui.pilotFields[1].editing = true;
    c->trackPilotSignIn();
    EXPECT_EQ(c->CurrentPilotNumber, 1);
    EXPECT_TRUE(ui.pilotRadio.cellAt(1, 0));
    EXPECT_FALSE(ui.pilotRadio.cellAt(3, 0));
    EXPECT_FALSE(ui.pilotNameFields[3].selectRequested);
    ui.toPilotSignInWindow.key = false;  // another window has the keyboard: nothing changes
    ui.pilotFields[1].editing = false;
    ui.pilotRadio.clear();
    ui.pilotRadio.setState(true, 4, 0);
    c->trackPilotSignIn();
    EXPECT_EQ(c->CurrentPilotNumber, 1);
    ui.pilotRadio.clear();
    ui.pilotRadio.setState(true, 1, 0);

    // Names are cut to what is stored; typing one leaves the mission builder's mission saved.
    ui.pilotNameFields[1].stringValue = "Captain Albert Ball VC";
    c->notsaved(&ui.pilotNameFields[1]);
    EXPECT_TRUE(c->MBSavedFlag);
    c->fromPlayerSignInOkay();
    EXPECT_EQ(store_->stringForKey("Pilot2NameKey"), "Captain Albert");
    EXPECT_EQ(store_->integerForKey("PilotNumberKey"), 1);
    EXPECT_EQ(c->PlayerNameString[0], 24);
    EXPECT_TRUE(c->pilotsigninhasclosed);
}

TEST_F(Pilots, StatisticsAndClearingOnePilot) {
    c->clockSince2001 = [] { return 9000.5 * kDay; };
    for (int i = 0; i < kPilotCount; ++i) {
        c->PilotStats[i].PilotScore = 100 * (i + 1);
        c->PilotStats[i].StartDate = 8998;
        store_->setStringArray("SuccessfulMTitles" + std::to_string(i + 1) + "Key", {"Dawn Patrol"});
    }
    c->CurrentPilotNumber = 2;
    c->fromSelectedPlayersStats();
    GameInterface& ui = c->interface();
    EXPECT_EQ(ui.toPSComMis, "Dawn Patrol\r");

    c->fromClearStats();
    c->fromClearStatsOkayButton();
    EXPECT_FALSE(ui.toClearPStats.open);
    EXPECT_EQ(c->PilotStats[2].PilotScore, 0);
    EXPECT_EQ(c->PilotStats[2].StartDate, 9000);
    EXPECT_EQ(ui.PScore[2], "0.00/0/0");
    EXPECT_FALSE(store_->hasKey("SuccessfulMTitles3Key"));
    for (int i : {0, 1, 3, 4}) {
        EXPECT_EQ(c->PilotStats[i].PilotScore, 100 * (i + 1));
        EXPECT_TRUE(store_->hasKey("SuccessfulMTitles" + std::to_string(i + 1) + "Key"));
    }
}

}  // namespace
}  // namespace pellam::testing
