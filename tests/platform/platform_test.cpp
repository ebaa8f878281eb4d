#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/Beep.h"
#include "platform/FreedMemory.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/TickCount.h"
#include "platform/UserDefaults.h"
#include "tests/TestFolder.h"

namespace pellam::platform {
namespace {
namespace fs = std::filesystem;

class DefaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pellam defaults " + std::to_string(getpid()) + " " +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string file() const { return (folder_ / "defaults.json").string(); }
    fs::path folder_;
};

TEST_F(DefaultsTest, RoundTripOfEveryType) {
    const std::vector<uint8_t> block = {0x00, 0xFF, 0x10, 0x80, 0x7F};
    {
        UserDefaults store(file());
        store.setBool("VBlankKey", true);
        store.setInteger("TerrainDetailKey", 3);
        store.setDouble("OverallVolumeKey", 0.75);
        store.setString("LastMissionOpenedKey", "Balloon busting at Fère-en-Tardenois");
        store.setData("PilotStatsKey", block);
        ASSERT_TRUE(store.synchronize());
    }
    UserDefaults store(file());
    EXPECT_TRUE(store.loadMessage().empty());
    EXPECT_EQ(store.boolForKey("VBlankKey"), true);
    EXPECT_EQ(store.integerForKey("TerrainDetailKey"), 3);
    EXPECT_EQ(store.doubleForKey("OverallVolumeKey"), 0.75);
    EXPECT_EQ(store.doubleForKey("TerrainDetailKey"), 3.0);  // a whole number reads as a double too
    EXPECT_EQ(store.stringForKey("LastMissionOpenedKey"), "Balloon busting at Fère-en-Tardenois");
    EXPECT_EQ(store.dataForKey("PilotStatsKey"), block);
    // Absent keys and values that cannot be converted both answer "absent"; YES reads as 1.
    EXPECT_FALSE(store.boolForKey("NoSuchKey").has_value());
    EXPECT_EQ(store.integerForKey("VBlankKey"), 1);
    EXPECT_FALSE(store.dataForKey("LastMissionOpenedKey").has_value());
    store.removeKey("VBlankKey");
    EXPECT_FALSE(store.hasKey("VBlankKey"));
    // No temporary file is left behind.
    for (const auto& entry : fs::directory_iterator(folder_))
        EXPECT_EQ(entry.path().filename(), "defaults.json");
}

TEST_F(DefaultsTest, CorruptFileIsKeptAsideAndReported) {
    {
        std::ofstream out(file());
        out << "{ \"VBlankKey\": tru";  // cut off mid-write
    }
    UserDefaults store(file());
    EXPECT_FALSE(store.loadMessage().empty());
    EXPECT_FALSE(store.hasKey("VBlankKey"));
    ASSERT_TRUE(fs::exists(file() + ".corrupt"));
    std::ifstream kept(file() + ".corrupt");
    std::string text((std::istreambuf_iterator<char>(kept)), {});
    EXPECT_EQ(text, "{ \"VBlankKey\": tru");

    store.setInteger("TerrainDetailKey", 2);
    ASSERT_TRUE(store.synchronize());
    UserDefaults again(file());
    EXPECT_EQ(again.integerForKey("TerrainDetailKey"), 2);

    // A second broken file does not overwrite the first one kept aside.
    {
        std::ofstream out(file());
        out << "[1, 2]";
    }
    UserDefaults third(file());
    EXPECT_TRUE(fs::exists(file() + ".corrupt-1"));
}

TEST_F(DefaultsTest, BrokenBlocksAndNumbersReadAsAbsent) {
    {
        std::ofstream out(file());
        out << R"({"A": {"base64": "not base64!"}, "B": {"base64": 12}, "C": "text", "D": 1e400})";
    }
    UserDefaults store(file());
    EXPECT_FALSE(store.dataForKey("A").has_value());
    EXPECT_FALSE(store.dataForKey("B").has_value());
    EXPECT_FALSE(store.doubleForKey("C").has_value());
    EXPECT_TRUE(store.loadMessage().empty() || !store.hasKey("D"));
}

// Only a regular file is read, and what is not one is refused before it is opened: a FIFO would
// hold the read for ever, a device may act when opened.
TEST(RegularFile, OnlyARegularFileIsReadAndNothingElseIsOpened) {
    const testing::TestFolder folder("pellam regular");
    const std::string pipe = folder.file("pipe"), text = folder.file("text"), link = folder.file("link");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::ofstream(text) << "Arras";
    fs::create_symlink("text", link);
    std::string why;
    for (const std::string& refused : {pipe, std::string("/dev/null"), folder.path().string()}) {
        EXPECT_FALSE(readRegularFile(refused, why).has_value()) << refused;
        EXPECT_NE(why.find("not a"), std::string::npos) << why;
    }
    EXPECT_EQ(readRegularFile(link, why), std::vector<uint8_t>({'A', 'r', 'r', 'a', 's'}));
    EXPECT_FALSE(readRegularFile(text, why, 4).has_value());
    EXPECT_EQ(why, "it is 5 bytes, more than the 4 bytes such a file can hold");
    EXPECT_EQ(bytesText(1073741824), "1,073,741,824 bytes");
}

TEST(Base64, KnownVectors) {
    auto bytes = [](std::string s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    EXPECT_EQ(base64Encode(bytes("")), "");
    EXPECT_EQ(base64Encode(bytes("f")), "Zg==");
    EXPECT_EQ(base64Encode(bytes("fo")), "Zm8=");
    EXPECT_EQ(base64Encode(bytes("foobar")), "Zm9vYmFy");
    EXPECT_EQ(base64Decode("Zm9vYg=="), bytes("foob"));
    EXPECT_FALSE(base64Decode("Zm9").has_value());
    EXPECT_FALSE(base64Decode("Z=9v").has_value());
}

TEST(Clock, TestsDriveTheTickCounter) {
    int32_t now = 1000;
    {
        ScopedTickSource source([&] { return now; });
        EXPECT_EQ(TickCount(), 1000);
        now += 3;
        EXPECT_EQ(TickCount(), 1003);
    }
    const int32_t real = TickCount();
    EXPECT_GE(real, 0);
    EXPECT_LT(real, 60 * 3600);
}

// The frame's wait ends on the tick it waits for, never before it: each wait starts where the last
// one woke, so a wait that woke early would be caught within a few ticks.
TEST(Clock, SleepEndsOnTheTickWaitedFor) {
    for (int i = 0; i < 12; ++i) {
        const int32_t next = TickCount() + 1;
        sleepUntilTick(next);
        ASSERT_GE(TickCount(), next) << "woke early on wait " << i;
    }
    int32_t now = 500;
    ScopedTickSource source([&] { return now; });
    sleepUntilTick(900);  // a test's clock: the wait leaves time to the test
    EXPECT_EQ(TickCount(), 500);
}

TEST(Paths, FoldersWithSpaces) {
    setApplicationFolder("/tmp/My Games/Pellam 1918");
    EXPECT_EQ(applicationFolder(), "/tmp/My Games/Pellam 1918");
    EXPECT_EQ(resourcesFolder(), "/tmp/My Games/Pellam 1918/data/");
    EXPECT_EQ(necessaryDataFolder(), "/tmp/My Games/Pellam 1918/Necessary Data");
    setApplicationFolder("");
    EXPECT_TRUE(fs::exists(applicationFolder()));
    EXPECT_TRUE(fs::is_directory(desktopFolder()));
}

TEST(Beep, EveryBeepIsCountedAndPlayed) {
    int played = 0;
    setBeepPlayer([&] { ++played; });
    const long before = beepCount();
    SystemBeep();
    SystemBeep();
    EXPECT_EQ(beepCount(), before + 2);
    EXPECT_EQ(played, 2);
    setBeepPlayer({});
}

// A big block read and freed at start-up, then a frame's 64 MB of 64 KB blocks borrowed, each ten
// with a small block kept past the frame between them, and freed: the frame's pages go back.
TEST(FreedMemory, WhatAFrameBorrowedGoesBackPastWhatItKept) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitiser's allocator keeps freed memory by its own rules";
#else
    const auto residentBytes = [] {
        long pages = 0, resident = 0;
        std::ifstream("/proc/self/statm") >> pages >> resident;
        return resident * sysconf(_SC_PAGESIZE);
    };
    constexpr size_t kStartUp = 21u << 20, kBlock = 64u << 10, kBlocks = 1024;
    void* file = std::malloc(kStartUp);
    std::memset(file, 1, kStartUp);
    std::free(file);
    std::vector<void*> frame, kept;
    frame.reserve(kBlocks);
    kept.reserve(kBlocks / 10);
    for (size_t i = 0; i < kBlocks; ++i) {
        frame.push_back(std::malloc(kBlock));
        std::memset(frame.back(), 1, kBlock);
        if (i % 10 == 9) kept.push_back(std::malloc(64));
    }
    const long busy = residentBytes();
    for (void* block : frame) std::free(block);
    returnFreedMemory();
    EXPECT_LT(residentBytes(), busy - long(kBlocks * kBlock) * 3 / 4);
    for (void* block : kept) std::free(block);
#endif
}

}  // namespace
}  // namespace pellam::platform
