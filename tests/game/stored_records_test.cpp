// The player's own data through damage and failure: pilot records that could not be read stay as
// stored, counters hold at their limits, and a settings file kept aside or a save that failed is
// told in the game, once, while the windows stay open. Preferences come back at the next start.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "game/VADArizodazar2.h"
#include "tests/TestFolder.h"

namespace pellam {
namespace {
namespace fs = std::filesystem;

class StoredRecords : public ::testing::Test {
protected:
    std::string file() const { return folder_.file("defaults.json"); }
    // A started controller on the store file as it is now.
    std::unique_ptr<VADArizodazar2> start() {
        if (store_) store_->flush();  // the last run's saves have landed, as before a restart
        store_ = std::make_unique<platform::UserDefaults>(file());
        VADArizodazar2::Content content;
        content.userMissionsFolder = userMissions_;
        auto c = std::make_unique<VADArizodazar2>(GameController::Links{store_.get()}, std::move(content));
        c->awakeFromNib();
        c->timerLooper();
        return c;
    }
    // The store's writes fail (the temporary file's place is taken) until unblock().
    fs::path block() const {
        const fs::path blocked = file() + ".tmp-" + std::to_string(getpid());
        fs::create_directories(blocked);
        return blocked;
    }
    nlohmann::json stored() const {
        std::ifstream in(file());
        return nlohmann::json::parse(in);
    }
    static bool anyMentions(const std::deque<std::string>& notices, const std::string& text) {
        for (const std::string& n : notices)
            if (n.find(text) != std::string::npos) return true;
        return false;
    }
    // Every file in the folder but the store itself.
    std::vector<std::string> others() const { return folder_.namesBut("defaults.json"); }
    testing::TestFolder folder_{"pellam records"};
    std::unique_ptr<platform::UserDefaults> store_;
    std::string userMissions_;  // empty: the game's own folder
};

TEST_F(StoredRecords, PilotRecordsThatCouldNotBeReadAreNeverSavedOver) {
    const nlohmann::json damaged[] = {
        {{"base64", platform::base64Encode(std::vector<uint8_t>(1659, 7))}},  // a byte short
        "AAAA",                                                                  // a plain string
        {{"base64", "%%%%"}},                                                    // not base64
    };
    for (const nlohmann::json& block : damaged) {
        std::ofstream(file()) << nlohmann::json{{"PilotStatsKey", block}}.dump();
        auto c = start();
        EXPECT_NE(c->pilotScoring().pilotBlockMessage.find("left as they are"), std::string::npos) << block;
        EXPECT_TRUE(anyMentions(c->interface().notices, "pilot records")) << block;
        c->fromPlayerSignInOkay();  // a fresh pilot begins this run
        EXPECT_TRUE(c->applicationWillTerminate());
        EXPECT_EQ(stored()["PilotStatsKey"], block);
        for (const auto& entry : fs::directory_iterator(folder_.path())) fs::remove_all(entry.path());
    }
    // Records that were read are saved at quit as before, and a second save stores the same
    // block, not a swapped one.
    PilotTable careers{};
    careers[1].PilotScore = 77;
    careers[4].ObjectKillCounts[31] = -7;
    std::ofstream(file()) << nlohmann::json{{"PilotStatsKey", {{"base64", platform::base64Encode(encodePilotStats(careers))}}}}.dump();
    auto c = start();
    c->fromPlayerSignInOkay();  // pilot 1 begins today
    c->applicationWillTerminate();
    const auto first = store_->dataForKey("PilotStatsKey");
    c->applicationWillTerminate();
    EXPECT_EQ(store_->dataForKey("PilotStatsKey"), first);
    c = start();
    EXPECT_EQ(c->pilotScoring().PilotStats[1].PilotScore, 77);
    EXPECT_EQ(c->pilotScoring().PilotStats[4].ObjectKillCounts[31], -7);
    EXPECT_NE(c->pilotScoring().PilotStats[0].StartDate, 0);
    EXPECT_TRUE(c->interface().notices.empty());
}

// What the preference window and the builder leave in the game at quit, the next start reads back;
// a first start writes the defaults it reads.
TEST_F(StoredRecords, PreferencesAndTheLastMissionComeBackAtTheNextStart) {
    auto c = start();
    EXPECT_EQ(store_->boolForKey("TerrainDetailKey"), true);
    EXPECT_EQ(store_->boolForKey("DontShowMF"), false);
    const Preferences fresh = c->prefs();
    EXPECT_TRUE(fresh.DoDetailPass);
    EXPECT_TRUE(fresh.StallLimiter);  // a new player flies with the stall limiter
    EXPECT_FALSE(fresh.LastOpenedMission);

    c->fromMenus(kMenuPreferences);
    GameInterface& ui = c->interface();
    ui.toMousePosFeedback.state = !fresh.MousePosFeedback;
    ui.toStallLimiter.state = !fresh.StallLimiter;
    ui.toPrefsAlwaysReloadUM.state = !fresh.ReloadUserMissions;
    ui.toTerrainDetailPref.state = !fresh.DoDetailPass;
    ui.toPrefsDontCheckGames.state = fresh.DoCheckForGames == 0;
    c->fromDialogButtons(kTagPrefsOK);
    c->lastOpenedMission() = folder_.file("Over the Lines.pellam");  // as the builder opens one
    const Preferences chosen = c->prefs();
    EXPECT_NE(chosen.StallLimiter, fresh.StallLimiter);
    ASSERT_TRUE(c->applicationWillTerminate());

    c = start();
    const Preferences read = c->prefs();
    EXPECT_EQ(read.MousePosFeedback, chosen.MousePosFeedback);
    EXPECT_EQ(read.StallLimiter, chosen.StallLimiter);
    EXPECT_EQ(read.ReloadUserMissions, chosen.ReloadUserMissions);
    EXPECT_EQ(read.DoDetailPass, chosen.DoDetailPass);
    EXPECT_EQ(read.DoCheckForGames, chosen.DoCheckForGames);
    EXPECT_EQ(read.LastOpenedMission, folder_.file("Over the Lines.pellam"));

    // No mission open at quit: none is read at the next start.
    c->lastOpenedMission().reset();
    ASSERT_TRUE(c->applicationWillTerminate());
    EXPECT_FALSE(stored().contains("LastMissionOpenedKey"));
    EXPECT_FALSE(start()->prefs().LastOpenedMission);
}

TEST_F(StoredRecords, UnreadRecordsCostNoCopyAtEachStartUntilThePlayerStartsFreshOnes) {
    std::ofstream(file()) << nlohmann::json{{"PilotStatsKey", "AAAA"}}.dump();
    for (int run = 0; run < 2; ++run) {
        auto c = start();
        EXPECT_EQ(c->interface().notices.front(), c->interface().freshRecordsNotice);
        c->fromPlayerSignInOkay();  // a sign-in saves the store
        EXPECT_TRUE(c->applicationWillTerminate());
        EXPECT_TRUE(others().empty()) << run;  // the unread block stays, so no copy is needed
    }
    // The way out (the notice's button, clicked in the windows test) saves this run's records.
    start()->startFreshPilotRecords();
    store_->flush();
    EXPECT_EQ(others(), std::vector<std::string>{"defaults.json.corrupt"});
    auto c = start();
    EXPECT_TRUE(c->interface().notices.empty());
}

TEST_F(StoredRecords, MissionFilesLeftOutAreToldOnceWithTheirCountAndWhereTheReasonsAre) {
    userMissions_ = folder_.file("Missions") + "/";
    fs::create_directories(userMissions_ + "Spring.pellam");  // a campaign, not a refusal
    std::ofstream(userMissions_ + "broken.pellam") << "not a mission";
    std::ofstream(userMissions_ + "Spring.pellam/cut.pellam") << "PELLAMMF";
    ASSERT_EQ(mkfifo((userMissions_ + "pipe.pellam").c_str(), 0600), 0);
    auto c = start();
    c->reloadUserMissions();  // as after a save in the builder: no second notice
    ASSERT_EQ(c->interface().notices.size(), 1u);
    const std::string& notice = c->interface().notices.front();
    EXPECT_EQ(notice.rfind("3 mission files in " + userMissions_, 0), 0u) << notice;
    EXPECT_NE(notice.find("log"), std::string::npos);
}

TEST_F(StoredRecords, ACorruptSettingsFileIsToldOnceNamingTheCopy) {
    std::ofstream(file()) << "{\"PilotStatsKey\": {\"base64\": \"AAAA";  // cut off mid-write
    auto c = start();
    for (int i = 0; i < 5; ++i) c->timerLooper();
    ASSERT_EQ(c->interface().notices.size(), 1u);
    EXPECT_NE(c->interface().notices[0].find(file() + ".corrupt"), std::string::npos);
    EXPECT_TRUE(fs::exists(file() + ".corrupt"));
}

// Values of a type no reader takes are replaced when the game first writes over each, the volume
// at start-up and the pilot's name and number at sign-in: every one is named, each in the notice
// of the save that replaced it, and the one copy of the file holds them all as they were.
TEST_F(StoredRecords, EverySettingReplacedIsNamedAndKeptAsItWas) {
    const nlohmann::json original = {{"AutoMessage1Key", "Tally ho"},
                                     {"EngineVolumeKey", "loud"},
                                     {"Pilot2NameKey", {"Werner"}},
                                     {"PilotNumberKey", "second"}};
    std::ofstream(file()) << original.dump();
    auto c = start();
    c->fromPlayerSignInOkay();
    c->timerLooper();
    const std::deque<std::string> notices = c->interface().notices;
    for (const char* key : {"EngineVolumeKey", "Pilot2NameKey", "PilotNumberKey"}) {
        const auto naming = std::find_if(notices.begin(), notices.end(),
                                         [&](const std::string& n) { return n.find(key) != std::string::npos; });
        ASSERT_NE(naming, notices.end()) << key;
        EXPECT_NE(naming->find(file() + ".corrupt"), std::string::npos) << *naming;
    }
    EXPECT_FALSE(anyMentions(notices, "AutoMessage1Key"));
    EXPECT_EQ(others(), std::vector<std::string>{"defaults.json.corrupt"});
    std::ifstream kept(file() + ".corrupt");
    EXPECT_EQ(nlohmann::json::parse(kept), original);
    EXPECT_NE(stored()["PilotNumberKey"], original["PilotNumberKey"]);

    // A name stored as a number shows as its digits and is saved as text: named and kept too,
    // though the only value replaced.
    c.reset();
    store_.reset();
    for (const auto& entry : fs::directory_iterator(folder_.path())) fs::remove_all(entry.path());
    const nlohmann::json numbered = {{"AutoMessage1Key", "Tally ho"}, {"Pilot1NameKey", 5}};
    std::ofstream(file()) << numbered.dump();
    c = start();
    EXPECT_EQ(c->interface().pilotNameFields[0].stringValue, "5");
    c->fromPlayerSignInOkay();
    c->timerLooper();
    EXPECT_TRUE(anyMentions(c->interface().notices, "(Pilot1NameKey)"));
    EXPECT_EQ(others(), std::vector<std::string>{"defaults.json.corrupt"});
    std::ifstream keptNumber(file() + ".corrupt");
    EXPECT_EQ(nlohmann::json::parse(keptNumber)["Pilot1NameKey"], 5);
    EXPECT_EQ(stored()["Pilot1NameKey"], "5");
}

TEST_F(StoredRecords, AFailedSaveKeepsTheWindowOpenAndIsToldOnce) {
    auto c = start();
    GameInterface& ui = c->interface();
    const fs::path blocked = block();
    for (int tag : {kMenuPreferences, kMenuAutoMessages}) {
        c->fromMenus(tag);
        Window& window = tag == kMenuPreferences ? ui.toPrefsWindow : ui.toAutoMessagesWindow;
        const int ok = tag == kMenuPreferences ? kTagPrefsOK : kTagAutoMessagesOK;
        ui.toVBlankPref.state = !ui.toVBlankPref.state;
        ui.toAuto[0].stringValue = "Tally ho";
        c->fromDialogButtons(ok);
        EXPECT_TRUE(window.open) << tag;
        c->fromDialogButtons(ok);
        EXPECT_TRUE(window.open) << tag;
    }
    ui.toMouseFlying.makeKeyAndOrderFront();
    c->fromDialogButtons(kTagMouseFlyingOK);
    EXPECT_TRUE(ui.toMouseFlying.open);
    ASSERT_EQ(ui.notices.size(), 1u);  // once, however often it failed
    EXPECT_NE(ui.notices[0].find(folder_.path().string()), std::string::npos);

    // A quit that cannot save says so and may be tried again.
    EXPECT_FALSE(c->saveForQuit());
    EXPECT_TRUE(anyMentions(ui.notices, "Quit again"));

    fs::remove(blocked);
    c->fromDialogButtons(kTagPrefsOK);
    EXPECT_FALSE(ui.toPrefsWindow.open);
    EXPECT_EQ(stored()["AutoMessage1Key"], "Tally ho");
    EXPECT_TRUE(c->saveForQuit());
}

}  // namespace
}  // namespace pellam
