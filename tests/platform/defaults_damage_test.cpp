// The user-defaults store on damaged, deep, unreadable and unwritable files: whatever it meets,
// the player's bytes are never lost and every failure is reported.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/UserDefaults.h"
#include "tests/FileSizeLimit.h"
#include "tests/TestFolder.h"

namespace pellam::platform {
namespace {
namespace fs = std::filesystem;

class DamagedDefaults : public ::testing::Test {
protected:
    std::string file() const { return folder_.file("defaults.json"); }
    void write(const std::string& text) const { std::ofstream(file(), std::ios::binary) << text; }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Every file in the folder but the store itself.
    std::vector<std::string> others() const { return folder_.namesBut("defaults.json"); }
    static bool mentions(const std::vector<std::string>& reports, const std::string& text) {
        for (const std::string& r : reports)
            if (r.find(text) != std::string::npos) return true;
        return false;
    }
    testing::TestFolder folder_{"pellam damaged"};
};

TEST_F(DamagedDefaults, OneBadValueCostsOnlyItselfAndTheCareerIsKept) {
    // A name that is not UTF-8, a lone surrogate escape, and two values nested 100,000 deep (which
    // once crashed every save): each once set the whole file aside, pilot records and all.
    const std::string career = base64Encode(std::vector<uint8_t>(1660, 7));
    std::string deepObject;
    for (int level = 0; level < 50000; ++level) deepObject += "{\"a\": ";
    deepObject.append("1").append(50000, '}');
    const std::string original = "{\"Pilot1NameKey\": \"Ren\xE9 Fonck\", \"PilotStatsKey\": {\"base64\": \"" +
                                 career + "\"}, \"X\": " + std::string(100000, '[') + std::string(100000, ']') +
                                 ", \"Y\": {\"a\": [\"\\ud800 [\", " + deepObject +
                                 "]}, \"VBlankKey\": true, \"L\": [[[[[[[1]]]]]]]}";
    write(original);
    {
        UserDefaults store(file());
        EXPECT_EQ(store.dataForKey("PilotStatsKey"), std::vector<uint8_t>(1660, 7));
        EXPECT_EQ(store.boolForKey("VBlankKey"), true);
        EXPECT_EQ(store.stringForKey("Pilot1NameKey"), "Ren\xEF\xBF\xBD Fonck");
        EXPECT_TRUE(store.hasKey("L"));  // the deepest a file of ours goes
        EXPECT_FALSE(store.hasKey("X"));
        EXPECT_FALSE(store.hasKey("Y"));
        const auto reports = store.takeReports();
        ASSERT_EQ(reports.size(), 1u);
        for (const char* named : {"Pilot1NameKey: text", "X: nested", "Y: nested", ".corrupt"})
            EXPECT_TRUE(mentions(reports, named)) << named;
        EXPECT_FALSE(mentions(reports, "PilotStatsKey"));
        store.setInteger("TerrainDetailKey", 2);
        ASSERT_TRUE(store.synchronize());
    }
    EXPECT_EQ(read(file() + ".corrupt"), original);
    EXPECT_EQ(others(), std::vector<std::string>{"defaults.json.corrupt"});
    UserDefaults again(file());
    EXPECT_TRUE(again.takeReports().empty());
    EXPECT_EQ(again.dataForKey("PilotStatsKey"), std::vector<uint8_t>(1660, 7));
    EXPECT_EQ(again.stringForKey("Pilot1NameKey"), "Ren\xEF\xBF\xBD Fonck");

    // A file past any size of ours is not parsed: it is set aside whole, and the player told.
    write("{\"VBlankKey\": \"" + std::string(UserDefaults::kLargestFile, 'x') + "\"}");
    UserDefaults huge(file());
    EXPECT_FALSE(huge.hasKey("VBlankKey"));
    EXPECT_TRUE(mentions(huge.takeReports(), file() + ".corrupt-1"));
    EXPECT_FALSE(fs::exists(file()));
}

// A settings file kept in a dotfiles folder and linked into place stays a link, and its target,
// which keeps its permissions, is the file that is saved.
TEST_F(DamagedDefaults, ALinkedFileStaysALinkAndKeepsItsMode) {
    const fs::path dotfiles = folder_.path() / "dotfiles";
    fs::create_directories(dotfiles);
    const fs::path target = dotfiles / "pellam.json";
    std::ofstream(target) << R"({"VBlankKey": false})";
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    fs::create_symlink("dotfiles/pellam.json", file());
    for (const bool value : {true, false}) {
        UserDefaults store(file());
        store.setBool("VBlankKey", value);
        ASSERT_TRUE(store.synchronize());
        EXPECT_TRUE(fs::is_symlink(file()));
        EXPECT_EQ(UserDefaults(target.string()).boolForKey("VBlankKey"), value);
        EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_EQ(others(), std::vector<std::string>{"dotfiles"});
    EXPECT_EQ(std::distance(fs::directory_iterator(dotfiles), {}), 1);

    // A link into a folder that is gone (a dotfiles folder not yet restored): the save fails, and
    // the notice names that folder, not the link's.
    {
        const fs::path gone = folder_.path() / "gone";
        fs::remove(file());
        fs::create_symlink("gone/pellam.json", file());
        UserDefaults store(file());
        store.setBool("VBlankKey", true);
        EXPECT_FALSE(store.synchronize());
        const auto reports = store.takeReports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find("saved in " + gone.string() + " ("), std::string::npos) << reports[0];
        EXPECT_FALSE(fs::exists(gone));
        fs::remove(file());
        fs::create_symlink("dotfiles/pellam.json", file());
    }

    // Damage behind the link is kept aside beside the target, and the link leads to the next save.
    std::ofstream(target) << "{\"VBlankKey\": tru";
    UserDefaults store(file());
    EXPECT_TRUE(mentions(store.takeReports(), target.string() + ".corrupt"));
    store.setBool("VBlankKey", true);
    ASSERT_TRUE(store.synchronize());
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(UserDefaults(target.string()).boolForKey("VBlankKey"), true);
}

// ... until one is written over by anything else: then, as for a value that could not be used at
// all, it is named and the file kept as it was. A name stored as a number and saved back as its
// text once went unnamed and uncopied.
TEST_F(DamagedDefaults, ValuesOfAnotherTypeReadAsWhatTheyMeanAndNeedNoCopy) {
    write(R"({"KeyboardPrefsAvailable": 1, "StallLimiterKey": "YES", "OverallVolumeKey": 51.9,
              "GunsVolumeKey": "77", "StickCurveJoy": "1.75", "LastMissionOpenedKey": 12, "Pilot1NameKey": 5,
              "SuccessfulMTitles1Key": "Dawn Patrol", "NetworkTypeSizeKey": 1})");
    UserDefaults store(file());
    EXPECT_EQ(store.boolForKey("KeyboardPrefsAvailable"), true);
    EXPECT_EQ(store.boolForKey("StallLimiterKey"), true);
    EXPECT_EQ(store.integerForKey("OverallVolumeKey"), 51);
    EXPECT_EQ(store.integerForKey("GunsVolumeKey"), 77);
    EXPECT_EQ(store.doubleForKey("StickCurveJoy"), 1.75);
    EXPECT_EQ(store.doubleForKey("NetworkTypeSizeKey"), 1.0);
    EXPECT_EQ(store.stringForKey("LastMissionOpenedKey"), "12");
    EXPECT_EQ(store.stringForKey("Pilot1NameKey"), "5");
    EXPECT_FALSE(store.stringArrayForKey("SuccessfulMTitles1Key").has_value());
    store.setBool("VBlankKey", true);
    store.setString("GunsVolumeKey", "77");      // written back as it was
    store.setDouble("NetworkTypeSizeKey", 1.0);  // the same number
    ASSERT_TRUE(store.synchronize());
    EXPECT_TRUE(others().empty());
    EXPECT_TRUE(store.takeReports().empty());

    store.setString("Pilot1NameKey", "5");
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(others(), std::vector<std::string>{"defaults.json.corrupt"});
    EXPECT_EQ(UserDefaults(file() + ".corrupt").integerForKey("Pilot1NameKey"), 5);
    std::vector<std::string> reports = store.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(mentions(reports, "(Pilot1NameKey)")) << reports[0];
    store.setInteger("OverallVolumeKey", 51);
    store.setStringArray("SuccessfulMTitles1Key", {"Dawn Patrol"});
    ASSERT_TRUE(store.synchronize());
    reports = store.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(mentions(reports, "(OverallVolumeKey; SuccessfulMTitles1Key)")) << reports[0];
}

TEST_F(DamagedDefaults, AValueThatCannotBeUsedIsKeptAsideBeforeItIsWrittenOver) {
    const std::string original =
        R"({"KeyboardPrefsAvailable": [true], "KeyboardButtons2": {"base64": "not base64!"}, "PilotStatsKey": "AAAA"})";
    write(original);
    UserDefaults store(file());
    EXPECT_FALSE(store.boolForKey("KeyboardPrefsAvailable").has_value());
    EXPECT_FALSE(store.dataForKey("KeyboardButtons2").has_value());
    EXPECT_FALSE(store.dataForKey("PilotStatsKey").has_value());
    EXPECT_TRUE(store.takeReports().empty());  // nothing is written over yet
    store.setBool("KeyboardPrefsAvailable", true);
    store.setData("KeyboardButtons2", std::vector<uint8_t>(4000));
    ASSERT_TRUE(store.synchronize());
    const auto reports = store.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(mentions(reports, "KeyboardButtons2"));
    EXPECT_TRUE(mentions(reports, file() + ".corrupt"));
    EXPECT_EQ(read(file() + ".corrupt"), original);
    // One copy a run: the next save writes over the store only, and a value it writes over is named
    // then, as held in that copy.
    store.setBool("VBlankKey", true);
    store.setData("PilotStatsKey", std::vector<uint8_t>(1660));
    ASSERT_TRUE(store.synchronize());
    EXPECT_EQ(others(), std::vector<std::string>{"defaults.json.corrupt"});
    const auto later = store.takeReports();
    ASSERT_EQ(later.size(), 1u);
    EXPECT_TRUE(mentions(later, "(PilotStatsKey)"));
    EXPECT_TRUE(mentions(later, file() + ".corrupt"));
}

TEST_F(DamagedDefaults, AFileThatCannotBeReadIsLeftWhereItIsAndNeverWrittenOver) {
    // A folder in the file's place fails the read as a file without read permission does; the
    // tests may run as root, for whom permissions do not fail.
    fs::create_directories(file());
    std::ofstream(fs::path(file()) / "inside") << "the player's";
    UserDefaults store(file());
    EXPECT_NE(store.loadMessage().find("cannot be read"), std::string::npos);
    EXPECT_EQ(store.loadMessage().find("corrupt"), std::string::npos);
    store.setBool("VBlankKey", true);
    EXPECT_FALSE(store.synchronize());
    EXPECT_FALSE(store.synchronize());
    const auto reports = store.takeReports();
    EXPECT_EQ(reports.size(), 2u);  // the load and the refused save, each once
    EXPECT_TRUE(fs::is_directory(file()));
    EXPECT_EQ(read((fs::path(file()) / "inside").string()), "the player's");
    EXPECT_TRUE(others().empty());

    // A FIFO in its place is not waited on (it once held the start for ever) and stays a FIFO.
    fs::remove_all(file());
    ASSERT_EQ(mkfifo(file().c_str(), 0600), 0);
    UserDefaults fifo(file());
    EXPECT_NE(fifo.loadMessage().find("cannot be read"), std::string::npos);
    fifo.setBool("VBlankKey", true);
    EXPECT_FALSE(fifo.synchronize());
    EXPECT_TRUE(fs::is_fifo(file()));
    EXPECT_TRUE(others().empty());
}

TEST_F(DamagedDefaults, DamageMetAtEveryStartIsKeptAsideOnceAndKilledSavesLeaveNothing) {
    // A pilot block stored as a bare string is read (and refused) at every start; written back
    // as it was, it needs no copy, however many starts save other settings.
    const std::string original = R"({"PilotStatsKey": "AAAA", "VBlankKey": false})";
    write(original);
    for (int start = 0; start < 3; ++start) {
        UserDefaults store(file());
        EXPECT_FALSE(store.dataForKey("PilotStatsKey").has_value());
        store.setBool("VBlankKey", start % 2 == 0);
        ASSERT_TRUE(store.synchronize());
        EXPECT_TRUE(store.takeReports().empty()) << start;
    }
    EXPECT_TRUE(others().empty());
    EXPECT_EQ(nlohmann::json::parse(read(file()))["PilotStatsKey"], "AAAA");

    // Written over, the file is copied aside first; the same damage met again is kept once.
    for (int start = 0; start < 3; ++start) {
        write(original);
        UserDefaults store(file());
        EXPECT_FALSE(store.dataForKey("PilotStatsKey").has_value());
        store.setData("PilotStatsKey", std::vector<uint8_t>(1660));
        ASSERT_TRUE(store.synchronize());
        EXPECT_TRUE(mentions(store.takeReports(), file() + ".corrupt")) << start;
    }
    EXPECT_EQ(others(), std::vector<std::string>{"defaults.json.corrupt"});
    EXPECT_EQ(read(file() + ".corrupt"), original);
    // A file that cannot be parsed, met at three starts, is kept once as well.
    for (int start = 0; start < 3; ++start) {
        write("{\"VBlankKey\": tru");
        UserDefaults store(file());
        ASSERT_TRUE(mentions(store.takeReports(), file() + ".corrupt-1")) << start;
    }
    EXPECT_EQ(others(), (std::vector<std::string>{"defaults.json.corrupt", "defaults.json.corrupt-1"}));

    // Saves killed before their rename left temporary files: those of processes that are gone
    // (pid_max is never a process's number) or of this process's number are removed at the next
    // start; a live process's file is its own and stays, as does a folder.
    int pidMax = 0;
    std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
    ASSERT_GT(pidMax, 0);
    const std::string gone = file() + ".tmp-" + std::to_string(pidMax);
    const std::string ours = file() + ".tmp-" + std::to_string(getpid());
    const std::string live = file() + ".tmp-" + std::to_string(getppid());
    for (const std::string& temporary : {gone, ours, live}) std::ofstream(temporary) << "{\"VBlankKey\": tr";
    fs::create_directories(file() + ".tmp-" + std::to_string(pidMax - 1));
    UserDefaults store(file());
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_FALSE(fs::exists(ours));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::is_directory(file() + ".tmp-" + std::to_string(pidMax - 1)));
}

TEST_F(DamagedDefaults, TextIsHeldAsItIsWrittenSoItReadsTheSameAfterARestart) {
    // Ill-formed UTF-8 (a surrogate, an overlong slash, a lead byte past U+10FFFF, a cut-off
    // character) is repaired as it is set, not only as it is written.
    const std::vector<std::string> texts = {"Ypres \xED\xA0\x80", "\xC0\xAF", "\xF5\x80\x80\x80", "cut \xE2\x82",
                                            "Arras \xF0\x9F\x9B\xA9", "\xF4\x8F\xBF\xBF"};
    std::vector<std::string> held;
    {
        UserDefaults store(file());
        store.setStringArray("CompletedMissions", texts);
        store.setString("LastMissionOpenedKey", texts[0]);
        held = *store.stringArrayForKey("CompletedMissions");
        EXPECT_EQ(held[4], texts[4]);  // well-formed text is kept as it is
        EXPECT_EQ(held[5], texts[5]);
        EXPECT_NE(held[0], texts[0]);
        ASSERT_TRUE(store.synchronize());
    }
    UserDefaults store(file());
    EXPECT_EQ(store.stringArrayForKey("CompletedMissions"), held);
    EXPECT_EQ(store.stringForKey("LastMissionOpenedKey"), held[0]);
}

TEST_F(DamagedDefaults, AFailedSaveAnswersFalseKeepsTheOldFileAndIsReportedOnce) {
    write(R"({"VBlankKey": false})");
    UserDefaults store(file());
    store.setBool("VBlankKey", true);
    // The temporary file's place taken: the write fails as on a read-only or full disk.
    const fs::path blocked = file() + ".tmp-" + std::to_string(getpid());
    fs::create_directories(blocked);
    EXPECT_FALSE(store.synchronize());
    EXPECT_FALSE(store.synchronize());
    const auto reports = store.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(folder_.path().string()), std::string::npos);
    EXPECT_EQ(read(file()), R"({"VBlankKey": false})");
    fs::remove(blocked);
    EXPECT_TRUE(store.synchronize());  // the values waited in memory
    EXPECT_EQ(UserDefaults(file()).boolForKey("VBlankKey"), true);
    EXPECT_TRUE(others().empty());

    // With no file there, nothing is said to be unchanged.
    fs::remove(file());
    fs::create_directories(blocked);
    store.setBool("VBlankKey", false);
    EXPECT_FALSE(store.synchronize());
    const auto first = store.takeReports();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].find("unchanged"), std::string::npos) << first[0];
    fs::remove(blocked);

    // Past the file-size limit (a quota, `ulimit -f`) the copy of a damaged file kept aside, and
    // then the save itself, fail the same way: told, the old file whole, no part of either left.
    const std::string damaged = R"({"PilotNumberKey": [2], "Pad": ")" + std::string(3000, 'x') + "\"}";
    write(damaged);
    UserDefaults limited(file());
    EXPECT_FALSE(limited.integerForKey("PilotNumberKey").has_value());
    limited.setInteger("PilotNumberKey", 2);
    {
        const testing::FileSizeLimit limit(1000);  // bytes
        EXPECT_FALSE(limited.synchronize());
        EXPECT_TRUE(mentions(limited.takeReports(), "could not be kept aside"));
        EXPECT_EQ(read(file()), damaged);
        EXPECT_TRUE(others().empty());
    }
    ASSERT_TRUE(limited.synchronize());
    limited.setString("Pad", std::string(5000, 'y'));
    {
        const testing::FileSizeLimit limit(4000);  // bytes: the copy kept, the new file too long
        EXPECT_FALSE(limited.synchronize());
        EXPECT_TRUE(mentions(limited.takeReports(), std::strerror(EFBIG)));
        EXPECT_EQ(UserDefaults(file()).stringForKey("Pad"), std::string(3000, 'x'));
        EXPECT_EQ(others(), std::vector<std::string>{"defaults.json.corrupt"});
    }
}

// Saves in flight: a burst while the writer is busy costs one write of the latest values; a save
// that fails there is told once through takeReports, keeps the old file, and its values are written
// at the next save even when nothing changed since.
TEST_F(DamagedDefaults, SavesInFlightCoalesceAndOneThatFailedIsToldAndWrittenAtTheNext) {
    UserDefaults store(file());
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    store.writer().queue("hold", [released] {
        released.wait();  // the writer is busy until the burst below is queued
        return std::string();
    });
    for (int kills = 1; kills <= 40; ++kills) {
        store.setInteger("Kills", kills);
        store.saveInBackground();
    }
    release.set_value();
    store.flush();
    WriterThread::Counters counted = store.writer().counters();
    EXPECT_EQ(counted.queued, 41u);
    EXPECT_EQ(counted.replaced, 39u);
    EXPECT_EQ(counted.written, 2u);
    EXPECT_EQ(UserDefaults(file()).integerForKey("Kills"), 40);
    store.saveInBackground();  // nothing changed: nothing handed over
    EXPECT_EQ(store.writer().counters().queued, 41u);

    const fs::path blocked = file() + ".tmp-" + std::to_string(getpid());
    fs::create_directories(blocked);
    store.setInteger("Kills", 41);
    store.saveInBackground();
    store.flush();
    const auto reports = store.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(folder_.path().string()), std::string::npos) << reports[0];
    EXPECT_EQ(UserDefaults(file()).integerForKey("Kills"), 40);
    fs::remove(blocked);
    store.saveInBackground();
    store.flush();
    EXPECT_EQ(store.writer().counters().failed, 1u);
    EXPECT_EQ(UserDefaults(file()).integerForKey("Kills"), 41);
    EXPECT_TRUE(others().empty());
}

}  // namespace
}  // namespace pellam::platform
