// The mission menu's logic: wind sectors, pictures by menu order, the user missions and campaigns read
// from a folder, and a joiner finding the host's mission.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "missions/UserMissions.h"
#include "platform/UserDefaults.h"
#include "tools/missiongen/PatrolMission.h"

namespace pellam::missions {
namespace {
namespace fs = std::filesystem;

TEST(Winds, EveryDirectionFallsInOneOfSixteenSectorsAndNegativeMeansRandom) {
    std::set<std::string> seen;
    for (double d = 0; d < 360; d += 22.5) seen.insert(windsText(10, d + 1.0));
    EXPECT_EQ(seen.size(), 16u);
    EXPECT_EQ(windsText(12.7, -10.0), windsText(12.7, 350.0));
    EXPECT_EQ(windsText(6, 725), windsText(6, 5));  // past a full turn
    EXPECT_EQ(windsText(-3.0, 90), "Prevailing Winds: Random");  // any negative speed is drawn
    EXPECT_EQ(windsText(8.0, -1.0), "Prevailing Winds: Random");
}

TEST(MenuPictures, FollowMenuOrderNotTheMissionSlot) {
    MissionMenu menu;
    menu.items = {{"Missions:", kTagBuiltInLabel}, {"a", 0}, {"b", 7}, {"c", 2}, {"d", -3}, {"e", 5},
                  {"User Missions:", kTagUserStart}, {"f", 51}};
    getMissionMenuTitles(menu);
    EXPECT_EQ(menu.picture(3), "pellamm3.jpg");  // the third mission item, whatever it flies
    EXPECT_EQ(menu.picture(5), "pellamm4.jpg");
    EXPECT_EQ(menu.picture(7), "");
    EXPECT_EQ(menu.userStartIndex, 6);
    EXPECT_FALSE(menu.items[4].enabled);
    EXPECT_EQ(menu.positionOfTag(2), 3);
    EXPECT_EQ(menu.positionOfTag(99), 1);  // gone from the menu: the first position
}

class UserMissions : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pellam user missions " + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        missiongen::buildPatrolMission(*record_, texts_);
        menu_.items = {{"Missions:", kTagBuiltInLabel}, {"Patrol", 0}, {"User Missions:", kTagUserStart}};
        getMissionMenuTitles(menu_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // A mission file titled `title`, made on `seconds` after 2001.
    void write(const std::string& relative, const std::string& title, double seconds = 1000) {
        fs::create_directories((folder_ / relative).parent_path());
        record_->SecondsSince2001 = seconds;
        texts_.title = title;
        ASSERT_EQ(writeMissionFile((folder_ / relative).string(), *record_, texts_), "");
    }
    int reload() { return reloadUserMissions(table_, menu_, folder_.string() + "/"); }
    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (size_t p = 3; p < menu_.items.size(); ++p) out.push_back(menu_.items[p].title);
        return out;
    }

    fs::path folder_;
    std::unique_ptr<MissionData> record_ = std::make_unique<MissionData>();
    MissionTexts texts_;
    MissionTable table_;
    MissionMenu menu_;
};

TEST_F(UserMissions, SinglesThenCampaignsNumberedIntoSlotsWithTheirPictures) {
    write("b.pellam", "Balloon");
    write("a.pellam", "Airfield");
    write("c.pellam", "Canal");
    write("Spring 1918/1 first.pellam", "First");
    write("Spring 1918/2 second.pellam", "Second");
    write("Spring 1918/notes.txt", "ignored");
    write("Empty/readme.txt", "no missions here");
    std::ofstream(folder_ / "broken.pellam") << "not a mission";
    ASSERT_EQ(reload(), 5);
    EXPECT_EQ(titles(), (std::vector<std::string>{"     User Mission #1: Airfield", "     User Mission #2: Balloon",
                                                  "     User Mission #3: Canal", "User Campaign Missions:",
                                                  "     Spring 1918", "          #1-#4: First",
                                                  "          #2-#5: Second"}));
    for (int k = 0; k < 5; ++k) EXPECT_TRUE(table_.loaded(51 + k));
    EXPECT_FALSE(table_.loaded(56));
    EXPECT_EQ(table_.texts(54)->title, "First");
    EXPECT_EQ(menu_.items[9].tag, 55);
    EXPECT_EQ(menu_.picture(3), "a.jpg");
    EXPECT_EQ(menu_.picture(9), "Spring 1918/2 second.jpg");
    EXPECT_EQ(menu_.picture(1), "pellamm1.jpg");

    // A reload after a file went away empties the slot it leaves behind.
    fs::remove(folder_ / "c.pellam");
    ASSERT_EQ(reload(), 4);
    EXPECT_FALSE(table_.loaded(55));
    EXPECT_EQ(menu_.items.size(), 3u + 6u);

    // Read off the caller's thread, a scan changes nothing until it is swapped in; a scan asked
    // for while another waits replaces it, and the folder as it was last is what comes in.
    UserMissionsReader reader;
    reader.scanInBackground(folder_.string() + "/");
    write("d.pellam", "Dunes");
    reader.scanInBackground(folder_.string() + "/");
    reader.flush();
    EXPECT_FALSE(table_.loaded(55));
    std::optional<UserMissionScan> scan = reader.takeScan();
    ASSERT_TRUE(scan);
    EXPECT_FALSE(reader.takeScan());
    ASSERT_EQ(applyUserMissions(table_, menu_, std::move(*scan)), 5);
    EXPECT_EQ(titles()[2], "     User Mission #3: Dunes");
    EXPECT_EQ(menu_.picture(5), "d.jpg");
    EXPECT_EQ(table_.texts(55)->title, "Second");
}

TEST_F(UserMissions, AChangedByteFailsTheSumUnlessTheHashFollows) {
    write("a.pellam", "Airfield");
    std::ifstream in(folder_ / "a.pellam", std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    in.close();
    bytes[bytes.size() - 100] ^= 0x5A;  // a byte of the record, not of its hash
    std::ofstream(folder_ / "a.pellam", std::ios::binary).write(bytes.data(), bytes.size());
    MissionFileContents contents;
    EXPECT_NE(checkUserMission((folder_ / "a.pellam").string(), contents), "");
    EXPECT_EQ(reload(), 0);
}

TEST_F(UserMissions, CampaignOpensUpToTheFirstMissionNotWon) {
    for (int k = 1; k <= 4; ++k) write("War/" + std::to_string(k) + ".pellam", "Mission " + std::to_string(k));
    ASSERT_EQ(reload(), 4);
    auto openMissions = [&](const std::vector<std::string>& won) {
        checkCampaignsForEnabled(menu_, table_, [&](const std::string& title) { return haveFinished(won, title); });
        std::vector<bool> open;
        for (const MenuItem& item : menu_.items)
            if (item.tag >= MissionTable::kFirstUser) open.push_back(item.enabled);
        return open;
    };
    EXPECT_EQ(openMissions({}), (std::vector<bool>{true, false, false, false}));
    // Won 1 and 3, not 2: 1 and 2 open, 3 stays closed behind 2.
    EXPECT_EQ(openMissions({"Mission 1               Mission Time: 3:05", "Mission 3"}),
              (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(openMissions({"Mission 1", "Mission 2"}), (std::vector<bool>{true, true, true, false}));
    EXPECT_FALSE(haveFinished({"Mission 12"}, "Mission 1"));
}

TEST_F(UserMissions, AtMost150AreLoadedAndSlot200IsTheLast) {
    for (int k = 0; k < 148; ++k) write(std::string("m") + std::to_string(1000 + k) + ".pellam", std::string("Single ") + std::to_string(k));
    for (int k = 0; k < 4; ++k) write(std::string("Zeppelins/") + std::to_string(k) + ".pellam", std::string("Late ") + std::to_string(k));
    ASSERT_EQ(reload(), 150);
    EXPECT_TRUE(table_.loaded(200));
    EXPECT_EQ(table_.texts(200)->title, "Late 1");
    EXPECT_EQ(titles().back(), "          #2-#150: Late 1");
    // The rest are not left out silently.
    std::vector<std::string> leftOut;
    ASSERT_EQ(reloadUserMissions(table_, menu_, folder_.string() + "/", &leftOut), 150);
    ASSERT_EQ(leftOut.size(), 2u);
    for (const std::string& why : leftOut) EXPECT_NE(why.find("more than 150"), std::string::npos) << why;
    EXPECT_NE(leftOut[1].find("Zeppelins/3.pellam"), std::string::npos);
}

TEST_F(UserMissions, EveryFileLeftOutIsLoggedWithItsReasonAndAFolderNamedAsAMissionIsACampaign) {
    write("a.pellam", "Airfield");
    write("My Campaign.pellam/1.pellam", "First");
    write("My Campaign.pellam/2.pellam", "Second");
    std::ifstream in(folder_ / "a.pellam", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream(folder_ / "corrupt.pellam") << "not a mission";
    std::ofstream(folder_ / "cut.pellam") << bytes.substr(0, bytes.size() - 100);
    std::ofstream(folder_ / "magic.pellam") << std::string("X") + bytes.substr(1);
    std::ofstream(folder_ / "sum.pellam") << bytes.substr(0, bytes.size() - 1) + char(bytes.back() ^ 0x5A);
    record_->TotalObjects = 20;
    write("twenty.pellam", "Too few");
    ASSERT_EQ(mkfifo((folder_ / "pipe.pellam").c_str(), 0600), 0);
    fs::create_directories(folder_ / "My Campaign.pellam" / "3 folder.pellam");
    std::ofstream(folder_ / "My Campaign.pellam" / "notes.txt") << "not a mission, not a refusal";

    std::vector<std::string> leftOut;
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(reloadUserMissions(table_, menu_, folder_.string() + "/", &leftOut), 3);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(titles(), (std::vector<std::string>{"     User Mission #1: Airfield", "User Campaign Missions:",
                                                  "     My Campaign.pellam", "          #1-#2: First",
                                                  "          #2-#3: Second"}));
    const char* refused[] = {"corrupt.pellam", "cut.pellam", "magic.pellam", "sum.pellam",
                             "twenty.pellam",  "pipe.pellam", "My Campaign.pellam/3 folder.pellam"};
    EXPECT_EQ(leftOut.size(), std::size(refused));
    for (const char* name : refused) {
        const std::string path = (folder_ / name).string();
        const auto told = std::find_if(leftOut.begin(), leftOut.end(), [&](const std::string& why) {
            return why.rfind(path + ":", 0) == 0 && why.size() > path.size() + 3;  // the file, then a reason
        });
        ASSERT_NE(told, leftOut.end()) << name;
        EXPECT_NE(log.find("User mission left out: " + *told), std::string::npos) << name;
    }
}

// Win each mission of a campaign, restart (the won list read back from the settings file), and
// the next mission opens, whatever characters the titles hold.
TEST_F(UserMissions, CampaignProgressSurvivesARestartWhateverTheTitles) {
    write("War/1.pellam", "Ypres \xED\xA0\x80");  // a UTF-16 surrogate: no UTF-8 title, no mission
    write("War/2.pellam", "Arras \xF0\x9F\x9B\xA9");
    write("War/3.pellam", "Cambrai \xF4\x8F\xBF\xBF");
    write("War/4.pellam", "Amiens \xC3\xA9");
    const std::string settings = (folder_ / "defaults.json").string();
    std::vector<bool> open;
    for (int won = 0;; ++won) {
        std::vector<std::string> finished;
        {
            platform::UserDefaults store(settings);  // a start of the game
            finished = store.stringArrayForKey("Won").value_or(std::vector<std::string>{});
        }
        reload();
        checkCampaignsForEnabled(menu_, table_, [&](const std::string& t) { return haveFinished(finished, t); });
        std::vector<const MenuItem*> missions;
        for (const MenuItem& item : menu_.items)
            if (item.tag >= MissionTable::kFirstUser) missions.push_back(&item);
        ASSERT_LT(won, int(missions.size())) << "every mission won";
        for (int k = 0; k < int(missions.size()); ++k) EXPECT_EQ(missions[k]->enabled, k <= won) << won << " " << k;
        if (won + 1 == int(missions.size())) break;
        platform::UserDefaults store(settings);  // the win is stored as the game stores it
        finished.push_back(table_.texts(missions[won]->tag)->title + kMissionTimeSeparator + "3:05");
        store.setStringArray("Won", finished);
        ASSERT_TRUE(store.synchronize());
    }
}

TEST_F(UserMissions, HostMissionFoundByHashAndDateOnly) {
    write("a.pellam", "Airfield", 1000);
    write("b.pellam", "Balloon", 2000);
    ASSERT_EQ(reload(), 2);
    const uint32_t hash = table_.record(52)->Hash1;
    EXPECT_EQ(hostMissionSlot(table_, 60, hash, 2000), 52);  // the host's slot number does not matter
    EXPECT_EQ(hostMissionSlot(table_, 52, hash, 3000), -1);  // same hash, another date
    EXPECT_EQ(hostMissionSlot(table_, 52, 0, 0), -1);
    EXPECT_EQ(hostMissionSlot(table_, 3, hash, 2000), 3);    // built-in missions go by number
    for (long bad : {-1L, 23L, 50L, 206L, 100000L}) EXPECT_EQ(hostMissionSlot(table_, bad, 1, 1), -1) << bad;
}

}  // namespace
}  // namespace pellam::missions
